// The application's class-data-sharing archive (`cds auto`): the runtime writes an archive
// of the classes the application loaded on its first run, and later runs map it instead of
// loading and verifying those classes again, which makes start-up faster.
//
// The archive lives in the user's cache (<cache>/wyn/cds/<hash>.jsa) under a hash of what
// makes it stale: the executable (path, size, modification time), the runtime library
// (path and declared version), the virtual machine's options and the size and time of
// every file of the class path. A run without a usable
// archive asks the runtime to write one (-XX:ArchiveClassesAtExit) to a name private to the
// process; when the process exits the launcher moves it under the archive's name in one
// step and records its size and time beside it (<hash>.stamp). A run uses the archive
// (-XX:SharedArchiveFile) only when the recorded stamp still matches, so an archive that
// was truncated or rewritten since (which a runtime may crash on) is never handed over but
// made again. Runtimes before 13, runtimes whose version cannot be read, options that
// manage class-data sharing themselves and any failure give a normal start. The runtime's
// own class-data-sharing messages are turned off so that none reach the application's
// output. Same on every platform.
#pragma once

#include "base/text.h"

// The options to add for the `cds` value given, the runtime library to be loaded and the
// options collected so far; none unless the value is "auto" (any letter case).
StringList classDataSharingOptions(TextView cdsValue, TextView runtimeLibrary,
                                   const StringList& vmOptions);

// Moves an archive written during this run under its final name. Runs at process exit;
// tests call it directly. Does nothing when this run wrote no archive.
void publishClassDataSharingArchive();
