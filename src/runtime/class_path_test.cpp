// The class path text built from configured entries, patterns, library directories and the
// environment, over real directory trees.
#include "runtime/class_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/java_runtime.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

const std::string sep(1, platform::kClassPathSeparator);

class ClassPath : public ::testing::Test {
  protected:
    std::string text() { return classPathText().c_str(); }

    const std::string exe = platform::executablePath().c_str();
    EnvironmentScope classpath{"CLASSPATH", nullptr};
    EnvironmentScope classPath{"CLASS_PATH", nullptr};
    ScratchTree app;
};

// Every file below directory whose name ends in an archive extension, depth first, in the
// order the file system lists each directory: the order the class path must follow.
void referenceWalk(const std::string& directory, std::vector<std::string>& out) {
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            referenceWalk(directory + "/" + name, out);
        } else if (name.size() > 4 && (name.substr(name.size() - 4) == ".jar" ||
                                       name.substr(name.size() - 4) == ".zip")) {
            out.push_back(directory + "/" + name);
        }
    }
}

std::string joined(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& e : entries) {
        text += sep + e;
    }
    return text;
}

TEST_F(ClassPath, NothingConfiguredGivesTheExecutableAndOneSeparator) {
    ConfiguredApp config(app, "mainclass Main");
    EXPECT_FALSE(exe.empty());
    EXPECT_EQ(text(), exe + sep);
}

TEST(ClassPathForVm, EmptyEntriesAreDropped) {
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"app" + sep, "app"},
        {"app" + sep + sep + "a.jar", "app" + sep + "a.jar"},
        {sep + "a" + sep + sep + sep + "b" + sep, "a" + sep + "b"},
        {"", ""},
        {"single", "single"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(withoutEmptyEntries(c.text.c_str()).c_str()), c.expected) << c.text;
    }
}

TEST_F(ClassPath, EmptySegmentsAreSkipped) {
    ConfiguredApp config(app, "classpath ;;a.jar;");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "a.jar");
}

TEST_F(ClassPath, LinesAndSegmentsKeepTheirOrder) {
    ConfiguredApp config(app, "classpath b.jar\nCLASSPATH = a.jar;c.jar");
    std::string dir = config.directory();
    EXPECT_EQ(text(), exe + sep + sep + dir + "b.jar" + sep + dir + "a.jar" + sep + dir + "c.jar");
}

TEST_F(ClassPath, PlainEntryFoundOnlyBelowTheCurrentDirectoryStaysBesideTheExecutable) {
    ScratchTree cwdTree;
    cwdTree.file("here.jar");
    CurrentDirectoryScope cwd(cwdTree.root());
    ConfiguredApp config(app, "classpath here.jar");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "here.jar");
}

TEST_F(ClassPath, ExecutableEntriesComeBeforeTheFormSeparator) {
    ConfiguredApp config(app, "classpath c.jar\njava_classpath j.jar");
    std::string dir = config.directory();
    EXPECT_EQ(text(), exe + sep + dir + "j.jar" + sep + sep + dir + "c.jar");
    EXPECT_EQ(std::string(buildClassPath(ClassPathForm::Executable).c_str()),
              exe + sep + dir + "j.jar");
    EXPECT_EQ(std::string(buildClassPath(ClassPathForm::General).c_str()), sep + dir + "c.jar");
}

TEST_F(ClassPath, PatternIsAnchoredAtTheExecutablesDirectory) {
    ScratchTree work;
    work.file("lib/planted.jar");
    app.file("lib/x.jar");
    app.file("lib/y.jar");
    app.file("lib/z.txt");
    CurrentDirectoryScope cwd(work.root());
    ConfiguredApp config(app, "classpath lib/*.jar");
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(app.path("lib"))) {
        std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.substr(name.size() - 4) == ".jar") {
            expected.push_back(config.directory() + "lib/" + name);
        }
    }
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(text(), exe + sep + joined(expected));
}

TEST_F(ClassPath, PatternWithoutMatchesAddsNothing) {
    ConfiguredApp config(app, "classpath nolib/*.jar;" + app.root() + "/*.none");
    EXPECT_EQ(text(), exe + sep);
}

TEST_F(ClassPath, EntriesAreExpanded) {
    ConfiguredApp config(app, "classpath %APPLICATION_HOME%k.jar");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "k.jar");
}

TEST_F(ClassPath, EntryThatExpandsToNothingAddsNothing) {
    ConfiguredApp config(app, "classpath ${HKLM\\SOFTWARE\\wyn-test-absent\\Value|};a.jar");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "a.jar");
}

TEST_F(ClassPath, LibraryLineIsOneDirectoryEvenWithASemicolon) {
    app.file("lib;ext/a.jar");
    app.file("lib/b.jar");
    app.file("ext/c.jar");
    ConfiguredApp config(app, "libs lib;ext");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "lib;ext/a.jar");
}

