// The Linux tray on the session bus: what the tray's glue tells the shell (icons, menus,
// popups) kept as a model that one bus thread serves. Each shown icon is a StatusNotifierItem
// on a bus connection of its own, with its menu exported as com.canonical.dbusmenu and its
// balloons sent as desktop notifications. Linux only: the tray's _posix files use it.
//
// The natives change the model under its lock and wake the bus thread, and never wait for it;
// the bus thread reads the model under the same lock, answers the desktop, and calls Java
// (through the handlers the launcher gave) without holding any lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tray/tray_menus.h"
#include "tray/tray_shell.h"

// An icon image as the StatusNotifierItem protocol carries it: ARGB32 pixels in network byte
// order, row after row.
struct BusIconImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> argb;
};

// A menu of a SystemTrayMenu. Items are only appended; submenus are shared with their own
// Java object, which may be finalized while a parent still shows them.
struct BusMenu {
    struct Item {
        TrayMenuItem::Kind kind;
        std::string label;  // UTF-8, with the '&' access keys of the Java text
        uint32_t itemId;    // commands: the Java id plus 50000
        std::shared_ptr<const BusMenu> submenu;
    };
    std::vector<Item> items;
};

// What the desktop is shown of one icon.
struct BusIcon {
    uint32_t id = 0;
    bool shown = false;
    std::string tip;  // UTF-8
    std::string info;
    std::string infoTitle;
    uint32_t infoFlags = 0;
    std::shared_ptr<const BusIconImage> image;
    std::shared_ptr<const BusMenu> menu;  // set by a popup of the menu
    // Counters that grow with each change the desktop must hear of.
    unsigned balloons = 0;     // balloons to show (each Add or Modify with a balloon text)
    unsigned menuOpens = 0;    // popups asked for
    unsigned menuChanges = 0;  // menu attached or replaced
};

struct TrayBusModel {
    std::mutex lock;
    std::map<uint32_t, BusIcon> icons;
    // The menus of live SystemTrayMenu objects, by the handle the glue holds.
    std::map<const void*, std::shared_ptr<BusMenu>> menus;
    unsigned menuItemsAdded = 0;  // grows with each item appended to any menu
    uint32_t lastEventIcon = 0;   // the icon that last had an event
    TrayMouseHandler onMouse = nullptr;
    TrayCommandHandler onCommand = nullptr;
    bool threadStarted = false;
    int wakeFd = -1;
};

// The process's model; never destroyed, as the bus thread runs until the process ends.
TrayBusModel& trayBusModel();

// Starts the bus thread (call with the model's lock held, once handlers are set); later calls
// do nothing.
void startTrayBusThread(TrayBusModel& model);
// Makes the bus thread look at the model again.
void wakeTrayBusThread(TrayBusModel& model);

// Whether a StatusNotifierWatcher answers on the session bus now: asked on a connection of its
// own, waiting half a second at most; false without libsystemd or a session bus.
bool statusNotifierWatcherAnswers();

// The icon whose event the calling thread is delivering to Java, or 0.
uint32_t trayIconOfCurrentEvent();

// Text for the bus: ANSI (the locale's charset) to UTF-8, with anything that is not valid
// UTF-8 made '?', as the bus accepts nothing else.
std::string busTextFromAnsi(const char* text);
