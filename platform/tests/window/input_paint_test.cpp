// Stylus and keys, scroll bars, painting and the composed screen, shell state and inspection.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "plat/gdi.h"
#include "window_test_util.h"

using namespace wtest;
using plat::win::Stylus;

namespace {

class InputTest : public WindowTest {
 protected:
  std::vector<UINT> StylusMessages(HWND h) {
    std::vector<UINT> out;
    for (auto& r : MessagesOf(h))
      if (r.msg >= WM_MOUSEFIRST && r.msg <= WM_MOUSELAST) out.push_back(r.msg);
    return out;
  }
};

TEST_F(InputTest, DoubleTapsFollowTheClassAndTheClock) {
  struct Case {
    const char* name;
    const char16_t* cls;
    uint32_t gapMs;
    int taps;
    std::vector<UINT> expected;
  };
  const Case cases[] = {
      {"double-click class", kRecClass, 100, 2, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
      {"a third tap starts over",
       kRecClass,
       100,
       3,
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"too slow for a double tap", kRecClass, 600, 2, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"class without double clicks",
       kPlainClass,
       100,
       2,
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND top = MakeTop();
    HWND grid = MakeChild(top, 1, 20, 20, 100, 100, WS_CHILD | WS_VISIBLE, c.cls);
    plat::win::PumpMessages();
    Log().clear();
    for (int i = 0; i < c.taps; ++i) {
      plat::win::InjectStylus(Stylus::Tap, 50, 50);
      plat::clock::Advance(c.gapMs);
    }
    plat::win::PumpMessages();
    EXPECT_EQ(StylusMessages(grid), c.expected);
    auto msgs = MessagesOf(grid);
    ASSERT_FALSE(msgs.empty());
    EXPECT_EQ(msgs.front().lp, MAKELPARAM(30, 30)) << "client coordinates";
    EXPECT_TRUE(msgs.front().posted);
    DestroyWindow(top);
  }
}

TEST_F(InputTest, CaptureKeepsTheStylusOnOneWindow) {
  HWND top = MakeTop();
  HWND a = MakeChild(top, 1, 0, 0, 50, 50);
  HWND b = MakeChild(top, 2, 100, 100, 50, 50);
  Handlers()[WM_LBUTTONDOWN] = [](HWND h, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
    SetCapture(h);
    return 0;
  };
  Handlers()[WM_LBUTTONUP] = [](HWND, UINT, WPARAM, LPARAM, bool*) -> LRESULT {
    ReleaseCapture();
    return 0;
  };
  plat::win::PumpMessages();
  Log().clear();
  plat::win::InjectStylus(Stylus::Down, 10, 10);
  plat::win::PumpMessages();
  EXPECT_EQ(GetCapture(), a);
  plat::win::InjectStylus(Stylus::Move, 120, 120);  // over b
  plat::win::InjectStylus(Stylus::Up, 120, 120);
  plat::win::PumpMessages();
  EXPECT_EQ(StylusMessages(a), (std::vector<UINT>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
  EXPECT_TRUE(StylusMessages(b).empty());
  EXPECT_EQ(MessagesOf(a).back().lp, MAKELPARAM(120, 120)) << "coordinates relative to the capturing window";
  EXPECT_EQ(GetCapture(), 0u);
  auto all = MessagesOf(a, true);
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const Rec& r) { return r.msg == WM_CAPTURECHANGED; }));
}

TEST_F(InputTest, HitTestingSkipsDisabledHiddenAndTransparentWindows) {
  HWND top = MakeTop();
  HWND under = MakeChild(top, 1, 0, 0, 100, 100);
  // A group-box-like window over it that lets taps through, created first (on top).
  HWND dis = MakeChild(top, 2, 150, 0, 50, 50, WS_CHILD | WS_VISIBLE | WS_DISABLED);
  HWND hidden = MakeChild(top, 3, 150, 100, 50, 50, WS_CHILD);
  SetWindowPos(under, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  HWND glass = MakeChild(top, 4, 0, 0, 100, 100);
  SetWindowPos(glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Handlers()[WM_NCHITTEST] = [glass](HWND h, UINT, WPARAM, LPARAM, bool* handled) -> LRESULT {
    if (h == glass) return HTTRANSPARENT;
    *handled = false;
    return 0;
  };
  plat::win::PumpMessages();
  Log().clear();
  plat::win::InjectStylus(Stylus::Tap, 10, 10);
  plat::win::InjectStylus(Stylus::Tap, 160, 10);   // the disabled child: its parent gets it
  plat::win::InjectStylus(Stylus::Tap, 160, 110);  // the hidden child: its parent gets it
  plat::win::PumpMessages();
  EXPECT_EQ(StylusMessages(under).size(), 2u);
  EXPECT_TRUE(StylusMessages(glass).empty());
  EXPECT_TRUE(StylusMessages(dis).empty());
  EXPECT_TRUE(StylusMessages(hidden).empty());
  EXPECT_EQ(StylusMessages(top).size(), 4u);
  EXPECT_EQ(WindowFromPoint(POINT{10, 10}), glass) << "WindowFromPoint itself does not ask";
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{160, 110}), hidden) << "ChildWindowFromPoint includes hidden children";
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{300, 10}), 0u);
  // A disabled top-level window takes no input at all.
  EnableWindow(top, FALSE);
  Log().clear();
  plat::win::InjectStylus(Stylus::Tap, 10, 10);
  plat::win::InjectKey('1');
  plat::win::PumpMessages();
  EXPECT_TRUE(MessagesOf().empty()) << Describe(MessagesOf());
}

