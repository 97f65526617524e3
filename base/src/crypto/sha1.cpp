#include "vxbase/crypto/sha1.h"

#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace vxbase::crypto {
namespace {

inline uint32_t LoadBe32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

#define SHA1_F1(b, c, d) (((b) & (c)) + (~(b) & (d)))
#define SHA1_F2(b, c, d) ((b) ^ (c) ^ (d))
#define SHA1_F3(b, c, d) (((b) & (c)) + ((d) & ((b) ^ (c))))
#define SHA1_STEP(f, a, b, c, d, e, t)    \
  do {                                    \
    e += wk[t] + f(b, c, d) + Rotl(a, 5); \
    b = Rotl(b, 30);                      \
  } while (0)

#if defined(__SSE2__)
// The message schedule runs four words at a time in SSE2 registers, sixteen words ahead of the
// rounds, and is stored with the round constant added: it stays off the rounds' critical path.
inline __m128i Rotl1(__m128i x) { return _mm_or_si128(_mm_slli_epi32(x, 1), _mm_srli_epi32(x, 31)); }

// W[4s..4s+3] from the four previous vectors v0..v3 (W[4s-16..4s-1]).
#define SHA1_SCHEDULE(s)                                                                                       \
  do {                                                                                                         \
    __m128i w14 =                                                                                              \
        _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(v0), _mm_castsi128_ps(v1), _MM_SHUFFLE(1, 0, 3, 2))); \
    __m128i w3 = _mm_srli_si128(v3, 4); /* W[t-3..t-1] and a zero for the unknown W[t] */                      \
    __m128i r = Rotl1(_mm_xor_si128(_mm_xor_si128(v0, w14), _mm_xor_si128(v2, w3)));                           \
    r = _mm_xor_si128(r, Rotl1(_mm_slli_si128(r, 12))); /* W[t] into the last lane */                          \
    v0 = v1;                                                                                                   \
    v1 = v2;                                                                                                   \
    v2 = v3;                                                                                                   \
    v3 = r;                                                                                                    \
    _mm_store_si128(reinterpret_cast<__m128i*>(wk) + (s), _mm_add_epi32(r, kRound[(s) / 5]));                  \
    /* Read back as words from memory: cheaper than taking lanes out of registers. */                          \
    __asm__ __volatile__("" : : "r"(wk) : "memory");                                                           \
  } while (0)

