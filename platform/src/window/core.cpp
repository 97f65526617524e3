// Window classes, window creation and destruction, window fields, geometry, text and the
// default window procedure.
#include <dlfcn.h>
#include <link.h>

#include <cstddef>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plat/controls.h"
#include "plat/gdi.h"
#include "automation/agent.h"
#include "window/wm_internal.h"

namespace plat::wm {

Globals& G() {
  // Never destroyed: thread exit handlers may still reach it while the process ends.
  static Globals* g = new Globals();
  return *g;
}

static bool g_controlsRegistered = false;

bool StrEqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::u16string ResourceName(LPCWSTR name) {
  if (!name) return {};
  if (IS_INTRESOURCE(name)) {
    std::string n = std::to_string(reinterpret_cast<uintptr_t>(name));
    return u"#" + std::u16string(n.begin(), n.end());
  }
  return std::u16string(name);
}

uint32_t SlotOf(HWND h) { return h >> 20; }

bool IsLocalHandle(HWND h) {
  auto& g = G();
  return g.slot != 0 && SlotOf(h) == g.slot;
}

std::shared_ptr<Window> Find(HWND h) {
  if (!h) return nullptr;
  auto& g = G();
  Lock l(g.m);
  auto it = g.windows.find(h);
  return it == g.windows.end() ? nullptr : it->second;
}

HWND TopLevelOf(HWND h) {
  auto& g = G();
  Lock l(g.m);
  auto w = Find(h);
  while (w && (w->style & WS_CHILD) && w->parent) {
    auto p = Find(w->parent);
    if (!p) break;
    w = p;
  }
  return w ? w->hwnd : 0;
}

static int BorderOf(const Window& w) {
  if (!(w.style & WS_CHILD)) return 0;
  return ((w.style & WS_BORDER) || (w.exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE))) ? 1 : 0;
}

static bool BarVisible(const ScrollBar& b) { return !b.forceHidden && (b.shown || b.max > b.min); }

RECT ClientRectLocal(const Window& w) {
  int b = BorderOf(w);
  LONG width = w.rect.right - w.rect.left, height = w.rect.bottom - w.rect.top;
  RECT r{b, b, width - b, height - b};
  if (BarVisible(w.vbar)) r.right -= PLAT_SCROLLBAR_SIZE;
  if (BarVisible(w.hbar)) r.bottom -= PLAT_SCROLLBAR_SIZE;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

POINT WindowOriginScreen(const Window& w) {
  if ((w.style & WS_CHILD) && w.parent) {
    auto p = Find(w.parent);
    if (p) {
      POINT o = ClientOriginScreen(*p);
      return POINT{o.x + w.rect.left, o.y + w.rect.top};
    }
  }
  return POINT{w.rect.left, w.rect.top};
}

POINT ClientOriginScreen(const Window& w) {
  POINT o = WindowOriginScreen(w);
  RECT c = ClientRectLocal(w);
  return POINT{o.x + c.left, o.y + c.top};
}

bool VisibleChain(const Window& w) {
  if (!(w.style & WS_VISIBLE)) return false;
  if ((w.style & WS_CHILD) && w.parent) {
    auto p = Find(w.parent);
    return p && VisibleChain(*p);
  }
  return true;
}

bool EnabledChain(const Window& w) {
  if (w.style & WS_DISABLED) return false;
  if ((w.style & WS_CHILD) && w.parent) {
    auto p = Find(w.parent);
    return p && EnabledChain(*p);
  }
  return true;
}

// A class whose window procedure lived in a library that has since been unloaded (a screen
// plug-in) is stale: it is forgotten, so that the library can register it again when it is
// loaded anew, and no window is ever created with a procedure that is gone.
//
// Asking the loader where a procedure lives walks its symbol tables, and every window created
// looks its class up: a class is asked again only after some library has been unloaded since it
// was last found loaded (the loader counts the objects it has unloaded).
static unsigned long long LoaderUnloads() {
  unsigned long long unloads = 0;
  bool counted = false;
  struct Out {
    unsigned long long* unloads;
    bool* counted;
  } out{&unloads, &counted};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t size, void* data) -> int {
        auto* o = static_cast<Out*>(data);
        if (size >= offsetof(dl_phdr_info, dlpi_subs) + sizeof info->dlpi_subs) {
          *o->unloads = info->dlpi_subs;
          *o->counted = true;
        }
        return 1;  // the count is the same in every object's record: the first is enough
      },
      &out);
  // A loader without the count: every lookup asks again.
  static unsigned long long uncounted = 0;
  return counted ? unloads : ~0ull - ++uncounted;
}

