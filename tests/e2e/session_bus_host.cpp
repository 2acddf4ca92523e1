// The private session bus and the stand-in desktop services of the tray suites.
#include "e2e/session_bus_host.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kWatcher[] = "org.kde.StatusNotifierWatcher";
constexpr char kNotifications[] = "org.freedesktop.Notifications";
constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kItem[] = "org.kde.StatusNotifierItem";
constexpr char kMenu[] = "com.canonical.dbusmenu";

sd_bus* connectTo(const std::string& address) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) {
        return nullptr;
    }
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0) {
        sd_bus_unref(bus);
        return nullptr;
    }
    return bus;
}

int registerItem(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* items = static_cast<std::pair<std::mutex*, std::vector<std::string>*>*>(userData);
    const char* service = nullptr;
    int r = sd_bus_message_read(message, "s", &service);
    if (r < 0) {
        return r;
    }
    std::string name = service;
    if (!name.empty() && name[0] == '/') {
        name = std::string(sd_bus_message_get_sender(message)) + name;
    }
    {
        std::lock_guard<std::mutex> guard(*items->first);
        items->second->push_back(name);
    }
    sd_bus_emit_signal(sd_bus_message_get_bus(message), "/StatusNotifierWatcher", kWatcher,
                       "StatusNotifierItemRegistered", "s", name.c_str());
    return sd_bus_reply_method_return(message, nullptr);
}

int nameOwnerChanged(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* items = static_cast<std::pair<std::mutex*, std::vector<std::string>*>*>(userData);
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0 ||
        newOwner[0] != '\0') {
        return 0;
    }
    std::lock_guard<std::mutex> guard(*items->first);
    std::vector<std::string>& list = *items->second;
    for (size_t i = 0; i < list.size();) {
        if (list[i] == name) {
            list.erase(list.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
    return 0;
}

struct NotificationStore {
    std::mutex* lock;
    std::vector<ReceivedNotification>* list;
};

int notify(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* store = static_cast<NotificationStore*>(userData);
    ReceivedNotification received{};
    const char* application = nullptr;
    const char* icon = nullptr;
    const char* summary = nullptr;
    const char* body = nullptr;
    int r = sd_bus_message_read(message, "susss", &application, &received.replaces, &icon, &summary,
                                &body);
    if (r >= 0) {
        r = sd_bus_message_skip(message, "as");
    }
    if (r >= 0) {
        r = sd_bus_message_enter_container(message, 'a', "{sv}");
    }
    while (r >= 0 && (r = sd_bus_message_enter_container(message, 'e', "sv")) > 0) {
        const char* key = nullptr;
        r = sd_bus_message_read(message, "s", &key);
        if (r >= 0 && std::strcmp(key, "urgency") == 0) {
            uint8_t urgency = 0;
            r = sd_bus_message_read(message, "v", "y", &urgency);
            received.urgency = urgency;
        } else if (r >= 0) {
            r = sd_bus_message_skip(message, "v");
        }
        if (r >= 0) {
            r = sd_bus_message_exit_container(message);
        }
    }
    if (r >= 0) {
        r = sd_bus_message_exit_container(message);
    }
    if (r < 0) {
        return r;
    }
    received.application = application;
    received.icon = icon;
    received.summary = summary;
    received.body = body;
    uint32_t id = 0;
    {
        std::lock_guard<std::mutex> guard(*store->lock);
        store->list->push_back(received);
        id = static_cast<uint32_t>(store->list->size());
    }
    return sd_bus_reply_method_return(message, "u", id);
}

const sd_bus_vtable kWatcherTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", registerItem, 0),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kNotificationsTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("Notify", "susssasa{sv}i", "u", notify, 0),
    SD_BUS_VTABLE_END};

std::string readLayout(sd_bus_message* reply) {
    std::string text;
    int32_t id = 0;
    if (sd_bus_message_enter_container(reply, 'r', "ia{sv}av") <= 0 ||
        sd_bus_message_read(reply, "i", &id) < 0 ||
        sd_bus_message_enter_container(reply, 'a', "{sv}") < 0) {
        return "<bad layout>";
    }
    std::string label;
    while (sd_bus_message_enter_container(reply, 'e', "sv") > 0) {
        const char* key = nullptr;
        sd_bus_message_read(reply, "s", &key);
        const char* value = nullptr;
        if (std::strcmp(key, "label") == 0) {
            sd_bus_message_read(reply, "v", "s", &value);
            label = value;
        } else if (std::strcmp(key, "type") == 0) {
            sd_bus_message_read(reply, "v", "s", &value);
            label = std::strcmp(value, "separator") == 0 ? "-" : value;
        } else {
            sd_bus_message_skip(reply, "v");
        }
        sd_bus_message_exit_container(reply);
    }
    sd_bus_message_exit_container(reply);
    text = std::to_string(id) + ":" + label;
    sd_bus_message_enter_container(reply, 'a', "v");
    std::string children;
    while (sd_bus_message_enter_container(reply, 'v', "(ia{sv}av)") > 0) {
        children += (children.empty() ? "" : " ") + readLayout(reply);
        sd_bus_message_exit_container(reply);
    }
    sd_bus_message_exit_container(reply);
    sd_bus_message_exit_container(reply);
    if (!children.empty()) {
        text += "[" + children + "]";
    }
    return text;
}

template <typename Condition>
bool waitUntil(Condition condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        usleep(20000);
    }
    return true;
}

}  // namespace

