// The files of `cds auto` in the user's cache: their names, the launcher's stamp beside each
// archive or cache, and the removal of the files of a program's older fingerprints.
//
// Names: <directory>/<key>-<fingerprint>.<kind>. The key stands for the program on one
// runtime (the executable's and the runtime library's paths), the fingerprint for
// everything that makes a file stale (see class_data_sharing.h). When a program's
// fingerprint changes, the files of its older fingerprints are removed at its next start;
// one that cannot be removed yet (on Windows, a cache that a running instance has mapped)
// is removed at a later start.
//
// The stamp (<key>-<fingerprint>.stamp) holds the size, the modification time and a hash
// of the first 64 KiB (the header and what follows it) of the file it describes. The
// launcher hands the runtime an archive or cache only while its stamp matches: a file that
// was truncated, extended or had bytes of its header changed since it was written (on which
// a runtime may crash, or print errors into the application's output) is never used.
// Same on every platform.
#pragma once

#include <cstdint>

#include "base/text.h"

// A dynamic archive (release 13 to 24) and an ahead-of-time cache (25 and later) begin
// with these magic numbers, in the machine's byte order.
constexpr uint32_t kDynamicArchiveMagic = 0xf00baba8;
constexpr uint32_t kAotCacheMagic = 0xf00baba2;

// True when the file begins with the magic number.
[[nodiscard]] bool startsWithMagic(const char* path, uint32_t magic);

// The stamp text of a file ("size time hash"), empty when it cannot be read.
TextString sharingStampOf(const char* path);
// Writes the stamp of file to stampPath in one step; false (nothing written) on failure.
[[nodiscard]] bool writeSharingStamp(const char* file, const char* stampPath);
// True when stampPath holds the stamp that file has now.
[[nodiscard]] bool sharingStampMatches(const char* file, const char* stampPath);

// Moves written onto file in one step, then writes file's stamp to stampPath. Several
// processes may publish the same file at once: between one's move and its stamp another's
// move may land, so each checks the pair after writing the stamp and writes it again while
// it does not match; the last to write finds the pair whole. False when the move fails
// (written is removed) or no matching stamp could be written (the file then counts as
// stale and is written again by a later run).
[[nodiscard]] bool publishSharingFile(const char* written, const char* file, const char* stampPath);

// Removes the files of directory named <key>-<anything>.* whose name does not begin with
// keep (<key>-<fingerprint>.); what cannot be removed stays for a later call.
void removeOlderFingerprints(const TextString& directory, const TextString& key,
                             const TextString& keep);
