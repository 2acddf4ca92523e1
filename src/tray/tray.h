// The tray as the launcher and the tests see it: the message window started before the
// launch, the icons removed at the end, and the two event handlers through which the
// message window (on Windows) or a test (on any platform) hands events to the Java callback.
//
// Windows: the handlers run on the message window's thread, called by its window procedure.
// Linux: the handlers run on the tray's session-bus thread (tray_bus.h), for the clicks and menu
// commands the desktop reports on the icons it shows.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

// Starts the message window (waits up to 30 seconds for it). Called once per process by the
// start-up sequence, before the launch.
void createTrayMessageWindow();

// Takes every icon out of the notification area and frees every record. Runs once per
// process (at the end of the launch, from the runtime's exit hook after System.exit, or from
// the termination signal handler); later calls do nothing. Java objects that still carry a
// freed record are ignored by the natives from then on. It calls no JNI function and waits for
// the tray's lock at most half a second: in the exit hook the runtime is gone, and a thread
// that it stopped inside a native may hold that lock for good. Then the shown icons are taken
// out by their ids without touching the records.
void removeAllTrayIcons();

// A mouse event on the icon with this id: OnMouseClick(icon's SystemTray, mouseMessage) on
// the registered callback, when there is one and the icon is shown. The calling thread is
// attached to the virtual machine for the call unless it already is.
void deliverTrayMouseEvent(uint32_t iconId, uint32_t mouseMessage);
// A menu command (item id = Java id + 50000): OnMenuCommand(command - 50000) on the registered
// callback. Commands outside 50000..51000 are ignored.
void deliverTrayMenuCommand(uint32_t command);

// What the table holds, in order of creation; for tests and the trace.
struct TrayIconState {
    const void* record;  // what the Java object's h holds
    uint32_t id;
    bool shown;
    bool balloonLayout;
    bool hasIcon;
    bool holdsObject;
    TextString tip;
    TextString info;
    TextString infoTitle;
    uint32_t infoFlags;
};
std::vector<TrayIconState> trayIconStates();
