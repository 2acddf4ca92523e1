// When the start fails, the packed Linux launcher says why (real JDK 17): the runtime's own
// reason, printed once, before message 4, also when the runtime ends the process itself; the class
// of messages 7 and 8; a damaged program file before any runtime is loaded; the download page of
// `jredownloadurl`; the `trace` file; the launcher's version.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <fstream>
#include <sstream>
#include <string>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe = "mainclass com.example.probe.Probe\n";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

size_t countOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

class LinuxFailure : public LaunchTest {
  protected:
    ChildResult launch(const std::string& exe, std::vector<std::string> setEnv = {}) {
        setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
        return run(exe, {}, setEnv,
                   {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "WYN_TRACE", "DISPLAY"});
    }
};

TEST_F(LinuxFailure, CreationFailuresCarryTheRuntimesReason) {
    struct Case {
        const char* option;
        const char* reason;
    };
    // -Xmx makes the runtime end the process from inside creation; -Xss makes creation return
    // an error.
    for (const Case& c : {Case{"-Xmx99999999g", "Could not reserve enough space"},
                          Case{"-Xss1k", "The Java thread stack size specified is too small"}}) {
        SCOPED_TRACE(c.option);
        std::string exe = packLinux(kProbe + "option " + c.option + "\n", c.option + 1);
        ChildResult r = launch(exe);
        EXPECT_EQ(r.exitCode, 4);
        size_t message = r.err.find("Error: Java Virtual Machine starts failed.\n");
        ASSERT_NE(message, std::string::npos) << r.err;
        EXPECT_FALSE(contains(r.err.substr(message), c.reason)) << r.err;
        EXPECT_EQ(countOf(r.out + r.err, c.reason), 1u)
            << "once, as the runtime printed it (on its own stream)\n"
            << r.out << r.err;
        EXPECT_FALSE(contains(r.out, "argc=")) << "main never ran";
    }
}

// Message 1 says where the launcher looked and what would help; an override of its text keeps
// the places.
TEST_F(LinuxFailure, MissingRuntimeNamesThePlacesSearched) {
    for (const char* message : {"", "message 1=No Java here.\n"}) {
        std::string exe = packLinux(kProbe + "jre_order be\n" + message, "nojava");
        ChildResult r = run(exe, {}, {"JAVA_HOME=" + dir() + "/nothing"},
                            {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "WYN_TRACE"});
        EXPECT_EQ(r.exitCode, 1);
        std::string text =
            message[0] == '\0' ? "Java Runtime Environment not found." : "No Java here.";
        EXPECT_TRUE(contains(r.err, "Error: " + text + "\n\nLooked for a Java runtime in:\n  " +
                                        dir() +
                                        "/./jre/ (jre, beside the program)\n  JRE_HOME not set\n"
                                        "  JAVA_HOME=" +
                                        dir() +
                                        "/nothing\n"
                                        "Set JAVA_HOME to the folder of a Java runtime, or put a "
                                        "runtime in a folder named jre beside the program.\n"))
            << r.err;
    }
}

TEST_F(LinuxFailure, MessagesOfTheMainClassNameIt) {
    // A class path entry of the configuration lets the packer accept a class it cannot see.
    std::string missing =
        packLinux("mainclass com.example.probe.Missing\nclasspath lib/none.jar\n", "missing");
    ChildResult r = launch(missing);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_TRUE(
        contains(r.err, "The main startup class could not be found.\n\ncom.example.probe.Missing"))
        << r.err;
    std::string noMain = packLinux("mainclass com.example.probe.NoMain\n", "nomain");
    r = launch(noMain);
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_TRUE(contains(r.err, "main method missing.\n\ncom.example.probe.NoMain")) << r.err;
}

TEST_F(LinuxFailure, DamagedProgramFileIsReportedBeforeAnyRuntimeLoads) {
    std::string whole = readAll(packLinux(kProbe, "whole"));
    std::string stub = readAll(E2ePaths::linuxStub());
    ASSERT_GT(whole.size(), stub.size() + 100);
    size_t payload = whole.size() - stub.size();
    struct Cut {
        const char* name;
        size_t keep;
    };
    for (const Cut& cut : {Cut{"cut30", whole.size() - 30}, Cut{"half", whole.size() - payload / 2},
                           Cut{"none", stub.size()}}) {
        SCOPED_TRACE(cut.name);
        std::string exe = writeFile(dir() + "/" + cut.name, whole.substr(0, cut.keep));
        ASSERT_EQ(chmod(exe.c_str(), 0755), 0);
        ChildResult r = launch(exe, {"WYN_TRACE=1"});
        EXPECT_EQ(r.exitCode, 15);
        EXPECT_TRUE(
            contains(r.err, "The program file is damaged or incomplete. Download it again."))
            << r.err;
        EXPECT_FALSE(contains(r.err, "runtime candidate") || contains(r.err, "runtime library"))
            << "no runtime is looked for\n"
            << r.err;
        EXPECT_FALSE(contains(r.err, "NoClassDefFoundError")) << r.err;
    }
}