TEST_F(InputTest, ATapActivatesAnInactiveWindow) {
  HWND back = MakeTop(0, 0, 240, 320);
  HWND backEdit = MakeChild(back, 1, 0, 0, 50, 20);
  HWND front = MakeTop(0, 200, 240, 120);
  plat::win::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), front);
  plat::win::InjectStylus(Stylus::Tap, 10, 100);  // on the window behind, outside the front one
  plat::win::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), back);
  EXPECT_EQ(GetFocus(), back);
  EXPECT_EQ(GetForegroundWindow(), back);
  SetFocus(backEdit);
  Log().clear();
  plat::win::InjectKey('5');
  plat::win::PumpMessages();
  ASSERT_FALSE(MessagesOf(backEdit).empty());
  EXPECT_EQ(MessagesOf(backEdit).front().msg, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_TRUE(MessagesOf(front).empty());
}

TEST_F(InputTest, KeysGoToTheFocusWindow) {
  HWND top = MakeTop();
  HWND edit = MakeChild(top, 1, 0, 0, 50, 20);
  SetFocus(edit);
  plat::win::PumpMessages();
  Log().clear();
  plat::win::InjectKey('7');
  plat::win::InjectChar(u'한');
  plat::win::PumpMessages();
  std::vector<std::pair<UINT, WPARAM>> got;
  for (auto& r : MessagesOf(edit)) got.emplace_back(r.msg, r.wp);
  EXPECT_EQ(got, (std::vector<std::pair<UINT, WPARAM>>{
                     {WM_KEYDOWN, '7'}, {WM_CHAR, u'7'}, {WM_KEYUP, '7'}, {WM_CHAR, u'한'}}));
  EXPECT_TRUE(MessagesOf(top).empty());
}

// ---- Scroll bars ------------------------------------------------------------------------------

class ScrollTest : public WindowTest {};

