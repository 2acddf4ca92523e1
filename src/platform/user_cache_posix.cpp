// The user's cache directory and its files on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/env.h"
#include "platform/user_cache.h"

namespace platform {

TextString userCacheDirectory() {
    const char* xdg = getEnv("XDG_CACHE_HOME");
    // A relative XDG_CACHE_HOME is invalid and ignored, as desktop tools do.
    if (xdg != nullptr && xdg[0] == '/') {
        return TextString(xdg);
    }
    const char* home = getEnv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return TextString();
    }
    return TextString::concat(home, TextView("/.cache"));
}

bool createDirectories(const char* path) {
    TextString partial;
    for (const char* p = path;; ++p) {
        if ((*p == '/' || *p == '\0') && !partial.empty()) {
            if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
        if (*p == '\0') {
            break;
        }
        partial.append(*p);
    }
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileStamp(const char* path, FileStamp& stamp) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    stamp.size = static_cast<int64_t>(st.st_size);
    stamp.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

namespace {

bool writeFile(const char* path, TextView bytes, int mode) {
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0600);
    if (fd < 0) {
        return false;
    }
    int32_t written = 0;
    while (written < bytes.length) {
        ssize_t n = write(fd, bytes.data + written, static_cast<size_t>(bytes.length - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            close(fd);
            return false;
        }
        written += static_cast<int32_t>(n);
    }
    return close(fd) == 0;
}

}  // namespace

bool writeWholeFile(const char* path, TextView bytes) {
    return writeFile(path, bytes, O_TRUNC);
}

bool writeNewFile(const char* path, TextView bytes) {
    return writeFile(path, bytes, O_EXCL);
}

bool replaceFile(const char* from, const char* to) {
    return rename(from, to) == 0;
}

bool removeFile(const char* path) {
    return unlink(path) == 0;
}

TextString processPrivateName(TextView path, const char* suffix) {
    char id[32];
    std::snprintf(id, sizeof id, ".%ld", static_cast<long>(getpid()));
    TextString name(path);
    name.append(id);
    name.append(suffix);
    return name;
}

}  // namespace platform
