// The named mutex of the single-instance guard on Windows: this user's kernel mutex, its name
// within the system's limit (object_names.h), made with a descriptor that grants only the user.
#include <windows.h>

#include "platform/object_names.h"
#include "platform/object_security_win.h"
#include "platform/sync.h"

namespace platform {

NamedMutexResult acquireNamedMutex(const char* name, int& errorCode) {
    errorCode = 0;
    TextString objectName = userObjectName(name);
    if (objectName.empty()) {
        errorCode = static_cast<int>(ERROR_ACCESS_DENIED);
        return NamedMutexResult::Failed;
    }
    HANDLE mutex = CreateMutexA(userOnlySecurity(), FALSE, objectName.c_str());
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

void releaseNamedMutexes() {}

}  // namespace platform
