// The block of memory that every instance of one application of one user shares, and the
// lock that guards it.
//
// A block is named by a key that the caller builds (from `appid`, or from the identity of the
// program file); the system's name of it is this user's object name for the key
// (object_names.h), so a block is never shared with another user's processes, nor with a
// build of another protocol version. A block is kSharedBlockSize bytes and starts zero-filled.
//
// Windows: a file mapping backed by the paging file (CreateFileMappingA, MapViewOfFile) in the
// session's namespace, made with a descriptor that grants only the user. The lock is a named
// mutex made the same way.
// Linux: a file of the user's private directory, mapped shared. It is created with mode 0600
// and joined only when it is a regular file owned by the current user; every process holds a
// shared flock on it, and the process that leaves it last removes its name (one that was
// killed leaves it for the next one to reuse). The lock is a robust process-shared mutex kept
// inside the block; when its owner dies the next locker takes it.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

constexpr int32_t kSharedBlockSize = 4096;
// Bytes of block storage that a SharedLock keeps on Linux (8-byte aligned).
constexpr int32_t kSharedLockStorage = 64;

// One mapped block: its view, the system object behind it, and its names.
struct SharedMemory {
    void* view = nullptr;
    void* handle = nullptr;  // the mapping (Windows) or the descriptor + 1 (Linux); null if none
    TextString key;          // the caller's name of the block
    TextString objectName;   // the system's name of it (userObjectName of the key)
};

// Creates this user's block named key or opens the existing one, and maps it whole. False
// with the reason in failure when it cannot be created, opened or mapped, or is not the
// user's own.
[[nodiscard]] bool openSharedMemory(const char* key, SharedMemory& out, TextString& failure);

// Leaves the block and closes the object; Linux: the last process to leave also removes its
// name. With unmap false the view stays mapped until the process ends, for threads that may
// still read it while the process exits.
void closeSharedMemory(SharedMemory& memory, bool unmap);

// The cross-process lock of a shared block. Windows opens this user's mutex named key (an
// abandoned mutex counts as taken); Linux uses kSharedLockStorage bytes of the block at
// storage, initialising them once for all processes. A null key and storage make no lock. A
// lock that cannot be had lets callers go on unlocked: every reader of the block checks what
// it reads anyway.
class SharedLock {
  public:
    SharedLock() = default;
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;
    ~SharedLock();

    void open(const char* key, void* storage);
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
