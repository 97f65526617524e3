// Message passing inside one process: sequences, priorities, timers, threads and focus.
#include <dlfcn.h>

#include <atomic>
#include <thread>

#include "window_test_util.h"

using namespace wtest;

namespace {

struct Expect {
  int who;  // index into the test's window list
  UINT msg;
  bool posted;
};

void ExpectSequence(const std::vector<HWND>& wins, const std::vector<Rec>& got, const std::vector<Expect>& want) {
  ASSERT_EQ(got.size(), want.size()) << Describe(got);
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].hwnd, wins[static_cast<size_t>(want[i].who)]) << "message " << i << ": " << Describe(got);
    EXPECT_EQ(got[i].msg, want[i].msg) << "message " << i << ": " << Describe(got);
    EXPECT_EQ(got[i].posted, want[i].posted) << "message " << i << ": " << Describe(got);
  }
}

class MessagesTest : public WindowTest {};

TEST_F(MessagesTest, CreationAndDestructionSendTheirMessagesInOrder) {
  HWND top = MakeTop();
  HWND child = MakeChild(top, 5, 10, 10, 50, 20);
  Log().clear();
  // A message still queued for the window must not reach it after destruction.
  PostMessage(child, WM_USER + 7, 0, 0);
  ASSERT_TRUE(DestroyWindow(top));
  plat::win::PumpMessages();
  std::vector<Rec> got;
  for (auto& r : Log())
    if (r.msg == WM_DESTROY || r.msg == WM_NCDESTROY || r.msg == WM_USER + 7) got.push_back(r);
  // The parent hears WM_DESTROY first (its children still exist then); children finish first.
  ExpectSequence({top, child}, got,
                 {{0, WM_DESTROY, false}, {1, WM_DESTROY, false}, {1, WM_NCDESTROY, false}, {0, WM_NCDESTROY, false}});
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(MessagesTest, CreateSendsCreateSizeMoveAndShow) {
  HWND top = MakeTop(0, 26, 240, 294);
  std::vector<UINT> msgs;
  for (auto& r : MessagesOf(top, true)) msgs.push_back(r.msg);
  std::vector<UINT> head(msgs.begin(), msgs.begin() + std::min<size_t>(5, msgs.size()));
  EXPECT_EQ(head, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
  auto size = std::find_if(Log().begin(), Log().end(), [](const Rec& r) { return r.msg == WM_SIZE; });
  ASSERT_NE(size, Log().end());
  EXPECT_EQ(size->lp, MAKELPARAM(240, 294));
}

TEST_F(MessagesTest, CreateFailsWhenWmCreateRefuses) {
  Handlers()[WM_CREATE] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT { return -1; };
  EXPECT_EQ(MakeTop(), 0u);
  EXPECT_EQ(CreateWindowEx(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr), 0u);
  EXPECT_EQ(MakeChild(0, 1, 0, 0, 1, 1), 0u) << "a child needs a parent";
}

TEST_F(MessagesTest, MessagesToMissingWindowsReturnAtOnceWithoutEffect) {
  HWND top = MakeTop();
  HWND gone = MakeChild(top, 1, 0, 0, 10, 10);
  DestroyWindow(gone);
  Log().clear();
  const HWND local = gone | 0xFFF;         // this process's slot, never handed out
  const HWND foreign = (4000u << 20) | 1;  // a slot nobody holds
  for (HWND h : {HWND(0), gone, local, foreign}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(SendMessage(h, WM_USER + 1, 1, 2), 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    if (h) {
      EXPECT_FALSE(PostMessage(h, WM_USER + 1, 1, 2));
    }
    DWORD pid = 99;
    EXPECT_EQ(GetWindowThreadProcessId(h, &pid), 0u);
    EXPECT_EQ(pid, 0u);
  }
  plat::win::PumpMessages();
  EXPECT_TRUE(MessagesOf().empty()) << Describe(MessagesOf());
}

// A thread remembers the window it sent to last, so that a run of sends to one window skips the
// look-up: every send must still reach the window it names, as windows come and go (one destroyed
// in the handler of a send to it among them) and while a send through the remembered window sends
// on to others.
TEST_F(MessagesTest, SendsReachTheWindowNamedWhileWindowsComeAndGo) {
  constexpr UINT kAsk = WM_USER + 1;
  enum : WPARAM { kAnswer, kDestroySelf, kSendOn };
  // Answers with its own handle (+ what the window it sends on to answered).
  Handlers()[kAsk] = [](HWND h, UINT, WPARAM wp, LPARAM lp, bool*) -> LRESULT {
    if (wp == kDestroySelf) DestroyWindow(h);
    if (wp == kSendOn) return LRESULT(h) * 1000000 + SendMessage(HWND(lp), kAsk, kAnswer, 0);
    return LRESULT(h);
  };
  HWND top = MakeTop();
  HWND a = MakeChild(top, 1, 0, 0, 5, 5), b = MakeChild(top, 2, 0, 0, 5, 5);
  struct Step {
    const char* what;
    HWND* to;
    WPARAM how;
    HWND* other;
    LRESULT (*expect)(HWND to, HWND other);
  };
  HWND c = 0;
  auto self = [](HWND to, HWND) { return LRESULT(to); };
  auto none = [](HWND, HWND) { return LRESULT(0); };
  auto chain = [](HWND to, HWND other) { return LRESULT(to) * 1000000 + LRESULT(other); };
  const Step steps[] = {
      {"a", &a, kAnswer, nullptr, self},
      {"a again", &a, kAnswer, nullptr, self},
      {"b after a", &b, kAnswer, nullptr, self},
      {"a sends on to b", &a, kSendOn, &b, chain},
      {"a sends on to itself", &a, kSendOn, &a, chain},
      {"a once more after the nested sends", &a, kAnswer, nullptr, self},
      {"a destroys itself in the handler", &a, kDestroySelf, nullptr, self},
      {"a is gone", &a, kAnswer, nullptr, none},
      {"b still answers", &b, kAnswer, nullptr, self},
      {"a new window", &c, kAnswer, nullptr, self},
      {"a stays gone", &a, kAnswer, nullptr, none},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.what);
    if (st.to == &c && !c) c = MakeChild(top, 3, 0, 0, 5, 5);
    const HWND other = st.other ? *st.other : 0;
    EXPECT_EQ(SendMessage(*st.to, kAsk, st.how, LPARAM(other)), st.expect(*st.to, other));
  }
  EXPECT_FALSE(IsWindow(a));
  // A window of another thread is reached through that thread, not through this one's record.
  std::atomic<HWND> far{0};
  std::atomic<bool> done{false};
  std::thread t([&] {
    far = MakeTop();
    plat::win::PumpUntil([&] { return done.load(); }, 10000);
    DestroyWindow(far);
  });
  ASSERT_TRUE(plat::win::PumpUntil([&] { return far.load() != 0; }));
  EXPECT_EQ(SendMessage(b, kAsk, kAnswer, 0), LRESULT(b));
  EXPECT_EQ(SendMessage(far, kAsk, kAnswer, 0), LRESULT(far.load()));
  EXPECT_EQ(SendMessage(b, kAsk, kAnswer, 0), LRESULT(b));
  done = true;
  t.join();
}

TEST_F(MessagesTest, HandlesAreNeverReused) {
  HWND top = MakeTop();
  std::vector<HWND> seen;
  for (int i = 0; i < 50; ++i) {
    HWND c = MakeChild(top, i, 0, 0, 5, 5);
    ASSERT_NE(c, 0u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), c), 0);
    seen.push_back(c);
    DestroyWindow(c);
  }
}

