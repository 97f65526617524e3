// Text logs of the base library: one printf-style text written to a file on a device path.
// The formatted text is at most kTextLogMax bytes (a longer one is cut before the first
// character that would not fit whole) and is written exactly as formatted.
#pragma once

#include "plat/types.h"

constexpr int kTextLogMax = 1000;

// Replaces the file ("wt"). 1, or -1 when the file cannot be opened.
int WLOG(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Appends to the file ("a"), creating it. 1, or -1 when the file cannot be opened.
int AWLOG(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Replaces the file ("wt"). 1, or 0 when the file cannot be opened.
int WriteLog(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));
