// The runtime carried inside a program on Linux: copies unused for a month are removed unless
// a process runs from them, and a program run as root unpacks only where nobody else writes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "format/runtime_index.h"
#include "format/sha256.h"
#include "platform/cache_lock.h"
#include "platform/java_runtime.h"
#include "platform/runtime_cache_root.h"
#include "runtime/embedded_runtime.h"
#include "support/payload_builder.h"
#include "support/scratch_tree.h"
#include "support/zip_append.h"

namespace {

// A program that carries a one-file runtime whose content makes its content key.
std::string programWithRuntime(const ScratchDirectory& dir, const std::string& name,
                               const std::string& content) {
    RuntimeIndex index;
    index.platform = TextString(platform::kRuntimePlatform);
    index.release = TextString("17");
    RuntimeFile file;
    file.path = TextString("lib/server/libjvm.so");
    file.size = static_cast<int64_t>(content.size());
    file.mode = 0644;
    Sha256 hash;
    hash.update(content.data(), file.size);
    hash.finish(file.sha256);
    index.files.push_back(file);
    TextString text = writeRuntimeIndex(index);
    CraftedExecutable exe;
    exe.config = "mainclass a.B\n";
    std::string path = dir.file(name);
    EXPECT_TRUE(writeBytes(
        path, withZipEntries(
                  exe.bytes(),
                  {zipEntry(kRuntimeIndexEntry, text.c_str()),
                   zipEntry(std::string(kRuntimeEntryPrefix) + "lib/server/libjvm.so", content)})));
    return path;
}

void makeOld(const std::string& path, int days) {
    timespec times[2] = {};
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= static_cast<time_t>(days) * 24 * 3600;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(EmbeddedRuntimePosix, CopiesUnusedForAMonthAreRemovedUnlessInUse) {
    ScratchTree cache;
    ScratchDirectory dir;
    EnvironmentScope cacheHome("XDG_CACHE_HOME", cache.root().c_str());
    std::string runtimes = cache.root() + "/wyn/runtimes/";
    EmbeddedRuntime old =
        prepareEmbeddedRuntime(programWithRuntime(dir, "old", "o").c_str(), false);
    EmbeddedRuntime busy =
        prepareEmbeddedRuntime(programWithRuntime(dir, "busy", "b").c_str(), false);
    EmbeddedRuntime recent =
        prepareEmbeddedRuntime(programWithRuntime(dir, "recent", "r").c_str(), false);
    ASSERT_EQ(old.status, EmbeddedRuntimeStatus::Ready);
    ASSERT_EQ(busy.status, EmbeddedRuntimeStatus::Ready);
    ASSERT_EQ(recent.status, EmbeddedRuntimeStatus::Ready);
    releaseEmbeddedRuntimeCopies();

    // Another process runs from the busy copy: it holds the copy's InUse lock.
    platform::CacheLock running;
    ASSERT_TRUE(running.open((std::string(busy.home.c_str()) + ".lock").c_str()));
    ASSERT_TRUE(running.tryLock(platform::CacheLockKind::InUse, false));
    makeOld(std::string(old.home.c_str()) + ".lock", kUnusedCopyDays + 1);
    makeOld(std::string(busy.home.c_str()) + ".lock", kUnusedCopyDays + 1);
    makeOld(std::string(recent.home.c_str()) + ".lock", kUnusedCopyDays - 1);

    EmbeddedRuntime now =
        prepareEmbeddedRuntime(programWithRuntime(dir, "now", "n").c_str(), false);
    ASSERT_EQ(now.status, EmbeddedRuntimeStatus::Ready);
    EXPECT_FALSE(std::filesystem::exists(old.home.c_str())) << "unused for a month";
    EXPECT_FALSE(std::filesystem::exists(std::string(old.home.c_str()) + ".lock"));
    EXPECT_TRUE(std::filesystem::exists(std::string(busy.home.c_str()) + "/lib/server/libjvm.so"))
        << "a process runs from it";
    EXPECT_TRUE(std::filesystem::exists(recent.home.c_str())) << "used within the month";
    releaseEmbeddedRuntimeCopies();
}

TEST(EmbeddedRuntimePosix, RootUnpacksOnlyWhereNobodyElseWrites) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "runs as root only";
    }
    ScratchTree tree;
    ASSERT_EQ(chmod(tree.root().c_str(), 0700), 0);
    std::string safe = tree.directory("safe");
    std::string open = tree.directory("open");
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);
    std::string foreign = tree.directory("foreign");
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    std::string sticky = tree.directory("sticky");
    ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);

    EXPECT_TRUE(platform::writableOnlyByAdministrators(safe.c_str()));
    EXPECT_FALSE(platform::writableOnlyByAdministrators(open.c_str())) << "anyone may write";
    EXPECT_FALSE(platform::writableOnlyByAdministrators(foreign.c_str())) << "another's";
    EXPECT_FALSE(platform::writableOnlyByAdministrators(tree.directory("open/below").c_str()))
        << "below a directory anyone may write";
    EXPECT_TRUE(platform::writableOnlyByAdministrators(tree.directory("sticky/below").c_str()))
        << "root's own, below a sticky directory such as /tmp";

    ScratchDirectory dir;
    std::string program = programWithRuntime(dir, "app", "content");
    {
        EnvironmentScope cacheHome("XDG_CACHE_HOME", open.c_str());
        EmbeddedRuntime refused = prepareEmbeddedRuntime(program.c_str(), true);
        EXPECT_EQ(refused.status, EmbeddedRuntimeStatus::Untrusted);
        EXPECT_TRUE(refused.home.empty());
        EXPECT_EQ(prepareEmbeddedRuntime(program.c_str(), false).status,
                  EmbeddedRuntimeStatus::Ready)
            << "a program without administrator rights may use it";
    }
    EnvironmentScope cacheHome("XDG_CACHE_HOME", safe.c_str());
    EXPECT_EQ(prepareEmbeddedRuntime(program.c_str(), true).status, EmbeddedRuntimeStatus::Ready);
    releaseEmbeddedRuntimeCopies();
}

}  // namespace
