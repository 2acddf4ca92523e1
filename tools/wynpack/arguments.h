// The packer's command line and its help text.
//
//   wynpack --target NAME | --stub FILE  --config FILE  --jar FILE [--jar FILE ...]
//           [--no-support | --support-jar FILE]  --output FILE  [Windows resource options]
//           [--splash-title TEXT]  [--runtime DIR | --jlink [--jdk DIR]]
//
// Every option that takes a value accepts it as the next argument or after '='
// (--config=app.cfg). Parsing only checks the command line; whether the files exist is checked
// when they are read.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wynpack {

struct IconOption {
    uint32_t groupId = 1;
    std::string path;
};

struct PackOptions {
    bool help = false;
    bool version = false;
    std::string target;  // a known target name, or empty when --stub names the stub
    std::string stub;
    std::string config;
    std::vector<std::string> jars;  // in the order given
    bool noSupport = false;
    std::string supportJar;  // --support-jar: the support classes from this jar
    std::string output;

    // Resources and headers of a Windows stub.
    std::vector<IconOption> icons;
    std::string splash;
    std::string fileVersion;
    std::string productVersion;
    std::string productName;
    std::string company;
    std::string description;
    std::string copyright;
    std::string originalFilename;
    std::string internalName;
    bool dpiAware = false;
    bool requireAdmin = false;
    bool utf8 = false;
    bool longPaths = false;
    bool console = false;
    // `--check FILE`: only check that configuration (see config_check.h); nothing else is set.
    std::string check;

    // A splashtitle line put in front of the configuration.
    std::string splashTitle;

    // The Java runtime carried inside the executable: an image directory (--runtime), or one
    // that jlink makes from a JDK (--jlink, with --jdk or else JAVA_HOME or the java on PATH).
    std::string runtime;
    bool jlink = false;
    std::string jdk;

    // The first option that only a Windows stub can take, or null when none is given.
    const char* windowsOnlyOption() const;
};

// The targets that --target knows, and the stub file name of each; null for an unknown name.
const char* stubFileName(std::string_view target);

// Parses the arguments after the program name. False with a message (without the "wynpack: "
// prefix) for an unknown option, a missing value, a missing required option, an option given
// twice, an unknown target, a malformed --icon or version value. --help anywhere wins over
// everything else, then --version.
[[nodiscard]] bool parseArguments(const std::vector<std::string>& args, PackOptions& options,
                                  std::string& error);

std::string helpText();

// "wynpack <version>".
std::string versionText();

}  // namespace wynpack
