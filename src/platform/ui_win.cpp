// The error message box on Windows.
#include <windows.h>

#include "platform/ui.h"

namespace platform {

void showErrorBox(void* owner, const char* text, const char* caption) {
    MessageBoxA(static_cast<HWND>(owner), text, caption,
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace platform
