// Packed launchers run under Wine without a display: exit codes of every failure, what the
// runtime is asked to do, how the runtime is found, the single-instance guard and the
// runtime's splash library. Without a display the failure message boxes return at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "wine-e2e/wine_launch_fixture.h"

namespace {

std::string testRuntime() {
    return WYN_TEST_RUNTIME_LIBRARY;
}

std::vector<EnvChange> classes(const std::string& list) {
    return {{"WYN_TEST_RUNTIME_CLASSES", true, list}};
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct FailureCase {
    const char* name;
    std::string config;
    std::vector<EnvChange> env;
    int exitCode;
    const char* lastRecord;  // the runtime log's last line, or "" for no log at all
};

TEST(HeadlessExitCodes, EveryOutcomeEndsWithItsCode) {
    const std::string jvm = "jvmdll=" + testRuntime() + "\n";
    const std::vector<FailureCase> cases = {
        {"success", jvm + "mainclass=app/Main\n", classes("app/Main:main"), 0,
         "main-class app/Main"},
        {"nothing found", "jre_order=c\njvmdll=missing\\jvm.dll\nmainclass=app/Main\n",
         classes("app/Main:main"), 1, ""},
        {"no entry point",
         std::string("jvmdll=") + WYN_TEST_RUNTIME_NOENTRY_LIBRARY + "\nmainclass=app/Main\n",
         classes("app/Main:main"), 2, ""},
        {"creation fails", jvm + "mainclass=app/Main\n",
         withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_CREATE_RESULT", true, "-1"}}), 4,
         "create-result -1"},
        {"version query impossible", jvm + "mainclass=app/Main\nminjre=1.6\n",
         withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_FAIL", true, "FindClass"}}), 5,
         "create-result 0"},
        {"null version passes the bounds", jvm + "mainclass=app/Main\nminjre=1.6\n",
         classes("app/Main:main"), 0, "main-class app/Main"},
        {"too low", jvm + "mainclass=app/Main\nminjre=1.7\n",
         withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_VERSION", true, "1.6.0_45"}}), 6,
         "call java/lang/System.getProperty java.version"},
        {"too high", jvm + "mainclass=app/Main\nmaxjre=1.6\n",
         withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_VERSION", true, "1.8.0_202"}}), 12,
         "call java/lang/System.getProperty java.version"},
        {"class missing", jvm + "mainclass=app/Missing\n", classes("app/Main:main"), 7,
         "find-class app/Missing missing"},
        {"no main", jvm + "mainclass=app/NoMain\n", classes("app/NoMain"), 8,
         "find-class app/NoMain found"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        WineLaunch launch;
        std::string exe = launch.pack(WYN_E2E_STUB, c.config);
        EXPECT_EQ(launch.run(exe, "", withEnv(launch.baseEnvironment(), c.env)), c.exitCode);
        std::vector<std::string> log = WineLaunch::lines(launch.runtimeLog());
        if (c.lastRecord[0] == '\0') {
            EXPECT_EQ(log, std::vector<std::string>());
        } else {
            ASSERT_FALSE(log.empty());
            EXPECT_TRUE(contains(log, c.lastRecord)) << c.lastRecord;
            if (c.exitCode != 0) {
                EXPECT_FALSE(contains(log, "main-class app/Main"));
            }
        }
    }
}

// As with `java`: the exception is printed, the runtime is still destroyed (which waits for
// the application's threads), and the exit code is 1.
TEST(HeadlessExitCodes, MainEndingWithAnExceptionGivesOneAfterDescribingIt) {
    WineLaunch launch;
    std::string exe =
        launch.pack(WYN_E2E_STUB, "jvmdll=" + testRuntime() + "\nmainclass=app/Main\n");
    EXPECT_EQ(
        launch.run(exe, "", withEnv(launch.baseEnvironment(), classes("app/Main:main-throws"))), 1);
    std::vector<std::string> log = WineLaunch::lines(launch.runtimeLog());
    EXPECT_TRUE(contains(log, "main-class app/Main"));
    EXPECT_TRUE(contains(log, "describe java/lang/RuntimeException: thrown by main of app/Main"));
    EXPECT_FALSE(launch.runtimeRecords("destroy").empty());
}

TEST(HeadlessSingleInstance, SecondStartIsRefusedWhileTheFirstRuns) {
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_STUB, "jvmdll=" + testRuntime() +
                                                    "\nmainclass=app/Main\nsingleinstance=true\n"
                                                    "appid=wyn.e2e.single\n");
    std::vector<EnvChange> env = withEnv(
        launch.baseEnvironment(),
        withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, "wait"}}));
    LauncherProcess first;
    ASSERT_TRUE(first.start(exe, "", env));
    DWORD start = GetTickCount();
    while (launch.runtimeRecords("script wait").empty() && GetTickCount() - start < 15000) {
        Sleep(20);
    }
    ASSERT_EQ(launch.runtimeRecords("script wait").size(), 1u) << "the first start is running";
    EXPECT_EQ(launch.run(exe, "", env), 11);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(launch.runtimeRecords("create-result").size(), 1u) << "the second never loads";
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(launch.runtimeRecords("script released").size(), 1u);
    // Once the first has ended, the guard lets the next one in.
    writeBytes(launch.runtimeLog(), "");
    EXPECT_EQ(launch.run(exe, "", env), 0);
}