static bool ProcLoaded(ClassRec& c) {
  if (!c.wc.lpfnWndProc) return true;
  const unsigned long long unloads = LoaderUnloads();
  if (c.checkedAtUnloads == unloads) return true;
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(c.wc.lpfnWndProc), &info) == 0) return false;
  c.checkedAtUnloads = unloads;
  return true;
}

static std::shared_ptr<ClassRec> FindClass(std::u16string_view name) {
  auto& g = G();
  for (auto it = g.classes.begin(); it != g.classes.end(); ++it) {
    if (!StrEqualNoCase((*it)->name, name)) continue;
    if (!ProcLoaded(**it)) {
      g.classes.erase(it);
      return nullptr;
    }
    return *it;
  }
  return nullptr;
}

static void EnsureClasses() {
  Lock l(G().m);
  if (g_controlsRegistered) return;
  g_controlsRegistered = true;
  RegisterInternalClasses();
  plat::controls::RegisterClasses();
}

PLAT_WM_FAST_TLS constinit thread_local int t_callDepth = 0;
PLAT_WM_FAST_TLS constinit thread_local int t_postedDepth = -1;

LRESULT CallProc(const std::shared_ptr<Window>& w, UINT msg, WPARAM wp, LPARAM lp) {
  return w ? CallProcSent(*w, msg, wp, lp) : 0;
}

LRESULT CallProcPosted(const std::shared_ptr<Window>& w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!w) return 0;
  // The innermost call is this one, from the queue, until it returns.
  struct Posted {
    int saved = t_postedDepth;
    Posted() { t_postedDepth = t_callDepth + 1; }
    ~Posted() { t_postedDepth = saved; }
  } posted;
  return CallProcSent(*w, msg, wp, lp);
}

bool CurrentPosted() { return t_postedDepth == t_callDepth && t_callDepth > 0; }

void PostLocal(ThreadQueue& q, const MSG& m) {
  q.posted.push_back(m);
  Wake(q);
}

void RemoveWindowMessages(HWND h) {
  auto& g = G();
  for (auto& [tid, q] : g.queues) {
    auto& p = q->posted;
    p.erase(std::remove_if(p.begin(), p.end(), [h](const MSG& m) { return m.hwnd == h; }), p.end());
    auto& t = q->timers;
    t.erase(std::remove_if(t.begin(), t.end(), [h](const Timer& x) { return x.hwnd == h; }), t.end());
  }
}

}  // namespace plat::wm

using namespace plat::wm;

// ---- Classes ---------------------------------------------------------------------------------

UINT RegisterClass(const WNDCLASS* wc) {
  if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !*wc->lpszClassName) return 0;
  auto& g = G();
  Lock l(g.m);
  if (!g_controlsRegistered && wc->lpszClassName[0] != u'#') {
    // Registering the standard classes first keeps an application's class from being shadowed.
    l.unlock();
    EnsureClasses();
    l.lock();
  }
  if (FindClass(wc->lpszClassName)) return 0;
  auto c = std::make_shared<ClassRec>();
  c->wc = *wc;
  c->name = wc->lpszClassName;
  c->wc.lpszClassName = c->name.c_str();
  if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) {
    c->menuName = wc->lpszMenuName;
    c->wc.lpszMenuName = c->menuName.c_str();
  }
  g.classes.push_back(c);
  return static_cast<UINT>(0xC000 + g.classes.size());
}

