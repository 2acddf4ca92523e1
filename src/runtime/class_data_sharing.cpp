// Managing the application's class-data-sharing archive in the user's cache.
#include "runtime/class_data_sharing.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/trace.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/user_cache.h"
#include "runtime/runtime_version.h"
#include "runtime/version_check.h"

namespace {

// A dynamic archive begins with this magic number, in the machine's byte order.
constexpr uint32_t kDynamicArchiveMagic = 0xf00baba8;
constexpr int kFirstDynamicArchiveRelease = 13;
// From this release the runtime's own messages about archives carry the tag "aot" as well.
constexpr int kFirstAotLogRelease = 25;

// Options of a user who manages class-data sharing himself.
const char* const kOwnSharingOptions[] = {"Xshare", "SharedArchiveFile", "ArchiveClassesAtExit",
                                          "AutoCreateSharedArchive", "SharedClassListFile"};

struct PendingArchive {
    TextString written;  // where the runtime writes the archive at exit
    TextString archive;
    TextString stamp;
};

PendingArchive& pending() {
    static PendingArchive archive;
    return archive;
}

// 64-bit FNV-1a over every piece, each followed by a zero byte so that pieces cannot run
// into each other.
class Fingerprint {
  public:
    void add(TextView piece) {
        for (int32_t i = 0; i < piece.length; ++i) {
            mix(static_cast<unsigned char>(piece.data[i]));
        }
        mix(0);
    }
    void add(int64_t number) {
        char text[32];
        std::snprintf(text, sizeof text, "%" PRId64, number);
        add(TextView(text));
    }
    TextString hex() const {
        char text[17];
        std::snprintf(text, sizeof text, "%016" PRIx64, hash_);
        return TextString(text);
    }

  private:
    void mix(unsigned char byte) {
        hash_ ^= byte;
        hash_ *= 0x100000001b3ULL;
    }
    uint64_t hash_ = 0xcbf29ce484222325ULL;
};

TextString stampText(const platform::FileStamp& stamp) {
    char text[64];
    std::snprintf(text, sizeof text, "%" PRId64 " %" PRId64, stamp.size, stamp.modified);
    return TextString(text);
}

bool startsWithArchiveMagic(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    uint32_t magic = 0;
    bool read = std::fread(&magic, sizeof magic, 1, file) == 1;
    std::fclose(file);
    return read && magic == kDynamicArchiveMagic;
}

// The archive is usable when the stamp recorded at its publication still describes it.
bool archiveIntact(const TextString& archive, const TextString& stamp) {
    platform::FileStamp current;
    ByteBuffer recorded;
    if (!platform::fileStamp(archive.c_str(), current) ||
        !platform::readWholeFile(stamp.c_str(), recorded)) {
        return false;
    }
    TextString expected = stampText(current);
    return recorded.length() == expected.length() &&
           std::memcmp(recorded.data(), expected.c_str(), expected.length()) == 0 &&
           startsWithArchiveMagic(archive.c_str());
}

bool managesSharingItself(const StringList& vmOptions) {
    for (int32_t i = 0; i < vmOptions.count(); ++i) {
        const char* option = vmOptions.stringAt(i);
        for (const char* own : kOwnSharingOptions) {
            if (std::strstr(option, own) != nullptr) {
                return true;
            }
        }
        if (std::strncmp(option, "-Xlog", 5) == 0 && std::strstr(option, "cds") != nullptr) {
            return true;
        }
    }
    return false;
}

// The runtime refuses an archive once a jar of the class path has changed, and would then
// never write a new one: the size and time of every class path file go into the hash.
void addClassPathStamps(const char* option, Fingerprint& fingerprint) {
    static const char kClassPathOption[] = "-Djava.class.path=";
    if (std::strncmp(option, kClassPathOption, sizeof kClassPathOption - 1) != 0) {
        return;
    }
    const char* entry = option + sizeof kClassPathOption - 1;
    while (*entry != '\0') {
        const char* end = std::strchr(entry, platform::kClassPathSeparator);
        int32_t length = static_cast<int32_t>(end != nullptr ? end - entry : std::strlen(entry));
        platform::FileStamp stamp;
        if (length > 0 && platform::fileStamp(TextString(entry, length).c_str(), stamp)) {
            fingerprint.add(stamp.size);
            fingerprint.add(stamp.modified);
        }
        entry += length;
        if (*entry != '\0') {
            ++entry;
        }
    }
}

void publishAtExit() {
    publishClassDataSharingArchive();
}

}  // namespace

