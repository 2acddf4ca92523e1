// Watching another process's windows from the end-to-end suite: finding them by class and
// process, reading message boxes, pressing their OK button, and screenshots of the display.
#pragma once

#include <windows.h>

#include <string>

// Polls every 20 ms for a visible top-level window of the class that belongs to the
// process; null after timeoutMs.
HWND waitForWindow(const char* className, DWORD processId, DWORD timeoutMs = 10000);
// The window of the class and process that exists now, or null.
HWND findWindow(const char* className, DWORD processId);
// Polls every 20 ms until the window is gone; false after timeoutMs.
bool waitUntilGone(HWND window, DWORD timeoutMs = 10000);

std::string windowText(HWND window);
std::string classNameOf(HWND window);

// What a message box shows.
struct MessageBoxView {
    std::string caption;
    std::string text;
    std::string ownerClass;  // empty when the box has no owner
};
MessageBoxView readMessageBox(HWND box);
// Clicks the box's OK button.
void pressOk(HWND box);
// Clicks the box's button with the id (IDYES, IDNO, ...).
void pressButton(HWND box, int id);

// Saves the whole screen as a PNG under the build tree's screenshot directory.
bool saveScreenshot(const std::string& name);
