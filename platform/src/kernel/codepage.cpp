// Code page 949 (Korean, the handheld's ANSI code page) and UTF-8 <-> UTF-16.
//
// Code page 949 is converted through tables built once from the C library's "CP949" converter:
// after that a conversion is a table look-up that allocates nothing and needs no lock.
#include <iconv.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "kernel/internal.h"

namespace plat::kernel {
namespace {

constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x41, kTrailLast = 0xFE;
constexpr unsigned kTrails = kTrailLast - kTrailFirst + 1;

struct Cp949Tables {
  char16_t single[256] = {};     // 0 = no character (except byte 0)
  std::vector<char16_t> pairs;   // [lead - 0x81][trail - 0x41], 0 = no character
  std::vector<uint16_t> encode;  // UTF-16 unit -> bytes (lead << 8 | trail, or one byte)
};

char16_t DecodeWith(iconv_t cd, const char* bytes, size_t count) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[2];
  std::memcpy(in, bytes, count);
  char* inPtr = in;
  size_t inLeft = count;
  unsigned char out[8];
  char* outPtr = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof out;
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return 0;
  if (sizeof out - outLeft != 2) return 0;  // outside the 16-bit range: not used by code page 949
  return static_cast<char16_t>(out[0] | (out[1] << 8));
}

const Cp949Tables& Tables() {
  static Cp949Tables* tables = [] {
    auto* t = new Cp949Tables;
    t->pairs.assign((kLeadLast - kLeadFirst + 1) * kTrails, 0);
    t->encode.assign(0x10000, 0);
    for (unsigned b = 0; b < 0x80; ++b) t->single[b] = static_cast<char16_t>(b);
    iconv_t cd = iconv_open("UTF-16LE", "CP949");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      for (unsigned b = 0x80; b < 0x100; ++b) {
        char byte = static_cast<char>(b);
        t->single[b] = DecodeWith(cd, &byte, 1);
      }
      for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
          char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
          t->pairs[(lead - kLeadFirst) * kTrails + (trail - kTrailFirst)] = DecodeWith(cd, bytes, 2);
        }
      }
      iconv_close(cd);
    }
    for (unsigned b = 0x80; b < 0x100; ++b)
      if (t->single[b] && !t->encode[t->single[b]]) t->encode[t->single[b]] = static_cast<uint16_t>(b);
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead)
      for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
        char16_t c = t->pairs[(lead - kLeadFirst) * kTrails + (trail - kTrailFirst)];
        if (c && !t->encode[c]) t->encode[c] = static_cast<uint16_t>(lead << 8 | trail);
      }
    return t;
  }();
  return *tables;
}

bool IsKorean(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP || codePage == CP_MACCP ||
         codePage == CP_KOREAN;
}

// Writes a unit when there is room; always counts it.
template <class T>
struct Sink {
  T* out;
  int size;  // 0: count only
  int count = 0;
  bool overflow = false;
  void put(T unit) {
    if (size > 0) {
      if (count < size)
        out[count] = unit;
      else
        overflow = true;
    }
    ++count;
  }
};

// Decodes one code page 949 character at bytes[i]; returns the bytes used and the character
// (0xFFFD with invalid = true for bytes that are not a character).
size_t DecodeCp949(const unsigned char* bytes, size_t left, char16_t& c, bool& invalid) {
  const Cp949Tables& t = Tables();
  unsigned b = bytes[0];
  invalid = false;
  if (b < 0x80) {
    c = static_cast<char16_t>(b);
    return 1;
  }
  if (b >= kLeadFirst && b <= kLeadLast && left >= 2 && bytes[1] >= kTrailFirst && bytes[1] <= kTrailLast) {
    char16_t pair = t.pairs[(b - kLeadFirst) * kTrails + (bytes[1] - kTrailFirst)];
    if (pair) {
      c = pair;
      return 2;
    }
    // A lead byte with a byte from the trail range: one unknown character of two bytes, unless
    // the second byte is plain ASCII, which stays itself.
    c = 0xFFFD;
    invalid = true;
    return bytes[1] >= 0x80 ? 2 : 1;
  }
  if (t.single[b]) {
    c = t.single[b];
    return 1;
  }
  c = 0xFFFD;
  invalid = true;
  return 1;
}

