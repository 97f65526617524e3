// Shared pieces of the standard controls: per-window state, notifications to the parent, colours
// asked of the parent, and the item list that list boxes and combo boxes keep.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "plat/controls.h"
#include "plat/gdi.h"
#include "plat/window.h"

namespace plat::controls::detail {

// State of each window of one control class, created on first use and dropped on WM_NCDESTROY.
// A handler holds its shared pointer while it runs, so a notification handler that destroys the
// control does not free the state under it.
template <class T>
class StateMap {
 public:
  std::shared_ptr<T> Get(HWND hwnd) {
    std::lock_guard<std::mutex> l(m_);
    auto& p = map_[hwnd];
    if (!p) p = std::make_shared<T>();
    return p;
  }
  void Erase(HWND hwnd) {
    std::lock_guard<std::mutex> l(m_);
    map_.erase(hwnd);
  }

 private:
  std::mutex m_;
  std::unordered_map<HWND, std::shared_ptr<T>> map_;
};

inline DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
inline int CtrlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

// WM_COMMAND (id, code) to the parent.
inline void NotifyCommand(HWND hwnd, int code) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(CtrlId(hwnd), static_cast<WORD>(code)), static_cast<LPARAM>(hwnd));
}

// WM_NOTIFY to the parent with the header filled in; returns the parent's answer.
inline LRESULT NotifyParent(HWND hwnd, NMHDR* hdr, int code) {
  hdr->hwndFrom = hwnd;
  hdr->idFrom = static_cast<UINT_PTR>(CtrlId(hwnd));
  hdr->code = static_cast<UINT>(code);
  HWND parent = GetParent(hwnd);
  if (!parent) return 0;
  return SendMessage(parent, WM_NOTIFY, static_cast<WPARAM>(hdr->idFrom), reinterpret_cast<LPARAM>(hdr));
}

// Asks the parent for the colours of a control (WM_CTLCOLOR*): sets the DC's default colours,
// then lets the parent change them; returns the brush to fill with (never null).
inline HBRUSH AskColors(HWND hwnd, HDC dc, UINT msg) {
  bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(window ? COLOR_WINDOW : COLOR_STATIC));
  SetBkMode(dc, OPAQUE);
  HBRUSH brush = nullptr;
  HWND parent = GetParent(hwnd);
  if (parent)
    brush = reinterpret_cast<HBRUSH>(SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), static_cast<LPARAM>(hwnd)));
  if (!brush) brush = GetSysColorBrush(window ? COLOR_WINDOW : COLOR_STATIC);
  return brush;
}

inline HFONT FontOf(HWND hwnd) {
  HFONT f = reinterpret_cast<HFONT>(SendMessage(hwnd, WM_GETFONT, 0, 0));
  return f ? f : GetStockObject(SYSTEM_FONT);
}

inline void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, TRUE); }

inline std::u16string WindowText(HWND hwnd) {
  int n = GetWindowTextLength(hwnd);
  std::u16string s(static_cast<size_t>(n < 0 ? 0 : n) + 1, u'\0');
  int got = GetWindowText(hwnd, s.data(), static_cast<int>(s.size()));
  s.resize(static_cast<size_t>(got < 0 ? 0 : got));
  return s;
}

// Copies `text` with its terminator into a caller's buffer of unknown size, as the list messages
// (LB_GETTEXT, CB_GETLBTEXT) define it; returns the length.
inline LRESULT CopyOut(const std::u16string& text, LPARAM buffer) {
  WCHAR* out = reinterpret_cast<WCHAR*>(buffer);
  if (!out) return static_cast<LRESULT>(text.size());
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = 0;
  return static_cast<LRESULT>(text.size());
}

// Copies at most size-1 characters and a terminator; returns the number copied.
inline LRESULT CopyBounded(const std::u16string& text, WCHAR* out, size_t size) {
  if (!out || size == 0) return 0;
  size_t n = std::min(text.size(), size - 1);
  std::copy(text.begin(), text.begin() + static_cast<ptrdiff_t>(n), out);
  out[n] = 0;
  return static_cast<LRESULT>(n);
}

