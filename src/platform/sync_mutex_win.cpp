// The named mutex of the single-instance guard on Windows. A kernel object's name may not
// reach MAX_PATH characters (CreateMutexA fails with ERROR_FILENAME_EXCED_RANGE), so a longer
// name, such as one made from a deep executable path, is shortened with a hash.
#include <windows.h>

#include "platform/object_names.h"
#include "platform/sync.h"

namespace platform {

namespace {

constexpr int32_t kMaxObjectName = 200;

}  // namespace

NamedMutexResult acquireNamedMutex(const char* name, int& errorCode) {
    errorCode = 0;
    TextString objectName = nameWithinLimit(name, kMaxObjectName);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, objectName.c_str());
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
