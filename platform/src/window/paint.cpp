// Painting: update regions, WM_PAINT and WM_ERASEBKGND, device contexts on the retained
// surfaces, window frames and scroll bars, the composed screen, screenshots and the display.
//
// Each top-level window owns a surface of its size; its children draw into it, clipped to
// themselves and their ancestors' client areas, with their own children excluded (a parent never
// paints over a child). The screen is composed from the visible top-level windows, bottom first.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "plat/display.h"
#include "plat/gdi.h"
#include "plat/gdi_internal.h"
#include "window/wm_internal.h"

namespace plat::display {
bool Open(const std::string& title) __attribute__((weak));
bool IsOpen() __attribute__((weak));
void Present(const Surface& screen) __attribute__((weak));
bool Poll(Event& ev) __attribute__((weak));
}  // namespace plat::display

namespace plat::wm {

namespace {

uint64_t g_paintGeneration = 1;
uint64_t g_presentedGeneration = 0;
uint64_t g_presentedDevice = 0;  // the device's publication count at the last present
std::chrono::steady_clock::time_point g_presentedAt{};
Surface g_screenDcSurface;

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) r = RECT{0, 0, 0, 0};
  return r;
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Union(const RECT& a, const RECT& b) {
  if (Empty(a)) return b;
  if (Empty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

RECT Offset(RECT r, LONG dx, LONG dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

std::shared_ptr<Window> TopWindowOf(const Window& w) {
  auto t = Find(TopLevelOf(w.hwnd));
  return t;
}

// The part of the surface a window may draw into (surface coordinates): its window rectangle
// (or client area) clipped by every ancestor's client area.
RECT VisibleArea(const Window& w, bool clientOnly) {
  auto top = TopWindowOf(w);
  if (!top) return RECT{0, 0, 0, 0};
  POINT base = WindowOriginScreen(*top);
  POINT wo = WindowOriginScreen(w);
  RECT area = Offset(RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top}, wo.x - base.x, wo.y - base.y);
  if (clientOnly) area = Offset(ClientRectLocal(w), wo.x - base.x, wo.y - base.y);
  const Window* cur = &w;
  while ((cur->style & WS_CHILD) && cur->parent) {
    auto p = Find(cur->parent);
    if (!p) break;
    POINT po = WindowOriginScreen(*p);
    area = Intersect(area, Offset(ClientRectLocal(*p), po.x - base.x, po.y - base.y));
    cur = p.get();
  }
  return Intersect(area, RECT{0, 0, top->surface.width, top->surface.height});
}

void FillSurface(Surface& s, RECT r, COLORREF c, const RECT& clip) {
  r = Intersect(Intersect(r, clip), RECT{0, 0, s.width, s.height});
  for (LONG y = r.top; y < r.bottom; ++y) {
    COLORREF* row = s.Row(static_cast<int>(y));
    std::fill(row + r.left, row + r.right, c);
  }
}

HDC MakeClientDC(Window& w, const RECT* limitClient) {
  auto top = TopWindowOf(w);
  if (!top) return nullptr;
  EnsureSurface(*top);
  POINT base = WindowOriginScreen(*top);
  POINT co = ClientOriginScreen(w);
  RECT clip = VisibleArea(w, true);
  if (limitClient) clip = Intersect(clip, Offset(*limitClient, co.x - base.x, co.y - base.y));
  HDC dc = plat::gdi::CreateSurfaceDC(&top->surface, co.x - base.x, co.y - base.y, clip);
  if (!dc) return nullptr;
  // Only children the context could draw over are cut out: a paint of one cell of a dialog does not
  // cut its clip around every other control (kept between calls, never freed; the lock is held).
  static std::vector<RECT>& children = *new std::vector<RECT>;
  children.clear();
  for (HWND c : w.children) {
    auto cw = Find(c);
    if (cw && (cw->style & WS_VISIBLE) && !Empty(Intersect(Offset(cw->rect, co.x - base.x, co.y - base.y), clip)))
      children.push_back(cw->rect);
  }
  plat::gdi::ExcludeClipRects(dc, children);
  ++g_paintGeneration;
  return dc;
}

bool PaintableBy(const Window& w, DWORD tid) {
  return w.queue && w.queue->tid == tid && w.updatePending && !w.redrawOff && VisibleChain(w);
}

const Window* FindPaint(const Window& w, DWORD tid) {
  if (!(w.style & WS_VISIBLE)) return nullptr;
  if (PaintableBy(w, tid)) return &w;
  for (HWND c : w.children) {
    auto cw = Find(c);
    if (!cw) continue;
    if (const Window* r = FindPaint(*cw, tid)) return r;
  }
  return nullptr;
}

}  // namespace

// A window may be larger than the screen, but its retained pixels are limited: a size from a
// miscalculation must not take the memory of the device.
constexpr LONG kMaxSurfaceSide = 2048;

void EnsureSurface(Window& w) {
  if (w.style & WS_CHILD) return;
  int width = static_cast<int>(std::clamp<LONG>(w.rect.right - w.rect.left, 0, kMaxSurfaceSide));
  int height = static_cast<int>(std::clamp<LONG>(w.rect.bottom - w.rect.top, 0, kMaxSurfaceSide));
  if (w.surface.width != width || w.surface.height != height) {
    w.surface.Resize(width, height, 0x00FFFFFF);
    ++g_paintGeneration;
  }
}

// A window of another thread is woken to paint; the window's own thread (a screen repainting a
// cell for a push) is running and fetches its paints before it waits: no wake-up to write and
// read back for each invalidation.
static void WakeToPaint(Window& w) {
  if (w.queue && !IsCurrentQueue(*w.queue)) Wake(*w.queue);
}

void InvalidateLocal(Window& w, const RECT* rc, bool erase) {
  RECT c = ClientRectLocal(w);
  RECT client{0, 0, c.right - c.left, c.bottom - c.top};
  RECT r = rc ? Intersect(*rc, client) : client;
  if (Empty(r)) {
    // A window without a client area still gets its frame and bars drawn.
    if (!w.updatePending && rc == nullptr) {
      w.updatePending = true;
      w.update = RECT{0, 0, 0, 0};
      WakeToPaint(w);
    }
    return;
  }
  w.update = w.updatePending ? Union(w.update, r) : r;
  w.updatePending = true;
  w.eraseNeeded = w.eraseNeeded || erase;
  WakeToPaint(w);
}

void InvalidateTree(Window& w) {
  InvalidateLocal(w, nullptr, true);
  for (HWND c : w.children)
    if (auto cw = Find(c)) InvalidateTree(*cw);
}

void ExposeInParent(Window& w) {
  if ((w.style & WS_CHILD) && w.parent) {
    if (auto p = Find(w.parent)) {
      RECT r = w.rect;
      InvalidateLocal(*p, &r, true);
      // Siblings under the window show again too.
      for (HWND s : p->children) {
        auto sw = Find(s);
        if (!sw || sw.get() == &w || !(sw->style & WS_VISIBLE)) continue;
        RECT i = Intersect(sw->rect, w.rect);
        if (!Empty(i)) InvalidateTree(*sw);
      }
    }
  }
  ++g_paintGeneration;
}

bool PaintPendingOf(DWORD tid, MSG* msg) {
  auto& g = G();
  for (HWND h : g.zorder) {
    auto w = Find(h);
    if (!w) continue;
    if (const Window* p = FindPaint(*w, tid)) {
      *msg = MSG{p->hwnd, WM_PAINT, 0, 0, static_cast<DWORD>(NowMs()), g.cursor};
      return true;
    }
  }
  return false;
}

void AfterPaintDispatch(HWND h) {
  auto w = Find(h);
  if (!w) return;
  Lock l(G().m);
  w->updatePending = false;
  w->eraseNeeded = false;
  w->update = RECT{0, 0, 0, 0};
}

// Scroll bar geometry in window coordinates.
struct BarParts {
  RECT bar{}, lineUp{}, lineDown{}, thumb{};
  int trackStart = 0, trackLen = 0, thumbLen = 0;
  bool vertical = true;
};

static BarParts PartsOf(const Window& w, int bar) {
  BarParts p;
  RECT c = ClientRectLocal(w);
  const ScrollBar& sb = bar == SB_VERT ? w.vbar : w.hbar;
  p.vertical = bar == SB_VERT;
  if (p.vertical)
    p.bar = RECT{c.right, c.top, c.right + PLAT_SCROLLBAR_SIZE, c.bottom};
  else
    p.bar = RECT{c.left, c.bottom, c.right, c.bottom + PLAT_SCROLLBAR_SIZE};
  int len = p.vertical ? p.bar.bottom - p.bar.top : p.bar.right - p.bar.left;
  int arrow = std::min(PLAT_SCROLLBAR_SIZE, len / 2);
  p.trackStart = arrow;
  p.trackLen = std::max(0, len - 2 * arrow);
  int range = sb.max - sb.min + 1;
  if (sb.page > 0 && range > 0)
    p.thumbLen = static_cast<int>(static_cast<int64_t>(p.trackLen) * sb.page / range);
  else
    p.thumbLen = PLAT_SCROLLBAR_SIZE;
  p.thumbLen = std::clamp(p.thumbLen, std::min(8, p.trackLen), p.trackLen);
  int maxPos = sb.page > 0 ? std::max(sb.min, sb.max - static_cast<int>(sb.page) + 1) : sb.max;
  int movable = p.trackLen - p.thumbLen;
  int pos = std::clamp(sb.tracking ? sb.trackPos : sb.pos, sb.min, std::max(sb.min, maxPos));
  int off = maxPos > sb.min ? static_cast<int>(static_cast<int64_t>(movable) * (pos - sb.min) / (maxPos - sb.min)) : 0;
  if (p.vertical) {
    p.lineUp = RECT{p.bar.left, p.bar.top, p.bar.right, p.bar.top + arrow};
    p.lineDown = RECT{p.bar.left, p.bar.bottom - arrow, p.bar.right, p.bar.bottom};
    p.thumb = RECT{p.bar.left, p.bar.top + arrow + off, p.bar.right, p.bar.top + arrow + off + p.thumbLen};
  } else {
    p.lineUp = RECT{p.bar.left, p.bar.top, p.bar.left + arrow, p.bar.bottom};
    p.lineDown = RECT{p.bar.right - arrow, p.bar.top, p.bar.right, p.bar.bottom};
    p.thumb = RECT{p.bar.left + arrow + off, p.bar.top, p.bar.left + arrow + off + p.thumbLen, p.bar.bottom};
  }
  return p;
}

static bool BarShown(const ScrollBar& b) { return !b.forceHidden && (b.shown || b.max > b.min); }

void DrawNonClient(HWND h) {
  auto w = Find(h);
  if (!w) return;
  Lock l(G().m);
  auto top = TopWindowOf(*w);
  if (!top) return;
  EnsureSurface(*top);
  POINT base = WindowOriginScreen(*top);
  POINT wo = WindowOriginScreen(*w);
  LONG dx = wo.x - base.x, dy = wo.y - base.y;
  RECT clip = VisibleArea(*w, false);
  Surface& s = top->surface;
  RECT c = ClientRectLocal(*w);
  LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  if (c.left > 0) {
    COLORREF frame = 0x00000000;
    FillSurface(s, Offset(RECT{0, 0, width, 1}, dx, dy), frame, clip);
    FillSurface(s, Offset(RECT{0, height - 1, width, height}, dx, dy), frame, clip);
    FillSurface(s, Offset(RECT{0, 0, 1, height}, dx, dy), frame, clip);
    FillSurface(s, Offset(RECT{width - 1, 0, width, height}, dx, dy), frame, clip);
  }
  for (int bar : {SB_VERT, SB_HORZ}) {
    const ScrollBar& sb = bar == SB_VERT ? w->vbar : w->hbar;
    if (!BarShown(sb)) continue;
    BarParts p = PartsOf(*w, bar);
    FillSurface(s, Offset(p.bar, dx, dy), RGB(224, 224, 224), clip);
    FillSurface(s, Offset(p.lineUp, dx, dy), RGB(192, 192, 192), clip);
    FillSurface(s, Offset(p.lineDown, dx, dy), RGB(192, 192, 192), clip);
    if (sb.max > sb.min) FillSurface(s, Offset(p.thumb, dx, dy), RGB(128, 128, 128), clip);
    // Arrow marks: small triangles pointing away from the track.
    for (int i = 0; i < 4; ++i) {
      RECT a = p.lineUp, b = p.lineDown;
      if (p.vertical) {
        LONG cx = (a.left + a.right) / 2, ay = a.top + 4 + i, by = b.bottom - 5 - i;
        FillSurface(s, Offset(RECT{cx - i, ay, cx + i + 1, ay + 1}, dx, dy), 0, clip);
        FillSurface(s, Offset(RECT{cx - i, by, cx + i + 1, by + 1}, dx, dy), 0, clip);
      } else {
        LONG cy = (a.top + a.bottom) / 2, ax = a.left + 4 + i, bx = b.right - 5 - i;
        FillSurface(s, Offset(RECT{ax, cy - i, ax + 1, cy + i + 1}, dx, dy), 0, clip);
        FillSurface(s, Offset(RECT{bx, cy - i, bx + 1, cy + i + 1}, dx, dy), 0, clip);
      }
    }
    if (BarShown(w->vbar) && BarShown(w->hbar)) {
      RECT corner{c.right, c.bottom, c.right + PLAT_SCROLLBAR_SIZE, c.bottom + PLAT_SCROLLBAR_SIZE};
      FillSurface(s, Offset(corner, dx, dy), RGB(224, 224, 224), clip);
    }
  }
  ++g_paintGeneration;
}

// ---- Scroll bars driven by the stylus ---------------------------------------------------------

void ScrollBarStylus(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto w = Find(h);
  if (!w) return;
  POINT pt{static_cast<SHORT>(LOWORD(lp)), static_cast<SHORT>(HIWORD(lp))};
  int bar = -1;
  UINT scrollMsg = 0;
  int code = -1;
  int trackPos = 0;
  {
    Lock l(G().m);
    POINT wo = WindowOriginScreen(*w);
    POINT local{pt.x - wo.x, pt.y - wo.y};
    auto inside = [](const RECT& r, POINT p) {
      return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
    };
    if (msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONDBLCLK) {
      if (wp == HTVSCROLL)
        bar = SB_VERT;
      else if (wp == HTHSCROLL)
        bar = SB_HORZ;
      else
        return;
      ScrollBar& sb = bar == SB_VERT ? w->vbar : w->hbar;
      if (sb.max <= sb.min) return;
      BarParts p = PartsOf(*w, bar);
      if (inside(p.lineUp, local))
        code = SB_LINEUP;
      else if (inside(p.lineDown, local))
        code = SB_LINEDOWN;
      else if (inside(p.thumb, local))
        code = SB_THUMBTRACK;
      else {
        LONG v = p.vertical ? local.y : local.x;
        LONG t = p.vertical ? p.thumb.top : p.thumb.left;
        code = v < t ? SB_PAGEUP : SB_PAGEDOWN;
      }
      w->sbTrackBar = bar;
      w->sbTrackCode = code;
      if (code == SB_THUMBTRACK) {
        sb.tracking = true;
        sb.trackPos = sb.pos;
        w->sbTrackOffset = (p.vertical ? local.y - p.thumb.top : local.x - p.thumb.left);
        return;  // the track messages come with movement
      }
    } else if (msg == WM_NCMOUSEMOVE) {
      if (w->sbTrackBar < 0 || w->sbTrackCode != SB_THUMBTRACK) return;
      bar = w->sbTrackBar;
      ScrollBar& sb = bar == SB_VERT ? w->vbar : w->hbar;
      BarParts p = PartsOf(*w, bar);
      int movable = p.trackLen - p.thumbLen;
      int maxPos = sb.page > 0 ? std::max(sb.min, sb.max - static_cast<int>(sb.page) + 1) : sb.max;
      LONG v = (p.vertical ? local.y - p.bar.top : local.x - p.bar.left) - p.trackStart - w->sbTrackOffset;
      int pos = movable > 0
                    ? sb.min + static_cast<int>((static_cast<int64_t>(v) * (maxPos - sb.min) + movable / 2) / movable)
                    : sb.min;
      pos = std::clamp(pos, sb.min, std::max(sb.min, maxPos));
      if (pos == sb.trackPos) return;
      sb.trackPos = pos;
      code = SB_THUMBTRACK;
      trackPos = pos;
    } else if (msg == WM_NCLBUTTONUP) {
      if (w->sbTrackBar < 0) return;
      bar = w->sbTrackBar;
      ScrollBar& sb = bar == SB_VERT ? w->vbar : w->hbar;
      code = w->sbTrackCode;
      trackPos = sb.trackPos;
      sb.tracking = false;
      w->sbTrackBar = -1;
      w->sbTrackCode = -1;
      scrollMsg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
      l.unlock();
      if (code == SB_THUMBTRACK) SendMessage(h, scrollMsg, MAKEWPARAM(SB_THUMBPOSITION, trackPos), 0);
      SendMessage(h, scrollMsg, SB_ENDSCROLL, 0);
      DrawNonClient(h);
      return;
    }
  }
  if (bar < 0 || code < 0) return;
  scrollMsg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  SendMessage(h, scrollMsg, MAKEWPARAM(code, code == SB_THUMBTRACK ? trackPos : 0), 0);
  DrawNonClient(h);
}

// ---- Display ---------------------------------------------------------------------------------

// The desktop window is up here or in another program of the device root: a waiting loop looks
// at it (or at whether it is left to this program) at least every 10 ms.
namespace {
std::string g_displayTitle;
// A desktop window that could not be opened is tried again every 100 ms, up to 50 times: the
// display server may refuse a connection for a moment (a loaded machine, a server just started).
constexpr int kDisplayTries = 50;
int g_displayFailures = 0;
std::chrono::steady_clock::time_point g_nextDisplayTry;
bool DisplayRetryPending() { return g_displayFailures > 0 && g_displayFailures < kDisplayTries; }

// Takes the device's desktop window for this program and opens it; false when another program
// shows it or it cannot be opened (then the lock goes again, so that no program's box waits for
// a person who cannot see it).
bool OpenDesktopWindow() {
  if (!TakeDisplay()) {
    g_displayFailures = 0;
    plat::win::LogEvent("display", "elsewhere");
    return false;
  }
  bool open = plat::display::Open(g_displayTitle);
  if (!open) {
    ReleaseDisplay();
    ++g_displayFailures;
    g_nextDisplayTry = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  } else {
    g_displayFailures = 0;
  }
  plat::win::LogEvent("display", open ? "open" : "unavailable");
  return open;
}
}  // namespace

bool DisplayOpen() {
  return (&plat::display::IsOpen && plat::display::IsOpen()) || DisplayElsewhere() || DisplayRetryPending() ||
         PublicationWaiting();
}

uint64_t PaintGeneration() { return g_paintGeneration; }

// At the moment the message loop runs out of work: this program's picture goes to the device's
// screen, and the program showing it presents what changed (its own or another program's), each
// at most once a frame (a change within the frame is shown at its end: the loop looks again).
void PresentIfDisplay() {
  PublishLayers(false);
  if (!&plat::display::IsOpen || !plat::display::IsOpen()) return;
  uint64_t device = DeviceGeneration();
  if (g_presentedGeneration == g_paintGeneration && g_presentedDevice == device) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - g_presentedAt < kFrame) return;
  g_presentedAt = now;
  Surface screen;
  plat::win::ComposeScreen(screen);
  g_presentedGeneration = g_paintGeneration;
  g_presentedDevice = device;
  plat::display::Present(screen);
}

void PollDisplay() {
  if (DisplayRetryPending() && !DisplayElsewhere() && std::chrono::steady_clock::now() >= g_nextDisplayTry &&
      OpenDesktopWindow())
    g_presentedGeneration = g_presentedDevice = 0;
  if (DisplayElsewhere() && TakeDisplay()) {
    // The program that showed the device's screen has ended: this one shows it now.
    bool open = &plat::display::Open && plat::display::Open(g_displayTitle);
    if (!open) ReleaseDisplay();
    plat::win::LogEvent("display", open ? "taken over" : "unavailable");
    g_presentedGeneration = g_presentedDevice = 0;
  }
  if (!&plat::display::IsOpen || !&plat::display::Poll || !plat::display::IsOpen()) return;
  plat::display::Event ev;
  while (plat::display::Poll(ev)) {
    switch (ev.kind) {
      case plat::display::EventKind::StylusDown: RouteDisplayInput(DeviceInputDown, ev.x, ev.y, 0, 0); break;
      case plat::display::EventKind::StylusUp: RouteDisplayInput(DeviceInputUp, ev.x, ev.y, 0, 0); break;
      case plat::display::EventKind::StylusMove: RouteDisplayInput(DeviceInputMove, ev.x, ev.y, 0, 0); break;
      case plat::display::EventKind::Key: RouteDisplayInput(DeviceInputKey, 0, 0, ev.key, 0); break;
      case plat::display::EventKind::Char: RouteDisplayInput(DeviceInputChar, 0, 0, 0, ev.ch); break;
      case plat::display::EventKind::Quit: PowerOff(); break;
      default: break;
    }
  }
}

void OpenDisplayFor(const Window&) {
  static bool tried = false;
  if (tried) return;
  const char* want = std::getenv("LARKSPIN_DISPLAY");
  if (!want || std::strcmp(want, "sdl") != 0 || !&plat::display::Open) return;
  tried = true;
  char name[256] = {};
  ssize_t n = readlink("/proc/self/exe", name, sizeof name - 1);
  std::string title = n > 0 ? std::string(name, static_cast<size_t>(n)) : std::string("Larkspin");
  auto slash = title.find_last_of('/');
  if (slash != std::string::npos) title = title.substr(slash + 1);
  g_displayTitle = title;
  // One desktop window per device root: the program that takes it first shows every program.
  OpenDesktopWindow();
}

}  // namespace plat::wm

