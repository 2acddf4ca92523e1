// Writing a runtime image into the packed archive (see runtime_entries.h).
#include "runtime_entries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive_merge.h"
#include "format/runtime_index.h"
#include "format/sha256.h"

namespace wynpack {

namespace {

// Below this size a runtime is compressed without progress lines.
constexpr int64_t kProgressFromBytes = 32 * 1024 * 1024;
constexpr zip_uint32_t kBestLevel = 9;

std::string zipMessage(zip_t* archive) {
    return zip_error_strerror(zip_get_error(archive));
}

// The entry's Unix file type and mode, as "made by Unix" archives keep them.
zip_uint32_t unixAttributes(int32_t mode) {
    return (static_cast<zip_uint32_t>(S_IFREG) | static_cast<zip_uint32_t>(mode & 07777)) << 16;
}

}  // namespace

struct RuntimeEntries::FileSource {
    RuntimeEntries* owner = nullptr;
    const RuntimeImageFile* file = nullptr;
    int fd = -1;
    Sha256 hash;
    int64_t read = 0;
    bool checked = false;  // read to its end and found whole
    zip_error_t error;
};

RuntimeEntries::RuntimeEntries(const RuntimeImage& image, std::string indexText, LineSink progress)
    : image_(image), indexText_(std::move(indexText)), progress_(std::move(progress)) {}

RuntimeEntries::~RuntimeEntries() {
    for (const auto& source : sources_) {
        if (source->fd >= 0) {
            close(source->fd);
        }
        zip_error_fini(&source->error);
    }
}

void RuntimeEntries::countProgress(int64_t bytes) {
    bytesRead_ += bytes;
    if (!progress_ || image_.totalSize < kProgressFromBytes) {
        return;
    }
    int tenth = static_cast<int>(bytesRead_ * 10 / image_.totalSize);
    if (tenth > lastTenth_) {
        lastTenth_ = tenth;
        progress_("compressing the runtime: " + std::to_string(tenth * 10) + "% of " +
                  std::to_string(image_.totalSize / (1024 * 1024)) + " MiB");
    }
}

zip_int64_t RuntimeEntries::readCallback(void* state, void* data, zip_uint64_t length,
                                         zip_source_cmd_t command) {
    auto* source = static_cast<FileSource*>(state);
    RuntimeEntries& owner = *source->owner;
    const RuntimeImageFile& file = *source->file;
    auto failWith = [&](int zipCode, int systemCode, const std::string& why) -> zip_int64_t {
        zip_error_set(&source->error, zipCode, systemCode);
        if (owner.failure_.empty()) {
            owner.failure_ = why;
        }
        return -1;
    };
    switch (command) {
        case ZIP_SOURCE_OPEN:
            source->fd = open(file.source.c_str(), O_RDONLY | O_CLOEXEC);
            source->read = 0;
            source->checked = false;
            source->hash = Sha256();
            if (source->fd < 0) {
                return failWith(ZIP_ER_OPEN, errno,
                                "cannot read the runtime's file " + quoted(file.source) + ": " +
                                    std::strerror(errno));
            }
            return 0;
        case ZIP_SOURCE_READ: {
            if (source->checked) {
                return 0;
            }
            ssize_t n = 0;
            do {
                n = ::read(source->fd, data, length);
            } while (n < 0 && errno == EINTR);
            if (n < 0) {
                return failWith(ZIP_ER_READ, errno,
                                "cannot read the runtime's file " + quoted(file.source) + ": " +
                                    std::strerror(errno));
            }
            source->hash.update(data, n);
            source->read += n;
            owner.countProgress(n);
            if (source->read > file.size || (n == 0 && source->read != file.size)) {
                return failWith(
                    ZIP_ER_INCONS, 0,
                    "the runtime's file " + quoted(file.source) + " changed while it was packed");
            }
            if (n == 0) {
                unsigned char digest[32];
                source->hash.finish(digest);
                if (std::memcmp(digest, file.sha256, sizeof digest) != 0) {
                    return failWith(ZIP_ER_INCONS, 0,
                                    "the runtime's file " + quoted(file.source) +
                                        " changed while it was packed");
                }
                source->checked = true;
            }
            return n;
        }
        case ZIP_SOURCE_CLOSE:
            if (source->fd >= 0) {
                close(source->fd);
                source->fd = -1;
            }
            return 0;
        case ZIP_SOURCE_STAT: {
            zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &source->error);
            if (st == nullptr) {
                return -1;
            }
            zip_stat_init(st);
            st->size = static_cast<zip_uint64_t>(file.size);
            st->mtime = packedEntryTime();
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

bool RuntimeEntries::addTo(zip_t* target, const LineSink& note, Problem& problem) {
    auto failed = [&](const std::string& name) {
        return fail(problem, ExitStatus::Failed,
                    "cannot add the runtime's " + name + " to the archive: " + zipMessage(target));
    };
    // Entries of the jars under the runtime's names would stand beside the runtime's own.
    std::string prefix = kRuntimeEntryPrefix;
    int replaced = 0;
    zip_int64_t count = zip_get_num_entries(target, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(target, static_cast<zip_uint64_t>(i), 0);
        if (name != nullptr && (std::strcmp(name, kRuntimeIndexEntry) == 0 ||
                                std::strncmp(name, prefix.c_str(), prefix.size()) == 0)) {
            if (zip_delete(target, static_cast<zip_uint64_t>(i)) != 0) {
                return failed(name);
            }
            ++replaced;
        }
    }
    if (replaced > 0) {
        note("left out " + std::to_string(replaced) + " entries of the jars under " + prefix +
             " and " + kRuntimeIndexEntry + ": the runtime given replaces them");
    }
    auto addEntry = [&](const std::string& name, zip_source_t* data, int32_t mode) {
        zip_int64_t added =
            data == nullptr ? -1 : zip_file_add(target, name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (added < 0) {
            zip_source_free(data);
            return failed(name);
        }
        auto entry = static_cast<zip_uint64_t>(added);
        if (zip_set_file_compression(target, entry, ZIP_CM_DEFLATE, kBestLevel) != 0 ||
            zip_file_set_external_attributes(target, entry, 0, ZIP_OPSYS_UNIX,
                                             unixAttributes(mode)) != 0 ||
            zip_file_set_mtime(target, entry, packedEntryTime(), 0) != 0) {
            return failed(name);
        }
        return true;
    };
    for (const RuntimeImageFile& file : image_.files) {
        auto source = std::make_unique<FileSource>();
        source->owner = this;
        source->file = &file;
        zip_error_init(&source->error);
        zip_source_t* data = zip_source_function(target, readCallback, source.get());
        sources_.push_back(std::move(source));
        if (!addEntry(prefix + file.path, data, file.mode)) {
            return false;
        }
    }
    zip_source_t* index = zip_source_buffer(target, indexText_.data(), indexText_.size(), 0);
    return addEntry(kRuntimeIndexEntry, index, 0644);
}

}  // namespace wynpack
