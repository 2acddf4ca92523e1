// The support classes' natives through the packed Linux launcher with the real JDK: an
// application that uses no support class never has one loaded, and one whose threads use
// several at the same moment finds every native bound, on JDK 17 and on a later runtime.
#include <string>
#include <utility>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

class LinuxSupportNatives : public LaunchTest {
  protected:
    ChildResult launch(const std::string& exe, const std::string& jdk) {
        return run(exe, {}, {"JAVA_HOME=" + jdk, "WYN_TRACE=1"},
                   {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS"});
    }
};

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(LinuxSupportNatives, UnusedSupportClassesAreNeverLoaded) {
    std::string exe = packLinux("mainclass com.example.probe.Probe\noption -verbose:class\n");
    ChildResult r = launch(exe, E2ePaths::jdk());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("main=returned"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("com.example.probe.Probe"), std::string::npos) << "no class load log";
    EXPECT_EQ(r.out.find("com.tarnwick.wyn"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("natives of"), std::string::npos) << r.err;
}

TEST_F(LinuxSupportNatives, FirstUseFromSeveralThreadsAtOnceFindsEveryNative) {
    std::vector<std::string> runtimes = {E2ePaths::jdk()};
    std::string later = laterRuntime(19);
    if (!later.empty()) {
        runtimes.push_back(later);
    }
    std::string exe =
        pack(E2ePaths::linuxStub(), "mainclass com.example.natives.NativesApp\njre_order e\n",
             {WYN_E2E_NATIVES_APP_JAR}, "natives");
    for (const std::string& jdk : runtimes) {
        for (int round = 0; round < 3; ++round) {
            ChildResult r = launch(exe, jdk);
            ASSERT_EQ(r.exitCode, 0) << jdk << "\n" << r.err;
            EXPECT_NE(r.err.find("runtime library: " + jdk + "/"), std::string::npos) << r.err;
            EXPECT_NE(r.out.find("natives=ok"), std::string::npos) << jdk << "\n" << r.out;
            EXPECT_EQ(occurrences(r.err, "support classes ask for the launcher's natives"), 1u)
                << jdk << "\n"
                << r.err;
            for (const char* cls : {"SplashScreen", "RedirOutputStream", "Instances", "SystemTray",
                                    "SystemTrayMenu"}) {
                EXPECT_NE(r.err.find(std::string("natives of com/tarnwick/wyn/") + cls + ": bound"),
                          std::string::npos)
                    << jdk << " " << cls << "\n"
                    << r.err;
            }
        }
    }
}

TEST_F(LinuxSupportNatives, OnlyRuntimesWithBuiltInLibrariesAreAskedForOne) {
    // Release 8 brought the lookup of libraries built into the program; an older runtime would
    // search its library path for the name instead, so it loads the executable by its path.
    std::string exe = pack(E2ePaths::linuxStub(), "mainclass com.example.natives.NativesApp\n",
                           {WYN_E2E_NATIVES_APP_JAR}, "natives");
    const std::vector<std::pair<std::string, bool>> cases = {
        {"1.5", false}, {"1.7", false}, {"1.7.0", false}, {"1.8", true}, {"9", true}, {"17", true},
        {"25", true},   {"1.10", true}, {"null", false},  {"x", false},  {"", false}, {"1.", false},
    };
    std::vector<std::string> args = {"builtin-versions"};
    for (const auto& c : cases) {
        args.push_back(c.first);
    }
    ChildResult r = run(exe, args, {std::string("JAVA_HOME=") + E2ePaths::jdk()},
                        {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const auto& c : cases) {
        std::string line = "builtin " + c.first + "=" + (c.second ? "true" : "false") + "\n";
        EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
    }
}

}  // namespace
