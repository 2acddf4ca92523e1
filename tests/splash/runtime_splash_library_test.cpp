// The runtime's splash library as the launcher drives it: which entry points it calls, in
// which order, with which image, and when it shows nothing. Stand-in libraries record the
// calls they get.
#include <gtest/gtest.h>

#include <string>

#include "platform/env.h"
#include "platform/java_runtime.h"
#include "splash/runtime_splash.h"
#include "splash_test_paths.h"

namespace {

// The calls that one loadRuntimeSplash adds to a stand-in's record.
struct Attempt {
    RuntimeSplashResult result;
    std::string calls;
};

Attempt attempt(const char* variant, const std::string& imageFile) {
    std::string library = fakeSplashLibrary(variant);
    std::string before = fakeSplashLog(library);
    RuntimeSplashResult result = loadRuntimeSplash(library.c_str(), TextString(imageFile.c_str()));
    std::string after = fakeSplashLog(library);
    return {result, after.substr(before.size())};
}

TEST(RuntimeSplashLibrary, ReadableSplashFileIsInitialisedThenLoadedByPath) {
    std::string image = fixturePath("splash-image.png");
    Attempt a = attempt("full", image);
    EXPECT_EQ(a.result, RuntimeSplashResult::ShownFromFile);
    EXPECT_EQ(a.calls, "init;file:" + image + ";");
}

TEST(RuntimeSplashLibrary, LibraryWithoutInitShowsNothing) {
    Attempt a = attempt("noinit", fixturePath("splash-image.png"));
    EXPECT_EQ(a.result, RuntimeSplashResult::NoInitFunction);
    EXPECT_EQ(a.calls, "");
}

TEST(RuntimeSplashLibrary, LibraryWithoutFileLoaderShowsNothingForAFile) {
    Attempt a = attempt("nofile", fixturePath("splash-image.png"));
    EXPECT_EQ(a.result, RuntimeSplashResult::NoLoadFunction);
    EXPECT_EQ(a.calls, "") << "the library must not be initialised for an image it cannot load";
}

TEST(RuntimeSplashLibrary, MissingLibraryShowsNothing) {
    std::string missing =
        testProgramDirectory() + "fake-runtimes/none/" + platform::kSplashLibraryName;
    EXPECT_EQ(
        loadRuntimeSplash(missing.c_str(), TextString(fixturePath("splash-image.png").c_str())),
        RuntimeSplashResult::LibraryNotLoaded);
}

}  // namespace
