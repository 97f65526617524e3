// Plain helpers that every screen uses on the server's records: decoding of the wire numbers
// (big-endian signed 16-bit groups in base 10,000), numbers as text with thousands separators,
// the change-sign marks, fixed-width field copies and small file functions.
//
// Every function that writes text writes within its destination: a result that would not fit
// gives the empty text rather than a cut number (a cut number reads as another number).
#pragma once

#include <cstdint>

#include "plat/windows.h"

// ---- Wire numbers ---------------------------------------------------------------------------
// Each reads its groups big-endian and signed; g0 is the first group. A null field reads as 0.
int convert_short2(const void* src);                  // 4 bytes: g0 * 10000 + g1
int convert_short2_short(const void* src);            // 2 bytes: g0
float convert_short2_float(const void* src);          // 4 bytes: g0 + g1 / 100
double convert_short2_6f_to_double(const void* src);  // 4 bytes: (g0 * 10000 + g1) / 1,000,000
double convert_short3(const void* src);               // 6 bytes: g0 * 10^8 + g1 * 10^4 + g2
int64_t convert_short3_to_int64(const void* src);     // 6 bytes, as convert_short3

// ---- Change signs ---------------------------------------------------------------------------
// Sign characters: '1' upper limit, '2' up, '3' unchanged, '4' lower limit, '5' down; the wider
// set also takes '6' like '1', '7' and '+' like '2', '8' like '4', '9' and '-' like '5'.
//
// Clears the 4 bytes of `out` and writes the code page 949 mark of '1', '2', '4' or '5'
// ("↑", "▲", "↓", "▼"); every other character (the wider set too) gives one blank.
void G_GetUpdownChar(char* out, char sign);
// The mark of the wider set as 2 code page 949 bytes and a NUL (a blank and a NUL for no
// change); `out` holds at least 3 bytes. Returns 1.
int SetDaebiGb(char* out, const char* sign);
// The mark of the wider set as wide text; `out` holds at least 2 characters. Returns 1.
int SetDaebiGbUnicode(WCHAR* out, const char* sign);
// As SetDaebiGbUnicode; returns the sign's colour: red for up, blue for down, else black.
COLORREF SetDaebiGbColorUnicode(WCHAR* out, const char* sign);

// ---- Numbers as text ------------------------------------------------------------------------
constexpr int kMoneyBufferSize = 32;
// Thousands separators in a number text: a leading '+' or '-' is kept in front, the integer
// digits are grouped by three from the right, at most two digits follow the first '.'.
// Returns a buffer of the calling thread that the next call overwrites (at most 31
// characters; a longer result gives the empty text).
char* Money(const char* text);
// A right-aligned number field of width `n` with separators, into `dst` (n + 1 bytes, ending
// with a NUL at position n). The commas take the places of leading blanks; a field without
// enough leading blanks is copied unchanged.
void Money(char* dst, const char* src, int n);
// Kept for callers of the old interface: returns a null pointer.
char* Money(long value);

// `value` with "," between groups of three digits into `out` (`outSize` characters, terminator
// included). Mode -100: the value is in hundredths and gets "." and two digits. Text that does
// not fit gives the empty text. Returns `out`.
WCHAR* w_Value2CommaNumber(WCHAR* out, int outSize, int32_t value, int mode);
WCHAR* w_Value2CommaNumber(WCHAR* out, int outSize, int64_t value, int mode);
// Sizes that always suffice (terminator included).
constexpr int kCommaNumber32Chars = 15;
constexpr int kCommaNumber64Chars = 27;

// ---- Digit strings --------------------------------------------------------------------------
// TRUE when the first n characters are digits (TRUE for n < 1).
BOOL isStrictNumberStr(const char* text, int n);
// TRUE when the first n characters are digits, '.' or blanks (TRUE for n < 1).
BOOL isNumberStr(const char* text, int n);
// Skips leading characters up to code 32, takes one optional sign, then exactly n digits;
// any other character among them (or n < 1) gives 0.
int AtoI(const char* text, int n);
// The n characters at `offset` as a decimal number; 0 unless they pass isNumberStr.
int AtoI(const char* text, int offset, int n);
// The first n characters as a decimal number; 0.0 when n is above 29 or they fail isNumberStr.
float AtoF(const char* text, int n);
// Copies n bytes and writes a NUL at position n (`dst` holds n + 1 bytes). Returns null.
char* StrNCpy(char* dst, const char* src, int n);
// Kept for callers of the old interface: returns a null pointer.
char* StrNCpy(char* dst, const char* src, int n, int m);
constexpr int kReturnStrSize = 50;
// Copies at most 49 bytes into a buffer of the calling thread (cleared first), terminated.
char* ReturnStr(const char* src, int n);
// Copies n bytes into `buffer` (n + 1 bytes) and terminates it. Returns `buffer`.
char* NString(const char* src, int n, char* buffer);
// As NString, then trailing blanks and NULs are removed (the first character always stays).
char* NSPString(const char* src, int n, char* buffer);
// The decimal value of the n characters.
int NInt(const char* src, int n);
long NLong(const char* src, int n);
double NDouble(const char* src, int n);
// Kept for callers of the old interface: do nothing.
void AlertMessage(const char* text);
void AlertMessage(const char* text, int n);

// ---- Files and screens ----------------------------------------------------------------------
// Creates or truncates the file and writes n bytes: -1 for a null buffer or negative n, -2 when
// the file cannot be created, 0 when the write fails, else the bytes written.
int write_file(LPCWSTR path, const void* buffer, int n);
// Reads up to n bytes of an existing file: -1 for a null path or buffer or n < 1, -2 when it
// cannot be opened, 0 when the read fails, else the bytes read.
int read_file(LPCWSTR path, void* buffer, int n);
// Quick-move combo: `position` is the combo selection plus one. From 2 on, asks `wnd` to open
// the screen at that place of the history (WM_VX_OPEN_SCREEN); 0 and 1 (the title) do nothing.
void ComboMenuQuick(HWND wnd, int position);
