// Files the launcher keeps in the user's cache directory: naming the directory, creating
// it, telling whether a file is still the one that was written (size and modification
// time), and publishing a file under its final name in one step, so that a reader sees
// either the old file, the new one, or none, never half of one.
//
// Windows: %LOCALAPPDATA%; MoveFileExA with MOVEFILE_REPLACE_EXISTING, which fails while
// another process has the old file open; modification times in FILETIME units.
// Linux: $XDG_CACHE_HOME, else $HOME/.cache; rename(2); modification times in nanoseconds.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

// The user's cache directory without a trailing separator; empty when none can be named.
TextString userCacheDirectory();
// Creates a directory and its missing parents; true when it exists afterwards.
bool createDirectories(const char* path);

struct FileStamp {
    int64_t size = 0;
    int64_t modified = 0;
};
// The size and last modification time of a regular file; false when there is none.
bool fileStamp(const char* path, FileStamp& stamp);

// Writes a whole file, created or truncated, readable by its owner only (Linux: 0600).
bool writeWholeFile(const char* path, TextView bytes);
// Writes a new file as writeWholeFile does, but only when none of that name exists yet:
// false when one does (the existing file is left alone). Windows: CREATE_NEW; Linux: O_EXCL.
bool writeNewFile(const char* path, TextView bytes);
// Moves from onto to, replacing an existing file in one step.
bool replaceFile(const char* from, const char* to);
bool removeFile(const char* path);
// path + "." + this process's id + suffix: a name no other process uses at the same time.
TextString processPrivateName(TextView path, const char* suffix);

}  // namespace platform
