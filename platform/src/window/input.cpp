// Showing, moving and stacking windows, activation, keyboard focus, stylus capture, hit testing,
// input injection (the path real input and the automation layer take), key state and cursors.
#include <algorithm>
#include <cstdlib>

#include "window/wm_internal.h"

namespace plat::wm {

namespace {
thread_local bool t_focusFromActivation = false;

void MoveToFront(std::vector<HWND>& list, HWND h, int depth = 0);

// Windows owned by h stay in front of it, in their order, as on the handheld: a dialog that comes
// to the front again never comes over its own box or menu.
void RaiseOwned(HWND h, int depth = 0) {
  if (depth > 8) return;
  auto& list = G().zorder;
  std::vector<HWND> owned;
  for (HWND o : list)
    if (auto ow = Find(o); ow && o != h && !(ow->style & WS_CHILD) && ow->owner == h) owned.push_back(o);
  for (auto o = owned.rbegin(); o != owned.rend(); ++o) MoveToFront(list, *o, depth + 1);
}

void MoveToFront(std::vector<HWND>& list, HWND h, int depth) {
  auto it = std::find(list.begin(), list.end(), h);
  if (it == list.end()) return;
  list.erase(it);
  list.insert(list.begin(), h);
  if (&list != &G().zorder) return;
  if (auto w = Find(h)) Restamp(*w);
  RaiseOwned(h, depth);
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The window under a screen point and the part of it that was hit (HTCLIENT, HTVSCROLL,
// HTHSCROLL). Hidden windows are passed over, disabled child windows leave the point to their
// parent, and a window answering WM_NCHITTEST with HTTRANSPARENT (a group box) lets the point
// through to the windows under it. A disabled top-level window takes no input at all.
HWND HitTest(POINT pt, int* area) {
  auto& g = G();
  auto me = CurrentQueue();
  std::vector<HWND> order;
  {
    Lock l(g.m);
    order = g.zorder;
  }
  for (HWND top : order) {
    std::shared_ptr<Window> cur = Find(top);
    if (!cur) continue;
    {
      Lock l(g.m);
      if (!(cur->style & WS_VISIBLE) || !Inside(cur->rect, pt)) continue;
      if (cur->style & WS_DISABLED) return 0;
    }
    for (;;) {
      std::vector<HWND> kids;
      POINT local, client;
      {
        Lock l(g.m);
        POINT wo = WindowOriginScreen(*cur);
        local = POINT{pt.x - wo.x, pt.y - wo.y};
        RECT c = ClientRectLocal(*cur);
        LONG width = cur->rect.right - cur->rect.left, height = cur->rect.bottom - cur->rect.top;
        if (local.x >= c.right && local.x < width && local.y >= c.top && local.y < c.bottom &&
            cur->vbar.max > cur->vbar.min) {
          *area = HTVSCROLL;
          return cur->hwnd;
        }
        if (local.y >= c.bottom && local.y < height && local.x >= c.left && local.x < c.right &&
            cur->hbar.max > cur->hbar.min) {
          *area = HTHSCROLL;
          return cur->hwnd;
        }
        client = POINT{local.x - c.left, local.y - c.top};
        kids = cur->children;
      }
      std::shared_ptr<Window> next;
      for (HWND k : kids) {
        auto kw = Find(k);
        if (!kw) continue;
        bool hit, disabled;
        {
          Lock l(g.m);
          hit = (kw->style & WS_VISIBLE) && Inside(kw->rect, client);
          disabled = (kw->style & WS_DISABLED) != 0;
        }
        if (!hit) continue;
        if (disabled) break;  // the point stays with the parent
        if (kw->queue == me && CallProc(kw, WM_NCHITTEST, 0,
                                        MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y))) == HTTRANSPARENT)
          continue;
        next = kw;
        break;
      }
      if (!next) {
        *area = HTCLIENT;
        return cur->hwnd;
      }
      cur = next;
    }
  }
  return 0;
}

void PostInput(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto w = Find(h);
  if (!w) return;
  auto& g = G();
  Lock l(g.m);
  if (!w->queue->alive) return;
  PostLocal(*w->queue, MSG{h, msg, wp, lp, static_cast<DWORD>(NowMs()), g.cursor});
}

LPARAM ClientPoint(HWND h, int x, int y) {
  auto w = Find(h);
  if (!w) return 0;
  Lock l(G().m);
  POINT o = ClientOriginScreen(*w);
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x - o.x)), static_cast<WORD>(static_cast<SHORT>(y - o.y)));
}

