// The records of a ZIP archive that the launcher and the packer read themselves: their
// signatures, fixed sizes and field offsets, read from bytes in memory, and the archive's
// CRC-32. Walking an archive (which record comes where, how far to trust an offset) is the
// business of the readers above this room (config/payload, config/archive_entry, the packer's
// zip64_locator); this module only says what the bytes of one record mean.
//
// Every reader takes a pointer to at least the record's fixed size of bytes, which the caller
// has checked lie inside the image, and returns false when the record's signature is not
// there. Numbers are little-endian, as the ZIP format stores them.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstdint>

constexpr uint32_t kZipEndRecordSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kZip64EndRecordSignature = 0x06064b50;
constexpr uint32_t kZipDirectoryEntrySignature = 0x02014b50;
constexpr uint32_t kZipLocalHeaderSignature = 0x04034b50;

constexpr int32_t kZipEndRecordSize = 22;
constexpr int32_t kZipMaxCommentSize = 65535;
constexpr int32_t kZip64LocatorSize = 20;
// Where the locator keeps the ZIP64 end record's offset (8 bytes).
constexpr int32_t kZip64LocatorOffsetField = 8;
constexpr int32_t kZip64EndRecordSize = 56;
// The most bytes of extensible data a ZIP64 end record may carry behind its fixed part.
constexpr int32_t kZip64MaxExtensibleDataSize = 65535;
constexpr int32_t kZipDirectoryEntrySize = 46;
constexpr int32_t kZipLocalHeaderSize = 30;

// A 32-bit size or offset with this value is kept in the ZIP64 fields instead.
constexpr uint32_t kZipInZip64Field = 0xFFFFFFFF;
// General purpose flag bit 0: the entry is encrypted.
constexpr uint32_t kZipEncryptedFlag = 1;
// Compression methods.
constexpr uint32_t kZipStored = 0;
constexpr uint32_t kZipDeflated = 8;

// The end of central directory record, which ends every archive (only its comment behind it).
struct ZipEndRecord {
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;  // from the archive's first byte, as the writer counted
    uint32_t commentLength = 0;
};
bool readZipEndRecord(const unsigned char* record, ZipEndRecord& out);

// The ZIP64 end record locator, right before the end record of an archive that has one.
struct Zip64Locator {
    uint64_t endRecordOffset = 0;
};
bool readZip64Locator(const unsigned char* record, Zip64Locator& out);

// The ZIP64 end of central directory record (its fixed part).
struct Zip64EndRecord {
    uint64_t remainingSize = 0;  // the record's size less the first 12 bytes
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;
};
bool readZip64EndRecord(const unsigned char* record, Zip64EndRecord& out);

// One entry of the central directory; its name, extra field and comment follow the fixed part.
struct ZipDirectoryEntry {
    uint32_t flags = 0;
    uint32_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t nameLength = 0;
    uint32_t extraLength = 0;
    uint32_t commentLength = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeader = 0;  // the local header's offset from the archive's first byte

    // The whole record's length: fixed part, name, extra field and comment.
    int64_t recordLength() const {
        return int64_t{kZipDirectoryEntrySize} + nameLength + extraLength + commentLength;
    }
};
bool readZipDirectoryEntry(const unsigned char* record, ZipDirectoryEntry& out);

// The local header in front of an entry's data.
struct ZipLocalHeader {
    uint32_t nameLength = 0;
    uint32_t extraLength = 0;

    // The distance from the header's first byte to the entry's data.
    int64_t dataDistance() const { return int64_t{kZipLocalHeaderSize} + nameLength + extraLength; }
};
bool readZipLocalHeader(const unsigned char* record, ZipLocalHeader& out);

// The offset of the last end record in bytes[0, size) that starts at or before `from` and
// whose comment reaches exactly to the end of the bytes; -1 when there is none. bytes are
// the last bytes of an archive (its tail), so that a record found is the archive's own
// unless a comment happens to hold what looks like one: callers check what it points to.
int64_t previousZipEndRecord(const unsigned char* bytes, int64_t size, int64_t from);

// The CRC-32 that ZIP entries carry (polynomial 0xEDB88320), over length bytes.
uint32_t zipCrc32(const void* bytes, int64_t length);
