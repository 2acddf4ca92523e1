// The application's class-data-sharing archive (`cds auto`) with the real JDK: made on the
// first run, used on the second (the runtime's class loading log names the archive as the
// source), made anew after the executable or the runtime changes, never handed to the
// runtime once truncated or rewritten, no output of its own, published once when several
// first runs end together, and a normal start whenever it cannot work.
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

class ClassDataSharing : public LaunchTest {
  protected:
    void SetUp() override {
        LaunchTest::SetUp();
        cache_ = dir() + "/cache";
        archives_ = cache_ + "/wyn/cds";
        jdk_ = E2ePaths::jdk();
    }

    // The probe with `cds auto`, logging where each class comes from into a file.
    std::string packProbe(const std::string& name, const std::string& more = "") {
        return packLinux(
            "mainclass com.example.probe.Probe\ncds auto\njre_order e\n"
            "option -Xlog:class+load=info:file=" +
                classLog(name) + "\n" + more,
            name);
    }
    std::string classLog(const std::string& name) const { return dir() + "/" + name + ".log"; }

    ChildResult launch(const std::string& exe, const std::string& cache = "") {
        return run(exe, {},
                   {"JAVA_HOME=" + jdk_, "XDG_CACHE_HOME=" + (cache.empty() ? cache_ : cache)},
                   {"JRE_HOME", "CLASSPATH", "CLASS_PATH"});
    }

    // The names in the archive directory that end with suffix.
    std::vector<std::string> files(const std::string& suffix) const {
        std::vector<std::string> names;
        DIR* d = opendir(archives_.c_str());
        if (d == nullptr) {
            return names;
        }
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > suffix.size() &&
                n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
                names.push_back(n);
            }
        }
        closedir(d);
        return names;
    }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Whether the last run of name loaded the application's class from the archive.
    bool mainClassFromArchive(const std::string& name) const {
        std::string log = read(classLog(name));
        size_t at = log.find("com.example.probe.Probe source:");
        return at != std::string::npos &&
               log.compare(at, 57, "com.example.probe.Probe source: shared objects file (top)") ==
                   0;
    }

    std::string cache_;
    std::string archives_;
    std::string jdk_;
};

TEST_F(ClassDataSharing, MadeOnTheFirstRunAndUsedOnTheSecond) {
    std::string exe = packProbe("app");
    ChildResult first = launch(exe);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.err, "");
    EXPECT_FALSE(mainClassFromArchive("app"));
    ASSERT_EQ(files(".jsa").size(), 1u);
    EXPECT_EQ(files(".stamp").size(), 1u);
    EXPECT_EQ(files(".tmp").size(), 0u);

    ChildResult second = launch(exe);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(mainClassFromArchive("app")) << read(classLog("app")).substr(0, 2000);
    EXPECT_EQ(second.out, first.out) << "the archive adds nothing to the application's output";
    EXPECT_EQ(second.err, "");

    // Without a usable cache the same executable starts normally, with the same output.
    ChildResult uncached = launch(exe, "/proc/no-cache-here");
    ASSERT_EQ(uncached.exitCode, 0) << uncached.err;
    EXPECT_EQ(uncached.out, first.out);
    EXPECT_EQ(uncached.err, "");
    EXPECT_FALSE(mainClassFromArchive("app"));
}

TEST_F(ClassDataSharing, ChangedExecutableOrRuntimeGetsAnArchiveOfItsOwn) {
    std::string exe = packProbe("app");
    ASSERT_EQ(launch(exe).exitCode, 0);
    ASSERT_EQ(files(".jsa").size(), 1u);

    // Packed again with another configuration line: another size and time. The archive of
    // the older executable is removed: one per program and runtime.
    sleep(1);
    exe = packProbe("app", "argv changed\n");
    ASSERT_EQ(launch(exe).exitCode, 0);
    EXPECT_FALSE(mainClassFromArchive("app"));
    EXPECT_EQ(files(".jsa").size(), 1u);
    EXPECT_EQ(files(".stamp").size(), 1u);
    ASSERT_EQ(launch(exe).exitCode, 0);
    EXPECT_TRUE(mainClassFromArchive("app"));

    // The same JDK reached through another path counts as another runtime.
    std::string linked = dir() + "/jdk-link";
    ASSERT_EQ(symlink(jdk_.c_str(), linked.c_str()), 0);
    jdk_ = linked;
    ChildResult other = launch(exe);
    ASSERT_EQ(other.exitCode, 0) << other.err;
    EXPECT_FALSE(mainClassFromArchive("app"));
    EXPECT_EQ(files(".jsa").size(), 2u);
}

