// Decoding configuration text encodings into UTF-8 (see text_codecs.h).
#include "format/text_codecs.h"

#include <cstring>

namespace {

bool startsWith(TextView bytes, const char* mark, int32_t length) {
    return bytes.length >= length && std::memcmp(bytes.data, mark, length) == 0;
}

// Windows-1252 code points for the bytes 0x80 to 0x9F.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Writes the UTF-8 form of a code point (at most U+10FFFF) and returns its length.
int32_t encodeUtf8(uint32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

// Lengthens out by count * most bytes (stopping the process, as every buffer does, when that
// is beyond the 32-bit length) and returns where the new bytes begin; the caller shortens it
// to what it wrote.
char* growBy(TextString& out, int32_t count, int32_t most) {
    int32_t old = out.length();
    if (count > (INT32_MAX - 1 - old) / most) {
        stopOnAllocationFailure();
    }
    out.resize(old + count * most);
    return out.data() + old;
}

}  // namespace

ByteOrderMark byteOrderMarkOf(TextView bytes) {
    if (startsWith(bytes, kUtf8ByteOrderMark, kUtf8ByteOrderMarkSize)) {
        return ByteOrderMark::Utf8;
    }
    if (startsWith(bytes, "\xFF\xFE", 2)) {
        return ByteOrderMark::Utf16LittleEndian;
    }
    if (startsWith(bytes, "\xFE\xFF", 2)) {
        return ByteOrderMark::Utf16BigEndian;
    }
    return ByteOrderMark::None;
}

int32_t byteOrderMarkLength(ByteOrderMark mark) {
    switch (mark) {
        case ByteOrderMark::Utf8:
            return kUtf8ByteOrderMarkSize;
        case ByteOrderMark::Utf16LittleEndian:
        case ByteOrderMark::Utf16BigEndian:
            return 2;
        case ByteOrderMark::None:
            break;
    }
    return 0;
}

bool isValidUtf8(TextView bytes) {
    int32_t i = 0;
    while (i < bytes.length) {
        int32_t length = utf8SequenceLength(bytes.data + i, bytes.length - i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

void appendUtf8(TextString& out, uint32_t codePoint) {
    char bytes[4];
    out.Buffer<char>::append(bytes, encodeUtf8(codePoint, bytes));
}

int32_t appendUtf8FromUtf16(TextString& out, TextView bytes, bool bigEndian, Utf16End end) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data);
    int32_t units = bytes.length > 0 ? bytes.length / 2 : 0;
    auto unitAt = [&](int32_t i) {
        uint32_t first = p[2 * i], second = p[2 * i + 1];
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    // A unit takes at most 3 bytes (a pair 4 for its two units).
    char* written = growBy(out, units, 3);
    char* next = written;
    int32_t loneSurrogate = -1;
    for (int32_t i = 0; i < units; ++i) {
        uint32_t unit = unitAt(i);
        if (unit == 0 && end == Utf16End::AtZeroUnit) {
            break;
        }
        if (isHighSurrogate(unit) && i + 1 < units && isLowSurrogate(unitAt(i + 1))) {
            next += encodeUtf8(0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00), next);
            ++i;
            continue;
        }
        if ((isHighSurrogate(unit) || isLowSurrogate(unit)) && loneSurrogate < 0) {
            loneSurrogate = 2 * i;
        }
        next += encodeUtf8(unit, next);
    }
    out.resize(out.length() - static_cast<int32_t>(units * 3 - (next - written)));
    return loneSurrogate;
}

void appendUtf8FromWindows1252(TextString& out, TextView bytes) {
    int32_t count = bytes.length > 0 ? bytes.length : 0;
    char* written = growBy(out, count, 3);
    char* next = written;
    for (int32_t i = 0; i < count; ++i) {
        auto b = static_cast<unsigned char>(bytes.data[i]);
        next += encodeUtf8((b >= 0x80 && b <= 0x9F) ? kWindows1252High[b - 0x80] : b, next);
    }
    out.resize(out.length() - static_cast<int32_t>(count * 3 - (next - written)));
}
