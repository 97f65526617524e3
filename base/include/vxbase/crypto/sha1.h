// SHA-1 message digest (FIPS 180-1), incremental and one-call forms.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxbase::crypto {

constexpr size_t kSha1DigestSize = 20;
constexpr size_t kSha1BlockSize = 64;

class Sha1 {
 public:
  Sha1() { Start(); }
  void Start();
  void Update(const void* data, size_t length);
  // Writes the 20-byte digest and leaves the object ready for a new message.
  void Finish(uint8_t digest[kSha1DigestSize]);
  // Wipes the chaining state and the buffered bytes.
  void Wipe();

 private:
  uint32_t state_[5];
  uint32_t countLow_;   // message length in bits, low half
  uint32_t countHigh_;  // high half
  uint8_t buffer_[kSha1BlockSize];
};

void Sha1Digest(const void* data, size_t length, uint8_t digest[kSha1DigestSize]);

// The rounds exist three times: for any x86-64 processor, for those with BMI2 and AVX2, and on
// the SHA instructions; the best the processor runs is chosen. Tests and benchmarks pick one
// (Best, or the fastest one below it that the processor runs).
enum class Sha1Rounds { Best, Scalar, Portable };
void Sha1UseRounds(Sha1Rounds rounds);

// Overwrites a buffer in a way the compiler keeps.
void SecureWipe(void* data, size_t length);

}  // namespace vxbase::crypto
