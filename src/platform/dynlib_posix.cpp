// Shared libraries on Linux.
#include <dlfcn.h>

#include "platform/dynlib.h"

namespace platform {

void setQuietErrorMode() {}

void keepCurrentDirectoryOutOfLibrarySearch(const char*) {}

LibraryHandle loadLibrary(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_GLOBAL);
}

LibraryHandle loadLibraryFromItsDirectory(const char* path) {
    return loadLibrary(path);
}

bool searchPathHelpsLoading() {
    return false;
}

void* findSymbol(LibraryHandle library, const char* name) {
    return dlsym(library, name);
}

void freeLibrary(LibraryHandle library) {
    dlclose(library);
}

TextString lastLoadError(const char* path) {
    const char* reason = dlerror();
    if (reason == nullptr) {
        return TextString::concat(path, ": cannot be loaded");
    }
    return TextString(reason);
}

bool executableExportsNatives() {
    return false;
}

}  // namespace platform
