// EE_Session::analy_recv_key on a key reply: a server key token or a pushed server certificate.
//
// Input: byte 0 (bit 0: put the finished value the client expects at the end of a server token,
// so that the keys are derived and used), then the record.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fixed_session.h"
#include "plat/kernel.h"

namespace {
const char kCertFile[] = "\\pelvato.der";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  std::vector<uint8_t> record(data + 1, data + size);
  fuzz::ScratchRoot();
  std::string host;  // each input starts without a stored certificate
  if (plat::HostPath(std::string_view(kCertFile), host)) std::remove(host.c_str());

  fuzz::FixedSession session;
  if (session.init(kCertFile, nullptr, 0) != 0) std::abort();
  session.AwaitServerToken();

  // The finished value sits 20 bytes after the key material that follows the protocol version.
  if ((mode & 1) && record.size() >= 9 && record[0] == 2) {
    const size_t r = record[7];
    if (9 + r <= record.size()) {
      const size_t d = record[8 + r];
      const size_t finishedAt = 9 + r + d + 3 + 20;
      uint8_t finished[20];
      if (finishedAt + 20 <= record.size() && session.FinishedFor(record.data(), record.size(), finishedAt, finished))
        std::memcpy(record.data() + finishedAt, finished, 20);
    }
  }

  const uint8_t* p = record.empty() ? nullptr : record.data();
  const int result = session.analy_recv_key(p, int(record.size()));
  switch (result) {
    case EE_OK:
      if (!session.keys_agreed()) std::abort();
      break;
    case EE_RESEND_KEY:
      // A stored certificate gives a token that carries the secret under its key.
      if (session.init(kCertFile, nullptr, 0) != 0) std::abort();
      {
        uint8_t token[512];
        int n = session.create_send_key(token, sizeof token);
        if (n < 34 || token[33] == 0 || n != 34 + token[33]) std::abort();
      }
      break;
    default:
      if (result > 0) std::abort();
      if (session.keys_agreed()) std::abort();  // a refused reply agrees no keys
      break;
  }
  if (session.keys_agreed()) {
    // Keys derived from the reply work for a record in each direction.
    uint8_t body[16] = "order 0001", rec[128];
    if (session.encode_data(rec, sizeof rec, body, 10) <= 0) std::abort();
  }
  return 0;
}
