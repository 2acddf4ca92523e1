#include "resource_tree.h"

#include <gtest/gtest.h>

#include "byte_order.h"
#include "icon_file.h"

namespace wynpack {
namespace {

constexpr uint32_t kSectionAddress = 0x5000;

// An image that is nothing but one resource section at kSectionAddress (file offset 0),
// followed by the data directories, of which the resource directory names the section.
struct SectionImage {
    std::string bytes;
    PeLayout layout;

    explicit SectionImage(const std::string& section) : bytes(section) {
        PeSection s;
        s.virtualAddress = kSectionAddress;
        s.rawSize = static_cast<uint32_t>(section.size());
        s.virtualSize = s.rawSize;
        layout.sections.push_back(s);
        layout.dataDirectories = bytes.size();
        bytes.append(8 * 5, '\0');
        setDataDirectory(bytes, layout, kResourceDirectory,
                         {kSectionAddress, static_cast<uint32_t>(section.size())});
    }
};

ResourceEntry entry(ResourceKey type, ResourceKey name, uint32_t language, std::string data) {
    ResourceEntry e;
    e.type = std::move(type);
    e.name = std::move(name);
    e.language = language;
    e.codePage = language == 0 ? 0 : 1252;
    e.data = std::move(data);
    return e;
}

ResourceKey named(const std::u16string& name) {
    return {true, 0, name};
}

TEST(ResourceTree, WrittenTreeReadsBackInTheLoadersOrder) {
    std::vector<ResourceEntry> written = {
        entry(ResourceKey::number(24), ResourceKey::number(1), 0x409, "<manifest/>"),
        entry(ResourceKey::number(6), ResourceKey::number(1), 0x409, std::string("\0\0x", 3)),
        entry(named(u"PNGS"), named(u"splash"), 0, "png bytes"),
        entry(named(u"PNGS"), named(u"ABOUT"), 0, "other"),
        entry(ResourceKey::number(6), ResourceKey::number(1), 0x407, "german table"),
        entry(named(u"DATA"), ResourceKey::number(3), 0, ""),
    };
    SectionImage image(buildResourceSection(written, kSectionAddress));
    std::vector<ResourceEntry> read;
    std::string reason;
    ASSERT_TRUE(readResources(image.bytes, image.layout, read, reason)) << reason;
    // Names first (ignoring case: ABOUT before splash), then numbers ascending; languages
    // ascending.
    std::vector<std::string> order;
    for (const ResourceEntry& e : read) {
        std::string name = e.name.named ? std::string(e.name.name.begin(), e.name.name.end())
                                        : std::to_string(e.name.id);
        std::string type = e.type.named ? std::string(e.type.name.begin(), e.type.name.end())
                                        : std::to_string(e.type.id);
        order.push_back(type + "/" + name + "/" + std::to_string(e.language) + "=" + e.data);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"DATA/3/0=", "PNGS/ABOUT/0=other",
                                               "PNGS/splash/0=png bytes", "6/1/1031=german table",
                                               "6/1/1033=" + std::string("\0\0x", 3),
                                               "24/1/1033=<manifest/>"}));
    EXPECT_EQ(read[3].codePage, 1252u);
}

