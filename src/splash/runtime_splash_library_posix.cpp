// Where the runtime's splash library is found on Linux. Its dependencies are found through
// its own run path; the loader's search path cannot be extended once the process runs, and
// PATH has nothing to do with libraries here.
#include "splash/runtime_splash.h"

const char* runtimeSplashLibraryName() {
    return "libsplashscreen.so";
}

bool appendLibraryDirectoryToSearchPath(TextView) {
    return false;
}
