// What a user of `java` expects from the packed Linux launcher, with each real runtime at
// hand (JDK 17 and, when installed, a runtime of release 25 or later): the exit code of a
// main that throws, two-word module options, the runtime that JAVA_HOME names, the command
// that monitoring tools see, class path lines written with ':', and the trace of what was
// handed to the runtime.
#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe = "mainclass com.example.probe.Probe\n";

// The runtimes a case runs with: the suite's JDK always, a later one when installed.
std::vector<std::string> runtimes() {
    std::vector<std::string> homes = {E2ePaths::jdk()};
    std::string later = laterRuntime(25);
    if (!later.empty()) {
        homes.push_back(later);
    }
    return homes;
}

class LinuxJavaParity : public LaunchTest {
  protected:
    // Runs exe with the runtime in home named by JAVA_HOME and nothing else inherited that
    // would change the start.
    ChildResult launch(const std::string& exe, const std::string& home,
                       const std::vector<std::string>& args = {},
                       std::vector<std::string> setEnv = {}) {
        setEnv.push_back("JAVA_HOME=" + home);
        return run(exe, args, setEnv,
                   {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS",
                    "WYN_TRACE"});
    }
};

TEST_F(LinuxJavaParity, MainEndingWithAnExceptionExitsWithOneAfterItsThreads) {
    struct Case {
        const char* action;
        int exitCode;
        const char* out;
        const char* err;
    } cases[] = {
        {"throw", 1, "argc=0",
         "Exception in thread \"main\" java.lang.IllegalStateException: probe failure"},
        {"thread-throw", 1, "thread=done", "probe failure beside a thread"},
        {"missing-class", 1, "argc=0",
         "java.lang.ClassNotFoundException: com.example.probe.Absent"},
        {"exit42", 42, "argc=0", ""},
        {"exit0", 0, "argc=0", ""},
        {"none", 0, "main=returned", ""},
    };
    for (const std::string& home : runtimes()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(home + " " + c.action);
            std::string exe =
                packLinux(kProbe + "option -Dprobe.action=" + c.action + "\n", c.action);
            ChildResult r = launch(exe, home);
            EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
            EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        }
    }
}

