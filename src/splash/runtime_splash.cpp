// Loading the runtime's splash library and handing it the splash image.
#include "splash/runtime_splash.h"

#include <type_traits>

#include "platform/codepage.h"
#include "platform/dynlib.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/resources.h"

namespace {

// The library's entry points; each is null when the library does not export it.
struct SplashFunctions {
#define WYN_SPLASH_FUNCTION(name, ...) std::add_pointer_t<__VA_ARGS__> name = nullptr;
#include "splash/splash_functions.inc"
#undef WYN_SPLASH_FUNCTION
};

SplashFunctions findSplashFunctions(platform::LibraryHandle library) {
    SplashFunctions functions;
#define WYN_SPLASH_FUNCTION(name, ...) \
    functions.name =                   \
        reinterpret_cast<decltype(functions.name)>(platform::findSymbol(library, #name));
#include "splash/splash_functions.inc"
#undef WYN_SPLASH_FUNCTION
    return functions;
}

// The length of path's directory part, including its last separator ('\\' or '/'); 0 when it
// has none.
int32_t directoryLength(TextView path) {
    for (int32_t i = path.length - 1; i >= 0; --i) {
        if (path.data[i] == '\\' || path.data[i] == '/') {
            return i + 1;
        }
    }
    return 0;
}

// Appends ";" and directory to PATH, so that the loader finds the library's own dependencies.
void appendToPath(TextView directory) {
    TextString assignment("PATH=");
    const char* old = platform::getEnv("PATH");
    if (old != nullptr) {
        assignment.append(old);
    }
    assignment.append(";");
    assignment.append(directory);
    platform::putEnv(assignment.c_str());
}

}  // namespace

TextString runtimeSplashLibraryBeside(TextView jvmLibrary) {
    if (jvmLibrary.length == 0) {
        return TextString();
    }
    TextString candidate(jvmLibrary.data, directoryLength(jvmLibrary));
    candidate.append("../");
    candidate.append(platform::kSplashLibraryName);
    if (!platform::canRead(candidate.c_str())) {
        return TextString();
    }
    return candidate;
}

RuntimeSplashResult loadRuntimeSplash(const char* libraryPath, const TextString& imageFile,
                                      const SplashArchiveImage& archiveImage) {
    platform::setQuietErrorMode();
    platform::LibraryHandle library = platform::loadLibrary(libraryPath);
    if (library == nullptr) {
        TextView path(libraryPath);
        int32_t directory = directoryLength(path);
        if (directory > 0 && platform::searchPathHelpsLoading()) {
            appendToPath(TextView(libraryPath, directory));
            library = platform::loadLibrary(libraryPath);
        }
    }
    if (library == nullptr) {
        return RuntimeSplashResult::LibraryNotLoaded;
    }

    SplashFunctions splash = findSplashFunctions(library);
    if (splash.SplashInit == nullptr) {
        return RuntimeSplashResult::NoInitFunction;
    }

    if (!imageFile.empty() && platform::canRead(imageFile.c_str())) {
        if (splash.SplashLoadFile == nullptr) {
            return RuntimeSplashResult::NoLoadFunction;
        }
        splash.SplashInit();
        if (splash.SplashLoadFile(imageFile.c_str()) == 0) {
            return RuntimeSplashResult::NotShown;
        }
        // java.awt.SplashScreen.getImageURL() reports the file named here.
        if (splash.SplashSetFileJarName != nullptr) {
            splash.SplashSetFileJarName(imageFile.c_str(), nullptr);
        }
        return RuntimeSplashResult::ShownFromFile;
    }

    if (!archiveImage.bytes.empty()) {
        if (splash.SplashLoadMemory == nullptr) {
            return RuntimeSplashResult::NoLoadFunction;
        }
        splash.SplashInit();
        if (splash.SplashLoadMemory(const_cast<char*>(archiveImage.bytes.data()),
                                    archiveImage.bytes.length()) == 0) {
            return RuntimeSplashResult::NotShown;
        }
        // With a jar name, getImageURL() reports jar:file:<executable>!/<entry>. Both names
        // are read in the process's code page.
        if (splash.SplashSetFileJarName != nullptr && !archiveImage.archive.empty()) {
            const TextString& name = archiveImage.entryName;
            WideString wide = wideFromUtf8(name.c_str(), name.length());
            TextString entry = narrowFromWide(wide.data(), wide.length());
            splash.SplashSetFileJarName(entry.c_str(), archiveImage.archive.c_str());
        }
        return RuntimeSplashResult::ShownFromEntry;
    }

    const void* data = nullptr;
    int32_t size = 0;
    if (!platform::findSplashImageData(data, size)) {
        return RuntimeSplashResult::NoImage;
    }
    if (splash.SplashLoadMemory == nullptr) {
        return RuntimeSplashResult::NoLoadFunction;
    }
    splash.SplashInit();
    // The library only reads the image; its interface takes a plain pointer.
    if (splash.SplashLoadMemory(const_cast<void*>(data), size) == 0) {
        return RuntimeSplashResult::NotShown;
    }
    return RuntimeSplashResult::ShownFromMemory;
}
