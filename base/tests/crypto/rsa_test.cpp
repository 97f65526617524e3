// RSA public operations against OpenSSL with the matching private keys.
#include <gtest/gtest.h>

#include <cstring>

#include "test_keys.h"
#include "vxbase/crypto/rsa.h"

using namespace vxbase::crypto;
using namespace crypto_test;

namespace {

struct KeyCase {
  const char* certificate;
  const char* privateKey;
  size_t bytes;
};
const KeyCase kKeys[] = {
    {"small.der", "small.key.pem", 64},
    {"server.der", "server.key.pem", 128},
    {"key2048.der", "big2048.key.pem", 256},
};

// The arithmetic at the edges of the input range: 0, 1, 2, n - 1, and assorted values.
TEST(Rsa, RawPublicOperationMatchesOpenssl) {
  for (const auto& kc : kKeys) {
    Bytes der = ReadFile(DataPath(kc.certificate));
    RsaPublicKey key = KeyOf(der);
    ASSERT_EQ(RsaModulusBytes(key), kc.bytes);
    Certificate cert;
    ASSERT_EQ(ParseCertificate(der.data(), der.size(), cert), 0);
    Bytes nMinus1(cert.modulus.data, cert.modulus.data + cert.modulus.length);
    nMinus1.back() -= 1;  // the modulus is odd
    std::vector<Bytes> inputs = {Bytes(kc.bytes, 0), Bytes(kc.bytes, 0), Bytes(kc.bytes, 0), nMinus1};
    inputs[1].back() = 1;
    inputs[2].back() = 2;
    for (int i = 0; i < 4; ++i) {
      Bytes x = Pattern(kc.bytes, uint8_t(i));
      x[0] &= 0x3f;
      inputs.push_back(x);
    }
    for (size_t i = 0; i < inputs.size(); ++i) {
      Bytes out(kc.bytes);
      ASSERT_EQ(RsaPublicRaw(key, inputs[i].data(), inputs[i].size(), out.data(), out.size()), int(kc.bytes));
      EXPECT_EQ(ToHex(out), ToHex(OpensslRsaRawPublic(der, inputs[i]))) << kc.certificate << " input " << i;
    }
    // The modulus itself is not a valid input.
    Bytes n(cert.modulus.data, cert.modulus.data + cert.modulus.length), out(kc.bytes);
    EXPECT_LT(RsaPublicRaw(key, n.data(), n.size(), out.data(), out.size()), 0);
  }
}

// Moduli that are not whole 64-bit words long, against OpenSSL, with PKCS #1 round trips.
TEST(Rsa, OddLengthModuli) {
  for (int bits : {1000, 1056, 1592}) {
    const std::string pem = DataPath("odd" + std::to_string(bits) + ".key.pem");
    Bytes n, e;
    OpensslRsaPublicNumbers(pem, n, e);
    RsaPublicKey key;
    ASSERT_TRUE(RsaSetPublicKey(key, n.data(), n.size(), e.data(), e.size())) << bits;
    const size_t k = RsaModulusBytes(key);
    ASSERT_EQ(k, size_t(bits + 7) / 8);
    for (int i = 0; i < 3; ++i) {
      Bytes x = Pattern(k, uint8_t(bits + i)), out(k);
      x[0] = uint8_t(x[0] % (n[0] > 1 ? n[0] - 1 : 1));
      ASSERT_EQ(RsaPublicRaw(key, x.data(), k, out.data(), k), int(k));
      EXPECT_EQ(ToHex(out), ToHex(OpensslRsaRawPublicPem(pem, x))) << bits << " input " << i;
    }
    Bytes message = Pattern(48, 9), cipher(k);
    ASSERT_EQ(RsaEncryptPkcs1(key, message.data(), 48, cipher.data(), k), int(k));
    EXPECT_EQ(ToHex(OpensslRsaDecrypt(pem, cipher)), ToHex(message)) << bits;
  }
}

TEST(Rsa, Pkcs1EncipheringOpensWithThePrivateKey) {
  for (const auto& kc : kKeys) {
    RsaPublicKey key = KeyOf(ReadFile(DataPath(kc.certificate)));
    for (size_t m : {size_t(48), size_t(1), kc.bytes - 11}) {
      Bytes message = Pattern(m, uint8_t(m));
      Bytes out(kc.bytes);
      ASSERT_EQ(RsaEncryptPkcs1(key, message.data(), m, out.data(), out.size()), int(kc.bytes))
          << kc.certificate << " m=" << m;
      EXPECT_EQ(ToHex(OpensslRsaDecrypt(DataPath(kc.privateKey), out)), ToHex(message)) << kc.certificate << " m=" << m;
    }
  }
}

TEST(Rsa, Pkcs1EncipheringRefusesWhatDoesNotFit) {
  RsaPublicKey key = KeyOf(ReadFile(DataPath("server.der")));
  Bytes message = Pattern(200), out(128);
  EXPECT_EQ(RsaEncryptPkcs1(key, message.data(), 118, out.data(), 128), kRsaMessageTooLong);
  EXPECT_EQ(RsaEncryptPkcs1(key, message.data(), 48, out.data(), 127), kRsaBadArgument);
  EXPECT_EQ(RsaEncryptPkcs1(key, nullptr, 48, out.data(), 128), kRsaBadArgument);
  EXPECT_EQ(RsaEncryptPkcs1(key, message.data(), 48, nullptr, 128), kRsaBadArgument);
  auto failing = [](void*, size_t) { return false; };
  EXPECT_EQ(RsaEncryptPkcs1(key, message.data(), 48, out.data(), 128, failing), kRsaRandomFailed);
}

// A source that gives many zero bytes: none may reach the padding, or the receiver would
// take the message to start early.
TEST(Rsa, PaddingNeverHoldsZeroBytes) {
  static uint32_t state;
  state = 1;
  auto zeroHeavy = [](void* out, size_t n) {
    auto* p = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < n; ++i) {
      state = state * 1103515245u + 12345u;
      p[i] = (state >> 16) % 3 == 0 ? 0 : uint8_t(state >> 24);
    }
    return true;
  };
  RsaPublicKey key = KeyOf(ReadFile(DataPath("server.der")));
  Bytes message = Pattern(48, 5), out(128);
  for (int round = 0; round < 5; ++round) {
    ASSERT_EQ(RsaEncryptPkcs1(key, message.data(), 48, out.data(), 128, zeroHeavy), 128);
    Bytes block = OpensslRsaRawPrivate(DataPath("server.key.pem"), out);
    ASSERT_EQ(block.size(), 128u);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 2);
    for (size_t i = 2; i < 128 - 48 - 1; ++i) ASSERT_NE(block[i], 0) << "padding byte " << i;
    EXPECT_EQ(block[128 - 49], 0);
    EXPECT_EQ(ToHex(block.data() + 79, 49).substr(2), ToHex(message));
  }
}

