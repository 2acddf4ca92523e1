// Child processes for the end-to-end suites (fork, exec, pipes, poll).
#include "e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace {

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ChildProcess::ChildProcess(const ChildCommand& command) {
    int out[2], err[2];
    if (pipe(out) != 0) {
        return;
    }
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        for (const std::string& name : command.unsetEnv) {
            unsetenv(name.c_str());
        }
        for (const std::string& assignment : command.setEnv) {
            size_t eq = assignment.find('=');
            setenv(assignment.substr(0, eq).c_str(), assignment.substr(eq + 1).c_str(), 1);
        }
        if (!command.workingDirectory.empty() && chdir(command.workingDirectory.c_str()) != 0) {
            _exit(126);
        }
        std::vector<char*> args;
        for (const std::string& a : command.argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    fcntl(outFd_, F_SETFL, O_NONBLOCK);
    fcntl(errFd_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) {
        close(outFd_);
    }
    if (errFd_ >= 0) {
        close(errFd_);
    }
}

// Reads what is available within timeoutMs; false when both pipes are closed.
bool ChildProcess::pump(int timeoutMs) {
    struct pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    int open = (outFd_ >= 0) + (errFd_ >= 0);
    if (open == 0) {
        return false;
    }
    if (poll(fds, 2, timeoutMs) <= 0) {
        return true;
    }
    int* fd[2] = {&outFd_, &errFd_};
    std::string* text[2] = {&result_.out, &result_.err};
    for (int i = 0; i < 2; ++i) {
        if (*fd[i] < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n = read(*fd[i], buffer, sizeof(buffer));
        if (n > 0) {
            text[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            close(*fd[i]);
            *fd[i] = -1;
        }
    }
    return true;
}

bool ChildProcess::waitForOutput(const std::string& text, int timeoutMs) {
    return waitFor(result_.out, text, timeoutMs);
}

bool ChildProcess::waitForError(const std::string& text, int timeoutMs) {
    return waitFor(result_.err, text, timeoutMs);
}

bool ChildProcess::waitFor(const std::string& stream, const std::string& text, int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    while (stream.find(text) == std::string::npos) {
        long long left = deadline - nowMs();
        if (left <= 0 || !pump(static_cast<int>(left < 100 ? left : 100))) {
            return stream.find(text) != std::string::npos;
        }
    }
    return true;
}

void ChildProcess::sendSignal(int signal) {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

ChildResult ChildProcess::finish(int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    while (pid_ > 0) {
        pump(50);
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            if (WIFEXITED(status)) {
                result_.exitCode = WEXITSTATUS(status);
            } else if (WIFSIGNALED(status)) {
                result_.signal = WTERMSIG(status);
            }
            pid_ = -1;
        } else if (nowMs() > deadline) {
            result_.timedOut = true;
            kill(pid_, SIGKILL);
        }
    }
    // Output still buffered in the pipes; a process the child left behind (such as Wine's
    // server) may keep them open, so this is bounded too.
    long long drainUntil = nowMs() + 2000;
    while ((outFd_ >= 0 || errFd_ >= 0) && nowMs() < drainUntil && pump(100)) {
    }
    return result_;
}

ChildResult runChild(const ChildCommand& command, int timeoutMs) {
    ChildProcess child(command);
    return child.finish(timeoutMs);
}

std::string reportValue(const std::string& text, const std::string& key) {
    std::string prefix = key + "=";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (text.compare(pos, prefix.size(), prefix) == 0) {
            std::string value = text.substr(pos + prefix.size(), end - pos - prefix.size());
            if (!value.empty() && value.back() == '\r') {
                value.pop_back();
            }
            return value;
        }
        pos = end + 1;
    }
    return "<missing>";
}
