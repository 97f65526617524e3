// HMAC-SHA1 and the key-block expansion built on it (P_SHA1 of TLS 1.0).
#pragma once

#include "vxbase/crypto/sha1.h"

namespace vxbase::crypto {

// The key of an HMAC-SHA1, prepared once: the hash states after the inner and the outer padded
// key block. A message under a prepared key costs the hashing of the message and one more block.
// Plain data: copied with the structure that holds it. Keys longer than one 64-byte block are
// cut to their first 64 bytes (not hashed): the session's peer derives its keys the same way.
struct HmacSha1Key {
  Sha1 inner;
  Sha1 outer;
};
void HmacSha1SetKey(HmacSha1Key& prepared, const void* key, size_t keyLength);
void HmacSha1Mac(const HmacSha1Key& prepared, const void* data, size_t length, uint8_t mac[kSha1DigestSize]);
void HmacSha1WipeKey(HmacSha1Key& prepared);

// HMAC with SHA-1, one message after another under the same key.
class HmacSha1 {
 public:
  HmacSha1() { Start(nullptr, 0); }
  HmacSha1(const void* key, size_t keyLength) { Start(key, keyLength); }
  ~HmacSha1() { Wipe(); }
  HmacSha1(const HmacSha1&) = default;
  HmacSha1& operator=(const HmacSha1&) = default;

  void Start(const void* key, size_t keyLength);
  void Update(const void* data, size_t length) { message_.Update(data, length); }
  // Writes the 20-byte value; the object then starts a new message under the same key.
  void Finish(uint8_t mac[kSha1DigestSize]);
  void Wipe();

 private:
  HmacSha1Key key_;
  Sha1 message_;  // the inner hash of the message so far
};

void HmacSha1Mac(const void* key, size_t keyLength, const void* data, size_t length, uint8_t mac[kSha1DigestSize]);

// Fills out[0..outLength) with HMAC(secret, A(1) + seed) + HMAC(secret, A(2) + seed) + ...,
// A(0) = seed, A(i) = HMAC(secret, A(i-1)).
void KeyBlock(const void* secret, size_t secretLength, const void* seed, size_t seedLength, uint8_t* out,
              size_t outLength);

// Compares two byte strings in time that depends only on the length.
bool EqualConstantTime(const void* a, const void* b, size_t length);

}  // namespace vxbase::crypto
