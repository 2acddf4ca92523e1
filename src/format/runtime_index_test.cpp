#include "format/runtime_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "format/sha256.h"

namespace {

const std::string kZeros(64, '0');
const std::string kHeader = "wyn-runtime 1\nplatform linux-x86_64\nrelease 17.0.9\n";

std::string text(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

TextView view(const std::string& s) {
    return TextView(s.data(), static_cast<int32_t>(s.size()));
}

RuntimeFile fileOf(const char* path, int64_t size, int32_t mode, unsigned char seed) {
    RuntimeFile file;
    file.path = TextString(path);
    file.size = size;
    file.mode = mode;
    for (int i = 0; i < 32; ++i) {
        file.sha256[i] = static_cast<unsigned char>(seed + i * 7);
    }
    return file;
}

std::string hexOf(const unsigned char digest[32]) {
    char hex[65];
    sha256Hex(digest, hex);
    return hex;
}

TEST(RuntimeIndexWriter, WritesTheExactFormSortedByPath) {
    RuntimeIndex index;
    index.platform = "windows-x86";
    index.release = "17.0.9";
    index.files.push_back(fileOf("lib/modules", 123456789012LL, 0644, 1));
    index.files.push_back(fileOf("bin/java.exe", 0, 04755, 2));
    index.files.push_back(fileOf("Lib2", 5, 0600, 3));
    std::string expected = "wyn-runtime 1\nplatform windows-x86\nrelease 17.0.9\n";
    expected += "file " + hexOf(index.files[2].sha256) + " 5 600 Lib2\n";
    expected += "file " + hexOf(index.files[1].sha256) + " 0 4755 bin/java.exe\n";
    expected += "file " + hexOf(index.files[0].sha256) + " 123456789012 644 lib/modules\n";
    EXPECT_EQ(text(writeRuntimeIndex(index)), expected);
}

TEST(RuntimeIndexParser, ReadsBackWhatTheWriterWrote) {
    RuntimeIndex index;
    index.platform = "linux-x86_64";
    index.release = "unknown";
    index.files.push_back(fileOf("release", 1, 0644, 9));
    index.files.push_back(fileOf("lib/server/libjvm.so", kMaxRuntimeFileSize, 0755, 200));
    index.files.push_back(fileOf("legal/java.base/a file with spaces", 77, 0444, 0));
    index.files.push_back(fileOf("lib/\xc3\xa9t\xc3\xa9.txt", 3, 07777, 255));
    TextString written = writeRuntimeIndex(index);

    RuntimeIndex read;
    TextString problem;
    ASSERT_TRUE(parseRuntimeIndex(written, read, problem)) << problem.c_str();
    EXPECT_EQ(text(read.platform), "linux-x86_64");
    EXPECT_EQ(text(read.release), "unknown");
    ASSERT_EQ(read.files.size(), 4u);
    for (const RuntimeFile& original : index.files) {
        bool found = false;
        for (const RuntimeFile& back : read.files) {
            if (text(back.path) == text(original.path)) {
                found = true;
                EXPECT_EQ(back.size, original.size) << original.path.c_str();
                EXPECT_EQ(back.mode, original.mode) << original.path.c_str();
                EXPECT_EQ(hexOf(back.sha256), hexOf(original.sha256)) << original.path.c_str();
            }
        }
        EXPECT_TRUE(found) << original.path.c_str();
    }
    EXPECT_EQ(text(writeRuntimeIndex(read)), text(written));
}

std::string fileLine(const std::string& rest) {
    return "file " + kZeros + " " + rest + "\n";
}

TEST(RuntimeIndexParser, RefusesEveryDepartureFromTheForm) {
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"another version",
         "wyn-runtime 2\nplatform linux-x86_64\nrelease 1\n" + fileLine("1 644 a")},
        {"carriage returns",
         "wyn-runtime 1\r\nplatform linux-x86_64\r\nrelease 1\r\n" + fileLine("1 644 a")},
        {"unknown platform",
         "wyn-runtime 1\nplatform linux-arm64\nrelease 1\n" + fileLine("1 644 a")},
        {"no release line", "wyn-runtime 1\nplatform linux-x86_64\n" + fileLine("1 644 a")},
        {"empty release", "wyn-runtime 1\nplatform linux-x86_64\nrelease \n" + fileLine("1 644 a")},
        {"control byte in release",
         "wyn-runtime 1\nplatform linux-x86_64\nrelease 1\x1b[2J\n" + fileLine("1 644 a")},
        {"no file", kHeader},
        {"last line without end", kHeader + "file " + kZeros + " 1 644 a"},
        {"an empty line", kHeader + fileLine("1 644 a") + "\n"},
        {"another kind of line", kHeader + "link a b\n"},
        {"upper-case digest", kHeader + "file " + std::string(64, 'A') + " 1 644 a\n"},
        {"short digest", kHeader + "file " + std::string(63, '0') + " 1 644 a\n"},
        {"long digest", kHeader + "file " + std::string(65, '0') + " 1 644 a\n"},
        {"negative size", kHeader + fileLine("-1 644 a")},
        {"size with sign", kHeader + fileLine("+1 644 a")},
        {"size with leading zero", kHeader + fileLine("01 644 a")},
        {"size over the limit", kHeader + fileLine("1099511627777 644 a")},
        {"size that overflows", kHeader + fileLine("99999999999999999999999 644 a")},
        {"hex size", kHeader + fileLine("0x10 644 a")},
        {"two-digit mode", kHeader + fileLine("1 44 a")},
        {"five-digit mode", kHeader + fileLine("1 10644 a")},
        {"mode with 8", kHeader + fileLine("1 648 a")},
        {"two spaces", kHeader + "file " + kZeros + "  1 644 a\n"},
        {"no path", kHeader + fileLine("1 644 ")},
        {"path climbs out", kHeader + fileLine("1 644 ../../.bashrc")},
        {"absolute path", kHeader + fileLine("1 644 /etc/passwd")},
        {"unsorted", kHeader + fileLine("1 644 b") + fileLine("1 644 a")},
        {"same path twice", kHeader + fileLine("1 644 a") + fileLine("2 644 a")},
        {"paths differing in case",
         kHeader + fileLine("1 644 Bin/java") + fileLine("1 644 bin/java")},
        {"file that is a directory", kHeader + fileLine("1 644 lib") + fileLine("1 644 lib/x")},
        {"file that is a directory in another case",
         kHeader + fileLine("1 644 LIB") + fileLine("1 644 lib-x") + fileLine("1 644 lib/x")},
        {"NUL inside", kHeader + "file " + kZeros + " 1 644 a" + std::string(1, '\0') + "b\n"},
    };
    for (const Case& c : cases) {
        RuntimeIndex index;
        TextString problem;
        EXPECT_FALSE(parseRuntimeIndex(view(c.text), index, problem)) << c.what;
        EXPECT_GT(problem.length(), 0) << c.what;
    }
}

