// The payload that the packer appends to the launcher executable, and how a reader finds it
// from the file's end.
//
// Behind the executable image the file carries, up to its end:
//   configuration text   L bytes (a byte order mark first, one NUL last, counted in L)
//   text length          4 bytes, L as signed 32-bit little-endian
//   reserved block       16 bytes, zero, not read
//   ZIP archive          to the end of the file (the application's classes)
// The payload mark is the offset just past the text length, 16 bytes before the archive's
// first byte. The archive's start is found from its own end-of-central-directory record, so
// an archive whose offsets are relative to its own start (a plain concatenation of stub and
// archive) is found as well as one whose offsets count from the start of the file.
//
// A packed executable signed afterwards (Authenticode) carries the signature's certificate
// table behind the archive, named by the PE security directory; the archive then ends where
// that table begins, less the up to 7 zero bytes a signing tool pads with.
//
// Every offset and length read from the image is checked against its size: an image without
// payload, with a cut-off payload or with a length field that does not fit before the mark
// yields no mark or no text, and nothing outside the image is read. Only the last 64 KiB
// (where the end records lie) and the few fields they point to are read, so that a reader
// over a file never needs the whole archive.
//
// Platforms: pure code, the same everywhere; the launcher reads its own file through
// config/payload.h, the packer writes the block (wynpack/config_text.h) and reads it back.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "format/byte_source.h"

// The length field between the configuration text and the reserved block.
constexpr int32_t kPayloadLengthFieldSize = 4;
// Bytes between the text length field and the archive.
constexpr int32_t kPayloadReservedSize = 16;
// The largest configuration text (mark and NUL included) the launcher reads; a length field
// beyond it is taken for damage rather than read into memory, and the packer refuses to
// write a longer one.
constexpr int32_t kMaxEmbeddedTextSize = 16 * 1024 * 1024;

// Where the archive's central directory lies in the image.
struct ArchiveDirectory {
    int64_t offset = -1;  // the directory's first byte; -1 when there is no archive
    int64_t size = 0;     // its length in bytes, inside the image
    int64_t base = 0;     // the image offset that the entries' local header offsets count from
};

// The payload mark of the image, or -1 when it ends in no ZIP archive with room for a text
// length field before it, with the archive's central directory (checked to lie inside the
// image and before the end records; its entries are not checked here). Understands a
// trailing archive comment of up to 65535 bytes, ZIP64 end records and a certificate table
// behind the archive.
int64_t locatePayloadMark(const ByteSource& source, ArchiveDirectory& directory);
// The same over the file image bytes[0, size).
int64_t locatePayloadMark(const unsigned char* bytes, int64_t size);

// The length of the configuration text that ends 4 bytes before mark, or -1 when there is no
// mark, the field cannot be read, or the length is not positive or does not fit inside the
// image before the mark.
int32_t embeddedTextLengthAt(const ByteSource& source, int64_t mark);

// The configuration text that ends 4 bytes before mark: a view into bytes. False (and an
// empty view) when embeddedTextLengthAt finds none.
bool embeddedTextAt(const unsigned char* bytes, int64_t size, int64_t mark, TextView& text);
