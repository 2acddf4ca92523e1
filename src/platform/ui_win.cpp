// The error message box on Windows.
#include <windows.h>

#include <string>

#include "platform/ui.h"

namespace platform {

void showErrorBox(void* owner, const char* text, const char* caption) {
    MessageBoxA(static_cast<HWND>(owner), text, caption,
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

namespace {

std::wstring wideOfUtf8(const char* text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(units > 0 ? static_cast<size_t>(units) : 1, L'\0');
    if (units > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], units);
    }
    return wide;
}

}  // namespace

void showErrorBoxUtf8(void* owner, const char* text, const char* caption) {
    MessageBoxW(static_cast<HWND>(owner), wideOfUtf8(text).c_str(), wideOfUtf8(caption).c_str(),
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace platform
