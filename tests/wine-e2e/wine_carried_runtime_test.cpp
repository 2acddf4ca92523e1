// The runtime carried inside a packed Windows program, with the test runtime's tree as the
// carried image. A normal start (the limited token of User Account Control) unpacks it into
// %LOCALAPPDATA%\wyn\runtimes\ and runs from there, the second uses that copy as it is, and
// a copy with a file changed is unpacked again. An elevated start uses only a place that only
// administrators may change: Wine keeps no access lists on its files (every directory shows as
// the user's own), so there the elevated start refuses %ProgramData%\wyn\runtimes, as Windows
// would a directory a normal user made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "wine-e2e/wine_launch_fixture.h"

namespace {

bool anyLineHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class HeadlessCarriedRuntime : public ::testing::Test {
  protected:
    // A program that carries the test runtime; the cache in the launch's own directory.
    std::string carryingProgram() {
        launch_.copyTestRuntime("image");
        std::string exe = launch_.pack(WYN_E2E_STUB, "mainclass=app/Main\ntrace=trace.log\n");
        LauncherProcess tool;
        EXPECT_TRUE(tool.start(WYN_E2E_CARRY_RUNTIME,
                               "\"" + exe + "\" \"" + launch_.file("image") + "\"", {}));
        EXPECT_EQ(tool.wait(60000), 0);
        std::filesystem::remove_all(launch_.file("image"));
        return exe;
    }
    // A normal start, through the limited token.
    int start(const std::string& exe) { return startAs(WYN_E2E_RUN_LIMITED, "\"" + exe + "\""); }
    // The same with %LOCALAPPDATA% elsewhere (UTF-8; set through the wide function, as the
    // fixture's changes go through the ANSI one).
    int startWithCache(const std::string& exe, const std::string& localAppData) {
        SetEnvironmentVariableW(L"LOCALAPPDATA", wideOfUtf8(localAppData).c_str());
        ownCache_ = false;
        int code = start(exe);
        ownCache_ = true;
        SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
        return code;
    }
    int startElevated(const std::string& exe) { return startAs(exe, ""); }
    int startAs(const std::string& program, const std::string& args) {
        std::filesystem::remove(launch_.file("trace.log"));
        std::vector<EnvChange> env = withEnv(launch_.baseEnvironment(),
                                             {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"}});
        if (ownCache_) {
            env.push_back({"LOCALAPPDATA", true, launch_.file("local")});
        }
        return launch_.run(program, args, env);
    }
    std::vector<std::string> trace() const { return WineLaunch::lines(launch_.file("trace.log")); }
    std::string traceText() const {
        std::string text;
        for (const std::string& line : trace()) {
            text += line + "\n";
        }
        return text;
    }
    // The copy directory in the cache, or empty.
    std::string copy() const {
        std::string runtimes = launch_.file("local\\wyn\\runtimes");
        if (!std::filesystem::exists(runtimes)) {
            return std::string();
        }
        for (const auto& entry : std::filesystem::directory_iterator(runtimes)) {
            if (entry.is_directory()) {
                return entry.path().string();
            }
        }
        return std::string();
    }

    WineLaunch launch_;
    bool ownCache_ = true;
};

TEST_F(HeadlessCarriedRuntime, UnpackedOnceThenStartedFromTheCache) {
    std::string exe = carryingProgram();
    ASSERT_EQ(start(exe), 0) << traceText();
    EXPECT_FALSE(launch_.runtimeRecords("main-class app/Main").empty());
    ASSERT_FALSE(copy().empty());
    EXPECT_TRUE(std::filesystem::exists(copy() + "\\bin\\server\\jvm.dll"));
    EXPECT_TRUE(anyLineHas(trace(), "embedded runtime: unpacked into"));
    EXPECT_TRUE(anyLineHas(trace(), "runtime library: " + copy().substr(0, 4)))
        << "loaded from the copy";

    ASSERT_EQ(start(exe), 0) << traceText();
    EXPECT_TRUE(anyLineHas(trace(), "is intact"));
    EXPECT_FALSE(anyLineHas(trace(), "unpacking"));
}

TEST_F(HeadlessCarriedRuntime, AChangedCopyIsUnpackedAgain) {
    std::string exe = carryingProgram();
    ASSERT_EQ(start(exe), 0) << traceText();
    std::string companion = copy() + "\\bin\\wyn_test_runtime_companion.dll";
    auto size = std::filesystem::file_size(companion);
    std::filesystem::resize_file(companion, size / 2);
    ASSERT_EQ(start(exe), 0) << traceText();
    EXPECT_TRUE(anyLineHas(trace(), "is damaged"));
    EXPECT_TRUE(anyLineHas(trace(), "unpacked into"));
    EXPECT_EQ(std::filesystem::file_size(companion), size);
}

TEST_F(HeadlessCarriedRuntime, ACacheOutsideTheCodePageIsUsedThroughItsShortForm) {
    if (GetACP() == CP_UTF8) {
        GTEST_SKIP() << "with the UTF-8 code page every path has an ANSI form";
    }
    std::string exe = carryingProgram();
    // "Ωmega" in UTF-8: Ω is in no Western or Eastern European ANSI code page.
    std::string omega = launch_.dir() + "\xCE\xA9mega cache";
    ASSERT_TRUE(CreateDirectoryW(wideOfUtf8(omega).c_str(), nullptr));
    ASSERT_EQ(startWithCache(exe, omega), 0) << traceText();
    EXPECT_TRUE(anyLineHas(trace(), "has no ANSI form: handing on its short form")) << traceText();
    EXPECT_FALSE(launch_.runtimeRecords("main-class app/Main").empty());
    EXPECT_TRUE(
        std::filesystem::exists(std::filesystem::path(wideOfUtf8(omega)) / "wyn" / "runtimes"));
}

TEST_F(HeadlessCarriedRuntime, AnElevatedStartUsesNoPlaceOthersMayChange) {
    if (!underWine()) {
        GTEST_SKIP() << "shows the refusal through Wine's access lists, which grant the user";
    }
    std::string exe = carryingProgram();
    EXPECT_EQ(startElevated(exe), 1) << traceText();
    EXPECT_TRUE(anyLineHas(trace(), "may be changed by users who are no administrators"))
        << traceText();
    EXPECT_TRUE(launch_.runtimeRecords("main-class").empty()) << "no runtime was loaded";
    EXPECT_TRUE(copy().empty()) << "nothing unpacked into the user's own cache";
}

}  // namespace
