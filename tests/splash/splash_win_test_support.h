// Helpers of the Windows splash window tests: bitmaps of a known size and colour, waiting for
// the splash thread, and a fixture that leaves no splash behind.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

// The colours of the test bitmaps: a band of kBandColour over the top quarter, the rest
// kBodyColour.
constexpr COLORREF kBodyColour = RGB(0x10, 0x80, 0x90);
constexpr COLORREF kBandColour = RGB(0xF0, 0x80, 0x20);

HBITMAP makeBitmap(int width, int height);
// True once condition holds, polling for at most ms milliseconds.
bool waitUntil(const std::function<bool()>& condition, int ms);
HWND splashWindow();
std::string windowClassName(HWND window);
std::string windowText(HWND window);

// Each test starts and ends without a splash window.
class SplashWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};
