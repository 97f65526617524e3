// VXBase's crypto beside OpenSSL's, in one run on one machine.
// Run with OPENSSL_ia32cap=":~0x20000000" as well to compare SHA-1 with both sides kept off the
// processor's SHA instructions (bench/crypto/run.sh does both and prints the ratios).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/core_names.h>
#include <openssl/pem.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "vxbase/crypto/hmac.h"
#include "vxbase/crypto/rsa.h"
#include "vxbase/crypto/seed.h"
#include "vxbase/crypto/sha1.h"
#include "vxbase/crypto/x509.h"

namespace vc = vxbase::crypto;

namespace {

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 131 + 7);
  return b;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot open " + path);
  uint8_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const uint8_t kIv[16] = {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};

void SetBytes(benchmark::State& state) { state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0)); }

void BM_Seed_Cbc_Encrypt_VXBase(benchmark::State& state) {
  auto in = Bytes(size_t(state.range(0)));
  std::vector<uint8_t> out(in.size());
  vc::SeedKey key;
  vc::SeedSetKey(kKey, true, key);
  for (auto _ : state) {
    vc::SeedCbcEncrypt(key, kIv, in.data(), in.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  SetBytes(state);
}

void BM_Seed_Cbc_Decrypt_VXBase(benchmark::State& state) {
  auto in = Bytes(size_t(state.range(0)));
  std::vector<uint8_t> out(in.size());
  vc::SeedKey key;
  vc::SeedSetKey(kKey, false, key);
  for (auto _ : state) {
    vc::SeedCbcDecrypt(key, kIv, in.data(), in.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  SetBytes(state);
}

void SeedOpenssl(benchmark::State& state, int encipher) {
  static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  static OSSL_PROVIDER* deflt = OSSL_PROVIDER_load(nullptr, "default");
  (void)deflt;
  if (!legacy) {
    state.SkipWithError("no legacy provider");
    return;
  }
  auto in = Bytes(size_t(state.range(0)));
  std::vector<uint8_t> out(in.size() + 16);
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "SEED-CBC", "provider=legacy");
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, cipher, nullptr, kKey, kIv, encipher);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  for (auto _ : state) {
    int n = 0;
    // A fresh vector per call, as the session uses it.
    EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, kIv, encipher);
    EVP_CipherUpdate(ctx, out.data(), &n, in.data(), int(in.size()));
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(cipher);
  SetBytes(state);
}
void BM_Seed_Cbc_Encrypt_OpenSSL(benchmark::State& state) { SeedOpenssl(state, 1); }
void BM_Seed_Cbc_Decrypt_OpenSSL(benchmark::State& state) { SeedOpenssl(state, 0); }

void BM_Sha1_VXBase(benchmark::State& state) {
  auto in = Bytes(size_t(state.range(0)));
  uint8_t d[20];
  for (auto _ : state) {
    vc::Sha1Digest(in.data(), in.size(), d);
    benchmark::DoNotOptimize(d);
  }
  SetBytes(state);
}

// OpenSSL through its fastest general interface: algorithm fetched once, context reused.
void BM_Sha1_OpenSSL(benchmark::State& state) {
  auto in = Bytes(size_t(state.range(0)));
  uint8_t d[20];
  unsigned n = 0;
  EVP_MD* md = EVP_MD_fetch(nullptr, "SHA1", nullptr);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  for (auto _ : state) {
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, in.data(), in.size());
    EVP_DigestFinal_ex(ctx, d, &n);
    benchmark::DoNotOptimize(d);
  }
  EVP_MD_CTX_free(ctx);
  EVP_MD_free(md);
  SetBytes(state);
}

// A key prepared once and used for every record, as the secure session does.
void BM_HmacSha1_VXBase(benchmark::State& state) {
  auto in = Bytes(size_t(state.range(0)));
  uint8_t mac[20];
  vc::HmacSha1Key key;
  vc::HmacSha1SetKey(key, kKey, 20);
  for (auto _ : state) {
    vc::HmacSha1Mac(key, in.data(), in.size(), mac);
    benchmark::DoNotOptimize(mac);
  }
  SetBytes(state);
}

// OpenSSL's keyed context reused: the key's pad states are kept between messages.
void BM_HmacSha1_OpenSSL(benchmark::State& state) {
  auto in = Bytes(size_t(state.range(0)));
  uint8_t mac[20];
  size_t n = 0;
  EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(hmac);
  char digest[] = "SHA1";
  OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string("digest", digest, 0), OSSL_PARAM_construct_end()};
  EVP_MAC_init(ctx, kKey, 20, params);
  for (auto _ : state) {
    EVP_MAC_init(ctx, nullptr, 0, nullptr);  // a new message under the key already set
    EVP_MAC_update(ctx, in.data(), in.size());
    EVP_MAC_final(ctx, mac, &n, sizeof mac);
    benchmark::DoNotOptimize(mac);
  }
  EVP_MAC_CTX_free(ctx);
  EVP_MAC_free(hmac);
  SetBytes(state);
}

