// The start-up's choice between the runtime's splash library and the native splash window.
#include "launcher/startup_splash.h"

#include "base/trace.h"
#include "config/archive_entry.h"
#include "config/config_store.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "runtime/runtime_locator.h"
#include "splash/splash_window.h"

namespace {

// The image of the `splash` entry of the packed archive. It lives as long as the process: the
// library is handed a pointer to it.
SplashArchiveImage archiveImage;

// Reads the entry that `splash` names from the packed archive into archiveImage.
void readSplashEntry(const ConfigStore& config) {
    TextString name = config.splashEntry();
    if (name.empty()) {
        return;
    }
    ArchiveEntryStatus status =
        readStoredEntry(config.exeFile().c_str(), TextView(name), archiveImage.bytes);
    trace("splash entry %s of the archive: %s", name.c_str(), describeEntryStatus(status));
    if (status == ArchiveEntryStatus::Found) {
        archiveImage.entryName = name;
        archiveImage.archive = config.exePath();
    }
}

// A readable `splash` file, an archive entry or a raw data 100 resource: without any of them
// the library would be loaded for nothing, and loading it (with the windowing libraries it
// pulls in) costs start-up time.
bool splashImageAvailable(const TextString& imageFile) {
    if (!imageFile.empty() && platform::canRead(imageFile.c_str())) {
        return true;
    }
    if (!archiveImage.bytes.empty()) {
        return true;
    }
    const void* data = nullptr;
    int32_t size = 0;
    return platform::findSplashImageData(data, size);
}

bool runtimeSplashUp = false;

// The trace's words for what showing the runtime's splash came to.
const char* describeRuntimeSplash(RuntimeSplashResult result) {
    switch (result) {
        case RuntimeSplashResult::ShownFromFile:
            return "shown, the splash file";
        case RuntimeSplashResult::ShownFromEntry:
            return "shown, the archive entry";
        case RuntimeSplashResult::ShownFromMemory:
            return "shown, the embedded image";
        case RuntimeSplashResult::NotShown:
            return "not shown: the library declined the image (no display, or an image it "
                   "cannot read)";
        case RuntimeSplashResult::LibraryNotLoaded:
            return "not shown: the library cannot be loaded";
        case RuntimeSplashResult::NoInitFunction:
            return "not shown: the library has no SplashInit";
        case RuntimeSplashResult::NoImage:
            return "not shown: no image";
        case RuntimeSplashResult::NoLoadFunction:
            return "not shown: the library cannot load this kind of image source";
    }
    return "not shown";
}

}  // namespace

bool runtimeSplashShown() {
    return runtimeSplashUp;
}

TextString findRuntimeSplashLibrary() {
    return runtimeSplashLibraryBeside(locateJvmLibrary());
}

RuntimeSplashResult showRuntimeSplash(const char* libraryPath, const TextString& imageFile) {
    // The splash library depends on the runtime library; loading the runtime first through
    // the session also makes it the one that the launch will use.
    TextString jvmLibrary = locateJvmLibrary();
    if (!jvmLibrary.empty() && activeSession != nullptr) {
        (void)activeSession->loadRuntime(jvmLibrary.c_str());
    }
    return loadRuntimeSplash(libraryPath, imageFile, archiveImage);
}

void showStartupSplash(const ConfigStore& config) {
    archiveImage = SplashArchiveImage();
    TextString library = findRuntimeSplashLibrary();
    TextString imageFile = config.splash();
    bool noFile = !imageFile.empty() && !platform::canRead(imageFile.c_str());
    if (noFile) {
        trace("splash image %s not found", imageFile.c_str());
    }
    if (!library.empty()) {
        // Without a file of that name beside the program, `splash` may name an entry of the
        // packed archive; it is read only when the library is there to show it.
        if (noFile) {
            readSplashEntry(config);
        }
        if (splashImageAvailable(imageFile)) {
            RuntimeSplashResult result = showRuntimeSplash(library.c_str(), imageFile);
            runtimeSplashUp = result == RuntimeSplashResult::ShownFromFile ||
                              result == RuntimeSplashResult::ShownFromEntry ||
                              result == RuntimeSplashResult::ShownFromMemory;
            trace("runtime splash library %s: %s", library.c_str(), describeRuntimeSplash(result));
            return;
        }
        trace("runtime splash library %s: no image for it", library.c_str());
    }
    // Without the runtime's splash library, or without an image for it, the stub's own
    // bitmap (if it has one) shows in the launcher's window.
    void* bitmap = platform::loadSplashBitmap();
    if (bitmap != nullptr) {
        trace("native splash window");
        showSplashWindow(bitmap, config.splashTitle());
    } else {
        trace("no splash");
    }
}
