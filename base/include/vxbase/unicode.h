// Text conversion between the programs' UTF-16 and the code page 949 bytes of the wire and the
// files. Every conversion writes at most the size of its destination, terminator included.
#pragma once

#include <cstddef>

#include "plat/afx.h"

class CUnicode {
 public:
  CUnicode() = default;
  virtual ~CUnicode() = default;

  // The largest code page 949 text ConvertToANSI produces, terminator included.
  static constexpr int kMaxAnsiBytes = 1024;

  // UTF-16 -> code page 949 into `out` (`outSize` bytes, at most kMaxAnsiBytes are used),
  // always terminated. A text that does not fit is cut before the first character that would
  // not fit whole. When the conversion yields nothing the low byte of each character is copied
  // instead. Returns `out`.
  static char* ConvertToANSI(LPCWSTR text, char* out, int outSize);
  template <size_t N>
  static char* ConvertToANSI(LPCWSTR text, char (&out)[N]) {
    return ConvertToANSI(text, out, static_cast<int>(N));
  }

  // Code page 949 -> UTF-16 into `out` (`outSize` characters), always terminated; a text that
  // does not fit is cut. Returns `out`.
  static WCHAR* ConvertToUnicode(const char* text, WCHAR* out, int outSize);
  template <size_t N>
  static WCHAR* ConvertToUnicode(const char* text, WCHAR (&out)[N]) {
    return ConvertToUnicode(text, out, static_cast<int>(N));
  }
};
