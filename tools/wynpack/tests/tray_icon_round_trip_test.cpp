// The Linux tray's icon images from both ends: the packer's PNG made of an icon file's bitmap,
// read back by the launcher's own PNG reader, which understands nothing it cannot read
// without an inflater.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "byte_order.h"
#include "tray/tray_icon_image.h"
#include "tray_icon_png.h"

namespace wynpack {
namespace {

// The colour bits and mask of one BMP-style icon image: rows given top down, as the picture
// is seen; written bottom up, as the format wants.
IconImage bitmapImage(uint32_t width, uint32_t height, uint32_t bits,
                      const std::vector<uint32_t>& palette, const std::vector<std::string>& rows,
                      const std::vector<std::string>& maskRows) {
    std::string data;
    appendLe32(data, 40);
    appendLe32(data, width);
    appendLe32(data, height * 2);
    appendLe16(data, 1);
    appendLe16(data, bits);
    for (int i = 0; i < 6; ++i) {
        appendLe32(data, i == 4 ? static_cast<uint32_t>(palette.size()) : 0);
    }
    for (uint32_t colour : palette) {
        appendLe32(data, colour);
    }
    for (size_t y = rows.size(); y-- > 0;) {
        data += rows[y];
    }
    for (size_t y = maskRows.size(); y-- > 0;) {
        data += maskRows[y];
    }
    IconImage image;
    image.width = width;
    image.height = height;
    image.bitCount = bits;
    image.data = data;
    return image;
}

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        char two[3];
        std::snprintf(two, sizeof(two), "%02x", b);
        text += two;
    }
    return text;
}

std::string decoded(const std::string& png) {
    BusIconImage image;
    if (!decodeStoredPng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), image)) {
        return "<not read>";
    }
    return std::to_string(image.width) + "x" + std::to_string(image.height) + ":" +
           hex(image.argb);
}

const std::string kClearMask(4, '\0');

