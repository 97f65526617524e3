// Thread message queues: posting and sending (same thread, other threads, other processes),
// message retrieval with its priorities (sent, posted, quit, paint, timers), timers on the
// platform clock, and the modal loops every box, menu and modal dialog runs.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "window/wm_internal.h"

namespace plat::wm {

ThreadQueue::~ThreadQueue() {
  if (wakeFd >= 0) close(wakeFd);
}

namespace {

// Ends the thread's queue when the thread ends: its windows go away without messages and every
// message still waiting for it is answered with 0, so no sender waits for a thread that is gone.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> q;
  ~QueueHolder() {
    if (!q) return;
    auto& g = G();
    Lock l(g.m);
    q->alive = false;
    std::vector<HWND> mine;
    for (auto& [h, w] : g.windows)
      if (w->queue == q) mine.push_back(h);
    for (HWND h : mine) {
      auto w = g.windows[h];
      w->destroying = true;
      if (auto p = Find(w->parent))
        p->children.erase(std::remove(p->children.begin(), p->children.end(), h), p->children.end());
      g.zorder.erase(std::remove(g.zorder.begin(), g.zorder.end(), h), g.zorder.end());
      g.windows.erase(h);
      g.windowsRemoved.fetch_add(1, std::memory_order_release);
      RemoveWindowMessages(h);
      if (g.capture == h) g.capture = 0;
    }
    while (!q->sent.empty()) {
      SentMsg* s = q->sent.pop_front();
      CompleteSent(s, 0);
    }
    while (plat::win::QueuedCall* c = q->callsHead) {
      q->callsHead = c->next;
      c->next = nullptr;
      c->run(c, false);
    }
    q->callsTail = nullptr;
    q->lastSent.reset();  // the window holds the queue
    q->posted.clear();
    q->timers.clear();
    g.queues.erase(q->tid);
  }
};
PLAT_WM_FAST_TLS thread_local QueueHolder t_queue;

uint32_t g_timerIds = 0x7F00;

}  // namespace

const std::shared_ptr<ThreadQueue>& CurrentQueue() {
  if (t_queue.q) return t_queue.q;
  auto q = std::make_shared<ThreadQueue>();
  q->tid = CurrentThreadId();
  q->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  auto& g = G();
  Lock l(g.m);
  g.queues[q->tid] = q;
  t_queue.q = q;
  return t_queue.q;
}

void Wake(ThreadQueue& q) {
  uint64_t one = 1;
  if (q.wakeFd >= 0) {
    ssize_t r = write(q.wakeFd, &one, sizeof one);
    (void)r;
  }
}

bool IsCurrentQueue(const ThreadQueue& q) { return t_queue.q.get() == &q; }

void DrainWake(ThreadQueue& q) {
  uint64_t v;
  if (q.wakeFd >= 0) {
    ssize_t r = read(q.wakeFd, &v, sizeof v);
    (void)r;
  }
}

void CompleteSent(SentMsg* s, LRESULT result) {
  if (s->replyFd >= 0) {
    RemoteReply(s->replyFd, result, true);
    delete s;
    return;
  }
  if (s->kind == SentMsg::Notify) {
    delete s;
    return;
  }
  s->result = result;
  s->done = true;
  if (s->waiter) Wake(*s->waiter);
}

bool HandleSentMessages() {
  auto q = CurrentQueue();
  auto& g = G();
  bool any = false;
  for (;;) {
    SentMsg* s;
    plat::win::QueuedCall* call = nullptr;
    {
      Lock l(g.m);
      if (q->sent.empty()) {
        call = q->callsHead;
        if (!call) return any;
        q->callsHead = call->next;
        if (!q->callsHead) q->callsTail = nullptr;
        call->next = nullptr;
      } else {
        s = q->sent.pop_front();
      }
    }
    any = true;
    if (call) {
      ++q->sendDepth;
      call->run(call, true);
      --q->sendDepth;
      continue;
    }
    LRESULT result = 0;
    auto w = Find(s->hwnd);
    if (w && w->queue == q) {
      ++q->sendDepth;
      if (s->kind == SentMsg::ShowWindowCall)
        result = ShowWindow(s->hwnd, static_cast<int>(s->wParam));
      else
        result = CallProc(w, s->msg, s->wParam, s->lParam);
      --q->sendDepth;
    }
    Lock l(g.m);
    CompleteSent(s, result);
  }
}

