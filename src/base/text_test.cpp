#include "base/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string wide(const WideString& w) {
    return std::u16string(w.data(), w.length());
}
std::string bytes(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

TEST(GrowthRule, TextStringGrownStepByStep) {
    TextString s;
    EXPECT_EQ(s.capacity(), 8);
    struct Step {
        int32_t length;
        int32_t capacity;
    } steps[] = {{0, 8}, {1, 8}, {7, 8}, {8, 16}, {16, 32}, {40, 64}};
    for (const Step& step : steps) {
        s.resize(step.length);
        EXPECT_EQ(s.capacity(), step.capacity) << "length " << step.length;
        EXPECT_EQ(s.c_str()[step.length], '\0');
    }
}

TEST(GrowthRule, FreshStringsResizedStraightToALength) {
    struct Case {
        int32_t length;
        int32_t capacity;
    } cases[] = {{100, 112}, {20, 32}, {15, 16}, {16, 24}, {9, 16}};
    for (const Case& c : cases) {
        TextString s;
        s.resize(c.length);
        EXPECT_EQ(s.capacity(), c.capacity) << "length " << c.length;
    }
}

TEST(GrowthRule, ByteBufferResizedToZeroAllocatesNothing) {
    ByteBuffer b;
    b.resize(0);
    EXPECT_EQ(b.capacity(), 0);
    EXPECT_EQ(b.data(), nullptr);
    b.resize(8);
    EXPECT_EQ(b.capacity(), 8);
}

TEST(GrowthRule, ShorterLengthKeepsBlockAndTerminates) {
    TextString s("abcdefghij");
    ASSERT_EQ(s.capacity(), 16);
    s.resize(3);
    EXPECT_EQ(s.capacity(), 16);
    EXPECT_EQ(s.c_str()[3], '\0');
    EXPECT_EQ(bytes(s), "abc");
}

TEST(TextString, NullPointerGivesEmptyTerminatedString) {
    TextString s(nullptr, -1);
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.capacity(), 8);
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(s.c_str()[0], '\0');
}

TEST(TextString, ExplicitCountKeepsEmbeddedNul) {
    TextString s("a\0b", 3);
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(bytes(s), std::string("a\0b", 3));
}

TEST(TextString, CopyAndMoveKeepContentAndInvariant) {
    TextString a("hello");
    TextString b(a);
    TextString c(std::move(a));
    EXPECT_EQ(bytes(b), "hello");
    EXPECT_EQ(bytes(c), "hello");
    EXPECT_EQ(a.length(), 0);
    ASSERT_NE(a.c_str(), nullptr);
    a.append("again");
    EXPECT_EQ(bytes(a), "again");
    b = c;
    b = std::move(a);
    EXPECT_EQ(bytes(b), "again");
    EXPECT_EQ(a.c_str()[0], '\0');
}

TEST(TextString, InsertGapMovesTailUp) {
    TextString s("abef");
    char* gap = s.insertGap(2, 2);
    gap[0] = 'c';
    gap[1] = 'd';
    EXPECT_EQ(bytes(s), "abcdef");
    char* end = s.insertGap(s.length(), 1);
    *end = 'g';
    EXPECT_EQ(bytes(s), "abcdefg");
    EXPECT_EQ(s.c_str()[7], '\0');
}

TEST(TextString, RemoveRangeClampsAtEnd) {
    struct Case {
        int32_t start, count;
        const char* expected;
    } cases[] = {{1, 2, "adef"}, {4, 10, "abcd"}, {6, 1, "abcdef"}, {10, 1, "abcdef"},
                 {0, 6, ""},     {2, 4, "ab"},    {0, 0, "abcdef"}};
    for (const Case& c : cases) {
        TextString s("abcdef");
        s.removeRange(c.start, c.count);
        EXPECT_EQ(bytes(s), c.expected) << c.start << "," << c.count;
        EXPECT_EQ(s.c_str()[s.length()], '\0');
    }
}

