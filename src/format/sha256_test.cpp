#include "format/sha256.h"

#include "format/sha256_blocks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string digestOf(const std::string& message) {
    Sha256 hash;
    hash.update(message.data(), static_cast<int64_t>(message.size()));
    unsigned char digest[32];
    hash.finish(digest);
    char hex[65];
    sha256Hex(digest, hex);
    return hex;
}

// The examples of FIPS 180-4 (one block, two blocks, a million 'a') and the empty message.
TEST(Sha256, MatchesTheStandardsExamples) {
    struct Case {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(digestOf(c.message), c.digest) << "length " << c.message.size();
    }
}

// Lengths around the padding's edges: the length field fits in the last block or needs one
// more.
TEST(Sha256, PadsEveryLengthAroundABlockEdge) {
    struct Case {
        size_t length;
        const char* digest;
    } cases[] = {
        {1, "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb"},
        {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {57, "f13b2d724659eb3bf47f2dd6af1accc87b81f09f59f2b75e5c0bed6589dfe8c6"},
        {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
        {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        {120, "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
        {128, "6836cf13bac400e9105071cd6af47084dfacad4e5e302c94bfed24e013afb73e"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(digestOf(std::string(c.length, 'a')), c.digest) << "length " << c.length;
    }
}

// The same bytes fed in chunks of odd sizes, which cross the block edges at every offset,
// give the one-piece digest.
TEST(Sha256, StreamedInOddChunksGivesTheSameDigest) {
    std::string message;
    for (int i = 0; i < 5000; ++i) {
        message.push_back(static_cast<char>((i * 131 + 7) & 0xff));
    }
    std::string whole = digestOf(message);
    for (size_t chunk : {1u, 3u, 7u, 63u, 64u, 65u, 127u, 1000u}) {
        Sha256 hash;
        for (size_t at = 0; at < message.size(); at += chunk) {
            size_t n = std::min(chunk, message.size() - at);
            hash.update(message.data() + at, static_cast<int64_t>(n));
            hash.update(message.data(), 0);
        }
        unsigned char digest[32];
        hash.finish(digest);
        char hex[65];
        sha256Hex(digest, hex);
        EXPECT_EQ(std::string(hex), whole) << "chunks of " << chunk;
    }
}

TEST(Sha256, StartsOverAfterFinish) {
    Sha256 hash;
    hash.update("xyz", 3);
    unsigned char first[32];
    hash.finish(first);
    hash.update("abc", 3);
    unsigned char second[32];
    hash.finish(second);
    char hex[65];
    sha256Hex(second, hex);
    EXPECT_STREQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// The processor's SHA instructions and the plain code give the same state for any blocks.
TEST(Sha256, BothImplementationsAgree) {
    if (!sha256ProcessorHasShaInstructions()) {
        GTEST_SKIP() << "this processor has no SHA instructions";
    }
    std::string blocks;
    uint32_t seed = 12345;
    for (int i = 0; i < 64 * 40; ++i) {
        seed = seed * 1103515245u + 12345u;
        blocks.push_back(static_cast<char>(seed >> 16));
    }
    for (int64_t count : {1, 2, 7, 40}) {
        uint32_t plain[8] = {1, 2, 3, 4, 5, 6, 7, 0xffffffffu};
        uint32_t fast[8] = {1, 2, 3, 4, 5, 6, 7, 0xffffffffu};
        const auto* data = reinterpret_cast<const unsigned char*>(blocks.data());
        sha256BlocksPortable(plain, data, count);
        sha256BlocksWithShaInstructions(fast, data, count);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(fast[i], plain[i]) << count << " blocks, word " << i;
        }
    }
}

// The plain code alone meets the standard's examples too (the digest tests above run through
// the SHA instructions on processors that have them).
TEST(Sha256, PlainCodeMatchesTheStandardsExample) {
    std::string block("abc");
    block.push_back(static_cast<char>(0x80));
    block.resize(63, '\0');
    block.push_back(static_cast<char>(24));
    uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    sha256BlocksPortable(state, reinterpret_cast<const unsigned char*>(block.data()), 1);
    const uint32_t expected[8] = {0xba7816bf, 0x8f01cfea, 0x414140de, 0x5dae2223,
                                  0xb00361a3, 0x96177a9c, 0xb410ff61, 0xf20015ad};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(state[i], expected[i]) << "word " << i;
    }
}

}  // namespace
