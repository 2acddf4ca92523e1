// Merging jars into the packed executable's archive (see archive_merge.h).
#include "archive_merge.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "ascii_text.h"
#include "format/little_endian.h"
#include "format/zip_records.h"
#include "input_files.h"
#include "interruption.h"
#include "service_files.h"

namespace wynpack {

namespace {

constexpr std::string_view kMetaInf = "META-INF/";
constexpr std::string_view kManifest = "META-INF/MANIFEST.MF";
// libzip writes the ZIP64 extra field itself when an entry needs it.
constexpr zip_uint16_t kZip64ExtraField = 0x0001;
constexpr zip_uint64_t kMaxEntryRead = 64u << 20;

bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           equalsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

int cancelWhenInterrupted(zip_t*, void*) {
    return interruptRequested() ? 1 : 0;
}

std::string zipMessage(zip_t* archive) {
    return zip_strerror(archive);
}

// The 22 bytes of a ZIP archive without entries: only the end of central directory record.
bool writeEmptyArchive(const std::string& path, Problem& problem) {
    std::string empty;
    appendLittleEndian32(empty, kZipEndRecordSignature);
    empty.resize(kZipEndRecordSize, '\0');
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(empty.data(), 1, empty.size(), file) == empty.size();
    if (file != nullptr && std::fclose(file) != 0) {
        ok = false;
    }
    return ok ? true
              : fail(problem, ExitStatus::Failed,
                     "cannot write the archive " + quoted(path) + ": " + std::strerror(errno));
}

}  // namespace

bool isSignatureFile(std::string_view name) {
    if (name.size() <= kMetaInf.size() ||
        !equalsIgnoringAsciiCase(name.substr(0, kMetaInf.size()), kMetaInf)) {
        return false;
    }
    std::string_view file = name.substr(kMetaInf.size());
    if (file.find('/') != std::string_view::npos) {
        return false;
    }
    for (std::string_view suffix : {".SF", ".RSA", ".DSA", ".EC"}) {
        if (endsWithIgnoringAsciiCase(file, suffix)) {
            return true;
        }
    }
    return false;
}

EntryChoice EntrySelector::choose(std::string_view name, size_t source, size_t& firstSource) {
    if (isSignatureFile(name)) {
        return EntryChoice::DropSignature;
    }
    bool manifest = equalsIgnoringAsciiCase(name, kManifest);
    std::string key(manifest ? kManifest : name);
    auto [kept, inserted] = kept_.emplace(std::move(key), source);
    if (inserted) {
        return EntryChoice::Copy;
    }
    firstSource = kept->second;
    if (!name.empty() && name.back() == '/') {
        return EntryChoice::DropDirectory;
    }
    return manifest ? EntryChoice::DropManifest : EntryChoice::DropDuplicate;
}

ArchiveMerger::~ArchiveMerger() {
    for (Source& source : sources_) {
        zip_discard(source.archive);
    }
}

namespace {

// The message for a jar that libzip could not open.
bool openFailed(const std::string& path, int error, Problem& problem) {
    if (error == ZIP_ER_NOZIP) {
        return fail(problem, ExitStatus::BadInput, quoted(path) + " is not a ZIP archive");
    }
    if (error == ZIP_ER_INCONS) {
        return fail(problem, ExitStatus::BadInput, quoted(path) + " is a damaged ZIP archive");
    }
    zip_error_t zipError;
    zip_error_init_with_code(&zipError, error);
    std::string message = zip_error_strerror(&zipError);
    zip_error_fini(&zipError);
    return fail(problem, ExitStatus::BadInput, "cannot read jar " + quoted(path) + ": " + message);
}

}  // namespace

bool ArchiveMerger::addSource(const std::string& path, Problem& problem) {
    if (!checkRegularInputFile(path, "jar", problem)) {
        return false;
    }
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr) {
        return openFailed(path, error, problem);
    }
    sources_.push_back(Source{path, archive});
    return true;
}

bool ArchiveMerger::addSourceBytes(const std::string& name, std::string bytes, Problem& problem) {
    // libzip frees the copy with free() when the archive is discarded.
    void* copy = std::malloc(bytes.empty() ? 1 : bytes.size());
    if (copy == nullptr) {
        return fail(problem, ExitStatus::Failed, "out of memory reading jar " + quoted(name));
    }
    std::memcpy(copy, bytes.data(), bytes.size());
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* source = zip_source_buffer_create(copy, bytes.size(), 1, &zipError);
    if (source == nullptr) {
        std::free(copy);
        int error = zip_error_code_zip(&zipError);
        zip_error_fini(&zipError);
        return openFailed(name, error, problem);
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zipError);
    if (archive == nullptr) {
        zip_source_free(source);
        int error = zip_error_code_zip(&zipError);
        zip_error_fini(&zipError);
        return openFailed(name, error, problem);
    }
    zip_error_fini(&zipError);
    sources_.push_back(Source{name, archive});
    return true;
}

bool ArchiveMerger::hasEntry(size_t source, const std::string& name) const {
    return zip_name_locate(sources_[source].archive, name.c_str(), 0) >= 0;
}

