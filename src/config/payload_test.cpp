#include "config/payload.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/payload_builder.h"

namespace {

const unsigned char* bytesOf(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

int64_t markOf(const std::string& file) {
    return locatePayloadMark(bytesOf(file), static_cast<int64_t>(file.size()));
}

// The mark that the layout fixes: just past the length field.
int64_t expectedMark(const CraftedExecutable& exe) {
    return static_cast<int64_t>(exe.stub.size() + payloadTextBytes(exe).size() + 4);
}

CraftedExecutable withConfig(const std::string& config) {
    CraftedExecutable exe;
    exe.config = config;
    return exe;
}

TEST(PayloadFile, ReadsTheEmbeddedTextOfAFile) {
    ScratchDirectory dir;
    CraftedExecutable exe = withConfig("mainclass Main");
    std::string path = dir.writeExecutable(exe);
    TextString text;
    int64_t mark = 0;
    ASSERT_TRUE(readEmbeddedText(path.c_str(), text, mark));
    EXPECT_EQ(mark, expectedMark(exe));
    EXPECT_EQ(std::string(text.c_str(), text.length()), payloadTextBytes(exe));
}

TEST(PayloadFile, MissingOrEmptyFileHasNoText) {
    ScratchDirectory dir;
    TextString text("left over");
    int64_t mark = 0;
    EXPECT_FALSE(readEmbeddedText(dir.file("missing.exe").c_str(), text, mark));
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(mark, -1);
    ASSERT_TRUE(writeBytes(dir.file("empty.exe"), ""));
    EXPECT_FALSE(readEmbeddedText(dir.file("empty.exe").c_str(), text, mark));
    EXPECT_TRUE(text.empty());
}

// A packed program far larger than a 32-bit process could map: 3 GiB of (sparse) stub before
// the payload. Only the parts the reader needs are read, in every kind of archive ending.
TEST(PayloadFile, TextOfAFileLargerThanTheAddressSpaceIsRead) {
    constexpr uint64_t kGap = 3ull << 30;
    struct Case {
        const char* name;
        bool zip64;
        std::string comment;
    } cases[] = {{"plain", false, ""}, {"zip64", true, ""}, {"comment", false, "note"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory dir;
        CraftedExecutable exe = withConfig("mainclass Main");
        exe.stub.clear();
        exe.zip64 = c.zip64;
        exe.zipComment = c.comment;
        exe.entries = {{"Main.class", std::string(5000, 'm')}};
        std::string path = dir.file("large.exe");
        { std::ofstream out(path, std::ios::binary); }
        std::error_code error;
        std::filesystem::resize_file(path, kGap, error);
        if (error) {
            GTEST_SKIP() << "this file system refuses a 3 GiB file: " << error.message();
        }
        {
            std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
            out.seekp(0, std::ios::end);
            std::string payload = exe.bytes();
            out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
            ASSERT_TRUE(out.good());
        }
        ASSERT_EQ(std::filesystem::file_size(path), kGap + exe.bytes().size());
        TextString text;
        int64_t mark = 0;
        ASSERT_TRUE(readEmbeddedText(path.c_str(), text, mark));
        EXPECT_EQ(mark, static_cast<int64_t>(kGap) + expectedMark(exe));
        EXPECT_EQ(std::string(text.c_str(), text.length()), payloadTextBytes(exe));
        std::filesystem::remove(path, error);
    }
}

TEST(PayloadFile, TextLongerThanTheLimitIsNotRead) {
    ScratchDirectory dir;
    CraftedExecutable exe = withConfig("mainclass Main");
    exe.stub = std::string(static_cast<size_t>(kMaxEmbeddedTextSize), ' ');
    std::string file = exe.bytes();
    int64_t mark = markOf(file);
    ASSERT_GT(mark, 4);
    // The length field claims the stub as part of the text: within the file, beyond the limit.
    uint32_t claimed = static_cast<uint32_t>(kMaxEmbeddedTextSize + 1);
    for (int i = 0; i < 4; ++i) {
        file[static_cast<size_t>(mark - 4 + i)] = static_cast<char>((claimed >> (8 * i)) & 0xFF);
    }
    std::string path = dir.file("claims.exe");
    ASSERT_TRUE(writeBytes(path, file));
    TextString text;
    int64_t found = 0;
    EXPECT_FALSE(readEmbeddedText(path.c_str(), text, found));
    EXPECT_TRUE(text.empty());
}

}  // namespace