StringList classDataSharingOptions(TextView cdsValue, TextView runtimeLibrary,
                                   const StringList& vmOptions) {
    StringList options;
    if (TextString(cdsValue).compareNoCase("auto") != 0) {
        return options;
    }
    if (managesSharingItself(vmOptions)) {
        trace("class-data sharing: the options manage it, left to them");
        return options;
    }
    TextString version = declaredRuntimeVersion(runtimeLibrary);
    int release = parseVersion(version).values[0];
    if (release < kFirstDynamicArchiveRelease) {
        trace("class-data sharing: runtime version %s cannot write an archive",
              version.empty() ? "unknown" : version.c_str());
        return options;
    }
    TextString directory = platform::userCacheDirectory();
    if (directory.empty()) {
        trace("class-data sharing: no cache directory");
        return options;
    }
    directory.append("/wyn/cds");
    if (!platform::createDirectories(directory.c_str())) {
        trace("class-data sharing: cannot create %s", directory.c_str());
        return options;
    }

    Fingerprint fingerprint;
    TextString executable = platform::executablePath();
    platform::FileStamp executableStamp;
    if (!platform::fileStamp(executable.c_str(), executableStamp)) {
        return options;
    }
    fingerprint.add(executable);
    fingerprint.add(executableStamp.size);
    fingerprint.add(executableStamp.modified);
    fingerprint.add(runtimeLibrary);
    fingerprint.add(version);
    for (int32_t i = 0; i < vmOptions.count(); ++i) {
        fingerprint.add(TextView(vmOptions.stringAt(i)));
        addClassPathStamps(vmOptions.stringAt(i), fingerprint);
    }
    TextString base = directory;
    base.append('/');
    base.append(fingerprint.hex());
    TextString archive = TextString::concat(base, TextView(".jsa"));
    TextString stamp = TextString::concat(base, TextView(".stamp"));

    if (archiveIntact(archive, stamp)) {
        trace("class-data sharing: using %s", archive.c_str());
        options.addString(TextString::concat("-XX:SharedArchiveFile=", archive));
    } else {
        PendingArchive& next = pending();
        next.written = platform::processPrivateName(base, ".tmp");
        next.archive = archive;
        next.stamp = stamp;
        platform::removeFile(next.written.c_str());
        trace("class-data sharing: writing %s at exit", next.written.c_str());
        options.addString(TextString::concat("-XX:ArchiveClassesAtExit=", next.written));
        static bool registered = std::atexit(publishAtExit) == 0;
        (void)registered;
    }
    options.addString("-Xlog:cds*=off");
    if (release >= kFirstAotLogRelease) {
        options.addString("-Xlog:aot*=off");
    }
    return options;
}

void publishClassDataSharingArchive() {
    PendingArchive& next = pending();
    if (next.written.empty()) {
        return;
    }
    PendingArchive archive = next;
    next = PendingArchive();
    platform::FileStamp written;
    if (!platform::fileStamp(archive.written.c_str(), written) ||
        !startsWithArchiveMagic(archive.written.c_str())) {
        // The runtime wrote nothing, or not a whole archive.
        platform::removeFile(archive.written.c_str());
        return;
    }
    // The archive first, then its stamp: a run in between finds the stamp of an older file
    // (or none), takes the archive for stale and writes another; it never maps a partial one.
    TextString stampWritten = platform::processPrivateName(archive.stamp, ".tmp");
    if (!platform::replaceFile(archive.written.c_str(), archive.archive.c_str())) {
        platform::removeFile(archive.written.c_str());
        return;
    }
    platform::FileStamp published;
    if (!platform::fileStamp(archive.archive.c_str(), published) ||
        !platform::writeWholeFile(stampWritten.c_str(), stampText(published)) ||
        !platform::replaceFile(stampWritten.c_str(), archive.stamp.c_str())) {
        platform::removeFile(stampWritten.c_str());
    }
}
