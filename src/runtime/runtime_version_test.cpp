// Reading JAVA_VERSION from the text of a runtime's release file.
#include "runtime/runtime_version.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReleaseFile, JavaVersionLine) {
    struct Case {
        const char* name;
        std::string text;
        bool found;
        const char* version;
    } cases[] = {
        {"among other lines", "IMPLEMENTOR=\"X\"\nJAVA_VERSION=\"17.0.15\"\nOS=\"L\"\n", true,
         "17.0.15"},
        {"first line, no line feed", "JAVA_VERSION=\"1.8.0_402\"", true, "1.8.0_402"},
        {"carriage returns", "A=\"1\"\r\nJAVA_VERSION=\"11.0.2\"\r\n", true, "11.0.2"},
        {"runtime version is another key", "JAVA_RUNTIME_VERSION=\"17+35\"\n", false, ""},
        {"indented is not the key", " JAVA_VERSION=\"17\"\n", false, ""},
        {"unterminated quote", "JAVA_VERSION=\"17\nX=\"1\"\n", false, ""},
        {"unquoted value", "JAVA_VERSION=17\n", false, ""},
        {"empty value", "JAVA_VERSION=\"\"\n", true, ""},
        {"first of two", "JAVA_VERSION=\"9\"\nJAVA_VERSION=\"10\"\n", true, "9"},
        {"nothing", "", false, ""},
        {"NUL bytes do not end the text", std::string("X\0\nJAVA_VERSION=\"21\"\n", 22), true,
         "21"},
    };
    for (const Case& c : cases) {
        TextString version("unchanged");
        EXPECT_EQ(releaseFileJavaVersion(
                      TextView(c.text.data(), static_cast<int32_t>(c.text.size())), version),
                  c.found)
            << c.name;
        if (c.found) {
            EXPECT_STREQ(version.c_str(), c.version) << c.name;
        }
    }
}

TEST(ReleaseFile, TextCutJustAfterTheKeyIsNotReadBeyond) {
    // The view ends inside the value: no closing quote within it, so no version.
    std::string text = "JAVA_VERSION=\"17.0.1\"";
    TextString version;
    EXPECT_FALSE(releaseFileJavaVersion(TextView(text.data(), 16), version));
    EXPECT_FALSE(releaseFileJavaVersion(TextView(text.data(), 14), version));
}

}  // namespace