using namespace plat::wm;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  Lock l(G().m);
  InvalidateLocal(*w, rect, erase != FALSE);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  Lock l(G().m);
  if (!rect) {
    w->updatePending = false;
    w->eraseNeeded = false;
    w->update = RECT{0, 0, 0, 0};
    return TRUE;
  }
  RECT rest;
  if (!SubtractRect(&rest, &w->update, rect) || Empty(rest)) {
    w->updatePending = false;
    w->eraseNeeded = false;
    w->update = RECT{0, 0, 0, 0};
  } else {
    w->update = rest;
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  Lock l(G().m);
  bool pending = w->updatePending && !Empty(w->update);
  if (rect) *rect = pending ? w->update : RECT{0, 0, 0, 0};
  return pending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  {
    Lock l(G().m);
    if (!w->updatePending || !VisibleChain(*w) || w->redrawOff) return TRUE;
  }
  if (w->queue != CurrentQueue()) return TRUE;
  DrawNonClient(hwnd);
  CallProc(w, WM_PAINT, 0, 0);
  AfterPaintDispatch(hwnd);
  return TRUE;
}

static void UpdateTree(HWND h) {
  UpdateWindow(h);
  auto w = Find(h);
  if (!w) return;
  std::vector<HWND> kids;
  {
    Lock l(G().m);
    kids = w->children;
  }
  for (HWND k : kids) UpdateTree(k);
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  RECT box;
  if (region && GetRgnBox(region, &box) != 0) rect = &box;
  {
    Lock l(G().m);
    if (flags & RDW_INVALIDATE) {
      InvalidateLocal(*w, rect, (flags & RDW_ERASE) != 0);
      if (flags & RDW_ALLCHILDREN)
        for (HWND c : w->children)
          if (auto cw = Find(c)) InvalidateTree(*cw);
    }
    if (flags & RDW_FRAME) ++g_paintGeneration;
  }
  if (flags & RDW_VALIDATE) ValidateRect(hwnd, rect);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (flags & RDW_ALLCHILDREN)
      UpdateTree(hwnd);
    else
      UpdateWindow(hwnd);
  }
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  auto w = Find(hwnd);
  if (!w || !ps) return nullptr;
  std::memset(ps, 0, sizeof *ps);
  HDC dc;
  bool erase;
  {
    Lock l(G().m);
    RECT upd = w->updatePending ? w->update : RECT{0, 0, 0, 0};
    dc = MakeClientDC(*w, &upd);
    ps->rcPaint = upd;
    erase = w->eraseNeeded;
    w->updatePending = false;
    w->eraseNeeded = false;
    w->update = RECT{0, 0, 0, 0};
    w->inPaint = true;
  }
  ps->hdc = dc;
  ps->fErase = FALSE;
  if (erase && dc) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps && ps->hdc) plat::gdi::ReleaseSurfaceDC(ps->hdc);
  if (auto w = Find(hwnd)) w->inPaint = false;
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  if (!hwnd) {
    Lock l(G().m);
    if (g_screenDcSurface.width == 0) g_screenDcSurface.Resize(PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT);
    return plat::gdi::CreateSurfaceDC(&g_screenDcSurface, 0, 0, RECT{0, 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT});
  }
  auto w = Find(hwnd);
  if (!w) return nullptr;
  Lock l(G().m);
  return MakeClientDC(*w, nullptr);
}

