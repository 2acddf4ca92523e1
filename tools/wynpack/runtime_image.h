// A Java runtime image (a JDK, a JRE or a jlink output) that the packed executable carries
// inside itself: checking that it fits the target, and listing and hashing its files.
//
// A runtime fits a target when it has a `release` file and the target's JVM library with the
// target's machine: lib/server/libjvm.so (or lib/client/) an ELF x86-64 library for
// linux-x86_64, bin/server/jvm.dll (or bin/client/) a PE image of the target's machine type for
// the Windows targets. A runtime for another platform is refused naming both.
//
// Every file below the directory is carried, symbolic links followed (the link's target's
// content and mode are stored under the link's name); a link that leads nowhere or back into
// a directory above it, and anything but files and directories (a pipe, a socket, a device),
// are refused. Empty directories are not carried. Names must be safe to extract on every
// system (see isSafeRuntimePath in format/runtime_index.h).
//
// Platforms: POSIX file calls; the packer is a Linux host tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "problem.h"

namespace wynpack {

struct RuntimeImageFile {
    std::string path;    // relative, '/' separators
    std::string source;  // the file to read, as found under the directory
    int64_t size = 0;
    int32_t mode = 0;  // permission bits
    unsigned char sha256[32] = {};
};

struct RuntimeImage {
    std::string directory;
    std::string platform;
    std::string release;  // JAVA_VERSION from the release file, or "unknown"
    std::vector<RuntimeImageFile> files;
    int64_t totalSize = 0;
};

// Checks the image for the target and lists its files (sorted by path); bad input when it
// does not fit or holds a file that cannot be carried.
[[nodiscard]] bool inspectRuntimeImage(const std::string& directory, const std::string& target,
                                       RuntimeImage& image, Problem& problem);

// The platform of the runtime image in directory, from its JVM library: one of the packer's
// targets, another platform's description, or empty when it has no JVM library at all.
// library receives the JVM library's path relative to the directory.
std::string runtimeImagePlatform(const std::string& directory, std::string& library);

// JAVA_VERSION of a release file's text (quotes removed), or "unknown".
std::string releaseJavaVersion(const std::string& releaseText);

// Reads every file, filling its SHA-256; bad input when a file cannot be read or its size
// changed since it was listed.
[[nodiscard]] bool hashRuntimeFiles(RuntimeImage& image, Problem& problem);

// The index text of the image (format/runtime_index.h), checked by the launcher's own parser
// so that the packer never writes an index the launcher would refuse.
[[nodiscard]] bool runtimeIndexText(const RuntimeImage& image, std::string& text, Problem& problem);

}  // namespace wynpack