// Without `appid` the guard names the program file itself, not the path typed to start it:
// another letter case, the short (8.3) name, a hard link, and a path near MAX_PATH are all
// second starts of the running program and are refused with 11.
TEST(HeadlessSingleInstance, OtherSpellingsOfTheRunningProgramAreRefused) {
    WineLaunch launch;
    // Deep enough that the path is near MAX_PATH, with names that have short forms.
    std::string relative = "Long Directory Name Of The Program";
    CreateDirectoryA(launch.file(relative).c_str(), nullptr);
    while (launch.file(relative).size() < 150) {
        relative += "\\Another Long Directory Level";
        ASSERT_TRUE(CreateDirectoryA(launch.file(relative).c_str(), nullptr)) << relative;
    }
    const std::string program = "The Application Program.exe";
    // The last level brings the program's path to 250 characters.
    relative += "\\" + std::string(250 - launch.file(relative).size() - 2 - program.size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(launch.file(relative).c_str(), nullptr)) << relative;
    std::string exe = launch.pack(
        WYN_E2E_STUB, "jvmdll=" + testRuntime() + "\nmainclass=app/Main\nsingleinstance=true\n",
        relative + "\\" + program);
    ASSERT_EQ(exe.size(), 250u) << exe;
    std::vector<EnvChange> env = withEnv(
        launch.baseEnvironment(),
        withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, "wait"}}));
    LauncherProcess first;
    ASSERT_TRUE(first.start(exe, "", env));
    DWORD start = GetTickCount();
    while (launch.runtimeRecords("script wait").empty() && GetTickCount() - start < 15000) {
        Sleep(20);
    }
    ASSERT_EQ(launch.runtimeRecords("script wait").size(), 1u) << "the first start is running";

    std::string upper = exe, lower = exe;
    for (char& c : upper) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    for (char& c : lower) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    char shortPath[MAX_PATH];
    DWORD shortLength = GetShortPathNameA(exe.c_str(), shortPath, sizeof(shortPath));
    ASSERT_GT(shortLength, 0u);
    ASSERT_LT(shortLength, sizeof(shortPath));
    ASSERT_NE(std::string(shortPath), exe) << "the path has a short form";
    std::string linked = launch.file("linked.exe");
    ASSERT_TRUE(CreateHardLinkA(linked.c_str(), exe.c_str(), nullptr));
    const struct {
        const char* name;
        std::string path;
    } spellings[] = {
        {"the same path", exe},    {"upper case", upper}, {"lower case", lower},
        {"short name", shortPath}, {"hard link", linked},
    };
    for (const auto& spelling : spellings) {
        EXPECT_EQ(launch.run(spelling.path, "", env), 11) << spelling.name << ": " << spelling.path;
    }
    EXPECT_TRUE(first.running());
    EXPECT_EQ(launch.runtimeRecords("create-result").size(), 1u) << "no second start loads";
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(first.wait(), 0);
    // Once it has ended, the hard link starts like the program itself.
    EXPECT_EQ(launch.run(linked, "", env), 0);
}

