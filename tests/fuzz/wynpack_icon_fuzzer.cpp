// Icon files as the packer turns them into Linux tray images: any icon file the packer's
// reader accepts either gives no image (with a reason) or a PNG that the launcher's own
// reader reads back, with sides of at most 256 pixels.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "icon_file.h"
#include "tray/session_bus/tray_icon_image.h"
#include "tray_icon_png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<wynpack::IconImage> images;
    std::string reason;
    if (!wynpack::parseIconFile(std::string_view(reinterpret_cast<const char*>(data), size), images,
                                reason)) {
        return 0;
    }
    std::string png;
    if (!wynpack::makeTrayIconPng(images, png, reason)) {
        if (reason.empty()) {
            fuzz::fail("no image, and no reason given");
        }
        return 0;
    }
    BusIconImage image;
    if (!decodeStoredPng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), image) ||
        image.width > 256 || image.height > 256) {
        fuzz::fail("the launcher cannot read the packer's tray image");
    }
    return 0;
}
