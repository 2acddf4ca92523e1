// The instance registry seen from Java: packed applications with the real JDK ask
// com.tarnwick.wyn.Instances which instances run, in custom mode and without it; the
// registry's and the single-instance guard's objects are the user's own, name the program
// file itself, and are gone once the instances have ended through System.exit or SIGTERM.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

constexpr int kWaitMs = 60000;

class LinuxInstances : public LaunchTest {
  protected:
    void SetUp() override {
        LaunchTest::SetUp();
        // The user's private directory of every launcher started here.
        runDir_ = dir() + "/run";
        ASSERT_EQ(mkdir(runDir_.c_str(), 0700), 0);
        env_ = {"XDG_RUNTIME_DIR=" + runDir_};
    }
    void TearDown() override {
        for (const std::string& name : objects_) {
            unlink(name.c_str());
        }
        LaunchTest::TearDown();
    }

    // Packs the reporting application; appid may be empty.
    std::string packApp(const std::string& name, const std::string& appid,
                        const std::string& mode) {
        std::string config = "mainclass com.example.instances.InstancesApp\n";
        if (!appid.empty()) {
            config += "appid " + appid + "\n";
        }
        if (!mode.empty()) {
            config += "singleinstance " + mode + "\n";
        }
        return pack(E2ePaths::linuxStub(), config, {WYN_E2E_INSTANCES_APP_JAR}, name);
    }

    std::string uniqueAppid(const std::string& what) {
        return "wyn-e2e-" + std::to_string(getpid()) + "-" + what;
    }

    ChildCommand command(const std::string& exe, const std::string& name) {
        ChildCommand c;
        c.argv = {exe, dir(), name};
        c.setEnv = env_;
        c.setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
        c.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH"};
        for (const std::string& unset : unsetEnv_) {
            c.unsetEnv.push_back(unset);
        }
        return c;
    }

    // A running instance named name (its files in dir()), after its first report.
    std::unique_ptr<ChildProcess> start(const std::string& exe, const std::string& name) {
        auto child = std::make_unique<ChildProcess>(command(exe, name));
        reports_[child.get()] = 1;
        EXPECT_TRUE(child->waitForOutput("done.1=yes", kWaitMs)) << child->output();
        return child;
    }

    // Runs exe to its end and returns its exit code (for a start that is refused).
    int runToEnd(const std::string& exe, const std::string& name) {
        ChildResult r = runChild(command(exe, name), kWaitMs);
        return r.exitCode;
    }

    // Asks a running instance for another report and returns key's value in it.
    struct Report {
        std::string first, current, instances;
    };
    Report ask(ChildProcess& child, const std::string& name) {
        int n = ++reports_[&child];
        writeFile(dir() + "/" + name + ".report", "");
        std::string suffix = "." + std::to_string(n);
        EXPECT_TRUE(child.waitForOutput("done" + suffix + "=yes", kWaitMs)) << child.output();
        return {reportValue(child.output(), "first" + suffix),
                reportValue(child.output(), "current" + suffix),
                reportValue(child.output(), "instances" + suffix)};
    }

    void stop(ChildProcess& child, const std::string& name) {
        writeFile(dir() + "/" + name + ".stop", "");
        ChildResult r = child.finish(kWaitMs);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }

