// Directory enumeration on Linux: the kind of each entry, taken from the directory itself
// where the file system says it, agrees with what stat() says, links followed.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/files.h"
#include "support/scratch_tree.h"

namespace {

TEST(DirectoryEnumeration, EntryKindsAgreeWithStat) {
    ScratchTree tree;
    tree.file("d/file.jar");
    tree.directory("d/sub");
    ASSERT_TRUE(tree.link("d/link-to-dir", tree.path("d/sub")));
    ASSERT_TRUE(tree.link("d/link-to-file", tree.path("d/file.jar")));
    ASSERT_TRUE(tree.link("d/dangling", tree.path("d/nothing")));

    std::map<std::string, bool> seen;
    platform::DirectoryEnumeration entries((tree.path("d") + "/*").c_str());
    platform::DirectoryEntry entry;
    while (entries.next(entry)) {
        seen[entry.name.c_str()] = entry.isDirectory;
    }
    std::map<std::string, bool> expected = {
        {"file.jar", false}, {"sub", true}, {"link-to-dir", true}, {"link-to-file", false},
        {"dangling", false}, {".", true},   {"..", true}};
    EXPECT_EQ(seen, expected);
    for (const auto& [name, isDirectory] : seen) {
        struct stat st;
        bool statDirectory =
            stat((tree.path("d") + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        EXPECT_EQ(isDirectory, statDirectory) << name;
    }
}

TEST(DirectoryEnumeration, PatternSelectsNames) {
    ScratchTree tree;
    tree.file("d/a.jar");
    tree.file("d/b.zip");
    tree.directory("d/c.jar");
    std::map<std::string, bool> seen;
    platform::DirectoryEnumeration entries((tree.path("d") + "/*.jar").c_str());
    platform::DirectoryEntry entry;
    while (entries.next(entry)) {
        seen[entry.name.c_str()] = entry.isDirectory;
    }
    EXPECT_EQ(seen, (std::map<std::string, bool>{{"a.jar", false}, {"c.jar", true}}));
}

}  // namespace
