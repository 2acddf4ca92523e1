// Unpacking the runtime carried inside the program into the cache, checking it, and keeping
// the cache tidy.
#include "runtime/embedded_runtime.h"

#include <chrono>
#include <cstring>

#include "base/trace.h"
#include "config/byte_source.h"
#include "format/runtime_index.h"
#include "format/sha256.h"
#include "platform/cache_lock.h"
#include "platform/cache_tree.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/runtime_cache_root.h"
#include "platform/user_cache.h"
#include "runtime/packed_entries.h"
#include "runtime/runtime_copy_stamp.h"

namespace {

UnpackProgress unpackProgress = nullptr;

// The locks of the copies this process runs from, kept until it ends.
ItemArray<platform::CacheLock*>& heldLocks() {
    static ItemArray<platform::CacheLock*> locks;
    return locks;
}

TextString joined(TextView directory, TextView name) {
    TextString path(directory);
    path.append('/');
    path.append(name);
    return path;
}

// Byte-wise, as the index sorts its paths.
int comparePaths(TextView a, TextView b) {
    int32_t n = a.length < b.length ? a.length : b.length;
    int order = std::memcmp(a.data, b.data, static_cast<size_t>(n));
    return order != 0 ? order : (a.length < b.length ? -1 : (a.length > b.length ? 1 : 0));
}

// Collects an entry's bytes in memory, up to a limit.
class MemorySink : public PackedEntrySink {
  public:
    explicit MemorySink(ByteBuffer& bytes) : bytes_(bytes) {}
    bool consume(const unsigned char* bytes, int32_t length) override {
        bytes_.append(reinterpret_cast<const char*>(bytes), length);
        return true;
    }

  private:
    ByteBuffer& bytes_;
};

// Writes an entry's bytes into a new file while hashing them.
class FileSink : public PackedEntrySink {
  public:
    explicit FileSink(platform::NewFileWriter& writer) : writer_(writer) {}
    bool consume(const unsigned char* bytes, int32_t length) override {
        hash_.update(bytes, length);
        return writer_.write(bytes, length);
    }
    void finish(unsigned char digest[32]) { hash_.finish(digest); }

  private:
    platform::NewFileWriter& writer_;
    Sha256 hash_;
};

struct IndexEntryLookup {
    bool found = false;
    PackedEntry entry;
};

bool findIndexEntry(void* context, TextView name, const PackedEntry& entry) {
    auto* lookup = static_cast<IndexEntryLookup*>(context);
    if (name.length == static_cast<int32_t>(std::strlen(kRuntimeIndexEntry))) {
        lookup->found = true;
        lookup->entry = entry;
        return false;
    }
    return true;
}

// The archive entries of the index's files, by the files' positions in the index.
struct FileEntries {
    const RuntimeIndex* index = nullptr;
    ItemArray<PackedEntry> entries;
    ItemArray<bool> found;
};

bool collectFileEntry(void* context, TextView name, const PackedEntry& entry) {
    auto* files = static_cast<FileEntries*>(context);
    auto prefix = static_cast<int32_t>(std::strlen(kRuntimeEntryPrefix));
    TextView path(name.data + prefix, name.length - prefix);
    int32_t low = 0;
    int32_t high = static_cast<int32_t>(files->index->files.size()) - 1;
    while (low <= high) {
        int32_t middle = low + (high - low) / 2;
        int order = comparePaths(path, files->index->files[static_cast<size_t>(middle)].path);
        if (order == 0) {
            files->entries[middle] = entry;
            files->found[middle] = true;
            return true;
        }
        if (order < 0) {
            high = middle - 1;
        } else {
            low = middle + 1;
        }
    }
    trace("embedded runtime: archive entry %s is not in the index, passed over", name.data);
    return true;
}

// Removes the directories that interrupted unpackings of a copy and damaged copies moved
// aside left beside it (<copy>.tmp.<pid>, <copy>.damaged.<pid>); the caller holds the copy's
// Unpacking lock, so no unpacking is running.
void removeLeftovers(TextView root, TextView copy) {
    TextString pattern = TextString::concat(copy, TextView(".*"));
    platform::DirectoryEnumeration entries(pattern.c_str());
    platform::DirectoryEntry entry;
    while (entries.next(entry)) {
        TextString path = joined(root, entry.name);
        if (entry.isDirectory && platform::removeDirectoryTree(path.c_str())) {
            trace("embedded runtime: removed the leftover %s", path.c_str());
        }
    }
}

// One start's work on one copy.
class CopyPreparation {
  public:
    CopyPreparation(const PackedArchive& archive, const RuntimeIndex& index, TextView root,
                    TextView key, EmbeddedRuntime& result)
        : archive_(archive), index_(index), root_(root), key_(key), result_(result) {
        copy_ = joined(root, key);
        for (const RuntimeFile& file : index.files) {
            paths_.addString(file.path);
        }
    }

