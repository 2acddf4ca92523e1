// Files, paths and directories on Windows, through the ANSI Win32 functions.
#include <io.h>
#include <windows.h>

#include "platform/files.h"

namespace platform {

bool canRead(const char* path) {
    return path != nullptr && _access(path, 4) == 0;
}

bool exists(const char* path) {
    return path != nullptr && _access(path, 0) == 0;
}

TextString currentDirectory() {
    char buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof(buffer), buffer);
    if (n == 0 || n >= sizeof(buffer)) {
        return TextString();
    }
    return TextString(buffer, static_cast<int32_t>(n));
}

bool setCurrentDirectory(const char* path) {
    return SetCurrentDirectoryA(path) != 0;
}

TextString executablePath() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    if (n == 0 || n >= sizeof(buffer)) {
        return TextString();
    }
    return TextString(buffer, static_cast<int32_t>(n));
}

int32_t fullPath(const char* path, char* buffer, int32_t size) {
    return static_cast<int32_t>(GetFullPathNameA(path, static_cast<DWORD>(size), buffer, nullptr));
}

namespace {

HANDLE openForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool readWholeFile(const char* path, ByteBuffer& out) {
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > INT32_MAX) {
        CloseHandle(file);
        return false;
    }
    out.resize(static_cast<int32_t>(size.QuadPart));
    int32_t got = 0;
    while (got < out.length()) {
        DWORD n = 0;
        if (!ReadFile(file, out.data() + got, static_cast<DWORD>(out.length() - got), &n,
                      nullptr) ||
            n == 0) {
            break;
        }
        got += static_cast<int32_t>(n);
    }
    out.resize(got);
    CloseHandle(file);
    return true;
}

FileReader::~FileReader() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

bool FileReader::open(const char* path) {
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart <= 0) {
        return false;
    }
    size_ = size.QuadPart;
    return true;
}

bool FileReader::readAt(int64_t offset, void* buffer, int32_t length) const {
    if (handle_ == -1 || offset < 0 || length < 0 || offset > size_ || length > size_ - offset) {
        return false;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    int32_t got = 0;
    while (got < length) {
        // A synchronous handle reads at the position the OVERLAPPED record names.
        OVERLAPPED at = {};
        uint64_t position = static_cast<uint64_t>(offset + got);
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD n = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), out + got,
                      static_cast<DWORD>(length - got), &n, &at) ||
            n == 0) {
            return false;
        }
        got += static_cast<int32_t>(n);
    }
    return true;
}

DirectoryEnumeration::DirectoryEnumeration(const char* pattern) {
    auto* data = new WIN32_FIND_DATAA;
    findData_ = data;
    HANDLE h = FindFirstFileA(pattern, data);
    handle_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
}

DirectoryEnumeration::~DirectoryEnumeration() {
    if (handle_ != nullptr) {
        FindClose(handle_);
    }
    delete static_cast<WIN32_FIND_DATAA*>(findData_);
}

bool DirectoryEnumeration::next(DirectoryEntry& entry) {
    if (handle_ == nullptr) {
        return false;
    }
    auto* data = static_cast<WIN32_FIND_DATAA*>(findData_);
    if (!first_ && !FindNextFileA(handle_, data)) {
        return false;
    }
    first_ = false;
    entry.name = TextString(data->cFileName);
    entry.isDirectory = (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

}  // namespace platform