BOOL UnregisterClass(LPCWSTR className, HINSTANCE) {
  if (!className || IS_INTRESOURCE(className)) return FALSE;
  auto& g = G();
  Lock l(g.m);
  for (auto it = g.classes.begin(); it != g.classes.end(); ++it) {
    if (!StrEqualNoCase((*it)->name, className)) continue;
    for (auto& [h, w] : g.windows)
      if (w->cls == *it) return FALSE;  // still in use
    g.classes.erase(it);
    return TRUE;
  }
  return FALSE;
}

BOOL GetClassInfo(HINSTANCE, LPCWSTR className, WNDCLASS* out) {
  if (!className || IS_INTRESOURCE(className)) return FALSE;
  EnsureClasses();
  auto& g = G();
  Lock l(g.m);
  auto c = FindClass(className);
  if (!c) return FALSE;
  if (out) *out = c->wc;
  return TRUE;
}

int GetClassName(HWND hwnd, LPWSTR buf, int maxCount) {
  auto w = Find(hwnd);
  if (!w || !buf || maxCount <= 0) return 0;
  const auto& n = w->cls->name;
  int count = std::min<int>(static_cast<int>(n.size()), maxCount - 1);
  std::copy(n.begin(), n.begin() + count, buf);
  buf[count] = 0;
  return count;
}

LONG_PTR GetClassLong(HWND hwnd, int index) {
  auto w = Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GCL_STYLE: return w->cls->wc.style;
    case GCL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->cls->wc.lpfnWndProc);
    case GCL_HBRBACKGROUND: return reinterpret_cast<LONG_PTR>(w->cls->wc.hbrBackground);
    default: return 0;
  }
}

// ---- Creation and destruction ----------------------------------------------------------------

static HWND AllocHandle() {
  auto& g = G();
  if (g.counter >= 0xFFFF0) return 0;
  return (g.slot << 20) | ++g.counter;
}

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, HINSTANCE inst, LPVOID param) {
  EnsureClasses();
  // The first window in a device root registers the process for automation once the creation
  // is over and the window manager's lock is free (declared before the lock: destroyed after it).
  struct RegisterAfter {
    bool on;
    ~RegisterAfter() {
      if (on) plat::automation::detail::RegisterNow();
    }
  } registerAfter{EnsureProcessSlot()};
  auto& g = G();
  Lock l(g.m);
  if (!className) return 0;
  std::shared_ptr<ClassRec> cls = IS_INTRESOURCE(className) ? nullptr : FindClass(className);
  if (!cls) return 0;
  std::shared_ptr<Window> pw;
  if (parent) {
    pw = Find(parent);
    if (!pw) return 0;
  }
  if ((style & WS_CHILD) && !pw) return 0;
  HWND h = AllocHandle();
  if (!h) return 0;
  auto w = std::make_shared<Window>();
  w->hwnd = h;
  w->queue = CurrentQueue();
  w->cls = cls;
  w->proc = cls->wc.lpfnWndProc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->instance = inst;
  w->text = windowName && !IS_INTRESOURCE(windowName) ? std::u16string(windowName) : std::u16string();
  w->extra.assign(static_cast<size_t>(std::max(cls->wc.cbWndExtra, 0)), 0);
  w->vbar.styleBar = (style & WS_VSCROLL) != 0;
  w->hbar.styleBar = (style & WS_HSCROLL) != 0;
  if (style & WS_CHILD) {
    w->parent = parent;
    w->id = static_cast<int>(reinterpret_cast<uintptr_t>(menuOrId));
  } else {
    w->owner = pw ? TopLevelOf(parent) : 0;
    w->menu = menuOrId;
  }
  if (!(style & WS_CHILD)) {
    if (x == CW_USEDEFAULT) {
      x = 0;
      y = PLAT_TASKBAR_HEIGHT;
    }
    if (width == CW_USEDEFAULT) {
      width = PLAT_SCREEN_WIDTH;
      height = PLAT_SCREEN_HEIGHT - PLAT_TASKBAR_HEIGHT;
    }
  } else {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
  }
  w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  g.windows[h] = w;
  if (pw && (style & WS_CHILD))
    pw->children.push_back(h);
  else {
    g.zorder.insert(g.zorder.begin(), h);
    Restamp(*w);
  }
  if (!(style & WS_CHILD)) EnsureSurface(*w);
  l.unlock();

  CREATESTRUCT cs{};
  cs.lpCreateParams = param;
  cs.hInstance = inst;
  cs.hMenu = menuOrId;
  cs.hwndParent = parent;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return 0;
  }
  if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return 0;
  }
  if (!IsWindow(h)) return 0;
  w->created = true;
  RECT cr;
  GetClientRect(h, &cr);
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cr.right, cr.bottom));
  CallProc(w, WM_MOVE, 0, MAKELPARAM(x, y));
  if (!IsWindow(h)) return 0;
  if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return IsWindow(h) ? h : 0;
}