TEST(HeadlessNatives, SplashNativesAreFoundUnderTheNamesTheRuntimeBinds) {
    // Without a splash window the natives do nothing, but the test runtime must find them in
    // the executable's export table (stdcall-decorated on x86) or it stops the process.
    WineLaunch launch;
    std::string exe =
        launch.pack(WYN_E2E_STUB, "jvmdll=" + testRuntime() + "\nmainclass=app/Main\n");
    EXPECT_EQ(launch.run(
                  exe, "",
                  withEnv(launch.baseEnvironment(),
                          withEnv(classes("app/Main:main"), {{"WYN_TEST_RUNTIME_MAIN_SCRIPT", true,
                                                              "autoclose:-1,autoclose:0,close"}}))),
              0);
    EXPECT_EQ(
        launch.runtimeRecords("script "),
        std::vector<std::string>({"script autoclose:-1", "script autoclose:0", "script close"}));
    EXPECT_EQ(launch.runtimeRecords("misuse "), std::vector<std::string>());
}

TEST(HeadlessRecordedLaunch, OptionsPropertiesMainClassAndArguments) {
    WineLaunch launch;
    std::string config = "jvmdll=" + testRuntime() +
                         "\n"
                         "option=-Xmx64m\n"
                         "option=-Dfirst=1\n"
                         "export=WYN_E2E_EXPORTED=from export\n"
                         "option=-Dseen=${WYN_E2E_EXPORTED}\n"
                         "property=greeting=gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\n"
                         "property=plain=value=with=equals\n"
                         "mainclass=app/Main\n"
                         "argv=first \"second arg\" C:\\dir\\\n"
                         "argv=third\n";
    std::string exe = launch.pack(WYN_E2E_STUB, config, "my app.exe");
    std::vector<EnvChange> env = withEnv(
        launch.baseEnvironment(),
        withEnv(classes("app/Main:main"),
                {{"JAVA_TOOL_OPTIONS", true, "-Dinherited=1"},
                 {"WYN_TEST_RUNTIME_LOG_ENV", true, "JAVA_TOOL_OPTIONS,WYN_E2E_EXPORTED"}}));
    ASSERT_EQ(launch.run(exe, "cmd1 \"cmd two\" \"a\\\"quote\" back\\\\slash", env), 0);

    std::string exePath = launch.file("my app.exe");
    std::string logExe;  // backslashes are escaped in the log
    for (char c : exePath) {
        logExe += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    std::string logDir = logExe.substr(0, logExe.size() - std::string("my app.exe").size());
    EXPECT_EQ(launch.runtimeRecords("option "),
              std::vector<std::string>(
                  {"option -Xmx64m", "option -Dfirst=1", "option -Dseen=from export",
                   "option -Djava.class.path=" + logExe, "option -Dwyn.class.path=" + logExe,
                   "option -Dwyn.app.path=" + logExe, "option -Dapplication.home=" + logDir,
                   "option -Dwyn.is.elevated=true", "option -Dwyn.version=0.1.0",
                   "option -Dsun.java.command=app.Main first second arg C:\\\\dir\\\\ third "
                   "cmd1 cmd two a\"quote back\\\\\\\\slash",
                   "option -Dsun.java.launcher=wyn"}));
    EXPECT_EQ(launch.runtimeRecords("env "),
              std::vector<std::string>(
                  {"env JAVA_TOOL_OPTIONS unset", "env WYN_E2E_EXPORTED=from export"}));
    EXPECT_EQ(launch.runtimeRecords("property "),
              std::vector<std::string>({"property greeting=gr\xC3\xBC\xC3\x9F \xE2\x82\xAC",
                                        "property plain=value=with=equals"}));
    EXPECT_EQ(launch.runtimeRecords("main-class "),
              std::vector<std::string>({"main-class app/Main"}));
    EXPECT_EQ(launch.runtimeRecords("arg"),
              std::vector<std::string>({"arg first", "arg second arg", "arg C:\\\\dir\\\\",
                                        "arg third", "arg cmd1", "arg cmd two", "arg a\"quote",
                                        "arg back\\\\\\\\slash"}));
}

TEST(HeadlessRecordedLaunch, ExportedToolOptionsReachTheRuntime) {
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_STUB, "jvmdll=" + testRuntime() +
                                                    "\nmainclass=app/Main\n"
                                                    "export=java_tool_options=-Dconfigured=1\n");
    std::vector<EnvChange> env =
        withEnv(launch.baseEnvironment(),
                withEnv(classes("app/Main:main"),
                        {{"JAVA_TOOL_OPTIONS", true, "-Dinherited=1"},
                         {"WYN_TEST_RUNTIME_LOG_ENV", true, "JAVA_TOOL_OPTIONS"}}));
    ASSERT_EQ(launch.run(exe, "", env), 0);
    EXPECT_EQ(launch.runtimeRecords("env "),
              std::vector<std::string>({"env JAVA_TOOL_OPTIONS=-Dconfigured=1"}));
}

