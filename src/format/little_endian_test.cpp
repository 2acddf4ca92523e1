#include "format/little_endian.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LittleEndian, ReadsTheLowByteFirst) {
    const std::string bytes("\x01\x02\x03\x04\x05\x06\x07\x88\xFF", 9);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    struct Case {
        size_t at;
        uint64_t value16, value32, value64;
    } cases[] = {
        {0, 0x0201, 0x04030201, 0x8807060504030201ull},
        {1, 0x0302, 0x05040302, 0xFF88070605040302ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        EXPECT_EQ(littleEndian16(p + c.at), c.value16);
        EXPECT_EQ(littleEndian32(p + c.at), c.value32);
        EXPECT_EQ(littleEndian64(p + c.at), c.value64);
        EXPECT_EQ(littleEndian16(bytes, c.at), c.value16);
        EXPECT_EQ(littleEndian32(bytes, c.at), c.value32);
        EXPECT_EQ(littleEndian64(bytes, c.at), c.value64);
    }
    // Bytes above 0x7F are not sign-extended.
    EXPECT_EQ(littleEndian16(bytes, 7), 0xFF88u);
}

TEST(LittleEndian, WritesWhatTheReadersRead) {
    for (uint64_t value : {0ull, 1ull, 0x7Full, 0x80ull, 0xFFFFull, 0x12345678ull, 0xFFFFFFFFull,
                           0x0123456789ABCDEFull, ~0ull}) {
        SCOPED_TRACE(value);
        std::string out;
        appendLittleEndian16(out, static_cast<uint32_t>(value & 0xFFFF));
        appendLittleEndian32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
        appendLittleEndian64(out, value);
        ASSERT_EQ(out.size(), 14u);
        EXPECT_EQ(littleEndian16(out, 0), value & 0xFFFF);
        EXPECT_EQ(littleEndian32(out, 2), value & 0xFFFFFFFF);
        EXPECT_EQ(littleEndian64(out, 6), value);
        putLittleEndian16(out, 0, 0xBEEF);
        putLittleEndian32(out, 2, 0xCAFEF00D);
        EXPECT_EQ(out.substr(0, 6), std::string("\xEF\xBE\x0D\xF0\xFE\xCA", 6));
        EXPECT_EQ(littleEndian64(out, 6), value) << "the bytes behind stay as they were";
    }
}

}  // namespace
