#include "wine-e2e/window_probe.h"

#include <vector>

#include "splash/png_writer.h"

namespace {

struct Search {
    const char* className;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) &&
        classNameOf(window) == search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK findStaticText(HWND child, LPARAM context) {
    if (GetDlgCtrlID(child) == 0xFFFF && classNameOf(child) == "Static") {
        *reinterpret_cast<std::string*>(context) = windowText(child);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND findWindow(const char* className, DWORD processId) {
    Search search{className, processId, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const char* className, DWORD processId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = findWindow(className, processId)) {
            return window;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        Sleep(20);
    }
}

bool waitUntilGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::string windowText(HWND window) {
    char text[1024] = "";
    int length = GetWindowTextA(window, text, sizeof(text));
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string classNameOf(HWND window) {
    char name[256] = "";
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

MessageBoxView readMessageBox(HWND box) {
    MessageBoxView view;
    view.caption = windowText(box);
    EnumChildWindows(box, findStaticText, reinterpret_cast<LPARAM>(&view.text));
    if (HWND owner = GetWindow(box, GW_OWNER)) {
        view.ownerClass = classNameOf(owner);
    }
    return view;
}

void pressButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void pressOk(HWND box) {
    pressButton(box, IDOK);
}

bool saveScreenshot(const std::string& name) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    int rows = GetDIBits(memory, bitmap, 0, height, bgra.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) {
        return false;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        rgb[i * 3] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4];
    }
    return writePng(std::string(WYN_E2E_SCREENSHOTS) + name, width, height, rgb);
}
