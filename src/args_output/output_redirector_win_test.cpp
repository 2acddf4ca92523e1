// The redirector on Windows: the process's standard handles are the targets while redirected
// and the earlier ones afterwards; a command that has gone makes writes fail, not hang.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "args_output/output_redirector.h"
#include "support/scratch_tree.h"

namespace {

TEST(OutputRedirectorWindows, StandardHandlesAreTheTargetsUntilTeardown) {
    ScratchTree tree;
    std::string target = tree.path("target.txt");
    HANDLE outBefore = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE errBefore = GetStdHandle(STD_ERROR_HANDLE);
    auto redirector = std::make_unique<OutputRedirector>();
    redirector->redirectStdout(target.c_str());
    redirector->redirectStderr(target.c_str());
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(redirector->stdoutTarget()));
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), handle);
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), handle);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(GetStdHandle(STD_ERROR_HANDLE), "handle\n", 7, &written, nullptr));
    redirector.reset();
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE) == nullptr, errBefore == nullptr);
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE) == nullptr, outBefore == nullptr);
    EXPECT_EQ(GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)), GetFileType(outBefore));

    HANDLE file = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char text[32] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    CloseHandle(file);
    EXPECT_STREQ(text, "handle\n");
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
