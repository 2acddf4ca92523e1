#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "config/messages.h"
#include "support/payload_builder.h"

namespace {

// Runs body with standard error sent to a file and returns what was written.
template <typename Body>
std::string capturedStderr(Body body) {
    ScratchDirectory dir;
    std::string path = dir.file("stderr.txt");
    std::fflush(stderr);
    int saved = dup(2);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    return readBytes(path);
}

TEST(ShowMessagePosix, CaptionAndTextOnStandardError) {
    std::string written = capturedStderr([] { showMessage("Something failed.", nullptr); });
    EXPECT_EQ(written, "Error: Something failed.\n");
}

TEST(ShowMessagePosix, TextIsNeverAFormat) {
    std::string written = capturedStderr([] { showMessage("%s %n %x 100%", nullptr); });
    EXPECT_EQ(written, "Error: %s %n %x 100%\n");
}

}  // namespace
