// Which platform a native binary is built for (see binary_platform.h).
#include "binary_platform.h"

#include <cstdint>
#include <cstdio>

namespace wynpack {

namespace {

uint32_t littleEndian(std::string_view bytes, size_t offset, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(i)]);
    }
    return value;
}

std::string elfPlatform(std::string_view header) {
    constexpr unsigned char kClass32 = 1, kClass64 = 2, kLittleEndian = 1;
    if (header.size() < 20 || static_cast<unsigned char>(header[5]) != kLittleEndian) {
        return header.size() < 20 ? "" : "a big-endian ELF file";
    }
    auto elfClass = static_cast<unsigned char>(header[4]);
    uint32_t machine = littleEndian(header, 18, 2);
    if (machine == 62 && elfClass == kClass64) {
        return "linux-x86_64";
    }
    if (machine == 3 && elfClass == kClass32) {
        return "linux-x86";
    }
    if (machine == 183 && elfClass == kClass64) {
        return "linux-aarch64";
    }
    return "ELF machine " + std::to_string(machine) + (elfClass == kClass32 ? " (32-bit)" : "");
}

std::string pePlatform(std::string_view header) {
    if (header.size() < 0x40) {
        return "";
    }
    uint32_t peOffset = littleEndian(header, 0x3c, 4);
    if (peOffset > header.size() - 6 ||
        header.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) {
        return "";
    }
    uint32_t machine = littleEndian(header, peOffset + 4, 2);
    switch (machine) {
        case 0x14c:
            return "windows-x86";
        case 0x8664:
            return "windows-x86_64";
        case 0xaa64:
            return "windows-arm64";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "PE machine 0x%x", machine);
            return text;
        }
    }
}

}  // namespace

std::string binaryPlatform(std::string_view header) {
    if (header.substr(0, 4) == std::string_view("\x7f"
                                                "ELF",
                                                4)) {
        return elfPlatform(header);
    }
    if (header.substr(0, 2) == "MZ") {
        return pePlatform(header);
    }
    return "";
}

}  // namespace wynpack
