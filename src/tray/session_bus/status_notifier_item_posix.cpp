// The StatusNotifierItem object of a shown tray icon ("/StatusNotifierItem", interface
// "org.kde.StatusNotifierItem"): its properties for the desktop's host, and the clicks the
// host reports, which become the mouse messages the Windows shell would send: Activate a
// left click, SecondaryActivate a middle click, ContextMenu a right click.
#include <cerrno>
#include <cstring>

#include "tray/session_bus/tray_bus_connection.h"

namespace {

constexpr uint32_t kLeftClick = 514;    // WM_LBUTTONUP
constexpr uint32_t kRightClick = 517;   // WM_RBUTTONUP
constexpr uint32_t kMiddleClick = 520;  // WM_MBUTTONUP

// Shown by the desktop when the executable holds no image for the icon's id.
constexpr char kFallbackIconName[] = "application-x-executable";
// The menu path that tells the host there is no menu (yet), so that it reports context clicks.
constexpr char kNoMenuPath[] = "/NO_DBUSMENU";

const char* const kItemProperties[] = {"Category",
                                       "Id",
                                       "Title",
                                       "Status",
                                       "WindowId",
                                       "IconName",
                                       "IconPixmap",
                                       "OverlayIconName",
                                       "OverlayIconPixmap",
                                       "AttentionIconName",
                                       "AttentionIconPixmap",
                                       "AttentionMovieName",
                                       "ToolTip",
                                       "ItemIsMenu",
                                       "Menu",
                                       "IconThemePath",
                                       nullptr};

const char kItemXml[] =
    " <interface name=\"org.kde.StatusNotifierItem\">\n"
    "  <property name=\"Category\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"Id\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"Title\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"WindowId\" type=\"i\" access=\"read\"/>\n"
    "  <property name=\"IconName\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
    "  <property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
    "  <property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
    "  <property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>\n"
    "  <property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>\n"
    "  <property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>\n"
    "  <property name=\"Menu\" type=\"o\" access=\"read\"/>\n"
    "  <property name=\"IconThemePath\" type=\"s\" access=\"read\"/>\n"
    "  <method name=\"ContextMenu\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n"
    "  <method name=\"Activate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n"
    "  <method name=\"SecondaryActivate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n"
    "  <method name=\"Scroll\"><arg name=\"delta\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"orientation\" type=\"s\" direction=\"in\"/></method>\n"
    "  <signal name=\"NewTitle\"/>\n"
    "  <signal name=\"NewIcon\"/>\n"
    "  <signal name=\"NewAttentionIcon\"/>\n"
    "  <signal name=\"NewOverlayIcon\"/>\n"
    "  <signal name=\"NewToolTip\"/>\n"
    "  <signal name=\"NewStatus\"><arg name=\"status\" type=\"s\"/></signal>\n"
    " </interface>\n";

int appendPixmaps(const SdBusLibrary& sd, sd_bus_message* reply, const BusIconImage* image) {
    int r = sd.sd_bus_message_open_container(reply, 'a', "(iiay)");
    if (r >= 0 && image != nullptr) {
        r = sd.sd_bus_message_open_container(reply, 'r', "iiay");
        if (r >= 0) {
            r = sd.sd_bus_message_append(reply, "ii", image->width, image->height);
        }
        if (r >= 0) {
            r = sd.sd_bus_message_append_array(reply, 'y', image->argb.data(), image->argb.size());
        }
        if (r >= 0) {
            r = sd.sd_bus_message_close_container(reply);
        }
    }
    return r >= 0 ? sd.sd_bus_message_close_container(reply) : r;
}

int appendVariant(const SdBusLibrary& sd, sd_bus_message* reply, const char* type,
                  const char* text) {
    return sd.sd_bus_message_append(reply, "v", type, text);
}

int writeItemProperty(const TrayBusConnection& connection, sd_bus_message* reply,
                      const char* name) {
    const SdBusLibrary& sd = *connection.sd;
    const BusIcon& icon = connection.icon;
    const std::string& application = connection.applicationName;
    if (std::strcmp(name, "Category") == 0) {
        return appendVariant(sd, reply, "s", "ApplicationStatus");
    }
    if (std::strcmp(name, "Id") == 0 || std::strcmp(name, "Title") == 0) {
        return appendVariant(sd, reply, "s", application.c_str());
    }
    if (std::strcmp(name, "Status") == 0) {
        return appendVariant(sd, reply, "s", "Active");
    }
    if (std::strcmp(name, "WindowId") == 0) {
        return sd.sd_bus_message_append(reply, "v", "i", 0);
    }
    if (std::strcmp(name, "IconName") == 0) {
        return appendVariant(sd, reply, "s", icon.image == nullptr ? kFallbackIconName : "");
    }
    if (std::strcmp(name, "OverlayIconName") == 0 || std::strcmp(name, "AttentionIconName") == 0 ||
        std::strcmp(name, "AttentionMovieName") == 0 || std::strcmp(name, "IconThemePath") == 0) {
        return appendVariant(sd, reply, "s", "");
    }
    if (std::strcmp(name, "IconPixmap") == 0 || std::strcmp(name, "OverlayIconPixmap") == 0 ||
        std::strcmp(name, "AttentionIconPixmap") == 0) {
        bool own = std::strcmp(name, "IconPixmap") == 0;
        int r = sd.sd_bus_message_open_container(reply, 'v', "a(iiay)");
        if (r >= 0) {
            r = appendPixmaps(sd, reply, own ? icon.image.get() : nullptr);
        }
        return r >= 0 ? sd.sd_bus_message_close_container(reply) : r;
    }
    if (std::strcmp(name, "ToolTip") == 0) {
        int r = sd.sd_bus_message_open_container(reply, 'v', "(sa(iiay)ss)");
        if (r >= 0) {
            r = sd.sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
        }
        if (r >= 0) {
            r = sd.sd_bus_message_append(reply, "s", "");
        }
        if (r >= 0) {
            r = appendPixmaps(sd, reply, nullptr);
        }
        if (r >= 0) {
            r = sd.sd_bus_message_append(reply, "ss", icon.tip.c_str(), "");
        }
        if (r >= 0) {
            r = sd.sd_bus_message_close_container(reply);
        }
        return r >= 0 ? sd.sd_bus_message_close_container(reply) : r;
    }
    if (std::strcmp(name, "ItemIsMenu") == 0) {
        return sd.sd_bus_message_append(reply, "v", "b", 0);
    }
    if (std::strcmp(name, "Menu") == 0) {
        return appendVariant(sd, reply, "o", icon.menu != nullptr ? kMenuPath : kNoMenuPath);
    }
    return -EINVAL;
}

}  // namespace

