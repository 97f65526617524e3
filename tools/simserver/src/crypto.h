// Cryptographic building blocks of the simulated server's session side, on OpenSSL's libcrypto.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace simsrv::crypto {

using Bytes = std::vector<uint8_t>;
using Digest = std::array<uint8_t, 20>;

Digest Sha1(const uint8_t* data, size_t size);
inline Digest Sha1(const Bytes& b) { return Sha1(b.data(), b.size()); }
Digest HmacSha1(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size);
// TLS 1.0 P_SHA1 expansion: HMAC(secret, A(i) + seed) blocks with A(0) = seed, cut to `length`.
Bytes PSha1(const uint8_t* secret, size_t secretSize, const Bytes& seed, size_t length);

// SEED in CBC mode over whole 16-byte blocks, no padding; each call starts from `iv`.
// Returns false for a length that is not a whole number of blocks or a cipher failure.
bool SeedCbc(bool encipher, const uint8_t key[16], const uint8_t iv[16], const uint8_t* in, size_t size, Bytes& out);

// The server's RSA key: deciphers PKCS #1 v1.5 (block type 2) blocks.
class RsaPrivateKey {
 public:
  RsaPrivateKey();
  ~RsaPrivateKey();
  RsaPrivateKey(const RsaPrivateKey&) = delete;
  RsaPrivateKey& operator=(const RsaPrivateKey&) = delete;
  bool LoadPem(const std::string& path, std::string& error);
  bool Loaded() const { return key_ != nullptr; }
  size_t ModulusBytes() const;
  // Deciphers one block; false when the block is not a valid PKCS #1 v1.5 type 2 block.
  bool Decipher(const uint8_t* in, size_t size, Bytes& out) const;

 private:
  void* key_ = nullptr;  // EVP_PKEY
};

// Makes sure the providers with SEED (legacy) and the rest (default) are loaded; true when SEED works.
bool EnsureProviders();

bool ReadFile(const std::string& path, Bytes& out);

}  // namespace simsrv::crypto
