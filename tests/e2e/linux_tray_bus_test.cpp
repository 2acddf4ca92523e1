// The Linux tray on a private session bus: the packed launcher with the real JDK runs a tray
// application whose icons register as StatusNotifierItems with a stand-in watcher; the test
// reads their properties and clicks them and their menu as a desktop would, and checks what
// the application received. Also: without libsystemd, a session bus, or a watcher and
// notification service, the application runs as before, the trace says why, and
// SystemTray.isSupported says false (true once a watcher answers).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>

#include "e2e/launch_fixture.h"
#include "e2e/session_bus_host.h"

namespace {

constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kItem[] = "org.kde.StatusNotifierItem";

class LinuxTrayBus : public LaunchTest {
  protected:
    // The application with images for the ids 101 (the first icon's) and 104 (its image after a
    // change): icon files of one 2 x 2 bitmap with alpha each.
    std::string packTrayApp() {
        std::string first =
            writeFile(dir() + "/first.ico",
                      iconFile("\x10\x20\x30\x40\x50\x60\x70\x80\x01\x02\x03\xff\x04\x05\x06\x00"));
        std::string changed =
            writeFile(dir() + "/changed.ico",
                      iconFile("\x0a\x0b\x0c\xff\x0a\x0b\x0c\xff\x0a\x0b\x0c\xff\x0a\x0b\x0c\xff"));
        return pack(E2ePaths::linuxStub(), "mainclass com.example.tray.TrayBusApp\n",
                    {WYN_E2E_TRAY_APP_JAR}, "traybus",
                    {"--icon", "101=" + first, "--icon", "104=" + changed});
    }

    // An icon file of one 2 x 2, 32-bit bitmap: pixels bottom row first, blue-green-red-alpha.
    static std::string iconFile(const char (&pixels)[17]) {
        std::string bitmap;
        for (uint32_t field : {40u, 2u, 4u}) {
            appendLe(bitmap, field, 4);
        }
        appendLe(bitmap, 1, 2);
        appendLe(bitmap, 32, 2);
        bitmap += std::string(24, '\0');
        bitmap += std::string(pixels, 16);
        bitmap += std::string(8, '\0');  // the mask
        std::string icon;
        appendLe(icon, 0, 2);
        appendLe(icon, 1, 2);
        appendLe(icon, 1, 2);
        icon += std::string("\x02\x02\x00\x00", 4);
        appendLe(icon, 1, 2);
        appendLe(icon, 32, 2);
        appendLe(icon, static_cast<uint32_t>(bitmap.size()), 4);
        appendLe(icon, 22, 4);
        return icon + bitmap;
    }

    static void appendLe(std::string& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    }

    ChildCommand command(const std::string& exe, const std::vector<std::string>& args,
                         std::vector<std::string> setEnv, std::vector<std::string> unsetEnv = {}) {
        ChildCommand run;
        run.argv.push_back(exe);
        run.argv.insert(run.argv.end(), args.begin(), args.end());
        setEnv.push_back(std::string("JAVA_HOME=") + E2ePaths::jdk());
        setEnv.push_back("WYN_TRACE=1");
        run.setEnv = setEnv;
        unsetEnv.insert(unsetEnv.end(), {"JRE_HOME", "CLASSPATH", "CLASS_PATH"});
        run.unsetEnv = unsetEnv;
        run.workingDirectory = dir();
        return run;
    }
};

template <typename Condition>
bool eventually(Condition condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        usleep(20000);
    }
    return true;
}

