// Helpers of the Windows splash window tests.
#include "splash_win_test_support.h"

#include "splash/splash_window.h"
#include "support/drawing_win.h"

HBITMAP makeBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT body = {0, 0, width, height};
    HBRUSH bodyBrush = CreateSolidBrush(kBodyColour);
    FillRect(memory, &body, bodyBrush);
    DeleteObject(bodyBrush);
    RECT band = {0, 0, width, height / 4};
    HBRUSH bandBrush = CreateSolidBrush(kBandColour);
    FillRect(memory, &band, bandBrush);
    DeleteObject(bandBrush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

bool waitUntil(const std::function<bool()>& condition, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        if (condition()) {
            return true;
        }
        Sleep(20);
    }
    return condition();
}

HWND splashWindow() {
    return static_cast<HWND>(splashWindowHandle());
}

std::string windowClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string windowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

void SplashWindowTest::SetUp() {
    WYN_SKIP_WITHOUT_DRAWING();
    ASSERT_TRUE(waitUntil([] { return !splashWindowExists(); }, 5000))
        << "an earlier splash did not go away";
}

void SplashWindowTest::TearDown() {
    closeSplashWindow();
    EXPECT_TRUE(waitUntil([] { return !splashWindowExists(); }, 5000))
        << "the splash thread did not end after its window was closed";
}
