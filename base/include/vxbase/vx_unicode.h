// Text conversion between UTF-16 and code page 949 for the screens. Every conversion takes the
// size of its destination and writes within it, terminator included.
#pragma once

#include <cstddef>

#include "plat/afx.h"

class CVXUnicode {
 public:
  virtual ~CVXUnicode() = default;

  // The most bytes UtoA writes, terminator included (a destination of this size always suffices).
  static constexpr int kMaxAnsiBytes = 1024;

  // Code page 949 text -> UTF-16 into `out` (`outChars` characters). Returns `out`.
  static WCHAR* AtoU(WCHAR* out, int outChars, const char* text);
  template <size_t N>
  static WCHAR* AtoU(WCHAR (&out)[N], const char* text) {
    return AtoU(out, static_cast<int>(N), text);
  }

  // UTF-16 -> code page 949 into `out` (`outSize` bytes; at most kMaxAnsiBytes with the NUL), never
  // cutting a character in two. When the conversion yields nothing, the low byte of each
  // character is written instead. Returns `out`.
  static char* UtoA(char* out, int outSize, const WCHAR* text);
  template <size_t N>
  static char* UtoA(char (&out)[N], const WCHAR* text) {
    return UtoA(out, static_cast<int>(N), text);
  }

  // UtoA of the string's text.
  static char* CStringtoA(char* out, int outSize, const CString& text) { return UtoA(out, outSize, text); }
  template <size_t N>
  static char* CStringtoA(char (&out)[N], const CString& text) {
    return UtoA(out, static_cast<int>(N), text);
  }
};
