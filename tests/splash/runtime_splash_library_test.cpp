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

Attempt attempt(const char* variant, const std::string& imageFile,
                const SplashArchiveImage& archiveImage = SplashArchiveImage()) {
    std::string library = fakeSplashLibrary(variant);
    std::string before = fakeSplashLog(library);
    RuntimeSplashResult result =
        loadRuntimeSplash(library.c_str(), TextString(imageFile.c_str()), archiveImage);
    std::string after = fakeSplashLog(library);
    return {result, after.substr(before.size())};
}

TEST(RuntimeSplashLibrary, ReadableSplashFileIsInitialisedThenLoadedByPath) {
    std::string image = fixturePath("splash-image.png");
    Attempt a = attempt("full", image);
    EXPECT_EQ(a.result, RuntimeSplashResult::ShownFromFile);
    EXPECT_EQ(a.calls, "init;file:" + image + ";");
}

SplashArchiveImage entryImage(const char* archive) {
    SplashArchiveImage image;
    image.bytes.append("PNG image bytes from the archive", 32);
    image.entryName = TextString("images/splash.png");
    image.archive = TextString(archive);
    return image;
}

TEST(RuntimeSplashLibrary, ArchiveEntryIsLoadedFromMemoryWithItsJarName) {
    struct Case {
        const char* variant;
        std::string imageFile;
        const char* archive;
        RuntimeSplashResult result;
        std::string calls;
    };
    std::string file = fixturePath("splash-image.png");
    const std::string memory = "memory:32:PNG image bytes ;";
    const Case cases[] = {
        {"jarname", "", "/apps/app", RuntimeSplashResult::ShownFromEntry,
         "init;" + memory + "jar:images/splash.png|/apps/app;"},
        // An executable path without a form in the code page: no jar name rather than a
        // wrong one.
        {"jarname", "", "", RuntimeSplashResult::ShownFromEntry, "init;" + memory},
        {"full", "", "/apps/app", RuntimeSplashResult::ShownFromEntry, "init;" + memory},
        {"nomemory", "", "/apps/app", RuntimeSplashResult::NoLoadFunction, ""},
        {"jarname", file, "/apps/app", RuntimeSplashResult::ShownFromFile,
         "init;file:" + file + ";jar:" + file + "|(null);"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + " " + c.imageFile + " " + c.archive);
        Attempt a = attempt(c.variant, c.imageFile, entryImage(c.archive));
        EXPECT_EQ(a.result, c.result);
        EXPECT_EQ(a.calls, c.calls);
    }
}

// A library that answers 0 (the runtime's without a display, or for an image it cannot decode)
// shows nothing, and is not told a name for the image it declined.
TEST(RuntimeSplashLibrary, ImageTheLibraryDeclinesIsNotShown) {
    std::string file = fixturePath("splash-image.png");
    Attempt fromFile = attempt("declines", file);
    EXPECT_EQ(fromFile.result, RuntimeSplashResult::NotShown);
    EXPECT_EQ(fromFile.calls, "init;file:" + file + ";");
    Attempt fromEntry = attempt("declines", "", entryImage("/apps/app"));
    EXPECT_EQ(fromEntry.result, RuntimeSplashResult::NotShown);
    EXPECT_EQ(fromEntry.calls, "init;memory:32:PNG image bytes ;");
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