TEST_F(MessagesTest, SentComeBeforePostedAndPaintAndTimersComeLast) {
  HWND top = MakeTop();
  plat::win::PumpMessages();  // first paint
  Log().clear();
  SetTimer(top, 9, 10, nullptr);
  plat::clock::Advance(20);
  InvalidateRect(top, nullptr, TRUE);
  PostMessage(top, WM_USER + 1, 0, 0);
  LRESULT fromThread = 0;
  std::thread sender([&] { fromThread = SendMessage(top, WM_USER + 2, 0, 0); });
  while (!(GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE)) std::this_thread::yield();
  Handlers()[WM_USER + 2] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT { return 42; };
  plat::win::PumpMessages();
  sender.join();
  EXPECT_EQ(fromThread, 42);
  std::vector<Rec> got;
  for (auto& r : Log())
    if (r.msg == WM_USER + 1 || r.msg == WM_USER + 2 || r.msg == WM_PAINT || r.msg == WM_TIMER) got.push_back(r);
  ExpectSequence({top}, got,
                 {{0, WM_USER + 2, false}, {0, WM_USER + 1, true}, {0, WM_PAINT, true}, {0, WM_TIMER, true}});
}

TEST_F(MessagesTest, PaintIsValidatedEvenWhenTheHandlerNeverPaints) {
  HWND top = MakeTop();
  Handlers()[WM_PAINT] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT { return 0; };
  plat::win::PumpMessages();
  InvalidateRect(top, nullptr, TRUE);
  Log().clear();
  plat::win::PumpMessages();
  plat::win::PumpMessages();
  int paints = 0;
  for (auto& r : Log()) paints += r.msg == WM_PAINT;
  EXPECT_EQ(paints, 1);
  RECT r;
  EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));
}

