// Byte order and alignment helpers of the packer's image formats: the little-endian readers
// and writers of the formats room (format/little_endian.h), which the PE and ICO formats use,
// and what only the packer needs besides: big-endian reads (PNG) and padding to an alignment.
//
// Reads take an offset that the caller has checked against the size.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "format/little_endian.h"

namespace wynpack {

inline uint32_t readBe32(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// Appends zero bytes until the size is a multiple of alignment.
inline void padTo(std::string& out, size_t alignment) {
    while (out.size() % alignment != 0) {
        out += '\0';
    }
}

inline uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace wynpack