// What the services' handlers reach through their user data.
struct HostBindings {
    std::pair<std::mutex*, std::vector<std::string>*> items;
    NotificationStore notifications;
    std::pair<std::mutex*, std::vector<std::string>*> signals;
};

namespace {

int itemSignal(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* signals = static_cast<std::pair<std::mutex*, std::vector<std::string>*>*>(userData);
    std::lock_guard<std::mutex> guard(*signals->first);
    signals->second->push_back(sd_bus_message_get_member(message));
    return 0;
}

}  // namespace

bool SessionBusHost::addWatcher() {
    watcherAdded_ = true;
    return sd_bus_add_object_vtable(host_, nullptr, "/StatusNotifierWatcher", kWatcher,
                                    kWatcherTable, &bindings_->items) >= 0 &&
           sd_bus_match_signal(host_, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameOwnerChanged", nameOwnerChanged,
                               &bindings_->items) >= 0 &&
           sd_bus_request_name(host_, kWatcher, 0) >= 0;
}

SessionBusHost::SessionBusHost(const std::string& dir, bool withWatcher, bool withNotifications) {
    address_ = "unix:path=" + dir + "/bus";
    ChildCommand command;
    command.argv = {"/usr/bin/dbus-daemon",  "--session",        "--nofork", "--nopidfile",
                    "--address=" + address_, "--print-address=1"};
    daemon_ = std::make_unique<ChildProcess>(command);
    if (!daemon_->started() || !daemon_->waitForOutput("unix:", 10000)) {
        return;
    }
    host_ = connectTo(address_);
    client_ = connectTo(address_);
    if (host_ == nullptr || client_ == nullptr) {
        return;
    }
    auto* bindings =
        new HostBindings{{&lock_, &items_}, {&lock_, &notifications_}, {&lock_, &itemSignals_}};
    bindings_.reset(bindings);
    if (withWatcher && !addWatcher()) {
        return;
    }
    for (const char* interface : {kItem, kMenu}) {
        if (sd_bus_match_signal(host_, nullptr, nullptr, nullptr, interface, nullptr, itemSignal,
                                &bindings->signals) < 0) {
            return;
        }
    }
    if (withNotifications) {
        if (sd_bus_add_object_vtable(host_, nullptr, "/org/freedesktop/Notifications",
                                     kNotifications, kNotificationsTable,
                                     &bindings->notifications) < 0 ||
            sd_bus_request_name(host_, kNotifications, 0) < 0) {
            return;
        }
    }
    thread_ = std::thread([this] { serve(); });
    ready_ = true;
}

SessionBusHost::~SessionBusHost() {
    stop_.store(true);
    if (thread_.joinable()) {
        thread_.join();
    }
    if (host_ != nullptr) {
        sd_bus_flush_close_unref(host_);
    }
    if (client_ != nullptr) {
        sd_bus_flush_close_unref(client_);
    }
    if (daemon_ != nullptr && daemon_->started()) {
        daemon_->sendSignal(SIGTERM);
        daemon_->finish(5000);
    }
}

void SessionBusHost::serve() {
    while (!stop_.load()) {
        if (watcherWanted_.load() && !watcherAdded_) {
            addWatcher();
        }
        int r = sd_bus_process(host_, nullptr);
        if (r < 0) {
            return;
        }
        if (r == 0) {
            sd_bus_wait(host_, 50000);
        }
    }
}

std::vector<std::string> SessionBusHost::items() {
    std::lock_guard<std::mutex> guard(lock_);
    return items_;
}

std::vector<ReceivedNotification> SessionBusHost::notifications() {
    std::lock_guard<std::mutex> guard(lock_);
    return notifications_;
}

std::vector<std::string> SessionBusHost::itemSignals() {
    std::lock_guard<std::mutex> guard(lock_);
    return itemSignals_;
}

