// The text of get_time for a time already read, for callers that read the clock themselves.
#pragma once

#include "plat/windows.h"

// Writes what get_time writes for `t` (parts and separators as get_time's) into buf.
void time_text(const SYSTEMTIME& t, char* buf, int size, int parts, int separators);
