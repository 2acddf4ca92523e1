// The tray's shell side on Linux: icons and menus go into the session-bus model of
// tray_bus.h, which the bus thread shows as StatusNotifierItems. Nothing here waits for the
// bus: the thread starts with the first icon shown, so an application without tray icons
// never loads libsystemd or connects to the bus.
//
// There is no message window. A popup makes the menu the menu of an icon (the icon whose event
// is being delivered, else the one that had the last event, else the first shown one) and
// asks the desktop to open it; the menu then also opens on that icon's context click.
#include <cstring>

#include "base/text.h"
#include "platform/codepage.h"
#include "tray/session_bus/tray_bus.h"
#include "tray/session_bus/tray_icon_image.h"
#include "tray/tray_shell.h"

std::string busTextFromAnsi(const char* text) {
    WideString wide = wideFromNarrow(text, -1);
    TextString utf8 = utf8FromWide(wide.data(), wide.length());
    const char* bytes = utf8.c_str();
    int32_t length = utf8.length();
    std::string result;
    for (int32_t at = 0; at < length;) {
        int32_t sequence = utf8SequenceLength(bytes + at, length - at);
        if (sequence == 0) {
            result.push_back('?');
            ++at;
        } else {
            result.append(bytes + at, static_cast<size_t>(sequence));
            at += sequence;
        }
    }
    return result;
}

namespace trayshell {

void startMessageWindow(TrayCommandHandler onCommand, TrayMouseHandler onMouse,
                        TrayRestartHandler) {
    TrayBusModel& model = trayBusModel();
    std::lock_guard<std::mutex> guard(model.lock);
    model.onCommand = onCommand;
    model.onMouse = onMouse;
}

void* messageWindow() {
    return nullptr;
}

const char* eventSource() {
    return "the session bus, once an icon is shown";
}

bool notificationAreaAvailable() {
    return statusNotifierWatcherAnswers();
}

// The records are kept as a version-5 shell would have them: balloons are shown as desktop
// notifications.
int shellMajorVersion() {
    return 5;
}

void* loadIcon(int resourceId) {
    return loadTrayIconImage(resourceId);
}

void destroyIcon(void* icon) {
    delete static_cast<BusIconImage*>(icon);
}

void notify(NotifyAction action, const TrayIconRecord& record) {
    TrayBusModel& model = trayBusModel();
    std::lock_guard<std::mutex> guard(model.lock);
    if (model.onMouse == nullptr) {
        return;  // no launcher started the tray: nothing goes to the desktop
    }
    if (action == NotifyAction::Delete) {
        auto found = model.icons.find(record.id);
        if (found != model.icons.end()) {
            found->second.shown = false;
            wakeTrayBusThread(model);
        }
        return;
    }
    BusIcon& icon = model.icons[record.id];
    icon.id = record.id;
    icon.shown = true;
    icon.tip = busTextFromAnsi(record.tip);
    icon.info = busTextFromAnsi(record.info);
    icon.infoTitle = busTextFromAnsi(record.infoTitle);
    icon.infoFlags = record.infoFlags;
    const auto* image = static_cast<const BusIconImage*>(record.icon);
    if (image == nullptr) {
        icon.image.reset();
    } else if (icon.image == nullptr || icon.image->argb != image->argb ||
               icon.image->width != image->width) {
        icon.image = std::make_shared<const BusIconImage>(*image);
    }
    // As the shell does, an add or change that asks for a balloon with a text shows it.
    if (record.balloonLayout && record.balloonPending && record.info[0] != '\0') {
        ++icon.balloons;
    }
    startTrayBusThread(model);
    wakeTrayBusThread(model);
}

void* createMenu() {
    TrayBusModel& model = trayBusModel();
    auto menu = std::make_shared<BusMenu>();
    std::lock_guard<std::mutex> guard(model.lock);
    model.menus[menu.get()] = menu;
    return menu.get();
}

namespace {

void appendItem(void* menu, BusMenu::Item item) {
    TrayBusModel& model = trayBusModel();
    std::lock_guard<std::mutex> guard(model.lock);
    auto found = model.menus.find(menu);
    if (found == model.menus.end()) {
        return;
    }
    found->second->items.push_back(std::move(item));
    ++model.menuItemsAdded;
    if (model.threadStarted) {
        wakeTrayBusThread(model);
    }
}

}  // namespace

void appendCommand(void* menu, const char* text, uint32_t itemId) {
    appendItem(menu,
               BusMenu::Item{TrayMenuItem::Kind::Command, busTextFromAnsi(text), itemId, nullptr});
}

void appendSubmenu(void* menu, const char* text, void* submenu) {
    std::shared_ptr<const BusMenu> sub;
    {
        TrayBusModel& model = trayBusModel();
        std::lock_guard<std::mutex> guard(model.lock);
        auto found = model.menus.find(submenu);
        if (found != model.menus.end()) {
            sub = found->second;
        }
    }
    appendItem(menu, BusMenu::Item{TrayMenuItem::Kind::Submenu, busTextFromAnsi(text), 0, sub});
}

void appendSeparator(void* menu) {
    appendItem(menu, BusMenu::Item{TrayMenuItem::Kind::Separator, std::string(), 0, nullptr});
}

void popupMenu(void* menu) {
    TrayBusModel& model = trayBusModel();
    std::lock_guard<std::mutex> guard(model.lock);
    auto found = model.menus.find(menu);
    if (found == model.menus.end()) {
        return;
    }
    BusIcon* target = nullptr;
    for (uint32_t id : {trayIconOfCurrentEvent(), model.lastEventIcon}) {
        auto icon = model.icons.find(id);
        if (icon != model.icons.end() && icon->second.shown) {
            target = &icon->second;
            break;
        }
    }
    for (auto it = model.icons.begin(); target == nullptr && it != model.icons.end(); ++it) {
        if (it->second.shown) {
            target = &it->second;
        }
    }
    if (target == nullptr) {
        return;  // no icon shows: there is nowhere to open a menu
    }
    if (target->menu != found->second) {
        target->menu = found->second;
        ++target->menuChanges;
    }
    ++target->menuOpens;
    wakeTrayBusThread(model);
}

void destroyMenu(void* menu) {
    TrayBusModel& model = trayBusModel();
    std::lock_guard<std::mutex> guard(model.lock);
    model.menus.erase(menu);
}

}  // namespace trayshell
