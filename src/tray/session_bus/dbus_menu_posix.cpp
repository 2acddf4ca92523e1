// The menu of a shown tray icon as the desktop reads it: "/MenuBar" with the interface
// "com.canonical.dbusmenu". The menu that a popup attached to the icon is numbered in
// depth-first order (0 is the menu itself), so that its items and submenus have the ids the
// protocol needs; a click on a command item becomes its menu command, as a Win32 menu would
// send it. A submenu that contains itself (directly or further down) is shown once, without
// its contents.
#include <cerrno>
#include <cstring>

#include "tray/session_bus/tray_bus_connection.h"

namespace {

constexpr size_t kDeepestMenu = 16;

const char* const kMenuProperties[] = {"Version", "TextDirection", "Status", "IconThemePath",
                                       nullptr};

const char kMenuXml[] =
    " <interface name=\"com.canonical.dbusmenu\">\n"
    "  <property name=\"Version\" type=\"u\" access=\"read\"/>\n"
    "  <property name=\"TextDirection\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"IconThemePath\" type=\"as\" access=\"read\"/>\n"
    "  <method name=\"GetLayout\"><arg name=\"parentId\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"recursionDepth\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"propertyNames\" type=\"as\" direction=\"in\"/>"
    "<arg name=\"revision\" type=\"u\" direction=\"out\"/>"
    "<arg name=\"layout\" type=\"(ia{sv}av)\" direction=\"out\"/></method>\n"
    "  <method name=\"GetGroupProperties\"><arg name=\"ids\" type=\"ai\" direction=\"in\"/>"
    "<arg name=\"propertyNames\" type=\"as\" direction=\"in\"/>"
    "<arg name=\"properties\" type=\"a(ia{sv})\" direction=\"out\"/></method>\n"
    "  <method name=\"GetProperty\"><arg name=\"id\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"name\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"value\" type=\"v\" direction=\"out\"/></method>\n"
    "  <method name=\"Event\"><arg name=\"id\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"eventId\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"data\" type=\"v\" direction=\"in\"/>"
    "<arg name=\"timestamp\" type=\"u\" direction=\"in\"/></method>\n"
    "  <method name=\"EventGroup\"><arg name=\"events\" type=\"a(isvu)\" direction=\"in\"/>"
    "<arg name=\"idErrors\" type=\"ai\" direction=\"out\"/></method>\n"
    "  <method name=\"AboutToShow\"><arg name=\"id\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"needUpdate\" type=\"b\" direction=\"out\"/></method>\n"
    "  <method name=\"AboutToShowGroup\"><arg name=\"ids\" type=\"ai\" direction=\"in\"/>"
    "<arg name=\"updatesNeeded\" type=\"ai\" direction=\"out\"/>"
    "<arg name=\"idErrors\" type=\"ai\" direction=\"out\"/></method>\n"
    "  <signal name=\"ItemsPropertiesUpdated\"><arg name=\"updatedProps\" type=\"a(ia{sv})\"/>"
    "<arg name=\"removedProps\" type=\"a(ias)\"/></signal>\n"
    "  <signal name=\"LayoutUpdated\"><arg name=\"revision\" type=\"u\"/>"
    "<arg name=\"parent\" type=\"i\"/></signal>\n"
    "  <signal name=\"ItemActivationRequested\"><arg name=\"id\" type=\"i\"/>"
    "<arg name=\"timestamp\" type=\"u\"/></signal>\n"
    " </interface>\n";

struct MenuNode {
    const BusMenu::Item* item;  // null for the menu itself
    std::vector<int32_t> children;
};

void addChildren(const BusMenu& menu, size_t at, std::vector<MenuNode>& nodes,
                 std::vector<const BusMenu*>& path) {
    path.push_back(&menu);
    for (const BusMenu::Item& item : menu.items) {
        auto child = static_cast<int32_t>(nodes.size());
        nodes[at].children.push_back(child);
        nodes.push_back(MenuNode{&item, {}});
        const BusMenu* sub = item.submenu.get();
        bool nested = false;
        for (const BusMenu* open : path) {
            nested = nested || open == sub;
        }
        if (sub != nullptr && !nested && path.size() < kDeepestMenu) {
            addChildren(*sub, static_cast<size_t>(child), nodes, path);
        }
    }
    path.pop_back();
}

// The nodes of the icon's menu by id; empty when it has none. Call with the model's lock held.
std::vector<MenuNode> menuNodes(const BusMenu* menu) {
    std::vector<MenuNode> nodes;
    if (menu != nullptr) {
        nodes.push_back(MenuNode{nullptr, {}});
        std::vector<const BusMenu*> path;
        addChildren(*menu, 0, nodes, path);
    }
    return nodes;
}

// The label with Win32 access keys ("&File", "&&") in the protocol's form ("_File", "&").
std::string menuLabel(const std::string& text) {
    std::string label;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '_') {
            label += "__";
        } else if (c == '&' && i + 1 < text.size()) {
            label += text[i + 1] == '&' ? '&' : '_';
            if (text[i + 1] == '&') {
                ++i;
            }
        } else if (c != '&') {
            label += c;
        }
    }
    return label;
}

