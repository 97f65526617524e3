#include "vxbase/crypto/sha1.h"

#include <cstring>

namespace vxbase::crypto {
namespace {

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBe32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// The message schedule is kept as a rolling window of 16 words.
#define SHA1_W(t) (w[(t) & 15] = Rotl(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ w[(t) & 15], 1))
#define SHA1_F1(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define SHA1_F2(b, c, d) ((b) ^ (c) ^ (d))
#define SHA1_F3(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))
#define SHA1_STEP(f, k, a, b, c, d, e, wt)                  \
    do {                                                   \
        e += Rotl(a, 5) + f(b, c, d) + (k) + (wt);         \
        b = Rotl(b, 30);                                   \
    } while (0)

#define SHA1_R0(a, b, c, d, e, t) SHA1_STEP(SHA1_F1, 0x5A827999u, a, b, c, d, e, w[t])
#define SHA1_R1(a, b, c, d, e, t) SHA1_STEP(SHA1_F1, 0x5A827999u, a, b, c, d, e, SHA1_W(t))
#define SHA1_R2(a, b, c, d, e, t) SHA1_STEP(SHA1_F2, 0x6ED9EBA1u, a, b, c, d, e, SHA1_W(t))
#define SHA1_R3(a, b, c, d, e, t) SHA1_STEP(SHA1_F3, 0x8F1BBCDCu, a, b, c, d, e, SHA1_W(t))
#define SHA1_R4(a, b, c, d, e, t) SHA1_STEP(SHA1_F2, 0xCA62C1D6u, a, b, c, d, e, SHA1_W(t))

#define SHA1_FIVE(R, t)            \
    R(a, b, c, d, e, (t) + 0);     \
    R(e, a, b, c, d, (t) + 1);     \
    R(d, e, a, b, c, (t) + 2);     \
    R(c, d, e, a, b, (t) + 3);     \
    R(b, c, d, e, a, (t) + 4)

void Compress(uint32_t state[5], const uint8_t* data, size_t blocks) {
    uint32_t w[16];
    while (blocks--) {
        for (int i = 0; i < 16; ++i) w[i] = LoadBe32(data + 4 * i);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        SHA1_FIVE(SHA1_R0, 0);
        SHA1_FIVE(SHA1_R0, 5);
        SHA1_FIVE(SHA1_R0, 10);
        SHA1_R0(a, b, c, d, e, 15);
        SHA1_R1(e, a, b, c, d, 16);
        SHA1_R1(d, e, a, b, c, 17);
        SHA1_R1(c, d, e, a, b, 18);
        SHA1_R1(b, c, d, e, a, 19);
        SHA1_FIVE(SHA1_R2, 20);
        SHA1_FIVE(SHA1_R2, 25);
        SHA1_FIVE(SHA1_R2, 30);
        SHA1_FIVE(SHA1_R2, 35);
        SHA1_FIVE(SHA1_R3, 40);
        SHA1_FIVE(SHA1_R3, 45);
        SHA1_FIVE(SHA1_R3, 50);
        SHA1_FIVE(SHA1_R3, 55);
        SHA1_FIVE(SHA1_R4, 60);
        SHA1_FIVE(SHA1_R4, 65);
        SHA1_FIVE(SHA1_R4, 70);
        SHA1_FIVE(SHA1_R4, 75);
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        data += kSha1BlockSize;
    }
}

}  // namespace

void SecureWipe(void* data, size_t length) {
    volatile uint8_t* p = static_cast<volatile uint8_t*>(data);
    while (length--) *p++ = 0;
}

void Sha1::Start() {
    state_[0] = 0x67452301u;
    state_[1] = 0xEFCDAB89u;
    state_[2] = 0x98BADCFEu;
    state_[3] = 0x10325476u;
    state_[4] = 0xC3D2E1F0u;
    countLow_ = 0;
    countHigh_ = 0;
}

void Sha1::Update(const void* data, size_t length) {
    if (length == 0) return;
    const uint8_t* in = static_cast<const uint8_t*>(data);
    size_t used = (countLow_ >> 3) & 63;
    uint64_t bits = (uint64_t(countHigh_) << 32 | countLow_) + uint64_t(length) * 8;
    countLow_ = uint32_t(bits);
    countHigh_ = uint32_t(bits >> 32);
    if (used) {
        size_t take = kSha1BlockSize - used;
        if (length < take) {
            std::memcpy(buffer_ + used, in, length);
            return;
        }
        std::memcpy(buffer_ + used, in, take);
        Compress(state_, buffer_, 1);
        in += take;
        length -= take;
    }
    size_t blocks = length / kSha1BlockSize;
    if (blocks) {
        Compress(state_, in, blocks);
        in += blocks * kSha1BlockSize;
        length -= blocks * kSha1BlockSize;
    }
    if (length) std::memcpy(buffer_, in, length);
}

void Sha1::Finish(uint8_t digest[kSha1DigestSize]) {
    uint32_t high = countHigh_, low = countLow_;
    size_t used = (low >> 3) & 63;
    buffer_[used++] = 0x80;
    if (used > 56) {
        std::memset(buffer_ + used, 0, kSha1BlockSize - used);
        Compress(state_, buffer_, 1);
        used = 0;
    }
    std::memset(buffer_ + used, 0, 56 - used);
    StoreBe32(buffer_ + 56, high);
    StoreBe32(buffer_ + 60, low);
    Compress(state_, buffer_, 1);
    for (int i = 0; i < 5; ++i) StoreBe32(digest + 4 * i, state_[i]);
    Wipe();
    Start();
}

void Sha1::Wipe() {
    SecureWipe(state_, sizeof state_);
    SecureWipe(buffer_, sizeof buffer_);
    countLow_ = countHigh_ = 0;
}

void Sha1Digest(const void* data, size_t length, uint8_t digest[kSha1DigestSize]) {
    Sha1 h;
    h.Update(data, length);
    h.Finish(digest);
}

}  // namespace vxbase::crypto
