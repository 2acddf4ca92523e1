// The native splash window under Wine + Xvfb: placement, styles, painting, and every way it
// closes or refuses to close.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <vector>

#include "png_writer.h"
#include "splash/splash_window.h"
#include "splash_test_paths.h"
#include "splash_win_test_support.h"

namespace {

RECT windowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool splashGone() {
    return !splashWindowExists() && splashWindowHandle() == nullptr;
}

// The screen's colour at (x, y).
COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// The whole screen as a PNG file.
bool saveScreenshot(const std::string& path) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP capture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, capture);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    const auto* bgra = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb.push_back(bgra[i * 4 + 2]);
        rgb.push_back(bgra[i * 4 + 1]);
        rgb.push_back(bgra[i * 4]);
    }
    SelectObject(memory, previous);
    DeleteObject(capture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return writePng(path, width, height, rgb);
}

// Counts the close commands that reach the splash thread's message queue: the system turns
// Alt+F4 into one when the window lets WM_SYSKEYDOWN through to the default handling.
std::atomic<int> closeCommandsSeen{0};
LRESULT CALLBACK watchQueue(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && message->message == WM_SYSCOMMAND && (message->wParam & 0xFFF0) == SC_CLOSE) {
        ++closeCommandsSeen;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

using SplashWindowPlacement = SplashWindowTest;
using SplashWindowClosing = SplashWindowTest;

TEST_F(SplashWindowPlacement, CentredBitmapSizedToolWindowWithoutTitle) {
    showSplashWindow(makeBitmap(200, 120), TextString());
    HWND window = splashWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowClassName(window), "WYNSPLASH");
    EXPECT_EQ(windowText(window), "");

    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT rect = windowRect(window);
    EXPECT_EQ(rect.left, (screenWidth - 200) / 2);
    EXPECT_EQ(rect.top, (screenHeight - 120) / 2);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 120);

    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_CAPTION) << "a splash has no border or caption";
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "no title: no taskbar button";

    // The bitmap is painted: its band at the top, its body below.
    int middleX = rect.left + 100;
    EXPECT_TRUE(waitUntil([&] { return screenPixel(middleX, rect.top + 80) == kBodyColour; }, 3000))
        << std::hex << screenPixel(middleX, rect.top + 80);
    EXPECT_EQ(screenPixel(middleX, rect.top + 10), kBandColour);

    EXPECT_TRUE(saveScreenshot(screenshotPath("splash-native.png")));
}

TEST_F(SplashWindowPlacement, TitleGivesTaskbarButtonWithThatText) {
    showSplashWindow(makeBitmap(160, 90), TextString("Starting Example"));
    HWND window = splashWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), "Starting Example");
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

TEST_F(SplashWindowPlacement, BitmapLargerThanScreenOverhangsEveryEdge) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    showSplashWindow(makeBitmap(screenWidth + 200, screenHeight + 101), TextString());
    HWND window = splashWindow();
    ASSERT_NE(window, nullptr);
    RECT rect = windowRect(window);
    EXPECT_EQ(rect.left, -100);
    EXPECT_EQ(rect.top, -50) << "signed division truncates toward zero";
    EXPECT_EQ(rect.right - rect.left, screenWidth + 200);
    EXPECT_EQ(rect.bottom - rect.top, screenHeight + 101);
}

TEST_F(SplashWindowPlacement, SecondSplashWhileOneIsUpIsRefusedAndItsBitmapFreed) {
    showSplashWindow(makeBitmap(100, 100), TextString("first"));
    HWND first = splashWindow();
    ASSERT_NE(first, nullptr);
    HBITMAP second = makeBitmap(50, 50);
    showSplashWindow(second, TextString("second"));
    EXPECT_EQ(splashWindow(), first);
    EXPECT_EQ(windowText(first), "first");
    BITMAP info;
    EXPECT_EQ(GetObjectA(second, sizeof(info), &info), 0) << "the refused bitmap is deleted";
}

TEST_F(SplashWindowClosing, AutoCloseClosesAfterItsPeriod) {
    showSplashWindow(makeBitmap(120, 80), TextString());
    ASSERT_NE(splashWindow(), nullptr);
    EXPECT_FALSE(splashAutoCloseSet());
    setSplashAutoClose(400);
    EXPECT_TRUE(splashAutoCloseSet());
    Sleep(100);
    EXPECT_TRUE(IsWindow(splashWindow())) << "closed before its period ran out";
    EXPECT_TRUE(waitUntil(splashGone, 5000));
}

TEST_F(SplashWindowClosing, AutoCloseFlagCanBeCleared) {
    showSplashWindow(makeBitmap(120, 80), TextString());
    setSplashAutoClose(60000);
    ASSERT_TRUE(splashAutoCloseSet());
    clearSplashAutoCloseSet();
    EXPECT_FALSE(splashAutoCloseSet());
}

TEST_F(SplashWindowClosing, EveryCallReplacesThePendingClose) {
    showSplashWindow(makeBitmap(120, 80), TextString());
    setSplashAutoClose(150);
    setSplashAutoClose(60000);
    Sleep(1000);
    EXPECT_TRUE(splashWindowExists()) << "the first, shorter period was not replaced";
    setSplashAutoClose(100);
    EXPECT_TRUE(waitUntil(splashGone, 5000)) << "the long period was not replaced";
}

TEST_F(SplashWindowClosing, NegativePeriodOnlyCancels) {
    showSplashWindow(makeBitmap(120, 80), TextString());
    setSplashAutoClose(300);
    setSplashAutoClose(-1);
    EXPECT_TRUE(splashAutoCloseSet());
    Sleep(1000);
    EXPECT_TRUE(splashWindowExists());
    EXPECT_NE(splashWindow(), nullptr);
}

TEST_F(SplashWindowClosing, KeyPressCloses) {
    showSplashWindow(makeBitmap(120, 80), TextString());
    HWND window = splashWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_TRUE(waitUntil(splashGone, 5000));
}

TEST_F(SplashWindowClosing, ClicksAndSystemKeysIncludingAltF4DoNothing) {
    showSplashWindow(makeBitmap(120, 80), TextString("Clicks"));
    HWND window = splashWindow();
    ASSERT_NE(window, nullptr);
    const LPARAM altDown = static_cast<LPARAM>(1) << 29;
    struct Input {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } inputs[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10)},
        {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(10, 10)},
        {WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(10, 10)},
        {WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(10, 10)},
        {WM_NCMBUTTONDOWN, HTCAPTION, MAKELPARAM(10, 10)},
        {WM_SYSKEYDOWN, VK_MENU, altDown | 1},
        {WM_SYSKEYDOWN, VK_F4, altDown | 1},
    };
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, watchQueue, nullptr,
                                   GetWindowThreadProcessId(window, nullptr));
    ASSERT_NE(hook, nullptr);
    closeCommandsSeen = 0;
    for (const Input& input : inputs) {
        SendMessageA(window, input.message, input.wParam, input.lParam);
    }
    Sleep(500);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(closeCommandsSeen.load(), 0) << "Alt+F4 became a close command";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(splashWindow(), window);
}

TEST_F(SplashWindowClosing, CloseRequestFromAnotherThreadCloses) {
    showSplashWindow(makeBitmap(120, 80), TextString());
    ASSERT_NE(splashWindow(), nullptr);
    closeSplashWindow();
    EXPECT_TRUE(waitUntil(splashGone, 5000));
    // Requests after the window has gone are ignored.
    setSplashAutoClose(10);
    closeSplashWindow();
    EXPECT_FALSE(splashAutoCloseSet());
}

}  // namespace