TEST(Rsa, KeySetupRefusesUnusableNumbers) {
  const uint8_t e[] = {0x01, 0x00, 0x01};
  Bytes odd = Pattern(128, 1), even = odd, tooLong = Pattern(257, 2), zero(4, 0);
  odd[0] |= 0x80;
  odd.back() |= 1;
  even.back() &= 0xfe;
  tooLong[0] = 1;
  tooLong.back() |= 1;
  RsaPublicKey key;
  EXPECT_TRUE(RsaSetPublicKey(key, odd.data(), odd.size(), e, sizeof e));
  EXPECT_EQ(key.modulusWords, 32);
  EXPECT_FALSE(RsaSetPublicKey(key, even.data(), even.size(), e, sizeof e)) << "even modulus";
  EXPECT_FALSE(RsaSetPublicKey(key, tooLong.data(), tooLong.size(), e, sizeof e)) << "65 words";
  EXPECT_FALSE(RsaSetPublicKey(key, odd.data(), odd.size(), zero.data(), zero.size())) << "zero exponent";
  EXPECT_FALSE(RsaSetPublicKey(key, zero.data(), zero.size(), e, sizeof e)) << "zero modulus";
  // Leading zero bytes do not count against the 64 words.
  Bytes padded(3, 0);
  padded.insert(padded.end(), odd.begin(), odd.end());
  EXPECT_TRUE(RsaSetPublicKey(key, padded.data(), padded.size(), e, sizeof e));
  EXPECT_EQ(RsaModulusBytes(key), 128u);
}

// Signature blocks made with the authority's private key: only the whole, exact type-1 block
// with the SHA-1 DigestInfo passes.
TEST(Rsa, SignatureCheckOpensTheWholeBlock) {
  Bytes caDer = ReadFile(DataPath("ca.der"));
  RsaPublicKey key = KeyOf(caDer);
  uint8_t digest[20];
  Sha1Digest("to be signed", 12, digest);
  const Bytes info = FromHex("3021300906052b0e03021a05000414");
  const Bytes infoNoNull = FromHex("301f300706052b0e03021a0414");
  auto block = [&](uint8_t type, size_t ffCount, const Bytes& info, bool zeroSeparator) {
    Bytes b = {0x00, type};
    size_t fill = 128 - 2 - 1 - info.size() - 20;
    for (size_t i = 0; i < fill; ++i) b.push_back(i < ffCount ? 0xFF : 0xAB);
    b.push_back(zeroSeparator ? 0x00 : 0x01);
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), digest, digest + 20);
    return b;
  };
  const size_t full = 128 - 3 - info.size() - 20;
  struct Case {
    const char* what;
    Bytes block;
    int expected;
  } cases[] = {
      {"proper block", block(1, full, info, true), 0},
      {"no NULL parameters", block(1, 128 - 3 - infoNoNull.size() - 20, infoNoNull, true), 0},
      {"block type 2", block(2, full, info, true), kRsaBadSignature},
      {"filler not FF", block(1, 10, info, true), kRsaBadSignature},
      {"no zero separator", block(1, full, info, false), kRsaBadSignature},
      {"other DigestInfo", block(1, full, FromHex("3021300906052b0e03021b05000414"), true), kRsaBadSignature},
  };
  for (const auto& c : cases) {
    Bytes sig = OpensslRsaRawPrivate(DataPath("ca.key.pem"), c.block);
    EXPECT_EQ(RsaVerifySha1(key, sig.data(), sig.size(), digest), c.expected) << c.what;
  }
  Bytes good = OpensslRsaRawPrivate(DataPath("ca.key.pem"), block(1, full, info, true));
  uint8_t otherDigest[20];
  std::memcpy(otherDigest, digest, 20);
  otherDigest[19] ^= 1;
  EXPECT_EQ(RsaVerifySha1(key, good.data(), good.size(), otherDigest), kRsaBadSignature);
  EXPECT_EQ(RsaVerifySha1(key, good.data(), 127, digest), kRsaBadSignature) << "cut signature";
  Bytes longer(1, 0xFF);
  longer.insert(longer.end(), good.begin(), good.end());
  EXPECT_EQ(RsaVerifySha1(key, longer.data(), longer.size(), digest), kRsaBadSignature);
}

}  // namespace
