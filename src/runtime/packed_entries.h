// The entries of the packed archive that the launcher unpacks itself (the Java runtime
// carried inside the program): walking the archive's central directory for the entries under
// a prefix, and streaming one entry's data, stored or deflated, through a sink.
//
// Every offset and length comes from the file and is checked against it: a directory entry
// must lie inside the directory, the local header and the data before the directory. The
// data is inflated as raw deflate (zlib, linked into the launcher), in blocks, so that no
// entry is ever held whole in memory; its CRC-32 and its size must be those of the
// directory, and the deflate stream must end exactly where the entry's data ends. Entries
// that need ZIP64 fields (4 GiB and beyond) and encrypted entries are not read.
//
// The directory walk and the way to an entry's data come from format/zip_directory.h, the
// records' layouts from format/zip_records.h, the archive's place from
// format/payload_tail.h.
//
// Platforms: identical on Windows and Linux; the caller reads the file (config/byte_source.h).
#pragma once

#include <cstdint>

#include "base/text.h"
#include "format/byte_source.h"
#include "format/payload_tail.h"

// One entry as the central directory describes it.
struct PackedEntry {
    int64_t localHeader = 0;  // offset of its local header from the archive's base
    int64_t compressedSize = 0;
    int64_t size = 0;
    uint32_t crc = 0;
    uint32_t method = 0;  // 0 stored, 8 deflated
    uint32_t flags = 0;
};

enum class PackedEntryStatus {
    Read,         // every byte reached the sink and matched the directory's CRC-32 and size
    Damaged,      // the directory, the local header, the stream or the CRC do not fit
    Unsupported,  // another method, encryption, or ZIP64 fields
    SinkFailed,   // the sink refused a block
};

// Where an entry's bytes go, a block at a time.
class PackedEntrySink {
  public:
    virtual ~PackedEntrySink() = default;
    // False stops the reading (PackedEntryStatus::SinkFailed).
    virtual bool consume(const unsigned char* bytes, int32_t length) = 0;
};

// The packed archive of an executable, opened for reading its entries.
class PackedArchive {
  public:
    // False when the file cannot be read or ends in no archive.
    [[nodiscard]] bool open(const ByteSource& source);

    // Calls visit(context, name, entry) for every directory entry whose name begins with
    // prefix, in the directory's order; a false from visit stops the walk. False when the
    // directory is damaged (the walk may have visited some entries before).
    using Visitor = bool (*)(void* context, TextView name, const PackedEntry& entry);
    [[nodiscard]] bool forEachEntry(TextView prefix, Visitor visit, void* context) const;

    // Streams the entry's data into sink.
    PackedEntryStatus read(const PackedEntry& entry, PackedEntrySink& sink) const;

  private:
    const ByteSource* source_ = nullptr;
    ArchiveDirectory directory_;
};

// A few words for the trace.
const char* describePackedEntryStatus(PackedEntryStatus status);
