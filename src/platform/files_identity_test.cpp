// Directory identities: one per directory, however a path spells it.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "support/scratch_tree.h"

namespace {

std::string identity(const std::string& path) {
    TextString id;
    if (!platform::directoryIdentity(path.c_str(), id)) {
        return "(none)";
    }
    EXPECT_FALSE(id.empty());
    return id.c_str();
}

TEST(DirectoryIdentity, SameDirectoryHasOneIdentityWhateverTheSpelling) {
    ScratchTree tree;
    tree.directory("a/b");
    std::string a = identity(tree.path("a"));
    ASSERT_NE(a, "(none)");
    EXPECT_EQ(identity(tree.path("a/")), a);
    EXPECT_EQ(identity(tree.path("a/b/..")), a);
    EXPECT_EQ(identity(tree.path("a/./b/../")), a);
}

TEST(DirectoryIdentity, DifferentDirectoriesDiffer) {
    ScratchTree tree;
    tree.directory("a/b");
    tree.directory("c");
    std::string a = identity(tree.path("a"));
    EXPECT_NE(identity(tree.path("a/b")), a);
    EXPECT_NE(identity(tree.path("c")), a);
    EXPECT_NE(identity(tree.root()), a);
}

TEST(DirectoryIdentity, LinkSharesTheIdentityOfItsTarget) {
    ScratchTree tree;
    tree.directory("target");
    if (!tree.link("alias", tree.path("target"))) {
        GTEST_SKIP() << "this system refuses symbolic links";
    }
    EXPECT_EQ(identity(tree.path("alias")), identity(tree.path("target")));
}

TEST(DirectoryIdentity, FilesAndMissingPathsHaveNone) {
    ScratchTree tree;
    tree.file("f.txt");
    EXPECT_EQ(identity(tree.path("f.txt")), "(none)");
    EXPECT_EQ(identity(tree.path("missing")), "(none)");
    TextString id;
    EXPECT_FALSE(platform::directoryIdentity(nullptr, id));
}

}  // namespace
