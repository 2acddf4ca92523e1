// Threads, events and sleeping on Windows.
#include <process.h>
#include <windows.h>

#include "platform/sync.h"

namespace platform {

bool runThreadAndWait(ThreadFunction fn, void* arg, unsigned stackSize, unsigned flags,
                      unsigned& result) {
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(nullptr, stackSize, fn, arg, flags, &id);
    if (handle == 0) {
        return false;
    }
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    result = code;
    return true;
}

bool startDetachedThread(ThreadFunction fn, void* arg) {
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(nullptr, 0, fn, arg, 0, &id);
    if (handle == 0) {
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

void lowerThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}

void sleepMilliseconds(unsigned ms) {
    Sleep(ms);
}

Event::Event() {
    impl_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

Event::~Event() {
    if (impl_ != nullptr) {
        CloseHandle(impl_);
    }
}

void Event::set() {
    SetEvent(impl_);
}

bool Event::wait(unsigned ms) {
    return WaitForSingleObject(impl_, ms) == WAIT_OBJECT_0;
}

Lock::Lock() {
    auto* section = new CRITICAL_SECTION;
    InitializeCriticalSection(section);
    impl_ = section;
}

Lock::~Lock() {
    auto* section = static_cast<CRITICAL_SECTION*>(impl_);
    DeleteCriticalSection(section);
    delete section;
}

void Lock::acquire() {
    EnterCriticalSection(static_cast<CRITICAL_SECTION*>(impl_));
}

void Lock::release() {
    LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(impl_));
}

}  // namespace platform
