#include <gtest/gtest.h>

#include <string>

#include "launcher/jvm_session.h"
#include "platform/env.h"

namespace {

std::string currentPath() {
    const char* path = platform::getEnv("PATH");
    return path != nullptr ? path : "";
}

// The loader's search path is fixed at process start, so a library that cannot be loaded is
// tried once, and PATH is left alone.
TEST(JvmSessionLoadPosix, OneAttemptThenTheLoadersReason) {
    struct Case {
        const char* path;
        const char* reasonHolds;
    } cases[] = {
        {"/no-such-directory/server/libjvm.so", "/no-such-directory/server/libjvm.so"},
        {"libwyn-no-such-runtime.so", "libwyn-no-such-runtime.so"},
    };
    for (const Case& c : cases) {
        std::string pathBefore = currentPath();
        JvmSession session;
        testing::internal::CaptureStderr();

        EXPECT_EQ(session.loadRuntime(c.path), LaunchResult::RuntimeNotValid);

        std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(session.library(), nullptr);
        EXPECT_EQ(currentPath(), pathBefore) << c.path;
        EXPECT_NE(printed.find(c.reasonHolds), std::string::npos) << printed;
        EXPECT_NE(printed.find("No such file or directory"), std::string::npos) << printed;
        ASSERT_FALSE(printed.empty());
        EXPECT_EQ(printed.find('\n'), printed.size() - 1) << "one line: " << printed;
    }
}

}  // namespace
