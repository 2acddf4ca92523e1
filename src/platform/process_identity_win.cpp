// Other processes on Windows: OpenProcess, GetExitCodeProcess, GetProcessTimes.
#include <windows.h>

#include "platform/process_identity.h"

namespace platform {

namespace {

constexpr DWORD kQueryRights = PROCESS_QUERY_INFORMATION | PROCESS_DUP_HANDLE;

bool stillActive(HANDLE process) {
    DWORD code = 0;
    return GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
}

}  // namespace

int32_t currentProcessId() {
    return static_cast<int32_t>(GetCurrentProcessId());
}

bool isProcessAlive(int32_t pid) {
    if (pid <= 0) {
        return false;
    }
    HANDLE process = OpenProcess(kQueryRights, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return false;
    }
    bool alive = stillActive(process);
    CloseHandle(process);
    return alive;
}

uint32_t processStartStamp(int32_t pid) {
    if (pid <= 0) {
        return 0;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid));
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
    handle_ = OpenProcess(SYNCHRONIZE | kQueryRights, FALSE, static_cast<DWORD>(pid));
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
