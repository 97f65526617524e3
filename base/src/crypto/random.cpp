#include "vxbase/crypto/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vxbase/crypto/hmac.h"

namespace vxbase::crypto {

bool OsRandom(void* out, size_t length) {
  uint8_t* p = static_cast<uint8_t*>(out);
  while (length > 0) {
    ssize_t n = getrandom(p, length, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    length -= size_t(n);
  }
  return true;
}

namespace {
constexpr uint8_t kGeneratorKey[16] = {0x5a, 0x1c, 0x93, 0x0e, 0x47, 0xb8, 0x2d, 0x71,
                                       0xc6, 0x39, 0xe4, 0x02, 0x8f, 0x6b, 0xd5, 0x13};
}

void ByteGenerator::Draw(uint8_t* out, size_t length) {
  uint16_t counter = counter_;
  uint8_t block[kSha1DigestSize];
  while (length > 0) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned(counter++));
    HmacSha1Mac(kGeneratorKey, sizeof kGeneratorKey, text, 2, block);
    size_t take = length < sizeof block ? length : sizeof block;
    std::memcpy(out, block, take);
    out += take;
    length -= take;
  }
  SecureWipe(block, sizeof block);
}

}  // namespace vxbase::crypto