    // The names in a directory, without "." and "..".
    static std::vector<std::string> entries(const std::string& directory) {
        std::vector<std::string> names;
        if (DIR* d = opendir(directory.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") {
                    names.push_back(name);
                }
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The names in /dev/shm that mention text.
    static std::vector<std::string> sharedMemoryNames(const std::string& text) {
        std::vector<std::string> found;
        for (const std::string& name : entries("/dev/shm")) {
            if (name.find(text) != std::string::npos) {
                found.push_back(name);
            }
        }
        return found;
    }

    std::string runDir_;
    std::vector<std::string> env_;
    std::vector<std::string> unsetEnv_;
    std::vector<std::string> objects_;  // removed at the end (another user's files)

  private:
    std::map<ChildProcess*, int> reports_;
};

TEST_F(LinuxInstances, FirstAndSecondSeeEachOtherInCustomMode) {
    std::string exe = packApp("app", uniqueAppid("custom"), "Custom");
    auto a = start(exe, "a");
    EXPECT_EQ(reportValue(a->output(), "instances.1"), std::to_string(a->pid()));
    EXPECT_EQ(reportValue(a->output(), "first.1"), std::to_string(a->pid()));
    EXPECT_EQ(reportValue(a->output(), "current.1"), std::to_string(a->pid()));

    auto b = start(exe, "b");
    std::string both = std::to_string(a->pid()) + "," + std::to_string(b->pid());
    EXPECT_EQ(reportValue(b->output(), "instances.1"), both);
    EXPECT_EQ(reportValue(b->output(), "first.1"), std::to_string(a->pid()));
    EXPECT_EQ(reportValue(b->output(), "current.1"), std::to_string(b->pid()));
    Report fromA = ask(*a, "a");
    EXPECT_EQ(fromA.instances, both);
    EXPECT_EQ(fromA.first, std::to_string(a->pid()));

    // The first ends; the other takes over and lists only itself.
    stop(*a, "a");
    Report after = ask(*b, "b");
    EXPECT_EQ(after.first, std::to_string(b->pid()));
    EXPECT_EQ(after.instances, std::to_string(b->pid()));
    stop(*b, "b");
}

TEST_F(LinuxInstances, WithoutCustomModeOnlyTheListAnswers) {
    std::string exe = packApp("app", uniqueAppid("plain"), "");
    auto a = start(exe, "a");
    auto b = start(exe, "b");
    EXPECT_EQ(reportValue(b->output(), "first.1"), "-1");
    EXPECT_EQ(reportValue(b->output(), "current.1"), "-1");
    EXPECT_EQ(reportValue(b->output(), "instances.1"),
              std::to_string(a->pid()) + "," + std::to_string(b->pid()));
    stop(*a, "a");
    stop(*b, "b");
}

// Without an application id each executable file has its own registry: two copies at
// different paths do not meet; with the same id they do.
TEST_F(LinuxInstances, CopiesMeetOnlyThroughTheSameApplicationId) {
    std::string one = packApp("one", "", "custom");
    std::string two = packApp("two", "", "custom");
    auto a = start(one, "a");
    auto b = start(two, "b");
    EXPECT_EQ(reportValue(b->output(), "instances.1"), std::to_string(b->pid()));
    EXPECT_EQ(ask(*a, "a").instances, std::to_string(a->pid()));
    auto c = start(one, "c");
    EXPECT_EQ(reportValue(c->output(), "instances.1"),
              std::to_string(a->pid()) + "," + std::to_string(c->pid()));
    stop(*a, "a");
    stop(*b, "b");
    stop(*c, "c");

    std::string appid = uniqueAppid("shared");
    std::string three = packApp("three", appid, "custom");
    std::string four = packApp("four", appid, "custom");
    auto d = start(three, "d");
    auto e = start(four, "e");
    EXPECT_EQ(reportValue(e->output(), "instances.1"),
              std::to_string(d->pid()) + "," + std::to_string(e->pid()));
    stop(*d, "d");
    stop(*e, "e");
}

// "wyn-image-<device>-<inode>" of a program file, as its objects are named.
std::string imageKey(const std::string& exe) {
    struct stat st;
    if (stat(exe.c_str(), &st) != 0) {
        return "(no file)";
    }
    char key[96];
    std::snprintf(key, sizeof(key), "wyn-image-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return key;
}

// Runs fn in a child process that has become the user nobody; its exit code (fn's result),
// or -1 when it could not become nobody or did not exit.
int asNobody(const std::function<int()>& fn) {
    pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(100);
        }
        _exit(fn());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 100) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// An orderly end through System.exit, or through SIGTERM (which becomes System.exit(0)),
// leaves nothing in the user's directory nor in /dev/shm: neither the registry's block nor the
// single-instance guard's lock file.
TEST_F(LinuxInstances, NothingIsLeftAfterSystemExitOrSigterm) {
    std::string appid = uniqueAppid("leave");
    std::string custom = packApp("custom", appid, "custom");
    auto a = start(custom, "a");
    auto b = start(custom, "b");
    EXPECT_EQ(reportValue(b->output(), "instances.1"),
              std::to_string(a->pid()) + "," + std::to_string(b->pid()));
    std::vector<std::string> running = entries(runDir_);
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0], "wyn3-" + appid + ".wyn.mapping");
    a->sendSignal(SIGTERM);
    ChildResult endedA = a->finish(kWaitMs);
    EXPECT_EQ(endedA.exitCode, 0) << endedA.err;
    EXPECT_EQ(entries(runDir_), running) << "b still runs";
    writeFile(dir() + "/b.exit", "");
    ChildResult endedB = b->finish(kWaitMs);
    EXPECT_EQ(endedB.exitCode, 3) << endedB.err;
    EXPECT_EQ(entries(runDir_), std::vector<std::string>());
    EXPECT_EQ(sharedMemoryNames(appid), std::vector<std::string>());

    std::string single = packApp("single", "", "true");
    // /dev/shm may hold blocks that older builds left (named by device and inode, which a new
    // file can get again): only a name this test made would be its fault.
    std::vector<std::string> shmBefore = sharedMemoryNames(imageKey(single));
    for (const char* how : {"exit", "sigterm"}) {
        SCOPED_TRACE(how);
        auto c = start(single, "c");
        std::vector<std::string> held = entries(runDir_);
        EXPECT_EQ(held.size(), 2u) << "the block and the guard";
        for (const std::string& name : held) {
            EXPECT_EQ(name.rfind("wyn3-wyn-image-", 0), 0u) << name;
        }
        int expected = 3;
        if (std::string(how) == "exit") {
            writeFile(dir() + "/c.exit", "");
        } else {
            c->sendSignal(SIGTERM);
            expected = 0;
        }
        ChildResult ended = c->finish(kWaitMs);
        EXPECT_EQ(ended.exitCode, expected) << ended.err;
        EXPECT_EQ(entries(runDir_), std::vector<std::string>());
        ::unlink((dir() + "/c.exit").c_str());
    }
    EXPECT_EQ(sharedMemoryNames(imageKey(single)), shmBefore);
}

