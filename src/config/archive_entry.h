// Entries of the packed archive that the launcher reads itself, without the Java runtime: an
// image that the `splash` key names by its entry name (images/splash.png), so that a packed
// program needs no image file beside it.
//
// The launcher carries no inflater, so only an entry stored uncompressed can be read; the
// packer stores the entry that `splash` names that way. The entry is found by its exact name
// in the archive's central directory. Every offset and length comes from the file and is
// checked against it: the directory entry must lie inside the directory, the local header and
// the data before the directory, and the data must match the directory's CRC-32. A truncated
// or hostile archive yields a status, never a read outside the file. Entries that need ZIP64
// fields (4 GiB and beyond) are not read.
//
// Platforms: identical on Windows and Linux; the file is read through platform/files.h, a
// block of the central directory at a time.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "config/byte_source.h"

// The largest entry readStoredEntry reads into memory; a larger one is no image to show at
// start-up.
constexpr int32_t kMaxStoredEntrySize = 32 * 1024 * 1024;

enum class ArchiveEntryStatus {
    Found,       // stored uncompressed; its bytes were read and match their CRC-32
    NoArchive,   // the file cannot be read or ends in no archive
    Missing,     // no entry of that name
    Compressed,  // the entry is compressed
    Encrypted,   // the entry is encrypted
    NeedsZip64,  // its sizes or offset are only in ZIP64 fields
    TooLarge,    // larger than kMaxStoredEntrySize
    Damaged,     // the directory, the local header or the data do not fit the file or the CRC
};

// Reads the stored entry of that exact name from the archive at the end of the image into
// data (emptied unless Found).
ArchiveEntryStatus readStoredEntry(const ByteSource& source, TextView name, ByteBuffer& data);
// The same over a whole image in memory, and over an executable file given by its exact path
// (see platform/files.h).
ArchiveEntryStatus readStoredEntry(const unsigned char* bytes, int64_t size, TextView name,
                                   ByteBuffer& data);
ArchiveEntryStatus readStoredEntry(const char* executable, TextView name, ByteBuffer& data);

// A few words for the trace: "stored", "not in the archive", "compressed", ...
const char* describeEntryStatus(ArchiveEntryStatus status);
