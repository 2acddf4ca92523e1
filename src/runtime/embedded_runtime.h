// The Java runtime carried inside the packed program (jre_order letter "r"): unpacked once
// into a cache shared by every program of the user that carries the same runtime, then
// loaded from there like a runtime folder beside the program.
//
// The packer stores every file of the runtime image as a deflated archive entry under
// "META-INF/wyn/runtime/" and describes them in the index "META-INF/wyn/runtime.index"
// (format/runtime_index.h: each file's path, size, mode and SHA-256). A copy lives in
// <cache>/<content key>/ (platform/runtime_cache_root.h names the cache), with
// <content key>.lock beside it (platform/cache_lock.h).
//
// A start, holding the copy's Unpacking lock:
//   - uses the copy when its stamp matches (runtime_copy_stamp.h: sizes and times);
//   - else moves a damaged or partial copy aside and removes it, unpacks every file into
//     <content key>.tmp.<process id>/, checking each one's CRC-32, size and SHA-256 against the
//     archive and the index, writes the stamp last and moves the directory into place in
//     one step. Another start that gets the lock next finds the finished copy; a start that
//     finds the copy made behind its back (its move fails) uses that copy when it is good.
// Then it takes the copy's InUse lock for as long as it runs, stamps the copy's last use,
// and removes other copies that no start has used for kUnusedCopyDays days and that no
// process runs from.
//
// A full disk or an unwritable cache ends the start with message 17, a damaged runtime in
// the program with message 15, a cache path without an ANSI form with message 14; nothing
// half-made is ever used. An elevated program only uses a cache that only administrators may
// change (see platform/runtime_cache_root.h).
//
// When unpacking takes longer than kProgressDelayMs, the progress callback is told once, so
// that the user learns why the first start is slow; every step is traced.
//
// Platforms: the same steps everywhere; the places, locks and file modes differ as the
// platform headers say.
#pragma once

#include "base/text.h"

constexpr int kUnusedCopyDays = 30;
constexpr unsigned kProgressDelayMs = 500;
// How long a start waits for another one that unpacks the same runtime.
constexpr unsigned kUnpackWaitMs = 5 * 60 * 1000;

enum class EmbeddedRuntimeStatus {
    Absent,       // the program carries no runtime (or one for another platform)
    Ready,        // home names the unpacked, checked copy
    Damaged,      // the carried runtime is damaged: message 15
    CacheFailed,  // the cache cannot be written: message 17 with place and reason
    NoAnsiForm,   // the cache's path has no ANSI form: message 14 with place
    Untrusted,    // elevated, and the cache may be changed by others: not used
};

struct EmbeddedRuntime {
    EmbeddedRuntimeStatus status = EmbeddedRuntimeStatus::Absent;
    TextString home;        // Ready: the copy's directory (ANSI)
    TextString place;       // the cache directory, as shown to the user (UTF-8)
    TextString reason;      // CacheFailed: why, in a few words
    bool unpacked = false;  // Ready: this start unpacked the copy
};

// Told once with a line for the user when unpacking takes a while.
using UnpackProgress = void (*)(const char* line);
void setUnpackProgress(UnpackProgress progress);

// Finds the runtime carried inside the executable (its exact path) and prepares its copy.
// elevated chooses the administrators' cache (see above).
EmbeddedRuntime prepareEmbeddedRuntime(const char* executable, bool elevated);

// Lets go of the copy this process runs from (tests, which prepare many in one process).
void releaseEmbeddedRuntimeCopies();
