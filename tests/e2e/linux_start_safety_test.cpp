// The packed Linux launcher with the real JDK where the user's surroundings could mislead it:
// runtimes and jars planted in the working directory, a shell's PWD, text outside the Basic
// Multilingual Plane, and termination signals that arrive while the launcher tears down.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe = "mainclass com.example.probe.Probe\n";

class LinuxStartSafety : public LaunchTest {
  protected:
    // A run from workingDirectory, with the JDK reachable only as the system's runtime (the
    // `java` on PATH), never through JAVA_HOME or JRE_HOME.
    ChildResult runFrom(const std::string& exe, const std::string& workingDirectory,
                        std::vector<std::string> setEnv = {}) {
        ChildCommand command;
        command.argv = {exe};
        command.setEnv = {std::string("PATH=") + E2ePaths::jdk() + "/bin:/usr/bin:/bin"};
        command.setEnv.insert(command.setEnv.end(), setEnv.begin(), setEnv.end());
        command.unsetEnv = {"JAVA_HOME", "JRE_HOME", "CLASSPATH", "CLASS_PATH"};
        command.workingDirectory = workingDirectory;
        return runChild(command);
    }
    std::string subdirectory(const std::string& name) {
        std::string path = dir() + "/" + name;
        mkdir(path.c_str(), 0755);
        return path;
    }
};

TEST_F(LinuxStartSafety, RuntimeAndJarPlantedInTheWorkingDirectoryAreNotUsed) {
    std::string exe = packLinux(kProbe + "classpath planted.jar;lib/planted.jar\n" +
                                "option -Dprobe.properties=java.home\n");
    // The user starts the program from a downloads folder that someone filled.
    std::string downloads = subdirectory("downloads");
    for (const char* planted : {"/jre/lib/server/libjvm.so", "/jre/bin/java", "/java"}) {
        std::string path = downloads + planted;
        runChild({{"/bin/mkdir", "-p", path.substr(0, path.rfind('/'))}, {}, {}, ""});
        writeFile(path, "#!/bin/sh\necho planted\n");
        chmod(path.c_str(), 0755);
    }
    writeFile(downloads + "/planted.jar", "not the application's");
    subdirectory("downloads/lib");
    writeFile(downloads + "/lib/planted.jar", "not the application's");

    for (const char* path : {"", ":", "::"}) {
        SCOPED_TRACE(std::string("PATH prefix \"") + path + "\"");
        ChildResult r = runFrom(exe, downloads,
                                {std::string("PATH=") + path + E2ePaths::jdk() + "/bin:/usr/bin"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::string classPath = reportValue(r.out, "property.java.class.path");
        EXPECT_EQ(classPath.find(downloads), std::string::npos) << classPath;
        EXPECT_EQ(classPath, exe + ":" + dir() + "/planted.jar:" + dir() + "/lib/planted.jar");
        EXPECT_EQ(reportValue(r.out, "property.java.home"), E2ePaths::jdk());
    }
}

TEST_F(LinuxStartSafety, RuntimeNamedThroughTheCurrentDirectoryIsUsed) {
    // ${PWD} names the working directory on purpose: that still works.
    std::string exe = packLinux(kProbe + "jre ${PWD}runtime\njre_order b\n");
    std::string work = subdirectory("work");
    ASSERT_EQ(symlink(E2ePaths::jdk(), (work + "/runtime").c_str()), 0);
    ChildResult r = runFrom(exe, work, {"PWD=/not/the/working/directory", "WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("runtime library: " + work + "/runtime/lib/server/libjvm.so"),
              std::string::npos)
        << r.err;
}

TEST_F(LinuxStartSafety, PwdIsTheLaunchersOwnWhateverTheShellExported) {
    subdirectory("forced");
    struct Case {
        const char* name;
        std::string config;
        std::string expected;
    } cases[] = {
        {"started here", "", dir() + "/"},
        {"after forcecwd", "forcecwd forced\n", dir() + "/forced/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string exe = packLinux(kProbe + c.config + "property probe.pwd=%PWD%\n" +
                                        "property probe.home=${APPLICATION_HOME}\n" +
                                        "option -Dprobe.properties=probe.pwd,probe.home\n",
                                    c.config.empty() ? "here" : "forced-app");
        ChildResult r = runFrom(exe, dir(), {"PWD=/from/the/shell", "APPLICATION_HOME=/shell"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(reportValue(r.out, "property.probe.pwd"), c.expected);
        EXPECT_EQ(reportValue(r.out, "cwd") + "/", c.expected);
        EXPECT_EQ(reportValue(r.out, "property.probe.home"), dir() + "/");
    }
}

TEST_F(LinuxStartSafety, PropertiesOutsideTheBasicPlaneFromUtf8AndUtf16Files) {
    const std::string smile = "\xF0\x9F\x98\x80";
    std::string exe = packLinux(kProbe + "property probe.utf8=a" + smile + "b\n" +
                                "option -Dprobe.properties=probe.utf8,probe.utf16\n");
    // The external file beside the program, in UTF-16 (little-endian, with its mark).
    std::u16string line = u"property probe.utf16=x\U0001F600y\r\n";
    std::string external = "\xFF\xFE";
    for (char16_t unit : line) {
        external += static_cast<char>(unit & 0xFF);
        external += static_cast<char>(unit >> 8);
    }
    writeFile(exe + ".cfg", external);
    ChildResult r = runFrom(exe, dir());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.probe.utf8"), "a" + smile + "b");
    EXPECT_EQ(reportValue(r.out, "property.probe.utf16"), "x" + smile + "y");
}

TEST_F(LinuxStartSafety, RepeatedTerminationSignalsWhileMainReturns) {
    std::string exe = packLinux(kProbe);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ChildCommand command;
        command.argv = {exe};
        command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
        command.workingDirectory = dir();
        ChildProcess child(command);
        ASSERT_TRUE(child.waitForOutput("main=returned", 60000));
        // Signals keep coming while the machine is destroyed and the library unloaded; a
        // process that has ended (not yet reaped) ignores them.
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (std::chrono::steady_clock::now() < until) {
            child.sendSignal(SIGTERM);
            std::this_thread::sleep_for(std::chrono::microseconds(round * 300));
        }
        ChildResult r = child.finish(30000);
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
}

}  // namespace
