// The central directory a block at a time, and the way from an entry to its data.
#include "format/zip_directory.h"

namespace {

constexpr int32_t kDirectoryBlockSize = 64 * 1024;

// The bytes of the central directory, a block at a time, never outside the directory.
class DirectoryBlocks {
  public:
    DirectoryBlocks(const ByteSource& source, int64_t end) : source_(source), end_(end) {}

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

}  // namespace

ZipWalk walkZipDirectory(const ByteSource& source, const ArchiveDirectory& directory,
                         ZipDirectoryVisitor visit, void* context) {
    int64_t end = directory.offset + directory.size;
    DirectoryBlocks blocks(source, end);
    for (int64_t at = directory.offset; at < end;) {
        const unsigned char* header = blocks.at(at, kZipDirectoryEntrySize);
        ZipDirectoryEntry entry;
        if (header == nullptr || !readZipDirectoryEntry(header, entry) ||
            entry.recordLength() > end - at) {
            return ZipWalk::Damaged;
        }
        auto nameLength = static_cast<int32_t>(entry.nameLength);
        const unsigned char* name = blocks.at(at + kZipDirectoryEntrySize, nameLength);
        if (name == nullptr) {
            return ZipWalk::Damaged;
        }
        if (!visit(context, entry, TextView(reinterpret_cast<const char*>(name), nameLength))) {
            return ZipWalk::Stopped;
        }
        at += entry.recordLength();
    }
    return ZipWalk::Finished;
}

int64_t zipEntryDataOffset(const ByteSource& source, const ArchiveDirectory& directory,
                           int64_t localHeader, int64_t compressedSize) {
    int64_t header = directory.base + localHeader;
    unsigned char local[kZipLocalHeaderSize];
    ZipLocalHeader record;
    if (localHeader < 0 || header < 0 || header > directory.offset - kZipLocalHeaderSize ||
        !source.read(header, kZipLocalHeaderSize, local) || !readZipLocalHeader(local, record)) {
        return -1;
    }
    int64_t first = header + record.dataDistance();
    if (compressedSize < 0 || first > directory.offset ||
        compressedSize > directory.offset - first) {
        return -1;
    }
    return first;
}
