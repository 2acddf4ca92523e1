// Output redirection of the packed Windows launcher under Wine with the test runtime: what the
// runtime writes to its standard handles lands in the file or in the command's input, and the
// Java-side fallback carries every byte through the exported natives.
#include <gtest/gtest.h>

#include <algorithm>

#include "wine-e2e/wine_launch_fixture.h"

namespace {

std::string readAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return text;
}

bool waitForFile(const std::string& path, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::string pattern(size_t n) {
    std::string text(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        text[i] = i % 64 == 63 ? '\n' : static_cast<char>('a' + i % 26);
    }
    return text;
}

// A launch of app/Main whose main runs script, with the configuration lines given.
int runScript(WineLaunch& launch, const std::string& config, const std::string& script,
              const std::string& classes = "app/Main:main", std::vector<EnvChange> more = {}) {
    std::string exe = launch.pack(WYN_E2E_STUB, std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY +
                                                    "\nmainclass=app/Main\n" + config);
    more.push_back({"WYN_TEST_RUNTIME_CLASSES", true, classes});
    more.push_back({"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, script});
    return launch.run(exe, "", withEnv(launch.baseEnvironment(), more));
}

TEST(HeadlessRedirect, RuntimeWritesToBothHandlesAppendToOneFile) {
    WineLaunch launch;
    std::string log = launch.file("out.log");
    std::string config = "stdout=" + log + "\nstderr=" + log + "\n";
    ASSERT_EQ(runScript(launch, config, "stdout:one,stderr:two,stdout:three"), 0);
    ASSERT_EQ(runScript(launch, config, "stderr:four"), 0);
    EXPECT_EQ(readAll(log), "one\ntwo\nthree\nfour\n");
}

TEST(HeadlessRedirect, CommandReceivesEveryByteAndTheEndOfItsInput) {
    WineLaunch launch;
    std::string received = launch.file("received.txt");
    std::string config =
        std::string("stdout=|\"") + WYN_E2E_STDIN_TO_FILE + "\" \"" + received + "\"\n";
    ASSERT_EQ(runScript(launch, config, "stdout-fill:300000"), 0);
    ASSERT_TRUE(waitForFile(received, 20000)) << "the command never saw the end of its input";
    std::string text = readAll(received);
    EXPECT_EQ(text.size(), 300000u);
    EXPECT_TRUE(text == pattern(300000));
}

TEST(HeadlessRedirect, JavaSideFallbackWritesEveryByteThroughTheNatives) {
    WineLaunch launch;
    std::string out = launch.file("out.log");
    std::string err = launch.file("err.log");
    std::string config = "stdout=" + out + "\nstderr=" + err + "\n";
    ASSERT_EQ(
        runScript(launch, config, "stdout:range,stdout-bytes:single,stdout-fill:20000,stderr:e",
                  "app/Main:main,com/tarnwick/wyn/RedirOutputStream:redir-stream",
                  {{"WYN_REDIRECT_FALLBACK", true, "1"}}),
        0);
    EXPECT_EQ(readAll(out), "range\nsingle\n" + pattern(20000));
    EXPECT_EQ(readAll(err), "e\n");
    std::vector<std::string> calls = launch.runtimeRecords("call ");
    auto count = [&](const std::string& record) {
        return std::count(calls.begin(), calls.end(), record);
    };
    EXPECT_EQ(count("call com/tarnwick/wyn/RedirOutputStream.<init>"), 2);
    // The stream handed to PrintStream already holds its target's handle.
    size_t printStreams = 0;
    for (const std::string& call : calls) {
        if (call.rfind("call java/io/PrintStream.<init> com/tarnwick/wyn/RedirOutputStream[h=",
                       0) == 0 &&
            call.find("[h=0]") == std::string::npos) {
            ++printStreams;
        }
    }
    EXPECT_EQ(printStreams, 2u);
    EXPECT_EQ(count("call java/lang/System.setOut java/io/PrintStream"), 1);
    EXPECT_EQ(count("call java/lang/System.setErr java/io/PrintStream"), 1);
    EXPECT_EQ(launch.runtimeRecords("set-field ").size(), 2u);
    EXPECT_EQ(launch.runtimeRecords("set-field com/tarnwick/wyn/RedirOutputStream.h set").size(),
              2u);
}

TEST(HeadlessRedirect, FallbackWithoutTheSupportClassStillLaunches) {
    WineLaunch launch;
    std::string out = launch.file("out.log");
    ASSERT_EQ(runScript(launch, "stdout=" + out + "\n", "stdout:lost", "app/Main:main",
                        {{"WYN_REDIRECT_FALLBACK", true, "1"}}),
              0);
    EXPECT_EQ(launch.runtimeRecords("call java/lang/System.setOut").size(), 0u);
    EXPECT_EQ(launch.runtimeRecords("main-class ").size(), 1u);
}

TEST(HeadlessRedirect, UnopenableTargetChangesNothingElse) {
    WineLaunch launch;
    std::string out = launch.file("out.log");
    std::string config = "stderr=" + launch.file("missing\\err.log") + "\nstdout=" + out + "\n";
    ASSERT_EQ(runScript(launch, config, "stdout:kept,stderr:elsewhere"), 0);
    EXPECT_EQ(readAll(out), "kept\n");
}

// Waits up to 20 s for a file to hold exactly expected (a command may still be writing).
std::string waitForContent(const std::string& path, const std::string& expected) {
    DWORD start = GetTickCount();
    std::string text = readAll(path);
    while (text != expected && GetTickCount() - start < 20000) {
        Sleep(20);
        text = readAll(path);
    }
    return text;
}

// A directory name with blanks, `$( )`, backticks, `;`, `%`, `&`, `^` and `!` (a Windows name
// cannot hold a double quote): the command gets the path as its one argument, bare, inside the
// user's double quotes and through cmd, and cmd expands nothing in it.
TEST(HeadlessRedirect, DirectoryNameReachesTheCommandAsOneArgument) {
    WineLaunch launch;
    std::string name = "my apps x$(y) `b`; c %PATH% & d ^ e! (f)";
    ASSERT_TRUE(CreateDirectoryA(launch.file(name).c_str(), nullptr));
    std::string home = launch.file(name) + "\\";
    std::string tool = WYN_E2E_STDIN_TO_FILE;
    std::string exe = launch.pack(WYN_E2E_STUB,
                                  std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY +
                                      "\nmainclass=app/Main\n"
                                      "stdout=|\"" +
                                      tool +
                                      "\" ${APPLICATION_HOME}received.txt\n"
                                      "stderr=|cmd /c \"\"" +
                                      tool + "\" ${APPLICATION_HOME}cmd.txt\"\n",
                                  name + "\\app.exe");
    std::vector<EnvChange> env =
        withEnv(launch.baseEnvironment(),
                {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
                 {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, "stdout:one,stderr:two"}});
    ASSERT_EQ(launch.run(exe, "", env), 0);
    EXPECT_EQ(waitForContent(home + "received.txt", "one\n"), "one\n");
    EXPECT_EQ(waitForContent(home + "cmd.txt", "two\n"), "two\n");
}

// A value inside the user's double quotes, with a double quote of its own from the
// environment: the C runtime's rules give it back whole.
TEST(HeadlessRedirect, QuotedValueFromTheEnvironmentStaysOneArgument) {
    WineLaunch launch;
    std::string received = launch.file("in quotes %PATH% & x.txt");
    std::string config =
        std::string("stdout=|\"") + WYN_E2E_STDIN_TO_FILE + "\" \"%WYN_TEST_TARGET%\"\n";
    ASSERT_EQ(runScript(launch, config, "stdout:quoted", "app/Main:main",
                        {{"WYN_TEST_TARGET", true, received}}),
              0);
    EXPECT_EQ(waitForContent(received, "quoted\n"), "quoted\n");
}

// A value that would run a second command if cmd read it as syntax runs nothing: it reaches
// the tool as its one file name.
TEST(HeadlessRedirect, ValueThroughCmdRunsNothingElse) {
    WineLaunch launch;
    std::string exe =
        launch.pack(WYN_E2E_STUB, std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY +
                                      "\nmainclass=app/Main\n"
                                      "stdout=|cmd /c \"\"" +
                                      WYN_E2E_STDIN_TO_FILE + "\" %WYN_TEST_TARGET%\"\n");
    std::string target = launch.file("out & mkdir INJECTED & rem %PATH% (x) ^ !");
    std::vector<EnvChange> env =
        withEnv(launch.baseEnvironment(), {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
                                           {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, "stdout:x"},
                                           {"WYN_TEST_TARGET", true, target}});
    ASSERT_EQ(launch.run(exe, "", env, 20000, launch.dir()), 0);
    EXPECT_EQ(waitForContent(target, "x\n"), "x\n");
    EXPECT_EQ(GetFileAttributesA(launch.file("INJECTED").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Opens a file that a launcher process can inherit as a standard handle.
HANDLE inheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, 0, nullptr);
}

TEST(HeadlessRedirect, CommandThatCannotStartLeavesEveryLineOnTheOriginalStream) {
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_STUB, std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY +
                                                    "\nmainclass=app/Main\n"
                                                    "stdout=|no-such-logger-anywhere.exe -t x\n");
    std::string script;
    std::string expected;
    for (int i = 1; i <= 200; ++i) {
        script += (i > 1 ? ",stdout:line" : "stdout:line") + std::to_string(i);
        expected += "line" + std::to_string(i) + "\n";
    }
    HANDLE out = inheritableFile(launch.file("out.txt"));
    HANDLE err = inheritableFile(launch.file("err.txt"));
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    ASSERT_NE(err, INVALID_HANDLE_VALUE);
    int code = -1;
    {
        LauncherProcess process;
        bool started = process.start(
            exe, "",
            withEnv(launch.baseEnvironment(), {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
                                               {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, script}}),
            "", out, err);
        EXPECT_TRUE(started);
        code = started ? process.wait() : -1;
    }
    CloseHandle(out);
    CloseHandle(err);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readAll(launch.file("out.txt")), expected);
    std::string errors = readAll(launch.file("err.txt"));
    EXPECT_NE(errors.find("wyn: output command no-such-logger-anywhere.exe -t x cannot be "
                          "started: "),
              std::string::npos)
        << errors;
}

}  // namespace
