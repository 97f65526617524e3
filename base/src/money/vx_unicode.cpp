#include "vxbase/vx_unicode.h"

#include "vxbase/unicode.h"

WCHAR* CVXUnicode::AtoU(WCHAR* out, int outChars, const char* text) {
  if (!out || outChars < 1) return out;
  return CUnicode::ConvertToUnicode(text ? text : "", out, outChars);
}

char* CVXUnicode::UtoA(char* out, int outSize, const WCHAR* text) {
  if (!out || outSize < 1) return out;
  int size = outSize > kMaxAnsiBytes ? kMaxAnsiBytes : outSize;
  return CUnicode::ConvertToANSI(text ? text : u"", out, size);
}
