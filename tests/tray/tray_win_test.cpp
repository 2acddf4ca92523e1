// Tray icons and menus under Wine with an XEmbed tray on the display, so that Wine docks the
// icons where X tools can see, click and photograph them. The natives are called the way a
// runtime calls them (found by their export names in this program), with the test runtime's
// objects; the callback is a test runtime object whose calls the runtime records.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "host_display.h"
#include "support/drawing_win.h"
#include "support/native_export_name.h"
#include "test_runtime_control.h"
#include "tray/tray_events.h"
#include "tray/tray_icons.h"
#include "tray/tray_menus.h"
#include "tray/tray_shell.h"

namespace {

using IconInit = void(JNICALL*)(JNIEnv*, jobject, jint, jstring, jstring, jstring, jint);
using ObjectCall = void(JNICALL*)(JNIEnv*, jobject);
using SetCallback = void(JNICALL*)(JNIEnv*, jclass, jobject);
using AppendCommand = void(JNICALL*)(JNIEnv*, jobject, jstring, jint);
using AppendSubmenu = void(JNICALL*)(JNIEnv*, jobject, jstring, jobject);

// Found by the name a runtime of this program's width binds (stdcall-decorated on x86).
template <typename Function>
Function exported(const char* name) {
    std::string exportName = nativeExportNameFor(name, Function());
    auto function = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), exportName.c_str())));
    if (function == nullptr) {
        ADD_FAILURE() << exportName << " is not exported";
    }
    return function;
}

constexpr char kIcon[] = "com/tarnwick/wyn/SystemTray";
constexpr char kMenu[] = "com/tarnwick/wyn/SystemTrayMenu";
constexpr char kRecorder[] = "wyntest/Recorder";

std::string programDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string text = path;
    return text.substr(0, text.find_last_of("\\/") + 1);
}

std::string logPath() {
    return programDirectory() + "tray-runtime.log";
}

std::string screenshot(const char* name) {
    return programDirectory() + WYN_SCREENSHOTS_FROM_TESTS + name;
}

// Waits up to 10 s for a line of the runtime's log; true when it is there.
bool awaitLogLine(const std::string& line) {
    for (int i = 0; i < 100; ++i) {
        std::ifstream in(logPath());
        std::string text;
        while (std::getline(in, text)) {
            if (text == line) {
                return true;
            }
        }
        Sleep(100);
    }
    return false;
}

int countLogLines(const std::string& prefix) {
    std::ifstream in(logPath());
    std::string text;
    int count = 0;
    while (std::getline(in, text)) {
        count += text.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return count;
}

JNIEnv* env = nullptr;
HMODULE runtimeLibrary = nullptr;

jobject make(const char* className) {
    jclass cls = env->FindClass(className);
    jmethodID constructor = env->GetMethodID(cls, "<init>", "()V");
    jobject object = env->NewObject(cls, constructor);
    env->DeleteLocalRef(cls);
    return object;
}

jlong handleOf(jobject object) {
    jclass cls = env->GetObjectClass(object);
    jfieldID h = env->GetFieldID(cls, "h", "J");
    env->DeleteLocalRef(cls);
    return env->GetLongField(object, h);
}

std::string clickRecord(jobject icon, int message) {
    return "call wyntest/Recorder.OnMouseClick com/tarnwick/wyn/SystemTray[h=" +
           std::to_string(static_cast<long long>(handleOf(icon))) + "] " + std::to_string(message);
}

void clickAt(const DockedIcon& where, int button) {
    DockedIcon icon = dockedWindow(where.window);
    runOnHost("xdotool mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
              std::to_string(icon.y + icon.height / 2) + " click " + std::to_string(button));
}

// The docked icon that appeared since before.
DockedIcon newIcon(const std::vector<DockedIcon>& before, const std::vector<DockedIcon>& after) {
    for (const DockedIcon& icon : after) {
        bool known = std::any_of(before.begin(), before.end(),
                                 [&](const DockedIcon& old) { return old.window == icon.window; });
        if (!known) {
            return icon;
        }
    }
    return DockedIcon{"", -1, -1, 0, 0};
}

// The colour in the middle of a docked icon, wherever the tray has moved it.
std::string centrePixel(const DockedIcon& where) {
    DockedIcon icon = dockedWindow(where.window);
    return pixelAt(icon.x + icon.width / 2, icon.y + icon.height / 2);
}

// Sets a variable for this process and for the runtime, which reads its settings with getenv.
void setVariable(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
    _putenv_s(name, value.c_str());
}

// The test runtime in this process with the tray's classes, and the tray's message window.
void startRuntimeAndTray() {
    DeleteFileA(logPath().c_str());
    setVariable("WYN_TEST_RUNTIME_LOG", logPath());
    setVariable("WYN_TEST_RUNTIME_CLASSES", std::string(kIcon) + ":tray-icon," + kMenu +
                                                ":tray-menu," + kRecorder + ":tray-callback");
    // The runtime's companion library sits in its bin directory, as a runtime's own do.
    SetDllDirectoryA((std::string(WYN_TEST_RUNTIME_HOME) + "\\bin").c_str());
    runtimeLibrary = LoadLibraryA(WYN_TEST_RUNTIME_LIBRARY);
    ASSERT_NE(runtimeLibrary, nullptr);
    using Create = jint(JNICALL*)(JavaVM**, void**, void*);
    auto create = reinterpret_cast<Create>(
        reinterpret_cast<void*>(GetProcAddress(runtimeLibrary, "JNI_CreateJavaVM")));
    ASSERT_NE(create, nullptr);
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_8;
    JavaVM* vm = nullptr;
    ASSERT_EQ(create(&vm, reinterpret_cast<void**>(&env), &args), JNI_OK);
    createTrayMessageWindow();
    ASSERT_NE(trayshell::messageWindow(), nullptr);
}

class TrayUnderWine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { startRuntimeAndTray(); }

    static int runtimeCount(const char* what) {
        auto count = reinterpret_cast<TestRuntimeCountFunction>(
            reinterpret_cast<void*>(GetProcAddress(runtimeLibrary, kTestRuntimeCountSymbol)));
        return count != nullptr ? count(what) : -2;
    }

    static jobject icons[4];
    static DockedIcon docked[3];
};
jobject TrayUnderWine::icons[4];
DockedIcon TrayUnderWine::docked[3];