    // Prepares the copy; holds its locks afterwards when it is Ready.
    void run() {
        auto* lock = new platform::CacheLock();
        TextString lockPath = TextString::concat(copy_, TextView(".lock"));
        if (!lock->open(lockPath.c_str())) {
            trace("embedded runtime: cannot open %s", lockPath.c_str());
            fail(EmbeddedRuntimeStatus::CacheFailed);
            delete lock;
            return;
        }
        if (!lock->lock(platform::CacheLockKind::Unpacking, true, kUnpackWaitMs)) {
            trace("embedded runtime: another start has been unpacking %s for %u s", copy_.c_str(),
                  kUnpackWaitMs / 1000);
            result_.reason = TextString("another start of a program is still unpacking it");
            fail(EmbeddedRuntimeStatus::CacheFailed);
            delete lock;
            return;
        }
        if (!intact()) {
            unpack();
        }
        if (result_.status == EmbeddedRuntimeStatus::Ready &&
            lock->tryLock(platform::CacheLockKind::InUse, false)) {
            lock->markUsed();
            lock->unlock(platform::CacheLockKind::Unpacking);
            heldLocks().append(lock);
            return;
        }
        if (result_.status == EmbeddedRuntimeStatus::Ready) {
            trace("embedded runtime: cannot mark %s as in use", copy_.c_str());
            fail(EmbeddedRuntimeStatus::CacheFailed);
        }
        delete lock;
    }

  private:
    void fail(EmbeddedRuntimeStatus status) {
        result_.status = status;
        result_.home = TextString();
        if (status == EmbeddedRuntimeStatus::CacheFailed && result_.reason.empty()) {
            platform::CacheFailure failure = platform::lastCacheFailure();
            result_.reason = TextString(platform::describeCacheFailure(
                failure == platform::CacheFailure::None ? platform::CacheFailure::Other : failure));
        }
    }

    bool intact() {
        if (!platform::isDirectory(copy_.c_str())) {
            trace("embedded runtime: no copy in %s yet", copy_.c_str());
            return false;
        }
        ByteBuffer stamp;
        TextString why("its stamp is missing (unpacking never finished)");
        if (platform::readWholeFile(joined(copy_, kRuntimeCopyStampName).c_str(), stamp) &&
            runtimeCopyMatchesStamp(copy_, paths_, TextView(stamp), why)) {
            trace("embedded runtime: copy %s is intact (stamp of %d files)", copy_.c_str(),
                  paths_.count());
            result_.status = EmbeddedRuntimeStatus::Ready;
            result_.home = copy_;
            return true;
        }
        trace("embedded runtime: copy %s is damaged: %s", copy_.c_str(), why.c_str());
        return false;
    }

    // Removes what earlier starts left of this copy: a damaged copy, and directories of
    // unpackings that were interrupted (the Unpacking lock says none is running).
    bool clearLeftovers() {
        if (platform::isDirectory(copy_.c_str())) {
            TextString aside = platform::processPrivateName(copy_, ".damaged");
            if (!platform::moveDirectory(copy_.c_str(), aside.c_str()) ||
                !platform::removeDirectoryTree(aside.c_str())) {
                trace("embedded runtime: cannot remove the damaged copy %s", copy_.c_str());
                return false;
            }
        }
        removeLeftovers(root_, copy_);
        return true;
    }

