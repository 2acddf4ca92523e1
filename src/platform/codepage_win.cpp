// ANSI <-> UTF-16 with the Win32 conversions of the active ANSI code page.
#include <windows.h>

#include "platform/codepage.h"

namespace platform {

void ansiToUtf16(const char* text, int32_t count, WideString& out) {
    int32_t n = 0;
    while (n < count && text[n] != '\0') {
        ++n;
    }
    out.resize(0);
    if (n == 0) {
        return;
    }
    int units = MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0);
    if (units <= 0) {
        return;
    }
    out.resize(units);
    MultiByteToWideChar(CP_ACP, 0, text, n, reinterpret_cast<wchar_t*>(out.data()), units);
}

void utf16ToAnsi(const char16_t* text, int32_t count, TextString& out) {
    int32_t n = 0;
    while (n < count && text[n] != 0) {
        ++n;
    }
    out.resize(0);
    if (n == 0) {
        return;
    }
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return;
    }
    out.resize(bytes);
    WideCharToMultiByte(CP_ACP, 0, wide, n, out.data(), bytes, nullptr, nullptr);
}

int32_t codePageCharacterLength(uint32_t codePage, const char* text, int32_t available) {
    if (codePage == CP_UTF8) {
        int32_t length = utf8SequenceLength(text, available);
        return length > 0 ? length : 1;
    }
    if (available >= 2 && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[0])) &&
        text[1] != '\0') {
        return 2;
    }
    return 1;
}

int32_t ansiCharacterLength(const char* text, int32_t available) {
    return codePageCharacterLength(GetACP(), text, available);
}

}  // namespace platform
