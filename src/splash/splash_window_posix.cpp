// Linux has no native splash window: a Linux stub carries no bitmap, and the runtime's own
// splash library is the only splash there. Every request is accepted and nothing is shown.
#include "splash/splash_window.h"

void showSplashWindow(void*, const TextString&) {}

void setSplashAutoClose(int) {}

void closeSplashWindow() {}

void* splashWindowHandle() {
    return nullptr;
}

bool splashWindowExists() {
    return false;
}

bool splashAutoCloseSet() {
    return false;
}

void clearSplashAutoCloseSet() {}
