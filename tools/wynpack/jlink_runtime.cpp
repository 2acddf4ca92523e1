// Making the runtime that --jlink carries (see jlink_runtime.h).
#include "jlink_runtime.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "input_files.h"
#include "output_file.h"
#include "runtime_image.h"
#include "tool_process.h"

namespace wynpack {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The platform this packer runs on, named like a target.
std::string hostPlatform() {
    struct utsname name;
    if (uname(&name) == 0 && std::strcmp(name.machine, "x86_64") == 0) {
        return "linux-x86_64";
    }
    return std::string("linux-") + (uname(&name) == 0 ? name.machine : "unknown");
}

std::string jdkRelease(const std::string& home) {
    std::string text;
    Problem ignored;
    return readInputFile(home + "/release", "release file", text, ignored)
               ? releaseJavaVersion(text)
               : "unknown";
}

std::string joined(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) {
            text += separator;
        }
        text += part;
    }
    return text;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    remove(path);
    return 0;
}

// The JDK that runs jdeps and jlink: a JDK for this machine.
struct JdkTools {
    std::string home;
    std::string from;
    int feature = 0;
};

bool checkTools(const std::string& home, const std::string& from, Problem& problem) {
    for (const char* tool : {"jdeps", "jlink"}) {
        if (!isExecutableFile(home + "/bin/" + tool)) {
            return fail(problem, ExitStatus::BadInput,
                        "the JDK " + quoted(home) + " (" + from + ") has no bin/" + tool +
                            ": --jlink needs a JDK of release 11 or later, not a JRE");
        }
    }
    return true;
}

// Runs jdeps over the jars; modules receives the comma-separated list.
bool findModules(const JdkTools& tools, const std::vector<std::string>& jars,
                 const LinkedRuntime::LineSink& note, std::string& modules, Problem& problem) {
    std::vector<std::string> argv = {tools.home + "/bin/jdeps"};
    if (tools.feature >= 12) {
        argv.push_back("--ignore-missing-deps");
    }
    argv.insert(argv.end(), {"--print-module-deps", "--multi-release",
                             std::to_string(tools.feature), "--class-path", joined(jars, ':')});
    argv.insert(argv.end(), jars.begin(), jars.end());
    ToolRun run;
    if (!runTool(argv, run, problem)) {
        return false;
    }
    modules = moduleListOf(run.out);
    if (run.exitStatus != 0 || modules.empty()) {
        return fail(problem, ExitStatus::BadInput,
                    "jdeps could not list the modules the jars use (exit status " +
                        std::to_string(run.exitStatus) + "): " + outputTail(run.err + run.out));
    }
    note("jdeps: the application uses the modules " + modules);
    return true;
}

}  // namespace

int featureRelease(const std::string& javaVersion) {
    std::string version = javaVersion.rfind("1.", 0) == 0 ? javaVersion.substr(2) : javaVersion;
    int value = 0;
    size_t i = 0;
    for (; i < version.size() && version[i] >= '0' && version[i] <= '9' && value < 10000; ++i) {
        value = value * 10 + (version[i] - '0');
    }
    return i == 0 ? 0 : value;
}

std::string moduleListOf(const std::string& jdepsOutput) {
    size_t end = jdepsOutput.find_last_not_of("\r\n \t");
    if (end == std::string::npos) {
        return "";
    }
    size_t start = jdepsOutput.find_last_of('\n', end);
    std::string line = jdepsOutput.substr(start == std::string::npos ? 0 : start + 1,
                                          end + 1 - (start == std::string::npos ? 0 : start + 1));
    for (char c : line) {
        bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == ',' || c == '_';
        if (!fits) {
            return "";
        }
    }
    return line;
}

std::string findJdk(const std::string& given, std::string& from) {
    if (!given.empty()) {
        from = "--jdk";
        return given;
    }
    const char* javaHome = std::getenv("JAVA_HOME");
    if (javaHome != nullptr && *javaHome != '\0') {
        from = "JAVA_HOME";
        return javaHome;
    }
    const char* path = std::getenv("PATH");
    std::string rest = path == nullptr ? "" : path;
    size_t start = 0;
    while (start <= rest.size() && !rest.empty()) {
        size_t end = rest.find(':', start);
        std::string directory = rest.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? rest.size() + 1 : end + 1;
        std::string java = (directory.empty() ? "." : directory) + "/java";
        char real[PATH_MAX];
        if (!isExecutableFile(java) || realpath(java.c_str(), real) == nullptr) {
            continue;
        }
        std::string resolved = real;
        const std::string suffix = "/bin/java";
        if (resolved.size() > suffix.size() &&
            resolved.compare(resolved.size() - suffix.size(), suffix.size(), suffix) == 0) {
            from = "the java on PATH, " + resolved;
            return resolved.substr(0, resolved.size() - suffix.size());
        }
    }
    from.clear();
    return "";
}

