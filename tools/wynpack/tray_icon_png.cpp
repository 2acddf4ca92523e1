// Tray images for the Linux launcher: an icon file's bitmap as a PNG of stored blocks.
#include "tray_icon_png.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

namespace wynpack {

namespace {

constexpr uint32_t kPreferredLargest = 64;
constexpr size_t kStoredBlockLimit = 65535;

uint32_t le16(const std::string& d, size_t at) {
    return static_cast<uint8_t>(d[at]) | static_cast<uint32_t>(static_cast<uint8_t>(d[at + 1]))
                                             << 8;
}

uint32_t le32(const std::string& d, size_t at) {
    return le16(d, at) | le16(d, at + 2) << 16;
}

void appendBe32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void appendChunk(std::string& png, const char* type, const std::string& data) {
    appendBe32(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.append(type, 4);
    png += data;
    appendBe32(png,
               static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(png.data()) + start,
                                             static_cast<uInt>(png.size() - start))));
}

bool isPng(const std::string& data) {
    return data.size() >= 8 && std::memcmp(data.data(), "\x89PNG", 4) == 0;
}

// RGBA rows, top down, of a BMP-style icon image (colour bits, then the AND mask).
bool decodeBitmap(const IconImage& image, std::vector<uint8_t>& rgba, uint32_t& width,
                  uint32_t& height, std::string& reason) {
    const std::string& d = image.data;
    if (d.size() < 40 || le32(d, 0) < 40 || le32(d, 0) > d.size()) {
        reason = "its bitmap header is damaged";
        return false;
    }
    uint32_t headerSize = le32(d, 0);
    auto signedWidth = static_cast<int32_t>(le32(d, 4));
    auto signedHeight = static_cast<int32_t>(le32(d, 8));
    uint32_t bits = le16(d, 14);
    uint32_t compression = le32(d, 16);
    uint32_t used = le32(d, 32);
    if (signedWidth <= 0 || signedWidth > 256 || signedHeight <= 0 || signedHeight > 512 ||
        compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        reason = "its bitmap has a form the tray image cannot take";
        return false;
    }
    width = static_cast<uint32_t>(signedWidth);
    height = static_cast<uint32_t>(signedHeight) / 2;
    uint32_t colors = bits <= 8 ? (used != 0 && used < (1u << bits) ? used : 1u << bits) : 0;
    size_t palette = headerSize;
    size_t colorRow = ((width * bits + 31) / 32) * 4;
    size_t maskRow = ((width + 31) / 32) * 4;
    size_t pixels = palette + colors * 4;
    size_t mask = pixels + colorRow * height;
    if (height == 0 || mask + maskRow * height > d.size()) {
        reason = "its bitmap is cut off";
        return false;
    }
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    bool anyAlpha = false;
    for (uint32_t y = 0; y < height; ++y) {
        size_t row = pixels + colorRow * (height - 1 - y);
        size_t maskAt = mask + maskRow * (height - 1 - y);
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* out = rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
            size_t entry = 0;
            if (bits == 32 || bits == 24) {
                size_t at = row + x * (bits / 8);
                out[0] = static_cast<uint8_t>(d[at + 2]);
                out[1] = static_cast<uint8_t>(d[at + 1]);
                out[2] = static_cast<uint8_t>(d[at]);
                out[3] = bits == 32 ? static_cast<uint8_t>(d[at + 3]) : 0;
                anyAlpha = anyAlpha || out[3] != 0;
            } else {
                size_t bit = static_cast<size_t>(x) * bits;
                auto byte = static_cast<uint8_t>(d[row + bit / 8]);
                entry = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (entry >= colors) {
                    entry = 0;
                }
                size_t at = palette + entry * 4;
                out[0] = static_cast<uint8_t>(d[at + 2]);
                out[1] = static_cast<uint8_t>(d[at + 1]);
                out[2] = static_cast<uint8_t>(d[at]);
            }
        }
        // The AND mask: a set bit is a transparent pixel.
        for (uint32_t x = 0; x < width && bits != 32; ++x) {
            bool clear = ((static_cast<uint8_t>(d[maskAt + x / 8]) >> (7 - x % 8)) & 1) != 0;
            rgba[(static_cast<size_t>(y) * width + x) * 4 + 3] = clear ? 0 : 255;
        }
    }
    // Colour bits without any alpha: the mask alone decides, as Windows does.
    if (bits == 32 && !anyAlpha) {
        for (uint32_t y = 0; y < height; ++y) {
            size_t maskAt = mask + maskRow * (height - 1 - y);
            for (uint32_t x = 0; x < width; ++x) {
                bool clear = ((static_cast<uint8_t>(d[maskAt + x / 8]) >> (7 - x % 8)) & 1) != 0;
                rgba[(static_cast<size_t>(y) * width + x) * 4 + 3] = clear ? 0 : 255;
            }
        }
    }
    return true;
}

