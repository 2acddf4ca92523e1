// ANSI <-> UTF-16 through the C library's multibyte functions under the selected locale.
#include <climits>
#include <cwchar>

#include "platform/codepage.h"

namespace platform {

void ansiToUtf16(const char* text, int32_t count, WideString& out) {
    out.resize(0);
    std::mbstate_t state{};
    int32_t i = 0;
    while (i < count && text[i] != '\0') {
        wchar_t c = 0;
        size_t used = std::mbrtowc(&c, text + i, static_cast<size_t>(count - i), &state);
        if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2)) {
            // A byte that does not decode (or a sequence cut off at the end) stands as '?'.
            out.append(u'?');
            state = std::mbstate_t{};
            ++i;
            continue;
        }
        if (used == 0) {
            break;
        }
        i += static_cast<int32_t>(used);
        char32_t cp = static_cast<char32_t>(c);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.append(u'?');
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            char16_t pair[2] = {static_cast<char16_t>(0xD800 + (cp >> 10)),
                                static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
            out.append(pair, 2);
        } else {
            out.append(static_cast<char16_t>(cp));
        }
    }
}

void utf16ToAnsi(const char16_t* text, int32_t count, TextString& out) {
    out.resize(0);
    std::mbstate_t state{};
    char bytes[MB_LEN_MAX];
    int32_t i = 0;
    while (i < count && text[i] != 0) {
        char32_t cp = text[i++];
        if (cp >= 0xD800 && cp <= 0xDBFF && i < count && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
        }
        size_t made = std::wcrtomb(bytes, static_cast<wchar_t>(cp), &state);
        if (made == static_cast<size_t>(-1)) {
            out.append('?');
            state = std::mbstate_t{};
        } else {
            out.Buffer<char>::append(bytes, static_cast<int32_t>(made));
        }
    }
}

int32_t ansiCharacterLength(const char* text, int32_t available) {
    std::mbstate_t state{};
    size_t used = std::mbrlen(text, static_cast<size_t>(available), &state);
    if (used == 0 || used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2)) {
        return 1;
    }
    return static_cast<int32_t>(used);
}

}  // namespace platform
