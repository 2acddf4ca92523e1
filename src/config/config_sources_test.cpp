#include "config/config_sources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/payload_builder.h"

namespace {

std::string decoded(const std::string& raw) {
    TextString text;
    appendDecoded(text, TextView(raw.data(), static_cast<int32_t>(raw.size())));
    return std::string(text.c_str(), text.length());
}

std::vector<std::string> candidatesFor(const char* exePath) {
    StringList list;
    externalConfigCandidates(exePath, list);
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.count(); ++i) {
        names.emplace_back(list.stringAt(i));
    }
    return names;
}

using Names = std::vector<std::string>;

TEST(ExternalCandidates, FourNamesInOrder) {
    EXPECT_EQ(candidatesFor("C:\\apps\\run.exe"),
              (Names{"C:\\apps\\run.exe.cfg", "C:\\apps\\run.exe.config", "C:\\apps\\run.cfg",
                     "C:\\apps\\run.config"}));
}

TEST(ExternalCandidates, WithoutExtensionTheSameTwoNamesTwice) {
    EXPECT_EQ(candidatesFor("/opt/app/bin/run"),
              (Names{"/opt/app/bin/run.cfg", "/opt/app/bin/run.config", "/opt/app/bin/run.cfg",
                     "/opt/app/bin/run.config"}));
}

TEST(ExternalCandidates, DotInADirectoryNameIsNoExtension) {
    EXPECT_EQ(candidatesFor("/opt/app-1.2/run"),
              (Names{"/opt/app-1.2/run.cfg", "/opt/app-1.2/run.config", "/opt/app-1.2/run.cfg",
                     "/opt/app-1.2/run.config"}));
    EXPECT_EQ(candidatesFor("C:\\my.apps\\run")[2], "C:\\my.apps\\run.cfg");
}

TEST(ExternalCandidates, OnlyTheLastDotCounts) {
    EXPECT_EQ(candidatesFor("/x/tool.v2.exe")[2], "/x/tool.v2.cfg");
}

TEST(ExternalCandidates, NoneForAnEmptyPath) {
    EXPECT_TRUE(candidatesFor("").empty());
}

TEST(ExternalCandidates, FirstReadableCandidateIsRead) {
    ScratchDirectory dir;
    std::string exe = dir.file("run.exe");
    ByteBuffer raw;
    EXPECT_FALSE(readExternalConfig(exe.c_str(), raw));

    ASSERT_TRUE(writeBytes(dir.file("run.config"), "fourth"));
    ASSERT_TRUE(readExternalConfig(exe.c_str(), raw));
    EXPECT_EQ(std::string(raw.data(), raw.length()), "fourth");

    ASSERT_TRUE(writeBytes(dir.file("run.exe.config"), "second"));
    ASSERT_TRUE(readExternalConfig(exe.c_str(), raw));
    EXPECT_EQ(std::string(raw.data(), raw.length()), "second");

    ASSERT_TRUE(writeBytes(dir.file("run.exe.cfg"), "first"));
    ASSERT_TRUE(readExternalConfig(exe.c_str(), raw));
    EXPECT_EQ(std::string(raw.data(), raw.length()), "first");
}

TEST(ExternalCandidates, ADirectoryWithACandidateNameIsPassedOver) {
    ScratchDirectory dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("run.exe.cfg")));
    ASSERT_TRUE(writeBytes(dir.file("run.cfg"), "third"));
    ByteBuffer raw;
    ASSERT_TRUE(readExternalConfig(dir.file("run.exe").c_str(), raw));
    EXPECT_EQ(std::string(raw.data(), raw.length()), "third");
}

TEST(AppendDecoded, Utf8MarkIsDroppedAndBytesKept) {
    EXPECT_EQ(decoded("\xEF\xBB\xBFkey caf\xC3\xA9"), "key caf\xC3\xA9");
    EXPECT_EQ(decoded(std::string("\xEF\xBB\xBFk v\0", 7)), std::string("k v\0", 4));
}

TEST(AppendDecoded, Utf16LittleAndBigEndianGiveTheSameUtf8) {
    std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    const char16_t text[] = u"key caf\u00e9 \u20ac\r\nx";
    for (const char16_t* p = text; *p != 0; ++p) {
        le.push_back(static_cast<char>(*p & 0xFF));
        le.push_back(static_cast<char>(*p >> 8));
        be.push_back(static_cast<char>(*p >> 8));
        be.push_back(static_cast<char>(*p & 0xFF));
    }
    std::string expected = "key caf\xC3\xA9 \xE2\x82\xAC\r\nx";
    EXPECT_EQ(decoded(le), expected);
    EXPECT_EQ(decoded(be), expected);
    // An odd trailing byte is no unit; a zero unit ends the text.
    EXPECT_EQ(decoded(le + "A"), expected);
    EXPECT_EQ(decoded(std::string("\xFF\xFEk\0\0\0v\0", 8)), "k");
}

TEST(AppendDecoded, ShortSourcesNeverMatchAMark) {
    // Two bytes of the three-byte mark, or one of a two-byte mark, are ANSI text: each byte
    // stands for a character of its own (whatever the code page makes of it).
    EXPECT_FALSE(decoded("\xEF\xBB").empty());
    EXPECT_EQ(decoded("\xEF\xBB"), decoded("\xEF") + decoded("\xBB"));
    EXPECT_FALSE(decoded("\xFF").empty());
    EXPECT_FALSE(decoded("\xFE").empty());
    EXPECT_EQ(decoded(""), "");
}

TEST(AppendDecoded, AnsiTextWithoutMark) {
    EXPECT_EQ(decoded("mainclass Main"), "mainclass Main");
    EXPECT_EQ(decoded(std::string("a\0b", 3)), "a");
}

TEST(AppendDecoded, AppendsToWhatIsThere) {
    TextString text("first\r\n");
    appendDecoded(text, "\xEF\xBB\xBFsecond");
    EXPECT_STREQ(text.c_str(), "first\r\nsecond");
}

TEST(Paths, DirectoryOfAPath) {
    struct Case {
        const char* path;
        const char* directory;
    } cases[] = {
        {"C:\\apps\\run.exe", "C:\\apps\\"},
        {"/opt/app/run", "/opt/app/"},
        {"C:\\apps/run.exe", "C:\\apps/"},
        {"run.exe", ""},
        {"/run", "/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(directoryOf(c.path).c_str(), c.directory) << c.path;
    }
}

TEST(Paths, CurrentDirectoryEndsInASeparator) {
    ScratchDirectory dir;
    std::filesystem::path before = std::filesystem::current_path();
    std::string plain = dir.path().substr(0, dir.path().size() - 1);
    std::filesystem::current_path(plain);
    TextString recorded = currentDirectoryWithSeparator();
    std::filesystem::current_path(before);
    ASSERT_GT(recorded.length(), 1);
    char last = recorded[recorded.length() - 1];
    EXPECT_EQ(last, '/');
    EXPECT_EQ(std::string(recorded.c_str(), recorded.length() - 1),
              std::filesystem::path(plain).string());
}

}  // namespace
