// Reading one stored entry of the packed archive through its central directory.
#include "config/archive_entry.h"

#include <cstring>

#include "config/payload.h"
#include "format/zip_records.h"

namespace {

// The directory is read a block at a time: a missing name costs one pass over it, without
// holding a large directory in memory.
constexpr int32_t kDirectoryBlockSize = 64 * 1024;

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

// Walks the directory for name. Found, Missing or Damaged (an entry that runs past the
// directory's end or does not start with its signature).
ArchiveEntryStatus findDirectoryEntry(const ByteSource& source, const ArchiveDirectory& directory,
                                      TextView name, ZipDirectoryEntry& entry) {
    DirectoryBlocks blocks(source, directory);
    int64_t end = directory.offset + directory.size;
    for (int64_t at = directory.offset; at < end;) {
        const unsigned char* header = blocks.at(at, kZipDirectoryEntrySize);
        ZipDirectoryEntry candidate;
        if (header == nullptr || !readZipDirectoryEntry(header, candidate)) {
            return ArchiveEntryStatus::Damaged;
        }
        auto nameLength = static_cast<int32_t>(candidate.nameLength);
        int64_t entryLength = candidate.recordLength();
        const unsigned char* entryName = blocks.at(at + kZipDirectoryEntrySize, nameLength);
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
                                 const ZipDirectoryEntry& entry, ByteBuffer& data) {
    if ((entry.flags & kZipEncryptedFlag) != 0) {
        return ArchiveEntryStatus::Encrypted;
    }
    if (entry.method != kZipStored) {
        return ArchiveEntryStatus::Compressed;
    }
    if (entry.size == kZipInZip64Field || entry.compressedSize == kZipInZip64Field ||
        entry.localHeader == kZipInZip64Field) {
        return ArchiveEntryStatus::NeedsZip64;
    }
    if (entry.compressedSize != entry.size) {
        return ArchiveEntryStatus::Damaged;
    }
    if (entry.size > static_cast<uint32_t>(kMaxStoredEntrySize)) {
        return ArchiveEntryStatus::TooLarge;
    }
    int64_t header = directory.base + static_cast<int64_t>(entry.localHeader);
    unsigned char local[kZipLocalHeaderSize];
    ZipLocalHeader localHeader;
    if (header > directory.offset - kZipLocalHeaderSize ||
        !source.read(header, kZipLocalHeaderSize, local) ||
        !readZipLocalHeader(local, localHeader)) {
        return ArchiveEntryStatus::Damaged;
    }
    int64_t first = header + localHeader.dataDistance();
    auto size = static_cast<int32_t>(entry.size);
    if (first > directory.offset || size > directory.offset - first) {
        return ArchiveEntryStatus::Damaged;
    }
    data.resize(size);
    if (!source.read(first, size, reinterpret_cast<unsigned char*>(data.data())) ||
        zipCrc32(data.data(), size) != entry.crc) {
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
    ZipDirectoryEntry entry;
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
