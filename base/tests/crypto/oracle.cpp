#include "oracle.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/pem.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>
#include <openssl/bn.h>
#include <openssl/x509.h>

#include <cstdio>
#include <stdexcept>

namespace crypto_test {

Bytes FromHex(const std::string& hex) {
  Bytes out;
  int hi = -1;
  for (char ch : hex) {
    int v;
    if (ch >= '0' && ch <= '9')
      v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
      v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
      v = ch - 'A' + 10;
    else
      continue;
    if (hi < 0)
      hi = v;
    else {
      out.push_back(uint8_t(hi << 4 | v));
      hi = -1;
    }
  }
  return out;
}

std::string ToHex(const uint8_t* data, size_t length) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < length; ++i) {
    s += digits[data[i] >> 4];
    s += digits[data[i] & 15];
  }
  return s;
}

Bytes Pattern(size_t length, uint8_t start) {
  Bytes b(length);
  uint32_t x = 0x12345678u ^ start;
  for (auto& v : b) {
    x = x * 1103515245u + 12345u;
    v = uint8_t(x >> 16);
  }
  return b;
}

Bytes ReadFile(const std::string& path) {
  Bytes out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot open " + path);
  uint8_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

std::string DataPath(const std::string& name) { return std::string(CRYPTO_TEST_DATA_DIR) + "/" + name; }

Bytes OpensslSeedCbc(bool encipher, const Bytes& key, const Bytes& iv, const Bytes& in) {
  static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  static OSSL_PROVIDER* deflt = OSSL_PROVIDER_load(nullptr, "default");
  (void)deflt;
  if (!legacy) throw std::runtime_error("OpenSSL legacy provider missing");
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "SEED-CBC", "provider=legacy");
  if (!cipher) throw std::runtime_error("SEED-CBC not available");
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv.data(), encipher ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  Bytes out(in.size() + 16);
  int n = 0, m = 0;
  EVP_CipherUpdate(ctx, out.data(), &n, in.data(), int(in.size()));
  EVP_CipherFinal_ex(ctx, out.data() + n, &m);
  out.resize(size_t(n + m));
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(cipher);
  return out;
}

Bytes OpensslPSha1(const Bytes& secret, const Bytes& seed, size_t length) {
  EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "TLS1-PRF", nullptr);
  EVP_KDF_CTX* ctx = EVP_KDF_CTX_new(kdf);
  char digest[] = "SHA1";
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SECRET, const_cast<uint8_t*>(secret.data()), secret.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SEED, const_cast<uint8_t*>(seed.data()), seed.size()),
      OSSL_PARAM_construct_end()};
  Bytes out(length);
  if (EVP_KDF_derive(ctx, out.data(), length, params) != 1) throw std::runtime_error("TLS1-PRF failed");
  EVP_KDF_CTX_free(ctx);
  EVP_KDF_free(kdf);
  return out;
}

Bytes OpensslRsaDecrypt(const std::string& pemPath, const Bytes& cipher) {
  FILE* f = std::fopen(pemPath.c_str(), "r");
  if (!f) throw std::runtime_error("cannot open " + pemPath);
  EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (!key) throw std::runtime_error("bad key " + pemPath);
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
  EVP_PKEY_decrypt_init(ctx);
  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
  // Implicit rejection would hide a bad block behind random bytes; the test wants to see it.
  EVP_PKEY_CTX_ctrl_str(ctx, "rsa_pkcs1_implicit_rejection", "0");
  size_t n = 0;
  Bytes out;
  if (EVP_PKEY_decrypt(ctx, nullptr, &n, cipher.data(), cipher.size()) == 1) {
    out.resize(n);
    if (EVP_PKEY_decrypt(ctx, out.data(), &n, cipher.data(), cipher.size()) == 1)
      out.resize(n);
    else
      out.clear();
  }
  EVP_PKEY_CTX_free(ctx);
  EVP_PKEY_free(key);
  return out;
}

namespace {
Bytes RawRsa(EVP_PKEY* key, bool privateOp, const Bytes& block) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
  Bytes out(1024);
  size_t n = out.size();
  int ok = privateOp ? EVP_PKEY_decrypt_init(ctx) : EVP_PKEY_encrypt_init(ctx);
  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING);
  ok = ok == 1 && (privateOp ? EVP_PKEY_decrypt(ctx, out.data(), &n, block.data(), block.size())
                             : EVP_PKEY_encrypt(ctx, out.data(), &n, block.data(), block.size())) == 1;
  EVP_PKEY_CTX_free(ctx);
  if (!ok) throw std::runtime_error("raw RSA failed");
  out.resize(n);
  return out;
}
}  // namespace

Bytes OpensslRsaRawPrivate(const std::string& pemPath, const Bytes& block) {
  FILE* f = std::fopen(pemPath.c_str(), "r");
  if (!f) throw std::runtime_error("cannot open " + pemPath);
  EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  Bytes out = RawRsa(key, true, block);
  EVP_PKEY_free(key);
  return out;
}

namespace {
EVP_PKEY* ReadPrivate(const std::string& pemPath) {
  FILE* f = std::fopen(pemPath.c_str(), "r");
  if (!f) throw std::runtime_error("cannot open " + pemPath);
  EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (!key) throw std::runtime_error("bad key " + pemPath);
  return key;
}
}  // namespace

void OpensslRsaPublicNumbers(const std::string& pemPath, Bytes& modulus, Bytes& exponent) {
  EVP_PKEY* key = ReadPrivate(pemPath);
  BIGNUM *n = nullptr, *e = nullptr;
  EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n);
  EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e);
  modulus.resize(size_t(BN_num_bytes(n)));
  exponent.resize(size_t(BN_num_bytes(e)));
  BN_bn2bin(n, modulus.data());
  BN_bn2bin(e, exponent.data());
  BN_free(n);
  BN_free(e);
  EVP_PKEY_free(key);
}

Bytes OpensslRsaRawPublicPem(const std::string& pemPath, const Bytes& block) {
  EVP_PKEY* key = ReadPrivate(pemPath);
  Bytes out = RawRsa(key, false, block);
  EVP_PKEY_free(key);
  return out;
}

Bytes OpensslRsaRawPublic(const Bytes& certificateDer, const Bytes& block) {
  const unsigned char* p = certificateDer.data();
  X509* cert = d2i_X509(nullptr, &p, long(certificateDer.size()));
  if (!cert) throw std::runtime_error("bad certificate");
  EVP_PKEY* key = X509_get_pubkey(cert);
  Bytes out = RawRsa(key, false, block);
  EVP_PKEY_free(key);
  X509_free(cert);
  return out;
}

}  // namespace crypto_test
