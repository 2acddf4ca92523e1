// Shared blocks on Windows: named file mappings, the image's ".SHMMESS" section, and named
// mutexes as their locks.
#include <windows.h>

#include <cctype>

#include "platform/files.h"
#include "platform/shared_memory.h"

// The executable's shared section: zero-filled initialised data that the loader maps once
// for every process of the same image file.
__attribute__((section(".SHMMESS"),
               shared)) unsigned char wynImageSharedSection[platform::kSharedBlockSize] = {0};

namespace platform {

namespace {

// A mutex name from a path: ':' and '\' become '.', letters are folded to lower case
// (paths on Windows ignore case).
TextString lockNameFromPath(const TextString& path) {
    TextString name(path);
    for (int32_t i = 0; i < name.length(); ++i) {
        char c = name[i];
        if (c == ':' || c == '\\' || c == '/') {
            name[i] = '.';
        } else {
            name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    name.append(".wyn.section.lock");
    return name;
}

}  // namespace

bool openNamedSharedMemory(const char* name, SharedMemory& out, TextString& failure) {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kSharedBlockSize, name);
    if (mapping == nullptr) {
        failure.format("CreateFileMappingA failed (%lu)", GetLastError());
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedBlockSize);
    if (view == nullptr) {
        failure.format("MapViewOfFile failed (%lu)", GetLastError());
        CloseHandle(mapping);
        return false;
    }
    out.view = view;
    out.handle = mapping;
    out.lockName = TextString::concat(name, ".lock");
    return true;
}

bool openImageSharedMemory(SharedMemory& out, TextString&) {
    out.view = wynImageSharedSection;
    out.handle = nullptr;
    out.lockName = lockNameFromPath(executablePath());
    return true;
}

bool openFallbackSharedMemory(SharedMemory& out, TextString& failure) {
    return openImageSharedMemory(out, failure);
}

void closeSharedMemory(SharedMemory& memory) {
    if (memory.handle != nullptr) {
        UnmapViewOfFile(memory.view);
        CloseHandle(static_cast<HANDLE>(memory.handle));
    }
    memory.view = nullptr;
    memory.handle = nullptr;
}

SharedLock::~SharedLock() {
    close();
}

void SharedLock::open(const char* lockName, void*) {
    close();
    impl_ = CreateMutexA(nullptr, FALSE, lockName);
}

void SharedLock::lock() {
    if (impl_ != nullptr) {
        DWORD rc = WaitForSingleObject(static_cast<HANDLE>(impl_), INFINITE);
        held_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
    }
}

void SharedLock::unlock() {
    if (held_) {
        held_ = false;
        ReleaseMutex(static_cast<HANDLE>(impl_));
    }
}

void SharedLock::close() {
    unlock();
    if (impl_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(impl_));
        impl_ = nullptr;
    }
}

}  // namespace platform
