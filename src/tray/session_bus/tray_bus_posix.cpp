// The bus thread of the Linux tray. It starts with the first icon shown and then serves the
// session bus until the process ends:
//   - a shown icon gets a connection of its own, takes the name
//     "org.kde.StatusNotifierItem-<pid>-<icon id>", serves its item and menu objects and
//     registers with "org.kde.StatusNotifierWatcher" (again whenever a watcher starts);
//   - a hidden icon's connection is closed, which takes its name off the bus, and the
//     watcher then drops the item;
//   - changes go out as the protocol's signals (NewIcon, NewToolTip, LayoutUpdated, and
//     ItemActivationRequested for a popup); balloons go to "org.freedesktop.Notifications";
//   - clicks and menu commands are handed to Java after the bus has been served, on this
//     thread, which the handlers attach to the virtual machine for each call.
// Without libsystemd, without a session bus, or without a watcher the icons are simply not
// shown, and the trace says why.
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "base/trace.h"
#include "platform/files.h"
#include "platform/sync.h"
#include "tray/session_bus/tray_bus_connection.h"

namespace {

constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
constexpr char kNotificationsName[] = "org.freedesktop.Notifications";
constexpr char kNotificationsPath[] = "/org/freedesktop/Notifications";
constexpr char kWatcherAppears[] =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.kde.StatusNotifierWatcher'";

constexpr uint32_t kInfoKindMask = 0x0F;
constexpr uint32_t kInfoInformation = 1;
constexpr uint32_t kInfoWarning = 2;
constexpr uint32_t kInfoError = 3;

thread_local uint32_t iconOfCurrentEvent = 0;

const char* errorText(int negativeErrno) {
    return std::strerror(-negativeErrno);
}

const char* replyErrorText(const SdBusLibrary& sd, sd_bus_message* reply) {
    const sd_bus_error* error = sd.sd_bus_message_get_error(reply);
    if (error == nullptr) {
        return nullptr;
    }
    return error->message != nullptr ? error->message : error->name;
}

// The executable's file name, which the desktop shows as the application's.
std::string applicationName() {
    TextString path = platform::executablePath();
    const char* name = std::strrchr(path.c_str(), '/');
    return busTextFromAnsi(name != nullptr ? name + 1 : path.c_str());
}

int registered(sd_bus_message* reply, void* userData, sd_bus_error*) {
    auto& connection = *static_cast<TrayBusConnection*>(userData);
    const char* error = replyErrorText(*connection.sd, reply);
    if (error != nullptr) {
        trace("tray: icon %u is not shown, no status notifier watcher answered (%s)",
              connection.icon.id, error);
    } else {
        trace("tray: icon %u shown as %s", connection.icon.id, connection.name.c_str());
    }
    return 1;
}

void registerWithWatcher(TrayBusConnection& connection) {
    int r = connection.sd->sd_bus_call_method_async(
        connection.bus, nullptr, kWatcherName, kWatcherPath, kWatcherName,
        "RegisterStatusNotifierItem", registered, &connection, "s", connection.name.c_str());
    if (r < 0) {
        trace("tray: icon %u cannot register with a watcher (%s)", connection.icon.id,
              errorText(r));
    }
}

// The icon registers once its name is its own (the watcher asks the name's owner).
int nameTaken(sd_bus_message* reply, void* userData, sd_bus_error*) {
    auto& connection = *static_cast<TrayBusConnection*>(userData);
    const char* error = replyErrorText(*connection.sd, reply);
    if (error != nullptr) {
        trace("tray: icon %u is not shown, its bus name was refused (%s)", connection.icon.id,
              error);
        return 1;
    }
    registerWithWatcher(connection);
    return 1;
}

int watcherChanged(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto& connection = *static_cast<TrayBusConnection*>(userData);
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (connection.sd->sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) >= 0 &&
        newOwner[0] != '\0') {
        registerWithWatcher(connection);
    }
    return 0;
}

int notified(sd_bus_message* reply, void* userData, sd_bus_error*) {
    auto& connection = *static_cast<TrayBusConnection*>(userData);
    const char* error = replyErrorText(*connection.sd, reply);
    uint32_t id = 0;
    if (error != nullptr) {
        trace("tray: balloon of icon %u not shown, no notification service answered (%s)",
              connection.icon.id, error);
    } else if (connection.sd->sd_bus_message_read(reply, "u", &id) > 0) {
        connection.notificationId = id;
    }
    return 1;
}

