// The application manifest (see app_manifest.h).
#include "app_manifest.h"

namespace wynpack {

std::string buildManifest(const ManifestOptions& options) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
        "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
        "    <security>\r\n"
        "      <requestedPrivileges>\r\n"
        "        <requestedExecutionLevel level=\"";
    xml += options.requireAdmin ? "requireAdministrator" : "asInvoker";
    xml +=
        "\" uiAccess=\"false\"/>\r\n"
        "      </requestedPrivileges>\r\n"
        "    </security>\r\n"
        "  </trustInfo>\r\n"
        "  <dependency>\r\n"
        "    <dependentAssembly>\r\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
        "language=\"*\"/>\r\n"
        "    </dependentAssembly>\r\n"
        "  </dependency>\r\n"
        "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\r\n"
        "    <application>\r\n"
        "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>\r\n"
        "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>\r\n"
        "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>\r\n"
        "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>\r\n"
        "    </application>\r\n"
        "  </compatibility>\r\n";
    if (options.dpiAware || options.utf8 || options.longPaths) {
        xml +=
            "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
            "    <windowsSettings>\r\n";
        if (options.dpiAware) {
            xml +=
                "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                "true</dpiAware>\r\n"
                "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                "WindowsSettings\">PerMonitorV2, system</dpiAwareness>\r\n";
        }
        if (options.utf8) {
            xml +=
                "      <activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                "WindowsSettings\">UTF-8</activeCodePage>\r\n";
        }
        if (options.longPaths) {
            xml +=
                "      <longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                "WindowsSettings\">true</longPathAware>\r\n";
        }
        xml +=
            "    </windowsSettings>\r\n"
            "  </application>\r\n";
    }
    xml += "</assembly>\r\n";
    return xml;
}

}  // namespace wynpack
