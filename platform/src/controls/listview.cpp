// The list view in report style: a header row of columns and rows of texts with selection and
// focus states, reporting changes and taps to its parent through WM_NOTIFY.
#include "common.h"

namespace plat::controls::detail {
namespace {

struct Column {
  std::u16string text;
  int width = 50;
  int fmt = LVCFMT_LEFT;
};

struct Row {
  std::vector<std::u16string> texts;  // one per column (at least one)
  UINT state = 0;
  LPARAM param = 0;
};

struct ListViewState {
  std::vector<Column> columns;
  std::vector<Row> rows;
  DWORD exStyle = 0;
  COLORREF bk = CLR_INVALID;
  COLORREF text = CLR_INVALID;
  COLORREF textBk = CLR_INVALID;
  int top = 0;
  bool focused = false;
};
StateMap<ListViewState> g_views;

constexpr UINT kStateBits = LVIS_FOCUSED | LVIS_SELECTED | LVIS_CUT | LVIS_DROPHILITED;

int Count(const ListViewState& s) { return static_cast<int>(s.rows.size()); }
bool Valid(const ListViewState& s, int i) { return i >= 0 && i < Count(s); }
bool HasHeader(HWND hwnd) { return !(Style(hwnd) & LVS_NOCOLUMNHEADER); }

int RowH(HWND hwnd) { return RowHeight(hwnd); }
int HeaderH(HWND hwnd) { return HasHeader(hwnd) ? RowHeight(hwnd) + 2 : 0; }

int Page(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::max(1, (static_cast<int>(rc.bottom) - HeaderH(hwnd)) / std::max(1, RowH(hwnd)));
}

void UpdateScroll(HWND hwnd, ListViewState& s) {
  int page = Page(hwnd);
  s.top = std::clamp(s.top, 0, std::max(0, Count(s) - page));
  if (!(Style(hwnd) & LVS_NOSCROLL)) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = std::max(0, Count(s) - 1);
    si.nPage = static_cast<UINT>(page);
    si.nPos = s.top;
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    ShowScrollBar(hwnd, SB_VERT, Count(s) > page);
  }
  Redraw(hwnd);
}

void EnsureVisible(HWND hwnd, ListViewState& s, int i) {
  if (!Valid(s, i)) return;
  int page = Page(hwnd);
  if (i < s.top)
    s.top = i;
  else if (i >= s.top + page)
    s.top = i - page + 1;
  UpdateScroll(hwnd, s);
}

LRESULT NotifyItem(HWND hwnd, int code, int item, int sub, UINT oldState, UINT newState, UINT changed, LPARAM param,
                   POINT pt = POINT{0, 0}) {
  NMLISTVIEW nm{};
  nm.iItem = item;
  nm.iSubItem = sub;
  nm.uOldState = oldState;
  nm.uNewState = newState;
  nm.uChanged = changed;
  nm.ptAction = pt;
  nm.lParam = param;
  return NotifyParent(hwnd, &nm.hdr, code);
}

// Changes the state bits in `mask` of item `i` and reports the change (LVN_ITEMCHANGED).
void ChangeState(HWND hwnd, ListViewState& s, int i, UINT state, UINT mask) {
  if (!Valid(s, i)) return;
  Row& r = s.rows[static_cast<size_t>(i)];
  UINT old = r.state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return;
  r.state = now;
  Redraw(hwnd);
  NotifyItem(hwnd, LVN_ITEMCHANGED, i, 0, old, now, LVIF_STATE, r.param);
}

// Applies a state change to item `i` the way the list keeps it: one focused item, and in a
// single-selection list (or for a tap, `exclusive`) one selected item. Items that lose a state
// are reported before the item that gains it.
void SetState(HWND hwnd, ListViewState& s, int i, UINT state, UINT mask, bool exclusive) {
  mask &= kStateBits;
  UINT take = 0;
  if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) take |= LVIS_FOCUSED;
  if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (exclusive || (Style(hwnd) & LVS_SINGLESEL)))
    take |= LVIS_SELECTED;
  if (take) {
    for (int k = 0; k < Count(s); ++k) {
      if (k == i || !(s.rows[static_cast<size_t>(k)].state & take)) continue;
      ChangeState(hwnd, s, k, 0, take);
      if (!IsWindow(hwnd)) return;
    }
  }
  ChangeState(hwnd, s, i, state, mask);
}

