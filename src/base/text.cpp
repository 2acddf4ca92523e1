// Text and list value types: growth rule, string operations, comparisons, formatting and
// the UTF-8 codec. The ANSI conversions are delegated to the platform's code page services.
#include "base/text.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

int32_t grownCapacity(int32_t capacity, int32_t need) {
    if (need <= capacity) {
        return capacity;
    }
    if (capacity < 8) {
        capacity = 8;
    }
    if (need > capacity) {
        capacity = capacity > INT32_MAX / 2 ? INT32_MAX : capacity * 2;
    }
    if (need > capacity) {
        if (need > INT32_MAX - 11) {
            stopOnAllocationFailure();
        }
        capacity = (need + 11) - ((need + 11) & 7);
    }
    return capacity;
}

void stopOnAllocationFailure() {
    static const char message[] = "wyn: out of memory; the launcher stops.\n";
    std::fwrite(message, 1, sizeof(message) - 1, stderr);
    std::fflush(stderr);
    std::abort();
}

TextString TextString::left(int32_t n) const {
    if (n < 0) {
        n = 0;
    }
    return TextString(data_, n < length_ ? n : length_);
}

TextString TextString::right(int32_t n) const {
    if (n < 0) {
        n = 0;
    }
    if (n > length_) {
        n = length_;
    }
    return TextString(data_ + length_ - n, n);
}

TextString TextString::mid(int32_t start, int32_t count) const {
    if (start < 0) {
        start = 0;
    }
    if (start >= length_ || count <= 0) {
        return TextString();
    }
    int32_t available = length_ - start;
    return TextString(data_ + start, count < available ? count : available);
}

TextString TextString::tail(int32_t start) const {
    if (start < 0) {
        start = 0;
    }
    if (start >= length_) {
        return TextString();
    }
    return TextString(data_ + start, length_ - start);
}

TextString TextString::concat(TextView first, TextView second) {
    TextString result(first);
    result.append(second);
    return result;
}

namespace {

int byteOrZero(const char* data, int32_t length, int32_t i) {
    return i < length ? static_cast<signed char>(data[i]) : 0;
}

template <typename Equal>
int compareBytes(const char* a, int32_t lengthA, const char* b, int32_t lengthB, Equal equal) {
    int32_t common = lengthA < lengthB ? lengthA : lengthB;
    int32_t i = 0;
    while (i < common && equal(a[i], b[i])) {
        ++i;
    }
    return byteOrZero(a, lengthA, i) - byteOrZero(b, lengthB, i);
}

}  // namespace

int TextString::compare(TextView other) const {
    return compareBytes(data_, length_, other.data, other.length,
                        [](char x, char y) { return x == y; });
}

int TextString::compareNoCase(TextView other) const {
    return compareBytes(data_, length_, other.data, other.length, [](char x, char y) {
        return std::toupper(static_cast<signed char>(x)) ==
               std::toupper(static_cast<signed char>(y));
    });
}

int TextString::prefixCompare(TextView other) const {
    if (length_ >= other.length) {
        return compare(other);
    }
    return compareBytes(data_, length_, other.data, length_, [](char x, char y) { return x == y; });
}

void TextString::format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    formatList(fmt, args);
    va_end(args);
}

void TextString::formatList(const char* fmt, va_list args) {
    if (capacity_ < 1024) {
        reserveFor(1024);
    }
    for (;;) {
        va_list attempt;
        va_copy(attempt, args);
        int written = std::vsnprintf(data_, static_cast<size_t>(capacity_), fmt, attempt);
        va_end(attempt);
        if (written < 0) {
            resize(0);
            return;
        }
        if (written < capacity_) {
            resize(written);
            return;
        }
        // The result did not fit: grow to hold it whole and format again.
        if (written >= INT32_MAX - 1) {
            stopOnAllocationFailure();
        }
        reserveFor(written + 1);
    }
}

int32_t utf8SequenceLength(const char* text, int32_t available) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    unsigned char lead = bytes[0];
    if (lead < 0x80) {
        return 1;
    }
    int32_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                     : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                    : 0;
    if (length == 0 || length > available) {
        return 0;
    }
    for (int32_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            return 0;
        }
    }
    unsigned char second = bytes[1];
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