TEST_F(LinuxTrayBus, IconsAreItemsWhoseClicksAndMenusReachTheApplication) {
    SessionBusHost bus(dir(), true, true);
    ASSERT_TRUE(bus.ready()) << "the private bus and its stand-in services start";
    // Under a UTF-8 locale the texts reach the desktop as they are.
    ChildProcess app(command(packTrayApp(), {}, {bus.addressVariable(), "LC_ALL=C.UTF-8"}));
    ASSERT_TRUE(app.waitForOutput("ready", 60000)) << app.output();
    EXPECT_TRUE(app.waitForOutput("tray supported at the start: true", 1000)) << app.output();
    ASSERT_TRUE(bus.waitForItems(3, 20000)) << "three icons register";

    std::map<std::string, std::string> byTip;
    for (const std::string& item : bus.items()) {
        byTip[bus.toolTipTitle(item)] = item;
    }
    std::string first = byTip["first tip"];
    std::string second = byTip["second tip"];
    std::string third = byTip["third tip \xc3\xa9"];
    std::string prefix = "org.kde.StatusNotifierItem-" + std::to_string(app.pid()) + "-";
    EXPECT_EQ(first, prefix + "1");
    EXPECT_EQ(second, prefix + "2");
    EXPECT_EQ(third, prefix + "3");
    for (const auto& [property, value] :
         std::map<std::string, std::string>{{"Status", "Active"},
                                            {"Category", "ApplicationStatus"},
                                            {"Id", "traybus"},
                                            {"Title", "traybus"},
                                            {"IconName", ""}}) {
        EXPECT_EQ(bus.stringProperty(first, kItemPath, kItem, property.c_str()), value) << property;
    }
    EXPECT_EQ(bus.stringProperty(first, kItemPath, kItem, "Menu", 'o'), "/NO_DBUSMENU")
        << "no menu before a popup, so that the host reports the context click";
    EXPECT_EQ(bus.iconPixmap(first), "2x2:ff030201000605044030201080706050")
        << "the packed image of id 101, top row first, alpha-red-green-blue";
    EXPECT_EQ(bus.iconPixmap(second), "") << "no image was packed for id 102";
    EXPECT_EQ(bus.stringProperty(second, kItemPath, kItem, "IconName"), "application-x-executable")
        << "the desktop shows a generic icon instead";

    ASSERT_TRUE(bus.waitForNotifications(1, 20000)) << "the balloon of the second icon";
    ReceivedNotification balloon = bus.notifications()[0];
    EXPECT_EQ(balloon.summary, "balloon title");
    EXPECT_EQ(balloon.body, "balloon text");
    EXPECT_EQ(balloon.icon, "dialog-information");
    EXPECT_EQ(balloon.application, "traybus");
    EXPECT_EQ(balloon.urgency, 1);

    EXPECT_TRUE(bus.clickItem(first, "Activate"));
    EXPECT_TRUE(app.waitForOutput("click first 514", 20000)) << app.output();
    EXPECT_TRUE(bus.clickItem(third, "SecondaryActivate"));
    EXPECT_TRUE(app.waitForOutput("click third 520", 20000)) << app.output();
    EXPECT_TRUE(bus.clickItem(second, "ContextMenu"));
    EXPECT_TRUE(app.waitForOutput("click second 517", 20000)) << app.output();
    EXPECT_TRUE(eventually([&] {
        return bus.stringProperty(second, kItemPath, kItem, "Menu", 'o') == "/MenuBar";
    })) << "the popup from the right click makes the menu the second icon's";
    EXPECT_EQ(bus.stringProperty(first, kItemPath, kItem, "Menu", 'o'), "/NO_DBUSMENU");
    auto signalled = [&](const char* member) {
        return eventually([&] {
            std::vector<std::string> members = bus.itemSignals();
            return std::find(members.begin(), members.end(), member) != members.end();
        });
    };
    EXPECT_TRUE(signalled("ItemActivationRequested")) << "the popup asks the host to open it";
    EXPECT_TRUE(signalled("LayoutUpdated"));
    EXPECT_TRUE(signalled("NewTitle")) << "hosts read the properties again, the menu too";
    EXPECT_EQ(bus.menuLayout(second),
              "0:[1:_Open 2:- 3:More[4:In_side__it & more] 5:Hide second 6:Change first "
              "7:Balloon again 8:Quit]");

    EXPECT_EQ(bus.menuProperty(second, 3, "label"), "More");
    EXPECT_EQ(bus.menuProperty(second, 3, "children-display"), "submenu");
    EXPECT_EQ(bus.menuProperty(second, 2, "type"), "separator");
    for (const auto& [path, interface] : std::map<std::string, std::string>{
             {"/StatusNotifierItem", kItem}, {"/MenuBar", "com.canonical.dbusmenu"}}) {
        std::string xml = bus.introspect(second, path);
        EXPECT_NE(xml.find("<interface name=\"" + interface + "\">"), std::string::npos) << xml;
        EXPECT_NE(xml.find("<method name=\""), std::string::npos) << xml;
    }

    EXPECT_TRUE(bus.menuEvent(second, 1, "hovered"));
    EXPECT_TRUE(bus.menuEvent(second, 3, "clicked")) << "a submenu itself is no command";
    EXPECT_TRUE(bus.menuEvent(second, 4, "clicked"));
    EXPECT_TRUE(app.waitForOutput("command 2", 20000)) << app.output();
    EXPECT_FALSE(bus.menuEvent(second, 99, "clicked")) << "unknown ids are refused";
    EXPECT_TRUE(bus.menuEvent(second, 6, "clicked"));
    EXPECT_TRUE(app.waitForOutput("command 8", 20000)) << app.output();
    EXPECT_TRUE(eventually([&] { return bus.toolTipTitle(first) == "changed tip"; }))
        << bus.toolTipTitle(first);
    EXPECT_TRUE(signalled("NewToolTip"));
    EXPECT_EQ(bus.iconPixmap(first), "2x2:ff0c0b0aff0c0b0aff0c0b0aff0c0b0a") << "image 104 now";
    EXPECT_TRUE(signalled("NewIcon"));
    EXPECT_TRUE(bus.menuEvent(second, 7, "clicked"));
    ASSERT_TRUE(bus.waitForNotifications(2, 20000)) << "a change with a balloon shows it again";
    // The second notification is this one: the tooltip-only Change of the second icon with
    // "Change first" showed no balloon.
    ReceivedNotification again = bus.notifications()[1];
    EXPECT_EQ(again.summary, "again title");
    EXPECT_EQ(again.body, "again text");
    EXPECT_EQ(again.icon, "dialog-warning");
    EXPECT_EQ(again.replaces, 1u) << "it replaces the icon's earlier balloon";

    EXPECT_TRUE(bus.menuEvent(second, 5, "clicked"));
    EXPECT_TRUE(app.waitForOutput("command 7", 20000)) << app.output();
    EXPECT_TRUE(bus.waitForItems(2, 20000)) << "Hide takes the item off the bus";
    for (const std::string& item : bus.items()) {
        EXPECT_NE(item, second);
    }

    EXPECT_TRUE(bus.clickItem(first, "ContextMenu"));
    EXPECT_TRUE(eventually(
        [&] { return bus.stringProperty(first, kItemPath, kItem, "Menu", 'o') == "/MenuBar"; }));
    EXPECT_TRUE(bus.menuEvent(first, 8, "clicked"));
    ChildResult result = app.finish(60000);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("tray bus app done"), std::string::npos) << result.out;
    std::string events;
    for (const char* line : {"click", "command"}) {
        for (size_t at = result.out.find(line); at != std::string::npos;
             at = result.out.find(line, at + 1)) {
            events += result.out.substr(at, result.out.find('\n', at) - at) + ";";
        }
    }
    EXPECT_EQ(events,
              "click first 514;click third 520;click second 517;click first 517;"
              "command 2;command 8;command 6;command 7;command 9;")
        << "exactly these events, and none for the hover, the submenu or the unknown id";
    EXPECT_NE(result.out.find("tray supported at the end: true"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("tray: icon 1 shown as " + first), std::string::npos) << result.err;
    // Each icon's number in the trace is tied to the id the application made it with.
    for (const char* line :
         {"tray: icon 1 is the application's icon id 101\n",
          "tray: icon 2 is the application's icon id 102, which has no image\n",
          "tray: icon 3 is the application's icon id 103, which has no image\n"}) {
        EXPECT_NE(result.err.find(line), std::string::npos) << line << result.err;
    }
    EXPECT_NE(result.err.find("tray: icon 2 taken off the bus"), std::string::npos) << result.err;
}

