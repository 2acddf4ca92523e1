// The operating system's side of tray icons and tray menus: the hidden message window on a
// thread of its own, the notification area, icon images and popup menus. The JNI glue above
// it (tray_icons, tray_menus, tray_natives) is the same on every platform.
//
// Windows: the "WYNMESSAGE" window on its own thread with a message loop; Shell_NotifyIconA
// with a NOTIFYICONDATAA in the first (88-byte on x86) or the version-5 (488-byte on x86)
// layout; icons are the executable's icon resources at the system's small-icon size; menus are
// Win32 popup menus tracked on the message window's thread with that window as owner, whose
// WM_COMMAND and tray callback messages go to the handlers given to startMessageWindow. When
// the shell's taskbar is created again (Explorer restarted), the window hears "TaskbarCreated"
// and the restart handler adds the shown icons again.
// Linux: there is no message window. Shown icons become StatusNotifierItems on the session
// bus, served by a thread of their own that starts with the first icon shown (tray_bus.h);
// their clicks and menu commands reach the handlers on that thread. Icons are PNG images the
// packer stored in the archive; menus are exported as com.canonical.dbusmenu, and a popup
// attaches its menu to an icon and asks the desktop to open it; balloons are desktop
// notifications. The shell counts as version 5, so that the records above are kept as on a
// current Windows. There is no restart to hear of: an icon registers again by itself when a
// new watcher appears.
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
    // A balloon the next Add or Modify shows: set by the call that gave a balloon text, cleared
    // once the shell was told. Without it the shell gets no balloon at all (NIF_INFO unset), so
    // that a tooltip or icon change does not show the last balloon again.
    bool balloonPending = false;
    bool shown = false;  // added to the notification area
};

// The message the shell sends for mouse events on an icon: wParam is the icon id, lParam
// the mouse message.
constexpr uint32_t kTrayCallbackMessage = 1124;

using TrayMouseHandler = void (*)(uint32_t iconId, uint32_t mouseMessage);
using TrayCommandHandler = void (*)(uint32_t command);
using TrayRestartHandler = void (*)();

namespace trayshell {

// Starts the message window on a thread of its own, which calls the handlers for tray
// callback messages, for menu commands 50000 to 51000 and for a restarted shell; returns once
// the window exists or its creation failed, after 30 seconds at most. Called once per process.
void startMessageWindow(TrayCommandHandler onCommand, TrayMouseHandler onMouse,
                        TrayRestartHandler onShellRestart);

// The message window (an HWND), or null when there is none.
void* messageWindow();
// Where the tray's events come from, for the trace.
const char* eventSource();

// Whether icons can be shown now: Windows, when the taskbar's notification area (its
// "Shell_TrayWnd" window) exists; Linux, when a StatusNotifierWatcher answers on the session
// bus, asked with a bounded wait.
bool notificationAreaAvailable();

// The shell's major version, measured on the first call (4 when it cannot be asked).
int shellMajorVersion();

// The executable's icon resource with this id, or null. Windows: square, at the system's
// small-icon size: for the DPI of the taskbar's monitor when the process is aware of each
// monitor's DPI (the manifest's per-monitor setting), else for the system DPI (16 pixels at
// 100 %, 32 at 200 %); scaled down from a larger image where the resource has none of that
// size. Linux: the packed image at its own size.
void* loadIcon(int resourceId);
void destroyIcon(void* icon);

enum class NotifyAction { Add, Modify, Delete };
// Tells the shell about the record; failures are not reported. Add and Modify carry a balloon
// only when the record has one pending.
void notify(NotifyAction action, const TrayIconRecord& record);

// Popup menus. Item ids are the shell's (the Java id plus 50000).
void* createMenu();
void appendCommand(void* menu, const char* text, uint32_t itemId);
void appendSubmenu(void* menu, const char* text, void* submenu);
void appendSeparator(void* menu);
// Shows the menu at the mouse position and returns when it closes; a chosen item reaches
// the command handler on the message window's thread. Windows: the menu is tracked on the
// message window's thread, as a menu can only be tracked by the thread of its owner window;
// a caller on another thread waits for it, but gives up (nothing shown) when that thread has
// not started the menu within 5 seconds (it is busy in a callback that may wait for the caller).
void popupMenu(void* menu);
void destroyMenu(void* menu);

}  // namespace trayshell
