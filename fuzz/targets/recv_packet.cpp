// EE_Encrypt::analy_recv_packet on a received packet, plain or enciphered, on a session with
// fixed keys.
//
// Input: byte 0 chooses how the packet is held (bit 0: the caller passes its length, else 0 and
// the packet sits in a 4,096-byte receive slot; bit 1: the body is sealed by the server's keys so
// that the deciphering is reached), bytes 1-2 the output room; the rest is the packet.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fixed_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t mode = data[0];
  const int outSize = (data[1] << 8 | data[2]) % 4200;
  data += 3;
  size -= 3;

  fuzz::FixedSession session;
  session.Establish();

  std::vector<uint8_t> packet(data, data + size);
  if ((mode & 2) && size >= 15) {
    // Header from the input, body = a sealed record of the rest (cut to whole blocks).
    size_t plain = (size - 15) / 16 * 16;
    std::vector<uint8_t> rec = session.Seal(data + 15, plain);
    packet.assign(data, data + 15);
    packet.insert(packet.end(), rec.begin(), rec.end());
    const uint32_t total = uint32_t(packet.size());
    packet[0] = uint8_t(total >> 24);
    packet[1] = uint8_t(total >> 16);
    packet[2] = uint8_t(total >> 8);
    packet[3] = uint8_t(total);
    packet[13] = 1;
  }

  int held = 0;
  std::vector<uint8_t> slot;
  const uint8_t* p;
  if (mode & 1) {
    held = int(packet.size());
    p = packet.data();  // exactly the bytes held: any read past them is caught
  } else {
    if (packet.size() > 4096) return 0;
    slot.assign(4096, 0xEE);
    if (!packet.empty()) std::memcpy(slot.data(), packet.data(), packet.size());
    p = slot.data();
  }
  std::vector<uint8_t> out(static_cast<size_t>(outSize));
  uint16_t code = 0xFFFF;
  const char* text = nullptr;
  const int r = session.analy_recv_packet(p, held, out.empty() ? nullptr : out.data(), outSize, &code, &text);

  if (r < 0) {
    if (r != EE_Encrypt::PK_BAD_ARGUMENT && r != EE_Encrypt::PK_CIPHER) std::abort();
    if (!text) std::abort();  // every failure names its reason
    return 0;
  }
  // A body never outgrows the room nor the packet's own length.
  const uint32_t trLen = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  if (r > outSize || uint32_t(r) + 15 > trLen) std::abort();
  if (code != uint16_t(p[4] << 8 | p[5])) std::abort();
  const bool enciphered = p[13] >= 1 && p[13] <= 127;
  if (!enciphered && r > 0 && std::memcmp(out.data(), p + 15, size_t(r)) != 0) std::abort();
  if (enciphered && (mode & 2) && r > 0) {
    // The deciphered body is what the server sealed after the sequence number and length.
    const size_t plain = (size - 15) / 16 * 16;
    if (6 + size_t(r) > plain || std::memcmp(out.data(), data + 15 + 6, size_t(r)) != 0) std::abort();
  }
  return 0;
}
