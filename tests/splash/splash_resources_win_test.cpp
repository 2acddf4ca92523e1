// The splash resources of the running executable (this test program carries bitmap 100 and
// raw data 100 like a packed launcher) and what the runtime's splash library gets of them;
// the PATH retry for a library whose dependency sits beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/env.h"
#include "platform/resources.h"
#include "splash/runtime_splash.h"
#include "splash_test_paths.h"
#include "support/drawing_win.h"

namespace {

const char kImageData[] = "WYN-SPLASH-IMAGE-DATA-0123456789";

std::string currentPath() {
    const char* path = platform::getEnv("PATH");
    return path != nullptr ? path : "";
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(SplashResources, BitmapResourceIsLoaded) {
    WYN_SKIP_WITHOUT_DRAWING();
    auto bitmap = static_cast<HBITMAP>(platform::loadSplashBitmap());
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_NE(GetObjectA(bitmap, sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, 48);
    EXPECT_EQ(info.bmHeight, 32);
    DeleteObject(bitmap);
}

TEST(SplashResources, RawImageDataIsFoundWithItsSize) {
    const void* data = nullptr;
    int32_t size = 0;
    ASSERT_TRUE(platform::findSplashImageData(data, size));
    ASSERT_EQ(size, static_cast<int32_t>(sizeof(kImageData) - 1));
    EXPECT_EQ(std::string(static_cast<const char*>(data), size), kImageData);
}

TEST(RuntimeSplashLibraryWin, WithoutSplashFileTheEmbeddedImageIsLoadedFromMemory) {
    std::string library = fakeSplashLibrary("full");
    for (const char* image : {"", "no-such-image.png"}) {
        std::string before = fakeSplashLog(library);
        std::string file = *image == '\0' ? std::string() : fixturePath(image);
        EXPECT_EQ(loadRuntimeSplash(library.c_str(), TextString(file.c_str())),
                  RuntimeSplashResult::ShownFromMemory)
            << image;
        EXPECT_EQ(fakeSplashLog(library).substr(before.size()), "init;memory:32:WYN-SPLASH-IMAGE;");
    }
}

TEST(RuntimeSplashLibraryWin, LibraryWithoutMemoryLoaderShowsNothingForTheEmbeddedImage) {
    std::string library = fakeSplashLibrary("nomemory");
    std::string before = fakeSplashLog(library);
    EXPECT_EQ(loadRuntimeSplash(library.c_str(), TextString()),
              RuntimeSplashResult::NoLoadFunction);
    EXPECT_EQ(fakeSplashLog(library), before);
}

TEST(RuntimeSplashLibraryWin, DependencyBesideTheLibraryIsFoundThroughPath) {
    std::string library = fakeSplashLibrary("withdep");
    std::string directory = library.substr(0, library.find_last_of("\\/") + 1);
    std::string before = currentPath();
    std::string image = fixturePath("splash-image.png");
    EXPECT_EQ(loadRuntimeSplash(library.c_str(), TextString(image.c_str())),
              RuntimeSplashResult::ShownFromFile);
    EXPECT_EQ(currentPath(), before + ";" + directory);
    EXPECT_EQ(fakeSplashLog(library), "init;file:" + image + ";");
    ASSERT_TRUE(platform::putEnv(("PATH=" + before).c_str()));
}

TEST(RuntimeSplashLibraryWin, LibraryWhoseDependencyIsNowhereShowsNothing) {
    std::string library = fakeSplashLibrary("missingdep");
    std::string directory = library.substr(0, library.find_last_of("\\/") + 1);
    std::string before = currentPath();
    EXPECT_EQ(
        loadRuntimeSplash(library.c_str(), TextString(fixturePath("splash-image.png").c_str())),
        RuntimeSplashResult::LibraryNotLoaded);
    EXPECT_TRUE(endsWith(currentPath(), ";" + directory)) << "PATH keeps the retry's directory";
    ASSERT_TRUE(platform::putEnv(("PATH=" + before).c_str()));
}

}  // namespace
