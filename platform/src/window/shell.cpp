// The handheld shell's calls (full-screen dialogs, task bar, input panel, menu and command bars)
// recorded as observable state, and window inspection for tests and the automation layer.
#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "window/wm_internal.h"

namespace plat::wm {

HWND CreateMenuBarWindow(HWND parent);
bool IsMenuBarWindow(HWND h);

namespace {
// What the process has asked of the shell as a whole (input panel, menu bars, dialog set-ups).
plat::win::ShellStateInfo g_shell;

// The task bar, input-panel button and start icon belong to the window that asked for them, as
// on the handheld: a full-screen call records its wish on its top-level window, and the shell
// shows what the frontmost window that asked wants. A window that never asked (a message box, a
// menu) leaves the bars as the window under it wants them; a window that goes away takes its
// wish with it.
struct BarWish {
  int taskBar = -1, sipButton = -1, startIcon = -1;  // -1 never asked, 0 hidden, 1 shown
};
std::unordered_map<HWND, BarWish> g_wishes;

void Apply(int& field, DWORD state, DWORD hide, DWORD show) {
  if (state & hide) field = 0;
  if (state & show) field = 1;
}

// The wish that the shell shows; caller holds the lock. Forgets the wishes of windows gone.
BarWish ShownWish() {
  auto& g = G();
  for (auto it = g_wishes.begin(); it != g_wishes.end();) {
    if (Find(it->first))
      ++it;
    else
      it = g_wishes.erase(it);
  }
  for (HWND h : g.zorder) {
    auto it = g_wishes.find(h);
    if (it != g_wishes.end()) return it->second;
  }
  return BarWish{};
}
}  // namespace

void ResetShell() {
  Lock l(G().m);
  g_shell = plat::win::ShellStateInfo{};
  g_wishes.clear();
}

std::string U8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80)
      out += static_cast<char>(c);
    else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace plat::wm

using namespace plat::wm;

BOOL SHInitDialog(PSHINITDLGINFO info) {
  if (!info || !(info->dwMask & SHIDIM_FLAGS) || !IsWindow(info->hDlg)) return FALSE;
  DWORD f = info->dwFlags;
  bool taskBar;
  {
    Lock l(G().m);
    g_shell.lastInitDialogFlags = f;
    if (f & SHIDIF_SIPDOWN) g_shell.sipShown = false;
    if (f & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) ++g_shell.fullScreenDialogs;
    // The dialog is sized for the bars it asked for itself: a new dialog has the task bar above it,
    // whatever the windows before it asked.
    auto it = g_wishes.find(TopLevelOf(info->hDlg));
    taskBar = it == g_wishes.end() || it->second.taskBar != 0;
  }
  int top = taskBar ? PLAT_TASKBAR_HEIGHT : 0;
  if (f & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) {
    MoveWindow(info->hDlg, 0, top, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT - top, TRUE);
  } else if (f & SHIDIF_SIZEDLG) {
    // Above the menu bar and the input panel when it is up.
    bool sip;
    {
      Lock l(G().m);
      sip = g_shell.sipShown;
    }
    int bottom = PLAT_SCREEN_HEIGHT - PLAT_MENUBAR_HEIGHT - (sip ? PLAT_SIP_HEIGHT - PLAT_MENUBAR_HEIGHT : 0);
    MoveWindow(info->hDlg, 0, top, PLAT_SCREEN_WIDTH, bottom - top, TRUE);
  }
  return TRUE;
}

BOOL SHFullScreen(HWND hwnd, DWORD state) {
  if (!IsWindow(hwnd)) return FALSE;
  Lock l(G().m);
  BarWish& wish = g_wishes[TopLevelOf(hwnd)];
  Apply(wish.taskBar, state, SHFS_HIDETASKBAR, SHFS_SHOWTASKBAR);
  Apply(wish.sipButton, state, SHFS_HIDESIPBUTTON, SHFS_SHOWSIPBUTTON);
  Apply(wish.startIcon, state, SHFS_HIDESTARTICON, SHFS_SHOWSTARTICON);
  return TRUE;
}

