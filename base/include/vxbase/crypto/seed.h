// SEED block cipher (128-bit key and block) and its CBC mode over whole blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxbase::crypto {

constexpr size_t kSeedBlockSize = 16;
constexpr size_t kSeedKeySize = 16;
constexpr int kSeedBadArgument = -101;

// Round keys for one direction: 16 rounds of two 32-bit words.
struct SeedKey {
  uint32_t round[32];
  bool encipher;
};

void SeedSetKey(const uint8_t key[kSeedKeySize], bool encipher, SeedKey& out);

// One block with a key built for either direction (in and out may be the same).
void SeedBlock(const SeedKey& key, const uint8_t in[kSeedBlockSize], uint8_t out[kSeedBlockSize]);

// CBC over whole blocks. Each call starts from the vector it is given; the vector is not
// advanced. Returns the length processed, or kSeedBadArgument when an argument is missing,
// the length is not a whole number of blocks, or the key was built for the other direction.
// in and out may be the same buffer.
int SeedCbcEncrypt(const SeedKey& key, const uint8_t iv[kSeedBlockSize], const uint8_t* in, size_t length,
                   uint8_t* out);
int SeedCbcDecrypt(const SeedKey& key, const uint8_t iv[kSeedBlockSize], const uint8_t* in, size_t length,
                   uint8_t* out);

}  // namespace vxbase::crypto
