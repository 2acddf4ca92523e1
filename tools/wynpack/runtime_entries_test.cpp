#include "runtime_entries.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive_merge.h"
#include "runtime_image.h"
#include "test_files.h"

namespace wynpack {
namespace {

using wynpack_test::TempDir;
using wynpack_test::writeFile;

// A small Linux runtime image: a release file, an x86-64 ELF header as its JVM library, and
// a file of the given content.
std::string makeImage(const TempDir& dir, const std::string& content) {
    std::string root = dir.file("image");
    mkdir(root.c_str(), 0755);
    mkdir((root + "/lib").c_str(), 0755);
    mkdir((root + "/lib/server").c_str(), 0755);
    std::string elf(64, '\0');
    elf.replace(0, 4,
                "\x7f"
                "ELF");
    elf[4] = 2;
    elf[5] = 1;
    elf[18] = 62;
    writeFile(root + "/lib/server/libjvm.so", elf);
    writeFile(root + "/release", "JAVA_VERSION=\"17.0.1\"\n");
    writeFile(root + "/lib/modules", content);
    return root;
}

struct Written {
    bool ok = false;
    Problem problem;
    std::string readFailure;
    std::vector<std::string> progress;
};

// Lists and hashes the image, runs change, then writes the archive with the runtime's
// entries.
Written writeRuntime(const TempDir& dir, const std::string& root,
                     const std::function<void()>& change) {
    Written result;
    RuntimeImage image;
    std::string index;
    EXPECT_TRUE(inspectRuntimeImage(root, "linux-x86_64", image, result.problem))
        << result.problem.message;
    EXPECT_TRUE(hashRuntimeFiles(image, result.problem)) << result.problem.message;
    EXPECT_TRUE(runtimeIndexText(image, index, result.problem)) << result.problem.message;
    change();
    RuntimeEntries entries(image, index,
                           [&](const std::string& line) { result.progress.push_back(line); });
    ArchiveMerger merger;
    merger.addEntryWriter([&](zip_t* target, const ArchiveMerger::NoteSink& note,
                              Problem& problem) { return entries.addTo(target, note, problem); });
    std::string zip = dir.file("out.zip");
    writeFile(zip, "");
    result.ok = merger.writeTo(
        zip, [](const std::string&) {}, result.problem);
    result.readFailure = entries.readFailure();
    return result;
}

TEST(RuntimeEntries, AFileChangedAfterItWasHashedFailsThePacking) {
    struct Case {
        const char* what;
        std::string replacement;
    } cases[] = {
        {"same size, other bytes", "modules-B"},
        {"grown", "modules-A and more"},
        {"shrunk", "mod"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string root = makeImage(dir, "modules-A");
        Written written =
            writeRuntime(dir, root, [&] { writeFile(root + "/lib/modules", c.replacement); });
        EXPECT_FALSE(written.ok) << c.what;
        EXPECT_EQ(written.readFailure,
                  "the runtime's file '" + root + "/lib/modules' changed while it was packed")
            << c.what;
    }
}

TEST(RuntimeEntries, AnUnchangedImageIsWrittenWithoutFailure) {
    TempDir dir;
    std::string root = makeImage(dir, "modules-A");
    Written written = writeRuntime(dir, root, [] {});
    EXPECT_TRUE(written.ok) << written.problem.message;
    EXPECT_EQ(written.readFailure, "");
    EXPECT_TRUE(written.progress.empty()) << "a small runtime shows no progress";
}

TEST(RuntimeEntries, ALargeRuntimeShowsItsProgressInTenths) {
    TempDir dir;
    std::string root = makeImage(dir, std::string(40 * 1024 * 1024, 'm'));
    Written written = writeRuntime(dir, root, [] {});
    ASSERT_TRUE(written.ok) << written.problem.message;
    ASSERT_EQ(written.progress.size(), 10u);
    EXPECT_EQ(written.progress.front(), "compressing the runtime: 10% of 40 MiB");
    EXPECT_EQ(written.progress.back(), "compressing the runtime: 100% of 40 MiB");
}

}  // namespace
}  // namespace wynpack
