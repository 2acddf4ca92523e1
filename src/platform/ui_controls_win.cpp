// The common controls library, loaded once at start-up.
#include <commctrl.h>
#include <windows.h>

#include "platform/ui.h"

namespace platform {

void initCommonControls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = 8;
    controls.dwICC = 0;
    InitCommonControlsEx(&controls);
}

}  // namespace platform