// Timers on the virtual clock: each case sets timers up, moves the clock and pumps.
struct TimerCase {
  const char* name;
  std::function<void(HWND)> run;
  int expectedTicks;
};

TEST_F(MessagesTest, TimersFollowTheClock) {
  const std::vector<TimerCase> cases = {
      {"fires once per period",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(100);
         plat::win::PumpMessages();
       },
       1},
      {"not before its period",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(99);
         plat::win::PumpMessages();
       },
       0},
      {"at most one tick pending however late",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(1000);
         plat::win::PumpMessages();
       },
       1},
      {"the same id restarts the timer",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(60);
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(60);
         plat::win::PumpMessages();
       },
       0},
      {"restarted timer fires after its new period",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(60);
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(100);
         plat::win::PumpMessages();
       },
       1},
      {"kill removes a tick already due",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         plat::clock::Advance(150);
         KillTimer(h, 1);
         plat::win::PumpMessages();
       },
       0},
      {"two timers tick independently",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         SetTimer(h, 2, 100, nullptr);
         plat::clock::Advance(100);
         plat::win::PumpMessages();
       },
       2},
      {"keeps ticking every period",
       [](HWND h) {
         SetTimer(h, 1, 100, nullptr);
         for (int i = 0; i < 3; ++i) {
           plat::clock::Advance(100);
           plat::win::PumpMessages();
         }
       },
       3},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND h = MakeTop();
    plat::win::PumpMessages();
    Log().clear();
    c.run(h);
    int ticks = 0;
    for (auto& r : Log()) ticks += r.msg == WM_TIMER;
    EXPECT_EQ(ticks, c.expectedTicks);
    DestroyWindow(h);
  }
}

TEST_F(MessagesTest, TimersOfADestroyedWindowAreDropped) {
  HWND top = MakeTop();
  HWND child = MakeChild(top, 1, 0, 0, 10, 10);
  SetTimer(child, 3, 10, nullptr);
  plat::clock::Advance(50);
  DestroyWindow(child);
  Log().clear();
  plat::win::PumpMessages();
  EXPECT_TRUE(MessagesOf(child).empty());
  EXPECT_FALSE(KillTimer(child, 3));
}

