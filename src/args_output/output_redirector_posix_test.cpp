// Command sinks on Linux: the command reads what the standard descriptor receives and sees
// the end of its input at teardown; a command that has gone makes writes fail, not hang.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
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

// Standard error of this process goes to a file for the object's lifetime.
class CapturedStandardError {
  public:
    explicit CapturedStandardError(const std::string& path) {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDERR_FILENO);
        close(fd);
    }
    ~CapturedStandardError() {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }

  private:
    int saved_ = -1;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OutputRedirectorCommand, CommandThatCannotRunLeavesTheStreamAndSaysWhy) {
    ScratchTree tree;
    std::string script = tree.file("not-executable.sh", "cat > /dev/null\n");
    ASSERT_EQ(chmod(script.c_str(), 0600), 0);
    struct Case {
        std::string command;
        const char* why;
    } cases[] = {
        {"no-such-logger-anywhere -t myapp", "found no such program (exit code 127)"},
        {"'" + script + "'", "could not execute the program (exit code 126)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        std::string errors = tree.path("errors.txt");
        struct stat before;
        ASSERT_EQ(fstat(STDOUT_FILENO, &before), 0);
        {
            CapturedStandardError captured(errors);
            OutputRedirector redirector;
            redirector.redirectStdout(("|" + c.command).c_str());
            EXPECT_EQ(redirector.stdoutTarget(), platform::kNoOutput);
            struct stat during;
            ASSERT_EQ(fstat(STDOUT_FILENO, &during), 0);
            EXPECT_TRUE(during.st_dev == before.st_dev && during.st_ino == before.st_ino)
                << "standard output was moved";
        }
        EXPECT_EQ(readAll(errors), "wyn: output command " + c.command +
                                       " cannot be started: the shell " + c.why + "\n");
    }
}

TEST(OutputRedirectorCommand, CommandsThatRunAreNotMistakenForFailures) {
    ScratchTree tree;
    // Ends at once with another code, ends later with 127, and reads for a while.
    for (const char* command : {"exit 3", "sleep 1; exit 127", "cat > /dev/null"}) {
        SCOPED_TRACE(command);
        OutputRedirector redirector;
        EXPECT_NE(redirector.findOrOpenSink((std::string("|") + command).c_str())->handle(),
                  platform::kNoOutput);
    }
}

}  // namespace
