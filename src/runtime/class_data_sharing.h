// The application's class-data sharing (`cds auto`): the classes the application loaded on
// an earlier run are mapped from a file in the user's cache instead of being loaded and
// verified again, which makes start-up faster.
//
// Runtimes of release 25 and later get an ahead-of-time cache (aot_cache.h), those of 13
// to 24 a dynamic archive (dynamic_archive.h), older ones nothing. The files live in the
// user's cache (<cache>/wyn/cds/), named by a key of the program on its runtime (the
// executable's and the runtime library's paths) and a fingerprint of what makes them stale:
// the executable (path, size, modification time), the runtime library (path and declared
// version), the virtual machine's options and the size and time of every file of the class
// path (sharing_files.h). Runtimes whose version cannot be read, options by which a user
// manages class-data sharing himself and any failure give a normal start. The runtime's own
// class-data-sharing messages are turned off so that none reach the application's output.
// Same on every platform.
#pragma once

#include "base/text.h"

struct SharingPlan {
    StringList options;
    bool quietRuntime = false;  // drop the runtime's messages during this start
};

// The plan for the `cds` value given, the runtime library to be loaded and the options
// collected so far; nothing unless the value is "auto" (any letter case).
[[nodiscard]] SharingPlan classDataSharingOptions(TextView cdsValue, TextView runtimeLibrary,
                                                  const StringList& vmOptions);

// What a run leaves for the cache when it ends: a dynamic archive written during the run is
// moved under its final name, an ahead-of-time cache recorded during the run starts being
// created. Runs at process exit; tests call it directly.
void publishClassDataSharingArchive();