TEST(RuntimeIndexParser, NamesTheLineOfTheProblem) {
    std::string index = kHeader + fileLine("1 644 a") + fileLine("1 644 ../b");
    RuntimeIndex read;
    TextString problem;
    ASSERT_FALSE(parseRuntimeIndex(view(index), read, problem));
    EXPECT_EQ(text(problem).rfind("line 5:", 0), 0u) << problem.c_str();
}

TEST(RuntimeIndexParser, RefusesMoreThanTheLimits) {
    RuntimeIndex index;
    TextString problem;
    std::string large = kHeader + fileLine("1 644 a");
    large += std::string(kMaxRuntimeIndexBytes, 'x');
    EXPECT_FALSE(parseRuntimeIndex(view(large), index, problem));

    std::string many = kHeader;
    char path[16];
    for (int i = 0; i <= kMaxRuntimeFiles; ++i) {
        std::snprintf(path, sizeof path, "%05x", i);
        many += fileLine(std::string("1 644 ") + path);
    }
    ASSERT_LE(many.size(), static_cast<size_t>(kMaxRuntimeIndexBytes));
    EXPECT_FALSE(parseRuntimeIndex(view(many), index, problem));
    many.resize(many.size() - fileLine("1 644 186a0").size());
    EXPECT_TRUE(parseRuntimeIndex(view(many), index, problem)) << problem.c_str();
    EXPECT_EQ(index.files.size(), static_cast<size_t>(kMaxRuntimeFiles));
}

TEST(RuntimeIndexPaths, RefusesPathsThatLeaveOrCollide) {
    const char* unsafe[] = {
        "",
        "/abs",
        "a//b",
        "a/",
        ".",
        "..",
        "a/./b",
        "a/../b",
        "..\\x",
        "a\\b",
        "c:x",
        "C:/x",
        "a\tb",
        "a\x7f",
        "a\nb",
        "dot.",
        "a/space /b",
        "CON",
        "con.txt",
        "lib/nul",
        "Aux.dll",
        "prn.",
        "COM1",
        "lpt9.log",
        "com0",
        "COM\xc2\xb9",
        "lpt\xc2\xb3.txt",
        "NUL .txt",
        "conin$",
        "CONOUT$.x",
        "\xc3\x28",      // broken UTF-8
        "\xc0\xaf",      // overlong '/'
        "\xed\xa0\x80",  // surrogate
        "a\xe2\x82",     // cut off
    };
    for (const char* path : unsafe) {
        EXPECT_FALSE(isSafeRuntimePath(TextView(path))) << path;
    }
    EXPECT_FALSE(isSafeRuntimePath(TextView(std::string(1025, 'a').c_str())));
}

TEST(RuntimeIndexPaths, AcceptsWhatARuntimeImageHolds) {
    const char* safe[] = {
        "release",
        "lib/server/libjvm.so",
        "bin/server/jvm.dll",
        "legal/java.base/ASSEMBLY_EXCEPTION",
        "lib/security/cacerts",
        ".hidden",
        "a..b",
        "con2",
        "console.txt",
        "com10",
        "lpt",
        "nulls/file",
        "with space/x",
        "\xc3\xa9t\xc3\xa9",
        "\xf0\x9f\x98\x80.png",
    };
    for (const char* path : safe) {
        EXPECT_TRUE(isSafeRuntimePath(TextView(path))) << path;
    }
    EXPECT_TRUE(isSafeRuntimePath(TextView(std::string(1024, 'a').c_str())));
}

TEST(RuntimeContentKey, IsTheStartOfTheIndexsHash) {
    std::string index = kHeader + "file " + kZeros + " 0 644 release\n";
    EXPECT_EQ(text(runtimeContentKey(view(index))), "a39788320c8ecb6d5ff0980acb1d9850");
}

TEST(RuntimeContentKey, ChangesWithAnyByte) {
    std::string index = kHeader + "file " + kZeros + " 0 644 release\n";
    std::string key = text(runtimeContentKey(view(index)));
    ASSERT_EQ(key.size(), 32u);
    for (size_t i = 0; i < index.size(); ++i) {
        std::string changed = index;
        changed[i] = static_cast<char>(changed[i] ^ 0x01);
        EXPECT_NE(text(runtimeContentKey(view(changed))), key) << "byte " << i;
    }
    EXPECT_NE(text(runtimeContentKey(view(index + "\n"))), key);
}

}  // namespace
