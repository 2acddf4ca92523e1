// Stamps, magic numbers and the removal of older files of the class-data-sharing cache.
#include "runtime/sharing_files.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/trace.h"
#include "platform/files.h"
#include "platform/user_cache.h"

namespace {

// The part of a file that the stamp's hash covers: the header and the start of the first
// region, a few microseconds to read, where a damaged byte makes a runtime crash.
constexpr int32_t kHashedBytes = 64 * 1024;

// How often a publisher writes the stamp at most. A round is repeated only when another
// publisher's file landed between this one's stamp and its check, so a handful of processes
// ending together settle within a few rounds.
constexpr int kStampRounds = 8;

// 64-bit FNV-1a.
uint64_t hashBytes(const unsigned char* bytes, int32_t length) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (int32_t i = 0; i < length; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

}  // namespace

bool startsWithMagic(const char* path, uint32_t magic) {
    platform::FileReader reader;
    uint32_t found = 0;
    return reader.open(path) && reader.readAt(0, &found, sizeof found) && found == magic;
}

TextString sharingStampOf(const char* path) {
    platform::FileStamp stamp;
    if (!platform::fileStamp(path, stamp)) {
        return TextString();
    }
    uint64_t hash = 0;
    if (stamp.size > 0) {
        platform::FileReader reader;
        ByteBuffer head;
        int32_t length =
            stamp.size < kHashedBytes ? static_cast<int32_t>(stamp.size) : kHashedBytes;
        head.resize(length);
        if (!reader.open(path) || reader.size() != stamp.size ||
            !reader.readAt(0, head.data(), length)) {
            return TextString();
        }
        hash = hashBytes(reinterpret_cast<const unsigned char*>(head.data()), length);
    }
    TextString text;
    text.format("%" PRId64 " %" PRId64 " %016" PRIx64, stamp.size, stamp.modified, hash);
    return text;
}

bool writeSharingStamp(const char* file, const char* stampPath) {
    TextString stamp = sharingStampOf(file);
    if (stamp.empty()) {
        return false;
    }
    TextString written = platform::processPrivateName(TextView(stampPath), ".tmp");
    if (platform::writeWholeFile(written.c_str(), stamp) &&
        platform::replaceFile(written.c_str(), stampPath)) {
        return true;
    }
    platform::removeFile(written.c_str());
    return false;
}

bool sharingStampMatches(const char* file, const char* stampPath) {
    ByteBuffer recorded;
    if (!platform::readWholeFile(stampPath, recorded)) {
        return false;
    }
    TextString current = sharingStampOf(file);
    return !current.empty() && recorded.length() == current.length() &&
           std::memcmp(recorded.data(), current.c_str(), current.length()) == 0;
}

bool publishSharingFile(const char* written, const char* file, const char* stampPath) {
    if (!platform::replaceFile(written, file)) {
        platform::removeFile(written);
        return false;
    }
    for (int round = 0; round < kStampRounds; ++round) {
        if (!writeSharingStamp(file, stampPath)) {
            return false;
        }
        if (sharingStampMatches(file, stampPath)) {
            return true;
        }
    }
    return false;
}

void removeOlderFingerprints(const TextString& directory, const TextString& key,
                             const TextString& keep) {
    TextString pattern = directory;
    pattern.append('/');
    pattern.append(key);
    pattern.append("-*");
    platform::DirectoryEnumeration entries(pattern.c_str());
    platform::DirectoryEntry entry;
    while (entries.next(entry)) {
        if (entry.isDirectory ||
            std::strncmp(entry.name.c_str(), keep.c_str(), keep.length()) == 0) {
            continue;
        }
        TextString path = directory;
        path.append('/');
        path.append(entry.name);
        if (platform::removeFile(path.c_str())) {
            trace("class-data sharing: removed the older %s", path.c_str());
        } else {
            trace("class-data sharing: %s cannot be removed yet", path.c_str());
        }
    }
}
