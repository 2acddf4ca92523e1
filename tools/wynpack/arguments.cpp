// The packer's command line and its help text (see arguments.h).
#include "arguments.h"

#include <array>

#include "format/text_codecs.h"
#include "text_view.h"
#include "version_info.h"

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

enum class Option {
    Help,
    Version,
    Target,
    Stub,
    Config,
    Jar,
    NoSupport,
    SupportJar,
    Output,
    Icon,
    Splash,
    SplashTitle,
    FileVersion,
    ProductVersion,
    ProductName,
    Company,
    Description,
    Copyright,
    OriginalFilename,
    InternalName,
    DpiAware,
    RequireAdmin,
    Utf8,
    LongPaths,
    Console,
    Check,
    Runtime,
    Jlink,
    Jdk,
};

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
    {"--support-jar", Option::SupportJar, true},
    {"--output", Option::Output, true},
    {"--runtime", Option::Runtime, true},
    {"--jlink", Option::Jlink, false},
    {"--jdk", Option::Jdk, true},
    {"--version", Option::Version, false},
    {"--icon", Option::Icon, true},
    {"--splash", Option::Splash, true},
    {"--splash-title", Option::SplashTitle, true},
    {"--file-version", Option::FileVersion, true},
    {"--product-version", Option::ProductVersion, true},
    {"--product-name", Option::ProductName, true},
    {"--company", Option::Company, true},
    {"--description", Option::Description, true},
    {"--copyright", Option::Copyright, true},
    {"--original-filename", Option::OriginalFilename, true},
    {"--internal-name", Option::InternalName, true},
    {"--dpi-aware", Option::DpiAware, false},
    {"--require-admin", Option::RequireAdmin, false},
    {"--utf8", Option::Utf8, false},
    {"--long-paths", Option::LongPaths, false},
    {"--console", Option::Console, false},
    {"--check", Option::Check, true},
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

// "--icon FILE" is the application's icon (group 1); "--icon ID=FILE" an icon for the tray.
bool addIcon(std::vector<IconOption>& icons, const std::string& value, std::string& error) {
    IconOption icon;
    icon.path = value;
    size_t equals = value.find('=');
    if (equals != std::string::npos && equals > 0 &&
        value.find_first_not_of("0123456789") == equals) {
        std::string id = value.substr(0, equals);
        icon.path = value.substr(equals + 1);
        icon.groupId = id.size() <= 5 ? static_cast<uint32_t>(std::stoul(id)) : 0;
        if (icon.groupId == 0 || icon.groupId > 0xFFFF) {
            error = "--icon " + value + ": the id must be a number from 1 to 65535";
            return false;
        }
        if (icon.path.empty()) {
            error = "--icon " + value + ": the icon file is missing after '='";
            return false;
        }
    }
    for (const IconOption& other : icons) {
        if (other.groupId == icon.groupId) {
            error = "--icon: icon id " + std::to_string(icon.groupId) + " is given more than once";
            return false;
        }
    }
    icons.push_back(icon);
    return true;
}

bool setVersion(std::string& field, const std::string& value, const char* name,
                std::string& error) {
    std::array<uint32_t, 4> numbers{};
    if (!parseDottedVersion(value, numbers)) {
        error = std::string(name) + " " + value +
                ": a version is one to four numbers from 0 to 65535, separated by dots";
        return false;
    }
    return setOnce(field, value, name, error);
}

// Texts that go into the version information must be UTF-8, as the terminal gives them.
bool setText(std::string& field, const std::string& value, const char* name, std::string& error) {
    if (!isValidUtf8(viewOf(value))) {
        error = std::string(name) + ": the text is not valid UTF-8";
        return false;
    }
    return setOnce(field, value, name, error);
}

}  // namespace

