// The Java runtime carried inside a packed Linux program (a java.base runtime linked with JDK
// 17's jlink): the program runs with no Java anywhere on its search path, a later start runs
// from the cache without unpacking, damaged copies are noticed and replaced, ten first starts
// at once end with one copy, and a cache that cannot be written gives message 17 (or, where the
// search finds another runtime, a start from that one).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe =
    "mainclass com.example.probe.Probe\noption -Dprobe.properties=java.home\n";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

size_t countOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

class LinuxCarriedRuntime : public LaunchTest {
  protected:
    void SetUp() override {
        LaunchTest::SetUp();
        cache_ = dir() + "/cache";
        emptyBin_ = dir() + "/empty-bin";
        std::filesystem::create_directories(emptyBin_);
    }

    // A packed probe that carries the jlinked runtime.
    std::string carrying(const std::string& config, const std::string& name = "app") {
        std::string exe = packLinux(kProbe + config, name);
        ChildResult added =
            runChild({{WYN_E2E_CARRY_RUNTIME, exe, WYN_E2E_JLINKED_RUNTIME}, {}, {}, ""});
        EXPECT_EQ(added.exitCode, 0) << added.err;
        return exe;
    }

    // No Java anywhere the search looks but inside the program: no JAVA_HOME or JRE_HOME, a
    // PATH without java; the cache in the test's directory; the trace on standard error.
    ChildCommand startOf(const std::string& exe, const std::vector<std::string>& prefix = {}) {
        ChildCommand command;
        command.argv = prefix;
        command.argv.push_back(exe);
        command.setEnv = {"XDG_CACHE_HOME=" + cache_, "PATH=" + emptyBin_, "WYN_TRACE=1"};
        command.unsetEnv = {"JAVA_HOME", "JRE_HOME", "CLASSPATH", "CLASS_PATH", "DISPLAY"};
        command.workingDirectory = dir();
        return command;
    }
    ChildResult start(const std::string& exe) { return runChild(startOf(exe)); }

