// The named mutex of the single-instance guard on Windows.
#include <windows.h>

#include "platform/sync.h"

namespace platform {

NamedMutexResult acquireNamedMutex(const char* name, int& errorCode) {
    errorCode = 0;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr) {
        errorCode = static_cast<int>(GetLastError());
        return NamedMutexResult::Failed;
    }
    if (WaitForSingleObject(mutex, 100) == WAIT_TIMEOUT) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return NamedMutexResult::Held;
    }
    // Acquired, also when its former owner died without releasing it (WAIT_ABANDONED). The
    // handle stays open for the life of the process, which keeps the mutex owned.
    return NamedMutexResult::Acquired;
}

}  // namespace platform
