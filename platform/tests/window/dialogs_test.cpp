// Dialogs from templates, message boxes and pop-up menus, answered as a user or a test would.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "plat/gdi.h"
#include "window_test_util.h"

using namespace wtest;

namespace {

const plat::DialogItemTemplate kItems[] = {
    {kRecClass, 1001, u"first", WS_VISIBLE | WS_TABSTOP, 0, 10, 10, 100, 20},
    {kRecClass, 1002, u"second", WS_VISIBLE | WS_TABSTOP, 0, 10, 40, 100, 20},
    {kRecClass, 1003, u"off", WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 0, 10, 70, 100, 20},
    {kRecClass, 1004, u"label", WS_VISIBLE, 0, 10, 100, 100, 20},
};
const plat::DialogTemplate kDialog = {
    WS_POPUP | WS_VISIBLE,           0, 0, 26, 240, 294, u"Dlg", nullptr, u"Tahoma", 13, kItems,
    sizeof kItems / sizeof kItems[0]};
PLAT_RESOURCE(plat::res::Dialog, 129, &kDialog, sizeof kDialog);

struct DlgState {
  std::vector<UINT> messages;
  std::vector<int> commands;
  bool visibleAtInit = true;
  bool itemsAtInit = false;
  bool fontBeforeInit = false;
  LPARAM initParam = 0;
  bool ownerEnabledInside = true;
  HWND owner = 0;
};
DlgState g_dlg;

BOOL DlgProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  g_dlg.messages.push_back(m);
  switch (m) {
    case WM_INITDIALOG:
      g_dlg.visibleAtInit = IsWindowVisible(h) != FALSE;
      g_dlg.itemsAtInit = GetDlgItem(h, 1001) && GetDlgItem(h, 1004);
      for (auto& r : Log())
        if (r.hwnd == GetDlgItem(h, 1001) && r.msg == WM_SETFONT && r.wp) g_dlg.fontBeforeInit = true;
      g_dlg.initParam = lp;
      if (lp == 77) PostMessage(h, WM_USER + 1, 0, 0);
      return TRUE;
    case WM_USER + 1:
      g_dlg.ownerEnabledInside = IsWindowEnabled(g_dlg.owner) != FALSE;
      EndDialog(h, 77);
      return TRUE;
    case WM_COMMAND:
      g_dlg.commands.push_back(LOWORD(wp));
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(h, LOWORD(wp));
      return TRUE;
    default: return FALSE;
  }
}

// What a dialog's message loop does.
void PumpDialog(HWND dlg) {
  MSG m;
  while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessage(dlg, &m)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }
}

class DialogsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    g_dlg = DlgState{};
  }
};

TEST_F(DialogsTest, ModelessDialogIsInitialisedInsideCreation) {
  HWND d = CreateDialogParam(nullptr, MAKEINTRESOURCE(129), 0, DlgProc, 5);
  ASSERT_NE(d, 0u);
  ASSERT_FALSE(g_dlg.messages.empty());
  EXPECT_NE(std::find(g_dlg.messages.begin(), g_dlg.messages.end(), WM_INITDIALOG), g_dlg.messages.end());
  EXPECT_EQ(g_dlg.initParam, 5);
  EXPECT_TRUE(g_dlg.itemsAtInit) << "controls exist when WM_INITDIALOG runs";
  EXPECT_TRUE(g_dlg.fontBeforeInit) << "controls have the template font before WM_INITDIALOG";
  EXPECT_FALSE(g_dlg.visibleAtInit) << "shown only after initialisation";
  EXPECT_TRUE(IsWindowVisible(d));
  EXPECT_EQ(GetFocus(), GetDlgItem(d, 1001)) << "TRUE from WM_INITDIALOG focuses the first tab stop";
  RECT r;
  GetWindowRect(d, &r);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.bottom, 320);
  GetWindowRect(GetDlgItem(d, 1002), &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 66) << "items are placed in the dialog's client area";
  WCHAR cls[16];
  GetClassName(d, cls, 16);
  EXPECT_EQ(std::u16string(cls), u"#32770");
}

TEST_F(DialogsTest, MissingTemplateFails) {
  EXPECT_EQ(CreateDialogParam(nullptr, MAKEINTRESOURCE(4321), 0, DlgProc, 0), 0u);
  EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(4321), 0, DlgProc, 0), -1);
}

