// Which splash library belongs to a runtime library: the one in the directory above it.
#include "splash/runtime_splash.h"
#include "platform/java_runtime.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_tree.h"

namespace {

const std::string kLibrary = platform::kSplashLibraryName;

TEST(RuntimeSplashLibraryBeside, LibraryInTheDirectoryAboveTheRuntimeIsFound) {
    ScratchTree tree;
    std::string jvm = tree.file("bin/client/jvm");
    tree.file("bin/" + kLibrary);
    EXPECT_STREQ(runtimeSplashLibraryBeside(jvm.c_str()).c_str(),
                 tree.path("bin/client/../" + kLibrary).c_str());
}

TEST(RuntimeSplashLibraryBeside, NoLibraryAboveTheRuntimeGivesEmpty) {
    ScratchTree tree;
    std::string jvm = tree.file("bin/client/jvm");
    // A splash library beside the runtime library itself is not the runtime's.
    tree.file("bin/client/" + kLibrary);
    EXPECT_TRUE(runtimeSplashLibraryBeside(jvm.c_str()).empty());
}

TEST(RuntimeSplashLibraryBeside, NoRuntimeGivesEmpty) {
    EXPECT_TRUE(runtimeSplashLibraryBeside(TextView()).empty());
    EXPECT_TRUE(runtimeSplashLibraryBeside("").empty());
}

TEST(RuntimeSplashLibraryBeside, RuntimeWithoutDirectoryIsLookedUpFromTheCurrentDirectory) {
    ScratchTree tree;
    CurrentDirectoryScope inner(tree.directory("runtime/inner"));
    EXPECT_TRUE(runtimeSplashLibraryBeside("jvm").empty());
    tree.file("runtime/" + kLibrary);
    EXPECT_STREQ(runtimeSplashLibraryBeside("jvm").c_str(), ("../" + kLibrary).c_str());
}

}  // namespace
