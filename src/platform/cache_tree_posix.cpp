// Directory trees in the cache on Linux.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/cache_tree.h"

namespace platform {

namespace {

thread_local int lastError = 0;

bool failed() {
    lastError = errno;
    return false;
}

}  // namespace

CacheFailure lastCacheFailure() {
    switch (lastError) {
        case 0:
            return CacheFailure::None;
        case ENOSPC:
        case EDQUOT:
            return CacheFailure::NoSpace;
        case EACCES:
        case EPERM:
        case EROFS:
            return CacheFailure::NotPermitted;
        default:
            return CacheFailure::Other;
    }
}

void noteCacheFailure() {
    lastError = errno;
}

bool createDirectory(const char* path) {
    return mkdir(path, 0700) == 0 || failed();
}

bool createDirectoryPath(const char* path) {
    TextString partial;
    for (const char* p = path;; ++p) {
        if ((*p == '/' || *p == '\0') && !partial.empty() && mkdir(partial.c_str(), 0700) != 0 &&
            errno != EEXIST) {
            return failed();
        }
        if (*p == '\0') {
            break;
        }
        partial.append(*p);
    }
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) {
        lastError = ENOTDIR;
        return false;
    }
    return true;
}

bool moveDirectory(const char* from, const char* to) {
    // rename(2) would replace an empty directory at the target: refuse every existing one.
    struct stat st;
    if (lstat(to, &st) == 0) {
        lastError = EEXIST;
        return false;
    }
    return rename(from, to) == 0 || failed();
}

bool isDirectory(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool removeDirectoryTree(const char* path) {
    DIR* dir = opendir(path);
    if (dir == nullptr) {
        return unlink(path) == 0 || errno == ENOENT || failed();
    }
    while (dirent* entry = readdir(dir)) {
        TextView name(entry->d_name);
        if (TextString(name) == "." || TextString(name) == "..") {
            continue;
        }
        TextString child(path);
        child.append('/');
        child.append(name);
        if (isDirectory(child.c_str())) {
            removeDirectoryTree(child.c_str());
        } else {
            unlink(child.c_str());
        }
    }
    closedir(dir);
    return rmdir(path) == 0 || errno == ENOENT || failed();
}

NewFileWriter::~NewFileWriter() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

bool NewFileWriter::create(const char* path, int32_t mode) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  static_cast<mode_t>(mode & 0777));
    if (fd < 0) {
        return failed();
    }
    handle_ = fd;
    return true;
}

bool NewFileWriter::write(const void* bytes, int32_t length) {
    const char* at = static_cast<const char*>(bytes);
    while (length > 0) {
        ssize_t n = ::write(static_cast<int>(handle_), at, static_cast<size_t>(length));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return failed();
        }
        at += n;
        length -= static_cast<int32_t>(n);
    }
    return true;
}

bool NewFileWriter::close() {
    int fd = static_cast<int>(handle_);
    handle_ = -1;
    return ::close(fd) == 0 || failed();
}

}  // namespace platform
