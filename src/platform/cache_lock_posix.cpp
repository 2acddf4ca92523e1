// The cache's lock file on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/cache_lock.h"
#include "platform/cache_tree.h"

namespace platform {

const int64_t kFileTimeUnitsPerSecond = 1000000000;

int64_t currentFileTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * kFileTimeUnitsPerSecond + now.tv_nsec;
}

namespace {

bool setLock(intptr_t fd, CacheLockKind kind, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(kind);
    range.l_len = 1;
    for (;;) {
        if (fcntl(static_cast<int>(fd), F_OFD_SETLK, &range) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

CacheLock::~CacheLock() {
    if (handle_ >= 0) {
        close(static_cast<int>(handle_));
    }
}

bool CacheLock::open(const char* path) {
    int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        noteCacheFailure();
        return false;
    }
    handle_ = fd;
    return true;
}

bool CacheLock::tryLock(CacheLockKind kind, bool exclusive) {
    return handle_ >= 0 && setLock(handle_, kind, exclusive ? F_WRLCK : F_RDLCK);
}

void CacheLock::unlock(CacheLockKind kind) {
    if (handle_ >= 0) {
        setLock(handle_, kind, F_UNLCK);
    }
}

bool CacheLock::markUsed() {
    return handle_ >= 0 && futimens(static_cast<int>(handle_), nullptr) == 0;
}

}  // namespace platform
