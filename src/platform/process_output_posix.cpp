// Output targets on Linux: append-only files, commands fed through a pipe, and the standard
// descriptors 1 and 2 moved onto a target with dup2.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/process.h"

namespace platform {

namespace {

// Moves fd to a close-on-exec descriptor of 3 or above and closes the original.
int aboveStandardDescriptors(int fd) {
    if (fd < 0) {
        return -1;
    }
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

int descriptorOf(StandardStream which) {
    return which == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO;
}

std::FILE* streamOf(StandardStream which) {
    return which == StandardStream::Output ? stdout : stderr;
}

bool javaSideOnly() {
    const char* value = std::getenv("WYN_REDIRECT_FALLBACK");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// How long the launcher waits for a command that cannot be run to say so: the shell reports a
// program that is not found or cannot be executed within milliseconds of its start.
constexpr long kFailureWindowNanoseconds = 250L * 1000 * 1000;
constexpr int kNotFound = 127;
constexpr int kNotExecutable = 126;

long long elapsedNanoseconds(const timespec& since) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - since.tv_sec) * 1000000000LL + (now.tv_nsec - since.tv_nsec);
}

// In the forked child: the command with the pipe as input and /dev/null as output. Only
// async-signal-safe calls from here on. This child waits for the command during the failure
// window and ends with the command's exit code when it ended with 126 or 127 in that time, else
// with 0; the command itself is nobody's zombie afterwards.
[[noreturn]] void execCommand(int input, int writeEnd, char* const* shellArguments) {
    pid_t command = fork();
    if (command < 0) {
        _exit(kNotExecutable);
    }
    if (command == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (dup2(input, STDIN_FILENO) < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0 ||
            dup2(null, STDERR_FILENO) < 0) {
            _exit(kNotExecutable);
        }
        struct sigaction defaults = {};
        defaults.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &defaults, nullptr);
        execv("/bin/sh", shellArguments);
        _exit(kNotFound);
    }
    close(input);
    close(writeEnd);
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int status = 0;
        pid_t ended = waitpid(command, &status, WNOHANG);
        if (ended == command) {
            int code = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
            _exit(code == kNotFound || code == kNotExecutable ? code : 0);
        }
        if (ended < 0 || elapsedNanoseconds(start) >= kFailureWindowNanoseconds) {
            _exit(0);
        }
        timespec pause = {0, 2 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

OutputHandle openAppendFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    int moved = aboveStandardDescriptors(fd);
    return moved < 0 ? kNoOutput : moved;
}

OutputHandle startPipedCommand(const char* commandLine, const StringList& arguments,
                               TextString& failure) {
    // Made before the fork: the child may only make async-signal-safe calls.
    ItemArray<char*> shellArguments;
    const char* fixed[] = {"sh", "-c", commandLine, "sh"};
    for (const char* argument : fixed) {
        shellArguments.append(const_cast<char*>(argument));
    }
    for (int32_t i = 0; i < arguments.count(); ++i) {
        shellArguments.append(const_cast<char*>(arguments.stringAt(i)));
    }
    shellArguments.append(nullptr);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        failure.format("no pipe (%s)", std::strerror(errno));
        return kNoOutput;
    }
    int readEnd = ends[0];
    int writeEnd = aboveStandardDescriptors(ends[1]);
    if (writeEnd < 0) {
        failure.format("no pipe (%s)", std::strerror(errno));
        close(readEnd);
        return kNoOutput;
    }
    signal(SIGPIPE, SIG_IGN);
    pid_t child = fork();
    if (child == 0) {
        execCommand(readEnd, writeEnd, shellArguments.data());
    }
    int forkError = errno;
    close(readEnd);
    int status = 0;
    pid_t waited = -1;
    if (child > 0) {
        do {
            waited = waitpid(child, &status, 0);
        } while (waited < 0 && errno == EINTR);
    }
    int code = waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (child < 0) {
        failure.format("no process (%s)", std::strerror(forkError));
    } else if (code == kNotFound) {
        failure = "the shell found no such program (exit code 127)";
    } else if (code == kNotExecutable) {
        failure = "the shell could not execute the program (exit code 126)";
    } else if (code != 0) {
        failure = "the process that starts it ended abnormally";
    } else {
        return writeEnd;
    }
    close(writeEnd);
    return kNoOutput;
}

bool writeOutput(OutputHandle target, const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = write(static_cast<int>(target), next, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void closeOutput(OutputHandle target) {
    if (target >= 0) {
        close(static_cast<int>(target));
    }
}

bool replaceStandardStream(StandardStream which, OutputHandle target, bool buffered,
                           SavedStandardStream& saved) {
    if (javaSideOnly()) {
        return false;
    }
    int fd = descriptorOf(which);
    std::FILE* stream = streamOf(which);
    std::fflush(stream);
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    saved.saved = true;
    saved.handle = copy < 0 ? kNoOutput : copy;
    if (dup2(static_cast<int>(target), fd) < 0) {
        return false;
    }
    std::setvbuf(stream, nullptr, buffered ? _IOFBF : _IONBF, buffered ? BUFSIZ : 0);
    return true;
}

void restoreStandardStream(StandardStream which, SavedStandardStream& saved) {
    if (!saved.saved) {
        return;
    }
    int fd = descriptorOf(which);
    std::fflush(streamOf(which));
    if (saved.handle >= 0) {
        dup2(static_cast<int>(saved.handle), fd);
        close(static_cast<int>(saved.handle));
    } else {
        close(fd);
    }
    saved = SavedStandardStream();
}

}  // namespace platform