bool wanted(const std::vector<std::string>& names, const char* name) {
    if (names.empty()) {
        return true;
    }
    for (const std::string& each : names) {
        if (each == name) {
            return true;
        }
    }
    return false;
}

// The properties of a node that differ from the protocol's defaults, all of them texts:
// "type" for separators, "label" for items, "children-display" for menus.
std::vector<std::pair<const char*, std::string>> nodeProperties(const MenuNode& node) {
    std::vector<std::pair<const char*, std::string>> properties;
    const BusMenu::Item* item = node.item;
    if (item != nullptr && item->kind == TrayMenuItem::Kind::Separator) {
        properties.emplace_back("type", "separator");
    } else if (item != nullptr) {
        properties.emplace_back("label", menuLabel(item->label));
    }
    if (item == nullptr || item->kind == TrayMenuItem::Kind::Submenu) {
        properties.emplace_back("children-display", "submenu");
    }
    return properties;
}

int appendNodeProperties(const SdBusLibrary& sd, sd_bus_message* reply, const MenuNode& node,
                         const std::vector<std::string>& names) {
    int r = sd.sd_bus_message_open_container(reply, 'a', "{sv}");
    for (const auto& [name, value] : nodeProperties(node)) {
        if (r >= 0 && wanted(names, name)) {
            r = sd.sd_bus_message_append(reply, "{sv}", name, "s", value.c_str());
        }
    }
    return r >= 0 ? sd.sd_bus_message_close_container(reply) : r;
}

int appendLayout(const SdBusLibrary& sd, sd_bus_message* reply, const std::vector<MenuNode>& nodes,
                 int32_t id, int32_t depth, const std::vector<std::string>& names) {
    const MenuNode& node = nodes[static_cast<size_t>(id)];
    int r = sd.sd_bus_message_open_container(reply, 'r', "ia{sv}av");
    if (r >= 0) {
        r = sd.sd_bus_message_append(reply, "i", id);
    }
    if (r >= 0) {
        r = appendNodeProperties(sd, reply, node, names);
    }
    if (r >= 0) {
        r = sd.sd_bus_message_open_container(reply, 'a', "v");
    }
    for (size_t i = 0; r >= 0 && depth != 0 && i < node.children.size(); ++i) {
        r = sd.sd_bus_message_open_container(reply, 'v', "(ia{sv}av)");
        if (r >= 0) {
            r = appendLayout(sd, reply, nodes, node.children[i], depth < 0 ? depth : depth - 1,
                             names);
        }
        if (r >= 0) {
            r = sd.sd_bus_message_close_container(reply);
        }
    }
    if (r >= 0) {
        r = sd.sd_bus_message_close_container(reply);
    }
    return r >= 0 ? sd.sd_bus_message_close_container(reply) : r;
}

int readNames(const SdBusLibrary& sd, sd_bus_message* message, std::vector<std::string>& names) {
    int r = sd.sd_bus_message_enter_container(message, 'a', "s");
    const char* name = nullptr;
    while (r >= 0 && (r = sd.sd_bus_message_read(message, "s", &name)) > 0) {
        names.emplace_back(name);
    }
    return r >= 0 ? sd.sd_bus_message_exit_container(message) : r;
}

bool knownId(const std::vector<MenuNode>& nodes, int32_t id) {
    return id >= 0 && static_cast<size_t>(id) < nodes.size();
}

int replyUnknownId(const SdBusLibrary& sd, sd_bus_message* message, int32_t id) {
    return sd.sd_bus_reply_method_errorf(message, "com.canonical.dbusmenu.Error.UnknownId",
                                         "no menu item %d", static_cast<int>(id));
}

