// Time strings, clocks, message names, ids and random values.
#include "glimmet/time_util.h"

#include <mutex>
#include <cstdio>
#include <cstring>
#include <random>

#include "time_text.h"

void time_text(const SYSTEMTIME& t, char* buf, int size, int parts, int separators) {
  char date[32] = "", time[32] = "";
  if (parts & TIME_PART_DATE)
    std::snprintf(date, sizeof date, separators == 1 ? "%04d.%02d.%02d" : "%04d%02d%02d", t.wYear, t.wMonth, t.wDay);
  if (parts & TIME_PART_TIME)
    std::snprintf(time, sizeof time, separators == 1 ? "%02d:%02d:%02d" : "%02d%02d%02d", t.wHour, t.wMinute,
                  t.wSecond);
  const char* blank = (date[0] != '\0' && separators != 0) ? " " : "";
  std::snprintf(buf, static_cast<size_t>(size), "%s%s%s", date, blank, time);
}

char* get_time(char* buf, int size, int parts, int separators) {
  if (!buf || size < 1) return nullptr;
  SYSTEMTIME t;
  GetLocalTime(&t);
  time_text(t, buf, size, parts, separators);
  return buf;
}

int get_mili_time() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

int get_mili_time_fmt(const char* text) {
  if (!text || std::strlen(text) < 8) return -1;
  auto two = [&](int at) {
    char a = text[at], b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    return (a - '0') * 10 + (b - '0');
  };
  int h = two(0), m = two(3), s = two(6);
  if (h < 0 || m < 0 || s < 0) return -1;
  int ms = 0;
  if (std::strlen(text) >= 12) {
    for (int i = 9; i < 12; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      ms = ms * 10 + (text[i] - '0');
    }
  }
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

int64_t get_mili_time_full() {
  // The 32-bit tick count wraps after 49.7 days: add up the steps between readings instead.
  // A step that looks negative (a reading older than the last one, or a clock that was set
  // back) adds nothing, so the count never runs backwards.
  static std::mutex lock;
  static bool started = false;
  static uint32_t lastTick = 0;
  static int64_t total = 0;
  std::lock_guard<std::mutex> hold(lock);
  const uint32_t now = GetTickCount();
  if (started) {
    const uint32_t step = now - lastTick;
    if (step < 0x80000000u) total += step;
  }
  started = true;
  lastTick = now;
  return total;
}

DWORD get_n_print_cur_processid() { return GetCurrentProcessId(); }
DWORD get_n_print_cur_threadid() { return GetCurrentThreadId(); }

namespace {

struct MessageName {
  UINT message;
  const char* name;
};

#define MESSAGE_NAME(m) \
  { m, #m }
const MessageName kMessageNames[] = {
    MESSAGE_NAME(WM_NULL),
    MESSAGE_NAME(WM_CREATE),
    MESSAGE_NAME(WM_DESTROY),
    MESSAGE_NAME(WM_MOVE),
    MESSAGE_NAME(WM_SIZE),
    MESSAGE_NAME(WM_ACTIVATE),
    MESSAGE_NAME(WM_SETFOCUS),
    MESSAGE_NAME(WM_KILLFOCUS),
    MESSAGE_NAME(WM_ENABLE),
    MESSAGE_NAME(WM_SETTEXT),
    MESSAGE_NAME(WM_GETTEXT),
    MESSAGE_NAME(WM_GETTEXTLENGTH),
    MESSAGE_NAME(WM_PAINT),
    MESSAGE_NAME(WM_CLOSE),
    MESSAGE_NAME(WM_QUIT),
    MESSAGE_NAME(WM_ERASEBKGND),
    MESSAGE_NAME(WM_SYSCOLORCHANGE),
    MESSAGE_NAME(WM_SHOWWINDOW),
    MESSAGE_NAME(WM_FONTCHANGE),
    MESSAGE_NAME(WM_SETCURSOR),
    MESSAGE_NAME(WM_NEXTDLGCTL),
    MESSAGE_NAME(WM_DRAWITEM),
    MESSAGE_NAME(WM_DELETEITEM),
    MESSAGE_NAME(WM_VKEYTOITEM),
    MESSAGE_NAME(WM_CHARTOITEM),
    MESSAGE_NAME(WM_SETFONT),
    MESSAGE_NAME(WM_GETFONT),
    MESSAGE_NAME(WM_QUERYDRAGICON),
    MESSAGE_NAME(WM_COMPAREITEM),
    MESSAGE_NAME(WM_GETDLGCODE),
    MESSAGE_NAME(WM_KEYDOWN),
    MESSAGE_NAME(WM_KEYUP),
    MESSAGE_NAME(WM_CHAR),
    MESSAGE_NAME(WM_DEADCHAR),
    MESSAGE_NAME(WM_SYSKEYDOWN),
    MESSAGE_NAME(WM_SYSKEYUP),
    MESSAGE_NAME(WM_SYSCHAR),
    MESSAGE_NAME(WM_SYSDEADCHAR),
    MESSAGE_NAME(WM_INITDIALOG),
    MESSAGE_NAME(WM_COMMAND),
    MESSAGE_NAME(WM_SYSCOMMAND),
    MESSAGE_NAME(WM_TIMER),
    MESSAGE_NAME(WM_HSCROLL),
    MESSAGE_NAME(WM_VSCROLL),
    MESSAGE_NAME(WM_INITMENUPOPUP),
    MESSAGE_NAME(WM_MENUCHAR),
    MESSAGE_NAME(WM_CTLCOLOREDIT),
    MESSAGE_NAME(WM_CTLCOLORLISTBOX),
    MESSAGE_NAME(WM_CTLCOLORBTN),
    MESSAGE_NAME(WM_CTLCOLORDLG),
    MESSAGE_NAME(WM_CTLCOLORSCROLLBAR),
    MESSAGE_NAME(WM_CTLCOLORSTATIC),
    MESSAGE_NAME(WM_MOUSEMOVE),
    MESSAGE_NAME(WM_LBUTTONDOWN),
    MESSAGE_NAME(WM_LBUTTONUP),
    MESSAGE_NAME(WM_LBUTTONDBLCLK),
    MESSAGE_NAME(WM_RBUTTONDOWN),
    MESSAGE_NAME(WM_RBUTTONUP),
    MESSAGE_NAME(WM_CUT),
    MESSAGE_NAME(WM_COPY),
    MESSAGE_NAME(WM_PASTE),
    MESSAGE_NAME(WM_CLEAR),
    MESSAGE_NAME(WM_UNDO),
    MESSAGE_NAME(WM_RENDERFORMAT),
    MESSAGE_NAME(WM_QUERYNEWPALETTE),
    MESSAGE_NAME(WM_PALETTECHANGED),
    MESSAGE_NAME(WM_USER),
    MESSAGE_NAME(WM_APP),
};
#undef MESSAGE_NAME

unsigned current_millisecond_seed() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t.wMilliseconds;
}

}  // namespace

const char* get_message_str(UINT message) {
  for (const auto& m : kMessageNames)
    if (m.message == message) return m.name;
  return "Undefined";
}

const char* get_message_str_MSG(const MSG* msg) { return msg ? get_message_str(msg->message) : "NULL"; }

int get_rand_value(int divisor) {
  if (divisor < 1) return -1;
  std::minstd_rand gen(current_millisecond_seed());
  return static_cast<int>(gen() % static_cast<unsigned>(divisor));
}

void get_rand_value_to_buf(void* buf, int len) {
  if (!buf || len < 1) return;
  std::minstd_rand gen(current_millisecond_seed());
  auto* p = static_cast<unsigned char*>(buf);
  for (int i = 0; i < len; ++i) p[i] = static_cast<unsigned char>(gen() & 0xFF);
}
