// Starting a detached program on Linux: forked twice so that init adopts and reaps it, in a
// session of its own, at a lower priority, with its standard streams on /dev/null and no
// other descriptor of the launcher's.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/process.h"

namespace platform {

namespace {

constexpr int kDetachedNice = 10;

bool writeAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// close_range(2) by its number on x86-64: the C library the stub is built against (glibc 2.31)
// has no wrapper, and kernels before 5.9 answer ENOSYS.
constexpr long kCloseRangeCall = 436;

// Closes the descriptors first..last (last included). Without close_range, each one below the
// limit taken before the fork. Async-signal-safe.
void closeDescriptors(int first, int last, int limit) {
    if (first > last) {
        return;
    }
    if (syscall(kCloseRangeCall, static_cast<unsigned>(first), static_cast<unsigned>(last), 0U) ==
        0) {
        return;
    }
    for (int fd = first; fd <= last && fd < limit; ++fd) {
        close(fd);
    }
}

// The middle process: a new session, the null device as standard streams, then the program
// in a grandchild whose pid goes to report. Only async-signal-safe calls: the parent may
// have threads.
[[noreturn]] void startGrandchild(char* const* argv, int report, int descriptorLimit) {
    setsid();
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO) {
            close(null);
        }
    }
    pid_t grandchild = fork();
    if (grandchild == 0) {
        // Nothing the launcher or the runtime had open reaches the program, but the pipe
        // (closed on exec) that reports a failed execv.
        closeDescriptors(STDERR_FILENO + 1, report - 1, descriptorLimit);
        closeDescriptors(report + 1, INT_MAX, descriptorLimit);
        // Lower than the launcher's own priority, whatever that is: nice() adds to it and stops
        // at the lowest; where it fails the program runs at the launcher's priority.
        int lowered = nice(kDetachedNice);
        (void)lowered;
        execv(argv[0], argv);
        // The pipe is still open only when execv failed: a zero pid says so.
        pid_t none = 0;
        writeAll(report, &none, sizeof none);
        _exit(127);
    }
    if (grandchild > 0) {
        writeAll(report, &grandchild, sizeof grandchild);
    }
    _exit(grandchild > 0 ? 0 : 1);
}

}  // namespace

int32_t startDetachedProcess(const StringList& argv) {
    if (argv.count() == 0) {
        return 0;
    }
    std::vector<char*> arguments;
    for (int32_t i = 0; i < argv.count(); ++i) {
        arguments.push_back(const_cast<char*>(argv.stringAt(i)));
    }
    arguments.push_back(nullptr);
    // The highest descriptor the fallback closes, taken here: the child may only make
    // async-signal-safe calls.
    struct rlimit files = {};
    int descriptorLimit = 65536;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 &&
        files.rlim_cur < static_cast<rlim_t>(descriptorLimit)) {
        descriptorLimit = static_cast<int>(files.rlim_cur);
    }
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return 0;
    }
    pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        startGrandchild(arguments.data(), report[1], descriptorLimit);
    }
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        return 0;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The grandchild's pid, then (after a failed execv) a zero; end of file once execv took.
    pid_t started = 0;
    pid_t failed = -1;
    bool gotPid = read(report[0], &started, sizeof started) == sizeof started;
    bool execFailed = gotPid && read(report[0], &failed, sizeof failed) == sizeof failed;
    close(report[0]);
    if (!gotPid || started <= 0 || (execFailed && failed == 0)) {
        return 0;
    }
    return static_cast<int32_t>(started);
}

}  // namespace platform