const std::string kData = CRYPTO_BENCH_DATA_DIR;

void BM_Rsa1024_PublicPkcs1_VXBase(benchmark::State& state) {
  auto der = ReadFile(kData + "/server.der");
  vc::Certificate cert;
  vc::RsaPublicKey key;
  if (vc::ParseCertificate(der.data(), der.size(), cert) != 0 || vc::CertificatePublicKey(cert, key) != 0) {
    state.SkipWithError("certificate");
    return;
  }
  auto msg = Bytes(48);
  uint8_t out[128];
  for (auto _ : state) {
    vc::RsaEncryptPkcs1(key, msg.data(), msg.size(), out, sizeof out);
    benchmark::DoNotOptimize(out);
  }
}

void BM_Rsa1024_PublicPkcs1_OpenSSL(benchmark::State& state) {
  auto der = ReadFile(kData + "/server.der");
  const unsigned char* p = der.data();
  X509* x = d2i_X509(nullptr, &p, long(der.size()));
  EVP_PKEY* key = X509_get_pubkey(x);
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
  EVP_PKEY_encrypt_init(ctx);
  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
  auto msg = Bytes(48);
  uint8_t out[128];
  for (auto _ : state) {
    size_t n = sizeof out;
    EVP_PKEY_encrypt(ctx, out, &n, msg.data(), msg.size());
    benchmark::DoNotOptimize(out);
  }
  EVP_PKEY_CTX_free(ctx);
  EVP_PKEY_free(key);
  X509_free(x);
}

#define SIZES Arg(64)->Arg(1024)->Arg(4096)
BENCHMARK(BM_Seed_Cbc_Encrypt_VXBase)->SIZES;
BENCHMARK(BM_Seed_Cbc_Encrypt_OpenSSL)->SIZES;
BENCHMARK(BM_Seed_Cbc_Decrypt_VXBase)->SIZES;
BENCHMARK(BM_Seed_Cbc_Decrypt_OpenSSL)->SIZES;
BENCHMARK(BM_Sha1_VXBase)->SIZES;
BENCHMARK(BM_Sha1_OpenSSL)->SIZES;
BENCHMARK(BM_HmacSha1_VXBase)->SIZES;
BENCHMARK(BM_HmacSha1_OpenSSL)->SIZES;
BENCHMARK(BM_Rsa1024_PublicPkcs1_VXBase);
BENCHMARK(BM_Rsa1024_PublicPkcs1_OpenSSL);

}  // namespace

// With OpenSSL's SHA instructions masked, VXBase runs without its own as well.
int main(int argc, char** argv) {
  const char* cap = std::getenv("OPENSSL_ia32cap");
  if (cap && std::string(cap).find("~0x20000000") != std::string::npos) vc::Sha1UseRounds(vc::Sha1Rounds::Scalar);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
