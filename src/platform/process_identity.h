// Other processes as the instance registry sees them: ids, whether one still runs, a stamp
// of when it started (so that a reused id is not taken for the process that had it), and a
// watch on one process that tells when it has ended.
//
// Windows: ids are Win32 process ids. A process is alive when OpenProcess (query
// information and handle duplication rights) succeeds and GetExitCodeProcess reports
// STILL_ACTIVE; one that cannot be opened, for example under another account, counts as
// ended. The stamp folds the creation time of GetProcessTimes. The watch holds a process
// handle opened for SYNCHRONIZE, query information and handle duplication.
// Linux: ids are pids. A process is alive when it may be signalled (kill with signal 0: one
// of another user counts as ended, as on Windows) and is not a zombie. The stamp folds its
// start time from /proc/<pid>/stat. The watch holds a pidfd where the kernel has one.
#pragma once

#include <cstdint>

namespace platform {

int32_t currentProcessId();

// True when the process runs and this process may open it.
bool isProcessAlive(int32_t pid);

// A non-zero 32-bit fold of the process's start time, or 0 when it cannot be read.
uint32_t processStartStamp(int32_t pid);

// A handle on one process, kept while this process watches it.
class ProcessWatch {
  public:
    ProcessWatch() = default;
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;
    ~ProcessWatch();

    // Opens the process; false (and nothing held) when it cannot be opened.
    bool open(int32_t pid);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // True while the watched process runs (false when nothing is held).
    bool stillActive() const;
    // The system handle (Windows: the process handle; Linux: the pidfd + 1), null if none.
    void* handle() const { return handle_; }

  private:
    void* handle_ = nullptr;
    int32_t pid_ = 0;
};

}  // namespace platform
