// A private session bus for the tray suites: a dbus-daemon of its own, and on it a stand-in
// desktop: a StatusNotifierWatcher that keeps the registered items (and drops those whose
// name leaves the bus) and a notification service that keeps every notification. A second
// connection reads the items' properties and calls their methods, as a desktop's host would.
#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "e2e/child_process.h"

struct HostBindings;

struct ReceivedNotification {
    std::string application;
    uint32_t replaces;
    std::string icon;
    std::string summary;
    std::string body;
    int urgency;
};

class SessionBusHost {
  public:
    // Starts the daemon with its socket in dir; the stand-in services only when asked.
    SessionBusHost(const std::string& dir, bool withWatcher, bool withNotifications);
    SessionBusHost(const SessionBusHost&) = delete;
    SessionBusHost& operator=(const SessionBusHost&) = delete;
    ~SessionBusHost();

    bool ready() const { return ready_; }
    // "DBUS_SESSION_BUS_ADDRESS=..." for the application.
    std::string addressVariable() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }

    // Registers the watcher on a bus started without one, as a panel that starts late.
    void startWatcher() { watcherWanted_.store(true); }

    std::vector<std::string> items();
    // The members of the signals the items and their menus sent, in order.
    std::vector<std::string> itemSignals();
    std::vector<ReceivedNotification> notifications();
    // Waits up to timeoutMs for count registered items.
    bool waitForItems(size_t count, int timeoutMs);
    bool waitForNotifications(size_t count, int timeoutMs);

    // As a host: reads a property of a registered item's object; empty on failure.
    std::string stringProperty(const std::string& service, const char* path, const char* interface,
                               const char* name, char type = 's');
    std::string toolTipTitle(const std::string& service);
    // The first image of IconPixmap as "WxH:" followed by the ARGB bytes in hex; empty when none.
    std::string iconPixmap(const std::string& service);
    // Calls a method of the item that takes two int32 coordinates.
    bool clickItem(const std::string& service, const char* method);
    // The menu's layout as text: each item "id:label" (or "id:-" for a separator), children
    // in brackets.
    std::string menuLayout(const std::string& service);
    bool menuEvent(const std::string& service, int32_t id, const char* eventId);
    // One text property of a menu item through GetProperty; empty on failure.
    std::string menuProperty(const std::string& service, int32_t id, const char* name);
    // The object's introspection XML; empty on failure.
    std::string introspect(const std::string& service, const std::string& path);

  private:
    void serve();
    bool addWatcher();

    std::unique_ptr<ChildProcess> daemon_;
    std::string address_;
    bool ready_ = false;
    sd_bus* host_ = nullptr;    // the stand-in services, served by the thread
    sd_bus* client_ = nullptr;  // calls made by the test
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> watcherWanted_{false};
    bool watcherAdded_ = false;
    std::vector<std::string> itemSignals_;
    std::mutex lock_;
    std::vector<std::string> items_;
    std::vector<ReceivedNotification> notifications_;
    std::unique_ptr<HostBindings> bindings_;
};
