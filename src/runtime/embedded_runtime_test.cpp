// The runtime carried inside a program, prepared in a private cache: unpacked once and used
// from the cache after, damaged and partial copies unpacked again, a damaged runtime in the
// program refused without leaving anything behind, and the cases that are no runtime at all.
#include "runtime/embedded_runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "format/runtime_index.h"
#include "format/sha256.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "support/payload_builder.h"
#include "support/scratch_tree.h"
#include "support/zip_append.h"

namespace {

struct ImageFile {
    std::string content;
    int32_t mode;
};
using Image = std::map<std::string, ImageFile>;

Image sampleImage() {
    std::string library(300000, '\0');
    for (size_t i = 0; i < library.size(); ++i) {
        library[i] = static_cast<char>((i * 7919) % 251);
    }
    return Image{{"bin/java", {"#!launcher", 0755}},
                 {"lib/server/libjvm.so", {library, 0644}},
                 {"lib/modules", {std::string(70000, 'm'), 0644}},
                 {"release", {"JAVA_VERSION=\"17.0.9\"\n", 0644}}};
}

std::string indexTextOf(const Image& image, const char* platformName) {
    RuntimeIndex index;
    index.platform = TextString(platformName);
    index.release = TextString("17.0.9");
    for (const auto& [path, file] : image) {
        RuntimeFile entry;
        entry.path = TextString(path.c_str());
        entry.size = static_cast<int64_t>(file.content.size());
        entry.mode = file.mode;
        Sha256 hash;
        hash.update(file.content.data(), static_cast<int64_t>(file.content.size()));
        hash.finish(entry.sha256);
        index.files.push_back(entry);
    }
    TextString text = writeRuntimeIndex(index);
    return std::string(text.c_str(), static_cast<size_t>(text.length()));
}

// A packed program that carries image, described by indexText; archive files can differ
// from the image to make a damaged program.
std::string programCarrying(const ScratchDirectory& dir, const Image& archived,
                            const std::string& indexText, const std::string& name = "app.exe") {
    CraftedExecutable exe;
    exe.config = "mainclass a.B\n";
    exe.entries = {{"a/B.class", "classbytes"}};
    std::vector<ZipEntryToAdd> added{zipEntry(kRuntimeIndexEntry, indexText)};
    for (const auto& [path, file] : archived) {
        ZipEntryToAdd entry = zipEntry(std::string(kRuntimeEntryPrefix) + path, file.content);
        entry.mode = static_cast<uint32_t>(file.mode);
        added.push_back(entry);
    }
    std::string path = dir.file(name);
    EXPECT_TRUE(writeBytes(path, withZipEntries(exe.bytes(), added)));
    return path;
}

class EmbeddedRuntimeTest : public ::testing::Test {
  protected:
    void TearDown() override { releaseEmbeddedRuntimeCopies(); }

