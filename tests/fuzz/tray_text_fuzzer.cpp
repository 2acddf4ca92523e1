// The tray's text handling: cutting a text to the fixed-size fields of the shell's records at
// a character boundary of the ANSI code page (UTF-8 here). The input's first byte picks the
// field size (1 to 256), the rest is the text. The field gets at most size - 1 bytes, a NUL
// and zeros, never a byte beyond it (the field is a heap block of exactly that size), and the
// cut is a prefix of the text that ends where a character ends and holds no NUL.
#include <clocale>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "tray/tray_text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4096) {
        return 0;
    }
    int32_t fieldSize = data[0] + 1;
    TextView text(reinterpret_cast<const char*>(data + 1), static_cast<int32_t>(size - 1));

    int32_t cut = ansiPrefixFitting(text, fieldSize - 1);
    if (cut < 0 || cut > fieldSize - 1 || cut > text.length ||
        std::memchr(text.data, '\0', static_cast<size_t>(cut)) != nullptr) {
        fuzz::fail("the cut is not a prefix of the text that fits");
    }
    // A prefix that ends at a character boundary is cut at the same place again.
    if (ansiPrefixFitting(TextView(text.data, cut), cut) != cut) {
        fuzz::fail("the cut does not end where a character ends");
    }

    std::vector<char> field(static_cast<size_t>(fieldSize), 'x');
    copyTrayText(field.data(), fieldSize, text);
    if (std::memcmp(field.data(), text.data, static_cast<size_t>(cut)) != 0) {
        fuzz::fail("the field does not begin with the cut text");
    }
    for (int32_t i = cut; i < fieldSize; ++i) {
        if (field[i] != '\0') {
            fuzz::fail("the field is not filled with zeros after the text");
        }
    }
    return 0;
}
