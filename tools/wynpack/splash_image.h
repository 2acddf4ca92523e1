// Splash images for the packed executable's resources.
//
// A BMP file becomes bitmap resource 100, the native splash window's picture: the resource
// holds the file without its 14-byte file header, with the colour bits right after the
// header and colour table. A PNG, JPEG or GIF file becomes raw data resource 100, the image
// the runtime's splash library shows. Each file is checked far enough that a truncated or
// damaged image is refused at packing time instead of showing nothing at run time: the
// format's headers, a size of 1 to 16384 pixels each way, and for BMP the colour bits, for
// PNG the chunk list up to IEND, for JPEG the segments up to the image data and the end
// marker, for GIF the trailer.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wynpack {

struct SplashResource {
    uint32_t type = 0;  // kResourceBitmap or kResourceRawData
    std::string data;
};

// False with a sentence fragment ("is not a BMP, PNG, JPEG or GIF image") when the file
// cannot be used.
[[nodiscard]] bool makeSplashResource(std::string_view bytes, SplashResource& resource,
                                      std::string& reason);

}  // namespace wynpack