TEST(TrayIconRoundTrip, BitmapsOfEveryDepthArriveAsArgbPixels) {
    struct Case {
        const char* name;
        IconImage image;
        const char* pixels;
    } cases[] = {
        {"32 bits with alpha: the mask is ignored",
         bitmapImage(2, 2, 32, {},
                     {std::string("\x01\x02\x03\xff\x04\x05\x06\x00", 8),
                      std::string("\x10\x20\x30\x40\x50\x60\x70\x80", 8)},
                     {std::string("\xc0\0\0\0", 4), std::string("\xc0\0\0\0", 4)}),
         "2x2:ff030201000605044030201080706050"},
        {"32 bits without alpha: the mask decides",
         bitmapImage(2, 1, 32, {}, {std::string("\x01\x02\x03\x00\x04\x05\x06\x00", 8)},
                     {std::string("\x40\0\0\0", 4)}),
         "2x1:ff03020100060504"},
        {"24 bits, padded rows, with the mask",
         bitmapImage(1, 2, 24, {}, {std::string("\x0a\x0b\x0c\0", 4), std::string("\x1a\x1b\x1c\0", 4)},
                     {kClearMask, std::string("\x80\0\0\0", 4)}),
         "1x2:ff0c0b0a001c1b1a"},
        {"8 bits through the palette",
         bitmapImage(2, 1, 8, {0x00112233, 0x00445566}, {std::string("\x01\x00\0\0", 4)},
                     {kClearMask}),
         "2x1:ff445566ff112233"},
        {"4 bits, the high nibble first",
         bitmapImage(3, 1, 4, {0x00000000, 0x00ff0000, 0x0000ff00}, {std::string("\x12\x00\0\0", 4)},
                     {std::string("\x20\0\0\0", 4)}),
         "3x1:ffff0000ff00ff0000000000"},
        {"1 bit, a colour index beyond the palette takes the first colour",
         bitmapImage(3, 1, 1, {0x00ffffff}, {std::string("\xa0\0\0\0", 4)}, {kClearMask}),
         "3x1:ffffffffffffffffffffffff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string png;
        std::string reason;
        ASSERT_TRUE(makeTrayIconPng({c.image}, png, reason)) << reason;
        EXPECT_EQ(decoded(png), c.pixels);
    }
}

TEST(TrayIconRoundTrip, TheLargestBitmapUpTo64PixelsIsChosen) {
    auto square = [](uint32_t side, uint32_t bits) {
        IconImage image = bitmapImage(side, 1, bits, {}, {std::string(side * bits / 8, '\x7f')},
                                      {std::string((side + 31) / 32 * 4, '\0')});
        image.height = side;
        return image;
    };
    IconImage png;
    png.width = 48;
    png.bitCount = 32;
    png.data = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\0');
    struct Case {
        std::vector<IconImage> images;
        int width;
    } cases[] = {
        {{square(16, 32), square(48, 24), square(32, 32), square(128, 32)}, 48},
        {{square(48, 24), square(48, 32)}, 48},
        {{square(256, 32), square(128, 32)}, 128},
        {{png, square(16, 32)}, 16},
    };
    for (const Case& c : cases) {
        std::string out;
        std::string reason;
        ASSERT_TRUE(makeTrayIconPng(c.images, out, reason)) << reason;
        BusIconImage image;
        ASSERT_TRUE(decodeStoredPng(reinterpret_cast<const uint8_t*>(out.data()), out.size(), image));
        EXPECT_EQ(image.width, c.width);
    }
    std::string out;
    std::string reason;
    EXPECT_FALSE(makeTrayIconPng({png}, out, reason));
    EXPECT_EQ(reason, "it holds no bitmap image (only PNG images)");
}

TEST(TrayIconRoundTrip, TheReaderUndoesEveryRowFilterAndRefusesWhatItCannotRead) {
    // Two rows of two RGBA pixels; the first row filtered with Sub, the second with Paeth,
    // then the same with Up and Average.
    const uint8_t top[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    const uint8_t bottom[8] = {15, 25, 35, 45, 5, 6, 7, 8};
    auto paeth = [](int a, int b, int c) {
        int p = a + b - c;
        int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    auto filtered = [&](int topFilter, int bottomFilter) {
        std::string rows;
        const uint8_t* lines[2] = {top, bottom};
        int filters[2] = {topFilter, bottomFilter};
        for (int y = 0; y < 2; ++y) {
            rows.push_back(static_cast<char>(filters[y]));
            for (int i = 0; i < 8; ++i) {
                int a = i >= 4 ? lines[y][i - 4] : 0;
                int b = y > 0 ? lines[y - 1][i] : 0;
                int c = y > 0 && i >= 4 ? lines[y - 1][i - 4] : 0;
                int predicted = filters[y] == 1   ? a
                                : filters[y] == 2 ? b
                                : filters[y] == 3 ? (a + b) / 2
                                : filters[y] == 4 ? paeth(a, b, c)
                                                  : 0;
                rows.push_back(static_cast<char>(lines[y][i] - predicted));
            }
        }
        return rows;
    };
    std::string expected = "2x2:280a141e50323c462d0f192308050607";
    EXPECT_EQ(decoded(storedBlockPng(2, 2, filtered(1, 4))), expected);
    EXPECT_EQ(decoded(storedBlockPng(2, 2, filtered(2, 3))), expected);
    EXPECT_EQ(decoded(storedBlockPng(2, 2, filtered(0, 0))), expected);

    std::string good = storedBlockPng(2, 2, filtered(0, 0));
    size_t idat = good.find("IDAT");
    std::string compressed = good;
    compressed[idat + 6] = '\x03';  // the block says: fixed Huffman codes
    std::string badSum = good;
    badSum[idat + 4 + 2 + 5 + 3] ^= 1;  // a pixel byte changed behind the checksum's back
    std::string sixteenBits = good;
    sixteenBits[good.find("IHDR") + 12] = 16;
    std::string rows = filtered(0, 0);
    rows[0] = 5;
    std::string unknownFilter = storedBlockPng(2, 2, rows);
    for (const std::string& bad :
         {compressed, badSum, sixteenBits, unknownFilter, good.substr(0, good.size() - 13),
          good.substr(0, 30), std::string("not a png")}) {
        EXPECT_EQ(decoded(bad), "<not read>");
    }
}

}  // namespace
}  // namespace wynpack
