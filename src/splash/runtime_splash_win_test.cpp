// Runtime splash details that exist only on Windows: backslash paths.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