TEST_F(LinuxTrayBus, WithoutTheDesktopsServicesTheApplicationRunsAndTheTraceSaysWhy) {
    mkdir((dir() + "/empty").c_str(), 0700);
    mkdir((dir() + "/broken").c_str(), 0700);
    LaunchTest::writeFile(dir() + "/broken/libsystemd.so.0", "not a library");
    struct Case {
        const char* name;
        bool bus;
        std::vector<std::string> setEnv;
        std::vector<const char*> traces;
        bool watcherLater;  // a watcher then starts, and the shown icons register with it
    } cases[] = {
        {"no session bus",
         false,
         {"XDG_RUNTIME_DIR=" + dir() + "/empty"},
         {"tray: icon 1 is not shown, no session bus", "tray: icon 2 is not shown, no session bus"},
         false},
        {"no watcher or notification service",
         true,
         {},
         {"tray: icon 1 is not shown, no status notifier watcher answered",
          "tray: balloon of icon 2 not shown, no notification service answered"},
         true},
        {"no usable libsystemd",
         true,
         {"LD_LIBRARY_PATH=" + dir() + "/broken"},
         {"tray: icons are not shown, the D-Bus library cannot be used"},
         false},
    };
    std::string exe = packTrayApp();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unlink((dir() + "/stop").c_str());
        std::unique_ptr<SessionBusHost> bus;
        std::vector<std::string> setEnv = c.setEnv;
        std::vector<std::string> unsetEnv;
        if (c.bus) {
            bus = std::make_unique<SessionBusHost>(dir(), false, false);
            ASSERT_TRUE(bus->ready());
            setEnv.push_back(bus->addressVariable());
        } else {
            unsetEnv.push_back("DBUS_SESSION_BUS_ADDRESS");
        }
        ChildProcess app(command(exe, {"until-stop"}, setEnv, unsetEnv));
        EXPECT_TRUE(app.waitForOutput("tray supported at the start: false", 60000))
            << "no tray can show icons" << app.output();
        for (const char* trace : c.traces) {
            EXPECT_TRUE(app.waitForError(trace, 60000)) << trace;
        }
        if (c.watcherLater) {
            bus->startWatcher();
            EXPECT_TRUE(bus->waitForItems(2, 20000)) << "the first and second icon register";
            EXPECT_TRUE(app.waitForError("tray: icon 1 shown as", 20000));
            std::string first = "org.kde.StatusNotifierItem-" + std::to_string(app.pid()) + "-1";
            EXPECT_EQ(bus->stringProperty(first, kItemPath, kItem, "Menu", 'o'), "/MenuBar")
                << "a popup outside any event goes to the first shown icon";
        }
        LaunchTest::writeFile(dir() + "/stop", "");
        ChildResult result = app.finish(60000);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("tray bus app done"), std::string::npos) << result.out;
        std::string atEnd =
            std::string("tray supported at the end: ") + (c.watcherLater ? "true" : "false");
        EXPECT_NE(result.out.find(atEnd), std::string::npos)
            << "asked again, the answer follows the watcher" << result.out;
    }
}

}  // namespace
