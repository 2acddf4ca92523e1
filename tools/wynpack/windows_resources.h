// What the packer changes in a Windows stub: its resources (icons, splash image, version
// information, manifest) and, for the console variant, its subsystem.
//
// The stub's resources are read, the requested ones replace those of the same type and id
// (in every language), the rest (the string table with the launcher's messages, for one) is
// kept, and the whole tree goes into a new last section that the resource directory then
// names. The old resource section stays where it is, unused, so that nothing else in the
// image moves. The checksum is left to the caller, who knows the whole file (setPeChecksum).
//
// The version information written is the application's, with one string added:
// LauncherVersion, "wyn <version>", as the stub's own version information names it, so that a
// packed program still tells which launcher it carries. A stub without that string (or with
// a value that is no short line of printable ASCII) gets the packer's own version.
//
// A stub that is already signed is refused: its signature would not cover the packed file;
// sign the packed executable instead.
//
// Platforms: pure code over bytes, the same everywhere (the Windows test programs link it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app_manifest.h"
#include "resource_tree.h"
#include "version_info.h"

namespace wynpack {

constexpr uint32_t kApplicationIconId = 1;
constexpr uint32_t kSplashResourceId = 100;
constexpr uint32_t kVersionResourceId = 1;
constexpr uint32_t kManifestResourceId = 1;

struct IconFile {
    uint32_t groupId = kApplicationIconId;
    std::string path;  // for messages
    std::string bytes;
};

struct WindowsResources {
    std::vector<IconFile> icons;
    std::string splashPath;  // empty: no splash image
    std::string splashBytes;
    VersionFields version;
    ManifestOptions manifest;
    bool console = false;
};

// The LauncherVersion string for a stub with these resources.
std::string launcherVersionOf(const std::vector<ResourceEntry>& stubResources);

// Rewrites stub in place. False with the whole message ("icon 'app.ico' is truncated (...)")
// when an input cannot be used; stubPath names the stub in messages. checksumOffset receives
// where the PE checksum goes.
[[nodiscard]] bool applyWindowsResources(std::string& stub, const std::string& stubPath,
                                         const WindowsResources& resources, size_t& checksumOffset,
                                         std::string& message);

// Computes and stores the PE checksum of a whole executable held in memory.
void setPeChecksum(std::string& image, size_t checksumOffset);

}  // namespace wynpack
