#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/value_expansion.h"
#include "platform/env.h"

namespace {

std::string run(const std::string& source, bool toUtf8 = false) {
    TextString t = expand(source.c_str(), toUtf8, nullptr);
    return std::string(t.c_str(), t.length());
}

// A registry key of its own under HKEY_CURRENT_USER, with values of every type.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        keyPath = "Software\\wyn-test-" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ref = "HKCU\\" + keyPath + "\\";
    }
    void TearDown() override {
        for (const std::string& name : names) {
            RegDeleteValueA(key, name.c_str());
        }
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
    }
    void set(const std::string& name, DWORD type, const void* data, DWORD size) {
        names.push_back(name);
        ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void setText(const std::string& name, DWORD type, const std::string& text) {
        set(name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    HKEY key = nullptr;
    std::string keyPath, ref;
    std::vector<std::string> names;
};

TEST_F(RegistryTest, StringValues) {
    setText("str", REG_SZ, "hello registry");
    setText("", REG_SZ, "the default value");
    EXPECT_EQ(run("${" + ref + "str}"), "hello registry");
    EXPECT_EQ(run("%{" + ref + "str}%/x"), "hello registry/x");
    EXPECT_EQ(run("${HKEY_CURRENT_USER\\" + keyPath + "\\str}"), "hello registry");
    EXPECT_EQ(run("${" + ref + "str|unused default}"), "hello registry");
    EXPECT_EQ(run("${" + ref + "}"), "the default value");
}

TEST_F(RegistryTest, StringWithoutTerminatorEndsWithItsData) {
    set("noterm", REG_SZ, "abc", 3);
    set("inner", REG_SZ, "ab\0cd", 6);
    EXPECT_EQ(run("[${" + ref + "noterm}]"), "[abc]");
    EXPECT_EQ(run("[${" + ref + "inner}]"), "[ab]");
}

TEST_F(RegistryTest, ExpandableStringsAreExpanded) {
    ASSERT_TRUE(platform::putEnv("WYN_TEST_REG=expanded"));
    setText("exp", REG_EXPAND_SZ, "%WYN_TEST_REG%\\bin");
    EXPECT_EQ(run("${" + ref + "exp}"), "expanded\\bin");
    platform::putEnv("WYN_TEST_REG=");
}

TEST_F(RegistryTest, SelfReferenceStopsAtTheNestingLimit) {
    std::string self = "${" + ref + "self}";
    setText("self", REG_EXPAND_SZ, "<" + self + ">");
    std::string expected =
        std::string(kMaxRegistryNesting, '<') + self + std::string(kMaxRegistryNesting, '>');
    EXPECT_EQ(run(self), expected);
}

TEST_F(RegistryTest, NumbersInBothByteOrders) {
    DWORD allBits = 0xFFFFFFFF, five = 5;
    const unsigned char bigEndian256[] = {0, 0, 1, 0};
    const unsigned char bigEndianMinus2[] = {0xFF, 0xFF, 0xFF, 0xFE};
    set("all", REG_DWORD, &allBits, 4);
    set("five", REG_DWORD, &five, 4);
    set("be", REG_DWORD_BIG_ENDIAN, bigEndian256, 4);
    set("beneg", REG_DWORD_BIG_ENDIAN, bigEndianMinus2, 4);
    set("short", REG_DWORD, &five, 2);
    EXPECT_EQ(run("${" + ref + "all}"), "-1");
    EXPECT_EQ(run("${" + ref + "five}"), "5");
    EXPECT_EQ(run("${" + ref + "be}"), "256");
    EXPECT_EQ(run("${" + ref + "beneg}"), "-2");
    EXPECT_EQ(run("[${" + ref + "short}]"), "[]");
}

TEST_F(RegistryTest, OtherTypesGiveEmptyText) {
    const unsigned char bytes[] = {1, 2, 3};
    set("bin", REG_BINARY, bytes, 3);
    set("multi", REG_MULTI_SZ, "a\0b\0", 5);
    EXPECT_EQ(run("[${" + ref + "bin}]"), "[]");
    EXPECT_EQ(run("[%{" + ref + "multi}%]"), "[]");
}

TEST_F(RegistryTest, MissingValuesUseTheDefaultOrStay) {
    EXPECT_EQ(run("${" + ref + "missing|fallback}"), "fallback");
    EXPECT_EQ(run("${" + ref + "missing}"), "${" + ref + "missing}");
    EXPECT_EQ(run("${HKCU\\Software\\wyn-no-such-key\\v|fallback}"), "fallback");
}

TEST_F(RegistryTest, RegistryVariableDirectly) {
    setText("direct", REG_SZ, "direct value");
    TextString value;
    ASSERT_TRUE(registryVariable(nullptr, (ref + "direct").c_str(), value));
    EXPECT_STREQ(value.c_str(), "direct value");
    EXPECT_FALSE(registryVariable(nullptr, (ref + "absent").c_str(), value));
}

TEST(ExpansionWin, EnvironmentNamesIgnoreCase) {
    std::string path = run("%PATH%");
    ASSERT_NE(path, "%PATH%");
    for (const char* source : {"%path%", "%{Path}%", "$pAtH", "${path}"}) {
        EXPECT_EQ(run(source), path) << source;
    }
}

TEST(ExpansionWin, Utf8FlagConvertsAnsiValues) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "needs the Western European code page";
    }
    ASSERT_TRUE(platform::putEnv("WYN_TEST_LATIN=caf\xE9"));
    EXPECT_EQ(run("\xE9 %WYN_TEST_LATIN%", true), "\xE9 caf\xC3\xA9");
    EXPECT_EQ(run("\xE9 %WYN_TEST_LATIN%", false), "\xE9 caf\xE9");
    platform::putEnv("WYN_TEST_LATIN=");
}

}  // namespace
