// The DER reader, the certificate walk and the check against the authority table.
#include <gtest/gtest.h>

#include <openssl/x509.h>

#include <cstring>

#include "test_keys.h"
#include "vxbase/crypto/authority.h"

using namespace vxbase::crypto;
using namespace crypto_test;

namespace {

TEST(Der, LengthForms) {
  struct Case {
    const char* what;
    const char* hex;
    size_t available;  // 0: all of it
    bool ok;
    size_t header, length;
  } cases[] = {
      {"short form", "0403aabbcc", 0, true, 2, 3},
      {"short form, nothing after", "0400", 0, true, 2, 0},
      {"one length byte", "0481030102 03", 0, true, 3, 3},
      {"two length bytes", "04820003010203", 0, true, 4, 3},
      {"four length bytes", "0484000000020102", 0, true, 6, 2},
      {"five length bytes", "048500000000010a", 0, false, 0, 0},
      {"indefinite", "04800000", 0, false, 0, 0},
      {"content runs past the end", "0404aabbcc", 0, false, 0, 0},
      {"length bytes run past the end", "048200", 0, false, 0, 0},
      {"huge length", "0484ffffffff00", 0, false, 0, 0},
      {"header only", "04", 0, false, 0, 0},
      {"multi-byte tag", "1f0100", 0, false, 0, 0},
      {"limited by available", "0403aabbcc", 4, false, 0, 0},
  };
  for (const auto& c : cases) {
    Bytes b = FromHex(c.hex);
    DerItem item;
    bool ok = DerRead(b.data(), c.available ? c.available : b.size(), item);
    EXPECT_EQ(ok, c.ok) << c.what;
    if (ok && c.ok) {
      EXPECT_EQ(item.whole.length, c.header + c.length) << c.what;
      EXPECT_EQ(item.content.length, c.length) << c.what;
      EXPECT_EQ(item.content.data, b.data() + c.header) << c.what;
    }
  }
}

// The walk agrees with OpenSSL on the fields the session uses.
TEST(Certificate, FieldsMatchOpenssl) {
  for (const char* name : {"server.der", "ca.der", "small.der"}) {
    Bytes der = ReadFile(DataPath(name));
    Certificate cert;
    ASSERT_EQ(ParseCertificate(der.data(), der.size(), cert), 0) << name;
    const unsigned char* p = der.data();
    X509* x = d2i_X509(nullptr, &p, long(der.size()));
    ASSERT_NE(x, nullptr);
    unsigned char* enc = nullptr;
    int n = i2d_X509_NAME(X509_get_issuer_name(x), &enc);
    EXPECT_EQ(ToHex(cert.issuer.data, cert.issuer.length), ToHex(enc, size_t(n))) << name;
    OPENSSL_free(enc);
    enc = nullptr;
    n = i2d_X509_NAME(X509_get_subject_name(x), &enc);
    EXPECT_EQ(ToHex(cert.subject.data, cert.subject.length), ToHex(enc, size_t(n))) << name;
    OPENSSL_free(enc);
    enc = nullptr;
    n = i2d_re_X509_tbs(x, &enc);
    EXPECT_EQ(ToHex(cert.toBeSigned.data, cert.toBeSigned.length), ToHex(enc, size_t(n))) << name;
    OPENSSL_free(enc);
    EXPECT_EQ(cert.version, int(X509_get_version(x)) + 1) << name;
    const ASN1_BIT_STRING* sig = nullptr;
    X509_get0_signature(&sig, nullptr, x);
    EXPECT_EQ(ToHex(cert.signature.data, cert.signature.length), ToHex(sig->data, size_t(sig->length))) << name;
    EXPECT_EQ(ToHex(cert.exponent.data, cert.exponent.length), "010001") << name;
    EXPECT_NE(cert.modulus.data[0], 0) << name;
    X509_free(x);
  }
  // small.der's signed part is under 256 bytes: its header is 3 bytes, not 4.
  Bytes small = ReadFile(DataPath("small.der"));
  Certificate cert;
  ASSERT_EQ(ParseCertificate(small.data(), small.size(), cert), 0);
  EXPECT_EQ(cert.toBeSigned.data[1], 0x81);
  EXPECT_EQ(cert.version, 1);
}

TEST(Certificate, EveryTruncationIsRefused) {
  Bytes der = ReadFile(DataPath("server.der"));
  Certificate cert;
  for (size_t len = 0; len < der.size(); ++len) {
    Bytes cut(der.begin(), der.begin() + long(len));  // own allocation: overreads show
    ASSERT_EQ(ParseCertificate(cut.data(), cut.size(), cert), kCertMissingInput) << len;
    ASSERT_EQ(VerifyCertificate(cut.data(), cut.size()), kCertMissingInput) << len;
  }
  EXPECT_EQ(ParseCertificate(nullptr, 100, cert), kCertMissingInput);
}

// Length bytes inside the certificate claiming more than the item that holds them.
TEST(Certificate, InnerLengthsAreCheckedAgainstTheirContainer) {
  Bytes der = ReadFile(DataPath("server.der"));
  Certificate cert;
  ASSERT_EQ(ParseCertificate(der.data(), der.size(), cert), 0);
  size_t issuerAt = size_t(cert.issuer.data - der.data());
  size_t modulusLengthAt = size_t(cert.modulus.data - der.data()) - 2;  // 02 81 81 00 <modulus>
  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
  } cases[] = {
      {"issuer longer than the signed part", issuerAt + 1, 0x7f},
      {"modulus longer than the key", modulusLengthAt, 0xff},
      {"signed part longer than the certificate", 5, 0xff},
  };
  for (const auto& c : cases) {
    Bytes bad = der;
    bad[c.offset] = c.value;
    EXPECT_EQ(ParseCertificate(bad.data(), bad.size(), cert), kCertMissingInput) << c.what;
  }
}

