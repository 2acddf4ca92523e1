// Files, paths and directories on Windows: the ANSI Win32 functions for the paths the
// launcher hands on, the wide ones for its own executable, its external configuration and
// the ANSI forms of paths read from the system.
#include <io.h>
#include <windows.h>

#include <string>

#include "base/trace.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {

namespace {

std::wstring wideOfUtf8(const char* text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (units <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

TextString utf8OfWide(const wchar_t* wide) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return TextString();
    }
    TextString text;
    text.resize(bytes);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(bytes - 1);
    return text;
}

// The path in ANSI when the code page gives back exactly the same characters; false when
// some character has no ANSI form (it would come back as '?' or a look-alike).
bool exactAnsi(const wchar_t* path, TextString& ansi) {
    const auto* units = reinterpret_cast<const char16_t*>(path);
    int32_t length = static_cast<int32_t>(wcslen(path));
    utf16ToAnsi(units, length, ansi);
    WideString back;
    ansiToUtf16(ansi.c_str(), ansi.length(), back);
    return back.length() == length && std::char_traits<char16_t>::compare(
                                          back.data(), units, static_cast<size_t>(length)) == 0;
}

// A Win32 call that fills a wide buffer: the text, or empty on failure.
template <typename Call>
std::wstring wideResult(Call call) {
    std::wstring text(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD n = call(&text[0], static_cast<DWORD>(text.size()));
        if (n == 0) {
            return std::wstring();
        }
        if (n < text.size()) {
            text.resize(n);
            return text;
        }
        // Too small: the needed size, or (GetModuleFileNameW) the size given, filled.
        text.assign(n > text.size() ? n : 2 * text.size(), L'\0');
    }
    return std::wstring();
}

}  // namespace

TextString ansiPathOf(const char16_t* widePath) {
    const auto* path = reinterpret_cast<const wchar_t*>(widePath);
    TextString ansi;
    if (path[0] == L'\0' || exactAnsi(path, ansi)) {
        return ansi;
    }
    std::wstring shortPath = wideResult(
        [path](wchar_t* buffer, DWORD size) { return GetShortPathNameW(path, buffer, size); });
    if (!shortPath.empty() && exactAnsi(shortPath.c_str(), ansi)) {
        trace("%s has no ANSI form: handing on its short form %s", utf8OfWide(path).c_str(),
              ansi.c_str());
        return ansi;
    }
    trace("%s has neither an ANSI nor a short form", utf8OfWide(path).c_str());
    return TextString();
}

TextString ansiPathOf(const char* exactPath) {
    std::wstring wide = wideOfUtf8(exactPath);
    return ansiPathOf(reinterpret_cast<const char16_t*>(wide.c_str()));
}

bool canRead(const char* path) {
    return path != nullptr && _access(path, 4) == 0;
}

bool isPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool exists(const char* path) {
    return path != nullptr && _access(path, 0) == 0;
}

TextString currentDirectory() {
    std::wstring wide =
        wideResult([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
    return wide.empty() ? TextString()
                        : ansiPathOf(reinterpret_cast<const char16_t*>(wide.c_str()));
}

bool setCurrentDirectory(const char* path) {
    return SetCurrentDirectoryA(path) != 0;
}

TextString executableFile() {
    std::wstring wide = wideResult(
        [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); });
    return utf8OfWide(wide.c_str());
}

TextString executablePath() {
    return ansiPathOf(executableFile().c_str());
}

int32_t fullPath(const char* path, char* buffer, int32_t size) {
    return static_cast<int32_t>(GetFullPathNameA(path, static_cast<DWORD>(size), buffer, nullptr));
}

namespace {

HANDLE openForReading(const char* exactPath) {
    std::wstring path = wideOfUtf8(exactPath);
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
