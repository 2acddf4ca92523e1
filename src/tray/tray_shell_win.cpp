// The tray's shell side on Windows: the "WYNMESSAGE" window and its thread, Shell_NotifyIconA,
// icon resources and popup menus.
//
// The window never shows. Its procedure turns the shell's tray callback messages and the
// menus' WM_COMMAND messages into calls of the handlers, on the window's own thread. The
// window handle is published through an atomic pointer, so that natives on Java threads read
// it without a lock, and cleared when the window is destroyed.
#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "platform/sync.h"
#include "tray/tray_shell.h"

namespace {

constexpr char kClassName[] = "WYNMESSAGE";
constexpr unsigned kStartWaitMs = 30000;
constexpr WPARAM kFirstMenuCommand = 50000;
constexpr WPARAM kLastMenuCommand = 51000;

std::atomic<HWND> messageWindowHandle{nullptr};
std::atomic<TrayCommandHandler> commandHandler{nullptr};
std::atomic<TrayMouseHandler> mouseHandler{nullptr};

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
        default:
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
    window = CreateWindowExA(0, kClassName, kClassName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 100,
                             0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return false;
    }
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

void startMessageWindow(TrayCommandHandler onCommand, TrayMouseHandler onMouse) {
    commandHandler.store(onCommand);
    mouseHandler.store(onMouse);
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

int shellMajorVersion() {
    static const int major = askShellMajorVersion();
    return major;
}

void* loadIcon(int resourceId) {
    return LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId), IMAGE_ICON, 16, 16,
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
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
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
    POINT cursor = {};
    GetCursorPos(&cursor);
    HWND owner = messageWindowHandle.load();
    if (owner != nullptr) {
        SetForegroundWindow(owner);
    }
    TrackPopupMenu(static_cast<HMENU>(menu), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner,
                   nullptr);
    if (owner != nullptr) {
        PostMessageA(owner, WM_NULL, 0, 0);
    }
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