HWND KeyTarget() {
  auto& g = G();
  Lock l(g.m);
  for (HWND h : g.zorder) {
    auto w = Find(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    HWND f = w->queue->focus;
    auto fw = Find(f);
    HWND target = fw ? f : h;
    auto tw = Find(target);
    if (!tw || !EnabledChain(*tw)) return 0;
    return target;
  }
  return 0;
}

char g_cursorIds[8];

}  // namespace

bool FocusChangeFromActivation() { return t_focusFromActivation; }

void FocusLost(HWND h) {
  auto w = Find(h);
  if (!w) return;
  HWND next = 0;
  if ((w->style & WS_CHILD) && w->parent) {
    auto p = Find(w->parent);
    if (p && !p->destroying) next = w->parent;
  }
  SetFocus(next);
}

void DeactivateOnDestroy(HWND h) {
  auto w = Find(h);
  if (!w) return;
  auto q = w->queue;
  if (q != CurrentQueue() || q->active != h) return;
  HWND next = 0;
  {
    Lock l(G().m);
    auto o = Find(w->owner);
    if (o && (o->style & WS_VISIBLE) && !o->destroying) next = o->hwnd;
    for (HWND t : G().zorder) {
      if (next) break;
      auto tw = Find(t);
      if (tw && t != h && tw->queue == q && (tw->style & WS_VISIBLE) && !tw->destroying) next = t;
    }
    q->active = 0;
  }
  SendMessage(h, WM_ACTIVATE, WA_INACTIVE, next);
  if (next) SetActiveWindow(next);
}

}  // namespace plat::wm

using namespace plat::wm;

