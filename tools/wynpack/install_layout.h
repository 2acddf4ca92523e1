// Where the packer finds the stubs and the support jar: beside itself, in the layout that
// `make` writes to dist/ and the build writes to its own tree.
//
//   bin/wynpack
//   lib/wyn-support.jar
//   stubs/<target>/wyn.exe   (wyn for linux-x86_64)
//
// Platforms: the packer is a Linux host tool; its own path comes from /proc/self/exe, which
// names the real file behind any symbolic link, so a link to bin/wynpack still finds lib/.
#pragma once

#include <string>
#include <string_view>

namespace wynpack {

// The directory that holds the running packer, with a trailing '/'; empty when unknown.
std::string toolDirectory();

// <toolDir>../stubs/<target>/<stub file name>; empty for an unknown target.
std::string stubPathFor(const std::string& toolDir, std::string_view target);

// <toolDir>../lib/wyn-support.jar
std::string supportJarPathFor(const std::string& toolDir);

}  // namespace wynpack
