// Cutting in a multibyte locale: on Linux the ANSI code page is the locale's charset, so a
// UTF-8 locale stands in for a double-byte code page.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "tray/tray_text.h"

namespace {

class Utf8Locale : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* previous = std::setlocale(LC_CTYPE, nullptr);
        saved = previous != nullptr ? previous : "C";
        if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
            GTEST_SKIP() << "no C.UTF-8 locale";
        }
    }
    void TearDown() override { std::setlocale(LC_CTYPE, saved.c_str()); }
    std::string saved;
};

TEST_F(Utf8Locale, TextsAreNeverCutInsideACharacter) {
    const std::string e = "\xC3\xA9";         // two bytes
    const std::string euro = "\xE2\x82\xAC";  // three bytes
    struct Case {
        std::string text;
        int32_t limit;
        int32_t expected;
    };
    const Case cases[] = {
        {std::string(62, 'a') + e, 63, 62},
        {std::string(61, 'a') + e, 63, 63},
        {std::string(61, 'a') + euro, 63, 61},
        {std::string(60, 'a') + euro, 63, 63},
        {euro + euro, 5, 3},
        {"a\xFF"
         "b",
         3, 3},  // a byte that starts no character counts as one
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ansiPrefixFitting(TextView(c.text.c_str()), c.limit), c.expected)
            << c.text.size() << " bytes, limit " << c.limit;
    }
    char tip[64];
    copyTrayText(tip, sizeof(tip), TextView((std::string(61, 'a') + euro).c_str()));
    EXPECT_EQ(std::string(tip), std::string(61, 'a'));
}

}  // namespace
