// Splash images for the packed executable's resources (see splash_image.h).
#include "splash_image.h"

#include "byte_order.h"
#include "resource_tree.h"

namespace wynpack {

namespace {

constexpr uint32_t kMaxSide = 16384;
constexpr size_t kBmpFileHeaderSize = 14;

bool fail(std::string& reason, const std::string& text) {
    reason = text;
    return false;
}

bool sideOk(uint64_t side) {
    return side >= 1 && side <= kMaxSide;
}

bool sizeFails(std::string& reason, uint64_t width, uint64_t height) {
    return fail(reason, "is not a usable splash image (" + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels; 1 to 16384 each way)");
}

uint32_t readBe16(std::string_view bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 8 |
           static_cast<unsigned char>(bytes[at + 1]);
}

bool bitmapResource(std::string_view file, std::string& out, std::string& reason) {
    if (file.size() < kBmpFileHeaderSize + 12) {
        return fail(reason, "is truncated (no bitmap header)");
    }
    uint64_t bitsOffset = littleEndian32(file, 10);
    std::string_view dib = file.substr(kBmpFileHeaderSize);
    uint32_t headerSize = littleEndian32(dib, 0);
    bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124) {
        return fail(reason, "is a BMP of an unknown kind (header of " + std::to_string(headerSize) +
                                " bytes)");
    }
    if (dib.size() < headerSize) {
        return fail(reason, "is truncated (no bitmap header)");
    }
    // Core headers hold unsigned 16-bit sizes, the others signed 32-bit ones (a negative
    // height: rows from the top).
    int64_t width = core ? int64_t{littleEndian16(dib, 4)}
                         : int64_t{static_cast<int32_t>(littleEndian32(dib, 4))};
    int64_t height = core ? int64_t{littleEndian16(dib, 6)}
                          : int64_t{static_cast<int32_t>(littleEndian32(dib, 8))};
    uint32_t planes = littleEndian16(dib, core ? 8 : 12);
    uint32_t bits = littleEndian16(dib, core ? 10 : 14);
    uint32_t compression = core ? 0 : littleEndian32(dib, 16);
    uint32_t imageSize = core ? 0 : littleEndian32(dib, 20);
    uint32_t colorsUsed = core ? 0 : littleEndian32(dib, 32);
    uint64_t absHeight = static_cast<uint64_t>(height < 0 ? -height : height);
    if (width <= 0 || !sideOk(static_cast<uint64_t>(width)) || !sideOk(absHeight)) {
        return sizeFails(reason, width < 0 ? 0 : static_cast<uint64_t>(width), absHeight);
    }
    bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    bool rle = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    bool bitfields = compression == 3 && (bits == 16 || bits == 32);
    if (planes != 1 || !knownBits || !(compression == 0 || rle || bitfields) ||
        (bits <= 8 && colorsUsed > (1u << bits))) {
        return fail(reason, "is a BMP in a colour format the splash window cannot show");
    }
    if (headerSize == 124 &&
        (littleEndian32(dib, 56) == 0x4D424544 || littleEndian32(dib, 56) == 0x4C494E4B)) {
        return fail(reason, "is a BMP with a colour profile; save it without one");
    }
    uint64_t masks = (headerSize == 40 && bitfields) ? 12 : 0;
    uint64_t entrySize = core ? 3 : 4;
    uint64_t paletteCount = colorsUsed != 0 ? colorsUsed : (bits <= 8 ? (1u << bits) : 0);
    uint64_t tableEnd = headerSize + masks + paletteCount * entrySize;
    uint64_t bitsSize = (compression == 0 || bitfields)
                            ? (static_cast<uint64_t>(width) * bits + 31) / 32 * 4 * absHeight
                            : imageSize;
    if (rle && (bitsSize == 0 || height < 0)) {
        return fail(reason, "is a damaged BMP (compressed without a size)");
    }
    if (bitsOffset < kBmpFileHeaderSize + tableEnd) {
        return fail(reason, "is a damaged BMP (its pixels overlap its header)");
    }
    if (bitsOffset > file.size() || bitsSize > file.size() - bitsOffset) {
        return fail(reason, "is truncated (the pixels end after the file)");
    }
    out = std::string(dib.substr(0, tableEnd));
    out.append(file.substr(bitsOffset, bitsSize));
    return true;
}

bool checkPng(std::string_view file, std::string& reason) {
    if (file.size() < 8 + 8 + 13 + 4 || file.substr(12, 4) != "IHDR" || readBe32(file, 8) != 13) {
        return fail(reason, "is truncated (no PNG header)");
    }
    uint32_t width = readBe32(file, 16);
    uint32_t height = readBe32(file, 20);
    if (!sideOk(width) || !sideOk(height)) {
        return sizeFails(reason, width, height);
    }
    for (size_t at = 8; at + 12 <= file.size();) {
        uint64_t length = readBe32(file, at);
        if (length > file.size() - at - 12) {
            break;
        }
        if (file.substr(at + 4, 4) == "IEND") {
            return true;
        }
        at += 12 + length;
    }
    return fail(reason, "is truncated (the PNG ends before its IEND chunk)");
}

bool checkJpeg(std::string_view file, std::string& reason) {
    bool frame = false;
    for (size_t at = 2;;) {
        if (at + 4 > file.size() || static_cast<unsigned char>(file[at]) != 0xFF) {
            return fail(reason, "is truncated or damaged (a JPEG segment ends after the file)");
        }
        auto marker = static_cast<unsigned char>(file[at + 1]);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        size_t length = readBe16(file, at + 2);
        if (length < 2 || at + 2 + length > file.size()) {
            return fail(reason, "is truncated or damaged (a JPEG segment ends after the file)");
        }
        bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            if (length < 7) {
                return fail(reason, "is a damaged JPEG (short frame header)");
            }
            uint32_t height = readBe16(file, at + 5);
            uint32_t width = readBe16(file, at + 7);
            if (!sideOk(width) || !sideOk(height)) {
                return sizeFails(reason, width, height);
            }
            frame = true;
        }
        if (marker == 0xDA) {
            if (!frame) {
                return fail(reason, "is a damaged JPEG (image data before the frame header)");
            }
            if (file.size() < at + 2 + length + 2 || file.substr(file.size() - 2) != "\xFF\xD9") {
                return fail(reason, "is truncated (the JPEG has no end marker)");
            }
            return true;
        }
        at += 2 + length;
    }
}