TEST(Certificate, Verification) {
  AddTestAuthority();
  Bytes server = ReadFile(DataPath("server.der"));
  Bytes tamperedName = server, tamperedSignature = server;
  Certificate cert;
  ASSERT_EQ(ParseCertificate(server.data(), server.size(), cert), 0);
  ASSERT_EQ(cert.outerAlgorithm.data[12], 0x05);
  tamperedName[size_t(cert.subject.data - server.data()) + cert.subject.length - 1] ^= 0x01;
  tamperedSignature.back() ^= 0x01;
  Bytes otherOuterAlgorithm = server;  // sha256WithRSAEncryption outside, SHA-1 inside
  otherOuterAlgorithm[size_t(cert.outerAlgorithm.data - server.data()) + 12] = 0x0b;
  struct Case {
    const char* what;
    Bytes der;
    int expected;
  } cases[] = {
      {"signed by the test authority", server, 0},
      {"signature starting with a zero byte", ReadFile(DataPath("zero_lead_signature.der")), 0},
      {"short signed part header", ReadFile(DataPath("small.der")), 0},
      {"2048-bit key", ReadFile(DataPath("key2048.der")), 0},
      {"the authority itself", ReadFile(DataPath("ca.der")), 0},
      {"simulated server, built-in authority", ReadFile(SimKeysPath("test_server.der")), 0},
      {"4096-bit key", ReadFile(DataPath("key4096.der")), kCertKeyTooLong},
      {"unknown issuer", ReadFile(DataPath("stranger_signed.der")), kCertUnknownAuthority},
      {"SHA-256 signature", ReadFile(DataPath("sha256_signed.der")), kCertBadSignature},
      {"subject changed", tamperedName, kCertBadSignature},
      {"signature changed", tamperedSignature, kCertBadSignature},
      {"outer algorithm differs from the signed one", otherOuterAlgorithm, kCertBadSignature},
      {"empty", Bytes(), kCertMissingInput},
  };
  for (const auto& c : cases) EXPECT_EQ(VerifyCertificate(c.der.data(), c.der.size()), c.expected) << c.what;
  // The signature really does start with zero, or the case above proves nothing.
  Bytes zeroLed = ReadFile(DataPath("zero_lead_signature.der"));
  ASSERT_EQ(ParseCertificate(zeroLed.data(), zeroLed.size(), cert), 0);
  EXPECT_EQ(cert.signature.data[0], 0);
}

TEST(AuthorityTable, HoldsTheSimulatedServersAuthority) {
  Bytes ca = ReadFile(SimKeysPath("test_ca.der"));
  Certificate cert;
  ASSERT_EQ(ParseCertificate(ca.data(), ca.size(), cert), 0);
  uint8_t id[20];
  Sha1Digest(cert.subject.data, cert.subject.length, id);
  RsaPublicKey found, expected = KeyOf(ca);
  ASSERT_TRUE(FindAuthority(id, found));
  EXPECT_EQ(found.modulusWords, expected.modulusWords);
  EXPECT_EQ(0, std::memcmp(found.modulus, expected.modulus, sizeof found.modulus));
  id[0] ^= 1;
  EXPECT_FALSE(FindAuthority(id, found));
  Bytes junk = Pattern(50);
  EXPECT_FALSE(AddAuthority(junk.data(), junk.size()));
  EXPECT_FALSE(AddAuthority(nullptr, 10));
}

}  // namespace