TEST_F(DialogsTest, KeysOfTheDialogManager) {
  struct Case {
    const char* name;
    std::vector<UINT> keys;
    std::vector<int> commands;
    int focusedId;
  };
  const Case cases[] = {
      {"Enter sends IDOK", {VK_RETURN}, {IDOK}, -1},
      {"Escape sends IDCANCEL", {VK_ESCAPE}, {IDCANCEL}, -1},
      {"Tab moves to the next tab stop", {VK_TAB}, {}, 1002},
      {"Tab skips disabled and non-tab-stop controls and wraps", {VK_TAB, VK_TAB}, {}, 1001},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_dlg = DlgState{};
    HWND d = CreateDialogParam(nullptr, MAKEINTRESOURCE(129), 0, DlgProc, 0);
    ASSERT_NE(d, 0u);
    for (UINT k : c.keys) {
      plat::win::InjectKey(k);
      PumpDialog(d);
    }
    EXPECT_EQ(g_dlg.commands, c.commands);
    if (c.focusedId > 0) {
      EXPECT_EQ(GetFocus(), GetDlgItem(d, c.focusedId));
    }
    if (!c.commands.empty()) {
      EXPECT_FALSE(IsWindowVisible(d)) << "EndDialog hides a modeless dialog";
    }
    DestroyWindow(d);
  }
}

