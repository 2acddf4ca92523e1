// The named mutex of the single-instance guard on Linux: an exclusive flock on a lock file.
//
// The file lives in $XDG_RUNTIME_DIR (private to the user) when that is a directory, else in
// /tmp with the user's id in front of the name, so that two users never share a guard, as
// two Windows sessions do not. '/' in the name becomes '.'; a name too long for a file name
// keeps its beginning and ends in a hash of the whole name. The descriptor is never closed
// once the lock is held: the lock lasts as long as the process, and the kernel drops it when
// the process ends, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "base/text.h"
#include "platform/env.h"
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
    if (file.length() > kMaxFileName) {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a over the original name
        for (const char* p = name; *p != '\0'; ++p) {
            hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
        }
        TextString suffix;
        suffix.format("-%016llx.wyn.mutex", static_cast<unsigned long long>(hash));
        file.resize(kMaxFileName - suffix.length());
        file.append(suffix);
    }
    return file;
}

TextString lockFilePath(const char* name) {
    TextString path;
    const char* runtimeDir = getEnv("XDG_RUNTIME_DIR");
    struct stat st;
    if (runtimeDir != nullptr && runtimeDir[0] == '/' && stat(runtimeDir, &st) == 0 &&
        S_ISDIR(st.st_mode)) {
        path.append(runtimeDir);
        path.append('/');
    } else {
        path.format("/tmp/%u-", static_cast<unsigned>(getuid()));
    }
    path.append(lockFileName(name));
    return path;
}

}  // namespace

NamedMutexResult acquireNamedMutex(const char* name, int& errorCode) {
    errorCode = 0;
    TextString path = lockFilePath(name);
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
