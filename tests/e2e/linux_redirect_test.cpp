// Output redirection of the packed Linux launcher with the real JDK: files appended to, both
// streams in one file, a target that cannot be opened, commands fed through a pipe, System.exit
// from a thread, and the Java-side fallback with its natives.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "e2e/launch_fixture.h"

namespace {

const std::string kPrinter = "mainclass com.example.redirect.Printer\n";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The Printer application's byte pattern.
std::string pattern(size_t n) {
    std::string text(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        text[i] = i % 64 == 63 ? '\n' : static_cast<char>('a' + i % 26);
    }
    return text;
}

std::string numbered(const std::string& prefix, int from, int to, bool bothStreams) {
    std::string text;
    for (int i = from; i <= to; ++i) {
        text += prefix + " " + std::to_string(i) + "\n";
        if (bothStreams) {
            text += "err " + std::to_string(i) + "\n";
        }
    }
    return text;
}

// Waits up to timeoutMs for a file to exist.
bool waitForFile(const std::string& path, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    struct stat info;
    while (stat(path.c_str(), &info) != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class LinuxRedirect : public LaunchTest {
  protected:
    std::string packPrinter(const std::string& config, const std::string& name = "app") {
        return pack(E2ePaths::linuxStub(), kPrinter + config, {E2ePaths::redirectAppJar()}, name);
    }
    ChildResult launch(const std::string& exe, const std::vector<std::string>& args,
                       std::vector<std::string> setEnv = {}) {
        setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
        return run(exe, args, setEnv, {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "WYN_TRACE"});
    }
};

TEST_F(LinuxRedirect, BothStreamsAppendToOneFileInOrder) {
    std::string exe = packPrinter("stdout out.log\nstderr out.log\n");
    ChildResult first = launch(exe, {"lines", "3"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "");
    EXPECT_EQ(first.err, "");
    ChildResult second = launch(exe, {"lines", "2"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(readAll(dir() + "/out.log"),
              numbered("out", 1, 3, true) + numbered("out", 1, 2, true));
}

TEST_F(LinuxRedirect, UnopenableTargetLeavesItsStreamAlone) {
    std::string exe = packPrinter("stderr missing/dir/err.log\nstdout out.log\n");
    ChildResult r = launch(exe, {"lines", "2"}, {"WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(dir() + "/out.log"), numbered("out", 1, 2, false));
    EXPECT_NE(r.err.find("err 1\nerr 2\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("output file missing/dir/err.log: cannot be opened"), std::string::npos);
    EXPECT_NE(r.err.find("standard output to out.log"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

TEST_F(LinuxRedirect, CommandReceivesEveryByteAndTheEndOfItsInput) {
    std::string exe = packPrinter("stdout |cat > piped.out; echo done > piped.eof\n");
    ChildResult r = launch(exe, {"bytes", "1048576"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    ASSERT_TRUE(waitForFile(dir() + "/piped.eof", 20000)) << "the command never saw the end";
    std::string received = readAll(dir() + "/piped.out");
    EXPECT_EQ(received.size(), 1048576u);
    EXPECT_TRUE(received == pattern(1048576)) << "the bytes differ";
}

TEST_F(LinuxRedirect, CommandThatExitsAtOnceNeitherHangsNorKills) {
    for (const char* stream : {"stdout", "stderr"}) {
        SCOPED_TRACE(stream);
        std::string exe = packPrinter(std::string(stream) + " |true\n", stream);
        ChildResult r = launch(exe, {"bytes", "4194304", "lines", "100"});
        EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 2000);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.signal, 0);
    }
}

TEST_F(LinuxRedirect, ExitFromAThreadLeavesAllOutputInTheFile) {
    for (const char* fallback : {"0", "1"}) {
        SCOPED_TRACE(std::string("WYN_REDIRECT_FALLBACK=") + fallback);
        std::string log = std::string("exit-") + fallback + ".log";
        std::string exe = packPrinter("stdout " + log + "\n", log + ".app");
        ChildResult r = launch(exe, {"exit-thread", "2000"},
                               {std::string("WYN_REDIRECT_FALLBACK=") + fallback});
        EXPECT_EQ(r.exitCode, 7) << r.err;
        EXPECT_EQ(readAll(dir() + "/" + log), numbered("thread", 1, 2000, false));
        EXPECT_EQ(r.out, "");
    }
}

// Forced onto the Java-side fallback, output still lands in the file, through the natives:
// ranges in one call each, and single bytes through write(int).
TEST_F(LinuxRedirect, JavaSideFallbackWritesEveryByte) {
    std::string exe = packPrinter("stdout out.log\nstderr err.log\n");
    ChildResult r = launch(exe, {"bytes", "100000", "single", "3000", "lines", "2"},
                           {"WYN_REDIRECT_FALLBACK=1", "WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(dir() + "/out.log"),
              pattern(100000) + pattern(3000) + numbered("out", 1, 2, false));
    EXPECT_EQ(readAll(dir() + "/err.log"), "err 1\nerr 2\n");
    EXPECT_NE(r.err.find("natives of com/tarnwick/wyn/RedirOutputStream: bound"),
              std::string::npos);
    EXPECT_NE(r.err.find("standard output: System.setOut with a RedirOutputStream"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("standard error: System.setErr with a RedirOutputStream"),
              std::string::npos);
    EXPECT_EQ(r.out, "");
}

}  // namespace