__attribute__((always_inline)) inline void CompressBody(uint32_t state[5], const uint8_t* data, size_t blocks) {
  alignas(16) uint32_t wk[80];
  const __m128i kRound[4] = {_mm_set1_epi32(0x5A827999), _mm_set1_epi32(0x6ED9EBA1), _mm_set1_epi32(int(0x8F1BBCDCu)),
                             _mm_set1_epi32(int(0xCA62C1D6u))};
  while (blocks--) {
    alignas(16) uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe32(data + 4 * i);
    __m128i v0 = _mm_load_si128(reinterpret_cast<const __m128i*>(w));
    __m128i v1 = _mm_load_si128(reinterpret_cast<const __m128i*>(w + 4));
    __m128i v2 = _mm_load_si128(reinterpret_cast<const __m128i*>(w + 8));
    __m128i v3 = _mm_load_si128(reinterpret_cast<const __m128i*>(w + 12));
    _mm_store_si128(reinterpret_cast<__m128i*>(wk) + 0, _mm_add_epi32(v0, kRound[0]));
    _mm_store_si128(reinterpret_cast<__m128i*>(wk) + 1, _mm_add_epi32(v1, kRound[0]));
    _mm_store_si128(reinterpret_cast<__m128i*>(wk) + 2, _mm_add_epi32(v2, kRound[0]));
    _mm_store_si128(reinterpret_cast<__m128i*>(wk) + 3, _mm_add_epi32(v3, kRound[0]));
    __asm__ __volatile__("" : : "r"(wk) : "memory");
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    SHA1_STEP(SHA1_F1, a, b, c, d, e, 0);
    SHA1_STEP(SHA1_F1, e, a, b, c, d, 1);
    SHA1_STEP(SHA1_F1, d, e, a, b, c, 2);
    SHA1_STEP(SHA1_F1, c, d, e, a, b, 3);
    SHA1_SCHEDULE(4);
    SHA1_STEP(SHA1_F1, b, c, d, e, a, 4);
    SHA1_STEP(SHA1_F1, a, b, c, d, e, 5);
    SHA1_STEP(SHA1_F1, e, a, b, c, d, 6);
    SHA1_STEP(SHA1_F1, d, e, a, b, c, 7);
    SHA1_SCHEDULE(5);
    SHA1_STEP(SHA1_F1, c, d, e, a, b, 8);
    SHA1_STEP(SHA1_F1, b, c, d, e, a, 9);
    SHA1_STEP(SHA1_F1, a, b, c, d, e, 10);
    SHA1_STEP(SHA1_F1, e, a, b, c, d, 11);
    SHA1_SCHEDULE(6);
    SHA1_STEP(SHA1_F1, d, e, a, b, c, 12);
    SHA1_STEP(SHA1_F1, c, d, e, a, b, 13);
    SHA1_STEP(SHA1_F1, b, c, d, e, a, 14);
    SHA1_STEP(SHA1_F1, a, b, c, d, e, 15);
    SHA1_SCHEDULE(7);
    SHA1_STEP(SHA1_F1, e, a, b, c, d, 16);
    SHA1_STEP(SHA1_F1, d, e, a, b, c, 17);
    SHA1_STEP(SHA1_F1, c, d, e, a, b, 18);
    SHA1_STEP(SHA1_F1, b, c, d, e, a, 19);
    SHA1_SCHEDULE(8);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 20);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 21);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 22);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 23);
    SHA1_SCHEDULE(9);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 24);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 25);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 26);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 27);
    SHA1_SCHEDULE(10);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 28);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 29);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 30);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 31);
    SHA1_SCHEDULE(11);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 32);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 33);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 34);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 35);
    SHA1_SCHEDULE(12);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 36);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 37);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 38);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 39);
    SHA1_SCHEDULE(13);
    SHA1_STEP(SHA1_F3, a, b, c, d, e, 40);
    SHA1_STEP(SHA1_F3, e, a, b, c, d, 41);
    SHA1_STEP(SHA1_F3, d, e, a, b, c, 42);
    SHA1_STEP(SHA1_F3, c, d, e, a, b, 43);
    SHA1_SCHEDULE(14);
    SHA1_STEP(SHA1_F3, b, c, d, e, a, 44);
    SHA1_STEP(SHA1_F3, a, b, c, d, e, 45);
    SHA1_STEP(SHA1_F3, e, a, b, c, d, 46);
    SHA1_STEP(SHA1_F3, d, e, a, b, c, 47);
    SHA1_SCHEDULE(15);
    SHA1_STEP(SHA1_F3, c, d, e, a, b, 48);
    SHA1_STEP(SHA1_F3, b, c, d, e, a, 49);
    SHA1_STEP(SHA1_F3, a, b, c, d, e, 50);
    SHA1_STEP(SHA1_F3, e, a, b, c, d, 51);
    SHA1_SCHEDULE(16);
    SHA1_STEP(SHA1_F3, d, e, a, b, c, 52);
    SHA1_STEP(SHA1_F3, c, d, e, a, b, 53);
    SHA1_STEP(SHA1_F3, b, c, d, e, a, 54);
    SHA1_STEP(SHA1_F3, a, b, c, d, e, 55);
    SHA1_SCHEDULE(17);
    SHA1_STEP(SHA1_F3, e, a, b, c, d, 56);
    SHA1_STEP(SHA1_F3, d, e, a, b, c, 57);
    SHA1_STEP(SHA1_F3, c, d, e, a, b, 58);
    SHA1_STEP(SHA1_F3, b, c, d, e, a, 59);
    SHA1_SCHEDULE(18);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 60);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 61);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 62);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 63);
    SHA1_SCHEDULE(19);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 64);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 65);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 66);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 67);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 68);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 69);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 70);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 71);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 72);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 73);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 74);
    SHA1_STEP(SHA1_F2, a, b, c, d, e, 75);
    SHA1_STEP(SHA1_F2, e, a, b, c, d, 76);
    SHA1_STEP(SHA1_F2, d, e, a, b, c, 77);
    SHA1_STEP(SHA1_F2, c, d, e, a, b, 78);
    SHA1_STEP(SHA1_F2, b, c, d, e, a, 79);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    data += kSha1BlockSize;
  }
  SecureWipe(wk, sizeof wk);
}

// The same rounds built a second time for processors with BMI2 and AVX2 (non-destructive
// rotates and three-operand vector forms), chosen once at run time.
void CompressGeneric(uint32_t state[5], const uint8_t* data, size_t blocks) { CompressBody(state, data, blocks); }

__attribute__((target("avx2,bmi,bmi2"))) void CompressModern(uint32_t state[5], const uint8_t* data, size_t blocks) {
  CompressBody(state, data, blocks);
}