HWND CreateWindow(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width, int height, HWND parent,
                  HMENU menuOrId, HINSTANCE inst, LPVOID param) {
  return CreateWindowEx(0, className, windowName, style, x, y, width, height, parent, menuOrId, inst, param);
}

static bool Contains(HWND ancestor, HWND h) {
  auto& g = G();
  Lock l(g.m);
  while (h) {
    if (h == ancestor) return true;
    auto w = Find(h);
    if (!w || !(w->style & WS_CHILD)) return false;
    h = w->parent;
  }
  return false;
}

static void DestroyTree(const std::shared_ptr<Window>& w) {
  CallProc(w, WM_DESTROY, 0, 0);
  std::vector<HWND> kids;
  {
    Lock l(G().m);
    kids = w->children;
  }
  for (HWND k : kids) {
    auto kw = Find(k);
    if (kw && !kw->destroying) {
      kw->destroying = true;
      DestroyTree(kw);
    }
  }
  CallProc(w, WM_NCDESTROY, 0, 0);
  auto& g = G();
  Lock l(g.m);
  if (auto p = Find(w->parent)) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), w->hwnd), c.end());
  }
  g.zorder.erase(std::remove(g.zorder.begin(), g.zorder.end(), w->hwnd), g.zorder.end());
  g.windows.erase(w->hwnd);
  g.windowsRemoved.fetch_add(1, std::memory_order_release);
  RemoveWindowMessages(w->hwnd);
  if (g.capture == w->hwnd) g.capture = 0;
  if (g.stylusTarget == w->hwnd) g.stylusTarget = 0;
  if (g.sbTrackWindow == w->hwnd) g.sbTrackWindow = 0;
  if (w->queue && w->queue->focus == w->hwnd) w->queue->focus = 0;
  if (w->queue && w->queue->active == w->hwnd) w->queue->active = 0;
}

BOOL DestroyWindow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  if (w->queue != CurrentQueue()) return FALSE;  // only the owner thread destroys a window
  if (w->destroying) return TRUE;
  // Windows owned by this one go first.
  std::vector<HWND> owned;
  {
    Lock l(G().m);
    for (auto& [h, o] : G().windows)
      if (!(o->style & WS_CHILD) && o->owner == hwnd) owned.push_back(h);
  }
  for (HWND o : owned) DestroyWindow(o);
  {
    Lock l(G().m);
    if (w->destroying) return TRUE;
    w->destroying = true;
    if (w->style & WS_VISIBLE) ExposeInParent(*w);
  }
  HWND focus, cap;
  {
    Lock l(G().m);  // other threads move their focus and the capture under the lock
    focus = w->queue->focus;
    cap = G().capture;
  }
  if (focus && Contains(hwnd, focus)) FocusLost(hwnd);
  if (cap && Contains(hwnd, cap)) ReleaseCapture();
  if (!(w->style & WS_CHILD)) DeactivateOnDestroy(hwnd);
  DestroyTree(w);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (!hwnd) return FALSE;
  if (Find(hwnd)) return TRUE;
  if (IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return FALSE;
  LRESULT r = 0;
  return RemoteCall(hwnd, OpIsWindow, 0, 0, 0, &r, nullptr, nullptr) && r ? TRUE : FALSE;
}

