// ASCII-only character tests and comparisons. The launcher compares keys and the runtime
// compares META-INF names ignoring ASCII case only, whatever the locale; so does the packer.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <string_view>

namespace wynpack {

inline char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiUpper(a[i]) != asciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace wynpack
