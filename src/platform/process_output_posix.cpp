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

// In the forked child: the command with the pipe as input and /dev/null as output. Only
// async-signal-safe calls from here on.
[[noreturn]] void execCommand(int input, const char* commandLine) {
    if (fork() != 0) {
        // The intermediate child ends at once, so the command is nobody's zombie.
        _exit(0);
    }
    int null = open("/dev/null", O_WRONLY);
    if (dup2(input, STDIN_FILENO) < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0 ||
        dup2(null, STDERR_FILENO) < 0) {
        _exit(127);
    }
    struct sigaction defaults = {};
    defaults.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaults, nullptr);
    execl("/bin/sh", "sh", "-c", commandLine, static_cast<char*>(nullptr));
    _exit(127);
}

}  // namespace

OutputHandle openAppendFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    int moved = aboveStandardDescriptors(fd);
    return moved < 0 ? kNoOutput : moved;
}

OutputHandle startPipedCommand(const char* commandLine) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return kNoOutput;
    }
    int readEnd = ends[0];
    int writeEnd = aboveStandardDescriptors(ends[1]);
    if (writeEnd < 0) {
        close(readEnd);
        return kNoOutput;
    }
    signal(SIGPIPE, SIG_IGN);
    pid_t child = fork();
    if (child == 0) {
        execCommand(readEnd, commandLine);
    }
    close(readEnd);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        close(writeEnd);
        return kNoOutput;
    }
    return writeEnd;
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