// The runtime is found only where one source points: the copies are the only runtimes
// reachable, so a launch that ends with 0 found that copy.
class HeadlessLocator : public testing::Test {
  protected:
    void SetUp() override { removeRecords(); }
    void TearDown() override { removeRecords(); }
    static void removeRecords() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft"); }

    void expectFound(WineLaunch& launch, const std::string& config,
                     const std::vector<EnvChange>& env) {
        std::string exe = launch.pack(WYN_E2E_STUB, config + "mainclass=app/Main\n");
        EXPECT_EQ(
            launch.run(exe, "",
                       withEnv(launch.baseEnvironment(), withEnv(classes("app/Main:main"), env))),
            0);
        EXPECT_EQ(launch.runtimeRecords("main-class "),
                  std::vector<std::string>({"main-class app/Main"}));
    }
};

TEST_F(HeadlessLocator, ConfiguredLibraryFile) {
    WineLaunch launch;
    launch.copyTestRuntime("rt");
    expectFound(launch, "jvmdll=rt\\bin\\server\\jvm.dll\n", {});
}

TEST_F(HeadlessLocator, RuntimeBesideTheApplication) {
    WineLaunch launch;
    launch.copyTestRuntime("jre");
    expectFound(launch, "", {});
}

TEST_F(HeadlessLocator, ConfiguredRuntimeDirectory) {
    WineLaunch launch;
    launch.copyTestRuntime("private-runtime");
    expectFound(launch, "jre=private-runtime\n", {});
}

TEST_F(HeadlessLocator, NothingWithoutASource) {
    WineLaunch launch;
    launch.copyTestRuntime("elsewhere");
    std::string exe = launch.pack(WYN_E2E_STUB, "mainclass=app/Main\n");
    EXPECT_EQ(launch.run(exe, "", withEnv(launch.baseEnvironment(), classes("app/Main:main"))), 1);
}

