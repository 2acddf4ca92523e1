// The runtime's splash library on Linux, where a stub has no embedded image and the loader's
// search path cannot be extended at run time.
#include <gtest/gtest.h>

#include <string>

#include "platform/env.h"
#include "platform/java_runtime.h"
#include "splash/runtime_splash.h"
#include "splash_test_paths.h"

namespace {

TEST(RuntimeSplashLibraryPosix, WithoutReadableSplashFileNothingIsShown) {
    for (const char* image : {"", "no-such-image.png"}) {
        std::string library = fakeSplashLibrary("full");
        std::string before = fakeSplashLog(library);
        std::string file = *image == '\0' ? std::string() : fixturePath(image);
        EXPECT_EQ(loadRuntimeSplash(library.c_str(), TextString(file.c_str())),
                  RuntimeSplashResult::NoImage)
            << image;
        EXPECT_EQ(fakeSplashLog(library), before) << "nothing may be called for " << image;
    }
}

TEST(RuntimeSplashLibraryPosix, FailedLoadLeavesPathAlone) {
    const char* old = platform::getEnv("PATH");
    std::string before = old != nullptr ? old : "";
    std::string missing =
        testProgramDirectory() + "fake-runtimes/none/" + platform::kSplashLibraryName;
    EXPECT_EQ(loadRuntimeSplash(missing.c_str(), TextString()),
              RuntimeSplashResult::LibraryNotLoaded);
    const char* now = platform::getEnv("PATH");
    EXPECT_EQ(std::string(now != nullptr ? now : ""), before);
}

}  // namespace