// Decodes one UTF-8 sequence into a code point; malformed input gives 0xFFFD for its first byte.
size_t DecodeUtf8(const unsigned char* s, size_t left, uint32_t& cp, bool& invalid) {
  invalid = false;
  unsigned b = s[0];
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
  if (n == 0 || n > left || b > 0xF4) {
    cp = 0xFFFD;
    invalid = true;
    return 1;
  }
  uint32_t v = b & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      cp = 0xFFFD;
      invalid = true;
      return 1;
    }
    v = (v << 6) | (s[i] & 0x3F);
  }
  if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)) || (v >= 0xD800 && v <= 0xDFFF)) {
    cp = 0xFFFD;
    invalid = true;
    return 1;
  }
  cp = v;
  return n;
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength, LPWSTR wide, int wideSize) {
  if (!multiByte || multiByteLength == 0 || multiByteLength < -1 || wideSize < 0 || (wideSize > 0 && !wide) ||
      (!IsKorean(codePage) && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = multiByteLength == -1 ? std::strlen(multiByte) + 1 : static_cast<size_t>(multiByteLength);
  const auto* bytes = reinterpret_cast<const unsigned char*>(multiByte);
  bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  Sink<char16_t> sink{wide, wideSize};
  for (size_t i = 0; i < length;) {
    bool invalid = false;
    uint32_t cp;
    if (codePage == CP_UTF8) {
      i += DecodeUtf8(bytes + i, length - i, cp, invalid);
    } else {
      char16_t c;
      i += DecodeCp949(bytes + i, length - i, c, invalid);
      cp = c;
    }
    if (invalid && strict) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    if (cp >= 0x10000) {
      sink.put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      sink.put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      sink.put(static_cast<char16_t>(cp));
    }
  }
  if (sink.overflow) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return sink.count;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR multiByte, int multiByteSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  if (!wide || wideLength == 0 || wideLength < -1 || multiByteSize < 0 || (multiByteSize > 0 && !multiByte) ||
      (!IsKorean(codePage) && codePage != CP_UTF8) || (codePage == CP_UTF8 && (defaultChar || usedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = wideLength == -1 ? std::char_traits<char16_t>::length(wide) + 1 : static_cast<size_t>(wideLength);
  Sink<char> sink{multiByte, multiByteSize};
  const Cp949Tables* tables = codePage == CP_UTF8 ? nullptr : &Tables();
  for (size_t i = 0; i < length; ++i) {
    uint32_t c = wide[i];
    bool unpaired = false;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      unpaired = true;
    }
    if (codePage == CP_UTF8) {
      if (unpaired) {
        if (flags & WC_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        c = 0xFFFD;
      }
      if (c < 0x80) {
        sink.put(static_cast<char>(c));
      } else if (c < 0x800) {
        sink.put(static_cast<char>(0xC0 | (c >> 6)));
        sink.put(static_cast<char>(0x80 | (c & 0x3F)));
      } else if (c < 0x10000) {
        sink.put(static_cast<char>(0xE0 | (c >> 12)));
        sink.put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        sink.put(static_cast<char>(0x80 | (c & 0x3F)));
      } else {
        sink.put(static_cast<char>(0xF0 | (c >> 18)));
        sink.put(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        sink.put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        sink.put(static_cast<char>(0x80 | (c & 0x3F)));
      }
      continue;
    }
    uint16_t code = 0;
    if (c < 0x80) {
      sink.put(static_cast<char>(c));
      continue;
    }
    if (c < 0x10000 && !unpaired) code = tables->encode[c];
    if (!code) {
      if (usedDefaultChar) *usedDefaultChar = TRUE;
      sink.put(defaultChar && *defaultChar ? *defaultChar : '?');
    } else if (code < 0x100) {
      sink.put(static_cast<char>(code));
    } else {
      sink.put(static_cast<char>(code >> 8));
      sink.put(static_cast<char>(code & 0xFF));
    }
  }
  if (sink.overflow) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return sink.count;
}
