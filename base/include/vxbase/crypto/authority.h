// The certificate-authority table and the check of a server certificate against it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vxbase/crypto/x509.h"

namespace vxbase::crypto {

constexpr int kCertUnknownAuthority = -700;  // no authority with the issuer's name
constexpr int kCertBadSignature = -700;

// The table built into the library: entries of a big-endian 16-bit certificate length, the
// 20-byte identifier (SHA-1 of the authority's subject name) and the DER certificate; a length
// of 0 ends it.
extern const uint8_t kBuiltInAuthorities[];
extern const size_t kBuiltInAuthoritiesSize;

// Adds an authority at run time (a copy is kept for the life of the process). False when the
// certificate does not parse or its key is unusable. Thread-safe.
bool AddAuthority(const uint8_t* der, size_t length);

// Looks an authority up by identifier, in the built-in table first; on success fills the key.
bool FindAuthority(const uint8_t id[kSha1DigestSize], RsaPublicKey& key);

// Parses a certificate and checks its SHA-1 RSA signature with the issuing authority's key; the
// signature algorithm must be sha1WithRSAEncryption, the same inside and outside the signed part.
// Returns 0, kCertMissingInput, kCertKeyTooLong, kCertUnknownAuthority or kCertBadSignature.
// The validity period is not checked. When `parsed` is given it receives the parsed certificate.
int VerifyCertificate(const uint8_t* der, size_t length, Certificate* parsed = nullptr);

}  // namespace vxbase::crypto
