// Reading single ZIP records from bytes (see zip_records.h).
#include "format/zip_records.h"

#include <array>

#include "format/little_endian.h"

namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

}  // namespace

bool readZipEndRecord(const unsigned char* record, ZipEndRecord& out) {
    if (littleEndian32(record) != kZipEndRecordSignature) {
        return false;
    }
    out.directorySize = littleEndian32(record + 12);
    out.directoryOffset = littleEndian32(record + 16);
    out.commentLength = littleEndian16(record + 20);
    return true;
}

bool readZip64Locator(const unsigned char* record, Zip64Locator& out) {
    if (littleEndian32(record) != kZip64LocatorSignature) {
        return false;
    }
    out.endRecordOffset = littleEndian64(record + kZip64LocatorOffsetField);
    return true;
}

bool readZip64EndRecord(const unsigned char* record, Zip64EndRecord& out) {
    if (littleEndian32(record) != kZip64EndRecordSignature) {
        return false;
    }
    out.remainingSize = littleEndian64(record + 4);
    out.directorySize = littleEndian64(record + 40);
    out.directoryOffset = littleEndian64(record + 48);
    return true;
}

bool readZipDirectoryEntry(const unsigned char* record, ZipDirectoryEntry& out) {
    if (littleEndian32(record) != kZipDirectoryEntrySignature) {
        return false;
    }
    out.flags = littleEndian16(record + 8);
    out.method = littleEndian16(record + 10);
    out.crc = littleEndian32(record + 16);
    out.compressedSize = littleEndian32(record + 20);
    out.size = littleEndian32(record + 24);
    out.nameLength = littleEndian16(record + 28);
    out.extraLength = littleEndian16(record + 30);
    out.commentLength = littleEndian16(record + 32);
    out.externalAttributes = littleEndian32(record + 38);
    out.localHeader = littleEndian32(record + 42);
    return true;
}

bool readZipLocalHeader(const unsigned char* record, ZipLocalHeader& out) {
    if (littleEndian32(record) != kZipLocalHeaderSignature) {
        return false;
    }
    out.nameLength = littleEndian16(record + 26);
    out.extraLength = littleEndian16(record + 28);
    return true;
}

int64_t previousZipEndRecord(const unsigned char* bytes, int64_t size, int64_t from) {
    if (bytes == nullptr || size < kZipEndRecordSize) {
        return -1;
    }
    int64_t at = from < size - kZipEndRecordSize ? from : size - kZipEndRecordSize;
    for (; at >= 0; --at) {
        ZipEndRecord record;
        if (readZipEndRecord(bytes + at, record) &&
            at + kZipEndRecordSize + record.commentLength == size) {
            return at;
        }
    }
    return -1;
}

uint32_t zipCrc32(const void* bytes, int64_t length) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint32_t crc = 0xFFFFFFFF;
    for (int64_t i = 0; i < length; ++i) {
        crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}
