// When the start fails, the packed Linux launcher says why (real JDK 17): the runtime's own
// reason after message 4, also when the runtime ends the process itself; the class of
// messages 7 and 8; a damaged program file before any runtime is loaded.
#include <sys/stat.h>

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
        return run(exe, {}, setEnv, {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "WYN_TRACE", "DISPLAY"});
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
        size_t message = r.err.find("Error: Java Virtual Machine starts failed.\n\n");
        ASSERT_NE(message, std::string::npos) << r.err;
        EXPECT_TRUE(contains(r.err.substr(message), c.reason)) << r.err;
        EXPECT_EQ(countOf(r.out + r.err, c.reason), 2u)
            << "once as the runtime printed it, once in the message\n"
            << r.out << r.err;
        EXPECT_FALSE(contains(r.out, "argc=")) << "main never ran";
    }
}

TEST_F(LinuxFailure, MessagesOfTheMainClassNameIt) {
    // A class path entry of the configuration lets the packer accept a class it cannot see.
    std::string missing =
        packLinux("mainclass com.example.probe.Missing\nclasspath lib/none.jar\n", "missing");
    ChildResult r = launch(missing);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_TRUE(contains(r.err, "The main startup class could not be found.\n\ncom.example.probe.Missing"))
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
        EXPECT_TRUE(contains(r.err, "The program file is damaged or incomplete. Download it again."))
            << r.err;
        EXPECT_FALSE(contains(r.err, "runtime candidate") || contains(r.err, "runtime library"))
            << "no runtime is looked for\n"
            << r.err;
        EXPECT_FALSE(contains(r.err, "NoClassDefFoundError")) << r.err;
    }
}

}  // namespace