TEST_F(MessagesTest, TimerProcedureAndThreadTimer) {
  static int calls;
  calls = 0;
  UINT_PTR id = SetTimer(0, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  ASSERT_NE(id, 0u);
  plat::clock::Advance(10);
  plat::win::PumpMessages();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(KillTimer(0, id));
}

TEST_F(MessagesTest, QuitComesAfterWhatWasPostedBeforeIt) {
  HWND top = MakeTop();
  PostMessage(top, WM_USER + 1, 0, 0);
  PostQuitMessage(3);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, 0, 0, 0));
  EXPECT_EQ(m.message, WM_USER + 1u);
  DispatchMessage(&m);
  while (GetMessage(&m, 0, 0, 0)) DispatchMessage(&m);  // paints may come first
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(MessagesTest, PeekWithoutRemoveLeavesTheMessage) {
  HWND top = MakeTop();
  plat::win::PumpMessages();
  PostMessage(top, WM_USER + 4, 7, 8);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, 0, WM_USER, WM_USER + 10, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 7u);
  ASSERT_TRUE(PeekMessage(&m, 0, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(m.lParam, 8);
  EXPECT_FALSE(PeekMessage(&m, 0, WM_USER, WM_USER + 10, PM_REMOVE));
}

// A worker thread with its own window and message loop.
struct Worker {
  std::thread t;
  std::atomic<HWND> hwnd{0};
  std::atomic<DWORD> tid{0};
  void Start(std::function<void(HWND)> afterCreate = nullptr) {
    t = std::thread([this, afterCreate] {
      HWND h = CreateWindowEx(0, kRecClass, u"worker", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
      tid = GetCurrentThreadId();
      hwnd = h;
      if (afterCreate) {
        afterCreate(h);
        return;
      }
      MSG m;
      while (GetMessage(&m, 0, 0, 0)) DispatchMessage(&m);
    });
    while (!hwnd) std::this_thread::yield();
  }
};

TEST_F(MessagesTest, CrossThreadSendWaitsForTheResultAndServesSendsBack) {
  HWND mine = MakeTop();
  Handlers()[WM_USER + 2] = [](HWND, UINT, WPARAM wp, LPARAM, bool*) -> LRESULT {
    return static_cast<LRESULT>(wp) * 10;
  };
  // The worker, while handling our send, sends back to our window: we must serve it while we
  // wait, or both threads would wait for ever.
  Handlers()[WM_USER + 1] = [mine](HWND, UINT, WPARAM wp, LPARAM, bool*) -> LRESULT {
    return SendMessage(mine, WM_USER + 2, wp, 0) + 1;
  };
  Worker w;
  w.Start();
  EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 1, 4, 0), 41);
  EXPECT_FALSE(ShowWindow(w.hwnd, SW_SHOW)) << "shown by its own thread, on our request";
  EXPECT_TRUE(IsWindowVisible(w.hwnd));
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(w.hwnd, &pid), w.tid.load());
  EXPECT_EQ(pid, GetCurrentProcessId());
  PostMessage(w.hwnd, WM_CLOSE, 0, 0);
  PostThreadMessage(w.tid, WM_QUIT, 0, 0);
  w.t.join();
  // The thread is gone and its window with it.
  EXPECT_FALSE(IsWindow(w.hwnd));
  EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 1, 4, 0), 0);
  EXPECT_FALSE(PostMessage(w.hwnd, WM_USER + 1, 4, 0));
}

TEST_F(MessagesTest, TwoThreadsSendingToEachOtherAtOnceNeverDeadlock) {
  // Each thread sends to the other's window while the other is sending to it; a handler may
  // send back again before it answers.
  std::atomic<HWND> windows[2] = {0, 0};
  std::atomic<int> ready{0};
  std::atomic<long> sums[2] = {0, 0};
  auto body = [&](int me) {
    HWND h = CreateWindowEx(0, kPlainClass, u"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    windows[me] = h;
    ++ready;
    while (ready < 2) std::this_thread::yield();
    HWND other = windows[1 - me];
    for (int i = 0; i < 300; ++i)
      sums[me] += SendMessage(other, WM_USER + 20, static_cast<WPARAM>(i), static_cast<LPARAM>(h));
    ++ready;
    while (ready < 4) plat::win::PumpMessages();  // keep answering until both are done
    DestroyWindow(h);
  };
  Handlers()[WM_USER + 20] = [](HWND, UINT, WPARAM wp, LPARAM lp, bool*) -> LRESULT {
    // Every tenth message asks the sender something first.
    if (wp % 10 == 0) return SendMessage(static_cast<HWND>(lp), WM_USER + 21, 0, 0) + static_cast<LRESULT>(wp);
    return static_cast<LRESULT>(wp);
  };
  Handlers()[WM_USER + 21] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT { return 1000; };
  std::thread a(body, 0), b(body, 1);
  a.join();
  b.join();
  const long expected = 299 * 300 / 2 + 30 * 1000;
  EXPECT_EQ(sums[0].load(), expected);
  EXPECT_EQ(sums[1].load(), expected);
}

TEST_F(MessagesTest, SendToAThreadThatEndsWithoutAnsweringReturnsZero) {
  Worker w;
  w.Start([&](HWND) {
    // Never pumps: waits until our send is queued, then the thread ends.
    while (!(GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE)) std::this_thread::yield();
  });
  EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 1, 0, 0), 0);
  w.t.join();
}

