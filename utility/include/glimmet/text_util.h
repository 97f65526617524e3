// Text functions for code-page-949 byte strings. A byte with the top bit set starts a
// double-byte character; such a character is never split by these functions.
#pragma once

#include <cstddef>

// Parts of a text split at a separator; every part and the array are newly allocated.
struct DIVID_STR {
  int count;     // -1 on failure
  char** parts;  // NULL on failure
};

// Splits `text` at each occurrence of `sep`. With maximum > 0 there are at most that many parts
// and the last keeps the rest of the text. An empty separator splits into single characters
// (a double-byte character stays whole). Failure (NULL text or sep, negative maximum, memory):
// count -1, parts NULL. Release with destroy_divid_str.
DIVID_STR string_divid_with_str(const char* text, const char* sep, int maximum);
void destroy_divid_str(int count, char** parts);

// Copy without leading / trailing / both kinds of blanks (space, tab, LF, CR), cut to size - 1
// bytes (never inside a double-byte character) and terminated. NULL for NULL arguments or size < 1.
char* trim_left(char* dst, int size, const char* text);
char* trim_right(char* dst, int size, const char* text);
char* trim_all(char* dst, int size, const char* text);

// Two upper-case hexadecimal digits per byte and a NUL into dst of dstSize bytes.
// NULL when an argument is NULL, len is negative or dst cannot hold 2 * len + 1 bytes.
char* arry_to_hexstr(char* dst, int dstSize, const unsigned char* bytes, int len);
// Hexadecimal text ('0'-'9', 'A'-'F'; an odd last character is ignored) into dst of dstSize bytes;
// *lenOut receives the number of bytes. NULL for NULL arguments, a character out of range or a
// text that would not fit (nothing partial is reported as success).
unsigned char* hexstr_to_arry(unsigned char* dst, int dstSize, int* lenOut, const char* hex);

// Lays the text (len bytes, negative: up to the NUL; stops at a NUL) into consecutive lines of
// `width` bytes in dst (cleared first), starting a new line when a character would not fit.
// *sizeInOut gives dst's size and receives the number of text bytes placed.
// Returns the number of lines used, 0 for an empty text, -1 for NULL arguments, a size below 1
// or a width below 2 (a double-byte character needs two bytes).
int str_to_multi_line(const char* text, int len, int width, char* dst, int* sizeInOut);

// Copies at most `size` bytes of the text (len bytes, negative: up to the NUL) to dst, one fewer
// when the last would be the first half of a double-byte character, and terminates the copy when
// there is room. Returns the number of bytes copied, -1 for NULL arguments or size < 1.
int str_to_byte_2byte(char* dst, int size, const char* text, int len);

// Fills `width` bytes of dst with `pad` and puts the text (its first len bytes, up to a NUL;
// negative len: the whole text) at the right end. Returns width, or -1 when the text is longer
// than the width (dst then holds only pad characters) or an argument is bad. No terminator.
int padding_left(char* dst, int width, const char* text, int len, char pad);
