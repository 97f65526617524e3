// Numbers as text, digit strings and fixed-width field copies.
#include <cstdlib>
#include <cstring>
#include <string>

#include "vxbase/money.h"

namespace {

// Groups a run of digits by three from the right.
std::string Group3(const std::string& digits) {
  std::string out;
  size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

char* Money(const char* text) {
  thread_local char buffer[kMoneyBufferSize];
  buffer[0] = '\0';
  if (!text) return buffer;
  std::string s(text);
  std::string sign;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    sign = s.substr(0, 1);
    s.erase(0, 1);
  }
  std::string integer = s, fraction;
  size_t dot = s.find('.');
  if (dot != std::string::npos) {
    integer = s.substr(0, dot);
    fraction = s.substr(dot, 3);  // the point and at most two digits
  }
  std::string out = sign + Group3(integer) + fraction;
  if (out.size() >= sizeof buffer) return buffer;  // would not fit: empty, never a cut number
  std::memcpy(buffer, out.c_str(), out.size() + 1);
  return buffer;
}

void Money(char* dst, const char* src, int n) {
  if (!dst) return;
  if (n < 1 || !src) {
    if (n >= 0) dst[n > 0 ? n : 0] = '\0';
    return;
  }
  std::string field(src, strnlen(src, static_cast<size_t>(n)));
  field.resize(static_cast<size_t>(n), ' ');
  size_t first = field.find_first_not_of(' ');
  if (first == std::string::npos) {
    std::memcpy(dst, field.data(), static_cast<size_t>(n));
    dst[n] = '\0';
    return;
  }
  std::string token = field.substr(first);
  std::string sign;
  if (token[0] == '-' || token[0] == '+') {
    sign = token.substr(0, 1);
    token.erase(0, 1);
  }
  size_t intEnd = 0;
  while (intEnd < token.size() && IsDigit(token[intEnd])) ++intEnd;
  std::string grouped = sign + Group3(token.substr(0, intEnd)) + token.substr(intEnd);
  if (grouped.size() > static_cast<size_t>(n)) grouped = field.substr(first);  // no room: unchanged
  std::string out(static_cast<size_t>(n) - grouped.size(), ' ');
  out += grouped;
  std::memcpy(dst, out.data(), static_cast<size_t>(n));
  dst[n] = '\0';
}

char* Money(long value) {
  (void)value;
  return nullptr;
}

WCHAR* w_Value2CommaNumber(WCHAR* out, int outSize, int64_t value, int mode) {
  if (!out || outSize < 1) return out;
  out[0] = 0;
  bool negative = value < 0;
  // The magnitude as unsigned, so that the most negative value has one too.
  uint64_t magnitude = negative ? (~static_cast<uint64_t>(value) + 1) : static_cast<uint64_t>(value);
  std::string text;
  if (mode == -100) {
    text = Group3(std::to_string(magnitude / 100));
    unsigned cents = static_cast<unsigned>(magnitude % 100);
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
  } else {
    text = Group3(std::to_string(magnitude));
  }
  if (negative) text.insert(text.begin(), '-');
  if (text.size() + 1 > static_cast<size_t>(outSize)) return out;
  for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<WCHAR>(text[i]);
  out[text.size()] = 0;
  return out;
}

WCHAR* w_Value2CommaNumber(WCHAR* out, int outSize, int32_t value, int mode) {
  return w_Value2CommaNumber(out, outSize, static_cast<int64_t>(value), mode);
}

BOOL isStrictNumberStr(const char* text, int n) {
  if (n < 1) return TRUE;
  if (!text) return FALSE;
  for (int i = 0; i < n; ++i)
    if (!IsDigit(text[i])) return FALSE;
  return TRUE;
}

BOOL isNumberStr(const char* text, int n) {
  if (n < 1) return TRUE;
  if (!text) return FALSE;
  for (int i = 0; i < n; ++i)
    if (!IsDigit(text[i]) && text[i] != '.' && text[i] != ' ') return FALSE;
  return TRUE;
}

int AtoI(const char* text, int n) {
  if (!text || n < 1) return 0;
  const char* p = text;
  while (*p != '\0' && static_cast<unsigned char>(*p) <= 32) ++p;
  if (*p == '\0') return 0;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  long long value = 0;
  for (int i = 0; i < n; ++i) {
    if (!IsDigit(p[i])) return 0;  // also stops at the terminator
    value = value * 10 + (p[i] - '0');
    if (value > 2147483648LL) return 0;  // outside the int range
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return 0;
  return static_cast<int>(value);
}

int AtoI(const char* text, int offset, int n) {
  if (!text || offset < 0 || n < 1) return 0;
  if (!isNumberStr(text + offset, n)) return 0;
  std::string s(text + offset, static_cast<size_t>(n));
  return static_cast<int>(std::strtol(s.c_str(), nullptr, 10));
}

float AtoF(const char* text, int n) {
  if (!text || n > 29 || n < 1) return 0.0f;
  if (!isNumberStr(text, n)) return 0.0f;
  std::string s(text, static_cast<size_t>(n));
  return std::strtof(s.c_str(), nullptr);
}

char* StrNCpy(char* dst, const char* src, int n) {
  if (!dst || !src || n < 0) return nullptr;
  std::memcpy(dst, src, static_cast<size_t>(n));
  dst[n] = '\0';
  return nullptr;
}

char* StrNCpy(char* dst, const char* src, int n, int m) {
  (void)dst;
  (void)src;
  (void)n;
  (void)m;
  return nullptr;
}

char* ReturnStr(const char* src, int n) {
  thread_local char buffer[kReturnStrSize];
  std::memset(buffer, 0, sizeof buffer);
  if (!src || n < 1) return buffer;
  if (n > kReturnStrSize - 1) n = kReturnStrSize - 1;
  std::memcpy(buffer, src, static_cast<size_t>(n));
  return buffer;
}

char* NString(const char* src, int n, char* buffer) {
  if (!buffer) return buffer;
  if (!src || n < 1) {
    buffer[0] = '\0';
    return buffer;
  }
  std::memcpy(buffer, src, static_cast<size_t>(n));
  buffer[n] = '\0';
  return buffer;
}

char* NSPString(const char* src, int n, char* buffer) {
  NString(src, n, buffer);
  if (!buffer) return buffer;
  int end = n < 1 ? 0 : n;
  while (end > 1 && (buffer[end - 1] == ' ' || buffer[end - 1] == '\0')) buffer[--end] = '\0';
  return buffer;
}

namespace {
std::string Field(const char* src, int n) {
  if (!src || n < 1) return {};
  return std::string(src, static_cast<size_t>(n)).c_str();
}
}  // namespace

int NInt(const char* src, int n) { return static_cast<int>(std::strtol(Field(src, n).c_str(), nullptr, 10)); }
long NLong(const char* src, int n) { return std::strtol(Field(src, n).c_str(), nullptr, 10); }
double NDouble(const char* src, int n) { return std::strtod(Field(src, n).c_str(), nullptr); }

void AlertMessage(const char* text) { (void)text; }
void AlertMessage(const char* text, int n) {
  (void)text;
  (void)n;
}
