#include "glimmet/v_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Runs until released, then ends with its exit code.
class GateThread : public V_Thread {
 public:
  explicit GateThread(DWORD code = 0) : code_(code) { gate_ = CreateEvent(nullptr, TRUE, FALSE, nullptr); }
  ~GateThread() override {
    Open();  // run() must return before the base destructor waits
    join();
    CloseHandle(gate_);
  }
  void Open() { SetEvent(gate_); }
  std::atomic<int> runs{0};

 protected:
  DWORD run() override {
    ++runs;
    WaitForSingleObject(gate_, INFINITE);
    return code_;
  }

 private:
  DWORD code_;
  HANDLE gate_;
};

struct EventSet {
  explicit EventSet(int n, BOOL signalled) {
    for (int i = 0; i < n; ++i) handles.push_back(CreateEvent(nullptr, TRUE, signalled, nullptr));
  }
  ~EventSet() {
    for (HANDLE h : handles) CloseHandle(h);
  }
  std::vector<HANDLE> handles;
};

}  // namespace

TEST(VThread, StartRunsOnceAndJoinGivesTheExitCode) {
  GateThread t(42);
  EXPECT_EQ(t.get_thread_handle(), nullptr);
  EXPECT_EQ(t.join(0), WAIT_FAILED);  // nothing to wait for yet
  ASSERT_EQ(t.start(), 0);
  EXPECT_NE(t.get_thread_handle(), nullptr);
  EXPECT_NE(t.get_thread_id(), 0u);
  EXPECT_EQ(t.start(), -2);  // already has a thread
  // The lock is released: a start from another thread returns at once as well.
  int other = 0;
  std::thread([&] { other = t.start(); }).join();
  EXPECT_EQ(other, -2);
  EXPECT_EQ(t.join(20), static_cast<DWORD>(WAIT_TIMEOUT));
  t.Open();
  EXPECT_EQ(t.join(INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(t.get_thread_handle(), &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(t.runs.load(), 1);
}

TEST(VThread, JoinAllWaitsOnlyForStartedThreads) {
  GateThread a(1), b(2), never(3);
  ASSERT_EQ(a.start(), 0);
  ASSERT_EQ(b.start(), 0);
  V_Thread* all[] = {&a, &never, &b};
  EXPECT_EQ(V_Thread::JOIN_ALL(all, 3, 20), WAIT_TIMEOUT);
  a.Open();
  EXPECT_EQ(V_Thread::JOIN_ALL(all, 3, 20), WAIT_TIMEOUT);  // b still runs
  b.Open();
  EXPECT_EQ(V_Thread::JOIN_ALL(all, 3, 5000), 0);
  EXPECT_EQ(never.runs.load(), 0);
  EXPECT_EQ(V_Thread::JOIN_ALL(nullptr, 3, 0), -1);
  EXPECT_EQ(V_Thread::JOIN_ALL(all, 0, 0), -1);
}

TEST(VThread, JoinAllOverAnArrayOfDerivedObjects) {
  std::vector<GateThread> threads(3);
  ASSERT_EQ(threads[0].start(), 0);
  ASSERT_EQ(threads[2].start(), 0);
  EXPECT_EQ(V_Thread::JOIN_ALL(&threads[0], 3, sizeof(GateThread), 0), WAIT_TIMEOUT);
  for (auto& t : threads) t.Open();
  EXPECT_EQ(V_Thread::JOIN_ALL(&threads[0], 3, sizeof(GateThread), 5000), 0);
  EXPECT_EQ(V_Thread::JOIN_ALL(&threads[0], 3, 1, 0), -1);  // a stride that cannot hold an object
}

TEST(WaitMultyHandle, GroupsBeyondSixtyFour) {
  struct Case {
    int count;
    int unsignalledAt;  // -1: all signalled
    DWORD timeout;
    int result;
  };
  const Case table[] = {
      {100, -1, INFINITE, 0},
      {100, -1, 0, 0},  // a zero time-out still looks at the handles once
      {64, -1, 0, 0},
      {65, -1, 50, 0},
      {100, 99, 0, WAIT_TIMEOUT},  // in the second group
      {100, 3, 30, WAIT_TIMEOUT},  // in the first group
      {1, 0, 0, WAIT_TIMEOUT},
  };
  for (const auto& c : table) {
    EventSet events(c.count, TRUE);
    if (c.unsignalledAt >= 0) ResetEvent(events.handles[c.unsignalledAt]);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(wait_multy_handle(events.handles.data(), c.count, c.timeout), c.result)
        << "count " << c.count << " unsignalled " << c.unsignalledAt << " timeout " << c.timeout;
    if (c.timeout == 0) {
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    }
  }
}

TEST(WaitMultyHandle, TimeOutCoversAllGroupsTogether) {
  // The first group ends after ~400 ms, the second never: the wait ends near the one time-out of
  // 500 ms instead of granting the second group the whole time-out again (900 ms).
  EventSet events(70, TRUE);
  ResetEvent(events.handles[10]);
  ResetEvent(events.handles[69]);
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    SetEvent(events.handles[10]);
  });
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(wait_multy_handle(events.handles.data(), 70, 500), WAIT_TIMEOUT);
  auto spent = std::chrono::steady_clock::now() - started;
  releaser.join();
  EXPECT_GE(spent, std::chrono::milliseconds(490));
  EXPECT_LT(spent, std::chrono::milliseconds(800));
}

TEST(WaitMultyHandle, BadArguments) {
  EventSet events(2, TRUE);
  EXPECT_EQ(wait_multy_handle(nullptr, 2, 0), -1);
  EXPECT_EQ(wait_multy_handle(events.handles.data(), 0, 0), -1);
  EXPECT_EQ(wait_multy_handle(events.handles.data(), -1, 0), -1);
}
