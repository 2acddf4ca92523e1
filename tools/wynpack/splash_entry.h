// The archive entry that the configuration's `splash` key may name.
//
// The launcher shows the image file that `splash` names beside the program; when there is no
// such file, it looks for an entry of that name in the packed archive (images/splash.png).
// It carries no inflater, so it can read that entry only when it is stored uncompressed: the
// packer stores it so, and warns when the name is neither an entry of the jars nor a file
// beside the output.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <string>
#include <string_view>

namespace wynpack {

// The entry name the launcher looks up for a `splash` value: the value with '\' turned into
// '/'. Empty when there is nothing the packer can check: an empty or absolute value (a file
// on the target machine), or one with a reference ('%' or '$') that only the launcher can
// expand.
std::string splashEntryName(std::string_view value);

}  // namespace wynpack