static int TimerWaitMs(ThreadQueue& q) {
  auto& g = G();
  Lock l(g.m);
  if (q.timers.empty()) return -1;
  uint64_t now = NowMs(), due = UINT64_MAX;
  for (auto& t : q.timers) due = std::min(due, t.due);
  if (due <= now) return 0;
  uint64_t wait = due - now;
  if (ClockIsVirtual()) wait = std::min<uint64_t>(wait, 5);  // the clock moves only when a test moves it
  return static_cast<int>(std::min<uint64_t>(wait, 60000));
}

bool WaitWhileHandlingSent(const std::function<bool()>& ready, int extraFd, int timeoutMs) {
  auto q = CurrentQueue();
  auto& g = G();
  uint64_t start = NowMs();
  for (;;) {
    HandleSentMessages();
    {
      Lock l(g.m);
      if (ready()) return true;
    }
    int wait = -1;
    if (timeoutMs >= 0) {
      uint64_t el = NowMs() - start;
      if (el >= static_cast<uint64_t>(timeoutMs)) return false;
      wait = static_cast<int>(static_cast<uint64_t>(timeoutMs) - el);
      if (ClockIsVirtual()) wait = std::min(wait, 5);
    }
    pollfd fds[2] = {{q->wakeFd, POLLIN, 0}, {extraFd, POLLIN, 0}};
    int r = poll(fds, extraFd >= 0 ? 2 : 1, wait);
    if (r > 0 && (fds[0].revents & POLLIN)) DrainWake(*q);
    if (r > 0 && extraFd >= 0 && fds[1].revents) return true;
  }
}

static bool MatchFilter(const MSG& m, HWND hwnd, UINT fmin, UINT fmax) {
  if (hwnd && m.hwnd != hwnd && !IsChild(hwnd, m.hwnd)) return false;
  if (fmin == 0 && fmax == 0) return true;
  return m.message >= fmin && m.message <= fmax;
}

static DWORD TickNow() { return static_cast<DWORD>(NowMs()); }

bool FetchMessage(MSG* msg, HWND hwnd, UINT fmin, UINT fmax, bool remove) {
  HandleSentMessages();
  auto q = CurrentQueue();
  auto& g = G();
  Lock l(g.m);
  for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
    if (!MatchFilter(*it, hwnd, fmin, fmax)) continue;
    *msg = *it;
    if (remove) q->posted.erase(it);
    return true;
  }
  if (q->quit && ((fmin == 0 && fmax == 0) || (WM_QUIT >= fmin && WM_QUIT <= fmax))) {
    *msg = MSG{0, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0, TickNow(), g.cursor};
    if (remove) q->quit = false;
    return true;
  }
  if ((fmin == 0 && fmax == 0) || (WM_PAINT >= fmin && WM_PAINT <= fmax)) {
    MSG pm{};
    if (PaintPendingOf(q->tid, &pm) && (!hwnd || pm.hwnd == hwnd || IsChild(hwnd, pm.hwnd))) {
      *msg = pm;
      return true;
    }
  }
  if ((fmin == 0 && fmax == 0) || (WM_TIMER >= fmin && WM_TIMER <= fmax)) {
    uint64_t now = NowMs();
    Timer* best = nullptr;
    for (auto& t : q->timers) {
      if (t.due > now) continue;
      if (hwnd && t.hwnd != hwnd && !IsChild(hwnd, t.hwnd)) continue;
      if (!best || t.due < best->due) best = &t;
    }
    if (best) {
      *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), TickNow(), g.cursor};
      if (remove) best->due = now + best->elapse;
      return true;
    }
  }
  return false;
}

static void WaitForInput() {
  auto q = CurrentQueue();
  int wait = TimerWaitMs(*q);
  // Input from the display window is read by polling it: look again every few milliseconds.
  if (DisplayOpen() && (wait < 0 || wait > 10)) wait = 10;
  pollfd fd{q->wakeFd, POLLIN, 0};
  if (poll(&fd, 1, wait) > 0) DrainWake(*q);
}

