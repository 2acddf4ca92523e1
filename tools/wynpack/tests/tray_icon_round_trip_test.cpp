// The Linux tray's icon images from both ends: the packer's PNG made of an icon file's bitmap,
// read back by the launcher's own PNG reader, which understands nothing it cannot read
// without an inflater.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include "base/text.h"
#include "byte_order.h"
#include "config/archive_entry.h"
#include "test_files.h"
#include "tray/session_bus/tray_icon_image.h"
#include "tray_icon_png.h"

namespace wynpack {
namespace {

using wynpack_test::ProcessResult;
using wynpack_test::TempDir;

// The colour bits and mask of one BMP-style icon image: rows given top down, as the picture
// is seen; written bottom up, as the format wants.
IconImage bitmapImage(uint32_t width, uint32_t height, uint32_t bits,
                      const std::vector<uint32_t>& palette, const std::vector<std::string>& rows,
                      const std::vector<std::string>& maskRows) {
    std::string data;
    appendLittleEndian32(data, 40);
    appendLittleEndian32(data, width);
    appendLittleEndian32(data, height * 2);
    appendLittleEndian16(data, 1);
    appendLittleEndian16(data, bits);
    for (int i = 0; i < 6; ++i) {
        appendLittleEndian32(data, i == 4 ? static_cast<uint32_t>(palette.size()) : 0);
    }
    for (uint32_t colour : palette) {
        appendLittleEndian32(data, colour);
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
    return std::to_string(image.width) + "x" + std::to_string(image.height) + ":" + hex(image.argb);
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
         bitmapImage(1, 2, 24, {},
                     {std::string("\x0a\x0b\x0c\0", 4), std::string("\x1a\x1b\x1c\0", 4)},
                     {kClearMask, std::string("\x80\0\0\0", 4)}),
         "1x2:ff0c0b0a001c1b1a"},
        {"8 bits through the palette",
         bitmapImage(2, 1, 8, {0x00112233, 0x00445566}, {std::string("\x01\x00\0\0", 4)},
                     {kClearMask}),
         "2x1:ff445566ff112233"},
        {"4 bits, the high nibble first",
         bitmapImage(3, 1, 4, {0x00000000, 0x00ff0000, 0x0000ff00},
                     {std::string("\x12\x00\0\0", 4)}, {std::string("\x20\0\0\0", 4)}),
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
        ASSERT_TRUE(
            decodeStoredPng(reinterpret_cast<const uint8_t*>(out.data()), out.size(), image));
        EXPECT_EQ(image.width, c.width);
    }
    std::string out;
    std::string reason;
    EXPECT_FALSE(makeTrayIconPng({png}, out, reason));
    EXPECT_EQ(reason, "has a PNG image that is cut off");
}

std::string pngChunk(const std::string& type, const std::string& data) {
    std::string out;
    auto appendBe = [&out](uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>(value >> shift));
        }
    };
    appendBe(static_cast<uint32_t>(data.size()));
    std::string body = type + data;
    out += body;
    appendBe(static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
    return out;
}

// A PNG file with deflated image data (rows given with their filter bytes) and further chunks
// (PLTE, tRNS) before it.
std::string pngFile(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                    const std::string& rows, const std::string& moreChunks) {
    std::string deflated(compressBound(static_cast<uLong>(rows.size())), '\0');
    uLongf size = static_cast<uLongf>(deflated.size());
    compress(reinterpret_cast<Bytef*>(&deflated[0]), &size,
             reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()));
    deflated.resize(size);
    std::string header;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<char>(value >> shift));
        }
    }
    header += std::string{static_cast<char>(depth), static_cast<char>(colourType), 0, 0, 0};
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + moreChunks +
           pngChunk("IDAT", deflated) + pngChunk("IEND", "");
}

