// The start-up's splash step with the installed JDK on Linux: its splash library is chosen,
// but without an image to show neither it nor the runtime is loaded yet.
#include <gtest/gtest.h>

#include <string>

#include "config/config_store.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "launcher/startup_splash.h"
#include "platform/files.h"
#include "runtime/runtime_locator.h"
#include "splash/splash_window.h"
#include "support/payload_builder.h"
#include "support/scratch_tree.h"

namespace {

TEST(StartupSplashPosix, JdkSplashLibraryIsChosenButNotLoadedWithoutAnImage) {
    std::string jvm = std::string(WYN_TEST_JDK) + "/lib/server/libjvm.so";
    ASSERT_TRUE(platform::canRead(jvm.c_str())) << jvm;
    ScratchTree tree;
    CraftedExecutable exe;
    // No `splash` file: a Linux stub has no embedded image, so nothing is shown.
    exe.config = "jre_order=c\njvmdll=" + jvm + "\n";
    std::string path = tree.path("app");
    ASSERT_TRUE(writeBytes(path, exe.bytes()));
    ConfigStore store(false);
    store.loadFrom(path.c_str());
    JvmSession session;
    activeConfig = &store;
    activeSession = &session;
    forgetLocatedJvmLibrary();

    TextString library = findRuntimeSplashLibrary();
    showStartupSplash(store);
    bool runtimeLoaded = session.library() != nullptr;

    activeConfig = nullptr;
    activeSession = nullptr;
    forgetLocatedJvmLibrary();
    EXPECT_STREQ(library.c_str(),
                 (std::string(WYN_TEST_JDK) + "/lib/server/../libsplashscreen.so").c_str());
    EXPECT_FALSE(runtimeLoaded) << "nothing to show: the launch loads the runtime later";
    EXPECT_FALSE(splashWindowExists());
}

}  // namespace
