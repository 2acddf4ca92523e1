// The single-instance guard between real processes on Linux.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>

#include "launcher/single_instance.h"
#include "platform/env.h"
#include "platform/object_names.h"
#include "platform/sync.h"
#include "support/payload_builder.h"
#include "support/scratch_tree.h"

extern char** environ;

namespace {

// The lock file's name for a guard name: the protocol version comes first.
std::string fileOf(const std::string& name) {
    return "wyn" + std::to_string(platform::kSharedObjectProtocol) + "-" + name;
}

std::string probePath() {
    const char* path = std::getenv("WYN_TEST_PROBE");
    return path != nullptr ? path : "";
}

// A running mutex_probe and the first line it printed.
class Probe {
  public:
    Probe(const std::string& name, int holdSeconds, const char* after = nullptr) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string program = probePath(), hold = std::to_string(holdSeconds);
        char* argv[] = {program.data(), const_cast<char*>(name.c_str()), hold.data(),
                        const_cast<char*>(after), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
    }
    ~Probe() {
        kill();
        if (output_ >= 0) {
            close(output_);
        }
    }

    // The probe's report, or "timeout" when it printed nothing within 10 seconds.
    std::string report() {
        std::string line;
        char c;
        pollfd p{output_, POLLIN, 0};
        while (line.empty() || line.back() != '\n') {
            if (poll(&p, 1, 10000) <= 0 || read(output_, &c, 1) != 1) {
                return "timeout";
            }
            line.push_back(c);
        }
        line.pop_back();
        return line;
    }

    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
};

class GuardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(probePath().empty()) << "WYN_TEST_PROBE is not set";
        const char* old = platform::getEnv("XDG_RUNTIME_DIR");
        hadRuntimeDir = old != nullptr;
        oldRuntimeDir = old != nullptr ? old : "";
        ASSERT_TRUE(platform::putEnv(("XDG_RUNTIME_DIR=" + runtimeDir.path()).c_str()));
    }
    void TearDown() override { platform::putEnv(("XDG_RUNTIME_DIR=" + oldRuntimeDir).c_str()); }

    ScratchDirectory runtimeDir;
    bool hadRuntimeDir = false;
    std::string oldRuntimeDir;
};

