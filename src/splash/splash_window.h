// The launcher's own splash window: the executable's bitmap 100, centred on the screen as a
// borderless popup, on a thread of its own with its own message loop, shown while the runtime
// loads and the application starts.
//
// It closes when its auto-close timer runs out (armed by the launch sequence or by the Java
// application), when the application closes it through the SplashScreen natives, or when the
// user presses a key while it has the focus. Clicks and system keys (Alt+F4) do nothing.
//
// The window belongs to its own thread; every other thread reaches it only through the
// functions below, which are safe to call from any thread at any time, also before a window
// exists and after it has gone.
//
// Windows: a "WYNSPLASH" window on a thread at the lowest priority; requests from other
// threads are posted to the window and carried out by its thread.
// Linux: there is no native splash window. showSplashWindow shows nothing, the handle is
// always null, and the other functions do nothing.
#pragma once

#include "base/text.h"

// Takes ownership of the bitmap (an HBITMAP on Windows) and shows it with the title as the
// window text; an empty title gives a window without a taskbar button. Returns once the window
// exists, or its creation has failed, or after 30 seconds at most.
void showSplashWindow(void* bitmap, const TextString& title);

// Replaces the pending auto-close: the window closes once ms milliseconds have passed; a
// negative value only cancels a pending close. Nothing happens while there is no window;
// otherwise the auto-close flag is set.
void setSplashAutoClose(int ms);

// Asks the window to close (as if its timer had run out). Nothing happens without a window.
void closeSplashWindow();

// The window handle (an HWND on Windows), or null while no window exists. The start-up
// sequence uses it as the owner of its error message boxes.
void* splashWindowHandle();

// True from the start of the splash thread until it has cleaned up.
bool splashWindowExists();

// The auto-close flag: set by every setSplashAutoClose that reached a window, so that the
// launch sequence can tell whether the application has taken over the splash's timing.
bool splashAutoCloseSet();
void clearSplashAutoCloseSet();