BOOL ShowWindow(HWND hwnd, int cmd) {
  auto w = Find(hwnd);
  if (!w) {
    if (!hwnd || IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return FALSE;
    LRESULT r = 0;
    bool ok = RemoteCall(hwnd, OpShow, 0, static_cast<WPARAM>(cmd), 0, &r, nullptr, nullptr);
    plat::win::LogEvent("show", std::to_string(hwnd) + "\t" + std::to_string(cmd) + "\t" + (ok ? "ok" : "failed"));
    return ok && r ? TRUE : FALSE;
  }
  if (w->queue != CurrentQueue()) {
    return SendShowToThread(w, cmd) ? TRUE : FALSE;
  }
  bool was = (w->style & WS_VISIBLE) != 0;
  bool show = cmd != SW_HIDE && cmd != SW_MINIMIZE;
  bool child = (w->style & WS_CHILD) != 0;
  bool activate = show && !child && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE;
  if (show != was) {
    CallProc(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!Find(hwnd)) return was;
    {
      Lock l(G().m);
      if (show) {
        w->style |= WS_VISIBLE;
        InvalidateTree(*w);
        if (!child) {
          EnsureSurface(*w);
          MoveToFront(G().zorder, hwnd);
        }
      } else {
        ExposeInParent(*w);
        w->style &= ~WS_VISIBLE;
      }
    }
    if (!show) {
      HWND f = w->queue->focus;
      if (f && (f == hwnd || IsChild(hwnd, f))) FocusLost(hwnd);
      HWND cap = G().capture;
      if (cap && (cap == hwnd || IsChild(hwnd, cap))) ReleaseCapture();
      if (!child) DeactivateOnDestroy(hwnd);
    }
  }
  if (activate) SetActiveWindow(hwnd);
  if (show && !child) OpenDisplayFor(*w);
  return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  if (auto w = Find(hwnd)) {
    Lock l(G().m);
    return VisibleChain(*w) ? TRUE : FALSE;
  }
  if (!hwnd || IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return FALSE;
  LRESULT r = 0;
  return RemoteCall(hwnd, OpIsVisible, 0, 0, 0, &r, nullptr, nullptr) && r ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  auto& g = G();
  bool moved = false, sized = false, restacked = false;
  RECT nr;
  {
    Lock l(g.m);
    RECT old = w->rect;
    nr = old;
    if (!(flags & SWP_NOMOVE)) nr = RECT{x, y, x + (old.right - old.left), y + (old.bottom - old.top)};
    if (!(flags & SWP_NOSIZE)) {
      nr.right = nr.left + std::max(cx, 0);
      nr.bottom = nr.top + std::max(cy, 0);
    }
    moved = nr.left != old.left || nr.top != old.top;
    sized = (nr.right - nr.left) != (old.right - old.left) || (nr.bottom - nr.top) != (old.bottom - old.top);
    if (!(flags & SWP_NOZORDER)) {
      std::vector<HWND>* list = &g.zorder;
      if ((w->style & WS_CHILD) && w->parent)
        if (auto p = Find(w->parent)) list = &p->children;
      auto it = std::find(list->begin(), list->end(), hwnd);
      if (it != list->end()) {
        size_t oldIndex = static_cast<size_t>(it - list->begin());
        list->erase(it);
        auto pos = list->begin();
        if (insertAfter == HWND_BOTTOM)
          pos = list->end();
        else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
          auto a = std::find(list->begin(), list->end(), insertAfter);
          pos = a == list->end() ? list->begin() : a + 1;
        }
        restacked = static_cast<size_t>(pos - list->begin()) != oldIndex;
        bool front = pos == list->begin();
        list->insert(pos, hwnd);
        if (list == &g.zorder) {
          if (front) {
            Restamp(*w);
            RaiseOwned(hwnd);
          } else
            StampBelow(*w, insertAfter == HWND_BOTTOM ? HWND_BOTTOM : insertAfter);
        }
        if (restacked && (w->style & WS_VISIBLE)) {
          InvalidateTree(*w);
        }
      }
    }
    if (moved || sized) {
      if (w->style & WS_VISIBLE) ExposeInParent(*w);
      w->rect = nr;
      EnsureSurface(*w);
      if (!(flags & SWP_NOREDRAW)) {
        InvalidateTree(*w);
      }
    }
  }
  if (moved || sized || restacked) {
    WINDOWPOS wp{hwnd,
                 insertAfter,
                 static_cast<int>(nr.left),
                 static_cast<int>(nr.top),
                 static_cast<int>(nr.right - nr.left),
                 static_cast<int>(nr.bottom - nr.top),
                 flags};
    SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  }
  if (moved && Find(hwnd)) {
    RECT c;
    {
      Lock l(g.m);
      c = ClientRectLocal(*w);
    }
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(nr.left + c.left), static_cast<WORD>(nr.top + c.top)));
  }
  if (sized && Find(hwnd)) {
    RECT c;
    GetClientRect(hwnd, &c);
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  return Find(hwnd) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  Lock l(G().m);
  if ((w->style & WS_CHILD) && w->parent) {
    if (auto p = Find(w->parent)) MoveToFront(p->children, hwnd);
  } else {
    MoveToFront(G().zorder, hwnd);
  }
  if (w->style & WS_VISIBLE) InvalidateTree(*w);
  return TRUE;
}

HWND SetActiveWindow(HWND hwnd) {
  auto q = CurrentQueue();
  HWND old = q->active;
  if (hwnd) {
    hwnd = TopLevelOf(hwnd);
    auto w = Find(hwnd);
    if (!w || w->queue != q) return 0;
    Lock l(G().m);
    MoveToFront(G().zorder, hwnd);
  }
  if (old == hwnd) return old;
  q->active = hwnd;
  if (old && Find(old)) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, hwnd);
  if (hwnd && q->active == hwnd) SendMessage(hwnd, WM_ACTIVATE, WA_ACTIVE, old);
  return old;
}

HWND GetActiveWindow() {
  auto q = CurrentQueue();
  return Find(q->active) ? q->active : 0;
}

HWND SetForegroundWindow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return IsWindow(hwnd) ? hwnd : 0;
  if (w->queue == CurrentQueue()) {
    SetActiveWindow(hwnd);
  } else {
    Lock l(G().m);
    MoveToFront(G().zorder, TopLevelOf(hwnd));
  }
  return hwnd;
}

