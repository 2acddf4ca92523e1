// The packed Linux launcher with the real JDK: arguments, properties, environment, options,
// exit codes, failure messages, the thread that runs main, and a Swing window.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe = "mainclass com.example.probe.Probe\n";

class LinuxLaunch : public LaunchTest {
  protected:
    // Every run finds the JDK through JAVA_HOME, and no inherited setting interferes.
    ChildResult launch(const std::string& exe, const std::vector<std::string>& args = {},
                       std::vector<std::string> setEnv = {},
                       std::vector<std::string> unsetEnv = {}) {
        setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
        unsetEnv.push_back("JRE_HOME");
        unsetEnv.push_back("CLASSPATH");
        unsetEnv.push_back("CLASS_PATH");
        return run(exe, args, setEnv, unsetEnv);
    }
};

TEST_F(LinuxLaunch, ConfiguredArgumentsComeBeforeCommandLineArguments) {
    std::string exe = packLinux(kProbe + "argv -a \"b c\"\nargv d\n");
    ChildResult r = launch(exe, {"x", "y z"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "argc"), "5");
    EXPECT_EQ(reportValue(r.out, "arg0"), "-a");
    EXPECT_EQ(reportValue(r.out, "arg1"), "b c");
    EXPECT_EQ(reportValue(r.out, "arg2"), "d");
    EXPECT_EQ(reportValue(r.out, "arg3"), "x");
    EXPECT_EQ(reportValue(r.out, "arg4"), "y z");
}

