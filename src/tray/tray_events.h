// Tray events into Java: the message window started before the launch, and the two event
// handlers through which the message window (on Windows) or a test (on any platform) hands
// events to the Java callback.
//
// Windows: the handlers run on the message window's thread, called by its window procedure.
// Linux: the handlers run on the tray's session-bus thread (session_bus/tray_bus.h), for the
// clicks and menu commands the desktop reports on the icons it shows.
#pragma once

#include <cstdint>

// Starts the message window (waits up to 30 seconds for it). Called once per process by the
// start-up sequence, before the launch.
void createTrayMessageWindow();

// A mouse event on the icon with this id: OnMouseClick(icon's SystemTray, mouseMessage) on
// the registered callback, when there is one and the icon is shown. The calling thread is
// attached to the virtual machine for the call unless it already is.
void deliverTrayMouseEvent(uint32_t iconId, uint32_t mouseMessage);
// A menu command (item id = Java id + 50000): OnMenuCommand(command - 50000) on the registered
// callback. Commands outside 50000..51000 are ignored.
void deliverTrayMenuCommand(uint32_t command);
