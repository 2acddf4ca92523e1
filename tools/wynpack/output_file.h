// Writing the packed executable so that it appears whole or not at all.
//
// The output is written to a temporary file in the output's own directory (so that the final
// rename stays on one file system), made mode 0755, flushed to disk and renamed over the
// output path. Until then every temporary file is removed when its owner goes out of scope,
// on success and on every failure, and also after an interrupt (see interruption.h).
//
// Platforms: POSIX calls; the packer is a Linux host tool.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "problem.h"

namespace wynpack {

// A file created under a fresh name beside another path and removed on destruction.
class TempFile {
  public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    // Creates ".<name of target>.<tag>-XXXXXX" in target's directory, open for writing.
    [[nodiscard]] bool create(const std::string& target, const char* tag, Problem& problem);

    const std::string& path() const { return path_; }
    int descriptor() const { return fd_; }

    // Closes the descriptor; the file stays until destruction.
    [[nodiscard]] bool closeFile(Problem& problem);

    // Forgets the file: it has been renamed and is no longer ours to remove.
    void release();

  private:
    std::string path_;
    int fd_ = -1;
};

class OutputFile {
  public:
    // Creates the temporary file beside path.
    [[nodiscard]] bool create(const std::string& path, Problem& problem);
    [[nodiscard]] bool write(std::string_view bytes, Problem& problem);
    // Appends the whole content of another file.
    [[nodiscard]] bool appendFileContent(const std::string& source, Problem& problem);
    // Overwrites bytes already written, distanceFromEnd bytes before the current end.
    [[nodiscard]] bool overwriteFromEnd(uint64_t distanceFromEnd, std::string_view bytes,
                                        Problem& problem);
    // Overwrites bytes already written, at offset from the start.
    [[nodiscard]] bool overwriteAt(uint64_t offset, std::string_view bytes, Problem& problem);
    // The file being written, until commit renames it.
    const std::string& temporaryPath() const { return temp_.path(); }
    uint64_t size() const { return written_; }
    // Mode 0755, flush, close and rename to the output path.
    [[nodiscard]] bool commit(Problem& problem);

  private:
    [[nodiscard]] bool writeAll(const char* data, size_t size, Problem& problem);

    std::string path_;
    TempFile temp_;
    uint64_t written_ = 0;
};

// The directory part of a path ("." for a bare file name), without a trailing '/'.
std::string directoryOf(const std::string& path);

}  // namespace wynpack
