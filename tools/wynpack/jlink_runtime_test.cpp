#include "jlink_runtime.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime_image.h"

namespace wynpack {
namespace {

TEST(JlinkRuntime, ModuleListIsJdepsLastLine) {
    struct Case {
        std::string output;
        std::string modules;
    } cases[] = {
        {"java.base,java.desktop\n", "java.base,java.desktop"},
        {"Warning: split package a.b\njava.base,java.sql\r\n\n", "java.base,java.sql"},
        {"java.base", "java.base"},
        {"", ""},
        {"\n\n", ""},
        {"Error: a.jar is not a jar\n", ""},
        {"java.base; rm -rf /\n", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(moduleListOf(c.output), c.modules) << c.output;
    }
}

TEST(JlinkRuntime, FeatureReleaseOfAJavaVersion) {
    struct Case {
        const char* version;
        int feature;
    } cases[] = {
        {"17.0.9", 17}, {"25", 25},     {"21.0.1+12", 21}, {"1.8.0_392", 8},
        {"11-ea", 11},  {"unknown", 0}, {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(featureRelease(c.version), c.feature) << c.version;
    }
}

TEST(RuntimeImage, JavaVersionOfAReleaseFile) {
    struct Case {
        const char* text;
        const char* version;
    } cases[] = {
        {"IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"17.0.9\"\n", "17.0.9"},
        {"JAVA_VERSION=\"21\"\r\nMODULES=\"java.base\"\r\n", "21"},
        {"JAVA_VERSION=25.0.1\n", "25.0.1"},
        {"JAVA_RUNTIME_VERSION=\"17.0.9+9\"\n", "unknown"},
        {"JAVA_VERSION=\"17\x1b[2J\"\n", "unknown"},
        {"JAVA_VERSION=\"\"\n", "unknown"},
        {"", "unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(releaseJavaVersion(c.text), c.version) << c.text;
    }
}

}  // namespace
}  // namespace wynpack
