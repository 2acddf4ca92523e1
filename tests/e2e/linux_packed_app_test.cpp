// A packed application as its developer and its users tune it, with the packed Linux launcher
// and the real JDK: the external configuration file's options and properties, class path
// patterns started from elsewhere, version messages with one bound, and a working directory
// that does not exist.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe = "mainclass com.example.probe.Probe\n";

class LinuxPackedApp : public LaunchTest {
  protected:
    ChildResult launchFrom(const std::string& exe, const std::string& workingDirectory,
                           std::vector<std::string> setEnv = {}) {
        ChildCommand command;
        command.argv = {exe};
        command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
        command.setEnv.insert(command.setEnv.end(), setEnv.begin(), setEnv.end());
        command.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS"};
        command.workingDirectory = workingDirectory;
        return runChild(command);
    }
};

TEST_F(LinuxPackedApp, ExternalFileTunesHeapAndProperties) {
    std::string exe = packLinux(kProbe + "option -Xmx256m\nproperty probe.mode=shipped\n" +
                                "option -Dprobe.properties=probe.mode\n");
    ChildResult shipped = launchFrom(exe, dir());
    ASSERT_EQ(shipped.exitCode, 0) << shipped.err;
    EXPECT_EQ(reportValue(shipped.out, "property.probe.mode"), "shipped");
    EXPECT_GT(std::atoll(reportValue(shipped.out, "maxMemory").c_str()), 64LL * 1024 * 1024);

    // The administrator's file beside the program.
    writeFile(exe + ".cfg", "option -Xmx64m\nproperty probe.mode=tuned\n");
    ChildResult tuned = launchFrom(exe, dir());
    ASSERT_EQ(tuned.exitCode, 0) << tuned.err;
    EXPECT_EQ(reportValue(tuned.out, "property.probe.mode"), "tuned");
    long long maxMemory = std::atoll(reportValue(tuned.out, "maxMemory").c_str());
    EXPECT_GT(maxMemory, 0);
    EXPECT_LE(maxMemory, 64LL * 1024 * 1024);
}

TEST_F(LinuxPackedApp, ClassPathPatternIsFoundFromAnyWorkingDirectory) {
    mkdir((dir() + "/more").c_str(), 0755);
    writeFile(dir() + "/more/u1.jar", "jar one");
    writeFile(dir() + "/more/u2.txt", "no jar");
    std::string exe = packLinux(kProbe + "classpath more/*.jar\n");
    for (const std::string& from : {dir(), std::string("/")}) {
        SCOPED_TRACE("started from " + from);
        ChildResult r = launchFrom(exe, from);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(reportValue(r.out, "property.java.class.path"),
                  exe + ":" + dir() + "/more/u1.jar");
    }
}

TEST_F(LinuxPackedApp, VersionMessageWithOneBoundReadsWell) {
    struct Case {
        const char* name;
        std::string config;
        const char* message;
    } cases[] = {
        {"upper-only", "maxjre 1.8\n", "is too high, version between 1.0 and 1.8 is required."},
        {"both", "minjre 1.6\nmaxjre 1.8\n",
         "is too high, version between 1.6 and 1.8 is required."},
        {"overridden", "maxjre 1.8\nmessage 12=Too new: %s [%s..%s]\n", "Too new: 17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChildResult r = launchFrom(packLinux(kProbe + c.config, c.name), dir());
        EXPECT_EQ(r.exitCode, 12) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (std::string(c.name) == "overridden") {
            EXPECT_NE(r.err.find(" [..1.8]"), std::string::npos) << "an override is left alone\n"
                                                                 << r.err;
        }
    }
}

TEST_F(LinuxPackedApp, MissingForcedWorkingDirectoryIsTracedAsIs) {
    std::string exe = packLinux(kProbe + "forcecwd no-such-directory\n");
    ChildResult r = launchFrom(exe, dir(), {"WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "cwd"), dir());
    EXPECT_NE(r.err.find("no-such-directory cannot be entered; staying in " + dir()),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("working directory: "), std::string::npos) << r.err;
}

}  // namespace
