// Message boxes and pop-up menus. Each is a window of its own (drawn with its caption, text,
// buttons or items, so it shows on the screen and in screenshots) and runs a modal loop that
// keeps handling the thread's messages. Tests and the automation layer see what is pending and
// answer it through plat::win.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

#include "plat/display.h"
#include "plat/gdi.h"
#include "window/wm_internal.h"

namespace plat::display {
bool IsOpen() __attribute__((weak));
}

struct PlatMenu {
  struct Item {
    UINT id = 0;
    std::u16string text;
    UINT flags = 0;
    HMENU sub = nullptr;
  };
  std::vector<Item> items;
};

namespace plat::wm {

namespace {

const char16_t kBoxClass[] = u"#plat_msgbox";
const char16_t kMenuClass[] = u"#plat_menu";
const char16_t kBarClass[] = u"#plat_menubar";
constexpr int kItemHeight = 20;
constexpr int kTextLeft = 8, kTextRight = 4;  // an item's text within the menu
constexpr int kSeparatorHeight = 7;
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 22;
constexpr int kCaptionHeight = 20;

struct BoxRec {
  plat::win::MessageBoxInfo info;
  int defaultButton = IDOK;
  std::atomic<int> answer{0};
  std::shared_ptr<ThreadQueue> queue;
  bool shown = false;  // pending (visible to tests and automation) once drawn on the screen
};

struct MenuRec {
  plat::win::MenuInfo info;
  std::atomic<int> chosen{-1};  // -1 pending, 0 dismissed, else the item id
  std::shared_ptr<ThreadQueue> queue;
  bool shown = false;
};

std::vector<std::shared_ptr<BoxRec>>& Boxes() {
  static auto* v = new std::vector<std::shared_ptr<BoxRec>>();
  return *v;
}
std::vector<std::shared_ptr<MenuRec>>& Menus() {
  static auto* v = new std::vector<std::shared_ptr<MenuRec>>();
  return *v;
}
std::set<HMENU>& LiveMenus() {
  static auto* s = new std::set<HMENU>();
  return *s;
}

// The answer of a box ended without a choice: cancel, else no, else OK, else abort.
int CancelAnswer(const std::vector<int>& buttons) {
  for (int id : {IDCANCEL, IDNO, IDOK, IDABORT})
    if (std::find(buttons.begin(), buttons.end(), id) != buttons.end()) return id;
  return buttons.empty() ? IDOK : buttons.front();
}

// Someone can answer: a test or the automation layer (automation mode) or a user at the display.
bool SomeoneAnswers() {
  if (plat::win::AutomationMode()) return true;
  return (&plat::display::IsOpen && plat::display::IsOpen()) || DisplayElsewhere();
}

const char16_t* ButtonText(int id) {
  switch (id) {
    case IDOK: return u"OK";
    case IDCANCEL: return u"Cancel";
    case IDYES: return u"Yes";
    case IDNO: return u"No";
    case IDABORT: return u"Abort";
    case IDRETRY: return u"Retry";
    case IDIGNORE: return u"Ignore";
    default: return u"";
  }
}

std::shared_ptr<BoxRec> BoxOf(HWND h) {
  for (auto& b : Boxes())
    if (b->info.hwnd == h) return b;
  return nullptr;
}

std::shared_ptr<MenuRec> MenuOfWindow(HWND h) {
  for (auto& m : Menus())
    if (m->info.hwnd == h) return m;
  return nullptr;
}

RECT ButtonRect(const BoxRec& b, size_t index, const RECT& client) {
  int n = static_cast<int>(b.info.buttons.size());
  int total = n * kButtonWidth + (n - 1) * 8;
  int x = (client.right - total) / 2 + static_cast<int>(index) * (kButtonWidth + 8);
  int y = client.bottom - kButtonHeight - 8;
  return RECT{x, y, x + kButtonWidth, y + kButtonHeight};
}

void Answer(const std::shared_ptr<BoxRec>& b, int id) {
  b->answer = id;
  Wake(*b->queue);
}

LRESULT CALLBACK BoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  std::shared_ptr<BoxRec> b;
  {
    Lock l(G().m);
    b = BoxOf(h);
  }
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (dc && b) {
        RECT rc;
        GetClientRect(h, &rc);
        FillRect(dc, &rc, GetStockObject(WHITE_BRUSH));
        FrameRect(dc, &rc, GetStockObject(BLACK_BRUSH));
        RECT cap{0, 0, rc.right, kCaptionHeight};
        HBRUSH capBrush = CreateSolidBrush(RGB(0, 0, 128));
        FillRect(dc, &cap, capBrush);
        DeleteObject(capBrush);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT capText{6, 2, rc.right - 4, kCaptionHeight};
        DrawText(dc, b->info.caption.c_str(), -1, &capText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SetTextColor(dc, RGB(0, 0, 0));
        UINT icon = b->info.type & MB_ICONMASK;
        const char16_t* mark = icon == MB_ICONQUESTION      ? u"?"
                               : icon == MB_ICONEXCLAMATION ? u"!"
                               : icon == MB_ICONINFORMATION ? u"i"
                               : icon == MB_ICONHAND        ? u"x"
                                                            : nullptr;
        int textLeft = 8;
        if (mark) {
          RECT m{8, kCaptionHeight + 8, 28, kCaptionHeight + 28};
          FrameRect(dc, &m, GetStockObject(BLACK_BRUSH));
          DrawText(dc, mark, -1, &m, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
          textLeft = 34;
        }
        RECT t{textLeft, kCaptionHeight + 8, rc.right - 8, rc.bottom - kButtonHeight - 14};
        DrawText(dc, b->info.text.c_str(), -1, &t, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        for (size_t i = 0; i < b->info.buttons.size(); ++i) {
          RECT br = ButtonRect(*b, i, rc);
          FrameRect(dc, &br, GetStockObject(BLACK_BRUSH));
          DrawText(dc, ButtonText(b->info.buttons[i]), -1, &br, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONUP: {
      if (!b) return 0;
      RECT rc;
      GetClientRect(h, &rc);
      POINT p{static_cast<SHORT>(LOWORD(lp)), static_cast<SHORT>(HIWORD(lp))};
      for (size_t i = 0; i < b->info.buttons.size(); ++i) {
        RECT br = ButtonRect(*b, i, rc);
        if (p.x >= br.left && p.x < br.right && p.y >= br.top && p.y < br.bottom) Answer(b, b->info.buttons[i]);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      if (!b) return 0;
      if (wp == VK_RETURN)
        Answer(b, b->defaultButton);
      else if (wp == VK_ESCAPE) {
        auto& bs = b->info.buttons;
        if (std::find(bs.begin(), bs.end(), IDCANCEL) != bs.end())
          Answer(b, IDCANCEL);
        else if (bs.size() == 1)
          Answer(b, bs[0]);
      }
      return 0;
    }
    case WM_CLOSE: {
      if (b) {
        auto& bs = b->info.buttons;
        if (std::find(bs.begin(), bs.end(), IDCANCEL) != bs.end())
          Answer(b, IDCANCEL);
        else if (bs.size() == 1)
          Answer(b, bs[0]);
      }
      return 0;
    }
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

int ItemAt(const MenuRec& m, int y) {
  int top = 1;
  for (size_t i = 0; i < m.info.items.size(); ++i) {
    int hgt = (m.info.items[i].flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
    if (y >= top && y < top + hgt) return static_cast<int>(i);
    top += hgt;
  }
  return -1;
}

LRESULT CALLBACK MenuProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  std::shared_ptr<MenuRec> m;
  {
    Lock l(G().m);
    m = MenuOfWindow(h);
  }
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (dc && m) {
        RECT rc;
        GetClientRect(h, &rc);
        FillRect(dc, &rc, GetStockObject(WHITE_BRUSH));
        FrameRect(dc, &rc, GetStockObject(BLACK_BRUSH));
        SetBkMode(dc, TRANSPARENT);
        int top = 1;
        for (auto& it : m->info.items) {
          if (it.flags & MF_SEPARATOR) {
            RECT line{4, top + kSeparatorHeight / 2, rc.right - 4, top + kSeparatorHeight / 2 + 1};
            FillRect(dc, &line, GetStockObject(GRAY_BRUSH));
            top += kSeparatorHeight;
            continue;
          }
          SetTextColor(dc, (it.flags & (MF_GRAYED | MF_DISABLED)) ? RGB(128, 128, 128) : RGB(0, 0, 0));
          RECT t{kTextLeft, top, rc.right - kTextRight, top + kItemHeight};
          DrawText(dc, it.text.c_str(), -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
          top += kItemHeight;
        }
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      if (!m || m->chosen >= 0) return 0;
      RECT rc;
      GetClientRect(h, &rc);
      POINT p{static_cast<SHORT>(LOWORD(lp)), static_cast<SHORT>(HIWORD(lp))};
      bool inside = p.x >= 0 && p.x < rc.right && p.y >= 0 && p.y < rc.bottom;
      if (!inside) {
        if (msg == WM_LBUTTONDOWN) {
          m->chosen = 0;  // a tap outside dismisses the menu
          Wake(*m->queue);
        }
        return 0;
      }
      if (msg == WM_LBUTTONUP) {
        int i = ItemAt(*m, p.y);
        if (i >= 0) {
          auto& it = m->info.items[static_cast<size_t>(i)];
          if (!(it.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED))) {
            m->chosen = static_cast<int>(it.id);
            Wake(*m->queue);
          }
        }
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (m && wp == VK_ESCAPE) {
        m->chosen = 0;
        Wake(*m->queue);
      }
      return 0;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT CALLBACK BarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(h, msg, wp, lp); }

PlatMenu* MenuPtr(HMENU m) {
  Lock l(G().m);
  return LiveMenus().count(m) ? m : nullptr;
}

PlatMenu::Item* ItemOf(HMENU menu, UINT idOrPos, UINT flags, size_t* index = nullptr) {
  PlatMenu* m = MenuPtr(menu);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (idOrPos >= m->items.size()) return nullptr;
    if (index) *index = idOrPos;
    return &m->items[idOrPos];
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    if (m->items[i].id == idOrPos && !(m->items[i].flags & MF_POPUP)) {
      if (index) *index = i;
      return &m->items[i];
    }
  }
  return nullptr;
}

}  // namespace

void RegisterInternalClasses() {
  WNDCLASS wc{};
  wc.lpfnWndProc = DialogWndProc;
  wc.lpszClassName = WC_DIALOG;
  wc.style = CS_DBLCLKS;
  RegisterClass(&wc);
  wc = WNDCLASS{};
  wc.lpfnWndProc = BoxProc;
  wc.lpszClassName = kBoxClass;
  RegisterClass(&wc);
  wc.lpfnWndProc = MenuProc;
  wc.lpszClassName = kMenuClass;
  RegisterClass(&wc);
  wc.lpfnWndProc = BarProc;
  wc.lpszClassName = kBarClass;
  RegisterClass(&wc);
}

void ResetModal() {
  Lock l(G().m);
  for (auto& b : Boxes()) b->answer = IDCANCEL;
  for (auto& m : Menus()) m->chosen = 0;
  Boxes().clear();
  Menus().clear();
}

void ResetMenus() {}

HWND CreateMenuBarWindow(HWND parent) {
  return CreateWindowEx(0, kBarClass, u"", WS_POPUP, 0, PLAT_SCREEN_HEIGHT - PLAT_MENUBAR_HEIGHT, PLAT_SCREEN_WIDTH,
                        PLAT_MENUBAR_HEIGHT, parent, nullptr, nullptr, nullptr);
}

bool IsMenuBarWindow(HWND h) {
  auto w = Find(h);
  return w && StrEqualNoCase(w->cls->name, kBarClass);
}

}  // namespace plat::wm

using namespace plat::wm;

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  auto rec = std::make_shared<BoxRec>();
  rec->queue = CurrentQueue();
  rec->info.caption = caption ? caption : u"";
  rec->info.text = text ? text : u"";
  rec->info.type = type;
  rec->info.processId = CurrentProcessId();
  rec->info.threadId = rec->queue->tid;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: rec->info.buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: rec->info.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: rec->info.buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: rec->info.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: rec->info.buttons = {IDRETRY, IDCANCEL}; break;
    default: rec->info.buttons = {IDOK}; break;
  }
  size_t defIndex = std::min<size_t>((type & MB_DEFMASK) >> 8, rec->info.buttons.size() - 1);
  rec->defaultButton = rec->info.buttons[defIndex];

  // The owner may be missing, destroyed or another thread's window: the box then has no owner.
  auto ow = Find(owner);
  HWND top = ow && ow->queue == rec->queue ? TopLevelOf(owner) : 0;
  rec->info.owner = top;

  // Size the box to its text: about 30 characters a line.
  int lines = 1, run = 0;
  for (char16_t c : rec->info.text) {
    if (c == u'\n' || ++run > 30) {
      ++lines;
      run = 0;
    }
  }
  int height = std::clamp(kCaptionHeight + 16 + lines * 16 + kButtonHeight + 16, 90, PLAT_SCREEN_HEIGHT - 40);
  int y = PLAT_TASKBAR_HEIGHT + (PLAT_SCREEN_HEIGHT - PLAT_TASKBAR_HEIGHT - height) / 2;
  HWND box = CreateWindowEx(WS_EX_TOPMOST, kBoxClass, rec->info.caption.c_str(), WS_POPUP, 10, y,
                            PLAT_SCREEN_WIDTH - 20, height, top, nullptr, nullptr, nullptr);
  if (!box) return 0;
  rec->info.hwnd = box;
  {
    Lock l(G().m);
    Boxes().push_back(rec);
  }
  std::string fields =
      std::to_string(box) + "\t" + std::to_string(type) + "\t" + U8(rec->info.caption) + "\t" + U8(rec->info.text);
  for (char& c : fields)
    if (c == '\n' || c == '\r') c = ' ';
  plat::win::LogEvent("msgbox", fields);

  bool disabledOwner = false;
  if (top && IsWindowEnabled(top)) {
    EnableWindow(top, FALSE);
    disabledOwner = true;
  }
  ShowWindow(box, SW_SHOW);
  UpdateWindow(box);
  {
    // Pending (and answerable) once it is drawn on the screen.
    Lock l(G().m);
    rec->shown = true;
  }
  if (!SomeoneAnswers()) {
    // Nobody can answer (headless, not automated): the default button, so nothing hangs.
    rec->answer = rec->defaultButton;
  }
  {
    ModalScope scope(top, [rec] {
      int none = 0;
      rec->answer.compare_exchange_strong(none, CancelAnswer(rec->info.buttons));
    });
    ModalLoop([&] { return rec->answer != 0 || !IsWindow(box); }, 0);
  }
  // A box whose window went (its owner was destroyed) was not answered: never "yes".
  int result = rec->answer;
  if (!result) result = CancelAnswer(rec->info.buttons);
  {
    Lock l(G().m);
    auto& v = Boxes();
    v.erase(std::remove(v.begin(), v.end(), rec), v.end());
  }
  plat::win::LogEvent("msgbox-answer", std::to_string(box) + "\t" + std::to_string(result));
  if (disabledOwner) EnableWindow(top, TRUE);
  DestroyWindow(box);
  if (top && IsWindowVisible(top)) SetActiveWindow(top);
  return result;
}

BOOL MessageBeep(UINT) { return TRUE; }

HMENU CreatePopupMenu() {
  auto* m = new PlatMenu();
  Lock l(G().m);
  LiveMenus().insert(m);
  return m;
}

HMENU CreateMenu() { return CreatePopupMenu(); }

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  Lock l(G().m);
  PlatMenu* m = MenuPtr(menu);
  if (!m) return FALSE;
  PlatMenu::Item it;
  it.flags = flags & ~(MF_BYPOSITION | MF_APPEND | MF_INSERT | MF_CHANGE | MF_DELETE | MF_REMOVE);
  if (flags & MF_POPUP)
    it.sub = reinterpret_cast<HMENU>(idOrPopup);
  else
    it.id = static_cast<UINT>(idOrPopup);
  if (!(flags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) && text) it.text = text;
  size_t at = m->items.size();
  if (position != 0xFFFFFFFFu) {
    if (flags & MF_BYPOSITION)
      at = std::min<size_t>(position, m->items.size());
    else {
      size_t idx;
      if (ItemOf(menu, position, MF_BYCOMMAND, &idx)) at = idx;
    }
  }
  m->items.insert(m->items.begin() + static_cast<ptrdiff_t>(at), it);
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  return InsertMenu(menu, 0xFFFFFFFFu, flags & ~MF_BYPOSITION, idOrPopup, text);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  Lock l(G().m);
  size_t idx;
  if (!ItemOf(menu, position, flags, &idx)) return FALSE;
  PlatMenu* m = MenuPtr(menu);
  m->items.erase(m->items.begin() + static_cast<ptrdiff_t>(idx));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  HMENU sub = nullptr;
  {
    Lock l(G().m);
    if (auto* it = ItemOf(menu, position, flags)) sub = it->sub;
  }
  if (!RemoveMenu(menu, position, flags)) return FALSE;
  if (sub) DestroyMenu(sub);
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT idOrPosition, UINT flags) {
  Lock l(G().m);
  auto* it = ItemOf(menu, idOrPosition, flags);
  if (!it) return -1;
  UINT old = it->flags & (MF_GRAYED | MF_DISABLED);
  it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(old);
}

DWORD CheckMenuItem(HMENU menu, UINT idOrPosition, UINT flags) {
  Lock l(G().m);
  auto* it = ItemOf(menu, idOrPosition, flags);
  if (!it) return 0xFFFFFFFFu;
  DWORD old = it->flags & MF_CHECKED;
  it->flags = (it->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

int GetMenuItemCount(HMENU menu) {
  Lock l(G().m);
  PlatMenu* m = MenuPtr(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

HMENU GetSubMenu(HMENU menu, int position) {
  Lock l(G().m);
  PlatMenu* m = MenuPtr(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
  return m->items[static_cast<size_t>(position)].sub;
}

BOOL DestroyMenu(HMENU menu) {
  std::vector<HMENU> subs;
  {
    Lock l(G().m);
    PlatMenu* m = MenuPtr(menu);
    if (!m) return FALSE;
    for (auto& it : m->items)
      if (it.sub) subs.push_back(it.sub);
    LiveMenus().erase(menu);
    delete m;
  }
  for (HMENU s : subs) DestroyMenu(s);
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  auto rec = std::make_shared<MenuRec>();
  {
    Lock l(G().m);
    PlatMenu* m = MenuPtr(menu);
    if (!m || m->items.empty()) return FALSE;
    for (auto& it : m->items) {
      plat::win::MenuItemInfo mi;
      mi.id = (it.flags & MF_POPUP) ? 0 : it.id;
      mi.text = it.text;
      mi.flags = it.flags;
      rec->info.items.push_back(mi);
    }
  }
  if (owner && IsWindow(owner)) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  rec->queue = CurrentQueue();
  rec->info.owner = owner;
  rec->info.threadId = rec->queue->tid;
  // As wide as the widest item in the font the menu draws with, as the handheld's menus are.
  int widest = 0;
  int height = 2;
  HDC measure = CreateCompatibleDC(nullptr);
  for (auto& it : rec->info.items) {
    SIZE size{};
    if (measure && !it.text.empty() &&
        GetTextExtentPoint32(measure, it.text.c_str(), static_cast<int>(it.text.size()), &size))
      widest = std::max(widest, static_cast<int>(size.cx));
    height += (it.flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
  }
  if (measure) DeleteDC(measure);
  int width = std::clamp(widest + kTextLeft + kTextRight + 8, 60, PLAT_SCREEN_WIDTH);
  height = std::min(height, PLAT_SCREEN_HEIGHT);
  if (flags & TPM_RIGHTALIGN)
    x -= width;
  else if (flags & TPM_CENTERALIGN)
    x -= width / 2;
  if (flags & TPM_BOTTOMALIGN)
    y -= height;
  else if (flags & TPM_VCENTERALIGN)
    y -= height / 2;
  x = std::clamp(x, 0, PLAT_SCREEN_WIDTH - width);
  y = std::clamp(y, 0, PLAT_SCREEN_HEIGHT - height);
  rec->info.x = x;
  rec->info.y = y;
  HWND top = owner && Find(owner) ? TopLevelOf(owner) : 0;
  HWND wnd =
      CreateWindowEx(WS_EX_TOPMOST, kMenuClass, u"", WS_POPUP, x, y, width, height, top, nullptr, nullptr, nullptr);
  if (!wnd) return FALSE;
  rec->info.hwnd = wnd;
  {
    Lock l(G().m);
    Menus().push_back(rec);
  }
  if (auto mw = Find(wnd)) mw->noActivate = true;
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  UpdateWindow(wnd);
  HWND oldCapture = GetCapture();
  SetCapture(wnd);  // a tap anywhere reaches the menu; outside it dismisses the menu
  {
    Lock l(G().m);
    rec->shown = true;
  }
  if (!SomeoneAnswers()) rec->chosen = 0;
  {
    ModalScope scope(top, [rec] {
      int pending = -1;
      rec->chosen.compare_exchange_strong(pending, 0);
    });
    ModalLoop([&] { return rec->chosen >= 0 || !IsWindow(wnd); }, 0);
  }
  int chosen = std::max(rec->chosen.load(), 0);
  {
    Lock l(G().m);
    auto& v = Menus();
    v.erase(std::remove(v.begin(), v.end(), rec), v.end());
  }
  if (GetCapture() == wnd) {
    ReleaseCapture();
    if (oldCapture && IsWindow(oldCapture)) SetCapture(oldCapture);
  }
  DestroyWindow(wnd);
  if (flags & TPM_RETURNCMD) return chosen;
  if (chosen > 0 && owner && !(flags & TPM_NONOTIFY)) {
    PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
    return TRUE;
  }
  return chosen > 0 ? TRUE : FALSE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void*) {
  return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

namespace plat::win {

bool PendingMessageBox(MessageBoxInfo* out) {
  Lock l(G().m);
  for (auto& b : Boxes()) {
    if (b->answer || !b->shown) continue;
    if (out) *out = b->info;
    return true;
  }
  return false;
}

bool AnswerMessageBox(int id, HWND box) {
  Lock l(G().m);
  for (auto& b : Boxes()) {
    if (b->answer || !b->shown || (box && b->info.hwnd != box)) continue;
    auto& bs = b->info.buttons;
    if (std::find(bs.begin(), bs.end(), id) == bs.end()) return false;
    Answer(b, id);
    return true;
  }
  return false;
}

bool WaitForMessageBox(MessageBoxInfo* out, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (PendingMessageBox(out)) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool PendingMenu(MenuInfo* out) {
  Lock l(G().m);
  for (auto& m : Menus()) {
    if (m->chosen >= 0 || !m->shown) continue;
    if (out) *out = m->info;
    return true;
  }
  return false;
}

bool WaitForMenu(MenuInfo* out, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (PendingMenu(out)) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool ChooseMenuItem(UINT id) {
  Lock l(G().m);
  for (auto& m : Menus()) {
    if (m->chosen >= 0 || !m->shown) continue;
    if (id != 0) {
      auto& items = m->info.items;
      auto it = std::find_if(items.begin(), items.end(), [&](const MenuItemInfo& i) {
        return i.id == id && !(i.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP));
      });
      if (it == items.end()) return false;
    }
    m->chosen = static_cast<int>(id);
    Wake(*m->queue);
    return true;
  }
  return false;
}

void SetAutomationMode(bool on) {
  Lock l(G().m);
  G().automation = on;
}

bool AutomationMode() {
  const char* env = std::getenv("LARKSPIN_AUTOMATION");
  if (env && std::strcmp(env, "1") == 0) return true;
  Lock l(G().m);
  return G().automation;
}

}  // namespace plat::win
