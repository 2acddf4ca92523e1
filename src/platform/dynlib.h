// Loading a shared library into the process and finding its symbols.
//
// A library file's header tells whether it was built for the running process's machine: the
// PE machine type on Windows (i386 for the 32-bit launcher, AMD64 for the 64-bit one), the
// ELF class and machine on Linux.
//
// Windows: LoadLibraryA / GetProcAddress / FreeLibrary; the error mode can be told not to
// show the system's dialogs for missing files. Linux: dlopen (RTLD_NOW | RTLD_GLOBAL) by
// full path / dlsym / dlclose; there is no error mode, and the loader's search path is
// fixed when the process starts.
#pragma once

#include "base/text.h"

namespace platform {

using LibraryHandle = void*;

// Adds SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX to the error mode (Windows only).
void setQuietErrorMode();
// Takes the current directory out of the places searched for libraries, before anything is
// loaded: a library planted where the user started the program must not be loaded in place of
// a dependency. Windows: SetDllDirectoryA with the executable's own directory (searched first
// anyway), which takes the current directory's place in the search order, in the plain and in
// the altered order alike; PATH stays searched. (An empty text would do on Windows, but Wine
// reads it as "no directory set" and keeps searching the current directory.) Linux: nothing
// to do, the loader never searches the current directory unless told to.
void keepCurrentDirectoryOutOfLibrarySearch(const char* executableDirectory);
// Null when the library cannot be loaded.
LibraryHandle loadLibrary(const char* path);
// Loads a library by its full path with its own directory searched first for the libraries it
// depends on (Windows: LOAD_WITH_ALTERED_SEARCH_PATH; Linux: as loadLibrary, the library's
// own run path does that). Null when it cannot be loaded.
LibraryHandle loadLibraryFromItsDirectory(const char* path);
// True where the loader looks for a library's dependencies on PATH at every load (Windows),
// so that extending PATH can make a second attempt succeed. False on Linux, whose loader
// reads its search path once, at process start.
bool searchPathHelpsLoading();
void* findSymbol(LibraryHandle library, const char* name);
void freeLibrary(LibraryHandle library);
// Why the last load failed, as one line of text for standard error. Windows: the system's
// message for GetLastError() with "%1" replaced by the path; Linux: dlerror().
TextString lastLoadError(const char* path);

// Whether a library file was built for this process's machine, as its header says. Unknown
// when the file cannot be read or has no header of the platform's format.
enum class LibraryMachine { Matches, Differs, Unknown };
LibraryMachine libraryMachine(const char* path);

}  // namespace platform
