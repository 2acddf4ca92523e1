// Where the packer finds the stubs and the support jar when the command line names none:
// first among the files it carries inside itself (see carried_files.h; the wynpack of dist/
// carries all of them), then beside itself, in the layout that `make` writes to dist/ and the
// build writes to its own tree.
//
//   bin/wynpack
//   lib/wyn-support.jar
//   stubs/<target>/wyn.exe   (wyn for linux-x86_64)
//
// --stub and --support-jar always win; the packer's own file is read only when one of them is
// missing, and a damaged carried block is refused then, naming the options that get around it.
//
// Platforms: the packer is a Linux host tool; its own path comes from /proc/self/exe, which
// names the real file behind any symbolic link, so a link to bin/wynpack still finds lib/.
#pragma once

#include <string>
#include <string_view>

#include "arguments.h"
#include "problem.h"

namespace wynpack {

// The running packer's file; empty when unknown.
std::string toolPath();

// An input file given by path, or one of the carried files, already read.
struct ToolInput {
    std::string name;  // the path; "<wynpack>!/<carried name>" for a carried file
    bool carried = false;
    std::string bytes;  // a carried file's content
};

// The stub and (unless --no-support) the support jar for this run.
[[nodiscard]] bool findToolInputs(const PackOptions& options, const std::string& toolPath,
                                  ToolInput& stub, ToolInput& supportJar, Problem& problem);

}  // namespace wynpack
