// Wire numbers and change signs.
#include <cstring>

#include "vxbase/money.h"

namespace {

// A missing field reads as zero groups.
int Group(const void* src, int index) {
  if (!src) return 0;
  const auto* b = static_cast<const unsigned char*>(src) + index * 2;
  return static_cast<int16_t>(static_cast<uint16_t>((b[0] << 8) | b[1]));
}

enum class Mark { None, UpLimit, Up, DownLimit, Down };

// The wider set of sign characters.
Mark WideMark(char sign) {
  switch (sign) {
    case '1':
    case '6': return Mark::UpLimit;
    case '2':
    case '7':
    case '+': return Mark::Up;
    case '4':
    case '8': return Mark::DownLimit;
    case '5':
    case '9':
    case '-': return Mark::Down;
    default: return Mark::None;
  }
}

// The marks in code page 949 and as wide text.
const char* MarkBytes(Mark m) {
  switch (m) {
    case Mark::UpLimit: return "\xA1\xE8";    // ↑
    case Mark::Up: return "\xA1\xE3";         // ▲
    case Mark::DownLimit: return "\xA1\xE9";  // ↓
    case Mark::Down: return "\xA1\xE5";       // ▼
    default: return " ";
  }
}

WCHAR MarkChar(Mark m) {
  switch (m) {
    case Mark::UpLimit: return u'↑';
    case Mark::Up: return u'▲';
    case Mark::DownLimit: return u'↓';
    case Mark::Down: return u'▼';
    default: return u' ';
  }
}

}  // namespace

int convert_short2(const void* src) { return Group(src, 0) * 10000 + Group(src, 1); }

int convert_short2_short(const void* src) { return Group(src, 0); }

float convert_short2_float(const void* src) {
  return static_cast<float>(static_cast<double>(Group(src, 0)) + static_cast<double>(Group(src, 1)) * 0.01);
}

double convert_short2_6f_to_double(const void* src) { return static_cast<double>(convert_short2(src)) * 0.000001; }

double convert_short3(const void* src) {
  return static_cast<double>(Group(src, 0)) * 100000000.0 + static_cast<double>(Group(src, 1)) * 10000.0 +
         static_cast<double>(Group(src, 2));
}

int64_t convert_short3_to_int64(const void* src) {
  return static_cast<int64_t>(Group(src, 0)) * 100000000 + static_cast<int64_t>(Group(src, 1)) * 10000 + Group(src, 2);
}

void G_GetUpdownChar(char* out, char sign) {
  if (!out) return;
  std::memset(out, 0, 4);
  // Only the plain set has marks here; the wider characters show no change.
  Mark m = (sign == '1' || sign == '2' || sign == '4' || sign == '5') ? WideMark(sign) : Mark::None;
  const char* bytes = MarkBytes(m);
  std::memcpy(out, bytes, std::strlen(bytes));
}

int SetDaebiGb(char* out, const char* sign) {
  if (!out) return 1;
  const char* bytes = MarkBytes(sign ? WideMark(*sign) : Mark::None);
  size_t n = std::strlen(bytes);
  std::memcpy(out, bytes, n);
  out[n] = '\0';
  return 1;
}

int SetDaebiGbUnicode(WCHAR* out, const char* sign) {
  if (!out) return 1;
  out[0] = MarkChar(sign ? WideMark(*sign) : Mark::None);
  out[1] = 0;
  return 1;
}

COLORREF SetDaebiGbColorUnicode(WCHAR* out, const char* sign) {
  SetDaebiGbUnicode(out, sign);
  switch (sign ? WideMark(*sign) : Mark::None) {
    case Mark::UpLimit:
    case Mark::Up: return RGB(255, 0, 0);
    case Mark::DownLimit:
    case Mark::Down: return RGB(0, 0, 255);
    default: return RGB(0, 0, 0);
  }
}
