// Which splash library belongs to a runtime library: the one in the directory above it.
#include "splash/runtime_splash.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A runtime layout in a fresh temporary directory: <root>/bin/client/<jvm> and, when asked,
// <root>/bin/<splash library>.
class RuntimeLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("wyn-splash-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin" / "client");
        touch(root_ / "bin" / "client" / "jvm");
    }
    void TearDown() override { fs::remove_all(root_); }

    static void touch(const fs::path& file) { std::ofstream(file) << "x"; }
    std::string path(const char* relative) const { return (root_ / relative).string(); }
    std::string rootText() const { return root_.string(); }

    fs::path root_;
};

TEST_F(RuntimeLayout, LibraryInTheDirectoryAboveTheRuntimeIsFound) {
    touch(root_ / "bin" / runtimeSplashLibraryName());
    std::string jvm = rootText() + "/bin/client/jvm";
    TextString found = runtimeSplashLibraryBeside(jvm.c_str());
    EXPECT_STREQ(found.c_str(),
                 (rootText() + "/bin/client/../" + runtimeSplashLibraryName()).c_str());
}

TEST_F(RuntimeLayout, NoLibraryAboveTheRuntimeGivesEmpty) {
    // A splash library beside the runtime library itself is not the runtime's.
    touch(root_ / "bin" / "client" / runtimeSplashLibraryName());
    std::string jvm = rootText() + "/bin/client/jvm";
    EXPECT_TRUE(runtimeSplashLibraryBeside(jvm.c_str()).empty());
}

TEST_F(RuntimeLayout, DirectoryNamedLikeTheLibraryCountsAsReadable) {
    // The check is a read-access check, as for every path the launcher tests.
    fs::create_directories(root_ / "bin" / runtimeSplashLibraryName());
    std::string jvm = rootText() + "/bin/client/jvm";
    EXPECT_FALSE(runtimeSplashLibraryBeside(jvm.c_str()).empty());
}

TEST(RuntimeSplashLibraryBeside, NoRuntimeGivesEmpty) {
    EXPECT_TRUE(runtimeSplashLibraryBeside(TextView()).empty());
    EXPECT_TRUE(runtimeSplashLibraryBeside("").empty());
}

TEST(RuntimeSplashLibraryBeside, RuntimeWithoutDirectoryIsLookedUpRelatively) {
    // "jvm" alone has no directory part: the candidate is "../<library>" from the current
    // directory, which does not hold one here.
    fs::path previous = fs::current_path();
    fs::path scratch = fs::temp_directory_path() / "wyn-splash-relative" / "inner";
    fs::create_directories(scratch);
    fs::current_path(scratch);
    EXPECT_TRUE(runtimeSplashLibraryBeside("jvm").empty());
    std::ofstream(scratch.parent_path() / runtimeSplashLibraryName()) << "x";
    TextString found = runtimeSplashLibraryBeside("jvm");
    fs::current_path(previous);
    fs::remove_all(scratch.parent_path());
    EXPECT_STREQ(found.c_str(), (std::string("../") + runtimeSplashLibraryName()).c_str());
}

}  // namespace
