#include "binary_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace wynpack {
namespace {

std::string elf(unsigned char elfClass, unsigned char order, uint16_t machine) {
    std::string header(64, '\0');
    header.replace(0, 4,
                   "\x7f"
                   "ELF");
    header[4] = static_cast<char>(elfClass);
    header[5] = static_cast<char>(order);
    header[18] = static_cast<char>(machine & 0xff);
    header[19] = static_cast<char>(machine >> 8);
    return header;
}

std::string pe(uint16_t machine, uint32_t peOffset = 0x80, size_t size = 0x200) {
    std::string header(size, '\0');
    header.replace(0, 2, "MZ");
    for (size_t i = 0; i < 4 && 0x3c + i < size; ++i) {
        header[0x3c + i] = static_cast<char>(peOffset >> (8 * i));
    }
    if (peOffset + 6 <= size) {
        header.replace(peOffset, 4, std::string("PE\0\0", 4));
        header[peOffset + 4] = static_cast<char>(machine & 0xff);
        header[peOffset + 5] = static_cast<char>(machine >> 8);
    }
    return header;
}

TEST(BinaryPlatform, NamesTheMachineOfElfAndPeFiles) {
    struct Case {
        std::string header;
        std::string platform;
    } cases[] = {
        {elf(2, 1, 62), "linux-x86_64"},
        {elf(1, 1, 3), "linux-x86"},
        {elf(2, 1, 183), "linux-aarch64"},
        {elf(1, 1, 62), "ELF machine 62 (32-bit)"},
        {elf(2, 1, 243), "ELF machine 243"},
        {elf(2, 2, 62), "a big-endian ELF file"},
        {pe(0x14c), "windows-x86"},
        {pe(0x8664), "windows-x86_64"},
        {pe(0xaa64), "windows-arm64"},
        {pe(0x1c4), "PE machine 0x1c4"},
        {pe(0x8664, 0xfffffff0), ""},  // the PE header lies past the bytes read
        {pe(0x8664, 0x1fc), ""},       // cut off inside the machine field
        {pe(0x8664, 0x80, 0x30), ""},  // too short for a DOS header
        {"MZ", ""},
        {"\x7f"
         "EL",
         ""},
        {"#!/bin/sh\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(binaryPlatform(c.header), c.platform) << c.platform;
    }
}

}  // namespace
}  // namespace wynpack
