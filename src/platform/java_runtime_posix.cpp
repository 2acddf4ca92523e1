// The layout of a Java runtime on Linux, and the runtime of the `java` on PATH.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/env.h"
#include "platform/java_runtime.h"

namespace platform {

const char* const kJvmLibraryName = "libjvm.so";
const char* const kSplashLibraryName = "libsplashscreen.so";
const char* const kJvmLibrarySubPaths[] = {
    "", "lib/", "jre/lib/", "../jre/lib/", "jre/lib/amd64/", "lib/amd64/", nullptr};
const char kClassPathSeparator = ':';

namespace {

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

}  // namespace

void systemRuntimeHomes(StringList& homes) {
    TextString java = javaOnPath();
    if (!java.empty()) {
        char resolved[PATH_MAX];
        if (realpath(java.c_str(), resolved) != nullptr) {
            // <home>/bin/java: the home is two components up.
            TextString home(resolved);
            dropLastComponent(home);
            dropLastComponent(home);
            if (!home.empty()) {
                homes.addString(home);
            }
        }
    }
    homes.addString("/usr/lib/jvm/default-java");
}

}  // namespace platform
