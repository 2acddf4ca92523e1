// The one offset of the archive that must count from the start of the packed file.
//
// The archive sits behind the stub and the configuration block, and its offsets count from its
// own first byte: a reader finds the prefix from the end of central directory record (the
// directory's offset and size against the record's position) and adds it. An archive with more
// than 65535 entries (or beyond 4 GiB) also has a ZIP64 end record and, just before the end
// record, a ZIP64 locator that holds the ZIP64 end record's offset. Readers take that offset
// as a position in the file, before they know any prefix (the JDK does, and so does unzip,
// which otherwise reports "End-of-centdir-64 signature not where expected"), so in a packed
// file it must include the prefix. libzip writes it relative, like every other offset; this
// module computes the correction.
//
// Platforms: pure code, the same everywhere; the records are read by format/zip_records.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "format/zip_records.h"

namespace wynpack {

// The most bytes from the end of an archive that locating the ZIP64 locator needs: the end
// record, its longest comment and the locator.
constexpr uint64_t kArchiveTailSize =
    uint64_t{kZipEndRecordSize} + kZipMaxCommentSize + kZip64LocatorSize;

struct LocatorFix {
    bool needed = false;
    uint64_t distanceFromEnd = 0;  // where the 8-byte offset field starts, counted from the end
    std::string bytes;             // its new little-endian value
};

// tail: the last bytes of the archive (up to kArchiveTailSize, or the whole archive when it is
// shorter); prefixLength: the bytes in front of the archive in the packed file. No fix is
// needed when the archive has no ZIP64 locator.
LocatorFix zip64LocatorFix(std::string_view tail, uint64_t prefixLength);

}  // namespace wynpack