TEST_F(DialogsTest, ModalDialogDisablesItsOwnerAndKeepsTheThreadRunning) {
  HWND owner = MakeTop();
  g_dlg.owner = owner;
  PostMessage(owner, WM_USER + 9, 0, 0);  // must still be handled while the dialog runs
  INT_PTR r = DialogBoxParam(nullptr, MAKEINTRESOURCE(129), owner, DlgProc, 77);
  EXPECT_EQ(r, 77);
  EXPECT_FALSE(g_dlg.ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  auto got = MessagesOf(owner);
  EXPECT_TRUE(std::any_of(got.begin(), got.end(), [](const Rec& x) { return x.msg == WM_USER + 9; }));
  for (auto& w : plat::win::EnumerateWindows()) EXPECT_NE(w.className, u"#32770") << "the dialog is destroyed";
}

// ---- Message boxes ----------------------------------------------------------------------------

class MessageBoxTest : public WindowTest {};

TEST_F(MessageBoxTest, UnattendedBoxTakesItsDefaultButton) {
  struct Case {
    UINT type;
    int result;
  };
  const Case cases[] = {{MB_OK, IDOK},
                        {MB_OKCANCEL | MB_ICONEXCLAMATION, IDOK},
                        {MB_YESNO | MB_ICONQUESTION, IDYES},
                        {MB_YESNO | MB_DEFBUTTON2, IDNO},
                        {MB_OKCANCEL | MB_DEFBUTTON3, IDCANCEL}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(MessageBox(0, u"text", u"caption", c.type), c.result);
  }
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
}

// A box answered while its loop is still running counts as ending until the loop returns: code
// that waits for the thread to settle must not take that moment for the end of the work.
TEST_F(MessageBoxTest, AnsweredBoxCountsAsEndingUntilItsLoopReturns) {
  plat::win::SetAutomationMode(true);
  HWND top = MakeTop();
  std::vector<bool> seen;  // before the answer, after it inside the loop, after the box returned
  Handlers()[WM_USER + 5] = [&seen](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
    plat::win::MessageBoxInfo b;
    EXPECT_TRUE(plat::win::PendingMessageBox(&b));
    seen.push_back(plat::win::ModalLoopEnding());
    EXPECT_TRUE(plat::win::AnswerMessageBox(IDOK, b.hwnd));
    seen.push_back(plat::win::ModalLoopEnding());
    return 0;
  };
  // Posted once the box shows, so that the box's own loop handles it.
  std::thread poster([top] {
    if (plat::win::WaitForMessageBox(nullptr, 10000)) PostMessage(top, WM_USER + 5, 0, 0);
  });
  EXPECT_EQ(MessageBox(top, u"t", u"c", MB_OK), IDOK);
  poster.join();
  seen.push_back(plat::win::ModalLoopEnding());
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

TEST_F(MessageBoxTest, AnsweredFromAnotherThreadWhileTheBoxShows) {
  plat::win::SetAutomationMode(true);
  HWND owner = MakeTop();
  static std::atomic<bool> handled;
  handled = false;
  Handlers()[WM_USER + 5] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
    handled = true;
    return 0;
  };
  PostMessage(owner, WM_USER + 5, 0, 0);
  plat::win::MessageBoxInfo seen;
  bool ownerDisabled = false, boxOnScreen = false, wrongRefused = false;
  std::thread answerer([&] {
    ASSERT_TRUE(plat::win::WaitForMessageBox(&seen, 5000));
    while (!handled) std::this_thread::yield();  // the box's loop handles the thread's messages
    ownerDisabled = !IsWindowEnabled(owner);
    // Drawn by the time it is pending: caption, text and buttons are on its surface.
    if (const plat::Surface* s = plat::win::WindowSurface(seen.hwnd)) {
      int found = 0;
      for (auto& t : s->texts) found += t.text == u"Halvenor" || t.text == u"Yes" || t.text == u"No";
      boxOnScreen = found == 3;
    }
    wrongRefused = !plat::win::AnswerMessageBox(IDOK);
    plat::win::AnswerMessageBox(IDNO);
  });
  int r = MessageBox(owner, u"Pelvato을 종료하시겠습니까?", u"Halvenor", MB_YESNO | MB_ICONQUESTION);
  answerer.join();
  EXPECT_EQ(r, IDNO);
  EXPECT_EQ(seen.caption, u"Halvenor");
  EXPECT_EQ(seen.text, u"Pelvato을 종료하시겠습니까?");
  EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_EQ(seen.type & MB_ICONMASK, static_cast<UINT>(MB_ICONQUESTION));
  EXPECT_EQ(seen.owner, owner);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(boxOnScreen);
  EXPECT_TRUE(wrongRefused) << "an answer that is not one of the box's buttons is refused";
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
  auto lines = EventLines(root_);
  bool shown = false, answered = false;
  for (auto& l : lines) {
    shown |= l.find("\tmsgbox\t") != std::string::npos && l.find("Halvenor") != std::string::npos;
    answered |= l.find("\tmsgbox-answer\t") != std::string::npos && l.substr(l.size() - 2) == "\t7";
  }
  EXPECT_TRUE(shown);
  EXPECT_TRUE(answered);
}

TEST_F(MessageBoxTest, TimersAndSendsKeepRunningWhileABoxWaits) {
  plat::win::SetAutomationMode(true);
  HWND owner = MakeTop();
  static std::atomic<int> ticks;
  ticks = 0;
  Handlers()[WM_TIMER] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
    ++ticks;
    return 0;
  };
  Handlers()[WM_USER + 6] = [](HWND, UINT, WPARAM wp, LPARAM, bool*) -> LRESULT {
    return static_cast<LRESULT>(wp) + 1;
  };
  SetTimer(owner, 1000, 100, nullptr);
  LRESULT sent = 0;
  std::thread helper([&] {
    ASSERT_TRUE(plat::win::WaitForMessageBox(nullptr, 5000));
    sent = SendMessage(owner, WM_USER + 6, 41, 0);  // a send from another thread, like the receive thread's
    plat::clock::Advance(100);
    while (ticks == 0) std::this_thread::yield();
    plat::win::AnswerMessageBox(IDOK);
  });
  EXPECT_EQ(MessageBox(owner, u"재연결 시도중입니다.", u"오류 메시지", MB_OK | MB_ICONINFORMATION), IDOK);
  helper.join();
  EXPECT_EQ(sent, 42);
  EXPECT_GE(ticks.load(), 1);
}

