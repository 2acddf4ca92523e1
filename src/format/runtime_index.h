// The index of a Java runtime carried inside the executable: which files the runtime image
// has, with each file's SHA-256, size and Unix mode. The packer writes it as the archive entry
// kRuntimeIndexEntry beside the files themselves (each under kRuntimeEntryPrefix); the launcher
// reads it to extract the runtime into the per-user cache, to check every extracted file, and to
// name the cache directory by the index's own hash (runtimeContentKey).
//
// The text is UTF-8 with '\n' line ends:
//     wyn-runtime 1
//     platform <linux-x86_64 | windows-x86_64 | windows-x86>
//     release <the runtime's JAVA_VERSION, or "unknown">
//     file <sha256: 64 lower-case hex> <size: decimal> <mode: 3 or 4 octal digits> <path>
// one file line per file, sorted by path byte-wise, no path twice.
//
// The index comes from the executable, which anyone may have changed: the parser accepts only
// that exact form, and only paths that cannot leave the directory they are extracted into nor
// collide on a file system that ignores case (isSafeRuntimePath, plus no two paths equal
// ignoring ASCII case and no path that is also a directory of another). Limits: the text at
// most kMaxRuntimeIndexBytes, at most kMaxRuntimeFiles files, each at most kMaxRuntimeFileSize.
//
// Platforms: identical on Windows and Linux; no operating-system code. The path rules are the
// union of both systems' (a Windows device name is refused in a Linux runtime too), so one
// index is safe wherever it is extracted.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

// The archive entry that holds the index, and the folder of the runtime's files.
constexpr const char kRuntimeIndexEntry[] = "META-INF/wyn/runtime.index";
constexpr const char kRuntimeEntryPrefix[] = "META-INF/wyn/runtime/";
// The text a stub carries in its read-only data when it can extract a runtime carried inside
// the executable; the packer refuses to add a runtime to a stub without it.
constexpr const char kEmbeddedRuntimeCapability[] = "wyn-stub-capability: embedded-runtime/1";

constexpr int32_t kMaxRuntimeIndexBytes = 8 * 1024 * 1024;
constexpr int32_t kMaxRuntimeFiles = 100000;
constexpr int64_t kMaxRuntimeFileSize = int64_t(1) << 40;
constexpr int32_t kMaxRuntimePathBytes = 1024;

struct RuntimeFile {
    TextString path;  // relative, '/' separators, UTF-8
    int64_t size = 0;
    int32_t mode = 0;  // Unix permission bits, at most 07777
    unsigned char sha256[32] = {};
};

struct RuntimeIndex {
    TextString platform;  // linux-x86_64, windows-x86_64 or windows-x86
    TextString release;   // the runtime's JAVA_VERSION, or "unknown"
    std::vector<RuntimeFile> files;
};

// Reads an index text. On any departure from the form above, an unsafe path or a limit
// exceeded, returns false with problem saying what and on which line (index is then
// unspecified).
[[nodiscard]] bool parseRuntimeIndex(TextView text, RuntimeIndex& index, TextString& problem);

// The index text of the files, sorted by path byte-wise; byte for byte the form above. The
// caller gives safe, distinct paths (the packer checks them with isSafeRuntimePath).
TextString writeRuntimeIndex(const RuntimeIndex& index);

// The content key of a runtime: the first 32 hex digits of the SHA-256 of its index text.
TextString runtimeContentKey(TextView indexText);

// True when path is a relative path that names a file inside the directory on both systems:
// valid UTF-8 of at most kMaxRuntimePathBytes bytes; no leading '/'; no '\\', ':' or control
// byte; no empty, "." or ".." component; no component ending in '.' or ' '; no Windows device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, with or without extension, any
// case).
bool isSafeRuntimePath(TextView path);