HDC GetWindowDC(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return GetDC(0);
  Lock l(G().m);
  auto top = TopWindowOf(*w);
  if (!top) return nullptr;
  EnsureSurface(*top);
  POINT base = WindowOriginScreen(*top);
  POINT wo = WindowOriginScreen(*w);
  ++g_paintGeneration;
  return plat::gdi::CreateSurfaceDC(&top->surface, wo.x - base.x, wo.y - base.y, VisibleArea(*w, false));
}

int ReleaseDC(HWND, HDC dc) {
  if (!dc) return 0;
  plat::gdi::ReleaseSurfaceDC(dc);
  return 1;
}

BOOL ScrollWindowEx(HWND hwnd, int, int, const RECT* scroll, const RECT* clip, HRGN, LPRECT updateRect, UINT flags) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  // The contents are drawn again rather than moved: the whole scrolled area becomes invalid.
  RECT r;
  GetClientRect(hwnd, &r);
  if (scroll) r = Intersect(r, *scroll);
  if (clip) r = Intersect(r, *clip);
  if (updateRect) *updateRect = r;
  if (flags & SW_INVALIDATE) InvalidateRect(hwnd, &r, (flags & SW_ERASE) ? TRUE : FALSE);
  return TRUE;
}

// ---- Scroll bar state ------------------------------------------------------------------------

