#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config/config_store.h"
#include "support/payload_builder.h"

namespace {

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

class AnsiStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (GetACP() != 1252) {
            GTEST_SKIP() << "needs the Western European code page";
        }
    }
    ScratchDirectory dir;
    ConfigStore store{false};
};

TEST_F(AnsiStoreTest, AnsiExternalFileIsStoredAsUtf8) {
    CraftedExecutable exe;
    exe.config = "k v";
    std::string path = dir.writeExecutable(exe, "run.exe");
    ASSERT_TRUE(writeBytes(dir.file("run.config"), "splashtitle Caf\xE9"));
    store.loadFrom(path.c_str());
    EXPECT_EQ(str(store), std::string("splashtitle Caf\xC3\xA9\r\nk v") + '\0');
    EXPECT_EQ(str(store.splashTitle()), "Caf\xE9");
    EXPECT_EQ(str(store.getValue("splashtitle", false, false)), "Caf\xC3\xA9");
}

TEST_F(AnsiStoreTest, PropertiesStayUtf8AndOptionsComeOutAnsi) {
    CraftedExecutable exe;
    exe.config = "property name=Caf\xC3\xA9\r\noption -Dname=Caf\xC3\xA9";
    store.loadFrom(dir.writeExecutable(exe).c_str());
    StringList properties, options;
    store.collectProperties(properties);
    store.collectOptions(options);
    ASSERT_EQ(properties.count(), 1);
    ASSERT_EQ(options.count(), 1);
    EXPECT_STREQ(properties.stringAt(0), "name=Caf\xC3\xA9");
    EXPECT_STREQ(options.stringAt(0), "-Dname=Caf\xE9");
}

TEST_F(AnsiStoreTest, DriveRelativeAndRootedPathsStay) {
    CraftedExecutable exe;
    store.loadFrom(dir.writeExecutable(exe).c_str());
    EXPECT_EQ(str(store.resolvePath("C:data")), "C:data");
    EXPECT_EQ(str(store.resolvePath("\\data")), "\\data");
    EXPECT_EQ(str(store.resolvePath("data")), dir.path() + "data");
}

}  // namespace