bool ArchiveMerger::readEntry(size_t source, const std::string& name, std::string& bytes,
                              Problem& problem) const {
    const Source& from = sources_[source];
    auto failed = [&](const std::string& why) {
        return fail(problem, ExitStatus::BadInput,
                    "cannot read " + name + " from " + quoted(from.path) + ": " + why);
    };
    zip_int64_t index = zip_name_locate(from.archive, name.c_str(), 0);
    zip_stat_t st;
    zip_stat_init(&st);
    if (index < 0 || zip_stat_index(from.archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        (st.valid & ZIP_STAT_SIZE) == 0) {
        return failed(zipMessage(from.archive));
    }
    if (st.size > kMaxEntryRead) {
        return failed("it is larger than 64 MiB");
    }
    zip_file_t* file = zip_fopen_index(from.archive, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        return failed(zipMessage(from.archive));
    }
    bytes.assign(st.size, '\0');
    zip_int64_t got = zip_fread(file, bytes.data(), st.size);
    zip_fclose(file);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) {
        return failed("the entry is damaged");
    }
    return true;
}

// Service files that more than one jar holds, merged before anything is written.
bool ArchiveMerger::mergeServiceFiles(const NoteSink& note, Problem& problem) {
    std::unordered_map<std::string, std::vector<size_t>> holders;
    std::vector<std::string> order;
    for (size_t s = 0; s < sources_.size(); ++s) {
        zip_int64_t count = zip_get_num_entries(sources_[s].archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name =
                zip_get_name(sources_[s].archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
            if (name != nullptr && isServiceFile(name)) {
                auto& list = holders[name];
                if (list.empty()) {
                    order.push_back(name);
                }
                if (list.empty() || list.back() != s) {
                    list.push_back(s);
                }
            }
        }
    }
    mergedServices_.clear();
    for (const std::string& name : order) {
        const std::vector<size_t>& list = holders[name];
        if (list.size() < 2) {
            continue;
        }
        std::vector<std::string> copies;
        for (size_t s : list) {
            copies.emplace_back();
            if (!readEntry(s, name, copies.back(), problem)) {
                return false;
            }
        }
        mergedServices_[name] = wynpack::mergeServiceFiles(copies);
        note(name + ": merged the providers of " + std::to_string(list.size()) + " jars");
    }
    return true;
}

time_t packedEntryTime() {
    constexpr time_t kFixedTime = 315576000;  // 1980-01-01 12:00:00 UTC
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0' || std::strlen(epoch) > 12 ||
        std::strspn(epoch, "0123456789") != std::strlen(epoch)) {
        return kFixedTime;
    }
    time_t seconds = static_cast<time_t>(std::strtoll(epoch, nullptr, 10));
    return seconds < kFixedTime ? kFixedTime : seconds;
}

bool ArchiveMerger::addMergedEntry(zip_t* target, const Source& source, zip_uint64_t index,
                                   const std::string& name, Problem& problem) {
    const std::string& merged = mergedServices_[name];
    zip_source_t* data = zip_source_buffer(target, merged.data(), merged.size(), 0);
    zip_int64_t added =
        data == nullptr ? -1 : zip_file_add(target, name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (added < 0) {
        zip_source_free(data);
        return fail(problem, ExitStatus::Failed,
                    "cannot write the merged " + name + ": " + zipMessage(target));
    }
    zip_stat_t st;
    zip_stat_init(&st);
    time_t modified =
        zip_stat_index(source.archive, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)
            ? st.mtime
            : packedEntryTime();
    if (zip_file_set_mtime(target, static_cast<zip_uint64_t>(added), modified, 0) != 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot write the merged " + name + ": " + zipMessage(target));
    }
    return true;
}

bool ArchiveMerger::copyEntry(zip_t* target, const Source& source, zip_uint64_t index,
                              const char* name, Problem& problem) {
    auto failed = [&](ExitStatus status, const std::string& why) {
        return fail(
            problem, status,
            "cannot copy " + std::string(name) + " from " + quoted(source.path) + ": " + why);
    };
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(source.archive, index, 0, &st) != 0) {
        return failed(ExitStatus::BadInput, zipMessage(source.archive));
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        return failed(ExitStatus::BadInput,
                      "the entry is encrypted, and the Java runtime cannot read encrypted entries");
    }
    // Start 0 and length -1: the compressed bytes are copied as they are.
    zip_source_t* data = zip_source_zip(target, source.archive, index, 0, 0, -1);
    if (data == nullptr) {
        return failed(ExitStatus::Failed, zipMessage(target));
    }
    zip_int64_t added = zip_file_add(target, name, data, ZIP_FL_ENC_UTF_8);
    if (added < 0) {
        zip_source_free(data);
        return failed(ExitStatus::Failed, zipMessage(target));
    }
    auto entry = static_cast<zip_uint64_t>(added);
    // Stored data reads like uncompressed data: without this libzip would deflate it. The
    // entry asked for uncompressed is inflated and stored.
    bool stored = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_STORE;
    if ((stored || name == storedName_) &&
        zip_set_file_compression(target, entry, ZIP_CM_STORE, 0) != 0) {
        return failed(ExitStatus::Failed, zipMessage(target));
    }
    for (zip_flags_t where : {ZIP_FL_LOCAL, ZIP_FL_CENTRAL}) {
        zip_int16_t count = zip_file_extra_fields_count(source.archive, index, where);
        for (zip_int16_t i = 0; i < count; ++i) {
            zip_uint16_t id = 0, length = 0;
            const zip_uint8_t* field = zip_file_extra_field_get(
                source.archive, index, static_cast<zip_uint16_t>(i), &id, &length, where);
            if (field == nullptr) {
                return failed(ExitStatus::BadInput, zipMessage(source.archive));
            }
            if (id != kZip64ExtraField &&
                zip_file_extra_field_set(target, entry, id, ZIP_EXTRA_FIELD_NEW, field, length,
                                         where) != 0) {
                return failed(ExitStatus::Failed, zipMessage(target));
            }
        }
    }
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(source.archive, index, 0, &system, &attributes) == 0 &&
        zip_file_set_external_attributes(target, entry, 0, system, attributes) != 0) {
        return failed(ExitStatus::Failed, zipMessage(target));
    }
    // Set last: changing an entry's extra fields makes libzip forget the source's time.
    if ((st.valid & ZIP_STAT_MTIME) && zip_file_set_mtime(target, entry, st.mtime, 0) != 0) {
        return failed(ExitStatus::Failed, zipMessage(target));
    }
    return true;
}

