// The list box: a scrolling list of strings with one selected row.
#include "common.h"

namespace plat::controls::detail {

void PaintItemRows(HWND hwnd, HDC dc, const ItemList& list, int highlight, int top, int rowHeight, bool focused,
                   HBRUSH background) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, background);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
  COLORREF text = GetTextColor(dc);
  if (!IsWindowEnabled(hwnd)) text = GetSysColor(COLOR_GRAYTEXT);
  SetBkMode(dc, TRANSPARENT);
  for (int i = std::max(top, 0); i < list.Count(); ++i) {
    int y = (i - top) * rowHeight;
    if (y >= rc.bottom) break;
    RECT row{0, y, rc.right, y + rowHeight};
    bool hi = i == highlight;
    if (hi) FillRect(dc, &row, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    SetTextColor(dc, hi && focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    RECT tr{2, y, rc.right - 2, y + rowHeight};
    const std::u16string& s = list.items[static_cast<size_t>(i)].text;
    if (!s.empty())
      DrawText(dc, s.c_str(), static_cast<int>(s.size()), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}

int RowHeight(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  if (!dc) return 16;
  HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
  int h = LineHeight(dc) + 2;
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return h;
}

int ScrollTarget(HWND hwnd, WPARAM wParam, int top, int page, int count) {
  int maxTop = std::max(0, count - page);
  int t = top;
  switch (LOWORD(wParam)) {
    case SB_LINEUP: t = top - 1; break;
    case SB_LINEDOWN: t = top + 1; break;
    case SB_PAGEUP: t = top - std::max(1, page); break;
    case SB_PAGEDOWN: t = top + std::max(1, page); break;
    case SB_TOP: t = 0; break;
    case SB_BOTTOM: t = maxTop; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS | SIF_POS;
      if (GetScrollInfo(hwnd, SB_VERT, &si))
        t = LOWORD(wParam) == SB_THUMBTRACK ? si.nTrackPos : static_cast<int16_t>(HIWORD(wParam));
      else
        t = static_cast<int16_t>(HIWORD(wParam));
      break;
    }
    default: break;
  }
  return std::clamp(t, 0, maxTop);
}

namespace {

struct ListBoxState {
  ItemList list;
  int top = 0;
  int itemHeight = 0;  // 0: from the font
  bool focused = false;
};
StateMap<ListBoxState> g_lists;

int ItemH(HWND hwnd, const ListBoxState& s) { return s.itemHeight > 0 ? s.itemHeight : RowHeight(hwnd); }

int Page(HWND hwnd, const ListBoxState& s) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::max(1, static_cast<int>(rc.bottom) / std::max(1, ItemH(hwnd, s)));
}

void UpdateScroll(HWND hwnd, ListBoxState& s) {
  int page = Page(hwnd, s);
  s.top = std::clamp(s.top, 0, std::max(0, s.list.Count() - page));
  if (Style(hwnd) & WS_VSCROLL) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, s.list.Count() - 1);
    si.nPage = static_cast<UINT>(page);
    si.nPos = s.top;
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    ShowScrollBar(hwnd, SB_VERT, s.list.Count() > page);
  }
  Redraw(hwnd);
}

void EnsureVisible(HWND hwnd, ListBoxState& s, int i) {
  if (i < 0) return;
  int page = Page(hwnd, s);
  if (i < s.top)
    s.top = i;
  else if (i >= s.top + page)
    s.top = i - page + 1;
  UpdateScroll(hwnd, s);
}

void Notify(HWND hwnd, int code) {
  if (Style(hwnd) & LBS_NOTIFY) NotifyCommand(hwnd, code);
}

