// Where the runtime's splash library is found on Windows, and how its dependencies are made
// visible to the loader.
#include "platform/env.h"
#include "splash/runtime_splash.h"

const char* runtimeSplashLibraryName() {
    return "splashscreen.dll";
}

bool appendLibraryDirectoryToSearchPath(TextView directory) {
    TextString assignment("PATH=");
    const char* old = platform::getEnv("PATH");
    if (old != nullptr) {
        assignment.append(old);
    }
    assignment.append(";");
    assignment.append(directory);
    return platform::putEnv(assignment.c_str());
}