TEST_F(ScrollTest, PositionStaysWithinTheRange) {
  HWND top = MakeTop();
  HWND w = MakeChild(top, 1, 0, 0, 100, 100);
  struct Case {
    int min, max;
    UINT page;
    int pos, expected;
  };
  const Case cases[] = {
      {0, 10, 0, -5, 0},     {0, 10, 0, 5, 5},
      {0, 10, 0, 15, 10},    {0, 10, 4, 9, 9},  // the position may reach max even with a page (deliberate)
      {-20, -10, 0, 0, -10}, {5, 5, 0, 9, 5},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " pos " << c.pos);
    SCROLLINFO si{sizeof si, SIF_ALL, c.min, c.max, c.page, c.pos, 0};
    EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), c.expected);
    EXPECT_EQ(GetScrollPos(w, SB_VERT), c.expected);
    SetScrollPos(w, SB_HORZ, c.pos, TRUE);
  }
  SetScrollRange(w, SB_VERT, 0, 100, TRUE);
  SetScrollPos(w, SB_VERT, 80, TRUE);
  SetScrollRange(w, SB_VERT, 0, 50, TRUE);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 50) << "a smaller range pulls the position in";
}

TEST_F(ScrollTest, ABarTakesRoomFromTheClientAreaAndSaysSo) {
  HWND top = MakeTop();
  HWND w = MakeChild(top, 1, 0, 0, 100, 80, WS_CHILD | WS_VISIBLE | WS_BORDER);
  RECT r;
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, 98) << "one-pixel frame";
  Log().clear();
  SetScrollRange(w, SB_VERT, 0, 10, TRUE);
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, 98 - PLAT_SCROLLBAR_SIZE);
  auto got = MessagesOf(w, true);
  auto size = std::find_if(got.begin(), got.end(), [](const Rec& x) { return x.msg == WM_SIZE; });
  ASSERT_NE(size, got.end());
  EXPECT_EQ(size->lp, MAKELPARAM(98 - PLAT_SCROLLBAR_SIZE, 78));
  SetScrollRange(w, SB_VERT, 0, 0, TRUE);
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, 98) << "an empty range hides the bar";
  ShowScrollBar(w, SB_HORZ, TRUE);
  GetClientRect(w, &r);
  EXPECT_EQ(r.bottom, 78 - PLAT_SCROLLBAR_SIZE);
}

