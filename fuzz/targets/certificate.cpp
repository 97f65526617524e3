// The certificate reader (DER items, the X.509 walk, the subject's key) and the check of a
// certificate against the authority table, on any bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vxbase/crypto/authority.h"
#include "vxbase/crypto/x509.h"

using namespace vxbase::crypto;

namespace {

const uint8_t* g_begin;
const uint8_t* g_end;

// Every span the reader hands out lies inside the input.
void Inside(const DerSpan& s) {
  if (s.length == 0) return;
  if (!s.data || s.data < g_begin || s.data > g_end || s.length > size_t(g_end - s.data)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> der(data, data + size);  // exactly the input: overreads are caught
  const uint8_t* p = der.empty() ? nullptr : der.data();
  g_begin = p;
  g_end = p + size;

  // Item after item, as a reader walking a sequence would.
  size_t at = 0;
  DerItem item;
  while (at < size && DerRead(p + at, size - at, item)) {
    Inside(item.whole);
    Inside(item.content);
    if (item.whole.data != p + at || item.whole.length == 0) std::abort();
    if (item.content.data + item.content.length != item.whole.data + item.whole.length) std::abort();
    at += item.whole.length;
  }

  Certificate cert;
  const int parsed = ParseCertificate(p, size, cert);
  if (parsed != 0 && parsed != kCertMissingInput && parsed != kCertKeyTooLong) std::abort();
  if (parsed == 0) {
    for (const DerSpan* s :
         {&cert.toBeSigned, &cert.serial, &cert.signatureAlgorithm, &cert.issuer, &cert.notBefore, &cert.notAfter,
          &cert.subject, &cert.modulus, &cert.exponent, &cert.outerAlgorithm, &cert.signature})
      Inside(*s);
    RsaPublicKey key;
    const int k = CertificatePublicKey(cert, key);
    if (k != 0 && k != kCertMissingInput && k != kCertKeyTooLong) std::abort();
    if (k == 0 && (key.modulusWords < 1 || key.modulusWords > kRsaMaxWords || key.exponentWords < 1 ||
                   key.exponentWords > kRsaMaxWords))
      std::abort();
  }

  Certificate checked;
  const int verified = VerifyCertificate(p, size, &checked);
  if (verified != 0 && verified != kCertMissingInput && verified != kCertKeyTooLong &&
      verified != kCertUnknownAuthority && verified != kCertBadSignature)
    std::abort();
  if (verified == 0 && parsed != 0) std::abort();  // nothing unparsable is ever accepted
  return 0;
}
