#include "vxbase/crypto/authority.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "vxbase/crypto/hmac.h"

namespace vxbase::crypto {
namespace {

struct AddedAuthority {
  uint8_t id[kSha1DigestSize];
  std::vector<uint8_t> der;
};

std::mutex& AddedMutex() {
  static std::mutex m;
  return m;
}

std::vector<AddedAuthority>& Added() {
  static std::vector<AddedAuthority> v;
  return v;
}

bool KeyOf(const uint8_t* der, size_t length, RsaPublicKey& key) {
  Certificate cert;
  return ParseCertificate(der, length, cert) == 0 && CertificatePublicKey(cert, key) == 0;
}

}  // namespace

bool AddAuthority(const uint8_t* der, size_t length) {
  Certificate cert;
  RsaPublicKey key;
  if (!der || ParseCertificate(der, length, cert) != 0 || CertificatePublicKey(cert, key) != 0) return false;
  AddedAuthority a;
  Sha1Digest(cert.subject.data, cert.subject.length, a.id);
  a.der.assign(der, der + length);
  std::lock_guard<std::mutex> lock(AddedMutex());
  Added().push_back(std::move(a));
  return true;
}

bool FindAuthority(const uint8_t id[kSha1DigestSize], RsaPublicKey& key) {
  // Walk the built-in table; an entry that would run past the table ends the walk.
  size_t pos = 0;
  while (pos + 2 <= kBuiltInAuthoritiesSize) {
    size_t length = size_t(kBuiltInAuthorities[pos]) << 8 | kBuiltInAuthorities[pos + 1];
    if (length == 0 || kBuiltInAuthoritiesSize - pos - 2 < kSha1DigestSize + length) break;
    const uint8_t* entryId = kBuiltInAuthorities + pos + 2;
    const uint8_t* der = entryId + kSha1DigestSize;
    if (std::memcmp(entryId, id, kSha1DigestSize) == 0 && KeyOf(der, length, key)) return true;
    pos += 2 + kSha1DigestSize + length;
  }
  std::lock_guard<std::mutex> lock(AddedMutex());
  for (const auto& a : Added())
    if (std::memcmp(a.id, id, kSha1DigestSize) == 0 && KeyOf(a.der.data(), a.der.size(), key)) return true;
  return false;
}

int VerifyCertificate(const uint8_t* der, size_t length, Certificate* parsed) {
  Certificate cert;
  int r = ParseCertificate(der, length, cert);
  if (r != 0) return r;
  RsaPublicKey subjectKey;
  r = CertificatePublicKey(cert, subjectKey);
  if (r != 0) return r;
  // The algorithm outside the signed part is not covered by the signature: it must repeat the
  // one inside, and that must be SHA-1 with RSA.
  static const uint8_t kSha1WithRsa[] = {0x06, 0x09, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x01, 0x05};
  const DerSpan& inner = cert.signatureAlgorithm;
  if (cert.outerAlgorithm.length != inner.length ||
      std::memcmp(cert.outerAlgorithm.data, inner.data, inner.length) != 0 || inner.length < 2 + sizeof kSha1WithRsa ||
      std::memcmp(inner.data + 2, kSha1WithRsa, sizeof kSha1WithRsa) != 0)
    return kCertBadSignature;
  uint8_t issuerId[kSha1DigestSize];
  Sha1Digest(cert.issuer.data, cert.issuer.length, issuerId);
  RsaPublicKey authorityKey;
  if (!FindAuthority(issuerId, authorityKey)) return kCertUnknownAuthority;
  uint8_t digest[kSha1DigestSize];
  Sha1Digest(cert.toBeSigned.data, cert.toBeSigned.length, digest);
  if (RsaVerifySha1(authorityKey, cert.signature.data, cert.signature.length, digest) != 0) return kCertBadSignature;
  if (parsed) *parsed = cert;
  return 0;
}

}  // namespace vxbase::crypto
