// The start-up's choice between the runtime's splash library and the native splash window.
#include "launcher/startup_splash.h"

#include "base/trace.h"
#include "config/config_store.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "runtime/runtime_locator.h"
#include "splash/splash_window.h"

namespace {

// A readable `splash` file or a raw data 100 resource: without either the library would be
// loaded for nothing, and loading it (with the windowing libraries it pulls in) costs start-up
// time.
bool splashImageAvailable(const TextString& imageFile) {
    if (!imageFile.empty() && platform::canRead(imageFile.c_str())) {
        return true;
    }
    const void* data = nullptr;
    int32_t size = 0;
    return platform::findSplashImageData(data, size);
}

bool runtimeSplashUp = false;

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
    return loadRuntimeSplash(libraryPath, imageFile);
}

void showStartupSplash(const ConfigStore& config) {
    TextString library = findRuntimeSplashLibrary();
    TextString imageFile = config.splash();
    if (!imageFile.empty() && !platform::canRead(imageFile.c_str())) {
        trace("splash image %s not found", imageFile.c_str());
    }
    if (!library.empty()) {
        if (splashImageAvailable(imageFile)) {
            RuntimeSplashResult result = showRuntimeSplash(library.c_str(), imageFile);
            runtimeSplashUp = result == RuntimeSplashResult::ShownFromFile ||
                              result == RuntimeSplashResult::ShownFromMemory;
            trace("runtime splash library %s: %s", library.c_str(),
                  runtimeSplashUp ? "shown" : "not shown");
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
