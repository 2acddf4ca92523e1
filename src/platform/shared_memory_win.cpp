// Shared blocks on Windows: this user's named file mappings, and named mutexes as their
// locks, all made with a descriptor that grants only the user.
#include <windows.h>

#include "platform/object_names.h"
#include "platform/object_security_win.h"
#include "platform/shared_memory.h"

namespace platform {

bool openSharedMemory(const char* key, SharedMemory& out, TextString& failure) {
    TextString name = userObjectName(key);
    if (name.empty()) {
        failure = "the user's SID cannot be read";
        return false;
    }
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, userOnlySecurity(), PAGE_READWRITE, 0,
                                        kSharedBlockSize, name.c_str());
    if (mapping == nullptr) {
        failure.format("CreateFileMappingA %s failed (%lu)", name.c_str(), GetLastError());
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedBlockSize);
    if (view == nullptr) {
        failure.format("MapViewOfFile %s failed (%lu)", name.c_str(), GetLastError());
        CloseHandle(mapping);
        return false;
    }
    out.view = view;
    out.handle = mapping;
    out.key = TextString(key);
    out.objectName = name;
    return true;
}

void closeSharedMemory(SharedMemory& memory, bool unmap) {
    if (memory.handle != nullptr) {
        if (unmap) {
            UnmapViewOfFile(memory.view);
        }
        CloseHandle(static_cast<HANDLE>(memory.handle));
    }
    if (unmap) {
        memory.view = nullptr;
    }
    memory.handle = nullptr;
}

SharedLock::~SharedLock() {
    close();
}

void SharedLock::open(const char* key, void*) {
    close();
    if (key != nullptr) {
        TextString name = userObjectName(key);
        if (!name.empty()) {
            impl_ = CreateMutexA(userOnlySecurity(), FALSE, name.c_str());
        }
    }
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
