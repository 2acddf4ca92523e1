// The SplashScreen natives without a native splash window (always so on Linux, and in this
// test program on Windows): no object, and the other calls do nothing.
#include "splash/splash_natives.h"

#include <gtest/gtest.h>

#include "splash/splash_window.h"

namespace {

TEST(SplashNatives, WithoutWindowThereIsNoSplashScreenAndNothingHappens) {
    ASSERT_EQ(splashWindowHandle(), nullptr);
    // No window: the natives must not even touch the environment.
    EXPECT_EQ(Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen(nullptr, nullptr), nullptr);
    Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose(nullptr, nullptr, 0);
    Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose(nullptr, nullptr, -1);
    Java_com_tarnwick_wyn_SplashScreen_nativeClose(nullptr, nullptr);
    EXPECT_FALSE(splashAutoCloseSet());
    EXPECT_FALSE(splashWindowExists());
    EXPECT_EQ(Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen(nullptr, nullptr), nullptr);
}

}  // namespace
