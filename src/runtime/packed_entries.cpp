// Walking the packed archive's directory and streaming entries through zlib's raw inflate.
#include "runtime/packed_entries.h"

#include <zlib.h>

#include <cstring>

#include "format/zip_records.h"

namespace {

constexpr int32_t kDirectoryBlockSize = 64 * 1024;
constexpr int32_t kInputBlockSize = 64 * 1024;
constexpr int32_t kOutputBlockSize = 256 * 1024;

// The bytes of the central directory, a block at a time, never outside the directory.
class DirectoryBlocks {
  public:
    DirectoryBlocks(const ByteSource& source, int64_t end) : source_(source), end_(end) {}

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

// Feeds the entry's data, [first, first + length) of the file, through inflate or as stored
// bytes, into the sink while counting its size and CRC-32.
class EntryStream {
  public:
    EntryStream(const ByteSource& source, PackedEntrySink& sink, int64_t limit)
        : source_(source), sink_(sink), limit_(limit) {}

    PackedEntryStatus stored(int64_t first, int64_t length) {
        ByteBuffer block;
        block.resize(kInputBlockSize);
        for (int64_t at = 0; at < length;) {
            int32_t n =
                length - at < kInputBlockSize ? static_cast<int32_t>(length - at) : kInputBlockSize;
            auto* bytes = reinterpret_cast<unsigned char*>(block.data());
            if (!source_.read(first + at, n, bytes)) {
                return PackedEntryStatus::Damaged;
            }
            if (!deliver(bytes, n)) {
                return failure();
            }
            at += n;
        }
        return PackedEntryStatus::Read;
    }

    PackedEntryStatus inflated(int64_t first, int64_t length) {
        z_stream stream;
        std::memset(&stream, 0, sizeof stream);
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            return PackedEntryStatus::Damaged;
        }
        PackedEntryStatus status = pump(stream, first, length);
        inflateEnd(&stream);
        return status;
    }

    int64_t size() const { return size_; }
    uint32_t crc() const { return crc_; }

  private:
    // A stream that inflates to more than the directory says (a deflate bomb) stops before
    // the sink gets more than that.
    bool deliver(const unsigned char* bytes, int32_t length) {
        if (length > limit_ - size_) {
            overrun_ = true;
            return false;
        }
        crc_ = static_cast<uint32_t>(::crc32(crc_, bytes, static_cast<uInt>(length)));
        size_ += length;
        return sink_.consume(bytes, length);
    }

    PackedEntryStatus pump(z_stream& stream, int64_t first, int64_t length) {
        ByteBuffer input;
        ByteBuffer output;
        input.resize(kInputBlockSize);
        output.resize(kOutputBlockSize);
        auto* in = reinterpret_cast<unsigned char*>(input.data());
        auto* out = reinterpret_cast<unsigned char*>(output.data());
        int64_t at = 0;
        for (;;) {
            if (stream.avail_in == 0 && at < length) {
                int32_t n = length - at < kInputBlockSize ? static_cast<int32_t>(length - at)
                                                          : kInputBlockSize;
                if (!source_.read(first + at, n, in)) {
                    return PackedEntryStatus::Damaged;
                }
                at += n;
                stream.next_in = in;
                stream.avail_in = static_cast<uInt>(n);
            }
            stream.next_out = out;
            stream.avail_out = static_cast<uInt>(kOutputBlockSize);
            int result = inflate(&stream, Z_NO_FLUSH);
            int32_t produced = kOutputBlockSize - static_cast<int32_t>(stream.avail_out);
            if (produced > 0 && !deliver(out, produced)) {
                return failure();
            }
            if (result == Z_STREAM_END) {
                // The stream must use the entry's data exactly.
                return at == length && stream.avail_in == 0 ? PackedEntryStatus::Read
                                                            : PackedEntryStatus::Damaged;
            }
            if (result != Z_OK && !(result == Z_BUF_ERROR && produced > 0)) {
                return PackedEntryStatus::Damaged;
            }
            if (produced == 0 && stream.avail_in == 0 && at == length) {
                return PackedEntryStatus::Damaged;  // the data ended inside the stream
            }
        }
    }

