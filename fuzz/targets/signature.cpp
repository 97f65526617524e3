// The RSA signature check (PKCS #1 v1.5 block type 1 over a SHA-1 digest), against a test key
// whose private half is known here: the harness can sign any block, so the opening of the block
// is compared with the one block that must be accepted.
//
// Input: byte 0 (bit 0: the rest after the digest is a block that the harness signs; else it is
// the signature itself; bits 1-2: leading zero bytes put in front of the signature), then the
// 20-byte digest, then the block or signature.
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vxbase/crypto/rsa.h"

using namespace vxbase::crypto;

namespace {

EVP_PKEY* g_private = nullptr;
RsaPublicKey g_key;
size_t g_k = 0;

std::vector<uint8_t> Number(const char* name) {
  BIGNUM* bn = nullptr;
  if (!EVP_PKEY_get_bn_param(g_private, name, &bn)) std::abort();
  std::vector<uint8_t> out(size_t(BN_num_bytes(bn)));
  BN_bn2bin(bn, out.data());
  BN_free(bn);
  return out;
}

// The raw private operation: block^d mod n.
std::vector<uint8_t> Sign(const std::vector<uint8_t>& block) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(g_private, nullptr);
  std::vector<uint8_t> out(g_k);
  size_t outLength = out.size();
  if (!ctx || EVP_PKEY_decrypt_init(ctx) <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING) <= 0 ||
      EVP_PKEY_decrypt(ctx, out.data(), &outLength, block.data(), block.size()) <= 0)
    out.clear();
  EVP_PKEY_CTX_free(ctx);
  if (outLength < g_k && !out.empty()) {  // keep k bytes, big-endian
    out.resize(outLength);
    out.insert(out.begin(), g_k - outLength, 0);
  }
  return out;
}

bool Expected(const std::vector<uint8_t>& block, const uint8_t* digest) {
  static const uint8_t kInfo[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2b, 0x0e,
                                  0x03, 0x02, 0x1a, 0x05, 0x00, 0x04, 0x14};
  static const uint8_t kInfoNoNull[] = {0x30, 0x1f, 0x30, 0x07, 0x06, 0x05, 0x2b, 0x0e, 0x03, 0x02, 0x1a, 0x04, 0x14};
  for (int form = 0; form < 2; ++form) {
    const uint8_t* info = form ? kInfoNoNull : kInfo;
    const size_t infoLength = form ? sizeof kInfoNoNull : sizeof kInfo;
    std::vector<uint8_t> want{0x00, 0x01};
    want.insert(want.end(), g_k - 3 - infoLength - 20, 0xFF);
    want.push_back(0x00);
    want.insert(want.end(), info, info + infoLength);
    want.insert(want.end(), digest, digest + 20);
    if (want == block) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FILE* f = std::fopen(FUZZ_SOURCE_DIR "/base/tests/crypto/data/ca.key.pem", "r");
  if (!f) std::abort();
  g_private = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (!g_private) std::abort();
  std::vector<uint8_t> n = Number(OSSL_PKEY_PARAM_RSA_N), e = Number(OSSL_PKEY_PARAM_RSA_E);
  if (!RsaSetPublicKey(g_key, n.data(), n.size(), e.data(), e.size())) std::abort();
  g_k = RsaModulusBytes(g_key);
  if (g_k != n.size()) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 21) return 0;
  const uint8_t mode = data[0];
  const uint8_t* digest = data + 1;
  std::vector<uint8_t> rest(data + 21, data + size);

  std::vector<uint8_t> signature;
  std::vector<uint8_t> block;
  if (mode & 1) {
    // The block: k bytes from the input (zero-filled), first byte 0 so that it is below n.
    block.assign(g_k, 0);
    if (!rest.empty()) std::memcpy(block.data(), rest.data(), rest.size() < g_k ? rest.size() : g_k);
    block[0] = 0;
    signature = Sign(block);
    if (signature.empty()) return 0;
  } else {
    signature = rest;
  }
  signature.insert(signature.begin(), (mode >> 1) & 3, 0);

  const int r = RsaVerifySha1(g_key, signature.empty() ? nullptr : signature.data(), signature.size(), digest);
  if (r != 0 && r != kRsaBadSignature) std::abort();
  if (mode & 1) {
    // Accepted exactly when the signed block is the one PKCS #1 block for this digest.
    if ((r == 0) != Expected(block, digest)) std::abort();
  }
  return 0;
}