static ScrollBar* BarOf(Window& w, int bar) {
  if (bar == SB_VERT) return &w.vbar;
  if (bar == SB_HORZ) return &w.hbar;
  return nullptr;
}

// Applies a change of a bar; when the bar appears or disappears the client area changes, and
// the window hears of it through WM_SIZE.
static void AfterBarChange(HWND hwnd, const RECT& oldClient, BOOL redraw) {
  auto w = Find(hwnd);
  if (!w) return;
  RECT now;
  bool sized;
  {
    Lock l(G().m);
    now = ClientRectLocal(*w);
    sized = (now.right - now.left) != (oldClient.right - oldClient.left) ||
            (now.bottom - now.top) != (oldClient.bottom - oldClient.top);
    if (sized) InvalidateLocal(*w, nullptr, true);
  }
  if (sized) SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(now.right - now.left, now.bottom - now.top));
  if (redraw || sized) DrawNonClient(hwnd);
}

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  auto w = Find(hwnd);
  if (!w || !info) return 0;
  RECT oldClient;
  int pos;
  {
    Lock l(G().m);
    ScrollBar* sb = BarOf(*w, bar);
    if (!sb) return 0;
    oldClient = ClientRectLocal(*w);
    if (info->fMask & SIF_RANGE) {
      sb->min = info->nMin;
      sb->max = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE) sb->page = info->nPage;
    if (info->fMask & SIF_POS) sb->pos = info->nPos;
    // The position always stays within [min, max].
    sb->pos = std::clamp(sb->pos, sb->min, sb->max);
    sb->trackPos = std::clamp(sb->trackPos, sb->min, sb->max);
    if ((info->fMask & SIF_DISABLENOSCROLL) && sb->styleBar) sb->shown = true;
    pos = sb->pos;
  }
  AfterBarChange(hwnd, oldClient, redraw);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  auto w = Find(hwnd);
  if (!w || !info) return FALSE;
  Lock l(G().m);
  ScrollBar* sb = BarOf(*w, bar);
  if (!sb) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = sb->min;
    info->nMax = sb->max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = sb->page;
  if (info->fMask & SIF_POS) info->nPos = sb->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = sb->tracking ? sb->trackPos : sb->pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  auto w = Find(hwnd);
  if (!w) return 0;
  int old;
  {
    Lock l(G().m);
    ScrollBar* sb = BarOf(*w, bar);
    if (!sb) return 0;
    old = sb->pos;
    sb->pos = std::clamp(pos, sb->min, sb->max);
  }
  if (redraw) DrawNonClient(hwnd);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  auto w = Find(hwnd);
  if (!w) return 0;
  Lock l(G().m);
  ScrollBar* sb = BarOf(*w, bar);
  return sb ? sb->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO si{sizeof si, SIF_RANGE, minPos, maxPos, 0, 0, 0};
  if (!Find(hwnd)) return FALSE;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(hwnd, bar, &si)) return FALSE;
  if (minPos) *minPos = si.nMin;
  if (maxPos) *maxPos = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  RECT oldClient;
  {
    Lock l(G().m);
    oldClient = ClientRectLocal(*w);
    for (int b : {SB_VERT, SB_HORZ}) {
      if (bar != b && bar != SB_BOTH) continue;
      ScrollBar* sb = BarOf(*w, b);
      sb->shown = show != FALSE;
      sb->forceHidden = show == FALSE;
    }
  }
  AfterBarChange(hwnd, oldClient, TRUE);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT, UINT) { return Find(hwnd) ? TRUE : FALSE; }