TEST_F(MessagesTest, SendNotifyDoesNotWait) {
  std::atomic<bool> release{false};
  Worker w;
  w.Start([&](HWND) {
    while (!release) std::this_thread::yield();
    plat::win::PumpMessages();
  });
  EXPECT_TRUE(SendNotifyMessage(w.hwnd, WM_USER + 3, 1, 2));
  release = true;
  w.t.join();
  int notified = 0;
  for (auto& r : MessagesOf(w.hwnd)) notified += r.msg == WM_USER + 3;
  EXPECT_EQ(notified, 1);
}

// A queued call runs once on the window's thread, with the sent messages, without the caller
// waiting; a call left when that thread ends still runs once (not on the thread), so its owner
// can let go of what it handed over.
TEST_F(MessagesTest, QueuedCallRunsOnceOnTheWindowsThreadOrWhenItEnds) {
  struct Call : plat::win::QueuedCall {
    std::atomic<int> onThread{0}, dropped{0};
    std::atomic<bool> inSend{false};
    DWORD thread = 0;
  };
  auto run = [](plat::win::QueuedCall* c, bool onThread) {
    auto* call = static_cast<Call*>(c);
    if (onThread) {
      call->thread = GetCurrentThreadId();
      call->inSend = InSendMessage() != FALSE;
      ++call->onThread;
    } else {
      ++call->dropped;
    }
  };
  for (bool pumps : {true, false}) {
    SCOPED_TRACE(pumps ? "the thread handles it" : "the thread ends first");
    std::atomic<bool> queued{false};
    DWORD workerThread = 0;
    Call call;
    call.run = run;
    Worker w;
    w.Start([&](HWND) {
      workerThread = GetCurrentThreadId();
      while (!queued) std::this_thread::yield();
      EXPECT_TRUE(GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE);
      if (pumps) plat::win::PumpMessages();
    });
    EXPECT_TRUE(plat::win::QueueCall(w.hwnd, &call));
    queued = true;
    w.t.join();
    EXPECT_EQ(call.onThread.load(), pumps ? 1 : 0);
    EXPECT_EQ(call.dropped.load(), pumps ? 0 : 1);
    if (pumps) {
      EXPECT_EQ(call.thread, workerThread);
      EXPECT_TRUE(call.inSend.load());
    }
    EXPECT_FALSE(plat::win::QueueCall(w.hwnd, &call)) << "the window is gone with its thread";
  }
}

TEST_F(MessagesTest, FocusNotificationsComeInOrder) {
  HWND top = MakeTop();
  HWND a = MakeChild(top, 1, 0, 0, 50, 20);
  HWND b = MakeChild(top, 2, 0, 30, 50, 20);
  HWND off = MakeChild(top, 3, 0, 60, 50, 20, WS_CHILD | WS_VISIBLE | WS_DISABLED);
  plat::win::PumpMessages();
  EXPECT_EQ(GetFocus(), top);
  Log().clear();
  EXPECT_EQ(SetFocus(a), top);
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(SetFocus(off), 0u) << "a disabled window takes no focus";
  EXPECT_EQ(GetFocus(), b);
  DestroyWindow(b);  // the focused child loses the focus during its destruction, to its parent
  EXPECT_EQ(GetFocus(), top);
  std::vector<Rec> got;
  for (auto& r : Log())
    if (r.msg == WM_SETFOCUS || r.msg == WM_KILLFOCUS || r.msg == WM_DESTROY) got.push_back(r);
  ExpectSequence({top, a, b}, got,
                 {{0, WM_KILLFOCUS, false},
                  {1, WM_SETFOCUS, false},
                  {1, WM_KILLFOCUS, false},
                  {2, WM_SETFOCUS, false},
                  {2, WM_KILLFOCUS, false},
                  {0, WM_SETFOCUS, false},
                  {2, WM_DESTROY, false}});
  EXPECT_EQ(got[0].wp, a);  // kill focus names the new window
  EXPECT_EQ(got[3].wp, a);  // set focus names the old one
  EXPECT_EQ(got[4].wp, top);
}

