// Little-endian reads and writes on byte strings, as the PE and ICO formats store numbers.
//
// Reads take an offset that the caller has checked against the size; the writes append or
// overwrite in place.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wynpack {

inline uint32_t readLe16(std::string_view bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

inline uint32_t readLe32(std::string_view bytes, size_t at) {
    return readLe16(bytes, at) | readLe16(bytes, at + 2) << 16;
}

inline uint32_t readBe32(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

inline void appendLe16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void appendLe32(std::string& out, uint32_t value) {
    appendLe16(out, value & 0xFFFF);
    appendLe16(out, value >> 16);
}

inline void putLe16(std::string& out, size_t at, uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void putLe32(std::string& out, size_t at, uint32_t value) {
    putLe16(out, at, value & 0xFFFF);
    putLe16(out, at + 2, value >> 16);
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
