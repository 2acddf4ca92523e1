// One packing run (see pack.h).
#include "pack.h"

#include <sys/stat.h>

#include <vector>

#include "archive_merge.h"
#include "config_text.h"
#include "input_files.h"
#include "install_layout.h"
#include "interruption.h"
#include "output_file.h"

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
           output.write(block, problem) && output.appendFileContent(archive.path(), problem) &&
           output.commit(problem);
}

}  // namespace wynpack
