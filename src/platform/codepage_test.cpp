// The whole-string code page conversions: ASCII survives both ways, and what the code page
// cannot hold is replaced, never dropped.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string wide(const WideString& w) {
    return std::u16string(w.data(), static_cast<size_t>(w.length()));
}
std::string bytes(const TextString& t) {
    return std::string(t.data(), static_cast<size_t>(t.length()));
}

}  // namespace

TEST(AnsiCodec, AsciiRoundTrip) {
    WideString w = wideFromNarrow("plain text", -1);
    EXPECT_EQ(wide(w), u"plain text");
    EXPECT_EQ(bytes(narrowFromWide(w.data(), w.length())), "plain text");
    EXPECT_EQ(wide(wideFromNarrow("ab\0cd", 5)), u"ab");
    EXPECT_EQ(wide(wideFromNarrow(nullptr, -1)), u"");
}

TEST(AnsiCodec, UnrepresentableCharactersAreReplacedNotDropped) {
    // A CJK character and an emoji are outside every Western code page and outside ASCII.
    std::u16string input = u"a\u4E2D\U0001F600b";
    TextString narrow = narrowFromWide(input.c_str(), -1);
    ASSERT_GE(narrow.length(), 4);
    EXPECT_EQ(narrow.c_str()[0], 'a');
    EXPECT_EQ(narrow.c_str()[narrow.length() - 1], 'b');
    EXPECT_EQ(narrow.c_str()[narrow.length()], '\0');
}
