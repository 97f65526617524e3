// Small helpers shared by the crypto tests: hex text, OpenSSL oracles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace crypto_test {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex);
std::string ToHex(const uint8_t* data, size_t length);
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }
Bytes Pattern(size_t length, uint8_t start = 0);  // deterministic test bytes
Bytes ReadFile(const std::string& path);
std::string DataPath(const std::string& name);

// SEED-CBC through OpenSSL's legacy provider, without padding.
Bytes OpensslSeedCbc(bool encipher, const Bytes& key, const Bytes& iv, const Bytes& in);
// TLS 1.0 P_SHA1 through OpenSSL's TLS1-PRF (digest SHA1).
Bytes OpensslPSha1(const Bytes& secret, const Bytes& seed, size_t length);
// RSA PKCS #1 v1.5 deciphering with a PEM private key file.
Bytes OpensslRsaDecrypt(const std::string& pemPath, const Bytes& cipher);

// Raw RSA (no padding): the private operation with a PEM key, the public one with a DER certificate's key.
Bytes OpensslRsaRawPrivate(const std::string& pemPath, const Bytes& block);
Bytes OpensslRsaRawPublic(const Bytes& certificateDer, const Bytes& block);

// Modulus and public exponent (big-endian) of a PEM private key.
void OpensslRsaPublicNumbers(const std::string& pemPath, Bytes& modulus, Bytes& exponent);
// Raw public operation with the public half of a PEM private key.
Bytes OpensslRsaRawPublicPem(const std::string& pemPath, const Bytes& block);

}  // namespace crypto_test
