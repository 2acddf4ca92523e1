// Starting a detached program on Linux: forked twice so that init adopts and reaps it, in a
// session of its own, at a lower priority, with its standard streams on /dev/null and no
// other descriptor of the launcher's.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/process.h"

namespace platform {

namespace {

constexpr int kDetachedNice = 10;

// Closes the descriptors first..last. The stub is built against a C library without a
// close_range() wrapper, so the system call is made directly; on kernels before 5.9, which lack
// it, each descriptor up to the process's limit is closed instead.
void closeRange(unsigned first, unsigned last) {
    if (first > last || syscall(__NR_close_range, first, last, 0) == 0) {
        return;
    }
    long limit = sysconf(_SC_OPEN_MAX);
    unsigned end = limit > 0 ? static_cast<unsigned>(limit - 1) : 1023u;
    for (unsigned fd = first; fd <= end && fd <= last; ++fd) {
        close(static_cast<int>(fd));
    }
}

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

// The middle process: a new session, the null device as standard streams, then the program
// in a grandchild whose pid goes to report. Only async-signal-safe calls: the parent may
// have threads.
[[noreturn]] void startGrandchild(char* const* argv, int report) {
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
        closeRange(STDERR_FILENO + 1, static_cast<unsigned>(report) - 1);
        closeRange(static_cast<unsigned>(report) + 1, ~0U);
        setpriority(PRIO_PROCESS, 0, kDetachedNice);
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
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return 0;
    }
    pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        startGrandchild(arguments.data(), report[1]);
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
