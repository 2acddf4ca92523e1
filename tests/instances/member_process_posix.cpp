// MemberProcess on Linux: fork, exec, two pipes, poll.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "instances/member_process.h"

namespace {

int fdOf(void* handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle)) - 1;
}
void* handleOf(int fd) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
}

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

MemberProcess::MemberProcess(const std::string& path, const std::string& appid) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execl(path.c_str(), path.c_str(), appid.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    pid_ = pid;
    input_ = handleOf(in[1]);
    output_ = handleOf(out[0]);
}

MemberProcess::~MemberProcess() {
    kill();
}

bool MemberProcess::started() const {
    return pid_ > 0;
}

std::string MemberProcess::readLine(int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    for (;;) {
        size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        long long left = deadline - nowMs();
        if (output_ == nullptr) {
            return "";
        }
        if (left <= 0) {
            std::fprintf(stderr, "member %d: no line within %d ms\n", pid_, timeoutMs);
            return "";
        }
        struct pollfd watched = {fdOf(output_), POLLIN, 0};
        if (poll(&watched, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n = read(fdOf(output_), buffer, sizeof(buffer));
        if (n <= 0) {
            // Said on the test's standard error: a member that ends early is rare.
            std::fprintf(stderr, "member %d: output ended\n", pid_);
            return "";
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

void MemberProcess::send(const std::string& command) {
    if (input_ != nullptr) {
        std::string line = command + "\n";
        ssize_t written = write(fdOf(input_), line.data(), line.size());
        (void)written;
    }
}

void MemberProcess::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    if (input_ != nullptr) {
        close(fdOf(input_));
        input_ = nullptr;
    }
    if (output_ != nullptr) {
        close(fdOf(output_));
        output_ = nullptr;
    }
}

int MemberProcess::quit(int timeoutMs, const char* command) {
    if (pid_ <= 0) {
        return -1;
    }
    send(command);
    long long deadline = nowMs() + timeoutMs;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (nowMs() > deadline) {
            kill();
            return -1;
        }
        usleep(5000);
    }
    pid_ = 0;
    kill();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