// The processor's SHA instructions, when it has them.
__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(uint32_t state[5], const uint8_t* data, size_t blocks) {
  const __m128i kSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i E0 = _mm_set_epi32(int(state[4]), 0, 0, 0), E1;
  __m128i m0, m1, m2, m3;
  while (blocks--) {
    const __m128i abcdSaved = abcd, eSaved = E0;
    // rounds 0-3
    m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0)), kSwap);
    E0 = _mm_add_epi32(E0, m0);
    E1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 0);
    // rounds 4-7
    m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), kSwap);
    E1 = _mm_sha1nexte_epu32(E1, m1);
    E0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 0);
    m0 = _mm_sha1msg1_epu32(m0, m1);
    // rounds 8-11
    m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), kSwap);
    E0 = _mm_sha1nexte_epu32(E0, m2);
    E1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 0);
    m1 = _mm_sha1msg1_epu32(m1, m2);
    m0 = _mm_xor_si128(m0, m2);
    // rounds 12-15
    m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), kSwap);
    E1 = _mm_sha1nexte_epu32(E1, m3);
    E0 = abcd;
    m0 = _mm_sha1msg2_epu32(m0, m3);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 0);
    m2 = _mm_sha1msg1_epu32(m2, m3);
    m1 = _mm_xor_si128(m1, m3);
    // rounds 16-19
    E0 = _mm_sha1nexte_epu32(E0, m0);
    E1 = abcd;
    m1 = _mm_sha1msg2_epu32(m1, m0);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 0);
    m3 = _mm_sha1msg1_epu32(m3, m0);
    m2 = _mm_xor_si128(m2, m0);
    // rounds 20-23
    E1 = _mm_sha1nexte_epu32(E1, m1);
    E0 = abcd;
    m2 = _mm_sha1msg2_epu32(m2, m1);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 1);
    m0 = _mm_sha1msg1_epu32(m0, m1);
    m3 = _mm_xor_si128(m3, m1);
    // rounds 24-27
    E0 = _mm_sha1nexte_epu32(E0, m2);
    E1 = abcd;
    m3 = _mm_sha1msg2_epu32(m3, m2);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 1);
    m1 = _mm_sha1msg1_epu32(m1, m2);
    m0 = _mm_xor_si128(m0, m2);
    // rounds 28-31
    E1 = _mm_sha1nexte_epu32(E1, m3);
    E0 = abcd;
    m0 = _mm_sha1msg2_epu32(m0, m3);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 1);
    m2 = _mm_sha1msg1_epu32(m2, m3);
    m1 = _mm_xor_si128(m1, m3);
    // rounds 32-35
    E0 = _mm_sha1nexte_epu32(E0, m0);
    E1 = abcd;
    m1 = _mm_sha1msg2_epu32(m1, m0);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 1);
    m3 = _mm_sha1msg1_epu32(m3, m0);
    m2 = _mm_xor_si128(m2, m0);
    // rounds 36-39
    E1 = _mm_sha1nexte_epu32(E1, m1);
    E0 = abcd;
    m2 = _mm_sha1msg2_epu32(m2, m1);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 1);
    m0 = _mm_sha1msg1_epu32(m0, m1);
    m3 = _mm_xor_si128(m3, m1);
    // rounds 40-43
    E0 = _mm_sha1nexte_epu32(E0, m2);
    E1 = abcd;
    m3 = _mm_sha1msg2_epu32(m3, m2);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 2);
    m1 = _mm_sha1msg1_epu32(m1, m2);
    m0 = _mm_xor_si128(m0, m2);
    // rounds 44-47
    E1 = _mm_sha1nexte_epu32(E1, m3);
    E0 = abcd;
    m0 = _mm_sha1msg2_epu32(m0, m3);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 2);
    m2 = _mm_sha1msg1_epu32(m2, m3);
    m1 = _mm_xor_si128(m1, m3);
    // rounds 48-51
    E0 = _mm_sha1nexte_epu32(E0, m0);
    E1 = abcd;
    m1 = _mm_sha1msg2_epu32(m1, m0);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 2);
    m3 = _mm_sha1msg1_epu32(m3, m0);
    m2 = _mm_xor_si128(m2, m0);
    // rounds 52-55
    E1 = _mm_sha1nexte_epu32(E1, m1);
    E0 = abcd;
    m2 = _mm_sha1msg2_epu32(m2, m1);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 2);
    m0 = _mm_sha1msg1_epu32(m0, m1);
    m3 = _mm_xor_si128(m3, m1);
    // rounds 56-59
    E0 = _mm_sha1nexte_epu32(E0, m2);
    E1 = abcd;
    m3 = _mm_sha1msg2_epu32(m3, m2);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 2);
    m1 = _mm_sha1msg1_epu32(m1, m2);
    m0 = _mm_xor_si128(m0, m2);
    // rounds 60-63
    E1 = _mm_sha1nexte_epu32(E1, m3);
    E0 = abcd;
    m0 = _mm_sha1msg2_epu32(m0, m3);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 3);
    m2 = _mm_sha1msg1_epu32(m2, m3);
    m1 = _mm_xor_si128(m1, m3);
    // rounds 64-67
    E0 = _mm_sha1nexte_epu32(E0, m0);
    E1 = abcd;
    m1 = _mm_sha1msg2_epu32(m1, m0);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 3);
    m3 = _mm_sha1msg1_epu32(m3, m0);
    m2 = _mm_xor_si128(m2, m0);
    // rounds 68-71
    E1 = _mm_sha1nexte_epu32(E1, m1);
    E0 = abcd;
    m2 = _mm_sha1msg2_epu32(m2, m1);
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 3);
    m3 = _mm_xor_si128(m3, m1);
    // rounds 72-75
    E0 = _mm_sha1nexte_epu32(E0, m2);
    E1 = abcd;
    m3 = _mm_sha1msg2_epu32(m3, m2);
    abcd = _mm_sha1rnds4_epu32(abcd, E0, 3);
    // rounds 76-79
    E1 = _mm_sha1nexte_epu32(E1, m3);
    E0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, E1, 3);
    E0 = _mm_sha1nexte_epu32(E0, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
    data += kSha1BlockSize;
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = uint32_t(_mm_extract_epi32(E0, 3));
}

