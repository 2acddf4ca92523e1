// Command sinks on Linux: the command reads what the standard descriptor receives and sees
// the end of its input at teardown; a command that has gone makes writes fail, not hang.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "args_output/output_redirector.h"
#include "support/scratch_tree.h"

namespace {

bool waitForFile(const std::string& path) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    struct stat info;
    while (stat(path.c_str(), &info) != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

long long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

TEST(OutputRedirectorCommand, ReceivesTheDescriptorsOutputUntilTeardown) {
    ScratchTree tree;
    std::string out = tree.path("received");
    std::string eof = tree.path("eof");
    struct stat before;
    ASSERT_EQ(fstat(STDOUT_FILENO, &before), 0);
    auto redirector = std::make_unique<OutputRedirector>();
    redirector->redirectStdout(("|cat > '" + out + "'; echo done > '" + eof + "'").c_str());
    ASSERT_NE(redirector->stdoutTarget(), platform::kNoOutput);
    std::string block(65536, 'x');
    bool written = true;
    for (int i = 0; i < 16; ++i) {
        written = written && write(STDOUT_FILENO, block.data(), block.size()) ==
                                 static_cast<ssize_t>(block.size());
    }
    EXPECT_EQ(fcntl(static_cast<int>(redirector->stdoutTarget()), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC)
        << "later children must not keep the command's input open";
    redirector.reset();
    EXPECT_TRUE(written);
    EXPECT_TRUE(waitForFile(eof)) << "the command never saw the end of its input";
    EXPECT_EQ(fileSize(out), 16 * 65536);
    struct stat after;
    ASSERT_EQ(fstat(STDOUT_FILENO, &after), 0);
    EXPECT_TRUE(after.st_dev == before.st_dev && after.st_ino == before.st_ino)
        << "standard output is back where it was";
}

TEST(OutputRedirectorCommand, WritesToACommandThatHasGoneFailWithoutHanging) {
    ScratchTree tree;
    std::string gone = tree.path("gone");
    OutputRedirector redirector;
    OutputSink* sink = redirector.findOrOpenSink(("|touch '" + gone + "'").c_str());
    ASSERT_NE(sink->handle(), platform::kNoOutput);
    ASSERT_TRUE(waitForFile(gone));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string block(1 << 20, 'y');
    // Without a reader a pipe takes 64 KiB at most: 4 MiB would block for ever if anyone but
    // the command held its read end. SIGPIPE is ignored, so the process lives on.
    bool allWritten = true;
    for (int i = 0; i < 4; ++i) {
        allWritten =
            allWritten && platform::writeOutput(sink->handle(), block.data(), block.size());
    }
    EXPECT_FALSE(allWritten);
}

}  // namespace
