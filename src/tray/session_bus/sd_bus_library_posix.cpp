// Loads libsystemd's sd-bus functions once, on first use by the tray's bus thread.
#include <mutex>

#include "platform/dynlib.h"
#include "tray/session_bus/sd_bus_library.h"

namespace {

constexpr char kLibraryName[] = "libsystemd.so.0";

struct LoadedLibrary {
    SdBusLibrary functions;
    bool complete = false;
    TextString reason;
};

void load(LoadedLibrary& loaded) {
    platform::LibraryHandle library = platform::loadLibrary(kLibraryName);
    if (library == nullptr) {
        loaded.reason = platform::lastLoadError(kLibraryName);
        return;
    }
    bool complete = true;
    auto find = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            platform::findSymbol(library, name));
        if (function == nullptr && complete) {
            complete = false;
            loaded.reason = TextString(kLibraryName);
            loaded.reason.append(" has no ");
            loaded.reason.append(name);
        }
    };
#define WYN_SD_BUS_FUNCTION(name) find(loaded.functions.name, #name);
#include "tray/session_bus/sd_bus_functions.inc"
#undef WYN_SD_BUS_FUNCTION
    // The library stays loaded for the life of the process, also when it is incomplete:
    // nothing of it is used then, and unloading is not worth the risk.
    loaded.complete = complete;
}

}  // namespace

const SdBusLibrary* sdBusLibrary(TextString& reason) {
    static LoadedLibrary* loaded = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        loaded = new LoadedLibrary();
        load(*loaded);
    });
    reason = loaded->reason;
    return loaded->complete ? &loaded->functions : nullptr;
}
