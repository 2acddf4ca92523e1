// The runtime locator on Linux: the runtime layouts of JDK 8 and later, the installed JDK
// found through JAVA_HOME and through the `java` on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/java_runtime.h"
#include "runtime/runtime_locator.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

const std::string kInstalledJdk = "/usr/lib/jvm/java-17-openjdk-amd64";
const std::string kInstalledLibrary = kInstalledJdk + "/lib/server/libjvm.so";

class RuntimeLocatorPosix : public ::testing::Test {
  protected:
    void SetUp() override { forgetLocatedJvmLibrary(); }
    void TearDown() override { forgetLocatedJvmLibrary(); }

    std::string locate() { return locateJvmLibrary().c_str(); }
    std::string inHome(const std::string& home) { return findJvmInHome(home.c_str()).c_str(); }

    EnvironmentScope jreHome{"JRE_HOME", nullptr};
    EnvironmentScope javaHome{"JAVA_HOME", nullptr};
    ScratchTree app;
    ScratchTree runtimes;
};

struct LayoutCase {
    const char* name;
    const char* libraryAt;  // below the tree
    const char* home;       // below the tree
    const char* vm;
    const char* found;  // the path returned, below the tree, as the locator composes it
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class RuntimeLayouts : public RuntimeLocatorPosix,
                       public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(RuntimeLayouts, FindTheLibrary) {
    const LayoutCase& c = GetParam();
    runtimes.file(c.libraryAt);
    runtimes.directory(c.home);
    ConfiguredApp config(app, std::string("vm ") + c.vm);
    EXPECT_EQ(inHome(runtimes.path(c.home)), runtimes.path(c.found));
}

const LayoutCase kLayouts[] = {
    {"library in the home itself", "h/libjvm.so", "h", "", "h/libjvm.so"},
    {"jdk 9 and later", "jdk/lib/server/libjvm.so", "jdk", "", "jdk/lib/server/libjvm.so"},
    {"jdk 9 and later with flavour", "jdk/lib/server/libjvm.so", "jdk", "server",
     "jdk/lib/server/libjvm.so"},
    {"jdk 8", "jdk/jre/lib/amd64/server/libjvm.so", "jdk", "",
     "jdk/jre/lib/amd64/server/libjvm.so"},
    {"jdk 8 with flavour", "jdk/jre/lib/amd64/server/libjvm.so", "jdk", "server",
     "jdk/jre/lib/amd64/server/libjvm.so"},
    {"jre 8", "jdk/jre/lib/amd64/server/libjvm.so", "jdk/jre", "",
     "jdk/jre/lib/amd64/server/libjvm.so"},
    {"jre inside the home", "jdk/jre/lib/client/libjvm.so", "jdk", "",
     "jdk/jre/lib/client/libjvm.so"},
    {"jre beside the home", "jdk/jre/lib/server/libjvm.so", "jdk/bin", "",
     "jdk/bin/../jre/lib/server/libjvm.so"},
};

INSTANTIATE_TEST_SUITE_P(Linux, RuntimeLayouts, ::testing::ValuesIn(kLayouts));

TEST_F(RuntimeLocatorPosix, EarlierSubPathWins) {
    runtimes.file("jdk/lib/server/libjvm.so");
    runtimes.file("jdk/jre/lib/server/libjvm.so");
    ConfiguredApp config(app, "");
    EXPECT_EQ(inHome(runtimes.path("jdk")), runtimes.path("jdk/lib/server/libjvm.so"));
}

TEST_F(RuntimeLocatorPosix, InstalledJdkThroughJavaHome) {
    ASSERT_TRUE(platform::canRead(kInstalledLibrary.c_str()));
    EnvironmentScope home("JAVA_HOME", kInstalledJdk.c_str());
    ConfiguredApp config(app, "");
    EXPECT_EQ(locate(), kInstalledLibrary);
}

TEST_F(RuntimeLocatorPosix, EmptyJreHomeIsPassedOver) {
    runtimes.file("jdk/lib/server/libjvm.so");
    ASSERT_EQ(setenv("JRE_HOME", "", 1), 0);
    EnvironmentScope home("JAVA_HOME", runtimes.path("jdk").c_str());
    ConfiguredApp config(app, "jre_order e");
    EXPECT_EQ(locate(), runtimes.path("jdk/lib/server/libjvm.so"));
}

TEST_F(RuntimeLocatorPosix, InstalledJdkThroughTheJavaOnPath) {
    // bin/java on PATH is a link into the installed JDK: the home is behind the link.
    runtimes.file("nothing-here/readme");
    runtimes.file("not-executable/java");
    ASSERT_TRUE(runtimes.link("linked/java", kInstalledJdk + "/bin/java"));
    std::string path = runtimes.path("nothing-here") + ":" + runtimes.path("not-executable") + ":" +
                       runtimes.path("linked");
    EnvironmentScope pathScope("PATH", path.c_str());
    ConfiguredApp config(app, "jre_order s");
    EXPECT_EQ(locate(), kInstalledLibrary);
}

TEST_F(RuntimeLocatorPosix, InstalledJdkThroughTheSystemSourceByDefault) {
    // No JRE_HOME, no JAVA_HOME, nothing beside the application: the system's java is used.
    EnvironmentScope pathScope("PATH", (kInstalledJdk + "/bin:/usr/bin:/bin").c_str());
    ConfiguredApp config(app, "");
    EXPECT_EQ(locate(), kInstalledLibrary);
}

TEST_F(RuntimeLocatorPosix, WithoutJavaOnPathTheDefaultJavaLinkComesBeforeOtherRuntimes) {
    ScratchTree jvm;
    ASSERT_TRUE(jvm.link("default-java", kInstalledJdk));
    jvm.file("a-runtime/lib/server/libjvm.so");
    platform::setJvmDirectoryForTests(jvm.root().c_str());
    runtimes.directory("empty");
    EnvironmentScope pathScope("PATH", runtimes.path("empty").c_str());
    EnvironmentScope sdkman("SDKMAN_DIR", runtimes.path("empty").c_str());
    {
        ConfiguredApp config(app, "jre_order s");
        EXPECT_EQ(locate(), jvm.path("default-java/lib/server/libjvm.so"));
    }
    jvm.remove("default-java");
    forgetLocatedJvmLibrary();
    ConfiguredApp config(app, "jre_order s");
    EXPECT_EQ(locate(), jvm.path("a-runtime/lib/server/libjvm.so"));
    platform::setJvmDirectoryForTests(nullptr);
}

TEST_F(RuntimeLocatorPosix, EmptyPathEntryIsNotTheCurrentDirectory) {
    // A runtime planted where the user starts the program, its bin/java an executable file.
    std::string planted = runtimes.file("planted/lib/server/libjvm.so");
    std::string java = runtimes.file("planted/bin/java", "#!/bin/sh\n");
    ASSERT_EQ(chmod(java.c_str(), 0755), 0);
    runtimes.directory("empty");
    // No other runtime of the system may answer instead.
    platform::setJvmDirectoryForTests(runtimes.path("empty").c_str());
    EnvironmentScope sdkman("SDKMAN_DIR", runtimes.path("empty").c_str());
    CurrentDirectoryScope cwd(runtimes.path("planted/bin"));
    for (std::string path : {":" + runtimes.path("empty"), runtimes.path("empty") + ":",
                             runtimes.path("empty") + "::" + runtimes.path("empty")}) {
        forgetLocatedJvmLibrary();
        EnvironmentScope pathScope("PATH", path.c_str());
        ConfiguredApp config(app, "jre_order s");
        std::string found = locate();
        EXPECT_NE(found, planted) << path;
        EXPECT_EQ(found, "") << path;
    }
    platform::setJvmDirectoryForTests(nullptr);
}

TEST_F(RuntimeLocatorPosix, RuntimeNamedThroughTheCurrentDirectoryIsTaken) {
    runtimes.file("work/jre/lib/server/libjvm.so");
    CurrentDirectoryScope cwd(runtimes.path("work"));
    EnvironmentScope shellPwd("PWD", "/somewhere/else");
    ConfiguredApp config(app, "jre ${PWD}jre\njre_order b");
    EXPECT_EQ(locate(),
              std::string(config.store().currentDirectory().c_str()) + "jre/lib/server/libjvm.so");
}

TEST_F(RuntimeLocatorPosix, IbmRecordFindsNothing) {
    EnvironmentScope home("JAVA_HOME", kInstalledJdk.c_str());
    ConfiguredApp config(app, "jre_order i");
    EXPECT_EQ(locate(), "");
}

// After a search that found nothing, the report names every place looked at, in order, and
// what would help as far as the order consults it.
TEST_F(RuntimeLocatorPosix, FailedSearchReportsThePlacesSearched) {
    runtimes.directory("empty");
    EnvironmentScope home("JAVA_HOME", runtimes.path("empty").c_str());
    EnvironmentScope pathScope("PATH", runtimes.path("empty").c_str());
    platform::setJvmDirectoryForTests(runtimes.path("empty").c_str());
    EnvironmentScope sdkman("SDKMAN_DIR", runtimes.path("empty").c_str());
    struct Case {
        const char* config;
        std::string report;
    } cases[] = {
        {"jvmdll lib/libjvm.so",
         "Looked for a Java runtime in:\n  " + app.path("lib/libjvm.so") + " (jvmdll)\n  " +
             app.path("./jre/") + " (jre, beside the program)\n  JRE_HOME not set\n  JAVA_HOME=" +
             runtimes.path("empty") +
             "\n  the java on PATH, /usr/lib/jvm and SDKMAN's candidates/java\n"
             "Set JAVA_HOME to the folder of a Java runtime, or put a runtime in a folder named "
             "jre beside the program."},
        {"jre_order e", "Looked for a Java runtime in:\n  JRE_HOME not set\n  JAVA_HOME=" +
                            runtimes.path("empty") +
                            "\nSet JAVA_HOME to the folder of a Java runtime."},
        {"jre_order b\njre rt",
         "Looked for a Java runtime in:\n  " + app.path("rt") +
             " (jre, beside the program)\nPut a Java runtime in a folder named jre beside the "
             "program."},
        {"jre_order i", ""},
    };
    for (const Case& c : cases) {
        forgetLocatedJvmLibrary();
        ConfiguredApp config(app, c.config);
        EXPECT_EQ(locate(), "") << c.config;
        EXPECT_EQ(std::string(runtimeSearchReport().c_str()), c.report) << c.config;
    }
    platform::setJvmDirectoryForTests(nullptr);
}

}  // namespace
