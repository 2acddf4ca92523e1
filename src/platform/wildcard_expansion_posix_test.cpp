// The pattern expander on Linux: case-sensitive matching, names that hold wildcard
// characters themselves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/wildcard_expansion.h"
#include "support/scratch_tree.h"

namespace {

std::vector<std::string> expand(const std::string& pattern) {
    StringList output;
    expandWildcards(pattern.c_str(), output);
    std::vector<std::string> result;
    for (int32_t i = 0; i < output.count(); ++i) {
        result.emplace_back(output.stringAt(i));
    }
    return result;
}

TEST(WildcardExpansionPosix, MatchingHonoursCase) {
    ScratchTree tree;
    tree.file("a.txt");
    EXPECT_TRUE(expand(tree.path("*.TXT")).empty());
    EXPECT_EQ(expand(tree.path("*.txt")), std::vector<std::string>{tree.path("a.txt")});
}

TEST(WildcardExpansionPosix, DirectoryNamedWithAWildcardIsNotExpandedAgain) {
    ScratchTree tree;
    tree.file("*/x");
    tree.file("?/x");
    std::vector<std::string> got = expand(tree.path("*/x"));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{tree.path("*/x"), tree.path("?/x")}));
}

TEST(WildcardExpansionPosix, DirectoryLinksAreFollowedOncePerComponent) {
    ScratchTree tree;
    tree.file("real/lib.jar");
    ASSERT_TRUE(tree.link("real/loop", tree.path("real")));
    std::vector<std::string> got = expand(tree.path("real/*/lib.jar"));
    EXPECT_EQ(got, std::vector<std::string>{tree.path("real/loop/lib.jar")});
}

// A backslash is part of a Linux file name and '[' is no wildcard: every match names a file
// that exists, and a name holding either is matched by itself.
TEST(WildcardExpansionPosix, BackslashesAndBracketsAreOrdinaryCharacters) {
    ScratchTree tree;
    tree.file("dir/x.txt");
    tree.file("dir*");
    tree.file("back\\slash.txt");
    tree.file("[ab]1.txt");
    tree.file("a1.txt");
    struct Case {
        const char* pattern;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"**\\**", {"back\\slash.txt"}},    // one component: names holding a backslash
        {"dir\\*", {}},                     // not the directory's entries
        {"back\\s*", {"back\\slash.txt"}},  // the backslash matches itself only
        {"[ab]?.txt", {"[ab]1.txt"}},       // so does the bracket
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected;
        for (const std::string& name : c.names) {
            expected.push_back(tree.path(name));
        }
        std::vector<std::string> got = expand(tree.path(c.pattern));
        EXPECT_EQ(got, expected) << c.pattern;
        for (const std::string& path : got) {
            EXPECT_EQ(access(path.c_str(), F_OK), 0) << path;
        }
    }
}

TEST(WildcardExpansionPosix, LiteralPrefixIsNoPattern) {
    // An application installed in a directory whose name holds '*': only the configured part
    // of the pattern is expanded.
    ScratchTree tree;
    tree.file("app*/lib/a.jar");
    tree.file("apple/lib/b.jar");
    std::string base = tree.path("app*/");
    StringList output;
    expandWildcards((base + "lib/*.jar").c_str(), output, static_cast<int32_t>(base.size()));
    ASSERT_EQ(output.count(), 1);
    EXPECT_EQ(std::string(output.stringAt(0)), tree.path("app*/lib/a.jar"));
    std::vector<std::string> unprotected = expand(base + "lib/*.jar");
    EXPECT_EQ(unprotected.size(), 2u) << "without the literal prefix both directories match";
}

}  // namespace