bool SessionBusHost::waitForItems(size_t count, int timeoutMs) {
    return waitUntil([&] { return items().size() == count; }, timeoutMs);
}

bool SessionBusHost::waitForNotifications(size_t count, int timeoutMs) {
    return waitUntil([&] { return notifications().size() == count; }, timeoutMs);
}

std::string SessionBusHost::stringProperty(const std::string& service, const char* path,
                                           const char* interface, const char* name, char type) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const char signature[2] = {type, '\0'};
    std::string value;
    if (sd_bus_get_property(client_, service.c_str(), path, interface, name, &error, &reply,
                            signature) >= 0) {
        const char* text = nullptr;
        if (sd_bus_message_read(reply, signature, &text) > 0) {
            value = text;
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return value;
}

std::string SessionBusHost::toolTipTitle(const std::string& service) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string title = "<no tooltip>";
    if (sd_bus_get_property(client_, service.c_str(), kItemPath, kItem, "ToolTip", &error, &reply,
                            "(sa(iiay)ss)") >= 0) {
        const char* icon = nullptr;
        const char* text = nullptr;
        const char* description = nullptr;
        if (sd_bus_message_enter_container(reply, 'r', "sa(iiay)ss") > 0 &&
            sd_bus_message_read(reply, "s", &icon) > 0 &&
            sd_bus_message_skip(reply, "a(iiay)") >= 0 &&
            sd_bus_message_read(reply, "ss", &text, &description) > 0) {
            title = text;
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return title;
}

std::string SessionBusHost::iconPixmap(const std::string& service) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string text;
    if (sd_bus_get_property(client_, service.c_str(), kItemPath, kItem, "IconPixmap", &error,
                            &reply, "a(iiay)") >= 0 &&
        sd_bus_message_enter_container(reply, 'a', "(iiay)") > 0 &&
        sd_bus_message_enter_container(reply, 'r', "iiay") > 0) {
        int32_t width = 0;
        int32_t height = 0;
        const void* bytes = nullptr;
        size_t size = 0;
        if (sd_bus_message_read(reply, "ii", &width, &height) > 0 &&
            sd_bus_message_read_array(reply, 'y', &bytes, &size) >= 0) {
            text = std::to_string(width) + "x" + std::to_string(height) + ":";
            for (size_t i = 0; i < size; ++i) {
                char hex[3];
                std::snprintf(hex, sizeof(hex), "%02x", static_cast<const uint8_t*>(bytes)[i]);
                text += hex;
            }
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return text;
}

bool SessionBusHost::clickItem(const std::string& service, const char* method) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_call_method(client_, service.c_str(), kItemPath, kItem, method, &error, nullptr,
                               "ii", 10, 20);
    sd_bus_error_free(&error);
    return r >= 0;
}

std::string SessionBusHost::menuLayout(const std::string& service) {
    std::string path = stringProperty(service, kItemPath, kItem, "Menu", 'o');
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string text = "<no layout>";
    uint32_t revision = 0;
    if (sd_bus_call_method(client_, service.c_str(), path.c_str(), kMenu, "GetLayout", &error,
                           &reply, "iias", 0, -1, 0) >= 0 &&
        sd_bus_message_read(reply, "u", &revision) > 0) {
        text = readLayout(reply);
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return text;
}

bool SessionBusHost::menuEvent(const std::string& service, int32_t id, const char* eventId) {
    std::string path = stringProperty(service, kItemPath, kItem, "Menu", 'o');
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_call_method(client_, service.c_str(), path.c_str(), kMenu, "Event", &error,
                               nullptr, "isvu", id, eventId, "s", "", 0u);
    sd_bus_error_free(&error);
    return r >= 0;
}

std::string SessionBusHost::menuProperty(const std::string& service, int32_t id, const char* name) {
    std::string path = stringProperty(service, kItemPath, kItem, "Menu", 'o');
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string value;
    const char* text = nullptr;
    if (sd_bus_call_method(client_, service.c_str(), path.c_str(), kMenu, "GetProperty", &error,
                           &reply, "is", id, name) >= 0 &&
        sd_bus_message_read(reply, "v", "s", &text) > 0) {
        value = text;
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return value;
}

std::string SessionBusHost::introspect(const std::string& service, const std::string& path) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string xml;
    const char* text = nullptr;
    if (sd_bus_call_method(client_, service.c_str(), path.c_str(),
                           "org.freedesktop.DBus.Introspectable", "Introspect", &error, &reply,
                           "") >= 0 &&
        sd_bus_message_read(reply, "s", &text) > 0) {
        xml = text;
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return xml;
}