// ---- Window fields -------------------------------------------------------------------------

LONG_PTR GetWindowLong(HWND hwnd, int index) {
  auto w = Find(hwnd);
  if (!w) return 0;
  Lock l(G().m);
  switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT: return (w->style & WS_CHILD) ? w->parent : w->owner;
    case GWL_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<DWORD>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<DWORD>(w->exStyle));
    case GWL_USERDATA: return w->userData;
    default: break;
  }
  if (w->isDialog) {
    if (index == DWL_MSGRESULT) return w->msgResult;
    if (index == DWL_DLGPROC) return reinterpret_cast<LONG_PTR>(w->dlgProc);
    if (index == DWL_USER) return w->dlgUser;
  }
  if (index >= 0 && static_cast<size_t>(index) < w->extra.size()) return w->extra[static_cast<size_t>(index)];
  return 0;
}

LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value) {
  auto w = Find(hwnd);
  if (!w) return 0;
  Lock l(G().m);
  LONG_PTR old = 0;
  switch (index) {
    case GWL_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWL_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWL_HWNDPARENT:
      if (w->style & WS_CHILD) return w->parent;
      old = w->owner;
      w->owner = static_cast<HWND>(value);
      return old;
    case GWL_ID:
      old = w->id;
      w->id = static_cast<int>(value);
      return old;
    case GWL_STYLE: {
      old = static_cast<LONG_PTR>(static_cast<DWORD>(w->style));
      DWORD keepVisible = w->style & WS_VISIBLE;
      w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | keepVisible;
      w->vbar.styleBar = (w->style & WS_VSCROLL) != 0;
      w->hbar.styleBar = (w->style & WS_HSCROLL) != 0;
      return old;
    }
    case GWL_EXSTYLE:
      old = static_cast<LONG_PTR>(static_cast<DWORD>(w->exStyle));
      w->exStyle = static_cast<DWORD>(value);
      return old;
    case GWL_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    default: break;
  }
  if (w->isDialog) {
    if (index == DWL_MSGRESULT) {
      old = w->msgResult;
      w->msgResult = value;
      return old;
    }
    if (index == DWL_DLGPROC) {
      old = reinterpret_cast<LONG_PTR>(w->dlgProc);
      w->dlgProc = reinterpret_cast<DLGPROC>(value);
      return old;
    }
    if (index == DWL_USER) {
      old = w->dlgUser;
      w->dlgUser = value;
      return old;
    }
  }
  if (index >= 0 && static_cast<size_t>(index) < w->extra.size()) {
    old = w->extra[static_cast<size_t>(index)];
    w->extra[static_cast<size_t>(index)] = value;
  }
  return old;
}

