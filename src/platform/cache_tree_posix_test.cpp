// Directory trees in the cache on Linux: file modes kept. (A full disk and a read-only cache
// are shown end to end, on small file systems of their own: tests/e2e.)
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/cache_tree.h"
#include "support/scratch_tree.h"

namespace {

TEST(CacheTreePosix, NewFilesGetTheirMode) {
    ScratchTree tree;
    struct Case {
        const char* name;
        int32_t mode;
    };
    for (const Case& c : {Case{"exec", 0755}, Case{"plain", 0644}, Case{"own", 0600}}) {
        platform::NewFileWriter writer;
        std::string path = tree.path(c.name);
        ASSERT_TRUE(writer.create(path.c_str(), c.mode));
        ASSERT_TRUE(writer.close());
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777 & ~0022u, static_cast<unsigned>(c.mode) & ~0022u) << c.name;
    }
}

}  // namespace