TEST_F(TrayUnderWine, MessageWindowIsHiddenAndNamed) {
    HWND window = static_cast<HWND>(trayshell::messageWindow());
    char text[32] = {};
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ(text, "WYNMESSAGE");
    GetClassNameA(window, text, sizeof(text));
    EXPECT_STREQ(text, "WYNMESSAGE");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId())
        << "the window has a thread of its own";
}

// The suite's notification area is Wine's taskbar tray window, which docks into the X tray;
// Wine keeps that window for as long as its desktop process runs, so the false answer of a
// system without one cannot be shown here.
TEST_F(TrayUnderWine, IsSupportedWhileTheTaskbarsNotificationAreaExists) {
    using IsSupported = jboolean(JNICALL*)(JNIEnv*, jclass);
    auto isSupported = exported<IsSupported>("Java_com_tarnwick_wyn_SystemTray_isSupported");
    ASSERT_NE(isSupported, nullptr);
    ASSERT_NE(FindWindowA("Shell_TrayWnd", nullptr), nullptr) << "Wine's notification area";
    jclass cls = env->FindClass(kIcon);
    EXPECT_EQ(isSupported(env, cls), JNI_TRUE);
    EXPECT_EQ(isSupported(env, cls), JNI_TRUE) << "asked again, the same answer";
    env->DeleteLocalRef(cls);
}

