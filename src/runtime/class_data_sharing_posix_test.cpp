// When `cds auto` asks the runtime for class-data sharing, and with which options: the
// runtime's declared version, the user's own sharing options, the cache directory.
#include "runtime/class_data_sharing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_tree.h"

namespace {

std::vector<std::string> options(const std::string& value, const std::string& library,
                                 const std::vector<std::string>& vmOptions = {}) {
    StringList given;
    for (const std::string& o : vmOptions) {
        given.addString(o.c_str());
    }
    SharingPlan plan = classDataSharingOptions(value.c_str(), library.c_str(), given);
    std::vector<std::string> result;
    for (int32_t i = 0; i < plan.options.count(); ++i) {
        result.push_back(plan.options.stringAt(i));
    }
    publishClassDataSharingArchive();
    return result;
}

class ClassDataSharingOptions : public ::testing::Test {
  protected:
    std::string runtime(const std::string& name, const std::string& version) {
        tree.file(name + "/release", "JAVA_VERSION=\"" + version + "\"\n");
        return tree.file(name + "/lib/server/libjvm.so");
    }
    ScratchTree tree;
    ScratchTree cache;
    EnvironmentScope xdg{"XDG_CACHE_HOME", cache.root().c_str()};
};

TEST_F(ClassDataSharingOptions, RuntimeVersionDecides) {
    struct Case {
        const char* version;
        std::vector<std::string> expected;  // the archive option's name, then the log options
    } cases[] = {
        {"1.8.0_402", {}},
        {"11.0.2", {}},
        {"12", {}},
        {"13", {"-XX:ArchiveClassesAtExit=", "-Xlog:cds*=off"}},
        {"17.0.15", {"-XX:ArchiveClassesAtExit=", "-Xlog:cds*=off"}},
        {"24.0.2", {"-XX:ArchiveClassesAtExit=", "-Xlog:cds*=off"}},
        {"25.0.3",
         {"-XX:AOTMode=record", "-XX:AOTConfiguration=", "-Xlog:cds*=off", "-Xlog:aot*=off"}},
        {"26-ea",
         {"-XX:AOTMode=record", "-XX:AOTConfiguration=", "-Xlog:cds*=off", "-Xlog:aot*=off"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got = options("auto", runtime(c.version, c.version));
        ASSERT_EQ(got.size(), c.expected.size()) << c.version;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].compare(0, c.expected[i].size(), c.expected[i]), 0)
                << c.version << ": " << got[i];
        }
    }
    EXPECT_TRUE(options("auto", tree.file("unversioned/lib/server/libjvm.so")).empty());
}

TEST_F(ClassDataSharingOptions, OnlyAutoInAnyCase) {
    std::string library = runtime("jdk", "17.0.1");
    EXPECT_EQ(options("AUTO", library).size(), 2u);
    EXPECT_EQ(options("Auto", library).size(), 2u);
    for (const char* other : {"", "true", "on", "auto ", "autox"}) {
        EXPECT_TRUE(options(other, library).empty()) << other;
    }
}

TEST_F(ClassDataSharingOptions, UsersOwnSharingOptionsWin) {
    std::string library = runtime("jdk", "17.0.1");
    for (const char* own :
         {"-Xshare:off", "-XX:SharedArchiveFile=/x.jsa", "-XX:ArchiveClassesAtExit=/y.jsa",
          "-XX:+AutoCreateSharedArchive", "-Xlog:cds=info", "-Xlog:class+load,cds:file=x",
          "-XX:AOTCache=/z.aot", "-XX:AOTMode=off", "-XX:AOTConfiguration=/c",
          "-XX:AOTCacheOutput=/o.aot", "-Xlog:aot"}) {
        EXPECT_TRUE(options("auto", library, {"-Xmx64m", own}).empty()) << own;
    }
    EXPECT_EQ(options("auto", library, {"-Xmx64m", "-Xlog:gc"}).size(), 2u);
    std::string later = runtime("later", "25");
    for (const char* own : {"-XX:AOTCache=/z.aot", "-XX:AOTMode=off", "-Xlog:aot=info"}) {
        EXPECT_TRUE(options("auto", later, {own}).empty()) << own;
    }
}

TEST_F(ClassDataSharingOptions, NoCacheDirectoryMeansANormalStart) {
    std::string library = runtime("jdk", "17.0.1");
    {
        EnvironmentScope file("XDG_CACHE_HOME", tree.file("a-file").c_str());
        EXPECT_TRUE(options("auto", library).empty());
    }
    EnvironmentScope relative("XDG_CACHE_HOME", "relative/cache");
    EnvironmentScope home("HOME", nullptr);
    EXPECT_TRUE(options("auto", library).empty());
}

TEST_F(ClassDataSharingOptions, ArchiveNameFollowsTheOptions) {
    std::string library = runtime("jdk", "17.0.1");
    std::string a = options("auto", library, {"-Xmx64m"})[0];
    EXPECT_EQ(options("auto", library, {"-Xmx64m"})[0], a);
    EXPECT_NE(options("auto", library, {"-Xmx65m"})[0], a);
    EXPECT_NE(options("auto", runtime("other", "17.0.1"), {"-Xmx64m"})[0], a);
    EXPECT_EQ(a.find(cache.root() + "/wyn/cds/"), std::string("-XX:ArchiveClassesAtExit=").size());
}

}  // namespace