// ---- Geometry --------------------------------------------------------------------------------

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  auto w = Find(hwnd);
  if (!w || !rect) return FALSE;
  Lock l(G().m);
  POINT o = WindowOriginScreen(*w);
  *rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  auto w = Find(hwnd);
  if (!w || !rect) return FALSE;
  Lock l(G().m);
  RECT c = ClientRectLocal(*w);
  *rect = RECT{0, 0, c.right - c.left, c.bottom - c.top};
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
  auto w = Find(hwnd);
  if (!w || !pt) return FALSE;
  Lock l(G().m);
  POINT o = ClientOriginScreen(*w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
  auto w = Find(hwnd);
  if (!w || !pt) return FALSE;
  Lock l(G().m);
  POINT o = ClientOriginScreen(*w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from && !ClientToScreen(from, &a)) return 0;
  if (to && !ClientToScreen(to, &b)) return 0;
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; pts && i < count; ++i) {
    pts[i].x += dx;
    pts[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND GetParent(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return 0;
  Lock l(G().m);  // SetParent and SetWindowLong change these on any thread
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  auto w = Find(child);
  if (!w) return 0;
  auto& g = G();
  Lock l(g.m);
  auto np = Find(newParent);
  if (newParent && !np) return 0;
  HWND old = w->parent;
  if (w->style & WS_VISIBLE) ExposeInParent(*w);
  if (auto op = Find(old))
    op->children.erase(std::remove(op->children.begin(), op->children.end(), child), op->children.end());
  g.zorder.erase(std::remove(g.zorder.begin(), g.zorder.end(), child), g.zorder.end());
  if (np) {
    w->style = (w->style | WS_CHILD) & ~WS_POPUP;
    w->parent = newParent;
    np->children.insert(np->children.begin(), child);
  } else {
    w->style &= ~WS_CHILD;
    w->parent = 0;
    g.zorder.insert(g.zorder.begin(), child);
    EnsureSurface(*w);
  }
  InvalidateLocal(*w, nullptr, true);
  return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  auto w = Find(hwnd);
  if (!w) return 0;
  auto& g = G();
  Lock l(g.m);
  const std::vector<HWND>* list = nullptr;
  std::shared_ptr<Window> p;
  if ((w->style & WS_CHILD) && w->parent) {
    p = Find(w->parent);
    if (p) list = &p->children;
  } else {
    list = &g.zorder;
  }
  switch (cmd) {
    case GW_CHILD: return w->children.empty() ? 0 : w->children.front();
    case GW_OWNER: return (w->style & WS_CHILD) ? 0 : w->owner;
    case GW_HWNDFIRST: return list && !list->empty() ? list->front() : 0;
    case GW_HWNDLAST: return list && !list->empty() ? list->back() : 0;
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
      if (!list) return 0;
      auto it = std::find(list->begin(), list->end(), hwnd);
      if (it == list->end()) return 0;
      if (cmd == GW_HWNDNEXT) return (it + 1) == list->end() ? 0 : *(it + 1);
      return it == list->begin() ? 0 : *(it - 1);
    }
    default: return 0;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) {
    Lock l(G().m);
    return G().zorder.empty() ? 0 : G().zorder.front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetDesktopWindow() { return 0; }

BOOL IsChild(HWND parent, HWND hwnd) { return parent && hwnd != parent && Contains(parent, hwnd) ? TRUE : FALSE; }

HWND GetDlgItem(HWND dlg, int id) {
  auto w = Find(dlg);
  if (!w) return 0;
  Lock l(G().m);
  for (HWND c : w->children) {
    auto cw = Find(c);
    if (cw && cw->id == id) return c;
  }
  return 0;
}

int GetDlgCtrlID(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return 0;
  Lock l(G().m);  // SetWindowLong(GWL_ID) changes it on any thread
  return w->id;
}

BOOL SetDlgItemText(HWND dlg, int id, LPCWSTR text) {
  HWND c = GetDlgItem(dlg, id);
  return c ? SetWindowText(c, text) : FALSE;
}

UINT GetDlgItemText(HWND dlg, int id, LPWSTR buf, int maxCount) {
  HWND c = GetDlgItem(dlg, id);
  if (!c) {
    if (buf && maxCount > 0) buf[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowText(c, buf, maxCount));
}

BOOL SetDlgItemInt(HWND dlg, int id, UINT value, BOOL isSigned) {
  std::string s = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  std::u16string t(s.begin(), s.end());
  return SetDlgItemText(dlg, id, t.c_str());
}

UINT GetDlgItemInt(HWND dlg, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  HWND c = GetDlgItem(dlg, id);
  if (!c) return 0;
  int n = GetWindowTextLength(c);
  std::u16string t(static_cast<size_t>(n) + 1, u'\0');
  GetWindowText(c, t.data(), n + 1);
  t.resize(static_cast<size_t>(n));
  size_t i = 0;
  while (i < t.size() && t[i] == u' ') ++i;
  bool neg = false;
  if (i < t.size() && t[i] == u'-') {
    if (!isSigned) return 0;
    neg = true;
    ++i;
  }
  size_t start = i;
  uint64_t v = 0;
  while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
    v = v * 10 + static_cast<uint64_t>(t[i] - u'0');
    if (v > 0xFFFFFFFFull) return 0;  // out of range: not translated
    ++i;
  }
  while (i < t.size() && t[i] == u' ') ++i;
  if (i == start || i != t.size()) return 0;
  if (isSigned && v > (neg ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
  if (translated) *translated = TRUE;
  return neg ? static_cast<UINT>(-static_cast<int64_t>(v)) : static_cast<UINT>(v);
}

LRESULT SendDlgItemMessage(HWND dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dlg, id);
  return c ? SendMessage(c, msg, wParam, lParam) : 0;
}

#ifndef BM_SETCHECK
#define BM_SETCHECK 0x00F1
#define BM_GETCHECK 0x00F0
#endif
BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
  HWND c = GetDlgItem(dlg, id);
  if (!c) return FALSE;
  SendMessage(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  return c ? static_cast<UINT>(SendMessage(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  bool wasDisabled;
  {
    Lock l(G().m);
    wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) return wasDisabled;
    if (enable)
      w->style &= ~WS_DISABLED;
    else
      w->style |= WS_DISABLED;
    InvalidateLocal(*w, nullptr, true);
  }
  if (!enable) {
    HWND focus, cap;
    bool child;
    {
      Lock l(G().m);  // the window's thread moves its focus, any thread the capture
      focus = w->queue->focus;
      cap = G().capture;
      child = (w->style & WS_CHILD) != 0;
    }
    if (focus && Contains(hwnd, focus) && w->queue == CurrentQueue()) {
      // A disabled window loses the focus, as on the handheld.
      if (child) FocusLost(hwnd);
    }
    if (cap && Contains(hwnd, cap)) ReleaseCapture();
  }
  SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto w = Find(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL SetWindowText(HWND hwnd, LPCWSTR text) {
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, LPWSTR buf, int maxCount) {
  if (!buf || maxCount <= 0) return 0;
  buf[0] = 0;
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buf)));
}

int GetWindowTextLength(HWND hwnd) { return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

HWND FindWindow(LPCWSTR className, LPCWSTR windowName) {
  auto& g = G();
  Lock l(g.m);
  for (HWND h : g.zorder) {
    auto w = Find(h);
    if (!w) continue;
    if (className && !IS_INTRESOURCE(className) && !StrEqualNoCase(w->cls->name, className)) continue;
    if (windowName && w->text != windowName) continue;
    return h;
  }
  return 0;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Lock l(G().m);
    list = G().zorder;
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

static void CollectChildren(HWND parent, std::vector<HWND>& out) {
  auto w = Find(parent);
  if (!w) return;
  for (HWND c : w->children) {
    out.push_back(c);
    CollectChildren(c, out);
  }
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Lock l(G().m);
    CollectChildren(parent, list);
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  if (auto w = Find(hwnd)) {
    if (processId) *processId = CurrentProcessId();
    return w->queue->tid;
  }
  if (processId) *processId = 0;
  if (!hwnd || IsLocalHandle(hwnd) || SlotOf(hwnd) == 0) return 0;
  DWORD tid = 0, pid = 0;
  LRESULT r = 0;
  if (!RemoteCall(hwnd, OpThread, 0, 0, 0, &r, &tid, &pid) || !r) return 0;
  if (processId) *processId = pid;
  return tid;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN: return PLAT_SCREEN_WIDTH;
    case SM_CYSCREEN: return PLAT_SCREEN_HEIGHT;
    case SM_CYFULLSCREEN: return PLAT_SCREEN_HEIGHT - PLAT_TASKBAR_HEIGHT;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return PLAT_SCROLLBAR_SIZE;
    case SM_CYCAPTION:
    case SM_CYMENU: return PLAT_MENUBAR_HEIGHT;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 8;
    default: return 0;
  }
}

// ---- Default window procedure ----------------------------------------------------------------

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_SETTEXT: {
      LPCWSTR t = reinterpret_cast<LPCWSTR>(lParam);
      Lock l(G().m);
      w->text = t ? std::u16string(t) : std::u16string();
      InvalidateLocal(*w, nullptr, true);
      return TRUE;
    }
    case WM_GETTEXT: {
      LPWSTR buf = reinterpret_cast<LPWSTR>(lParam);
      if (!buf || wParam == 0) return 0;
      Lock l(G().m);
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
      std::copy(w->text.begin(), w->text.begin() + static_cast<ptrdiff_t>(n), buf);
      buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      Lock l(G().m);
      return static_cast<LRESULT>(w->text.size());
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HBRUSH br = w->cls->wc.hbrBackground;
      if (!dc || !br) return 0;
      uintptr_t v = reinterpret_cast<uintptr_t>(br);
      if (v > 0 && v <= 31) br = GetSysColorBrush(static_cast<int>(v - 1));
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, br);
      return 1;
    }
    case WM_SETFONT: {
      Lock l(G().m);
      w->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateLocal(*w, nullptr, true);
      return 0;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_SETREDRAW: {
      Lock l(G().m);
      w->redrawOff = !wParam;
      if (wParam) InvalidateLocal(*w, nullptr, true);
      return 0;
    }
    case WM_NCHITTEST: return HTCLIENT;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      bool face = msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORLISTBOX;
      if (dc) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(face ? COLOR_BTNFACE : COLOR_WINDOW));
      }
      return reinterpret_cast<LRESULT>(GetSysColorBrush(face ? COLOR_BTNFACE : COLOR_WINDOW));
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_CHILD) && !FocusChangeFromActivation()) {
        HWND f = GetFocus();
        if (!f || TopLevelOf(f) != hwnd) SetFocus(hwnd);
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_HELP:
      if ((w->style & WS_CHILD) && w->parent) return SendMessage(w->parent, WM_HELP, wParam, lParam);
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK: {
      ScrollBarStylus(hwnd, msg, wParam, lParam);
      return 0;
    }
    default: return 0;
  }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, msg, wParam, lParam);
}

