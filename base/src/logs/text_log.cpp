#include "vxbase/text_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "plat/kernel.h"

namespace {

// Formats into `out` (kTextLogMax bytes and a terminator); returns the length. A cut text ends
// on a whole code page 949 character.
int Format(char (&out)[kTextLogMax + 1], const char* format, va_list args) {
  int n = std::vsnprintf(out, sizeof out, format ? format : "", args);
  if (n < 0) {
    out[0] = '\0';
    return 0;
  }
  if (n <= kTextLogMax) return n;
  int end = 0;
  while (end < kTextLogMax) {
    unsigned char lead = static_cast<unsigned char>(out[end]);
    int step = lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    if (end + step > kTextLogMax) break;
    end += step;
  }
  out[end] = '\0';
  return end;
}

bool Write(const char* path, const char* mode, const char* format, va_list args) {
  FILE* file = path ? plat::OpenDeviceFile(path, mode) : nullptr;
  if (!file) return false;
  char text[kTextLogMax + 1];
  int n = Format(text, format, args);
  std::fwrite(text, 1, static_cast<size_t>(n), file);
  std::fclose(file);
  return true;
}

}  // namespace

int WLOG(const char* path, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool ok = Write(path, "wt", format, args);
  va_end(args);
  return ok ? 1 : -1;
}

int AWLOG(const char* path, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool ok = Write(path, "a", format, args);
  va_end(args);
  return ok ? 1 : -1;
}

int WriteLog(const char* path, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool ok = Write(path, "wt", format, args);
  va_end(args);
  return ok ? 1 : 0;
}
