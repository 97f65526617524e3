// SEED against the published vectors and OpenSSL's SEED-CBC.
#include <gtest/gtest.h>

#include "oracle.h"
#include "vxbase/crypto/seed.h"

using namespace vxbase::crypto;
using namespace crypto_test;

namespace {

TEST(Seed, PublishedBlockVectors) {
  struct Case {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"00000000000000000000000000000000", "000102030405060708090A0B0C0D0E0F", "5EBAC6E0054E166819AFF1CC6D346CDB"},
      {"000102030405060708090A0B0C0D0E0F", "00000000000000000000000000000000", "C11F22F20140505084483597E4370F43"},
      {"4706480851E61BE85D74BFB3FD956185", "83A2F8A288641FB9A4E9A5CC2F131C7D", "EE54D13EBCAE706D226BC3142CD40D4A"},
      {"28DBC3BC49FFD87DCFA509B11D422BE7", "B41E6BE2EBA84A148E2EED84593C5EC7", "9B9B7BFCD1813CB95D0B3618F40F5122"},
  };
  for (const auto& c : cases) {
    Bytes key = FromHex(c.key), plain = FromHex(c.plain), cipher = FromHex(c.cipher);
    SeedKey enc, dec;
    SeedSetKey(key.data(), true, enc);
    SeedSetKey(key.data(), false, dec);
    uint8_t out[16], back[16];
    SeedBlock(enc, plain.data(), out);
    EXPECT_EQ(ToHex(out, 16), ToHex(cipher)) << c.key;
    SeedBlock(dec, out, back);
    EXPECT_EQ(ToHex(back, 16), ToHex(plain)) << c.key;
  }
}

// Lengths cover the single-block path, the four-block path and mixes of both.
TEST(Seed, CbcMatchesOpenssl) {
  Bytes key = Pattern(16, 7), iv = Pattern(16, 9);
  SeedKey enc, dec;
  SeedSetKey(key.data(), true, enc);
  SeedSetKey(key.data(), false, dec);
  for (size_t len : {16, 32, 48, 64, 80, 112, 128, 1024, 4096}) {
    Bytes plain = Pattern(len, uint8_t(len));
    Bytes cipher(len), back(len);
    ASSERT_EQ(SeedCbcEncrypt(enc, iv.data(), plain.data(), len, cipher.data()), int(len));
    EXPECT_EQ(ToHex(cipher), ToHex(OpensslSeedCbc(true, key, iv, plain))) << len;
    ASSERT_EQ(SeedCbcDecrypt(dec, iv.data(), cipher.data(), len, back.data()), int(len));
    EXPECT_EQ(ToHex(back), ToHex(plain)) << len;
  }
}

TEST(Seed, CbcInPlaceAndVectorNotAdvanced) {
  Bytes key = Pattern(16, 3), iv = Pattern(16, 4), plain = Pattern(96, 5);
  SeedKey enc, dec;
  SeedSetKey(key.data(), true, enc);
  SeedSetKey(key.data(), false, dec);
  Bytes ivCopy = iv;
  Bytes first(96), buf = plain;
  ASSERT_EQ(SeedCbcEncrypt(enc, iv.data(), plain.data(), 96, first.data()), 96);
  ASSERT_EQ(SeedCbcEncrypt(enc, iv.data(), buf.data(), 96, buf.data()), 96);  // in place, same vector
  EXPECT_EQ(ToHex(buf), ToHex(first));
  EXPECT_EQ(ToHex(iv), ToHex(ivCopy));
  ASSERT_EQ(SeedCbcDecrypt(dec, iv.data(), buf.data(), 96, buf.data()), 96);
  EXPECT_EQ(ToHex(buf), ToHex(plain));
}

TEST(Seed, CbcRefusesBadArguments) {
  Bytes key = Pattern(16), iv = Pattern(16), data = Pattern(48), out(48);
  SeedKey enc, dec;
  SeedSetKey(key.data(), true, enc);
  SeedSetKey(key.data(), false, dec);
  struct Case {
    const char* what;
    const SeedKey* key;
    const uint8_t* iv;
    const uint8_t* in;
    size_t length;
    uint8_t* out;
  } cases[] = {
      {"15 bytes", &enc, iv.data(), data.data(), 15, out.data()},
      {"17 bytes", &enc, iv.data(), data.data(), 17, out.data()},
      {"no vector", &enc, nullptr, data.data(), 16, out.data()},
      {"no input", &enc, iv.data(), nullptr, 16, out.data()},
      {"no output", &enc, iv.data(), data.data(), 16, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SeedCbcEncrypt(*c.key, c.iv, c.in, c.length, c.out), kSeedBadArgument) << c.what;
    EXPECT_EQ(SeedCbcDecrypt(dec, c.iv, c.in, c.length, c.out), kSeedBadArgument) << c.what;
  }
  EXPECT_EQ(SeedCbcEncrypt(dec, iv.data(), data.data(), 16, out.data()), kSeedBadArgument) << "wrong direction";
  EXPECT_EQ(SeedCbcDecrypt(enc, iv.data(), data.data(), 16, out.data()), kSeedBadArgument) << "wrong direction";
  EXPECT_EQ(SeedCbcEncrypt(enc, iv.data(), data.data(), 32, out.data()), 32);
  EXPECT_EQ(SeedCbcEncrypt(enc, iv.data(), data.data(), 0, out.data()), 0);
}

}  // namespace
