// EE_Session::decode_data on a session established with fixed keys.
//
// Input: byte 0 (bit 0: the rest is a plain text that the server's keys seal into a record, so
// that the checks behind the check value are reached; else the rest is the record itself), bytes
// 1-2 the output room, byte 3 the highest sequence number already received.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fixed_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t mode = data[0];
  const int outSize = (data[1] << 8 | data[2]) % 4200;
  const uint32_t lastSeq = data[3];
  data += 4;
  size -= 4;

  fuzz::FixedSession session;
  session.Establish();
  session.mutable_ctx().recvSeq = lastSeq;

  std::vector<uint8_t> record;
  const uint8_t* plain = data;
  size_t plainLength = 0;
  if (mode & 1) {
    plainLength = size / 16 * 16;
    if (plainLength > 0xFFFF - 48) return 0;
    record = session.Seal(plain, plainLength);
  } else {
    record.assign(data, data + size);
  }

  std::vector<uint8_t> out(outSize > 0 ? static_cast<size_t>(outSize) : 1);  // exactly the room: overruns are caught
  const int r = session.decode_data(out.data(), outSize, record.empty() ? nullptr : record.data(), int(record.size()));
  if (r < 0) {
    if (session.ctx().recvSeq != lastSeq) std::abort();  // a refused record moves nothing
    return 0;
  }
  if (r > outSize) std::abort();
  // Raw records cannot pass the check value by chance; sealed ones must open to their plain text.
  if (!(mode & 1)) std::abort();
  const uint32_t seq = uint32_t(plain[0]) << 24 | uint32_t(plain[1]) << 16 | uint32_t(plain[2]) << 8 | plain[3];
  const size_t length = size_t(plain[4] << 8 | plain[5]);
  const size_t pad = plain[plainLength - 1];
  if (seq <= lastSeq || session.ctx().recvSeq != seq) std::abort();
  if (size_t(r) != length || length + 7 + pad != plainLength) std::abort();
  for (size_t i = 0; i <= pad; ++i)
    if (plain[plainLength - 1 - i] != pad) std::abort();
  if (r > 0 && std::memcmp(out.data(), plain + 6, size_t(r)) != 0) std::abort();
  // The same record again is a replay.
  if (session.decode_data(out.data(), outSize, record.data(), int(record.size())) != EE_REPLAY) std::abort();
  return 0;
}
