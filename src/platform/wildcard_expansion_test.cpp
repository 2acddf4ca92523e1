// The pattern expander over real directory trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

// The names in a directory in the order the file system lists them, keeping only those that
// pass keep(); this is the order the expander must follow.
template <typename Keep>
std::vector<std::string> listed(const std::string& directory, Keep keep) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        std::string name = entry.path().filename().string();
        if (keep(name, entry.is_directory())) {
            names.push_back(name);
        }
    }
    return names;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(WildcardExpansion, LastComponentMatchesInEnumerationOrder) {
    ScratchTree tree;
    for (const char* name : {"b.txt", "a.txt", "c.log", "d.txt"}) {
        tree.file(name);
    }
    std::vector<std::string> expected;
    for (const std::string& name :
         listed(tree.root(), [](const std::string&n, bool) { return endsWith(n, ".txt"); })) {
        expected.push_back(tree.root() + "/" + name);
    }
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(expand(tree.root() + "/*.txt"), expected);
}

TEST(WildcardExpansion, QuestionMarkMatchesOneCharacter) {
    ScratchTree tree;
    tree.file("a1.txt");
    tree.file("a22.txt");
    EXPECT_EQ(expand(tree.root() + "/a?.txt"), std::vector<std::string>{tree.path("a1.txt")});
}

TEST(WildcardExpansion, DirectoryStarListsFilesAndDirectoriesAlike) {
    ScratchTree tree;
    tree.file("dir/file.txt");
    tree.directory("dir/sub");
    std::vector<std::string> expected;
    for (const std::string& name :
         listed(tree.path("dir"), [](const std::string&, bool) { return true; })) {
        expected.push_back(tree.path("dir/") + name);
    }
    EXPECT_EQ(expected.size(), 2u);
    EXPECT_EQ(expand(tree.path("dir/*")), expected);
}

TEST(WildcardExpansion, PatternStartingWithAWildcardGivesNamesWithoutPrefix) {
    ScratchTree tree;
    tree.file("one.jar");
    tree.file("two.jar");
    tree.file("three.txt");
    CurrentDirectoryScope cwd(tree.root());
    std::vector<std::string> got = expand("*.jar");
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"one.jar", "two.jar"}));
}

TEST(WildcardExpansion, FixedTailIsListedOnlyWhereItExists) {
    ScratchTree tree;
    tree.file("d1/lib.jar");
    tree.directory("d2");
    tree.file("d3/lib.jar");
    tree.file("plain");
    CurrentDirectoryScope cwd(tree.root());
    std::vector<std::string> expected;
    for (const std::string& name : listed(tree.root(), [&](const std::string&n, bool dir) {
             return dir && std::filesystem::exists(tree.path(n + "/lib.jar"));
         })) {
        expected.push_back(name + "/lib.jar");
    }
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(expand("*/lib.jar"), expected);
}

TEST(WildcardExpansion, MiddleWildcardSkipsFilesAndGoesDepthFirst) {
    ScratchTree tree;
    tree.file("src/top.java");
    tree.file("src/a/x.java");
    tree.file("src/a/w.java");
    tree.file("src/a/notes.txt");
    tree.file("src/b/y.java");
    tree.directory("src/c");
    CurrentDirectoryScope cwd(tree.root());
    std::vector<std::string> expected;
    for (const std::string& dir :
         listed(tree.path("src"), [](const std::string&, bool d) { return d; })) {
        for (const std::string& name :
             listed(tree.path("src/" + dir),
                    [](const std::string&n, bool) { return endsWith(n, ".java"); })) {
            expected.push_back("src/" + dir + "/" + name);
        }
    }
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(expand("src/*/*.java"), expected);
}

TEST(WildcardExpansion, NoMatchGivesNothing) {
    ScratchTree tree;
    tree.file("a.txt");
    EXPECT_TRUE(expand(tree.root() + "/*.none").empty());
    EXPECT_TRUE(expand(tree.root() + "/missing/*.txt").empty());
}

TEST(WildcardExpansion, PatternWithoutWildcardsNamesAnExistingPathOrNothing) {
    ScratchTree tree;
    tree.file("here.txt");
    EXPECT_EQ(expand(tree.path("here.txt")), std::vector<std::string>{tree.path("here.txt")});
    EXPECT_EQ(expand(tree.root()), std::vector<std::string>{tree.root()});
    EXPECT_TRUE(expand(tree.path("gone.txt")).empty());
}

TEST(WildcardExpansion, DotAndDotDotAreNeverFollowed) {
    ScratchTree tree;
    // Followed "..", sub/*/marker would find root/marker; followed ".", sub/marker.
    tree.file("marker");
    tree.file("sub/marker");
    EXPECT_TRUE(expand(tree.path("sub/*/marker")).empty());
}

TEST(WildcardExpansion, DotPatternListsHiddenEntriesButNotDotAndDotDot) {
    ScratchTree tree;
    tree.file(".hidden");
    tree.file("shown");
    EXPECT_EQ(expand(tree.path(".*")), std::vector<std::string>{tree.path(".hidden")});
}

TEST(WildcardExpansion, AppendsToWhatTheListAlreadyHolds) {
    ScratchTree tree;
    tree.file("a.jar");
    StringList output;
    output.addString("first");
    expandWildcards(tree.path("*.jar").c_str(), output);
    ASSERT_EQ(output.count(), 2);
    EXPECT_STREQ(output.stringAt(0), "first");
    EXPECT_EQ(std::string(output.stringAt(1)), tree.path("a.jar"));
}

}  // namespace