TEST_F(ScrollTest, TapsOnTheBarSendScrollCodes) {
  HWND top = MakeTop();
  // Vertical bar: x 87..100, y 0..200; arrows 13 pixels; track 174 pixels.
  HWND w = MakeChild(top, 1, 0, 0, 100, 200);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 100, 10, 50, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  plat::win::PumpMessages();
  struct Case {
    const char* name;
    int y;
    int code;
  };
  const Case cases[] = {{"up arrow", 5, SB_LINEUP},
                        {"down arrow", 195, SB_LINEDOWN},
                        {"track above the thumb", 20, SB_PAGEUP},
                        {"track below the thumb", 180, SB_PAGEDOWN}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    Log().clear();
    plat::win::InjectStylus(Stylus::Tap, 93, c.y);
    plat::win::PumpMessages();
    std::vector<int> codes;
    for (auto& r : MessagesOf(w))
      if (r.msg == WM_VSCROLL) codes.push_back(LOWORD(r.wp));
    EXPECT_EQ(codes, (std::vector<int>{c.code, SB_ENDSCROLL}));
  }
  // Dragging the thumb: track positions while moving, then the final position and the end.
  Log().clear();
  int thumbY = 13 + (174 - 17) * 50 / 91 + 5;  // inside the thumb (17 pixels for a page of 10 in 101)
  plat::win::InjectStylus(Stylus::Down, 93, thumbY);
  plat::win::InjectStylus(Stylus::Move, 93, thumbY + 40);
  plat::win::InjectStylus(Stylus::Up, 93, thumbY + 40);
  plat::win::PumpMessages();
  std::vector<int> codes;
  int track = -1, final = -1;
  for (auto& r : MessagesOf(w)) {
    if (r.msg != WM_VSCROLL) continue;
    codes.push_back(LOWORD(r.wp));
    if (LOWORD(r.wp) == SB_THUMBTRACK) track = HIWORD(r.wp);
    if (LOWORD(r.wp) == SB_THUMBPOSITION) final = HIWORD(r.wp);
  }
  EXPECT_EQ(codes, (std::vector<int>{SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_GT(track, 50);
  EXPECT_LE(track, 91);
  EXPECT_EQ(final, track);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 50) << "the program moves the bar, not the platform";
}

// ---- Painting and the screen -------------------------------------------------------------------

LRESULT FillWithUserData(HWND h, UINT, WPARAM, LPARAM, bool* handled) {
  COLORREF c = static_cast<COLORREF>(GetWindowLong(h, GWL_USERDATA));
  if (!c) {
    *handled = false;
    return 0;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  r.right += 100;  // drawing past the window is clipped away
  r.bottom += 100;
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
  EndPaint(h, &ps);
  return 0;
}

class PaintTest : public WindowTest {
 protected:
  COLORREF At(const plat::Surface& s, int x, int y) { return s.Row(y)[x]; }
};

TEST_F(PaintTest, ScreenComposesWindowsInOrderWithChildrenClipped) {
  Handlers()[WM_PAINT] = FillWithUserData;
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 255, 0), gray = RGB(90, 90, 90);
  HWND back = MakeTop(0, 26, 240, 294);
  SetWindowLong(back, GWL_USERDATA, static_cast<LONG_PTR>(red));
  HWND child = MakeChild(back, 1, 10, 10, 50, 20);
  SetWindowLong(child, GWL_USERDATA, static_cast<LONG_PTR>(blue));
  HWND grand = MakeChild(child, 2, 40, 0, 30, 10);  // reaches 20 pixels past its parent
  SetWindowLong(grand, GWL_USERDATA, static_cast<LONG_PTR>(green));
  HWND front = MakeTop(100, 200, 100, 50);
  SetWindowLong(front, GWL_USERDATA, static_cast<LONG_PTR>(gray));
  HWND hidden = MakeTop(0, 300, 240, 20, WS_POPUP);
  SetWindowLong(hidden, GWL_USERDATA, static_cast<LONG_PTR>(green));
  plat::Surface s;
  plat::win::ComposeScreen(s);
  ASSERT_EQ(s.width, 240);
  ASSERT_EQ(s.height, 320);
  EXPECT_EQ(At(s, 5, 30), red);
  EXPECT_EQ(At(s, 15, 40), blue);
  EXPECT_EQ(At(s, 55, 40), green);
  EXPECT_EQ(At(s, 65, 40), red) << "a child never paints outside its parent";
  EXPECT_EQ(At(s, 65, 60), red) << "nor its own drawing outside itself";
  EXPECT_EQ(At(s, 150, 220), gray) << "the later window is on top";
  EXPECT_EQ(At(s, 10, 310), red) << "hidden windows are not shown";
  EXPECT_EQ(At(s, 10, 10), RGB(0, 0, 128)) << "the task bar";
  BringWindowToTop(back);
  plat::win::ComposeScreen(s);
  EXPECT_EQ(At(s, 150, 220), red);
  // Screenshots are PNG files of the same pixels.
  std::string path = root_ + "/shot.png";
  ASSERT_TRUE(plat::win::SaveScreenshot(path));
  plat::Surface back_in;
  ASSERT_TRUE(plat::gdi::ReadPng(path, back_in));
  EXPECT_EQ(At(back_in, 15, 40), blue);
  ASSERT_TRUE(plat::win::SaveWindowShot(child, root_ + "/child.png"));
  ASSERT_TRUE(plat::gdi::ReadPng(root_ + "/child.png", back_in));
  EXPECT_EQ(back_in.width, 50);
  EXPECT_EQ(back_in.height, 20);
}

// A box stays in front of the dialog it belongs to, however the dialog comes to the front again.
TEST_F(PaintTest, OwnedWindowsStayInFrontOfTheirOwner) {
  Handlers()[WM_PAINT] = FillWithUserData;
  const COLORREF red = RGB(255, 0, 0), gray = RGB(90, 90, 90), blue = RGB(0, 0, 255);
  HWND dialog = MakeTop(0, 26, 240, 294);
  SetWindowLong(dialog, GWL_USERDATA, static_cast<LONG_PTR>(red));
  HWND box = CreateWindowEx(0, kRecClass, u"box", WS_POPUP | WS_VISIBLE, 40, 100, 160, 80, dialog, 0, nullptr, nullptr);
  ASSERT_NE(box, 0u);
  SetWindowLong(box, GWL_USERDATA, static_cast<LONG_PTR>(gray));
  HWND boxMenu =
      CreateWindowEx(0, kRecClass, u"menu", WS_POPUP | WS_VISIBLE, 60, 120, 20, 20, box, 0, nullptr, nullptr);
  ASSERT_NE(boxMenu, 0u);
  SetWindowLong(boxMenu, GWL_USERDATA, static_cast<LONG_PTR>(blue));
  plat::Surface s;
  for (auto bringUp : {+[](HWND h) { SetActiveWindow(h); }, +[](HWND h) { BringWindowToTop(h); },
                       +[](HWND h) { SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }}) {
    bringUp(dialog);
    plat::win::ComposeScreen(s);
    EXPECT_EQ(At(s, 45, 105), gray) << "the box stays over its dialog";
    EXPECT_EQ(At(s, 65, 125), blue) << "and what the box owns over the box";
    EXPECT_EQ(At(s, 5, 30), red);
  }
}

TEST_F(PaintTest, BackgroundComesFromTheClassBrush) {
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 191));
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.hbrBackground = yellow;
  wc.lpszClassName = u"Yellow";
  ASSERT_NE(RegisterClass(&wc), 0u);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOWTEXT + 1));
  wc.lpszClassName = u"SysColour";
  ASSERT_NE(RegisterClass(&wc), 0u);
  HWND top = CreateWindowEx(0, u"Yellow", u"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 294, 0, nullptr, nullptr, nullptr);
  HWND child = CreateWindowEx(0, u"syscolour", u"", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, top, PLAT_ID_AS_MENU(1),
                              nullptr, nullptr);
  ASSERT_NE(child, 0u) << "class names match regardless of case";
  plat::Surface s;
  plat::win::ComposeScreen(s);
  EXPECT_EQ(At(s, 100, 100), RGB(255, 255, 191));
  EXPECT_EQ(At(s, 15, 41), GetSysColor(COLOR_WINDOWTEXT));
  DestroyWindow(top);
  UnregisterClass(u"Yellow", nullptr);
  DeleteObject(yellow);
}

