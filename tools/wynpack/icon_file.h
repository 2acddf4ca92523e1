// Icon files (.ico) and the icon resources made from them.
//
// An .ico file holds a directory of images, each a PNG or a BMP-style device-independent
// bitmap (colour bits followed by a transparency mask). In an executable, every image becomes
// an icon resource of its own id, and a group icon resource lists them with their sizes; the
// group's id is what LoadImage and Explorer ask for. Every image of the file is checked:
// directory inside the file, each image complete, at most 256 pixels wide and high, a known
// colour depth, no more than 1 MiB per image. The check fails with a sentence fragment such
// as "is truncated (image 2 ends after the file)".
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resource_tree.h"

namespace wynpack {

struct IconImage {
    uint32_t width = 0;  // pixels, 1 to 256
    uint32_t height = 0;
    uint32_t colorCount = 0;
    uint32_t planes = 0;
    uint32_t bitCount = 0;
    std::string data;
};

[[nodiscard]] bool parseIconFile(std::string_view bytes, std::vector<IconImage>& images,
                                 std::string& reason);

// Replaces group icon groupId (and the icon images only it used) with the given images,
// which get the icon ids after the highest one in use.
[[nodiscard]] bool putIconGroup(std::vector<ResourceEntry>& entries, uint32_t groupId,
                                const std::vector<IconImage>& images, std::string& reason);

}  // namespace wynpack
