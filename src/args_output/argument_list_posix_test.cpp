// The argument list on Linux, where the command line is rebuilt from the argv given here.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "args_output/argument_list.h"
#include "support/scratch_tree.h"

namespace {

std::vector<std::string> build(std::vector<std::string> arguments, int mode) {
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    buildArgumentList(static_cast<int>(arguments.size()), argv.data(), mode);
    std::vector<std::string> result;
    for (int32_t i = 0; i < argumentList().count(); ++i) {
        result.emplace_back(argumentList().stringAt(i));
    }
    return result;
}

class ArgumentListPosix : public ::testing::Test {
  protected:
    void SetUp() override {
        tree.file("a.txt");
        tree.file("b.txt");
        tree.file("my one.txt");
        tree.file("notes.md");
    }
    // The arguments from index 1 on, sorted where one pattern gave several.
    static std::vector<std::string> sortedTail(std::vector<std::string> all, size_t from,
                                               size_t to) {
        std::sort(all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(to));
        return all;
    }

    ScratchTree tree;
};

TEST_F(ArgumentListPosix, ModeOneExpandsUnquotedWildcards) {
    CurrentDirectoryScope cwd(tree.root());
    std::vector<std::string> got = build({"/opt/wyn", "-x", "*.txt", "end"}, 1);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(sortedTail(got, 2, 5),
              (std::vector<std::string>{"/opt/wyn", "-x", "a.txt", "b.txt", "my one.txt", "end"}));
}

TEST_F(ArgumentListPosix, ModeOneLeavesQuotedWildcardsAsTyped) {
    CurrentDirectoryScope cwd(tree.root());
    // The blank makes the rebuilt command line quote the argument, wildcard included.
    EXPECT_EQ(build({"prog", "my *.txt"}, 1), (std::vector<std::string>{"prog", "my *.txt"}));
}

TEST_F(ArgumentListPosix, ModeTwoExpandsQuotedWildcardsToo) {
    CurrentDirectoryScope cwd(tree.root());
    EXPECT_EQ(build({"prog", "my *.txt"}, 2), (std::vector<std::string>{"prog", "my one.txt"}));
}

TEST_F(ArgumentListPosix, PatternWithoutMatchesIsPassedOnUnchanged) {
    CurrentDirectoryScope cwd(tree.root());
    EXPECT_EQ(build({"prog", "*.none", "x?"}, 2),
              (std::vector<std::string>{"prog", "*.none", "x?"}));
}

TEST_F(ArgumentListPosix, PatternWithADirectoryKeepsItAsWritten) {
    EXPECT_EQ(build({"prog", tree.root() + "/*.md"}, 1),
              (std::vector<std::string>{"prog", tree.root() + "/notes.md"}));
}

TEST_F(ArgumentListPosix, ArgumentsWithoutWildcardsKeepBlanksQuotesAndBackslashes) {
    std::vector<std::string> arguments = {"prog", "a b", "", "say \"hi\"", "c:\\x\\", "\\\""};
    EXPECT_EQ(build(arguments, 1), arguments);
    EXPECT_EQ(build(arguments, 2), arguments);
}

TEST_F(ArgumentListPosix, OtherModesTakeTheArgumentsAsGiven) {
    CurrentDirectoryScope cwd(tree.root());
    EXPECT_EQ(build({"prog", "*.txt", "a b"}, 0),
              (std::vector<std::string>{"prog", "*.txt", "a b"}));
}

TEST_F(ArgumentListPosix, ABuildReplacesTheEarlierList) {
    build({"prog", "one", "two"}, 1);
    EXPECT_EQ(build({"prog"}, 1), std::vector<std::string>{"prog"});
}

TEST_F(ArgumentListPosix, VectorPointsIntoTheList) {
    build({"prog", "x", "y z"}, 1);
    ItemArray<char*> vector;
    vector.append(nullptr);
    ASSERT_EQ(toArgumentVector(vector), 3);
    ASSERT_EQ(vector.length(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(vector[i], argumentList().stringAt(i));
    }
    EXPECT_STREQ(vector[2], "y z");
    EXPECT_EQ(toArgumentVector(argumentVector()), 3);
    EXPECT_EQ(argumentVector()[0], argumentList().stringAt(0));
}

}  // namespace
