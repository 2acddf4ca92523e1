#include "config_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace wynpack {
namespace {

using namespace std::string_literals;

// UTF-16 bytes for a text of code points, with or without surrogate pairs, in either order.
std::string utf16(const std::u32string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s;
    auto put = [&](uint32_t unit) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (char32_t c : text) {
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::string utf8;
    TextEncoding encoding;
};

TEST(ConfigTextDecoding, EachEncodingBecomesTheSameUtf8) {
    const DecodeCase cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBFmainclass a.B\r\n", "mainclass a.B\r\n",
         TextEncoding::Utf8WithMark},
        {"UTF-8 without mark", "caf\xC3\xA9", "caf\xC3\xA9", TextEncoding::Utf8},
        {"plain ASCII", "mainclass a", "mainclass a", TextEncoding::Utf8},
        {"empty file", "", "", TextEncoding::Utf8},
        {"ANSI e acute", "caf\xE9", "caf\xC3\xA9", TextEncoding::Windows1252},
        {"ANSI euro, S caron, trade mark, Y diaeresis", "\x80\x8A\x99\x9F",
         "\xE2\x82\xAC\xC5\xA0\xE2\x84\xA2\xC5\xB8", TextEncoding::Windows1252},
        {"ANSI byte undefined in the code page", "\x81", "\xC2\x81", TextEncoding::Windows1252},
        {"ANSI no-break space and y diaeresis", "\xA0\xFF", "\xC2\xA0\xC3\xBF",
         TextEncoding::Windows1252},
        {"a lone FF is too short for a mark", "\xFF", "\xC3\xBF", TextEncoding::Windows1252},
        {"a lone FE is too short for a mark", "\xFE", "\xC3\xBE", TextEncoding::Windows1252},
        {"UTF-16 LE", utf16(U"m\u00E9\u4E2D", false), "m\xC3\xA9\xE4\xB8\xAD",
         TextEncoding::Utf16LittleEndian},
        {"UTF-16 BE", utf16(U"m\u00E9\u4E2D", true), "m\xC3\xA9\xE4\xB8\xAD",
         TextEncoding::Utf16BigEndian},
        {"UTF-16 LE surrogate pair", utf16(U"\U0001F600", false), "\xF0\x9F\x98\x80",
         TextEncoding::Utf16LittleEndian},
        {"UTF-16 BE surrogate pair", utf16(U"\U0001F600", true), "\xF0\x9F\x98\x80",
         TextEncoding::Utf16BigEndian},
        {"UTF-16 mark only", "\xFF\xFE", "", TextEncoding::Utf16LittleEndian},
    };
    for (const DecodeCase& c : cases) {
        DecodedText text;
        std::string reason;
        ASSERT_TRUE(decodeConfigText(c.bytes, text, reason)) << c.what << ": " << reason;
        EXPECT_EQ(text.utf8, c.utf8) << c.what;
        EXPECT_EQ(text.encoding, c.encoding) << c.what;
    }
}

TEST(ConfigTextDecoding, SameLinesSavedInEveryEncodingGiveTheSameText) {
    std::u32string lines = U"mainclass com.example.Caf\u00E9\r\noption -Dx=\u20AC\r\n";
    std::string utf8 = "mainclass com.example.Caf\xC3\xA9\r\noption -Dx=\xE2\x82\xAC\r\n";
    std::string ansi = "mainclass com.example.Caf\xE9\r\noption -Dx=\x80\r\n";
    for (const std::string& bytes :
         {"\xEF\xBB\xBF"s + utf8, utf8, ansi, utf16(lines, false), utf16(lines, true)}) {
        DecodedText text;
        std::string reason;
        ASSERT_TRUE(decodeConfigText(bytes, text, reason)) << reason;
        EXPECT_EQ(text.utf8, utf8);
    }
}

TEST(ConfigTextDecoding, MalformedTextIsRefusedWithAReason) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* reasonPart;
    } cases[] = {
        {"odd UTF-16 LE length", "\xFF\xFEm\x00x"s, "odd number of bytes"},
        {"odd UTF-16 BE length", "\xFE\xFF\x00m\x00"s, "odd number of bytes"},
        {"high surrogate at the end", "\xFF\xFEm\x00\x3D\xD8"s, "lone surrogate at byte 4"},
        {"high surrogate before a letter", "\xFF\xFE\x3D\xD8m\x00"s, "lone surrogate at byte 2"},
        {"low surrogate alone", "\xFE\xFF\xDE\x00"s, "lone surrogate at byte 2"},
        {"invalid UTF-8 after its mark", "\xEF\xBB\xBFmainclass caf\xE9", "not valid UTF-8"},
    };
    for (const Case& c : cases) {
        DecodedText text;
        std::string reason;
        EXPECT_FALSE(decodeConfigText(c.bytes, text, reason)) << c.what;
        EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << c.what << ": " << reason;
    }
}

struct KeyCase {
    const char* what;
    std::string text;
    bool found;
    int line;
    std::string value;
};

