// Wire numbers of the server's records and the small byte/text conversions beside them.
//
// A wire number (NET_VALUE) is 1 to 5 signed 16-bit big-endian groups, each one digit in base
// 10,000, the first group the most significant. Times and dates are three plain bytes.
// Every function here is stateless and may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plat/types.h"

// Size of the text buffer that get_net_value_str without a size argument assumes: the longest
// text of groups in their range (a negative twelve-digit kind-4 value) is 16 characters.
constexpr size_t NET_VALUE_STR_SIZE = 17;

// Kinds of get_net_value_str.
enum NetValueKind : signed char {
  NV_INT2 = 0,        // NET_VALUE2 integer (mode 0: thousands separators; other modes: digits)
  NV_FLOAT2 = 1,      // NET_FLOAT2 with two decimals and separators
  NV_PERCENT2 = 2,    // NET_FLOAT2 as a percentage
  NV_DIGITS2 = 3,     // NET_VALUE2 digits without separators
  NV_INT3 = 4,        // NET_VALUE3 with separators (a mode above 0 switches large values to kind 5)
  NV_THOUSANDS3 = 5,  // NET_VALUE3 in thousands ("K")
  NV_DIGITS3 = 6,     // NET_VALUE3 digits without separators
  NV_DATE_YMD = 7,    // YY-MM-DD
  NV_DATE_YM = 8,     // first two date bytes
  NV_DATE_MD = 9,     // last two date bytes
  NV_TIME_HMS = 10,   // HH:MM:SS
  NV_TIME_HM = 11,    // HH:MM
  NV_TIME_MS = 12,    // MM:SS
};

// Value of a field of `len` bytes (at least 2 and even; at most its first 5 groups count).
// 0 for a NULL source or a bad length. A value beyond the 64-bit range saturates.
int64_t get_net_value(const void* src, int len);

// Value of a NET_FLOAT-style field of `len` bytes (at least 4 and even): the groups but the last
// form the integer part, the last group holds hundredths. 0 for a NULL source or a bad length.
double get_net_value_float(const void* src, int len);

// Formats the field at `src` as text of the given kind into `out`, which holds `outSize` bytes.
// Returns `out`, or NULL when `src` or `out` is NULL or outSize is 0. The output is always
// terminated inside outSize; it is empty for an unknown kind and when the text would not fit
// (a cut number would be read as another number).
char* get_net_value_str(signed char kind, const void* src, char* out, signed char mode, size_t outSize);
// The same with an output buffer of NET_VALUE_STR_SIZE bytes; never writes beyond them.
char* get_net_value_str(signed char kind, const void* src, char* out, signed char mode);

// 16-bit and 32-bit binary fields in the device's own byte order (least significant first).
short binbyte_to_short(const void* src);
uint32_t binbyte_to_int(const void* src);
void short_to_binbyte(short value, void* dst);
void int_to_binbyte(uint32_t value, void* dst);

// Fixed-width text field -> terminated text: copies min(len, dstSize - 1) bytes and a NUL.
// NULL when dst or src is NULL, len is negative or dstSize is below 1.
char* byte_to_str(char* dst, int dstSize, const void* src, int len);
// Text -> fixed-width field without terminator: copies min(len, dstSize) bytes (a negative len:
// the text's length). NULL when dst or text is NULL or dstSize is below 1.
char* str_to_byte(void* dst, int dstSize, const char* text, int len);
// 0 when the first `len` characters (negative: up to the NUL) are all '0'..'9', else -1
// (also for NULL or len 0).
int is_digit_str(const char* text, int len);
// Decimal integer of `len` characters (negative: up to the NUL), optional leading '-'.
// *ok (may be NULL) is 1 on success; 0 with result 0 for a NULL text, len 0, no digits, a
// character that is not a digit, or a value outside the int range.
int byte_to_digit(const char* text, int len, int* ok);
// Code-page-949 text -> UTF-16 in a destination of dstBytes bytes, always terminated.
// NULL when dst is NULL or dstBytes below 2 (no room for a terminator).
WCHAR* char_to_tchar(WCHAR* dst, int dstBytes, const char* src, int len);
// UTF-16 copy of at most lenBytes bytes (negative: the whole string), cut to the destination
// and terminated. NULL when dst is NULL or dstBytes below 2.
WCHAR* tchar_to_tchar(WCHAR* dst, int dstBytes, const WCHAR* src, int lenBytes);
