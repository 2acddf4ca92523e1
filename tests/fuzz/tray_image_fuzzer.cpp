// The launcher's reader of the packer's tray images (PNG files of stored blocks, read from
// the executable's archive). Any bytes: never a read beyond them, and an image it accepts has
// sides of 1 to 256 pixels and exactly four bytes per pixel.
#include <cstdint>

#include "fuzz_support.h"
#include "tray/session_bus/tray_icon_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BusIconImage image;
    if (!decodeStoredPng(data, size, image)) {
        return 0;
    }
    if (image.width < 1 || image.width > 256 || image.height < 1 || image.height > 256 ||
        image.argb.size() != static_cast<size_t>(image.width) * image.height * 4) {
        fuzz::fail("an accepted image has impossible sides or pixel bytes");
    }
    return 0;
}