// Sends the icon's balloon as a desktop notification that replaces the icon's last one.
void showBalloon(TrayBusConnection& connection) {
    const SdBusLibrary& sd = *connection.sd;
    const BusIcon& icon = connection.icon;
    // The low bits are the balloon's kind; the shell's further flags (sound, large icon) have
    // no counterpart here.
    uint32_t kind = icon.infoFlags & kInfoKindMask;
    const char* image = kind == kInfoInformation ? "dialog-information"
                        : kind == kInfoWarning   ? "dialog-warning"
                        : kind == kInfoError     ? "dialog-error"
                                                 : "";
    uint8_t urgency = kind == kInfoError ? 2 : 1;
    sd_bus_message* call = nullptr;
    int r = sd.sd_bus_message_new_method_call(connection.bus, &call, kNotificationsName,
                                              kNotificationsPath, kNotificationsName, "Notify");
    if (r >= 0) {
        r = sd.sd_bus_message_append(call, "susssasa{sv}i", connection.applicationName.c_str(),
                                     connection.notificationId, image, icon.infoTitle.c_str(),
                                     icon.info.c_str(), 0, 1, "urgency", "y", urgency, -1);
    }
    if (r >= 0) {
        r = sd.sd_bus_call_async(connection.bus, nullptr, call, notified, &connection, 0);
    }
    sd.sd_bus_message_unref(call);
    if (r < 0) {
        trace("tray: balloon of icon %u not sent (%s)", icon.id, errorText(r));
    }
}

// One shown icon on its own connection: false (traced) when it cannot be put on the bus.
bool connect(TrayBusConnection& connection) {
    const SdBusLibrary& sd = *connection.sd;
    int r = sd.sd_bus_open_user(&connection.bus);
    if (r < 0) {
        connection.bus = nullptr;
        trace("tray: icon %u is not shown, no session bus (%s)", connection.icon.id, errorText(r));
        return false;
    }
    r = sd.sd_bus_request_name_async(connection.bus, nullptr, connection.name.c_str(), 0, nameTaken,
                                     &connection);
    if (r >= 0) {
        r = sd.sd_bus_add_object(connection.bus, nullptr, kItemPath, handleItemMessage,
                                 &connection);
    }
    if (r >= 0) {
        r = sd.sd_bus_add_object(connection.bus, nullptr, kMenuPath, handleMenuMessage,
                                 &connection);
    }
    if (r >= 0) {
        r = sd.sd_bus_add_match(connection.bus, nullptr, kWatcherAppears, watcherChanged,
                                &connection);
    }
    if (r < 0) {
        trace("tray: icon %u is not shown, the session bus refused it (%s)", connection.icon.id,
              errorText(r));
        sd.sd_bus_flush_close_unref(connection.bus);
        connection.bus = nullptr;
        return false;
    }
    return true;
}

void emit(TrayBusConnection& connection, const char* path, const char* interface,
          const char* member) {
    connection.sd->sd_bus_emit_signal(connection.bus, path, interface, member, nullptr);
}

// Tells the desktop what changed since it was last told.
void publishChanges(TrayBusConnection& connection, const BusIcon& now, unsigned menuItemsAdded) {
    BusIcon& was = connection.icon;
    bool newImage = now.image != was.image;
    bool newTip = now.tip != was.tip;
    bool newMenu = now.menuChanges != was.menuChanges;
    bool menuGrew = now.menu != nullptr && menuItemsAdded != connection.menuItemsSeen;
    bool open = now.menuOpens != was.menuOpens;
    bool balloon = now.balloons != was.balloons;
    was = now;
    connection.menuItemsSeen = menuItemsAdded;
    const SdBusLibrary& sd = *connection.sd;
    if (newImage) {
        emit(connection, kItemPath, kItemInterface, "NewIcon");
    }
    if (newTip) {
        emit(connection, kItemPath, kItemInterface, "NewToolTip");
    }
    if (newMenu || menuGrew) {
        ++connection.menuRevision;
        sd.sd_bus_emit_signal(connection.bus, kMenuPath, kMenuInterface, "LayoutUpdated", "ui",
                              connection.menuRevision, 0);
    }
    if (newMenu) {
        // The protocol has no signal for a new menu path; hosts read every property again
        // when the title changes.
        emit(connection, kItemPath, kItemInterface, "NewTitle");
    }
    if (open) {
        sd.sd_bus_emit_signal(connection.bus, kMenuPath, kMenuInterface, "ItemActivationRequested",
                              "iu", 0, 0u);
    }
    if (balloon) {
        showBalloon(connection);
    }
}

class TrayBusThread {
  public:
    TrayBusThread(TrayBusModel& model, const SdBusLibrary& sd) : model_(model), sd_(sd) {}
    void run();

  private:
    void syncWithModel();
    void serveConnections();
    void deliverEvents();
    int pollTimeoutMs() const;

