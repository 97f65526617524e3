// The test certificates of base/tests/crypto/data and the simulated server's keys.
#pragma once

#include <string>

#include "oracle.h"
#include "vxbase/crypto/authority.h"

namespace crypto_test {

inline std::string SimKeysPath(const std::string& name) {
  return std::string(CRYPTO_TEST_DATA_DIR) + "/../../../../tools/simserver/keys/" + name;
}

// The key of a test certificate, parsed by the code under test.
inline vxbase::crypto::RsaPublicKey KeyOf(const Bytes& der) {
  vxbase::crypto::Certificate cert;
  vxbase::crypto::RsaPublicKey key{};
  if (vxbase::crypto::ParseCertificate(der.data(), der.size(), cert) != 0 ||
      vxbase::crypto::CertificatePublicKey(cert, key) != 0)
    throw std::runtime_error("test certificate does not parse");
  return key;
}

// The crypto tests' own authority (data/ca.der) joins the table once per process.
inline void AddTestAuthority() {
  static bool added = [] {
    Bytes ca = ReadFile(DataPath("ca.der"));
    return vxbase::crypto::AddAuthority(ca.data(), ca.size());
  }();
  if (!added) throw std::runtime_error("test authority refused");
}

}  // namespace crypto_test
