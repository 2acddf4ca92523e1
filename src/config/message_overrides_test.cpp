#include "config/message_overrides.h"

#include <gtest/gtest.h>

#include <string>

#include "config/config_store.h"
#include "platform/env.h"
#include "support/payload_builder.h"

namespace {

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

TEST(MessageEscapes, Unescape) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"plain", "plain"},       {"one\\ntwo", "one\ntwo"},
        {"a\\rb\\tc", "a\rb\tc"}, {"back\\\\slash", "back\\slash"},
        {"\\q\\u\\\"", "qu\""},   {"dropped at the end\\", "dropped at the end"},
        {"\\\\n", "\\n"},         {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str(unescapeMessage(c.text)), c.expected) << c.text;
    }
}

TEST(MessageIds, ParsedLikeADecimalNumber) {
    struct Case {
        const char* text;
        int32_t id;
    } cases[] = {
        {"13", 13},        {"013", 13},
        {"  13", 13},      {"\t13", 13},
        {"+13", 13},       {"-13", -13},
        {"13 ", 13},       {"13abc", 13},
        {"abc", 0},        {"", 0},
        {"0", 0},          {"2147483647", 2147483647},
        {"2147483648", 0}, {"99999999999999999999", 0},
        {"-", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseMessageId(c.text), c.id) << '"' << c.text << '"';
    }
}

class OverridesTest : public ::testing::Test {
  protected:
    void build(const std::string& embedded, const std::string& external = "") {
        CraftedExecutable exe;
        exe.config = embedded;
        std::string path = dir.writeExecutable(exe);
        if (!external.empty()) {
            ASSERT_TRUE(writeBytes(dir.file("app.exe.cfg"), external));
        }
        store.loadFrom(path.c_str());
        overrides.build(store);
    }
    std::string find(int32_t id) {
        TextString text;
        return overrides.find(id, text) ? str(text) : "<none>";
    }

    ScratchDirectory dir;
    ConfigStore store{false};
    MessageOverrides overrides;
};

TEST_F(OverridesTest, LinesAndTheirTexts) {
    platform::putEnv("WYN_TEST_MESSAGE=from the environment");
    build(
        "message 13=Line one\\nLine two\r\n"
        "message 013=second line for 13\r\n"
        "message 6=\r\n"
        "message 0=zero\r\n"
        "message -1=negative\r\n"
        "message 7 without equals sign\r\n"
        "message x=not a number\r\n"
        "message 5=%WYN_TEST_MESSAGE%\r\n"
        "message 8 = spaced = twice\r\n"
        "message 12==starts with equals\r\n");
    platform::putEnv("WYN_TEST_MESSAGE=");
    EXPECT_EQ(find(13), "Line one\nLine two");
    EXPECT_EQ(find(6), "");
    EXPECT_EQ(find(5), "from the environment");
    EXPECT_EQ(find(8), " spaced = twice");
    EXPECT_EQ(find(12), "=starts with equals");
    EXPECT_EQ(find(7), "<none>");
    EXPECT_EQ(find(1), "<none>");
    EXPECT_EQ(find(0), "<none>");
    EXPECT_EQ(find(-1), "<none>");
}

TEST_F(OverridesTest, LeadingZerosStillNameTheMessage) {
    build("message 013=with zeros");
    EXPECT_EQ(find(13), "with zeros");
}

TEST_F(OverridesTest, ExternalOverrideWins) {
    build("message 10=Embedded caption", "message 10=External caption");
    EXPECT_EQ(find(10), "External caption");
}

TEST_F(OverridesTest, NoLinesNoOverrides) {
    build("mainclass Main");
    for (int32_t id : {0, 1, 10, 13, 99}) {
        EXPECT_EQ(find(id), "<none>") << id;
    }
}

TEST_F(OverridesTest, RebuildingStartsAfresh) {
    build("message 13=first");
    EXPECT_EQ(find(13), "first");
    build("message 4=other");
    EXPECT_EQ(find(13), "<none>");
    EXPECT_EQ(find(4), "other");
}

}  // namespace
