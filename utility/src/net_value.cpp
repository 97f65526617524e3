// Wire numbers: decoding and display text.
#include "glimmet/net_value.h"

#include "plat/kernel.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int16_t group_at(const unsigned char* p, int i) {
  return static_cast<int16_t>(static_cast<uint16_t>((p[2 * i] << 8) | p[2 * i + 1]));
}

// Formats into out[0..size) only when the whole text fits; otherwise leaves it empty.
void put(char* out, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
void put(char* out, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(out, size, fmt, ap);
  va_end(ap);
  if (n < 0 || static_cast<size_t>(n) >= size) out[0] = '\0';
}

// Kind 4 with a mode above 0 shows values above the mode's limit in thousands (kind 5).
bool kind4_switches(int mode, int64_t value) {
  if (mode <= 0) return false;
  static const int64_t limits[] = {0, 9999999, 9, 99, 999, 99999, 999999};
  int64_t limit = mode < 7 ? limits[mode] : 9999999;
  return value > limit;
}

}  // namespace

int64_t get_net_value(const void* src, int len) {
  if (!src || len < 1 || (len % 2) != 0) return 0;
  const auto* p = static_cast<const unsigned char*>(src);
  int groups = len / 2 > 5 ? 5 : len / 2;
  // Five groups reach 10^20, beyond 64 bits: sum in 128 bits and saturate.
  __int128 v = 0;
  for (int i = 0; i < groups; ++i) v = v * 10000 + group_at(p, i);
  if (v > INT64_MAX) return INT64_MAX;
  if (v < INT64_MIN) return INT64_MIN;
  return static_cast<int64_t>(v);
}

double get_net_value_float(const void* src, int len) {
  if (!src || len < 4 || (len % 2) != 0) return 0;
  const auto* p = static_cast<const unsigned char*>(src);
  int groups = len / 2 > 5 ? 5 : len / 2;
  int64_t whole = 0;  // at most four groups: below 2^63
  for (int i = 0; i < groups - 1; ++i) whole = whole * 10000 + group_at(p, i);
  float hundredths = static_cast<float>(group_at(p, groups - 1)) * 0.01f;
  return static_cast<double>(whole) + static_cast<double>(hundredths);
}

