// The named mutex of the single-instance guard on Linux: an exclusive flock on a lock file.
//
// The file is this user's object (object_names.h): it lives in a directory private to the
// user, so that no other local user can create it first (and so block every start) or see
// whose guard it is; when the user has no such directory the guard fails with EACCES. The
// descriptor stays open once the lock is held: the lock lasts as long as the process, and the
// kernel drops it when the process ends, however it ends. An orderly end removes the file
// while still holding the lock (releaseNamedMutexes); a process that then gets the lock on
// the removed file sees that its name no longer leads there and takes the name anew.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "base/text.h"
#include "platform/object_names.h"
#include "platform/sync.h"

namespace platform {

namespace {

// The guard this process holds: its path and descriptor (-1: none). Written once, when the
// guard is taken, before any other thread runs.
TextString& heldPath() {
    static TextString* path = new TextString();
    return *path;
}
int heldDescriptor = -1;

// True when path still names the file open on fd.
bool pathLeadsTo(const char* path, int fd) {
    struct stat named, open;
    return lstat(path, &named) == 0 && fstat(fd, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

}  // namespace

NamedMutexResult acquireNamedMutex(const char* name, int& errorCode) {
    errorCode = 0;
    TextString path = userObjectName(name);
    if (path.empty()) {
        errorCode = EACCES;
        return NamedMutexResult::Failed;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    for (;;) {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            errorCode = errno;
            return NamedMutexResult::Failed;
        }
        for (;;) {
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                if (pathLeadsTo(path.c_str(), fd)) {
                    heldPath() = path;
                    heldDescriptor = fd;
                    return NamedMutexResult::Acquired;
                }
                // Its owner removed it at its end: the name is taken anew.
                break;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) {
                errorCode = errno;
                close(fd);
                return NamedMutexResult::Failed;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                close(fd);
                return NamedMutexResult::Held;
            }
            sleepMilliseconds(10);
        }
        close(fd);
    }
}

void releaseNamedMutexes() {
    if (heldDescriptor >= 0 && pathLeadsTo(heldPath().c_str(), heldDescriptor)) {
        unlink(heldPath().c_str());
    }
}

}  // namespace platform