TEST_F(ClassDataSharing, ChangedClassPathJarGetsAnArchiveOfItsOwn) {
    std::string extra = dir() + "/extra.jar";
    ASSERT_EQ(run("/bin/cp", {E2ePaths::probeJar(), extra}).exitCode, 0);
    std::string exe = packProbe("app", "classpath extra.jar\n");
    ASSERT_EQ(launch(exe).exitCode, 0);
    ASSERT_EQ(launch(exe).exitCode, 0);
    EXPECT_TRUE(mainClassFromArchive("app"));
    ASSERT_EQ(run("/bin/cp", {E2ePaths::supportJar(), extra}).exitCode, 0);
    ChildResult changed = launch(exe);
    ASSERT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_EQ(changed.err, "");
    EXPECT_EQ(files(".jsa").size(), 1u) << "the older archive is replaced";
    ASSERT_EQ(launch(exe).exitCode, 0);
    EXPECT_TRUE(mainClassFromArchive("app"));
}

TEST_F(ClassDataSharing, LaterDynamicArchiveRuntimeMakesAndUsesTheArchiveQuietly) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's memcpy check trips inside the runtime's own archive dump";
#endif
    // Its messages about archives are louder (a truncated archive is reported on standard
    // output) and carry other tags.
    std::string later = laterRuntime(19, 25);
    if (later.empty()) {
        GTEST_SKIP() << "no runtime of release 19 to 24 in /usr/lib/jvm";
    }
    jdk_ = later;
    std::string exe = packProbe("app");
    ChildResult first = launch(exe);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(files(".jsa").size(), 1u);
    std::string archive = archives_ + "/" + files(".jsa")[0];
    ChildResult second = launch(exe);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(mainClassFromArchive("app"));
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(second.err, "");
    std::string whole = read(archive);
    chmod(archive.c_str(), 0600);
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out << whole.substr(0, whole.size() / 3);
    }
    ChildResult damaged = launch(exe);
    ASSERT_EQ(damaged.exitCode, 0) << damaged.err;
    EXPECT_EQ(damaged.out, first.out);
    EXPECT_EQ(damaged.err, "");
}

TEST_F(ClassDataSharing, DamagedArchiveIsNeverUsedAndMadeAgain) {
    std::string exe = packProbe("app");
    ChildResult first = launch(exe);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(files(".jsa").size(), 1u);
    std::string archive = archives_ + "/" + files(".jsa")[0];
    std::string whole = read(archive);
    ASSERT_GT(whole.size(), 4096u);

    struct Damage {
        const char* name;
        std::string content;
    } damages[] = {
        // A runtime maps a truncated archive and dies of SIGBUS.
        {"truncated", whole.substr(0, whole.size() / 2)},
        {"rewritten header", std::string(16, '\0') + whole.substr(16)},
        {"empty", ""},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        chmod(archive.c_str(), 0600);
        {
            std::ofstream out(archive, std::ios::binary | std::ios::trunc);
            out << d.content;
        }
        ChildResult r = launch(exe);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, first.out);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(mainClassFromArchive("app"));
        ASSERT_EQ(launch(exe).exitCode, 0);
        EXPECT_TRUE(mainClassFromArchive("app")) << "made again";
    }
}

TEST_F(ClassDataSharing, ArchiveIsPublishedAfterSystemExit) {
    std::string exe = packProbe("app", "option -Dprobe.action=exit42\n");
    ChildResult first = launch(exe);
    ASSERT_EQ(first.exitCode, 42) << first.err;
    ASSERT_EQ(files(".jsa").size(), 1u);
    ASSERT_EQ(launch(exe).exitCode, 42);
    EXPECT_TRUE(mainClassFromArchive("app"));
}

TEST_F(ClassDataSharing, ConcurrentFirstRunsLeaveOneWholeArchive) {
    std::string exe = packProbe("app");
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (int i = 0; i < 4; ++i) {
        ChildCommand command;
        command.argv = {exe};
        command.setEnv = {"JAVA_HOME=" + jdk_, "XDG_CACHE_HOME=" + cache_};
        command.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH"};
        command.workingDirectory = dir();
        runs.push_back(std::make_unique<ChildProcess>(command));
        ASSERT_TRUE(runs.back()->started());
    }
    for (auto& child : runs) {
        ChildResult r = child->finish(120000);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(files(".jsa").size(), 1u);
    EXPECT_EQ(files(".stamp").size(), 1u);
    EXPECT_EQ(files(".tmp").size(), 0u);
    ASSERT_EQ(launch(exe).exitCode, 0);
    EXPECT_TRUE(mainClassFromArchive("app"));
}

TEST_F(ClassDataSharing, OtherValuesAndOwnSharingOptionsChangeNothing) {
    struct Case {
        const char* name;
        const char* lines;
    } cases[] = {
        {"off", "cds off\n"},
        {"no line", ""},
        {"own archive option", "cds auto\noption -Xshare:auto\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string exe = packLinux(
            std::string("mainclass com.example.probe.Probe\njre_order e\n") + c.lines, c.name);
        ChildResult r = launch(exe);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(files(".jsa").size(), 0u);
        EXPECT_EQ(files(".tmp").size(), 0u);
    }
}

}  // namespace
