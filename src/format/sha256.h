// A streaming SHA-256 (FIPS 180-4): the hash of the files of a runtime carried inside the
// executable and of their index, so that the launcher can check what it extracts and name the
// cache directory of a runtime by its content.
//
// Hand-written because the stub links no crypto library (its zlib has none). Bytes may be fed
// in any number of update calls of any size; finish gives the digest and leaves the object
// ready for a new message.
//
// Platforms: identical on Windows and Linux; plain code over bytes.
#pragma once

#include <cstdint>

class Sha256 {
  public:
    Sha256() { reset(); }

    // Adds count bytes (count <= 0 adds nothing).
    void update(const void* data, int64_t count);
    // Writes the digest of everything added since the start or the last finish, then starts
    // over.
    void finish(unsigned char out[32]);

  private:
    void reset();
    // Through the processor's SHA instructions where it has them (see sha256_blocks.h).
    void compressBlocks(const unsigned char* blocks, int64_t count);

    uint32_t state_[8];
    unsigned char pending_[64];
    int32_t pendingLength_;
    uint64_t totalLength_;
};

// The digest as 64 lower-case hex digits into out (65 bytes with the terminating NUL).
void sha256Hex(const unsigned char digest[32], char out[65]);
