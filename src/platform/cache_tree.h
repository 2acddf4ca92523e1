// Directory trees that the launcher unpacks into its cache (the runtime carried inside the
// program): one directory made, new files written with their mode, a finished tree moved
// under its final name in one step, and a tree removed; and why writing failed, so that the
// user can be told whether space or permission is missing.
//
// Windows: CreateDirectoryA, CreateFileA with CREATE_NEW, MoveFileExA without replacing;
// a virus scanner or the search indexer may still hold a just-written file open, which makes
// the move fail with a sharing or access error for a moment, so the move is retried for up to
// kMoveRetryMilliseconds. File modes are not kept (the system has none). Failures come from
// GetLastError (ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL: no space; ERROR_ACCESS_DENIED,
// ERROR_WRITE_PROTECT: not permitted).
// Linux: mkdir(2) with 0700, open(2) with O_EXCL | O_NOFOLLOW and the given mode, rename(2),
// which refuses to replace a directory that is not empty; failures come from errno
// (ENOSPC, EDQUOT: no space; EACCES, EPERM, EROFS: not permitted).
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

// How long a move that a scanner blocks is retried (Windows).
constexpr unsigned kMoveRetryMilliseconds = 3000;

enum class CacheFailure {
    None,
    NoSpace,       // the disk or the user's quota is full
    NotPermitted,  // the place may not be written (permissions, a read-only volume)
    Other,
};

// Why the last failed call of this header on this thread failed.
CacheFailure lastCacheFailure();
// Records the system's error of a call that just failed, for the cache's other modules
// (cache_lock.h, runtime_cache_root.h), so that lastCacheFailure tells it.
void noteCacheFailure();
// A few words for the message and the trace: "the disk is full", ...
const char* describeCacheFailure(CacheFailure failure);

// Makes one directory; false when it cannot be made or already exists.
[[nodiscard]] bool createDirectory(const char* path);
// Makes a directory and its missing parents; true when it exists as a directory afterwards.
[[nodiscard]] bool createDirectoryPath(const char* path);
// Moves a directory to a name that does not exist yet, in one step; false when the target
// exists (also as a non-empty directory) or the move fails for good.
[[nodiscard]] bool moveDirectory(const char* from, const char* to);
// Removes a directory and everything below it, without following symbolic links; true when
// nothing of it is left.
bool removeDirectoryTree(const char* path);
// Whether the path names a directory (not followed when it is a symbolic link on Linux).
bool isDirectory(const char* path);

// A new file being written; closed (and kept as far as written) when destroyed.
class NewFileWriter {
  public:
    NewFileWriter() = default;
    NewFileWriter(const NewFileWriter&) = delete;
    NewFileWriter& operator=(const NewFileWriter&) = delete;
    ~NewFileWriter();

    // Creates the file, which must not exist yet, with the permission bits of mode (Linux;
    // the bits a umask removes stay removed).
    [[nodiscard]] bool create(const char* path, int32_t mode);
    [[nodiscard]] bool write(const void* bytes, int32_t length);
    // Closes the file; false when the last writes could not be completed.
    [[nodiscard]] bool close();

  private:
    intptr_t handle_ = -1;
};

}  // namespace platform
