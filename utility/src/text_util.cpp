// Text functions for code-page-949 byte strings.
#include "glimmet/text_util.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

bool is_lead(char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; }

// Length in bytes of the character starting at text[i] within n bytes (a lead byte at the very
// end counts as one byte).
size_t char_len(const char* text, size_t i, size_t n) { return (is_lead(text[i]) && i + 1 < n) ? 2 : 1; }

// Largest prefix of text[0..n) that is at most `limit` bytes and ends on a character boundary.
size_t boundary_prefix(const char* text, size_t n, size_t limit) {
  size_t i = 0;
  while (i < n) {
    size_t c = char_len(text, i, n);
    if (i + c > limit) break;
    i += c;
  }
  return i;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

char* copy_trimmed(char* dst, int size, const char* text, bool left, bool right) {
  if (!dst || !text || size < 1) return nullptr;
  size_t begin = 0, end = std::strlen(text);
  if (left)
    while (begin < end && is_blank(text[begin])) ++begin;
  if (right)
    while (end > begin && is_blank(text[end - 1])) --end;
  size_t n = boundary_prefix(text + begin, end - begin, static_cast<size_t>(size) - 1);
  std::memmove(dst, text + begin, n);
  dst[n] = '\0';
  return dst;
}

char* dup_range(const char* p, size_t n) {
  char* s = static_cast<char*>(std::malloc(n + 1));
  if (!s) return nullptr;
  std::memcpy(s, p, n);
  s[n] = '\0';
  return s;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

DIVID_STR string_divid_with_str(const char* text, const char* sep, int maximum) {
  DIVID_STR failed{-1, nullptr};
  if (!text || !sep || maximum < 0) return failed;
  const size_t n = std::strlen(text);
  const size_t seplen = std::strlen(sep);
  std::vector<char*> parts;
  auto fail = [&]() {
    for (char* s : parts) std::free(s);
    return failed;
  };
  size_t pos = 0;
  try {
    if (seplen == 0) {
      while (pos < n) {
        size_t c = (maximum > 0 && parts.size() + 1 == static_cast<size_t>(maximum)) ? n - pos : char_len(text, pos, n);
        char* s = dup_range(text + pos, c);
        if (!s) return fail();
        parts.push_back(s);
        pos += c;
      }
    } else {
      for (;;) {
        const char* hit =
            (maximum > 0 && parts.size() + 1 == static_cast<size_t>(maximum)) ? nullptr : std::strstr(text + pos, sep);
        size_t c = hit ? static_cast<size_t>(hit - (text + pos)) : n - pos;
        char* s = dup_range(text + pos, c);
        if (!s) return fail();
        parts.push_back(s);
        if (!hit) break;
        pos += c + seplen;
      }
    }
    char** arr = static_cast<char**>(std::malloc((parts.empty() ? 1 : parts.size()) * sizeof(char*)));
    if (!arr) return fail();
    for (size_t i = 0; i < parts.size(); ++i) arr[i] = parts[i];
    return DIVID_STR{static_cast<int>(parts.size()), arr};
  } catch (const std::bad_alloc&) {
    return fail();
  }
}

void destroy_divid_str(int count, char** parts) {
  if (!parts) return;
  for (int i = 0; i < count; ++i) std::free(parts[i]);
  std::free(parts);
}

char* trim_left(char* dst, int size, const char* text) { return copy_trimmed(dst, size, text, true, false); }
char* trim_right(char* dst, int size, const char* text) { return copy_trimmed(dst, size, text, false, true); }
char* trim_all(char* dst, int size, const char* text) { return copy_trimmed(dst, size, text, true, true); }

char* arry_to_hexstr(char* dst, int dstSize, const unsigned char* bytes, int len) {
  if (!dst || !bytes || len < 0 || dstSize < 1) return nullptr;
  if (static_cast<long long>(len) * 2 + 1 > dstSize) return nullptr;
  static const char digits[] = "0123456789ABCDEF";
  for (int i = 0; i < len; ++i) {
    dst[2 * i] = digits[bytes[i] >> 4];
    dst[2 * i + 1] = digits[bytes[i] & 0x0F];
  }
  dst[2 * len] = '\0';
  return dst;
}

unsigned char* hexstr_to_arry(unsigned char* dst, int dstSize, int* lenOut, const char* hex) {
  if (!dst || !lenOut || !hex || dstSize < 0) return nullptr;
  size_t pairs = std::strlen(hex) / 2;
  if (pairs > static_cast<size_t>(dstSize)) return nullptr;
  for (size_t i = 0; i < pairs; ++i) {
    int hi = hex_value(hex[2 * i]), lo = hex_value(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return nullptr;
    dst[i] = static_cast<unsigned char>((hi << 4) | lo);
  }
  *lenOut = static_cast<int>(pairs);
  return dst;
}

int str_to_multi_line(const char* text, int len, int width, char* dst, int* sizeInOut) {
  if (!text || !dst || !sizeInOut || *sizeInOut < 1 || width < 2) return -1;
  const size_t size = static_cast<size_t>(*sizeInOut);
  std::memset(dst, 0, size);
  size_t n = len < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(len));
  *sizeInOut = 0;
  if (n == 0) return 0;
  const size_t w = static_cast<size_t>(width);
  size_t line = 0, col = 0, placed = 0, used = 0, i = 0;
  while (i < n) {
    size_t c = char_len(text, i, n);
    if (col + c > w) {  // the character goes to the next line
      ++line;
      col = 0;
    }
    size_t at = line * w + col;
    if (at + c > size) break;  // no room left in the destination
    std::memcpy(dst + at, text + i, c);
    col += c;
    placed += c;
    used = line + 1;
    i += c;
  }
  *sizeInOut = static_cast<int>(placed);
  return static_cast<int>(used);
}

int str_to_byte_2byte(char* dst, int size, const char* text, int len) {
  if (!dst || !text || size < 1) return -1;
  size_t n = len < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(len));
  size_t take = boundary_prefix(text, n, static_cast<size_t>(size));
  std::memcpy(dst, text, take);
  if (take < static_cast<size_t>(size)) dst[take] = '\0';
  return static_cast<int>(take);
}

int padding_left(char* dst, int width, const char* text, int len, char pad) {
  if (!dst || !text || width < 0) return -1;
  size_t n = len < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(len));
  std::memset(dst, static_cast<unsigned char>(pad), static_cast<size_t>(width));
  if (n > static_cast<size_t>(width)) return -1;
  std::memcpy(dst + (width - n), text, n);
  return width;
}