TEST_F(MessageBoxTest, TapOnAButtonAndBoxesFromAWorkerThread) {
  plat::win::SetAutomationMode(true);
  HWND stale = MakeTop();
  DestroyWindow(stale);
  // A worker thread (like the receive thread) shows a box owned by a window that is gone; the
  // test thread taps its Cancel button.
  std::atomic<int> result{0};
  std::thread worker([&] { result = MessageBox(stale, u"연결할 수가 없습니다.", u"오류 메시지", MB_OKCANCEL); });
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(plat::win::WaitForMessageBox(&box, 5000));
  EXPECT_EQ(box.owner, 0u);
  EXPECT_NE(box.threadId, GetCurrentThreadId());
  RECT r;
  ASSERT_TRUE(GetWindowRect(box.hwnd, &r));
  // Buttons: 56 x 22, 8 apart, centred, 8 above the bottom edge.
  int width = r.right - r.left;
  int cancelLeft = r.left + (width - (2 * 56 + 8)) / 2 + 64;
  plat::win::InjectStylus(plat::win::Stylus::Tap, cancelLeft + 10, r.bottom - 8 - 11);
  worker.join();
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MessageBoxTest, EnterTakesTheDefaultButton) {
  plat::win::SetAutomationMode(true);
  std::atomic<int> result{0};
  std::thread worker([&] { result = MessageBox(0, u"t", u"c", MB_YESNO | MB_DEFBUTTON2); });
  ASSERT_TRUE(plat::win::WaitForMessageBox(nullptr, 5000));
  // The box takes the focus when it shows: wait until its thread has got there.
  auto focused = [] {
    auto all = plat::win::EnumerateWindows();
    return std::any_of(all.begin(), all.end(), [](const plat::win::WindowInfo& w) { return w.focused; });
  };
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       !focused() && std::chrono::steady_clock::now() < end;)
    std::this_thread::yield();
  EXPECT_TRUE(focused());
  plat::win::InjectKey(VK_RETURN);
  worker.join();
  EXPECT_EQ(result, IDNO);
}

// ---- Pop-up menus -----------------------------------------------------------------------------

class MenuTest : public WindowTest {
 protected:
  HMENU Build() {
    HMENU m = CreatePopupMenu();
    AppendMenu(m, MF_STRING, 101, u"현재가");
    AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    AppendMenu(m, MF_STRING | MF_GRAYED, 102, u"호가");
    AppendMenu(m, MF_STRING, 103, u"체결");
    return m;
  }
};

TEST_F(MenuTest, ChosenItemArrivesAsCommandAfterTheLoop) {
  plat::win::SetAutomationMode(true);
  HWND owner = MakeTop();
  HMENU m = Build();
  plat::win::MenuInfo seen;
  bool grayedRefused = false;
  std::thread chooser([&] {
    ASSERT_TRUE(plat::win::WaitForMenu(&seen, 5000));
    grayedRefused = !plat::win::ChooseMenuItem(102) && !plat::win::ChooseMenuItem(999);
    plat::win::ChooseMenuItem(103);
  });
  Log().clear();
  BOOL r = TrackPopupMenu(m, TPM_LEFTALIGN | TPM_TOPALIGN, 20, 60, 0, owner, nullptr);
  chooser.join();
  EXPECT_TRUE(r);
  EXPECT_TRUE(grayedRefused);
  ASSERT_EQ(seen.items.size(), 4u);
  EXPECT_EQ(seen.items[0].text, u"현재가");
  EXPECT_TRUE(seen.items[1].flags & MF_SEPARATOR);
  EXPECT_TRUE(seen.items[2].flags & MF_GRAYED);
  EXPECT_EQ(seen.x, 20);
  EXPECT_EQ(seen.y, 60);
  auto before = MessagesOf(owner);
  EXPECT_TRUE(std::none_of(before.begin(), before.end(), [](const Rec& x) { return x.msg == WM_COMMAND; }));
  EXPECT_TRUE(std::any_of(before.begin(), before.end(), [](const Rec& x) { return x.msg == WM_INITMENUPOPUP; }));
  plat::win::PumpMessages();
  auto after = MessagesOf(owner);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back().msg, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(LOWORD(after.back().wp), 103);
  EXPECT_TRUE(after.back().posted);
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(DestroyMenu(m)) << "a menu is destroyed once";
}

