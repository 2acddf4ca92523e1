// The common controls library, loaded once at start-up, and the process's taskbar identity.
#include <windows.h>

// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <string>

#include "platform/ui.h"

namespace platform {

void initCommonControls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = 8;
    controls.dwICC = 0;
    InitCommonControlsEx(&controls);
}

bool setTaskbarIdentity(const char* utf8Id) {
    using SetId = HRESULT(WINAPI*)(PCWSTR);
    auto setId = reinterpret_cast<SetId>(reinterpret_cast<void*>(GetProcAddress(
        GetModuleHandleA("shell32.dll"), "SetCurrentProcessExplicitAppUserModelID")));
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Id, -1, nullptr, 0);
    if (setId == nullptr || units <= 0) {
        return false;
    }
    std::wstring id(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Id, -1, &id[0], units);
    return SUCCEEDED(setId(id.c_str()));
}

}  // namespace platform
