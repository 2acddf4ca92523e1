// Packed launchers under Wine on a private X display: the failure message box and its
// owner, the launcher's own splash window (size, position, taskbar button, what closes it
// and when, the exported natives), and no native window when the runtime's splash library
// lacks SplashInit. Screenshots go to the build tree's screenshots directory.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/drawing_win.h"
#include "wine-e2e/window_probe.h"
#include "wine-e2e/wine_launch_fixture.h"

namespace {

const char kSplashClass[] = "WYNSPLASH";
const char kBoxClass[] = "#32770";

std::vector<EnvChange> mainScript(const std::string& script) {
    return {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
            {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, script}};
}

std::string okConfig() {
    return std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY + "\nmainclass=app/Main\n";
}

// The screen as a PNG where this process can draw; elsewhere a note saying why there is none.
void recordScreenshot(const std::string& name) {
    if (!processCanDraw()) {
        std::printf("no screenshot %s: %s\n", name.c_str(), kNoDrawingReason);
        return;
    }
    EXPECT_TRUE(saveScreenshot(name));
}

// Waits until the runtime log holds a line that starts with prefix; the tick count then.
DWORD waitForRecord(const WineLaunch& launch, const std::string& prefix) {
    DWORD start = GetTickCount();
    while (launch.runtimeRecords(prefix).empty() && GetTickCount() - start < 15000) {
        Sleep(20);
    }
    return launch.runtimeRecords(prefix).empty() ? 0 : GetTickCount();
}

TEST(MessageBox, FailureWithoutSplashHasNoOwner) {
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_STUB, "jre_order=c\njvmdll=missing.dll\n");
    LauncherProcess process;
    ASSERT_TRUE(process.start(exe, "", launch.baseEnvironment()));
    HWND box = waitForWindow(kBoxClass, process.processId());
    ASSERT_NE(box, nullptr);
    MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.caption, "Error");
    EXPECT_EQ(view.text,
              "Java Runtime Environment not found.\n\nLooked for a Java runtime in:\n  " +
                  launch.file("missing.dll") + " (jvmdll)");
    EXPECT_EQ(view.ownerClass, "");
    recordScreenshot("wine-e2e-message-box.png");
    EXPECT_TRUE(process.running()) << "the box holds the launcher until it is answered";
    pressOk(box);
    EXPECT_EQ(process.wait(), 1);
}

TEST(MessageBox, VersionMessageIsFormattedAndOwnedByTheSplash) {
    WYN_SKIP_WITHOUT_DRAWING();  // the launcher's splash window needs its bitmap
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, okConfig() + "minjre=1.7\n");
    LauncherProcess process;
    ASSERT_TRUE(process.start(
        exe, "",
        withEnv(launch.baseEnvironment(), {{"WYN_TEST_RUNTIME_VERSION", true, "1.6.0_45"}})));
    HWND box = waitForWindow(kBoxClass, process.processId());
    ASSERT_NE(box, nullptr);
    HWND splash = findWindow(kSplashClass, process.processId());
    ASSERT_NE(splash, nullptr);
    MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.caption, "Error");
    EXPECT_EQ(view.text,
              "Java virtual machine version 1.6.0_45 is too low, require 1.7 or higher.");
    EXPECT_EQ(view.ownerClass, kSplashClass);
    recordScreenshot("wine-e2e-message-box-over-splash.png");
    Sleep(0);
    EXPECT_TRUE(IsWindow(splash)) << "the splash stays while the box is up";
    pressOk(box);
    EXPECT_TRUE(waitUntilGone(splash, 5000)) << "the splash closes after the box";
    EXPECT_EQ(process.wait(), 6);
}

TEST(NativeSplash, CentredWithoutTaskbarButtonAndClosedAfterTheRuntimeStarts) {
    WYN_SKIP_WITHOUT_DRAWING();  // the launcher's splash window needs its bitmap
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, okConfig());
    LauncherProcess process;
    ASSERT_TRUE(process.start(exe, "", withEnv(launch.baseEnvironment(), mainScript("wait"))));
    HWND splash = waitForWindow(kSplashClass, process.processId());
    ASSERT_NE(splash, nullptr);
    RECT rect{};
    GetWindowRect(splash, &rect);
    BITMAP expected{};
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, WYN_E2E_SPLASH_BMP, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(bitmap, nullptr);
    GetObjectA(bitmap, sizeof(expected), &expected);
    DeleteObject(bitmap);
    EXPECT_EQ(rect.right - rect.left, expected.bmWidth);
    EXPECT_EQ(rect.bottom - rect.top, expected.bmHeight);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - expected.bmWidth) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - expected.bmHeight) / 2);
    EXPECT_NE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(windowText(splash), "");

    DWORD started = waitForRecord(launch, "main-class");
    ASSERT_NE(started, 0u);
    recordScreenshot("wine-e2e-native-splash.png");
    ASSERT_TRUE(waitUntilGone(splash, 10000));
    DWORD closedAfter = GetTickCount() - started;
    EXPECT_GE(closedAfter, 1000u) << "the close timer runs 1750 ms";
    EXPECT_LE(closedAfter, 6000u);
    EXPECT_TRUE(process.running());
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(process.wait(), 0);
}

