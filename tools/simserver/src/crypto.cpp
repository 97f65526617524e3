#include "crypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace simsrv::crypto {

Digest Sha1(const uint8_t* data, size_t size) {
  Digest d{};
  SHA1(data, size, d.data());
  return d;
}

Digest HmacSha1(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size) {
  Digest d{};
  unsigned int len = 0;
  HMAC(EVP_sha1(), key, static_cast<int>(keySize), data, size, d.data(), &len);
  return d;
}

Bytes PSha1(const uint8_t* secret, size_t secretSize, const Bytes& seed, size_t length) {
  Bytes out;
  Digest a = HmacSha1(secret, secretSize, seed.data(), seed.size());
  Bytes buf;
  while (out.size() < length) {
    buf.assign(a.begin(), a.end());
    buf.insert(buf.end(), seed.begin(), seed.end());
    Digest block = HmacSha1(secret, secretSize, buf.data(), buf.size());
    out.insert(out.end(), block.begin(), block.end());
    a = HmacSha1(secret, secretSize, a.data(), a.size());
  }
  out.resize(length);
  return out;
}

namespace {

// SEED lives in OpenSSL's legacy provider. It is loaded into a library context of the server's
// own, so that the process-wide default context (which the program that embeds the server may
// use itself) is left as it was; the context is freed at the end of the process.
struct SeedContext {
  OSSL_LIB_CTX* ctx = nullptr;
  OSSL_PROVIDER* legacy = nullptr;
  OSSL_PROVIDER* def = nullptr;
  EVP_CIPHER* seed = nullptr;
};

SeedContext& Seed() {
  static SeedContext* sc = [] {
    static SeedContext c;
    c.ctx = OSSL_LIB_CTX_new();
    if (c.ctx) {
      c.legacy = OSSL_PROVIDER_load(c.ctx, "legacy");
      c.def = OSSL_PROVIDER_load(c.ctx, "default");
      c.seed = EVP_CIPHER_fetch(c.ctx, "SEED-CBC", nullptr);
    }
    std::atexit([] {
      EVP_CIPHER_free(c.seed);
      if (c.legacy) OSSL_PROVIDER_unload(c.legacy);
      if (c.def) OSSL_PROVIDER_unload(c.def);
      OSSL_LIB_CTX_free(c.ctx);
      c = SeedContext{};
    });
    return &c;
  }();
  return *sc;
}

}  // namespace

bool EnsureProviders() { return Seed().seed != nullptr; }

bool SeedCbc(bool encipher, const uint8_t key[16], const uint8_t iv[16], const uint8_t* in, size_t size, Bytes& out) {
  out.clear();
  if (size == 0 || size % 16 != 0 || !EnsureProviders()) return false;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  bool ok = ctx && EVP_CipherInit_ex2(ctx, Seed().seed, key, iv, encipher ? 1 : 0, nullptr) == 1 &&
            EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
  if (ok) {
    out.resize(size + 16);
    int n1 = 0, n2 = 0;
    ok = EVP_CipherUpdate(ctx, out.data(), &n1, in, static_cast<int>(size)) == 1 &&
         EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    out.resize(ok ? static_cast<size_t>(n1 + n2) : 0);
    ok = ok && out.size() == size;
  }
  EVP_CIPHER_CTX_free(ctx);
  return ok;
}

RsaPrivateKey::RsaPrivateKey() = default;
RsaPrivateKey::~RsaPrivateKey() { EVP_PKEY_free(static_cast<EVP_PKEY*>(key_)); }

bool RsaPrivateKey::LoadPem(const std::string& path, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  EVP_PKEY* k = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (!k || EVP_PKEY_get_base_id(k) != EVP_PKEY_RSA) {
    EVP_PKEY_free(k);
    error = "not an RSA private key: " + path;
    return false;
  }
  EVP_PKEY_free(static_cast<EVP_PKEY*>(key_));
  key_ = k;
  return true;
}

size_t RsaPrivateKey::ModulusBytes() const {
  return key_ ? static_cast<size_t>(EVP_PKEY_get_size(static_cast<EVP_PKEY*>(key_))) : 0;
}

bool RsaPrivateKey::Decipher(const uint8_t* in, size_t size, Bytes& out) const {
  out.clear();
  if (!key_ || size != ModulusBytes()) return false;
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(static_cast<EVP_PKEY*>(key_), nullptr);
  size_t len = 0;
  bool ok = ctx && EVP_PKEY_decrypt_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
            EVP_PKEY_decrypt(ctx, nullptr, &len, in, size) == 1;
  if (ok) {
    out.resize(len);
    ok = EVP_PKEY_decrypt(ctx, out.data(), &len, in, size) == 1;
    out.resize(ok ? len : 0);
  }
  EVP_PKEY_CTX_free(ctx);
  return ok;
}

bool ReadFile(const std::string& path, Bytes& out) {
  out.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return true;
}

}  // namespace simsrv::crypto
