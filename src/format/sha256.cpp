// A streaming SHA-256 (FIPS 180-4); see sha256.h.
#include "format/sha256.h"

#include <cstring>

#include "format/sha256_blocks.h"

namespace {

constexpr uint32_t kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline uint32_t rotateRight(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

void compressOneBlock(uint32_t state[8], const unsigned char block[64]) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
        w[i] = (static_cast<uint32_t>(block[4 * i]) << 24) |
               (static_cast<uint32_t>(block[4 * i + 1]) << 16) |
               (static_cast<uint32_t>(block[4 * i + 2]) << 8) |
               static_cast<uint32_t>(block[4 * i + 3]);
    }
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
        uint32_t choice = (e & f) ^ (~e & g);
        uint32_t t1 = h + s1 + choice + kSha256RoundConstants[i] + w[i];
        uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
        uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

}  // namespace

void Sha256::reset() {
    std::memcpy(state_, kInitialState, sizeof state_);
    pendingLength_ = 0;
    totalLength_ = 0;
}

void sha256BlocksPortable(uint32_t state[8], const unsigned char* blocks, int64_t count) {
    for (int64_t n = 0; n < count; ++n) {
        compressOneBlock(state, blocks + 64 * n);
    }
}

void Sha256::compressBlocks(const unsigned char* blocks, int64_t count) {
    static const bool fast = sha256ProcessorHasShaInstructions();
    if (fast) {
        sha256BlocksWithShaInstructions(state_, blocks, count);
    } else {
        sha256BlocksPortable(state_, blocks, count);
    }
}

void Sha256::update(const void* data, int64_t count) {
    if (count <= 0) {
        return;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    totalLength_ += static_cast<uint64_t>(count);
    if (pendingLength_ > 0) {
        int64_t take = 64 - pendingLength_;
        if (take > count) {
            take = count;
        }
        std::memcpy(pending_ + pendingLength_, bytes, static_cast<size_t>(take));
        pendingLength_ += static_cast<int32_t>(take);
        bytes += take;
        count -= take;
        if (pendingLength_ < 64) {
            return;
        }
        compressBlocks(pending_, 1);
        pendingLength_ = 0;
    }
    int64_t whole = count / 64;
    compressBlocks(bytes, whole);
    bytes += whole * 64;
    count -= whole * 64;
    std::memcpy(pending_, bytes, static_cast<size_t>(count));
    pendingLength_ = static_cast<int32_t>(count);
}

void Sha256::finish(unsigned char out[32]) {
    uint64_t bitLength = totalLength_ * 8;
    // The padding: one 1 bit, zeros up to 56 bytes into a block, then the length in bits as
    // 64-bit big-endian.
    pending_[pendingLength_++] = 0x80;
    if (pendingLength_ > 56) {
        std::memset(pending_ + pendingLength_, 0, static_cast<size_t>(64 - pendingLength_));
        compressBlocks(pending_, 1);
        pendingLength_ = 0;
    }
    std::memset(pending_ + pendingLength_, 0, static_cast<size_t>(56 - pendingLength_));
    for (int i = 0; i < 8; ++i) {
        pending_[56 + i] = static_cast<unsigned char>(bitLength >> (56 - 8 * i));
    }
    compressBlocks(pending_, 1);
    for (int i = 0; i < 8; ++i) {
        out[4 * i] = static_cast<unsigned char>(state_[i] >> 24);
        out[4 * i + 1] = static_cast<unsigned char>(state_[i] >> 16);
        out[4 * i + 2] = static_cast<unsigned char>(state_[i] >> 8);
        out[4 * i + 3] = static_cast<unsigned char>(state_[i]);
    }
    reset();
}

void sha256Hex(const unsigned char digest[32], char out[65]) {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 32; ++i) {
        out[2 * i] = kDigits[digest[i] >> 4];
        out[2 * i + 1] = kDigits[digest[i] & 0x0f];
    }
    out[64] = '\0';
}
