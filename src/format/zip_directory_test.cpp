// The directory walk over a crafted packed file: every name in order across block borders, a
// stop asked for by the visitor, damage at each place where the file can lie, and the data
// offset's bounds.
#include "format/zip_directory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/payload_builder.h"

namespace {

struct Walked {
    std::vector<std::string> names;
    size_t stopAfter = 0;
};

bool collectName(void* context, const ZipDirectoryEntry&, TextView name) {
    auto* walked = static_cast<Walked*>(context);
    walked->names.emplace_back(name.data, static_cast<size_t>(name.length));
    return walked->names.size() != walked->stopAfter;
}

struct Archive {
    std::string bytes;
    ArchiveDirectory directory;
};

// A packed file with count stored entries of long names, so that the directory spans several
// of the walk's blocks.
Archive craftedArchive(int count) {
    CraftedExecutable exe;
    exe.config = "mainclass a.B\n";
    for (int i = 0; i < count; ++i) {
        exe.entries.emplace_back("entries/" + std::string(200, 'n') + std::to_string(i),
                                 "content " + std::to_string(i));
    }
    Archive archive;
    archive.bytes = exe.bytes();
    MemorySource source(reinterpret_cast<const unsigned char*>(archive.bytes.data()),
                        static_cast<int64_t>(archive.bytes.size()));
    EXPECT_GE(locatePayloadMark(source, archive.directory), 0);
    return archive;
}

ZipWalk walk(const std::string& bytes, const ArchiveDirectory& directory, Walked& walked) {
    MemorySource source(reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<int64_t>(bytes.size()));
    return walkZipDirectory(source, directory, collectName, &walked);
}

}  // namespace

TEST(ZipDirectory, EveryEntryInOrderAcrossBlocksAndAStopEndsTheWalk) {
    Archive archive = craftedArchive(600);
    ASSERT_GT(archive.directory.size, 2 * 64 * 1024) << "the directory spans several blocks";
    Walked all;
    EXPECT_EQ(walk(archive.bytes, archive.directory, all), ZipWalk::Finished);
    ASSERT_EQ(all.names.size(), 600u);
    EXPECT_EQ(all.names[0], "entries/" + std::string(200, 'n') + "0");
    EXPECT_EQ(all.names[599], "entries/" + std::string(200, 'n') + "599");

    Walked some;
    some.stopAfter = 3;
    EXPECT_EQ(walk(archive.bytes, archive.directory, some), ZipWalk::Stopped);
    EXPECT_EQ(some.names.size(), 3u);
}

TEST(ZipDirectory, AnEntryThatDoesNotFitTheDirectoryIsDamage) {
    Archive archive = craftedArchive(3);
    const ArchiveDirectory& directory = archive.directory;
    struct Case {
        const char* what;
        std::string bytes;
        ArchiveDirectory directory;
    };
    std::string badSignature = archive.bytes;
    badSignature[static_cast<size_t>(directory.offset)] = 'X';
    std::string longName = archive.bytes;
    longName[static_cast<size_t>(directory.offset) + 28] = '\xff';  // name length, low byte
    longName[static_cast<size_t>(directory.offset) + 29] = '\x7f';
    ArchiveDirectory cut = directory;
    cut.size -= 10;
    ArchiveDirectory pastTheFile = directory;
    pastTheFile.size = static_cast<int64_t>(archive.bytes.size());
    std::vector<Case> cases = {
        {"an entry without its signature", badSignature, directory},
        {"a name that runs past the directory", longName, directory},
        {"a directory cut inside its last entry", archive.bytes, cut},
        {"a directory that runs past the file", archive.bytes, pastTheFile},
    };
    for (const Case& c : cases) {
        Walked walked;
        EXPECT_EQ(walk(c.bytes, c.directory, walked), ZipWalk::Damaged) << c.what;
    }
}

TEST(ZipDirectory, DataOffsetOnlyBeforeTheDirectory) {
    Archive archive = craftedArchive(1);
    MemorySource source(reinterpret_cast<const unsigned char*>(archive.bytes.data()),
                        static_cast<int64_t>(archive.bytes.size()));
    const ArchiveDirectory& directory = archive.directory;
    std::string name = "entries/" + std::string(200, 'n') + "0";
    int64_t first = zipEntryDataOffset(source, directory, 0, 9);
    ASSERT_GT(first, 0);
    EXPECT_EQ(archive.bytes.substr(static_cast<size_t>(first), 9), "content 0");

    EXPECT_EQ(zipEntryDataOffset(source, directory, -1, 9), -1) << "a negative header offset";
    EXPECT_EQ(zipEntryDataOffset(source, directory, 1, 9), -1) << "no local header there";
    EXPECT_EQ(zipEntryDataOffset(source, directory, directory.offset, 9), -1)
        << "a header inside the directory";
    EXPECT_EQ(zipEntryDataOffset(source, directory, 0, directory.offset), -1)
        << "data that would run into the directory";
    EXPECT_EQ(zipEntryDataOffset(source, directory, 0, -1), -1) << "a negative size";
}
