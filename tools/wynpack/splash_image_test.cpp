#include "splash_image.h"

#include <gtest/gtest.h>

#include <array>

#include "byte_order.h"
#include "pe_image.h"
#include "resource_tree.h"
#include "version_info.h"

namespace wynpack {
namespace {

// A BMP file: file header, 40-byte header, palette, `gap` bytes, then the pixels.
std::string bmpFile(int32_t width, int32_t height, uint32_t bits, uint32_t paletteColours,
                    size_t gap) {
    size_t row = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    size_t pixels = row * static_cast<size_t>(height < 0 ? -height : height);
    size_t bitsAt = 14 + 40 + 4 * paletteColours + gap;
    std::string file = "BM";
    appendLittleEndian32(file, static_cast<uint32_t>(bitsAt + pixels));
    appendLittleEndian32(file, 0);
    appendLittleEndian32(file, static_cast<uint32_t>(bitsAt));
    appendLittleEndian32(file, 40);
    appendLittleEndian32(file, static_cast<uint32_t>(width));
    appendLittleEndian32(file, static_cast<uint32_t>(height));
    appendLittleEndian16(file, 1);
    appendLittleEndian16(file, bits);
    appendLittleEndian32(file, 0);
    appendLittleEndian32(file, 0);
    appendLittleEndian32(file, 0);
    appendLittleEndian32(file, 0);
    appendLittleEndian32(file, paletteColours);
    appendLittleEndian32(file, 0);
    file.append(4 * paletteColours, '\x11');
    file.append(gap, '\x7E');
    file.append(pixels, '\x22');
    return file;
}

TEST(SplashImage, BitmapResourceHasItsPixelsRightAfterTheColourTable) {
    std::string file = bmpFile(10, -6, 8, 3, 5);
    SplashResource resource;
    std::string reason;
    ASSERT_TRUE(makeSplashResource(file, resource, reason)) << reason;
    EXPECT_EQ(resource.type, kResourceBitmap);
    EXPECT_EQ(resource.data.size(), 40u + 12 + 12 * 6);
    EXPECT_EQ(resource.data.substr(0, 52), file.substr(14, 52));
    EXPECT_EQ(resource.data.find('\x7E'), std::string::npos);
}

TEST(SplashImage, UnusableFilesAreRefusedWithTheReason) {
    std::string cut = bmpFile(10, 6, 24, 0, 0);
    cut.resize(cut.size() - 1);
    std::string overlap = bmpFile(10, 6, 8, 256, 0);
    putLittleEndian32(overlap, 10, 14 + 40);
    std::string png("\x89PNG\r\n\x1A\n", 8);
    std::string header = std::string("\0\0\0\x0DIHDR", 8) + std::string("\0\0\0\x10\0\0\0\x10", 8) +
                         std::string(5, '\0') + std::string(4, '\0');
    std::string end = std::string("\0\0\0\0IEND", 8) + std::string(4, '\0');
    std::string hugePng = png + std::string("\0\0\0\x0DIHDR", 8) +
                          std::string("\0\1\0\0\0\0\0\x10", 8) + std::string(9, '\0') + end;
    const std::pair<std::string, const char*> cases[] = {
        {"hello", "is not a BMP, PNG, JPEG or GIF image"},
        {cut, "the pixels end after the file"},
        {overlap, "overlap"},
        {bmpFile(0, 6, 24, 0, 0), "1 to 16384"},
        {bmpFile(20000, 6, 24, 0, 0), "1 to 16384"},
        {bmpFile(10, 6, 7, 0, 0), "colour format"},
        {bmpFile(10, 6, 4, 17, 0), "colour format"},
        {png + header, "IEND"},
        {hugePng, "1 to 16384"},
        {png + header.substr(0, 10), "no PNG header"},
        {"\xFF\xD8\xFF\xE0\x00\x10JFIF", "JPEG segment ends after the file"},
        {std::string("GIF89a\x10\x00\x10\x00\x00\x00\x00\x01\x02", 15), "no trailer"},
        {std::string("GIF89a\x00\x00\x10\x00\x00\x00\x00;", 14), "1 to 16384"},
    };
    for (const auto& [bytes, message] : cases) {
        SplashResource resource;
        std::string reason;
        EXPECT_FALSE(makeSplashResource(bytes, resource, reason)) << message;
        EXPECT_NE(reason.find(message), std::string::npos) << reason;
    }
    SplashResource resource;
    std::string reason;
    EXPECT_TRUE(makeSplashResource(png + header + end, resource, reason)) << reason;
    EXPECT_EQ(resource.type, kResourceRawData);
    EXPECT_EQ(resource.data, png + header + end);
}

TEST(VersionInfo, DottedVersions) {
    const std::pair<const char*, std::array<uint32_t, 4>> good[] = {
        {"1", {1, 0, 0, 0}},
        {"1.2.3.4", {1, 2, 3, 4}},
        {"65535.0.7", {65535, 0, 7, 0}},
    };
    for (const auto& [text, expected] : good) {
        std::array<uint32_t, 4> numbers{};
        EXPECT_TRUE(parseDottedVersion(text, numbers)) << text;
        EXPECT_EQ(numbers, expected) << text;
    }
    for (const char* bad :
         {"", "1.", ".1", "1..2", "1.2.3.4.5", "65536", "1.x", "-1", "1 .2", "000001"}) {
        std::array<uint32_t, 4> numbers{};
        EXPECT_FALSE(parseDottedVersion(bad, numbers)) << bad;
    }
}

TEST(VersionInfo, BlockLengthsCoverTheirContent) {
    VersionFields fields;
    fields.fileVersion = "1.2.3.4";
    fields.productVersion = "5.6";
    fields.strings = {{"CompanyName", "Tarnwick \xE2\x82\xAC"}, {"LegalCopyright", ""}};
    std::string info = buildVersionInfo(fields);
    EXPECT_EQ(littleEndian16(info, 0), info.size());
    EXPECT_EQ(littleEndian16(info, 2), 52u);
    // The fixed information follows the key "VS_VERSION_INFO" and its padding.
    size_t fixed = 6 + 2 * 16;
    fixed = (fixed + 3) / 4 * 4;
    EXPECT_EQ(littleEndian32(info, fixed), 0xFEEF04BDu);
    EXPECT_EQ(littleEndian32(info, fixed + 8), 0x00010002u);
    EXPECT_EQ(littleEndian32(info, fixed + 12), 0x00030004u);
    EXPECT_EQ(littleEndian32(info, fixed + 16), 0x00050006u);
    std::u16string euro = utf16FromUtf8("Tarnwick \xE2\x82\xAC");
    EXPECT_EQ(euro.back(), u'\u20AC');
    std::string utf16;
    for (char16_t c : euro) {
        appendLittleEndian16(utf16, c);
    }
    EXPECT_NE(info.find(utf16), std::string::npos);
    std::string copyright;
    for (char16_t c : std::u16string(u"LegalCopyright")) {
        appendLittleEndian16(copyright, c);
    }
    EXPECT_EQ(info.find(copyright), std::string::npos) << "empty strings are left out";
}

TEST(PeChecksum, PiecesOfAnyLengthSumLikeTheWhole) {
    std::string bytes;
    for (int i = 0; i < 1001; ++i) {
        bytes += static_cast<char>(i * 7 + 3);
    }
    PeChecksum whole;
    whole.add(bytes);
    for (size_t split : {1, 2, 3, 500, 999, 1000}) {
        PeChecksum pieces;
        pieces.add(std::string_view(bytes).substr(0, split));
        pieces.add(std::string_view(bytes).substr(split, 1));
        pieces.add(std::string_view(bytes).substr(split + 1));
        EXPECT_EQ(pieces.finish(), whole.finish()) << split;
    }
    // The folded 16-bit sum plus the length.
    PeChecksum small;
    small.add(std::string("\xFF\xFF\x02\x00\x01", 5));
    EXPECT_EQ(small.finish(), 0x0003u + 5);
}

}  // namespace
}  // namespace wynpack
