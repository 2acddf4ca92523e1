#include "output_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"

namespace wynpack {
namespace {

using wynpack_test::readFile;
using wynpack_test::TempDir;
using wynpack_test::writeFile;
using Names = std::vector<std::string>;

// Sets a umask for the life of a test and restores the previous one.
class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask) : previous_(umask(mask)) {}
    ~ScopedUmask() { umask(previous_); }

  private:
    mode_t previous_;
};

TEST(OutputFile, CommitWritesTheWholeFileWithMode0755) {
    ScopedUmask mask(077);
    TempDir dir;
    std::string source = dir.file("part2");
    writeFile(source, std::string(3 << 20, 'z'));
    std::string path = dir.file("app.exe");
    {
        OutputFile output;
        Problem problem;
        ASSERT_TRUE(output.create(path, problem)) << problem.message;
        ASSERT_TRUE(output.write("part1:", problem)) << problem.message;
        ASSERT_TRUE(output.appendFileContent(source, problem)) << problem.message;
        EXPECT_FALSE(wynpack_test::fileExists(path)) << "visible before the commit";
        ASSERT_TRUE(output.commit(problem)) << problem.message;
    }
    EXPECT_EQ(readFile(path), "part1:" + std::string(3 << 20, 'z'));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(dir.names(), (Names{"app.exe", "part2"}));
}

TEST(OutputFile, WithoutCommitNothingIsLeftAndAnOldFileStays) {
    TempDir dir;
    std::string path = dir.file("app.exe");
    writeFile(path, "old");
    {
        OutputFile output;
        Problem problem;
        ASSERT_TRUE(output.create(path, problem)) << problem.message;
        ASSERT_TRUE(output.write("new and half", problem)) << problem.message;
        EXPECT_EQ(dir.names().size(), 2u) << "the temporary file sits beside the output";
        EXPECT_FALSE(output.appendFileContent(dir.file("missing"), problem));
        EXPECT_EQ(problem.status, ExitStatus::Failed);
    }
    EXPECT_EQ(dir.names(), (Names{"app.exe"}));
    EXPECT_EQ(readFile(path), "old");
}

TEST(OutputFile, CommitReplacesAnOldFile) {
    TempDir dir;
    std::string path = dir.file("app.exe");
    writeFile(path, "old content that is longer");
    OutputFile output;
    Problem problem;
    ASSERT_TRUE(output.create(path, problem));
    ASSERT_TRUE(output.write("new", problem));
    ASSERT_TRUE(output.commit(problem)) << problem.message;
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(dir.names(), (Names{"app.exe"}));
}

TEST(OutputFile, NoPlaceForTheTemporaryFile) {
    TempDir dir;
    OutputFile output;
    Problem problem;
    EXPECT_FALSE(output.create(dir.file("no/such/dir/app.exe"), problem));
    EXPECT_EQ(problem.status, ExitStatus::Failed);
    EXPECT_EQ(problem.message, "cannot create a file in '" + dir.file("no/such/dir") +
                                   "': No such file or directory");
    EXPECT_TRUE(dir.names().empty());
}

TEST(TempFile, NamedAfterItsTargetAndRemovedWithItsOwner) {
    TempDir dir;
    std::string path;
    {
        TempFile temp;
        Problem problem;
        ASSERT_TRUE(temp.create(dir.file("app.exe"), "tag", problem)) << problem.message;
        path = temp.path();
        EXPECT_EQ(path.rfind(dir.file(".app.exe.tag-"), 0), 0u) << path;
        ASSERT_TRUE(temp.closeFile(problem));
        EXPECT_TRUE(wynpack_test::fileExists(path));
    }
    EXPECT_FALSE(wynpack_test::fileExists(path));
}

TEST(DirectoryOf, PathsWithAndWithoutDirectory) {
    EXPECT_EQ(directoryOf("app.exe"), ".");
    EXPECT_EQ(directoryOf("out/app.exe"), "out");
    EXPECT_EQ(directoryOf("/app.exe"), "/");
    EXPECT_EQ(directoryOf("/a/b/app.exe"), "/a/b");
}

}  // namespace
}  // namespace wynpack
