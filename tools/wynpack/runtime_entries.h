// Writing a runtime image into the packed archive, the way the launcher reads it back: every
// file as its own entry META-INF/wyn/runtime/<path>, deflated at the best level, with its Unix
// mode in the entry's external attributes, then the index META-INF/wyn/runtime.index
// (format/runtime_index.h), also deflated. The archive stays one valid jar: the Java runtime
// ignores these resources, and a signing tool signs them like any other entry.
//
// Each file is read again while it is compressed and checked against the size and SHA-256 the
// index holds, so that a file changed in between makes the packing fail instead of carrying a
// runtime the launcher would refuse. Entries of the jars under those names are left out, with a
// note: the runtime given replaces them.
//
// Platforms: libzip and POSIX files; the packer is a Linux host tool.
#pragma once

#include <zip.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "problem.h"
#include "runtime_image.h"

namespace wynpack {

class RuntimeEntries {
  public:
    using LineSink = std::function<void(const std::string&)>;

    // image's files must carry their hashes (hashRuntimeFiles); indexText is its index.
    // progress receives a line at every tenth of a large runtime's bytes compressed.
    RuntimeEntries(const RuntimeImage& image, std::string indexText, LineSink progress);
    RuntimeEntries(const RuntimeEntries&) = delete;
    RuntimeEntries& operator=(const RuntimeEntries&) = delete;
    ~RuntimeEntries();

    // Adds the entries to an archive being written (an ArchiveMerger::EntryWriter).
    [[nodiscard]] bool addTo(zip_t* target, const LineSink& note, Problem& problem);

    // What went wrong while the files were read for compression; empty when nothing did.
    const std::string& readFailure() const { return failure_; }

  private:
    struct FileSource;
    static zip_int64_t readCallback(void* state, void* data, zip_uint64_t length,
                                    zip_source_cmd_t command);
    void countProgress(int64_t bytes);

    const RuntimeImage& image_;
    std::string indexText_;
    LineSink progress_;
    std::vector<std::unique_ptr<FileSource>> sources_;
    std::string failure_;
    int64_t bytesRead_ = 0;
    int lastTenth_ = 0;
};

}  // namespace wynpack
