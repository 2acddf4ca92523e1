// The Java runtime's own splash library (splashscreen.dll / libsplashscreen.so), which can
// show an image before the virtual machine exists; java.awt.SplashScreen in the started
// runtime then reports that splash, so the application controls it with the standard API.
//
// The start-up sequence (launcher/startup_splash.h) prefers it to the launcher's own window:
// when the runtime that will be started carries the library, the image comes from the file
// named by the `splash` key, else from the entry of the packed archive of that name (stored
// uncompressed, handed over in memory; java.awt.SplashScreen.getImageURL() then names it as a
// jar: URL inside the executable), else from the executable's raw data resource 100.
//
// Windows: a library that cannot be loaded by its path is tried once more with its directory
// appended to PATH (its own dependencies sit beside it). Linux: the loader reads its search
// path only at process start, so there is no retry; a Linux stub has no raw data resource, so
// only the `splash` file or entry can be shown.
#pragma once

#include "base/text.h"

// An image that an entry of the packed archive holds.
struct SplashArchiveImage {
    ByteBuffer bytes;      // the entry's bytes; empty when there is no such image
    TextString entryName;  // its name in the archive, in UTF-8
    TextString archive;    // the executable that carries the archive, in ANSI (may be empty)
};

// What an attempt to show the runtime's splash came to.
enum class RuntimeSplashResult {
    ShownFromFile,     // "SplashInit", "SplashLoadFile" with the `splash` file, then
                       // "SplashSetFileJarName" with it (when the library has that function)
    ShownFromEntry,    // "SplashInit", "SplashLoadMemory" with the archive entry's bytes, then
                       // "SplashSetFileJarName" with its name and the executable (when the
                       // library has that function)
    ShownFromMemory,   // "SplashInit", then "SplashLoadMemory" with raw data 100
    NotShown,          // "SplashInit" and the loading function were called, but the library
                       // declined the image: it has no display (Linux without X11), or it
                       // cannot decode the image
    LibraryNotLoaded,  // the library could not be loaded
    NoInitFunction,    // the library has no "SplashInit"
    NoImage,           // no readable `splash` file, no archive entry and no raw data 100
    NoLoadFunction,    // the library lacks the loading function that the image needs
};

// The splash library that belongs to the runtime library at jvmLibrary: the runtime
// library's directory (up to and including its last separator), "../" and the splash
// library's name ("splashscreen.dll" / "libsplashscreen.so"), when that file is readable;
// else empty. Empty for an empty jvmLibrary.
TextString runtimeSplashLibraryBeside(TextView jvmLibrary);

// Loads the library at libraryPath (in the quiet error mode) and has it show imageFile when
// that names a readable file, else archiveImage when it holds bytes, else the executable's raw
// data 100. The loading function's answer decides between Shown... and NotShown: the library
// answers 0 when it has no display or cannot read the image, and then shows nothing (and is
// not told the image's name). The library stays loaded, and so must archiveImage's bytes while
// it shows them.
// Where the loader reads PATH at every load (Windows), a failed load is retried once with
// PATH extended by ";" and the library's directory; the change stays, for child processes
// too.
RuntimeSplashResult loadRuntimeSplash(
    const char* libraryPath, const TextString& imageFile,
    const SplashArchiveImage& archiveImage = SplashArchiveImage());
