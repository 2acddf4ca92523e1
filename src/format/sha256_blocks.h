// The SHA-256 compression function over whole 64-byte blocks, in two implementations that
// Sha256 chooses between: plain code for every processor, and the x86 SHA extensions (about
// ten times faster), which check every file of a carried runtime while it is extracted.
//
// Platforms: the same on Windows and Linux; the processor decides. The SHA-extension path is
// built for x86 and x86-64 only (with the instructions enabled for those functions alone) and
// taken when the processor reports SHA, SSSE3 and SSE4.1; elsewhere it reports none.
#pragma once

#include <cstdint>

// Runs count blocks through the state.
void sha256BlocksPortable(uint32_t state[8], const unsigned char* blocks, int64_t count);

// True when this processor has the SHA extensions (and the SSE levels they are used with).
bool sha256ProcessorHasShaInstructions();

// The same with the SHA extensions; only when sha256ProcessorHasShaInstructions().
void sha256BlocksWithShaInstructions(uint32_t state[8], const unsigned char* blocks, int64_t count);
