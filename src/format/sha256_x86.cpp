// The SHA-256 compression function with the x86 SHA extensions (see sha256_blocks.h).
//
// The state is kept in two registers, ABEF and CDGH, as sha256rnds2 expects; each step of
// four rounds adds the round constants to four message words and runs two double rounds. The
// message schedule is built four words at a time: sha256msg1 adds sigma0 of the next words,
// the words seven back are added by hand, and sha256msg2 adds sigma1.
#include "format/sha256_blocks.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

namespace {

bool detectShaInstructions() {
    unsigned int a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) {
        return false;
    }
    bool ssse3 = (c & (1u << 9)) != 0;
    bool sse41 = (c & (1u << 19)) != 0;
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) {
        return false;
    }
    bool sha = (b & (1u << 29)) != 0;
    return ssse3 && sse41 && sha;
}

}  // namespace

bool sha256ProcessorHasShaInstructions() {
    static const bool available = detectShaInstructions();
    return available;
}

__attribute__((target("sha,ssse3,sse4.1"))) void sha256BlocksWithShaInstructions(
    uint32_t state[8], const unsigned char* blocks, int64_t count) {
    // Turns each 32-bit word of a 16-byte load from big-endian into the register's order.
    const __m128i byteOrder = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    __m128i cdab = _mm_shuffle_epi32(dcba, 0xb1);
    __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1b);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xf0);
    for (int64_t block = 0; block < count; ++block) {
        const unsigned char* data = blocks + block * 64;
        __m128i abefBefore = abef;
        __m128i cdghBefore = cdgh;
        __m128i words[4];
        for (int group = 0; group < 16; ++group) {
            __m128i& current = words[group % 4];
            if (group < 4) {
                current = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)),
                    byteOrder);
            } else {
                const __m128i& previous = words[(group + 3) % 4];
                __m128i sevenBack = _mm_alignr_epi8(previous, words[(group + 2) % 4], 4);
                current = _mm_sha256msg2_epu32(
                    _mm_add_epi32(_mm_sha256msg1_epu32(current, words[(group + 1) % 4]), sevenBack),
                    previous);
            }
            __m128i withConstants = _mm_add_epi32(
                current, _mm_load_si128(
                             reinterpret_cast<const __m128i*>(kSha256RoundConstants + 4 * group)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, withConstants);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(withConstants, 0x0e));
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    __m128i feba = _mm_shuffle_epi32(abef, 0x1b);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xb1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xf0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#else

bool sha256ProcessorHasShaInstructions() {
    return false;
}

void sha256BlocksWithShaInstructions(uint32_t state[8], const unsigned char* blocks,
                                     int64_t count) {
    sha256BlocksPortable(state, blocks, count);
}

#endif