TEST_F(PaintTest, GetDcDrawsAtOnceInsideTheWindowOnly) {
  HWND top = MakeTop(0, 26, 240, 294);
  HWND child = MakeChild(top, 1, 20, 20, 40, 30, WS_CHILD | WS_VISIBLE | WS_BORDER);
  plat::Surface s;
  plat::win::ComposeScreen(s);
  HDC dc = GetDC(child);
  ASSERT_NE(dc, nullptr);
  RECT big{-50, -50, 500, 500};
  HBRUSH b = CreateSolidBrush(RGB(0, 128, 0));
  FillRect(dc, &big, b);
  DeleteObject(b);
  ReleaseDC(child, dc);
  const plat::Surface* surface = plat::win::WindowSurface(child);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->Row(30)[30], RGB(0, 128, 0));
  EXPECT_EQ(surface->Row(20)[20], RGB(0, 0, 0)) << "the frame belongs to the window manager";
  EXPECT_EQ(surface->Row(10)[10], RGB(255, 255, 255)) << "nothing outside the child";
  EXPECT_EQ(surface->Row(60)[30], RGB(255, 255, 255));
}

TEST_F(PaintTest, HugeOrNegativeSizesStayHarmless) {
  Handlers()[WM_PAINT] = FillWithUserData;
  HWND top = MakeTop(-100, -100, 100, 100);
  SetWindowLong(top, GWL_USERDATA, static_cast<LONG_PTR>(RGB(1, 2, 3)));
  struct Case {
    int x, y, w, h;
    COLORREF at0;
  };
  const Case cases[] = {{-100, -100, 1000000, 1000000, RGB(1, 2, 3)},
                        {-50, -50, -20, -20, RGB(255, 255, 255)},
                        {200, 300, 100, 100, RGB(255, 255, 255)}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.w);
    MoveWindow(top, c.x, c.y, c.w, c.h, TRUE);
    plat::Surface s;
    plat::win::ComposeScreen(s);
    EXPECT_EQ(At(s, 100, 100), c.at0);
    const plat::Surface* own = plat::win::WindowSurface(top);
    ASSERT_NE(own, nullptr);
    EXPECT_LE(own->width, 2048);
    EXPECT_LE(own->height, 2048);
  }
}

