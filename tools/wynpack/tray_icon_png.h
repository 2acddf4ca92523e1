// The image the Linux launcher shows for a tray icon id: one bitmap of an icon file, written
// as a PNG that the launcher can read without an inflater. Its image data is a zlib stream of
// stored (uncompressed) deflate blocks with no row filters, so the pixels lie in the file as
// they are; any PNG reader reads it too. The packer stores it uncompressed in the archive as
// "META-INF/wyn/tray-icons/ID.png".
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "icon_file.h"

namespace wynpack {

// An 8-bit RGBA PNG of the given rows, each a filter type byte and width * 4 bytes, with the
// rows in stored deflate blocks.
std::string storedBlockPng(uint32_t width, uint32_t height, const std::string& rows);

// The archive entry of an icon id's tray image.
std::string trayIconEntryName(uint32_t iconId);

// The largest image of the file that is at most 64 pixels wide (else its smallest one), as an
// 8-bit RGBA PNG of stored blocks. Bitmaps of 1, 4, 8, 24 and 32 bits are read, the mask
// giving transparency where the colour bits have no alpha; PNG images of every colour type and
// bit depth (16-bit samples lose their low byte), not interlaced. An image that cannot be read
// gives way to the next best.
// False, with a reason (a sentence fragment about the file), when none can be read.
[[nodiscard]] bool makeTrayIconPng(const std::vector<IconImage>& images, std::string& png,
                                   std::string& reason);

}  // namespace wynpack
