// The splash library of a real JDK on Linux: lib/server/libjvm.so has lib/libsplashscreen.so.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "splash/runtime_splash.h"

namespace {

const char kJdk[] = "/usr/lib/jvm/java-17-openjdk-amd64";

TEST(RuntimeSplashPosix, JdkLayoutGivesTheLibraryAboveTheServerDirectory) {
    std::string jvm = std::string(kJdk) + "/lib/server/libjvm.so";
    if (!platform::canRead(jvm.c_str())) {
        GTEST_SKIP() << "no JDK 17 at " << kJdk;
    }
    EXPECT_STREQ(runtimeSplashLibraryBeside(jvm.c_str()).c_str(),
                 (std::string(kJdk) + "/lib/server/../libsplashscreen.so").c_str());
}

}  // namespace