// Written as on a `java` command line: in two words on one line, or on two lines. The trace
// lists every option handed over, joined.
TEST_F(LinuxJavaParity, TwoWordModuleOptionsReachTheRuntime) {
    std::string exe = packLinux(kProbe +
                                "option -Dprobe.action=modules\n"
                                "option --add-opens java.base/java.lang=ALL-UNNAMED\n"
                                "option --add-exports\n"
                                "option java.desktop/sun.awt=ALL-UNNAMED\n");
    for (const std::string& home : runtimes()) {
        SCOPED_TRACE(home);
        ChildResult r = launch(exe, home, {}, {"WYN_TRACE=1"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(reportValue(r.out, "opens.java.lang"), "true") << r.err;
        EXPECT_EQ(reportValue(r.out, "exports.sun.awt"), "true") << r.err;
        EXPECT_NE(r.err.find("option --add-opens=java.base/java.lang=ALL-UNNAMED\n"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("option --add-exports=java.desktop/sun.awt=ALL-UNNAMED\n"),
                  std::string::npos)
            << r.err;
    }
    // Without the options the probe sees both closed, so the case above is no accident.
    std::string plain = packLinux(kProbe + "option -Dprobe.action=modules\n", "plain");
    ChildResult r = launch(plain, E2ePaths::jdk());
    EXPECT_EQ(reportValue(r.out, "opens.java.lang"), "false");
    EXPECT_EQ(reportValue(r.out, "exports.sun.awt"), "false");
}

// JAVA_HOME names the runtime a Linux user wants, also when another java is on PATH; without
// it, a lower bound takes the system's default java rather than the highest one installed.
TEST_F(LinuxJavaParity, JavaHomeWinsAndTheSystemDefaultIsPreferred) {
    std::string later = laterRuntime(25);
    if (later.empty()) {
        GTEST_SKIP() << "no runtime of release 25 or later in /usr/lib/jvm";
    }
    std::string path = std::string("PATH=") + E2ePaths::jdk() + "/bin:/usr/bin:/bin";
    std::string exe = packLinux(kProbe);
    ChildResult r = launch(exe, later, {}, {path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.java.version").substr(0, 2), "25") << r.out;

    std::string bounded = packLinux(kProbe + "minjre 1.8\n", "bounded");
    r = run(bounded, {}, {path}, {"JAVA_HOME", "JRE_HOME", "WYN_TRACE"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.java.version").substr(0, 3), "17.") << r.out;
    r = run(bounded, {}, {path, "WYN_TRACE=1"}, {"JAVA_HOME", "JRE_HOME"});
    EXPECT_NE(r.err.find("taken: the system's default, its version 17."), std::string::npos)
        << r.err;

    std::string needsLater = packLinux(kProbe + "minjre 21\n", "later");
    r = run(needsLater, {}, {path}, {"JAVA_HOME", "JRE_HOME", "WYN_TRACE"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.java.version").substr(0, 2), "25") << r.out;
}

// sun.java.command holds the main class and every argument main receives, as `java` sets it,
// so that jps and jcmd name the application and applications can restart themselves.
TEST_F(LinuxJavaParity, JavaCommandNamesTheMainClassAndItsArguments) {
    std::string exe = packLinux(kProbe +
                                "argv --mode \"two words\"\n"
                                "option -Dprobe.properties=sun.java.command,sun.java.launcher\n");
    for (const std::string& home : runtimes()) {
        SCOPED_TRACE(home);
        ChildResult r = launch(exe, home, {"file.txt"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(reportValue(r.out, "property.sun.java.command"),
                  "com.example.probe.Probe --mode two words file.txt");
        EXPECT_EQ(reportValue(r.out, "property.sun.java.launcher"), "wyn");
    }

    // The running application as jps lists it.
    std::string waiting = packLinux(kProbe + "option -Dprobe.action=wait\n", "waiting");
    ChildCommand command;
    command.argv = {waiting, "first"};
    command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
    command.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS"};
    command.workingDirectory = dir();
    ChildProcess child(command);
    ASSERT_TRUE(child.waitForOutput("ready=1", 60000));
    ChildResult jps = runChild({{std::string(E2ePaths::jdk()) + "/bin/jps", "-lm"}, {}, {}, dir()});
    std::string pid = std::to_string(child.pid());
    child.sendSignal(SIGTERM);
    child.finish(30000);
    EXPECT_NE(jps.out.find(pid + " com.example.probe.Probe first\n"), std::string::npos)
        << jps.out << jps.err;
}

// The configuration may set them itself.
TEST_F(LinuxJavaParity, ConfiguredJavaCommandIsKept) {
    std::string exe = packLinux(kProbe + "option -Dsun.java.command=custom\n" +
                                "option -Dprobe.properties=sun.java.command\n");
    ChildResult r = launch(exe, E2ePaths::jdk());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.sun.java.command"), "custom");
}

// A classpath line written with ':' as in a -cp value works with patterns, and a line that
// adds nothing is named by the trace.
TEST_F(LinuxJavaParity, ClassPathLinesWithColonsAndLinesThatAddNothing) {
    ASSERT_EQ(mkdir((dir() + "/lib").c_str(), 0755), 0);
    writeFile(dir() + "/lib/one.jar", "");
    writeFile(dir() + "/lib/two.jar", "");
    std::string exe = packLinux(kProbe +
                                "classpath lib/*.jar:extra.jar\n"
                                "classpath nothing/*.jar\n");
    ChildResult r = launch(exe, E2ePaths::jdk(), {}, {"WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string classPath = reportValue(r.out, "property.java.class.path");
    std::string one = dir() + "/lib/one.jar", two = dir() + "/lib/two.jar";
    EXPECT_TRUE(classPath == exe + ":" + one + ":" + two + ":" + dir() + "/extra.jar" ||
                classPath == exe + ":" + two + ":" + one + ":" + dir() + "/extra.jar")
        << classPath;
    EXPECT_NE(r.err.find("class path line 'nothing/*.jar' adds no entry"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("class path line 'lib/"), std::string::npos) << r.err;
}

// A typo in the external file beside the program (or in the embedded text) is named by the
// trace, with its source and line.
TEST_F(LinuxJavaParity, TraceNamesUnknownKeysOfBothSources) {
    std::string exe = packLinux(kProbe + "# a comment\nsplashtitel Demo\n");
    writeFile(exe + ".cfg", "option -Xmx64m\nmaxjr 17\n");
    for (const std::string& home : runtimes()) {
        SCOPED_TRACE(home);
        ChildResult r = launch(exe, home, {}, {"WYN_TRACE=1"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find("external configuration line 2: unknown key 'maxjr', ignored"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("embedded configuration line 3: unknown key 'splashtitel', ignored"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("unknown key 'option'"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("unknown key 'mainclass'"), std::string::npos) << r.err;
    }
}

// An inherited JAVA_TOOL_OPTIONS (how a debugger is often attached) is removed, and the trace
// says so and how to keep it; the line it names keeps it.
TEST_F(LinuxJavaParity, RemovedToolOptionsAreTracedWithHowToKeepThem) {
    std::string exe = packLinux(kProbe + "option -Dprobe.properties=probe.tool\n");
    ChildResult r = launch(exe, E2ePaths::jdk(), {},
                           {"WYN_TRACE=1", "JAVA_TOOL_OPTIONS=-Dprobe.tool=inherited"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.probe.tool"), "null");
    EXPECT_NE(r.err.find("inherited JAVA_TOOL_OPTIONS=-Dprobe.tool=inherited removed: the "
                         "runtime gets only what the configuration exports; to keep it, add the "
                         "line 'export JAVA_TOOL_OPTIONS=${JAVA_TOOL_OPTIONS}'"),
              std::string::npos)
        << r.err;

    std::string keeping = packLinux(kProbe +
                                        "export JAVA_TOOL_OPTIONS=${JAVA_TOOL_OPTIONS}\n"
                                        "option -Dprobe.properties=probe.tool\n",
                                    "keeping");
    r = launch(keeping, E2ePaths::jdk(), {}, {"JAVA_TOOL_OPTIONS=-Dprobe.tool=inherited"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.probe.tool"), "inherited");
}

// The trace of the search names the runtimes looked at, each once, without a line for every
// directory of a runtime that holds no library.
TEST_F(LinuxJavaParity, RuntimeSearchTraceProbesEachRuntimeOnce) {
    std::string exe = packLinux(kProbe + "jre_order s\nminjre 1.8\n");
    ChildResult r = run(exe, {}, {"WYN_TRACE=1"}, {"JAVA_HOME", "JRE_HOME", "CLASSPATH"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* noise : {"/legal/", "/man/", "/jmods/", "/bin/libjvm.so", ": not found"}) {
        EXPECT_EQ(r.err.find(noise), std::string::npos) << noise << "\n" << r.err;
    }
    size_t runtimeLines = 0;
    for (size_t at =
             r.err.find(std::string("runtime ") + E2ePaths::jdk() + "/lib/server/libjvm.so:");
         at != std::string::npos;
         at = r.err.find(std::string("runtime ") + E2ePaths::jdk() + "/lib/server/libjvm.so:",
                         at + 1)) {
        ++runtimeLines;
    }
    EXPECT_EQ(runtimeLines, 1u) << r.err;
}

// The main jar's Add-Opens and Add-Exports reach the runtime, as with `java -jar`.
TEST_F(LinuxJavaParity, MainJarManifestOpensAndExportsAreApplied) {
    ASSERT_EQ(mkdir((dir() + "/content").c_str(), 0755), 0);
    writeFile(dir() + "/content/readme.txt", "manifest only");
    writeFile(dir() + "/manifest.txt",
              "Add-Opens: java.base/java.lang\nAdd-Exports: java.desktop/sun.awt\n");
    ChildResult jar =
        runChild({{std::string(E2ePaths::jdk()) + "/bin/jar", "cfm", dir() + "/main.jar",
                   dir() + "/manifest.txt", "-C", dir() + "/content", "."},
                  {},
                  {},
                  dir()});
    ASSERT_EQ(jar.exitCode, 0) << jar.err;
    std::string exe = pack(E2ePaths::linuxStub(), kProbe + "option -Dprobe.action=modules\n",
                           {dir() + "/main.jar", E2ePaths::probeJar()}, "manifested");
    for (const std::string& home : runtimes()) {
        SCOPED_TRACE(home);
        ChildResult r = launch(exe, home);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(reportValue(r.out, "opens.java.lang"), "true") << r.err;
        EXPECT_EQ(reportValue(r.out, "exports.sun.awt"), "true") << r.err;
    }
}

}  // namespace
