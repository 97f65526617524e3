// WCHAR text functions.
#include <climits>

#include "kernel/internal.h"

namespace {

WCHAR Fold(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 32) : c; }

int Compare(const WCHAR* a, const WCHAR* b, size_t count, bool fold) {
  for (size_t i = 0; i < count; ++i) {
    WCHAR x = fold ? Fold(a[i]) : a[i], y = fold ? Fold(b[i]) : b[i];
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }

}  // namespace

int lstrlen(LPCWSTR text) { return text ? static_cast<int>(_tcslen(text)) : 0; }
LPWSTR lstrcpy(LPWSTR destination, LPCWSTR source) { return _tcscpy(destination, source); }

LPWSTR lstrcpyn(LPWSTR destination, LPCWSTR source, int size) {
  if (!destination || size <= 0) return destination;
  int i = 0;
  for (; i < size - 1 && source && source[i]; ++i) destination[i] = source[i];
  destination[i] = 0;
  return destination;
}

LPWSTR lstrcat(LPWSTR destination, LPCWSTR source) { return _tcscat(destination, source); }
int lstrcmp(LPCWSTR a, LPCWSTR b) { return _tcscmp(a ? a : u"", b ? b : u""); }
int lstrcmpi(LPCWSTR a, LPCWSTR b) { return _tcsicmp(a ? a : u"", b ? b : u""); }

size_t _tcslen(const WCHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

WCHAR* _tcscpy(WCHAR* destination, const WCHAR* source) {
  size_t i = 0;
  do destination[i] = source[i];
  while (source[i++]);
  return destination;
}

WCHAR* _tcsncpy(WCHAR* destination, const WCHAR* source, size_t count) {
  size_t i = 0;
  for (; i < count && source[i]; ++i) destination[i] = source[i];
  for (; i < count; ++i) destination[i] = 0;
  return destination;
}

WCHAR* _tcscat(WCHAR* destination, const WCHAR* source) {
  _tcscpy(destination + _tcslen(destination), source);
  return destination;
}

int _tcscmp(const WCHAR* a, const WCHAR* b) { return Compare(a, b, SIZE_MAX, false); }
int _tcsncmp(const WCHAR* a, const WCHAR* b, size_t count) { return Compare(a, b, count, false); }
int _tcsicmp(const WCHAR* a, const WCHAR* b) { return Compare(a, b, SIZE_MAX, true); }
int _tcsnicmp(const WCHAR* a, const WCHAR* b, size_t count) { return Compare(a, b, count, true); }

const WCHAR* _tcschr(const WCHAR* text, WCHAR c) {
  for (;; ++text) {
    if (*text == c) return text;
    if (!*text) return nullptr;
  }
}

const WCHAR* _tcsrchr(const WCHAR* text, WCHAR c) {
  const WCHAR* found = nullptr;
  for (;; ++text) {
    if (*text == c) found = text;
    if (!*text) return found;
  }
}

const WCHAR* _tcsstr(const WCHAR* text, const WCHAR* part) {
  size_t n = _tcslen(part);
  if (n == 0) return text;
  for (; *text; ++text)
    if (Compare(text, part, n, false) == 0) return text;
  return nullptr;
}

long _tcstol(const WCHAR* text, WCHAR** end, int base) {
  const WCHAR* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
  if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == u'0' ? 8 : 10;
  }
  unsigned long long value = 0;
  const WCHAR* digits = p;
  for (;; ++p) {
    int d = *p >= u'0' && *p <= u'9'   ? *p - u'0'
            : *p >= u'a' && *p <= u'z' ? *p - u'a' + 10
            : *p >= u'A' && *p <= u'Z' ? *p - u'A' + 10
                                       : 99;
    if (d >= base) break;
    constexpr unsigned long long kCap = static_cast<unsigned long long>(LONG_MAX) + 2;  // past both ends
    unsigned ub = static_cast<unsigned>(base), ud = static_cast<unsigned>(d);
    value = value > (kCap - ud) / ub ? kCap : value * ub + ud;
  }
  if (end) *end = const_cast<WCHAR*>(p == digits ? text : p);
  // Out of range: the nearest end of the range.
  if (negative) return value > static_cast<unsigned long long>(LONG_MAX) ? LONG_MIN : -static_cast<long>(value);
  return value > static_cast<unsigned long long>(LONG_MAX) ? LONG_MAX : static_cast<long>(value);
}

long _ttol(const WCHAR* text) { return text ? _tcstol(text, nullptr, 10) : 0; }
int _ttoi(const WCHAR* text) {
  long v = _ttol(text);
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}