TEST_F(GuardTest, SecondStartIsRefusedAndAKilledOwnerReleasesTheGuard) {
    TextString guardName = singleInstanceMutexName("/opt/tool/run", "");
    std::string name(guardName.c_str());
    Probe first(name, 60);
    ASSERT_EQ(first.report(), "acquired");
    Probe second(name, 0);
    EXPECT_EQ(second.report(), "held");

    // The lock file: versioned, '/' became '.', private to the user.
    struct stat st;
    ASSERT_EQ(stat(runtimeDir.file(fileOf(".opt.tool.run.wyn.mutex")).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The owner dies without releasing anything: the next start goes on.
    first.kill();
    Probe third(name, 60);
    EXPECT_EQ(third.report(), "acquired");
    Probe fourth(name, 0);
    EXPECT_EQ(fourth.report(), "held");
}

// An orderly end leaves no lock file behind, and the next start takes the guard anew.
TEST_F(GuardTest, OrderlyEndRemovesTheLockFile) {
    std::string file = runtimeDir.file(fileOf("leaving.wyn.mutex"));
    {
        Probe leaving("leaving.wyn.mutex", 0, "release");
        ASSERT_EQ(leaving.report(), "acquired");
        for (int i = 0; i < 500 && access(file.c_str(), F_OK) == 0; ++i) {
            usleep(10000);
        }
        EXPECT_NE(access(file.c_str(), F_OK), 0) << "the lock file is left behind";
    }
    Probe next("leaving.wyn.mutex", 60);
    EXPECT_EQ(next.report(), "acquired");
    EXPECT_EQ(access(file.c_str(), F_OK), 0);
    Probe refused("leaving.wyn.mutex", 0);
    EXPECT_EQ(refused.report(), "held");
}

TEST_F(GuardTest, DifferentNamesDoNotMeet) {
    Probe a("com.example.a.wyn.mutex", 60);
    Probe b("com.example.b.wyn.mutex", 60);
    EXPECT_EQ(a.report(), "acquired");
    EXPECT_EQ(b.report(), "acquired");
}

TEST_F(GuardTest, GuardTakenInThisProcessIsHeldForOthers) {
    int error = -1;
    ASSERT_EQ(platform::acquireNamedMutex("in-process.wyn.mutex", error),
              platform::NamedMutexResult::Acquired);
    EXPECT_EQ(error, 0);
    Probe other("in-process.wyn.mutex", 0);
    EXPECT_EQ(other.report(), "held");
}

TEST_F(GuardTest, VeryLongNamesStillWork) {
    std::string name = "/" + std::string(400, 'd') + "/run.wyn.mutex";
    std::string other = "/" + std::string(400, 'd') + "/run2.wyn.mutex";
    Probe first(name, 60);
    ASSERT_EQ(first.report(), "acquired");
    Probe second(name, 0);
    EXPECT_EQ(second.report(), "held");
    Probe third(other, 0);
    EXPECT_EQ(third.report(), "acquired");
}

// Without a private runtime directory: the user's own directory below TMPDIR, else below HOME.
class GuardWithoutRuntimeDirectory : public GuardTest {
  protected:
    void SetUp() override {
        GuardTest::SetUp();
        ASSERT_EQ(chmod(runtimeDir.path().c_str(), 0777), 0);
    }
    std::string own() const { return "wyn-" + std::to_string(geteuid()); }
    // The lock file's directory mode, or 0 when there is no such file.
    static unsigned lockDirectoryMode(const std::string& file) {
        struct stat st;
        if (stat(file.c_str(), &st) != 0) {
            return 0;
        }
        std::string directory = file.substr(0, file.rfind('/'));
        return stat(directory.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
    }

    ScratchDirectory temporary;
    ScratchDirectory home;
    EnvironmentScope tmpdir{"TMPDIR", temporary.path().c_str()};
    EnvironmentScope homeScope{"HOME", home.path().c_str()};
};

TEST_F(GuardWithoutRuntimeDirectory, PrivateDirectoryBelowTmpIsCreated) {
    for (const char* runtime : std::initializer_list<const char*>{"", "relative", nullptr}) {
        SCOPED_TRACE(runtime == nullptr ? "shared runtime directory" : runtime);
        if (runtime != nullptr) {
            platform::putEnv((std::string("XDG_RUNTIME_DIR=") + runtime).c_str());
        }
        Probe first("tmp.wyn.mutex", 60);
        ASSERT_EQ(first.report(), "acquired");
        Probe second("tmp.wyn.mutex", 0);
        EXPECT_EQ(second.report(), "held");
        EXPECT_EQ(lockDirectoryMode(temporary.file(own() + "/" + fileOf("tmp.wyn.mutex"))), 0700u);
        EXPECT_FALSE(std::ifstream(runtimeDir.file(fileOf("tmp.wyn.mutex"))).good());
    }
}

TEST_F(GuardWithoutRuntimeDirectory, DirectoryPlantedBelowTmpIsPassedOver) {
    // What another user could have put there first: a directory others may write to, and a
    // link to a directory of theirs.
    ScratchDirectory foreign;
    ASSERT_EQ(chmod(foreign.path().c_str(), 0777), 0);
    for (int planted = 0; planted < 2; ++planted) {
        std::string ownPath = temporary.file(own());
        if (planted == 0) {
            ASSERT_EQ(mkdir(ownPath.c_str(), 0777), 0);
            ASSERT_EQ(chmod(ownPath.c_str(), 0777), 0);
        } else {
            ASSERT_EQ(symlink(foreign.path().c_str(), ownPath.c_str()), 0);
        }
        std::string name = "planted" + std::to_string(planted) + ".wyn.mutex";
        Probe first(name, 60);
        ASSERT_EQ(first.report(), "acquired");
        Probe second(name, 0);
        EXPECT_EQ(second.report(), "held");
        EXPECT_EQ(lockDirectoryMode(home.file(".wyn/" + fileOf(name))), 0700u);
        EXPECT_FALSE(std::ifstream(foreign.file(fileOf(name))).good());
        if (planted == 0) {
            rmdir(ownPath.c_str());
        } else {
            unlink(ownPath.c_str());
        }
    }
}

TEST_F(GuardWithoutRuntimeDirectory, NoPrivateDirectoryAnywhereFails) {
    ASSERT_EQ(mkdir(temporary.file(own()).c_str(), 0777), 0);
    ASSERT_EQ(chmod(temporary.file(own()).c_str(), 0777), 0);
    EnvironmentScope noHome("HOME", nullptr);
    int error = 0;
    EXPECT_EQ(platform::acquireNamedMutex("nowhere.wyn.mutex", error),
              platform::NamedMutexResult::Failed);
    EXPECT_EQ(error, EACCES);
    rmdir(temporary.file(own()).c_str());
}

TEST_F(GuardTest, LockFileThatIsALinkOrADirectoryFails) {
    // A link planted under the lock file's name is not followed.
    ScratchDirectory elsewhere;
    std::string target = elsewhere.file("victim");
    ASSERT_TRUE(writeBytes(target, "keep"));
    ASSERT_EQ(symlink(target.c_str(), runtimeDir.file(fileOf("linked.wyn.mutex")).c_str()), 0);
    int error = 0;
    EXPECT_EQ(platform::acquireNamedMutex("linked.wyn.mutex", error),
              platform::NamedMutexResult::Failed);
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(readBytes(target), "keep");

    ASSERT_EQ(mkdir(runtimeDir.file(fileOf("directory.wyn.mutex")).c_str(), 0700), 0);
    EXPECT_EQ(platform::acquireNamedMutex("directory.wyn.mutex", error),
              platform::NamedMutexResult::Failed);
    EXPECT_EQ(error, EISDIR);
}

}  // namespace