HWND GetForegroundWindow() {
  auto& g = G();
  Lock l(g.m);
  for (HWND h : g.zorder) {
    auto w = Find(h);
    if (w && (w->style & WS_VISIBLE)) return h;
  }
  return 0;
}

HWND SetFocus(HWND hwnd) {
  auto q = CurrentQueue();
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w || w->queue != q || w->destroying) return 0;
    if (w->style & WS_DISABLED) return 0;
    HWND top = TopLevelOf(hwnd);
    if (q->active != top) {
      t_focusFromActivation = true;
      SetActiveWindow(top);
      t_focusFromActivation = false;
    }
  }
  HWND old = q->focus;
  if (old && !Find(old)) old = 0;
  if (old == hwnd) return old;
  q->focus = hwnd;
  if (old) SendMessage(old, WM_KILLFOCUS, hwnd, 0);
  if (hwnd && q->focus == hwnd && Find(hwnd)) SendMessage(hwnd, WM_SETFOCUS, old, 0);
  return old;
}

HWND GetFocus() {
  auto q = CurrentQueue();
  return Find(q->focus) ? q->focus : 0;
}

HWND SetCapture(HWND hwnd) {
  auto& g = G();
  HWND old;
  {
    Lock l(g.m);
    if (!Find(hwnd)) return 0;
    old = g.capture;
    g.capture = hwnd;
  }
  if (old && old != hwnd) SendMessage(old, WM_CAPTURECHANGED, 0, hwnd);
  return old;
}

BOOL ReleaseCapture() {
  auto& g = G();
  HWND old;
  {
    Lock l(g.m);
    old = g.capture;
    g.capture = 0;
  }
  if (old) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  Lock l(G().m);
  return Find(G().capture) ? G().capture : 0;
}

HWND WindowFromPoint(POINT pt) {
  auto& g = G();
  Lock l(g.m);
  for (HWND top : g.zorder) {
    auto cur = Find(top);
    if (!cur || !(cur->style & WS_VISIBLE) || !Inside(cur->rect, pt)) continue;
    for (;;) {
      POINT o = ClientOriginScreen(*cur);
      POINT client{pt.x - o.x, pt.y - o.y};
      std::shared_ptr<Window> next;
      for (HWND k : cur->children) {
        auto kw = Find(k);
        if (kw && (kw->style & WS_VISIBLE) && !(kw->style & WS_DISABLED) && Inside(kw->rect, client)) {
          next = kw;
          break;
        }
      }
      if (!next) return cur->hwnd;
      cur = next;
    }
  }
  return 0;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  auto w = Find(parent);
  if (!w) return 0;
  Lock l(G().m);
  RECT c = ClientRectLocal(*w);
  if (pt.x < 0 || pt.y < 0 || pt.x >= c.right - c.left || pt.y >= c.bottom - c.top) return 0;
  for (HWND k : w->children) {
    auto kw = Find(k);
    if (kw && Inside(kw->rect, pt)) return k;
  }
  return parent;
}

SHORT GetKeyState(int vk) { return (G().keyState[vk & 0xFF] & 0x80) ? static_cast<SHORT>(0x8000) : 0; }
SHORT GetAsyncKeyState(int vk) { return GetKeyState(vk); }

BOOL GetCursorPos(LPPOINT pt) {
  if (!pt) return FALSE;
  *pt = G().cursor;
  return TRUE;
}

HCURSOR LoadCursor(HINSTANCE, LPCWSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id < 32512 || id > 32519) id = 32512;
  return reinterpret_cast<HCURSOR>(&g_cursorIds[id - 32512]);
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old;
  {
    Lock l(G().m);
    old = G().cursorHandle;
    G().cursorHandle = cursor;
  }
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  if (cursor == wait)
    plat::win::SetWaitCursor(true);
  else if (old == wait)
    plat::win::SetWaitCursor(false);
  return old;
}

HCURSOR GetCursor() {
  Lock l(G().m);
  return G().cursorHandle;
}

UINT GetDoubleClickTime() { return 500; }

