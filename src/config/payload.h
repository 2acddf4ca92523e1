// The payload that the packer appends to the launcher executable, as far as the
// configuration reader uses it.
//
// Behind the executable image the file carries, up to its end:
//   configuration text   L bytes (a byte order mark first, one NUL last, counted in L)
//   text length          4 bytes, L as signed 32-bit little-endian
//   reserved block       16 bytes, not read here
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
// Every offset and length read from the file is checked against the file's size: an
// executable without payload, with a cut-off payload or with a length field that does not
// fit before the mark yields no embedded text, and nothing outside the file is read.
//
// A running executable is never read or mapped whole: only its last 64 KiB (where the end
// records lie), the few fields they point to and the configuration text are read, so that a
// large archive costs neither time nor address space (a 32-bit process may have too little
// of it to map a big file at all).
//
// Platforms: identical on Windows and Linux; the file is read through platform/files.h.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "config/byte_source.h"

// Bytes between the text length field and the archive.
constexpr int32_t kPayloadReservedSize = 16;
// The largest configuration text readEmbeddedText accepts; a length field beyond it is taken
// for damage rather than read into memory.
constexpr int32_t kMaxEmbeddedTextSize = 16 * 1024 * 1024;

// The payload mark of the file image bytes[0, size), or -1 when it ends in no ZIP archive
// with room for a text length field before it. Understands a trailing archive comment of up
// to 65535 bytes, ZIP64 end records and a certificate table behind the archive.
int64_t locatePayloadMark(const unsigned char* bytes, int64_t size);

// Where the archive's central directory lies in the file.
struct ArchiveDirectory {
    int64_t offset = -1;  // the directory's first byte; -1 when there is no archive
    int64_t size = 0;     // its length in bytes, inside the file
    int64_t base = 0;     // the file offset that the entries' local header offsets count from
};

// The same over any image, with the archive's central directory (checked to lie inside the
// image and before the end records; its entries are not checked here).
int64_t locatePayloadMark(const ByteSource& source, ArchiveDirectory& directory);

// The configuration text that ends 4 bytes before mark: a view into bytes. False (and an
// empty view) when there is no mark or the length field is not positive or does not fit
// inside the file before the mark.
bool embeddedTextAt(const unsigned char* bytes, int64_t size, int64_t mark, TextView& text);

// Reads the embedded configuration text of an executable file (by its exact path, see
// platform/files.h) into text (raw bytes, byte order mark included), reading only the parts
// of the file it needs; also reports the mark (-1 when none). False when the file cannot be
// read or holds no embedded text (or a text longer than kMaxEmbeddedTextSize); text is then
// empty.
bool readEmbeddedText(const char* executable, TextString& text, int64_t& mark);
