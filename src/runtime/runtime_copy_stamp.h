// The stamp of an unpacked runtime copy: the size and modification time of every file, taken
// right after the copy was written and checked at each later start, which costs one stat per
// file instead of reading the runtime again.
//
// The stamp is a file inside the copy, written last, so that a copy without it is one whose
// unpacking never finished. The check catches a missing file, a file of another size, and a
// file written after the stamp (its modification time changes), which is what a user, a
// tool, an interrupted copy or a cleaner does. It does not catch bytes changed on purpose by
// someone who then sets the old modification time again, nor a disk that silently corrupts
// data, nor files added beside the runtime's own.
//
// Text, '\n' line ends: "wyn-runtime-stamp 1", then one line "<size> <time> <path>" per file
// in the given order, times in the platform's file time units (user_cache.h).
//
// Platforms: identical on Windows and Linux; files are looked at through platform/user_cache.h.
#pragma once

#include "base/text.h"

// The stamp's file name inside the copy; no runtime file may carry it.
extern const char kRuntimeCopyStampName[];

// The stamp of the files at copy + "/" + each path; false when one of them is missing.
[[nodiscard]] bool makeRuntimeCopyStamp(TextView copy, const StringList& paths, TextString& stamp);

// Whether the copy's files still match its stamp, which must name exactly the given paths in
// their order; why names the first difference for the trace.
[[nodiscard]] bool runtimeCopyMatchesStamp(TextView copy, const StringList& paths, TextView stamp,
                                           TextString& why);