WideString wideFromUtf8(const char* text, int32_t count) {
    WideString result;
    if (text == nullptr) {
        return result;
    }
    int32_t n = count < 0 ? static_cast<int32_t>(std::strlen(text)) : count;
    result.resize(n);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    char16_t* out = result.data();
    auto isContinuation = [](unsigned char b) { return (b & 0xC0) == 0x80; };
    int32_t i = 0, m = 0;
    while (i < n) {
        unsigned char lead = in[i];
        int32_t tailBytes;
        char16_t unit;
        if (lead < 0x80) {
            out[m++] = lead;
            ++i;
            continue;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            // A character outside the Basic Multilingual Plane: a surrogate pair when the
            // sequence is whole and names U+10000..U+10FFFF, else '?' for the lead byte.
            if (i + 4 > n) {
                break;
            }
            if (isContinuation(in[i + 1]) && isContinuation(in[i + 2]) &&
                isContinuation(in[i + 3])) {
                uint32_t code = (lead & 0x07u) << 18 | (in[i + 1] & 0x3Fu) << 12 |
                                (in[i + 2] & 0x3Fu) << 6 | (in[i + 3] & 0x3Fu);
                if (code >= 0x10000 && code <= 0x10FFFF) {
                    code -= 0x10000;
                    out[m++] = static_cast<char16_t>(0xD800 + (code >> 10));
                    out[m++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
                    i += 4;
                    continue;
                }
            }
            out[m++] = u'?';
            ++i;
            continue;
        } else if ((lead & 0xF0) == 0xE0) {
            tailBytes = 2;
            unit = lead & 0x0F;
        } else if ((lead & 0xE0) == 0xC0) {
            tailBytes = 1;
            unit = lead & 0x1F;
        } else {
            out[m++] = u'?';
            ++i;
            continue;
        }
        if (i + tailBytes + 1 > n) {
            break;
        }
        ++i;
        if (tailBytes == 2 && isContinuation(in[i])) {
            unit = static_cast<char16_t>(unit * 64 + (in[i] & 0x3F));
            ++i;
        }
        // The final continuation byte; anything else makes the unit '?' and is read again.
        if (isContinuation(in[i])) {
            unit = static_cast<char16_t>(unit * 64 + (in[i] & 0x3F));
            ++i;
            out[m++] = unit;
        } else {
            out[m++] = u'?';
        }
    }
    result.resize(m);
    result.resize(WideString::unitsUpToZero(result.data()));
    return result;
}

TextString utf8FromWide(const char16_t* text, int32_t count) {
    TextString result;
    if (text == nullptr) {
        return result;
    }
    int32_t n = count < 0 ? WideString::unitsUpToZero(text) : count;
    if (n > INT32_MAX / 3 - 1) {
        stopOnAllocationFailure();
    }
    result.resize(n * 3);
    unsigned char* out = reinterpret_cast<unsigned char*>(result.data());
    int32_t m = 0;
    for (int32_t i = 0; i < n && text[i] != 0; ++i) {
        char16_t u = text[i];
        bool pairFollows = i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (u >= 0xD800 && u <= 0xDBFF && pairFollows) {
            // A surrogate pair is one character of four bytes; a lone surrogate keeps its
            // three-byte form.
            uint32_t code = 0x10000 + ((u - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
            out[m++] = static_cast<unsigned char>(0xF0 | (code >> 18));
            out[m++] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
            out[m++] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
            out[m++] = static_cast<unsigned char>(0x80 | (code & 0x3F));
            ++i;
        } else if (u < 0x80) {
            out[m++] = static_cast<unsigned char>(u);
        } else if (u < 0x800) {
            out[m++] = static_cast<unsigned char>(0xC0 | (u >> 6));
            out[m++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            out[m++] = static_cast<unsigned char>(0xE0 | (u >> 12));
            out[m++] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            out[m++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
    }
    result.resize(m);
    return result;
}
