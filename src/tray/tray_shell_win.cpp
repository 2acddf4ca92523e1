// The tray's shell side on Windows: the "WYNMESSAGE" window and its thread, Shell_NotifyIconA,
// icon resources and popup menus.
//
// The window never shows. Its procedure turns the shell's tray callback messages and the
// menus' WM_COMMAND messages into calls of the handlers, on the window's own thread, tracks
// the popup menus that natives on other threads ask for (a menu can only be tracked by the
// thread of its owner window), and hands the "TaskbarCreated" broadcast of a restarted shell
// to the restart handler. The window handle is published through an atomic pointer, so that
// natives on Java threads read it without a lock, and cleared when the window is destroyed.
//
// An elevated program's window gets no messages from the shell, which runs at a lower
// integrity level, unless it lets them through: the window allows "TaskbarCreated" and the
// tray callback message (Windows 7 and later; on older versions nothing filters them).
#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include "base/trace.h"
#include "platform/sync.h"
#include "tray/tray_shell.h"

namespace {

constexpr char kClassName[] = "WYNMESSAGE";
constexpr unsigned kStartWaitMs = 30000;
constexpr WPARAM kFirstMenuCommand = 50000;
constexpr WPARAM kLastMenuCommand = 51000;
// Posted to the message window with a popup request (lParam: a new PopupRequestHandle).
constexpr UINT kPopupMessage = WM_APP + 1;
// How long a popup asked for from another thread waits for the message window to start it.
constexpr std::chrono::seconds kPopupStartWait{5};
constexpr DWORD kMessageFilterAllow = 1;    // MSGFLT_ALLOW
constexpr int kPerMonitorDpiAwareness = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE

std::atomic<HWND> messageWindowHandle{nullptr};
std::atomic<TrayCommandHandler> commandHandler{nullptr};
std::atomic<TrayMouseHandler> mouseHandler{nullptr};
std::atomic<TrayRestartHandler> restartHandler{nullptr};
// The registered "TaskbarCreated" message, 0 until the window exists.
std::atomic<UINT> taskbarCreatedMessage{0};

// A popup that a thread other than the message window's asked for. The asking thread waits
// until the window's thread has tracked the menu, or abandons the request when that thread
// does not start it in time; the window's thread then skips it.
struct PopupRequest {
    enum class State { Waiting, Tracking, Done, Abandoned };
    HMENU menu = nullptr;
    std::mutex lock;
    std::condition_variable changed;
    State state = State::Waiting;
};
using PopupRequestHandle = std::shared_ptr<PopupRequest>;

// Brings the owner to the foreground (else the menu would not close when the user clicks
// elsewhere), tracks the menu at the mouse position, and posts WM_NULL so that the menu closes
// properly when it was left without a choice. On the owner's thread.
void trackMenu(HWND owner, HMENU menu) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (owner != nullptr) {
        SetForegroundWindow(owner);
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
    if (owner != nullptr) {
        PostMessageA(owner, WM_NULL, 0, 0);
    }
}

// A popup request reaching the message window's thread.
void trackRequestedMenu(HWND window, LPARAM parameter) {
    std::unique_ptr<PopupRequestHandle> carried(reinterpret_cast<PopupRequestHandle*>(parameter));
    PopupRequest& request = **carried;
    {
        std::lock_guard<std::mutex> guard(request.lock);
        if (request.state == PopupRequest::State::Abandoned) {
            return;
        }
        request.state = PopupRequest::State::Tracking;
    }
    request.changed.notify_all();
    trackMenu(window, request.menu);
    {
        std::lock_guard<std::mutex> guard(request.lock);
        request.state = PopupRequest::State::Done;
    }
    request.changed.notify_all();
}

// Lets a message from lower integrity levels reach the window (Windows 7 and later).
void allowMessageFromShell(HWND window, UINT message) {
    using Filter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    static const auto filter = reinterpret_cast<Filter>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx")));
    if (filter != nullptr && message != 0) {
        filter(window, message, kMessageFilterAllow, nullptr);
    }
}

// The process's one message window, owned by its thread.
struct TrayMessageWindow {
    bool createWindow();

