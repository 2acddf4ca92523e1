// Windows: the launcher's stdout, and that of each C library a runtime may have brought.
#include <windows.h>

#include <initializer_list>

#include "platform/c_streams.h"

namespace platform {

namespace {

using UniversalStreams = std::FILE*(__cdecl*)(unsigned);
using ClassicStreams = std::FILE*(__cdecl*)();

// The Universal CRT hands out its streams by number.
bool isUniversalStdout(std::FILE* stream) {
    HMODULE library = GetModuleHandleA("ucrtbase.dll");
    auto streams = library == nullptr ? nullptr
                                      : reinterpret_cast<UniversalStreams>(reinterpret_cast<void*>(
                                            GetProcAddress(library, "__acrt_iob_func")));
    return streams != nullptr && streams(1) == stream;
}

// The Visual C++ libraries before it keep their streams in one array, laid out as the
// launcher's own (msvcrt.dll) FILE.
bool isClassicStdout(std::FILE* stream) {
    for (const char* name : {"msvcr120.dll", "msvcr110.dll", "msvcr100.dll", "msvcr90.dll",
                             "msvcr80.dll", "msvcr71.dll", "msvcrt.dll"}) {
        HMODULE library = GetModuleHandleA(name);
        auto streams = library == nullptr ? nullptr
                                          : reinterpret_cast<ClassicStreams>(reinterpret_cast<void*>(
                                                GetProcAddress(library, "__iob_func")));
        if (streams != nullptr && streams() + 1 == stream) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool isStandardOutputStream(std::FILE* stream) {
    return stream != nullptr &&
           (stream == stdout || isUniversalStdout(stream) || isClassicStdout(stream));
}

}  // namespace platform
