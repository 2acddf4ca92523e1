// The single-instance guard between real processes on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "launcher/single_instance.h"
#include "platform/object_names.h"
#include "platform/sync.h"

namespace {

std::string probePath() {
    const char* path = std::getenv("WYN_TEST_PROBE");
    return path != nullptr ? path : "";
}

// A running mutex_probe and the first line it printed.
class Probe {
  public:
    Probe(const std::string& name, int holdSeconds) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE write = nullptr;
        if (!CreatePipe(&output_, &write, &inherit, 0)) {
            return;
        }
        SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string command =
            "\"" + probePath() + "\" \"" + name + "\" " + std::to_string(holdSeconds);
        PROCESS_INFORMATION info{};
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &info)) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
        CloseHandle(write);
    }
    ~Probe() {
        kill();
        if (output_ != nullptr) {
            CloseHandle(output_);
        }
    }

    // The probe's report, or "timeout" when it printed nothing within 30 seconds.
    std::string report() {
        std::string line;
        DWORD start = GetTickCount();
        while (line.empty() || line.back() != '\n') {
            DWORD available = 0;
            if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr)) {
                return "ended without report";
            }
            if (available == 0) {
                if (GetTickCount() - start > 30000) {
                    return "timeout";
                }
                Sleep(10);
                continue;
            }
            char c;
            DWORD got = 0;
            if (!ReadFile(output_, &c, 1, &got, nullptr) || got != 1) {
                return "read failed";
            }
            line.push_back(c);
        }
        line.pop_back();
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return line;
    }

    void kill() {
        if (process_ != nullptr) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
            CloseHandle(process_);
            process_ = nullptr;
        }
    }

  private:
    HANDLE output_ = nullptr;
    HANDLE process_ = nullptr;
};

std::string uniqueName(const char* exePath) {
    std::string path = exePath + std::to_string(GetCurrentProcessId()) + ".exe";
    TextString name = singleInstanceMutexName(path.c_str(), "");
    return name.c_str();
}

TEST(GuardWin, SecondStartIsRefusedAndAnAbandonedMutexIsAcquired) {
    ASSERT_FALSE(probePath().empty()) << "WYN_TEST_PROBE is not set";
    std::string name = uniqueName("C:\\Apps\\Tool\\tool");
    ASSERT_EQ(name.find('\\'), std::string::npos);
    Probe first(name, 60);
    ASSERT_EQ(first.report(), "acquired");
    Probe second(name, 0);
    EXPECT_EQ(second.report(), "held");
    // The owner ends without releasing: the mutex is abandoned, and the next start goes on.
    first.kill();
    Probe third(name, 60);
    EXPECT_EQ(third.report(), "acquired");
}

TEST(GuardWin, NameFromALongExecutablePathStillGuards) {
    // An executable 300 characters deep: the name is longer than a kernel object's may be.
    std::string deep =
        "C:\\" + std::string(280, 'd') + "\\tool" + std::to_string(GetCurrentProcessId()) + ".exe";
    std::string name = singleInstanceMutexName(deep.c_str(), "").c_str();
    std::string sibling = singleInstanceMutexName((deep + "x").c_str(), "").c_str();
    ASSERT_GT(name.size(), 300u);
    Probe first(name, 60);
    ASSERT_EQ(first.report(), "acquired");
    Probe second(name, 0);
    EXPECT_EQ(second.report(), "held");
    Probe other(sibling, 0);
    EXPECT_EQ(other.report(), "acquired") << "names that differ only past the limit stay apart";
}

// An event that holds the guard's full name (the user's, versioned) makes the guard fail.
TEST(GuardWin, NameOfAnotherKindOfObjectFails) {
    std::string name = "wyn-test-event-" + std::to_string(GetCurrentProcessId());
    HANDLE event =
        CreateEventA(nullptr, TRUE, FALSE, platform::userObjectName(name.c_str()).c_str());
    ASSERT_NE(event, nullptr);
    int error = 0;
    EXPECT_EQ(platform::acquireNamedMutex(name.c_str(), error), platform::NamedMutexResult::Failed);
    EXPECT_EQ(error, ERROR_INVALID_HANDLE);
    CloseHandle(event);
}

// The guard is the user's session-local mutex whose name carries the protocol version and the
// user's SID; a mutex of the bare name, as earlier builds made it, is another object.
TEST(GuardWin, GuardIsTheUsersVersionedMutex) {
    std::string name = "wyn-test-user-" + std::to_string(GetCurrentProcessId());
    HANDLE old = CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(old, nullptr);
    int error = -1;
    ASSERT_EQ(platform::acquireNamedMutex(name.c_str(), error),
              platform::NamedMutexResult::Acquired);
    std::string full = platform::userObjectName(name.c_str()).c_str();
    std::string prefix = "Local\\wyn" + std::to_string(platform::kSharedObjectProtocol) + "-S-1-";
    EXPECT_EQ(full.rfind(prefix, 0), 0u) << full;
    EXPECT_EQ(full.substr(full.size() - name.size()), name);
    HANDLE guard = OpenMutexA(SYNCHRONIZE, FALSE, full.c_str());
    EXPECT_NE(guard, nullptr) << full;
    if (guard != nullptr) {
        CloseHandle(guard);
    }
    CloseHandle(old);
}

TEST(GuardWin, AcquiredInThisProcessIsKept) {
    std::string name = "wyn-test-kept-" + std::to_string(GetCurrentProcessId());
    int error = -1;
    ASSERT_EQ(platform::acquireNamedMutex(name.c_str(), error),
              platform::NamedMutexResult::Acquired);
    EXPECT_EQ(error, 0);
    // Still owned by this process: another process cannot take it.
    Probe other(name, 0);
    EXPECT_EQ(other.report(), "held");
}

}  // namespace