TEST_F(LinuxLaunch, WildcardsExpandOnlyWhenAsked) {
    writeFile(dir() + "/one.txt", "1");
    writeFile(dir() + "/two.txt", "2");
    std::string expanding = packLinux(kProbe + "wildcard true\n", "expanding");
    ChildResult r = launch(expanding, {"*.txt", "plain"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "argc"), "3");
    std::string first = reportValue(r.out, "arg0"), second = reportValue(r.out, "arg1");
    EXPECT_TRUE((first == "one.txt" && second == "two.txt") ||
                (first == "two.txt" && second == "one.txt"))
        << r.out;
    EXPECT_EQ(reportValue(r.out, "arg2"), "plain");

    std::string literal = packLinux(kProbe + "wildcard false\n", "literal");
    r = launch(literal, {"*.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "argc"), "1");
    EXPECT_EQ(reportValue(r.out, "arg0"), "*.txt");
}

TEST_F(LinuxLaunch, LauncherSystemProperties) {
    std::string exe = packLinux(kProbe);
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string classPath = reportValue(r.out, "property.java.class.path");
    // The executable alone: no empty entry that would add the current directory.
    EXPECT_EQ(classPath, exe);
    EXPECT_EQ(reportValue(r.out, "property.wyn.class.path"), classPath);
    EXPECT_EQ(reportValue(r.out, "property.wyn.app.path"), exe);
    EXPECT_EQ(reportValue(r.out, "property.application.home"), dir() + "/");
    EXPECT_EQ(reportValue(r.out, "property.wyn.is.elevated"), geteuid() == 0 ? "true" : "null");
}

TEST_F(LinuxLaunch, PropertiesKeepNonAsciiText) {
    std::string exe = packLinux(kProbe +
                                "property probe.greeting=Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC\n"
                                "property probe.empty\n"
                                "option -Dprobe.properties=probe.greeting,probe.empty\n");
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.probe.greeting"), "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC");
    EXPECT_EQ(reportValue(r.out, "property.probe.empty"), "");
}

TEST_F(LinuxLaunch, ExportsReachTheApplicationAndInheritedToolOptionsAreRemoved) {
    std::string exe = packLinux(kProbe +
                                "export WYN_PROBE_VAR=exported value\n"
                                "option -Dprobe.env=WYN_PROBE_VAR,JAVA_TOOL_OPTIONS,"
                                "JDK_AOT_VM_OPTIONS\n");
    ChildResult r =
        launch(exe, {}, {"JAVA_TOOL_OPTIONS=-Dprobe.inherited=1", "JDK_AOT_VM_OPTIONS=-Xmx1g"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "env.WYN_PROBE_VAR"), "exported value");
    EXPECT_EQ(reportValue(r.out, "env.JAVA_TOOL_OPTIONS"), "null");
    EXPECT_EQ(reportValue(r.out, "env.JDK_AOT_VM_OPTIONS"), "null");
    EXPECT_EQ(r.err.find("Picked up JAVA_TOOL_OPTIONS"), std::string::npos) << r.err;
}

TEST_F(LinuxLaunch, ExportedToolOptionsAreKept) {
    std::string exe = packLinux(kProbe +
                                "export JAVA_TOOL_OPTIONS=-Dprobe.tool=kept\n"
                                "option -Dprobe.properties=probe.tool\n");
    ChildResult r = launch(exe, {}, {"JAVA_TOOL_OPTIONS=-Dprobe.tool=inherited"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.probe.tool"), "kept");
}

TEST_F(LinuxLaunch, ExportedAotOptionsAreKept) {
    std::string exe = packLinux(kProbe +
                                "export JDK_AOT_VM_OPTIONS=-Xmx1g\n"
                                "option -Dprobe.env=JDK_AOT_VM_OPTIONS\n");
    ChildResult r = launch(exe, {}, {"JDK_AOT_VM_OPTIONS=-Xmx2g"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "env.JDK_AOT_VM_OPTIONS"), "-Xmx1g");
}

TEST_F(LinuxLaunch, OptionsReachTheVirtualMachine) {
    std::string exe = packLinux(kProbe + "option -Xmx64m\n");
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    long long maxMemory = std::atoll(reportValue(r.out, "maxMemory").c_str());
    EXPECT_GT(maxMemory, 0);
    EXPECT_LE(maxMemory, 64LL * 1024 * 1024);
}

TEST_F(LinuxLaunch, ExitCodes) {
    struct Case {
        const char* action;
        int exitCode;
        const char* out;
        const char* err;
    } cases[] = {
        {"thread", 0, "thread=done", ""},
        {"exit42", 42, "", ""},
        {"throw", 1, "", "java.lang.IllegalStateException: probe failure"},
    };
    for (const Case& c : cases) {
        std::string exe = packLinux(kProbe + "option -Dprobe.action=" + c.action + "\n", c.action);
        ChildResult r = launch(exe);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.action << "\n" << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << c.action << "\n" << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.action << "\n" << r.err;
    }
}

TEST_F(LinuxLaunch, TerminationSignalsEndWithZero) {
    for (int signal : {SIGTERM, SIGINT}) {
        std::string exe =
            packLinux(kProbe + "option -Dprobe.action=wait\n", "wait" + std::to_string(signal));
        ChildCommand command;
        command.argv = {exe};
        command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
        command.workingDirectory = dir();
        ChildProcess child(command);
        ASSERT_TRUE(child.waitForOutput("ready=1", 60000));
        child.sendSignal(signal);
        ChildResult r = child.finish(30000);
        EXPECT_EQ(r.exitCode, 0) << "signal " << signal << "\n" << r.err;
        EXPECT_EQ(r.out.find("wait=timeout"), std::string::npos);
    }
}

TEST_F(LinuxLaunch, FailureMessagesAndExitCodes) {
    writeFile(dir() + "/not-a-library.so", "this is no shared library");
    struct Case {
        const char* name;
        std::string config;
        int exitCode;
        const char* message;
    } cases[] = {
        {"no-runtime", kProbe + "jre_order e\n", 1, "Error: Java Runtime Environment not found."},
        {"bad-runtime", kProbe + "jre_order c\njvmdll not-a-library.so\n", 2,
         "Error: Java Runtime Environment not valid."},
        {"creation-fails", kProbe + "option -Xss1k\n", 4,
         "Error: Java Virtual Machine starts failed."},
        {"too-low", kProbe + "minjre 99\n", 6, "is too low, require 99 or higher."},
        {"too-high", kProbe + "minjre 1.6\nmaxjre 1.8\n", 12,
         "is too high, version between 1.6 and 1.8 is required."},
        {"no-class", "mainclass com.example.Missing\nclasspath lib/none.jar\n", 7,
         "Error: The main startup class could not be found."},
        {"no-main", "mainclass com.example.probe.NoMain\n", 8,
         "Error: The main startup class is not valid, main method missing."},
    };
    for (const Case& c : cases) {
        std::string exe = packLinux(c.config, c.name);
        ChildResult r = c.exitCode == 1 ? run(exe, {}, {}, {"JAVA_HOME", "JRE_HOME"}) : launch(exe);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << "\n" << r.err;
    }
}

TEST_F(LinuxLaunch, DirectoryNamesStartWhenTheRuntimeCanDecodeThemAndAreNamedWhenNot) {
    // Paths are bytes: the launcher hands them on as they are. The runtime decodes them with
    // the locale's charset, so a name that does not decode there (Latin-1 "café" under UTF-8)
    // would reach it broken: the launcher says so instead of failing to find the main class.
    const std::string utf8Name = "\xCE\xA9mega caf\xC3\xA9";
    const std::string latin1Name = "caf\xE9 \xCE\xA9";
    for (const std::string& name : {utf8Name, latin1Name}) {
        ASSERT_EQ(mkdir((dir() + "/" + name).c_str(), 0755), 0);
    }
    std::string exe = packLinux(kProbe, utf8Name + "/app");
    ChildResult r = launch(exe, {}, {"LC_ALL=C.UTF-8"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.wyn.app.path"), exe);
    EXPECT_EQ(reportValue(r.out, "property.application.home"), dir() + "/" + utf8Name + "/");

    // Latin-1 under UTF-8, and any non-ASCII name under the C locale.
    const std::pair<std::string, const char*> undecodable[] = {{latin1Name, "LC_ALL=C.UTF-8"},
                                                               {utf8Name, "LC_ALL=C"}};
    for (const auto& [name, locale] : undecodable) {
        exe = packLinux(kProbe, name + "/app");
        r = launch(exe, {}, {locale});
        EXPECT_EQ(r.exitCode, 14) << locale << "\n" << r.err;
        EXPECT_NE(r.err.find("Error: This program cannot start from " + exe +
                             " because Java cannot be given that path."),
                  std::string::npos)
            << locale << "\n"
            << r.err;
    }
}

TEST_F(LinuxLaunch, VersionBoundsChooseAmongTheRuntimesFound) {
    // JRE_HOME names an old runtime that could not even be loaded; JAVA_HOME the real JDK.
    ASSERT_EQ(run("/bin/mkdir", {"-p", dir() + "/old-jre/lib/server"}).exitCode, 0);
    writeFile(dir() + "/old-jre/lib/server/libjvm.so", "not a library");
    writeFile(dir() + "/old-jre/release", "JAVA_VERSION=\"1.8.0_5\"\n");
    std::ifstream releaseFile(std::string(E2ePaths::jdk()) + "/release");
    std::string line, jdkVersion;
    while (std::getline(releaseFile, line)) {
        if (line.rfind("JAVA_VERSION=\"", 0) == 0) {
            jdkVersion = line.substr(14, line.size() - 15);
        }
    }
    ASSERT_FALSE(jdkVersion.empty());
    struct Case {
        const char* name;
        const char* bounds;
        int exitCode;
        std::string message;
    } cases[] = {
        {"no bounds: the first", "", 2, "Error: Java Runtime Environment not valid."},
        {"only the second fits", "minjre 11\n", 0, ""},
        {"none fits: the closest is named", "minjre 99\n", 6,
         "Error: Java virtual machine version " + jdkVersion +
             " is too low, require 99 or higher."},
        {"none fits from above", "minjre 1.6\nmaxjre 1.7\n", 12,
         "Error: Java virtual machine version 1.8.0_5 is too high, version between 1.6 and 1.7 is "
         "required."},
    };
    for (const Case& c : cases) {
        std::string exe = packLinux(kProbe + "jre_order e\n" + c.bounds, "bounds");
        ChildResult r =
            run(exe, {},
                {"JRE_HOME=" + dir() + "/old-jre", std::string("JAVA_HOME=") + E2ePaths::jdk()},
                {"CLASSPATH", "CLASS_PATH"});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << "\n" << r.err;
    }
}

TEST_F(LinuxLaunch, RuntimeVersionThatCannotBeQueriedWithABoundIsReported) {
    std::string exe =
        packLinux(kProbe + "jre_order c\njvmdll " + WYN_TEST_RUNTIME_LIBRARY + "\nminjre 1.6\n");
    // The query cannot run when the runtime cannot even find java.lang.System.
    ChildResult r = run(exe, {}, {"WYN_TEST_RUNTIME_FAIL=FindClass"});
    EXPECT_EQ(r.exitCode, 5) << r.err;
    EXPECT_NE(r.err.find("Error: Can not get the virtual machine version."), std::string::npos)
        << r.err;

    // A runtime that answers java.version with null passes the bounds.
    ChildResult unknown = run(exe, {}, {"WYN_TEST_RUNTIME_CLASSES=com/example/probe/Probe:main"},
                              {"WYN_TEST_RUNTIME_VERSION"});
    EXPECT_EQ(unknown.exitCode, 0) << unknown.err;
}

TEST_F(LinuxLaunch, StartOnFirstThreadRunsMainOnTheProcessThread) {
    std::string first = packLinux(kProbe + "option -XstartOnFirstThread\n", "first");
    ChildResult r = launch(first);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "firstThread"), "true");

    std::string own = packLinux(kProbe + "option -XstartonFirstThread\n", "own");
    r = launch(own);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "firstThread"), "false");
}

TEST_F(LinuxLaunch, SwingWindowOpens) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the suite runs under Xvfb";
    std::string exe = packLinux("mainclass com.example.probe.Window\n");
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "headless"), "false");
    EXPECT_NE(r.out.find("window=opened"), std::string::npos) << r.out << r.err;
}

TEST_F(LinuxLaunch, SecondInstanceIsRefusedAndAnAbandonedLockIsTakenOver) {
    std::string config = kProbe + "singleinstance true\nappid wyn.e2e.single." +
                         std::to_string(getpid()) + "\noption -Dprobe.action=wait\n";
    std::string exe = packLinux(config);
    ChildCommand command;
    command.argv = {exe};
    command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
    command.workingDirectory = dir();

    ChildProcess first(command);
    ASSERT_TRUE(first.waitForOutput("ready=1", 60000));
    ChildResult second = runChild(command, 60000);
    EXPECT_EQ(second.exitCode, 11);
    EXPECT_NE(second.err.find("Error: There is already an instance of this program running."),
              std::string::npos)
        << second.err;

    first.sendSignal(SIGKILL);
    first.finish(10000);
    ChildProcess third(command);
    EXPECT_TRUE(third.waitForOutput("ready=1", 60000));
    third.sendSignal(SIGTERM);
    EXPECT_EQ(third.finish(30000).exitCode, 0);
}

}  // namespace
