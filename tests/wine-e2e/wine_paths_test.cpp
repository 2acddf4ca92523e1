// A packed launcher installed in a directory whose name the ANSI code page cannot represent,
// started by its full (UTF-16) path: it still reads its payload and the external file beside
// it, hands on short (8.3) forms that the runtime can open with the ANSI functions, and offers
// its natives as the built-in library that the runtime finds without any path.
#include <gtest/gtest.h>

#include <algorithm>

#include "wine-e2e/wine_launch_fixture.h"

namespace {

// "Ωmega dir" in UTF-8: Ω is in no Western or Eastern European ANSI code page.
const char kOmegaDirectory[] = "\xCE\xA9mega dir";

std::string shortPathOf(const std::string& utf8Path) {
    std::wstring wide = wideOfUtf8(utf8Path);
    wchar_t buffer[MAX_PATH];
    DWORD n = GetShortPathNameW(wide.c_str(), buffer, MAX_PATH);
    char ansi[MAX_PATH * 2] = "";
    if (n == 0 || n >= MAX_PATH ||
        WideCharToMultiByte(CP_ACP, 0, buffer, -1, ansi, sizeof(ansi), nullptr, nullptr) == 0) {
        return std::string();
    }
    return ansi;
}

// The value of the logged option "-D<name>=..." (the log's escaped backslashes undone), or ""
// when it was not passed.
std::string loggedProperty(const WineLaunch& launch, const std::string& name) {
    std::string prefix = "option -D" + name + "=";
    std::vector<std::string> records = launch.runtimeRecords(prefix);
    if (records.empty()) {
        return std::string();
    }
    std::string value;
    const std::string& record = records.front();
    for (size_t i = prefix.size(); i < record.size(); ++i) {
        if (record[i] == '\\' && i + 1 < record.size() && record[i + 1] == '\\') {
            ++i;
        }
        value += record[i];
    }
    return value;
}

DWORD attributesOf(const std::string& ansiPath) {
    return GetFileAttributesA(ansiPath.c_str());
}

bool isFile(const std::string& ansiPath) {
    DWORD attributes = attributesOf(ansiPath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isDirectory(const std::string& ansiPath) {
    DWORD attributes = attributesOf(ansiPath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(HeadlessNonAnsiDirectory, PayloadExternalFileBundledRuntimeAndShortPathsHandedOn) {
    if (GetACP() == CP_UTF8) {
        GTEST_SKIP() << "with the UTF-8 code page every path has an ANSI form";
    }
    WineLaunch launch;
    std::string longDirectory = launch.dir() + kOmegaDirectory;
    ASSERT_TRUE(CreateDirectoryW(wideOfUtf8(longDirectory).c_str(), nullptr));
    std::string shortDirectory = shortPathOf(longDirectory);
    ASSERT_FALSE(shortDirectory.empty()) << "Wine gives every directory a short name";
    std::string shortName = shortDirectory.substr(shortDirectory.find_last_of('\\') + 1);

    launch.copyTestRuntime(shortName + "\\jre");
    ASSERT_TRUE(CreateDirectoryA((shortDirectory + "\\work").c_str(), nullptr));
    ASSERT_TRUE(writeBytes(shortDirectory + "\\app.cfg", "option=-Dfrom.external=yes\r\n"));
    launch.pack(WYN_E2E_STUB,
                "mainclass=app/Main\nforcecwd=work\noption=-Dhome=%APPLICATION_HOME%\n"
                "option=-Dself=$WYN_APP_PATH\noption=-Dcwd=${PWD}\n",
                shortName + "\\app.exe");

    std::string longExe = longDirectory + "\\app.exe";
    ASSERT_EQ(launch.run(longExe, "",
                         withEnv(launch.baseEnvironment(),
                                 {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"}})),
              0);
    EXPECT_EQ(launch.runtimeRecords("main-class "),
              std::vector<std::string>({"main-class app/Main"}))
        << "the payload is read through the full path";
    EXPECT_EQ(loggedProperty(launch, "from.external"), "yes") << "the external file is read";

    std::string classPath = loggedProperty(launch, "java.class.path");
    std::string self = classPath.substr(0, classPath.find(';'));
    EXPECT_TRUE(isFile(self)) << "the runtime can open the class path's first entry: " << self;
    EXPECT_EQ(self.find('?'), std::string::npos) << self;
    EXPECT_EQ(loggedProperty(launch, "wyn.app.path"), self);
    EXPECT_EQ(loggedProperty(launch, "self"), self) << "WYN_APP_PATH";

    std::string home = loggedProperty(launch, "application.home");
    EXPECT_TRUE(isDirectory(home)) << home;
    EXPECT_EQ(home.find('?'), std::string::npos) << home;
    EXPECT_EQ(loggedProperty(launch, "home"), home) << "APPLICATION_HOME";

    std::string cwd = loggedProperty(launch, "cwd");
    EXPECT_TRUE(isDirectory(cwd)) << cwd;
    ASSERT_GE(cwd.size(), 6u);
    EXPECT_EQ(cwd.substr(cwd.size() - 6, 5), "\\work") << "PWD after forcecwd: " << cwd;
    EXPECT_EQ(cwd.find('?'), std::string::npos) << cwd;
}

TEST(HeadlessNonAnsiDirectory, WithTheUtf8ManifestTheFullPathsAreHandedOn) {
    // The manifest makes UTF-8 the launcher's ANSI code page: every path has an ANSI form, so
    // the runtime gets the full paths, in UTF-8, and loads from them.
    WineLaunch launch;
    std::string longDirectory = launch.dir() + kOmegaDirectory;
    ASSERT_TRUE(CreateDirectoryW(wideOfUtf8(longDirectory).c_str(), nullptr));
    std::string shortDirectory = shortPathOf(longDirectory);
    ASSERT_FALSE(shortDirectory.empty());
    std::string shortName = shortDirectory.substr(shortDirectory.find_last_of('\\') + 1);
    launch.copyTestRuntime(shortName + "\\jre");
    wynpack::WindowsResources resources;
    resources.manifest.utf8 = true;
    launch.pack(WYN_E2E_STUB, "mainclass=app/Main\noption=-Dhome=%APPLICATION_HOME%\n",
                shortName + "\\app.exe", resources);

    std::string longExe = longDirectory + "\\app.exe";
    ASSERT_EQ(launch.run(longExe, "",
                         withEnv(launch.baseEnvironment(),
                                 {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"}})),
              0);
    EXPECT_EQ(launch.runtimeRecords("main-class "),
              std::vector<std::string>({"main-class app/Main"}));
    std::string classPath = loggedProperty(launch, "java.class.path");
    EXPECT_EQ(classPath.substr(0, classPath.find(';')), longExe);
    EXPECT_EQ(loggedProperty(launch, "wyn.app.path"), longExe);
    EXPECT_EQ(loggedProperty(launch, "application.home"), longDirectory + "\\");
    EXPECT_EQ(loggedProperty(launch, "home"), longDirectory + "\\") << "APPLICATION_HOME";
}

TEST(HeadlessNonAnsiDirectory, NativesAreBoundThroughTheBuiltInLibrary) {
    // The test runtime does what a runtime of release 8 or later does for
    // System.loadLibrary("wyn"): it finds JNI_OnLoad_wyn in the program and calls it. A 32-bit
    // runtime asks for the decorated name first.
    WineLaunch launch;
    std::string longDirectory = launch.dir() + kOmegaDirectory;
    ASSERT_TRUE(CreateDirectoryW(wideOfUtf8(longDirectory).c_str(), nullptr));
    std::string shortDirectory = shortPathOf(longDirectory);
    ASSERT_FALSE(shortDirectory.empty());
    std::string shortName = shortDirectory.substr(shortDirectory.find_last_of('\\') + 1);
    launch.copyTestRuntime(shortName + "\\jre");
    launch.pack(WYN_E2E_STUB, "mainclass=app/Main\n", shortName + "\\app.exe");

    const char* const supportClasses[] = {
        "com/tarnwick/wyn/SplashScreen", "com/tarnwick/wyn/RedirOutputStream",
        "com/tarnwick/wyn/Instances", "com/tarnwick/wyn/SystemTray",
        "com/tarnwick/wyn/SystemTrayMenu"};
    std::string classes =
        "app/Main:main,com/tarnwick/wyn/SplashScreen,com/tarnwick/wyn/RedirOutputStream:"
        "redir-stream,com/tarnwick/wyn/Instances,com/tarnwick/wyn/SystemTray:tray-icon,"
        "com/tarnwick/wyn/SystemTrayMenu:tray-menu";
    std::string longExe = longDirectory + "\\app.exe";
    ASSERT_EQ(
        launch.run(longExe, "",
                   withEnv(launch.baseEnvironment(), {{"WYN_TEST_RUNTIME_CLASSES", true, classes},
                                                      {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true,
                                                       "load-library:wyn,tray-icon:1"}})),
        0);
    std::string symbol = sizeof(void*) == 4 ? "_JNI_OnLoad_wyn@8" : "JNI_OnLoad_wyn";
    EXPECT_EQ(launch.runtimeRecords("builtin-library "),
              std::vector<std::string>({"builtin-library wyn " + symbol + " 0x10008"}))
        << "found in the program and asking for JNI 1.8";
    std::vector<std::string> registered = launch.runtimeRecords("register-natives ");
    ASSERT_EQ(registered.size(), 5u) << "every support class has its natives registered";
    for (size_t i = 0; i < registered.size(); ++i) {
        EXPECT_EQ(
            registered[i].rfind(std::string("register-natives ") + supportClasses[i] + " ", 0), 0u)
            << registered[i];
    }
    EXPECT_EQ(
        launch.runtimeRecords("script-native "),
        std::vector<std::string>({"script-native com/tarnwick/wyn/SystemTray.init registered",
                                  "script-native com/tarnwick/wyn/SystemTray.Show registered"}))
        << "the application's calls reach the registered natives";
    EXPECT_EQ(launch.runtimeRecords("set-field com/tarnwick/wyn/SystemTray.h"),
              std::vector<std::string>({"set-field com/tarnwick/wyn/SystemTray.h set"}))
        << "init made the icon's record";
}

TEST(HeadlessNonAnsiDirectory, OnlyTheLibraryNamedWynIsBuiltIn) {
    // The lookup is by the library's exact name: another name finds nothing in the launcher
    // and binds nothing (a runtime would then search its library path).
    WineLaunch launch;
    launch.copyTestRuntime("jre");
    std::string exe = launch.pack(WYN_E2E_STUB, "mainclass=app/Main\n");
    ASSERT_EQ(launch.run(exe, "",
                         withEnv(launch.baseEnvironment(),
                                 {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
                                  {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, "load-library:other"}})),
              0);
    EXPECT_EQ(launch.runtimeRecords("builtin-library "),
              std::vector<std::string>({"builtin-library other missing"}));
    EXPECT_EQ(launch.runtimeRecords("register-natives "), std::vector<std::string>());
}

}  // namespace