TEST_F(MessagesTest, WindowFieldsAndSubclassing) {
  HWND top = MakeTop();
  HWND c = MakeChild(top, 77, 5, 6, 30, 20);
  EXPECT_EQ(GetWindowLong(c, GWL_ID), 77);
  EXPECT_EQ(GetDlgCtrlID(c), 77);
  EXPECT_EQ(SetWindowLong(c, GWL_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLong(c, GWL_USERDATA), 1234);
  EXPECT_TRUE(GetWindowLong(c, GWL_STYLE) & WS_CHILD);
  static WNDPROC old;
  static int seen;
  seen = 0;
  old = reinterpret_cast<WNDPROC>(
      SetWindowLong(c, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                      if (m == WM_USER + 9) ++seen;
                      return CallWindowProc(old, h, m, w, l);
                    })));
  ASSERT_NE(old, nullptr);
  SendMessage(c, WM_USER + 9, 0, 0);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(MessagesOf(c).back().msg, WM_USER + 9u) << "the original procedure still runs";
  WCHAR name[32];
  EXPECT_EQ(GetClassName(c, name, 32), 6);
  EXPECT_EQ(std::u16string(name), u"RecWnd");
  EXPECT_EQ(GetClassName(c, name, 4), 3) << "cut to the buffer";
}

TEST_F(MessagesTest, ClassOfAnUnloadedLibraryCanBeRegisteredAgain) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    void* lib = dlopen(WINDOW_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto reg = reinterpret_cast<int (*)()>(dlsym(lib, "RegisterPluginClass"));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(), 1) << "registered by this load of the library";
    HWND h = CreateWindowEx(0, u"PluginWnd", u"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(SendMessage(h, WM_USER + 1, 0, 0), 4321);
    DestroyWindow(h);
    dlclose(lib);
    WNDCLASS wc;
    EXPECT_FALSE(GetClassInfo(nullptr, u"PluginWnd", &wc)) << "its procedure is gone with the library";
    EXPECT_EQ(CreateWindowEx(0, u"PluginWnd", u"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr), 0u);
  }
}

TEST_F(MessagesTest, TextAndDialogItemHelpers) {
  HWND top = MakeTop();
  HWND first = MakeChild(top, 10, 0, 0, 10, 10);
  HWND dup = MakeChild(top, 10, 0, 20, 10, 10);
  EXPECT_EQ(GetDlgItem(top, 10), first) << "the first child with the id, in creation order";
  EXPECT_NE(dup, first);
  EXPECT_EQ(GetDlgItem(top, 11), 0u);
  SetWindowText(first, u"hello");
  WCHAR buf[4];
  EXPECT_EQ(GetWindowText(first, buf, 4), 3);
  EXPECT_EQ(std::u16string(buf), u"hel");
  EXPECT_EQ(GetWindowTextLength(first), 5);
  struct IntCase {
    const char16_t* text;
    BOOL isSigned;
    UINT value;
    BOOL ok;
  };
  const IntCase cases[] = {
      {u"123", FALSE, 123, TRUE},
      {u" 42 ", FALSE, 42, TRUE},
      {u"-5", TRUE, static_cast<UINT>(-5), TRUE},
      {u"-5", FALSE, 0, FALSE},
      {u"12a", FALSE, 0, FALSE},
      {u"", FALSE, 0, FALSE},
      {u"4294967295", FALSE, 4294967295u, TRUE},
      {u"4294967296", FALSE, 0, FALSE},
      {u"2147483648", TRUE, 0, FALSE},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.text));
    SetDlgItemText(top, 10, c.text);
    BOOL ok = 7;
    EXPECT_EQ(GetDlgItemInt(top, 10, &ok, c.isSigned), c.value);
    EXPECT_EQ(ok, c.ok);
  }
  SetDlgItemInt(top, 10, static_cast<UINT>(-12), TRUE);
  EXPECT_EQ(GetDlgItemText(top, 10, buf, 4), 3u);
  EXPECT_EQ(std::u16string(buf), u"-12");
}

}  // namespace
