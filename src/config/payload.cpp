// Locating the payload mark through the ZIP archive's end records, and reading the embedded
// configuration text before it.
#include "config/payload.h"

#include "platform/files.h"

namespace {

constexpr int64_t kEndRecordSize = 22;
constexpr int64_t kMaxCommentSize = 65535;
constexpr int64_t kZip64LocatorSize = 20;
constexpr int64_t kZip64RecordSize = 56;
constexpr int64_t kMaxZip64ExtraSize = 65535;
constexpr uint32_t kEndRecordSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kZip64RecordSignature = 0x06064b50;
constexpr uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kNotInThisField = 0xFFFFFFFF;
constexpr uint64_t kDirectoryEntrySize = 46;

uint32_t read16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t read32(const unsigned char* p) {
    return read16(p) | read16(p + 2) << 16;
}

uint64_t read64(const unsigned char* p) {
    return static_cast<uint64_t>(read32(p)) | static_cast<uint64_t>(read32(p + 4)) << 32;
}

// The offset of the ZIP64 end record that belongs to the locator at `locator`, or -1. The
// record normally sits right before the locator; an extensible data field may lie between.
int64_t findZip64Record(const unsigned char* bytes, int64_t locator) {
    int64_t last = locator - kZip64RecordSize;
    int64_t first = last - kMaxZip64ExtraSize;
    for (int64_t r = last; r >= 0 && r >= first; --r) {
        if (read32(bytes + r) != kZip64RecordSignature) {
            continue;
        }
        uint64_t remaining = read64(bytes + r + 4);
        if (remaining == static_cast<uint64_t>(locator - r - 12)) {
            return r;
        }
    }
    return -1;
}

// The archive's first byte for an end record at `end`, or -1 when the record is not
// consistent with the file (a signature that only happens to appear, for instance inside a
// comment).
int64_t archiveStartFor(const unsigned char* bytes, int64_t size, int64_t end) {
    if (read16(bytes + end + 20) != static_cast<uint64_t>(size - end - kEndRecordSize)) {
        return -1;
    }
    uint64_t directorySize = read32(bytes + end + 12);
    uint64_t directoryOffset = read32(bytes + end + 16);
    int64_t directoryEnd = end;

    int64_t locator = end - kZip64LocatorSize;
    if (locator >= 0 && read32(bytes + locator) == kZip64LocatorSignature) {
        int64_t record = findZip64Record(bytes, locator);
        if (record >= 0) {
            directoryEnd = record;
            if (directorySize == kNotInThisField) {
                directorySize = read64(bytes + record + 40);
            }
            if (directoryOffset == kNotInThisField) {
                directoryOffset = read64(bytes + record + 48);
            }
        }
    }
    if (directorySize == kNotInThisField || directoryOffset == kNotInThisField) {
        return -1;
    }
    uint64_t limit = static_cast<uint64_t>(directoryEnd);
    if (directorySize > limit || directoryOffset > limit - directorySize) {
        return -1;
    }
    int64_t directory = directoryEnd - static_cast<int64_t>(directorySize);
    if (directorySize > 0 &&
        (directorySize < 4 || read32(bytes + directory) != kDirectoryEntrySignature)) {
        return -1;
    }
    int64_t start = directory - static_cast<int64_t>(directoryOffset);
    if (start == 0 && directorySize >= kDirectoryEntrySize) {
        // The directory offset is its position in the file: the archive's offsets count from
        // the start of the file, as after a tool adjusted them for the prefix. The first
        // entry's local header then marks the archive's first byte.
        uint32_t local = read32(bytes + directory + 42);
        if (local != kNotInThisField && static_cast<int64_t>(local) + 4 <= directory &&
            read32(bytes + local) == kLocalHeaderSignature) {
            start = local;
        }
    }
    return start;
}

// The start of an Authenticode certificate table that ends the file, or size when there is
// none. A signing tool appends the table behind everything else and names it in the PE
// security directory (whose address is a file offset, not an RVA).
int64_t certificateTableStart(const unsigned char* bytes, int64_t size) {
    constexpr int64_t kDosHeaderSize = 0x40;
    constexpr uint32_t kPeSignature = 0x00004550;
    constexpr int64_t kSecurityDirectory = 4;
    if (size < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') {
        return size;
    }
    int64_t pe = read32(bytes + 0x3C);
    if (pe > size - 24 - 2 || read32(bytes + pe) != kPeSignature) {
        return size;
    }
    int64_t optional = pe + 24;
    int64_t optionalEnd = optional + read16(bytes + pe + 20);
    uint32_t magic = read16(bytes + optional);
    if (magic != 0x10B && magic != 0x20B) {
        return size;
    }
    int64_t countAt = optional + (magic == 0x20B ? 108 : 92);
    int64_t entry = countAt + 4 + 8 * kSecurityDirectory;
    if (entry + 8 > optionalEnd || entry + 8 > size ||
        read32(bytes + countAt) <= kSecurityDirectory) {
        return size;
    }
    int64_t offset = read32(bytes + entry);
    int64_t length = read32(bytes + entry + 4);
    return (offset > 0 && length > 0 && offset + length == size) ? offset : size;
}

// The payload mark of an archive that ends at end, or -1.
int64_t markOfArchiveEndingAt(const unsigned char* bytes, int64_t end) {
    int64_t lowest = end - kEndRecordSize - kMaxCommentSize;
    for (int64_t record = end - kEndRecordSize; record >= 0 && record >= lowest; --record) {
        if (read32(bytes + record) != kEndRecordSignature) {
            continue;
        }
        int64_t start = archiveStartFor(bytes, end, record);
        if (start < 0) {
            continue;
        }
        int64_t mark = start - kPayloadReservedSize;
        return mark >= 4 ? mark : -1;
    }
    return -1;
}

}  // namespace

int64_t locatePayloadMark(const unsigned char* bytes, int64_t size) {
    if (bytes == nullptr || size < kEndRecordSize) {
        return -1;
    }
    int64_t end = certificateTableStart(bytes, size);
    int64_t mark = markOfArchiveEndingAt(bytes, end);
    // The table starts on an 8-byte boundary; a signing tool may have put up to 7 zero bytes
    // between the archive and the table.
    for (int64_t padding = 1;
         mark < 0 && end < size && padding < 8 && end - padding >= 0 && bytes[end - padding] == 0;
         ++padding) {
        mark = markOfArchiveEndingAt(bytes, end - padding);
    }
    return mark;
}

bool embeddedTextAt(const unsigned char* bytes, int64_t size, int64_t mark, TextView& text) {
    text = TextView();
    if (bytes == nullptr || mark < 4 || mark > size) {
        return false;
    }
    int32_t length = static_cast<int32_t>(read32(bytes + mark - 4));
    if (length <= 0 || length > mark - 4) {
        return false;
    }
    text = TextView(reinterpret_cast<const char*>(bytes + mark - 4 - length), length);
    return true;
}

bool readEmbeddedText(const char* executable, TextString& text, int64_t& mark) {
    text.resize(0);
    mark = -1;
    platform::MappedFile file;
    if (!file.open(executable)) {
        return false;
    }
    mark = locatePayloadMark(file.data(), file.size());
    TextView view;
    if (!embeddedTextAt(file.data(), file.size(), mark, view)) {
        return false;
    }
    text.append(view);
    return true;
}
