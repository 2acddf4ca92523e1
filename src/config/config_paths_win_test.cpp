// An executable in a directory whose name the ANSI code page cannot represent: its payload and
// external file are read through the exact (UTF-8, opened wide) path, and the paths handed on
// in ANSI are the short (8.3) forms, which the ANSI functions open. A path with neither form
// gives nothing to hand on.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/config_store.h"
#include "platform/env.h"
#include "platform/files.h"
#include "support/payload_builder.h"

namespace {

// "Ωmega dir" in UTF-8: Ω is in no Western or Eastern European ANSI code page.
const char kOmegaDirectory[] = "\xCE\xA9mega dir";

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

std::wstring wide(const std::string& utf8) {
    wchar_t buffer[MAX_PATH * 2];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, buffer, MAX_PATH * 2);
    return n > 0 ? std::wstring(buffer) : std::wstring();
}

class NonAnsiDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        if (GetACP() == CP_UTF8) {
            GTEST_SKIP() << "with the UTF-8 code page every path has an ANSI form";
        }
        longDir = dir.path() + kOmegaDirectory;
        ASSERT_TRUE(CreateDirectoryW(wide(longDir).c_str(), nullptr));
        wchar_t shortWide[MAX_PATH];
        ASSERT_GT(GetShortPathNameW(wide(longDir).c_str(), shortWide, MAX_PATH), 0u);
        char shortAnsi[MAX_PATH * 2];
        ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, shortWide, -1, shortAnsi, sizeof(shortAnsi),
                                      nullptr, nullptr),
                  0);
        shortDir = shortAnsi;
        ASSERT_EQ(shortDir.find('?'), std::string::npos) << shortDir;
    }
    void TearDown() override {
        for (const char* name : {"\\app.exe", "\\app.exe.cfg"}) {
            DeleteFileW(wide(longDir + name).c_str());
        }
        RemoveDirectoryW(wide(longDir).c_str());
    }

    ScratchDirectory dir;
    std::string longDir;
    std::string shortDir;
};

TEST_F(NonAnsiDirectory, PayloadAndExternalFileAreReadAndShortPathsHandedOn) {
    CraftedExecutable exe;
    exe.config =
        "mainclass app.Main\noption -Dhome=%APPLICATION_HOME%\noption -Dself=${WYN_APP_PATH}";
    ASSERT_TRUE(writeBytes(shortDir + "\\app.exe", exe.bytes()));
    ASSERT_TRUE(writeBytes(shortDir + "\\app.exe.cfg", "splashtitle from the external file"));

    ConfigStore store(false);
    store.loadFrom((longDir + "\\app.exe").c_str());
    EXPECT_EQ(str(store.mainClass()), "app.Main");
    EXPECT_EQ(str(store.splashTitle()), "from the external file");
    EXPECT_EQ(str(store.exeFile()), longDir + "\\app.exe");
    EXPECT_EQ(str(store.exePath()), shortDir + "\\app.exe");
    EXPECT_EQ(str(store.exeDirectory()), shortDir + "\\");
    StringList options;
    store.collectOptions(options);
    ASSERT_EQ(options.count(), 2);
    EXPECT_EQ(std::string(options.stringAt(0)), "-Dhome=" + shortDir + "\\");
    EXPECT_EQ(std::string(options.stringAt(1)), "-Dself=" + shortDir + "\\app.exe");
}

TEST_F(NonAnsiDirectory, CurrentDirectoryAndEnvironmentPathsGiveTheShortForm) {
    wchar_t previous[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(wide(longDir).c_str()));
    TextString cwd = platform::currentDirectory();
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(str(cwd), shortDir);

    ASSERT_TRUE(SetEnvironmentVariableW(L"WYN_TEST_RUNTIME_HOME_PATH", wide(longDir).c_str()));
    TextString home = platform::getEnvPath("WYN_TEST_RUNTIME_HOME_PATH");
    SetEnvironmentVariableW(L"WYN_TEST_RUNTIME_HOME_PATH", nullptr);
    EXPECT_EQ(str(home), shortDir);
    EXPECT_EQ(platform::getEnvPath("WYN_TEST_RUNTIME_HOME_PATH").length(), 0);
}

TEST(PathForms, RepresentablePathsStayAndPathsWithoutAnyFormGiveNothing) {
    ScratchDirectory dir;
    std::string plain = dir.path() + "plain dir\\app.exe";
    EXPECT_EQ(str(platform::ansiPathOf(plain.c_str())), plain) << "whether it exists or not";
    // A path that does not exist has no short form either.
    std::string missing = dir.path() + kOmegaDirectory + "\\app.exe";
    EXPECT_EQ(platform::ansiPathOf(missing.c_str()).length(), 0);
    ConfigStore store(false);
    store.loadFrom(missing.c_str());
    EXPECT_EQ(str(store.exeFile()), missing);
    EXPECT_EQ(store.exePath().length(), 0);
    EXPECT_EQ(store.exeDirectory().length(), 0);
}

}  // namespace
