// Shared libraries on Linux.
#include <dlfcn.h>
#include <elf.h>

#include <cstdio>
#include <cstring>

#include "platform/dynlib.h"

namespace platform {

void setQuietErrorMode() {}

LibraryMachine libraryMachine(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return LibraryMachine::Unknown;
    }
    unsigned char header[EI_NIDENT + 4];
    size_t length = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (length < sizeof header || std::memcmp(header, ELFMAG, SELFMAG) != 0) {
        return LibraryMachine::Unknown;
    }
    // e_type (2 bytes) and e_machine (2 bytes, in the file's byte order) follow the identity.
    bool littleEndian = header[EI_DATA] == ELFDATA2LSB;
    unsigned machine = littleEndian ? header[EI_NIDENT + 2] | (header[EI_NIDENT + 3] << 8)
                                    : (header[EI_NIDENT + 2] << 8) | header[EI_NIDENT + 3];
#if defined(__x86_64__)
    const unsigned ownMachine = EM_X86_64;
    const unsigned char ownClass = ELFCLASS64;
#elif defined(__i386__)
    const unsigned ownMachine = EM_386;
    const unsigned char ownClass = ELFCLASS32;
#elif defined(__aarch64__)
    const unsigned ownMachine = EM_AARCH64;
    const unsigned char ownClass = ELFCLASS64;
#else
#error "unknown machine"
#endif
    return machine == ownMachine && header[EI_CLASS] == ownClass ? LibraryMachine::Matches
                                                                 : LibraryMachine::Differs;
}

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

}  // namespace platform
