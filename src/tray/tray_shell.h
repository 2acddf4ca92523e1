// The operating system's side of tray icons and tray menus: the hidden message window on a
// thread of its own, the notification area, icon images and popup menus. The JNI glue above
// it (tray_icons, tray_menus, tray_natives) is the same on every platform.
//
// Windows: the "WYNMESSAGE" window on its own thread with a message loop; Shell_NotifyIconA
// with a NOTIFYICONDATAA in the first (88-byte on x86) or the version-5 (488-byte on x86)
// layout; icons are the executable's icon resources at 16 x 16; menus are Win32 popup menus
// tracked with the message window as owner, whose WM_COMMAND and tray callback messages go to
// the handlers given to startTrayMessageWindow.
// Linux: there is no message window. Shown icons become StatusNotifierItems on the session
// bus, served by a thread of their own that starts with the first icon shown (tray_bus.h);
// their clicks and menu commands reach the handlers on that thread. Icons are PNG images the
// packer stored in the archive; menus are exported as com.canonical.dbusmenu, and a popup
// attaches its menu to an icon and asks the desktop to open it; balloons are desktop
// notifications. The shell counts as version 5, so that the records above are kept as on a
// current Windows.
#pragma once

#include <cstdint>

// What the shell is told about one tray icon.
struct TrayIconRecord {
    // The version-5 layout with balloon fields: chosen at creation when the shell's major
    // version is at least 5 and both balloon texts were given; else the first layout.
    bool balloonLayout = false;
    uint32_t id = 0;
    void* icon = nullptr;  // owned (an HICON on Windows)
    char tip[64] = {};     // at most 63 bytes
    char info[256] = {};
    char infoTitle[64] = {};
    uint32_t infoFlags = 0;
    bool shown = false;  // added to the notification area
};

// The message the shell sends for mouse events on an icon: wParam is the icon id, lParam
// the mouse message.
constexpr uint32_t kTrayCallbackMessage = 1124;

using TrayMouseHandler = void (*)(uint32_t iconId, uint32_t mouseMessage);
using TrayCommandHandler = void (*)(uint32_t command);

namespace trayshell {

// Starts the message window on a thread of its own, which calls the handlers for tray
// callback messages and for menu commands 50000 to 51000; returns once the window exists or
// its creation failed, after 30 seconds at most. Called once per process.
void startMessageWindow(TrayCommandHandler onCommand, TrayMouseHandler onMouse);

// The message window (an HWND), or null when there is none.
void* messageWindow();
// Where the tray's events come from, for the trace.
const char* eventSource();

// The shell's major version, measured on the first call (4 when it cannot be asked).
int shellMajorVersion();

// The executable's icon resource with this id at 16 x 16 pixels, or null.
void* loadIcon(int resourceId);
void destroyIcon(void* icon);

enum class NotifyAction { Add, Modify, Delete };
// Tells the shell about the record; failures are not reported.
void notify(NotifyAction action, const TrayIconRecord& record);

// Popup menus. Item ids are the shell's (the Java id plus 50000).
void* createMenu();
void appendCommand(void* menu, const char* text, uint32_t itemId);
void appendSubmenu(void* menu, const char* text, void* submenu);
void appendSeparator(void* menu);
// Shows the menu at the mouse position and returns when it closes; a chosen item reaches
// the command handler on the message window's thread.
void popupMenu(void* menu);
void destroyMenu(void* menu);

}  // namespace trayshell
