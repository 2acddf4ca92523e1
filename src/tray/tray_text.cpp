// Cutting tray texts at a character boundary of the ANSI code page.
#include "tray/tray_text.h"

#include <cstring>

#include "platform/codepage.h"

int32_t ansiPrefixFitting(TextView text, int32_t limit) {
    int32_t at = 0;
    int32_t length = text.data != nullptr && text.length > 0 ? text.length : 0;
    while (at < length && text.data[at] != '\0') {
        int32_t size = platform::ansiCharacterLength(text.data + at, length - at);
        if (size < 1 || at + size > limit) {
            break;
        }
        at += size;
    }
    return at;
}

void copyTrayText(char* field, int32_t fieldSize, TextView text) {
    if (fieldSize < 1) {
        return;
    }
    int32_t n = ansiPrefixFitting(text, fieldSize - 1);
    std::memset(field, 0, static_cast<size_t>(fieldSize));
    if (n > 0) {
        std::memcpy(field, text.data, static_cast<size_t>(n));
    }
}