TEST_F(TrayUnderWine, IconsDockInOrderOfCreationWithIdsOneTwoThree) {
    auto init = exported<IconInit>("Java_com_tarnwick_wyn_SystemTray_init");
    auto show = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTray_Show");
    ASSERT_TRUE(init != nullptr && show != nullptr);
    ASSERT_EQ(dockedIcons().size(), 0u) << "the tray starts empty";
    std::string longTip = "A tooltip of seventy characters, longer than the shell shows: 0123456";
    const char* tips[] = {"red icon", "green icon", longTip.c_str()};
    for (int i = 0; i < 3; ++i) {
        icons[i] = env->NewGlobalRef(make(kIcon));
        jstring tip = env->NewStringUTF(tips[i]);
        init(env, icons[i], i + 1, tip, nullptr, nullptr, 0);
        env->DeleteLocalRef(tip);
    }
    std::vector<TrayIconState> states = trayIconStates();
    ASSERT_EQ(states.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(states[i].id, static_cast<uint32_t>(i + 1));
        if (processCanDraw()) {
            EXPECT_TRUE(states[i].hasIcon) << "icon resource " << i + 1 << " loaded";
        }
        EXPECT_FALSE(states[i].balloonLayout);
    }
    EXPECT_EQ(states[2].tip.length(), 63);
    EXPECT_EQ(std::string(states[2].tip.c_str()), longTip.substr(0, 63));

    for (int i = 0; i < 3; ++i) {
        std::vector<DockedIcon> before = dockedIcons();
        show(env, icons[i]);
        std::vector<DockedIcon> after = awaitDockedIcons(static_cast<size_t>(i + 1));
        ASSERT_EQ(after.size(), static_cast<size_t>(i + 1)) << "icon " << i + 1 << " docked";
        docked[i] = newIcon(before, after);
        ASSERT_GE(docked[i].x, 0);
    }
    Sleep(500);
    if (!processCanDraw()) {
        std::printf("icon images and screenshot not checked: %s\n", kNoDrawingReason);
        return;
    }
    for (const TrayIconState& state : trayIconStates()) {
        ICONINFO info = {};
        auto* record = static_cast<const TrayIconRecord*>(state.record);
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(record->icon), &info));
        BITMAP bitmap = {};
        GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap),
                   &bitmap);
        EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON)) << "the system's small-icon size";
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    EXPECT_TRUE(saveScreenshot(screenshot("tray-icons.png")));
    // Each docked icon shows its own resource.
    const char* colours[] = {"#D02020", "#20B020", "#2040E0"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(centrePixel(docked[i]), colours[i]) << "icon " << i + 1;
    }
}

TEST_F(TrayUnderWine, TooltipShowsTheFirstSixtyThreeCharacters) {
    DockedIcon blue = dockedWindow(docked[2].window);
    ASSERT_GE(blue.x, 0);
    runOnHost("xdotool mousemove " + std::to_string(blue.x + blue.width / 2) + " " +
              std::to_string(blue.y + blue.height / 2));
    Sleep(2500);
    EXPECT_TRUE(saveScreenshot(screenshot("tray-tooltip.png")));
    runOnHost("xdotool mousemove 500 500");
}

TEST_F(TrayUnderWine, ClicksReachOnMouseClickWithExactlyThatIcon) {
    auto setCallback =
        exported<SetCallback>("Java_com_tarnwick_wyn_SystemTray_setSystemTrayCallback");
    ASSERT_NE(setCallback, nullptr);
    jobject recorder = make(kRecorder);
    setCallback(env, nullptr, recorder);
    env->DeleteLocalRef(recorder);

    clickAt(docked[1], 1);
    EXPECT_TRUE(awaitLogLine(clickRecord(icons[1], 514))) << "left click on the green icon";
    clickAt(docked[0], 3);
    EXPECT_TRUE(awaitLogLine(clickRecord(icons[0], 517))) << "right click on the red icon";
    EXPECT_EQ(countLogLines(clickRecord(icons[2], 514)), 0) << "the blue icon was not clicked";
    EXPECT_GT(countLogLines("attach"), 0) << "the window thread attaches for each event";
    EXPECT_EQ(countLogLines("attach"), countLogLines("detach"));

    setCallback(env, nullptr, nullptr);
    int before = countLogLines("call wyntest/Recorder.OnMouseClick");
    clickAt(docked[1], 1);
    Sleep(1000);
    EXPECT_EQ(countLogLines("call wyntest/Recorder.OnMouseClick"), before)
        << "no callback: no call";
}

TEST_F(TrayUnderWine, ChangeOnAHiddenIconDoesNothingAndAfterShowItDoes) {
    auto hide = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTray_Hide");
    auto show = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTray_Show");
    auto change = exported<IconInit>("Java_com_tarnwick_wyn_SystemTray_Change");
    ASSERT_TRUE(hide != nullptr && show != nullptr && change != nullptr);
    hide(env, icons[2]);
    ASSERT_EQ(awaitDockedIcons(2).size(), 2u) << "a hidden icon leaves the tray";
    jstring tip = env->NewStringUTF("changed while hidden");
    change(env, icons[2], 2, tip, nullptr, nullptr, -1);
    EXPECT_EQ(std::string(trayIconStates()[2].tip.c_str()).find("changed"), std::string::npos)
        << "Change on a hidden icon keeps its tooltip";

    std::vector<DockedIcon> before = dockedIcons();
    show(env, icons[2]);
    std::vector<DockedIcon> after = awaitDockedIcons(3);
    ASSERT_EQ(after.size(), 3u);
    docked[2] = newIcon(before, after);
    Sleep(500);
    bool drawn = processCanDraw();
    if (drawn) {
        EXPECT_EQ(centrePixel(docked[2]), "#2040E0") << "shown again with its own image";
    }
    change(env, icons[2], 2, tip, nullptr, nullptr, -1);
    Sleep(1000);
    if (drawn) {
        EXPECT_EQ(centrePixel(docked[2]), "#20B020") << "Change gave it the green image";
    } else {
        std::printf("icon images not checked: %s\n", kNoDrawingReason);
    }
    EXPECT_STREQ(trayIconStates()[2].tip.c_str(), "changed while hidden");
    env->DeleteLocalRef(tip);
}