void Select(HWND hwnd, ListBoxState& s, int i, bool notify) {
  if (!s.list.Valid(i) || i == s.list.sel) return;
  s.list.sel = i;
  EnsureVisible(hwnd, s, i);
  if (notify) Notify(hwnd, LBN_SELCHANGE);
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    g_lists.Erase(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  auto sp = g_lists.Get(hwnd);
  ListBoxState& s = *sp;
  ItemList& L = s.list;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (dc) {
        HBRUSH br = AskColors(hwnd, dc, WM_CTLCOLORLISTBOX);
        PaintItemRows(hwnd, dc, L, L.sel, s.top, ItemH(hwnd, s), s.focused || (Style(hwnd) & LBS_NOSEL) == 0, br);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: UpdateScroll(hwnd, s); return 0;
    case LB_ADDSTRING: {
      int i = L.Add(TextArg(lParam), (Style(hwnd) & LBS_SORT) != 0);
      UpdateScroll(hwnd, s);
      return i;
    }
    case LB_INSERTSTRING: {
      int i = L.Insert(static_cast<int>(static_cast<intptr_t>(wParam)), TextArg(lParam));
      UpdateScroll(hwnd, s);
      return i < 0 ? LB_ERR : i;
    }
    case LB_DELETESTRING: {
      int n = L.Delete(static_cast<int>(static_cast<intptr_t>(wParam)));
      UpdateScroll(hwnd, s);
      return n < 0 ? LB_ERR : n;
    }
    case LB_RESETCONTENT:
      L.Reset();
      s.top = 0;
      UpdateScroll(hwnd, s);
      return 0;
    case LB_GETCOUNT: return L.Count();
    case LB_GETCURSEL: return L.sel;
    case LB_SETCURSEL: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (i == -1) {
        L.sel = -1;
        Redraw(hwnd);
        return LB_ERR;
      }
      if (!L.Valid(i)) return LB_ERR;
      L.sel = i;
      EnsureVisible(hwnd, s, i);
      return i;
    }
    case LB_GETSEL: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return LB_ERR;
      return i == L.sel ? 1 : 0;
    }
    case LB_SETSEL: return LB_ERR;  // single-selection lists only
    case LB_GETTEXT: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return LB_ERR;
      return CopyOut(L.items[static_cast<size_t>(i)].text, lParam);
    }
    case LB_GETTEXTLEN: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      return L.Valid(i) ? static_cast<LRESULT>(L.items[static_cast<size_t>(i)].text.size()) : LB_ERR;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: {
      int i = L.Find(static_cast<int>(static_cast<intptr_t>(wParam)), TextArg(lParam), msg == LB_FINDSTRINGEXACT);
      return i < 0 ? LB_ERR : i;
    }
    case LB_SELECTSTRING: {
      int i = L.Find(static_cast<int>(static_cast<intptr_t>(wParam)), TextArg(lParam), false);
      if (i < 0) return LB_ERR;
      L.sel = i;
      EnsureVisible(hwnd, s, i);
      return i;
    }
    case LB_SETITEMDATA: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return LB_ERR;
      L.items[static_cast<size_t>(i)].data = static_cast<DWORD_PTR>(lParam);
      return 0;
    }
    case LB_GETITEMDATA: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      return L.Valid(i) ? static_cast<LRESULT>(L.items[static_cast<size_t>(i)].data) : LB_ERR;
    }
    case LB_GETTOPINDEX: return s.top;
    case LB_SETTOPINDEX: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return LB_ERR;
      s.top = i;
      UpdateScroll(hwnd, s);
      return 0;
    }
    case LB_GETITEMRECT: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!L.Valid(i) || !r) return LB_ERR;
      RECT rc;
      GetClientRect(hwnd, &rc);
      int h = ItemH(hwnd, s);
      *r = RECT{0, (i - s.top) * h, rc.right, (i - s.top + 1) * h};
      return 1;
    }
    case LB_SETITEMHEIGHT:
      s.itemHeight = std::clamp(static_cast<int>(LOWORD(lParam)), 1, 255);
      UpdateScroll(hwnd, s);
      return 0;
    case LB_GETITEMHEIGHT: return ItemH(hwnd, s);
    case WM_VSCROLL: {
      s.top = ScrollTarget(hwnd, wParam, s.top, Page(hwnd, s), L.Count());
      UpdateScroll(hwnd, s);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      if (!IsWindowEnabled(hwnd)) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd) || (Style(hwnd) & LBS_NOSEL)) return 0;
      int y = static_cast<int16_t>(HIWORD(lParam));
      int row = y < 0 ? -1 : s.top + y / std::max(1, ItemH(hwnd, s));
      Select(hwnd, s, row, true);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      if (!IsWindowEnabled(hwnd)) return 0;
      int y = static_cast<int16_t>(HIWORD(lParam));
      int row = y < 0 ? -1 : s.top + y / std::max(1, ItemH(hwnd, s));
      if (L.Valid(row)) {
        Select(hwnd, s, row, true);
        if (IsWindow(hwnd)) Notify(hwnd, LBN_DBLCLK);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      if (L.Count() == 0) return 0;
      int page = Page(hwnd, s);
      int cur = L.sel < 0 ? 0 : L.sel;
      int next = cur;
      switch (wParam) {
        case VK_UP: next = cur - 1; break;
        case VK_DOWN: next = L.sel < 0 ? 0 : cur + 1; break;
        case VK_PRIOR: next = cur - page; break;
        case VK_NEXT: next = cur + page; break;
        case VK_HOME: next = 0; break;
        case VK_END: next = L.Count() - 1; break;
        default: return 0;
      }
      Select(hwnd, s, std::clamp(next, 0, L.Count() - 1), true);
      return 0;
    }
    case WM_SETFOCUS:
      s.focused = true;
      Redraw(hwnd);
      Notify(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      Redraw(hwnd);
      Notify(hwnd, LBN_KILLFOCUS);
      return 0;
    case WM_ENABLE: Redraw(hwnd); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      out->clear();
      DescribeItems(*out, L);
      return TRUE;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