// ---- Screen ----------------------------------------------------------------------------------

namespace plat::win {

void ComposeScreen(Surface& out) {
  // Paint what this thread has pending first, so that the screen is current.
  auto q = CurrentQueue();
  for (int guard = 0; guard < 10000; ++guard) {
    MSG m;
    {
      Lock l(G().m);
      if (!PaintPendingOf(q->tid, &m)) break;
    }
    DispatchMessage(&m);
  }
  auto& g = G();
  Lock l(g.m);
  out.Resize(PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT, 0x00FFFFFF);
  RECT screen{0, 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT};
  // Every program's windows of the device root in the device's z-order, bottom first.
  ShellStateInfo sh;
  for (const DeviceLayer& layer : DeviceLayers(true, &sh)) {
    if (!layer.visible || !layer.surface) continue;
    const Surface& surface = *layer.surface;
    if (surface.pixels.size() < static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height)) continue;
    RECT at = Intersect(Intersect(layer.rect, screen),
                        Offset(RECT{0, 0, surface.width, surface.height}, layer.rect.left, layer.rect.top));
    if (Empty(at)) continue;
    for (LONG y = at.top; y < at.bottom; ++y) {
      const COLORREF* src = surface.Row(static_cast<int>(y - layer.rect.top)) + (at.left - layer.rect.left);
      std::copy(src, src + (at.right - at.left), out.Row(static_cast<int>(y)) + at.left);
    }
    // Texts of windows below that this window covers are no longer on the screen.
    out.texts.erase(std::remove_if(out.texts.begin(), out.texts.end(),
                                   [&](const TextRecord& t) {
                                     return t.rect.left >= at.left && t.rect.right <= at.right &&
                                            t.rect.top >= at.top && t.rect.bottom <= at.bottom;
                                   }),
                    out.texts.end());
    for (TextRecord t : surface.texts) {
      t.rect = Offset(t.rect, layer.rect.left, layer.rect.top);
      out.texts.push_back(std::move(t));
    }
  }
  if (sh.taskBarVisible) FillSurface(out, RECT{0, 0, PLAT_SCREEN_WIDTH, PLAT_TASKBAR_HEIGHT}, RGB(0, 0, 128), screen);
  if (sh.sipShown)
    FillSurface(out, RECT{0, PLAT_SCREEN_HEIGHT - PLAT_SIP_HEIGHT, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT},
                RGB(192, 192, 192), screen);
}

