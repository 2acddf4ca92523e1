// A library directory whose tree loops back to an ancestor is scanned once under Wine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/java_runtime.h"
#include "runtime/class_path.h"

namespace {

TEST(LibraryLoopWin, LinkBackToAnAncestorIsScannedOnce) {
    const char* tree = std::getenv("WYN_LOOP_TREE");
    ASSERT_NE(tree, nullptr) << "WYN_LOOP_TREE names the looping tree the build makes";
    std::string lib = std::string(tree) + "/lib";
    TextString accumulated;
    scanLibraryDir(TextView(lib.c_str()), accumulated);
    std::string got = accumulated.c_str();
    std::string sep(1, platform::kClassPathSeparator);
    EXPECT_NE(got.find(sep + lib + "/a.jar"), std::string::npos) << got;
    EXPECT_NE(got.find(sep + lib + "/sub/b.jar"), std::string::npos) << got;
    EXPECT_EQ(got.size(), (sep + lib + "/a.jar" + sep + lib + "/sub/b.jar").size()) << got;
}

}  // namespace
