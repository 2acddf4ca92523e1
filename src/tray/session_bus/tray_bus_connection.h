// One shown tray icon's own session-bus connection, as the bus thread of the Linux tray keeps
// it: the well-known name the icon is registered under, the objects it serves
// ("/StatusNotifierItem" and its menu "/MenuBar"), and the events its objects received for
// Java. Used on the bus thread only. Linux only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tray/session_bus/sd_bus_library.h"
#include "tray/session_bus/tray_bus.h"

constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kMenuPath[] = "/MenuBar";
constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr char kMenuInterface[] = "com.canonical.dbusmenu";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

// An event for Java, delivered once the bus has been served.
struct PendingTrayEvent {
    bool command;  // a menu command, else a mouse event
    uint32_t iconId;
    uint32_t value;  // the mouse message or the command (the Java id plus 50000)
};

struct TrayBusConnection {
    const SdBusLibrary* sd = nullptr;
    sd_bus* bus = nullptr;
    std::string name;  // org.kde.StatusNotifierItem-<pid>-<icon id>
    std::string applicationName;
    BusIcon icon;  // what the desktop was last told
    unsigned menuRevision = 1;
    unsigned menuItemsSeen = 0;
    uint32_t notificationId = 0;  // the last balloon's, which the next one replaces
    std::vector<PendingTrayEvent>* events = nullptr;
};

// Object handlers for sd_bus_add_object; the user data is the TrayBusConnection.
int handleItemMessage(sd_bus_message* message, void* connection, sd_bus_error* error);
int handleMenuMessage(sd_bus_message* message, void* connection, sd_bus_error* error);

// Sends reply when r, the result of building it, is not an error, and releases it. 1 when it
// was sent, else the negative error.
int sendReply(const SdBusLibrary& sd, sd_bus_message* reply, int r);

// Answers org.freedesktop.DBus.Introspectable.Introspect with the object's description (some
// hosts call only the methods an introspection names). 1 when the message was that call and
// was answered, 0 when it was something else, or a negative error.
int answerIntrospection(const TrayBusConnection& connection, sd_bus_message* message,
                        const char* interfaceXml);

// Writes the value of one of the object's properties as a variant; negative on failure.
using PropertyWriter = int (*)(const TrayBusConnection& connection, sd_bus_message* reply,
                               const char* name);
// Answers org.freedesktop.DBus.Properties Get and GetAll for an object whose interface has the
// given property names (a null-ended list). 1 when the message was such a call and was
// answered, 0 when it was something else, or a negative error.
int answerPropertyCall(const TrayBusConnection& connection, sd_bus_message* message,
                       const char* interface, const char* const* names, PropertyWriter write);