int ColumnAt(const ListViewState& s, int x) {
  int left = 0;
  for (size_t c = 0; c < s.columns.size(); ++c) {
    if (x >= left && x < left + s.columns[c].width) return static_cast<int>(c);
    left += s.columns[c].width;
  }
  return -1;
}

// Row under a client point; -1 outside the rows (or, without whole-row selection, outside the
// first column).
int RowAt(HWND hwnd, const ListViewState& s, POINT p, int* sub) {
  int col = ColumnAt(s, p.x);
  if (sub) *sub = col;
  int y = p.y - HeaderH(hwnd);
  if (y < 0) return -1;
  int row = s.top + y / std::max(1, RowH(hwnd));
  if (!Valid(s, row)) return -1;
  if (!(s.exStyle & LVS_EX_FULLROWSELECT) && col != 0) return -1;
  return row;
}

std::u16string CellText(const Row& r, int sub) {
  if (sub < 0 || static_cast<size_t>(sub) >= r.texts.size()) return u"";
  return r.texts[static_cast<size_t>(sub)];
}

UINT DrawFormat(int fmt) {
  UINT f = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  if ((fmt & 3) == LVCFMT_RIGHT)
    f |= DT_RIGHT;
  else if ((fmt & 3) == LVCFMT_CENTER)
    f |= DT_CENTER;
  return f;
}