bool SaveScreenshot(const std::string& hostPath) {
  Surface s;
  ComposeScreen(s);
  return plat::gdi::WritePng(s, hostPath);
}

bool SaveWindowShot(HWND hwnd, const std::string& hostPath) {
  Surface screen;
  ComposeScreen(screen);  // paints what is pending
  auto w = Find(hwnd);
  if (!w) return false;
  Surface crop;
  {
    Lock l(G().m);
    auto top = Find(TopLevelOf(hwnd));
    if (!top) return false;
    POINT base = WindowOriginScreen(*top);
    POINT wo = WindowOriginScreen(*w);
    RECT r = Intersect(
        Offset(RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top}, wo.x - base.x, wo.y - base.y),
        RECT{0, 0, top->surface.width, top->surface.height});
    crop.Resize(r.right - r.left, r.bottom - r.top);
    for (LONG y = r.top; y < r.bottom; ++y) {
      const COLORREF* src = top->surface.Row(static_cast<int>(y)) + r.left;
      std::copy(src, src + (r.right - r.left), crop.Row(static_cast<int>(y - r.top)));
    }
  }
  return plat::gdi::WritePng(crop, hostPath);
}

const Surface* WindowSurface(HWND hwnd) {
  Lock l(G().m);
  auto top = Find(TopLevelOf(hwnd));
  return top ? &top->surface : nullptr;
}

}  // namespace plat::win
