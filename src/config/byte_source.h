// The bytes of an executable file, read by offset: from a whole image in memory, or from the
// file itself, so that the payload readers keep only the parts they need in memory. Every
// read is checked against the image's size; nothing outside it is ever read.
//
// Platforms: identical on Windows and Linux; the file is read through platform/files.h.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/files.h"

inline uint32_t littleEndian16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

inline uint32_t littleEndian32(const unsigned char* p) {
    return littleEndian16(p) | littleEndian16(p + 2) << 16;
}

inline uint64_t littleEndian64(const unsigned char* p) {
    return static_cast<uint64_t>(littleEndian32(p)) | static_cast<uint64_t>(littleEndian32(p + 4))
                                                          << 32;
}

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

class FileSource : public ByteSource {
  public:
    explicit FileSource(const platform::FileReader& file) : file_(file) {}
    int64_t size() const override { return file_.size(); }
    bool read(int64_t offset, int32_t length, unsigned char* out) const override {
        return file_.readAt(offset, out, length);
    }

  private:
    const platform::FileReader& file_;
};
