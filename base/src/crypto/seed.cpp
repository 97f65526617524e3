#include "vxbase/crypto/seed.h"

#include <array>
#include <cstring>

#include "vxbase/crypto/sha1.h"

namespace vxbase::crypto {
namespace {

// The two S-boxes are affine maps of power functions in GF(2^8) modulo x^8+x^6+x^5+x+1:
// S1(x) = A1 * x^247 + 169, S2(x) = A2 * x^251 + 56, with A1 and A2 given by their columns.
constexpr uint8_t GfMul(uint8_t a, uint8_t b) {
  unsigned r = 0, x = a;
  while (b) {
    if (b & 1) r ^= x;
    b >>= 1;
    x <<= 1;
    if (x & 0x100) x ^= 0x163;
  }
  return uint8_t(r);
}

constexpr uint8_t GfPow(uint8_t x, unsigned e) {
  uint8_t r = 1;
  while (e) {
    if (e & 1) r = GfMul(r, x);
    x = GfMul(x, x);
    e >>= 1;
  }
  return r;
}

constexpr uint8_t Affine(const std::array<uint8_t, 8>& columns, uint8_t y, uint8_t constant) {
  uint8_t r = constant;
  for (int bit = 0; bit < 8; ++bit)
    if ((y >> bit) & 1) r ^= columns[bit];
  return r;
}

constexpr std::array<uint8_t, 8> kA1 = {0x2c, 0xd0, 0x69, 0xc2, 0x41, 0x44, 0x58, 0xe2};
constexpr std::array<uint8_t, 8> kA2 = {0xd0, 0x2a, 0xe1, 0x2c, 0x21, 0x30, 0xa2, 0x6c};

constexpr uint8_t S1(unsigned x) { return Affine(kA1, x ? GfPow(uint8_t(x), 247) : 0, 169); }
constexpr uint8_t S2(unsigned x) { return Affine(kA2, x ? GfPow(uint8_t(x), 251) : 0, 56); }

constexpr uint32_t kM0 = 0xfc, kM1 = 0xf3, kM2 = 0xcf, kM3 = 0x3f;

// G is four table look-ups: each table folds one S-box output through the four byte masks.
struct GTables {
  uint32_t ss0[256], ss1[256], ss2[256], ss3[256];
};

constexpr GTables MakeTables() {
  GTables t{};
  for (unsigned x = 0; x < 256; ++x) {
    uint32_t a = S1(x), b = S2(x);
    t.ss0[x] = (a & kM3) << 24 | (a & kM2) << 16 | (a & kM1) << 8 | (a & kM0);
    t.ss1[x] = (b & kM0) << 24 | (b & kM3) << 16 | (b & kM2) << 8 | (b & kM1);
    t.ss2[x] = (a & kM1) << 24 | (a & kM0) << 16 | (a & kM3) << 8 | (a & kM2);
    t.ss3[x] = (b & kM2) << 24 | (b & kM1) << 16 | (b & kM0) << 8 | (b & kM3);
  }
  return t;
}

alignas(64) constexpr GTables kG = MakeTables();

inline uint32_t G(uint32_t x) {
  return kG.ss0[x & 0xff] ^ kG.ss1[(x >> 8) & 0xff] ^ kG.ss2[(x >> 16) & 0xff] ^ kG.ss3[x >> 24];
}

inline uint32_t LoadBe32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

// N blocks in lock step: the rounds of independent blocks overlap in the processor.
template <int N>
inline void Rounds(const uint32_t* rk, uint32_t (&l0)[N], uint32_t (&l1)[N], uint32_t (&r0)[N], uint32_t (&r1)[N]) {
  for (int round = 0; round < 16; round += 2) {
    const uint32_t* k = rk + 2 * round;
    for (int i = 0; i < N; ++i) {
      uint32_t c = r0[i] ^ k[0];
      uint32_t d = G(c ^ r1[i] ^ k[1]);
      uint32_t e = G(c + d);
      d = G(d + e);
      l0[i] ^= d + e;
      l1[i] ^= d;
    }
    for (int i = 0; i < N; ++i) {
      uint32_t c = l0[i] ^ k[2];
      uint32_t d = G(c ^ l1[i] ^ k[3]);
      uint32_t e = G(c + d);
      d = G(d + e);
      r0[i] ^= d + e;
      r1[i] ^= d;
    }
  }
}

constexpr uint32_t kKc[16] = {0x9e3779b9u, 0x3c6ef373u, 0x78dde6e6u, 0xf1bbcdccu, 0xe3779b99u, 0xc6ef3733u,
                              0x8dde6e67u, 0x1bbcdccfu, 0x3779b99eu, 0x6ef3733cu, 0xdde6e678u, 0xbbcdccf1u,
                              0x779b99e3u, 0xef3733c6u, 0xde6e678du, 0xbcdccf1bu};

}  // namespace

void SeedSetKey(const uint8_t key[kSeedKeySize], bool encipher, SeedKey& out) {
  uint32_t a = LoadBe32(key), b = LoadBe32(key + 4), c = LoadBe32(key + 8), d = LoadBe32(key + 12);
  uint32_t rk[32];
  for (int i = 0; i < 16; ++i) {
    rk[2 * i] = G(a + c - kKc[i]);
    rk[2 * i + 1] = G(b - d + kKc[i]);
    if ((i & 1) == 0) {  // A||B turns right by 8 bits
      uint32_t t = a;
      a = (a >> 8) | (b << 24);
      b = (b >> 8) | (t << 24);
    } else {  // C||D turns left by 8 bits
      uint32_t t = c;
      c = (c << 8) | (d >> 24);
      d = (d << 8) | (t >> 24);
    }
  }
  for (int i = 0; i < 16; ++i) {
    int from = encipher ? i : 15 - i;
    out.round[2 * i] = rk[2 * from];
    out.round[2 * i + 1] = rk[2 * from + 1];
  }
  out.encipher = encipher;
  SecureWipe(rk, sizeof rk);
  a = b = c = d = 0;
}

void SeedBlock(const SeedKey& key, const uint8_t in[kSeedBlockSize], uint8_t out[kSeedBlockSize]) {
  uint32_t l0[1] = {LoadBe32(in)}, l1[1] = {LoadBe32(in + 4)};
  uint32_t r0[1] = {LoadBe32(in + 8)}, r1[1] = {LoadBe32(in + 12)};
  Rounds<1>(key.round, l0, l1, r0, r1);
  StoreBe32(out, r0[0]);
  StoreBe32(out + 4, r1[0]);
  StoreBe32(out + 8, l0[0]);
  StoreBe32(out + 12, l1[0]);
}

int SeedCbcEncrypt(const SeedKey& key, const uint8_t iv[kSeedBlockSize], const uint8_t* in, size_t length,
                   uint8_t* out) {
  if (!iv || !in || !out || length % kSeedBlockSize != 0 || !key.encipher || length > size_t(INT32_MAX))
    return kSeedBadArgument;
  uint32_t v0 = LoadBe32(iv), v1 = LoadBe32(iv + 4), v2 = LoadBe32(iv + 8), v3 = LoadBe32(iv + 12);
  for (size_t pos = 0; pos < length; pos += kSeedBlockSize) {
    uint32_t l0[1] = {LoadBe32(in + pos) ^ v0}, l1[1] = {LoadBe32(in + pos + 4) ^ v1};
    uint32_t r0[1] = {LoadBe32(in + pos + 8) ^ v2}, r1[1] = {LoadBe32(in + pos + 12) ^ v3};
    Rounds<1>(key.round, l0, l1, r0, r1);
    v0 = r0[0];
    v1 = r1[0];
    v2 = l0[0];
    v3 = l1[0];
    StoreBe32(out + pos, v0);
    StoreBe32(out + pos + 4, v1);
    StoreBe32(out + pos + 8, v2);
    StoreBe32(out + pos + 12, v3);
  }
  return int(length);
}

int SeedCbcDecrypt(const SeedKey& key, const uint8_t iv[kSeedBlockSize], const uint8_t* in, size_t length,
                   uint8_t* out) {
  if (!iv || !in || !out || length % kSeedBlockSize != 0 || key.encipher || length > size_t(INT32_MAX))
    return kSeedBadArgument;
  constexpr int kLanes = 4;
  uint32_t prev[4] = {LoadBe32(iv), LoadBe32(iv + 4), LoadBe32(iv + 8), LoadBe32(iv + 12)};
  size_t pos = 0;
  // Deciphering has no chain between block ciphers, so four blocks go through together.
  for (; length - pos >= kLanes * kSeedBlockSize; pos += kLanes * kSeedBlockSize) {
    uint32_t l0[kLanes], l1[kLanes], r0[kLanes], r1[kLanes], c[kLanes][4];
    for (int i = 0; i < kLanes; ++i) {
      const uint8_t* p = in + pos + i * kSeedBlockSize;
      c[i][0] = l0[i] = LoadBe32(p);
      c[i][1] = l1[i] = LoadBe32(p + 4);
      c[i][2] = r0[i] = LoadBe32(p + 8);
      c[i][3] = r1[i] = LoadBe32(p + 12);
    }
    Rounds<kLanes>(key.round, l0, l1, r0, r1);
    for (int i = 0; i < kLanes; ++i) {
      uint8_t* q = out + pos + i * kSeedBlockSize;
      const uint32_t* x = i ? c[i - 1] : prev;
      StoreBe32(q, r0[i] ^ x[0]);
      StoreBe32(q + 4, r1[i] ^ x[1]);
      StoreBe32(q + 8, l0[i] ^ x[2]);
      StoreBe32(q + 12, l1[i] ^ x[3]);
    }
    std::memcpy(prev, c[kLanes - 1], sizeof prev);
  }
  for (; pos < length; pos += kSeedBlockSize) {
    uint32_t l0[1] = {LoadBe32(in + pos)}, l1[1] = {LoadBe32(in + pos + 4)};
    uint32_t r0[1] = {LoadBe32(in + pos + 8)}, r1[1] = {LoadBe32(in + pos + 12)};
    uint32_t c[4] = {l0[0], l1[0], r0[0], r1[0]};
    Rounds<1>(key.round, l0, l1, r0, r1);
    StoreBe32(out + pos, r0[0] ^ prev[0]);
    StoreBe32(out + pos + 4, r1[0] ^ prev[1]);
    StoreBe32(out + pos + 8, l0[0] ^ prev[2]);
    StoreBe32(out + pos + 12, l1[0] ^ prev[3]);
    std::memcpy(prev, c, sizeof prev);
  }
  return int(length);
}

}  // namespace vxbase::crypto
