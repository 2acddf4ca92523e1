// Decoding of a configuration source by its byte order mark (UTF-8, UTF-16 little- and
// big-endian, else ANSI under a multibyte locale) and the launcher's own UTF-8 codec under
// it. A UTF-8 source must come through byte for byte; a UTF-16 source must give back, through
// the launcher's decoder, exactly its units up to the first zero unit.
#include <clocale>
#include <cstdint>
#include <cstring>

#include "config/config_sources.h"
#include "fuzz_support.h"

namespace {

void checkUtf16(const uint8_t* data, size_t size, const TextString& decoded, bool bigEndian) {
    WideString back = wideFromUtf8(decoded.c_str(), decoded.length());
    int32_t units = 0;
    for (size_t i = 2; i + 1 < size; i += 2, ++units) {
        auto unit = static_cast<char16_t>(bigEndian ? (data[i] << 8 | data[i + 1])
                                                    : (data[i + 1] << 8 | data[i]));
        if (unit == 0) {
            break;
        }
        if (units >= back.length() || back[units] != unit) {
            fuzz::fail("a UTF-16 unit did not come back from the launcher's codec");
        }
    }
    if (back.length() != units) {
        fuzz::fail("UTF-16 decoding gave more units than the source had");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX / 4) {
        return 0;
    }
    TextView raw(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    TextString decoded("prefix");
    appendDecoded(decoded, raw);
    if (std::memcmp(decoded.c_str(), "prefix", 6) != 0) {
        fuzz::fail("decoding changed the text it appends to");
    }
    TextString added = decoded.tail(6);
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        if (added.length() != raw.length - 3 ||
            std::memcmp(added.c_str(), data + 3, size - 3) != 0) {
            fuzz::fail("a UTF-8 source changed");
        }
    } else if (size >= 2 && (data[0] == 0xFF && data[1] == 0xFE)) {
        checkUtf16(data, size, added, false);
    } else if (size >= 2 && (data[0] == 0xFE && data[1] == 0xFF)) {
        checkUtf16(data, size, added, true);
    }
    // Whatever the source, the launcher's UTF-8 decoder reads the result without a fault.
    wideFromUtf8(added.c_str(), added.length());
    return 0;
}