    EmbeddedRuntime prepare(const std::string& program) {
        EnvironmentScope cacheHome("XDG_CACHE_HOME", cache_.root().c_str());
        EnvironmentScope localAppData("LOCALAPPDATA", cache_.root().c_str());
        return prepareEmbeddedRuntime(program.c_str(), false);
    }
    // The cache's entries, sorted, directories marked with a trailing '/'.
    std::vector<std::string> cacheEntries() const {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(cache_.root() + "/wyn/runtimes")) {
            names.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchTree cache_;
    ScratchDirectory dir_;
};

TEST_F(EmbeddedRuntimeTest, UnpackedOnceThenUsedFromTheCache) {
    Image image = sampleImage();
    std::string text = indexTextOf(image, platform::kRuntimePlatform);
    std::string program = programCarrying(dir_, image, text);

    EmbeddedRuntime first = prepare(program);
    ASSERT_EQ(first.status, EmbeddedRuntimeStatus::Ready);
    EXPECT_TRUE(first.unpacked);
    std::string key =
        runtimeContentKey(TextView(text.data(), static_cast<int32_t>(text.size()))).c_str();
    EXPECT_TRUE(
        std::filesystem::equivalent(first.home.c_str(), cache_.root() + "/wyn/runtimes/" + key));
    for (const auto& [path, file] : image) {
        EXPECT_EQ(readBytes(std::string(first.home.c_str()) + "/" + path), file.content) << path;
    }
    EXPECT_EQ(cacheEntries(), (std::vector<std::string>{key + ".lock", key + "/"}))
        << "no temporary directory is left";

    EmbeddedRuntime second = prepare(program);
    ASSERT_EQ(second.status, EmbeddedRuntimeStatus::Ready);
    EXPECT_FALSE(second.unpacked) << "the copy is used as it is";
    EXPECT_STREQ(second.home.c_str(), first.home.c_str());
}

TEST_F(EmbeddedRuntimeTest, DamagedAndPartialCopiesAreUnpackedAgain) {
    struct Case {
        const char* name;
        void (*damage)(const std::string& copy);
    };
    const Case cases[] = {
        {"a file of another size",
         [](const std::string& copy) { writeBytes(copy + "/lib/modules", "short"); }},
        {"a file rewritten with the same size",
         [](const std::string& copy) {
             writeBytes(copy + "/release", "JAVA_VERSION=\"17.0.X\"\n");
         }},
        {"a file with another time only",
         [](const std::string& copy) {
             std::filesystem::last_write_time(
                 copy + "/bin/java",
                 std::filesystem::last_write_time(copy + "/bin/java") - std::chrono::hours(5));
         }},
        {"a missing file",
         [](const std::string& copy) { std::filesystem::remove(copy + "/lib/server/libjvm.so"); }},
        {"a missing stamp (an unpacking that never finished)",
         [](const std::string& copy) { std::filesystem::remove(copy + "/.wyn-copy-stamp"); }},
    };
    Image image = sampleImage();
    std::string program =
        programCarrying(dir_, image, indexTextOf(image, platform::kRuntimePlatform));
    for (const Case& c : cases) {
        EmbeddedRuntime first = prepare(program);
        ASSERT_EQ(first.status, EmbeddedRuntimeStatus::Ready) << c.name;
        releaseEmbeddedRuntimeCopies();
        c.damage(first.home.c_str());
        EmbeddedRuntime again = prepare(program);
        ASSERT_EQ(again.status, EmbeddedRuntimeStatus::Ready) << c.name;
        EXPECT_TRUE(again.unpacked) << c.name;
        for (const auto& [path, file] : image) {
            EXPECT_EQ(readBytes(std::string(again.home.c_str()) + "/" + path), file.content)
                << c.name << ": " << path;
        }
        EXPECT_EQ(cacheEntries().size(), 2u) << c.name << ": the damaged copy is gone";
        releaseEmbeddedRuntimeCopies();
    }
}

TEST_F(EmbeddedRuntimeTest, ADamagedRuntimeInTheProgramLeavesNothingBehind) {
    Image image = sampleImage();
    std::string text = indexTextOf(image, platform::kRuntimePlatform);
    struct Case {
        const char* name;
        Image archived;
        std::string index;
    };
    Image changedBytes = image;
    changedBytes["lib/modules"].content[100] = 'X';
    Image missingFile = image;
    missingFile.erase("release");
    Image hostile = image;
    hostile["../escape"] = {"x", 0644};
    const Case cases[] = {
        {"a file whose bytes differ from its hash", changedBytes, text},
        {"a file of the index missing from the archive", missingFile, text},
        {"an index that names a path outside the copy", hostile,
         text + "file " + std::string(64, '0') + " 1 644 ../escape\n"},
        {"an index that is no index", image, "not an index\n"},
    };
    for (const Case& c : cases) {
        std::string program = programCarrying(dir_, c.archived, c.index, "damaged.exe");
        EmbeddedRuntime result = prepare(program);
        EXPECT_EQ(result.status, EmbeddedRuntimeStatus::Damaged) << c.name;
        EXPECT_TRUE(result.home.empty()) << c.name;
        if (std::filesystem::exists(cache_.root() + "/wyn/runtimes")) {
            for (const std::string& entry : cacheEntries()) {
                EXPECT_EQ(entry.substr(entry.size() - 5), ".lock") << c.name << ": " << entry;
            }
        }
        EXPECT_FALSE(std::filesystem::exists(cache_.root() + "/wyn/escape")) << c.name;
    }
}

TEST_F(EmbeddedRuntimeTest, WhatIsNoRuntimeForThisLauncher) {
    Image image = sampleImage();
    const char* other = std::string(platform::kRuntimePlatform) == "linux-x86_64" ? "windows-x86_64"
                                                                                  : "linux-x86_64";
    std::string foreign = programCarrying(dir_, image, indexTextOf(image, other), "foreign.exe");
    EXPECT_EQ(prepare(foreign).status, EmbeddedRuntimeStatus::Absent) << "another platform's";

    CraftedExecutable plain;
    plain.config = "mainclass a.B\n";
    plain.entries = {{"a/B.class", "classbytes"}};
    EXPECT_EQ(prepare(dir_.writeExecutable(plain, "plain.exe")).status,
              EmbeddedRuntimeStatus::Absent)
        << "a program without a runtime";
    EXPECT_EQ(prepare(dir_.file("missing.exe")).status, EmbeddedRuntimeStatus::Absent);
    EXPECT_FALSE(std::filesystem::exists(cache_.root() + "/wyn")) << "nothing is made for them";
}

TEST_F(EmbeddedRuntimeTest, LeftoversOfInterruptedUnpackingsAreRemoved) {
    Image image = sampleImage();
    std::string text = indexTextOf(image, platform::kRuntimePlatform);
    std::string program = programCarrying(dir_, image, text);
    std::string key =
        runtimeContentKey(TextView(text.data(), static_cast<int32_t>(text.size()))).c_str();
    std::string runtimes = cache_.root() + "/wyn/runtimes/";
    std::filesystem::create_directories(runtimes + key + ".tmp.99999/lib");
    writeBytes(runtimes + key + ".tmp.99999/lib/half", "half");
    std::filesystem::create_directories(runtimes + key + ".damaged.4242");
    EmbeddedRuntime result = prepare(program);
    ASSERT_EQ(result.status, EmbeddedRuntimeStatus::Ready);
    EXPECT_EQ(cacheEntries(), (std::vector<std::string>{key + ".lock", key + "/"}));
}

TEST_F(EmbeddedRuntimeTest, SlowUnpackingIsToldOnce) {
    static int told = 0;
    told = 0;
    setUnpackProgress([](const char*) { ++told; });
    Image image = sampleImage();
    // Enough files that unpacking takes longer than the delay on any machine.
    std::string big(4 * 1024 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    for (int i = 0; i < 24; ++i) {
        big[0] = static_cast<char>(i);
        image["lib/big" + std::to_string(100 + i)] = {big, 0644};
    }
    std::string program =
        programCarrying(dir_, image, indexTextOf(image, platform::kRuntimePlatform));
    auto start = std::chrono::steady_clock::now();
    EmbeddedRuntime result = prepare(program);
    auto took = std::chrono::steady_clock::now() - start;
    setUnpackProgress(nullptr);
    ASSERT_EQ(result.status, EmbeddedRuntimeStatus::Ready);
    if (took > std::chrono::milliseconds(kProgressDelayMs + 200)) {
        EXPECT_EQ(told, 1);
    }
    EXPECT_LE(told, 1);
}

}  // namespace
