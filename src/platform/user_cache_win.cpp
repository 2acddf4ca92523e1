// The user's cache directory and its files on Windows.
#include <windows.h>

#include <cstdio>

#include "platform/env.h"
#include "platform/user_cache.h"

namespace platform {

TextString userCacheDirectory() {
    const char* local = getEnv("LOCALAPPDATA");
    return local != nullptr ? TextString(local) : TextString();
}

bool createDirectories(const char* path) {
    TextString partial;
    for (const char* p = path;; ++p) {
        bool separator = *p == '\\' || *p == '/';
        // "C:" and a leading separator are no directories to create.
        if ((separator || *p == '\0') && !partial.empty() && partial[partial.length() - 1] != ':' &&
            !(partial.length() == 1 && separator)) {
            if (!CreateDirectoryA(partial.c_str(), nullptr) &&
                GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
        }
        if (*p == '\0') {
            break;
        }
        partial.append(*p);
    }
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileStamp(const char* path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    stamp.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.modified = (static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    return true;
}

namespace {

bool writeFile(const char* path, TextView bytes, DWORD disposition) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data, static_cast<DWORD>(bytes.length), &written, nullptr) &&
              written == static_cast<DWORD>(bytes.length);
    return CloseHandle(file) && ok;
}

}  // namespace

bool writeWholeFile(const char* path, TextView bytes) {
    return writeFile(path, bytes, CREATE_ALWAYS);
}

bool writeNewFile(const char* path, TextView bytes) {
    return writeFile(path, bytes, CREATE_NEW);
}

bool replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool removeFile(const char* path) {
    return DeleteFileA(path) != 0;
}

TextString processPrivateName(TextView path, const char* suffix) {
    char id[32];
    std::snprintf(id, sizeof id, ".%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    TextString name(path);
    name.append(id);
    name.append(suffix);
    return name;
}

}  // namespace platform
