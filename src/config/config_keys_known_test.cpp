#include "config/config_keys_known.h"

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

}  // namespace