    TrayBusModel& model_;
    const SdBusLibrary& sd_;
    std::string applicationName_ = applicationName();
    std::map<uint32_t, std::unique_ptr<TrayBusConnection>> connections_;
    // Icons whose connection failed: not tried again until they are hidden and shown.
    std::set<uint32_t> failed_;
    std::vector<PendingTrayEvent> events_;
};

void TrayBusThread::syncWithModel() {
    std::lock_guard<std::mutex> guard(model_.lock);
    for (auto it = connections_.begin(); it != connections_.end();) {
        auto icon = model_.icons.find(it->first);
        if (icon == model_.icons.end() || !icon->second.shown) {
            sd_.sd_bus_flush_close_unref(it->second->bus);
            trace("tray: icon %u taken off the bus", it->first);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [id, icon] : model_.icons) {
        if (!icon.shown) {
            failed_.erase(id);
            continue;
        }
        auto found = connections_.find(id);
        if (found != connections_.end()) {
            publishChanges(*found->second, icon, model_.menuItemsAdded);
            continue;
        }
        if (failed_.count(id) != 0) {
            continue;
        }
        auto connection = std::make_unique<TrayBusConnection>();
        connection->sd = &sd_;
        connection->name =
            "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(id);
        connection->applicationName = applicationName_;
        connection->events = &events_;
        connection->icon = icon;
        connection->menuItemsSeen = model_.menuItemsAdded;
        if (!connect(*connection)) {
            failed_.insert(id);
            continue;
        }
        if (icon.balloons != 0) {
            showBalloon(*connection);
        }
        connections_[id] = std::move(connection);
    }
}

// Serves every connection until nothing is left to do. A connection that broke is closed, and
// its icon waits for its next Show.
void TrayBusThread::serveConnections() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        int r = 0;
        while ((r = sd_.sd_bus_process(it->second->bus, nullptr)) > 0) {
        }
        if (r < 0) {
            trace("tray: icon %u lost the session bus (%s)", it->first, errorText(r));
            sd_.sd_bus_flush_close_unref(it->second->bus);
            failed_.insert(it->first);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

// Hands the events to Java, except those of icons no longer shown: the desktop may still
// click an item it has not yet seen leave, also after the launcher removed every icon at the
// end, when the virtual machine is about to go.
void TrayBusThread::deliverEvents() {
    std::vector<PendingTrayEvent> events;
    TrayMouseHandler onMouse = nullptr;
    TrayCommandHandler onCommand = nullptr;
    {
        std::lock_guard<std::mutex> guard(model_.lock);
        onMouse = model_.onMouse;
        onCommand = model_.onCommand;
        for (const PendingTrayEvent& event : events_) {
            auto icon = model_.icons.find(event.iconId);
            if (icon != model_.icons.end() && icon->second.shown) {
                events.push_back(event);
                model_.lastEventIcon = event.iconId;
            }
        }
    }
    events_.clear();
    for (const PendingTrayEvent& event : events) {
        iconOfCurrentEvent = event.iconId;
        if (event.command && onCommand != nullptr) {
            onCommand(event.value);
        } else if (!event.command && onMouse != nullptr) {
            onMouse(event.iconId, event.value);
        }
        iconOfCurrentEvent = 0;
    }
}

int TrayBusThread::pollTimeoutMs() const {
    uint64_t earliest = UINT64_MAX;
    for (const auto& [id, connection] : connections_) {
        uint64_t timeout = UINT64_MAX;
        if (sd_.sd_bus_get_timeout(connection->bus, &timeout) >= 0 && timeout < earliest) {
            earliest = timeout;
        }
    }
    if (earliest == UINT64_MAX) {
        return -1;
    }
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t nowUs =
        static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
    if (earliest <= nowUs) {
        return 0;
    }
    uint64_t ms = (earliest - nowUs + 999) / 1000;
    return ms > 60000 ? 60000 : static_cast<int>(ms);
}

void TrayBusThread::run() {
    for (;;) {
        syncWithModel();
        serveConnections();
        deliverEvents();
        std::vector<pollfd> fds;
        fds.push_back(pollfd{model_.wakeFd, POLLIN, 0});
        for (const auto& [id, connection] : connections_) {
            int events = sd_.sd_bus_get_events(connection->bus);
            fds.push_back(pollfd{sd_.sd_bus_get_fd(connection->bus),
                                 static_cast<short>(events < 0 ? 0 : events), 0});
        }
        if (poll(fds.data(), fds.size(), pollTimeoutMs()) < 0 && errno != EINTR) {
            trace("tray: the bus thread stops (%s)", std::strerror(errno));
            return;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            (void)!read(model_.wakeFd, &count, sizeof(count));
        }
    }
}

unsigned WYN_THREAD_CALL busThreadMain(void* argument) {
    auto& model = *static_cast<TrayBusModel*>(argument);
    TextString reason;
    const SdBusLibrary* sd = sdBusLibrary(reason);
    if (sd == nullptr) {
        trace("tray: icons are not shown, the D-Bus library cannot be used (%s)", reason.c_str());
        return 0;
    }
    TrayBusThread(model, *sd).run();
    return 0;
}

}  // namespace

TrayBusModel& trayBusModel() {
    static TrayBusModel* model = new TrayBusModel();
    return *model;
}

void startTrayBusThread(TrayBusModel& model) {
    if (model.threadStarted) {
        return;
    }
    model.threadStarted = true;
    model.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (model.wakeFd < 0) {
        trace("tray: icons are not shown, no event descriptor (%s)", std::strerror(errno));
        return;
    }
    if (!platform::startDetachedThread(busThreadMain, &model)) {
        trace("tray: icons are not shown, the bus thread cannot start");
    }
}

void wakeTrayBusThread(TrayBusModel& model) {
    if (model.wakeFd >= 0) {
        uint64_t one = 1;
        (void)!write(model.wakeFd, &one, sizeof(one));
    }
}

uint32_t trayIconOfCurrentEvent() {
    return iconOfCurrentEvent;
}

int answerPropertyCall(const TrayBusConnection& connection, sd_bus_message* message,
                       const char* interface, const char* const* names, PropertyWriter write) {
    const SdBusLibrary& sd = *connection.sd;
    bool get = sd.sd_bus_message_is_method_call(message, kPropertiesInterface, "Get") > 0;
    bool getAll = sd.sd_bus_message_is_method_call(message, kPropertiesInterface, "GetAll") > 0;
    if (!get && !getAll) {
        return 0;
    }
    const char* asked = nullptr;
    const char* property = nullptr;
    int r = get ? sd.sd_bus_message_read(message, "ss", &asked, &property)
                : sd.sd_bus_message_read(message, "s", &asked);
    if (r < 0) {
        return r;
    }
    bool ours = std::strcmp(asked, interface) == 0;
    const char* const* known = names;
    while (get && ours && *known != nullptr && std::strcmp(*known, property) != 0) {
        ++known;
    }
    if (get && (!ours || *known == nullptr)) {
        return sd.sd_bus_reply_method_errorf(message, "org.freedesktop.DBus.Error.UnknownProperty",
                                             "no property %s of %s", property, asked);
    }
    sd_bus_message* reply = nullptr;
    r = sd.sd_bus_message_new_method_return(message, &reply);
    if (r >= 0 && get) {
        r = write(connection, reply, property);
    } else if (r >= 0) {
        r = sd.sd_bus_message_open_container(reply, 'a', "{sv}");
        for (const char* const* name = names; r >= 0 && ours && *name != nullptr; ++name) {
            r = sd.sd_bus_message_open_container(reply, 'e', "sv");
            if (r >= 0) {
                r = sd.sd_bus_message_append(reply, "s", *name);
            }
            if (r >= 0) {
                r = write(connection, reply, *name);
            }
            if (r >= 0) {
                r = sd.sd_bus_message_close_container(reply);
            }
        }
        if (r >= 0) {
            r = sd.sd_bus_message_close_container(reply);
        }
    }
    return sendReply(sd, reply, r);
}

int sendReply(const SdBusLibrary& sd, sd_bus_message* reply, int r) {
    if (r >= 0) {
        r = sd.sd_bus_send(nullptr, reply, nullptr);
    }
    sd.sd_bus_message_unref(reply);
    return r >= 0 ? 1 : r;
}

int answerIntrospection(const TrayBusConnection& connection, sd_bus_message* message,
                        const char* interfaceXml) {
    const SdBusLibrary& sd = *connection.sd;
    if (sd.sd_bus_message_is_method_call(message, "org.freedesktop.DBus.Introspectable",
                                         "Introspect") <= 0) {
        return 0;
    }
    std::string xml =
        "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n"
        " <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
        "  <method name=\"Introspect\"><arg name=\"xml\" type=\"s\" direction=\"out\"/></method>\n"
        " </interface>\n"
        " <interface name=\"org.freedesktop.DBus.Properties\">\n"
        "  <method name=\"Get\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" "
        "direction=\"in\"/>"
        "<arg type=\"v\" direction=\"out\"/></method>\n"
        "  <method name=\"GetAll\"><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"a{sv}\" direction=\"out\"/></method>\n"
        " </interface>\n";
    xml += interfaceXml;
    xml += "</node>\n";
    return sd.sd_bus_reply_method_return(message, "s", xml.c_str());
}
