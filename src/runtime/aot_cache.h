// The ahead-of-time cache of `cds auto` on runtimes of release 25 and later: the classes
// the application loads, loaded and linked ahead of time, with method profiles.
//
// Made in two steps. A start without a cache records: the runtime runs as usual with
// -XX:AOTMode=record -XX:AOTConfiguration=<base>.aotconf and writes the configuration at
// exit; its messages about that are dropped (the caller silences the runtime's printing
// hook for this start). When the process exits, the launcher starts the runtime's own java
// launcher, detached, with its output discarded and only the options the cache depends on
// (module and heap-shaping options, the class path), to create the cache
// (-XX:AOTMode=create, into <base>.aot.tmp): the user's start is not delayed by it, and an
// option that only the launcher tolerates never reaches it. The first start that finds the
// creation ended publishes the cache (<base>.aot) with its stamp (sharing_files.h) and
// uses it (-XX:AOTCache); every later start uses it only while the stamp matches.
//
// One recording or creation at a time per cache: <base>.owner, created exclusively, names
// the step ("record" or "create"), the process and its start stamp; other starts meanwhile
// start normally, and only the owner changes the cache's files (a start that finds a cache
// without a matching stamp does not remove it while another may be publishing it). An owner
// that has ended is taken over by one start: it publishes what an ended creation made, or
// records again after an ended recording. A creation that ended without a cache, or a
// recording that wrote no configuration, counts a failed attempt in <base>.failed; after
// two, the program starts normally until its fingerprint changes, instead of recording
// every time.
// Same on every platform (bin\java.exe on Windows).
#pragma once

#include "base/text.h"

struct AotCachePlan {
    StringList options;
    bool quietRuntime = false;  // this start records: drop the runtime's messages
};

// The plan for the cache of base (the cache path without its extension), made with the
// runtime at home, for a start with the given options.
[[nodiscard]] AotCachePlan aotCacheOptions(const TextString& base, const TextString& home,
                                           const StringList& vmOptions);

// Starts the creation of the cache recorded during this run. Runs at process exit; does
// nothing when this run did not record.
void startAotCacheCreation();
