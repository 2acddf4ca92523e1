// Locating the payload mark through the ZIP archive's end records (see payload_tail.h).
#include "format/payload_tail.h"

#include <initializer_list>

#include "format/zip_records.h"

namespace {

constexpr int64_t kFirstTailSize = 4096;

// The bytes [first, first + length) of the image, read in one go, for scans that look at
// many positions.
class Window {
  public:
    bool load(const ByteSource& source, int64_t first, int64_t length) {
        first_ = first;
        bytes_.resize(static_cast<int32_t>(length));
        return source.read(first, static_cast<int32_t>(length), bytes());
    }
    // The bytes at an offset of the image; the caller keeps them inside the window.
    const unsigned char* at(int64_t offset) const { return bytes() + (offset - first_); }
    int64_t first() const { return first_; }
    int64_t length() const { return bytes_.length(); }

  private:
    const unsigned char* bytes() const {
        return reinterpret_cast<const unsigned char*>(bytes_.data());
    }
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(bytes_.data()); }

    int64_t first_ = 0;
    ByteBuffer bytes_;
};

// The ZIP64 end record that belongs to the locator at `locator`, with its offset, or -1. The
// record normally sits right before the locator; extensible data may lie between.
int64_t findZip64Record(const ByteSource& source, int64_t locator, Zip64EndRecord& record) {
    int64_t last = locator - kZip64EndRecordSize;
    if (last < 0) {
        return -1;
    }
    int64_t first = last - kZip64MaxExtensibleDataSize > 0 ? last - kZip64MaxExtensibleDataSize : 0;
    Window window;
    if (!window.load(source, first, locator - first)) {
        return -1;
    }
    for (int64_t r = last; r >= first; --r) {
        if (readZip64EndRecord(window.at(r), record) &&
            record.remainingSize == static_cast<uint64_t>(locator - r - 12)) {
            return r;
        }
    }
    return -1;
}

// The archive's first byte for an end record at `end`, with its central directory, or -1 when
// the record is not consistent with the image (a signature that only happens to appear, for
// instance inside a comment).
int64_t archiveStartFor(const ByteSource& source, int64_t end, ArchiveDirectory& found) {
    unsigned char bytes[kZipEndRecordSize];
    ZipEndRecord record;
    if (!source.read(end, kZipEndRecordSize, bytes) || !readZipEndRecord(bytes, record) ||
        record.commentLength != static_cast<uint64_t>(source.size() - end - kZipEndRecordSize)) {
        return -1;
    }
    uint64_t directorySize = record.directorySize;
    uint64_t directoryOffset = record.directoryOffset;
    int64_t directoryEnd = end;

    int64_t locator = end - kZip64LocatorSize;
    unsigned char locatorBytes[kZip64LocatorSize];
    Zip64Locator zip64Locator;
    if (locator >= 0 && source.read(locator, kZip64LocatorSize, locatorBytes) &&
        readZip64Locator(locatorBytes, zip64Locator)) {
        Zip64EndRecord zip64;
        int64_t zip64At = findZip64Record(source, locator, zip64);
        if (zip64At >= 0) {
            directoryEnd = zip64At;
            if (directorySize == kZipInZip64Field) {
                directorySize = zip64.directorySize;
            }
            if (directoryOffset == kZipInZip64Field) {
                directoryOffset = zip64.directoryOffset;
            }
        }
    }
    if (directorySize == kZipInZip64Field || directoryOffset == kZipInZip64Field) {
        return -1;
    }
    uint64_t limit = static_cast<uint64_t>(directoryEnd);
    if (directorySize > limit || directoryOffset > limit - directorySize) {
        return -1;
    }
    int64_t directory = directoryEnd - static_cast<int64_t>(directorySize);
    uint32_t signature = 0;
    if (directorySize > 0 && (directorySize < 4 || !source.field32(directory, signature) ||
                              signature != kZipDirectoryEntrySignature)) {
        return -1;
    }
    int64_t start = directory - static_cast<int64_t>(directoryOffset);
    found.offset = directory;
    found.size = static_cast<int64_t>(directorySize);
    found.base = start;
    uint32_t local = 0;
    if (start == 0 && directorySize >= static_cast<uint64_t>(kZipDirectoryEntrySize) &&
        source.field32(directory + 42, local)) {
        // The directory offset is its position in the image: the archive's offsets count from
        // the start of the file, as after a tool adjusted them for the prefix. The first
        // entry's local header then marks the archive's first byte.
        if (local != kZipInZip64Field && static_cast<int64_t>(local) + 4 <= directory &&
            source.field32(local, signature) && signature == kZipLocalHeaderSignature) {
            start = local;
        }
    }
    return start;
}