// A menu is as wide as its widest item in the font it draws with: no item is cut.
TEST_F(MenuTest, MenuIsAsWideAsItsWidestItem) {
  plat::win::SetAutomationMode(true);
  HWND owner = MakeTop();
  HMENU m = CreatePopupMenu();
  const WCHAR* items[] = {u"주문체결조회", u"주문가능잔고", u"거래원/종목정보", u"X"};
  for (UINT i = 0; i < 4; ++i) AppendMenu(m, MF_STRING, 200 + i, items[i]);
  HDC dc = CreateCompatibleDC(nullptr);
  int widest = 0;
  for (const WCHAR* t : items) {
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32(dc, t, static_cast<int>(std::char_traits<char16_t>::length(t)), &size));
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  DeleteDC(dc);
  RECT shown{};
  std::thread chooser([&] {
    plat::win::MenuInfo seen;
    ASSERT_TRUE(plat::win::WaitForMenu(&seen, 5000));
    GetWindowRect(seen.hwnd, &shown);
    plat::win::ChooseMenuItem(0);
  });
  TrackPopupMenu(m, TPM_RETURNCMD, 20, 60, 0, owner, nullptr);
  chooser.join();
  // The text starts 8 pixels in and keeps 4 pixels from the right edge.
  EXPECT_GE(shown.right - shown.left, widest + 12);
  EXPECT_LE(shown.right - shown.left, widest + 40);
  DestroyMenu(m);
}

