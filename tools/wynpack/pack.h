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

// toolDir: the packer's own directory with a trailing '/' (see install_layout.h); note
// receives one line per dropped duplicate entry.
[[nodiscard]] bool pack(const PackOptions& options, const std::string& toolDir,
                        const std::function<void(const std::string&)>& note, Problem& problem);

}  // namespace wynpack
