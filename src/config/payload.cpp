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

}  // namespace

int64_t locatePayloadMark(const unsigned char* bytes, int64_t size) {
    if (bytes == nullptr || size < kEndRecordSize) {
        return -1;
    }
    int64_t lowest = size - kEndRecordSize - kMaxCommentSize;
    for (int64_t end = size - kEndRecordSize; end >= 0 && end >= lowest; --end) {
        if (read32(bytes + end) != kEndRecordSignature) {
            continue;
        }
        int64_t start = archiveStartFor(bytes, size, end);
        if (start < 0) {
            continue;
        }
        int64_t mark = start - kPayloadReservedSize;
        return mark >= 4 ? mark : -1;
    }
    return -1;
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