TEST_F(MenuTest, TapsChooseOrDismiss) {
  plat::win::SetAutomationMode(true);
  HWND owner = MakeTop();
  HMENU m = Build();
  struct Case {
    const char* name;
    int x, y;  // tap in screen coordinates
    UINT result;
  };
  // The menu opens at (20, 60): a one-pixel frame, then 20-pixel items and a 7-pixel separator.
  const Case cases[] = {
      {"first item", 40, 60 + 1 + 10, 101},
      {"item after the separator", 40, 60 + 1 + 20 + 7 + 20 + 10, 103},
      {"outside the menu", 230, 310, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::thread tapper([&] {
      ASSERT_TRUE(plat::win::WaitForMenu(nullptr, 5000));
      plat::win::InjectStylus(plat::win::Stylus::Tap, c.x, c.y);
    });
    UINT r = static_cast<UINT>(TrackPopupMenu(m, TPM_RETURNCMD, 20, 60, 0, owner, nullptr));
    tapper.join();
    EXPECT_EQ(r, c.result);
    plat::win::PumpMessages();
    auto got = MessagesOf(owner);
    EXPECT_TRUE(std::none_of(got.begin(), got.end(), [](const Rec& x) { return x.msg == WM_COMMAND; }))
        << "TPM_RETURNCMD sends nothing";
  }
  DestroyMenu(m);
}

TEST_F(MenuTest, UnattendedMenuIsDismissed) {
  HWND owner = MakeTop();
  HMENU m = Build();
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
  EXPECT_FALSE(TrackPopupMenu(nullptr, 0, 0, 0, 0, owner, nullptr));
  DestroyMenu(m);
}

// ---- A window's own code on the stack, and its loops ended from outside ------------------------

class ModalEndTest : public WindowTest {};

// The "screen" runs a loop inside its handler of WM_USER + 20 (wParam: 1 box with OK, 2 yes/no box
// whose default is yes, 3 pop-up menu, 4 modal dialog, 5 a box inside a modal dialog); a timer of
// another window (the "host") finds the screen's code running and ends its loops, as the main
// program does before it ends a screen.
struct ModalRun {
  int kind = 0;
  int answer = -99;
  bool runningInTimer = false;
  int ended = 0;
  bool runningAfter = true;
};
ModalRun g_run;

BOOL FinderProc(HWND, UINT m, WPARAM, LPARAM) { return m == WM_INITDIALOG; }

BOOL NestedBoxProc(HWND h, UINT m, WPARAM, LPARAM) {
  if (m == WM_INITDIALOG) PostMessage(h, WM_USER + 21, 0, 0);
  if (m == WM_USER + 21) g_run.answer = MessageBox(h, u"주문하시겠습니까?", u"확인", MB_YESNO);
  return m == WM_INITDIALOG;
}

TEST_F(ModalEndTest, LoopsOfAWindowEndWithTheirCancellingAnswerAndNeverYes) {
  plat::win::SetAutomationMode(true);
  const plat::DialogTemplate finder = {
      WS_POPUP | WS_VISIBLE, 0, 0, 26, 240, 294, u"Finder", nullptr, nullptr, 0, nullptr, 0};
  struct Case {
    int kind;
    int answer;
    int loops;  // loops ended
  };
  const Case cases[] = {{1, IDOK, 1}, {2, IDNO, 1}, {3, 0, 1}, {4, IDCANCEL, 1}, {5, IDNO, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    g_run = ModalRun{};
    HWND screen = MakeTop();
    HWND host = MakeTop(0, 0, 10, 10, WS_POPUP);
    HWND stranger = MakeTop(0, 0, 10, 10, WS_POPUP);
    static const plat::DialogTemplate* s_finder;
    s_finder = &finder;
    Handlers()[WM_USER + 20] = [](HWND h, UINT, WPARAM kind, LPARAM, bool*) -> LRESULT {
      HMENU menu = CreatePopupMenu();
      AppendMenu(menu, MF_STRING, 9001, u"주문");
      int r = -1;
      switch (kind) {
        case 1: r = MessageBox(h, u"종목코드를 확인하세요.", u"알림", MB_OK); break;
        case 2: r = MessageBox(h, u"주문하시겠습니까?", u"확인", MB_YESNO); break;
        case 3: r = TrackPopupMenu(menu, TPM_RETURNCMD, 10, 40, 0, h, nullptr); break;
        case 4: r = static_cast<int>(DialogBoxIndirectParam(nullptr, s_finder, h, FinderProc, 0)); break;
        case 5:
          DialogBoxIndirectParam(nullptr, s_finder, h, NestedBoxProc, 0);
          r = g_run.answer;
          break;
      }
      DestroyMenu(menu);
      g_run.answer = r;
      return 0;
    };
    Handlers()[WM_TIMER] = [](HWND h, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
      KillTimer(h, 7);
      HWND screen = static_cast<HWND>(GetWindowLong(h, GWL_USERDATA));
      HWND stranger = static_cast<HWND>(GetWindowLong(h, GWL_ID));
      g_run.runningInTimer = plat::win::WindowCodeRunning(screen) && !plat::win::WindowCodeRunning(stranger);
      EXPECT_EQ(plat::win::EndModalLoops(stranger), 0) << "a window with no loop of its own";
      g_run.ended = plat::win::EndModalLoops(screen);
      return 0;
    };
    SetWindowLong(host, GWL_USERDATA, static_cast<LONG_PTR>(screen));
    SetWindowLong(host, GWL_ID, static_cast<LONG_PTR>(stranger));
    SetTimer(host, 7, 100, nullptr);
    EXPECT_FALSE(plat::win::WindowCodeRunning(screen));
    std::thread clock([&] {
      // Once the innermost loop is up, the host's timer becomes due.
      if (c.kind == 3) {
        ASSERT_TRUE(plat::win::WaitForMenu(nullptr, 5000));
      } else if (c.kind != 4) {
        ASSERT_TRUE(plat::win::WaitForMessageBox(nullptr, 5000));
      }
      plat::clock::Advance(100);
      PostMessage(host, WM_NULL, 0, 0);
    });
    if (c.kind == 4) plat::clock::Advance(100);  // the dialog is up before the timer is fetched
    SendMessage(screen, WM_USER + 20, static_cast<WPARAM>(c.kind), 0);
    clock.join();
    EXPECT_TRUE(g_run.runningInTimer);
    EXPECT_EQ(g_run.ended, c.loops);
    EXPECT_EQ(g_run.answer, c.answer);
    EXPECT_FALSE(plat::win::WindowCodeRunning(screen));
    EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
    Handlers().clear();
    DestroyWindow(screen);
    DestroyWindow(host);
    DestroyWindow(stranger);
  }
}

TEST_F(ModalEndTest, ABoxWhoseOwnerIsDestroyedAnswersNoRatherThanItsDefaultYes) {
  plat::win::SetAutomationMode(true);
  HWND owner = MakeTop();
  std::thread closer([&] {
    ASSERT_TRUE(plat::win::WaitForMessageBox(nullptr, 5000));
    PostMessage(owner, WM_USER + 22, 0, 0);
  });
  Handlers()[WM_USER + 22] = [](HWND h, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
    DestroyWindow(h);
    return 0;
  };
  EXPECT_EQ(MessageBox(owner, u"주문하시겠습니까?", u"확인", MB_YESNO | MB_DEFBUTTON1), IDNO);
  closer.join();
  EXPECT_FALSE(IsWindow(owner));
}

}  // namespace
