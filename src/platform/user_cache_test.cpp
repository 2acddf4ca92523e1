// The user's cache files: nested directories made, a file replaced in one step, and a
// stamp that tells a rewritten or shortened file from the one that was written.
#include "platform/user_cache.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "support/scratch_tree.h"

namespace {

TEST(UserCache, NestedDirectoriesAreMadeOnce) {
    ScratchTree tree;
    std::string deep = tree.path("a/b/c");
    EXPECT_TRUE(platform::createDirectories(deep.c_str()));
    EXPECT_TRUE(platform::createDirectories(deep.c_str())) << "an existing directory is fine";
    EXPECT_TRUE(platform::canRead(deep.c_str()));
    tree.file("plain");
    EXPECT_FALSE(platform::createDirectories(tree.path("plain").c_str()));
    EXPECT_FALSE(platform::createDirectories(tree.path("plain/below").c_str()));
}

TEST(UserCache, ReplacingPublishesTheNewFileWhole) {
    ScratchTree tree;
    std::string target = tree.file("archive", "old contents");
    std::string fresh = tree.path("archive.1.tmp");
    ASSERT_TRUE(platform::writeWholeFile(fresh.c_str(), TextView("new")));
    ASSERT_TRUE(platform::replaceFile(fresh.c_str(), target.c_str()));
    ByteBuffer bytes;
    ASSERT_TRUE(platform::readWholeFile(target.c_str(), bytes));
    EXPECT_EQ(std::string(bytes.data(), bytes.length()), "new");
    EXPECT_FALSE(platform::canRead(fresh.c_str()));
    EXPECT_FALSE(platform::replaceFile(fresh.c_str(), target.c_str())) << "nothing left to move";
    EXPECT_TRUE(platform::removeFile(target.c_str()));
    EXPECT_FALSE(platform::removeFile(target.c_str()));
}

TEST(UserCache, StampTellsChangedFiles) {
    ScratchTree tree;
    std::string path = tree.file("f", std::string(1000, 'x'));
    platform::FileStamp first, again;
    ASSERT_TRUE(platform::fileStamp(path.c_str(), first));
    EXPECT_EQ(first.size, 1000);
    ASSERT_TRUE(platform::fileStamp(path.c_str(), again));
    EXPECT_EQ(again.size, first.size);
    EXPECT_EQ(again.modified, first.modified);
    ASSERT_TRUE(platform::writeWholeFile(path.c_str(), TextView("short")));
    ASSERT_TRUE(platform::fileStamp(path.c_str(), again));
    EXPECT_EQ(again.size, 5);
    EXPECT_FALSE(platform::fileStamp(tree.path("missing").c_str(), again));
    EXPECT_FALSE(platform::fileStamp(tree.root().c_str(), again)) << "a directory has none";
}

TEST(UserCache, PrivateNamesCarryTheProcess) {
    TextString a = platform::processPrivateName("dir/abc", ".tmp");
    EXPECT_EQ(std::string(a.c_str()).rfind("dir/abc.", 0), 0u);
    EXPECT_EQ(std::string(a.c_str()).substr(a.length() - 4), ".tmp");
    EXPECT_GT(a.length(), 12);
    EXPECT_STREQ(platform::processPrivateName("dir/abc", ".tmp").c_str(), a.c_str());
}

}  // namespace
