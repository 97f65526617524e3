#include "vxbase/crypto/rsa.h"

#include <cstring>

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

// r = a - b over n words; returns the borrow.
uint32_t Sub(uint32_t* r, const uint32_t* a, const uint32_t* b, int n) {
    uint64_t borrow = 0;
    for (int i = 0; i < n; ++i) {
        uint64_t d = uint64_t(a[i]) - b[i] - borrow;
        r[i] = uint32_t(d);
        borrow = (d >> 32) & 1;
    }
    return uint32_t(borrow);
}

// -m^-1 mod 2^32 for odd m (Newton's iteration doubles the correct bits each step).
uint32_t NegInverse(uint32_t m) {
    uint32_t x = m;
    for (int i = 0; i < 5; ++i) x *= 2 - m * x;
    return 0u - x;
}

struct Montgomery {
    const uint32_t* n;
    int words;
    uint32_t n0;

    // out = a * b / 2^(32 words) mod n, with a, b below n. out may alias a or b.
    void Mul(const uint32_t* a, const uint32_t* b, uint32_t* out) const {
        uint32_t t[kWords + 1] = {};
        for (int i = 0; i < words; ++i) {
            uint64_t c = 0;
            uint64_t bi = b[i];
            for (int j = 0; j < words; ++j) {
                c += t[j] + a[j] * bi;
                t[j] = uint32_t(c);
                c >>= 32;
            }
            c += t[words];
            t[words] = uint32_t(c);
            t[words + 1] = uint32_t(c >> 32);
            uint64_t m = uint32_t(t[0] * n0);
            c = t[0] + m * n[0];
            c >>= 32;
            for (int j = 1; j < words; ++j) {
                c += t[j] + m * n[j];
                t[j - 1] = uint32_t(c);
                c >>= 32;
            }
            c += t[words];
            t[words - 1] = uint32_t(c);
            t[words] = t[words + 1] + uint32_t(c >> 32);
        }
        // The result is below 2n: subtract n once when it is not below n, choosing by mask.
        uint32_t d[kWords];
        uint32_t borrow = Sub(d, t, n, words);
        uint32_t useT = 0u - (borrow & (t[words] ^ 1u));  // keep t when t < n
        for (int j = 0; j < words; ++j) out[j] = (t[j] & useT) | (d[j] & ~useT);
        SecureWipe(t, sizeof t);
        SecureWipe(d, sizeof d);
    }
};

// x = 2x mod n, for x below n.
void DoubleMod(uint32_t* x, const uint32_t* n, int words) {
    uint32_t carry = 0;
    for (int i = 0; i < words; ++i) {
        uint32_t next = x[i] >> 31;
        x[i] = (x[i] << 1) | carry;
        carry = next;
    }
    if (carry || Compare(x, n, words) >= 0) Sub(x, x, n, words);
}

int BitLength(const uint32_t* x, int words) {
    words = WordsOf(x, words);
    if (!words) return 0;
    return 32 * (words - 1) + (32 - __builtin_clz(x[words - 1]));
}

}  // namespace

bool RsaSetPublicKey(RsaPublicKey& key, const uint8_t* modulus, size_t modulusLength,
                     const uint8_t* exponent, size_t exponentLength) {
    std::memset(&key, 0, sizeof key);
    if (!modulus || !exponent) return false;
    if (!FromBytes(modulus, modulusLength, key.modulus, kRsaMaxWords, &key.modulusWords) ||
        !FromBytes(exponent, exponentLength, key.exponent, kRsaMaxWords, &key.exponentWords))
        return false;
    if (key.modulusWords < 3 || (key.modulus[0] & 1) == 0 || key.exponentWords == 0) {
        std::memset(&key, 0, sizeof key);
        return false;
    }
    return true;
}

size_t RsaModulusBytes(const RsaPublicKey& key) {
    return size_t(BitLength(key.modulus, key.modulusWords) + 7) / 8;
}

int RsaPublicRaw(const RsaPublicKey& key, const uint8_t* in, size_t inLength, uint8_t* out,
                 size_t outSize) {
    const int words = key.modulusWords;
    const size_t k = RsaModulusBytes(key);
    if (!in || !out || words < 3 || words > kRsaMaxWords || inLength != k || outSize < k)
        return kRsaBadArgument;
    Number x = {}, acc = {}, r2 = {}, one = {};
    int inWords = 0;
    FromBytes(in, inLength, x, kRsaMaxWords, &inWords);
    if (Compare(x, key.modulus, words) >= 0) {
        SecureWipe(x, sizeof x);
        return kRsaBadArgument;
    }
    Montgomery mont{key.modulus, words, NegInverse(key.modulus[0])};

    // r2 = 2^(64 words) mod n. Start from 2^(bits-1), which is below n, double up to
    // 2^d * R (the Montgomery form of 2^d), then square: d * 2^j = 32 words.
    const int bits = BitLength(key.modulus, words);
    const int totalBits = 32 * words;
    const int j = __builtin_ctz(unsigned(totalBits));
    const int d = totalBits >> j;
    r2[(bits - 1) / 32] = 1u << ((bits - 1) % 32);
    for (int i = 0; i < totalBits - bits + 1 + d; ++i) DoubleMod(r2, key.modulus, words);
    for (int i = 0; i < j; ++i) mont.Mul(r2, r2, r2);

    // Left-to-right square and multiply over the exponent's bits.
    mont.Mul(x, r2, x);  // x in Montgomery form
    std::memcpy(acc, x, sizeof acc);
    const int ebits = BitLength(key.exponent, key.exponentWords);
    for (int i = ebits - 2; i >= 0; --i) {
        mont.Mul(acc, acc, acc);
        if ((key.exponent[i / 32] >> (i % 32)) & 1) mont.Mul(acc, x, acc);
    }
    one[0] = 1;
    mont.Mul(acc, one, acc);
    ToBytes(acc, words, out, k);
    SecureWipe(x, sizeof x);
    SecureWipe(acc, sizeof acc);
    SecureWipe(r2, sizeof r2);
    return int(k);
}

int RsaEncryptPkcs1(const RsaPublicKey& key, const uint8_t* message, size_t messageLength,
                    uint8_t* out, size_t outSize, RandomFill random) {
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
    static const uint8_t kInfoNoNull[] = {0x30, 0x1f, 0x30, 0x07, 0x06, 0x05, 0x2b,
                                          0x0e, 0x03, 0x02, 0x1a, 0x04, 0x14};
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