char* get_net_value_str(signed char kind, const void* src, char* out, signed char mode, size_t outSize) {
  if (!src || !out || outSize == 0) return nullptr;
  out[0] = '\0';
  const auto* p = static_cast<const unsigned char*>(src);
  const size_t n = outSize;

  if (kind >= NV_DATE_YMD && kind <= NV_TIME_MS) {
    int b0 = static_cast<signed char>(p[0]) % 100;
    int b1 = static_cast<signed char>(p[1]) % 100;
    int b2 = static_cast<signed char>(p[2]) % 100;
    switch (kind) {
      case NV_DATE_YMD: put(out, n, "%02d-%02d-%02d", b0, b1, b2); break;
      case NV_DATE_YM: put(out, n, "%02d-%02d", b0, b1); break;
      case NV_DATE_MD: put(out, n, "%02d-%02d", b1, b2); break;
      case NV_TIME_HMS: put(out, n, "%02d:%02d:%02d", b0, b1, b2); break;
      case NV_TIME_HM: put(out, n, "%02d:%02d", b0, b1); break;
      default: put(out, n, "%02d:%02d", b1, b2); break;
    }
    return out;
  }
  if (kind < NV_INT2 || kind > NV_DIGITS3) return out;

  const int g0 = group_at(p, 0);
  const int g1 = group_at(p, 1);
  const bool three = kind == NV_INT3 || kind == NV_THOUSANDS3 || kind == NV_DIGITS3;
  const int g2 = three ? group_at(p, 2) : 0;
  const int s = (g0 < 0 || g1 < 0 || g2 < 0) ? -1 : 1;
  const int a0 = std::abs(g0), a1 = std::abs(g1), a2 = std::abs(g2);

  int k = kind;
  if (k == NV_INT3 && kind4_switches(mode, int64_t(a0) * 100000000 + int64_t(a1) * 10000 + a2)) k = NV_THOUSANDS3;

  switch (k) {
    case NV_INT2:
      if (mode != 0) {
        if (a0 != 0)
          put(out, n, "%d%04d", s * a0, a1);
        else
          put(out, n, "%d", s * a1);
      } else if (a0 >= 100) {
        put(out, n, "%d,%03d,%03d", s * (a0 / 100), (a0 % 100) * 10 + a1 / 1000, a1 % 1000);
      } else if (a0 >= 1) {
        put(out, n, "%d,%03d", s * (a0 * 10 + a1 / 1000), a1 % 1000);
      } else if (a1 >= 1000) {
        put(out, n, "%d,%03d", s * (a1 / 1000), a1 % 1000);
      } else {
        put(out, n, "%d", s * a1);
      }
      break;
    case NV_FLOAT2:
    case NV_PERCENT2: {
      const char* pct = k == NV_PERCENT2 ? "%" : "";
      if (a0 >= 1000)
        put(out, n, "%d,%03d.%02d%s", s * (a0 / 1000), a0 % 1000, a1 % 100, pct);
      else if (s < 0 && a0 == 0)
        put(out, n, "-0.%02d%s", a1 % 100, pct);  // the minus of -0.50
      else
        put(out, n, "%d.%02d%s", s * a0, a1 % 100, pct);
      break;
    }
    case NV_DIGITS2:
      if (a0 != 0)
        put(out, n, "%d%04d", s * a0, a1);
      else
        put(out, n, "%d", s * a1);
      break;
    case NV_INT3:
      if (a0 >= 10) {
        put(out, n, "%d,%03d,%03d,%03d", s * (a0 / 10), (a0 % 10) * 100 + a1 / 100, (a1 % 100) * 10 + a2 / 1000,
            a2 % 1000);
      } else if (a0 >= 1) {
        put(out, n, "%d,%03d,%03d", s * (a0 * 100 + a1 / 100), (a1 % 100) * 10 + a2 / 1000, a2 % 1000);
      } else if (a1 >= 100) {
        put(out, n, "%d,%03d,%03d", s * (a1 / 100), (a1 % 100) * 10 + a2 / 1000, a2 % 1000);
      } else if (a1 >= 1) {
        put(out, n, "%d,%03d", s * (a1 * 10 + a2 / 1000), a2 % 1000);
      } else if (a2 >= 1000) {
        put(out, n, "%d,%03d", s * (a2 / 1000), a2 % 1000);
      } else {
        put(out, n, "%d", s * a2);
      }
      break;
    case NV_THOUSANDS3:
      if (a0 >= 10) {
        put(out, n, "%d%03d%03dK", s * (a0 / 10), (a0 % 10) * 100 + a1 / 100, (a1 % 100) * 10 + a2 / 1000);
      } else if (a0 >= 1) {
        put(out, n, "%d,%03dK", s * (a0 * 100 + a1 / 100), (a1 % 100) * 10 + a2 / 1000);
      } else if (a1 >= 100) {
        put(out, n, "%d,%03dK", s * (a1 / 100), (a1 % 100) * 10 + a2 / 1000);
      } else if (a1 >= 1) {
        put(out, n, "%dk", s * (a1 * 10 + a2 / 1000));
      } else if (a2 >= 1000) {
        put(out, n, "%dK", s * (a2 / 1000));
      } else {
        put(out, n, "0K");
      }
      break;
    case NV_DIGITS3:
      if (a0 != 0)
        put(out, n, "%d%04d%04d", s * a0, a1, a2);
      else if (a1 != 0)
        put(out, n, "%d%04d", s * a1, a2);
      else
        put(out, n, "%d", s * a2);
      break;
  }
  return out;
}

