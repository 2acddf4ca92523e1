#include "format/text_codecs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TextView viewOf(const std::string& bytes) {
    return TextView(bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::string stringOf(const TextString& text) {
    return std::string(text.c_str(), static_cast<size_t>(text.length()));
}

// The bytes of UTF-16 units in the given byte order.
std::string unitBytes(const std::vector<uint32_t>& units, bool bigEndian) {
    std::string out;
    for (uint32_t unit : units) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

TEST(ByteOrderMarks, RecognisedByTheirLeadingBytes) {
    struct Case {
        std::string bytes;
        ByteOrderMark mark;
        int32_t length;
    } cases[] = {
        {"\xEF\xBB\xBFtext", ByteOrderMark::Utf8, 3},
        {"\xEF\xBB\xBF", ByteOrderMark::Utf8, 3},
        {"\xEF\xBB", ByteOrderMark::None, 0},
        {"\xFF\xFEm\0"s, ByteOrderMark::Utf16LittleEndian, 2},
        {"\xFE\xFF\0m"s, ByteOrderMark::Utf16BigEndian, 2},
        {"\xFF", ByteOrderMark::None, 0},
        {"\xFE", ByteOrderMark::None, 0},
        {"", ByteOrderMark::None, 0},
        {"mainclass", ByteOrderMark::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(byteOrderMarkOf(viewOf(c.bytes)), c.mark);
        EXPECT_EQ(byteOrderMarkLength(byteOrderMarkOf(viewOf(c.bytes))), c.length);
    }
    EXPECT_EQ(byteOrderMarkOf(TextView()), ByteOrderMark::None);
}

TEST(Utf8Validity, StrictRules) {
    struct Case {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"abc", true},
        {"\xC3\xA9", true},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xC0\x80", false},          // overlong NUL
        {"\xC1\xBF", false},          // overlong
        {"\xE0\x80\x80", false},      // overlong
        {"\xF0\x80\x80\x80", false},  // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xC3", false},  // cut short
        {"\xE2\x82", false},
        {"\xE2\x28\xA1", false},  // bad continuation
        {"\x80", false},          // continuation without lead
        {"\xFF", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isValidUtf8(viewOf(c.bytes)), c.valid) << testing::PrintToString(c.bytes);
    }
}

TEST(Utf8Encoding, EachLengthAndItsLimits) {
    struct Case {
        uint32_t codePoint;
        std::string utf8;
    } cases[] = {
        {0x00, "\0"s},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0xD800, "\xED\xA0\x80"},  // a surrogate code point keeps its three-byte form
    };
    for (const Case& c : cases) {
        TextString out("x");
        appendUtf8(out, c.codePoint);
        EXPECT_EQ(stringOf(out), "x" + c.utf8) << c.codePoint;
    }
}

TEST(Utf16Decoding, UnitsPairsAndLoneSurrogates) {
    struct Case {
        const char* what;
        std::vector<uint32_t> units;
        std::string utf8;
        int32_t loneSurrogate;
    } cases[] = {
        {"nothing", {}, "", -1},
        {"ASCII and accents", {'m', 0xE9, 0x4E2D}, "m\xC3\xA9\xE4\xB8\xAD", -1},
        {"surrogate pair", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80", -1},
        {"high surrogate at the end", {'m', 0xD83D}, "m\xED\xA0\xBD", 2},
        {"high surrogate before a letter", {0xD83D, 'm'}, "\xED\xA0\xBDm", 0},
        {"low surrogate alone", {'a', 'b', 0xDE00}, "ab\xED\xB8\x80", 4},
        {"two pairs and a lone one",
         {0xD83D, 0xDE00, 0xDC00, 0xD83D, 0xDE00},
         "\xF0\x9F\x98\x80\xED\xB0\x80\xF0\x9F\x98\x80",
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool bigEndian : {false, true}) {
            TextString out("<");
            std::string bytes = unitBytes(c.units, bigEndian);
            EXPECT_EQ(appendUtf8FromUtf16(out, viewOf(bytes), bigEndian, Utf16End::AtLastUnit),
                      c.loneSurrogate);
            EXPECT_EQ(stringOf(out), "<" + c.utf8) << (bigEndian ? "big-endian" : "little-endian");
        }
    }
}

TEST(Utf16Decoding, ZeroUnitEndsTheTextOnlyWhenAsked) {
    std::string bytes = unitBytes({'a', 0, 'b'}, false);
    TextString whole;
    EXPECT_EQ(appendUtf8FromUtf16(whole, viewOf(bytes), false, Utf16End::AtLastUnit), -1);
    EXPECT_EQ(stringOf(whole), "a\0b"s);
    TextString cut;
    EXPECT_EQ(appendUtf8FromUtf16(cut, viewOf(bytes), false, Utf16End::AtZeroUnit), -1);
    EXPECT_EQ(stringOf(cut), "a");
    // An odd last byte is no unit.
    TextString odd;
    EXPECT_EQ(appendUtf8FromUtf16(odd, viewOf(bytes + "x"), false, Utf16End::AtLastUnit), -1);
    EXPECT_EQ(stringOf(odd), "a\0b"s);
}

// Up to its first zero unit, the decoder gives what base's own UTF-8 encoder gives for the
// same units: the launcher reads a UTF-16 configuration as it did before the decoder moved.
TEST(Utf16Decoding, AgreesWithTheLaunchersEncoderOnRandomUnits) {
    std::mt19937 random(20261209);
    const uint32_t interesting[] = {0,      'a',    0x7F,   0x80,   0x7FF,  0x800,  0xD7FF,
                                    0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF};
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint32_t> units(random() % 12);
        for (uint32_t& unit : units) {
            unit = random() % 2 == 0 ? interesting[random() % 14] : random() % 0x10000;
        }
        std::u16string wide(units.begin(), units.end());
        TextString expected = utf8FromWide(wide.data(), static_cast<int32_t>(wide.size()));
        for (bool bigEndian : {false, true}) {
            TextString decoded;
            std::string bytes = unitBytes(units, bigEndian);
            appendUtf8FromUtf16(decoded, viewOf(bytes), bigEndian, Utf16End::AtZeroUnit);
            ASSERT_EQ(stringOf(decoded), stringOf(expected)) << "round " << round;
        }
    }
}

TEST(Windows1252Decoding, EveryByte) {
    // The bytes 0x80 to 0x9F as Windows maps them; the undefined five map to themselves.
    const uint32_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                               0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string all;
    TextString expected;
    for (uint32_t b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
        appendUtf8(expected, b >= 0x80 && b <= 0x9F ? high[b - 0x80] : b);
    }
    TextString decoded("<");
    appendUtf8FromWindows1252(decoded, viewOf(all));
    EXPECT_EQ(stringOf(decoded), "<" + stringOf(expected));
    EXPECT_TRUE(isValidUtf8(TextView(decoded.c_str() + 1, decoded.length() - 1)));
    TextString spot;
    appendUtf8FromWindows1252(spot, viewOf("caf\xE9 \x80\x99"));
    EXPECT_EQ(stringOf(spot), "caf\xC3\xA9 \xE2\x82\xAC\xE2\x84\xA2");
}

}  // namespace
