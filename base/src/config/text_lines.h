// Line reading shared by the configuration and menu file readers.
#pragma once

#include <cerrno>
#include <cstdio>

#include "plat/afx.h"

namespace vxbase::config {

// Both files are read in pieces of at most this many characters: a longer line is taken as
// several lines, each judged on its own.
constexpr int kLinePiece = 255;

// Reads the next piece into `line`, cleaned: every line feed and tab removed, white space
// trimmed at both ends. False at the end of the file.
inline bool ReadCleanLine(FILE* file, CString& line) {
  char buffer[kLinePiece + 1];
  if (!std::fgets(buffer, sizeof buffer, file)) return false;
  line = CString::FromMultiByte(buffer);
  line.Remove(u'\n');
  line.Remove(u'\t');
  line.Trim();
  return true;
}

// The handheld's error number for the C library's errno of a failed open.
inline DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    default: return ERROR_INVALID_FUNCTION;
  }
}

}  // namespace vxbase::config
