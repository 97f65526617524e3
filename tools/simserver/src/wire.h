// Byte-level helpers of the server's records: big-endian fields, wire numbers, fixed text fields.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace simsrv::wire {

using Bytes = std::vector<uint8_t>;

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t GetU32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Wire number of `groups` signed 16-bit big-endian base-10,000 groups (2 = NET_VALUE2, 3 = NET_VALUE3).
// A negative value has every group negative. Values too large for the groups keep their low digits.
void PutNetValue(uint8_t* p, int groups, int64_t value);
// NET_FLOAT2 of a value in hundredths: integer part, then hundredths (both carrying the sign).
void PutNetFloat2(uint8_t* p, int64_t hundredths);
int64_t GetNetValue(const uint8_t* p, int groups);

// UTF-8 <-> code page 949 (iconv). Characters that do not convert become '?'.
std::string ToCp949(std::string_view utf8);
std::string FromCp949(std::string_view cp949);

// Copies `text` into a fixed field of `width` bytes, cut to the width, the rest NUL.
void PutText(uint8_t* p, size_t width, std::string_view text);
// Reads a fixed field up to its first NUL and never past its width.
std::string GetText(const uint8_t* p, size_t width);
// Digits of a fixed field as a number; false when the field is empty or holds anything but digits.
bool GetDigits(const uint8_t* p, size_t width, int64_t& out);

std::string Hex(const uint8_t* p, size_t size);
inline std::string Hex(const Bytes& b) { return Hex(b.data(), b.size()); }
// Parses hex text (blanks allowed between bytes); false on a stray character or odd digit count.
bool ParseHex(std::string_view text, Bytes& out);

}  // namespace simsrv::wire
