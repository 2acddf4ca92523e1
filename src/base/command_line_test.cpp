// The command-line splitter: entries, quoting, backslash runs and wildcard marks.
#include "base/command_line.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

struct Split {
    std::vector<std::string> entries;
    std::vector<int32_t> marks;
};

Split splitText(const std::string& input, bool withMarks = true) {
    TextString text(input.c_str(), static_cast<int32_t>(input.size()));
    ItemArray<char*> output;
    ItemArray<int32_t> marks;
    int count = splitCommandLine(text.data(), output, withMarks ? &marks : nullptr);
    Split result;
    EXPECT_EQ(count, output.length());
    for (int32_t i = 0; i < output.length(); ++i) {
        // Every entry lies inside the text that was split.
        EXPECT_GE(output[i], text.data());
        EXPECT_LT(output[i], text.data() + text.length() + 1);
        result.entries.emplace_back(output[i]);
    }
    for (int32_t i = 0; i < marks.length(); ++i) {
        result.marks.push_back(marks[i]);
    }
    return result;
}

struct SplitCase {
    const char* name;
    std::string input;
    std::vector<std::string> entries;
};

const SplitCase kSplitCases[] = {
    {"empty text gives nothing", "", {}},
    {"blanks only give nothing", " \t  ", {}},
    {"plain words", "a bc def", {"a", "bc", "def"}},
    {"tabs and runs of blanks separate", "\ta \t b  ", {"a", "b"}},
    {"quotes join blanks and vanish", "\"a b\" c", {"a b", "c"}},
    {"quotes in the middle of an entry", "x\"y z\"w", {"xy zw"}},
    {"empty quotes give an empty entry", "a \"\" b", {"a", "", "b"}},
    {"two backslashes before a quote keep one and toggle", "a\\\\\"b c\"", {"a\\b c"}},
    {"one backslash before a quote gives a literal quote", "a\\\"b", {"a\"b"}},
    {"three backslashes before a quote keep one and a quote", "a\\\\\\\"b", {"a\\\"b"}},
    {"four backslashes before a quote keep two and toggle", "\\\\\\\\\"x y\"", {"\\\\x y"}},
    {"backslashes before other characters stay",
     "C:\\dir\\\\file \\\\",
     {"C:\\dir\\\\file", "\\\\"}},
    {"literal quote inside quotes", "\"a \\\" b\"", {"a \" b"}},
    {"unmatched quote takes the rest", "a \"b c  d", {"a", "b c  d"}},
    {"unmatched quote keeps trailing blanks", "\"x \t", {"x \t"}},
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTable, GivesTheEntries) {
    EXPECT_EQ(splitText(GetParam().input).entries, GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, SplitTable, ::testing::ValuesIn(kSplitCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p) {
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return n;
                         });

TEST(CommandLine, MarksTellHowWildcardsWereQuoted) {
    Split s = splitText("prog *.txt \"*.txt\" plain a\"?\"b* ?x\\\"y");
    std::vector<std::string> entries = {"prog", "*.txt", "*.txt", "plain", "a?b*", "?x\"y"};
    EXPECT_EQ(s.entries, entries);
    EXPECT_EQ(s.marks, (std::vector<int32_t>{0, 1, -1, 0, -1, 1}));
}

TEST(CommandLine, QuotedWildcardWinsEvenWhenItComesFirst) {
    EXPECT_EQ(splitText("\"*\"x*").marks, (std::vector<int32_t>{-1}));
    EXPECT_EQ(splitText("x*\"*\"").marks, (std::vector<int32_t>{-1}));
}

TEST(CommandLine, MarksCoverEveryEntryEvenWithoutWildcards) {
    EXPECT_EQ(splitText("a b c").marks, (std::vector<int32_t>{0, 0, 0}));
}

TEST(CommandLine, NoMarksAreWrittenWhenNoneAreAsked) {
    EXPECT_EQ(splitText("a* b", false).entries, (std::vector<std::string>{"a*", "b"}));
}

TEST(CommandLine, LaterCallsAppendToTheSameList) {
    TextString first("-a \"b c\"");
    TextString second("d");
    ItemArray<char*> output;
    ItemArray<int32_t> marks;
    EXPECT_EQ(splitCommandLine(first.data(), output, &marks), 2);
    EXPECT_EQ(splitCommandLine(second.data(), output, &marks), 3);
    ASSERT_EQ(output.length(), 3);
    EXPECT_STREQ(output[0], "-a");
    EXPECT_STREQ(output[1], "b c");
    EXPECT_STREQ(output[2], "d");
    EXPECT_EQ(output[2], second.data());
    EXPECT_EQ(marks.length(), 3);
}

TEST(CommandLine, MarksOfALaterCallLandOnItsOwnEntries) {
    TextString first("a b");
    TextString second("c* \"d?\"");
    ItemArray<char*> output;
    ItemArray<int32_t> marks;
    splitCommandLine(first.data(), output, nullptr);
    splitCommandLine(second.data(), output, &marks);
    std::vector<int32_t> got;
    for (int32_t i = 0; i < marks.length(); ++i) {
        got.push_back(marks[i]);
    }
    EXPECT_EQ(got, (std::vector<int32_t>{0, 0, 1, -1}));
}

TEST(CommandLine, EntriesAreTerminatedInPlace) {
    TextString text("ab  \"c d\"e");
    ItemArray<char*> output;
    splitCommandLine(text.data(), output, nullptr);
    ASSERT_EQ(output.length(), 2);
    EXPECT_EQ(output[0], text.data());
    EXPECT_EQ(std::string(output[0]), "ab");
    EXPECT_EQ(std::string(output[1]), "c de");
}

}  // namespace
