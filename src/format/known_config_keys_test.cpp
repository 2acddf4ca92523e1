#include "format/known_config_keys.h"

#include <gtest/gtest.h>

namespace {

TEST(KnownConfigKeys, EveryKeyTheLauncherReadsInAnyLetterCase) {
    for (const char* key :
         {"appid", "MAINCLASS", "Option", "jre_order", "java_classpath", "cds", "trace",
          "jredownloadurl", "splashcloseonwindow", "disableexternal", "AppUserModelID"}) {
        EXPECT_TRUE(isKnownConfigKey(key)) << key;
    }
    for (const char* word : {"maxjr", "mainclas", "options", "jre-order", "", "classpath2"}) {
        EXPECT_FALSE(isKnownConfigKey(word)) << word;
    }
}

TEST(KnownConfigKeys, ListIsLowerCaseAndUnique) {
    ASSERT_GT(kKnownConfigKeyCount, 0);
    for (int32_t i = 0; i < kKnownConfigKeyCount; ++i) {
        TextView key(kKnownConfigKeys[i]);
        ASSERT_GT(key.length, 0);
        for (int32_t c = 0; c < key.length; ++c) {
            EXPECT_TRUE(isConfigKeyCharacter(key.data[c])) << key.data;
            EXPECT_FALSE(key.data[c] >= 'A' && key.data[c] <= 'Z') << key.data;
        }
        for (int32_t j = i + 1; j < kKnownConfigKeyCount; ++j) {
            EXPECT_STRNE(kKnownConfigKeys[i], kKnownConfigKeys[j]);
        }
    }
}

TEST(KnownConfigKeys, KeyCharacters) {
    for (char c : {'a', 'z', 'A', 'Z', '0', '9', '_'}) {
        EXPECT_TRUE(isConfigKeyCharacter(c)) << c;
    }
    for (char c : {' ', '-', '=', '#', '.', '\0', '\xC3', '@', '[', '`', '{', '/', ':'}) {
        EXPECT_FALSE(isConfigKeyCharacter(c)) << static_cast<int>(c);
    }
}

TEST(KnownConfigKeys, PartsAndExtensionsOfAKeyAreNotKeys) {
    // A view that is not NUL-terminated: only its length counts.
    const char text[] = "mainclassX";
    EXPECT_TRUE(isKnownConfigKey(TextView(text, 9)));
    EXPECT_FALSE(isKnownConfigKey(TextView(text, 10)));
    EXPECT_FALSE(isKnownConfigKey(TextView(text, 4)));
    EXPECT_FALSE(isKnownConfigKey(TextView()));
}

}  // namespace