int getLayout(const TrayBusConnection& connection, sd_bus_message* message) {
    const SdBusLibrary& sd = *connection.sd;
    int32_t parent = 0;
    int32_t depth = -1;
    std::vector<std::string> names;
    int r = sd.sd_bus_message_read(message, "ii", &parent, &depth);
    if (r >= 0) {
        r = readNames(sd, message, names);
    }
    if (r < 0) {
        return r;
    }
    std::lock_guard<std::mutex> guard(trayBusModel().lock);
    std::vector<MenuNode> nodes = menuNodes(connection.icon.menu.get());
    if (nodes.empty()) {
        nodes.push_back(MenuNode{nullptr, {}});  // no menu yet: an empty one
    }
    if (!knownId(nodes, parent)) {
        return replyUnknownId(sd, message, parent);
    }
    sd_bus_message* reply = nullptr;
    r = sd.sd_bus_message_new_method_return(message, &reply);
    if (r >= 0) {
        r = sd.sd_bus_message_append(reply, "u", connection.menuRevision);
    }
    if (r >= 0) {
        r = appendLayout(sd, reply, nodes, parent, depth, names);
    }
    return sendReply(sd, reply, r);
}

int getGroupProperties(const TrayBusConnection& connection, sd_bus_message* message) {
    const SdBusLibrary& sd = *connection.sd;
    std::vector<int32_t> ids;
    std::vector<std::string> names;
    int r = sd.sd_bus_message_enter_container(message, 'a', "i");
    int32_t id = 0;
    while (r >= 0 && (r = sd.sd_bus_message_read(message, "i", &id)) > 0) {
        ids.push_back(id);
    }
    if (r >= 0) {
        r = sd.sd_bus_message_exit_container(message);
    }
    if (r >= 0) {
        r = readNames(sd, message, names);
    }
    if (r < 0) {
        return r;
    }
    std::lock_guard<std::mutex> guard(trayBusModel().lock);
    std::vector<MenuNode> nodes = menuNodes(connection.icon.menu.get());
    sd_bus_message* reply = nullptr;
    r = sd.sd_bus_message_new_method_return(message, &reply);
    if (r >= 0) {
        r = sd.sd_bus_message_open_container(reply, 'a', "(ia{sv})");
    }
    for (size_t i = 0; r >= 0 && i < ids.size(); ++i) {
        if (!knownId(nodes, ids[i])) {
            continue;
        }
        r = sd.sd_bus_message_open_container(reply, 'r', "ia{sv}");
        if (r >= 0) {
            r = sd.sd_bus_message_append(reply, "i", ids[i]);
        }
        if (r >= 0) {
            r = appendNodeProperties(sd, reply, nodes[static_cast<size_t>(ids[i])], names);
        }
        if (r >= 0) {
            r = sd.sd_bus_message_close_container(reply);
        }
    }
    if (r >= 0) {
        r = sd.sd_bus_message_close_container(reply);
    }
    return sendReply(sd, reply, r);
}

int getProperty(const TrayBusConnection& connection, sd_bus_message* message) {
    const SdBusLibrary& sd = *connection.sd;
    int32_t id = 0;
    const char* name = nullptr;
    int r = sd.sd_bus_message_read(message, "is", &id, &name);
    if (r < 0) {
        return r;
    }
    std::string value;
    bool found = false;
    {
        std::lock_guard<std::mutex> guard(trayBusModel().lock);
        std::vector<MenuNode> nodes = menuNodes(connection.icon.menu.get());
        if (!knownId(nodes, id)) {
            return replyUnknownId(sd, message, id);
        }
        for (const auto& [property, text] : nodeProperties(nodes[static_cast<size_t>(id)])) {
            if (std::strcmp(property, name) == 0) {
                value = text;
                found = true;
            }
        }
    }
    if (!found) {
        return sd.sd_bus_reply_method_errorf(
            message, "com.canonical.dbusmenu.Error.UnknownProperty",
            "menu item %d has no property %s", static_cast<int>(id), name);
    }
    return sd.sd_bus_reply_method_return(message, "v", "s", value.c_str());
}

// A click on the item with this id becomes its command; other events are only answered.
// False when the menu has no such id.
bool takeEvent(TrayBusConnection& connection, int32_t id, const char* eventId) {
    uint32_t command = 0;
    {
        std::lock_guard<std::mutex> guard(trayBusModel().lock);
        std::vector<MenuNode> nodes = menuNodes(connection.icon.menu.get());
        if (!knownId(nodes, id)) {
            return false;
        }
        const BusMenu::Item* item = nodes[static_cast<size_t>(id)].item;
        if (std::strcmp(eventId, "clicked") != 0 || item == nullptr ||
            item->kind != TrayMenuItem::Kind::Command) {
            return true;
        }
        command = item->itemId;
    }
    connection.events->push_back(PendingTrayEvent{true, connection.icon.id, command});
    return true;
}

