// The block of memory that every instance of one application shares, and the lock that
// guards it.
//
// Two placements exist. A named block is keyed by a name the caller builds (from `appid`);
// the image block belongs to the executable file itself, so that every process started from
// that file sees it and a copy of the file elsewhere does not. Both are kSharedBlockSize
// bytes and start zero-filled.
//
// Windows: the named block is a file mapping backed by the paging file (CreateFileMappingA,
// MapViewOfFile); the image block is the executable's ".SHMMESS" section, which the loader
// shares between all processes of the same image file. The lock is a named mutex.
// Linux: both are POSIX shared memory ("/" + name, with '/' turned into '.'); the image
// block is named from the executable's device and inode. An object is created with mode
// 0600 and joined only when its owner is the current user; every process holds a shared
// flock on it, and the process that closes it last removes its name (one that was killed
// leaves it for the next one to reuse). The lock is a robust
// process-shared mutex kept inside the block; when its owner dies the next locker takes it.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

constexpr int32_t kSharedBlockSize = 4096;
// Bytes of block storage that a SharedLock keeps on Linux (8-byte aligned).
constexpr int32_t kSharedLockStorage = 64;

// One mapped block: its view, the system object behind it, and the name of its lock.
struct SharedMemory {
    void* view = nullptr;
    void* handle = nullptr;  // the mapping (Windows) or the descriptor + 1 (Linux); null if none
    TextString lockName;     // the name of the mutex that guards it (used on Windows)
};

// Creates the named block or opens the existing one, and maps it whole. False with the
// reason in failure when it cannot be created, opened or mapped, or is not the user's own.
[[nodiscard]] bool openNamedSharedMemory(const char* name, SharedMemory& out, TextString& failure);

// The executable's own block, shared by every process of the same executable file.
[[nodiscard]] bool openImageSharedMemory(SharedMemory& out, TextString& failure);

// The block to use when the named one cannot be had. Windows: the image block, which always
// exists. Linux: none (false), and the process runs unlisted.
[[nodiscard]] bool openFallbackSharedMemory(SharedMemory& out, TextString& failure);

// Unmaps the view and closes the object; the image section stays (it is part of the image).
// Linux: the last process to close an object also removes its name.
void closeSharedMemory(SharedMemory& memory);

// The cross-process lock of a shared block. Windows opens the mutex named lockName (an
// abandoned mutex counts as taken); Linux uses kSharedLockStorage bytes of the block at
// storage, initialising them once for all processes. A lock that cannot be had lets callers
// go on unlocked: every reader of the block checks what it reads anyway.
class SharedLock {
  public:
    SharedLock() = default;
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;
    ~SharedLock();

    void open(const char* lockName, void* storage);
    void lock();
    void unlock();
    void close();

  private:
    void* impl_ = nullptr;
    bool held_ = false;
};

// Holds a SharedLock for a scope.
class SharedLockGuard {
  public:
    explicit SharedLockGuard(SharedLock& lock) : lock_(lock) { lock_.lock(); }
    SharedLockGuard(const SharedLockGuard&) = delete;
    SharedLockGuard& operator=(const SharedLockGuard&) = delete;
    ~SharedLockGuard() { lock_.unlock(); }

  private:
    SharedLock& lock_;
};

}  // namespace platform
