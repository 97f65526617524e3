// Time-stamped file log and file helpers.
#include "glimmet/file_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "glimmet/time_util.h"
#include "time_text.h"

namespace {

// Code-page-949 name -> UTF-16 of at most maxChars characters; false when it does not fit.
bool wide_name(const char* name, WCHAR* out, int maxChars) {
  if (!name || name[0] == '\0') return false;
  return MultiByteToWideChar(CP_ACP, 0, name, -1, out, maxChars + 1) > 0;
}

HANDLE open_for_writing(const char* fileName, DWORD disposition) {
  return create_file_char(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
}

int write_whole(const char* fileName, const void* data, int len, bool append) {
  if (!fileName || !data || len < 1) return -1;
  HANDLE h = open_for_writing(fileName, append ? OPEN_ALWAYS : CREATE_ALWAYS);
  if (h == INVALID_HANDLE_VALUE) return -1;
  int result = -1;
  if (!append || SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
    result = writen_data_handle(h, data, len) == len ? 0 : -1;
  CloseHandle(h);
  return result;
}

// Length of the longest prefix of text[0..n) that does not end inside a double-byte character.
size_t whole_chars(const char* text, size_t n) {
  size_t i = 0;
  while (i < n) {
    size_t c = (static_cast<unsigned char>(text[i]) & 0x80) ? 2 : 1;
    if (i + c > n) break;
    i += c;
  }
  return i;
}

// Writes data at the end of the file; the offset where it ends, or -1 when it was not written whole.
int64_t AppendAtEnd(HANDLE h, const char* data, int len) {
  LONG high = 0;
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(h, 0, &high, FILE_END);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  if (writen_data_handle(h, data, len) != len) return -1;
  return ((static_cast<int64_t>(static_cast<uint32_t>(high)) << 32) | low) + len;
}

// "YYYY.MM.DD HH:MM:SS" of the local time, formatted again only when the second changes.
class StampCache {
 public:
  const char* Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    if (!valid_ || t.wSecond != at_.wSecond || t.wMinute != at_.wMinute || t.wHour != at_.wHour || t.wDay != at_.wDay ||
        t.wMonth != at_.wMonth || t.wYear != at_.wYear) {
      time_text(t, text_, sizeof text_, TIME_PART_DATE | TIME_PART_TIME, 1);
      at_ = t;
      valid_ = true;
    }
    return text_;
  }

 private:
  bool valid_ = false;
  SYSTEMTIME at_{};
  char text_[32] = {};
};

// The log files this thread wrote last, kept open between lines: opening a file for every line
// (its name mapped onto the device, the file opened, then closed) costs far more than the line.
// Before every line a kept file must still be the file of its name, since another program may
// have removed or replaced it meanwhile; otherwise the name is opened again. A file not written
// for a while is closed on the next line of the thread, and all are closed when the thread ends.
class OpenLogs {
 public:
  OpenLogs() = default;
  OpenLogs(const OpenLogs&) = delete;
  OpenLogs& operator=(const OpenLogs&) = delete;
  ~OpenLogs() {
    for (Slot& s : slots_) s.Close();
  }

  // Appends len bytes at the end of the file named `fileName` (created when missing). Silent.
  void Append(const char* fileName, const char* data, int len) {
    DWORD now = GetTickCount();
    Slot* slot = nullptr;
    for (Slot& s : slots_) {
      if (s.handle == INVALID_HANDLE_VALUE) continue;
      if (s.name == fileName) {
        slot = &s;
      } else if (now - s.used > kKeepOpenMs) {
        s.Close();
      }
    }
    int64_t size = -1;
    if (slot && !plat::FileStillNamed(slot->handle, slot->host.c_str(), &size)) slot->Close();
    if (!slot || slot->handle == INVALID_HANDLE_VALUE) {
      WCHAR name[256];
      if (!wide_name(fileName, name, 255)) return;
      HANDLE h = CreateFile(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return;
      if (!slot) slot = FreeSlot(now);
      if (!plat::HostPath(std::u16string_view(name), slot->host)) {
        AppendAtEnd(h, data, len);
        CloseHandle(h);
        return;
      }
      slot->name = fileName;
      slot->handle = h;
      slot->end = -1;
    }
    slot->used = now;
    // The file is positioned at its end again only when someone else wrote or cut it since.
    if (slot->end < 0 || slot->end != size) {
      slot->end = AppendAtEnd(slot->handle, data, len);
    } else {
      slot->end = writen_data_handle(slot->handle, data, len) == len ? slot->end + len : -1;
    }
  }

 private:
  static constexpr DWORD kKeepOpenMs = 1000;
  struct Slot {
    std::string name;  // as the callers give it (code page 949)
    std::string host;  // the host path it mapped to when opened
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD used = 0;    // GetTickCount of the last line
    int64_t end = -1;  // where the last line written ends; -1 unknown
    void Close() {
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
      handle = INVALID_HANDLE_VALUE;
    }
  };

  // An empty slot, else the one written longest ago, closed.
  Slot* FreeSlot(DWORD now) {
    Slot* oldest = &slots_[0];
    for (Slot& s : slots_) {
      if (s.handle == INVALID_HANDLE_VALUE) return &s;
      if (now - s.used > now - oldest->used) oldest = &s;
    }
    oldest->Close();
    return oldest;
  }

  Slot slots_[4];
};

thread_local StampCache t_stamp;
thread_local OpenLogs t_logs;

// The lines gathered by the FileLogBatch objects alive on this thread: one file's run of lines,
// in order, written at once when the outermost batch ends or a line needs the room or goes to
// another file.
struct Gathered {
  int depth = 0;  // batches alive
  char name[512] = {};
  size_t length = 0;
  char lines[8192];

  void Flush() {
    if (length > 0) t_logs.Append(name, lines, static_cast<int>(length));
    length = 0;
  }
  // Gathers the line or, when it cannot be held, writes it at once (after what is gathered).
  void Add(const char* fileName, const char* line, size_t n) {
    size_t nameLength = std::strlen(fileName);
    if (length > 0 && (std::strcmp(name, fileName) != 0 || length + n > sizeof lines)) Flush();
    if (nameLength >= sizeof name || n > sizeof lines) {
      t_logs.Append(fileName, line, static_cast<int>(n));
      return;
    }
    std::memcpy(name, fileName, nameLength + 1);
    std::memcpy(lines + length, line, n);
    length += n;
  }
};
thread_local Gathered t_gathered;

}  // namespace

FileLogBatch::FileLogBatch() { ++t_gathered.depth; }

FileLogBatch::~FileLogBatch() {
  if (--t_gathered.depth == 0) t_gathered.Flush();
}

void lib_file_log(const char* fileName, int line, const char* source, const char* format, ...) {
  if (!fileName || fileName[0] == '\0' || !format) return;

  char text[FILE_LOG_LINE_MAX + 3];
  char prefix[FILE_LOG_PREFIX_MAX + 1];
  int p = std::snprintf(prefix, sizeof prefix, "[%s]%s(%d) | ", t_stamp.Now(), source ? source : "", line);
  size_t used = p < 0 ? 0 : whole_chars(prefix, std::strlen(prefix));
  std::memcpy(text, prefix, used);

  va_list ap;
  va_start(ap, format);
  int n = std::vsnprintf(text + used, FILE_LOG_LINE_MAX + 1 - used, format, ap);
  va_end(ap);
  if (n > 0) {
    size_t written = static_cast<size_t>(n);
    if (used + written > FILE_LOG_LINE_MAX) written = whole_chars(text + used, FILE_LOG_LINE_MAX - used);
    used += written;
  }
  text[used++] = '\r';
  text[used++] = '\n';

  if (t_gathered.depth > 0)
    t_gathered.Add(fileName, text, used);
  else
    t_logs.Append(fileName, text, static_cast<int>(used));
}

HANDLE create_file_char(const char* fileName, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                        DWORD disposition, DWORD flags, HANDLE templateFile) {
  WCHAR name[257];
  if (!wide_name(fileName, name, 256)) return INVALID_HANDLE_VALUE;
  return CreateFile(name, access, share, security, disposition, flags, templateFile);
}

int data_append_file(const char* fileName, const void* data, int len) { return write_whole(fileName, data, len, true); }
int data_write_file(const char* fileName, const void* data, int len) { return write_whole(fileName, data, len, false); }

void* load_full_file(const char* fileName, int* sizeOut, int addNul) {
  HANDLE h =
      create_file_char(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  void* result = nullptr;
  int64_t size = get_file_size_handle(h);
  if (size >= 0 && size <= INT32_MAX - 1 && SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
    size_t total = static_cast<size_t>(size) + (addNul ? 1 : 0);
    auto* buf = static_cast<char*>(std::malloc(total > 0 ? total : 1));
    if (buf) {
      int n = static_cast<int>(size);
      if (n == 0 || readn_data_handle(h, buf, n) == n) {
        if (addNul) buf[n] = '\0';
        if (sizeOut) *sizeOut = n;
        result = buf;
      } else {
        std::free(buf);
      }
    }
  }
  CloseHandle(h);
  return result;
}

int readn_data_handle(HANDLE file, void* buf, int len) {
  if (len < 1) return 0;
  if (!buf || !file || file == INVALID_HANDLE_VALUE) return -1;
  auto* p = static_cast<char*>(buf);
  int done = 0;
  while (done < len) {
    DWORD got = 0;
    if (!ReadFile(file, p + done, static_cast<DWORD>(len - done), &got, nullptr)) return -1;
    if (got == 0) return 0;
    done += static_cast<int>(got);
  }
  return len;
}

int writen_data_handle(HANDLE file, const void* buf, int len) {
  if (len < 1) return 0;
  if (!buf || !file || file == INVALID_HANDLE_VALUE) return -1;
  const auto* p = static_cast<const char*>(buf);
  int done = 0;
  while (done < len) {
    DWORD put = 0;
    if (!WriteFile(file, p + done, static_cast<DWORD>(len - done), &put, nullptr)) return -1;
    if (put == 0) return 0;
    done += static_cast<int>(put);
  }
  return len;
}

int64_t get_file_size_nm(const char* fileName) {
  HANDLE h = create_file_char(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  int64_t size = get_file_size_handle(h);
  CloseHandle(h);
  return size;
}

int64_t get_file_size_handle(HANDLE file) {
  if (!file || file == INVALID_HANDLE_VALUE) return -1;
  LONG high = 0;
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(file, 0, &high, FILE_END);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return (static_cast<int64_t>(static_cast<uint32_t>(high)) << 32) | low;
}