TEST(TextString, SubstringsClampToTheString) {
    TextString s("abcdef");
    EXPECT_EQ(bytes(s.left(2)), "ab");
    EXPECT_EQ(bytes(s.left(99)), "abcdef");
    EXPECT_EQ(bytes(s.right(2)), "ef");
    EXPECT_EQ(bytes(s.right(99)), "abcdef");
    EXPECT_EQ(bytes(s.mid(2, 2)), "cd");
    EXPECT_EQ(bytes(s.mid(4, 99)), "ef");
    EXPECT_EQ(bytes(s.mid(6, 1)), "");
    EXPECT_EQ(bytes(s.tail(3)), "def");
    EXPECT_EQ(bytes(s.tail(6)), "");
    EXPECT_EQ(bytes(TextString::concat("ab", s)), "ababcdef");
    EXPECT_EQ(s.byteAt(0, '?'), 'a');
    EXPECT_EQ(s.byteAt(6, '?'), '?');
    EXPECT_EQ(s.byteAt(-1, '?'), '?');
}

TEST(Comparison, CompareUsesSignedBytesAndLength) {
    TextString abc("abc");
    EXPECT_EQ(abc.compare("abc"), 0);
    EXPECT_LT(abc.compare("abd"), 0);
    EXPECT_GT(abc.compare("ab"), 0);
    EXPECT_LT(abc.compare("abcd"), 0);
    // Bytes are signed: 0xE9 sorts below 'a'.
    EXPECT_LT(TextString("\xE9").compare("a"), 0);
    EXPECT_TRUE(abc == "abc");
    EXPECT_TRUE(abc != "ab");
}

TEST(Comparison, CompareNoCase) {
    TextString t("true");
    EXPECT_EQ(t.compareNoCase("TRUE"), 0);
    EXPECT_EQ(t.compareNoCase("True"), 0);
    EXPECT_NE(t.compareNoCase("true "), 0);
    EXPECT_NE(t.compareNoCase("tru"), 0);
}

TEST(Comparison, PrefixCompare) {
    TextString option("-XstartOnFirstThread");
    EXPECT_EQ(option.prefixCompare("-XstartOnFirstThread"), 0);
    EXPECT_EQ(option.prefixCompare("-XstartOnFirstThreadX"), 0);
    EXPECT_NE(option.prefixCompare("-Xstart"), 0);
    EXPECT_NE(option.prefixCompare("-xstartonfirstthread"), 0);
    EXPECT_EQ(TextString("").prefixCompare("anything"), 0);
}

TEST(Format, FreshStringGetsCapacity1032) {
    TextString s;
    s.format("%d-%s", 42, "x");
    EXPECT_EQ(bytes(s), "42-x");
    EXPECT_EQ(s.capacity(), 1032);
}

TEST(Format, KeepsLargerCapacity) {
    TextString s;
    s.resize(4000);
    ASSERT_EQ(s.capacity(), 4008);
    s.resize(0);
    s.format("%s", "abc");
    EXPECT_EQ(s.capacity(), 4008);
    EXPECT_EQ(bytes(s), "abc");
}

TEST(Format, LongResultsComeOutWhole) {
    std::string big(5000, 'x');
    TextString s;
    s.format("[%s]", big.c_str());
    EXPECT_EQ(s.length(), 5002);
    EXPECT_EQ(bytes(s), "[" + big + "]");
}

TEST(Utf8, Decoding) {
    struct Case {
        const char* input;
        int32_t count;
        std::u16string expected;
    } cases[] = {
        {"\xE2\x82\xAC", -1, u"\u20AC"},
        {"\xC3"
         "A",
         -1, u"?A"},
        {"a\xE2", -1, u"a"},
        {"a\xC3", -1, u"a"},
        {"\xC3\xA9", -1, u"\u00E9"},
        {"\x80x", -1, u"?x"},
        {"\xF0\x9F\x98\x80", -1, u"\U0001F600"},
        {"\xF4\x8F\xBF\xBFz", -1, u"\U0010FFFFz"},
        {"\xF4\x90\x80\x80", -1, u"????"},
        {"\xF0\x8F\xBF\xBF", -1, u"????"},
        {"\xF0\x9F"
         "A"
         "\x80",
         -1, u"??A?"},
        {"a\xF0\x9F\x98", -1, u"a"},
        {"\xF8\x88\x80\x80\x80", -1, u"?????"},
        {"\xE2"
         "AB",
         -1, u"?AB"},
        {"\xE2\x82"
         "A",
         -1, u"?A"},
        {"ab\0cd", 5, u"ab"},
        {"\xE2\x82\xAC"
         "b",
         2, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wide(wideFromUtf8(c.input, c.count)), c.expected) << c.input;
    }
}

