// The tray's shell side on Linux: there is no notification area to talk to, so nothing is
// shown and no event comes from the system. Menus exist only as the glue's records.
#include "tray/tray_shell.h"

namespace trayshell {

void startMessageWindow(TrayCommandHandler, TrayMouseHandler) {}

void* messageWindow() {
    return nullptr;
}

// The records are kept as a version-5 shell would have them, so that they are the same as on
// a current Windows.
int shellMajorVersion() {
    return 5;
}

void* loadIcon(int) {
    return nullptr;
}

void destroyIcon(void*) {}

void notify(NotifyAction, const TrayIconRecord&) {}

void* createMenu() {
    return nullptr;
}

void appendCommand(void*, const char*, uint32_t) {}

void appendSubmenu(void*, const char*, void*) {}

void appendSeparator(void*) {}

void popupMenu(void*) {}

void destroyMenu(void*) {}

}  // namespace trayshell