uint32_t be32(const std::string& d, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(d[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(d[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d[at + 2])) << 8 |
           static_cast<uint8_t>(d[at + 3]);
}

int paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The channels of a PNG colour type (0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA) at
// a bit depth it allows; 0 for anything else.
size_t pngChannels(uint8_t colourType, uint8_t depth) {
    bool wide = depth == 8 || depth == 16;
    bool narrow = depth == 1 || depth == 2 || depth == 4 || depth == 8;
    switch (colourType) {
        case 0:
            return narrow || depth == 16 ? 1 : 0;
        case 2:
            return wide ? 3 : 0;
        case 3:
            return narrow ? 1 : 0;
        case 4:
            return wide ? 2 : 0;
        case 6:
            return wide ? 4 : 0;
        default:
            return 0;
    }
}

// Sample `index` of a row: the high byte of 16-bit samples; narrower ones as they are.
unsigned sampleAt(const uint8_t* line, size_t index, uint8_t depth) {
    if (depth == 16) {
        return line[index * 2];
    }
    if (depth == 8) {
        return line[index];
    }
    size_t bit = index * depth;
    return (line[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

// RGBA rows, top down, of a PNG icon image of any colour type and bit depth, not interlaced.
bool decodePng(const IconImage& image, std::vector<uint8_t>& rgba, uint32_t& width,
               uint32_t& height, std::string& reason) {
    const std::string& d = image.data;
    size_t channels = 0;
    uint8_t depth = 0;
    uint8_t colourType = 0;
    std::string stream;
    std::string palette;
    std::string transparency;
    bool ended = false;
    for (size_t at = 8; !ended && d.size() - at >= 12;) {
        uint32_t length = be32(d, at);
        if (length > d.size() - at - 12) {
            break;
        }
        std::string type = d.substr(at + 4, 4);
        if (type == "IHDR" && length == 13) {
            width = be32(d, at + 8);
            height = be32(d, at + 12);
            depth = static_cast<uint8_t>(d[at + 16]);
            colourType = static_cast<uint8_t>(d[at + 17]);
            bool plain = d[at + 18] == 0 && d[at + 19] == 0 && d[at + 20] == 0;
            channels = plain ? pngChannels(colourType, depth) : 0;
        } else if (type == "PLTE") {
            palette = d.substr(at + 8, length);
        } else if (type == "tRNS") {
            transparency = d.substr(at + 8, length);
        } else if (type == "IDAT") {
            stream.append(d, at + 8, length);
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + static_cast<size_t>(length);
    }
    if (!ended) {
        reason = "has a PNG image that is cut off";
        return false;
    }
    if (channels == 0 || width == 0 || height == 0 || width > 256 || height > 256) {
        reason =
            "has a PNG image in a form the tray image cannot take (interlaced, or not a "
            "PNG colour type)";
        return false;
    }
    size_t pixelBytes = std::max<size_t>(1, channels * depth / 8);
    size_t stride = (static_cast<size_t>(width) * channels * depth + 7) / 8;
    std::vector<uint8_t> rows((stride + 1) * height);
    uLongf size = static_cast<uLongf>(rows.size());
    if (uncompress(rows.data(), &size, reinterpret_cast<const Bytef*>(stream.data()),
                   static_cast<uLong>(stream.size())) != Z_OK ||
        size != rows.size()) {
        reason = "has a PNG image whose data is damaged";
        return false;
    }
    unsigned largest = (1u << (depth == 16 ? 8 : depth)) - 1;
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    for (size_t y = 0; y < height; ++y) {
        uint8_t* line = rows.data() + y * (stride + 1) + 1;
        const uint8_t* above = y == 0 ? nullptr : line - (stride + 1);
        uint8_t filter = line[-1];
        for (size_t i = 0; i < stride; ++i) {
            int a = i >= pixelBytes ? line[i - pixelBytes] : 0;
            int b = above != nullptr ? above[i] : 0;
            int c = above != nullptr && i >= pixelBytes ? above[i - pixelBytes] : 0;
            int predicted = filter == 0   ? 0
                            : filter == 1 ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                            : filter == 4 ? paeth(a, b, c)
                                          : -1;
            if (predicted < 0) {
                reason = "has a PNG image whose data is damaged";
                return false;
            }
            line[i] = static_cast<uint8_t>(line[i] + predicted);
        }
        for (size_t x = 0; x < width; ++x) {
            uint8_t* out = rgba.data() + (y * width + x) * 4;
            if (colourType == 3) {
                unsigned index = sampleAt(line, x, depth);
                if (index * 3 + 2 >= palette.size()) {
                    reason = "has a PNG image whose palette is too short";
                    return false;
                }
                for (int k = 0; k < 3; ++k) {
                    out[k] = static_cast<uint8_t>(palette[index * 3 + static_cast<size_t>(k)]);
                }
                out[3] =
                    index < transparency.size() ? static_cast<uint8_t>(transparency[index]) : 255;
                continue;
            }
            unsigned samples[4] = {0, 0, 0, largest};
            for (size_t k = 0; k < channels; ++k) {
                samples[k] = sampleAt(line, x * channels + k, depth);
            }
            bool grey = colourType == 0 || colourType == 4;
            unsigned alpha = colourType == 4 ? samples[1] : colourType == 6 ? samples[3] : largest;
            for (int k = 0; k < 3; ++k) {
                unsigned value = grey ? samples[0] : samples[k];
                out[k] = static_cast<uint8_t>(value * 255 / largest);
            }
            out[3] = static_cast<uint8_t>(alpha * 255 / largest);
        }
    }
    return true;
}

}  // namespace

std::string storedBlockPng(uint32_t width, uint32_t height, const std::string& raw) {
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at < raw.size() || at == 0; at += kStoredBlockLimit) {
        size_t length = std::min(kStoredBlockLimit, raw.size() - at);
        bool last = at + length >= raw.size();
        zlib.push_back(last ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(length & 0xFF));
        zlib.push_back(static_cast<char>(length >> 8));
        zlib.push_back(static_cast<char>(~length & 0xFF));
        zlib.push_back(static_cast<char>((~length >> 8) & 0xFF));
        zlib.append(raw, at, length);
        if (last) {
            break;
        }
    }
    appendBe32(zlib, static_cast<uint32_t>(::adler32(1, reinterpret_cast<const Bytef*>(raw.data()),
                                                     static_cast<uInt>(raw.size()))));

    std::string header;
    appendBe32(header, width);
    appendBe32(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, not interlaced
    std::string png = "\x89PNG\r\n\x1a\n";
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlib);
    appendChunk(png, "IEND", std::string());
    return png;
}

std::string trayIconEntryName(uint32_t iconId) {
    return "META-INF/wyn/tray-icons/" + std::to_string(iconId) + ".png";
}

bool makeTrayIconPng(const std::vector<IconImage>& images, std::string& png, std::string& reason) {
    std::vector<const IconImage*> candidates;
    for (const IconImage& image : images) {
        candidates.push_back(&image);
    }
    // Preferred first: the widest up to 64 pixels, then the narrowest beyond; more colour bits
    // first among equals.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const IconImage* a, const IconImage* b) {
                         bool aFits = a->width <= kPreferredLargest;
                         bool bFits = b->width <= kPreferredLargest;
                         if (aFits != bFits) {
                             return aFits;
                         }
                         if (a->width != b->width) {
                             return aFits ? a->width > b->width : a->width < b->width;
                         }
                         return a->bitCount > b->bitCount;
                     });
    reason = "holds no image";
    for (const IconImage* image : candidates) {
        std::vector<uint8_t> rgba;
        uint32_t width = 0;
        uint32_t height = 0;
        bool read = isPng(image->data) ? decodePng(*image, rgba, width, height, reason)
                                       : decodeBitmap(*image, rgba, width, height, reason);
        if (!read) {
            continue;
        }
        std::string rows;
        for (uint32_t y = 0; y < height; ++y) {
            rows.push_back('\0');  // no filter
            rows.append(
                reinterpret_cast<const char*>(rgba.data()) + static_cast<size_t>(y) * width * 4,
                static_cast<size_t>(width) * 4);
        }
        png = storedBlockPng(width, height, rows);
        return true;
    }
    return false;
}

}  // namespace wynpack