// The end conditions of the modal loops running on this thread, innermost last.
static thread_local std::vector<const std::function<bool()>*> tModalLoops;

bool ModalLoop(const std::function<bool()>& done, HWND dialog) {
  tModalLoops.push_back(&done);
  struct Pop {
    ~Pop() { tModalLoops.pop_back(); }
  } pop;
  for (;;) {
    PollDisplay();
    if (done()) break;
    MSG m;
    if (!FetchMessage(&m, 0, 0, 0, true)) {
      PresentIfDisplay();
      if (done()) break;
      WaitForInput();
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return false;
    }
    if (dialog && IsWindow(dialog) && IsDialogMessage(dialog, &m)) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  PresentIfDisplay();
  return true;
}

}  // namespace plat::wm

namespace plat::win {
bool ModalLoopEnding() {
  for (const auto* done : plat::wm::tModalLoops)
    if ((*done)()) return true;
  return false;
}
}  // namespace plat::win

using namespace plat::wm;

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  MSG local;
  if (!msg) msg = &local;
  for (;;) {
    PollDisplay();
    if (FetchMessage(msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    PresentIfDisplay();
    WaitForInput();
  }
}

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  MSG local;
  if (!msg) msg = &local;
  PollDisplay();
  return FetchMessage(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WaitMessage() {
  auto q = CurrentQueue();
  MSG m;
  if (FetchMessage(&m, 0, 0, 0, false)) return TRUE;
  WaitForInput();
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  UINT vk = static_cast<UINT>(msg->wParam);
  char16_t ch = 0;
  bool shift = (G().keyState[VK_SHIFT] & 0x80) != 0;
  if (vk >= '0' && vk <= '9')
    ch = static_cast<char16_t>(vk);
  else if (vk >= 'A' && vk <= 'Z')
    ch = static_cast<char16_t>(shift ? vk : vk + 32);
  else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
    ch = static_cast<char16_t>(u'0' + (vk - VK_NUMPAD0));
  else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_ESCAPE)
    ch = static_cast<char16_t>(vk);
  else if (vk == VK_DECIMAL)
    ch = u'.';
  if (!ch) return FALSE;
  auto q = CurrentQueue();
  Lock l(G().m);
  q->posted.push_front(MSG{msg->hwnd, WM_CHAR, ch, msg->lParam, msg->time, msg->pt});
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  if (!msg->hwnd) return 0;
  auto w = Find(msg->hwnd);
  if (!w || w->queue != CurrentQueue()) return 0;
  if (msg->message == WM_PLAT_ACTIVATE) {
    if (GetActiveWindow() != msg->hwnd && IsWindowVisible(msg->hwnd) && IsWindowEnabled(msg->hwnd))
      SetActiveWindow(msg->hwnd);
    return 0;
  }
  if (msg->message == WM_PAINT) DrawNonClient(msg->hwnd);
  LRESULT r = CallProcPosted(w, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) AfterPaintDispatch(msg->hwnd);
  return r;
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  Lock l(G().m);
  q->quit = true;
  q->quitCode = exitCode;
  Wake(*q);
}

static LRESULT SendToThread(const std::shared_ptr<Window>& w, SentMsg::Kind kind, UINT msg, WPARAM wp, LPARAM lp) {
  auto me = CurrentQueue();
  SentMsg s;
  s.kind = kind;
  s.hwnd = w->hwnd;
  s.msg = msg;
  s.wParam = wp;
  s.lParam = lp;
  s.waiter = me;
  {
    Lock l(G().m);
    if (!w->queue->alive || !G().windows.count(w->hwnd)) return 0;
    w->queue->sent.push_back(&s);
    Wake(*w->queue);
  }
  WaitWhileHandlingSent([&] { return s.done; }, -1, -1);
  return s.result;
}

namespace plat::wm {
LRESULT SendShowToThread(const std::shared_ptr<Window>& w, int cmd) {
  return SendToThread(w, SentMsg::ShowWindowCall, 0, static_cast<WPARAM>(cmd), 0);
}
}  // namespace plat::wm

static void LogCross(const char* kind, HWND h, UINT msg, WPARAM wp, LPARAM lp, LRESULT result, bool ok) {
  if (msg < WM_USER && msg != WM_CLOSE) return;
  std::string f = std::to_string(h) + "\t" + std::to_string(msg) + "\t" + std::to_string(wp) + "\t" +
                  std::to_string(lp) + "\t" + std::to_string(result) + "\t" + (ok ? "ok" : "failed");
  plat::win::LogEvent(kind, f);
}

namespace {

// The window of this thread that the thread sent to last, kept while no window has left the
// table since: a receive thread's packets all go to one screen, one send after the other, and a
// look-up takes the window manager's lock, which every thread of the program contends for, and
// counts references to the window atomically. The thread's queue holds the window (let go at the
// next send that finds the record out of date: it may have been destroyed); the record is not
// replaced while a send through it runs, since that call still uses the window.
struct LastSent {
  HWND hwnd = 0;
  uint64_t removed = 0;
  const std::atomic<uint64_t>* removedNow = nullptr;  // G().windowsRemoved
  Window* window = nullptr;                           // held by the queue's lastSent
  int running = 0;                                    // sends through `window` under way
};
PLAT_WM_FAST_TLS thread_local LastSent t_lastSent;

// Every send but one through the record: looks the window up.
[[gnu::noinline]] LRESULT SendLookedUp(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return 0;
  LastSent& last = t_lastSent;
  auto& removedNow = G().windowsRemoved;
  const uint64_t removed = removedNow.load(std::memory_order_acquire);
  if (last.window && last.removed != removed && last.running == 0) {
    CurrentQueue()->lastSent.reset();  // may have been destroyed: not kept alive any longer
    last = LastSent{};
  }
  // A window that leaves the table after the count was read leaves the record out of date.
  auto w = Find(hwnd);
  if (w) {
    const auto& me = CurrentQueue();
    if (w->queue == me) {
      if (last.running == 0) {
        me->lastSent = w;
        last = LastSent{hwnd, removed, &removedNow, w.get(), 0};
      }
      return CallProc(w, msg, wParam, lParam);
    }
    return SendToThread(w, SentMsg::Message, msg, wParam, lParam);
  }
  if (IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return 0;
  LRESULT r = 0;
  bool ok = RemoteCall(hwnd, OpSend, msg, wParam, lParam, &r, nullptr, nullptr);
  LogCross("send", hwnd, msg, wParam, lParam, r, ok);
  return ok ? r : 0;
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LastSent& last = t_lastSent;
  if (hwnd == 0 || last.hwnd != hwnd || last.removed != last.removedNow->load(std::memory_order_acquire))
    return SendLookedUp(hwnd, msg, wParam, lParam);
  ++last.running;
  const LRESULT result = CallProcSent(*last.window, msg, wParam, lParam);
  --last.running;
  return result;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& g = G();
  if (!hwnd) return PostThreadMessage(CurrentThreadId(), msg, wParam, lParam);
  if (auto w = Find(hwnd)) {
    Lock l(g.m);
    if (!w->queue->alive || w->destroying) return FALSE;
    PostLocal(*w->queue, MSG{hwnd, msg, wParam, lParam, TickNow(), g.cursor});
    return TRUE;
  }
  if (IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return FALSE;
  LRESULT r = 0;
  bool ok = RemoteCall(hwnd, OpPost, msg, wParam, lParam, &r, nullptr, nullptr) && r;
  LogCross("post", hwnd, msg, wParam, lParam, r, ok);
  return ok ? TRUE : FALSE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& g = G();
  if (threadId == CurrentThreadId()) CurrentQueue();
  Lock l(g.m);
  auto it = g.queues.find(threadId);
  if (it == g.queues.end() || !it->second->alive) return FALSE;
  PostLocal(*it->second, MSG{0, msg, wParam, lParam, TickNow(), g.cursor});
  return TRUE;
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (w) {
    if (w->queue == CurrentQueue()) {
      CallProc(w, msg, wParam, lParam);
      return TRUE;
    }
    Lock l(G().m);
    if (!w->queue->alive) return FALSE;
    auto* s = new SentMsg;
    s->kind = SentMsg::Notify;
    s->hwnd = hwnd;
    s->msg = msg;
    s->wParam = wParam;
    s->lParam = lParam;
    w->queue->sent.push_back(s);
    Wake(*w->queue);
    return TRUE;
  }
  if (!hwnd || IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return FALSE;
  LRESULT r = 0;
  bool ok = RemoteCall(hwnd, OpNotify, msg, wParam, lParam, &r, nullptr, nullptr) && r;
  LogCross("notify", hwnd, msg, wParam, lParam, r, ok);
  return ok ? TRUE : FALSE;
}

namespace plat::win {

bool QueueCall(HWND hwnd, QueuedCall* call) {
  if (!call || !call->run) return false;
  auto& g = G();
  Lock l(g.m);
  auto it = g.windows.find(hwnd);
  if (it == g.windows.end() || it->second->destroying) return false;
  ThreadQueue& q = *it->second->queue;
  if (!q.alive) return false;
  call->next = nullptr;
  if (q.callsTail)
    q.callsTail->next = call;
  else
    q.callsHead = call;
  q.callsTail = call;
  // Another call or sent message already waiting has woken the thread, which handles them all.
  if (q.sent.empty() && q.callsHead == call) Wake(q);
  return true;
}

}  // namespace plat::win

BOOL InSendMessage() { return CurrentQueue()->sendDepth > 0 ? TRUE : FALSE; }

DWORD GetMessagePos() {
  POINT p = G().cursor;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

LONG GetMessageTime() { return static_cast<LONG>(TickNow()); }

DWORD GetQueueStatus(UINT flags) {
  auto q = CurrentQueue();
  Lock l(G().m);
  DWORD s = 0;
  if (!q->posted.empty()) s |= QS_POSTMESSAGE;
  if (!q->sent.empty() || q->callsHead) s |= QS_SENDMESSAGE;
  uint64_t now = NowMs();
  for (auto& t : q->timers)
    if (t.due <= now) s |= QS_TIMER;
  MSG pm;
  if (PaintPendingOf(q->tid, &pm)) s |= QS_PAINT;
  return s & flags;
}

UINT RegisterWindowMessage(LPCWSTR name) {
  if (!name) return 0;
  // The same name gives the same number in every process: a hash into 0xC000..0xFFFF.
  uint32_t h = 2166136261u;
  for (const WCHAR* p = name; *p; ++p) {
    char16_t c = *p;
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    h = (h ^ c) * 16777619u;
  }
  return 0xC000u + (h % 0x3FFFu);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  std::shared_ptr<ThreadQueue> q;
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w) return 0;
    q = w->queue;
  } else {
    q = CurrentQueue();
  }
  auto& g = G();
  Lock l(g.m);
  if (elapseMs == 0) elapseMs = 1;
  if (!hwnd) {
    bool known = false;
    for (auto& t : q->timers) known |= (t.hwnd == 0 && t.id == id);
    if (!known) id = ++g_timerIds;
  }
  for (auto& t : q->timers) {
    if (t.hwnd == hwnd && t.id == id) {
      // The same id restarts the timer; a tick that was due is dropped with the old period.
      t.elapse = elapseMs;
      t.due = NowMs() + elapseMs;
      t.proc = proc;
      Wake(*q);
      return hwnd ? (id ? id : 1) : id;
    }
  }
  q->timers.push_back(Timer{hwnd, id, elapseMs, NowMs() + elapseMs, proc});
  Wake(*q);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& g = G();
  Lock l(g.m);
  for (auto& [tid, q] : g.queues) {
    auto& t = q->timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
    if (it != t.end()) {
      t.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

namespace plat::win {

int PumpMessages() {
  int count = 0;
  MSG m;
  PollDisplay();
  while (count < 100000) {
    if (HandleSentMessages()) ++count;
    if (!FetchMessage(&m, 0, 0, 0, true)) break;
    if (m.message == WM_QUIT) {
      auto q = CurrentQueue();
      Lock l(G().m);
      q->quit = true;  // left for the program's own loop
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
    ++count;
  }
  PresentIfDisplay();
  return count;
}

bool PumpUntilImpl(bool (*done)(void*), void* ctx, int timeoutMs) {
  auto q = CurrentQueue();
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    PumpMessages();
    if (done(ctx)) return true;
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs)) return false;
    pollfd fd{q->wakeFd, POLLIN, 0};
    if (poll(&fd, 1, 2) > 0) DrainWake(*q);
  }
}

}  // namespace plat::win