    void unpack() {
        if (!clearLeftovers()) {
            fail(EmbeddedRuntimeStatus::CacheFailed);
            return;
        }
        FileEntries files;
        files.index = &index_;
        files.entries.resize(paths_.count());
        files.found.resize(paths_.count());
        for (int32_t i = 0; i < paths_.count(); ++i) {
            files.found[i] = false;
        }
        if (!archive_.forEachEntry(kRuntimeEntryPrefix, collectFileEntry, &files)) {
            trace("embedded runtime: the archive's directory is damaged");
            fail(EmbeddedRuntimeStatus::Damaged);
            return;
        }
        TextString temporary = platform::processPrivateName(copy_, ".tmp");
        if (!platform::createDirectory(temporary.c_str())) {
            trace("embedded runtime: cannot make %s", temporary.c_str());
            fail(EmbeddedRuntimeStatus::CacheFailed);
            return;
        }
        trace("embedded runtime: unpacking %d files into %s", paths_.count(), temporary.c_str());
        auto start = std::chrono::steady_clock::now();
        bool told = false;
        for (int32_t i = 0;
             i < paths_.count() && result_.status != EmbeddedRuntimeStatus::Damaged &&
             result_.status != EmbeddedRuntimeStatus::CacheFailed;
             ++i) {
            if (!files.found[i]) {
                trace("embedded runtime: %s is in the index but not in the archive",
                      paths_.stringAt(i));
                fail(EmbeddedRuntimeStatus::Damaged);
                break;
            }
            unpackFile(temporary, index_.files[static_cast<size_t>(i)], files.entries[i]);
            if (!told && unpackProgress != nullptr &&
                std::chrono::steady_clock::now() - start >
                    std::chrono::milliseconds(kProgressDelayMs)) {
                told = true;
                unpackProgress("Preparing the Java runtime for the first start of this program...");
            }
        }
        if (result_.status == EmbeddedRuntimeStatus::Damaged ||
            result_.status == EmbeddedRuntimeStatus::CacheFailed || !stampAndPublish(temporary)) {
            platform::removeDirectoryTree(temporary.c_str());
            return;
        }
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        trace("embedded runtime: unpacked into %s in %lld ms", copy_.c_str(),
              static_cast<long long>(elapsed.count()));
        result_.status = EmbeddedRuntimeStatus::Ready;
        result_.home = copy_;
        result_.unpacked = true;
    }

    // Makes the parent directories of a file below the temporary directory.
    bool makeParents(TextView temporary, const TextString& path) {
        int32_t cut = path.length() - 1;
        while (cut >= 0 && path[cut] != '/') {
            --cut;
        }
        if (cut <= 0) {
            return true;
        }
        TextString parent = joined(temporary, path.left(cut));
        if (parent.compare(lastParent_) == 0) {
            return true;
        }
        lastParent_ = parent;
        return platform::createDirectoryPath(parent.c_str());
    }

    void unpackFile(TextView temporary, const RuntimeFile& file, const PackedEntry& entry) {
        TextString target = joined(temporary, file.path);
        platform::NewFileWriter writer;
        // Nobody but the owner may write a runtime file, whatever the image said.
        if (!makeParents(temporary, file.path) ||
            !writer.create(target.c_str(), file.mode & 0755)) {
            trace("embedded runtime: cannot create %s", target.c_str());
            fail(EmbeddedRuntimeStatus::CacheFailed);
            return;
        }
        FileSink sink(writer);
        PackedEntryStatus status = archive_.read(entry, sink);
        bool closed = writer.close();
        if (status == PackedEntryStatus::SinkFailed || !closed) {
            trace("embedded runtime: cannot write %s", target.c_str());
            fail(EmbeddedRuntimeStatus::CacheFailed);
            return;
        }
        unsigned char digest[32];
        sink.finish(digest);
        if (status != PackedEntryStatus::Read || entry.size != file.size ||
            std::memcmp(digest, file.sha256, sizeof digest) != 0) {
            trace("embedded runtime: %s is %s", file.path.c_str(),
                  status != PackedEntryStatus::Read ? describePackedEntryStatus(status)
                                                    : "not the file the index names");
            fail(EmbeddedRuntimeStatus::Damaged);
        }
    }