TEST(ResourceTree, DamagedTreesAreRefused) {
    std::vector<ResourceEntry> entries = {
        entry(ResourceKey::number(24), ResourceKey::number(1), 0x409, "<manifest/>")};
    std::string good = buildResourceSection(entries, kSectionAddress);
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        const char* reason;
    };
    // Layout of one entry: root (16 + 8), type directory (16 + 8), name directory (16 + 8),
    // then the data entry.
    const Case cases[] = {
        {"root counts beyond the section", 12, 0x7FFF, "damaged resource directory"},
        {"type entry pointing back at the root", 20, 0x80000000, "damaged resource directory"},
        {"type entry pointing outside", 20, 0x80FFFFF0, "damaged resource directory"},
        {"language level holding a directory", 68, 0x80000000, "damaged resource directory"},
        {"name string outside", 16, 0x8000FFF0, "damaged resource directory"},
        {"data outside the image", 72, 0x100000, "resource data outside its sections"},
        {"data longer than its section", 76, 0x10000, "resource data outside its sections"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string damaged = good;
        putLittleEndian32(damaged, c.at, c.value);
        SectionImage image(damaged);
        std::vector<ResourceEntry> read;
        std::string reason;
        EXPECT_FALSE(readResources(image.bytes, image.layout, read, reason));
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

std::string bitmapIconImage(uint32_t side) {
    std::string image;
    appendLittleEndian32(image, 40);
    appendLittleEndian32(image, side);
    appendLittleEndian32(image, side * 2);
    appendLittleEndian16(image, 1);
    appendLittleEndian16(image, 32);
    image.append(24, '\0');
    image.append(side * side * 4 + (side + 31) / 32 * 4 * side, '\x55');
    return image;
}

std::string iconFile(const std::vector<std::string>& images) {
    std::string file;
    appendLittleEndian16(file, 0);
    appendLittleEndian16(file, 1);
    appendLittleEndian16(file, static_cast<uint32_t>(images.size()));
    size_t offset = 6 + 16 * images.size();
    for (const std::string& image : images) {
        file.append(4, '\0');
        appendLittleEndian16(file, 1);
        appendLittleEndian16(file, 32);
        appendLittleEndian32(file, static_cast<uint32_t>(image.size()));
        appendLittleEndian32(file, static_cast<uint32_t>(offset));
        offset += image.size();
    }
    for (const std::string& image : images) {
        file += image;
    }
    return file;
}

std::vector<uint32_t> iconIds(const std::vector<ResourceEntry>& entries) {
    std::vector<uint32_t> ids;
    for (const ResourceEntry& e : entries) {
        if (e.type == ResourceKey::number(kResourceIcon)) {
            ids.push_back(e.name.id);
        }
    }
    return ids;
}

TEST(IconGroups, ReplacingAGroupDropsTheImagesOnlyItUsed) {
    std::vector<IconImage> images;
    std::string reason;
    ASSERT_TRUE(parseIconFile(iconFile({bitmapIconImage(16), bitmapIconImage(32)}), images, reason))
        << reason;
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[1].width, 32u);
    EXPECT_EQ(images[1].height, 32u);

    std::vector<ResourceEntry> entries;
    ASSERT_TRUE(putIconGroup(entries, 1, images, reason));
    ASSERT_TRUE(putIconGroup(entries, 7, {images[0]}, reason));
    EXPECT_EQ(iconIds(entries), (std::vector<uint32_t>{1, 2, 3}));
    // Group 1 again: its images 1 and 2 go, group 7's image 3 stays, new ones follow it.
    ASSERT_TRUE(putIconGroup(entries, 1, images, reason));
    EXPECT_EQ(iconIds(entries), (std::vector<uint32_t>{3, 4, 5}));
    const ResourceEntry& group = entries.back();
    EXPECT_EQ(group.name.id, 1u);
    ASSERT_EQ(group.data.size(), 6u + 2 * 14);
    EXPECT_EQ(littleEndian16(group.data, 6 + 12), 4u);
    EXPECT_EQ(static_cast<unsigned char>(group.data[6 + 14]), 32u);
    EXPECT_EQ(littleEndian16(group.data, 6 + 14 + 12), 5u);
}

TEST(IconGroups, MalformedIconFilesAreRefused) {
    std::string good = iconFile({bitmapIconImage(16)});
    std::string wide = iconFile({bitmapIconImage(16)});
    putLittleEndian32(wide, 6 + 16 + 4, 300);
    std::string oddHeight = iconFile({bitmapIconImage(16)});
    putLittleEndian32(oddHeight, 6 + 16 + 8, 17);
    std::string offsetOutside = good;
    putLittleEndian32(offsetOutside, 6 + 12, 0xFFFFFFF0);
    std::string cut = good.substr(0, good.size() - 1);
    putLittleEndian32(cut, 6 + 8, static_cast<uint32_t>(cut.size() - 6 - 16));
    std::string noImages = good.substr(0, 6);
    putLittleEndian16(noImages, 4, 0);
    const std::pair<std::string, const char*> cases[] = {
        {"", "is not an icon file"},
        {cut, "shorter than its pixels"},
        {good.substr(0, good.size() - 1), "image 1 ends after the file"},
        {good.substr(0, 20), "its directory ends after the file"},
        {offsetOutside, "ends after the file"},
        {wide, "outside 1 to 256 pixels"},
        {oddHeight, "outside 1 to 256 pixels"},
        {noImages, "holds no image"},
    };
    for (const auto& [bytes, message] : cases) {
        std::vector<IconImage> images;
        std::string reason;
        EXPECT_FALSE(parseIconFile(bytes, images, reason)) << message;
        EXPECT_NE(reason.find(message), std::string::npos) << reason;
    }
}

}  // namespace
}  // namespace wynpack
