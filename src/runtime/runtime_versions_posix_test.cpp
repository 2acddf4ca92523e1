// Choosing a runtime by version on Linux: runtime trees with release files under a stand-in
// for /usr/lib/jvm (the real JDK 17 linked in beside fake homes) and an SDKMAN layout, the
// bounds, the highest fitting version, the closest version when none fits, and libraries
// built for another machine.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "platform/java_runtime.h"
#include "runtime/runtime_locator.h"
#include "runtime/runtime_version.h"
#include "runtime/version_check.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

const std::string kInstalledJdk = "/usr/lib/jvm/java-17-openjdk-amd64";

std::string release(const std::string& version) {
    return "IMPLEMENTOR=\"Test\"\nJAVA_VERSION=\"" + version + "\"\nOS_NAME=\"Linux\"\n";
}

// The installed JDK's own version, from its release file: its update number changes with the
// machine's security updates.
std::string installedJdkVersion() {
    std::ifstream file(kInstalledJdk + "/release");
    const std::string key = "JAVA_VERSION=\"";
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(key, 0) == 0 && line.size() > key.size() + 1) {
            return line.substr(key.size(), line.size() - key.size() - 1);
        }
    }
    return "";
}

// An ELF header that names another machine: 32-bit x86.
std::string elf32Header() {
    std::string header(
        "\x7f"
        "ELF\x01\x01\x01",
        7);
    header.resize(16, '\0');
    header += std::string("\x03\x00\x03\x00", 4);  // e_type ET_DYN, e_machine EM_386
    header.resize(64, '\0');
    return header;
}

class RuntimeVersions : public ::testing::Test {
  protected:
    void SetUp() override {
        forgetLocatedJvmLibrary();
        // Runtimes in the system's directory, sorted by name: java-17 (the real JDK),
        // jdk-11, jdk-21, and one without a release file.
        ASSERT_TRUE(jvm.link("java-17", kInstalledJdk));
        jvm.file("jdk-11/lib/server/libjvm.so");
        jvm.file("jdk-11/release", release("11.0.2"));
        jvm.file("jdk-21/lib/server/libjvm.so");
        jvm.file("jdk-21/release", release("21.0.1"));
        jvm.file("unversioned/lib/server/libjvm.so");
        jvm.file(".hidden/lib/server/libjvm.so");
        jvm.file(".hidden/release", release("19"));
        // SDKMAN: a JDK 8 layout.
        sdkman.file("candidates/java/8.0.392-tem/jre/lib/amd64/server/libjvm.so");
        sdkman.file("candidates/java/8.0.392-tem/release", release("1.8.0_392"));
        platform::setJvmDirectoryForTests(jvm.root().c_str());
    }
    void TearDown() override {
        platform::setJvmDirectoryForTests(nullptr);
        forgetLocatedJvmLibrary();
    }

    std::string locate(const std::string& lines) {
        forgetLocatedJvmLibrary();
        ConfiguredApp config(app, lines);
        return locateJvmLibrary().c_str();
    }

    EnvironmentScope jreHome{"JRE_HOME", nullptr};
    EnvironmentScope javaHome{"JAVA_HOME", nullptr};
    ScratchTree app;
    ScratchTree jvm;
    ScratchTree sdkman;
    ScratchTree empty;
    EnvironmentScope path{"PATH", empty.root().c_str()};
    EnvironmentScope sdkmanDir{"SDKMAN_DIR", sdkman.root().c_str()};
};

struct BoundsCase {
    const char* name;
    const char* bounds;   // "{installed}" stands for the installed JDK's version
    const char* found;    // below the jvm stand-in ("sdkman:" for SDKMAN's tree), or ""
    const char* skipped;  // the version named when nothing fits
};

void PrintTo(const BoundsCase& c, std::ostream* os) {
    *os << c.name;
}

class RuntimeBounds : public RuntimeVersions, public ::testing::WithParamInterface<BoundsCase> {};

