// Runtime splash details that exist only on Windows: backslash paths and the PATH retry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/env.h"
#include "splash/runtime_splash.h"

namespace {

namespace fs = std::filesystem;

TEST(RuntimeSplashWin, BackslashPathsAreCutAtTheLastSeparator) {
    fs::path root = fs::temp_directory_path() / "wyn-splash-backslash";
    fs::create_directories(root / "bin" / "client");
    std::ofstream(root / "bin" / "splashscreen.dll") << "x";
    std::string jvm = root.string() + "\\bin\\client\\jvm.dll";
    TextString found = runtimeSplashLibraryBeside(jvm.c_str());
    fs::remove_all(root);
    EXPECT_STREQ(found.c_str(), (root.string() + "\\bin\\client\\../splashscreen.dll").c_str());
}

TEST(RuntimeSplashWin, LibraryDirectoryIsAppendedToPath) {
    const char* old = platform::getEnv("PATH");
    std::string before = old != nullptr ? old : "";
    ASSERT_TRUE(appendLibraryDirectoryToSearchPath("C:\\runtime\\bin\\"));
    const char* now = platform::getEnv("PATH");
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(std::string(now), before + ";C:\\runtime\\bin\\");
    ASSERT_TRUE(platform::putEnv(("PATH=" + before).c_str()));
}

}  // namespace