TEST_F(ClassPath, LibraryTreeIsListedDepthFirst) {
    app.file("lib/a.jar");
    app.file("lib/x/b.zip");
    app.file("lib/x/y/c.jar");
    app.file("lib/x/y/z/d.jar");
    app.file("lib/x/y/z/e.jar");
    app.file("lib/w/f.jar");
    app.file("lib/g.jar");
    ConfiguredApp config(app, "libs lib");
    std::vector<std::string> expected;
    referenceWalk(config.directory() + "lib", expected);
    ASSERT_EQ(expected.size(), 7u);
    EXPECT_EQ(text(), exe + sep + joined(expected));
}

TEST_F(ClassPath, OnlyJarAndZipNamesInAnyCaseAreCollected) {
    for (const char* name : {"a.jar.bak", "c.jarx", "jar", "noext", "d.txt"}) {
        app.file(std::string("lib/") + name);
    }
    app.file("lib/A.JAR");
    ConfiguredApp config(app, "libs lib");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "lib/A.JAR");
}

TEST_F(ClassPath, ZipInMixedCaseIsCollected) {
    app.file("lib/b.Zip");
    ConfiguredApp config(app, "libs " + app.path("lib/"));
    EXPECT_EQ(text(), exe + sep + sep + app.path("lib/b.Zip"));
}

TEST_F(ClassPath, ExecutableLibrariesGoToTheExecutableForm) {
    app.file("jl/a.jar");
    app.file("gl/b.jar");
    ConfiguredApp config(app, "libs gl\njava_libs jl");
    std::string dir = config.directory();
    EXPECT_EQ(text(), exe + sep + dir + "jl/a.jar" + sep + sep + dir + "gl/b.jar");
}

TEST_F(ClassPath, EmptyLibraryLineScansNothing) {
    ConfiguredApp config(app, "libs\njava_libs");
    EXPECT_EQ(text(), exe + sep);
    TextString accumulated;
    scanLibraryDir(TextView(""), accumulated);
    EXPECT_TRUE(accumulated.empty());
}

TEST_F(ClassPath, MissingLibraryDirectoryAddsNothing) {
    ConfiguredApp config(app, "libs nowhere");
    EXPECT_EQ(text(), exe + sep);
}

TEST_F(ClassPath, EnvironmentClassPathsAreAppendedAsTheyStand) {
    EnvironmentScope first("CLASSPATH", "x.jar;%NOT_EXPANDED%");
    EnvironmentScope second("CLASS_PATH", "y.jar");
    ConfiguredApp config(app, "classpath c.jar");
    EXPECT_EQ(text(), exe + sep + sep + config.directory() + "c.jar" + sep +
                          "x.jar;%NOT_EXPANDED%" + sep + "y.jar");
}

TEST_F(ClassPath, LinkBackToAnAncestorIsScannedOnce) {
    app.file("lib/a.jar");
    app.file("lib/sub/b.jar");
    if (!app.link("lib/sub/back", app.path("lib"))) {
        GTEST_SKIP() << "this system refuses symbolic links";
    }
    TextString accumulated;
    scanLibraryDir(TextView(app.path("lib").c_str()), accumulated);
    std::string got = accumulated.c_str();
    EXPECT_NE(got.find(app.path("lib/a.jar")), std::string::npos) << got;
    EXPECT_NE(got.find(app.path("lib/sub/b.jar")), std::string::npos) << got;
    EXPECT_EQ(got.size(), (sep + app.path("lib/a.jar") + sep + app.path("lib/sub/b.jar")).size())
        << got;
}

TEST_F(ClassPath, DirectoryReachedThroughTwoLinksIsScannedThroughEach) {
    app.file("shared/c.jar");
    app.file("lib/a.jar");
    if (!app.link("lib/one", app.path("shared")) || !app.link("lib/two", app.path("shared"))) {
        GTEST_SKIP() << "this system refuses symbolic links";
    }
    TextString accumulated;
    scanLibraryDir(TextView(app.path("lib").c_str()), accumulated);
    std::string got = accumulated.c_str();
    for (const char* jar : {"lib/a.jar", "lib/one/c.jar", "lib/two/c.jar"}) {
        EXPECT_NE(got.find(sep + app.path(jar)), std::string::npos) << jar << "\n" << got;
    }
    EXPECT_EQ(got.size(), (sep + app.path("lib/a.jar") + sep + app.path("lib/one/c.jar") + sep +
                           app.path("lib/two/c.jar"))
                              .size())
        << got;
}

TEST_F(ClassPath, SameDirectoryFromTwoLinesIsListedTwice) {
    app.file("lib/a.jar");
    ConfiguredApp config(app, "libs lib\nlibs lib/");
    std::string dir = config.directory();
    EXPECT_EQ(text(), exe + sep + sep + dir + "lib/a.jar" + sep + dir + "lib/a.jar");
}

}  // namespace