TEST_P(RuntimeBounds, SystemSourceTakesTheHighestFittingVersion) {
    const BoundsCase& c = GetParam();
    std::string bounds = c.bounds;
    const std::string installed = "{installed}";
    for (size_t at = bounds.find(installed); at != std::string::npos; at = bounds.find(installed)) {
        std::string version = installedJdkVersion();
        ASSERT_FALSE(version.empty()) << kInstalledJdk << "/release names no JAVA_VERSION";
        bounds.replace(at, installed.size(), version);
    }
    std::string found = locate("jre_order s\n" + bounds);
    std::string expected;
    std::string where = c.found;
    if (where.rfind("sdkman:", 0) == 0) {
        expected = sdkman.path(where.substr(7));
    } else if (!where.empty()) {
        expected = jvm.path(where);
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(std::string(skippedRuntimeVersion().c_str()), c.skipped);
}

const BoundsCase kBounds[] = {
    {"without bounds the first in name order", "", "java-17/lib/server/libjvm.so", ""},
    {"lower bound only", "minjre 1.6", "jdk-21/lib/server/libjvm.so", ""},
    {"upper bound leaves the highest below it", "maxjre 17", "java-17/lib/server/libjvm.so", ""},
    {"range of one feature release", "minjre 11\nmaxjre 11", "jdk-11/lib/server/libjvm.so", ""},
    {"only the SDKMAN runtime fits", "minjre 1.8\nmaxjre 1.8",
     "sdkman:candidates/java/8.0.392-tem/jre/lib/amd64/server/libjvm.so", ""},
    {"update bound reads the real release file", "minjre {installed}\nmaxjre {installed}",
     "java-17/lib/server/libjvm.so", ""},
    {"no known version fits: the unversioned one is tried", "minjre 12\nmaxjre 16",
     "unversioned/lib/server/libjvm.so", ""},
};

INSTANTIATE_TEST_SUITE_P(Linux, RuntimeBounds, ::testing::ValuesIn(kBounds));

TEST_F(RuntimeVersions, NothingFitsNamesTheClosestVersion) {
    jvm.remove("unversioned/lib/server/libjvm.so");
    EXPECT_EQ(locate("jre_order s\nminjre 99"), "");
    EXPECT_EQ(std::string(skippedRuntimeVersion().c_str()), "21.0.1");
    EXPECT_EQ(locate("jre_order s\nminjre 12\nmaxjre 16"), "");
    std::string closestAbove = skippedRuntimeVersion().c_str();
    EXPECT_EQ(parseVersion(closestAbove.c_str()).values[0], 17) << closestAbove;
    EXPECT_EQ(locate("jre_order s\nmaxjre 1.7"), "");
    EXPECT_EQ(std::string(skippedRuntimeVersion().c_str()), "1.8.0_392");
}

TEST_F(RuntimeVersions, EnvironmentSourceTakesTheSecondWhenOnlyItFits) {
    EnvironmentScope jre("JRE_HOME", jvm.path("jdk-11").c_str());
    EnvironmentScope java("JAVA_HOME", jvm.path("jdk-21").c_str());
    EXPECT_EQ(locate("jre_order e"), jvm.path("jdk-11/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order e\nminjre 17"), jvm.path("jdk-21/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order e\nmaxjre 17"), jvm.path("jdk-11/lib/server/libjvm.so"));
}

TEST_F(RuntimeVersions, LaterSourceIsConsultedWhenNothingInAnEarlierOneFits) {
    app.file("jre/lib/server/libjvm.so");
    app.file("jre/release", release("1.8.0_5"));
    EnvironmentScope java("JAVA_HOME", jvm.path("jdk-21").c_str());
    EXPECT_EQ(locate("jre_order be"), app.path("./jre/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order be\nminjre 9"), jvm.path("jdk-21/lib/server/libjvm.so"));
}

TEST_F(RuntimeVersions, JavaOnPathComesFirstWithoutBounds) {
    ASSERT_TRUE(empty.link("bin/java", jvm.path("jdk-21/bin/java")));
    jvm.file("jdk-21/bin/java", "#!/bin/sh\n");
    ASSERT_EQ(chmod(jvm.path("jdk-21/bin/java").c_str(), 0755), 0);
    EnvironmentScope onPath("PATH", empty.path("bin").c_str());
    EXPECT_EQ(locate("jre_order s"), jvm.path("jdk-21/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order s\nmaxjre 11"), jvm.path("jdk-11/lib/server/libjvm.so"));
}

// The system's default runtime (the java on PATH, then default-java) is taken whenever it fits
// the bounds, even when a higher one is installed; the others are compared only when it does
// not fit.
TEST_F(RuntimeVersions, SystemDefaultRuntimeIsPreferredWhenItFits) {
    ASSERT_TRUE(jvm.link("default-java", jvm.path("jdk-11")));
    EXPECT_EQ(locate("jre_order s\nminjre 1.8"), jvm.path("default-java/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order s\nmaxjre 11"), jvm.path("default-java/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order s\nminjre 12"), jvm.path("jdk-21/lib/server/libjvm.so"))
        << "default-java does not fit: the highest fitting one";

    // The java on PATH comes before default-java.
    ASSERT_TRUE(empty.link("bin/java", kInstalledJdk + "/bin/java"));
    EnvironmentScope onPath("PATH", empty.path("bin").c_str());
    EXPECT_EQ(locate("jre_order s\nminjre 1.8"), kInstalledJdk + "/lib/server/libjvm.so");
    EXPECT_EQ(locate("jre_order s\nmaxjre 11"), jvm.path("default-java/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order s\nminjre 18"), jvm.path("jdk-21/lib/server/libjvm.so"));
}

// Each runtime is looked at once, whatever the links that name it.
TEST_F(RuntimeVersions, EveryRuntimeHomeIsListedOnce) {
    ASSERT_TRUE(jvm.link("default-java", jvm.path("jdk-21")));
    ASSERT_TRUE(jvm.link("jdk-21-link", jvm.path("jdk-21")));
    ASSERT_TRUE(empty.link("bin/java", kInstalledJdk + "/bin/java"));
    EnvironmentScope onPath("PATH", empty.path("bin").c_str());
    StringList homes;
    int32_t preferred = platform::systemRuntimeHomes(homes);
    std::vector<std::string> listed;
    for (int32_t i = 0; i < homes.count(); ++i) {
        listed.emplace_back(homes.stringAt(i));
    }
    EXPECT_EQ(preferred, 2);
    EXPECT_EQ(listed, (std::vector<std::string>{kInstalledJdk, jvm.path("default-java"),
                                                jvm.path("jdk-11"), jvm.path("unversioned"),
                                                sdkman.path("candidates/java/8.0.392-tem")}))
        << "java-17 is the java on PATH, jdk-21 and jdk-21-link are default-java";
}

// Linux users expect JAVA_HOME to win over the system's runtimes; jre_order still decides.
TEST_F(RuntimeVersions, EnvironmentComesBeforeTheSystemByDefault) {
    ASSERT_TRUE(jvm.link("default-java", jvm.path("jdk-11")));
    EnvironmentScope java("JAVA_HOME", jvm.path("jdk-21").c_str());
    EXPECT_EQ(locate(""), jvm.path("jdk-21/lib/server/libjvm.so"));
    EXPECT_EQ(locate("jre_order cbsie"), jvm.path("default-java/lib/server/libjvm.so"));
    EXPECT_EQ(locate("maxjre 17"), jvm.path("default-java/lib/server/libjvm.so"))
        << "JAVA_HOME outside the bounds: the system's";
}

TEST_F(RuntimeVersions, LibraryOfAnotherMachineIsPassedOver) {
    jvm.file("jdk-21/lib/server/libjvm.so", elf32Header());
    jvm.file("jdk-21/lib/client/libjvm.so");
    EXPECT_EQ(platform::libraryMachine(jvm.path("jdk-21/lib/server/libjvm.so").c_str()),
              platform::LibraryMachine::Differs);
    EXPECT_EQ(locate("jre_order s\nminjre 21"), jvm.path("jdk-21/lib/client/libjvm.so"));
    jvm.remove("jdk-21/lib/client/libjvm.so");
    jvm.remove("unversioned/lib/server/libjvm.so");
    EXPECT_EQ(locate("jre_order s\nminjre 21"), "");
    EXPECT_STREQ(skippedRuntimeVersion().c_str(),
                 declaredRuntimeVersion((kInstalledJdk + "/lib/server/libjvm.so").c_str()).c_str())
        << "the real JDK's";
}

TEST(LibraryMachine, HeadersTellTheMachine) {
    ScratchTree tree;
    EXPECT_EQ(platform::libraryMachine((kInstalledJdk + "/lib/server/libjvm.so").c_str()),
              platform::LibraryMachine::Matches);
    EXPECT_EQ(platform::libraryMachine(tree.file("other.so", elf32Header()).c_str()),
              platform::LibraryMachine::Differs);
    EXPECT_EQ(platform::libraryMachine(tree.file("text.so", "not a library").c_str()),
              platform::LibraryMachine::Unknown);
    EXPECT_EQ(platform::libraryMachine(tree.file("short.so",
                                                 "\x7f"
                                                 "ELF")
                                           .c_str()),
              platform::LibraryMachine::Unknown);
    EXPECT_EQ(platform::libraryMachine(tree.path("missing.so").c_str()),
              platform::LibraryMachine::Unknown);
}

TEST(DeclaredRuntimeVersion, RealJdkAndLayouts) {
    TextString real = declaredRuntimeVersion((kInstalledJdk + "/lib/server/libjvm.so").c_str());
    EXPECT_EQ(parseVersion(real).values[0], 17) << real.c_str();
    ScratchTree tree;
    tree.file("jdk8/release", release("1.8.0_402"));
    tree.file("deep/a/b/c/d/e/libjvm.so");
    tree.file("deep/release", release("9"));
    EXPECT_STREQ(
        declaredRuntimeVersion(tree.path("jdk8/jre/lib/amd64/server/libjvm.so").c_str()).c_str(),
        "1.8.0_402");
    EXPECT_STREQ(declaredRuntimeVersion(tree.path("deep/a/b/c/d/e/libjvm.so").c_str()).c_str(), "")
        << "five directories up is no longer the runtime's home";
    EXPECT_STREQ(declaredRuntimeVersion(tree.path("none/lib/server/libjvm.so").c_str()).c_str(),
                 "");
}

}  // namespace