TEST(TrayIconRoundTrip, PngImagesOfEveryColourTypeAndDepthAreRead) {
    struct Case {
        const char* name;
        uint32_t width;
        uint8_t depth;
        uint8_t colourType;
        std::string row;  // one row, filter byte first
        std::string chunks;
        const char* pixels;
    } cases[] = {
        {"16-bit RGB: the high bytes", 2, 16, 2,
         std::string("\0\x12\x34\x56\x78\x9a\xbc\xff\xff\0\0\x80\0", 13), "",
         "2x1:ff12569affff0080"},
        {"2-bit palette with transparency", 3, 2, 3, std::string("\0\x18", 2),
         pngChunk("PLTE", std::string("\1\2\3\4\5\6\7\x08\x09", 9)) +
             pngChunk("tRNS", std::string("\0\x80", 2)),
         "3x1:0001020380040506ff070809"},
        {"8-bit grey and alpha", 1, 8, 4, std::string("\0\x40\x7f", 3), "", "1x1:7f404040"},
        {"1-bit grey", 3, 1, 0, std::string("\0\xa0", 2), "", "3x1:ffffffffff000000ffffffff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IconImage png;
        png.width = c.width;
        png.height = 1;
        png.data = pngFile(c.width, 1, c.depth, c.colourType, c.row, c.chunks);
        std::string out;
        std::string reason;
        ASSERT_TRUE(makeTrayIconPng({png}, out, reason)) << reason;
        EXPECT_EQ(decoded(out), c.pixels);
    }
    IconImage shortPalette;
    shortPalette.width = 3;
    shortPalette.data =
        pngFile(3, 1, 2, 3, std::string("\0\x18", 2), pngChunk("PLTE", std::string("\1\2\3", 3)));
    std::string out;
    std::string reason;
    EXPECT_FALSE(makeTrayIconPng({shortPalette}, out, reason));
    EXPECT_EQ(reason, "has a PNG image whose palette is too short");
}

// A PNG as icon tools write it: deflated image data, here RGB with the Sub filter.
TEST(TrayIconRoundTrip, CompressedPngImagesOfIconFilesAreReadToo) {
    const uint8_t pixels[2][9] = {{1, 2, 3, 4, 5, 6, 7, 8, 9},
                                  {10, 20, 30, 40, 50, 60, 70, 80, 90}};
    std::string rows;
    for (const auto& line : pixels) {
        rows.push_back('\1');
        for (int i = 0; i < 9; ++i) {
            rows.push_back(static_cast<char>(line[i] - (i >= 3 ? line[i - 3] : 0)));
        }
    }
    std::string deflated(compressBound(static_cast<uLong>(rows.size())), '\0');
    uLongf size = static_cast<uLongf>(deflated.size());
    ASSERT_EQ(
        compress(reinterpret_cast<Bytef*>(&deflated[0]), &size,
                 reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size())),
        Z_OK);
    deflated.resize(size);
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string out;
        for (uint32_t value : {static_cast<uint32_t>(data.size())}) {
            for (int shift = 24; shift >= 0; shift -= 8) {
                out.push_back(static_cast<char>(value >> shift));
            }
        }
        std::string body = type + data;
        uint32_t sum = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
        out += body;
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>(sum >> shift));
        }
        return out;
    };
    std::string header("\0\0\0\x03\0\0\0\x02\x08\x02\0\0\0", 13);
    IconImage png;
    png.width = 3;
    png.height = 2;
    png.bitCount = 32;
    png.data = std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
               chunk("IDAT", deflated) + chunk("IEND", "");
    std::string out;
    std::string reason;
    ASSERT_TRUE(makeTrayIconPng({png}, out, reason)) << reason;
    EXPECT_EQ(decoded(out), "3x2:ff010203ff040506ff070809ff0a141eff28323cff46505a");

    IconImage interlaced = png;
    interlaced.data[8 + 8 + 12] = 1;  // the IHDR's interlace method
    EXPECT_FALSE(makeTrayIconPng({interlaced}, out, reason));
    EXPECT_EQ(reason,
              "has a PNG image in a form the tray image cannot take (interlaced, or not "
              "a PNG colour type)");
    IconImage damaged = png;
    damaged.data[8 + 25 + 8 + 4] ^= 0x55;  // inside the deflated data
    EXPECT_FALSE(makeTrayIconPng({damaged}, out, reason));
    EXPECT_EQ(reason, "has a PNG image whose data is damaged");
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

// An icon file of the given images.
std::string iconFile(const std::vector<IconImage>& images) {
    std::string file;
    appendLittleEndian16(file, 0);
    appendLittleEndian16(file, 1);
    appendLittleEndian16(file, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IconImage& image : images) {
        file.push_back(static_cast<char>(image.width));
        file.push_back(static_cast<char>(image.height));
        file += std::string(2, '\0');
        appendLittleEndian16(file, 1);
        appendLittleEndian16(file, image.bitCount);
        appendLittleEndian32(file, static_cast<uint32_t>(image.data.size()));
        appendLittleEndian32(file, offset);
        offset += static_cast<uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) {
        file += image.data;
    }
    return file;
}

