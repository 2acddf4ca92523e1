// Liveness on Windows: the errors of OpenProcess, and a process that ended with the exit code
// that GetExitCodeProcess uses for "still active".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/process_identity.h"

namespace {

TEST(ProcessLivenessWin, ErrorsOfAFailedOpen) {
    // An elevated process, or another user's, refuses a normal one: it is still alive.
    EXPECT_EQ(platform::lookAfterFailedOpen(ERROR_ACCESS_DENIED),
              platform::ProcessLook::AccessDenied);
    EXPECT_EQ(platform::lookAfterFailedOpen(ERROR_INVALID_PARAMETER),
              platform::ProcessLook::Missing);
}

TEST(ProcessLivenessWin, ProcessThatEndedWithCode259HasEnded) {
    std::string command = "cmd.exe /c exit 259";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &info));
    ASSERT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    ASSERT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    // The handle held here keeps the id from being reused.
    EXPECT_FALSE(platform::isProcessAlive(static_cast<int32_t>(info.dwProcessId)));
    platform::ProcessWatch watch;
    if (watch.open(static_cast<int32_t>(info.dwProcessId))) {
        EXPECT_FALSE(watch.stillActive());
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

}  // namespace
