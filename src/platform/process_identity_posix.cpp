// Other processes on Linux: kill(pid, 0), /proc/<pid>/stat and pidfds.
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process_identity.h"

namespace platform {

namespace {

// The state letter and start time of /proc/<pid>/stat; false when it cannot be read. The
// command name (field 2) may hold spaces and parentheses, so the fields after it are found
// behind its last ')'.
bool readProcessStat(int32_t pid, char& state, unsigned long long& startTime) {
    char path[64];
    std::snprintf(path, sizeof(path), "/proc/%d/stat", static_cast<int>(pid));
    FILE* file = std::fopen(path, "re");
    if (file == nullptr) {
        return false;
    }
    char text[1024];
    size_t n = std::fread(text, 1, sizeof(text) - 1, file);
    std::fclose(file);
    text[n] = '\0';
    const char* close = std::strrchr(text, ')');
    if (close == nullptr || close[1] != ' ') {
        return false;
    }
    // Fields from 3 on: state is field 3, the start time field 22.
    const char* p = close + 2;
    state = *p;
    for (int field = 3; field < 22; ++field) {
        p = std::strchr(p, ' ');
        if (p == nullptr) {
            return false;
        }
        ++p;
    }
    char* end = nullptr;
    startTime = std::strtoull(p, &end, 10);
    return end != p;
}

bool isZombie(int32_t pid) {
    char state = 0;
    unsigned long long startTime = 0;
    return readProcessStat(pid, state, startTime) && (state == 'Z' || state == 'X');
}

}  // namespace

int32_t currentProcessId() {
    return static_cast<int32_t>(getpid());
}

ProcessLook lookAfterFailedOpen(int error) {
    return error == EPERM ? ProcessLook::AccessDenied : ProcessLook::Missing;
}

bool isProcessAlive(int32_t pid) {
    if (pid <= 0) {
        return false;
    }
    ProcessLook look;
    if (kill(static_cast<pid_t>(pid), 0) != 0) {
        look = lookAfterFailedOpen(errno);
    } else {
        look = isZombie(pid) ? ProcessLook::Ended : ProcessLook::Running;
    }
    return lookCountsAsAlive(look);
}

uint32_t processStartStamp(int32_t pid) {
    char state = 0;
    unsigned long long startTime = 0;
    if (pid <= 0 || !readProcessStat(pid, state, startTime)) {
        return 0;
    }
    uint32_t stamp = static_cast<uint32_t>(startTime) ^ static_cast<uint32_t>(startTime >> 32);
    return stamp != 0 ? stamp : 1;
}

ProcessWatch::~ProcessWatch() {
    close();
}

bool ProcessWatch::open(int32_t pid) {
    close();
    if (!isProcessAlive(pid)) {
        return false;
    }
    pid_ = pid;
#ifdef SYS_pidfd_open
    long fd = syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0);
    if (fd >= 0) {
        handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
        return true;
    }
#endif
    // Without pidfds the watch is the id alone; stillActive asks the system each time.
    handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
    return true;
}

void ProcessWatch::close() {
    intptr_t value = reinterpret_cast<intptr_t>(handle_);
    if (value > 0) {
        ::close(static_cast<int>(value - 1));
    }
    handle_ = nullptr;
    pid_ = 0;
}

bool ProcessWatch::stillActive() const {
    intptr_t value = reinterpret_cast<intptr_t>(handle_);
    if (value == 0) {
        return false;
    }
    if (value > 0) {
        struct pollfd watched = {static_cast<int>(value - 1), POLLIN, 0};
        // A pidfd becomes readable when its process has ended.
        return poll(&watched, 1, 0) == 0;
    }
    return isProcessAlive(pid_);
}

}  // namespace platform
