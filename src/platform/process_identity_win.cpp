// Other processes on Windows: OpenProcess with the least rights, waits, GetProcessTimes.
#include <windows.h>

#include "platform/process_identity.h"

namespace platform {

namespace {

// Granted across elevation and enough for waits and GetProcessTimes.
constexpr DWORD kLookRights = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

bool stillActive(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

}  // namespace

int32_t currentProcessId() {
    return static_cast<int32_t>(GetCurrentProcessId());
}

ProcessLook lookAfterFailedOpen(int error) {
    return error == ERROR_ACCESS_DENIED ? ProcessLook::AccessDenied : ProcessLook::Missing;
}

bool isProcessAlive(int32_t pid) {
    if (pid <= 0) {
        return false;
    }
    ProcessLook look;
    HANDLE process = OpenProcess(kLookRights, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        look = lookAfterFailedOpen(static_cast<int>(GetLastError()));
    } else {
        look = stillActive(process) ? ProcessLook::Running : ProcessLook::Ended;
        CloseHandle(process);
    }
    return lookCountsAsAlive(look);
}

uint32_t processStartStamp(int32_t pid) {
    if (pid <= 0) {
        return 0;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return 0;
    }
    FILETIME created, exited, kernel, user;
    uint32_t stamp = 0;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        stamp = created.dwLowDateTime ^ created.dwHighDateTime;
        if (stamp == 0) {
            stamp = 1;
        }
    }
    CloseHandle(process);
    return stamp;
}

ProcessWatch::~ProcessWatch() {
    close();
}

bool ProcessWatch::open(int32_t pid) {
    close();
    if (pid <= 0) {
        return false;
    }
    handle_ = OpenProcess(kLookRights, FALSE, static_cast<DWORD>(pid));
    pid_ = pid;
    return handle_ != nullptr;
}

void ProcessWatch::close() {
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
    pid_ = 0;
}

bool ProcessWatch::stillActive() const {
    return handle_ != nullptr && platform::stillActive(static_cast<HANDLE>(handle_));
}

}  // namespace platform