    // Set once the thread has tried to create the window. Shared, because the thread may end
    // and free this object while startMessageWindow still waits on the event.
    std::shared_ptr<platform::Event> started = std::make_shared<platform::Event>();
    HWND window = nullptr;
};

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            messageWindowHandle.store(nullptr);
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            if (messageWindowHandle.load() != nullptr && wParam >= kFirstMenuCommand &&
                wParam <= kLastMenuCommand) {
                if (TrayCommandHandler handler = commandHandler.load()) {
                    handler(static_cast<uint32_t>(wParam));
                }
            }
            return 0;
        case kTrayCallbackMessage:
            if (messageWindowHandle.load() != nullptr) {
                if (TrayMouseHandler handler = mouseHandler.load()) {
                    handler(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
                }
            }
            return 0;
        case kPopupMessage:
            trackRequestedMenu(window, lParam);
            return 0;
        default:
            if (message == taskbarCreatedMessage.load() && message != 0) {
                if (TrayRestartHandler handler = restartHandler.load()) {
                    handler();
                }
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool TrayMessageWindow::createWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        return false;
    }
    taskbarCreatedMessage.store(RegisterWindowMessageA("TaskbarCreated"));
    window = CreateWindowExA(0, kClassName, kClassName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 100,
                             0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return false;
    }
    allowMessageFromShell(window, taskbarCreatedMessage.load());
    allowMessageFromShell(window, kTrayCallbackMessage);
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    messageWindowHandle.store(window);
    return true;
}

unsigned WYN_THREAD_CALL messageWindowThread(void* argument) {
    std::unique_ptr<TrayMessageWindow> tray(static_cast<TrayMessageWindow*>(argument));
    std::shared_ptr<platform::Event> started = tray->started;
    bool created = tray->createWindow();
    started->set();
    if (created) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

int askShellMajorVersion() {
    HMODULE shell = LoadLibraryA("shell32.dll");
    if (shell == nullptr) {
        return 4;
    }
    DLLVERSIONINFO version = {};
    version.cbSize = 20;
    version.dwMajorVersion = 4;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")));
    if (getVersion != nullptr && FAILED(getVersion(&version))) {
        version.dwMajorVersion = 4;
    }
    FreeLibrary(shell);
    return static_cast<int>(version.dwMajorVersion);
}

}  // namespace

namespace trayshell {

void startMessageWindow(TrayCommandHandler onCommand, TrayMouseHandler onMouse,
                        TrayRestartHandler onShellRestart) {
    commandHandler.store(onCommand);
    mouseHandler.store(onMouse);
    restartHandler.store(onShellRestart);
    auto* tray = new TrayMessageWindow();
    std::shared_ptr<platform::Event> started = tray->started;
    if (!platform::startDetachedThread(messageWindowThread, tray)) {
        delete tray;
        return;
    }
    (void)started->wait(kStartWaitMs);
}

void* messageWindow() {
    return messageWindowHandle.load();
}

const char* eventSource() {
    return messageWindowHandle.load() != nullptr ? "message window created"
                                                 : "no message window (icons show no events)";
}

bool notificationAreaAvailable() {
    return FindWindowA("Shell_TrayWnd", nullptr) != nullptr;
}

int shellMajorVersion() {
    static const int major = askShellMajorVersion();
    return major;
}

namespace {

// The system's small-icon size for the DPI that the taskbar is drawn at, when this thread is
// aware of each monitor's DPI (Windows 10 1607 and later); else GetSystemMetrics, which
// answers for the system DPI (or for 96 DPI in a program that is not DPI-aware, whose icons the
// system scales).
int smallIconSize() {
    HMODULE user = GetModuleHandleA("user32.dll");
    using ThreadContext = void*(WINAPI*)();
    using Awareness = int(WINAPI*)(void*);
    using DpiForWindow = UINT(WINAPI*)(HWND);
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    auto threadContext = reinterpret_cast<ThreadContext>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<Awareness>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
    auto metricsForDpi = reinterpret_cast<MetricsForDpi>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")));
    if (threadContext != nullptr && awareness != nullptr && dpiForWindow != nullptr &&
        metricsForDpi != nullptr && awareness(threadContext()) == kPerMonitorDpiAwareness) {
        HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
        UINT dpi = taskbar != nullptr ? dpiForWindow(taskbar) : 0;
        int size = dpi != 0 ? metricsForDpi(SM_CXSMICON, dpi) : 0;
        if (size > 0) {
            return size;
        }
    }
    int size = GetSystemMetrics(SM_CXSMICON);
    return size > 0 ? size : 16;
}

}  // namespace

void* loadIcon(int resourceId) {
    int size = smallIconSize();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // Common controls 6 scale a larger image down, sharper than LoadImage's choice of the
    // nearest one (Vista and later; the manifest asks for version 6).
    using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    auto scaleDown = controls == nullptr ? nullptr
                                         : reinterpret_cast<ScaleDown>(reinterpret_cast<void*>(
                                               GetProcAddress(controls, "LoadIconWithScaleDown")));
    HICON icon = nullptr;
    if (scaleDown != nullptr &&
        SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(resourceId), size, size, &icon))) {
        return icon;
    }
    return LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, size, size,
                      LR_DEFAULTCOLOR);
}