    // The copies in the cache: directories named by the content key.
    std::vector<std::string> copies() const {
        std::vector<std::string> found;
        std::string runtimes = cache_ + "/wyn/runtimes";
        if (!std::filesystem::exists(runtimes)) {
            return found;
        }
        for (const auto& entry : std::filesystem::directory_iterator(runtimes)) {
            if (entry.is_directory()) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    std::string cache_;
    std::string emptyBin_;
};

TEST_F(LinuxCarriedRuntime, RunsWithNoJavaOnTheSearchPath) {
    std::string exe = carrying("");
    ChildResult r = start(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(reportValue(r.out, "property.java.home"), copies()[0]) << r.out;
    EXPECT_TRUE(contains(r.err, "embedded runtime: unpacking")) << r.err;
    EXPECT_TRUE(contains(r.out, "property.java.version=17")) << r.out;
}

TEST_F(LinuxCarriedRuntime, TheDefaultOrderTakesItBeforeJavaHomeAndAnOrderWithoutRNever) {
    std::string byDefault = carrying("", "default");
    std::string withoutR = carrying("jre_order cbe\n", "without-r");
    ChildCommand command = startOf(byDefault);
    command.setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
    ChildResult r = runChild(command);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(reportValue(r.out, "property.java.home"), copies()[0]);

    std::filesystem::remove_all(cache_);
    command = startOf(withoutR);
    command.setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
    r = runChild(command);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.java.home"), E2ePaths::jdk());
    EXPECT_FALSE(contains(r.err, "embedded runtime")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(cache_ + "/wyn")) << "nothing unpacked";
}

TEST_F(LinuxCarriedRuntime, ASecondStartUsesTheCacheWithoutUnpacking) {
    std::string exe = carrying("");
    ASSERT_EQ(start(exe).exitCode, 0);
    ChildResult again = start(exe);
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(contains(again.err, "is intact")) << again.err;
    EXPECT_FALSE(contains(again.err, "unpacking")) << again.err;
    EXPECT_EQ(reportValue(again.out, "property.java.home"), copies()[0]);
}

TEST_F(LinuxCarriedRuntime, DamagedCopiesAreNoticedAndReplaced) {
    struct Case {
        const char* name;
        const char* command;  // run by sh in the copy's directory
    };
    const Case cases[] = {
        {"a file cut short", "truncate -s 1000 lib/modules"},
        {"a file with another time", "touch -d '2001-01-01' bin/java"},
        {"bytes changed in place",
         "printf 'JAVA_VERSION=\"99\"' | dd of=release conv=notrunc 2>/dev/null"},
        {"a missing file", "rm lib/server/libjvm.so"},
        {"a missing stamp (a partial copy)", "rm .wyn-copy-stamp"},
    };
    std::string exe = carrying("");
    ASSERT_EQ(start(exe).exitCode, 0);
    ASSERT_EQ(copies().size(), 1u);
    std::string copy = copies()[0];
    std::string modules = copy + "/lib/modules";
    auto modulesSize = std::filesystem::file_size(modules);
    for (const Case& c : cases) {
        ChildResult damaged = runChild({{"/bin/sh", "-c", c.command}, {}, {}, copy});
        ASSERT_EQ(damaged.exitCode, 0) << c.name << ": " << damaged.err;
        ChildResult r = start(exe);
        EXPECT_EQ(r.exitCode, 0) << c.name << ": " << r.err;
        EXPECT_TRUE(contains(r.err, "is damaged")) << c.name << ": " << r.err;
        EXPECT_TRUE(contains(r.err, "unpacked into")) << c.name;
        EXPECT_EQ(reportValue(r.out, "property.java.home"), copy) << c.name;
        EXPECT_EQ(std::filesystem::file_size(modules), modulesSize) << c.name;
        EXPECT_EQ(copies().size(), 1u) << c.name;
    }
}

TEST_F(LinuxCarriedRuntime, TenFirstStartsAtOnceEndWithOneCopyAndAllRun) {
    std::string exe = carrying("");
    std::vector<std::unique_ptr<ChildProcess>> starts;
    for (int i = 0; i < 10; ++i) {
        starts.push_back(std::make_unique<ChildProcess>(startOf(exe)));
        ASSERT_TRUE(starts.back()->started());
    }
    int unpacked = 0;
    for (auto& child : starts) {
        ChildResult r = child->finish(240000);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(contains(r.out, "property.java.home=" + cache_)) << r.out;
        unpacked += static_cast<int>(countOf(r.err, "unpacked into"));
    }
    EXPECT_EQ(unpacked, 1) << "one start unpacks, the others wait and use its copy";
    ASSERT_EQ(copies().size(), 1u);
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(cache_ + "/wyn/runtimes")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u) << "the copy and its lock file, nothing half-made";
}

// The cache on a file system of its own, in a private mount namespace: read-only, or too small.
class LinuxCarriedRuntimeCache : public LinuxCarriedRuntime {
  protected:
    ChildResult startOnMount(const std::string& exe, const std::string& options) {
        std::filesystem::create_directories(cache_);
        ChildCommand command =
            startOf(exe, {"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                          "mount -t tmpfs -o " + options + " tmpfs \"$0\" && exec \"$@\"", cache_});
        command.setEnv.push_back("PATH=/usr/bin:/bin");
        return runChild(command);
    }
    bool canMount() {
        ChildResult probe = runChild({{"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                                       "mount -t tmpfs -o size=64k tmpfs \"$0\"", dir()},
                                      {},
                                      {},
                                      ""});
        return probe.exitCode == 0;
    }
};

TEST_F(LinuxCarriedRuntimeCache, AnUnwritableOrFullCacheGivesMessage17) {
    if (!canMount()) {
        GTEST_SKIP() << "no private mount namespace here (unshare -m, mount -t tmpfs)";
    }
    struct Case {
        const char* name;
        const char* options;
        const char* reason;
    };
    std::string exe = carrying("jre_order r\n");
    for (const Case& c : {Case{"read-only", "ro", "the folder may not be written"},
                          Case{"full", "size=2m", "the disk is full"}}) {
        ChildResult r = startOnMount(exe, c.options);
        EXPECT_EQ(r.exitCode, 17) << c.name << ": " << r.err;
        EXPECT_TRUE(
            contains(r.err, "The Java runtime inside this program cannot be unpacked into " +
                                cache_ + "/wyn/runtimes: " + c.reason))
            << c.name << ": " << r.err;
        EXPECT_FALSE(contains(r.out, "argc=")) << c.name << ": the program did not run";
    }
}

TEST_F(LinuxCarriedRuntimeCache, AnUnwritableCacheFallsBackToAnotherRuntimeTheSearchFinds) {
    if (!canMount()) {
        GTEST_SKIP() << "no private mount namespace here (unshare -m, mount -t tmpfs)";
    }
    std::string exe = carrying("");
    ChildResult r = startOnMount(exe, "ro");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "cannot unpack") || contains(r.err, "cannot make")) << r.err;
    EXPECT_FALSE(contains(reportValue(r.out, "property.java.home"), cache_)) << r.out;
}

}  // namespace