namespace plat::win {

bool CurrentMessagePosted() { return CurrentPosted(); }

void ResetForTests() {
  auto& g = G();
  std::vector<HWND> all;
  {
    Lock l(g.m);
    all = g.zorder;
  }
  auto me = CurrentQueue();
  for (HWND h : all) {
    auto w = Find(h);
    if (w && w->queue == me) DestroyWindow(h);
  }
  StopServer();
  ResetModal();
  ResetMenus();
  ResetShell();
  Lock l(g.m);
  g.windows.clear();
  g.windowsRemoved.fetch_add(1, std::memory_order_release);
  g.zorder.clear();
  g.classes.clear();
  for (auto& [tid, q] : g.queues) {
    q->posted.clear();
    q->timers.clear();
    q->quit = false;
    q->focus = q->active = 0;
  }
  g.slot = 0;
  g.counter = 0;
  ResetDeviceScreen(false);
  // The device root of the next test (set before this call); kept so that what logs late (at
  // exit) never needs the kernel.
  g.runDir = RunDir();
  g.capture = g.lastDownHwnd = g.stylusTarget = g.sbTrackWindow = 0;
  g.lastDownTime = 0;
  g.lastWasDouble = false;
  g.stylusDown = false;
  g.waitCursor = 0;
  g.automation = false;
  for (auto& k : g.keyState) k = 0;
  g_controlsRegistered = false;
}

}  // namespace plat::win
