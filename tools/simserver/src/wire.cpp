#include "wire.h"

#include <iconv.h>

#include <cstring>
#include <mutex>

namespace simsrv::wire {

void PutNetValue(uint8_t* p, int groups, int64_t value) {
  bool negative = value < 0;
  uint64_t a = negative ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
  for (int i = groups - 1; i >= 0; --i) {
    int g = static_cast<int>(a % 10000);
    a /= 10000;
    PutU16(p + 2 * i, static_cast<uint16_t>(static_cast<int16_t>(negative ? -g : g)));
  }
}

void PutNetFloat2(uint8_t* p, int64_t hundredths) {
  bool negative = hundredths < 0;
  int64_t a = negative ? -hundredths : hundredths;
  int g0 = static_cast<int>((a / 100) % 10000), g1 = static_cast<int>(a % 100);
  PutU16(p, static_cast<uint16_t>(static_cast<int16_t>(negative ? -g0 : g0)));
  PutU16(p + 2, static_cast<uint16_t>(static_cast<int16_t>(negative ? -g1 : g1)));
}

int64_t GetNetValue(const uint8_t* p, int groups) {
  int64_t v = 0;
  for (int i = 0; i < groups; ++i) v = v * 10000 + static_cast<int16_t>(GetU16(p + 2 * i));
  return v;
}

namespace {

std::string Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 4 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
      if (dstLeft == 0) break;
      // Skip one undecodable byte and mark it.
      *dst++ = '?';
      --dstLeft;
      ++src;
      --srcLeft;
    }
  }
  out.resize(out.size() - dstLeft);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string ToCp949(std::string_view utf8) { return Convert("CP949", "UTF-8", utf8); }
std::string FromCp949(std::string_view cp949) { return Convert("UTF-8", "CP949", cp949); }

void PutText(uint8_t* p, size_t width, std::string_view text) {
  size_t n = text.size() < width ? text.size() : width;
  std::memcpy(p, text.data(), n);
  std::memset(p + n, 0, width - n);
}

std::string GetText(const uint8_t* p, size_t width) {
  size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

bool GetDigits(const uint8_t* p, size_t width, int64_t& out) {
  std::string t = GetText(p, width);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  if (t.empty() || t.size() > 15) return false;
  out = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

std::string Hex(const uint8_t* p, size_t size) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  s.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    s.push_back(digits[p[i] >> 4]);
    s.push_back(digits[p[i] & 15]);
  }
  return s;
}

bool ParseHex(std::string_view text, Bytes& out) {
  out.clear();
  int hi = -1;
  for (char c : text) {
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else if ((c == ' ' || c == ':') && hi < 0)
      continue;
    else
      return false;
    if (hi < 0) {
      hi = v;
    } else {
      out.push_back(static_cast<uint8_t>(hi * 16 + v));
      hi = -1;
    }
  }
  return hi < 0;
}

}  // namespace simsrv::wire
