// A minimal DER reader and the X.509 certificate walk the secure session needs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vxbase/crypto/rsa.h"

namespace vxbase::crypto {

constexpr int kCertMissingInput = -54;  // also: does not parse
constexpr int kCertKeyTooLong = -55;    // modulus above 64 words

struct DerSpan {
  const uint8_t* data = nullptr;
  size_t length = 0;
};

// One DER item: tag, the whole item (header and content) and the content alone.
struct DerItem {
  uint8_t tag = 0;
  DerSpan whole;
  DerSpan content;
};

// Reads the item at the start of the bytes; the length (short form, or long form with one to
// four length bytes) must fit in what remains. False on a malformed or truncated item.
bool DerRead(const uint8_t* data, size_t available, DerItem& out);

struct Certificate {
  DerSpan toBeSigned;           // the signed part with its header
  int version = 1;              // 1 when the optional [0] field is absent
  DerSpan serial;               // INTEGER content
  DerSpan signatureAlgorithm;   // AlgorithmIdentifier inside the signed part, whole
  DerSpan issuer;               // Name, whole: its SHA-1 names the authority
  DerSpan notBefore, notAfter;  // time contents (not checked)
  DerSpan subject;              // Name, whole
  DerSpan modulus;              // leading zero bytes skipped
  DerSpan exponent;             // leading zero bytes skipped
  DerSpan outerAlgorithm;       // AlgorithmIdentifier after the signed part, whole
  DerSpan signature;            // BIT STRING content without its unused-bits byte
};

// Walks an X.509 certificate. Returns 0, kCertMissingInput (missing or malformed) or
// kCertKeyTooLong. Bytes after the certificate are ignored.
int ParseCertificate(const uint8_t* der, size_t length, Certificate& out);

// The subject's RSA key as an RsaPublicKey; kCertKeyTooLong or kCertMissingInput on failure.
int CertificatePublicKey(const Certificate& cert, RsaPublicKey& key);

}  // namespace vxbase::crypto
