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

// Waits up to 20 s for a file to hold exactly expected: a command may still be writing when
// the launcher has ended.
std::string waitForContent(const std::string& path, const std::string& expected) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string text = readAll(path);
    while (text != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        text = readAll(path);
    }
    return text;
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The program lies in a directory whose name holds blanks, quotes, `$( )`, backticks, `;` and
// `%`: the command gets it as one argument, bare and inside the user's double quotes, and
// nothing that the name holds is run.
TEST_F(LinuxRedirect, DirectoryNameReachesTheCommandAsOneArgument) {
    const std::string names[] = {
        "my apps",
        "x$(touch INJECTED)",
        "q'uo\"te `touch TICKED`; touch SEMI %PATH% $HOME",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_EQ(mkdir((dir() + "/" + name).c_str(), 0700), 0);
        std::string exe = packPrinter(
            "stdout |cat >> ${APPLICATION_HOME}app.log\n"
            "stderr |cat >> \"${APPLICATION_HOME}quoted.log\"\n",
            name + "/app");
        ChildResult r = launch(exe, {"lines", "3"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(waitForContent(dir() + "/" + name + "/app.log", numbered("out", 1, 3, false)),
                  numbered("out", 1, 3, false));
        EXPECT_EQ(waitForContent(dir() + "/" + name + "/quoted.log", "err 1\nerr 2\nerr 3\n"),
                  "err 1\nerr 2\nerr 3\n");
        for (const char* planted : {"INJECTED", "TICKED", "SEMI", "my"}) {
            EXPECT_FALSE(exists(dir() + "/" + planted)) << planted;
            EXPECT_FALSE(exists(dir() + "/" + name + "/" + planted)) << planted;
        }
    }
}

// The same through an environment variable, which may hold double quotes and backslashes too.
TEST_F(LinuxRedirect, EnvironmentValueReachesTheCommandAsOneArgument) {
    std::string value = "a b'c\"d $(touch INJECTED) `touch TICKED`; touch SEMI %PATH% \\ \\\"";
    std::string exe = packPrinter(
        "stdout |cat > /dev/null; printf '[%s]' $WYN_TEST_VALUE \"<${WYN_TEST_VALUE}>\" "
        "'(%WYN_TEST_VALUE%)' > args.txt\n");
    ChildResult r = launch(exe, {"lines", "2"}, {"WYN_TEST_VALUE=" + value});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string expected = "[" + value + "][<" + value + ">][(" + value + ")]";
    EXPECT_EQ(waitForContent(dir() + "/args.txt", expected), expected);
    for (const char* planted : {"INJECTED", "TICKED", "SEMI"}) {
        EXPECT_FALSE(exists(dir() + "/" + planted)) << planted;
    }
}

TEST_F(LinuxRedirect, MissingCommandLeavesEveryLineOnTheOriginalStream) {
    std::string exe = packPrinter("stdout |no-such-logger -t myapp\n");
    ChildResult r = launch(exe, {"lines", "500"}, {"WYN_TRACE=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, numbered("out", 1, 500, false));
    EXPECT_NE(r.err.find("wyn: output command no-such-logger -t myapp cannot be started: the "
                         "shell found no such program (exit code 127)\n"),
              std::string::npos)
        << r.err.substr(0, 3000);
    EXPECT_NE(r.err.find("standard output stays where it was"), std::string::npos);
    EXPECT_EQ(r.err.find("output command no-such-logger -t myapp: started"), std::string::npos);
}

// A whole command in one variable is one word now, the name of a program that does not exist:
// the output stays where it was, and the message says so.
TEST_F(LinuxRedirect, CommandInOneVariableIsOneWord) {
    std::string exe = packPrinter("stdout |$WYN_TEST_LOGGER\n");
    ChildResult r = launch(exe, {"lines", "2"}, {"WYN_TEST_LOGGER=cat >> logger.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, numbered("out", 1, 2, false));
    EXPECT_NE(r.err.find("cannot be started"), std::string::npos) << r.err;
    EXPECT_FALSE(exists(dir() + "/logger.log"));
}

TEST_F(LinuxRedirect, LiteralPipeAndAppendKeepTheirMeaning) {
    std::string exe = packPrinter("stdout |tr a-z A-Z | cat >> upper.log\n");
    ASSERT_EQ(launch(exe, {"lines", "2"}).exitCode, 0);
    EXPECT_EQ(waitForContent(dir() + "/upper.log", "OUT 1\nOUT 2\n"), "OUT 1\nOUT 2\n");
    ASSERT_EQ(launch(exe, {"lines", "1"}).exitCode, 0);
    EXPECT_EQ(waitForContent(dir() + "/upper.log", "OUT 1\nOUT 2\nOUT 1\n"),
              "OUT 1\nOUT 2\nOUT 1\n");
}

}  // namespace
