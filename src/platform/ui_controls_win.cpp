// The common controls library, loaded once at start-up.
#include <windows.h>

// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "platform/ui.h"

namespace platform {

void initCommonControls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = 8;
    controls.dwICC = 0;
    InitCommonControlsEx(&controls);
}

}  // namespace platform