int handleItemMessage(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto& connection = *static_cast<TrayBusConnection*>(userData);
    const SdBusLibrary& sd = *connection.sd;
    int r =
        answerPropertyCall(connection, message, kItemInterface, kItemProperties, writeItemProperty);
    if (r == 0) {
        r = answerIntrospection(connection, message, kItemXml);
    }
    if (r != 0) {
        return r;
    }
    if (sd.sd_bus_message_is_method_call(message, kItemInterface, nullptr) <= 0) {
        return 0;
    }
    const char* member = sd.sd_bus_message_get_member(message);
    uint32_t mouseMessage = 0;
    if (std::strcmp(member, "Activate") == 0) {
        mouseMessage = kLeftClick;
    } else if (std::strcmp(member, "SecondaryActivate") == 0) {
        mouseMessage = kMiddleClick;
    } else if (std::strcmp(member, "ContextMenu") == 0) {
        mouseMessage = kRightClick;
    } else if (std::strcmp(member, "Scroll") != 0 &&
               std::strcmp(member, "ProvideXdgActivationToken") != 0) {
        return 0;
    }
    if (mouseMessage != 0) {
        connection.events->push_back(PendingTrayEvent{false, connection.icon.id, mouseMessage});
    }
    return sd.sd_bus_reply_method_return(message, nullptr);
}
