#include "manifest_options.h"

#include <gtest/gtest.h>

namespace {

using wynpack::manifestOptionLines;

TEST(ManifestOptions, OpensExportsAndNativeAccessBecomeOptionsAsJavaJarAppliesThem) {
    struct Case {
        const char* name;
        const char* manifest;
        const char* lines;
        const char* skipped;
    } cases[] = {
        {"none", "Manifest-Version: 1.0\r\nMain-Class: app.Main\r\n\r\n", "", ""},
        {"opens and exports, several pairs, continuation line",
         "Manifest-Version: 1.0\r\nAdd-Opens: java.base/java.lang java.desktop/java.aw\r\n t\r\n"
         "Add-Exports:  java.desktop/sun.awt\r\n\r\n",
         "option --add-opens=java.base/java.lang=ALL-UNNAMED\r\n"
         "option --add-opens=java.desktop/java.awt=ALL-UNNAMED\r\n"
         "option --add-exports=java.desktop/sun.awt=ALL-UNNAMED\r\n",
         ""},
        {"native access", "Enable-Native-Access: ALL-UNNAMED \r\n\r\n",
         "option --enable-native-access=ALL-UNNAMED\r\n", ""},
        {"native access for a module java -jar refuses", "Enable-Native-Access: my.module\r\n\r\n",
         "", "Enable-Native-Access: my.module (java -jar takes only ALL-UNNAMED)"},
        {"attributes of an entry section are no main attributes",
         "Manifest-Version: 1.0\r\n\r\nName: a/b/\r\nAdd-Opens: java.base/java.lang\r\n\r\n", "",
         ""},
    };
    for (const Case& c : cases) {
        std::string skipped;
        EXPECT_EQ(manifestOptionLines(c.manifest, skipped), c.lines) << c.name;
        EXPECT_EQ(skipped, c.skipped) << c.name;
    }
}

}  // namespace
