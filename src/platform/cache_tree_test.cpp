// Directory trees in the cache: a finished tree moved into place only where nothing is yet,
// trees removed whole, new files that never replace an existing one.
#include "platform/cache_tree.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "support/scratch_tree.h"

namespace {

TEST(CacheTree, AFinishedTreeMovesOnlyWhereNothingIsYet) {
    ScratchTree tree;
    tree.file("fresh/bin/java", "j");
    tree.directory("empty");
    tree.file("taken/lib/x", "x");
    ASSERT_FALSE(platform::moveDirectory(tree.path("fresh").c_str(), tree.path("empty").c_str()))
        << "not even an empty directory is replaced";
    ASSERT_FALSE(platform::moveDirectory(tree.path("fresh").c_str(), tree.path("taken").c_str()));
    EXPECT_TRUE(platform::canRead(tree.path("taken/lib/x").c_str()));
    ASSERT_TRUE(platform::moveDirectory(tree.path("fresh").c_str(), tree.path("copy").c_str()));
    EXPECT_TRUE(platform::canRead(tree.path("copy/bin/java").c_str()));
    EXPECT_FALSE(platform::isDirectory(tree.path("fresh").c_str()));
}

TEST(CacheTree, ATreeIsRemovedWhole) {
    ScratchTree tree;
    tree.file("copy/a/b/c/deep", "1");
    tree.file("copy/top", "2");
    tree.directory("copy/empty");
    tree.file("outside/kept", "3");
    bool linked = tree.link("copy/link-out", tree.path("outside"));
    EXPECT_TRUE(platform::removeDirectoryTree(tree.path("copy").c_str()));
    EXPECT_FALSE(platform::exists(tree.path("copy").c_str()));
    if (linked) {
        EXPECT_TRUE(platform::canRead(tree.path("outside/kept").c_str()))
            << "a link inside is removed, not followed";
    }
    EXPECT_TRUE(platform::removeDirectoryTree(tree.path("copy").c_str())) << "nothing left";
}

TEST(CacheTree, DirectoriesAreMadeOnceAndPathsWhole) {
    ScratchTree tree;
    ASSERT_TRUE(platform::createDirectory(tree.path("one").c_str()));
    EXPECT_FALSE(platform::createDirectory(tree.path("one").c_str())) << "exists already";
    EXPECT_TRUE(platform::createDirectoryPath(tree.path("one/two/three").c_str()));
    EXPECT_TRUE(platform::createDirectoryPath(tree.path("one/two/three").c_str()));
    tree.file("plain", "x");
    EXPECT_FALSE(platform::createDirectoryPath(tree.path("plain/below").c_str()));
    EXPECT_FALSE(platform::createDirectoryPath(tree.path("plain").c_str()));
}

TEST(CacheTree, NewFilesNeverReplaceOldOnes) {
    ScratchTree tree;
    std::string path = tree.path("file");
    {
        platform::NewFileWriter writer;
        ASSERT_TRUE(writer.create(path.c_str(), 0644));
        ASSERT_TRUE(writer.write("abc", 3));
        ASSERT_TRUE(writer.write("def", 3));
        ASSERT_TRUE(writer.close());
    }
    platform::NewFileWriter again;
    EXPECT_FALSE(again.create(path.c_str(), 0644));
    ByteBuffer bytes;
    ASSERT_TRUE(platform::readWholeFile(path.c_str(), bytes));
    EXPECT_EQ(std::string(bytes.data(), static_cast<size_t>(bytes.length())), "abcdef");
}

TEST(CacheTree, FailuresAreNamed) {
    EXPECT_STREQ(platform::describeCacheFailure(platform::CacheFailure::NoSpace),
                 "the disk is full");
    EXPECT_STREQ(platform::describeCacheFailure(platform::CacheFailure::NotPermitted),
                 "the folder may not be written");
    ScratchTree tree;
    tree.file("plain", "x");
    platform::NewFileWriter writer;
    EXPECT_FALSE(writer.create(tree.path("plain/inside").c_str(), 0644));
    EXPECT_EQ(platform::lastCacheFailure(), platform::CacheFailure::Other);
}

}  // namespace
