// Time strings, millisecond clocks, window-message names for traces, process and thread ids and
// pseudo-random values.
#pragma once

#include <cstdint>

#include "plat/windows.h"

// Parts of get_time.
constexpr int TIME_PART_DATE = 1;
constexpr int TIME_PART_TIME = 2;

// Local date and/or time as text into buf (size bytes, always terminated, cut to fit).
// separators == 1: "YYYY.MM.DD" and "HH:MM:SS"; otherwise "YYYYMMDD" and "HHMMSS". The date is
// followed by one blank when it is not empty and separators is not 0, then comes the time.
// NULL for a NULL buffer or size below 1.
char* get_time(char* buf, int size, int parts, int separators);

// Milliseconds since local midnight.
int get_mili_time();
// Milliseconds since midnight of a text "HH:MM:SS" or "HH:MM:SS.mmm"; -1 for NULL, a text shorter
// than 8 characters or fields that are not digits.
int get_mili_time_fmt(const char* text);
// Monotonic millisecond count for measuring intervals: it follows the platform's tick count (and
// so its virtual clock), widened to 64 bits, and never runs backwards at a month or year change.
int64_t get_mili_time_full();

DWORD get_n_print_cur_processid();
DWORD get_n_print_cur_threadid();

// Name of a window message ("WM_PAINT", ...), or "Undefined".
const char* get_message_str(UINT message);
// Name of the record's message, or "NULL" for a NULL record.
const char* get_message_str_MSG(const MSG* msg);

// Seeds a generator with the current millisecond (0-999) and returns the absolute value of its
// next number modulo divisor; -1 for a divisor below 1.
int get_rand_value(int divisor);
// Fills len bytes with the low bytes of successive random numbers (same seeding).
void get_rand_value_to_buf(void* buf, int len);
