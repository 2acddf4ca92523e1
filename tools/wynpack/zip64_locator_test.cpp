#include "zip64_locator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace wynpack {
namespace {

using namespace std::string_literals;

std::string littleEndian(uint64_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::string endRecord(const std::string& comment) {
    return "PK\x05\x06"s + std::string(16, '\xFF') + littleEndian(comment.size(), 2) + comment;
}

std::string locator(uint64_t offset) {
    return "PK\x06\x07"s + littleEndian(0, 4) + littleEndian(offset, 8) + littleEndian(1, 4);
}

TEST(Zip64Locator, OffsetMovedByThePrefix) {
    struct Case {
        const char* what;
        std::string tail;
        uint64_t distance;
        uint64_t offset;
    } cases[] = {
        {"locator before the end record", "central directory" + locator(1000) + endRecord(""), 34,
         1000 + 4096},
        {"end record with a comment", locator(70000) + endRecord("made by a test"), 34 + 14,
         70000 + 4096},
        {"an end signature inside the comment", locator(5) + endRecord("PK\x05\x06 not the end"),
         34 + 16, 5 + 4096},
        {"offset beyond 32 bits", locator(0x123456789AULL) + endRecord(""), 34,
         0x123456789AULL + 4096},
    };
    for (const Case& c : cases) {
        LocatorFix fix = zip64LocatorFix(c.tail, 4096);
        ASSERT_TRUE(fix.needed) << c.what;
        EXPECT_EQ(fix.distanceFromEnd, c.distance) << c.what;
        EXPECT_EQ(fix.bytes, littleEndian(c.offset, 8)) << c.what;
        // The field to change is the locator's offset: it holds the old value.
        EXPECT_EQ(c.tail.substr(c.tail.size() - c.distance, 8), littleEndian(c.offset - 4096, 8))
            << c.what;
    }
}

TEST(Zip64Locator, NothingToFixWithoutALocator) {
    const std::string tails[] = {
        "",
        "PK\x05\x06",
        endRecord(""),
        "central directory entries" + endRecord("a comment"),
        std::string(20, 'x') + endRecord(""),
        // An end record whose comment length does not reach the end is no end record.
        locator(5) + endRecord("") + "trailing bytes",
    };
    for (const std::string& tail : tails) {
        EXPECT_FALSE(zip64LocatorFix(tail, 4096).needed) << testing::PrintToString(tail);
    }
}

}  // namespace
}  // namespace wynpack