// The guard names the program file, not the path that started it: a hard link to the running
// program, and a symbolic link, are second starts of it and are refused with 11.
TEST_F(LinuxInstances, LinksToTheRunningProgramAreRefused) {
    std::string exe = packApp("single", "", "true");
    auto a = start(exe, "a");
    std::string hard = dir() + "/hard-link", soft = dir() + "/soft-link";
    ASSERT_EQ(link(exe.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink(exe.c_str(), soft.c_str()), 0);
    EXPECT_EQ(runToEnd(hard, "hard"), 11);
    EXPECT_EQ(runToEnd(soft, "soft"), 11);
    EXPECT_EQ(runToEnd(exe, "same"), 11);
    stop(*a, "a");
    // Once it has ended, the hard link starts like the program itself.
    auto b = start(hard, "b");
    EXPECT_EQ(runToEnd(exe, "again"), 11);
    stop(*b, "b");
}

// Another local user (nobody) takes every name it could guess first: the user's directory
// below the shared temporary directory, the files of the registry and the guard inside it,
// and the shared-memory names of earlier builds. The owner's instances still meet and the
// guard still refuses a second start; their objects live in the owner's fallback directory,
// and nothing of nobody's is touched.
TEST_F(LinuxInstances, AnotherUserTakingTheNamesFirstChangesNothing) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    ASSERT_EQ(chmod(dir().c_str(), 0755), 0);
    std::string temporary = dir() + "/tmp", home = dir() + "/home";
    ASSERT_EQ(mkdir(temporary.c_str(), 0700), 0);
    ASSERT_EQ(chmod(temporary.c_str(), 01777), 0);
    ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
    env_ = {"TMPDIR=" + temporary, "HOME=" + home};
    unsetEnv_ = {"XDG_RUNTIME_DIR"};

    std::string appid = uniqueAppid("squat");
    std::string custom = packApp("custom", appid, "custom");
    std::string single = packApp("single", "", "true");
    std::string image = imageKey(single);
    struct stat st;
    std::string squatted = temporary + "/wyn-" + std::to_string(geteuid());
    std::vector<std::string> files;
    for (const std::string& key : {appid + ".wyn.mapping", image + ".wyn.mapping"}) {
        for (const char* ending : {"", ".lock", ".mailbox", ".signal"}) {
            files.push_back(squatted + "/wyn3-" + key + ending);
        }
        files.push_back("/dev/shm/" + key);
        files.push_back("/dev/shm/wyn3-" + key);
    }
    files.push_back(squatted + "/wyn3-" + image + ".wyn.mutex");
    files.push_back(squatted + "/wyn3-" + appid + ".wyn.mutex");
    for (const std::string& file : files) {
        if (file.rfind("/dev/shm/", 0) == 0) {
            objects_.push_back(file);
        }
    }
    ASSERT_EQ(asNobody([&] {
                  if (mkdir(squatted.c_str(), 0777) != 0 || chmod(squatted.c_str(), 0777) != 0) {
                      return 1;
                  }
                  for (const std::string& file : files) {
                      int fd = open(file.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
                      if (fd < 0) {
                          return 2;
                      }
                      fchmod(fd, 0666);
                      close(fd);
                  }
                  return 0;
              }),
              0);

    auto a = start(custom, "a");
    auto b = start(custom, "b");
    std::string both = std::to_string(a->pid()) + "," + std::to_string(b->pid());
    EXPECT_EQ(reportValue(b->output(), "instances.1"), both);
    EXPECT_EQ(reportValue(b->output(), "first.1"), std::to_string(a->pid()));
    EXPECT_EQ(ask(*a, "a").instances, both);
    // The owner's objects are in its own directory below HOME.
    std::string own = home + "/.wyn";
    ASSERT_EQ(stat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
    EXPECT_EQ(entries(own), std::vector<std::string>{"wyn3-" + appid + ".wyn.mapping"});

    auto guarded = start(single, "guarded");
    EXPECT_EQ(runToEnd(single, "refused"), 11);
    stop(*guarded, "guarded");
    stop(*a, "a");
    stop(*b, "b");
    EXPECT_EQ(entries(own), std::vector<std::string>());

    // nobody's files are as it left them: empty, its own.
    for (const std::string& file : files) {
        ASSERT_EQ(stat(file.c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_uid, 65534u) << file;
        EXPECT_EQ(st.st_size, 0) << file;
    }
    for (const std::string& file : files) {
        unlink(file.c_str());
    }
    rmdir(squatted.c_str());
}

}  // namespace
