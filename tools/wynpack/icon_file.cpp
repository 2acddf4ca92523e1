// Icon files and the icon resources made from them (see icon_file.h).
#include "icon_file.h"

#include <algorithm>
#include <set>

#include "byte_order.h"

namespace wynpack {

namespace {

constexpr size_t kIconDirectorySize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kMaxImageSize = 1 << 20;
constexpr uint32_t kMaxIconSide = 256;
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1A\n", 8);

bool fail(std::string& reason, const std::string& text) {
    reason = text;
    return false;
}

bool knownBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Checks one image and fills its size and depth from the image itself.
bool checkImage(IconImage& image, size_t number, std::string& reason) {
    std::string which = "image " + std::to_string(number);
    std::string_view data = image.data;
    if (data.substr(0, 8) == kPngSignature) {
        if (data.size() < 8 + 8 + 13 || data.substr(12, 4) != "IHDR") {
            return fail(reason, "is truncated (" + which + " is a PNG without its header)");
        }
        uint32_t width = readBe32(data, 16);
        uint32_t height = readBe32(data, 20);
        if (width == 0 || height == 0 || width > kMaxIconSide || height > kMaxIconSide) {
            return fail(reason, "is not a usable icon (" + which + " is " + std::to_string(width) +
                                    " x " + std::to_string(height) +
                                    " pixels; icons are 1 to 256 pixels wide and high)");
        }
        image.width = width;
        image.height = height;
        image.planes = 1;
        image.bitCount = 32;
        return true;
    }
    if (data.size() < 40 || littleEndian32(data, 0) != 40) {
        return fail(reason, "is not a usable icon (" + which + " is neither PNG nor a bitmap)");
    }
    auto width = static_cast<int32_t>(littleEndian32(data, 4));
    auto doubleHeight = static_cast<int32_t>(littleEndian32(data, 8));
    uint32_t planes = littleEndian16(data, 12);
    uint32_t bits = littleEndian16(data, 14);
    uint32_t compression = littleEndian32(data, 16);
    uint32_t colorsUsed = littleEndian32(data, 32);
    if (width <= 0 || doubleHeight <= 0 || doubleHeight % 2 != 0 ||
        static_cast<uint32_t>(width) > kMaxIconSide ||
        static_cast<uint32_t>(doubleHeight / 2) > kMaxIconSide) {
        return fail(reason,
                    "is not a usable icon (" + which + " has a size outside 1 to 256 pixels)");
    }
    if (planes != 1 || !knownBitCount(bits) || compression != 0 ||
        (bits <= 8 && colorsUsed > (1u << bits))) {
        return fail(reason, "is not a usable icon (" + which + " has an unknown colour format)");
    }
    auto w = static_cast<uint64_t>(width);
    auto h = static_cast<uint64_t>(doubleHeight / 2);
    uint64_t palette = bits <= 8 ? 4 * (colorsUsed != 0 ? colorsUsed : (1u << bits)) : 0;
    uint64_t colourRow = (w * bits + 31) / 32 * 4;
    uint64_t maskRow = (w + 31) / 32 * 4;
    if (data.size() < 40 + palette + (colourRow + maskRow) * h) {
        return fail(reason, "is truncated (" + which + " is shorter than its pixels)");
    }
    image.width = static_cast<uint32_t>(w);
    image.height = static_cast<uint32_t>(h);
    image.planes = 1;
    image.bitCount = bits;
    return true;
}

}  // namespace

bool parseIconFile(std::string_view bytes, std::vector<IconImage>& images, std::string& reason) {
    images.clear();
    if (bytes.size() < kIconDirectorySize || littleEndian16(bytes, 0) != 0 ||
        littleEndian16(bytes, 2) != 1) {
        return fail(reason, "is not an icon file");
    }
    size_t count = littleEndian16(bytes, 4);
    if (count == 0) {
        return fail(reason, "holds no image");
    }
    if (kIconDirectorySize + count * kIconEntrySize > bytes.size()) {
        return fail(reason, "is truncated (its directory ends after the file)");
    }
    for (size_t i = 0; i < count; ++i) {
        size_t entry = kIconDirectorySize + i * kIconEntrySize;
        size_t size = littleEndian32(bytes, entry + 8);
        size_t offset = littleEndian32(bytes, entry + 12);
        std::string which = "image " + std::to_string(i + 1);
        if (size == 0) {
            return fail(reason, "is not a usable icon (" + which + " is empty)");
        }
        if (size > kMaxImageSize) {
            return fail(reason, "is too large (" + which + " has more than 1 MiB)");
        }
        if (offset > bytes.size() || size > bytes.size() - offset) {
            return fail(reason, "is truncated (" + which + " ends after the file)");
        }
        IconImage image;
        image.colorCount = static_cast<unsigned char>(bytes[entry + 2]);
        image.data = std::string(bytes.substr(offset, size));
        if (!checkImage(image, i + 1, reason)) {
            return false;
        }
        images.push_back(std::move(image));
    }
    return true;
}

bool putIconGroup(std::vector<ResourceEntry>& entries, uint32_t groupId,
                  const std::vector<IconImage>& images, std::string& reason) {
    // The images the replaced group lists go with it, unless another group lists them too.
    std::set<uint32_t> oldImages;
    std::set<uint32_t> keptImages;
    for (const ResourceEntry& entry : entries) {
        if (!(entry.type == ResourceKey::number(kResourceGroupIcon))) {
            continue;
        }
        bool replaced = entry.name == ResourceKey::number(groupId);
        std::string_view group = entry.data;
        size_t count = group.size() >= 6 ? littleEndian16(group, 4) : 0;
        for (size_t i = 0; i < count && 6 + (i + 1) * kGroupEntrySize <= group.size(); ++i) {
            uint32_t id = littleEndian16(group, 6 + i * kGroupEntrySize + 12);
            (replaced ? oldImages : keptImages).insert(id);
        }
    }
    removeResources(entries, kResourceGroupIcon, groupId);
    for (uint32_t id : oldImages) {
        if (keptImages.count(id) == 0) {
            removeResources(entries, kResourceIcon, id);
        }
    }
    uint32_t nextId = 1;
    for (const ResourceEntry& entry : entries) {
        if (entry.type == ResourceKey::number(kResourceIcon) && !entry.name.named) {
            nextId = std::max(nextId, entry.name.id + 1);
        }
    }
    if (nextId + images.size() > 0x10000) {
        return fail(reason, "does not fit: the stub has no free icon ids left");
    }
    ResourceEntry group;
    group.type = ResourceKey::number(kResourceGroupIcon);
    group.name = ResourceKey::number(groupId);
    group.language = kLanguageEnglishUs;
    appendLittleEndian16(group.data, 0);
    appendLittleEndian16(group.data, 1);
    appendLittleEndian16(group.data, static_cast<uint32_t>(images.size()));
    for (const IconImage& image : images) {
        ResourceEntry icon;
        icon.type = ResourceKey::number(kResourceIcon);
        icon.name = ResourceKey::number(nextId);
        icon.language = kLanguageEnglishUs;
        icon.data = image.data;
        entries.push_back(icon);
        group.data += static_cast<char>(image.width == kMaxIconSide ? 0 : image.width);
        group.data += static_cast<char>(image.height == kMaxIconSide ? 0 : image.height);
        group.data += static_cast<char>(image.colorCount);
        group.data += '\0';
        appendLittleEndian16(group.data, image.planes);
        appendLittleEndian16(group.data, image.bitCount);
        appendLittleEndian32(group.data, static_cast<uint32_t>(image.data.size()));
        appendLittleEndian16(group.data, nextId);
        ++nextId;
    }
    entries.push_back(group);
    return true;
}

}  // namespace wynpack
