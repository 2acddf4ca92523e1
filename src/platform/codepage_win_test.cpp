// Character boundaries of Windows code pages: UTF-8 (the active code page under the --utf8
// manifest), where IsDBCSLeadByte knows no lead bytes, and a double-byte code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/codepage.h"

namespace {

TEST(CodePageCharacterLength, Utf8AndDoubleByteCodePages) {
    struct Case {
        uint32_t codePage;
        std::string bytes;
        int32_t expected;
    };
    const Case cases[] = {
        {65001, "a", 1},
        {65001, "\xC3\xA9x", 2},
        {65001, "\xE2\x82\xAC", 3},
        {65001, "\xF0\x9F\x98\x80", 4},
        {65001, "\xE2\x82", 1},  // cut off: counts as one byte
        {65001, "\xA9", 1},
        {932, "\x82\xA0", 2},  // a Shift-JIS hiragana
        {932, "a", 1},
        {932, "\xB1", 1},  // a single-byte katakana
        {1252, "\xE9", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::codePageCharacterLength(c.codePage, c.bytes.data(),
                                                    static_cast<int32_t>(c.bytes.size())),
                  c.expected)
            << "code page " << c.codePage << ", first byte "
            << static_cast<int>(static_cast<unsigned char>(c.bytes[0]));
    }
    EXPECT_EQ(platform::codePageCharacterLength(932, "\x82\0", 2), 1) << "a lead byte before NUL";
}

TEST(CodePageCharacterLength, AnsiLengthFollowsTheActiveCodePage) {
    const char euro[] = "\xE2\x82\xAC";
    EXPECT_EQ(platform::ansiCharacterLength(euro, 3),
              platform::codePageCharacterLength(GetACP(), euro, 3));
}

}  // namespace