// What the launcher reads of a packed file's entry, or "<not read>".
std::string storedEntry(const std::string& file, const std::string& name, int32_t maxSize) {
    ByteBuffer bytes;
    if (readStoredEntry(file.c_str(), TextView(name.c_str()), bytes) != ArchiveEntryStatus::Found ||
        bytes.length() > maxSize) {
        return "<not read>";
    }
    return std::string(bytes.data(), static_cast<size_t>(bytes.length()));
}

TEST(TrayIconRoundTrip, ALinuxExecutableCarriesItsImagesStoredForItsLauncher) {
    TempDir dir;
    IconImage bitmap = bitmapImage(
        2, 1, 32, {}, {std::string("\x01\x02\x03\xff\x04\x05\x06\x80", 8)}, {kClearMask});
    IconImage png;
    png.width = 2;
    png.height = 2;
    png.bitCount = 32;
    png.data = storedBlockPng(2, 2,
                              std::string(1, '\0') + std::string(8, '\x11') + std::string(1, '\0') +
                                  std::string(8, '\x22'));
    IconImage interlaced = png;
    interlaced.data[png.data.find("IHDR") + 16] = 1;
    wynpack_test::writeFile(dir.file("bitmap.ico"), iconFile({bitmap}));
    wynpack_test::writeFile(dir.file("png.ico"), iconFile({png}));
    wynpack_test::writeFile(dir.file("interlaced.ico"), iconFile({interlaced}));
    wynpack_test::writeFile(dir.file("app.cfg"), "mainclass com.example.packed.Hello\n");
    wynpack_test::writeZip(dir.file("data.jar"),
                           {{"data/stored.txt", "stored text", false, 0},
                            {"data/deflated.txt", std::string(500, 'd'), true, 0}});
    std::string output = dir.file("app");
    ProcessResult run = wynpack_test::runProcess(
        {WYNPACK_TOOL, "--target", "linux-x86_64", "--config", dir.file("app.cfg"), "--jar",
         WYNPACK_HELLO_JAR, "--jar", WYNPACK_GREETING_JAR, "--jar", dir.file("data.jar"), "--icon",
         "7=" + dir.file("bitmap.ico"), "--icon", "8=" + dir.file("png.ico"), "--icon",
         "9=" + dir.file("interlaced.ico"), "--output", output});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("wynpack: note: no Linux tray image for icon 9: '" +
                           dir.file("interlaced.ico") +
                           "' has a PNG image in a form the tray image cannot take"),
              std::string::npos)
        << run.err;

    std::string image = storedEntry(output, "META-INF/wyn/tray-icons/7.png", 1 << 20);
    EXPECT_EQ(decoded(image), "2x1:ff03020180060504");
    EXPECT_EQ(decoded(storedEntry(output, "META-INF/wyn/tray-icons/8.png", 1 << 20)),
              "2x2:11111111111111112222222222222222");
    EXPECT_EQ(storedEntry(output, "META-INF/wyn/tray-icons/9.png", 1 << 20), "<not read>");

    // --icon without an id is the application's icon, id 1: tray image 1 for Linux.
    std::string withAppIcon = dir.file("app-icon");
    ProcessResult appIcon = wynpack_test::runProcess(
        {WYNPACK_TOOL, "--target", "linux-x86_64", "--config", dir.file("app.cfg"), "--jar",
         WYNPACK_HELLO_JAR, "--jar", WYNPACK_GREETING_JAR, "--icon", dir.file("png.ico"),
         "--output", withAppIcon});
    ASSERT_EQ(appIcon.exitStatus, 0) << appIcon.err;
    EXPECT_EQ(decoded(storedEntry(withAppIcon, "META-INF/wyn/tray-icons/1.png", 1 << 20)),
              "2x2:11111111111111112222222222222222");
    EXPECT_EQ(storedEntry(output, "data/stored.txt", 1 << 20), "stored text");
    EXPECT_EQ(storedEntry(output, "data/stored.txt", 10), "<not read>") << "over the limit";
    EXPECT_EQ(storedEntry(output, "data/deflated.txt", 1 << 20), "<not read>")
        << "the launcher has no inflater";
    EXPECT_EQ(storedEntry(output, "data/stored.tx", 1 << 20), "<not read>");
    EXPECT_EQ(storedEntry(WYNPACK_HELLO_JAR, "data/stored.txt", 1 << 20), "<not read>")
        << "a plain jar has no payload";
}

}  // namespace
}  // namespace wynpack
