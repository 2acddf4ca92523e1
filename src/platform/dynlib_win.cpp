// Shared libraries on Windows.
#include <windows.h>

#include <cstdio>

#include "platform/dynlib.h"

namespace platform {

void setQuietErrorMode() {
    UINT mode = SetErrorMode(0);
    SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

LibraryMachine libraryMachine(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return LibraryMachine::Unknown;
    }
    // The DOS header names the offset of the PE signature, which the file header follows.
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    bool read = std::fread(&dos, sizeof dos, 1, file) == 1 && dos.e_magic == IMAGE_DOS_SIGNATURE &&
                dos.e_lfanew > 0 && std::fseek(file, dos.e_lfanew, SEEK_SET) == 0 &&
                std::fread(&signature, sizeof signature, 1, file) == 1 &&
                signature == IMAGE_NT_SIGNATURE && std::fread(&header, sizeof header, 1, file) == 1;
    std::fclose(file);
    if (!read) {
        return LibraryMachine::Unknown;
    }
#if defined(_WIN64)
    const WORD ownMachine = IMAGE_FILE_MACHINE_AMD64;
#else
    const WORD ownMachine = IMAGE_FILE_MACHINE_I386;
#endif
    return header.Machine == ownMachine ? LibraryMachine::Matches : LibraryMachine::Differs;
}

void keepCurrentDirectoryOutOfLibrarySearch(const char* executableDirectory) {
    SetDllDirectoryA(executableDirectory != nullptr ? executableDirectory : "");
}

LibraryHandle loadLibrary(const char* path) {
    return LoadLibraryA(path);
}

LibraryHandle loadLibraryFromItsDirectory(const char* path) {
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool searchPathHelpsLoading() {
    return true;
}

void* findSymbol(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(LibraryHandle library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

TextString lastLoadError(const char* path) {
    DWORD error = GetLastError();
    char* message = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, error, LANG_USER_DEFAULT, reinterpret_cast<char*>(&message), 0, nullptr);
    TextString result;
    if (n == 0 || message == nullptr) {
        result.format("error %lu loading ", static_cast<unsigned long>(error));
        result.append(path);
        return result;
    }
    // The system's text may hold "%1" where the file name belongs.
    for (const char* p = message; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == '1') {
            result.append(path);
            ++p;
        } else {
            result.append(*p);
        }
    }
    LocalFree(message);
    return result;
}

}  // namespace platform
