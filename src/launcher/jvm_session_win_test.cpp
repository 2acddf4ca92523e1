#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "launcher/jvm_session.h"
#include "platform/env.h"

namespace {

std::string currentPath() {
    const char* path = platform::getEnv("PATH");
    return path != nullptr ? path : "";
}

// Restores PATH, which a failed load extends for the rest of the process.
class JvmSessionLoadWin : public testing::Test {
  protected:
    JvmSessionLoadWin() : saved_(currentPath()) {}
    ~JvmSessionLoadWin() override { platform::putEnv(("PATH=" + saved_).c_str()); }

    std::string saved_;
};

TEST_F(JvmSessionLoadWin, SecondAttemptPutsTheParentOfTheLibrarysDirectoryOnPath) {
    struct Case {
        const char* path;
        const char* appended;
    } cases[] = {
        {"wyn-no-such-runtime.dll", ";.."},
        {"C:\\no-such-jre\\bin\\client\\jvm.dll", ";C:\\no-such-jre\\bin\\client\\.."},
        {"C:/no-such-jre/bin/server/jvm.dll", ";C:/no-such-jre/bin/server/.."},
        {"C:\\no-such-jre/bin\\jvm.dll", ";C:\\no-such-jre/bin\\.."},
    };
    for (const Case& c : cases) {
        platform::putEnv(("PATH=" + saved_).c_str());
        JvmSession session;
        testing::internal::CaptureStderr();

        EXPECT_EQ(session.loadRuntime(c.path), LaunchResult::RuntimeNotValid);

        std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(currentPath(), saved_ + c.appended);
        ASSERT_FALSE(printed.empty());
        EXPECT_EQ(printed.back(), '\n');
    }
}

TEST_F(JvmSessionLoadWin, RuntimeThatNeedsItsParentDirectoryLoadsOnTheSecondAttempt) {
    std::string library = WYN_TEST_RUNTIME_LIBRARY;
    std::string directory = library.substr(0, library.find_last_of("/\\") + 1);
    // Nothing on PATH leads to the runtime's companion library in the directory above.
    std::string systemOnly = "C:\\windows\\system32;C:\\windows";
    platform::putEnv(("PATH=" + systemOnly).c_str());
    JvmSession session;

    EXPECT_EQ(session.loadRuntime(library.c_str()), LaunchResult::Success);

    EXPECT_NE(session.library(), nullptr);
    EXPECT_EQ(currentPath(), systemOnly + ";" + directory + "..");
}

TEST_F(JvmSessionLoadWin, SystemMessageNamesTheFile) {
    std::string path = testing::TempDir() + "wyn-not-a-library.dll";
    std::ofstream(path) << "plain text, no code";
    JvmSession session;
    testing::internal::CaptureStderr();

    EXPECT_EQ(session.loadRuntime(path.c_str()), LaunchResult::RuntimeNotValid);

    std::string printed = testing::internal::GetCapturedStderr();
    std::remove(path.c_str());
    EXPECT_NE(printed.find(path), std::string::npos) << printed;
}

}  // namespace
