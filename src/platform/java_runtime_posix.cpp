// The layout of a Java runtime on Linux, and the runtimes the system holds: the one of the
// `java` on PATH, the system's default, every runtime in the system's runtime directory and
// every runtime that SDKMAN installed.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"

namespace platform {

const char* const kJvmLibraryName = "libjvm.so";
const char* const kSplashLibraryName = "libsplashscreen.so";
const char* const kJvmLibrarySubPaths[] = {
    "", "lib/", "jre/lib/", "../jre/lib/", "jre/lib/amd64/", "lib/amd64/", nullptr};
const char* const kJavaLauncherSubPath = "bin/java";
const char kClassPathSeparator = ':';
const char kClassPathLineSeparators[] = ";:";
const char kDefaultRuntimeOrder[] = "cbresi";
const char kRuntimePlatform[] = "linux-x86_64";
const char kSystemRuntimePlaces[] = "the java on PATH, /usr/lib/jvm and SDKMAN's candidates/java";

namespace {

bool isDirectory(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool isExecutableFile(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0;
}

// Cuts the text before its last '/' (keeping "/" for a top-level name).
void dropLastComponent(TextString& path) {
    int32_t slash = path.length() - 1;
    while (slash >= 0 && path[slash] != '/') {
        --slash;
    }
    path.resize(slash > 0 ? slash : (slash == 0 ? 1 : 0));
}

// The first executable `java` in the directories of PATH. Unlike a shell, an empty entry is
// skipped rather than read as the current directory: the runtime must not come from wherever
// the user happened to start the program.
TextString javaOnPath() {
    const char* path = getEnv("PATH");
    if (path == nullptr) {
        return TextString();
    }
    const char* start = path;
    for (;;) {
        const char* end = start;
        while (*end != '\0' && *end != ':') {
            ++end;
        }
        if (end > start) {
            TextString candidate(start, static_cast<int32_t>(end - start));
            candidate.append("/java");
            if (isExecutableFile(candidate.c_str())) {
                return candidate;
            }
        }
        if (*end == '\0') {
            return TextString();
        }
        start = end + 1;
    }
}

TextString& jvmDirectory() {
    static TextString directory("/usr/lib/jvm");
    return directory;
}

// Adds a home unless a home already added is the same directory (through links).
void addHomeOnce(const TextString& home, StringList& homes, std::vector<TextString>& seen) {
    char resolved[PATH_MAX];
    TextString identity(realpath(home.c_str(), resolved) != nullptr ? resolved : home.c_str());
    for (const TextString& earlier : seen) {
        if (earlier == identity.c_str()) {
            return;
        }
    }
    seen.push_back(identity);
    homes.addString(home);
}

// Appends every subdirectory of a directory (links to directories included, hidden names
// left out), sorted by name so that the same system always gives the same order.
void addSubdirectories(const TextString& directory, StringList& homes,
                       std::vector<TextString>& seen) {
    std::vector<TextString> names;
    DirectoryEnumeration entries(TextString::concat(directory, TextView("/*")).c_str());
    DirectoryEntry entry;
    while (entries.next(entry)) {
        if (entry.isDirectory && entry.name[0] != '.') {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end(), [](const TextString& a, const TextString& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    for (const TextString& name : names) {
        TextString home = directory;
        home.append('/');
        home.append(name);
        addHomeOnce(home, homes, seen);
    }
}

// $SDKMAN_DIR, else ~/.sdkman; empty when neither can be named.
TextString sdkmanDirectory() {
    const char* configured = getEnv("SDKMAN_DIR");
    if (configured != nullptr && configured[0] != '\0') {
        return TextString(configured);
    }
    const char* userHome = getEnv("HOME");
    if (userHome == nullptr || userHome[0] == '\0') {
        return TextString();
    }
    return TextString::concat(userHome, TextView("/.sdkman"));
}

}  // namespace

void setJvmDirectoryForTests(const char* directory) {
    jvmDirectory() = TextString(directory != nullptr ? directory : "/usr/lib/jvm");
}

int32_t systemRuntimeHomes(StringList& homes) {
    std::vector<TextString> seen;
    TextString java = javaOnPath();
    if (!java.empty()) {
        char resolved[PATH_MAX];
        if (realpath(java.c_str(), resolved) != nullptr) {
            // <home>/bin/java: the home is two components up.
            TextString home(resolved);
            dropLastComponent(home);
            dropLastComponent(home);
            if (!home.empty()) {
                addHomeOnce(home, homes, seen);
            }
        }
    }
    TextString defaultJava = TextString::concat(jvmDirectory(), TextView("/default-java"));
    if (isDirectory(defaultJava.c_str())) {
        addHomeOnce(defaultJava, homes, seen);
    }
    int32_t preferred = homes.count();
    addSubdirectories(jvmDirectory(), homes, seen);
    TextString sdkman = sdkmanDirectory();
    if (!sdkman.empty()) {
        sdkman.append("/candidates/java");
        addSubdirectories(sdkman, homes, seen);
    }
    return preferred;
}

}  // namespace platform
