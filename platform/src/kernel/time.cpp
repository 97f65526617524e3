// One clock for GetTickCount, GetLocalTime, GetSystemTime and Sleep: the real one, or a virtual
// one that a test sets and moves by hand.
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "kernel/internal.h"

namespace plat::clock {
namespace {

std::atomic<bool> g_virtual{false};
std::atomic<uint64_t> g_virtualNow{0};

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromMs(uint64_t ms, SYSTEMTIME* t) {
  int64_t days = static_cast<int64_t>(ms / 86400000);
  uint64_t inDay = ms % 86400000;
  int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  t->wYear = static_cast<WORD>(y);
  t->wMonth = static_cast<WORD>(m);
  t->wDay = static_cast<WORD>(d);
  t->wDayOfWeek = static_cast<WORD>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  t->wHour = static_cast<WORD>(inDay / 3600000);
  t->wMinute = static_cast<WORD>(inDay / 60000 % 60);
  t->wSecond = static_cast<WORD>(inDay / 1000 % 60);
  t->wMilliseconds = static_cast<WORD>(inDay % 1000);
}

}  // namespace

void UseVirtual(uint64_t startMs) {
  g_virtualNow = startMs;
  g_virtual = true;
}

void UseReal() { g_virtual = false; }
bool IsVirtual() { return g_virtual; }

void Advance(uint32_t ms) {
  if (g_virtual) g_virtualNow += ms;
}

uint64_t NowMs() {
  if (g_virtual) return g_virtualNow;
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count());
}

uint64_t MsFromTime(const SYSTEMTIME& t) {
  int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
  return static_cast<uint64_t>(days * 86400000 + t.wHour * 3600000ll + t.wMinute * 60000ll + t.wSecond * 1000ll +
                               t.wMilliseconds);
}

}  // namespace plat::clock

namespace {

void RealTime(LPSYSTEMTIME time, bool local) {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  if (local)
    localtime_r(&seconds, &tm);
  else
    gmtime_r(&seconds, &tm);
  time->wYear = static_cast<WORD>(tm.tm_year + 1900);
  time->wMonth = static_cast<WORD>(tm.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  time->wDay = static_cast<WORD>(tm.tm_mday);
  time->wHour = static_cast<WORD>(tm.tm_hour);
  time->wMinute = static_cast<WORD>(tm.tm_min);
  time->wSecond = static_cast<WORD>(tm.tm_sec);
  time->wMilliseconds = static_cast<WORD>(ms % 1000);
}

}  // namespace

void GetLocalTime(LPSYSTEMTIME time) {
  if (!time) return;
  if (plat::clock::IsVirtual())
    plat::clock::CivilFromMs(plat::clock::NowMs(), time);
  else
    RealTime(time, true);
}

void GetSystemTime(LPSYSTEMTIME time) {
  if (!time) return;
  if (plat::clock::IsVirtual())
    plat::clock::CivilFromMs(plat::clock::NowMs(), time);
  else
    RealTime(time, false);
}

DWORD GetTickCount() {
  if (plat::clock::IsVirtual()) return static_cast<DWORD>(plat::clock::NowMs());
  return static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

void Sleep(DWORD ms) {
  if (ms == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  if (plat::clock::IsVirtual()) {
    plat::clock::Advance(ms);
    std::this_thread::yield();
    return;
  }
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
