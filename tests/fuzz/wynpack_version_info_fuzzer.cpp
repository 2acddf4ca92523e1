// A stub's version information as the packer reads the launcher's version from it: any bytes
// either name no version (the packer's own is used) or give a short line of printable ASCII,
// and the version information written with it reads back the same.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "version_info.h"
#include "windows_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string resource(reinterpret_cast<const char*>(data), size);
    std::u16string found;
    (void)wynpack::findVersionString(resource, u"LauncherVersion", found);

    wynpack::ResourceEntry entry;
    entry.type = wynpack::ResourceKey::number(wynpack::kResourceVersion);
    entry.name = wynpack::ResourceKey::number(wynpack::kVersionResourceId);
    entry.data = resource;
    std::string version = wynpack::launcherVersionOf({entry});
    if (version.empty() || version.size() > 64) {
        fuzz::fail("the launcher version is empty or too long");
    }
    for (char c : version) {
        if (c < 0x20 || c > 0x7E) {
            fuzz::fail("the launcher version is not printable ASCII");
        }
    }
    wynpack::VersionFields fields;
    fields.fileVersion = "1.0";
    fields.productVersion = "1.0";
    fields.strings = {{"LauncherVersion", version}};
    std::u16string readBack;
    if (!wynpack::findVersionString(wynpack::buildVersionInfo(fields), u"LauncherVersion",
                                    readBack) ||
        readBack != std::u16string(version.begin(), version.end())) {
        fuzz::fail("the written launcher version does not read back");
    }
    return 0;
}
