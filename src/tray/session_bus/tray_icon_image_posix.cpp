// Tray icon images on Linux: the packer's PNG for an icon id, read from the executable's
// archive without inflating anything.
#include "tray/session_bus/tray_icon_image.h"

#include <cstring>
#include <string>

#include "base/trace.h"
#include "config/archive_entry.h"
#include "platform/files.h"

namespace {

constexpr uint32_t kLargestSide = 256;

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// The image data of stored deflate blocks behind a zlib header, checked against the stream's
// Adler-32 sum; false for any other kind of block.
bool storedBlocks(const std::vector<uint8_t>& stream, size_t limit, std::vector<uint8_t>& out) {
    if (stream.size() < 2 || (stream[0] & 0x0F) != 8 || ((stream[0] << 8) | stream[1]) % 31 != 0 ||
        (stream[1] & 0x20) != 0) {
        return false;
    }
    size_t at = 2;
    bool last = false;
    while (!last) {
        if (stream.size() - at < 5) {
            return false;
        }
        uint8_t header = stream[at];
        last = (header & 1) != 0;
        if (((header >> 1) & 3) != 0) {
            return false;  // compressed: the launcher has no inflater
        }
        size_t length = stream[at + 1] | stream[at + 2] << 8;
        size_t inverse = stream[at + 3] | stream[at + 4] << 8;
        at += 5;
        if ((length ^ inverse) != 0xFFFF || length > stream.size() - at ||
            length > limit - out.size()) {
            return false;
        }
        out.insert(out.end(), stream.begin() + static_cast<long>(at),
                   stream.begin() + static_cast<long>(at + length));
        at += length;
    }
    if (stream.size() - at < 4) {
        return false;
    }
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : out) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return bigEndian32(stream.data() + at) == (b << 16 | a);
}

uint8_t paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes the row filters in place; false for an unknown filter.
bool unfilter(std::vector<uint8_t>& rows, size_t stride, size_t height, size_t channels) {
    std::vector<uint8_t> zero(stride, 0);
    for (size_t y = 0; y < height; ++y) {
        uint8_t* row = rows.data() + y * (stride + 1);
        uint8_t filter = row[0];
        uint8_t* line = row + 1;
        const uint8_t* above = y == 0 ? zero.data() : line - (stride + 1);
        for (size_t i = 0; i < stride; ++i) {
            int a = i >= channels ? line[i - channels] : 0;
            int b = above[i];
            int c = i >= channels ? above[i - channels] : 0;
            switch (filter) {
                case 0:
                    break;
                case 1:
                    line[i] = static_cast<uint8_t>(line[i] + a);
                    break;
                case 2:
                    line[i] = static_cast<uint8_t>(line[i] + b);
                    break;
                case 3:
                    line[i] = static_cast<uint8_t>(line[i] + (a + b) / 2);
                    break;
                case 4:
                    line[i] = static_cast<uint8_t>(line[i] + paeth(a, b, c));
                    break;
                default:
                    return false;
            }
        }
    }
    return true;
}

}  // namespace

bool decodeStoredPng(const uint8_t* bytes, size_t size, BusIconImage& image) {
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (bytes == nullptr || size < 8 || std::memcmp(bytes, kSignature, 8) != 0) {
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    size_t channels = 0;
    bool ended = false;
    std::vector<uint8_t> stream;
    for (size_t at = 8; !ended && size - at >= 12;) {
        uint32_t length = bigEndian32(bytes + at);
        if (length > size - at - 12) {
            return false;
        }
        const uint8_t* type = bytes + at + 4;
        const uint8_t* data = bytes + at + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (length != 13 || data[8] != 8 || (data[9] != 6 && data[9] != 2) || data[10] != 0 ||
                data[11] != 0 || data[12] != 0) {
                return false;
            }
            width = bigEndian32(data);
            height = bigEndian32(data + 4);
            channels = data[9] == 6 ? 4 : 3;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            stream.insert(stream.end(), data, data + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        at += 12 + length;
    }
    if (!ended || channels == 0 || width == 0 || height == 0 || width > kLargestSide ||
        height > kLargestSide) {
        return false;
    }
    size_t stride = width * channels;
    size_t expected = (stride + 1) * height;
    std::vector<uint8_t> rows;
    if (!storedBlocks(stream, expected, rows) || rows.size() != expected ||
        !unfilter(rows, stride, height, channels)) {
        return false;
    }
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.argb.resize(static_cast<size_t>(width) * height * 4);
    uint8_t* out = image.argb.data();
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* line = rows.data() + y * (stride + 1) + 1;
        for (size_t x = 0; x < width; ++x, out += 4) {
            const uint8_t* pixel = line + x * channels;
            out[0] = channels == 4 ? pixel[3] : 255;
            out[1] = pixel[0];
            out[2] = pixel[1];
            out[3] = pixel[2];
        }
    }
    return true;
}

void* loadTrayIconImage(int iconId) {
    if (iconId <= 0) {
        return nullptr;
    }
    std::string name = "META-INF/wyn/tray-icons/" + std::to_string(iconId) + ".png";
    ByteBuffer bytes;
    if (readStoredEntry(platform::executablePath().c_str(), TextView(name.c_str()), bytes) !=
            ArchiveEntryStatus::Found ||
        bytes.length() > kMaxTrayIconFileSize) {
        trace("tray: no stored image %s in the archive", name.c_str());
        return nullptr;
    }
    auto* image = new BusIconImage();
    if (!decodeStoredPng(reinterpret_cast<const uint8_t*>(bytes.data()),
                         static_cast<size_t>(bytes.length()), *image)) {
        trace("tray: %s is no PNG of stored blocks the launcher can read", name.c_str());
        delete image;
        return nullptr;
    }
    return image;
}
