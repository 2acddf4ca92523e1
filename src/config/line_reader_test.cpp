#include "config/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(const char* text) {
    LineReader reader(text);
    TextString line;
    std::vector<std::string> lines;
    while (reader.nextLine(line)) {
        lines.emplace_back(line.c_str(), line.length());
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, EveryLineEndSeparatesTwoLines) {
    struct Case {
        const char* text;
        Lines lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(linesOf(c.text), c.lines) << c.text;
    }
}

TEST(LineReader, CrCrLfIsThreeLines) {
    EXPECT_EQ(linesOf("a\r\r\nb"), (Lines{"a", "", "b"}));
}

TEST(LineReader, LfLfGivesAnEmptyLineBetween) {
    EXPECT_EQ(linesOf("a\n\nb\n"), (Lines{"a", "", "b"}));
}

TEST(LineReader, NulEndsTheText) {
    const char text[] = "a\nb\0c\n";
    EXPECT_EQ(linesOf(text), (Lines{"a", "b"}));
}

TEST(LineReader, EmptyAndNullTextHaveNoLines) {
    EXPECT_TRUE(linesOf("").empty());
    EXPECT_TRUE(linesOf(nullptr).empty());
}

TEST(LineReader, LastLineWithoutLineEndIsRead) {
    EXPECT_EQ(linesOf("key value"), (Lines{"key value"}));
}

TEST(LineReader, StaysAtTheEndOnceFinished) {
    LineReader reader("x\n");
    TextString line;
    EXPECT_TRUE(reader.nextLine(line));
    EXPECT_FALSE(reader.nextLine(line));
    EXPECT_FALSE(reader.nextLine(line));
}

}  // namespace
