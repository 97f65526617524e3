#include "vxbase/crypto/hmac.h"

#include <algorithm>
#include <cstring>

namespace vxbase::crypto {

void HmacSha1SetKey(HmacSha1Key& prepared, const void* key, size_t keyLength) {
  const size_t n = std::min(keyLength, kSha1BlockSize);
  uint8_t padded[kSha1BlockSize] = {};
  if (n) std::memcpy(padded, key, n);
  uint8_t pad[kSha1BlockSize];
  for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = padded[i] ^ 0x36;
  prepared.inner.Start();
  prepared.inner.Update(pad, sizeof pad);
  for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = padded[i] ^ 0x5C;
  prepared.outer.Start();
  prepared.outer.Update(pad, sizeof pad);
  SecureWipe(pad, sizeof pad);
  SecureWipe(padded, sizeof padded);
}

namespace {

// The outer hash over the inner digest, from the prepared outer state.
void OuterFinish(const HmacSha1Key& prepared, uint8_t innerDigest[kSha1DigestSize], uint8_t mac[kSha1DigestSize]) {
  Sha1 outer = prepared.outer;
  outer.Update(innerDigest, kSha1DigestSize);
  outer.Finish(mac);
  SecureWipe(innerDigest, kSha1DigestSize);
}

}  // namespace

void HmacSha1Mac(const HmacSha1Key& prepared, const void* data, size_t length, uint8_t mac[kSha1DigestSize]) {
  Sha1 inner = prepared.inner;
  inner.Update(data, length);
  uint8_t innerDigest[kSha1DigestSize];
  inner.Finish(innerDigest);
  OuterFinish(prepared, innerDigest, mac);
}

void HmacSha1WipeKey(HmacSha1Key& prepared) {
  prepared.inner.Wipe();
  prepared.outer.Wipe();
}

void HmacSha1::Start(const void* key, size_t keyLength) {
  HmacSha1SetKey(key_, key, keyLength);
  message_ = key_.inner;
}

void HmacSha1::Finish(uint8_t mac[kSha1DigestSize]) {
  uint8_t innerDigest[kSha1DigestSize];
  message_.Finish(innerDigest);
  OuterFinish(key_, innerDigest, mac);
  message_ = key_.inner;  // ready for the next message under the same key
}

void HmacSha1::Wipe() {
  HmacSha1WipeKey(key_);
  message_.Wipe();
}

void HmacSha1Mac(const void* key, size_t keyLength, const void* data, size_t length, uint8_t mac[kSha1DigestSize]) {
  HmacSha1Key prepared;
  HmacSha1SetKey(prepared, key, keyLength);
  HmacSha1Mac(prepared, data, length, mac);
  HmacSha1WipeKey(prepared);
}

void KeyBlock(const void* secret, size_t secretLength, const void* seed, size_t seedLength, uint8_t* out,
              size_t outLength) {
  HmacSha1 keyed(secret, secretLength);
  HmacSha1 h = keyed;
  uint8_t a[kSha1DigestSize];
  uint8_t block[kSha1DigestSize];
  h.Update(seed, seedLength);  // A(1)
  h.Finish(a);
  size_t done = 0;
  while (done < outLength) {
    h = keyed;
    h.Update(a, sizeof a);
    h.Update(seed, seedLength);
    h.Finish(block);
    size_t take = std::min(outLength - done, kSha1DigestSize);
    std::memcpy(out + done, block, take);
    done += take;
    if (done < outLength) {
      h = keyed;
      h.Update(a, sizeof a);
      h.Finish(a);
    }
  }
  SecureWipe(a, sizeof a);
  SecureWipe(block, sizeof block);
}

bool EqualConstantTime(const void* a, const void* b, size_t length) {
  const volatile uint8_t* x = static_cast<const volatile uint8_t*>(a);
  const volatile uint8_t* y = static_cast<const volatile uint8_t*>(b);
  uint8_t diff = 0;
  for (size_t i = 0; i < length; ++i) diff |= uint8_t(x[i] ^ y[i]);
  return diff == 0;
}

}  // namespace vxbase::crypto
