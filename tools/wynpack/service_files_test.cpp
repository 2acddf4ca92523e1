#include "service_files.h"

#include <gtest/gtest.h>

#include "class_file.h"
#include "jar_manifest.h"
#include "test_files.h"

namespace wynpack {
namespace {

TEST(ServiceFiles, ProvidersOfAllFilesInOrderEachOnce) {
    EXPECT_EQ(mergeServiceFiles({"a.One\n# comment\n\n  a.Two  # trailing\r\n",
                                 "\xEF\xBB\xBFx\ra.Two\ra.Three", "a.One\n"}),
              "a.One\na.Two\n\xEF\xBB\xBFx\na.Three\n");
    EXPECT_EQ(mergeServiceFiles({"", "#only\n", " \t\n"}), "");
}

TEST(ServiceFiles, OnlyFilesRightInsideTheServicesDirectory) {
    EXPECT_TRUE(isServiceFile("META-INF/services/java.sql.Driver"));
    EXPECT_FALSE(isServiceFile("META-INF/services/"));
    EXPECT_FALSE(isServiceFile("META-INF/services/sub/x"));
    EXPECT_FALSE(isServiceFile("meta-inf/services/java.sql.Driver"));
    EXPECT_FALSE(isServiceFile("META-INF/MANIFEST.MF"));
}

TEST(JarManifest, MainAttributesWithContinuationLines) {
    const std::string manifest =
        "Manifest-Version: 1.0\r\nmain-class: com.example.very.lo\r\n ng.Main\r\nX: y\r\n\r\n"
        "Name: other\r\nMain-Class: not.This\r\n";
    EXPECT_EQ(manifestMainAttribute(manifest, "Main-Class"), "com.example.very.long.Main");
    EXPECT_EQ(manifestMainAttribute("Manifest-Version: 1.0\n\nMain-Class: a.B\n", "Main-Class"),
              "");
    EXPECT_EQ(manifestMainAttribute("Main-Class: a.B", "Main-Class"), "a.B");
    EXPECT_EQ(manifestMainAttribute("Main-Class:a.B\n", "Main-Class"), "");
}

TEST(ClassFile, SuperclassAndMainOfWrittenAndDamagedClasses) {
    ClassSummary summary;
    ASSERT_TRUE(readClassSummary(wynpack_test::javaClassFile("a/B", true, "a/Base"), summary));
    EXPECT_EQ(summary.superName, "a/Base");
    EXPECT_TRUE(summary.declaresMain);
    ASSERT_TRUE(readClassSummary(wynpack_test::javaClassFile("a/B", false), summary));
    EXPECT_FALSE(summary.declaresMain);
    std::string whole = wynpack_test::javaClassFile("a/B", true);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_FALSE(readClassSummary(whole.substr(0, cut), summary)) << cut;
    }
}

}  // namespace
}  // namespace wynpack
