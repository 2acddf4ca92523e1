// Files, paths and directories on Linux.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/trace.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {

bool canRead(const char* path) {
    return path != nullptr && access(path, R_OK) == 0;
}

bool isPathSeparator(char c) {
    return c == '/';
}

bool exists(const char* path) {
    return path != nullptr && access(path, F_OK) == 0;
}

TextString currentDirectory() {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof(buffer)) == nullptr) {
        return TextString();
    }
    return TextString(buffer);
}

bool setCurrentDirectory(const char* path) {
    return chdir(path) == 0;
}

TextString executablePath() {
    return executableFile();
}

TextString ansiPathOf(const char* exactPath) {
    // The runtime decodes the paths it is given with the locale's charset: bytes that do not
    // decode there would reach it as '?'.
    TextString path(exactPath);
    WideString wide;
    ansiToUtf16(path.c_str(), path.length(), wide);
    TextString back;
    utf16ToAnsi(wide.data(), wide.length(), back);
    if (back.compare(path) == 0) {
        return path;
    }
    trace("%s does not decode in the locale's charset", exactPath);
    return TextString();
}

TextString executableFile() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) {
        return TextString();
    }
    return TextString(buffer, static_cast<int32_t>(n));
}

int32_t fullPath(const char* path, char* buffer, int32_t size) {
    if (path == nullptr || path[0] == '\0') {
        return 0;
    }
    TextString joined;
    if (path[0] != '/') {
        joined = currentDirectory();
        if (joined.empty()) {
            return 0;
        }
        joined.append('/');
    }
    joined.append(path);

    // Resolve ".", ".." and repeated separators lexically, keeping a trailing separator.
    TextString result("/");
    const char* p = joined.c_str();
    while (*p != '\0') {
        while (*p == '/') {
            ++p;
        }
        const char* start = p;
        while (*p != '\0' && *p != '/') {
            ++p;
        }
        TextString part(start, static_cast<int32_t>(p - start));
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            int32_t cut = result.length() - 1;
            while (cut > 0 && result[cut - 1] != '/') {
                --cut;
            }
            result.resize(cut > 0 ? cut : 1);
            continue;
        }
        result.append(part);
        result.append('/');
    }
    int32_t len = joined.length();
    bool keepTrailing = len > 0 && joined[len - 1] == '/';
    if (!keepTrailing && result.length() > 1 && result[result.length() - 1] == '/') {
        result.resize(result.length() - 1);
    }
    if (result.length() + 1 > size) {
        return result.length() + 1;
    }
    std::memcpy(buffer, result.c_str(), static_cast<size_t>(result.length()) + 1);
    return result.length();
}

bool readWholeFile(const char* path, ByteBuffer& out) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > INT32_MAX) {
        close(fd);
        return false;
    }
    out.resize(static_cast<int32_t>(st.st_size));
    int32_t got = 0;
    while (got < out.length()) {
        ssize_t n = read(fd, out.data() + got, static_cast<size_t>(out.length() - got));
        if (n <= 0) {
            break;
        }
        got += static_cast<int32_t>(n);
    }
    out.resize(got);
    close(fd);
    return true;
}

FileReader::~FileReader() {
    if (handle_ >= 0) {
        close(static_cast<int>(handle_));
    }
}

bool FileReader::open(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    handle_ = fd;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        return false;
    }
    size_ = st.st_size;
    return true;
}

bool FileReader::readAt(int64_t offset, void* buffer, int32_t length) const {
    if (handle_ < 0 || offset < 0 || length < 0 || offset > size_ || length > size_ - offset) {
        return false;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    int32_t got = 0;
    while (got < length) {
        ssize_t n = pread(static_cast<int>(handle_), out + got, static_cast<size_t>(length - got),
                          static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        got += static_cast<int32_t>(n);
    }
    return true;
}

DirectoryEnumeration::DirectoryEnumeration(const char* pattern) {
    TextString text(pattern);
    int32_t slash = text.length() - 1;
    while (slash >= 0 && text[slash] != '/') {
        --slash;
    }
    directory_ = slash < 0 ? TextString("./") : text.left(slash + 1);
    // Only '*' and '?' are wildcards: a '[' becomes the bracket expression that matches '['
    // alone, and backslashes are taken literally (FNM_NOESCAPE below).
    for (int32_t i = slash + 1; i < text.length(); ++i) {
        if (text[i] == '[') {
            namePattern_.append("[[]");
        } else {
            namePattern_.append(text[i]);
        }
    }
    if (!namePattern_.empty()) {
        handle_ = opendir(directory_.c_str());
    }
}

DirectoryEnumeration::~DirectoryEnumeration() {
    if (handle_ != nullptr) {
        closedir(static_cast<DIR*>(handle_));
    }
}

bool DirectoryEnumeration::next(DirectoryEntry& entry) {
    if (handle_ == nullptr) {
        return false;
    }
    bool everyName = namePattern_ == "*";
    while (struct dirent* d = readdir(static_cast<DIR*>(handle_))) {
        if (!everyName && fnmatch(namePattern_.c_str(), d->d_name, FNM_NOESCAPE) != 0) {
            continue;
        }
        entry.name = TextString(d->d_name);
        // The entry's type comes with it on most file systems; links (followed, as
        // FindFirstFileA does not tell them apart either) and unknown types need a stat.
        if (d->d_type == DT_DIR || d->d_type == DT_REG) {
            entry.isDirectory = d->d_type == DT_DIR;
        } else {
            TextString full = TextString::concat(directory_, entry.name);
            struct stat st;
            entry.isDirectory = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        return true;
    }
    return false;
}

}  // namespace platform
