// The ahead-of-time cache of `cds auto` on a runtime of release 25 or later, for real: the
// first start records, a detached creation makes the cache, the next start publishes and
// uses it (the runtime's class loading log names the cache as the source of the
// application's class); a cache whose jar changed is replaced by one cache; a cache whose
// bytes or size changed since it was written is never handed to the runtime (the launcher's
// trace shows the options it passed); and the application's standard output and error carry
// nothing of any of it. Skipped where no such runtime is installed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

class AotCache : public LaunchTest {
  protected:
    void SetUp() override {
        LaunchTest::SetUp();
        jdk_ = laterRuntime(25);
        if (jdk_.empty()) {
            GTEST_SKIP() << "no runtime of release 25 or later in /usr/lib/jvm";
        }
        cache_ = dir() + "/cache";
        caches_ = cache_ + "/wyn/cds";
    }

    // The probe with `cds auto`, logging where each class comes from and tracing the launcher
    // into files. A tolerated option that no java launcher accepts shows that the creation
    // gets only the options that matter.
    std::string packProbe(const std::string& more = "") {
        return packLinux(
            "mainclass com.example.probe.Probe\ncds auto\njre_order e\n"
            "option -Xlog:class+load=info:file=" +
                classLog() +
                "\n"
                "option -XX:+WynNoSuchOption\n"
                "trace " +
                traceLog() + "\n" + more,
            "app");
    }
    std::string classLog() const { return dir() + "/class.log"; }
    std::string traceLog() const { return dir() + "/trace.log"; }

    ChildResult launch(const std::string& exe) {
        std::remove(traceLog().c_str());
        return run(exe, {}, {"JAVA_HOME=" + jdk_, "XDG_CACHE_HOME=" + cache_},
                   {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS",
                    "JDK_AOT_VM_OPTIONS", "_JAVA_OPTIONS"});
    }