void Paint(HWND hwnd, ListViewState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH bk = CreateSolidBrush(s.bk != CLR_INVALID ? s.bk : GetSysColor(COLOR_WINDOW));
  FillRect(dc, &rc, bk);
  DeleteObject(bk);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
  SetBkMode(dc, TRANSPARENT);
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  COLORREF textColor = s.text != CLR_INVALID ? s.text : GetSysColor(COLOR_WINDOWTEXT);
  if (!enabled) textColor = GetSysColor(COLOR_GRAYTEXT);
  int hh = HeaderH(hwnd), rh = RowH(hwnd);
  int totalWidth = 0;
  for (auto& c : s.columns) totalWidth += c.width;
  if (hh > 0) {
    RECT hr{0, 0, rc.right, hh};
    FillRect(dc, &hr, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    int x = 0;
    for (auto& c : s.columns) {
      RECT cr{x + 3, 0, x + c.width - 3, hh};
      if (!c.text.empty()) DrawText(dc, c.text.c_str(), static_cast<int>(c.text.size()), &cr, DrawFormat(c.fmt));
      RECT edge{x + c.width - 1, 1, x + c.width, hh - 1};
      FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
      x += c.width;
    }
    RECT line{0, hh - 1, rc.right, hh};
    FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
  }
  bool showSel = s.focused || (Style(hwnd) & LVS_SHOWSELALWAYS);
  for (int i = s.top; i < Count(s); ++i) {
    int y = hh + (i - s.top) * rh;
    if (y >= rc.bottom) break;
    const Row& r = s.rows[static_cast<size_t>(i)];
    bool sel = showSel && (r.state & LVIS_SELECTED);
    if (sel) {
      int right = (s.exStyle & LVS_EX_FULLROWSELECT) ? totalWidth : (s.columns.empty() ? rc.right : s.columns[0].width);
      RECT hr{0, y, right, y + rh};
      FillRect(dc, &hr, GetSysColorBrush(s.focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    } else if (s.textBk != CLR_INVALID) {
      RECT hr{0, y, totalWidth, y + rh};
      HBRUSH b = CreateSolidBrush(s.textBk);
      FillRect(dc, &hr, b);
      DeleteObject(b);
    }
    int x = 0;
    for (size_t c = 0; c < s.columns.size(); ++c) {
      bool selCell = sel && (c == 0 || (s.exStyle & LVS_EX_FULLROWSELECT));
      SetTextColor(dc, selCell && s.focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : textColor);
      std::u16string t = CellText(r, static_cast<int>(c));
      RECT cr{x + 3, y, x + s.columns[c].width - 3, y + rh};
      if (!t.empty()) DrawText(dc, t.c_str(), static_cast<int>(t.size()), &cr, DrawFormat(s.columns[c].fmt));
      x += s.columns[c].width;
    }
    if (s.exStyle & LVS_EX_GRIDLINES) {
      RECT gl{0, y + rh - 1, totalWidth, y + rh};
      FillRect(dc, &gl, GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  if (s.exStyle & LVS_EX_GRIDLINES) {
    int x = 0;
    for (auto& c : s.columns) {
      x += c.width;
      RECT gl{x - 1, hh, x, rc.bottom};
      FillRect(dc, &gl, GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void SetCell(ListViewState& s, int i, int sub, const std::u16string& t) {
  Row& r = s.rows[static_cast<size_t>(i)];
  if (r.texts.size() <= static_cast<size_t>(sub)) r.texts.resize(static_cast<size_t>(sub) + 1);
  r.texts[static_cast<size_t>(sub)] = t;
}

bool SubItemOk(const ListViewState& s, int sub) {
  return sub == 0 || (sub > 0 && sub < static_cast<int>(s.columns.size()));
}

void Tap(HWND hwnd, ListViewState& s, LPARAM lParam, bool dbl) {
  POINT p{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
  if (HasHeader(hwnd) && p.y >= 0 && p.y < HeaderH(hwnd)) {
    int col = ColumnAt(s, p.x);
    if (col >= 0 && !dbl) NotifyItem(hwnd, LVN_COLUMNCLICK, -1, col, 0, 0, 0, 0, p);
    return;
  }
  int sub = -1;
  int row = RowAt(hwnd, s, p, &sub);
  if (!dbl) {
    if (row >= 0) {
      SetState(hwnd, s, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, true);
    } else {
      for (int k = 0; k < Count(s) && IsWindow(hwnd); ++k) ChangeState(hwnd, s, k, 0, LVIS_SELECTED);
    }
    if (!IsWindow(hwnd)) return;
  }
  NMITEMACTIVATE nm{};
  nm.iItem = Valid(s, row) ? row : -1;
  nm.iSubItem = row >= 0 ? std::max(sub, 0) : 0;
  nm.ptAction = p;
  if (row >= 0 && Valid(s, row)) {  // a change handler may have emptied the list
    nm.uNewState = s.rows[static_cast<size_t>(row)].state;
    nm.uOldState = nm.uNewState;
    nm.lParam = s.rows[static_cast<size_t>(row)].param;
  }
  NotifyParent(hwnd, &nm.hdr, dbl ? NM_DBLCLK : NM_CLICK);
}

}  // namespace

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    g_views.Erase(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  auto sp = g_views.Get(hwnd);
  ListViewState& s = *sp;
  int iw = static_cast<int>(static_cast<intptr_t>(wParam));
  switch (msg) {
    case WM_PAINT: Paint(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: UpdateScroll(hwnd, s); return 0;
    case LVM_INSERTCOLUMN: {
      auto* c = reinterpret_cast<const LVCOLUMN*>(lParam);
      if (!c) return -1;
      Column col;
      if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
      if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
      if (c->mask & LVCF_FMT) col.fmt = c->fmt;
      int at = std::clamp(iw, 0, static_cast<int>(s.columns.size()));
      s.columns.insert(s.columns.begin() + at, col);
      for (auto& r : s.rows)
        if (r.texts.size() > static_cast<size_t>(at) && at > 0) r.texts.insert(r.texts.begin() + at, u"");
      Redraw(hwnd);
      return at;
    }
    case LVM_DELETECOLUMN: {
      if (iw < 0 || iw >= static_cast<int>(s.columns.size())) return FALSE;
      s.columns.erase(s.columns.begin() + iw);
      for (auto& r : s.rows)
        if (r.texts.size() > static_cast<size_t>(iw)) r.texts.erase(r.texts.begin() + iw);
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_SETCOLUMNWIDTH: {
      if (iw < 0 || iw >= static_cast<int>(s.columns.size())) return FALSE;
      int cx = static_cast<int>(static_cast<int16_t>(LOWORD(lParam)));
      if (cx < 0) {
        // Fit the widest text of the column (-1) or also its heading (-2).
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
        int w = 0;
        for (auto& r : s.rows) {
          std::u16string t = CellText(r, iw);
          w = std::max(w, TextWidth(dc, t.c_str(), static_cast<int>(t.size())));
        }
        const std::u16string& h = s.columns[static_cast<size_t>(iw)].text;
        if (cx == -2) w = std::max(w, TextWidth(dc, h.c_str(), static_cast<int>(h.size())));
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        cx = w + 12;
      }
      s.columns[static_cast<size_t>(iw)].width = cx;
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
      if (iw < 0 || iw >= static_cast<int>(s.columns.size())) return 0;
      return s.columns[static_cast<size_t>(iw)].width;
    case LVM_GETCOLUMN:
    case LVM_SETCOLUMN: {
      auto* c = reinterpret_cast<LVCOLUMN*>(lParam);
      if (!c || iw < 0 || iw >= static_cast<int>(s.columns.size())) return FALSE;
      Column& col = s.columns[static_cast<size_t>(iw)];
      if (msg == LVM_SETCOLUMN) {
        if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
        if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
        if (c->mask & LVCF_FMT) col.fmt = c->fmt;
        Redraw(hwnd);
      } else {
        if (c->mask & LVCF_TEXT) CopyBounded(col.text, c->pszText, static_cast<size_t>(std::max(c->cchTextMax, 0)));
        if (c->mask & LVCF_WIDTH) c->cx = col.width;
        if (c->mask & LVCF_FMT) c->fmt = col.fmt;
        if (c->mask & LVCF_SUBITEM) c->iSubItem = iw;
      }
      return TRUE;
    }
    case LVM_INSERTITEM: {
      auto* it = reinterpret_cast<const LVITEM*>(lParam);
      if (!it || it->iSubItem != 0) return -1;
      int at = std::clamp(it->iItem, 0, Count(s));
      Row r;
      r.texts.resize(1);
      if ((it->mask & LVIF_TEXT) && it->pszText) r.texts[0] = it->pszText;
      if (it->mask & LVIF_PARAM) r.param = it->lParam;
      UINT state = (it->mask & LVIF_STATE) ? (it->state & it->stateMask & kStateBits) : 0;
      s.rows.insert(s.rows.begin() + at, r);
      UpdateScroll(hwnd, s);
      NotifyItem(hwnd, LVN_INSERTITEM, at, 0, 0, 0, 0, r.param);
      if (state && IsWindow(hwnd)) SetState(hwnd, s, at, state, state, false);
      return at;
    }
    case LVM_SETITEMTEXT: {
      auto* it = reinterpret_cast<const LVITEM*>(lParam);
      if (!it || !Valid(s, iw) || !SubItemOk(s, it->iSubItem)) return FALSE;
      SetCell(s, iw, it->iSubItem, it->pszText ? std::u16string(it->pszText) : std::u16string());
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_SETITEM: {
      auto* it = reinterpret_cast<const LVITEM*>(lParam);
      if (!it || !Valid(s, it->iItem) || !SubItemOk(s, it->iSubItem)) return FALSE;
      if (it->mask & LVIF_TEXT)
        SetCell(s, it->iItem, it->iSubItem, it->pszText ? std::u16string(it->pszText) : std::u16string());
      if (it->iSubItem == 0 && (it->mask & LVIF_PARAM)) s.rows[static_cast<size_t>(it->iItem)].param = it->lParam;
      Redraw(hwnd);
      if (it->iSubItem == 0 && (it->mask & LVIF_STATE)) SetState(hwnd, s, it->iItem, it->state, it->stateMask, false);
      return TRUE;
    }
    case LVM_GETITEM: {
      auto* it = reinterpret_cast<LVITEM*>(lParam);
      if (!it || !Valid(s, it->iItem)) return FALSE;
      const Row& r = s.rows[static_cast<size_t>(it->iItem)];
      if (it->mask & LVIF_TEXT)
        CopyBounded(CellText(r, it->iSubItem), it->pszText, static_cast<size_t>(std::max(it->cchTextMax, 0)));
      if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
      if (it->mask & LVIF_PARAM) it->lParam = r.param;
      return TRUE;
    }
    case LVM_GETITEMTEXT: {
      auto* it = reinterpret_cast<LVITEM*>(lParam);
      if (!it || !Valid(s, iw)) return 0;
      return CopyBounded(CellText(s.rows[static_cast<size_t>(iw)], it->iSubItem), it->pszText,
                         static_cast<size_t>(std::max(it->cchTextMax, 0)));
    }
    case LVM_DELETEITEM: {
      if (!Valid(s, iw)) return FALSE;
      NotifyItem(hwnd, LVN_DELETEITEM, iw, 0, 0, 0, 0, s.rows[static_cast<size_t>(iw)].param);
      if (!IsWindow(hwnd) || !Valid(s, iw)) return FALSE;
      s.rows.erase(s.rows.begin() + iw);
      UpdateScroll(hwnd, s);
      return TRUE;
    }
    case LVM_DELETEALLITEMS:
      NotifyItem(hwnd, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0, 0);
      if (!IsWindow(hwnd)) return FALSE;
      s.rows.clear();
      s.top = 0;
      UpdateScroll(hwnd, s);
      return TRUE;
    case LVM_GETITEMCOUNT: return Count(s);
    case LVM_SETITEMCOUNT: return TRUE;
    case LVM_GETNEXTITEM: {
      UINT flags = static_cast<UINT>(lParam);
      UINT want = ((flags & LVNI_SELECTED) ? LVIS_SELECTED : 0) | ((flags & LVNI_FOCUSED) ? LVIS_FOCUSED : 0);
      int step = (flags & LVNI_ABOVE) ? -1 : 1;
      int i = iw;
      if (i < -1 || i >= Count(s)) i = -1;
      if (i == -1 && step < 0) return -1;
      for (i += step; i >= 0 && i < Count(s); i += step)
        if ((s.rows[static_cast<size_t>(i)].state & want) == want) return i;
      return -1;
    }
    case LVM_GETSELECTEDCOUNT: {
      int n = 0;
      for (auto& r : s.rows)
        if (r.state & LVIS_SELECTED) ++n;
      return n;
    }
    case LVM_SETITEMSTATE: {
      auto* it = reinterpret_cast<const LVITEM*>(lParam);
      if (!it) return FALSE;
      if (iw == -1) {
        for (int k = 0; k < Count(s) && IsWindow(hwnd); ++k)
          ChangeState(hwnd, s, k, it->state, it->stateMask & kStateBits);
        return TRUE;
      }
      if (!Valid(s, iw)) return FALSE;
      SetState(hwnd, s, iw, it->state, it->stateMask, false);
      return TRUE;
    }
    case LVM_GETITEMSTATE:
      if (!Valid(s, iw)) return 0;
      return static_cast<LRESULT>(s.rows[static_cast<size_t>(iw)].state & static_cast<UINT>(lParam));
    case LVM_ENSUREVISIBLE:
      if (!Valid(s, iw)) return FALSE;
      EnsureVisible(hwnd, s, iw);
      return TRUE;
    case LVM_GETTOPINDEX: return s.top;
    case LVM_GETCOUNTPERPAGE: return Page(hwnd);
    case LVM_SCROLL: {
      int dy = static_cast<int>(lParam);
      s.top += dy / std::max(1, RowH(hwnd));
      UpdateScroll(hwnd, s);
      return TRUE;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || !Valid(s, iw)) return FALSE;
      RECT rc;
      GetClientRect(hwnd, &rc);
      int y = HeaderH(hwnd) + (iw - s.top) * RowH(hwnd);
      *r = RECT{0, y, rc.right, y + RowH(hwnd)};
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* h = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!h) return -1;
      int sub = -1;
      h->iItem = RowAt(hwnd, s, h->pt, &sub);
      h->iSubItem = sub;
      h->flags = h->iItem >= 0 ? LVHT_ONITEM : LVHT_NOWHERE;
      return h->iItem;
    }
    case LVM_REDRAWITEMS:
    case LVM_UPDATE: Redraw(hwnd); return TRUE;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = s.exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      s.exStyle = (s.exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
      Redraw(hwnd);
      return static_cast<LRESULT>(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return static_cast<LRESULT>(s.exStyle);
    case LVM_SETBKCOLOR:
    case LVM_SETTEXTCOLOR:
    case LVM_SETTEXTBKCOLOR: {
      COLORREF& c = msg == LVM_SETBKCOLOR ? s.bk : msg == LVM_SETTEXTCOLOR ? s.text : s.textBk;
      c = static_cast<COLORREF>(lParam);
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_GETBKCOLOR: return static_cast<LRESULT>(s.bk != CLR_INVALID ? s.bk : GetSysColor(COLOR_WINDOW));
    case LVM_GETTEXTCOLOR: return static_cast<LRESULT>(s.text != CLR_INVALID ? s.text : GetSysColor(COLOR_WINDOWTEXT));
    case LVM_GETTEXTBKCOLOR: return static_cast<LRESULT>(s.textBk);
    case WM_VSCROLL:
      s.top = ScrollTarget(hwnd, wParam, s.top, Page(hwnd), Count(s));
      UpdateScroll(hwnd, s);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!IsWindowEnabled(hwnd)) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      Tap(hwnd, s, lParam, msg == WM_LBUTTONDBLCLK);
      return 0;
    }
    case WM_KEYDOWN: {
      if (Count(s) == 0) return 0;
      int cur = -1;
      for (int k = 0; k < Count(s); ++k)
        if (s.rows[static_cast<size_t>(k)].state & LVIS_FOCUSED) cur = k;
      int next;
      switch (wParam) {
        case VK_UP: next = cur < 0 ? 0 : cur - 1; break;
        case VK_DOWN: next = cur < 0 ? 0 : cur + 1; break;
        case VK_HOME: next = 0; break;
        case VK_END: next = Count(s) - 1; break;
        case VK_RETURN: {
          NMHDR h{};
          NotifyParent(hwnd, &h, NM_RETURN);
          return 0;
        }
        default: return 0;
      }
      next = std::clamp(next, 0, Count(s) - 1);
      SetState(hwnd, s, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, true);
      if (IsWindow(hwnd)) EnsureVisible(hwnd, s, next);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      s.focused = msg == WM_SETFOCUS;
      Redraw(hwnd);
      NMHDR h{};
      NotifyParent(hwnd, &h, s.focused ? NM_SETFOCUS : NM_KILLFOCUS);
      return 0;
    }
    case WM_ENABLE: Redraw(hwnd); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      *out = u"columns:";
      for (auto& c : s.columns) *out += u"\t" + c.text;
      int sel = -1;
      for (int k = 0; k < Count(s); ++k)
        if (s.rows[static_cast<size_t>(k)].state & LVIS_SELECTED) {
          sel = k;
          break;
        }
      *out += u"\nselected: " + Num(sel) + u"\nitems: " + Num(Count(s)) + u"\n";
      for (int k = 0; k < Count(s); ++k) {
        const Row& r = s.rows[static_cast<size_t>(k)];
        *out += Num(k) + u":";
        size_t n = std::max(s.columns.size(), static_cast<size_t>(1));
        for (size_t c = 0; c < n; ++c) *out += (c == 0 ? u" " : u"\t") + CellText(r, static_cast<int>(c));
        *out += u"\n";
      }
      return TRUE;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
