// The command line rebuilt from argv on Linux splits back into the same arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "platform/process.h"

namespace {

struct RoundTrip {
    std::vector<std::string> entries;
    std::vector<int32_t> marks;
};

RoundTrip roundTrip(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    TextString line = platform::rawCommandLine(static_cast<int>(arguments.size()), argv.data());
    ItemArray<char*> output;
    ItemArray<int32_t> marks;
    splitCommandLine(line.data(), output, &marks);
    RoundTrip result;
    for (int32_t i = 0; i < output.length(); ++i) {
        result.entries.emplace_back(output[i]);
        result.marks.push_back(marks[i]);
    }
    return result;
}

TEST(RawCommandLine, SplitsBackIntoTheSameArguments) {
    std::vector<std::string> arguments = {
        "/opt/app/wyn",        "plain", "with blank", "tab\there", "",
        "say \"hi\"",          "\"",    "C:\\dir\\",  "a\\\\b",    "end\\ slash\\",
        "two\\\\\"quotes\\\\", "\\\"",  "",           "  ",        "last",
    };
    EXPECT_EQ(roundTrip(arguments).entries, arguments);
}

TEST(RawCommandLine, ArgumentsThatNeedNoQuotesAreWrittenAsTheyStand) {
    std::vector<std::string> arguments = {"prog", "a\\b", "x*y", "--opt=1"};
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    EXPECT_STREQ(platform::rawCommandLine(4, argv.data()).c_str(), "prog a\\b x*y --opt=1");
}

TEST(RawCommandLine, WildcardsKeepTheirMarks) {
    RoundTrip r = roundTrip({"prog", "*.txt", "a?", "my *.txt", "\"q\"*", "none"});
    EXPECT_EQ(r.entries,
              (std::vector<std::string>{"prog", "*.txt", "a?", "my *.txt", "\"q\"*", "none"}));
    EXPECT_EQ(r.marks, (std::vector<int32_t>{0, 1, 1, -1, -1, 0}));
}

TEST(RawCommandLine, NoArgumentsGiveAnEmptyLine) {
    EXPECT_STREQ(platform::rawCommandLine(0, nullptr).c_str(), "");
}

}  // namespace
