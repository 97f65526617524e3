// Building reply records in tests: wire numbers, 16-bit numbers, code page 949 texts and shown numbers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <algorithm>
#include <vector>

#include "plat/windows.h"

namespace screentest {

// A wire number of `groups` big-endian signed 16-bit groups in base 10,000.
inline void PutNet(uint8_t* p, int groups, int64_t value) {
  bool negative = value < 0;
  uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  for (int i = groups - 1; i >= 0; --i) {
    int g = static_cast<int>(v % 10000);
    v /= 10000;
    int16_t s = static_cast<int16_t>(negative ? -g : g);
    p[2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8);
    p[2 * i + 1] = static_cast<uint8_t>(s & 0xFF);
  }
}
inline void PutU16(uint8_t* p, int value) {
  p[0] = static_cast<uint8_t>((value >> 8) & 0xFF);
  p[1] = static_cast<uint8_t>(value & 0xFF);
}
// Text in code page 949.
inline std::string Cp949(const std::u16string& s) {
  std::string out(s.size() * 2 + 1, '\0');
  int n = WideCharToMultiByte(949, 0, s.c_str(), static_cast<int>(s.size()), out.data(), static_cast<int>(out.size()),
                              nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}
// A number as the screens show it: thousands grouped with commas, "-" in front when negative.
inline std::string Grouped(int64_t value) {
  std::string digits = value < 0 ? std::to_string(0 - static_cast<uint64_t>(value)) : std::to_string(value);
  std::string out = value < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}
// Text in code page 949 written at `p`, not terminated.
inline void PutText(uint8_t* p, const std::u16string& text) {
  char buf[256] = {};
  int n = WideCharToMultiByte(949, 0, text.c_str(), static_cast<int>(text.size()), buf, sizeof buf, nullptr, nullptr);
  std::memcpy(p, buf, static_cast<size_t>(n > 0 ? n : 0));
}

// Whole requests as they go on the wire, to compare with a logged request's header and body:
// a plain request written in place (tr_len and tr_code big-endian, '4' at byte 6, every other
// header byte 0) and a plain-bodied request made by the packet layer (flags '4', 1, 0, 1, 1,
// status "00", not enciphered).
inline std::vector<uint8_t> PlainRequestPacket(uint16_t code, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p(15 + body.size(), 0);
  const uint32_t len = static_cast<uint32_t>(p.size());
  for (int i = 0; i < 4; ++i) p[static_cast<size_t>(i)] = static_cast<uint8_t>(len >> (24 - 8 * i));
  PutU16(&p[4], code);
  p[6] = '4';
  std::copy(body.begin(), body.end(), p.begin() + 15);
  return p;
}
inline std::vector<uint8_t> PacketLayerRequestPacket(uint16_t code, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p = PlainRequestPacket(code, body);
  const uint8_t flags[] = {'4', 1, 0, 1, 1, '0', '0'};
  std::memcpy(&p[6], flags, sizeof flags);
  return p;
}
// The 15 header bytes of a request: length 15 + `bodyBytes`, code, '4' at byte 6, then zeros.
inline std::vector<uint8_t> RequestHeader(uint16_t code, size_t bodyBytes) {
  std::vector<uint8_t> p = PlainRequestPacket(code, std::vector<uint8_t>(bodyBytes));
  p.resize(15);
  return p;
}
// The header the packet layer's make_packet writes for a request with `wireBody` body bytes (as
// sent, enciphered or not): length, code, '4', 1, 0, 1, 1, "00", the encipher flag, 0.
inline std::vector<uint8_t> PacketLayerHeader(uint16_t code, size_t wireBody, bool enciphered) {
  std::vector<uint8_t> h = PacketLayerRequestPacket(code, std::vector<uint8_t>(wireBody));
  h.resize(15);
  h[13] = enciphered ? 1 : 0;
  return h;
}
// A request as the server received it, whole: its 15 header bytes, then its body as sent.
template <typename LogEntry>
std::vector<uint8_t> WholePacket(const LogEntry& e) {
  std::vector<uint8_t> p(e.header.begin(), e.header.end());
  p.insert(p.end(), e.body.begin(), e.body.end());
  return p;
}
// The whole of a logged request: its 15 header bytes, then its body as received.
inline std::vector<uint8_t> WholePacket(const std::vector<uint8_t>& header, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p = header;
  p.insert(p.end(), body.begin(), body.end());
  return p;
}

}  // namespace screentest
