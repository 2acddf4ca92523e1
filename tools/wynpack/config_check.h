// `wynpack --check FILE`: the packer's warnings and notes about a configuration without
// packing. FILE is a configuration text (as --config takes it) or a program packed by
// wynpack, whose embedded configuration is checked (an external .cfg beside a program is a
// configuration text). Nothing is written.
//
// Platforms: pure code over the file's bytes; the packer runs on Linux.
#pragma once

#include <string>
#include <string_view>

#include "pack.h"
#include "problem.h"

namespace wynpack {

// The configuration text embedded in a packed program's bytes (raw, byte order mark included),
// found from the archive's end record as the launcher finds it; false when the bytes hold
// none (a plain text file, say).
[[nodiscard]] bool embeddedConfigText(std::string_view file, std::string& text);

// Reads path and reports its warnings and notes through messages (each beginning with the
// quoted path and whether the embedded or the given text was read); summary says how many
// warnings there were.
[[nodiscard]] bool checkConfiguration(const std::string& path, const PackMessages& messages,
                                      std::string& summary, Problem& problem);

}  // namespace wynpack
