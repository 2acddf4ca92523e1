// Little-endian numbers in byte strings: the one set of readers and writers for every format
// the launcher and the packer handle (ZIP records, the payload tail, PE and ICO headers, the
// packer's carried files).
//
// Readers take a pointer to bytes, or a byte string and an offset, that the caller has checked
// against the size: they never check bounds themselves. Writers append to a byte string or
// overwrite bytes already in it.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline uint32_t littleEndian16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

inline uint32_t littleEndian32(const unsigned char* p) {
    return littleEndian16(p) | littleEndian16(p + 2) << 16;
}

inline uint64_t littleEndian64(const unsigned char* p) {
    return static_cast<uint64_t>(littleEndian32(p)) | static_cast<uint64_t>(littleEndian32(p + 4))
                                                          << 32;
}

inline uint32_t littleEndian16(std::string_view bytes, size_t at) {
    return littleEndian16(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}

inline uint32_t littleEndian32(std::string_view bytes, size_t at) {
    return littleEndian32(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}

inline uint64_t littleEndian64(std::string_view bytes, size_t at) {
    return littleEndian64(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}

inline void appendLittleEndian16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void appendLittleEndian32(std::string& out, uint32_t value) {
    appendLittleEndian16(out, value & 0xFFFF);
    appendLittleEndian16(out, value >> 16);
}

inline void appendLittleEndian64(std::string& out, uint64_t value) {
    appendLittleEndian32(out, static_cast<uint32_t>(value & 0xFFFFFFFFu));
    appendLittleEndian32(out, static_cast<uint32_t>(value >> 32));
}

inline void putLittleEndian16(std::string& out, size_t at, uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void putLittleEndian32(std::string& out, size_t at, uint32_t value) {
    putLittleEndian16(out, at, value & 0xFFFF);
    putLittleEndian16(out, at + 2, value >> 16);
}
