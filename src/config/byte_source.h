// The bytes of the launcher's executable file read by offset, as a ByteSource
// (format/byte_source.h), so that the payload readers keep only the parts they need in memory.
// Every read is checked against the file's size; nothing outside it is ever read.
//
// Platforms: identical on Windows and Linux; the file is read through platform/files.h.
#pragma once

#include <cstdint>

#include "format/byte_source.h"
#include "platform/files.h"

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