TEST(Utf8, Encoding) {
    struct Case {
        std::u16string input;
        std::string expected;
    } cases[] = {
        {u"A", "A"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\xD83D", "\xED\xA0\xBD"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\xDE00\xD83D", "\xED\xB8\x80\xED\xA0\xBD"},
        {u"\xD83Dx", "\xED\xA0\xBDx"},
        {u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bytes(utf8FromWide(c.input.c_str(), -1)), c.expected);
    }
}

TEST(Utf8, EncodingStopsAtCountEvenWithoutTerminator) {
    char16_t units[3] = {u'a', u'b', u'c'};
    EXPECT_EQ(bytes(utf8FromWide(units, 2)), "ab");
}

TEST(Utf8, RoundTripOfEveryPlane) {
    std::u16string all;
    for (char16_t u = 1; u < 0xD800; u += 7) {
        all.push_back(u);
    }
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 0x1357) {
        all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        all.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    TextString encoded = utf8FromWide(all.c_str(), -1);
    EXPECT_EQ(wide(wideFromUtf8(encoded.c_str(), encoded.length())), all);
}

TEST(StringList, KeepsOrderDuplicatesAndSurvivesPoolGrowth) {
    StringList list;
    list.addString("first");
    list.addString("first");
    std::string long_text(500, 'z');
    list.addString(long_text.c_str());
    list.addString("");
    ASSERT_EQ(list.count(), 4);
    EXPECT_STREQ(list.stringAt(0), "first");
    EXPECT_STREQ(list.stringAt(1), "first");
    EXPECT_EQ(std::string(list.stringAt(2)), long_text);
    EXPECT_STREQ(list.stringAt(3), "");
    list.removeLast();
    list.removeLast();
    list.addString("again");
    ASSERT_EQ(list.count(), 3);
    EXPECT_STREQ(list.stringAt(1), "first");
    EXPECT_STREQ(list.stringAt(2), "again");
    list.clear();
    list.removeLast();
    EXPECT_EQ(list.count(), 0);
}

TEST(ItemArray, AppendAndInsertGap) {
    ItemArray<int32_t> items;
    for (int32_t i = 0; i < 20; ++i) {
        items.append(i);
    }
    EXPECT_EQ(items.length(), 20);
    EXPECT_EQ(items.capacity(), 32);
    *items.insertGap(0, 1) = -1;
    EXPECT_EQ(items[0], -1);
    EXPECT_EQ(items[20], 19);
}

TEST(Utf8SequenceLength, WellFormedSequencesAndEverythingElse) {
    struct Case {
        std::string bytes;
        int32_t available;
        int32_t expected;
    };
    const Case cases[] = {
        {"a", 1, 1},
        {"\xC3\xA9", 2, 2},      // é
        {"\xC3\xA9", 1, 0},      // cut off by the end
        {"\xE2\x82\xAC", 3, 3},  // €
        {"\xE2\x82\xAC", 2, 0},
        {"\xF0\x9F\x98\x80", 4, 4},  // an emoji
        {"\xF0\x9F\x98\x80", 3, 0},
        {"\xA9", 1, 0},                     // a continuation byte alone
        {"\xC0\xAF", 2, 0},                 // overlong
        {"\xE0\x80\xAF", 3, 0},             // overlong
        {"\xED\xA0\x80", 3, 0},             // a surrogate
        {"\xF4\x90\x80\x80", 4, 0},         // above U+10FFFF
        {std::string("\xC3") + "a", 2, 0},  // no continuation
        {"\xFF", 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8SequenceLength(c.bytes.data(), c.available), c.expected)
            << "first byte " << static_cast<int>(static_cast<unsigned char>(c.bytes[0]))
            << ", available " << c.available;
    }
}

}  // namespace
