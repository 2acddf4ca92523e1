// Reading the packed archive's entries as the runtime carried inside a program needs them:
// stored and deflated entries streamed whole, every kind of damage refused, and a stream
// that inflates beyond its declared size stopped before the sink gets more.
#include "runtime/packed_entries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/payload_builder.h"
#include "support/zip_append.h"

namespace {

class CollectingSink : public PackedEntrySink {
  public:
    bool consume(const unsigned char* bytes, int32_t length) override {
        ++blocks;
        bytesSeen.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
        return !refuse;
    }
    std::string bytesSeen;
    int blocks = 0;
    bool refuse = false;
};

// Some text that compresses well and a megabyte that does not, so that the inflater needs
// several input and output blocks.
std::string mixedContent() {
    std::string text;
    uint32_t x = 12345;
    for (int i = 0; i < 1024 * 1024; ++i) {
        x = x * 1103515245u + 12345u;
        text.push_back(static_cast<char>((i % 3 == 0) ? (x >> 24) : 'a' + i % 7));
    }
    return text;
}

struct Built {
    std::string bytes;
    MemorySource source() const {
        return MemorySource(reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int64_t>(bytes.size()));
    }
};

Built archiveWith(const std::vector<ZipEntryToAdd>& added) {
    CraftedExecutable exe;
    exe.config = "mainclass a.B\n";
    exe.entries = {{"a/B.class", "classbytes"}};
    return Built{withZipEntries(exe.bytes(), added)};
}

struct Found {
    std::vector<std::string> names;
    std::vector<PackedEntry> entries;
};

bool collect(void* context, TextView name, const PackedEntry& entry) {
    auto* found = static_cast<Found*>(context);
    found->names.emplace_back(name.data, static_cast<size_t>(name.length));
    found->entries.push_back(entry);
    return true;
}

TEST(PackedEntries, WalksOnlyTheEntriesUnderThePrefixInDirectoryOrder) {
    Built built = archiveWith({zipEntry("META-INF/wyn/runtime/bin/java", "j"),
                               zipEntry("META-INF/wyn/runtime.index", "i"),
                               zipEntry("META-INF/wyn/runtime/lib/x", "x")});
    MemorySource source = built.source();
    PackedArchive archive;
    ASSERT_TRUE(archive.open(source));
    Found found;
    ASSERT_TRUE(archive.forEachEntry("META-INF/wyn/runtime/", collect, &found));
    EXPECT_EQ(found.names, (std::vector<std::string>{"META-INF/wyn/runtime/bin/java",
                                                     "META-INF/wyn/runtime/lib/x"}));
}

TEST(PackedEntries, StoredAndDeflatedEntriesArriveWhole) {
    std::string content = mixedContent();
    for (bool deflate : {false, true}) {
        ZipEntryToAdd entry = zipEntry("r/file", content);
        entry.deflate = deflate;
        Built built = archiveWith({entry});
        MemorySource source = built.source();
        PackedArchive archive;
        ASSERT_TRUE(archive.open(source));
        Found found;
        ASSERT_TRUE(archive.forEachEntry("r/", collect, &found));
        ASSERT_EQ(found.entries.size(), 1u);
        CollectingSink sink;
        EXPECT_EQ(archive.read(found.entries[0], sink), PackedEntryStatus::Read)
            << (deflate ? "deflated" : "stored");
        EXPECT_TRUE(sink.bytesSeen == content) << (deflate ? "deflated" : "stored");
        EXPECT_GT(sink.blocks, 1) << "streamed, not read whole";
    }
}

TEST(PackedEntries, DamageIsRefused) {
    std::string content = mixedContent();
    std::string deflated = rawDeflate(content);
    struct Case {
        const char* name;
        ZipEntryToAdd entry;
        PackedEntryStatus expected;
    };
    ZipEntryToAdd wrongCrc = zipEntry("r/f", content);
    wrongCrc.wrongCrc = true;
    ZipEntryToAdd largerThanData = zipEntry("r/f", content);
    largerThanData.declaredSize = static_cast<int64_t>(content.size()) + 1;
    ZipEntryToAdd bomb = zipEntry("r/f", content);
    bomb.declaredSize = 1000;
    ZipEntryToAdd cutStream = zipEntry("r/f", content);
    cutStream.dataOverride = deflated.substr(0, deflated.size() / 2);
    ZipEntryToAdd garbage = zipEntry("r/f", content);
    garbage.dataOverride = std::string(4096, '\xFF');
    ZipEntryToAdd trailing = zipEntry("r/f", content);
    trailing.dataOverride = deflated + "tail";
    ZipEntryToAdd bzip2 = zipEntry("r/f", content);
    bzip2.forceMethod = 12;
    ZipEntryToAdd storedSizeMismatch = zipEntry("r/f", content);
    storedSizeMismatch.deflate = false;
    storedSizeMismatch.declaredSize = 10;
    const Case cases[] = {
        {"a CRC-32 other than the data's", wrongCrc, PackedEntryStatus::Damaged},
        {"a size larger than the data", largerThanData, PackedEntryStatus::Damaged},
        {"data that inflates beyond its size", bomb, PackedEntryStatus::Damaged},
        {"a deflate stream cut off", cutStream, PackedEntryStatus::Damaged},
        {"bytes that are no deflate stream", garbage, PackedEntryStatus::Damaged},
        {"bytes behind the stream's end", trailing, PackedEntryStatus::Damaged},
        {"another compression method", bzip2, PackedEntryStatus::Unsupported},
        {"stored with sizes that differ", storedSizeMismatch, PackedEntryStatus::Damaged},
    };
    for (const Case& c : cases) {
        Built built = archiveWith({c.entry});
        MemorySource source = built.source();
        PackedArchive archive;
        ASSERT_TRUE(archive.open(source)) << c.name;
        Found found;
        ASSERT_TRUE(archive.forEachEntry("r/", collect, &found)) << c.name;
        ASSERT_EQ(found.entries.size(), 1u) << c.name;
        CollectingSink sink;
        EXPECT_EQ(archive.read(found.entries[0], sink), c.expected) << c.name;
        EXPECT_LE(static_cast<int64_t>(sink.bytesSeen.size()), found.entries[0].size)
            << c.name << ": never more than the declared size reaches the sink";
    }
}

TEST(PackedEntries, ALocalHeaderOutsideTheArchiveIsDamage) {
    Built built = archiveWith({zipEntry("r/f", "content")});
    MemorySource source = built.source();
    PackedArchive archive;
    ASSERT_TRUE(archive.open(source));
    Found found;
    ASSERT_TRUE(archive.forEachEntry("r/", collect, &found));
    ASSERT_EQ(found.entries.size(), 1u);
    for (int64_t offset : {int64_t{-100}, int64_t{0x7FFFFFF0}, found.entries[0].localHeader + 1}) {
        PackedEntry moved = found.entries[0];
        moved.localHeader = offset;
        CollectingSink sink;
        EXPECT_EQ(archive.read(moved, sink), PackedEntryStatus::Damaged) << offset;
        EXPECT_TRUE(sink.bytesSeen.empty()) << offset;
    }
}

TEST(PackedEntries, ASinkThatRefusesStopsTheReading) {
    Built built = archiveWith({zipEntry("r/f", mixedContent())});
    MemorySource source = built.source();
    PackedArchive archive;
    ASSERT_TRUE(archive.open(source));
    Found found;
    ASSERT_TRUE(archive.forEachEntry("r/", collect, &found));
    CollectingSink sink;
    sink.refuse = true;
    EXPECT_EQ(archive.read(found.entries[0], sink), PackedEntryStatus::SinkFailed);
    EXPECT_EQ(sink.blocks, 1);
}

TEST(PackedEntries, ADirectoryThatRunsPastItsEndIsDamage) {
    Built built = archiveWith({zipEntry("r/f", "content")});
    // The last directory entry's name length made to run past the directory.
    size_t central = built.bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    built.bytes[central + 28] = '\x7F';
    MemorySource source = built.source();
    PackedArchive archive;
    ASSERT_TRUE(archive.open(source));
    Found found;
    EXPECT_FALSE(archive.forEachEntry("r/", collect, &found));
    EXPECT_TRUE(found.names.empty());
}

TEST(PackedEntries, NoArchiveNoEntries) {
    std::string plain = "MZ just a program without payload";
    MemorySource source(reinterpret_cast<const unsigned char*>(plain.data()),
                        static_cast<int64_t>(plain.size()));
    PackedArchive archive;
    EXPECT_FALSE(archive.open(source));
}

}  // namespace