TEST_F(TrayUnderWine, PopupMenuShowsAndTheChosenItemReachesOnMenuCommand) {
    auto setCallback =
        exported<SetCallback>("Java_com_tarnwick_wyn_SystemTray_setSystemTrayCallback");
    auto menuInit = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTrayMenu_init");
    auto append = exported<AppendCommand>(
        "Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2I");
    auto appendSubmenu = exported<AppendSubmenu>(
        "Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2Lcom_tarnwick_wyn_"
        "SystemTrayMenu_2");
    auto separator = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTrayMenu_AppendSeparator");
    auto popup = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTrayMenu_Popup");
    ASSERT_TRUE(setCallback && menuInit && append && appendSubmenu && separator && popup);
    runOnHost("xdotool mousemove 400 300");
    // A menu that is not drawn cannot be clicked, and Popup returns only when it closes.
    WYN_SKIP_WITHOUT_DRAWING();
    jobject recorder = make(kRecorder);
    setCallback(env, nullptr, recorder);
    env->DeleteLocalRef(recorder);

    jobject menu = env->NewGlobalRef(make(kMenu));
    jobject sub = make(kMenu);
    menuInit(env, menu);
    menuInit(env, sub);
    const char* texts[] = {"&Open", "Seven", "Last"};
    const int ids[] = {0, 7, 1000};
    for (int i = 0; i < 3; ++i) {
        jstring text = env->NewStringUTF(texts[i]);
        append(env, menu, text, ids[i]);
        env->DeleteLocalRef(text);
    }
    separator(env, menu);
    jstring more = env->NewStringUTF("More");
    appendSubmenu(env, menu, more, sub);
    appendSubmenu(env, menu, more, nullptr);
    EXPECT_TRUE(awaitLogLine("call java/util/HashSet.add com/tarnwick/wyn/SystemTrayMenu[h=" +
                             std::to_string(static_cast<long long>(handleOf(sub))) + "]"));
    auto* record = reinterpret_cast<TrayMenu*>(static_cast<intptr_t>(handleOf(menu)));
    HMENU native = static_cast<HMENU>(record->native);
    EXPECT_EQ(GetMenuItemCount(native), 5) << "three items, a separator and one submenu";

    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    std::thread popupThread([&] {
        JNIEnv* threadEnv = nullptr;
        vm->AttachCurrentThread(reinterpret_cast<void**>(&threadEnv), nullptr);
        popup(threadEnv, menu);
        vm->DetachCurrentThread();
    });
    HWND popupWindow = nullptr;
    for (int i = 0; i < 100 && (popupWindow == nullptr || !IsWindowVisible(popupWindow)); ++i) {
        Sleep(100);
        popupWindow = FindWindowA("#32768", nullptr);
    }
    EXPECT_NE(popupWindow, nullptr) << "the popup menu appeared";
    HWND messageWindow = static_cast<HWND>(trayshell::messageWindow());
    EXPECT_EQ(GetWindowThreadProcessId(popupWindow, nullptr),
              GetWindowThreadProcessId(messageWindow, nullptr))
        << "the menu is tracked by the thread of its owner, the message window";
    Sleep(500);
    EXPECT_TRUE(saveScreenshot(screenshot("tray-menu.png")));
    RECT item = {};
    ASSERT_TRUE(GetMenuItemRect(nullptr, native, 1, &item));
    runOnHost("xdotool mousemove " + std::to_string((item.left + item.right) / 2) + " " +
              std::to_string((item.top + item.bottom) / 2) + " sleep 0.3 click 1");
    popupThread.join();
    EXPECT_TRUE(awaitLogLine("call wyntest/Recorder.OnMenuCommand 7"));
    EXPECT_EQ(countLogLines("call wyntest/Recorder.OnMenuCommand"), 1);
    env->DeleteLocalRef(more);
    env->DeleteLocalRef(sub);
}

