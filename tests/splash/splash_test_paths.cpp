// Paths of the splash tests' files, found from the test program's own location.
#include "splash_test_paths.h"

#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "splash/runtime_splash.h"

std::string testProgramDirectory() {
    std::string program = platform::executablePath().c_str();
    size_t separator = program.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : program.substr(0, separator + 1);
}

std::string fakeSplashLibrary(const char* variant) {
    return testProgramDirectory() + "fake-runtimes/" + variant + "/" + platform::kSplashLibraryName;
}

std::string fixturePath(const char* name) {
    return testProgramDirectory() + "fixtures/" + name;
}

std::string screenshotPath(const char* name) {
    return testProgramDirectory() + WYN_SCREENSHOTS_FROM_TESTS + name;
}

std::string fakeSplashLog(const std::string& libraryPath) {
    platform::LibraryHandle library = platform::loadLibrary(libraryPath.c_str());
    if (library == nullptr) {
        return "<not loadable>";
    }
    using LogFunction = const char* (*)();
    auto log = reinterpret_cast<LogFunction>(platform::findSymbol(library, "fakeSplashLog"));
    std::string result = log != nullptr ? log() : "<no log>";
    platform::freeLibrary(library);
    return result;
}
