// The runtime locator on Windows: the sub-paths of a runtime home, in order.
#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime_locator.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

struct LayoutCase {
    const char* name;
    const char* libraryAt;  // below the tree
    const char* vm;
    const char* found;  // below the tree, as the locator composes it for the home "h"
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class RuntimeLayoutsWin : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(RuntimeLayoutsWin, FindTheLibrary) {
    const LayoutCase& c = GetParam();
    ScratchTree app;
    ScratchTree runtimes;
    runtimes.file(c.libraryAt);
    runtimes.directory("h");
    ConfiguredApp config(app, std::string("vm ") + c.vm);
    EXPECT_EQ(std::string(findJvmInHome(runtimes.path("h").c_str()).c_str()),
              runtimes.path(c.found));
}

const LayoutCase kLayouts[] = {
    {"home itself", "h/jvm.dll", "", "h/jvm.dll"},
    {"bin, reached as a subdirectory of the home", "h/bin/jvm.dll", "", "h/bin/jvm.dll"},
    {"bin with flavour", "h/bin/server/jvm.dll", "server", "h/bin\\server/jvm.dll"},
    {"bin subdirectory", "h/bin/client/jvm.dll", "server", "h/bin\\client/jvm.dll"},
    {"jre inside a jdk", "h/jre/bin/client/jvm.dll", "", "h/jre\\bin\\client/jvm.dll"},
    {"jre beside the home", "jre/bin/server/jvm.dll", "server", "h/..\\jre\\bin\\server/jvm.dll"},
    {"names ignore letter case", "h/BIN/JVM.DLL", "", "h/BIN/jvm.dll"},
};

INSTANTIATE_TEST_SUITE_P(Windows, RuntimeLayoutsWin, ::testing::ValuesIn(kLayouts));

TEST(RuntimeLocatorWin, EarlierSubPathWins) {
    ScratchTree app;
    ScratchTree runtimes;
    runtimes.file("h/bin/client/jvm.dll");
    runtimes.file("h/jre/bin/jvm.dll");
    runtimes.file("h/server/jvm.dll");
    ConfiguredApp config(app, "vm server");
    EXPECT_EQ(std::string(findJvmInHome(runtimes.path("h").c_str()).c_str()),
              runtimes.path("h/server/jvm.dll"));
}

}  // namespace
