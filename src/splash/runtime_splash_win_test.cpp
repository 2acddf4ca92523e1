// Runtime splash details that exist only on Windows: backslash paths and the PATH retry.
#include <gtest/gtest.h>

#include <string>

#include "platform/env.h"
#include "splash/runtime_splash.h"
#include "support/scratch_tree.h"

namespace {

TEST(RuntimeSplashWin, BackslashPathsAreCutAtTheLastSeparator) {
    ScratchTree tree;
    tree.file("bin/client/jvm.dll");
    tree.file("bin/splashscreen.dll");
    std::string jvm = tree.root() + "\\bin\\client\\jvm.dll";
    EXPECT_STREQ(runtimeSplashLibraryBeside(jvm.c_str()).c_str(),
                 (tree.root() + "\\bin\\client\\../splashscreen.dll").c_str());
}

TEST(RuntimeSplashWin, LibraryDirectoryIsAppendedToPath) {
    const char* old = platform::getEnv("PATH");
    std::string before = old != nullptr ? old : "";
    EnvironmentScope restore("PATH", before.c_str());
    ASSERT_TRUE(appendLibraryDirectoryToSearchPath("C:\\runtime\\bin\\"));
    const char* now = platform::getEnv("PATH");
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(std::string(now), before + ";C:\\runtime\\bin\\");
}

}  // namespace
