// Choosing the class-data-sharing file of a start: its kind, key and fingerprint.
#include "runtime/class_data_sharing.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/trace.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/user_cache.h"
#include "runtime/aot_cache.h"
#include "runtime/dynamic_archive.h"
#include "runtime/runtime_version.h"
#include "runtime/sharing_files.h"
#include "runtime/version_check.h"

namespace {

constexpr int kFirstDynamicArchiveRelease = 13;
constexpr int kFirstAotCacheRelease = 25;

// Options of a user who manages class-data sharing himself.
const char* const kOwnSharingOptions[] = {"Xshare",
                                          "SharedArchiveFile",
                                          "ArchiveClassesAtExit",
                                          "AutoCreateSharedArchive",
                                          "SharedClassListFile",
                                          "AOTCache",
                                          "AOTMode",
                                          "AOTConfiguration",
                                          "AOTCacheOutput"};

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

bool managesSharingItself(const StringList& vmOptions) {
    for (int32_t i = 0; i < vmOptions.count(); ++i) {
        const char* option = vmOptions.stringAt(i);
        for (const char* own : kOwnSharingOptions) {
            if (std::strstr(option, own) != nullptr) {
                return true;
            }
        }
        if (std::strncmp(option, "-Xlog", 5) == 0 &&
            (std::strstr(option, "cds") != nullptr || std::strstr(option, "aot") != nullptr)) {
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

}  // namespace

SharingPlan classDataSharingOptions(TextView cdsValue, TextView runtimeLibrary,
                                    const StringList& vmOptions) {
    SharingPlan plan;
    if (TextString(cdsValue).compareNoCase("auto") != 0) {
        return plan;
    }
    if (managesSharingItself(vmOptions)) {
        trace("class-data sharing: the options manage it, left to them");
        return plan;
    }
    TextString version = declaredRuntimeVersion(runtimeLibrary);
    int release = parseVersion(version).values[0];
    if (release < kFirstDynamicArchiveRelease) {
        trace("class-data sharing: runtime version %s cannot write an archive",
              version.empty() ? "unknown" : version.c_str());
        return plan;
    }
    TextString directory = platform::userCacheDirectory();
    if (directory.empty()) {
        trace("class-data sharing: no cache directory");
        return plan;
    }
    directory.append("/wyn/cds");
    if (!platform::createDirectories(directory.c_str())) {
        trace("class-data sharing: cannot create %s", directory.c_str());
        return plan;
    }

    TextString executable = platform::executablePath();
    platform::FileStamp executableStamp;
    if (!platform::fileStamp(executable.c_str(), executableStamp)) {
        return plan;
    }
    Fingerprint program;
    program.add(executable);
    program.add(runtimeLibrary);
    Fingerprint fingerprint;
    fingerprint.add(executable);
    fingerprint.add(executableStamp.size);
    fingerprint.add(executableStamp.modified);
    fingerprint.add(runtimeLibrary);
    fingerprint.add(version);
    for (int32_t i = 0; i < vmOptions.count(); ++i) {
        fingerprint.add(TextView(vmOptions.stringAt(i)));
        addClassPathStamps(vmOptions.stringAt(i), fingerprint);
    }
    TextString key = program.hex();
    TextString name = TextString::concat(key, TextView("-"));
    name.append(fingerprint.hex());
    name.append('.');
    removeOlderFingerprints(directory, key, name);
    TextString base = directory;
    base.append('/');
    base.append(name.c_str(), name.length() - 1);

    if (release >= kFirstAotCacheRelease) {
        AotCachePlan aot = aotCacheOptions(base, declaredRuntimeHome(runtimeLibrary), vmOptions);
        plan.options = aot.options;
        plan.quietRuntime = aot.quietRuntime;
    } else {
        plan.options = dynamicArchiveOptions(base);
    }
    if (plan.options.count() == 0) {
        return plan;
    }
    plan.options.addString("-Xlog:cds*=off");
    if (release >= kFirstAotCacheRelease) {
        plan.options.addString("-Xlog:aot*=off");
    }
    return plan;
}

void publishClassDataSharingArchive() {
    publishDynamicArchive();
    startAotCacheCreation();
}
