// The dynamic class-data-sharing archive of `cds auto` on runtimes of release 13 to 24.
//
// A run without a usable archive asks the runtime to write one at exit
// (-XX:ArchiveClassesAtExit) to a name private to the process; when the process exits the
// launcher moves it under the archive's name (<base>.jsa) in one step and writes its stamp
// (<base>.stamp, see sharing_files.h). A run maps the archive (-XX:SharedArchiveFile) only
// while that stamp matches; a file whose stamp does not match is written again and replaced at
// exit. Same on every platform.
#pragma once

#include "base/text.h"

// The options for the archive of base (the cache path without its extension).
StringList dynamicArchiveOptions(const TextString& base);

// Moves an archive written during this run under its final name. Runs at process exit;
// does nothing when this run wrote no archive.
void publishDynamicArchive();
