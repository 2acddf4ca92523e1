// Merging the application's jars (and the support jar) into the one ZIP archive that the
// packed executable carries.
//
// Rules, in the order the jars are given: the first entry of a name wins. A later directory
// entry of the same name is dropped quietly, and so is a later manifest (every jar has one;
// the runtime finds META-INF/MANIFEST.MF whatever its case, so names that differ only in case
// count as the same manifest). A later file entry of the same name is dropped with a note.
// Signature files of signed jars (META-INF/*.SF, *.RSA, *.DSA, *.EC, any case) are dropped:
// they cannot stay valid for a merged archive and the runtime would refuse its classes.
// Service provider files (META-INF/services/*) that several jars hold are merged instead (see
// service_files.h): the merged file takes the first copy's place.
//
// Entries are copied without recompression (same method, same bytes), with their times,
// extra fields and external attributes, except the one entry asked for uncompressed (the
// image that the launcher reads itself), which is stored. The archive is written by libzip with
// offsets that count from its own first byte, as the JDK's zip reader expects of an archive behind
// a stub.
//
// Platforms: libzip on the Linux host; nothing here differs by platform.
#pragma once

#include <zip.h>

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "problem.h"

namespace wynpack {

// The modification time of the entries the packer makes itself (tray images, merged service
// files whose source has none): SOURCE_DATE_EPOCH when it is a number of seconds from 1980 on,
// else 1980-01-01 12:00 UTC (a DOS time in every time zone). Entries copied from jars keep
// their own times, so the same inputs and options give the same bytes, whatever the inputs'
// file times and the day of packing.
time_t packedEntryTime();

bool isSignatureFile(std::string_view name);

enum class EntryChoice { Copy, DropSignature, DropDirectory, DropManifest, DropDuplicate };

// Decides, entry by entry in merge order, which entries go into the merged archive.
class EntrySelector {
  public:
    // source: the position of the entry's jar in the merge order; firstSource receives the
    // position of the jar whose entry was kept, for every choice but Copy and DropSignature.
    EntryChoice choose(std::string_view name, size_t source, size_t& firstSource);

  private:
    std::unordered_map<std::string, size_t> kept_;
};

class ArchiveMerger {
  public:
    using NoteSink = std::function<void(const std::string&)>;

    ArchiveMerger() = default;
    ArchiveMerger(const ArchiveMerger&) = delete;
    ArchiveMerger& operator=(const ArchiveMerger&) = delete;
    ~ArchiveMerger();

    // Opens the jar as the next source; bad input when it cannot be read or is not a ZIP.
    [[nodiscard]] bool addSource(const std::string& path, Problem& problem);
    // A jar already in memory (one the packer carries); name stands for its path in messages.
    [[nodiscard]] bool addSourceBytes(const std::string& name, std::string bytes, Problem& problem);

    // The entry of that name is written uncompressed (stored), whichever jar it comes from.
    void storeUncompressed(const std::string& name) { storedName_ = name; }

    // Writes the merged archive to zipPath, an existing file that is replaced. Notes about
    // dropped duplicates and merged service files go to note. Stops, removing its own
    // temporary file, when an interrupt is requested.
    [[nodiscard]] bool writeTo(const std::string& zipPath, const NoteSink& note, Problem& problem);

    size_t sourceCount() const { return sources_.size(); }
    const std::string& sourcePath(size_t source) const { return sources_[source].path; }
    // True when the source holds an entry of exactly that name.
    bool hasEntry(size_t source, const std::string& name) const;
    // The uncompressed bytes of an entry; bad input when it cannot be read or is over 64 MiB.
    [[nodiscard]] bool readEntry(size_t source, const std::string& name, std::string& bytes,
                                 Problem& problem) const;
    // The number of entries the last writeTo wrote.
    size_t entriesWritten() const { return entriesWritten_; }
    // An entry the packer makes itself, with the time of the file it was made from, written
    // behind the jars' entries and stored without compression; a jar's entry of the same name
    // is kept instead, with a note.
    void addStoredEntry(const std::string& name, std::string bytes, time_t modified);
    // A step that adds entries of its own behind all others, just before the archive is
    // written (the runtime carried inside the executable). What its sources read must live
    // until writeTo returns.
    using EntryWriter = std::function<bool(zip_t* target, const NoteSink& note, Problem& problem)>;
    void addEntryWriter(EntryWriter writer) { entryWriters_.push_back(std::move(writer)); }

  private:
    struct Source {
        std::string path;
        zip_t* archive;
    };
    bool copyEntry(zip_t* target, const Source& source, zip_uint64_t index, const char* name,
                   Problem& problem);

    // Merged service files by name; they must live until the archive is closed.
    bool mergeServiceFiles(const NoteSink& note, Problem& problem);
    bool addMergedEntry(zip_t* target, const Source& source, zip_uint64_t index,
                        const std::string& name, Problem& problem);

    std::vector<Source> sources_;
    std::string storedName_;
    std::unordered_map<std::string, std::string> mergedServices_;
    struct StoredEntry {
        std::string name;
        std::string bytes;
        time_t modified;
    };
    std::vector<StoredEntry> storedEntries_;
    std::vector<EntryWriter> entryWriters_;
    size_t entriesWritten_ = 0;
};

}  // namespace wynpack
