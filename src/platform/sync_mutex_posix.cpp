// The named mutex of the single-instance guard on Linux: an exclusive flock on a lock file.
//
// The file lives in a directory private to the user, so that no other local user can create
// the lock file first (and so block every start) or see whose guard it is: $XDG_RUNTIME_DIR
// when that is such a directory, else <$TMPDIR or /tmp>/wyn-<uid>, else $HOME/.wyn; the last
// two are created with mode 0700. A directory counts as private when it is a real directory
// (not a link) owned by the user that nobody else may write to; when none is, the
// guard fails with EACCES. '/' in the name becomes '.'; a name too long for a file name keeps
// its beginning and ends in a hash of the whole name. The descriptor is never closed once
// the lock is held: the lock lasts as long as the process, and the kernel drops it when the
// process ends, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "base/text.h"
#include "platform/env.h"
#include "platform/object_names.h"
#include "platform/sync.h"

namespace platform {

namespace {

constexpr int32_t kMaxFileName = 200;

TextString lockFileName(const char* name) {
    TextString file(name);
    for (int32_t i = 0; i < file.length(); ++i) {
        if (file[i] == '/') {
            file[i] = '.';
        }
    }
    return nameWithinLimit(file.c_str(), kMaxFileName);
}

bool isPrivateDirectory(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 022) == 0;
}

// base + "/" + name, created with mode 0700 when missing; empty unless the result is private.
TextString privateDirectoryBelow(const char* base, const char* name) {
    if (base == nullptr || base[0] != '/') {
        return TextString();
    }
    TextString path(base);
    path.append('/');
    path.append(name);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return TextString();
    }
    return isPrivateDirectory(path.c_str()) ? path : TextString();
}

// The directory of this user's lock files, or empty when there is no private one.
TextString lockDirectory() {
    const char* runtimeDir = getEnv("XDG_RUNTIME_DIR");
    if (runtimeDir != nullptr && runtimeDir[0] == '/' && isPrivateDirectory(runtimeDir)) {
        return TextString(runtimeDir);
    }
    TextString ownName;
    ownName.format("wyn-%u", static_cast<unsigned>(geteuid()));
    const char* temporary = getEnv("TMPDIR");
    TextString directory = privateDirectoryBelow(
        temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp", ownName.c_str());
    if (directory.empty()) {
        directory = privateDirectoryBelow(getEnv("HOME"), ".wyn");
    }
    return directory;
}

}  // namespace

NamedMutexResult acquireNamedMutex(const char* name, int& errorCode) {
    errorCode = 0;
    TextString path = lockDirectory();
    if (path.empty()) {
        errorCode = EACCES;
        return NamedMutexResult::Failed;
    }
    path.append('/');
    path.append(lockFileName(name));
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        errorCode = errno;
        return NamedMutexResult::Failed;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return NamedMutexResult::Acquired;
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
}

}  // namespace platform
