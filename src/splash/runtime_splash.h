// The Java runtime's own splash library (splashscreen.dll / libsplashscreen.so), which can
// show an image before the virtual machine exists; java.awt.SplashScreen in the started
// runtime then reports that splash, so the application controls it with the standard API.
//
// The start-up sequence prefers it to the launcher's own window: when the runtime that will be
// started carries the library, the image comes from the file named by the `splash` key, else
// from the executable's raw data resource 100. Once the library is chosen there is no fallback
// to the native window, whatever goes wrong.
//
// Windows: a library that cannot be loaded by its path is tried once more with its directory
// appended to PATH (its own dependencies sit beside it). Linux: the loader reads its search
// path only at process start, so there is no retry; a Linux stub has no raw data resource, so
// only the `splash` file can be shown.
#pragma once

#include "config/text.h"

class ConfigStore;

// What an attempt to show the runtime's splash came to.
enum class RuntimeSplashResult {
    ShownFromFile,     // "SplashInit", then "SplashLoadFile" with the `splash` file
    ShownFromMemory,   // "SplashInit", then "SplashLoadMemory" with raw data 100
    LibraryNotLoaded,  // the library could not be loaded
    NoInitFunction,    // the library has no "SplashInit"
    NoImage,           // neither a readable `splash` file nor raw data 100
    NoLoadFunction,    // the library lacks the loading function that the image needs
};

// The splash library that belongs to the runtime library at jvmLibrary: the runtime
// library's directory (up to and including its last separator), "../" and the splash
// library's name ("splashscreen.dll" / "libsplashscreen.so"), when that file is readable;
// else empty. Empty for an empty jvmLibrary.
TextString runtimeSplashLibraryBeside(TextView jvmLibrary);

// Loads the library at libraryPath (in the quiet error mode) and has it show imageFile when
// that names a readable file, else the executable's raw data 100. The library stays loaded.
// Where the loader reads PATH at every load (Windows), a failed load is retried once with
// PATH extended by ";" and the library's directory; the change stays, for child processes
// too.
RuntimeSplashResult loadRuntimeSplash(const char* libraryPath, const TextString& imageFile);

// The splash library beside the runtime that the locator finds, or empty (no runtime, or no
// splash library there: the native window is then the splash).
TextString findRuntimeSplashLibrary();

// Loads the located runtime into activeSession first (the splash library depends on it, and
// the launch then uses the same runtime), then shows imageFile (the `splash` key's file) or
// the embedded image through libraryPath.
RuntimeSplashResult showRuntimeSplash(const char* libraryPath, const TextString& imageFile);

// The start-up's splash step: the runtime's splash when findRuntimeSplashLibrary names one
// (loaded only when there is an image for it: a readable `splash` file or raw data 100; never
// the native window then), else the native window with bitmap 100 and the `splashtitle`
// text, else nothing.
void showStartupSplash(const ConfigStore& config);