bool checkGif(std::string_view file, std::string& reason) {
    if (file.size() < 13 + 1) {
        return fail(reason, "is truncated (no GIF header)");
    }
    uint32_t width = littleEndian16(file, 6);
    uint32_t height = littleEndian16(file, 8);
    if (!sideOk(width) || !sideOk(height)) {
        return sizeFails(reason, width, height);
    }
    if (file.back() != ';') {
        return fail(reason, "is truncated (the GIF has no trailer)");
    }
    return true;
}

}  // namespace

bool makeSplashResource(std::string_view bytes, SplashResource& resource, std::string& reason) {
    resource = SplashResource();
    if (bytes.substr(0, 2) == "BM") {
        resource.type = kResourceBitmap;
        return bitmapResource(bytes, resource.data, reason);
    }
    bool ok = false;
    if (bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) {
        ok = checkPng(bytes, reason);
    } else if (bytes.substr(0, 3) == "\xFF\xD8\xFF") {
        ok = checkJpeg(bytes, reason);
    } else if (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a") {
        ok = checkGif(bytes, reason);
    } else {
        return fail(reason, "is not a BMP, PNG, JPEG or GIF image");
    }
    if (ok) {
        resource.type = kResourceRawData;
        resource.data = std::string(bytes);
    }
    return ok;
}

}  // namespace wynpack
