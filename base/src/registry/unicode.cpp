#include "vxbase/unicode.h"

#include <algorithm>
#include <string>

namespace {

// Bytes of the code page 949 character that starts with `lead`.
int CharBytes(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

}  // namespace

char* CUnicode::ConvertToANSI(LPCWSTR text, char* out, int outSize) {
  if (!out || outSize <= 0) return out;
  const int room = std::min(outSize, kMaxAnsiBytes) - 1;  // bytes before the terminator
  out[0] = '\0';
  if (!text) return out;

  int needed = ::WideCharToMultiByte(CP_KOREAN, WC_COMPOSITECHECK, text, -1, nullptr, 0, nullptr, nullptr);
  std::string converted;
  if (needed > 0) {
    converted.resize(static_cast<size_t>(needed));
    int got = ::WideCharToMultiByte(CP_KOREAN, WC_COMPOSITECHECK, text, -1, converted.data(), needed, nullptr, nullptr);
    converted.resize(got > 0 ? static_cast<size_t>(got - 1) : 0);  // without the terminator
    if (got <= 0) needed = 0;
  }
  if (needed <= 0) {
    // Nothing came out: keep the low byte of each character.
    int n = 0;
    for (; n < room && text[n]; ++n) out[n] = static_cast<char>(text[n] & 0xFF);
    out[n] = '\0';
    return out;
  }
  // Copy whole characters only: a double-byte character never loses its second byte.
  int n = 0;
  const int size = static_cast<int>(converted.size());
  while (n < size) {
    int step = CharBytes(static_cast<unsigned char>(converted[static_cast<size_t>(n)]));
    if (n + step > room || n + step > size) break;
    n += step;
  }
  std::copy_n(converted.data(), n, out);
  out[n] = '\0';
  return out;
}

WCHAR* CUnicode::ConvertToUnicode(const char* text, WCHAR* out, int outSize) {
  if (!out || outSize <= 0) return out;
  out[0] = 0;
  if (!text) return out;
  CString wide = CString::FromMultiByte(text);
  int n = std::min(wide.GetLength(), outSize - 1);
  // Do not leave the first half of a surrogate pair at the end.
  if (n > 0 && n < wide.GetLength() && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;
  std::copy_n(static_cast<const WCHAR*>(wide), n, out);
  out[n] = 0;
  return out;
}