TEST_F(HeadlessLocator, NothingIsLoadedFromTheWorkingDirectory) {
    // The user starts the program from a folder holding a runtime, a jar and a library the
    // runtime needs; beside the program there is nothing.
    WineLaunch launch;
    ASSERT_TRUE(CreateDirectoryA(launch.file("downloads").c_str(), nullptr));
    launch.copyTestRuntime("downloads\\jre");
    launch.copyTestRuntime("downloads\\rt");
    ASSERT_TRUE(MoveFileA(launch.file("downloads\\rt\\bin\\wyn_test_runtime_companion.dll").c_str(),
                          launch.file("downloads\\wyn_test_runtime_companion.dll").c_str()));
    ASSERT_TRUE(writeBytes(launch.file("downloads\\planted.jar"), "not the application's"));
    std::string exe = launch.pack(WYN_E2E_STUB, "mainclass=app/Main\nclasspath=planted.jar\n");
    std::vector<EnvChange> env = withEnv(launch.baseEnvironment(), classes("app/Main:main"));
    EXPECT_EQ(launch.run(exe, "", env, 20000, launch.file("downloads")), 1) << "no runtime found";
    EXPECT_EQ(WineLaunch::lines(launch.runtimeLog()), std::vector<std::string>());

    // A runtime named on purpose whose companion library lies only in the working directory.
    exe = launch.pack(WYN_E2E_STUB,
                      "jvmdll=" + launch.file("downloads\\rt\\bin\\server\\jvm.dll") +
                          "\nmainclass=app/Main\nclasspath=planted.jar\n",
                      "named.exe");
    EXPECT_EQ(launch.run(exe, "", env, 20000, launch.file("downloads")), 2)
        << "the runtime's dependency is not taken from the working directory";

    // With the companion beside the runtime library, its own directory provides it.
    ASSERT_TRUE(MoveFileA(
        launch.file("downloads\\wyn_test_runtime_companion.dll").c_str(),
        launch.file("downloads\\rt\\bin\\server\\wyn_test_runtime_companion.dll").c_str()));
    EXPECT_EQ(launch.run(exe, "", withEnv(env, {{"WYN_TEST_RUNTIME_LOG_ENV", true, "PATH"}}), 20000,
                         launch.file("downloads")),
              0);
    std::vector<std::string> options = launch.runtimeRecords("option -Djava.class.path=");
    ASSERT_EQ(options.size(), 1u);
    EXPECT_EQ(options[0].find("downloads"), std::string::npos) << options[0];
    std::vector<std::string> path = launch.runtimeRecords("env PATH=");
    ASSERT_EQ(path.size(), 1u);
    EXPECT_EQ(path[0].find("rt\\\\bin\\\\server"), std::string::npos)
        << "loaded at the first attempt, without extending PATH";
}

TEST_F(HeadlessLocator, RegistryRecord) {
    if (!underWine()) {
        GTEST_SKIP() << "writes HKLM\\SOFTWARE\\JavaSoft: runs only in a private Wine prefix";
    }
    WineLaunch launch;
    std::string jvm = launch.copyTestRuntime("installed");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "CurrentVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>("17"), 3);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE\\17", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "RuntimeLib", 0, REG_SZ, reinterpret_cast<const BYTE*>(jvm.c_str()),
                   static_cast<DWORD>(jvm.size() + 1));
    RegCloseKey(key);
    expectFound(launch, "", {});
}

TEST_F(HeadlessLocator, JavaHome) {
    WineLaunch launch;
    launch.copyTestRuntime("java-home");
    expectFound(launch, "", {{"JAVA_HOME", true, launch.file("java-home")}});
}

// The runtime's splash library in the directory above jvm.dll's.
class HeadlessRuntimeSplash : public testing::Test {
  protected:
    std::string prepare(WineLaunch& launch, const char* variant) {
        launch.copyTestRuntime("rt");
        std::string from = std::string(WYN_E2E_SPLASH_LIBS) + variant + "\\";
        std::string to = launch.file("rt\\bin\\");
        EXPECT_TRUE(CopyFileA((from + "splashscreen.dll").c_str(),
                              (to + "splashscreen.dll").c_str(), FALSE));
        if (std::string(variant) == "withdep") {
            EXPECT_TRUE(CopyFileA((from + "e2esplashdep.dll").c_str(),
                                  (to + "e2esplashdep.dll").c_str(), FALSE));
        }
        return "jvmdll=rt\\bin\\server\\jvm.dll\nmainclass=app/Main\n";
    }
    int run(WineLaunch& launch, const std::string& config) {
        std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, config);
        return launch.run(exe, "", withEnv(launch.baseEnvironment(), classes("app/Main:main")));
    }
};

TEST_F(HeadlessRuntimeSplash, ConfiguredFileWinsOverTheEmbeddedImage) {
    WineLaunch launch;
    std::string config = prepare(launch, "full");
    ASSERT_TRUE(writeBytes(launch.file("picture.png"), "not really a picture"));
    ASSERT_EQ(run(launch, config + "splash=" + launch.file("picture.png") + "\n"), 0);
    std::vector<std::string> log = WineLaunch::lines(launch.splashLog());
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "init");
    EXPECT_EQ(log[2], "file " + launch.file("picture.png"));
    EXPECT_EQ(log[3], "jar " + launch.file("picture.png") + " (null)");
}

