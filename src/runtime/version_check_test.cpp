#include "runtime/version_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VersionCheck, ComponentsOfVersionTexts) {
    struct Case {
        const char* text;
        int count;
        int values[4];
    } cases[] = {
        {"1.6.0_20", 4, {1, 6, 0, 20}},
        {"1.6", 2, {1, 6, 0, 0}},
        {"1.6.", 2, {1, 6, 0, 0}},
        {"17", 1, {17, 0, 0, 0}},
        {"17.0.15+6", 4, {17, 0, 15, 6}},
        {"1.8.0_202-b08", 4, {1, 8, 0, 202}},
        {"", 0, {0, 0, 0, 0}},
        {"abc", 0, {0, 0, 0, 0}},
        {" 11.0.2", 3, {11, 0, 2, 0}},
        {"99999999999999.1", 2, {2147483647, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        VersionComponents v = parseVersion(c.text);
        EXPECT_EQ(v.count, c.count) << c.text;
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(v.values[i], c.values[i]) << c.text << " component " << i;
        }
    }
}

TEST(VersionCheck, LongRunsOfSeparatorsAreSafe) {
    std::string text = "1" + std::string(100000, '.') + "7";
    VersionComponents v = parseVersion(text.c_str());
    EXPECT_EQ(v.count, 2);
    EXPECT_EQ(v.values[1], 7);
}

TEST(VersionCheck, Bounds) {
    struct Case {
        const char* version;
        const char* minjre;
        const char* maxjre;
        bool below;
        bool above;
    } cases[] = {
        {"1.6.0_45", "1.6", "1.6", false, false}, {"1.6.0", "1.6", "1.6", false, false},
        {"1.5.0_22", "1.6", "1.6", true, false},  {"1.7.0", "1.6", "1.6", false, true},
        {"1.8.0_202", "", "1.6", false, true},    {"1.6.0_17", "1.6.0_20", "", true, false},
        {"17.0.1", "1.6.0_20", "", false, false}, {"unknown", "1.6", "1.6", false, false},
        {"17.0.15", "11", "17", false, false},    {"21", "11", "17", false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(versionBelow(c.version, c.minjre), c.below) << c.version << " >= " << c.minjre;
        EXPECT_EQ(versionAbove(c.version, c.maxjre), c.above) << c.version << " <= " << c.maxjre;
    }
}

TEST(VersionCheck, OrderOfRuntimeVersions) {
    struct Case {
        const char* older;
        const char* newer;
    } cases[] = {
        {"1.8.0_202", "11"}, {"11.0.2", "11.0.10"}, {"17", "17.0.1"},
        {"9", "17"},         {"", "1.6"},           {"1.8.0_5", "1.8.0_45"},
    };
    for (const Case& c : cases) {
        EXPECT_LT(compareVersions(c.older, c.newer), 0) << c.older << " < " << c.newer;
        EXPECT_GT(compareVersions(c.newer, c.older), 0) << c.newer << " > " << c.older;
        EXPECT_EQ(compareVersions(c.newer, c.newer), 0) << c.newer;
    }
    EXPECT_EQ(compareVersions("17", "17.0.0"), 0);
}

}  // namespace
