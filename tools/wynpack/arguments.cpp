// The packer's command line and its help text (see arguments.h).
#include "arguments.h"

namespace wynpack {

namespace {

struct Target {
    const char* name;
    const char* stubFile;
};

constexpr Target kTargets[] = {
    {"windows-x86", "wyn.exe"},
    {"windows-x86_64", "wyn.exe"},
    {"linux-x86_64", "wyn"},
};

enum class Option { Help, Target, Stub, Config, Jar, NoSupport, Output };

struct OptionName {
    const char* name;
    Option option;
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"--help", Option::Help, false},
    {"-h", Option::Help, false},
    {"--target", Option::Target, true},
    {"--stub", Option::Stub, true},
    {"--config", Option::Config, true},
    {"--jar", Option::Jar, true},
    {"--no-support", Option::NoSupport, false},
    {"--output", Option::Output, true},
};

const OptionName* findOption(std::string_view name) {
    for (const OptionName& candidate : kOptions) {
        if (name == candidate.name) {
            return &candidate;
        }
    }
    return nullptr;
}

// Stores a single-valued option; false when it was given before.
bool setOnce(std::string& field, const std::string& value, const char* name, std::string& error) {
    if (!field.empty()) {
        error = std::string("option ") + name + " is given more than once";
        return false;
    }
    field = value;
    return true;
}

}  // namespace

const char* stubFileName(std::string_view target) {
    for (const Target& t : kTargets) {
        if (target == t.name) {
            return t.stubFile;
        }
    }
    return nullptr;
}

bool parseArguments(const std::vector<std::string>& args, PackOptions& options,
                    std::string& error) {
    options = PackOptions();
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        std::string name = arg.substr(0, equals);
        const OptionName* option = findOption(name);
        if (option == nullptr) {
            error = arg.rfind("-", 0) == 0 ? "unknown option " + name
                                           : "unexpected argument '" + arg + "'";
            return false;
        }
        std::string value;
        if (option->takesValue) {
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                value = args[++i];
            }
            if (value.empty()) {
                error = "option " + name + " needs a value";
                return false;
            }
        } else if (equals != std::string::npos) {
            error = "option " + name + " takes no value";
            return false;
        }
        bool ok = true;
        switch (option->option) {
            case Option::Target:
                if (stubFileName(value) == nullptr) {
                    error = "unknown target '" + value +
                            "' (known: windows-x86, windows-x86_64, linux-x86_64)";
                    return false;
                }
                ok = setOnce(options.target, value, "--target", error);
                break;
            case Option::Stub:
                ok = setOnce(options.stub, value, "--stub", error);
                break;
            case Option::Config:
                ok = setOnce(options.config, value, "--config", error);
                break;
            case Option::Jar:
                options.jars.push_back(value);
                break;
            case Option::NoSupport:
                options.noSupport = true;
                break;
            case Option::Output:
                ok = setOnce(options.output, value, "--output", error);
                break;
            case Option::Help:
                break;
        }
        if (!ok) {
            return false;
        }
    }
    if (!options.target.empty() && !options.stub.empty()) {
        error = "give either --target or --stub, not both";
    } else if (options.target.empty() && options.stub.empty()) {
        error = "missing --target or --stub (see wynpack --help)";
    } else if (options.config.empty()) {
        error = "missing --config (see wynpack --help)";
    } else if (options.jars.empty()) {
        error = "missing --jar (see wynpack --help)";
    } else if (options.output.empty()) {
        error = "missing --output (see wynpack --help)";
    } else {
        return true;
    }
    return false;
}

std::string helpText() {
    return R"(Usage: wynpack (--target NAME | --stub FILE) --config FILE --jar FILE [--jar FILE ...]
               [--no-support] --output FILE

Packs a Java application into one executable: the launcher stub, then the
configuration text, then one ZIP archive with the classes of the given jars.
The executable is itself a class path entry, so the application's classes load
from it.

Options:
  --target NAME    take the launcher stub built for NAME from the stubs directory
                   beside this tool (<wynpack dir>/../stubs/NAME/):
                     windows-x86      32-bit Windows (stub wyn.exe)
                     windows-x86_64   64-bit Windows (stub wyn.exe)
                     linux-x86_64     64-bit Linux   (stub wyn)
  --stub FILE      take the launcher stub from FILE instead (give --target or
                   --stub, not both)
  --config FILE    the configuration text: lines of a key and a value. It must
                   have a mainclass line with a value (the first mainclass line
                   is the one the launcher uses). The file may be UTF-8 with or
                   without byte order mark, UTF-16 little- or big-endian with
                   byte order mark, or ANSI: a file without byte order mark that
                   is not valid UTF-8 is read as Windows-1252. It is embedded
                   as UTF-8.
  --jar FILE       a jar (or any ZIP archive) with the application's classes;
                   repeat it for more jars. The jars are merged in the order
                   given: the first entry of a name wins, a later file entry of
                   the same name is left out with a note on standard error,
                   repeated directories and later manifests are left out quietly.
                   Signature files of signed jars (META-INF/*.SF, *.RSA, *.DSA,
                   *.EC) are left out: they cannot stay valid in the merged
                   archive and the runtime would refuse the classes. Entries are
                   copied as they are, without recompression.
  --no-support     do not add the launcher's support classes
                   (<wynpack dir>/../lib/wyn-support.jar, otherwise merged
                   after the given jars)
  --output FILE    the executable to write (mode 0755). It is written under a
                   temporary name in the same directory and renamed when
                   complete, so a failed run leaves no partial file. It must not
                   be one of the input files.
  --help, -h       show this help and exit

An option's value may also follow an '=' (--config=app.cfg).

Exit status: 0 when the executable was written, 2 for bad input (a wrong
command line, a missing or unreadable file, a jar that is not a ZIP archive, a
configuration without mainclass, an output that is also an input), 1 when
writing the output failed.
)";
}

}  // namespace wynpack
