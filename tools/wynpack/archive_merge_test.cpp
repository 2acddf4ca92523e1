#include "archive_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"

namespace wynpack {
namespace {

using wynpack_test::entryNames;
using wynpack_test::readZip;
using wynpack_test::TempDir;
using wynpack_test::TestZipEntry;
using wynpack_test::writeFile;
using wynpack_test::writeZip;
using wynpack_test::ZipEntryInfo;
using Names = std::vector<std::string>;

TEST(SignatureFiles, OnlySignatureFilesDirectlyInMetaInf) {
    struct Case {
        const char* name;
        bool signature;
    } cases[] = {
        {"META-INF/SIGNER.SF", true},   {"META-INF/SIGNER.RSA", true},
        {"META-INF/SIGNER.DSA", true},  {"META-INF/SIGNER.EC", true},
        {"meta-inf/signer.sf", true},   {"Meta-Inf/Signer.Rsa", true},
        {"META-INF/.SF", true},         {"META-INF/MANIFEST.MF", false},
        {"META-INF/", false},           {"META-INF/sub/SIGNER.SF", false},
        {"META-INF/SIGNER.SFX", false}, {"META-INF/SIGNER.SF/", false},
        {"SIGNER.SF", false},           {"lib/META-INF/SIGNER.SF", false},
        {"META-INFX/SIGNER.SF", false}, {"META-INF/SIGNER_RSA", false},
        {"com/a/Key.RSA", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSignatureFile(c.name), c.signature) << c.name;
    }
}

TEST(EntrySelection, FirstEntryOfANameWins) {
    struct Step {
        const char* name;
        size_t source;
        EntryChoice choice;
        size_t firstSource;
    } steps[] = {
        {"META-INF/", 0, EntryChoice::Copy, 0},
        {"META-INF/MANIFEST.MF", 0, EntryChoice::Copy, 0},
        {"com/", 0, EntryChoice::Copy, 0},
        {"com/A.class", 0, EntryChoice::Copy, 0},
        {"META-INF/A.SF", 0, EntryChoice::DropSignature, 0},
        {"META-INF/", 1, EntryChoice::DropDirectory, 0},
        {"meta-inf/manifest.mf", 1, EntryChoice::DropManifest, 0},
        {"com/", 1, EntryChoice::DropDirectory, 0},
        {"com/A.class", 1, EntryChoice::DropDuplicate, 0},
        {"com/a.class", 1, EntryChoice::Copy, 0},
        {"com/B.class", 1, EntryChoice::Copy, 0},
        {"com/B.class", 2, EntryChoice::DropDuplicate, 1},
        {"META-INF/A.SF", 2, EntryChoice::DropSignature, 0},
        {"meta-inf/", 2, EntryChoice::Copy, 0},
        {"META-INF/MANIFEST.MF", 2, EntryChoice::DropManifest, 0},
    };
    EntrySelector selector;
    for (const Step& step : steps) {
        size_t first = 99;
        EXPECT_EQ(selector.choose(step.name, step.source, first), step.choice)
            << step.name << " from " << step.source;
        if (step.choice != EntryChoice::Copy && step.choice != EntryChoice::DropSignature) {
            EXPECT_EQ(first, step.firstSource) << step.name << " from " << step.source;
        }
    }
}

// Merges the jars into a fresh archive and reads it back.
struct MergeRun {
    bool ok = false;
    Problem problem;
    std::vector<std::string> notes;
    std::vector<ZipEntryInfo> entries;
};

MergeRun merge(const TempDir& dir, const std::vector<std::string>& jars) {
    MergeRun run;
    ArchiveMerger merger;
    for (const std::string& jar : jars) {
        if (!merger.addSource(jar, run.problem)) {
            return run;
        }
    }
    std::string target = dir.file("merged.zip");
    writeFile(target, "");
    run.ok = merger.writeTo(
        target, [&](const std::string& note) { run.notes.push_back(note); }, run.problem);
    if (run.ok) {
        readZip(target, 0, run.entries);
    }
    return run;
}

TEST(ArchiveMerge, MergesInOrderAndKeepsTheFirstOfEachName) {
    TempDir dir;
    std::string a = dir.file("a.jar"), b = dir.file("b.jar"), c = dir.file("c.jar");
    writeZip(a, {{"META-INF/", ""},
                 {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nCreated-By: a\r\n"},
                 {"com/", ""},
                 {"com/A.class", "class A from a"},
                 {"res.txt", "first"}});
    writeZip(b, {{"META-INF/", ""},
                 {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nCreated-By: b\r\n"},
                 {"META-INF/SIGNER.SF", "signature"},
                 {"META-INF/SIGNER.RSA", "block"},
                 {"com/", ""},
                 {"com/B.class", "class B from b"},
                 {"res.txt", "second"}});
    writeZip(c, {{"com/C.class", "class C from c"}, {"com/B.class", "class B from c"}});

    MergeRun run = merge(dir, {a, b, c});
    ASSERT_TRUE(run.ok) << run.problem.message;
    EXPECT_EQ(entryNames(run.entries),
              (Names{"META-INF/", "META-INF/MANIFEST.MF", "com/", "com/A.class", "res.txt",
                     "com/B.class", "com/C.class"}));
    EXPECT_EQ(run.entries[1].content, "Manifest-Version: 1.0\r\nCreated-By: a\r\n");
    EXPECT_EQ(run.entries[4].content, "first");
    EXPECT_EQ(run.entries[5].content, "class B from b");
    EXPECT_EQ(run.notes,
              (Names{"res.txt in " + b + " is a duplicate, kept the first (from " + a + ")",
                     "com/B.class in " + c + " is a duplicate, kept the first (from " + b + ")"}));
}

TEST(ArchiveMerge, EntriesAreCopiedAsTheyAreStored) {
    TempDir dir;
    std::string jar = dir.file("a.jar");
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    const time_t stamp = 1000000000;  // 2001-09-09, an even number of seconds as DOS keeps it
    writeZip(jar, {{"stored.txt", text, false, stamp},
                   {"deflated.txt", text, true, stamp + 3600},
                   {"dir/", "", false, stamp}});
    std::vector<ZipEntryInfo> original;
    ASSERT_TRUE(readZip(jar, 0, original));

    MergeRun run = merge(dir, {jar});
    ASSERT_TRUE(run.ok) << run.problem.message;
    ASSERT_EQ(run.entries.size(), original.size());
    for (size_t i = 0; i < original.size(); ++i) {
        SCOPED_TRACE(original[i].name);
        EXPECT_EQ(run.entries[i].name, original[i].name);
        EXPECT_EQ(run.entries[i].method, original[i].method);
        EXPECT_TRUE(run.entries[i].compressed == original[i].compressed);
        EXPECT_TRUE(run.entries[i].content == original[i].content);
        EXPECT_EQ(run.entries[i].crc, original[i].crc);
        EXPECT_EQ(run.entries[i].mtime, original[i].mtime);
    }
    EXPECT_EQ(run.entries[0].method, ZIP_CM_STORE);
    EXPECT_EQ(run.entries[1].method, ZIP_CM_DEFLATE);
    EXPECT_LT(run.entries[1].compressed.size(), text.size());
    EXPECT_EQ(run.entries[1].mtime, stamp + 3600);
}

TEST(ArchiveMerge, ExtraFieldsTravelWithTheirEntries) {
    TempDir dir;
    std::string jar = dir.file("a.jar");
    writeZip(jar, {{"a.txt", "a"}, {"b.txt", "b"}});
    {
        int error = 0;
        zip_t* archive = zip_open(jar.c_str(), 0, &error);
        ASSERT_NE(archive, nullptr);
        const zip_uint8_t local[] = {1, 2, 3}, central[] = {9};
        ASSERT_EQ(zip_file_extra_field_set(archive, 1, 0xCAFE, ZIP_EXTRA_FIELD_NEW, local,
                                           sizeof(local), ZIP_FL_LOCAL),
                  0);
        ASSERT_EQ(zip_file_extra_field_set(archive, 1, 0x5455, ZIP_EXTRA_FIELD_NEW, central,
                                           sizeof(central), ZIP_FL_CENTRAL),
                  0);
        ASSERT_EQ(zip_close(archive), 0);
    }
    MergeRun run = merge(dir, {jar});
    ASSERT_TRUE(run.ok) << run.problem.message;
    ASSERT_EQ(run.entries.size(), 2u);
    EXPECT_TRUE(run.entries[0].localExtra.empty());
    using Fields = std::vector<std::pair<uint16_t, std::string>>;
    EXPECT_EQ(run.entries[1].localExtra, (Fields{{0xCAFE, "\x01\x02\x03"}}));
    EXPECT_EQ(run.entries[1].centralExtra, (Fields{{0x5455, "\x09"}}));
}

TEST(ArchiveMerge, NothingToMergeGivesAnEmptyArchive) {
    TempDir dir;
    std::string a = dir.file("a.jar"), b = dir.file("b.jar");
    writeZip(b, {{"META-INF/SIGNER.SF", "only a signature"}});
    // libzip writes no file for an empty archive: the empty jar is made by hand.
    writeFile(a, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    MergeRun run = merge(dir, {a, b});
    ASSERT_TRUE(run.ok) << run.problem.message;
    EXPECT_TRUE(run.entries.empty());
    EXPECT_EQ(wynpack_test::readFile(dir.file("merged.zip")).size(), 22u);
}

TEST(ArchiveMerge, UnusableJarsAreBadInput) {
    TempDir dir;
    writeFile(dir.file("text.jar"), "this is not a zip archive");
    writeFile(dir.file("empty.jar"), "");
    std::string zip = dir.file("good.zip");
    writeZip(zip, {{"a.txt", "some text for the archive"}});
    std::string truncated = wynpack_test::readFile(zip);
    writeFile(dir.file("cut.jar"), truncated.substr(0, truncated.size() - 10));
    struct Case {
        std::string path;
        std::string message;
    } cases[] = {
        {dir.file("text.jar"), "'" + dir.file("text.jar") + "' is not a ZIP archive"},
        {dir.file("empty.jar"), "'" + dir.file("empty.jar") + "' is not a ZIP archive"},
        {dir.file("cut.jar"), "'" + dir.file("cut.jar") + "' is not a ZIP archive"},
        {dir.file("missing.jar"),
         "cannot read jar '" + dir.file("missing.jar") + "': No such file or directory"},
        {dir.path(), "cannot read jar '" + dir.path() + "': it is a directory"},
    };
    for (const Case& c : cases) {
        ArchiveMerger merger;
        Problem problem;
        EXPECT_FALSE(merger.addSource(c.path, problem)) << c.path;
        EXPECT_EQ(problem.status, ExitStatus::BadInput) << c.path;
        EXPECT_EQ(problem.message, c.message);
    }
}

}  // namespace
}  // namespace wynpack