TEST_F(HeadlessRuntimeSplash, ArchiveEntryWinsOverTheEmbeddedImageAndNamesTheProgram) {
    WineLaunch launch;
    std::string config = prepare(launch, "full");
    launch.addArchiveEntry("images/splash.png", "wyn splash image from the archive\nmore bytes");
    std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, config + "splash=images\\splash.png\n");
    ASSERT_EQ(launch.run(exe, "", withEnv(launch.baseEnvironment(), classes("app/Main:main"))), 0);
    std::vector<std::string> log = WineLaunch::lines(launch.splashLog());
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "init");
    EXPECT_EQ(log[2], "memory 44 wyn splash image from the archive");
    EXPECT_EQ(log[3], "jar images/splash.png " + exe);
}

TEST_F(HeadlessRuntimeSplash, MissingArchiveEntryFallsBackToTheEmbeddedImage) {
    WineLaunch launch;
    std::string config = prepare(launch, "full");
    launch.addArchiveEntry("images/other.png", "another image");
    ASSERT_EQ(run(launch, config + "splash=images/splash.png\n"), 0);
    std::vector<std::string> log = WineLaunch::lines(launch.splashLog());
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2],
              "memory " + std::to_string(WYN_E2E_IMAGE_SIZE) + " wyn raw splash image line 1.");
}

TEST_F(HeadlessRuntimeSplash, EmbeddedImageGoesWithItsExactSize) {
    WineLaunch launch;
    std::string config = prepare(launch, "full");
    ASSERT_EQ(run(launch, config + "splash=" + launch.file("absent.png") + "\n"), 0);
    std::vector<std::string> log = WineLaunch::lines(launch.splashLog());
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "init");
    EXPECT_EQ(log[2],
              "memory " + std::to_string(WYN_E2E_IMAGE_SIZE) + " wyn raw splash image line 1.");
}

TEST_F(HeadlessRuntimeSplash, EnvironmentIsSettledBeforeTheSplashLoadsTheRuntime) {
    WineLaunch launch;
    std::string config = prepare(launch, "full") + "export=WYN_E2E_EXPORTED=early\n";
    std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, config);
    std::vector<EnvChange> env = withEnv(
        launch.baseEnvironment(),
        withEnv(classes("app/Main:main"),
                {{"JAVA_TOOL_OPTIONS", true, "-Dinherited=1"},
                 {"WYN_TEST_RUNTIME_LOG_ENV", true, "JAVA_TOOL_OPTIONS,WYN_E2E_EXPORTED"}}));
    ASSERT_EQ(launch.run(exe, "", env), 0);
    ASSERT_FALSE(WineLaunch::lines(launch.splashLog()).empty()) << "the splash loaded the runtime";
    // What the runtime's C library would have copied when it was loaded.
    EXPECT_EQ(launch.runtimeRecords("load-env "),
              std::vector<std::string>(
                  {"load-env JAVA_TOOL_OPTIONS unset", "load-env WYN_E2E_EXPORTED=early"}));
}

TEST_F(HeadlessRuntimeSplash, LibraryNeedingItsOwnDirectoryLoadsAndThatDirectoryEndsPath) {
    WineLaunch launch;
    std::string config = prepare(launch, "withdep");
    ASSERT_EQ(run(launch, config), 0);
    std::vector<std::string> log = WineLaunch::lines(launch.splashLog());
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "init");
    ASSERT_EQ(log[1].compare(0, 5, "path "), 0);
    size_t last = log[1].rfind(';');
    ASSERT_NE(last, std::string::npos);
    char full[MAX_PATH] = "";
    GetFullPathNameA(log[1].substr(last + 1).c_str(), MAX_PATH, full, nullptr);
    std::string dir = full;
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) {
        dir.pop_back();
    }
    EXPECT_EQ(dir, launch.file("rt\\bin"));
    EXPECT_EQ(log[2].compare(0, 7, "memory "), 0);
}

}  // namespace
