// One packing run (see pack.h).
#include "pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "archive_merge.h"
#include "config_text.h"
#include "input_files.h"
#include "install_layout.h"
#include "interruption.h"
#include "output_file.h"
#include "zip64_locator.h"

namespace wynpack {

namespace {

bool readConfigBlock(const std::string& path, std::string& block, Problem& problem) {
    std::string bytes;
    if (!readInputFile(path, "configuration file", bytes, problem)) {
        return false;
    }
    DecodedText text;
    std::string reason;
    if (!decodeConfigText(bytes, text, reason) || !checkConfigText(text.utf8, reason)) {
        return fail(problem, ExitStatus::BadInput,
                    "configuration file " + quoted(path) + " " + reason);
    }
    if (!buildConfigBlock(text.utf8, block)) {
        return fail(problem, ExitStatus::BadInput,
                    "configuration file " + quoted(path) + " is too large");
    }
    return true;
}

// The output must be a file name in an existing directory and none of the inputs.
bool checkOutputPath(const std::string& output, const std::vector<std::string>& inputs,
                     Problem& problem) {
    struct stat st;
    std::string directory = directoryOf(output);
    if (output.back() == '/' || (stat(output.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        return fail(problem, ExitStatus::BadInput, "output " + quoted(output) + " is a directory");
    }
    if (stat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // Renaming over a device or a pipe would replace it, not write into it.
        return fail(problem, ExitStatus::BadInput,
                    "output " + quoted(output) + " exists and is not a regular file");
    }
    if (stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return fail(problem, ExitStatus::BadInput,
                    "the directory of the output " + quoted(output) + " does not exist");
    }
    FileId outputId;
    if (!fileIdOf(output, outputId)) {
        return true;
    }
    for (const std::string& input : inputs) {
        FileId inputId;
        if (fileIdOf(input, inputId) && inputId == outputId) {
            return fail(problem, ExitStatus::BadInput,
                        "output " + quoted(output) + " is the input " + quoted(input));
        }
    }
    return true;
}

// The last bytes of the written archive, as many as the ZIP64 locator check needs.
bool readArchiveTail(const std::string& path, std::string& tail, Problem& problem) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    bool ok = fd >= 0 && fstat(fd, &st) == 0;
    if (ok) {
        auto size = static_cast<uint64_t>(st.st_size);
        uint64_t length = size < kArchiveTailSize ? size : kArchiveTailSize;
        tail.resize(length);
        ok = pread(fd, tail.data(), length, static_cast<off_t>(size - length)) ==
             static_cast<ssize_t>(length);
    }
    int error = errno;
    if (fd >= 0) {
        close(fd);
    }
    return ok ? true
              : fail(problem, ExitStatus::Failed,
                     "cannot read the archive " + quoted(path) + ": " + std::strerror(error));
}

// Appends the archive and makes its ZIP64 locator, if it has one, count from the file's start.
bool appendArchive(OutputFile& output, const std::string& archive, uint64_t prefixLength,
                   Problem& problem) {
    std::string tail;
    if (!readArchiveTail(archive, tail, problem) || !output.appendFileContent(archive, problem)) {
        return false;
    }
    LocatorFix fix = zip64LocatorFix(tail, prefixLength);
    return !fix.needed || output.overwriteFromEnd(fix.distanceFromEnd, fix.bytes, problem);
}

}  // namespace

bool pack(const PackOptions& options, const std::string& toolDir,
          const std::function<void(const std::string&)>& note, Problem& problem) {
    std::string stubPath =
        options.stub.empty() ? stubPathFor(toolDir, options.target) : options.stub;
    std::vector<std::string> jars = options.jars;
    if (!options.noSupport) {
        jars.push_back(supportJarPathFor(toolDir));
    }

    std::vector<std::string> inputs = jars;
    inputs.push_back(options.config);
    inputs.push_back(stubPath);
    if (!checkOutputPath(options.output, inputs, problem)) {
        return false;
    }
    std::string block;
    if (!readConfigBlock(options.config, block, problem)) {
        return false;
    }
    std::string stub;
    if (!readInputFile(stubPath, "stub", stub, problem)) {
        return false;
    }
    ArchiveMerger merger;
    for (const std::string& jar : jars) {
        if (!merger.addSource(jar, problem)) {
            return false;
        }
    }

    installInterruptHandlers();
    OutputFile output;
    TempFile archive;
    return output.create(options.output, problem) &&
           archive.create(options.output, "wynpack-zip", problem) && archive.closeFile(problem) &&
           merger.writeTo(archive.path(), note, problem) && output.write(stub, problem) &&
           output.write(block, problem) &&
           appendArchive(output, archive.path(), stub.size() + block.size(), problem) &&
           output.commit(problem);
}

}  // namespace wynpack