const char* PackOptions::windowsOnlyOption() const {
    const std::pair<bool, const char*> given[] = {
        {!splash.empty(), "--splash"},
        {!fileVersion.empty(), "--file-version"},
        {!productVersion.empty(), "--product-version"},
        {!productName.empty(), "--product-name"},
        {!company.empty(), "--company"},
        {!description.empty(), "--description"},
        {!copyright.empty(), "--copyright"},
        {!originalFilename.empty(), "--original-filename"},
        {!internalName.empty(), "--internal-name"},
        {dpiAware, "--dpi-aware"},
        {requireAdmin, "--require-admin"},
        {utf8, "--utf8"},
        {longPaths, "--long-paths"},
        {console, "--console"},
    };
    for (const auto& [isGiven, name] : given) {
        if (isGiven) {
            return name;
        }
    }
    return nullptr;
}

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
    for (const std::string& arg : args) {
        if (arg == "--version") {
            options.version = true;
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
            case Option::SupportJar:
                ok = setOnce(options.supportJar, value, "--support-jar", error);
                break;
            case Option::Output:
                ok = setOnce(options.output, value, "--output", error);
                break;
            case Option::Icon:
                ok = addIcon(options.icons, value, error);
                break;
            case Option::Splash:
                ok = setOnce(options.splash, value, "--splash", error);
                break;
            case Option::SplashTitle:
                ok = setText(options.splashTitle, value, "--splash-title", error);
                if (ok && value.find_first_of("\r\n") != std::string::npos) {
                    error = "--splash-title: the title must be one line";
                    ok = false;
                }
                break;
            case Option::FileVersion:
                ok = setVersion(options.fileVersion, value, "--file-version", error);
                break;
            case Option::ProductVersion:
                ok = setVersion(options.productVersion, value, "--product-version", error);
                break;
            case Option::ProductName:
                ok = setText(options.productName, value, "--product-name", error);
                break;
            case Option::Company:
                ok = setText(options.company, value, "--company", error);
                break;
            case Option::Description:
                ok = setText(options.description, value, "--description", error);
                break;
            case Option::Copyright:
                ok = setText(options.copyright, value, "--copyright", error);
                break;
            case Option::OriginalFilename:
                ok = setText(options.originalFilename, value, "--original-filename", error);
                break;
            case Option::InternalName:
                ok = setText(options.internalName, value, "--internal-name", error);
                break;
            case Option::DpiAware:
                options.dpiAware = true;
                break;
            case Option::RequireAdmin:
                options.requireAdmin = true;
                break;
            case Option::Utf8:
                options.utf8 = true;
                break;
            case Option::LongPaths:
                options.longPaths = true;
                break;
            case Option::Console:
                options.console = true;
                break;
            case Option::Check:
                ok = setOnce(options.check, value, "--check", error);
                break;
            case Option::Runtime:
                ok = setOnce(options.runtime, value, "--runtime", error);
                break;
            case Option::Jlink:
                options.jlink = true;
                break;
            case Option::Jdk:
                ok = setOnce(options.jdk, value, "--jdk", error);
                break;
            case Option::Help:
            case Option::Version:
                break;
        }
        if (!ok) {
            return false;
        }
    }
    if (!options.check.empty()) {
        // Checking packs nothing: any packing option would be silently unused.
        PackOptions onlyCheck;
        onlyCheck.check = options.check;
        if (args.size() > 2 || (args.size() == 2 && args[0].find('=') != std::string::npos)) {
            error = "--check takes only the file to check";
            return false;
        }
        options = onlyCheck;
        return true;
    }
    if (!options.target.empty() && !options.stub.empty()) {
        error = "give either --target or --stub, not both";
    } else if (options.noSupport && !options.supportJar.empty()) {
        error = "give either --no-support or --support-jar, not both";
    } else if (options.jlink && !options.runtime.empty()) {
        error = "give either --runtime or --jlink, not both";
    } else if (!options.jdk.empty() && !options.jlink) {
        error = "--jdk names the JDK that --jlink links a runtime from; give --jlink too";
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
               [--no-support | --support-jar FILE] --output FILE
               [options for Windows stubs]
               [--splash-title TEXT] [--runtime DIR | --jlink [--jdk DIR]]
       wynpack --check FILE

Packs a Java application into one executable: the launcher stub, then the
configuration text, then one ZIP archive with the classes of the given jars.
The executable is itself a class path entry, so the application's classes load
from it.

Options:
  --target NAME    take the launcher stub built for NAME from those carried
                   inside this tool (the wynpack of dist/bin carries every
                   target's), else from <wynpack dir>/../stubs/NAME/:
                     windows-x86      32-bit Windows (stub wyn.exe)
                     windows-x86_64   64-bit Windows (stub wyn.exe)
                     linux-x86_64     64-bit Linux   (stub wyn)
  --stub FILE      take the launcher stub from FILE instead (give --target or
                   --stub, not both)
  --config FILE    the configuration text: lines of a key and a value. Its first
                   mainclass line must have a value (the launcher uses that one);
                   without a mainclass line the first jar's Main-Class is taken.
                   The main class must be in one of the jars. Lines the launcher
                   would misread (unknown keys, names with trailing blanks, odd
                   minjre/maxjre) are warned about on standard error. The file may be UTF-8 with or
                   without byte order mark, UTF-16 little- or big-endian with
                   byte order mark, or ANSI: a file without byte order mark that
                   is not valid UTF-8 is read as Windows-1252. It is embedded
                   as UTF-8.
  --jar FILE       a jar (or any ZIP archive) with the application's classes;
                   repeat it for more jars. The jars are merged in the order
                   given: the first entry of a name wins, a later file entry of
                   the same name is left out with a note on standard error,
                   repeated directories and later manifests are left out quietly.
                   Service provider files (META-INF/services/*) of several jars
                   are merged: every jar's providers, in jar order, each once.
                   Signature files of signed jars (META-INF/*.SF, *.RSA, *.DSA,
                   *.EC) are left out: they cannot stay valid in the merged
                   archive and the runtime would refuse the classes. Entries are
                   copied as they are, without recompression.
  --no-support     do not add the launcher's support classes (otherwise merged
                   after the given jars: the jar carried inside this tool, else
                   <wynpack dir>/../lib/wyn-support.jar)
  --support-jar FILE
                   take the support classes from FILE instead
  --output FILE    the executable to write (mode 0755). It is written under a
                   temporary name in the same directory and renamed when
                   complete, so a failed run leaves no partial file. It must not
                   be one of the input files.
  --splash-title TEXT
                   the native splash window's title: a splashtitle line put in
                   front of the configuration, so it wins over one in the file
  --runtime DIR    carry the Java runtime image in DIR (a JDK, a JRE or a jlink
                   output for the target's platform) inside the executable: at
                   its first start the program extracts it into the user's
                   cache and runs on it when jre_order reaches 'r'. Needs a stub
                   that can read it (every stub of this release)
  --jlink          carry a runtime that jlink makes for the application: jdeps
                   finds the modules the jars (and the support classes) use
  --jdk DIR        the JDK --jlink links from (else JAVA_HOME, else the JDK of
                   the java on PATH); for a Windows target a Windows JDK of
                   this machine's JDK's release, with its jmods/
  --check FILE     pack nothing: print the warnings and notes that packing would
                   print about a configuration text, or about the configuration
                   embedded in a program packed by wynpack (exit status 0 when
                   the file could be read, whatever it holds)
  --help, -h       show this help and exit
  --version        show the packer's version and exit

Options for Windows stubs (windows-x86, windows-x86_64). The stub's resources
are kept (its messages, for one); these replace the resources they name:
  --icon FILE.ico  the application's icon (group icon 1, the one Explorer shows)
  --icon ID=FILE.ico
                   an icon the application's SystemTray calls name by ID
                   (1 to 65535); repeat for more icons. Also for a Linux stub:
                   each icon's largest image of at most 64 pixels (else its
                   smallest) goes into the archive as
                   META-INF/wyn/tray-icons/ID.png, the image of the Linux tray
                   icon with that ID (--icon FILE.ico counts as ID 1)
  --splash FILE    the splash image: a BMP becomes bitmap 100 (the native splash
                   window), a PNG, JPEG or GIF becomes raw data 100 (shown by the
                   runtime's splash library); no file beside the program needed
  --file-version V, --product-version V
                   dotted versions of one to four numbers (1.2.3.4); defaults
                   1.0.0.0 and the file version
  --product-name TEXT, --company TEXT, --description TEXT, --copyright TEXT,
  --original-filename TEXT, --internal-name TEXT
                   the version information's texts; the product name and the
                   description default to the output's name without extension,
                   the internal name too, the original file name to the output's
                   file name
  --dpi-aware      manifest: per-monitor (v2) DPI awareness, system awareness on
                   Windows versions without it
  --require-admin  manifest: ask for the administrator's rights at start
  --utf8           manifest: UTF-8 as the process's ANSI code page (Windows 10
                   1903 and later)
  --long-paths     manifest: paths longer than 260 characters (Windows 10 1607
                   and later, when the system allows them)
  --console        make a console program: output and messages appear in the
                   terminal it was started from
Every Windows executable gets a manifest with the supported Windows versions
(7 to 11) and the common controls 6, and version information.

An option's value may also follow an '=' (--config=app.cfg).

Exit status: 0 when the executable was written, 2 for bad input (a wrong
command line, a missing or unreadable file, a jar that is not a ZIP archive, a
configuration without mainclass, an output that is also an input, a malformed
icon or image, a damaged stub), 1 when writing the output failed. Run without
arguments, wynpack prints this help on standard error and exits with 2.
)";
}

std::string versionText() {
    return std::string("wynpack ") + WYNPACK_VERSION + "\n";
}

}  // namespace wynpack
