#include "vxbase/crypto/x509.h"

#include <cstring>

namespace vxbase::crypto {

bool DerRead(const uint8_t* data, size_t available, DerItem& out) {
  if (!data || available < 2) return false;
  uint8_t tag = data[0];
  if ((tag & 0x1f) == 0x1f) return false;  // multi-byte tags do not occur in certificates
  size_t header = 2;
  size_t length = data[1];
  if (length & 0x80) {
    size_t count = length & 0x7f;
    if (count < 1 || count > 4 || available < 2 + count) return false;  // indefinite or too long
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | data[2 + i];
    header += count;
  }
  if (length > available - header) return false;
  out.tag = tag;
  out.whole = {data, header + length};
  out.content = {data + header, length};
  return true;
}

namespace {

// Reads items one after another inside a constructed item.
class DerCursor {
 public:
  DerCursor(DerSpan span) : p_(span.data), left_(span.length) {}
  bool NextAny(DerItem& item) {
    if (!DerRead(p_, left_, item)) return false;
    p_ += item.whole.length;
    left_ -= item.whole.length;
    return true;
  }
  bool Next(uint8_t tag, DerItem& item) { return NextAny(item) && item.tag == tag; }
  bool PeekTag(uint8_t tag) const { return left_ > 0 && *p_ == tag; }
  bool AtEnd() const { return left_ == 0; }

 private:
  const uint8_t* p_;
  size_t left_;
};

DerSpan SkipLeadingZeros(DerSpan s) {
  while (s.length > 0 && *s.data == 0) {
    ++s.data;
    --s.length;
  }
  return s;
}

constexpr uint8_t kRsaEncryptionOid[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x01, 0x01};

bool IsTime(uint8_t tag) { return tag == 0x17 || tag == 0x18; }

}  // namespace

int ParseCertificate(const uint8_t* der, size_t length, Certificate& out) {
  out = Certificate{};
  if (!der || length == 0) return kCertMissingInput;
  DerItem cert, tbs, item;
  if (!DerRead(der, length, cert) || cert.tag != 0x30) return kCertMissingInput;
  DerCursor outer(cert.content);
  if (!outer.Next(0x30, tbs)) return kCertMissingInput;
  out.toBeSigned = tbs.whole;

  DerCursor c(tbs.content);
  if (c.PeekTag(0xa0)) {
    DerItem explicitVersion, v;
    if (!c.Next(0xa0, explicitVersion)) return kCertMissingInput;
    DerCursor vc(explicitVersion.content);
    if (!vc.Next(0x02, v) || v.content.length != 1) return kCertMissingInput;
    out.version = v.content.data[0] + 1;
  }
  if (!c.Next(0x02, item)) return kCertMissingInput;
  out.serial = item.content;
  if (!c.Next(0x30, item)) return kCertMissingInput;
  out.signatureAlgorithm = item.whole;
  if (!c.Next(0x30, item)) return kCertMissingInput;
  out.issuer = item.whole;
  DerItem validity, t1, t2;
  if (!c.Next(0x30, validity)) return kCertMissingInput;
  DerCursor vc(validity.content);
  if (!vc.NextAny(t1) || !IsTime(t1.tag) || !vc.NextAny(t2) || !IsTime(t2.tag)) return kCertMissingInput;
  out.notBefore = t1.content;
  out.notAfter = t2.content;
  if (!c.Next(0x30, item)) return kCertMissingInput;
  out.subject = item.whole;

  DerItem spki, alg, oid, bits, rsaKey, n, e;
  if (!c.Next(0x30, spki)) return kCertMissingInput;
  DerCursor sc(spki.content);
  if (!sc.Next(0x30, alg) || !sc.Next(0x03, bits)) return kCertMissingInput;
  DerCursor ac(alg.content);
  if (!ac.Next(0x06, oid) || oid.content.length != sizeof kRsaEncryptionOid ||
      std::memcmp(oid.content.data, kRsaEncryptionOid, sizeof kRsaEncryptionOid) != 0)
    return kCertMissingInput;
  if (bits.content.length < 1 || bits.content.data[0] != 0) return kCertMissingInput;
  if (!DerRead(bits.content.data + 1, bits.content.length - 1, rsaKey) || rsaKey.tag != 0x30) return kCertMissingInput;
  DerCursor kc(rsaKey.content);
  if (!kc.Next(0x02, n) || !kc.Next(0x02, e)) return kCertMissingInput;
  out.modulus = SkipLeadingZeros(n.content);
  out.exponent = SkipLeadingZeros(e.content);
  if (out.modulus.length == 0 || out.exponent.length == 0) return kCertMissingInput;

  if (!outer.Next(0x30, item)) return kCertMissingInput;
  out.outerAlgorithm = item.whole;
  if (!outer.Next(0x03, item) || item.content.length < 2 || item.content.data[0] != 0) return kCertMissingInput;
  out.signature = {item.content.data + 1, item.content.length - 1};

  if (out.modulus.length > size_t(kRsaMaxWords) * 4 || out.exponent.length > size_t(kRsaMaxWords) * 4)
    return kCertKeyTooLong;
  return 0;
}

int CertificatePublicKey(const Certificate& cert, RsaPublicKey& key) {
  if (cert.modulus.length > size_t(kRsaMaxWords) * 4 || cert.exponent.length > size_t(kRsaMaxWords) * 4)
    return kCertKeyTooLong;
  if (!RsaSetPublicKey(key, cert.modulus.data, cert.modulus.length, cert.exponent.data, cert.exponent.length))
    return kCertMissingInput;
  return 0;
}

}  // namespace vxbase::crypto