    PackedEntryStatus failure() const {
        return overrun_ ? PackedEntryStatus::Damaged : PackedEntryStatus::SinkFailed;
    }

    const ByteSource& source_;
    PackedEntrySink& sink_;
    int64_t limit_;
    bool overrun_ = false;
    int64_t size_ = 0;
    uint32_t crc_ = 0;
};

}  // namespace

bool PackedArchive::open(const ByteSource& source) {
    source_ = &source;
    return locatePayloadMark(source, directory_) >= 0 && directory_.offset >= 0;
}

bool PackedArchive::forEachEntry(TextView prefix, Visitor visit, void* context) const {
    if (source_ == nullptr) {
        return false;
    }
    int64_t end = directory_.offset + directory_.size;
    DirectoryBlocks blocks(*source_, end);
    for (int64_t at = directory_.offset; at < end;) {
        const unsigned char* header = blocks.at(at, kZipDirectoryEntrySize);
        ZipDirectoryEntry record;
        if (header == nullptr || !readZipDirectoryEntry(header, record) ||
            record.recordLength() > end - at) {
            return false;
        }
        PackedEntry entry;
        entry.flags = record.flags;
        entry.method = record.method;
        entry.crc = record.crc;
        auto nameLength = static_cast<int32_t>(record.nameLength);
        // Copied: the next block read may replace the bytes the name lies in.
        const unsigned char* nameBytes = blocks.at(at + kZipDirectoryEntrySize, nameLength);
        if (nameBytes == nullptr) {
            return false;
        }
        TextString name(reinterpret_cast<const char*>(nameBytes), nameLength);
        if (nameLength >= prefix.length &&
            std::memcmp(name.c_str(), prefix.data, static_cast<size_t>(prefix.length)) == 0) {
            // A field that points into ZIP64 data is marked by an impossible size.
            bool zip64 = record.compressedSize == kZipInZip64Field ||
                         record.size == kZipInZip64Field || record.localHeader == kZipInZip64Field;
            entry.compressedSize = zip64 ? -1 : record.compressedSize;
            entry.size = zip64 ? -1 : record.size;
            entry.localHeader = record.localHeader;
            if (!visit(context, name, entry)) {
                return true;
            }
        }
        at += record.recordLength();
    }
    return true;
}

PackedEntryStatus PackedArchive::read(const PackedEntry& entry, PackedEntrySink& sink) const {
    if (source_ == nullptr) {
        return PackedEntryStatus::Damaged;
    }
    if ((entry.flags & kZipEncryptedFlag) != 0 || entry.compressedSize < 0 || entry.size < 0 ||
        (entry.method != kZipStored && entry.method != kZipDeflated)) {
        return PackedEntryStatus::Unsupported;
    }
    int64_t header = directory_.base + entry.localHeader;
    unsigned char local[kZipLocalHeaderSize];
    ZipLocalHeader record;
    if (header < 0 || header > directory_.offset - kZipLocalHeaderSize ||
        !source_->read(header, kZipLocalHeaderSize, local) || !readZipLocalHeader(local, record)) {
        return PackedEntryStatus::Damaged;
    }
    int64_t first = header + record.dataDistance();
    if (first > directory_.offset || entry.compressedSize > directory_.offset - first ||
        (entry.method == kZipStored && entry.compressedSize != entry.size)) {
        return PackedEntryStatus::Damaged;
    }
    EntryStream stream(*source_, sink, entry.size);
    PackedEntryStatus status = entry.method == kZipStored
                                   ? stream.stored(first, entry.compressedSize)
                                   : stream.inflated(first, entry.compressedSize);
    if (status == PackedEntryStatus::Read &&
        (stream.size() != entry.size || stream.crc() != entry.crc)) {
        return PackedEntryStatus::Damaged;
    }
    return status;
}

const char* describePackedEntryStatus(PackedEntryStatus status) {
    switch (status) {
        case PackedEntryStatus::Read:
            return "read";
        case PackedEntryStatus::Damaged:
            return "damaged";
        case PackedEntryStatus::Unsupported:
            return "stored in a way the launcher cannot read (method, encryption or ZIP64)";
        case PackedEntryStatus::SinkFailed:
            return "could not be written";
    }
    return "unknown";
}
