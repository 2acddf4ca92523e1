// The runtime locator over real runtime trees: source order, the sources that need no
// registry, the search below one runtime home and the kept result.
#include "runtime/runtime_locator.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/java_runtime.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

class RuntimeLocator : public ::testing::Test {
  protected:
    void SetUp() override { forgetLocatedJvmLibrary(); }
    void TearDown() override { forgetLocatedJvmLibrary(); }

    std::string locate() { return locateJvmLibrary().c_str(); }
    std::string inHome(const std::string& home) { return findJvmInHome(home.c_str()).c_str(); }

    const std::string lib = platform::kJvmLibraryName;
    EnvironmentScope jreHome{"JRE_HOME", nullptr};
    EnvironmentScope javaHome{"JAVA_HOME", nullptr};
    ScratchTree app;
    ScratchTree runtimes;
};

// Three sources that all hold a runtime: a configured library file (c), the runtime shipped
// beside the application (b) and JAVA_HOME (e).
struct OrderCase {
    const char* name;
    const char* orderLine;  // null: no jre_order line at all
    bool withEnvironment;
    char expected;  // 'c', 'b', 'e' or 0 for nothing found
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.name;
}

class RuntimeLocatorOrder : public RuntimeLocator,
                            public ::testing::WithParamInterface<OrderCase> {};

TEST_P(RuntimeLocatorOrder, TakesTheFirstSourceThatFindsARuntime) {
    const OrderCase& c = GetParam();
    std::string configured = runtimes.file("configured/custom.bin");
    app.file("jre/" + lib);
    runtimes.file("env/" + lib);
    EnvironmentScope env("JAVA_HOME", c.withEnvironment ? runtimes.path("env").c_str() : nullptr);
    std::string lines = "jvmdll " + configured;
    if (c.orderLine != nullptr) {
        lines += std::string("\n") + c.orderLine;
    }
    ConfiguredApp config(app, lines);

    std::string expected;
    if (c.expected == 'c') {
        expected = configured;
    } else if (c.expected == 'b') {
        expected = config.directory() + "./jre/" + lib;
    } else if (c.expected == 'e') {
        expected = runtimes.path("env") + "/" + lib;
    }
    EXPECT_EQ(locate(), expected);
}

const OrderCase kOrderCases[] = {
    {"no order configured runs the default order", nullptr, true, 'c'},
    {"empty order runs the default order", "jre_order", true, 'c'},
    {"order without source letters runs the default order", "jre_order x", true, 'c'},
    {"letters are taken in either case", "jre_order Eb", true, 'e'},
    {"environment first then shipped", "jre_order Eb", false, 'b'},
    {"shipped twice ignores the question mark", "jre_order b?b", true, 'b'},
    {"unlisted sources are never consulted", "jre_order ie", false, 0},
    {"configured file after environment", "jre_order ec", false, 'c'},
    {"upper-case configured first", "jre_order = CB", true, 'c'},
    {"the carried runtime alone, in a program without one", "jre_order r", true, 0},
};

INSTANTIATE_TEST_SUITE_P(Orders, RuntimeLocatorOrder, ::testing::ValuesIn(kOrderCases));

TEST_F(RuntimeLocator, MissingConfiguredFileFallsThroughToTheNextSource) {
    app.file("jre/" + lib);
    ConfiguredApp config(app, "jvmdll " + runtimes.path("gone.dll") + "\njre_order cb");
    EXPECT_EQ(locate(), config.directory() + "./jre/" + lib);
}

TEST_F(RuntimeLocator, NothingFoundStaysNothingForLaterCalls) {
    std::string configured = runtimes.path("late.dll");
    ConfiguredApp config(app, "jvmdll " + configured + "\njre_order c");
    EXPECT_EQ(locate(), "");
    runtimes.file("late.dll");
    EXPECT_EQ(locate(), "");
    forgetLocatedJvmLibrary();
    EXPECT_EQ(locate(), configured);
}

TEST_F(RuntimeLocator, KeptResultSurvivesRemovalOfTheFile) {
    std::string configured = runtimes.file("kept.dll");
    ConfiguredApp config(app, "jvmdll " + configured + "\njre_order c");
    EXPECT_EQ(locate(), configured);
    runtimes.remove("kept.dll");
    EXPECT_EQ(locate(), configured);
}