bool ArchiveMerger::writeTo(const std::string& zipPath, const NoteSink& note, Problem& problem) {
    int error = 0;
    zip_t* target = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (target == nullptr) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, error);
        std::string message = zip_error_strerror(&zipError);
        zip_error_fini(&zipError);
        return fail(problem, ExitStatus::Failed,
                    "cannot write the archive " + quoted(zipPath) + ": " + message);
    }
    if (!mergeServiceFiles(note, problem)) {
        zip_discard(target);
        return false;
    }
    EntrySelector selector;
    for (size_t s = 0; s < sources_.size(); ++s) {
        const Source& source = sources_[s];
        zip_int64_t count = zip_get_num_entries(source.archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            if (interruptRequested()) {
                zip_discard(target);
                return fail(problem, ExitStatus::Failed, "interrupted; nothing was written");
            }
            auto index = static_cast<zip_uint64_t>(i);
            const char* name = zip_get_name(source.archive, index, ZIP_FL_ENC_GUESS);
            if (name == nullptr) {
                zip_discard(target);
                return fail(
                    problem, ExitStatus::BadInput,
                    "cannot read " + quoted(source.path) + ": " + zipMessage(source.archive));
            }
            size_t first = 0;
            EntryChoice choice = selector.choose(name, s, first);
            bool merged = mergedServices_.count(name) != 0;
            if (choice == EntryChoice::DropDuplicate && !merged) {
                note(std::string(name) + " in " + source.path +
                     " is a duplicate, kept the first (from " + sources_[first].path + ")");
            }
            bool ok = choice != EntryChoice::Copy ||
                      (merged ? addMergedEntry(target, source, index, name, problem)
                              : copyEntry(target, source, index, name, problem));
            if (!ok) {
                zip_discard(target);
                return false;
            }
        }
    }
    for (const auto& [name, bytes, modified] : storedEntries_) {
        if (zip_name_locate(target, name.c_str(), 0) >= 0) {
            note(name + " is in a jar already, kept the jar's");
            continue;
        }
        zip_source_t* data = zip_source_buffer(target, bytes.data(), bytes.size(), 0);
        zip_int64_t added =
            data == nullptr ? -1 : zip_file_add(target, name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (added < 0 ||
            zip_set_file_compression(target, static_cast<zip_uint64_t>(added), ZIP_CM_STORE, 0) !=
                0 ||
            zip_file_set_mtime(target, static_cast<zip_uint64_t>(added), modified, 0) != 0) {
            if (data != nullptr && added < 0) {
                zip_source_free(data);
            }
            std::string message = zipMessage(target);
            zip_discard(target);
            return fail(problem, ExitStatus::Failed,
                        "cannot write the archive " + quoted(zipPath) + ": " + message);
        }
    }
    entriesWritten_ = static_cast<size_t>(zip_get_num_entries(target, 0));
    bool empty = entriesWritten_ == 0;
    zip_register_cancel_callback_with_state(target, cancelWhenInterrupted, nullptr, nullptr);
    if (zip_close(target) != 0) {
        bool cancelled = zip_error_code_zip(zip_get_error(target)) == ZIP_ER_CANCELLED;
        std::string message = zipMessage(target);
        zip_discard(target);
        return fail(problem, ExitStatus::Failed,
                    cancelled ? "interrupted; nothing was written"
                              : "cannot write the archive " + quoted(zipPath) + ": " + message);
    }
    // libzip writes no file for an archive without entries; the launcher needs one anyway.
    return empty ? writeEmptyArchive(zipPath, problem) : true;
}

void ArchiveMerger::addStoredEntry(const std::string& name, std::string bytes, time_t modified) {
    storedEntries_.push_back(StoredEntry{name, std::move(bytes), modified});
}

}  // namespace wynpack
