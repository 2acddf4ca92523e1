// Running a JDK tool from the packer (see tool_process.h).
#include "tool_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "interruption.h"

extern char** environ;

namespace wynpack {

namespace {

void closeBoth(int pipe[2]) {
    for (int i = 0; i < 2; ++i) {
        if (pipe[i] >= 0) {
            close(pipe[i]);
        }
    }
}

// Reads both pipes until both are at their end; passes an interrupt on to the child once.
void collectOutput(int outFd, int errFd, pid_t child, ToolRun& run) {
    struct pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    bool forwarded = false;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (interruptRequested() && !forwarded) {
            kill(child, SIGTERM);
            forwarded = true;
        }
        int ready = poll(fds, 2, 200);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            char buffer[65536];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
    }
}

}  // namespace

bool runTool(const std::vector<std::string>& argv, ToolRun& run, Problem& problem) {
    run = ToolRun();
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        int error = errno;
        closeBoth(out);
        closeBoth(err);
        return fail(problem, ExitStatus::Failed,
                    "cannot start " + quoted(argv[0]) + ": " + std::strerror(error));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t child = 0;
    int spawned = posix_spawn(&child, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        return fail(problem, ExitStatus::Failed,
                    "cannot start " + quoted(argv[0]) + ": " + std::strerror(spawned));
    }
    collectOutput(out[0], err[0], child, run);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (interruptRequested()) {
        return fail(problem, ExitStatus::Failed, "interrupted; nothing was written");
    }
    return true;
}

std::string outputTail(const std::string& output, size_t maxBytes) {
    size_t end = output.find_last_not_of("\r\n \t");
    if (end == std::string::npos) {
        return "";
    }
    std::string text = output.substr(0, end + 1);
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t start = text.find('\n', text.size() - maxBytes);
    return "..." + text.substr(start == std::string::npos ? text.size() - maxBytes : start);
}

}  // namespace wynpack
