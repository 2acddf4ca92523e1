// Asks whether a StatusNotifierWatcher answers on the session bus, for SystemTray.isSupported:
// a Ping to the watcher's name on a short-lived connection of its own, so that the answer
// never waits on the bus thread or on a desktop that does not answer. Linux only.
#include <cstdint>

#include "tray/session_bus/sd_bus_library.h"
#include "tray/session_bus/tray_bus.h"

namespace {

constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
// How long a watcher may take to answer before the tray counts as absent.
constexpr uint64_t kAnswerWaitMicroseconds = 500000;

}  // namespace

bool statusNotifierWatcherAnswers() {
    TextString reason;
    const SdBusLibrary* sd = sdBusLibrary(reason);
    if (sd == nullptr) {
        return false;
    }
    sd_bus* bus = nullptr;
    if (sd->sd_bus_open_user(&bus) < 0) {
        return false;
    }
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int r = sd->sd_bus_message_new_method_call(bus, &call, kWatcherName, kWatcherPath,
                                               "org.freedesktop.DBus.Peer", "Ping");
    if (r >= 0) {
        r = sd->sd_bus_call(bus, call, kAnswerWaitMicroseconds, nullptr, &reply);
    }
    sd->sd_bus_message_unref(call);
    sd->sd_bus_message_unref(reply);
    sd->sd_bus_flush_close_unref(bus);
    return r >= 0;
}
