// SHA-1, HMAC-SHA1 and the key-block function against published vectors and OpenSSL.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include <string>

#include "oracle.h"
#include "vxbase/crypto/hmac.h"
#include "vxbase/crypto/sha1.h"

using namespace vxbase::crypto;
using namespace crypto_test;

namespace {

std::string Sha1Hex(const void* data, size_t n) {
  uint8_t d[20];
  Sha1Digest(data, n, d);
  return ToHex(d, 20);
}

// Each build of the rounds this processor runs: SHA instructions, BMI2/AVX2, portable.
class Sha1Builds : public ::testing::TestWithParam<Sha1Rounds> {
 protected:
  void SetUp() override { Sha1UseRounds(GetParam()); }
  void TearDown() override { Sha1UseRounds(Sha1Rounds::Best); }
};
INSTANTIATE_TEST_SUITE_P(EachBuild, Sha1Builds,
                         ::testing::Values(Sha1Rounds::Best, Sha1Rounds::Scalar, Sha1Rounds::Portable));

TEST_P(Sha1Builds, PublishedVectors) {
  struct Case {
    std::string message;
    size_t repeat;
    const char* digest;
  } cases[] = {
      {"", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"a", 1000000, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& c : cases) {
    Sha1 h;
    for (size_t i = 0; i < c.repeat; ++i) h.Update(c.message.data(), c.message.size());
    uint8_t d[20];
    h.Finish(d);
    EXPECT_EQ(ToHex(d, 20), c.digest) << c.message.substr(0, 10) << " x" << c.repeat;
  }
}

// Every length around the padding boundaries, fed in uneven pieces, against OpenSSL.
TEST_P(Sha1Builds, PiecewiseInputMatchesOpensslAtEveryLength) {
  Bytes data = Pattern(300);
  for (size_t len = 0; len <= 300; ++len) {
    uint8_t expected[20];
    SHA1(data.data(), len, expected);
    EXPECT_EQ(Sha1Hex(data.data(), len), ToHex(expected, 20)) << "one call, length " << len;
    Sha1 h;
    size_t pos = 0, step = 1;
    while (pos < len) {
      size_t take = std::min(step, len - pos);
      h.Update(data.data() + pos, take);
      pos += take;
      step = step * 3 % 71 + 1;
    }
    uint8_t d[20];
    h.Finish(d);
    ASSERT_EQ(ToHex(d, 20), ToHex(expected, 20)) << "pieces, length " << len;
  }
}

TEST(Sha1, FinishStartsAFreshMessage) {
  Sha1 h;
  h.Update("xyz", 3);
  uint8_t first[20], second[20];
  h.Finish(first);
  h.Update("abc", 3);
  h.Finish(second);
  EXPECT_EQ(ToHex(second, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

struct HmacCase {
  Bytes key;
  Bytes data;
  const char* mac;
};

Bytes Repeat(uint8_t v, size_t n) { return Bytes(n, v); }
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(HmacSha1, Rfc2202CasesOneToFive) {
  Bytes key4;
  for (int i = 1; i <= 25; ++i) key4.push_back(uint8_t(i));
  const HmacCase cases[] = {
      {Repeat(0x0b, 20), Text("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
      {Text("Jefe"), Text("what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {Repeat(0xaa, 20), Repeat(0xdd, 50), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
      {key4, Repeat(0xcd, 50), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
      {Repeat(0x0c, 20), Text("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    uint8_t mac[20];
    HmacSha1Mac(c.key.data(), c.key.size(), c.data.data(), c.data.size(), mac);
    EXPECT_EQ(ToHex(mac, 20), c.mac) << "case " << i + 1;
    // The incremental form in two pieces, used twice under one key.
    HmacSha1 h(c.key.data(), c.key.size());
    for (int round = 0; round < 2; ++round) {
      h.Update(c.data.data(), 3);
      h.Update(c.data.data() + 3, c.data.size() - 3);
      h.Finish(mac);
      EXPECT_EQ(ToHex(mac, 20), c.mac) << "case " << i + 1 << " incremental round " << round;
    }
  }
}

// A key longer than a block is cut, not hashed: the peer derives the same value.
TEST(HmacSha1, LongKeyIsCutToOneBlock) {
  Bytes key = Pattern(80);
  Bytes data = Text("Test Using Larger Than Block-Size Key - Hash Key First");
  uint8_t longMac[20], cutMac[20], hashed[20];
  HmacSha1Mac(key.data(), key.size(), data.data(), data.size(), longMac);
  HmacSha1Mac(key.data(), 64, data.data(), data.size(), cutMac);
  EXPECT_EQ(ToHex(longMac, 20), ToHex(cutMac, 20));
  unsigned n = 0;
  HMAC(EVP_sha1(), key.data(), int(key.size()), data.data(), data.size(), hashed, &n);
  EXPECT_NE(ToHex(longMac, 20), ToHex(hashed, 20));
  // Exactly 64 bytes is used as it stands, as in the standard.
  HMAC(EVP_sha1(), key.data(), 64, data.data(), data.size(), hashed, &n);
  EXPECT_EQ(ToHex(cutMac, 20), ToHex(hashed, 20));
}

TEST(KeyBlock, MatchesTls10PSha1) {
  struct Case {
    size_t secretLength, seedLength, outLength;
  } cases[] = {{48, 13, 104}, {20, 77, 20}, {20, 77, 21}, {48, 1, 1}, {64, 64, 200}, {16, 40, 39}};
  for (const auto& c : cases) {
    Bytes secret = Pattern(c.secretLength, 1), seed = Pattern(c.seedLength, 2);
    Bytes out(c.outLength + 4, 0xEE);
    KeyBlock(secret.data(), secret.size(), seed.data(), seed.size(), out.data(), c.outLength);
    Bytes expected = OpensslPSha1(secret, seed, c.outLength);
    EXPECT_EQ(ToHex(out.data(), c.outLength), ToHex(expected))
        << c.secretLength << "/" << c.seedLength << "/" << c.outLength;
    EXPECT_EQ(ToHex(out.data() + c.outLength, 4), "eeeeeeee") << "wrote past the asked length";
  }
}

TEST(EqualConstantTime, ComparesEveryByte) {
  Bytes a = Pattern(20), b = a;
  EXPECT_TRUE(EqualConstantTime(a.data(), b.data(), 20));
  for (size_t i : {size_t(0), size_t(10), size_t(19)}) {
    Bytes c = a;
    c[i] ^= 0x80;
    EXPECT_FALSE(EqualConstantTime(a.data(), c.data(), 20)) << i;
  }
}

}  // namespace