TEST_F(LinuxFailure, DownloadPageIsOfferedForAMissingRuntimeOnly) {
    // A stand-in for xdg-open that records the address it was given.
    ASSERT_EQ(mkdir((dir() + "/bin").c_str(), 0755), 0);
    std::string opener = writeFile(
        dir() + "/bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + dir() + "/opened\"\n");
    ASSERT_EQ(chmod(opener.c_str(), 0755), 0);
    std::string path = "PATH=" + dir() + "/bin:" + std::getenv("PATH");
    struct Case {
        const char* url;
        bool offered;
    };
    const Case cases[] = {{"https://example.org/java", true},
                          {"HTTP://example.org/get%20java?v=17&os=linux", true},
                          {"file:///etc/passwd", false},
                          {"javascript:alert(1)", false},
                          {"https://example.org/\"; rm -rf x", false},
                          {"https://", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::remove((dir() + "/opened").c_str());
        std::string exe = packLinux(
            kProbe + "jre_order c\njvmdll missing/libjvm.so\njredownloadurl " + c.url + "\n",
            "nojre");
        ChildResult r = launch(exe, {path, "DISPLAY=:77"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, "Error: Java Runtime Environment not found.\n")) << r.err;
        EXPECT_EQ(contains(r.err, std::string("Download page: ") + c.url + "\n"), c.offered)
            << r.err;
        // The opener is not waited for.
        for (int i = 0; i < 100 && c.offered && readAll(dir() + "/opened").empty(); ++i) {
            usleep(20000);
        }
        EXPECT_EQ(readAll(dir() + "/opened"), c.offered ? std::string(c.url) + "\n" : "");
    }
    // Without a display the address is only printed.
    std::remove((dir() + "/opened").c_str());
    std::string exe = packLinux(kProbe +
                                    "jre_order c\njvmdll missing/libjvm.so\n"
                                    "jredownloadurl https://example.org/java\n",
                                "nodisplay");
    ChildResult r = launch(exe, {path});
    EXPECT_TRUE(contains(r.err, "Download page: https://example.org/java\n")) << r.err;
    usleep(300000);
    EXPECT_EQ(readAll(dir() + "/opened"), "");
    // A runtime that starts: no page.
    std::string found = packLinux(kProbe + "jredownloadurl https://example.org/java\n", "found");
    r = launch(found, {path, "DISPLAY=:77"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(contains(r.err, "example.org")) << r.err;
}

TEST_F(LinuxFailure, TraceKeyAppendsAHeaderAndTheDecisionsPerStart) {
    std::string exe = packLinux(kProbe + "trace logs/wyn-trace.log\n");
    ASSERT_EQ(mkdir((dir() + "/logs").c_str(), 0755), 0);
    ASSERT_EQ(launch(exe).exitCode, 0);
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "") << "the trace goes to the file only";
    std::string log = readAll(dir() + "/logs/wyn-trace.log");
    EXPECT_EQ(countOf(log, "wyn 0.1.0, " + exe + ", 20"), 2u) << log;
    EXPECT_EQ(countOf(log, "embedded configuration: "), 2u)
        << "lines from before the key was read\n"
        << log;
    EXPECT_EQ(countOf(log, "runtime library: "), 2u) << log;
    EXPECT_EQ(countOf(log, "main returned"), 2u) << log;
    EXPECT_EQ(reportValue(r.out, "argc"), "0");

    // With WYN_TRACE=1 as well, the same lines go to standard error.
    r = launch(exe, {"WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.err, "runtime library: ")) << r.err;
    EXPECT_EQ(countOf(readAll(dir() + "/logs/wyn-trace.log"), "main returned"), 3u);

    std::string missingDir = packLinux(kProbe + "trace nowhere/wyn.log\n", "nowhere");
    r = launch(missingDir);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(reportValue(r.out, "argc"), "0");
}

TEST_F(LinuxFailure, VersionIsASystemProperty) {
    std::string exe = packLinux(kProbe + "option -Dprobe.properties=wyn.version\n");
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "property.wyn.version"), "0.1.0");
}

}  // namespace
