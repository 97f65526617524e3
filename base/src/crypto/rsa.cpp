#include "vxbase/crypto/rsa.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "vxbase/crypto/hmac.h"
#include "vxbase/crypto/random.h"

namespace vxbase::crypto {
namespace {

// Working numbers: 65 words, one more than the largest modulus, wiped after use.
constexpr int kWords = kRsaMaxWords + 1;
using Number = uint32_t[kWords];

int WordsOf(const uint32_t* x, int n) {
  while (n > 0 && x[n - 1] == 0) --n;
  return n;
}

// Big-endian bytes (leading zeros skipped) to little-endian words; false when too long.
bool FromBytes(const uint8_t* in, size_t length, uint32_t* out, int maxWords, int* words) {
  while (length > 0 && *in == 0) {
    ++in;
    --length;
  }
  if (length > size_t(maxWords) * 4) return false;
  std::memset(out, 0, sizeof(uint32_t) * size_t(maxWords));
  for (size_t i = 0; i < length; ++i) {
    size_t bytePos = length - 1 - i;  // position from the least significant end
    out[bytePos / 4] |= uint32_t(in[i]) << (8 * (bytePos % 4));
  }
  *words = int((length + 3) / 4);
  return true;
}

void ToBytes(const uint32_t* x, int n, uint8_t* out, size_t k) {
  for (size_t i = 0; i < k; ++i) {
    size_t bytePos = k - 1 - i;
    size_t w = bytePos / 4;
    out[i] = w < size_t(n) ? uint8_t(x[w] >> (8 * (bytePos % 4))) : 0;
  }
}

// -1, 0, 1 as a < b, a == b, a > b over n words.
int Compare(const uint32_t* a, const uint32_t* b, int n) {
  for (int i = n - 1; i >= 0; --i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

// The exponentiation itself runs on 64-bit limbs, half as many as the key's 32-bit words.
__extension__ typedef unsigned __int128 Wide;
constexpr int kLimbs = kRsaMaxWords / 2 + 1;

void ToLimbs(const uint32_t* words, int count, uint64_t* limbs, int limbCount) {
  for (int i = 0; i < limbCount; ++i) {
    uint64_t lo = 2 * i < count ? words[2 * i] : 0;
    uint64_t hi = 2 * i + 1 < count ? words[2 * i + 1] : 0;
    limbs[i] = lo | (hi << 32);
  }
}

void FromLimbs(const uint64_t* limbs, int limbCount, uint32_t* words, int count) {
  for (int i = 0; i < count; ++i) words[i] = i / 2 < limbCount ? uint32_t(limbs[i / 2] >> (32 * (i % 2))) : 0;
}

// -m^-1 mod 2^64 for odd m (Newton's iteration doubles the correct bits each step).
uint64_t NegInverse(uint64_t m) {
  uint64_t x = m;
  for (int i = 0; i < 6; ++i) x *= 2 - m * x;
  return 0 - x;
}

// r = a - b over n limbs; returns the borrow.
uint64_t SubLimbs(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
  uint64_t borrow = 0;
  for (int i = 0; i < n; ++i) {
    Wide d = Wide(a[i]) - b[i] - borrow;
    r[i] = uint64_t(d);
    borrow = uint64_t(d >> 64) & 1;
  }
  return borrow;
}

struct Montgomery {
  const uint64_t* n;
  int limbs;
  uint64_t n0;

  // Working space of one multiplication; the caller wipes it once at the end of its operation.
  struct Scratch {
    uint64_t t[2 * kLimbs + 1];
    uint64_t d[kLimbs];
  };

  // out = t's upper half minus n when that is not below n (t[limbs..2 limbs] < 2n), by mask.
  template <int kFixed = 0>
  void Finish(const uint64_t* top, uint64_t* d, uint64_t* out) const {
    const int limbs = kFixed ? kFixed : this->limbs;
    const uint64_t borrow = SubLimbs(d, top, n, limbs);
    const uint64_t keepT = 0 - (borrow & (top[limbs] ^ 1));  // top < n
    for (int j = 0; j < limbs; ++j) out[j] = (top[j] & keepT) | (d[j] & ~keepT);
  }

  // out = a * b / 2^(64 limbs) mod n, with a, b below n. out may alias a or b. kFixed is the
  // limb count when known at compile time (the loops then unroll), 0 otherwise.
  template <int kFixed = 0>
  void Mul(const uint64_t* a, const uint64_t* b, uint64_t* out, Scratch& s) const {
    const int limbs = kFixed ? kFixed : this->limbs;
    uint64_t* t = s.t;
    std::memset(t, 0, sizeof(uint64_t) * size_t(limbs + 2));
    for (int i = 0; i < limbs; ++i) {
      Wide c = 0;
      const uint64_t bi = b[i];
      for (int j = 0; j < limbs; ++j) {
        c += Wide(a[j]) * bi + t[j];
        t[j] = uint64_t(c);
        c >>= 64;
      }
      c += t[limbs];
      t[limbs] = uint64_t(c);
      t[limbs + 1] = uint64_t(c >> 64);
      const uint64_t m = t[0] * n0;
      c = Wide(m) * n[0] + t[0];
      c >>= 64;
      for (int j = 1; j < limbs; ++j) {
        c += Wide(m) * n[j] + t[j];
        t[j - 1] = uint64_t(c);
        c >>= 64;
      }
      c += t[limbs];
      t[limbs - 1] = uint64_t(c);
      t[limbs] = t[limbs + 1] + uint64_t(c >> 64);
    }
    Finish<kFixed>(t, s.d, out);
  }

  // out = a * a / 2^(64 limbs) mod n, for a below n: each cross product once, doubled, the
  // squares of the limbs added, then the reduction (about three quarters of a Mul).
  template <int kFixed = 0>
  void Square(const uint64_t* a, uint64_t* out, Scratch& s) const {
    const int limbs = kFixed ? kFixed : this->limbs;
    uint64_t* t = s.t;
    const int width = 2 * limbs;
    std::memset(t, 0, sizeof(uint64_t) * size_t(width + 1));
    for (int i = 0; i < limbs - 1; ++i) {
      Wide c = 0;
      const uint64_t ai = a[i];
      for (int j = i + 1; j < limbs; ++j) {
        c += Wide(ai) * a[j] + t[i + j];
        t[i + j] = uint64_t(c);
        c >>= 64;
      }
      t[i + limbs] = uint64_t(c);
    }
    uint64_t carry = 0;
    for (int k = 0; k < width; ++k) {
      const uint64_t next = t[k] >> 63;
      t[k] = (t[k] << 1) | carry;
      carry = next;
    }
    Wide c = 0;
    for (int i = 0; i < limbs; ++i) {
      const Wide sq = Wide(a[i]) * a[i];
      c += Wide(t[2 * i]) + uint64_t(sq);
      t[2 * i] = uint64_t(c);
      c >>= 64;
      c += Wide(t[2 * i + 1]) + uint64_t(sq >> 64);
      t[2 * i + 1] = uint64_t(c);
      c >>= 64;
    }
    // a^2 < n^2 < 2^(128 limbs): nothing is left over. Reduction, one limb at a time; the
    // carry out of each row is kept in `top` and added with the next row.
    uint64_t top = 0;
    for (int i = 0; i < limbs; ++i) {
      const uint64_t m = t[i] * n0;
      Wide r = 0;
      for (int j = 0; j < limbs; ++j) {
        r += Wide(m) * n[j] + t[i + j];
        t[i + j] = uint64_t(r);
        r >>= 64;
      }
      r += Wide(t[i + limbs]) + top;
      t[i + limbs] = uint64_t(r);
      top = uint64_t(r >> 64);
    }
    t[width] = top;
    Finish<kFixed>(t + limbs, s.d, out);
  }
};

// x = 2x mod n, for x below n.
void DoubleMod(uint64_t* x, const uint64_t* n, int limbs) {
  uint64_t carry = 0;
  for (int i = 0; i < limbs; ++i) {
    uint64_t next = x[i] >> 63;
    x[i] = (x[i] << 1) | carry;
    carry = next;
  }
  bool geq = carry != 0;
  if (!geq) {
    geq = true;
    for (int i = limbs - 1; i >= 0; --i)
      if (x[i] != n[i]) {
        geq = x[i] > n[i];
        break;
      }
  }
  if (geq) SubLimbs(x, x, n, limbs);
}

int BitLength(const uint32_t* x, int words) {
  words = WordsOf(x, words);
  if (!words) return 0;
  return 32 * (words - 1) + (32 - __builtin_clz(x[words - 1]));
}

// r2 = R^2 mod n, R = 2^(64 limbs). Starts from 2^(bits-1), which is below n, doubles up to
// 2^d * R (the Montgomery form of 2^d), then squares j times: d * 2^j = 64 limbs. A doubling
// costs a small part of a multiplication, so a few dozen of them replace most squarings.
void MontgomerySquareOfR(const uint32_t* modulus, int words, const Montgomery& mont, uint64_t* r2) {
  const int limbs = mont.limbs;
  const int bits = BitLength(modulus, words);
  const int totalBits = 64 * limbs;
  const int j = std::min(__builtin_ctz(unsigned(totalBits)), 3);
  const int d = totalBits >> j;
  std::memset(r2, 0, sizeof(uint64_t) * size_t(kLimbs));
  r2[(bits - 1) / 64] = uint64_t(1) << ((bits - 1) % 64);
  for (int i = 0; i < totalBits - bits + 1 + d; ++i) DoubleMod(r2, mont.n, limbs);
  Montgomery::Scratch scratch;
  for (int i = 0; i < j; ++i) mont.Mul(r2, r2, r2, scratch);
  SecureWipe(&scratch, sizeof scratch);
}

}  // namespace

bool RsaSetPublicKey(RsaPublicKey& key, const uint8_t* modulus, size_t modulusLength, const uint8_t* exponent,
                     size_t exponentLength) {
  std::memset(&key, 0, sizeof key);
  if (!modulus || !exponent) return false;
  if (!FromBytes(modulus, modulusLength, key.modulus, kRsaMaxWords, &key.modulusWords) ||
      !FromBytes(exponent, exponentLength, key.exponent, kRsaMaxWords, &key.exponentWords))
    return false;
  if (key.modulusWords < 3 || (key.modulus[0] & 1) == 0 || key.exponentWords == 0) {
    std::memset(&key, 0, sizeof key);
    return false;
  }
  const int limbs = (key.modulusWords + 1) / 2;
  uint64_t n[kLimbs] = {};
  ToLimbs(key.modulus, key.modulusWords, n, limbs);
  key.montgomeryN0 = NegInverse(n[0]);
  const Montgomery mont{n, limbs, key.montgomeryN0};
  MontgomerySquareOfR(key.modulus, key.modulusWords, mont, key.montgomeryR2);
  return true;
}

size_t RsaModulusBytes(const RsaPublicKey& key) { return size_t(BitLength(key.modulus, key.modulusWords) + 7) / 8; }

int RsaPublicRaw(const RsaPublicKey& key, const uint8_t* in, size_t inLength, uint8_t* out, size_t outSize) {
  const int words = key.modulusWords;
  const size_t k = RsaModulusBytes(key);
  if (!in || !out || words < 3 || words > kRsaMaxWords || inLength != k || outSize < k) return kRsaBadArgument;
  Number x32 = {};
  int inWords = 0;
  FromBytes(in, inLength, x32, kRsaMaxWords, &inWords);
  if (Compare(x32, key.modulus, words) >= 0) {
    SecureWipe(x32, sizeof x32);
    return kRsaBadArgument;
  }
  const int limbs = (words + 1) / 2;
  uint64_t n[kLimbs] = {}, x[kLimbs] = {}, acc[kLimbs] = {}, one[kLimbs] = {};
  ToLimbs(key.modulus, words, n, limbs);
  ToLimbs(x32, words, x, limbs);
  // A key set by RsaSetPublicKey carries its constants (n0 is odd for an odd modulus).
  uint64_t computedR2[kLimbs];
  const uint64_t* r2 = key.montgomeryR2;
  Montgomery mont{n, limbs, key.montgomeryN0};
  if ((mont.n0 & 1) == 0) {
    mont.n0 = NegInverse(n[0]);
    MontgomerySquareOfR(key.modulus, words, mont, computedR2);
    r2 = computedR2;
  }

  // Left-to-right square and multiply over the exponent's bits.
  Montgomery::Scratch scratch;
  mont.Mul(x, r2, x, scratch);  // x in Montgomery form
  std::memcpy(acc, x, sizeof acc);
  const int ebits = BitLength(key.exponent, key.exponentWords);
  auto power = [&](auto fixed) {
    constexpr int kFixed = decltype(fixed)::value;
    for (int i = ebits - 2; i >= 0; --i) {
      mont.Square<kFixed>(acc, acc, scratch);
      if ((key.exponent[i / 32] >> (i % 32)) & 1) mont.Mul<kFixed>(acc, x, acc, scratch);
    }
  };
  // 1,024- and 2,048-bit keys, the ones servers use, get loops of a known length.
  if (limbs == 16)
    power(std::integral_constant<int, 16>());
  else if (limbs == 32)
    power(std::integral_constant<int, 32>());
  else
    power(std::integral_constant<int, 0>());
  one[0] = 1;
  mont.Mul(acc, one, acc, scratch);
  SecureWipe(&scratch, sizeof scratch);
  FromLimbs(acc, limbs, x32, words);
  ToBytes(x32, words, out, k);
  SecureWipe(x32, sizeof x32);
  SecureWipe(x, sizeof x);
  SecureWipe(acc, sizeof acc);
  return int(k);
}

int RsaEncryptPkcs1(const RsaPublicKey& key, const uint8_t* message, size_t messageLength, uint8_t* out, size_t outSize,
                    RandomFill random) {
  const size_t k = RsaModulusBytes(key);
  if (!message || !out || k < 12 || k > size_t(kRsaMaxWords) * 4) return kRsaBadArgument;
  if (messageLength > k - 11) return kRsaMessageTooLong;
  if (outSize < k) return kRsaBadArgument;
  if (!random) random = OsRandom;
  uint8_t block[kRsaMaxWords * 4];
  block[0] = 0;
  block[1] = 2;
  const size_t padLength = k - 3 - messageLength;
  uint8_t* pad = block + 2;
  if (!random(pad, padLength)) return kRsaRandomFailed;
  for (size_t i = 0; i < padLength; ++i) {
    int tries = 0;
    while (pad[i] == 0) {  // padding bytes must not be zero: draw again
      if (++tries > 1000 || !random(pad + i, 1)) {
        SecureWipe(block, sizeof block);
        return kRsaRandomFailed;
      }
    }
  }
  block[2 + padLength] = 0;
  std::memcpy(block + 3 + padLength, message, messageLength);
  int r = RsaPublicRaw(key, block, k, out, outSize);
  SecureWipe(block, sizeof block);
  return r;
}

int RsaVerifySha1(const RsaPublicKey& key, const uint8_t* signature, size_t signatureLength,
                  const uint8_t digest[kSha1DigestSize]) {
  // DigestInfo for SHA-1, with and without the NULL parameters.
  static const uint8_t kInfo[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2b, 0x0e,
                                  0x03, 0x02, 0x1a, 0x05, 0x00, 0x04, 0x14};
  static const uint8_t kInfoNoNull[] = {0x30, 0x1f, 0x30, 0x07, 0x06, 0x05, 0x2b, 0x0e, 0x03, 0x02, 0x1a, 0x04, 0x14};
  const size_t k = RsaModulusBytes(key);
  if (!signature || !digest || k < 12 || k > size_t(kRsaMaxWords) * 4) return kRsaBadSignature;
  while (signatureLength > k && *signature == 0) {
    ++signature;
    --signatureLength;
  }
  if (signatureLength > k) return kRsaBadSignature;
  uint8_t padded[kRsaMaxWords * 4] = {};
  std::memcpy(padded + (k - signatureLength), signature, signatureLength);
  uint8_t block[kRsaMaxWords * 4];
  if (RsaPublicRaw(key, padded, k, block, sizeof block) != int(k)) return kRsaBadSignature;

  bool ok = block[0] == 0 && block[1] == 1;
  size_t pos = 2;
  while (ok && pos < k && block[pos] == 0xFF) ++pos;
  ok = ok && pos - 2 >= 8 && pos < k && block[pos] == 0;
  ++pos;
  if (ok) {
    size_t rest = k - pos;
    if (rest == sizeof kInfo + kSha1DigestSize && std::memcmp(block + pos, kInfo, sizeof kInfo) == 0)
      pos += sizeof kInfo;
    else if (rest == sizeof kInfoNoNull + kSha1DigestSize &&
             std::memcmp(block + pos, kInfoNoNull, sizeof kInfoNoNull) == 0)
      pos += sizeof kInfoNoNull;
    else
      ok = false;
  }
  ok = ok && EqualConstantTime(block + pos, digest, kSha1DigestSize);
  return ok ? 0 : kRsaBadSignature;
}

}  // namespace vxbase::crypto
