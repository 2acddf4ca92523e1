// Liveness on Linux: the errors of kill(pid, 0), and a process of another user seen from a
// process that may not signal it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/process_identity.h"

namespace {

TEST(ProcessLivenessPosix, ErrorsOfAFailedLook) {
    EXPECT_EQ(platform::lookAfterFailedOpen(EPERM), platform::ProcessLook::AccessDenied);
    EXPECT_EQ(platform::lookAfterFailedOpen(ESRCH), platform::ProcessLook::Missing);
    EXPECT_EQ(platform::lookAfterFailedOpen(EINVAL), platform::ProcessLook::Missing);
}

// A child that becomes another user looks at this (root's) process, which it may not signal:
// it still counts it as alive, and an ended process as ended.
TEST(ProcessLivenessPosix, ProcessOfAnotherUserIsAlive) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to become another user";
    }
    pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_GT(ended, 0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        // 65534: nobody. Exit code: 1 = could not become nobody, 2 = the parent's signal was
        // not refused, 3 = the parent counts as ended, 4 = the ended child counts as alive.
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(1);
        }
        if (kill(parent, 0) == 0 || errno != EPERM) {
            _exit(2);
        }
        if (!platform::isProcessAlive(parent)) {
            _exit(3);
        }
        _exit(platform::isProcessAlive(ended) ? 4 : 0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
