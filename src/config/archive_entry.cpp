// Reading one stored entry of the packed archive through its central directory.
#include "config/archive_entry.h"

#include <array>

#include "config/payload.h"

namespace {

constexpr uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr int32_t kDirectoryEntrySize = 46;
constexpr int32_t kLocalHeaderSize = 30;
constexpr uint32_t kInZip64Field = 0xFFFFFFFF;
constexpr uint32_t kEncryptedFlag = 1;
constexpr uint32_t kStored = 0;
// The directory is read a block at a time: a missing name costs one pass over it, without
// holding a large directory in memory.
constexpr int32_t kDirectoryBlockSize = 64 * 1024;

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

uint32_t crc32Of(const char* bytes, int32_t length) {
    uint32_t crc = 0xFFFFFFFF;
    for (int32_t i = 0; i < length; ++i) {
        crc = kCrcTable[(crc ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

// The bytes of the central directory, a block at a time, never outside the directory.
class DirectoryBlocks {
  public:
    DirectoryBlocks(const ByteSource& source, const ArchiveDirectory& directory)
        : source_(source), end_(directory.offset + directory.size) {}

    // The length bytes at offset, valid until the next call; null when they are not all
    // inside the directory or cannot be read.
    const unsigned char* at(int64_t offset, int32_t length) {
        if (length < 0 || offset < 0 || offset > end_ || length > end_ - offset) {
            return nullptr;
        }
        if (offset < first_ || offset + length > first_ + block_.length()) {
            int64_t rest = end_ - offset;
            int32_t size =
                rest < kDirectoryBlockSize ? static_cast<int32_t>(rest) : kDirectoryBlockSize;
            size = size < length ? length : size;
            block_.resize(size);
            first_ = offset;
            if (!source_.read(offset, size, bytes())) {
                block_.resize(0);
                return nullptr;
            }
        }
        return bytes() + (offset - first_);
    }

  private:
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(block_.data()); }

    const ByteSource& source_;
    int64_t end_;
    int64_t first_ = 0;
    ByteBuffer block_;
};

struct DirectoryEntry {
    uint32_t flags = 0;
    uint32_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localHeader = 0;
};

// Walks the directory for name. Found, Missing or Damaged (an entry that runs past the
// directory's end or does not start with its signature).
ArchiveEntryStatus findDirectoryEntry(const ByteSource& source, const ArchiveDirectory& directory,
                                      TextView name, DirectoryEntry& entry) {
    DirectoryBlocks blocks(source, directory);
    int64_t end = directory.offset + directory.size;
    for (int64_t at = directory.offset; at < end;) {
        const unsigned char* header = blocks.at(at, kDirectoryEntrySize);
        if (header == nullptr || littleEndian32(header) != kDirectoryEntrySignature) {
            return ArchiveEntryStatus::Damaged;
        }
        DirectoryEntry candidate;
        candidate.flags = littleEndian16(header + 8);
        candidate.method = littleEndian16(header + 10);
        candidate.crc = littleEndian32(header + 16);
        candidate.compressedSize = littleEndian32(header + 20);
        candidate.size = littleEndian32(header + 24);
        candidate.localHeader = littleEndian32(header + 42);
        auto nameLength = static_cast<int32_t>(littleEndian16(header + 28));
        int64_t entryLength = kDirectoryEntrySize + nameLength + littleEndian16(header + 30) +
                              littleEndian16(header + 32);
        const unsigned char* entryName = blocks.at(at + kDirectoryEntrySize, nameLength);
        if (entryLength > end - at || entryName == nullptr) {
            return ArchiveEntryStatus::Damaged;
        }
        if (nameLength == name.length &&
            std::memcmp(entryName, name.data, static_cast<size_t>(nameLength)) == 0) {
            entry = candidate;
            return ArchiveEntryStatus::Found;
        }
        at += entryLength;
    }
    return ArchiveEntryStatus::Missing;
}

// Checks the entry and reads its data, which must lie between its local header and the
// directory.
ArchiveEntryStatus readEntryData(const ByteSource& source, const ArchiveDirectory& directory,
                                 const DirectoryEntry& entry, ByteBuffer& data) {
    if ((entry.flags & kEncryptedFlag) != 0) {
        return ArchiveEntryStatus::Encrypted;
    }
    if (entry.method != kStored) {
        return ArchiveEntryStatus::Compressed;
    }
    if (entry.size == kInZip64Field || entry.compressedSize == kInZip64Field ||
        entry.localHeader == kInZip64Field) {
        return ArchiveEntryStatus::NeedsZip64;
    }
    if (entry.compressedSize != entry.size) {
        return ArchiveEntryStatus::Damaged;
    }
    if (entry.size > static_cast<uint32_t>(kMaxStoredEntrySize)) {
        return ArchiveEntryStatus::TooLarge;
    }
    int64_t header = directory.base + static_cast<int64_t>(entry.localHeader);
    unsigned char local[kLocalHeaderSize];
    if (header > directory.offset - kLocalHeaderSize ||
        !source.read(header, kLocalHeaderSize, local) ||
        littleEndian32(local) != kLocalHeaderSignature) {
        return ArchiveEntryStatus::Damaged;
    }
    int64_t first =
        header + kLocalHeaderSize + littleEndian16(local + 26) + littleEndian16(local + 28);
    auto size = static_cast<int32_t>(entry.size);
    if (first > directory.offset || size > directory.offset - first) {
        return ArchiveEntryStatus::Damaged;
    }
    data.resize(size);
    if (!source.read(first, size, reinterpret_cast<unsigned char*>(data.data())) ||
        crc32Of(data.data(), size) != entry.crc) {
        return ArchiveEntryStatus::Damaged;
    }
    return ArchiveEntryStatus::Found;
}

}  // namespace

ArchiveEntryStatus readStoredEntry(const ByteSource& source, TextView name, ByteBuffer& data) {
    data.resize(0);
    ArchiveDirectory directory;
    if (locatePayloadMark(source, directory) < 0 || directory.offset < 0) {
        return ArchiveEntryStatus::NoArchive;
    }
    DirectoryEntry entry;
    ArchiveEntryStatus status = findDirectoryEntry(source, directory, name, entry);
    if (status == ArchiveEntryStatus::Found) {
        status = readEntryData(source, directory, entry, data);
    }
    if (status != ArchiveEntryStatus::Found) {
        data.resize(0);
    }
    return status;
}

ArchiveEntryStatus readStoredEntry(const unsigned char* bytes, int64_t size, TextView name,
                                   ByteBuffer& data) {
    if (bytes == nullptr) {
        data.resize(0);
        return ArchiveEntryStatus::NoArchive;
    }
    return readStoredEntry(MemorySource(bytes, size), name, data);
}

ArchiveEntryStatus readStoredEntry(const char* executable, TextView name, ByteBuffer& data) {
    platform::FileReader file;
    if (!file.open(executable)) {
        data.resize(0);
        return ArchiveEntryStatus::NoArchive;
    }
    return readStoredEntry(FileSource(file), name, data);
}

const char* describeEntryStatus(ArchiveEntryStatus status) {
    switch (status) {
        case ArchiveEntryStatus::Found:
            return "stored";
        case ArchiveEntryStatus::NoArchive:
            return "no archive to look in";
        case ArchiveEntryStatus::Missing:
            return "not in the archive";
        case ArchiveEntryStatus::Compressed:
            return "compressed (only a stored entry can be read)";
        case ArchiveEntryStatus::Encrypted:
            return "encrypted";
        case ArchiveEntryStatus::NeedsZip64:
            return "needs ZIP64 fields";
        case ArchiveEntryStatus::TooLarge:
            return "too large";
        case ArchiveEntryStatus::Damaged:
            return "damaged";
    }
    return "unknown";
}