inline WCHAR FoldCase(WCHAR c) { return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 32) : c; }

inline bool StartsWithNoCase(const std::u16string& s, const std::u16string& prefix) {
  if (prefix.size() > s.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldCase(s[i]) != FoldCase(prefix[i])) return false;
  return true;
}

inline int CompareNoCase(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    WCHAR x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline std::u16string TextArg(LPARAM lParam) {
  const WCHAR* s = reinterpret_cast<const WCHAR*>(lParam);
  return s ? std::u16string(s) : std::u16string();
}

// The strings of a list box or of a combo box's list.
struct Item {
  std::u16string text;
  DWORD_PTR data = 0;
};

struct ItemList {
  std::vector<Item> items;
  int sel = -1;

  int Count() const { return static_cast<int>(items.size()); }
  bool Valid(int i) const { return i >= 0 && i < Count(); }

  // Appends, or inserts in case-blind order when `sorted`; returns the index.
  int Add(const std::u16string& text, bool sorted) {
    int at = Count();
    if (sorted) {
      at = 0;
      while (at < Count() && CompareNoCase(items[static_cast<size_t>(at)].text, text) <= 0) ++at;
    }
    return Insert(at, text);
  }
  // -1 appends; an index past the end fails with -1.
  int Insert(int at, const std::u16string& text) {
    if (at == -1) at = Count();
    if (at < 0 || at > Count()) return -1;
    items.insert(items.begin() + at, Item{text, 0});
    if (sel >= at) ++sel;
    return at;
  }
  // Returns the count left, -1 for a bad index.
  int Delete(int i) {
    if (!Valid(i)) return -1;
    items.erase(items.begin() + i);
    if (sel == i)
      sel = -1;
    else if (sel > i)
      --sel;
    return Count();
  }
  void Reset() {
    items.clear();
    sel = -1;
  }
  // Case-blind search starting after `after` and wrapping round; -1 (or any index outside the
  // list) searches the whole list from the top.
  int Find(int after, const std::u16string& text, bool exact) const {
    int n = Count();
    if (n == 0) return -1;
    if (after < -1 || after >= n) after = -1;
    for (int k = 1; k <= n; ++k) {
      int i = (after + k) % n;
      const std::u16string& s = items[static_cast<size_t>(i)].text;
      if (exact ? CompareNoCase(s, text) == 0 : StartsWithNoCase(s, text)) return i;
    }
    return -1;
  }
};

inline std::u16string Num(long long v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

// Text description of a list for the inspection hook.
inline void DescribeItems(std::u16string& out, const ItemList& list) {
  out += u"selected: " + Num(list.sel) + u"\nitems: " + Num(list.Count()) + u"\n";
  for (int i = 0; i < list.Count(); ++i) out += Num(i) + u": " + list.items[static_cast<size_t>(i)].text + u"\n";
}

// Height of one text line of the font selected in a DC.
inline int LineHeight(HDC dc) {
  TEXTMETRIC tm{};
  if (GetTextMetrics(dc, &tm) && tm.tmHeight > 0) return tm.tmHeight;
  return 13;
}

inline int TextWidth(HDC dc, const WCHAR* s, int n) {
  SIZE sz{0, 0};
  if (n > 0) GetTextExtentPoint32(dc, s, n, &sz);
  return sz.cx;
}

// Draws a list's rows (list boxes and the combo box's drop-down list).
// Fills the client area with `background` and draws the rows from `top` on, the row
// `highlight` in the selection colours (grey when the list does not have the focus).
void PaintItemRows(HWND hwnd, HDC dc, const ItemList& list, int highlight, int top, int rowHeight, bool focused,
                   HBRUSH background);
// Row height for the window's font.
int RowHeight(HWND hwnd);
// The scroll-bar message's new first row.
int ScrollTarget(HWND hwnd, WPARAM wParam, int top, int page, int count);

// Class procedures.
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboListProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProgressProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace plat::controls::detail
