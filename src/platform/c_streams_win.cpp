// Windows: the stream is written through the C library that the calling module imports.
#include <windows.h>

#include <cstring>

#include "platform/c_streams.h"

namespace platform {

namespace {

using WriteFunction = size_t(__cdecl*)(const void*, size_t, size_t, std::FILE*);
using FlushFunction = int(__cdecl*)(std::FILE*);

bool startsWithNoCase(const char* text, const char* prefix) {
    return _strnicmp(text, prefix, std::strlen(prefix)) == 0;
}

// The C library that the module holding address imports: the Universal CRT (imported through
// its api-ms-win-crt-* sets or by name), msvcrt.dll or an msvcr*.dll; null when it imports none.
HMODULE cLibraryOfModuleAt(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<const char*>(address), &module)) {
        return nullptr;
    }
    const auto* image = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0) {
        return nullptr;
    }
    for (const auto* entry =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        const char* name = reinterpret_cast<const char*>(image + entry->Name);
        if (startsWithNoCase(name, "api-ms-win-crt-") || startsWithNoCase(name, "ucrtbase")) {
            return GetModuleHandleA("ucrtbase.dll");
        }
        if (startsWithNoCase(name, "msvcr")) {
            return GetModuleHandleA(name);
        }
    }
    return nullptr;
}

}  // namespace

void writeToCallersStream(std::FILE* stream, const char* text, size_t length, const void* caller) {
    HMODULE library = stream != nullptr ? cLibraryOfModuleAt(caller) : nullptr;
    auto write = library == nullptr ? nullptr
                                    : reinterpret_cast<WriteFunction>(reinterpret_cast<void*>(
                                          GetProcAddress(library, "fwrite")));
    auto flush = library == nullptr ? nullptr
                                    : reinterpret_cast<FlushFunction>(reinterpret_cast<void*>(
                                          GetProcAddress(library, "fflush")));
    if (write == nullptr || flush == nullptr) {
        std::fwrite(text, 1, length, stderr);
        std::fflush(stderr);
        return;
    }
    write(text, 1, length, stream);
    flush(stream);
}

}  // namespace platform