char* get_net_value_str(signed char kind, const void* src, char* out, signed char mode) {
  return get_net_value_str(kind, src, out, mode, NET_VALUE_STR_SIZE);
}

short binbyte_to_short(const void* src) {
  const auto* p = static_cast<const unsigned char*>(src);
  return static_cast<short>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

uint32_t binbyte_to_int(const void* src) {
  const auto* p = static_cast<const unsigned char*>(src);
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void short_to_binbyte(short value, void* dst) {
  auto* p = static_cast<unsigned char*>(dst);
  auto v = static_cast<uint16_t>(value);
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void int_to_binbyte(uint32_t value, void* dst) {
  auto* p = static_cast<unsigned char*>(dst);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

char* byte_to_str(char* dst, int dstSize, const void* src, int len) {
  if (!dst || !src || len < 0 || dstSize < 1) return nullptr;
  int n = len < dstSize - 1 ? len : dstSize - 1;
  std::memcpy(dst, src, static_cast<size_t>(n));
  dst[n] = '\0';
  return dst;
}

char* str_to_byte(void* dst, int dstSize, const char* text, int len) {
  if (!dst || !text || dstSize < 1) return nullptr;
  size_t want = len < 0 ? std::strlen(text) : static_cast<size_t>(len);
  size_t n = want < static_cast<size_t>(dstSize) ? want : static_cast<size_t>(dstSize);
  std::memcpy(dst, text, n);
  return static_cast<char*>(dst);
}

int is_digit_str(const char* text, int len) {
  if (!text || len == 0) return -1;
  for (int i = 0; len < 0 ? text[i] != '\0' : i < len; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
  }
  return 0;
}

int byte_to_digit(const char* text, int len, int* ok) {
  if (ok) *ok = 0;
  if (!text || len == 0) return 0;
  size_t n = len < 0 ? std::strlen(text) : static_cast<size_t>(len);
  size_t i = 0;
  bool negative = false;
  if (n > 0 && text[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i >= n) return 0;
  int64_t v = 0;
  for (; i < n; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
    if (v > int64_t(INT_MAX) + 1) return 0;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return 0;
  if (ok) *ok = 1;
  return static_cast<int>(v);
}

WCHAR* tchar_to_tchar(WCHAR* dst, int dstBytes, const WCHAR* src, int lenBytes) {
  if (!dst || dstBytes < 2) return nullptr;
  dst[0] = 0;
  if (!src || src[0] == 0) return dst;
  size_t srcChars = 0;
  if (lenBytes < 0) {
    while (src[srcChars] != 0) ++srcChars;
  } else {
    srcChars = static_cast<size_t>(lenBytes) / 2;
  }
  size_t room = static_cast<size_t>(dstBytes) / 2 - 1;
  size_t n = srcChars < room ? srcChars : room;
  size_t i = 0;
  for (; i < n && src[i] != 0; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

WCHAR* char_to_tchar(WCHAR* dst, int dstBytes, const char* src, int len) {
  if (!dst || dstBytes < 2) return nullptr;
  std::memset(dst, 0, static_cast<size_t>(dstBytes));
  if (!src) return dst;
  const int room = dstBytes / 2 - 1;
  size_t n = len < 0 ? std::strlen(src) : strnlen(src, static_cast<size_t>(len));
  // Every character of code page 949 is one UTF-16 unit: take the characters that fit whole.
  // Bytes that do not form a character may convert to more units: then take one character fewer.
  for (int chars = room; chars > 0; --chars) {
    size_t end = 0;
    for (int c = 0; c < chars && end < n; ++c)
      end += ((static_cast<unsigned char>(src[end]) & 0x80) && end + 1 < n) ? 2 : 1;
    if (end == 0) break;
    int got = MultiByteToWideChar(CP_ACP, 0, src, static_cast<int>(end), dst, room);
    if (got > 0) {
      dst[got] = 0;
      return dst;
    }
  }
  dst[0] = 0;
  return dst;
}
