#include "vxbase/crypto/hmac.h"

#include <algorithm>
#include <cstring>

namespace vxbase::crypto {

void HmacSha1::Start(const void* key, size_t keyLength) {
    size_t n = std::min(keyLength, kSha1BlockSize);
    std::memset(key_, 0, sizeof key_);
    if (n) std::memcpy(key_, key, n);
    uint8_t pad[kSha1BlockSize];
    for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = key_[i] ^ 0x36;
    inner_.Start();
    inner_.Update(pad, sizeof pad);
    SecureWipe(pad, sizeof pad);
}

void HmacSha1::Finish(uint8_t mac[kSha1DigestSize]) {
    uint8_t innerDigest[kSha1DigestSize];
    inner_.Finish(innerDigest);
    uint8_t pad[kSha1BlockSize];
    for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = key_[i] ^ 0x5C;
    Sha1 outer;
    outer.Update(pad, sizeof pad);
    outer.Update(innerDigest, sizeof innerDigest);
    outer.Finish(mac);
    // Ready for the next message under the same key.
    for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = key_[i] ^ 0x36;
    inner_.Update(pad, sizeof pad);
    SecureWipe(pad, sizeof pad);
    SecureWipe(innerDigest, sizeof innerDigest);
}

void HmacSha1::Wipe() {
    SecureWipe(key_, sizeof key_);
    inner_.Wipe();
}

void HmacSha1Mac(const void* key, size_t keyLength, const void* data, size_t length,
                 uint8_t mac[kSha1DigestSize]) {
    HmacSha1 h(key, keyLength);
    h.Update(data, length);
    h.Finish(mac);
}

void KeyBlock(const void* secret, size_t secretLength, const void* seed, size_t seedLength,
              uint8_t* out, size_t outLength) {
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
