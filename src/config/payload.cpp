// Locating the payload mark through the ZIP archive's end records, and reading the embedded
// configuration text before it.
#include "config/payload.h"

#include <initializer_list>

#include "config/byte_source.h"

namespace {

constexpr int64_t kEndRecordSize = 22;
constexpr int64_t kMaxCommentSize = 65535;
constexpr int64_t kFirstTailSize = 4096;
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

// The bytes [first, first + length) of the image, read in one go, for scans that look at
// many positions.
class Window {
  public:
    bool load(const ByteSource& source, int64_t first, int64_t length) {
        first_ = first;
        bytes_.resize(static_cast<int32_t>(length));
        return source.read(first, static_cast<int32_t>(length),
                           reinterpret_cast<unsigned char*>(bytes_.data()));
    }
    // The 32-bit field at an offset of the image; the caller keeps it inside the window.
    uint32_t field32(int64_t offset) const {
        return littleEndian32(reinterpret_cast<const unsigned char*>(bytes_.data()) +
                              (offset - first_));
    }

  private:
    int64_t first_ = 0;
    ByteBuffer bytes_;
};

// The offset of the ZIP64 end record that belongs to the locator at `locator`, or -1. The
// record normally sits right before the locator; an extensible data field may lie between.
int64_t findZip64Record(const ByteSource& source, int64_t locator) {
    int64_t last = locator - kZip64RecordSize;
    if (last < 0) {
        return -1;
    }
    int64_t first = last - kMaxZip64ExtraSize > 0 ? last - kMaxZip64ExtraSize : 0;
    Window window;
    if (!window.load(source, first, locator - first)) {
        return -1;
    }
    for (int64_t r = last; r >= first; --r) {
        if (window.field32(r) != kZip64RecordSignature) {
            continue;
        }
        uint64_t remaining = 0;
        if (source.field64(r + 4, remaining) &&
            remaining == static_cast<uint64_t>(locator - r - 12)) {
            return r;
        }
    }
    return -1;
}

// The archive's first byte for an end record at `end`, with its central directory, or -1 when
// the record is not consistent with the file (a signature that only happens to appear, for
// instance inside a comment).
int64_t archiveStartFor(const ByteSource& source, int64_t end, ArchiveDirectory& found) {
    unsigned char record[kEndRecordSize];
    if (!source.read(end, static_cast<int32_t>(kEndRecordSize), record) ||
        littleEndian16(record + 20) !=
            static_cast<uint64_t>(source.size() - end - kEndRecordSize)) {
        return -1;
    }
    uint64_t directorySize = littleEndian32(record + 12);
    uint64_t directoryOffset = littleEndian32(record + 16);
    int64_t directoryEnd = end;

    int64_t locator = end - kZip64LocatorSize;
    uint32_t signature = 0;
    if (locator >= 0 && source.field32(locator, signature) && signature == kZip64LocatorSignature) {
        int64_t zip64 = findZip64Record(source, locator);
        if (zip64 >= 0) {
            directoryEnd = zip64;
            if (directorySize == kNotInThisField && !source.field64(zip64 + 40, directorySize)) {
                return -1;
            }
            if (directoryOffset == kNotInThisField &&
                !source.field64(zip64 + 48, directoryOffset)) {
                return -1;
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
    if (directorySize > 0 && (directorySize < 4 || !source.field32(directory, signature) ||
                              signature != kDirectoryEntrySignature)) {
        return -1;
    }
    int64_t start = directory - static_cast<int64_t>(directoryOffset);
    found.offset = directory;
    found.size = static_cast<int64_t>(directorySize);
    found.base = start;
    uint32_t local = 0;
    if (start == 0 && directorySize >= kDirectoryEntrySize &&
        source.field32(directory + 42, local)) {
        // The directory offset is its position in the file: the archive's offsets count from
        // the start of the file, as after a tool adjusted them for the prefix. The first
        // entry's local header then marks the archive's first byte.
        if (local != kNotInThisField && static_cast<int64_t>(local) + 4 <= directory &&
            source.field32(local, signature) && signature == kLocalHeaderSignature) {
            start = local;
        }
    }
    return start;
}

// The first size bytes of another source: a signed file without its certificate table.
class PrefixSource : public ByteSource {
  public:
    PrefixSource(const ByteSource& whole, int64_t size) : whole_(whole), size_(size) {}
    int64_t size() const override { return size_; }
    bool read(int64_t offset, int32_t length, unsigned char* out) const override {
        if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset) {
            return false;
        }
        return whole_.read(offset, length, out);
    }

  private:
    const ByteSource& whole_;
    int64_t size_;
};

// The start of an Authenticode certificate table that ends the file, or the file's size when
// there is none. A signing tool appends the table behind everything else and names it in the
// PE security directory (whose address is a file offset, not an RVA).
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
// The end record lies in the file's last bytes, behind it only the archive comment. Without a
// comment (as the packer writes it) the record ends the file, so the last few kilobytes are
// read first, and the whole reach of a comment only when no record is found there.
int64_t markOfArchiveAtEnd(const ByteSource& source, ArchiveDirectory& directory) {
    int64_t size = source.size();
    if (size < kEndRecordSize) {
        return -1;
    }
    int64_t lowest =
        size - kEndRecordSize - kMaxCommentSize > 0 ? size - kEndRecordSize - kMaxCommentSize : 0;
    // Every position above `unscanned` has been looked at.
    int64_t unscanned = size - kEndRecordSize;
    for (int64_t reach : {kFirstTailSize, kEndRecordSize + kMaxCommentSize}) {
        int64_t first = size - reach > lowest ? size - reach : lowest;
        Window tail;
        if (!tail.load(source, first, size - first)) {
            return -1;
        }
        for (int64_t end = unscanned; end >= first; --end) {
            if (tail.field32(end) != kEndRecordSignature) {
                continue;
            }
            int64_t start = archiveStartFor(source, end, directory);
            if (start < 0) {
                continue;
            }
            int64_t mark = start - kPayloadReservedSize;
            return mark >= 4 ? mark : -1;
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

bool embeddedTextAt(const unsigned char* bytes, int64_t size, int64_t mark, TextView& text) {
    text = TextView();
    if (bytes == nullptr || mark < 4 || mark > size) {
        return false;
    }
    int32_t length = static_cast<int32_t>(littleEndian32(bytes + mark - 4));
    if (length <= 0 || length > mark - 4) {
        return false;
    }
    text = TextView(reinterpret_cast<const char*>(bytes + mark - 4 - length), length);
    return true;
}

bool readEmbeddedText(const char* executable, TextString& text, int64_t& mark) {
    text.resize(0);
    mark = -1;
    platform::FileReader file;
    if (!file.open(executable)) {
        return false;
    }
    FileSource source(file);
    ArchiveDirectory directory;
    mark = locatePayloadMark(source, directory);
    uint32_t field = 0;
    if (mark < 4 || !source.field32(mark - 4, field)) {
        return false;
    }
    int32_t length = static_cast<int32_t>(field);
    if (length <= 0 || length > mark - 4 || length > kMaxEmbeddedTextSize) {
        return false;
    }
    text.resize(length);
    if (!source.read(mark - 4 - length, length, reinterpret_cast<unsigned char*>(text.data()))) {
        text.resize(0);
        return false;
    }
    return true;
}
