// MemberProcess on Windows: CreateProcessA with two pipes.
#include <windows.h>

#include <cstdio>

#include "instances/member_process.h"

namespace {

constexpr int kCreateAttempts = 3;

}  // namespace

MemberProcess::MemberProcess(const std::string& path, const std::string& appid) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0)) {
        return;
    }
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        CloseHandle(inRead);
        CloseHandle(inWrite);
        return;
    }
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string command = "\"" + path + "\" \"" + appid + "\"";
    PROCESS_INFORMATION info{};
    // Under heavy load Wine now and then fails to create a process at all (error 1359 or
    // 126, before the member runs): a few more tries, each said on standard error; a
    // failure that stays fails the test as before.
    bool created = false;
    for (int attempt = 1; attempt <= kCreateAttempts && !created; ++attempt) {
        created = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &info) != FALSE;
        if (!created && attempt < kCreateAttempts) {
            std::fprintf(stderr, "member %s: not started (error %lu), trying again\n", path.c_str(),
                         static_cast<unsigned long>(GetLastError()));
            Sleep(250);
        }
    }
    if (created) {
        process_ = info.hProcess;
        pid_ = static_cast<int>(info.dwProcessId);
        CloseHandle(info.hThread);
        input_ = inWrite;
        output_ = outRead;
    } else {
        std::fprintf(stderr, "member %s: not started (error %lu)\n", path.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        CloseHandle(inWrite);
        CloseHandle(outRead);
    }
    CloseHandle(inRead);
    CloseHandle(outWrite);
}

MemberProcess::~MemberProcess() {
    kill();
}

bool MemberProcess::started() const {
    return process_ != nullptr;
}

std::string MemberProcess::readLine(int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (output_ == nullptr) {
            return "";
        }
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            std::fprintf(stderr, "member %d: no line within %d ms (%s, exit code 0x%lx)\n", pid_,
                         timeoutMs, code == STILL_ACTIVE ? "still running" : "ended",
                         static_cast<unsigned long>(code));
            return "";
        }
        DWORD available = 0;
        if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr)) {
            // Said on the test's standard error: a member that ends early is rare, and its
            // exit code tells a crash from an orderly end.
            DWORD error = GetLastError();
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            std::fprintf(stderr, "member %d: output ended (error %lu, exit code 0x%lx)\n", pid_,
                         static_cast<unsigned long>(error), static_cast<unsigned long>(code));
            return "";
        }
        if (available == 0) {
            Sleep(5);
            continue;
        }
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(output_, buffer, available < sizeof(buffer) ? available : sizeof(buffer),
                      &got, nullptr) ||
            got == 0) {
            std::fprintf(stderr, "member %d: reading its output failed (error %lu)\n", pid_,
                         static_cast<unsigned long>(GetLastError()));
            return "";
        }
        pending_.append(buffer, got);
    }
}

void MemberProcess::send(const std::string& command) {
    if (input_ != nullptr) {
        std::string line = command + "\n";
        DWORD written = 0;
        WriteFile(input_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

void MemberProcess::kill() {
    if (process_ != nullptr) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (input_ != nullptr) {
        CloseHandle(input_);
        input_ = nullptr;
    }
    if (output_ != nullptr) {
        CloseHandle(output_);
        output_ = nullptr;
    }
}

int MemberProcess::quit(int timeoutMs, const char* command) {
    if (process_ == nullptr) {
        return -1;
    }
    send(command);
    DWORD code = static_cast<DWORD>(-1);
    bool ended = WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(process_, &code);
    kill();
    return ended ? static_cast<int>(code) : -1;
}
