// RSA public-key operations (PKCS #1 v1.5) on our own multi-precision arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vxbase/crypto/sha1.h"

namespace vxbase::crypto {

constexpr int kRsaMaxWords = 64;  // 2,048-bit modulus at most

constexpr int kRsaBadArgument = -1;
constexpr int kRsaMessageTooLong = -2;
constexpr int kRsaRandomFailed = -3;
constexpr int kRsaBadSignature = -700;

// Modulus and public exponent as little-endian 32-bit words, with the constants of the
// modulus that every operation needs, computed once when the key is set.
struct RsaPublicKey {
  uint32_t modulus[kRsaMaxWords];
  int modulusWords;
  uint32_t exponent[kRsaMaxWords];
  int exponentWords;
  uint64_t montgomeryR2[kRsaMaxWords / 2 + 1];  // R^2 mod n, R = 2^(64 * 64-bit limbs)
  uint64_t montgomeryN0;                        // -n^-1 mod 2^64
};

// Big-endian bytes in; leading zero bytes are skipped. False when either number is zero or
// longer than 64 words, or when the modulus is even or below 2^64 (no usable RSA key).
bool RsaSetPublicKey(RsaPublicKey& key, const uint8_t* modulus, size_t modulusLength, const uint8_t* exponent,
                     size_t exponentLength);

// k, the modulus length in bytes.
size_t RsaModulusBytes(const RsaPublicKey& key);

// out = in^e mod n. in is k big-endian bytes and must be below the modulus; out receives k bytes.
int RsaPublicRaw(const RsaPublicKey& key, const uint8_t* in, size_t inLength, uint8_t* out, size_t outSize);

using RandomFill = bool (*)(void* out, size_t length);

// PKCS #1 v1.5 block type 2 enciphering: 00 02, k - 3 - m non-zero random bytes, 00, message.
// Returns k, or a negative code (message above k - 11 bytes, output below k, no random bytes).
int RsaEncryptPkcs1(const RsaPublicKey& key, const uint8_t* message, size_t messageLength, uint8_t* out, size_t outSize,
                    RandomFill random = nullptr);

// Checks a PKCS #1 v1.5 block type 1 signature over a SHA-1 digest: the signature is
// left-padded to k bytes, raised to e, and must open to 00 01 FF..FF 00 DigestInfo(SHA-1) digest.
// Returns 0, or kRsaBadSignature.
int RsaVerifySha1(const RsaPublicKey& key, const uint8_t* signature, size_t signatureLength,
                  const uint8_t digest[kSha1DigestSize]);

}  // namespace vxbase::crypto