TEST(MainClassLine, MatchedLikeTheLauncher) {
    const KeyCase cases[] = {
        {"key and value", "mainclass com.a.Main", true, 1, "com.a.Main"},
        {"key in another case, '='", "MainClass=com.a.Main", true, 1, "com.a.Main"},
        {"blanks around '=', trailing blanks kept", "   mainclass   =   com.a.Main  ", true, 1,
         "com.a.Main  "},
        {"a tab before the key is not skipped", "\tmainclass x", false, 0, ""},
        {"a tab after the key starts the value", "mainclass\tx", true, 1, "\tx"},
        {"key followed by a letter", "mainclassx y", false, 0, ""},
        {"key followed by '_'", "mainclass_x y", false, 0, ""},
        {"key followed by a digit", "mainclass1 y", false, 0, ""},
        {"key followed by '.'", "mainclass.x", true, 1, ".x"},
        {"key followed by '-'", "mainclass-x", true, 1, "-x"},
        {"key alone", "mainclass", true, 1, ""},
        {"key and '=' only", "mainclass =  ", true, 1, ""},
        {"only one '=' is removed", "mainclass == a", true, 1, "= a"},
        {"a shorter word", "mainclas x", false, 0, ""},
        {"non-ASCII value", "mainclass caf\xC3\xA9", true, 1, "caf\xC3\xA9"},
        {"the first line wins", "mainclass a\nmainclass b", true, 1, "a"},
        {"an empty first line still wins", "mainclass\nmainclass b", true, 1, ""},
        {"after CR LF", "x\r\nmainclass b\r\n", true, 2, "b"},
        {"after LF CR", "x\n\rmainclass b", true, 2, "b"},
        {"after CR alone", "x\rmainclass b", true, 2, "b"},
        {"CR CR LF is two line ends", "x\r\r\nmainclass b", true, 3, "b"},
        {"LF LF is two line ends", "x\n\nmainclass b", true, 3, "b"},
        {"nothing after a NUL counts", "x\n\0mainclass b"s, false, 0, ""},
        {"no such line", "option -Xmx1g\n", false, 0, ""},
    };
    for (const KeyCase& c : cases) {
        KeyLine line = firstKeyLine(c.text, "mainclass");
        EXPECT_EQ(line.found, c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(line.lineNumber, c.line) << c.what;
            EXPECT_EQ(line.value, c.value) << c.what;
        }
    }
}

TEST(ConfigTextCheck, TheLauncherMustBeAbleToStart) {
    struct Case {
        const char* what;
        std::string text;
        bool ok;
        const char* reasonPart;
    } cases[] = {
        {"main class given", "option -Xmx1g\r\nmainclass a.B\r\n", true, ""},
        {"no mainclass line", "option -Xmx1g\r\n", false, "no mainclass line"},
        {"empty text", "", false, "no mainclass line"},
        {"first mainclass line empty", "mainclass =\nmainclass a.B\n", false, "(line 1)"},
        {"NUL before the main class", "x\r\ny\0\r\nmainclass a.B"s, false,
         "NUL character on line 2"},
        {"NUL after the main class", "mainclass a.B\n\0"s, false, "NUL character on line 2"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(checkConfigText(c.text, reason), c.ok) << c.what;
        EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << c.what << ": " << reason;
    }
}

TEST(LineNumbers, CountedWithTheLaunchersLineEnds) {
    const std::string text = "a\r\nb\n\rc\rd\r\r\ne";
    struct Case {
        char byte;
        int line;
    } cases[] = {{'a', 1}, {'b', 2}, {'c', 3}, {'d', 4}, {'e', 6}};
    for (const Case& c : cases) {
        EXPECT_EQ(lineNumberAt(text, text.find(c.byte)), c.line) << c.byte;
    }
}

TEST(ConfigBlock, MarkTextNulLengthAndReservedBytes) {
    for (const std::string& text : {""s, "mainclass a.B\r\n"s, std::string(70000, 'x')}) {
        std::string block;
        ASSERT_TRUE(buildConfigBlock(text, block));
        ASSERT_EQ(block.size(), 3 + text.size() + 1 + 4 + 16);
        EXPECT_EQ(block.substr(0, 3), "\xEF\xBB\xBF");
        EXPECT_EQ(block.substr(3, text.size()), text);
        EXPECT_EQ(block[3 + text.size()], '\0');
        const auto* length = reinterpret_cast<const unsigned char*>(block.data() + text.size() + 4);
        uint32_t stored =
            length[0] | length[1] << 8 | length[2] << 16 | static_cast<uint32_t>(length[3]) << 24;
        // The length counts the mark, the text and the NUL: the launcher finds the text as the
        // stored number of bytes before the length field.
        EXPECT_EQ(stored, text.size() + 4);
        EXPECT_EQ(block.substr(block.size() - 16), std::string(16, '\0'));
    }
}

// The launcher reads at most 16 MiB of embedded configuration (mark and NUL included): the
// packer writes no longer block, so that no packed program starts without its configuration.
TEST(ConfigBlock, TextTheLauncherWouldNotReadIsRefused) {
    constexpr size_t kLimit = 16u << 20;
    std::string block;
    EXPECT_TRUE(buildConfigBlock(std::string(kLimit - 4, 'x'), block));
    EXPECT_EQ(block.size(), kLimit + 4 + 16);
    EXPECT_FALSE(buildConfigBlock(std::string(kLimit - 3, 'x'), block));
}

TEST(ConfigTextDecoding, FileFarTooLargeForTheLauncherIsRefusedBeforeDecoding) {
    DecodedText text;
    std::string reason;
    std::string huge(32u << 20, 'x');
    ASSERT_TRUE(decodeConfigText(huge, text, reason)) << "twice the limit may still shrink";
    huge += 'x';
    EXPECT_FALSE(decodeConfigText(huge, text, reason));
    EXPECT_NE(reason.find("is too large"), std::string::npos) << reason;
}

}  // namespace
}  // namespace wynpack