// The start of an Authenticode certificate table that ends the image, or its size when there
// is none. A signing tool appends the table behind everything else and names it in the PE
// security directory (whose address is a file offset, not an RVA).
int64_t certificateTableStart(const ByteSource& source) {
    constexpr uint32_t kPeSignature = 0x00004550;
    constexpr int64_t kSecurityDirectory = 4;
    int64_t size = source.size();
    unsigned char dos[0x40];
    if (!source.read(0, static_cast<int32_t>(sizeof(dos)), dos) || dos[0] != 'M' || dos[1] != 'Z') {
        return size;
    }
    int64_t pe = littleEndian32(dos + 0x3C);
    unsigned char headers[24 + 2];
    if (!source.read(pe, static_cast<int32_t>(sizeof(headers)), headers) ||
        littleEndian32(headers) != kPeSignature) {
        return size;
    }
    int64_t optional = pe + 24;
    int64_t optionalEnd = optional + littleEndian16(headers + 20);
    uint32_t magic = littleEndian16(headers + 24);
    if (magic != 0x10B && magic != 0x20B) {
        return size;
    }
    int64_t countAt = optional + (magic == 0x20B ? 108 : 92);
    int64_t entry = countAt + 4 + 8 * kSecurityDirectory;
    uint32_t count = 0;
    uint64_t directory = 0;
    if (entry + 8 > optionalEnd || !source.field32(countAt, count) || count <= kSecurityDirectory ||
        !source.field64(entry, directory)) {
        return size;
    }
    auto offset = static_cast<int64_t>(directory & 0xFFFFFFFF);
    auto length = static_cast<int64_t>(directory >> 32);
    return (offset > 0 && length > 0 && offset + length == size) ? offset : size;
}

// The payload mark of the archive that ends the source, or -1, with its central directory.
// The end record lies in the image's last bytes, behind it only the archive comment. Without
// a comment (as the packer writes it) the record ends the image, so the last few kilobytes
// are read first, and the whole reach of a comment only when no record is found there.
int64_t markOfArchiveAtEnd(const ByteSource& source, ArchiveDirectory& directory) {
    int64_t size = source.size();
    if (size < kZipEndRecordSize) {
        return -1;
    }
    int64_t reachOfComment = int64_t{kZipEndRecordSize} + kZipMaxCommentSize;
    int64_t lowest = size - reachOfComment > 0 ? size - reachOfComment : 0;
    // Every position above `unscanned` has been looked at.
    int64_t unscanned = size - kZipEndRecordSize;
    for (int64_t reach : {kFirstTailSize, reachOfComment}) {
        int64_t first = size - reach > lowest ? size - reach : lowest;
        Window tail;
        if (!tail.load(source, first, size - first)) {
            return -1;
        }
        for (int64_t end = unscanned; end >= first; --end) {
            int64_t found = previousZipEndRecord(tail.at(first), tail.length(), end - first);
            if (found < 0) {
                break;
            }
            end = first + found;
            int64_t start = archiveStartFor(source, end, directory);
            if (start < 0) {
                continue;
            }
            int64_t mark = start - kPayloadReservedSize;
            return mark >= kPayloadLengthFieldSize ? mark : -1;
        }
        if (first == lowest) {
            break;
        }
        unscanned = first - 1;
    }
    return -1;
}

}  // namespace

// The table of a signed file starts on an 8-byte boundary; a signing tool may have put up to
// 7 zero bytes between the archive and the table.
int64_t locatePayloadMark(const ByteSource& source, ArchiveDirectory& directory) {
    directory = ArchiveDirectory();
    int64_t end = certificateTableStart(source);
    int64_t mark = -1;
    if (end == source.size()) {
        mark = markOfArchiveAtEnd(source, directory);
    } else {
        mark = markOfArchiveAtEnd(PrefixSource(source, end), directory);
        unsigned char padding = 0;
        for (int64_t cut = 1;
             mark < 0 && cut < 8 && source.read(end - cut, 1, &padding) && padding == 0; ++cut) {
            mark = markOfArchiveAtEnd(PrefixSource(source, end - cut), directory);
        }
    }
    if (mark < 0) {
        directory = ArchiveDirectory();
    }
    return mark;
}

int64_t locatePayloadMark(const unsigned char* bytes, int64_t size) {
    if (bytes == nullptr) {
        return -1;
    }
    ArchiveDirectory directory;
    return locatePayloadMark(MemorySource(bytes, size), directory);
}

int32_t embeddedTextLengthAt(const ByteSource& source, int64_t mark) {
    uint32_t field = 0;
    if (mark < kPayloadLengthFieldSize || mark > source.size() ||
        !source.field32(mark - kPayloadLengthFieldSize, field)) {
        return -1;
    }
    auto length = static_cast<int32_t>(field);
    return length > 0 && length <= mark - kPayloadLengthFieldSize ? length : -1;
}

bool embeddedTextAt(const unsigned char* bytes, int64_t size, int64_t mark, TextView& text) {
    text = TextView();
    if (bytes == nullptr) {
        return false;
    }
    int32_t length = embeddedTextLengthAt(MemorySource(bytes, size), mark);
    if (length < 0) {
        return false;
    }
    text = TextView(reinterpret_cast<const char*>(bytes + mark - kPayloadLengthFieldSize - length),
                    length);
    return true;
}
