#include "carried_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wynpack {
namespace {

const std::string kElf =
    "\x7f"
    "ELF and the rest of the packer's image";

std::vector<CarriedFile> sampleFiles() {
    return {{"stubs/linux-x86_64/wyn", std::string("\x7f"
                                                   "ELF stub\0with NUL",
                                                   17)},
            {"stubs/windows-x86/wyn.exe", "MZ stub"},
            {"empty", ""},
            {"lib/wyn-support.jar", std::string(100000, 'j')}};
}

TEST(CarriedFiles, RoundTripBehindTheImage) {
    std::string file = kElf + carriedBlock(sampleFiles());
    std::vector<CarriedFile> files;
    std::string reason;
    ASSERT_EQ(readCarriedFiles(file, files, reason), CarriedState::Present) << reason;
    std::vector<CarriedFile> expected = sampleFiles();
    ASSERT_EQ(files.size(), expected.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].name, expected[i].name);
        EXPECT_TRUE(files[i].bytes == expected[i].bytes) << files[i].name;
    }
}

TEST(CarriedFiles, AFileWithoutTheBlockCarriesNothing) {
    for (std::string file :
         {std::string(), std::string("WYNCARRY"), kElf, kElf + carriedBlock(sampleFiles()) + "x"}) {
        std::vector<CarriedFile> files;
        std::string reason;
        EXPECT_EQ(readCarriedFiles(file, files, reason), CarriedState::None) << file.size();
        EXPECT_TRUE(files.empty());
    }
}

TEST(CarriedFiles, EveryDamageIsRefusedWithItsReason) {
    const std::string block = carriedBlock(sampleFiles());
    const std::string intact = kElf + block;
    const size_t trailer = intact.size() - 24;
    const size_t indexLength = static_cast<unsigned char>(intact[trailer + 8]) |
                               static_cast<unsigned char>(intact[trailer + 9]) << 8;
    const size_t indexStart = trailer - indexLength;
    struct Case {
        const char* what;
        std::string file;
        std::string reason;
    };
    auto flipped = [&](size_t at) {
        std::string file = intact;
        file[at] = static_cast<char>(file[at] ^ 0x40);
        return file;
    };
    auto withLe32 = [&](size_t at, uint32_t value) {
        std::string file = intact;
        for (int i = 0; i < 4; ++i) {
            file[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
        return file;
    };
    const Case cases[] = {
        {"a byte of the last item", flipped(indexStart - 10),
         "lib/wyn-support.jar fails its checksum"},
        {"a byte of the first item", flipped(kElf.size() + 3),
         "stubs/linux-x86_64/wyn fails its checksum"},
        {"a byte of the index", flipped(indexStart + 5), "its index fails its checksum"},
        {"the front of the file cut off", intact.substr(kElf.size() + 1000),
         "its lengths do not fit the file (it is cut short or overwritten)"},
        {"block length beyond the file", withLe32(trailer + 4, 0x10),
         "its lengths do not fit the file (it is cut short or overwritten)"},
        {"index length beyond the block", withLe32(trailer + 8, 0x7FFFFFFF),
         "its lengths do not fit the file (it is cut short or overwritten)"},
        {"index checksum changed", withLe32(trailer + 12, 0), "its index fails its checksum"},
    };
    for (const Case& c : cases) {
        std::vector<CarriedFile> files;
        std::string reason;
        EXPECT_EQ(readCarriedFiles(c.file, files, reason), CarriedState::Damaged) << c.what;
        EXPECT_EQ(reason, c.reason) << c.what;
        EXPECT_TRUE(files.empty()) << c.what;
    }
}

// An index that passes its checksum but lies about sizes: built by hand, as only a faulty
// writer would make it.
TEST(CarriedFiles, AnIndexThatLiesAboutSizesIsRefused) {
    auto blockWith = [](const std::string& items, const std::vector<CarriedFile>& claimed) {
        std::string lying = carriedBlock(claimed);
        std::string claimedItems;
        for (const CarriedFile& file : claimed) {
            claimedItems += file.bytes;
        }
        std::string rest = lying.substr(claimedItems.size());
        // Same index and checksums, other items in front, and the block length adjusted.
        std::string block = items + rest;
        uint64_t length = block.size() - 24;
        for (int i = 0; i < 8; ++i) {
            block[block.size() - 24 + static_cast<size_t>(i)] =
                static_cast<char>(length >> (8 * i));
        }
        return kElf + block;
    };
    std::vector<CarriedFile> files;
    std::string reason;
    EXPECT_EQ(readCarriedFiles(blockWith("abc", {{"a", "abcdef"}}), files, reason),
              CarriedState::Damaged);
    EXPECT_EQ(reason, "the size of a goes beyond the carried files");
    EXPECT_EQ(readCarriedFiles(blockWith("abcdefXYZ", {{"a", "abcdef"}}), files, reason),
              CarriedState::Damaged);
    EXPECT_EQ(reason, "its items do not fill the space before its index");
}

}  // namespace
}  // namespace wynpack
