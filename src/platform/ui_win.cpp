// The error message box on Windows.
//
// A packed program built as a console program (the packer's --console) also writes the
// message to standard error, so that it reaches the terminal or the log of a script that
// started it; a GUI program has no console and writes nothing.
#include <windows.h>
// shellapi.h and objbase.h need windows.h first.
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "platform/ui.h"

namespace platform {

namespace {

bool isConsoleProgram() {
    auto* image = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

void writeToStandardError(const char* caption, const char* text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(error, caption, static_cast<DWORD>(std::strlen(caption)), &written, nullptr);
    WriteFile(error, ": ", 2, &written, nullptr);
    WriteFile(error, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    WriteFile(error, "\r\n", 2, &written, nullptr);
}

std::wstring wideOfUtf8(const char* text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(units > 0 ? static_cast<size_t>(units) : 1, L'\0');
    if (units > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], units);
    }
    return wide;
}

// ShellExecute with COM initialised on the calling thread (single-threaded apartment), as the
// shell asks: a browser registered through a DelegateExecute verb is reached through COM.
// ole32 is loaded only here, so that a normal start does not pay for it.
void openWithShell(const char* url) {
    using Initialize = HRESULT(WINAPI*)(void*, DWORD);
    using Uninitialize = void(WINAPI*)();
    HMODULE ole = LoadLibraryA("ole32.dll");
    auto initialize = ole == nullptr ? nullptr
                                     : reinterpret_cast<Initialize>(reinterpret_cast<void*>(
                                           GetProcAddress(ole, "CoInitializeEx")));
    auto uninitialize = ole == nullptr ? nullptr
                                       : reinterpret_cast<Uninitialize>(reinterpret_cast<void*>(
                                             GetProcAddress(ole, "CoUninitialize")));
    bool initialized =
        initialize != nullptr && uninitialize != nullptr &&
        SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
    if (initialized) {
        uninitialize();
    }
    if (ole != nullptr) {
        FreeLibrary(ole);
    }
}

}  // namespace

void showErrorBox(void* owner, const char* text, const char* caption) {
    if (isConsoleProgram()) {
        writeToStandardError(caption, text);
    }
    MessageBoxA(static_cast<HWND>(owner), text, caption,
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

void showErrorBoxAfterOutput(void* owner, const char* text, const char* printed,
                             const char* caption) {
    if (isConsoleProgram()) {
        writeToStandardError(caption, text);
    }
    std::string both = text;
    if (printed[0] != '\0') {
        both += std::string("\n\n") + printed;
    }
    MessageBoxA(static_cast<HWND>(owner), both.c_str(), caption,
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

void showErrorBoxUtf8(void* owner, const char* text, const char* caption) {
    if (isConsoleProgram()) {
        writeToStandardError(caption, text);
    }
    MessageBoxW(static_cast<HWND>(owner), wideOfUtf8(text).c_str(), wideOfUtf8(caption).c_str(),
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

void showErrorBoxOfferingUrl(void* owner, const char* text, const char* question,
                             const char* caption, const char* url) {
    std::string both = std::string(text) + "\n\n" + question;
    if (isConsoleProgram()) {
        writeToStandardError(caption, both.c_str());
    }
    int answer = MessageBoxA(static_cast<HWND>(owner), both.c_str(), caption,
                             MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
    if (answer == IDYES) {
        openWithShell(url);
    }
}

}  // namespace platform