TEST_F(PaintTest, InvalidationReachesOnlyWhatChanged) {
  HWND top = MakeTop();
  HWND a = MakeChild(top, 1, 0, 0, 50, 50);
  HWND b = MakeChild(top, 2, 100, 0, 50, 50);
  plat::win::PumpMessages();
  Log().clear();
  RECT part{5, 5, 10, 10};
  InvalidateRect(a, &part, FALSE);
  RECT upd;
  ASSERT_TRUE(GetUpdateRect(a, &upd, FALSE));
  EXPECT_EQ(upd.left, 5);
  EXPECT_EQ(upd.right, 10);
  plat::win::PumpMessages();
  std::vector<HWND> painted;
  for (auto& r : MessagesOf(0, true))
    if (r.msg == WM_PAINT) painted.push_back(r.hwnd);
  EXPECT_EQ(painted, std::vector<HWND>{a});
  Log().clear();
  ShowWindow(a, SW_HIDE);  // what a covered shows again
  plat::win::PumpMessages();
  painted.clear();
  for (auto& r : MessagesOf(0, true))
    if (r.msg == WM_PAINT) painted.push_back(r.hwnd);
  EXPECT_EQ(painted, std::vector<HWND>{top});
  (void)b;
}

namespace paintwake {
std::atomic<int> g_paints{0};
LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER + 1) {  // a push: the handler repaints a part of its own window
    RECT cell{0, 0, 20, 10};
    InvalidateRect(h, &cell, FALSE);
    return 0;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    EndPaint(h, &ps);
    g_paints.fetch_add(1);
    return 0;
  }
  return DefWindowProc(h, msg, wp, lp);
}
// Whether the thread sleeps (blocked in its wait for input).
bool Sleeping(pid_t tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S';
}
}  // namespace paintwake