    // Writes the stamp last and moves the finished copy into place. A copy that another
    // start finished behind our back (after a clean-up removed the lock file this start
    // waited on) is used when it is good.
    bool stampAndPublish(const TextString& temporary) {
        TextString stamp;
        platform::NewFileWriter writer;
        TextString stampPath = joined(temporary, kRuntimeCopyStampName);
        if (!makeRuntimeCopyStamp(temporary, paths_, stamp) ||
            !writer.create(stampPath.c_str(), 0600) ||
            !writer.write(stamp.c_str(), stamp.length()) || !writer.close()) {
            trace("embedded runtime: cannot write the stamp %s", stampPath.c_str());
            fail(EmbeddedRuntimeStatus::CacheFailed);
            return false;
        }
        if (platform::moveDirectory(temporary.c_str(), copy_.c_str())) {
            return true;
        }
        platform::CacheFailure failure = platform::lastCacheFailure();
        if (intact()) {
            trace("embedded runtime: another start made the copy first");
            return false;
        }
        trace("embedded runtime: cannot move %s into place", temporary.c_str());
        result_.reason = TextString(platform::describeCacheFailure(failure));
        fail(EmbeddedRuntimeStatus::CacheFailed);
        return false;
    }

    const PackedArchive& archive_;
    const RuntimeIndex& index_;
    TextString root_;
    TextString key_;
    EmbeddedRuntime& result_;
    TextString copy_;
    StringList paths_;
    TextString lastParent_;
};

// Removes copies that no start used for kUnusedCopyDays days and no process runs from.
void removeUnusedCopies(TextView root, TextView ownKey) {
    int64_t oldest = platform::currentFileTime() -
                     int64_t{kUnusedCopyDays} * 24 * 3600 * platform::kFileTimeUnitsPerSecond;
    platform::DirectoryEnumeration locks(joined(root, "*.lock").c_str());
    platform::DirectoryEntry entry;
    while (locks.next(entry)) {
        TextString key = entry.name.left(entry.name.length() - 5);
        TextString lockPath = joined(root, entry.name);
        platform::FileStamp used;
        if (entry.isDirectory || key.compare(ownKey) == 0 ||
            !platform::fileStamp(lockPath.c_str(), used) || used.modified >= oldest) {
            continue;
        }
        TextString copy = joined(root, key);
        bool removed = false;
        {
            platform::CacheLock lock;
            if (!lock.open(lockPath.c_str()) ||
                !lock.tryLock(platform::CacheLockKind::Unpacking, true) ||
                !lock.tryLock(platform::CacheLockKind::InUse, true)) {
                continue;
            }
            removed = platform::removeDirectoryTree(copy.c_str());
            removeLeftovers(root, copy);
        }
        // Closed first: Windows removes no file that is open. A start that opened the lock
        // file in between keeps it (Windows) or locks a file no longer named (Linux), and
        // unpacks a new copy, which is safe: a copy is only ever moved into an empty place.
        if (removed) {
            trace("embedded runtime: removed %s, unused for %d days", copy.c_str(),
                  kUnusedCopyDays);
            platform::removeFile(lockPath.c_str());
        }
    }
}

}  // namespace

void setUnpackProgress(UnpackProgress progress) {
    unpackProgress = progress;
}

void releaseEmbeddedRuntimeCopies() {
    ItemArray<platform::CacheLock*>& locks = heldLocks();
    for (int32_t i = 0; i < locks.length(); ++i) {
        delete locks[i];
    }
    locks.clear();
}

