// Recording, creating, publishing and using the ahead-of-time cache.
#include "runtime/aot_cache.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/trace.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/process.h"
#include "platform/process_identity.h"
#include "platform/user_cache.h"
#include "runtime/sharing_files.h"

namespace {

// Options of the start that the cache depends on, handed to its creation as well: module
// options (a cache created without them loses its module graph where they are given) and
// those that shape the heap or the object layout (a cache created with other ones is
// refused).
const char* const kCreationOptionPrefixes[] = {
    "--add-",          "--enable-native-access",
    "--limit-modules", "--patch-module",
    "-Djdk.module.",   "-Xmx",
    "-XX:MaxHeapSize", "-XX:+Use",
    "-XX:-Use",        "-XX:ObjectAlignmentInBytes",
};

// Attempts at making a cache for one fingerprint: a creation may also end without a cache
// because the system shut down while it ran, so one more attempt is made before normal
// starts take over.
constexpr int kAttempts = 2;

struct CacheFiles {
    TextString cache;
    TextString stamp;
    TextString configuration;
    TextString created;  // where the creation writes the cache
    TextString owner;
    TextString failed;
};

CacheFiles filesOf(const TextString& base) {
    CacheFiles files;
    files.cache = TextString::concat(base, TextView(".aot"));
    files.stamp = TextString::concat(base, TextView(".stamp"));
    files.configuration = TextString::concat(base, TextView(".aotconf"));
    files.created = TextString::concat(base, TextView(".aot.tmp"));
    files.owner = TextString::concat(base, TextView(".owner"));
    files.failed = TextString::concat(base, TextView(".failed"));
    return files;
}

struct PendingCreation {
    CacheFiles files;
    StringList command;  // the creation's command line, without the output options
};

PendingCreation& pending() {
    static PendingCreation creation;
    return creation;
}

TextString ownerText(const char* step, int32_t pid) {
    TextString text;
    text.format("%s %" PRId32 " %" PRIu32 "\n", step, pid, platform::processStartStamp(pid));
    return text;
}

struct Owner {
    bool present = false;
    bool alive = false;
    bool creating = false;
    TextString text;
};

// Who holds the cache's recording or creation; an owner file that cannot be read counts as
// an ended recording.
Owner readOwner(const TextString& path) {
    Owner owner;
    ByteBuffer text;
    if (!platform::readWholeFile(path.c_str(), text)) {
        return owner;
    }
    owner.present = true;
    owner.text = TextString(text.data(), text.length() < 64 ? text.length() : 64);
    char step[8] = {};
    int32_t pid = 0;
    uint32_t stamp = 0;
    if (std::sscanf(owner.text.c_str(), "%7s %" SCNd32 " %" SCNu32, step, &pid, &stamp) != 3 ||
        pid <= 0) {
        return owner;
    }
    owner.creating = std::strcmp(step, "create") == 0;
    owner.alive = platform::isProcessAlive(pid) && platform::processStartStamp(pid) == stamp;
    return owner;
}

// Takes an ended owner's file away, so that of several starts that found it only one goes
// on; false when another start was first.
bool claimEndedOwner(const TextString& path, const Owner& ended) {
    TextString claimed = platform::processPrivateName(path, ".tmp");
    if (!platform::replaceFile(path.c_str(), claimed.c_str())) {
        return false;
    }
    ByteBuffer text;
    bool same =
        platform::readWholeFile(claimed.c_str(), text) &&
        TextString(text.data(), text.length() < 64 ? text.length() : 64).compare(ended.text) == 0;
    if (!same) {
        // Another start had already replaced it with its own: give that back.
        platform::replaceFile(claimed.c_str(), path.c_str());
        return false;
    }
    platform::removeFile(claimed.c_str());
    return true;
}

// The attempts that failed so far (the count in the failed file).
int failedAttempts(const CacheFiles& files) {
    ByteBuffer text;
    if (!platform::readWholeFile(files.failed.c_str(), text)) {
        return 0;
    }
    TextString line(text.data(), text.length() < 16 ? text.length() : 16);
    int count = 0;
    return std::sscanf(line.c_str(), "%d", &count) == 1 && count > 0 ? count : kAttempts;
}

void markFailed(const CacheFiles& files) {
    TextString count;
    count.format("%d\n", failedAttempts(files) + 1);
    platform::writeWholeFile(files.failed.c_str(), count);
    platform::removeFile(files.created.c_str());
    platform::removeFile(files.configuration.c_str());
    platform::removeFile(files.owner.c_str());
}

// A creation has ended: its cache goes under the final name with its stamp, or, when it
// made none, the cache is given up for this fingerprint.
bool publishCreated(const CacheFiles& files) {
    if (!startsWithMagic(files.created.c_str(), kAotCacheMagic) ||
        !publishSharingFile(files.created.c_str(), files.cache.c_str(), files.stamp.c_str())) {
        trace("class-data sharing: the creation left no cache");
        markFailed(files);
        return false;
    }
    trace("class-data sharing: published %s", files.cache.c_str());
    platform::removeFile(files.configuration.c_str());
    platform::removeFile(files.owner.c_str());
    return true;
}

bool isCreationOption(const char* option) {
    for (const char* prefix : kCreationOptionPrefixes) {
        if (std::strncmp(option, prefix, std::strlen(prefix)) == 0) {
            return true;
        }
    }
    return false;
}

StringList creationCommand(const TextString& home, const StringList& vmOptions) {
    static const char kClassPathOption[] = "-Djava.class.path=";
    StringList command;
    TextString java = home;
    java.append('/');
    java.append(platform::kJavaLauncherSubPath);
    command.addString(java);
    const char* classPath = "";
    for (int32_t i = 0; i < vmOptions.count(); ++i) {
        const char* option = vmOptions.stringAt(i);
        if (std::strncmp(option, kClassPathOption, sizeof kClassPathOption - 1) == 0) {
            classPath = option + sizeof kClassPathOption - 1;
        } else if (isCreationOption(option)) {
            command.addString(option);
        }
    }
    command.addString("-cp");
    command.addString(classPath);
    return command;
}

void startCreationAtExit() {
    startAotCacheCreation();
}

AotCachePlan usePlan(const CacheFiles& files) {
    AotCachePlan plan;
    trace("class-data sharing: using %s", files.cache.c_str());
    plan.options.addString(TextString::concat("-XX:AOTCache=", files.cache));
    return plan;
}

}  // namespace

