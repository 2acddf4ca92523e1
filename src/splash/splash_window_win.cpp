// The native splash window on Windows.
//
// One SplashWindow at a time, reachable through a process-wide pointer that a lock guards:
// other threads (the start-up and launch sequences, Java threads in the natives) may ask for
// the window at the very moment its thread frees it, so they never touch the object without
// the lock. Timers only work on the thread that owns the window, so setSplashAutoClose posts a
// private message that the window procedure turns into KillTimer / SetTimer.
#include <windows.h>

#include <memory>
#include <mutex>

#include "platform/sync.h"
#include "splash/splash_window.h"

namespace {

constexpr char kClassName[] = "WYNSPLASH";
constexpr UINT_PTR kCloseTimer = 1;
// Posted by setSplashAutoClose: wParam carries the period in ms, negative to only cancel.
constexpr UINT kSetAutoCloseMessage = WM_APP + 1;
constexpr unsigned kStartWaitMs = 30000;

struct SplashWindow {
    SplashWindow(HBITMAP bitmapHandle, const TextString& titleText)
        : started(std::make_shared<platform::Event>()), bitmap(bitmapHandle), title(titleText) {}
    ~SplashWindow() { DeleteObject(bitmap); }

    bool createWindow();

    // Set by the splash thread once it has tried to create the window. Shared, because the
    // thread may end and free this object while showSplashWindow still waits on the event.
    std::shared_ptr<platform::Event> started;
    HWND window = nullptr;
    HBITMAP bitmap;
    TextString title;
    bool autoCloseSet = false;
};

std::mutex activeLock;
SplashWindow* activeSplash = nullptr;  // guarded by activeLock

void setWindowHolder(HWND window) {
    std::lock_guard<std::mutex> guard(activeLock);
    if (activeSplash != nullptr) {
        activeSplash->window = window;
    }
}

void paintBitmap(HWND window, HBITMAP bitmap) {
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    RECT client;
    GetClientRect(window, &client);
    BitBlt(windowDc, 0, 0, client.right, client.bottom, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
    EndPaint(window, &paint);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_PAINT: {
            auto* splash =
                reinterpret_cast<SplashWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (splash == nullptr) {
                return DefWindowProcA(window, message, wParam, lParam);
            }
            paintBitmap(window, splash->bitmap);
            return 0;
        }
        case kSetAutoCloseMessage: {
            int ms = static_cast<int>(static_cast<INT_PTR>(wParam));
            KillTimer(window, kCloseTimer);
            if (ms >= 0) {
                SetTimer(window, kCloseTimer, static_cast<UINT>(ms), nullptr);
            }
            return 0;
        }
        case WM_TIMER:
            KillTimer(window, kCloseTimer);
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_KEYDOWN:
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        // Clicks do nothing, and swallowing the system keys keeps Alt+F4 from closing it.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_NCMBUTTONDOWN:
        case WM_SYSKEYDOWN:
            return 0;
        case WM_DESTROY:
            setWindowHolder(nullptr);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool SplashWindow::createWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing;
    if (!GetClassInfoA(instance, kClassName, &existing)) {
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
    }

    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    BITMAP size;
    if (GetObjectA(bitmap, sizeof(size), &size) == 0) {
        return false;
    }
    // A bitmap larger than the screen gets a negative position: still centred, overhanging.
    int x = (screenWidth - static_cast<int>(size.bmWidth)) / 2;
    int y = (screenHeight - static_cast<int>(size.bmHeight)) / 2;
    // Without a title the window is a tool window, which has no taskbar button.
    DWORD exStyle = title.empty() ? WS_EX_TOOLWINDOW : 0;
    HWND created = CreateWindowExA(exStyle, kClassName, title.c_str(), WS_POPUP | WS_VISIBLE, x, y,
                                   size.bmWidth, size.bmHeight, nullptr, nullptr, instance, this);
    if (created == nullptr) {
        return false;
    }
    setWindowHolder(created);
    ShowWindow(created, SW_SHOW);
    UpdateWindow(created);
    return true;
}

unsigned WYN_THREAD_CALL splashThread(void* argument) {
    auto* splash = static_cast<SplashWindow*>(argument);
    std::shared_ptr<platform::Event> started = splash->started;
    bool created = splash->createWindow();
    started->set();
    platform::lowerThreadPriority();
    if (created) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    {
        std::lock_guard<std::mutex> guard(activeLock);
        activeSplash = nullptr;
    }
    Sleep(0);
    delete splash;
    return 0;
}

}  // namespace

void showSplashWindow(void* bitmap, const TextString& title) {
    if (bitmap == nullptr) {
        return;
    }
    auto* splash = new SplashWindow(static_cast<HBITMAP>(bitmap), title);
    {
        // A process shows one splash at a time; a second request only frees its bitmap.
        std::lock_guard<std::mutex> guard(activeLock);
        if (activeSplash != nullptr) {
            delete splash;
            return;
        }
        activeSplash = splash;
    }
    std::shared_ptr<platform::Event> started = splash->started;
    if (!platform::startDetachedThread(splashThread, splash)) {
        {
            std::lock_guard<std::mutex> guard(activeLock);
            activeSplash = nullptr;
        }
        delete splash;
        return;
    }
    (void)started->wait(kStartWaitMs);
}

void setSplashAutoClose(int ms) {
    std::lock_guard<std::mutex> guard(activeLock);
    if (activeSplash == nullptr || activeSplash->window == nullptr) {
        return;
    }
    activeSplash->autoCloseSet = true;
    PostMessageA(activeSplash->window, kSetAutoCloseMessage,
                 static_cast<WPARAM>(static_cast<INT_PTR>(ms)), 0);
}

void closeSplashWindow() {
    std::lock_guard<std::mutex> guard(activeLock);
    if (activeSplash != nullptr && activeSplash->window != nullptr) {
        PostMessageA(activeSplash->window, WM_CLOSE, 0, 0);
    }
}

void* splashWindowHandle() {
    std::lock_guard<std::mutex> guard(activeLock);
    return activeSplash != nullptr ? activeSplash->window : nullptr;
}

bool splashWindowExists() {
    std::lock_guard<std::mutex> guard(activeLock);
    return activeSplash != nullptr;
}

bool splashAutoCloseSet() {
    std::lock_guard<std::mutex> guard(activeLock);
    return activeSplash != nullptr && activeSplash->autoCloseSet;
}

void clearSplashAutoCloseSet() {
    std::lock_guard<std::mutex> guard(activeLock);
    if (activeSplash != nullptr) {
        activeSplash->autoCloseSet = false;
    }
}