TEST_F(RuntimeLocator, RelativeConfiguredFileIsAnchoredAtTheExecutableFirst) {
    app.file("bin/own.dll");
    ConfiguredApp config(app, "jvmdll bin/own.dll\njre_order c");
    EXPECT_EQ(locate(), config.directory() + "bin/own.dll");
}

TEST_F(RuntimeLocator, RuntimesBelowTheCurrentDirectoryAreNotTaken) {
    ScratchTree cwdTree;
    cwdTree.file("bin/cwd.dll");
    cwdTree.file("jre/" + lib);
    CurrentDirectoryScope cwd(cwdTree.root());
    {
        ConfiguredApp config(app, "jvmdll bin/cwd.dll\njre_order c");
        EXPECT_EQ(locate(), "");
    }
    forgetLocatedJvmLibrary();
    ConfiguredApp config(app, "jre_order b");
    EXPECT_EQ(locate(), "");
}

TEST_F(RuntimeLocator, ConfiguredRuntimeDirectoryIsExpandedAndAnchored) {
    app.file("rt/" + lib);
    app.file("rt2/" + lib);
    {
        ConfiguredApp config(app, "jre rt\njre_order b");
        EXPECT_EQ(locate(), config.directory() + "rt/" + lib);
    }
    forgetLocatedJvmLibrary();
    ConfiguredApp config(app, "jre %APPLICATION_HOME%rt2\njre_order b");
    EXPECT_EQ(locate(), config.directory() + "rt2/" + lib);
}

TEST_F(RuntimeLocator, JreHomeComesBeforeJavaHome) {
    runtimes.file("jre/" + lib);
    runtimes.file("jdk/" + lib);
    runtimes.directory("empty");
    ConfiguredApp config(app, "jre_order e");
    {
        EnvironmentScope jre("JRE_HOME", runtimes.path("jre").c_str());
        EnvironmentScope java("JAVA_HOME", runtimes.path("jdk").c_str());
        EXPECT_EQ(locate(), runtimes.path("jre/") + lib);
    }
    forgetLocatedJvmLibrary();
    EnvironmentScope jre("JRE_HOME", runtimes.path("empty").c_str());
    EnvironmentScope java("JAVA_HOME", runtimes.path("jdk").c_str());
    EXPECT_EQ(locate(), runtimes.path("jdk/") + lib);
}

TEST_F(RuntimeLocator, HomeGetsOneSeparatorAppended) {
    runtimes.file("h/" + lib);
    ConfiguredApp config(app, "");
    EXPECT_EQ(inHome(runtimes.path("h")), runtimes.path("h/") + lib);
    EXPECT_EQ(inHome(runtimes.path("h/")), runtimes.path("h/") + lib);
}

TEST_F(RuntimeLocator, SubdirectoriesOfTheHomeAreSearched) {
    runtimes.file("h/anything/" + lib);
    runtimes.file("h/afile");
    ConfiguredApp config(app, "");
    EXPECT_EQ(inHome(runtimes.path("h")), runtimes.path("h/anything/") + lib);
}

TEST_F(RuntimeLocator, FlavourComesBeforeOtherSubdirectoriesButAfterTheHome) {
    runtimes.file("h/client/" + lib);
    runtimes.file("h/server/" + lib);
    runtimes.file("top/" + lib);
    runtimes.file("top/server/" + lib);
    ConfiguredApp config(app, "vm server");
    EXPECT_EQ(inHome(runtimes.path("h")), runtimes.path("h/server/") + lib);
    EXPECT_EQ(inHome(runtimes.path("top")), runtimes.path("top/") + lib);
}

TEST_F(RuntimeLocator, UnknownFlavourStillFindsOtherSubdirectories) {
    runtimes.file("h/client/" + lib);
    ConfiguredApp config(app, "vm server");
    EXPECT_EQ(inHome(runtimes.path("h")), runtimes.path("h/client/") + lib);
}

TEST_F(RuntimeLocator, DotAndDotDotAreNotSearched) {
    // Followed, ".." would reach the library beside the home.
    runtimes.file(lib);
    runtimes.directory("h");
    ConfiguredApp config(app, "");
    EXPECT_EQ(inHome(runtimes.path("h")), "");
}

TEST_F(RuntimeLocator, MissingHomeFindsNothing) {
    ConfiguredApp config(app, "");
    EXPECT_EQ(inHome(runtimes.path("nowhere")), "");
}

}  // namespace
