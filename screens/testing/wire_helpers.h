// Building reply records in tests: wire numbers, 16-bit numbers, code page 949 texts and shown numbers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
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

// Whole requests, header included, as a screen sends them.
// A plain request that the screen writes itself: tr_len and tr_code big-endian, '4' at byte 6,
// every other header byte zero, then `body`.
inline std::vector<uint8_t> PlainRequestPacket(uint16_t code, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p(15 + body.size(), 0);
  uint32_t len = static_cast<uint32_t>(p.size());
  for (int i = 0; i < 4; ++i) p[static_cast<size_t>(i)] = static_cast<uint8_t>(len >> (24 - 8 * i));
  PutU16(&p[4], code);
  p[6] = '4';
  std::copy(body.begin(), body.end(), p.begin() + 15);
  return p;
}
// A request that the packet layer builds with client kind '4', the flags 1, 0, 1, 1 and a plain
// body: status "00" at bytes 11-12, bytes 13 and 14 zero.
inline std::vector<uint8_t> LayerRequestPacket(uint16_t code, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p = PlainRequestPacket(code, body);
  p[7] = 1, p[8] = 0, p[9] = 1, p[10] = 1;
  p[11] = '0', p[12] = '0';
  return p;
}

}  // namespace screentest
