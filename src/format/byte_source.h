// Bytes of a file image read by offset: the interface the format readers take, so that they
// work alike on a whole image in memory and on a file that the caller reads piece by piece.
// Every read is checked against the image's size; nothing outside it is ever read.
//
// Platforms: pure code, the same everywhere. A source over a file lives with the code that
// opens files (config/byte_source.h); this room makes no system calls.
#pragma once

#include <cstdint>
#include <cstring>

#include "format/little_endian.h"

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual int64_t size() const = 0;
    // Exactly length bytes at offset; false when they are not all inside the image.
    virtual bool read(int64_t offset, int32_t length, unsigned char* out) const = 0;

    // A little-endian field; false when it does not lie inside the image.
    bool field32(int64_t offset, uint32_t& value) const {
        unsigned char b[4];
        if (!read(offset, 4, b)) {
            return false;
        }
        value = littleEndian32(b);
        return true;
    }
    bool field64(int64_t offset, uint64_t& value) const {
        unsigned char b[8];
        if (!read(offset, 8, b)) {
            return false;
        }
        value = littleEndian64(b);
        return true;
    }
};

class MemorySource : public ByteSource {
  public:
    MemorySource(const unsigned char* bytes, int64_t size) : bytes_(bytes), size_(size) {}
    int64_t size() const override { return size_; }
    bool read(int64_t offset, int32_t length, unsigned char* out) const override {
        if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset) {
            return false;
        }
        if (length > 0) {
            std::memcpy(out, bytes_ + offset, static_cast<size_t>(length));
        }
        return true;
    }

  private:
    const unsigned char* bytes_;
    int64_t size_;
};

// The first size bytes of another source: a signed file without its certificate table, say.
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
