// The message table as the launcher uses it: overrides read once through activeConfig.
#include <gtest/gtest.h>

#include <string>

#include "config/config_store.h"
#include "config/messages.h"
#include "support/payload_builder.h"

namespace {

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

TEST(MessageTable, OverridesAreReadOnceFromTheActiveStore) {
    ScratchDirectory dir;
    CraftedExecutable exe;
    exe.config =
        "message 13=Already open.\\nSwitch to the open window.\r\n"
        "message 13=second line is ignored\r\n"
        "message 10=Tool\r\n"
        "message 4=\r\n"
        "message 6=Need %s, have %s %n%x%1000000s 100%%\r\n";
    std::string path = dir.writeExecutable(exe);
    ASSERT_TRUE(writeBytes(dir.file("app.exe.cfg"), "message 10=Tool (site)"));
    ConfigStore store(false);
    store.loadFrom(path.c_str());

    // Without a published store there are no overrides, and nothing is kept.
    ASSERT_EQ(activeConfig, nullptr);
    EXPECT_EQ(str(getMessage(kMessageCaption)), "Error");

    activeConfig = &store;
    EXPECT_EQ(str(getMessage(kMessageAlreadyRunning)), "Already open.\nSwitch to the open window.");
    EXPECT_EQ(str(getMessage(kMessageCaption)), "Tool (site)");
    EXPECT_EQ(str(getMessage(kMessageVmStartFailed)), "");
    EXPECT_EQ(str(getMessage(kMessageRuntimeNotFound)), "Java Runtime Environment not found.");
    EXPECT_EQ(str(getMessage(99)), "");
    EXPECT_EQ(str(formatMessage(getMessage(kMessageVersionTooLow), "1.6.0_45", "1.7", "")),
              "Need 1.6.0_45, have 1.7 %n%x%1000000s 100%");

    // The table was built on the first call: another store changes nothing.
    ConfigStore other(false);
    CraftedExecutable otherExe;
    otherExe.config = "message 13=other";
    other.loadFrom(dir.writeExecutable(otherExe, "other.exe").c_str());
    activeConfig = &other;
    EXPECT_EQ(str(getMessage(kMessageAlreadyRunning)), "Already open.\nSwitch to the open window.");
    activeConfig = nullptr;
    EXPECT_EQ(str(getMessage(kMessageCaption)), "Tool (site)");
}

}  // namespace
