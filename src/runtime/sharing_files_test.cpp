// The launcher's stamp beside a class-data-sharing file tells the file that was written from
// one that changed since, even with the same size and time; magic numbers; the removal of a
// program's older files.
#include "runtime/sharing_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/files.h"
#include "support/scratch_tree.h"

namespace {

// Rewrites a file, then puts its modification time back: what a stamp of size and time alone
// would take for the file it was.
void rewriteKeepingTime(const std::string& path, const std::string& content) {
    auto time = std::filesystem::last_write_time(path);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::filesystem::last_write_time(path, time);
}

std::string cacheLike(size_t size) {
    std::string bytes(size, '\0');
    uint32_t magic = kAotCacheMagic;
    bytes.replace(0, sizeof magic, reinterpret_cast<const char*>(&magic), sizeof magic);
    for (size_t i = sizeof magic; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    return bytes;
}

TEST(SharingStamp, MatchesTheFileAsWritten) {
    ScratchTree tree;
    std::string cache = tree.file("p-f.aot", cacheLike(200000));
    std::string stamp = tree.path("p-f.stamp");
    EXPECT_FALSE(sharingStampMatches(cache.c_str(), stamp.c_str())) << "no stamp yet";
    ASSERT_TRUE(writeSharingStamp(cache.c_str(), stamp.c_str()));
    EXPECT_TRUE(sharingStampMatches(cache.c_str(), stamp.c_str()));
    EXPECT_FALSE(platform::exists((stamp + ".tmp").c_str()));
}

TEST(SharingStamp, AnyChangeSinceIsSeen) {
    const std::string original = cacheLike(200000);
    struct Change {
        const char* name;
        std::string content;
        bool keepTime;
    } changes[] = {
        {"header byte, same size and time",
         [&] {
             std::string c = original;
             c[100] = static_cast<char>(c[100] ^ 0x40);
             return c;
         }(),
         true},
        {"magic zeroed, same size and time", std::string(4, '\0') + original.substr(4), true},
        {"last hashed byte, same size and time",
         [&] {
             std::string c = original;
             c[64 * 1024 - 1] = static_cast<char>(c[64 * 1024 - 1] ^ 1);
             return c;
         }(),
         true},
        {"truncated, same time", original.substr(0, original.size() / 3), true},
        {"one byte longer, same time", original + "x", true},
        {"empty", "", true},
        {"rewritten unchanged", original, false},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        ScratchTree tree;
        std::string cache = tree.file("p-f.aot", original);
        std::string stamp = tree.path("p-f.stamp");
        // A time in the past, so that a rewrite without putting it back changes it.
        std::filesystem::last_write_time(
            cache, std::filesystem::last_write_time(cache) - std::chrono::hours(1));
        ASSERT_TRUE(writeSharingStamp(cache.c_str(), stamp.c_str()));
        if (c.keepTime) {
            rewriteKeepingTime(cache, c.content);
        } else {
            std::ofstream(cache, std::ios::binary | std::ios::trunc) << c.content;
        }
        EXPECT_FALSE(sharingStampMatches(cache.c_str(), stamp.c_str()));
    }
}

TEST(SharingStamp, AMissingOrForeignStampNeverMatches) {
    ScratchTree tree;
    std::string cache = tree.file("p-f.aot", cacheLike(5000));
    std::string other = tree.file("q-f.aot", cacheLike(5001));
    std::string stamp = tree.path("p-f.stamp");
    ASSERT_TRUE(writeSharingStamp(other.c_str(), stamp.c_str()));
    EXPECT_FALSE(sharingStampMatches(cache.c_str(), stamp.c_str()));
    for (const char* text : {"", "garbage", "5000 0 0"}) {
        tree.file("p-f.stamp", text);
        EXPECT_FALSE(sharingStampMatches(cache.c_str(), stamp.c_str())) << text;
    }
    EXPECT_FALSE(writeSharingStamp(tree.path("missing.aot").c_str(), stamp.c_str()));
    EXPECT_FALSE(sharingStampMatches(tree.path("missing.aot").c_str(), stamp.c_str()));
}

TEST(SharingMagic, EachKindHasItsOwn) {
    ScratchTree tree;
    std::string aot = tree.file("a", cacheLike(64));
    std::string dynamic = cacheLike(64);
    uint32_t magic = kDynamicArchiveMagic;
    dynamic.replace(0, sizeof magic, reinterpret_cast<const char*>(&magic), sizeof magic);
    std::string jsa = tree.file("d", dynamic);
    EXPECT_TRUE(startsWithMagic(aot.c_str(), kAotCacheMagic));
    EXPECT_FALSE(startsWithMagic(aot.c_str(), kDynamicArchiveMagic));
    EXPECT_TRUE(startsWithMagic(jsa.c_str(), kDynamicArchiveMagic));
    EXPECT_FALSE(startsWithMagic(jsa.c_str(), kAotCacheMagic));
    EXPECT_FALSE(startsWithMagic(tree.file("short", "ab").c_str(), kAotCacheMagic));
    EXPECT_FALSE(startsWithMagic(tree.path("none").c_str(), kAotCacheMagic));
}

TEST(SharingFiles, OlderFingerprintsOfTheProgramAreRemoved) {
    ScratchTree tree;
    for (const char* name :
         {"key1-old1.aot", "key1-old1.stamp", "key1-old2.jsa", "key1-new.aot", "key1-new.stamp",
          "key1-new.owner", "key2-old1.aot", "key1x-old.aot", "unrelated.txt"}) {
        tree.file(name, "x");
    }
    tree.directory("key1-dir");
    removeOlderFingerprints(tree.root().c_str(), "key1", "key1-new.");
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(tree.root())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"key1-new.aot", "key1-new.stamp", "key1-new.owner",
                                           "key2-old1.aot", "key1x-old.aot", "unrelated.txt",
                                           "key1-dir"}));
}

}  // namespace