EmbeddedRuntime prepareEmbeddedRuntime(const char* executable, bool elevated) {
    EmbeddedRuntime result;
    platform::FileReader file;
    PackedArchive archive;
    IndexEntryLookup lookup;
    if (!file.open(executable)) {
        trace("embedded runtime: cannot read %s", executable);
        return result;
    }
    FileSource source(file);
    if (!archive.open(source) ||
        !archive.forEachEntry(kRuntimeIndexEntry, findIndexEntry, &lookup) || !lookup.found) {
        trace("embedded runtime: none in the program (this launcher has %s)",
              kEmbeddedRuntimeCapability);
        return result;
    }
    ByteBuffer text;
    MemorySink sink(text);
    if (lookup.entry.size > kMaxRuntimeIndexBytes) {
        trace("embedded runtime: the index is larger than %d bytes", kMaxRuntimeIndexBytes);
        result.status = EmbeddedRuntimeStatus::Damaged;
        return result;
    }
    PackedEntryStatus status = archive.read(lookup.entry, sink);
    RuntimeIndex index;
    TextString problem;
    if (status != PackedEntryStatus::Read) {
        trace("embedded runtime: the index is %s", describePackedEntryStatus(status));
        result.status = EmbeddedRuntimeStatus::Damaged;
        return result;
    }
    if (!parseRuntimeIndex(TextView(text), index, problem)) {
        trace("embedded runtime: the index is refused: %s", problem.c_str());
        result.status = EmbeddedRuntimeStatus::Damaged;
        return result;
    }
    if (index.platform.compare(TextView(platform::kRuntimePlatform)) != 0) {
        trace("embedded runtime: built for %s, this launcher runs on %s: not used",
              index.platform.c_str(), platform::kRuntimePlatform);
        return result;
    }
    for (const RuntimeFile& indexed : index.files) {
        if (TextString(indexed.path).compareNoCase(TextView(kRuntimeCopyStampName)) == 0) {
            trace("embedded runtime: the index names the launcher's own stamp file");
            result.status = EmbeddedRuntimeStatus::Damaged;
            return result;
        }
    }
    TextString key = runtimeContentKey(TextView(text));
    trace("embedded runtime: release %s, %d files, content key %s", index.release.c_str(),
          static_cast<int>(index.files.size()), key.c_str());

    TextString root;
    switch (platform::prepareRuntimeCacheRoot(elevated, root, result.place)) {
        case platform::RuntimeCacheRoot::Ready:
            break;
        case platform::RuntimeCacheRoot::NoPlace:
            trace("embedded runtime: no cache directory can be named");
            result.status = EmbeddedRuntimeStatus::CacheFailed;
            result.place = TextString("the user's cache folder");
            result.reason =
                TextString("no folder for it is known (HOME or LOCALAPPDATA is not set)");
            return result;
        case platform::RuntimeCacheRoot::NoAnsiForm:
            trace("embedded runtime: the cache %s has no ANSI form", result.place.c_str());
            result.status = EmbeddedRuntimeStatus::NoAnsiForm;
            return result;
        case platform::RuntimeCacheRoot::Untrusted:
            trace(
                "embedded runtime: %s may be changed by users who are no administrators: not "
                "used by a program with administrator rights",
                result.place.c_str());
            result.status = EmbeddedRuntimeStatus::Untrusted;
            return result;
        case platform::RuntimeCacheRoot::Failed:
            result.status = EmbeddedRuntimeStatus::CacheFailed;
            result.reason =
                TextString(platform::describeCacheFailure(platform::lastCacheFailure()));
            trace("embedded runtime: cannot make %s: %s", result.place.c_str(),
                  result.reason.c_str());
            return result;
    }
    CopyPreparation(archive, index, root, key, result).run();
    if (result.status == EmbeddedRuntimeStatus::Ready) {
        removeUnusedCopies(root, key);
    }
    return result;
}
