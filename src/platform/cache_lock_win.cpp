// The cache's lock file on Windows.
#include <windows.h>

#include "platform/cache_lock.h"
#include "platform/cache_tree.h"

namespace platform {

const int64_t kFileTimeUnitsPerSecond = 10000000;

int64_t currentFileTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

CacheLock::~CacheLock() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

bool CacheLock::open(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        noteCacheFailure();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

bool CacheLock::tryLock(CacheLockKind kind, bool exclusive) {
    if (handle_ == -1) {
        return false;
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(kind);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(reinterpret_cast<HANDLE>(handle_), flags, 0, 1, 0, &at) != 0;
}

void CacheLock::unlock(CacheLockKind kind) {
    if (handle_ != -1) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(kind);
        UnlockFileEx(reinterpret_cast<HANDLE>(handle_), 0, 1, 0, &at);
    }
}

bool CacheLock::markUsed() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return handle_ != -1 &&
           SetFileTime(reinterpret_cast<HANDLE>(handle_), nullptr, nullptr, &now) != 0;
}

}  // namespace platform