    std::vector<std::string> files(const std::string& suffix) const {
        std::vector<std::string> names;
        DIR* d = opendir(caches_.c_str());
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

    static bool crashReportIn(const std::string& directory) {
        DIR* d = opendir(directory.c_str());
        bool found = false;
        while (dirent* e = d != nullptr ? readdir(d) : nullptr) {
            found = found || std::string(e->d_name).rfind("hs_err", 0) == 0;
        }
        if (d != nullptr) {
            closedir(d);
        }
        return found;
    }

    bool mainClassFromCache() const {
        std::string log = read(classLog());
        const std::string fromCache = "com.example.probe.Probe source: shared objects file";
        size_t at = log.find("com.example.probe.Probe source: ");
        return at != std::string::npos && log.compare(at, fromCache.size(), fromCache) == 0;
    }

    // Whether the launcher handed the runtime a cache in the last run.
    bool cacheHandedOver() const {
        return read(traceLog()).find("option -XX:AOTCache=") != std::string::npos;
    }

    // Waits until the creation that the last recording start began has ended.
    void waitForCreation() {
        std::vector<std::string> owners = files(".owner");
        ASSERT_EQ(owners.size(), 1u);
        std::string owner = read(caches_ + "/" + owners[0]);
        ASSERT_EQ(owner.compare(0, 7, "create "), 0) << owner;
        pid_t pid = static_cast<pid_t>(std::stol(owner.substr(7)));
        auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        while (kill(pid, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_NE(kill(pid, 0), 0) << "the creation has not ended";
    }

    // Records and creates the cache; returns the output of the recording start.
    std::string makeCache(const std::string& exe, int exitCode = 0) {
        ChildResult recording = launch(exe);
        EXPECT_EQ(recording.exitCode, exitCode) << recording.err;
        EXPECT_EQ(recording.err, "");
        EXPECT_FALSE(mainClassFromCache());
        EXPECT_TRUE(read(traceLog()).find("option -XX:AOTMode=record") != std::string::npos);
        waitForCreation();
        return recording.out;
    }

    std::string jdk_;
    std::string cache_;
    std::string caches_;
};

TEST_F(AotCache, RecordedCreatedThenUsedWithoutAWordOnTheOutput) {
    std::string exe = packProbe();
    std::string out = makeCache(exe);
    EXPECT_NE(out.find("main=returned"), std::string::npos) << out;
    EXPECT_EQ(files(".aot.tmp").size(), 1u);

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "publishing start" : "later start");
        ChildResult used = launch(exe);
        ASSERT_EQ(used.exitCode, 0) << used.err;
        EXPECT_TRUE(cacheHandedOver());
        EXPECT_TRUE(mainClassFromCache()) << read(classLog()).substr(0, 2000);
        EXPECT_EQ(used.out, out);
        EXPECT_EQ(used.err, "");
    }
    EXPECT_EQ(files(".aot").size(), 1u);
    EXPECT_EQ(files(".stamp").size(), 1u);
    EXPECT_EQ(files(".aotconf").size(), 0u);
    EXPECT_EQ(files(".owner").size(), 0u);
    EXPECT_EQ(files(".tmp").size(), 0u);
    EXPECT_EQ(files(".failed").size(), 0u);
}

TEST_F(AotCache, ReplacedByOneCacheAfterAJarChanges) {
    std::string extra = dir() + "/extra.jar";
    ASSERT_EQ(run("/bin/cp", {E2ePaths::probeJar(), extra}).exitCode, 0);
    std::string exe = packProbe("classpath extra.jar\n");
    makeCache(exe);
    ASSERT_EQ(launch(exe).exitCode, 0);
    ASSERT_TRUE(mainClassFromCache());
    std::vector<std::string> before = files(".aot");
    ASSERT_EQ(before.size(), 1u);

    ASSERT_EQ(run("/bin/cp", {E2ePaths::supportJar(), extra}).exitCode, 0);
    makeCache(exe);
    ChildResult used = launch(exe);
    ASSERT_EQ(used.exitCode, 0) << used.err;
    EXPECT_TRUE(mainClassFromCache());
    EXPECT_EQ(used.err, "");
    std::vector<std::string> after = files(".aot");
    ASSERT_EQ(after.size(), 1u) << "the older cache is removed";
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(files(".stamp").size(), 1u);
}

TEST_F(AotCache, ChangedCacheIsNeverHandedToTheRuntime) {
    std::string exe = packProbe();
    std::string out = makeCache(exe);
    ASSERT_EQ(launch(exe).exitCode, 0);
    ASSERT_TRUE(mainClassFromCache());
    std::string cache = caches_ + "/" + files(".aot")[0];
    std::string whole = read(cache);
    ASSERT_GT(whole.size(), 65536u);

    struct Damage {
        const char* name;
        std::string content;
    } damages[] = {
        // The runtime crashed on this one (hs_err file, no output of the application).
        {"header bytes, same size and time",
         whole.substr(0, 8) + std::string(8, '\0') + whole.substr(16)},
        // And printed errors on standard output for a truncated one.
        {"another size", whole.substr(0, whole.size() / 2)},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        struct stat before;
        ASSERT_EQ(stat(cache.c_str(), &before), 0);
        chmod(cache.c_str(), 0600);
        {
            std::ofstream file(cache, std::ios::binary | std::ios::trunc);
            file << d.content;
        }
        struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, cache.c_str(), times, 0), 0);

        ChildResult r = launch(exe);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_FALSE(cacheHandedOver()) << read(traceLog());
        EXPECT_FALSE(mainClassFromCache());
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(crashReportIn(dir()));

        // That start recorded again: the cache comes back.
        waitForCreation();
        ChildResult again = launch(exe);
        ASSERT_EQ(again.exitCode, 0) << again.err;
        EXPECT_TRUE(mainClassFromCache());
        cache = caches_ + "/" + files(".aot")[0];
    }
}

TEST_F(AotCache, RecordedWhenTheApplicationCallsSystemExit) {
    std::string exe = packProbe("option -Dprobe.action=exit42\n");
    std::string out = makeCache(exe, 42);
    ChildResult used = launch(exe);
    ASSERT_EQ(used.exitCode, 42) << used.err;
    EXPECT_TRUE(mainClassFromCache());
    EXPECT_EQ(used.out, out);
    EXPECT_EQ(used.err, "");
}

TEST_F(AotCache, ARuntimeThatCannotCreateItLeavesNormalStarts) {
    // Module options the creation gets too; an unknown one there makes the creation fail,
    // where the launcher's own start tolerates it.
    std::string exe = packProbe("option -XX:+UseWynNoSuchCollector\n");
    std::string out = makeCache(exe);
    // The start that finds the creation failed makes one more attempt (as after a creation
    // that the system's shutdown ended).
    EXPECT_EQ(makeCache(exe), out);
    for (int run = 0; run < 2; ++run) {
        ChildResult r = launch(exe);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(cacheHandedOver());
        EXPECT_EQ(read(traceLog()).find("option -XX:AOTMode=record"), std::string::npos)
            << "no recording again";
    }
    EXPECT_EQ(files(".failed").size(), 1u);
    EXPECT_EQ(files(".aot").size(), 0u);
}

}  // namespace
