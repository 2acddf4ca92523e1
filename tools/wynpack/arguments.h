// The packer's command line and its help text.
//
//   wynpack --target NAME | --stub FILE  --config FILE  --jar FILE [--jar FILE ...]
//           [--no-support]  --output FILE
//
// Every option that takes a value accepts it as the next argument or after '='
// (--config=app.cfg). Parsing only checks the command line; whether the files exist is checked
// when they are read.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wynpack {

struct PackOptions {
    bool help = false;
    std::string target;  // a known target name, or empty when --stub names the stub
    std::string stub;
    std::string config;
    std::vector<std::string> jars;  // in the order given
    bool noSupport = false;
    std::string output;
};

// The targets that --target knows, and the stub file name of each; null for an unknown name.
const char* stubFileName(std::string_view target);

// Parses the arguments after the program name. False with a message (without the "wynpack: "
// prefix) for an unknown option, a missing value, a missing required option, an option given
// twice or an unknown target. --help anywhere wins over everything else.
[[nodiscard]] bool parseArguments(const std::vector<std::string>& args, PackOptions& options,
                                  std::string& error);

std::string helpText();

}  // namespace wynpack
