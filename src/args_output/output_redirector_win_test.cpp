// The redirector on Windows: the process's standard handles are the targets while redirected
// and the earlier ones afterwards; a command that has gone makes writes fail, not hang.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "args_output/output_redirector.h"
#include "support/scratch_tree.h"

namespace {

std::string readAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) &&
           got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return text;
}

void writeTo(HANDLE handle, const char* text) {
    DWORD written = 0;
    WriteFile(handle, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// The standard handles are this test's own file (not the C runtime's), so that what the
// teardown puts back can be compared exactly.
TEST(OutputRedirectorWindows, StandardHandlesAreTheTargetsUntilTeardown) {
    ScratchTree tree;
    std::string target = tree.path("target.txt");
    HANDLE testOut = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE testErr = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE own = CreateFileA(tree.path("own.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(own, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_OUTPUT_HANDLE, own);
    SetStdHandle(STD_ERROR_HANDLE, own);
    auto redirector = std::make_unique<OutputRedirector>();
    redirector->redirectStdout(target.c_str());
    redirector->redirectStderr(target.c_str());
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(redirector->stdoutTarget()));
    HANDLE outDuring = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE errDuring = GetStdHandle(STD_ERROR_HANDLE);
    writeTo(errDuring, "during\n");
    redirector.reset();
    HANDLE outAfter = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE errAfter = GetStdHandle(STD_ERROR_HANDLE);
    writeTo(outAfter, "after\n");
    SetStdHandle(STD_OUTPUT_HANDLE, testOut);
    SetStdHandle(STD_ERROR_HANDLE, testErr);
    CloseHandle(own);

    EXPECT_EQ(outDuring, handle);
    EXPECT_EQ(errDuring, handle);
    EXPECT_EQ(outAfter, own);
    EXPECT_EQ(errAfter, own);
    EXPECT_EQ(readAll(target), "during\n");
    EXPECT_EQ(readAll(tree.path("own.txt")), "after\n");
}

TEST(OutputRedirectorWindows, WritesToACommandThatHasGoneFailWithoutHanging) {
    OutputRedirector redirector;
    OutputSink* sink = redirector.findOrOpenSink("|cmd.exe /c exit 0");
    ASSERT_NE(sink->handle(), platform::kNoOutput);
    std::string block(1 << 20, 'y');
    bool allWritten = true;
    for (int i = 0; i < 8 && allWritten; ++i) {
        allWritten = platform::writeOutput(sink->handle(), block.data(), block.size());
    }
    EXPECT_FALSE(allWritten);
}

TEST(OutputRedirectorWindows, UnstartableCommandLeavesTheStreamAlone) {
    HANDLE before = GetStdHandle(STD_OUTPUT_HANDLE);
    OutputRedirector redirector;
    redirector.redirectStdout("|no-such-program-anywhere.exe");
    EXPECT_EQ(redirector.stdoutTarget(), platform::kNoOutput);
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), before);
}

}  // namespace
