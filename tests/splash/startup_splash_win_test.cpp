// The start-up's splash step on Windows without a runtime splash library: the native window
// with the executable's bitmap 100 and the `splashtitle` text.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/config_store.h"
#include "launcher/startup_splash.h"
#include "runtime/runtime_locator.h"
#include "splash/splash_window.h"
#include "splash_win_test_support.h"
#include "support/payload_builder.h"
#include "support/scratch_tree.h"

namespace {

using StartupSplashWin = SplashWindowTest;

TEST_F(StartupSplashWin, WithoutRuntimeSplashTheBitmapIsShownWithTheTitle) {
    ScratchTree tree;
    CraftedExecutable exe;
    exe.config =
        "jre_order=c\njvmdll=" + tree.path("missing/jvm.dll") + "\nsplashtitle=Loading Example\n";
    std::string path = tree.path("app.exe");
    ASSERT_TRUE(writeBytes(path, exe.bytes()));
    ConfigStore store(false);
    store.loadFrom(path.c_str());
    activeConfig = &store;
    forgetLocatedJvmLibrary();

    showStartupSplash(store);
    HWND window = splashWindow();
    activeConfig = nullptr;
    forgetLocatedJvmLibrary();

    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), "Loading Example");
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 48) << "the size of bitmap 100";
    EXPECT_EQ(rect.bottom - rect.top, 32);
}

}  // namespace
