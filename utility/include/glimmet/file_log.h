// The time-stamped text log and small file helpers that take code-page-949 file names
// (device paths).
#pragma once

#include <cstdint>

#include "plat/windows.h"

// Longest log line before CR LF, and longest "[date time]source(line) | " part.
constexpr int FILE_LOG_LINE_MAX = 2047;
constexpr int FILE_LOG_PREFIX_MAX = 127;

// Appends "[YYYY.MM.DD HH:MM:SS]source(line) | text" and CR LF to the file (created when missing).
// Nothing for a NULL or empty file name, a NULL format or a name that does not fit in 255
// characters (a cut name would name another file). Failures are silent. The calling thread keeps
// the file open for a short while for its next lines (closed when the thread ends); a file that
// was removed or replaced meanwhile is opened again under its name, so every line lands in the
// file that the name names when the line is written.
void lib_file_log(const char* fileName, int line, const char* source, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// While one lives, the lines that lib_file_log writes on this thread are gathered and each file's
// run of lines goes to the file in one write (in place of one write per line): when the outermost
// batch on the thread ends, when a line goes to another file than the lines before it, or when
// the gathered lines fill 8 KB. The files get the same bytes in the same order; the lines are in
// the file once the batch has ended. For trace lines written together, with nothing else written
// to their file by the thread meanwhile.
class FileLogBatch {
 public:
  FileLogBatch();
  ~FileLogBatch();
  FileLogBatch(const FileLogBatch&) = delete;
  FileLogBatch& operator=(const FileLogBatch&) = delete;
};

// Opens a file by a code-page-949 name (at most 256 characters); INVALID_HANDLE_VALUE for a NULL,
// empty or too long name or when the platform fails.
HANDLE create_file_char(const char* fileName, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                        DWORD disposition, DWORD flags, HANDLE templateFile);

// Appends data to the file (created when missing) / replaces the file with data.
// 0 when everything was written, -1 otherwise (also NULL arguments or len below 1).
int data_append_file(const char* fileName, const void* data, int len);
int data_write_file(const char* fileName, const void* data, int len);

// Reads an existing file whole into a malloc'd buffer (one extra NUL byte when addNul is
// non-zero) and stores its size (sizeOut may be NULL). Release with free. NULL on any failure.
void* load_full_file(const char* fileName, int* sizeOut, int addNul);

// Repeats the platform read / write until len bytes are done. Returns len; 0 when a call moves
// nothing (end of file) first, or for len below 1; -1 for a NULL buffer, an invalid handle or a
// failing call.
int readn_data_handle(HANDLE file, void* buf, int len);
int writen_data_handle(HANDLE file, const void* buf, int len);

// Size in bytes, or -1. get_file_size_handle leaves the handle's position at the end.
int64_t get_file_size_nm(const char* fileName);
int64_t get_file_size_handle(HANDLE file);
