// Other processes as the instance registry sees them: ids, whether one still runs, a stamp
// of when it started (so that a reused id is not taken for the process that had it), and a
// watch on one process that tells when it has ended.
//
// A process that exists but may not be opened (an elevated one seen from a normal one,
// another user's) is alive: only a process that is gone or has ended counts as ended, so that
// no instance takes the role or the messages of a live one (lookCountsAsAlive).
//
// Windows: ids are Win32 process ids. A process is looked at with the least rights that work
// across elevation (PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE): it runs while a wait on
// it times out (an exit code of STILL_ACTIVE is no proof: a process may end with 259);
// ERROR_ACCESS_DENIED from OpenProcess means it exists. The stamp folds the creation time of
// GetProcessTimes (0 when it cannot be opened). The watch holds a handle with the same rights.
// Linux: ids are pids. A process runs when kill with signal 0 reaches it and it is not a
// zombie; EPERM means it exists under another user. The stamp folds its start time from
// /proc/<pid>/stat. The watch holds a pidfd where the kernel has one.
#pragma once

#include <cstdint>

namespace platform {

int32_t currentProcessId();

// What looking at a process found.
enum class ProcessLook {
    Running,       // it was opened and has not ended
    Ended,         // it was opened and has ended (Linux: a zombie)
    AccessDenied,  // it exists, but this process may not open it
    Missing,       // no process has that id (or the system cannot say)
};

// The look that a failed open reports, from the system's error (Windows: GetLastError after
// OpenProcess; Linux: errno after kill).
ProcessLook lookAfterFailedOpen(int error);

// Whether a look means that the process is alive: running, or there but closed to us.
bool lookCountsAsAlive(ProcessLook look);

// True when the process is alive (see above).
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
