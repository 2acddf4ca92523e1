// Directory trees in the cache on Windows.
#include <windows.h>

#include "platform/cache_tree.h"
#include "platform/sync.h"

namespace platform {

namespace {

thread_local DWORD lastError = 0;

bool failed() {
    lastError = GetLastError();
    return false;
}

// The errors a scanner or indexer causes while it holds a just-written file open.
bool isTransient(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

}  // namespace

CacheFailure lastCacheFailure() {
    switch (lastError) {
        case 0:
            return CacheFailure::None;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return CacheFailure::NoSpace;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return CacheFailure::NotPermitted;
        default:
            return CacheFailure::Other;
    }
}

void noteCacheFailure() {
    lastError = GetLastError();
}

bool createDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0 || failed();
}

bool createDirectoryPath(const char* path) {
    TextString partial;
    for (const char* p = path;; ++p) {
        bool separator = *p == '\\' || *p == '/';
        // "C:" and a leading separator are no directories to create.
        if ((separator || *p == '\0') && !partial.empty() && partial[partial.length() - 1] != ':' &&
            !(partial.length() == 1 && separator) && !CreateDirectoryA(partial.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return failed();
        }
        if (*p == '\0') {
            break;
        }
        partial.append(*p);
    }
    if (!isDirectory(path)) {
        lastError = ERROR_DIRECTORY;
        return false;
    }
    return true;
}

bool moveDirectory(const char* from, const char* to) {
    unsigned waited = 0;
    for (;;) {
        if (MoveFileExA(from, to, 0)) {
            return true;
        }
        DWORD error = GetLastError();
        if (!isTransient(error) || waited >= kMoveRetryMilliseconds || isDirectory(to)) {
            lastError = error;
            return false;
        }
        sleepMilliseconds(50);
        waited += 50;
    }
}

bool isDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool removeDirectoryTree(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    // A junction or directory link is removed itself, never followed.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        TextString pattern(path);
        pattern.append("\\*");
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                TextString name(found.cFileName);
                if (name == "." || name == "..") {
                    continue;
                }
                TextString child(path);
                child.append('\\');
                child.append(name);
                removeDirectoryTree(child.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryA(path) != 0
                                                                : DeleteFileA(path) != 0;
    return removed || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || failed();
}

NewFileWriter::~NewFileWriter() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

bool NewFileWriter::create(const char* path, int32_t) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return failed();
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

bool NewFileWriter::write(const void* bytes, int32_t length) {
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), bytes, static_cast<DWORD>(length), &written,
                   nullptr)) {
        return failed();
    }
    if (written != static_cast<DWORD>(length)) {
        lastError = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

bool NewFileWriter::close() {
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    handle_ = -1;
    return CloseHandle(file) != 0 || failed();
}

}  // namespace platform
