// Writing the dynamic archive at exit and mapping it on later runs.
#include "runtime/dynamic_archive.h"

#include <cstdlib>

#include "base/trace.h"
#include "platform/user_cache.h"
#include "runtime/sharing_files.h"

namespace {

struct PendingArchive {
    TextString written;  // where the runtime writes the archive at exit
    TextString archive;
    TextString stamp;
};

PendingArchive& pending() {
    static PendingArchive archive;
    return archive;
}

void publishAtExit() {
    publishDynamicArchive();
}

}  // namespace

StringList dynamicArchiveOptions(const TextString& base) {
    StringList options;
    TextString archive = TextString::concat(base, TextView(".jsa"));
    TextString stamp = TextString::concat(base, TextView(".stamp"));
    if (sharingStampMatches(archive.c_str(), stamp.c_str()) &&
        startsWithMagic(archive.c_str(), kDynamicArchiveMagic)) {
        trace("class-data sharing: using %s", archive.c_str());
        options.addString(TextString::concat("-XX:SharedArchiveFile=", archive));
        return options;
    }
    PendingArchive& next = pending();
    next.written = platform::processPrivateName(base, ".tmp");
    next.archive = archive;
    next.stamp = stamp;
    platform::removeFile(next.written.c_str());
    trace("class-data sharing: writing %s at exit", next.written.c_str());
    options.addString(TextString::concat("-XX:ArchiveClassesAtExit=", next.written));
    static bool registered = std::atexit(publishAtExit) == 0;
    (void)registered;
    return options;
}

void publishDynamicArchive() {
    PendingArchive& next = pending();
    if (next.written.empty()) {
        return;
    }
    PendingArchive archive = next;
    next = PendingArchive();
    if (!startsWithMagic(archive.written.c_str(), kDynamicArchiveMagic)) {
        // The runtime wrote nothing, or not a whole archive.
        platform::removeFile(archive.written.c_str());
        return;
    }
    // The archive first, then its stamp: a run in between finds the stamp of an older file
    // (or none), takes the archive for stale and writes another; it never maps a partial one.
    if (!publishSharingFile(archive.written.c_str(), archive.archive.c_str(),
                            archive.stamp.c_str())) {
        // Without its stamp the archive counts as stale: the next start writes it again.
        trace("class-data sharing: %s was not published with its stamp", archive.archive.c_str());
    }
}
