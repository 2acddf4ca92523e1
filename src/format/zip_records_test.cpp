#include "format/zip_records.h"

#include <gtest/gtest.h>

#include <string>

#include "format/little_endian.h"

namespace {

const unsigned char* bytesOf(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

std::string endRecord(uint32_t directorySize, uint32_t directoryOffset,
                      const std::string& comment) {
    std::string r;
    appendLittleEndian32(r, kZipEndRecordSignature);
    appendLittleEndian32(r, 0);           // disk numbers
    appendLittleEndian32(r, 0x00020002);  // entries on this disk and in all
    appendLittleEndian32(r, directorySize);
    appendLittleEndian32(r, directoryOffset);
    appendLittleEndian16(r, static_cast<uint32_t>(comment.size()));
    return r + comment;
}

TEST(ZipRecords, EndRecordFields) {
    std::string record = endRecord(0x1234, 0xFFFFFFFF, "note");
    ASSERT_EQ(record.size(), size_t{kZipEndRecordSize} + 4);
    ZipEndRecord read;
    ASSERT_TRUE(readZipEndRecord(bytesOf(record), read));
    EXPECT_EQ(read.directorySize, 0x1234u);
    EXPECT_EQ(read.directoryOffset, kZipInZip64Field);
    EXPECT_EQ(read.commentLength, 4u);
}

TEST(ZipRecords, EveryReaderRefusesAnotherRecordsSignature) {
    std::string bytes(kZip64EndRecordSize, '\0');
    for (uint32_t signature :
         {kZipEndRecordSignature, kZip64LocatorSignature, kZip64EndRecordSignature,
          kZipDirectoryEntrySignature, kZipLocalHeaderSignature, 0u}) {
        SCOPED_TRACE(signature);
        putLittleEndian32(bytes, 0, signature);
        ZipEndRecord end;
        Zip64Locator locator;
        Zip64EndRecord zip64;
        ZipDirectoryEntry entry;
        ZipLocalHeader local;
        EXPECT_EQ(readZipEndRecord(bytesOf(bytes), end), signature == kZipEndRecordSignature);
        EXPECT_EQ(readZip64Locator(bytesOf(bytes), locator), signature == kZip64LocatorSignature);
        EXPECT_EQ(readZip64EndRecord(bytesOf(bytes), zip64), signature == kZip64EndRecordSignature);
        EXPECT_EQ(readZipDirectoryEntry(bytesOf(bytes), entry),
                  signature == kZipDirectoryEntrySignature);
        EXPECT_EQ(readZipLocalHeader(bytesOf(bytes), local), signature == kZipLocalHeaderSignature);
    }
}

TEST(ZipRecords, Zip64LocatorAndEndRecordFields) {
    std::string locator;
    appendLittleEndian32(locator, kZip64LocatorSignature);
    appendLittleEndian32(locator, 0);
    appendLittleEndian64(locator, 0x0000000123456789ull);
    appendLittleEndian32(locator, 1);
    ASSERT_EQ(locator.size(), size_t{kZip64LocatorSize});
    Zip64Locator readLocator;
    ASSERT_TRUE(readZip64Locator(bytesOf(locator), readLocator));
    EXPECT_EQ(readLocator.endRecordOffset, 0x0000000123456789ull);

    std::string record;
    appendLittleEndian32(record, kZip64EndRecordSignature);
    appendLittleEndian64(record, kZip64EndRecordSize - 12);
    appendLittleEndian16(record, 45);
    appendLittleEndian16(record, 45);
    appendLittleEndian32(record, 0);
    appendLittleEndian32(record, 0);
    appendLittleEndian64(record, 70000);
    appendLittleEndian64(record, 70000);
    appendLittleEndian64(record, 0x100000000ull);  // directory size beyond 32 bits
    appendLittleEndian64(record, 0x200000000ull);  // directory offset beyond 32 bits
    ASSERT_EQ(record.size(), size_t{kZip64EndRecordSize});
    Zip64EndRecord read;
    ASSERT_TRUE(readZip64EndRecord(bytesOf(record), read));
    EXPECT_EQ(read.remainingSize, uint64_t{kZip64EndRecordSize - 12});
    EXPECT_EQ(read.directorySize, 0x100000000ull);
    EXPECT_EQ(read.directoryOffset, 0x200000000ull);
}

TEST(ZipRecords, DirectoryEntryAndLocalHeaderFields) {
    std::string entry;
    appendLittleEndian32(entry, kZipDirectoryEntrySignature);
    appendLittleEndian16(entry, 0x031E);  // made by Unix
    appendLittleEndian16(entry, 20);
    appendLittleEndian16(entry, 0x0809);  // flags
    appendLittleEndian16(entry, kZipDeflated);
    appendLittleEndian32(entry, 0);  // time and date
    appendLittleEndian32(entry, 0xCBF43926);
    appendLittleEndian32(entry, 7);
    appendLittleEndian32(entry, 9);
    appendLittleEndian16(entry, 5);  // name
    appendLittleEndian16(entry, 4);  // extra field
    appendLittleEndian16(entry, 3);  // comment
    appendLittleEndian16(entry, 0);
    appendLittleEndian16(entry, 0);
    appendLittleEndian32(entry, 0100755u << 16);
    appendLittleEndian32(entry, 0x01020304);
    ASSERT_EQ(entry.size(), size_t{kZipDirectoryEntrySize});
    ZipDirectoryEntry read;
    ASSERT_TRUE(readZipDirectoryEntry(bytesOf(entry), read));
    EXPECT_EQ(read.flags, 0x0809u);
    EXPECT_EQ(read.method, kZipDeflated);
    EXPECT_EQ(read.crc, 0xCBF43926u);
    EXPECT_EQ(read.compressedSize, 7u);
    EXPECT_EQ(read.size, 9u);
    EXPECT_EQ(read.externalAttributes >> 16, 0100755u);
    EXPECT_EQ(read.localHeader, 0x01020304u);
    EXPECT_EQ(read.recordLength(), kZipDirectoryEntrySize + 5 + 4 + 3);

    std::string local;
    appendLittleEndian32(local, kZipLocalHeaderSignature);
    local += std::string(22, '\0');
    appendLittleEndian16(local, 0xFFFF);  // name
    appendLittleEndian16(local, 0xFFFF);  // extra field
    ASSERT_EQ(local.size(), size_t{kZipLocalHeaderSize});
    ZipLocalHeader header;
    ASSERT_TRUE(readZipLocalHeader(bytesOf(local), header));
    // The largest lengths cannot overflow the distance.
    EXPECT_EQ(header.dataDistance(), kZipLocalHeaderSize + 2 * 65535);
}

TEST(ZipRecords, PreviousEndRecordIsTheOneWhoseCommentReachesTheEnd) {
    std::string fake = endRecord(0, 0, "");  // inside a comment, it does not reach the end
    std::string real = endRecord(16, 0, "before " + fake + " after");
    std::string tail = "data" + real;
    struct Case {
        const char* what;
        std::string bytes;
        int64_t from;
        int64_t expected;
    } cases[] = {
        {"comment holding a record", tail, static_cast<int64_t>(tail.size()), 4},
        {"search below the real one", tail, 3, -1},
        {"record without a comment", "xy" + endRecord(0, 0, ""), 100, 2},
        {"comment longer than the rest", endRecord(0, 0, "abc").substr(0, 24), 100, -1},
        {"shorter than a record", std::string("PK\x05\x06", 4), 0, -1},
        {"comment that holds a record which ends the bytes",
         endRecord(0, 0, "x" + endRecord(0, 0, "")), 100,
         static_cast<int64_t>(kZipEndRecordSize + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(
            previousZipEndRecord(bytesOf(c.bytes), static_cast<int64_t>(c.bytes.size()), c.from),
            c.expected);
    }
    EXPECT_EQ(previousZipEndRecord(nullptr, 100, 50), -1);
}

TEST(ZipRecords, Crc32OfKnownTexts) {
    struct Case {
        std::string text;
        uint32_t crc;
    } cases[] = {
        {"", 0x00000000},
        {"a", 0xE8B7BE43},
        {"123456789", 0xCBF43926},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
        {std::string(1, '\0'), 0xD202EF8D},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zipCrc32(c.text.data(), static_cast<int64_t>(c.text.size())), c.crc) << c.text;
    }
}

}  // namespace
