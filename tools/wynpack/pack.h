// One packing run: check every input, then write stub + configuration block + merged archive
// to the output.
//
// All input checks come first (the output's place, configuration, stub, jars), so that bad
// input is reported before any file is created. Only then are the temporary files made and
// the interrupt handlers installed (see output_file.h, interruption.h).
//
// Platforms: the packer is a Linux host tool.
#pragma once

#include <functional>
#include <string>

#include "arguments.h"
#include "problem.h"

namespace wynpack {

struct PackMessages {
    // One line per dropped or merged entry and per choice the packer made for the user.
    std::function<void(const std::string&)> note;
    // One line per likely mistake that does not stop packing (see config_checks.h).
    std::function<void(const std::string&)> warning;
    // Progress lines of long steps (compressing a large runtime).
    std::function<void(const std::string&)> progress;
};

// toolPath: the packer's own file, where it finds the stubs and the support jar that the
// command line does not name (see install_layout.h). On success summary holds one line:
// output, target, size, jars and entries.
[[nodiscard]] bool pack(const PackOptions& options, const std::string& toolPath,
                        const PackMessages& messages, std::string& summary, Problem& problem);

}  // namespace wynpack