AotCachePlan aotCacheOptions(const TextString& base, const TextString& home,
                             const StringList& vmOptions) {
    CacheFiles files = filesOf(base);
    if (sharingStampMatches(files.cache.c_str(), files.stamp.c_str()) &&
        startsWithMagic(files.cache.c_str(), kAotCacheMagic)) {
        return usePlan(files);
    }
    // A cache without a matching stamp is never handed over.
    AotCachePlan plan;
    if (failedAttempts(files) >= kAttempts) {
        trace("class-data sharing: no cache can be made for this program and runtime");
        return plan;
    }
    Owner owner = readOwner(files.owner);
    if (owner.alive) {
        trace("class-data sharing: another start %s the cache",
              owner.creating ? "creates" : "records");
        return plan;
    }
    // Only the owner changes the cache's files: an ended owner is taken over first.
    if ((owner.present && !claimEndedOwner(files.owner, owner)) ||
        !platform::writeNewFile(files.owner.c_str(),
                                ownerText("record", platform::currentProcessId()))) {
        return plan;
    }
    if (owner.creating) {
        if (publishCreated(files)) {
            return usePlan(files);
        }
        // The failed creation gave the ownership up: another attempt records right away.
        if (failedAttempts(files) >= kAttempts ||
            !platform::writeNewFile(files.owner.c_str(),
                                    ownerText("record", platform::currentProcessId()))) {
            return plan;
        }
    }
    platform::removeFile(files.stamp.c_str());
    platform::removeFile(files.cache.c_str());
    platform::removeFile(files.configuration.c_str());
    platform::removeFile(files.created.c_str());
    PendingCreation& next = pending();
    next.files = files;
    next.command = creationCommand(home, vmOptions);
    trace("class-data sharing: recording %s", files.configuration.c_str());
    plan.options.addString("-XX:AOTMode=record");
    plan.options.addString(TextString::concat("-XX:AOTConfiguration=", files.configuration));
    plan.quietRuntime = true;
    static bool registered = std::atexit(startCreationAtExit) == 0;
    (void)registered;
    return plan;
}

void startAotCacheCreation() {
    PendingCreation& next = pending();
    if (next.command.count() == 0) {
        return;
    }
    PendingCreation creation = next;
    next = PendingCreation();
    const CacheFiles& files = creation.files;
    platform::FileStamp configuration;
    if (!platform::fileStamp(files.configuration.c_str(), configuration) ||
        configuration.size == 0) {
        trace("class-data sharing: the runtime recorded nothing");
        markFailed(files);
        return;
    }
    StringList command = creation.command;
    command.addString("-XX:AOTMode=create");
    command.addString(TextString::concat("-XX:AOTConfiguration=", files.configuration));
    command.addString(TextString::concat("-XX:AOTCache=", files.created));
    // The java launcher reads JDK_JAVA_OPTIONS, which the recording start never saw.
    platform::putEnv("JDK_JAVA_OPTIONS=");
    int32_t pid = platform::startDetachedProcess(command);
    if (pid == 0) {
        trace("class-data sharing: %s cannot be started", command.stringAt(0));
        markFailed(files);
        return;
    }
    TextString written = platform::processPrivateName(files.owner, ".tmp");
    if (!platform::writeWholeFile(written.c_str(), ownerText("create", pid)) ||
        !platform::replaceFile(written.c_str(), files.owner.c_str())) {
        platform::removeFile(written.c_str());
    }
    trace("class-data sharing: creating %s in process %" PRId32, files.created.c_str(), pid);
}
