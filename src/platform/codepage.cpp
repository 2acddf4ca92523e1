// The whole-string forms of the code page conversions, over the per-platform converters.
#include <cstring>

#include "platform/codepage.h"

WideString wideFromNarrow(const char* text, int32_t count) {
    WideString result;
    if (text == nullptr) {
        return result;
    }
    int32_t n = count < 0 ? static_cast<int32_t>(std::strlen(text)) : count;
    platform::ansiToUtf16(text, n, result);
    result.resize(WideString::unitsUpToZero(result.data()));
    return result;
}

TextString narrowFromWide(const char16_t* text, int32_t count) {
    TextString result;
    if (text == nullptr) {
        return result;
    }
    int32_t n = count < 0 ? WideString::unitsUpToZero(text) : count;
    platform::utf16ToAnsi(text, n, result);
    result.resize(static_cast<int32_t>(std::strlen(result.data())));
    return result;
}
