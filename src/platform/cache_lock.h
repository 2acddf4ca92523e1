// The lock file beside a copy in the launcher's cache (the runtime carried inside the
// program): two independent locks in one file, and the copy's last use.
//
// The Unpacking lock is held exclusively while a start checks, unpacks or removes the copy,
// so that two starts never write the same copy; the InUse lock is held shared by every
// process that runs from the copy, for as long as it runs, and a clean-up that wants to
// remove the copy must get it exclusively. The kernel drops both when the process ends,
// however it ends. The file's modification time is the copy's last use (markUsed).
//
// Windows: LockFileEx on byte 0 (Unpacking) and byte 1 (InUse) of the file.
// Linux: open-file-description locks (F_OFD_SETLK) on the same bytes, which belong to the
// open file rather than the process, so that two locks of one process are independent.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

enum class CacheLockKind { Unpacking = 0, InUse = 1 };

// The units of modification times (user_cache.h's FileStamp): 100 ns on Windows, 1 ns on
// Linux.
extern const int64_t kFileTimeUnitsPerSecond;
// The current time in those units.
int64_t currentFileTime();

class CacheLock {
  public:
    CacheLock() = default;
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;
    // Releases the locks and closes the file.
    ~CacheLock();

    // Opens (creating when needed) the lock file. False when it cannot.
    [[nodiscard]] bool open(const char* path);
    // Takes one lock without waiting: exclusive, or shared; false when another holds it in a
    // way that conflicts.
    [[nodiscard]] bool tryLock(CacheLockKind kind, bool exclusive);
    // Takes one lock, waiting up to ms milliseconds for it.
    [[nodiscard]] bool lock(CacheLockKind kind, bool exclusive, unsigned ms);
    void unlock(CacheLockKind kind);
    // Sets the file's modification time to now.
    bool markUsed();

  private:
    intptr_t handle_ = -1;
};

}  // namespace platform
