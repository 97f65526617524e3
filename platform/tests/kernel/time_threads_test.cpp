// The clock, threads, events, waits and critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "plat/kernel.h"

namespace {

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
  SYSTEMTIME t{};
  t.wYear = y;
  t.wMonth = mo;
  t.wDay = d;
  t.wHour = h;
  t.wMinute = mi;
  t.wSecond = s;
  t.wMilliseconds = ms;
  return t;
}

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { plat::clock::UseReal(); }
};

TEST_F(ClockTest, VirtualClockDrivesLocalTimeTicksAndSleep) {
  struct Case {
    SYSTEMTIME start;
    uint32_t advance;
    SYSTEMTIME expected;
    WORD dayOfWeek;
  } cases[] = {
      {At(2026, 12, 9, 9, 30, 15, 250), 0, At(2026, 12, 9, 9, 30, 15, 250), 3},
      {At(2024, 2, 28, 23, 59, 59, 999), 1, At(2024, 2, 29, 0, 0, 0, 0), 4},
      {At(2023, 2, 28, 12, 0, 0, 0), 86400000, At(2023, 3, 1, 12, 0, 0, 0), 3},
      {At(2026, 12, 31, 23, 59, 59, 500), 500, At(2027, 1, 1, 0, 0, 0, 0), 5},
  };
  for (const Case& c : cases) {
    plat::clock::UseVirtual(plat::clock::MsFromTime(c.start));
    DWORD ticks = GetTickCount();
    Sleep(c.advance);  // advances the virtual clock and returns at once
    EXPECT_EQ(GetTickCount() - ticks, c.advance);
    SYSTEMTIME local{}, system{};
    GetLocalTime(&local);
    GetSystemTime(&system);
    const SYSTEMTIME& e = c.expected;
    EXPECT_EQ(
        std::vector<WORD>({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                           local.wMilliseconds, local.wDayOfWeek}),
        std::vector<WORD>({e.wYear, e.wMonth, e.wDay, e.wHour, e.wMinute, e.wSecond, e.wMilliseconds, c.dayOfWeek}));
    EXPECT_EQ(local.wDay, system.wDay);
  }
}

TEST_F(ClockTest, WaitsUseRealTimeEvenOnTheVirtualClock) {
  plat::clock::UseVirtual(1000);
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(event, 60), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(55));
  EXPECT_EQ(plat::clock::NowMs(), 1000u);
  CloseHandle(event);
}

DWORD ReturnParameter(LPVOID p) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(p)); }

DWORD WaitThenExit(LPVOID p) {
  WaitForSingleObject(static_cast<HANDLE>(p), INFINITE);
  ExitThread(77);
}

TEST(Threads, HandleStaysSignalledWithTheExitCode) {
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(uintptr_t{1234}), 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 1234u);
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Threads, StillActiveUntilItEndsThroughExitThread) {
  HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WaitThenExit, go, 0, nullptr);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(SuspendThread(thread), 0xFFFFFFFFu);  // not offered on this platform
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 77u);
  CloseHandle(thread);
  CloseHandle(go);
}

TEST(Threads, CreatedSuspendedRunsOnlyAfterResume) {
  static std::atomic<int> ran{0};
  ran = 0;
  HANDLE thread = CreateThread(
      nullptr, 0, [](LPVOID) -> DWORD { return static_cast<DWORD>(++ran); }, nullptr, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 30), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(ran.load(), 0);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(ran.load(), 1);
  EXPECT_EQ(ResumeThread(thread), 0u);
  CloseHandle(thread);
}

TEST(Events, AutoResetReleasesOneWaiterManualReleasesAll) {
  for (BOOL manual : {FALSE, TRUE}) {
    HANDLE event = CreateEvent(nullptr, manual, FALSE, nullptr);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
      waiters.emplace_back([&] {
        if (WaitForSingleObject(event, 10000) == WAIT_OBJECT_0) ++woken;
      });
    auto wokenReaches = [&](int n) {
      for (int i = 0; i < 10000 && woken.load() < n; ++i) Sleep(1);
      return woken.load() >= n;
    };
    // Each set of an auto-reset event lets exactly one waiter through (one that comes to the wait
    // after the set takes it then) and is spent by it: set it once per waiter, each time after
    // the one before was taken. Had a set let several through, a later set would find nobody
    // left and stay signalled.
    SetEvent(event);
    EXPECT_TRUE(wokenReaches(manual ? 3 : 1)) << "manual " << manual;
    for (int n = 2; !manual && n <= 3; ++n) {
      SetEvent(event);
      EXPECT_TRUE(wokenReaches(n)) << n;
    }
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 3) << "manual " << manual;
    EXPECT_EQ(WaitForSingleObject(event, 0), manual ? WAIT_OBJECT_0 : static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
  }
}

TEST(Events, WaitForSeveralObjects) {
  HANDLE e[3];
  for (HANDLE& h : e) h = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  SetEvent(e[2]);
  SetEvent(e[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 1);  // lowest signalled first
  EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  // Waiting for all consumes nothing until all are signalled at once.
  SetEvent(e[0]);
  SetEvent(e[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, e, TRUE, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(e[0], 0), WAIT_OBJECT_0);
  SetEvent(e[0]);
  SetEvent(e[2]);
  EXPECT_EQ(WaitForMultipleObjects(3, e, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  std::vector<HANDLE> many(65, e[0]);
  EXPECT_EQ(WaitForMultipleObjects(65, many.data(), TRUE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE withBad[2] = {e[0], reinterpret_cast<HANDLE>(uintptr_t{0x12345})};
  EXPECT_EQ(WaitForMultipleObjects(2, withBad, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  for (HANDLE h : e) CloseHandle(h);
}

TEST(Events, ANameSharesTheEventWithinTheProcess) {
  HANDLE first = CreateEvent(nullptr, TRUE, FALSE, u"VXStop");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateEvent(nullptr, TRUE, FALSE, u"VXStop");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE opened = OpenEvent(EVENT_ALL_ACCESS, FALSE, u"VXStop");
  ASSERT_NE(opened, nullptr);
  SetEvent(second);
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);
  for (HANDLE h : {first, second, opened}) CloseHandle(h);
  EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, u"VXStop"), nullptr);  // gone with its last handle
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(CriticalSections, AreRecursiveAndExcludeOtherThreads) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // the owner may enter again
  BOOL other = TRUE;
  std::thread([&] { other = TryEnterCriticalSection(&section); }).join();
  EXPECT_FALSE(other);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  std::thread([&] {
    other = TryEnterCriticalSection(&section);
    if (other) LeaveCriticalSection(&section);
  }).join();
  EXPECT_TRUE(other);
  DeleteCriticalSection(&section);
}

}  // namespace