struct WindowClassSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK matchVisibleWindowOfClass(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowClassSearch*>(parameter);
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == search->className && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible window of the class, in any process (the shell draws balloons in its own).
HWND visibleWindowOfClass(const char* className) {
    WindowClassSearch search = {className, nullptr};
    EnumWindows(matchVisibleWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(TrayUnderWine, AnIconWithBothBalloonTextsShowsItsBalloon) {
    auto init = exported<IconInit>("Java_com_tarnwick_wyn_SystemTray_init");
    auto show = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTray_Show");
    ASSERT_TRUE(init != nullptr && show != nullptr);
    jstring tip = env->NewStringUTF("balloon icon");
    jstring info = env->NewStringUTF("The balloon's text");
    jstring title = env->NewStringUTF("Balloon title");
    // Where Wine cannot draw (32-bit programs under WoW64) an icon's hover tooltip, which has
    // the same window class, may still be up from the cases before: no balloon to tell apart.
    if (processCanDraw()) {
        EXPECT_EQ(visibleWindowOfClass("tooltips_class32"), nullptr) << "no balloon yet";
    }
    icons[3] = env->NewGlobalRef(make(kIcon));
    init(env, icons[3], 1, tip, info, title, 1);
    EXPECT_TRUE(trayIconStates()[3].balloonLayout) << "the version-5 layout";
    show(env, icons[3]);
    ASSERT_EQ(awaitDockedIcons(4).size(), 4u);
    env->DeleteLocalRef(tip);
    env->DeleteLocalRef(info);
    env->DeleteLocalRef(title);
    // The icon stays for the last case; the balloon itself is drawn only where drawing works.
    WYN_SKIP_WITHOUT_DRAWING();
    HWND balloon = nullptr;
    for (int i = 0; i < 50 && balloon == nullptr; ++i) {
        Sleep(100);
        balloon = visibleWindowOfClass("tooltips_class32");
    }
    EXPECT_NE(balloon, nullptr) << "the shell shows the balloon";
    Sleep(300);
    EXPECT_TRUE(saveScreenshot(screenshot("tray-balloon.png")));
}

// Waits up to ms for the shell's balloon to be shown (or gone); true when it is.
bool awaitBalloon(bool shown, int ms) {
    for (int waited = 0; waited <= ms; waited += 100) {
        if ((visibleWindowOfClass("tooltips_class32") != nullptr) == shown) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

TEST_F(TrayUnderWine, AChangeWithoutBalloonTextsShowsNoBalloon) {
    auto change = exported<IconInit>("Java_com_tarnwick_wyn_SystemTray_Change");
    ASSERT_NE(change, nullptr);
    WYN_SKIP_WITHOUT_DRAWING();
    // The balloon of the icon's creation goes when clicked, or after its time; the icon keeps
    // its balloon text.
    HWND balloon = visibleWindowOfClass("tooltips_class32");
    if (balloon != nullptr) {
        RECT area = {};
        GetWindowRect(balloon, &area);
        runOnHost("xdotool mousemove " + std::to_string((area.left + area.right) / 2) + " " +
                  std::to_string((area.top + area.bottom) / 2) +
                  " click 1 sleep 0.2 mousemove 500 500");
    }
    ASSERT_TRUE(awaitBalloon(false, 40000)) << "the first balloon went away";
    ASSERT_STREQ(trayIconStates()[3].info.c_str(), "The balloon's text");

    // Tooltip and icon changes, as the two-argument Change makes them.
    jstring tip = env->NewStringUTF("balloon icon");
    jstring newTip = env->NewStringUTF("balloon icon, changed");
    change(env, icons[3], 2, newTip, nullptr, nullptr, -1);
    change(env, icons[3], 1, tip, nullptr, nullptr, -1);
    EXPECT_FALSE(awaitBalloon(true, 2000)) << "no balloon came back";
    EXPECT_EQ(trayIconStates()[3].infoFlags, 1u) << "the info type -1 left the type as it was";

    // A Change that gives a balloon text shows it; an empty one takes it away.
    jstring info = env->NewStringUTF("A new balloon");
    change(env, icons[3], 0, tip, info, nullptr, 2);
    EXPECT_TRUE(awaitBalloon(true, 5000)) << "a balloon asked for is shown";
    EXPECT_EQ(trayIconStates()[3].infoFlags, 2u);
    jstring empty = env->NewStringUTF("");
    change(env, icons[3], 0, tip, empty, nullptr, -1);
    EXPECT_TRUE(awaitBalloon(false, 5000)) << "an empty balloon text takes the balloon away";
    for (jstring text : {tip, empty, newTip, info}) {
        env->DeleteLocalRef(text);
    }
}

TEST_F(TrayUnderWine, IconsComeBackWhenTheTaskbarIsCreatedAgain) {
    // The shell forgets the icons when Explorer restarts; here they are taken out behind the
    // tray's back, and the broadcast a new taskbar sends brings them back.
    ASSERT_EQ(awaitDockedIcons(4).size(), 4u);
    HWND window = static_cast<HWND>(trayshell::messageWindow());
    for (const TrayIconState& icon : trayIconStates()) {
        NOTIFYICONDATAA data = {};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = window;
        data.uID = icon.id;
        EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data)) << "icon " << icon.id;
    }
    ASSERT_EQ(awaitDockedIcons(0).size(), 0u) << "the shell shows none of them";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, &result);
    EXPECT_EQ(awaitDockedIcons(4).size(), 4u) << "every shown icon is added again";
    Sleep(1000);
    if (processCanDraw()) {
        EXPECT_EQ(visibleWindowOfClass("tooltips_class32"), nullptr)
            << "added again without its balloon";
    }
}

TEST_F(TrayUnderWine, EveryShownIconIsRemovedAtTheEnd) {
    ASSERT_EQ(awaitDockedIcons(4).size(), 4u);
    removeAllTrayIcons();
    EXPECT_EQ(awaitDockedIcons(0).size(), 0u);
    EXPECT_TRUE(trayIconStates().empty());
    EXPECT_EQ(runtimeCount("open-chars"), 0) << "every string's characters were released";
}

// Run in a process of its own (the removal happens once per process): the runtime's exit hook
// removes the icons while a thread that the runtime stopped inside a native, on its way back
// into the runtime, holds the tray's lock for good.
class TrayAtRuntimeExit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { startRuntimeAndTray(); }
};

TEST_F(TrayAtRuntimeExit, IconsAreRemovedWhileAStoppedThreadHoldsTheTray) {
    auto init = exported<IconInit>("Java_com_tarnwick_wyn_SystemTray_init");
    auto show = exported<ObjectCall>("Java_com_tarnwick_wyn_SystemTray_Show");
    ASSERT_TRUE(init != nullptr && show != nullptr);
    ASSERT_EQ(dockedIcons().size(), 0u) << "the tray starts empty";
    jobject first = env->NewGlobalRef(make(kIcon));
    jobject second = env->NewGlobalRef(make(kIcon));
    jstring tip = env->NewStringUTF("icon");
    init(env, first, 1, tip, nullptr, nullptr, 0);
    init(env, second, 2, tip, nullptr, nullptr, 0);
    env->DeleteLocalRef(tip);
    show(env, first);
    ASSERT_EQ(awaitDockedIcons(1).size(), 1u);

    // Show takes the tray's lock, adds the icon and then calls the runtime, which keeps the
    // thread there.
    std::string release = programDirectory() + "tray-release";
    DeleteFileA(release.c_str());
    setVariable("WYN_TEST_RUNTIME_RELEASE", release);
    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    setVariable("WYN_TEST_RUNTIME_BLOCK", "NewGlobalRef");
    std::thread stopped([&] {
        JNIEnv* threadEnv = nullptr;
        vm->AttachCurrentThread(reinterpret_cast<void**>(&threadEnv), nullptr);
        show(threadEnv, second);
        vm->DetachCurrentThread();
    });
    EXPECT_TRUE(awaitLogLine("blocked NewGlobalRef"));
    EXPECT_EQ(awaitDockedIcons(2).size(), 2u);

    removeAllTrayIcons();
    EXPECT_EQ(awaitDockedIcons(0).size(), 0u) << "both shown icons are taken out by their ids";

    setVariable("WYN_TEST_RUNTIME_BLOCK", "");
    std::ofstream(release) << "released";
    stopped.join();
    EXPECT_EQ(countLogLines("blocked NewGlobalRef"), 1);
    EXPECT_EQ(countLogLines("script released"), 1) << "the thread went on once released";
    EXPECT_EQ(trayIconStates().size(), 2u) << "the records stay: the lock was never had";
}

}  // namespace
