// Walking the packed archive's directory and streaming entries through zlib's raw inflate.
#include "runtime/packed_entries.h"

#include <zlib.h>

#include <cstring>

#include "format/zip_directory.h"
#include "format/zip_records.h"

namespace {

constexpr int32_t kInputBlockSize = 64 * 1024;
constexpr int32_t kOutputBlockSize = 256 * 1024;

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

// The entries whose names begin with prefix, handed on as PackedEntry.
struct PrefixWalk {
    TextView prefix;
    PackedArchive::Visitor visit;
    void* context;
};

bool visitUnderPrefix(void* context, const ZipDirectoryEntry& record, TextView name) {
    auto* walk = static_cast<PrefixWalk*>(context);
    if (name.length < walk->prefix.length ||
        std::memcmp(name.data, walk->prefix.data, static_cast<size_t>(walk->prefix.length)) != 0) {
        return true;
    }
    PackedEntry entry;
    entry.flags = record.flags;
    entry.method = record.method;
    entry.crc = record.crc;
    // A field that points into ZIP64 data is marked by an impossible size.
    bool zip64 = record.compressedSize == kZipInZip64Field || record.size == kZipInZip64Field ||
                 record.localHeader == kZipInZip64Field;
    entry.compressedSize = zip64 ? -1 : record.compressedSize;
    entry.size = zip64 ? -1 : record.size;
    entry.localHeader = record.localHeader;
    return walk->visit(walk->context, name, entry);
}

}  // namespace

bool PackedArchive::open(const ByteSource& source) {
    source_ = &source;
    return locatePayloadMark(source, directory_) >= 0 && directory_.offset >= 0;
}

bool PackedArchive::forEachEntry(TextView prefix, Visitor visit, void* context) const {
    if (source_ == nullptr) {
        return false;
    }
    PrefixWalk walk{prefix, visit, context};
    return walkZipDirectory(*source_, directory_, visitUnderPrefix, &walk) != ZipWalk::Damaged;
}

PackedEntryStatus PackedArchive::read(const PackedEntry& entry, PackedEntrySink& sink) const {
    if (source_ == nullptr) {
        return PackedEntryStatus::Damaged;
    }
    if ((entry.flags & kZipEncryptedFlag) != 0 || entry.compressedSize < 0 || entry.size < 0 ||
        (entry.method != kZipStored && entry.method != kZipDeflated)) {
        return PackedEntryStatus::Unsupported;
    }
    int64_t first =
        zipEntryDataOffset(*source_, directory_, entry.localHeader, entry.compressedSize);
    if (first < 0 || (entry.method == kZipStored && entry.compressedSize != entry.size)) {
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