TEST_F(PaintTest, AnInvalidationIsPaintedByTheWindowsThreadWhetherItWaitsOrRuns) {
  using namespace paintwake;
  WNDCLASS wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"PaintWake";
  ASSERT_TRUE(RegisterClass(&wc));
  // Each case: the window's thread waits in GetMessage until its window has been painted once
  // more; the invalidation comes from another thread while it sleeps, or from its own handler.
  for (bool ownThread : {false, true}) {
    SCOPED_TRACE(ownThread ? "from the window's own handler" : "from another thread while it waits");
    std::atomic<HWND> window{0};
    std::atomic<pid_t> tid{0};
    std::atomic<bool> painted{false};
    g_paints = 0;
    std::thread owner([&] {
      HWND h = CreateWindowEx(0, u"PaintWake", u"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, 0, 0, nullptr, nullptr);
      plat::win::PumpMessages();  // the first paint
      const int before = g_paints.load();
      tid = static_cast<pid_t>(syscall(SYS_gettid));
      window = h;
      MSG m;
      while (g_paints.load() == before && GetMessage(&m, 0, 0, 0)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      painted = g_paints.load() > before;
      DestroyWindow(h);
      plat::win::ThreadCleanup();
    });
    while (!window.load()) std::this_thread::yield();
    if (ownThread) {
      ASSERT_TRUE(PostMessage(window.load(), WM_USER + 1, 0, 0));
    } else {
      while (!Sleeping(tid.load())) std::this_thread::yield();
      RECT cell{0, 0, 20, 10};
      ASSERT_TRUE(InvalidateRect(window.load(), &cell, FALSE));
    }
    owner.join();
    EXPECT_TRUE(painted.load());
  }
}

// ---- Shell, cursor and inspection ------------------------------------------------------------

class ShellTest : public WindowTest {};

TEST_F(ShellTest, FullScreenDialogSetUpAsTheBaseDialogDoesIt) {
  HWND d = MakeTop(0, 26, 240, 200);
  SHINITDLGINFO info{SHIDIM_FLAGS, d, SHIDIF_FULLSCREENNOMENUBAR};
  ASSERT_TRUE(SHInitDialog(&info));
  RECT r;
  GetWindowRect(d, &r);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.bottom, 320);
  ASSERT_TRUE(SHFullScreen(d, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON));
  auto s = plat::win::ShellState();
  EXPECT_FALSE(s.taskBarVisible);
  EXPECT_FALSE(s.sipButtonVisible);
  EXPECT_FALSE(s.startIconVisible);
  EXPECT_EQ(s.workArea.top, 0);
  MoveWindow(d, r.left, r.top - 26, r.right - r.left, r.bottom - r.top + 26, TRUE);
  GetWindowRect(d, &r);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 320);
  SHSipShowIM(SIPF_ON);
  EXPECT_TRUE(plat::win::ShellState().sipShown);
  info.dwFlags = SHIDIF_SIPDOWN;
  SHInitDialog(&info);
  EXPECT_FALSE(plat::win::ShellState().sipShown);
  SHFullScreen(d, SHFS_SHOWTASKBAR);
  EXPECT_EQ(plat::win::ShellState().workArea.top, PLAT_TASKBAR_HEIGHT);
  HWND bar = CommandBar_Create(nullptr, d, 1);
  EXPECT_EQ(plat::win::ShellState().menuBars, 1);
  CommandBar_Destroy(bar);
  EXPECT_EQ(plat::win::ShellState().menuBars, 0);
}

TEST_F(ShellTest, WaitCursorAndInspection) {
  EXPECT_FALSE(plat::win::WaitCursorShown());
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  EXPECT_TRUE(plat::win::WaitCursorShown());
  SetCursor(old);
  EXPECT_FALSE(plat::win::WaitCursorShown());

  HWND top = MakeTop();
  HWND grid = MakeChild(top, 7, 1, 2, 30, 40);
  SetWindowText(grid, u"cells");
  Handlers()[WM_PLAT_INSPECT] = [grid](HWND h, UINT, WPARAM wp, LPARAM, bool* handled) -> LRESULT {
    if (h != grid) {
      *handled = false;
      return 0;
    }
    *reinterpret_cast<std::u16string*>(wp) = u"row 0: 005930";
    return TRUE;
  };
  SetFocus(grid);
  auto all = plat::win::EnumerateWindows();
  ASSERT_GE(all.size(), 2u);
  auto it = std::find_if(all.begin(), all.end(), [grid](const plat::win::WindowInfo& i) { return i.hwnd == grid; });
  ASSERT_NE(it, all.end());
  EXPECT_EQ(it->id, 7);
  EXPECT_EQ(it->depth, 1);
  EXPECT_EQ(it->parent, top);
  EXPECT_EQ(it->text, u"cells");
  EXPECT_TRUE(it->focused);
  EXPECT_TRUE(it->visible);
  EXPECT_EQ(it->rect.left, 1);
  EXPECT_EQ(it->rect.bottom, 42);
  EXPECT_EQ(plat::win::InspectWindow(grid), u"row 0: 005930");
  EXPECT_EQ(plat::win::InspectWindow(top), u"");
}

}  // namespace