namespace plat::win {

void InjectStylus(Stylus kind, int x, int y) {
  auto& g = G();
  if (kind == Stylus::Tap) {
    InjectStylus(Stylus::Down, x, y);
    InjectStylus(Stylus::Up, x, y);
    return;
  }
  POINT pt{x, y};
  {
    Lock l(g.m);
    g.cursor = pt;
  }
  LPARAM screenLp = MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)));
  HWND track = 0;
  {
    Lock l(g.m);
    if (g.sbTrackWindow && Find(g.sbTrackWindow)) track = g.sbTrackWindow;
  }
  if (kind == Stylus::Down) {
    g.keyState[VK_LBUTTON] = 0x80;
    HWND target = GetCapture();
    int area = HTCLIENT;
    if (!target) target = HitTest(pt, &area);
    if (!target) return;
    if (area == HTVSCROLL || area == HTHSCROLL) {
      {
        Lock l(g.m);
        g.sbTrackWindow = target;
      }
      PostInput(target, WM_NCLBUTTONDOWN, static_cast<WPARAM>(area), screenLp);
      return;
    }
    UINT msg = WM_LBUTTONDOWN;
    // A tap on a window of an inactive top-level window activates that window first.
    if (auto topw = Find(TopLevelOf(target))) {
      bool activate;
      {
        Lock l(g.m);
        activate = !topw->noActivate && topw->queue->active != topw->hwnd;
      }
      if (activate) PostInput(topw->hwnd, WM_PLAT_ACTIVATE, 0, 0);
    }
    {
      Lock l(g.m);
      auto w = Find(target);
      uint64_t now = NowMs();
      bool dbl = w && (w->cls->wc.style & CS_DBLCLKS) && g.lastDownHwnd == target && !g.lastWasDouble &&
                 now - g.lastDownTime <= GetDoubleClickTime() && std::abs(g.lastDownPt.x - x) <= 4 &&
                 std::abs(g.lastDownPt.y - y) <= 4;
      if (dbl) msg = WM_LBUTTONDBLCLK;
      g.lastWasDouble = dbl;
      g.lastDownHwnd = target;
      g.lastDownTime = now;
      g.lastDownPt = pt;
      g.stylusTarget = target;
      g.stylusDown = true;
    }
    PostInput(target, msg, MK_LBUTTON, ClientPoint(target, x, y));
    return;
  }
  if (track) {
    if (kind == Stylus::Up) {
      g.keyState[VK_LBUTTON] = 0;
      {
        Lock l(g.m);
        g.sbTrackWindow = 0;
      }
      PostInput(track, WM_NCLBUTTONUP, HTVSCROLL, screenLp);
    } else {
      PostInput(track, WM_NCMOUSEMOVE, HTVSCROLL, screenLp);
    }
    return;
  }
  HWND target = GetCapture();
  int area = HTCLIENT;
  if (!target) target = HitTest(pt, &area);
  if (kind == Stylus::Up) {
    g.keyState[VK_LBUTTON] = 0;
    Lock l(g.m);
    g.stylusDown = false;
  }
  if (!target) return;
  bool down;
  {
    Lock l(g.m);
    down = g.stylusDown;
  }
  PostInput(target, kind == Stylus::Up ? WM_LBUTTONUP : WM_MOUSEMOVE, down ? MK_LBUTTON : 0, ClientPoint(target, x, y));
}

void InjectKeyDown(UINT vk) {
  HWND t = KeyTarget();
  G().keyState[vk & 0xFF] = 0x80;
  if (t) PostInput(t, WM_KEYDOWN, vk, 1);
}

void InjectKeyUp(UINT vk) {
  HWND t = KeyTarget();
  G().keyState[vk & 0xFF] = 0;
  if (t) PostInput(t, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

void InjectKey(UINT vk) {
  InjectKeyDown(vk);
  InjectKeyUp(vk);
}

void InjectChar(WCHAR ch) {
  HWND t = KeyTarget();
  if (t) PostInput(t, WM_CHAR, ch, 1);
}

void SetWaitCursor(bool on) {
  Lock l(G().m);
  G().waitCursor = on ? 1 : 0;
}

bool WaitCursorShown() {
  Lock l(G().m);
  return G().waitCursor > 0;
}

}  // namespace plat::win
