#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "config/value_expansion.h"
#include "platform/env.h"

namespace {

// Runs a test body under a given locale and restores the previous one.
class ScopedLocale {
  public:
    explicit ScopedLocale(const char* name) : old_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, old_.c_str()); }
    bool ok() const { return ok_; }

  private:
    std::string old_;
    bool ok_ = false;
};

std::string run(const char* source, bool toUtf8) {
    TextString t = expand(source, toUtf8, nullptr);
    return std::string(t.c_str(), t.length());
}

TEST(ExpansionPosix, Utf8FlagConvertsInsertedValuesFromTheLocaleCharset) {
    ASSERT_TRUE(platform::putEnv("WYN_TEST_LATIN=caf\xE9"));
    {
        // The C locale's charset is ASCII: the byte E9 is no character of it.
        ScopedLocale locale("C");
        ASSERT_TRUE(locale.ok());
        EXPECT_EQ(run("<%WYN_TEST_LATIN%>", false), "<caf\xE9>");
        EXPECT_EQ(run("<%WYN_TEST_LATIN%>", true), "<caf?>");
    }
    ASSERT_TRUE(platform::putEnv("WYN_TEST_LATIN=caf\xC3\xA9"));
    {
        ScopedLocale locale("C.UTF-8");
        ASSERT_TRUE(locale.ok());
        EXPECT_EQ(run("<%WYN_TEST_LATIN%>", true), "<caf\xC3\xA9>");
    }
    platform::putEnv("WYN_TEST_LATIN=");
}

TEST(ExpansionPosix, EnvironmentNamesKeepTheirCase) {
    ASSERT_TRUE(platform::putEnv("WYN_TEST_CASE=upper"));
    EXPECT_EQ(run("%WYN_TEST_CASE%", false), "upper");
    EXPECT_EQ(run("%wyn_test_case%", false), "%wyn_test_case%");
    platform::putEnv("WYN_TEST_CASE=");
}

TEST(ExpansionPosix, RegistryReferencesFallBackToTheirDefault) {
    // Linux has no registry, so even a key that exists on every Windows machine is absent.
    EXPECT_EQ(
        run("${HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir|none}", false),
        "none");
    EXPECT_EQ(run("%{HKLM\\SOFTWARE\\Microsoft}%", false), "%{HKLM\\SOFTWARE\\Microsoft}%");
}

}  // namespace