TEST(NativeSplash, TitleGivesATaskbarButtonAndOnlyAKeyClosesIt) {
    WYN_SKIP_WITHOUT_DRAWING();  // the launcher's splash window needs its bitmap
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, okConfig() + "splashtitle=My App\n");
    LauncherProcess process;
    // The native cancels the launch's timers, so only the user's input can close it.
    ASSERT_TRUE(
        process.start(exe, "", withEnv(launch.baseEnvironment(), mainScript("autoclose:-1,wait"))));
    HWND splash = waitForWindow(kSplashClass, process.processId());
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(windowText(splash), "My App");
    ASSERT_NE(waitForRecord(launch, "script wait"), 0u);

    PostMessageA(splash, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(splash, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    PostMessageA(splash, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));
    Sleep(2500);  // past the 1750 ms the launch would have armed without the native
    EXPECT_TRUE(IsWindow(splash)) << "clicks, Alt+F4 and the cancelled timer leave it up";
    PostMessageA(splash, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_TRUE(waitUntilGone(splash, 5000));
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(process.wait(), 0);
}

TEST(NativeSplash, ExportedNativesCancelTheTimerAndCloseIt) {
    WYN_SKIP_WITHOUT_DRAWING();  // the launcher's splash window needs its bitmap
    // Cancelled, the launch's 1750 ms timer never fires: the splash is still up 2.5 s into
    // main, and only the next native closes it.
    for (const char* last : {"autoclose:0", "close"}) {
        SCOPED_TRACE(last);
        WineLaunch launch;
        std::string exe = launch.pack(WYN_E2E_SPLASH_STUB, okConfig());
        LauncherProcess process;
        ASSERT_TRUE(process.start(
            exe, "",
            withEnv(launch.baseEnvironment(),
                    mainScript(std::string("autoclose:-1,sleep:2500,") + last + ",wait"))));
        HWND splash = waitForWindow(kSplashClass, process.processId());
        ASSERT_NE(splash, nullptr);
        ASSERT_NE(waitForRecord(launch, std::string("script ") + last), 0u);
        EXPECT_TRUE(IsWindow(splash)) << "cancelled by nativeAutoClose(-1)";
        EXPECT_TRUE(waitUntilGone(splash, 5000));
        ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
        EXPECT_EQ(process.wait(), 0);
    }
}

TEST(RuntimeSplash, WithoutAnImageForTheLibraryTheBitmapShows) {
    WYN_SKIP_WITHOUT_DRAWING();  // the launcher's splash window needs its bitmap
    WineLaunch launch;
    launch.copyTestRuntime("rt");
    ASSERT_TRUE(CopyFileA((std::string(WYN_E2E_SPLASH_LIBS) + "full\\splashscreen.dll").c_str(),
                          launch.file("rt\\bin\\splashscreen.dll").c_str(), FALSE));
    std::string exe =
        launch.pack(WYN_E2E_BITMAP_STUB, "jvmdll=rt\\bin\\server\\jvm.dll\nmainclass=app/Main\n");
    LauncherProcess process;
    ASSERT_TRUE(process.start(exe, "", withEnv(launch.baseEnvironment(), mainScript("wait"))));
    EXPECT_NE(waitForWindow(kSplashClass, process.processId()), nullptr);
    EXPECT_EQ(WineLaunch::lines(launch.splashLog()), std::vector<std::string>());
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(process.wait(), 0);
}

TEST(RuntimeSplash, LibraryWithoutSplashInitShowsNoSplashAtAll) {
    WineLaunch launch;
    launch.copyTestRuntime("rt");
    ASSERT_TRUE(CopyFileA((std::string(WYN_E2E_SPLASH_LIBS) + "noinit\\splashscreen.dll").c_str(),
                          launch.file("rt\\bin\\splashscreen.dll").c_str(), FALSE));
    std::string exe =
        launch.pack(WYN_E2E_SPLASH_STUB, "jvmdll=rt\\bin\\server\\jvm.dll\nmainclass=app/Main\n");
    LauncherProcess process;
    ASSERT_TRUE(process.start(exe, "", withEnv(launch.baseEnvironment(), mainScript("wait"))));
    ASSERT_NE(waitForRecord(launch, "script wait"), 0u);
    EXPECT_EQ(findWindow(kSplashClass, process.processId()), nullptr);
    EXPECT_EQ(WineLaunch::lines(launch.splashLog()), std::vector<std::string>());
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(process.wait(), 0);
}

}  // namespace
