// The resources of a Windows executable as a flat list of entries (type, name, language,
// data), read from the stub's resource directory and written back as one new tree.
//
// Reading follows the three levels of the resource directory (type, name, language) and
// checks every offset, count and size against the file: a damaged directory (an offset
// outside its section, a loop, a fourth level, data outside the image) is refused with a
// reason. Writing lays out all directories first, then the name strings, the data entries
// and the data (each piece 8-byte aligned), with the data addresses counted from the RVA the
// tree will have. Named entries come before numbered ones, names in the order the loader's
// binary search expects (ignoring case), numbers ascending.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pe_image.h"

namespace wynpack {

constexpr uint32_t kResourceIcon = 3;
constexpr uint32_t kResourceBitmap = 2;
constexpr uint32_t kResourceRawData = 10;
constexpr uint32_t kResourceGroupIcon = 14;
constexpr uint32_t kResourceVersion = 16;
constexpr uint32_t kResourceManifest = 24;
constexpr uint32_t kLanguageEnglishUs = 0x0409;

// A resource type or name: a number, or a UTF-16 string when `named`.
struct ResourceKey {
    bool named = false;
    uint32_t id = 0;
    std::u16string name;

    static ResourceKey number(uint32_t id) { return {false, id, {}}; }
};

bool operator==(const ResourceKey& a, const ResourceKey& b);

struct ResourceEntry {
    ResourceKey type;
    ResourceKey name;
    uint32_t language = 0;
    uint32_t codePage = 0;
    std::string data;
};

// Reads the resources of the image; an image without a resource directory has none.
[[nodiscard]] bool readResources(std::string_view image, const PeLayout& layout,
                                 std::vector<ResourceEntry>& entries, std::string& reason);

// The resource section's bytes for a tree placed at sectionAddress (an RVA).
std::string buildResourceSection(const std::vector<ResourceEntry>& entries,
                                 uint32_t sectionAddress);

// Removes every entry of the type with the given numeric name, in all languages.
void removeResources(std::vector<ResourceEntry>& entries, uint32_t type, uint32_t name);

}  // namespace wynpack
