// What the packer changes in a Windows stub (see windows_resources.h).
#include "windows_resources.h"

#include "base/version.h"
#include "byte_order.h"
#include "icon_file.h"
#include "pe_image.h"
#include "resource_tree.h"
#include "splash_image.h"

namespace wynpack {

namespace {

std::string quotedPath(const std::string& path) {
    return "'" + path + "'";
}

void putResource(std::vector<ResourceEntry>& entries, uint32_t type, uint32_t id,
                 std::string data) {
    removeResources(entries, type, id);
    ResourceEntry entry;
    entry.type = ResourceKey::number(type);
    entry.name = ResourceKey::number(id);
    entry.language = kLanguageEnglishUs;
    entry.data = std::move(data);
    entries.push_back(std::move(entry));
}

constexpr size_t kLongestLauncherVersion = 64;

bool isPrintableAsciiLine(std::u16string_view text) {
    if (text.empty() || text.size() > kLongestLauncherVersion) {
        return false;
    }
    for (char16_t c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string launcherVersionOf(const std::vector<ResourceEntry>& stubResources) {
    for (const ResourceEntry& entry : stubResources) {
        std::u16string value;
        if (entry.type == ResourceKey::number(kResourceVersion) &&
            findVersionString(entry.data, u"LauncherVersion", value) &&
            isPrintableAsciiLine(value)) {
            return std::string(value.begin(), value.end());
        }
    }
    return "wyn " WYN_VERSION_TEXT;
}

bool applyWindowsResources(std::string& stub, const std::string& stubPath,
                           const WindowsResources& resources, size_t& checksumOffset,
                           std::string& message) {
    std::string reason;
    PeLayout layout;
    std::vector<ResourceEntry> entries;
    if (!readPeLayout(stub, layout, reason) || !readResources(stub, layout, entries, reason)) {
        message = "stub " + quotedPath(stubPath) + " " + reason;
        return false;
    }
    if (dataDirectory(stub, layout, kSecurityDirectory).size != 0) {
        message = "stub " + quotedPath(stubPath) +
                  " is signed; pack an unsigned stub and sign the packed program";
        return false;
    }
    for (const IconFile& icon : resources.icons) {
        std::vector<IconImage> images;
        if (!parseIconFile(icon.bytes, images, reason) ||
            !putIconGroup(entries, icon.groupId, images, reason)) {
            message = "icon " + quotedPath(icon.path) + " " + reason;
            return false;
        }
    }
    if (!resources.splashPath.empty()) {
        SplashResource splash;
        if (!makeSplashResource(resources.splashBytes, splash, reason)) {
            message = "splash image " + quotedPath(resources.splashPath) + " " + reason;
            return false;
        }
        putResource(entries, splash.type, kSplashResourceId, std::move(splash.data));
    }
    VersionFields version = resources.version;
    version.strings.emplace_back("LauncherVersion", launcherVersionOf(entries));
    putResource(entries, kResourceVersion, kVersionResourceId, buildVersionInfo(version));
    putResource(entries, kResourceManifest, kManifestResourceId, buildManifest(resources.manifest));

    uint32_t address = nextSectionAddress(layout);
    std::string section = buildResourceSection(entries, address);
    if (!appendSection(stub, layout, ".rsrc", section, address, reason)) {
        message = "stub " + quotedPath(stubPath) + " " + reason;
        return false;
    }
    // The old section keeps its bytes but no longer holds the resources.
    for (const PeSection& old : layout.sections) {
        if (old.name == ".rsrc" && old.virtualAddress != address) {
            stub.replace(old.headerOffset, 8, ".rsrcold", 8);
        }
    }
    setDataDirectory(stub, layout, kResourceDirectory,
                     {address, static_cast<uint32_t>(section.size())});
    if (resources.console) {
        putLittleEndian16(stub, layout.subsystemOffset(), kSubsystemWindowsConsole);
    }
    checksumOffset = layout.checksumOffset();
    putLittleEndian32(stub, checksumOffset, 0);
    return true;
}

void setPeChecksum(std::string& image, size_t checksumOffset) {
    putLittleEndian32(image, checksumOffset, 0);
    PeChecksum sum;
    sum.add(image);
    putLittleEndian32(image, checksumOffset, sum.finish());
}

}  // namespace wynpack
