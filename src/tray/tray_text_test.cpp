#include "tray/tray_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(TrayText, SingleByteTextsAreCutAtTheLimitAndZeroFilled) {
    struct Case {
        std::string text;
        int32_t fieldSize;
        std::string expected;
    };
    const Case cases[] = {
        {"", 64, ""},
        {"short", 64, "short"},
        {std::string(63, 'a'), 64, std::string(63, 'a')},
        {std::string(64, 'b'), 64, std::string(63, 'b')},
        {std::string(300, 'c'), 256, std::string(255, 'c')},
        {"one", 1, ""},
    };
    for (const Case& c : cases) {
        char field[300];
        std::memset(field, 'X', sizeof(field));
        copyTrayText(field, c.fieldSize, TextView(c.text.c_str()));
        EXPECT_EQ(std::string(field), c.expected) << c.text.size() << " into " << c.fieldSize;
        for (int32_t i = static_cast<int32_t>(c.expected.size()); i < c.fieldSize; ++i) {
            ASSERT_EQ(field[i], '\0') << "byte " << i << " of the field is zero";
        }
        EXPECT_EQ(field[c.fieldSize], 'X') << "nothing is written past the field";
    }
}

TEST(TrayText, NullAndEmbeddedNulEndTheText) {
    char field[8];
    copyTrayText(field, sizeof(field), TextView());
    EXPECT_STREQ(field, "");
    copyTrayText(field, sizeof(field), TextView("ab\0cd", 5));
    EXPECT_STREQ(field, "ab");
    EXPECT_EQ(ansiPrefixFitting(TextView("abcdef"), 0), 0);
}

}  // namespace
