// The in-process driver: a user-interface thread for the hosted screen, the virtual clock, and a
// watch on message boxes and menus that nobody answers.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "automation/agent.h"
#include "plat/afx.h"
#include "plat/kernel.h"

namespace plat::automation {

struct Driver::State {
  Options options;
  std::thread ui;
  DWORD tid = 0;
  std::mutex m;
  std::condition_variable cv;
  bool ready = false;
  bool stop = false;
  std::thread watch;
  bool wasAutomation = false;
  bool wasVirtual = false;
  std::mutex failMutex;
};

Driver::Driver() : Driver(Options{}) {}

Driver::Driver(Options options) : s_(std::make_unique<State>()) {
  s_->options = std::move(options);
  s_->wasAutomation = plat::win::AutomationMode();
  plat::win::SetAutomationMode(true);
  s_->wasVirtual = plat::clock::IsVirtual();
  if (s_->options.virtualClock && !s_->wasVirtual) plat::clock::UseVirtual(1000000);
  s_->ui = std::thread([st = s_.get()] {
    MSG m;
    PeekMessage(&m, 0, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here on
    {
      std::lock_guard<std::mutex> l(st->m);
      st->tid = GetCurrentThreadId();
      st->ready = true;
    }
    st->cv.notify_all();
    // The loop of a program's user-interface thread: framework windows see their messages
    // first (a framework dialog handles its keys there), plain dialogs get the dialog keys.
    while (GetMessage(&m, 0, 0, 0)) {
      if (AfxPreTranslateMessage(&m)) continue;
      HWND top = m.hwnd;
      while (top && (GetWindowLong(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
      WCHAR cls[16] = {};
      if (top && GetClassName(top, cls, 16) && std::u16string_view(cls) == WC_DIALOG && IsDialogMessage(top, &m))
        continue;
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    plat::win::ThreadCleanup();
  });
  std::unique_lock<std::mutex> l(s_->m);
  s_->cv.wait(l, [&] { return s_->ready; });
  l.unlock();
  // Boxes and menus left open for too long fail the test and are closed, so nothing hangs.
  s_->watch = std::thread([this, st = s_.get()] {
    HWND boxSeen = 0, menuSeen = 0;
    auto boxSince = std::chrono::steady_clock::now(), menuSince = boxSince;
    std::unique_lock<std::mutex> lk(st->m);
    while (!st->stop) {
      st->cv.wait_for(lk, std::chrono::milliseconds(10));
      if (st->stop) break;
      lk.unlock();
      auto now = std::chrono::steady_clock::now();
      auto limit = std::chrono::milliseconds(st->options.boxTimeoutMs);
      plat::win::MessageBoxInfo b;
      if (plat::win::PendingMessageBox(&b)) {
        if (b.hwnd != boxSeen) {
          boxSeen = b.hwnd;
          boxSince = now;
        } else if (now - boxSince > limit) {
          Fail("message box left unanswered: " + detail::Execute({"box"}, detail::Context{}).Text());
          bool hasCancel = false;
          for (int id : b.buttons) hasCancel |= id == IDCANCEL;
          plat::win::AnswerMessageBox(hasCancel ? IDCANCEL : b.buttons.front(), b.hwnd);
          boxSeen = 0;
        }
      } else {
        boxSeen = 0;
      }
      plat::win::MenuInfo mi;
      if (plat::win::PendingMenu(&mi)) {
        if (mi.hwnd != menuSeen) {
          menuSeen = mi.hwnd;
          menuSince = now;
        } else if (now - menuSince > limit) {
          Fail("pop-up menu left open");
          plat::win::ChooseMenuItem(0);
          menuSeen = 0;
        }
      } else {
        menuSeen = 0;
      }
      lk.lock();
    }
  });
}

Driver::~Driver() {
  plat::win::MessageBoxInfo b;
  while (plat::win::PendingMessageBox(&b)) {
    Fail("message box still open at the end: " + detail::Execute({"box"}, detail::Context{}).Text());
    bool hasCancel = false;
    for (int id : b.buttons) hasCancel |= id == IDCANCEL;
    if (!plat::win::AnswerMessageBox(hasCancel ? IDCANCEL : b.buttons.front(), b.hwnd)) break;
    detail::SettleThread(s_->tid, s_->options.settleTimeoutMs);
  }
  if (plat::win::PendingMenu(nullptr)) {
    Fail("pop-up menu still open at the end");
    plat::win::ChooseMenuItem(0);
  }
  {
    std::lock_guard<std::mutex> l(s_->m);
    s_->stop = true;
  }
  s_->cv.notify_all();
  s_->watch.join();
  detail::RunOnUi(
      s_->tid, [] { PostQuitMessage(0); }, 5000);
  s_->ui.join();
  if (s_->options.virtualClock && !s_->wasVirtual) plat::clock::UseReal();
  plat::win::SetAutomationMode(s_->wasAutomation);
}

void Driver::Fail(const std::string& what) {
  std::lock_guard<std::mutex> l(s_->failMutex);
  failures_.push_back(what);
  if (s_->options.onFailure)
    s_->options.onFailure(what);
  else
    std::fprintf(stderr, "automation: %s\n", what.c_str());
}

DWORD Driver::UiThreadId() const { return s_->tid; }

void Driver::Ui(const std::function<void()>& fn) {
  auto state = detail::PostToUi(s_->tid, fn);
  if (!state) {
    Fail("the user-interface thread is gone");
    return;
  }
  // The probes of a settle run after `fn` has started: when they get through while `fn` is still
  // running, `fn` waits in a box, a menu or a modal dialog it opened, and the caller goes on.
  if (!detail::SettleThread(s_->tid, s_->options.settleTimeoutMs)) Fail("the screen did not settle in time");
}

void Driver::Settle() {
  if (!detail::SettleThread(s_->tid, s_->options.settleTimeoutMs)) Fail("the screen did not settle in time");
}

bool Driver::Until(const std::function<bool()>& cond, int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    Settle();
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return cond();
}

void Driver::Advance(uint32_t ms) {
  plat::clock::Advance(ms);
  Settle();
}

Result Driver::Do(const std::vector<std::string>& words) {
  detail::Context ctx;
  ctx.uiThread = s_->tid;
  ctx.settleTimeoutMs = s_->options.settleTimeoutMs;
  if (plat::clock::IsVirtual()) ctx.advance = [](uint32_t ms) { plat::clock::Advance(ms); };
  return detail::Execute(words, ctx);
}

Result Driver::Do(const std::string& commandLine) { return Do(SplitCommand(commandLine)); }

#define LARKSPIN_DRIVER_CHECK(words)                                \
  do {                                                              \
    Result r_ = Do(words);                                          \
    if (!r_.ok) Fail(std::string(words.front()) + ": " + r_.error); \
    return r_.ok;                                                   \
  } while (0)

bool Driver::Tap(int id) { LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"tap", std::to_string(id)})); }
bool Driver::TapAt(int x, int y) {
  LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"tap-at", std::to_string(x), std::to_string(y)}));
}
bool Driver::DoubleTapAt(int x, int y) {
  LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"double-tap", std::to_string(x), std::to_string(y)}));
}
bool Driver::Drag(int x1, int y1, int x2, int y2, int steps) {
  LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"drag", std::to_string(x1), std::to_string(y1), std::to_string(x2),
                                                  std::to_string(y2), std::to_string(steps)}));
}
bool Driver::Type(int id, const std::string& utf8) {
  LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"type", id ? std::to_string(id) : "-", utf8}));
}
bool Driver::Key(const std::string& keyName) { LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"key", keyName})); }
bool Driver::Pick(int id, int index) {
  LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"pick", std::to_string(id), std::to_string(index)}));
}
bool Driver::TapCell(int id, int row, int column) {
  LARKSPIN_DRIVER_CHECK(
      (std::vector<std::string>{"tap-cell", std::to_string(id), std::to_string(row), std::to_string(column)}));
}
bool Driver::Answer(int button) { LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"answer", std::to_string(button)})); }
bool Driver::ChooseMenu(UINT id) { LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"choose", std::to_string(id)})); }
bool Driver::Screenshot(const std::string& hostPath) {
  LARKSPIN_DRIVER_CHECK((std::vector<std::string>{"shot", hostPath}));
}

#undef LARKSPIN_DRIVER_CHECK

std::u16string Driver::Text(int id) {
  HWND h = 0;
  for (int pass = 0; pass < 2 && !h; ++pass)
    for (auto& w : plat::win::EnumerateWindows())
      if (w.parent && w.id == id && (pass == 1 || w.visible)) {
        h = w.hwnd;
        break;
      }
  std::u16string text;
  if (!h) return text;
  // WM_GETTEXT on the window's thread: a combo box answers with its field.
  detail::RunOnUi(
      s_->tid,
      [&] {
        int len = GetWindowTextLength(h);
        text.assign(static_cast<size_t>(std::max(len, 0)) + 1, u'\0');
        text.resize(static_cast<size_t>(std::max(GetWindowText(h, text.data(), static_cast<int>(text.size())), 0)));
      },
      s_->options.settleTimeoutMs);
  return text;
}

std::string Driver::Tree() { return Do(std::vector<std::string>{"tree"}).Text(); }

bool Driver::PendingBox(plat::win::MessageBoxInfo* out) { return plat::win::PendingMessageBox(out); }

}  // namespace plat::automation
