// The start-up's splash step: the choice between the runtime's splash library, which needs
// the located runtime loaded into the session first, and the native splash window.
// Same on every platform; a Linux stub has no bitmap 100, so there it is the runtime's
// splash or nothing.
#pragma once

#include "base/text.h"
#include "splash/runtime_splash.h"

class ConfigStore;

// How long the splash stays once the launch has moved on, unless the application sets a time
// of its own (SplashScreen.autoClose) or closes it first; in milliseconds.
constexpr int kSplashCloseAfterMainCalledMs = 1750;  // main is about to be called
constexpr int kSplashCloseAfterMainEndedMs = 750;    // main has returned or thrown
constexpr int kSplashCloseOnWindowLatestMs = 30000;  // `splashclosewindow`: if no window opens
constexpr int kSplashCloseOnFailureMs = 100;         // a failure's message is shown

// The splash library beside the runtime that the locator finds, or empty (no runtime, or no
// splash library there: the native window is then the splash).
TextString findRuntimeSplashLibrary();

// Loads the located runtime into activeSession first (the splash library depends on it, and
// the launch then uses the same runtime), then shows imageFile (the `splash` key's file), the
// `splash` entry of the archive read by showStartupSplash, or the embedded image through
// libraryPath.
[[nodiscard]] RuntimeSplashResult showRuntimeSplash(const char* libraryPath,
                                                    const TextString& imageFile);

// The start-up's splash step: the runtime's splash when findRuntimeSplashLibrary names one
// and there is an image for it (a readable `splash` file, else a stored entry of the packed
// archive of that name, else raw data 100; never the native window then), else the native
// window with bitmap 100 and the `splashtitle` text, else nothing.
void showStartupSplash(const ConfigStore& config);

// True once the runtime's splash library shows an image: the launch then has it closed on
// the application's behalf (see the launch sequence).
bool runtimeSplashShown();