BOOL SHSipShowIM(DWORD flags) {
  Lock l(G().m);
  g_shell.sipShown = (flags & SIPF_ON) != 0;
  return TRUE;
}

BOOL SipShowIM(DWORD flags) { return SHSipShowIM(flags); }

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  if (!info) return FALSE;
  HWND bar = CreateMenuBarWindow(info->hwndParent);
  if (!bar) return FALSE;
  info->hwndMB = bar;
  Lock l(G().m);
  ++g_shell.menuBars;
  return TRUE;
}

HWND SHFindMenuBar(HWND hwnd) {
  auto& g = G();
  Lock l(g.m);
  for (auto& [h, w] : g.windows)
    if (w->owner == hwnd && IsMenuBarWindow(h)) return h;
  return 0;
}

HWND CommandBar_Create(HINSTANCE, HWND parent, int) {
  HWND bar = CreateMenuBarWindow(parent);
  if (bar) {
    Lock l(G().m);
    ++g_shell.menuBars;
  }
  return bar;
}

void CommandBar_Destroy(HWND bar) {
  if (!IsMenuBarWindow(bar)) return;
  DestroyWindow(bar);
  Lock l(G().m);
  g_shell.menuBars = std::max(0, g_shell.menuBars - 1);
}

BOOL CommandBar_Show(HWND bar, BOOL show) {
  if (!IsMenuBarWindow(bar)) return FALSE;
  ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
  return TRUE;
}

BOOL CommandBar_InsertMenubar(HWND bar, HINSTANCE, WORD, WORD) { return IsMenuBarWindow(bar) ? TRUE : FALSE; }

int CommandBar_Height(HWND bar) { return IsMenuBarWindow(bar) ? PLAT_MENUBAR_HEIGHT : 0; }

namespace plat::win {

ShellStateInfo ShellState() {
  Lock l(G().m);
  ShellStateInfo s = g_shell;
  BarWish shown = ShownWish();
  s.taskBarVisible = shown.taskBar != 0;
  s.sipButtonVisible = shown.sipButton != 0;
  s.startIconVisible = shown.startIcon != 0;
  s.workArea = RECT{0, s.taskBarVisible ? PLAT_TASKBAR_HEIGHT : 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT};
  return s;
}

void ResetShellState() { ResetShell(); }

static void Collect(HWND h, int depth, std::vector<WindowInfo>& out) {
  auto w = Find(h);
  if (!w) return;
  WindowInfo i;
  i.hwnd = h;
  i.parent = (w->style & WS_CHILD) ? w->parent : 0;
  i.owner = (w->style & WS_CHILD) ? 0 : w->owner;
  i.className = w->cls->name;
  i.id = w->id;
  i.text = w->text;
  POINT o = WindowOriginScreen(*w);
  i.rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  i.visible = VisibleChain(*w);
  i.enabled = !(w->style & WS_DISABLED);
  i.focused = w->queue && w->queue->focus == h;
  i.style = w->style;
  i.exStyle = w->exStyle;
  i.threadId = w->queue ? w->queue->tid : 0;
  i.depth = depth;
  out.push_back(std::move(i));
  for (HWND c : w->children) Collect(c, depth + 1, out);
}

std::vector<WindowInfo> EnumerateWindows() {
  auto& g = G();
  Lock l(g.m);
  std::vector<WindowInfo> out;
  for (HWND h : g.zorder) Collect(h, 0, out);
  return out;
}

std::u16string InspectWindow(HWND hwnd) {
  std::u16string text;
  if (!Find(hwnd)) return text;
  if (!SendMessage(hwnd, WM_PLAT_INSPECT, reinterpret_cast<WPARAM>(&text), 0)) text.clear();
  return text;
}

void ThreadCleanup() {
  // Windows of the calling thread go away with it; the queue holder does the work at thread exit.
  auto q = CurrentQueue();
  std::vector<HWND> mine;
  {
    Lock l(G().m);
    for (auto& [h, w] : G().windows)
      if (w->queue == q && !(w->style & WS_CHILD)) mine.push_back(h);
  }
  for (HWND h : mine) DestroyWindow(h);
}

}  // namespace plat::win