LinkedRuntime::~LinkedRuntime() {
    if (!directory_.empty()) {
        nftw(directory_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
}

bool LinkedRuntime::plan(const std::string& givenJdk, const std::string& target, Problem& problem) {
    std::string from;
    std::string jdk = findJdk(givenJdk, from);
    if (jdk.empty()) {
        return fail(problem, ExitStatus::BadInput,
                    "--jlink needs a JDK: give --jdk DIR, set JAVA_HOME, or put a JDK's java on "
                    "PATH");
    }
    if (!isDirectory(jdk)) {
        return fail(problem, ExitStatus::BadInput,
                    "the JDK " + quoted(jdk) + " (" + from + ") is not a directory");
    }
    std::string library;
    std::string jdkPlatform = runtimeImagePlatform(jdk, library);
    std::string host = hostPlatform();
    bool hasJmods = isDirectory(jdk + "/jmods");
    JdkTools tools{jdk, from, featureRelease(jdkRelease(jdk))};
    if (jdkPlatform.empty()) {
        return fail(problem, ExitStatus::BadInput,
                    "the JDK " + quoted(jdk) + " (" + from +
                        ") is not a Java runtime: it has no JVM library");
    }
    if (jdkPlatform != target) {
        std::string message = "the JDK " + quoted(jdk) + " (" + from + ") is for " + jdkPlatform +
                              ", but the target is " + target + ": give --jdk a " + target +
                              " JDK with jmods/ of the release of this machine's JDK";
        if (jdkPlatform == host && !hasJmods) {
            message +=
                " (this JDK has no jmods/: a JDK of release 24 or later without them can "
                "link only an image for its own platform)";
        }
        return fail(problem, ExitStatus::BadInput,
                    message + ", or carry a " + target + " runtime image with --runtime");
    }
    std::string modulePath;
    if (target != host) {
        // A JDK for another platform: its jmods, linked by this machine's JDK.
        if (!hasJmods) {
            return fail(problem, ExitStatus::BadInput,
                        "the " + target + " JDK " + quoted(jdk) +
                            " has no jmods/: a JDK of release 24 or later without them can link "
                            "only an image for its own platform; take a " +
                            target + " JDK with jmods/, or carry its runtime image with --runtime");
        }
        std::string hostFrom;
        std::string hostJdk = findJdk("", hostFrom);
        std::string hostLibrary;
        if (hostJdk.empty() || runtimeImagePlatform(hostJdk, hostLibrary) != host) {
            return fail(problem, ExitStatus::BadInput,
                        "linking a " + target + " runtime needs a JDK for " + host +
                            " of the same release to run jlink: set JAVA_HOME to one");
        }
        int hostFeature = featureRelease(jdkRelease(hostJdk));
        if (hostFeature != tools.feature) {
            return fail(problem, ExitStatus::BadInput,
                        "jlink links only modules of its own release: the " + target + " JDK " +
                            quoted(jdk) + " is of release " + std::to_string(tools.feature) +
                            ", this machine's JDK " + quoted(hostJdk) + " (" + hostFrom +
                            ") of release " + std::to_string(hostFeature));
        }
        modulePath = jdk + "/jmods";
        tools = JdkTools{hostJdk, hostFrom, hostFeature};
    } else if (hasJmods) {
        modulePath = jdk + "/jmods";
    }
    if (!checkTools(tools.home, tools.from, problem)) {
        return false;
    }
    jdk_ = jdk;
    toolsHome_ = tools.home;
    toolsFeature_ = tools.feature;
    modulePath_ = modulePath;
    return true;
}

bool LinkedRuntime::link(const JlinkRequest& request, const std::string& supportJarBytes,
                         const LineSink& note, Problem& problem) {
    std::string host = hostPlatform();
    JdkTools tools{toolsHome_, "", toolsFeature_};

    std::string name = request.output.substr(request.output.rfind('/') + 1);
    std::string pattern = directoryOf(request.output) + "/." + name + ".wynpack-jlink-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return fail(problem, ExitStatus::Failed,
                    "cannot make a directory beside " + quoted(request.output) + ": " +
                        std::strerror(errno));
    }
    directory_ = pattern;
    std::vector<std::string> jars = request.jars;
    if (!supportJarBytes.empty()) {
        std::string path = directory_ + "/wyn-support.jar";
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        bool written = fd >= 0 && write(fd, supportJarBytes.data(), supportJarBytes.size()) ==
                                      static_cast<ssize_t>(supportJarBytes.size());
        if (fd >= 0) {
            close(fd);
        }
        if (!written) {
            return fail(problem, ExitStatus::Failed,
                        "cannot write " + quoted(path) + ": " + std::strerror(errno));
        }
        jars.push_back(path);
    }
    std::string modules;
    if (!findModules(tools, jars, note, modules, problem)) {
        return false;
    }
    image_ = directory_ + "/runtime";
    std::vector<std::string> argv = {tools.home + "/bin/jlink"};
    if (!modulePath_.empty()) {
        argv.insert(argv.end(), {"--module-path", modulePath_});
    }
    argv.insert(argv.end(),
                {"--add-modules", modules, "--strip-debug", "--no-header-files", "--no-man-pages"});
    // A linked image has no default CDS archive; only a runtime for this machine can make one.
    if (request.target == host && tools.feature >= 17) {
        argv.push_back("--generate-cds-archive");
    }
    argv.insert(argv.end(), {"--output", image_});
    ToolRun run;
    if (!runTool(argv, run, problem)) {
        return false;
    }
    if (run.exitStatus != 0) {
        return fail(problem, ExitStatus::BadInput,
                    "jlink failed (exit status " + std::to_string(run.exitStatus) +
                        "): " + outputTail(run.err + run.out));
    }
    note("jlink: linked a runtime of " + modules + " from " + quoted(jdk_));
    return true;
}

}  // namespace wynpack
