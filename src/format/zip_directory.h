// Walking an archive's central directory and finding an entry's data, over a ByteSource: the
// one directory walk that the launcher's readers of packed entries share (the stored splash
// image, the files of a runtime carried inside the program).
//
// The directory is read a block at a time, so a large one is never held in memory. Every
// offset and length comes from the file and is checked against it: an entry that runs past
// the directory's end or lacks its signature ends the walk as damaged; an entry's local
// header must lie before the directory and its data must end there too.
//
// Platforms: identical everywhere; no system calls (the caller's ByteSource reads).
#pragma once

#include <cstdint>

#include "base/text.h"
#include "format/byte_source.h"
#include "format/payload_tail.h"
#include "format/zip_records.h"

enum class ZipWalk {
    Finished,  // every entry was visited
    Stopped,   // the visitor asked to stop
    Damaged,   // an entry does not fit the directory or lacks its signature
};

// Called for each entry in directory order with its record and its name, which is valid only
// during the call; returns false to stop the walk.
using ZipDirectoryVisitor = bool (*)(void* context, const ZipDirectoryEntry& entry, TextView name);

[[nodiscard]] ZipWalk walkZipDirectory(const ByteSource& source, const ArchiveDirectory& directory,
                                       ZipDirectoryVisitor visit, void* context);

// The offset of the data of the entry whose local header lies at localHeader (counted from
// the archive's base) and whose data is compressedSize bytes long; -1 when the header or the
// data do not lie before the directory or the header lacks its signature.
[[nodiscard]] int64_t zipEntryDataOffset(const ByteSource& source,
                                         const ArchiveDirectory& directory, int64_t localHeader,
                                         int64_t compressedSize);
