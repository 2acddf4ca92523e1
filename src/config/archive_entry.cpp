// Reading one stored entry of the packed archive through its central directory.
#include "config/archive_entry.h"

#include <cstring>

#include "config/payload.h"
#include "format/zip_directory.h"
#include "format/zip_records.h"

namespace {

struct EntrySearch {
    TextView name;
    ZipDirectoryEntry entry;
    bool found = false;
};

bool matchEntryName(void* context, const ZipDirectoryEntry& entry, TextView name) {
    auto* search = static_cast<EntrySearch*>(context);
    if (name.length == search->name.length &&
        std::memcmp(name.data, search->name.data, static_cast<size_t>(name.length)) == 0) {
        search->entry = entry;
        search->found = true;
        return false;
    }
    return true;
}

// Walks the directory for name. Found, Missing or Damaged (an entry that runs past the
// directory's end or does not start with its signature).
ArchiveEntryStatus findDirectoryEntry(const ByteSource& source, const ArchiveDirectory& directory,
                                      TextView name, ZipDirectoryEntry& entry) {
    EntrySearch search;
    search.name = name;
    if (walkZipDirectory(source, directory, matchEntryName, &search) == ZipWalk::Damaged) {
        return ArchiveEntryStatus::Damaged;
    }
    if (!search.found) {
        return ArchiveEntryStatus::Missing;
    }
    entry = search.entry;
    return ArchiveEntryStatus::Found;
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
    auto size = static_cast<int32_t>(entry.size);
    int64_t first = zipEntryDataOffset(source, directory, entry.localHeader, size);
    if (first < 0) {
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