int event(TrayBusConnection& connection, sd_bus_message* message) {
    const SdBusLibrary& sd = *connection.sd;
    int32_t id = 0;
    const char* eventId = nullptr;
    uint32_t timestamp = 0;
    int r = sd.sd_bus_message_read(message, "is", &id, &eventId);
    if (r >= 0) {
        r = sd.sd_bus_message_skip(message, "v");
    }
    if (r >= 0) {
        r = sd.sd_bus_message_read(message, "u", &timestamp);
    }
    if (r < 0) {
        return r;
    }
    if (!takeEvent(connection, id, eventId)) {
        return replyUnknownId(sd, message, id);
    }
    return sd.sd_bus_reply_method_return(message, nullptr);
}

int eventGroup(TrayBusConnection& connection, sd_bus_message* message) {
    const SdBusLibrary& sd = *connection.sd;
    std::vector<int32_t> unknown;
    int r = sd.sd_bus_message_enter_container(message, 'a', "(isvu)");
    while (r >= 0 && (r = sd.sd_bus_message_enter_container(message, 'r', "isvu")) > 0) {
        int32_t id = 0;
        const char* eventId = nullptr;
        uint32_t timestamp = 0;
        r = sd.sd_bus_message_read(message, "is", &id, &eventId);
        if (r >= 0) {
            r = sd.sd_bus_message_skip(message, "v");
        }
        if (r >= 0) {
            r = sd.sd_bus_message_read(message, "u", &timestamp);
        }
        if (r >= 0) {
            if (!takeEvent(connection, id, eventId)) {
                unknown.push_back(id);
            }
            r = sd.sd_bus_message_exit_container(message);
        }
    }
    if (r >= 0) {
        r = sd.sd_bus_message_exit_container(message);
    }
    if (r < 0) {
        return r;
    }
    sd_bus_message* reply = nullptr;
    r = sd.sd_bus_message_new_method_return(message, &reply);
    if (r >= 0) {
        r = sd.sd_bus_message_append_array(reply, 'i', unknown.data(),
                                           unknown.size() * sizeof(int32_t));
    }
    return sendReply(sd, reply, r);
}

int writeMenuProperty(const TrayBusConnection& connection, sd_bus_message* reply,
                      const char* name) {
    const SdBusLibrary& sd = *connection.sd;
    if (std::strcmp(name, "Version") == 0) {
        return sd.sd_bus_message_append(reply, "v", "u", 3);
    }
    if (std::strcmp(name, "TextDirection") == 0) {
        return sd.sd_bus_message_append(reply, "v", "s", "ltr");
    }
    if (std::strcmp(name, "Status") == 0) {
        return sd.sd_bus_message_append(reply, "v", "s", "normal");
    }
    if (std::strcmp(name, "IconThemePath") == 0) {
        return sd.sd_bus_message_append(reply, "v", "as", 0);
    }
    return -EINVAL;
}

}  // namespace

int handleMenuMessage(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto& connection = *static_cast<TrayBusConnection*>(userData);
    const SdBusLibrary& sd = *connection.sd;
    int r =
        answerPropertyCall(connection, message, kMenuInterface, kMenuProperties, writeMenuProperty);
    if (r == 0) {
        r = answerIntrospection(connection, message, kMenuXml);
    }
    if (r != 0) {
        return r;
    }
    if (sd.sd_bus_message_is_method_call(message, kMenuInterface, nullptr) <= 0) {
        return 0;
    }
    const char* member = sd.sd_bus_message_get_member(message);
    if (std::strcmp(member, "GetLayout") == 0) {
        return getLayout(connection, message);
    }
    if (std::strcmp(member, "GetGroupProperties") == 0) {
        return getGroupProperties(connection, message);
    }
    if (std::strcmp(member, "GetProperty") == 0) {
        return getProperty(connection, message);
    }
    if (std::strcmp(member, "Event") == 0) {
        return event(connection, message);
    }
    if (std::strcmp(member, "EventGroup") == 0) {
        return eventGroup(connection, message);
    }
    if (std::strcmp(member, "AboutToShow") == 0) {
        return sd.sd_bus_reply_method_return(message, "b", 0);
    }
    if (std::strcmp(member, "AboutToShowGroup") == 0) {
        return sd.sd_bus_reply_method_return(message, "aiai", 0, 0);
    }
    return 0;
}