void destroyIcon(void* icon) {
    if (icon != nullptr) {
        DestroyIcon(static_cast<HICON>(icon));
    }
}

void notify(NotifyAction action, const TrayIconRecord& record) {
    NOTIFYICONDATAA data = {};
    data.cbSize = record.balloonLayout ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = messageWindowHandle.load();
    data.uID = record.id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (record.balloonLayout && record.balloonPending) {
        data.uFlags |= NIF_INFO;
    }
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = static_cast<HICON>(record.icon);
    static_assert(sizeof(record.tip) <= sizeof(data.szTip), "tip field");
    static_assert(sizeof(record.info) <= sizeof(data.szInfo), "info field");
    static_assert(sizeof(record.infoTitle) <= sizeof(data.szInfoTitle), "info title field");
    std::memcpy(data.szTip, record.tip, sizeof(record.tip));
    std::memcpy(data.szInfo, record.info, sizeof(record.info));
    std::memcpy(data.szInfoTitle, record.infoTitle, sizeof(record.infoTitle));
    data.dwInfoFlags = record.infoFlags;
    DWORD message = action == NotifyAction::Add      ? NIM_ADD
                    : action == NotifyAction::Modify ? NIM_MODIFY
                                                     : NIM_DELETE;
    Shell_NotifyIconA(message, &data);
}

void* createMenu() {
    return CreatePopupMenu();
}

namespace {

void insertItem(void* menu, MENUITEMINFOA& item) {
    // The first form of the record, without hbmpItem, as every shell version accepts it.
    item.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    InsertMenuItemA(static_cast<HMENU>(menu), static_cast<UINT>(-1), TRUE, &item);
}

}  // namespace

void appendCommand(void* menu, const char* text, uint32_t itemId) {
    MENUITEMINFOA item = {};
    item.fMask = MIIM_ID | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.wID = itemId;
    item.dwTypeData = const_cast<char*>(text);
    insertItem(menu, item);
}

void appendSubmenu(void* menu, const char* text, void* submenu) {
    MENUITEMINFOA item = {};
    item.fMask = MIIM_SUBMENU | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.hSubMenu = static_cast<HMENU>(submenu);
    item.dwTypeData = const_cast<char*>(text);
    insertItem(menu, item);
}

void appendSeparator(void* menu) {
    MENUITEMINFOA item = {};
    item.fMask = MIIM_TYPE;
    item.fType = MFT_SEPARATOR;
    insertItem(menu, item);
}

void popupMenu(void* menu) {
    HWND owner = messageWindowHandle.load();
    if (owner == nullptr || GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId()) {
        trackMenu(owner, static_cast<HMENU>(menu));
        return;
    }
    auto request = std::make_shared<PopupRequest>();
    request->menu = static_cast<HMENU>(menu);
    auto* carried = new PopupRequestHandle(request);
    if (!PostMessageA(owner, kPopupMessage, 0, reinterpret_cast<LPARAM>(carried))) {
        delete carried;
        trace("tray: popup menu not shown, the message window takes no messages");
        return;
    }
    std::unique_lock<std::mutex> guard(request->lock);
    if (!request->changed.wait_for(guard, kPopupStartWait, [&] {
            return request->state != PopupRequest::State::Waiting;
        })) {
        request->state = PopupRequest::State::Abandoned;
        trace("tray: popup menu not shown, the message window is busy in a callback");
        return;
    }
    request->changed.wait(guard, [&] { return request->state == PopupRequest::State::Done; });
}

// Each menu belongs to its own Java object, so a menu's submenus are taken out before it is
// destroyed: DestroyMenu would destroy them too, and their own finalize would then destroy
// a handle that may have been given to another menu since.
void destroyMenu(void* menu) {
    HMENU handle = static_cast<HMENU>(menu);
    if (handle == nullptr) {
        return;
    }
    for (int position = GetMenuItemCount(handle) - 1; position >= 0; --position) {
        if (GetSubMenu(handle, position) != nullptr) {
            RemoveMenu(handle, static_cast<UINT>(position), MF_BYPOSITION);
        }
    }
    DestroyMenu(handle);
}

}  // namespace trayshell