using CompressFn = void (*)(uint32_t*, const uint8_t*, size_t);

// The SHA extensions are asked of the processor directly (leaf 7, EBX bit 29): not every
// compiler knows them by name in __builtin_cpu_supports.
bool HasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & (1u << 29)) != 0;
}

CompressFn ChooseCompress() {
  __builtin_cpu_init();
  if (HasShaExtensions() && __builtin_cpu_supports("sse4.1")) return CompressShaNi;
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2")) return CompressModern;
  return CompressGeneric;
}

std::atomic<CompressFn> gCompress{nullptr};

void Compress(uint32_t state[5], const uint8_t* data, size_t blocks) {
  CompressFn fn = gCompress.load(std::memory_order_relaxed);
  if (!fn) {
    fn = ChooseCompress();
    gCompress.store(fn, std::memory_order_relaxed);
  }
  fn(state, data, blocks);
}
#else
void Compress(uint32_t state[5], const uint8_t* data, size_t blocks) {
  uint32_t wk[80];
  static const uint32_t k[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu, 0xCA62C1D6u};
  while (blocks--) {
    for (int i = 0; i < 16; ++i) wk[i] = LoadBe32(data + 4 * i);
    for (int i = 16; i < 80; ++i) wk[i] = Rotl(wk[i - 3] ^ wk[i - 8] ^ wk[i - 14] ^ wk[i - 16], 1);
    for (int i = 0; i < 80; ++i) wk[i] += k[i / 20];
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int t = 0; t < 80; ++t) {
      uint32_t f = t < 20 ? SHA1_F1(b, c, d) : t < 40 ? SHA1_F2(b, c, d) : t < 60 ? SHA1_F3(b, c, d) : SHA1_F2(b, c, d);
      uint32_t next = Rotl(a, 5) + f + e + wk[t];
      e = d;
      d = c;
      c = Rotl(b, 30);
      b = a;
      a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    data += kSha1BlockSize;
  }
  SecureWipe(wk, sizeof wk);
}
#endif

}  // namespace

void Sha1UseRounds(Sha1Rounds rounds) {
#if defined(__SSE2__)
  __builtin_cpu_init();
  const bool modern = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
  CompressFn fn = ChooseCompress();
  if (rounds == Sha1Rounds::Scalar) fn = modern ? CompressModern : CompressGeneric;
  if (rounds == Sha1Rounds::Portable) fn = CompressGeneric;
  gCompress.store(fn, std::memory_order_relaxed);
#else
  (void)rounds;
#endif
}

void SecureWipe(void* data, size_t length) {
  if (!data || !length) return;
  std::memset(data, 0, length);
  // The compiler must assume the cleared bytes are read, so the clearing stays.
  __asm__ __volatile__("" : : "r"(data) : "memory");
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
