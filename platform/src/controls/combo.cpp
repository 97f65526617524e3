// The combo box: an editable drop-down (an edit field, id 1001, over a list) or a drop-down list,
// whose list opens in a pop-up window under the field.
#include "common.h"

namespace plat::controls::detail {
namespace {

constexpr int kButtonWidth = PLAT_SCROLLBAR_SIZE;
constexpr int kDefaultField = 20;
constexpr LRESULT kNoActivate = 3;

struct ComboState {
  ItemList list;
  HWND edit = 0;
  HWND popup = 0;
  bool dropped = false;
  int dropHeight = 100;
  int droppedWidth = 0;  // CB_SETDROPPEDWIDTH: the open list's least width (0: the combo's)
  int itemHeight = 0;
  int hot = -1;    // row highlighted in the open list
  int top = 0;     // first row shown in the open list
  int silent = 0;  // while above zero, the edit's change notifications are not passed on
  bool focused = false;
  bool tracking = false;
  std::u16string text;  // shown text of a drop-down list
};
StateMap<ComboState> g_combos;

bool Editable(HWND hwnd) { return (Style(hwnd) & 3) != CBS_DROPDOWNLIST; }
int ItemH(HWND hwnd, const ComboState& s) { return s.itemHeight > 0 ? s.itemHeight : RowHeight(hwnd); }

// Sets the field's text without CBN_EDITCHANGE / CBN_EDITUPDATE.
void SetFieldText(HWND hwnd, ComboState& s, const std::u16string& t, bool selectAll) {
  if (s.edit) {
    ++s.silent;
    SendMessage(s.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
    if (selectAll) SendMessage(s.edit, EM_SETSEL, 0, -1);
    --s.silent;
  } else {
    s.text = t;
    DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  Redraw(hwnd);
}

int PopupPage(const ComboState& s, HWND hwnd) {
  if (!s.popup) return 1;
  RECT rc;
  GetClientRect(s.popup, &rc);
  return std::max(1, static_cast<int>(rc.bottom) / std::max(1, ItemH(hwnd, s)));
}

void UpdatePopup(HWND hwnd, ComboState& s) {
  if (!s.popup) return;
  int page = PopupPage(s, hwnd);
  int n = s.list.Count();
  if (s.hot >= 0) {
    if (s.hot < s.top)
      s.top = s.hot;
    else if (s.hot >= s.top + page)
      s.top = s.hot - page + 1;
  }
  s.top = std::clamp(s.top, 0, std::max(0, n - page));
  if (GetWindowLong(s.popup, GWL_STYLE) & WS_VSCROLL) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = std::max(0, n - 1);
    si.nPage = static_cast<UINT>(page);
    si.nPos = s.top;
    SetScrollInfo(s.popup, SB_VERT, &si, TRUE);
  }
  Redraw(s.popup);
}

void ClosePopup(ComboState& s) {
  s.dropped = false;
  s.tracking = false;
  HWND p = s.popup;
  s.popup = 0;
  if (p) {
    if (GetCapture() == p) ReleaseCapture();
    DestroyWindow(p);
  }
}

void Open(HWND hwnd, ComboState& s) {
  if (s.dropped || !IsWindowEnabled(hwnd)) return;
  NotifyCommand(hwnd, CBN_DROPDOWN);  // handlers may fill the list first
  if (!IsWindow(hwnd) || s.dropped) return;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  int ih = ItemH(hwnd, s);
  int rows = std::max(1, s.list.Count());
  int h = std::min(std::max(s.dropHeight, ih + 2), rows * ih + 2);
  bool scroll = rows * ih + 2 > h;
  int y = wr.bottom;
  if (y + h > PLAT_SCREEN_HEIGHT && wr.top - h >= 0) y = wr.top - h;
  s.dropped = true;
  s.hot = s.list.sel;
  s.top = 0;
  // A list wider than its combo stays on the screen: it moves left as far as it must.
  int w = std::min(std::max<int>(wr.right - wr.left, s.droppedWidth), PLAT_SCREEN_WIDTH);
  int x = std::clamp<int>(wr.left, 0, PLAT_SCREEN_WIDTH - w);
  s.popup = CreateWindowEx(WS_EX_TOPMOST, WC_COMBOLBOX, u"", WS_POPUP | WS_BORDER | (scroll ? WS_VSCROLL : 0), x, y, w,
                           h, hwnd, nullptr, nullptr, nullptr);
  if (!s.popup) {
    s.dropped = false;
    return;
  }
  // The window manager may make the combo's top-level window the owner; the list keeps its combo.
  SetWindowLong(s.popup, GWL_USERDATA, static_cast<LONG_PTR>(hwnd));
  UpdatePopup(hwnd, s);
  ShowWindow(s.popup, SW_SHOWNA);
  SetCapture(s.popup);
  Redraw(hwnd);
}

// Closing without a pick: CBN_SELENDCANCEL then CBN_CLOSEUP.
void Cancel(HWND hwnd, ComboState& s) {
  if (!s.dropped) return;
  ClosePopup(s);
  Redraw(hwnd);
  NotifyCommand(hwnd, CBN_SELENDCANCEL);
  if (IsWindow(hwnd)) NotifyCommand(hwnd, CBN_CLOSEUP);
}

// A pick by the user. The handlers of CBN_SELENDOK, CBN_CLOSEUP and CBN_SELCHANGE still see the
// field's old text; it takes the picked entry's text only after them.
void Pick(HWND hwnd, ComboState& s, int i) {
  if (!s.list.Valid(i)) {
    Cancel(hwnd, s);
    return;
  }
  bool wasDropped = s.dropped;
  ClosePopup(s);
  s.list.sel = i;
  Redraw(hwnd);
  NotifyCommand(hwnd, CBN_SELENDOK);
  if (!IsWindow(hwnd)) return;
  if (wasDropped) {
    NotifyCommand(hwnd, CBN_CLOSEUP);
    if (!IsWindow(hwnd)) return;
  }
  NotifyCommand(hwnd, CBN_SELCHANGE);
  if (!IsWindow(hwnd)) return;
  auto sp = g_combos.Get(hwnd);
  if (sp->list.Valid(sp->list.sel))
    SetFieldText(hwnd, *sp, sp->list.items[static_cast<size_t>(sp->list.sel)].text, true);
}

void PaintField(HWND hwnd, ComboState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT rc;
  GetClientRect(hwnd, &rc);
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  HBRUSH brush = AskColors(hwnd, dc, WM_CTLCOLOREDIT);
  FillRect(dc, &rc, brush);
  if (!s.edit) {
    RECT field{rc.left + 2, rc.top + 2, rc.right - kButtonWidth - 2, rc.bottom - 2};
    HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
    if (s.focused && !s.dropped) {
      FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    // The text may run on to the drop-down button: the field's margin is the highlight's, and a
    // text a pixel or two wider than the field ("최근 메뉴" in the quick-move combo) stays whole.
    RECT tr{field.left + 1, field.top, rc.right - kButtonWidth, field.bottom};
    if (!s.text.empty())
      DrawText(dc, s.text.c_str(), static_cast<int>(s.text.size()), &tr,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
  }
  RECT button{rc.right - kButtonWidth, rc.top, rc.right, rc.bottom};
  FillRect(dc, &button, GetSysColorBrush(s.dropped ? COLOR_BTNSHADOW : COLOR_BTNFACE));
  int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
  POINT tri[3] = {{cx - 3, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
  HBRUSH arrow = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, arrow);
  Polygon(dc, tri, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
  EndPaint(hwnd, &ps);
}

void SelectByKey(HWND hwnd, ComboState& s, int next) {
  int n = s.list.Count();
  if (n == 0) return;
  next = std::clamp(next, 0, n - 1);
  if (next == s.list.sel) return;
  s.list.sel = next;
  NotifyCommand(hwnd, CBN_SELCHANGE);
  if (!IsWindow(hwnd)) return;
  auto sp = g_combos.Get(hwnd);
  if (sp->list.Valid(sp->list.sel))
    SetFieldText(hwnd, *sp, sp->list.items[static_cast<size_t>(sp->list.sel)].text, true);
}

}  // namespace

LRESULT CALLBACK ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    auto sp = g_combos.Get(hwnd);
    ClosePopup(*sp);
    g_combos.Erase(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  auto sp = g_combos.Get(hwnd);
  ComboState& s = *sp;
  ItemList& L = s.list;
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
      int cx = cs ? cs->cx : 100, cy = cs ? cs->cy : kDefaultField;
      // The height given for a combo box covers the open list; the field itself is one line.
      int field = std::min(cy, kDefaultField);
      if (cy > field) s.dropHeight = cy - field;
      if (cy != field) SetWindowPos(hwnd, 0, 0, 0, cx, field, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      if (Editable(hwnd)) {
        DWORD style = Style(hwnd);
        DWORD es = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
        if (style & CBS_UPPERCASE) es |= ES_UPPERCASE;
        if (style & CBS_LOWERCASE) es |= ES_LOWERCASE;
        s.edit = CreateWindowEx(0, WC_EDIT, u"", es, 1, 1, std::max(1, cx - kButtonWidth - 2), std::max(1, field - 2),
                                hwnd, PLAT_ID_AS_MENU(PLAT_COMBO_EDIT_ID), nullptr, nullptr);
        if (!s.edit) return -1;
      }
      return 0;
    }
    case WM_SIZE:
      if (s.edit)
        MoveWindow(s.edit, 1, 1, std::max(1, LOWORD(lParam) - kButtonWidth - 2), std::max(1, HIWORD(lParam) - 2), TRUE);
      return 0;
    case WM_PAINT: PaintField(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      DefWindowProc(hwnd, msg, wParam, lParam);
      if (s.edit) SendMessage(s.edit, WM_SETFONT, wParam, lParam);
      return 0;
    case WM_ENABLE:
      if (s.edit) EnableWindow(s.edit, static_cast<BOOL>(wParam));
      if (!wParam) Cancel(hwnd, s);
      Redraw(hwnd);
      return 0;
    case WM_COMMAND:
      if (s.edit && static_cast<HWND>(lParam) == s.edit) {
        switch (HIWORD(wParam)) {
          case EN_UPDATE:
            if (!s.silent) NotifyCommand(hwnd, CBN_EDITUPDATE);
            break;
          case EN_CHANGE:
            if (!s.silent) NotifyCommand(hwnd, CBN_EDITCHANGE);
            break;
          case EN_SETFOCUS:
            s.focused = true;
            NotifyCommand(hwnd, CBN_SETFOCUS);
            break;
          case EN_KILLFOCUS:
            s.focused = false;
            Cancel(hwnd, s);
            if (IsWindow(hwnd)) NotifyCommand(hwnd, CBN_KILLFOCUS);
            break;
          default: break;
        }
      }
      return 0;
    case WM_SETTEXT: {
      std::u16string t = TextArg(lParam);
      if (s.edit) {
        SetFieldText(hwnd, s, t, false);
        return TRUE;
      }
      int i = L.Find(-1, t, true);
      L.sel = i;
      SetFieldText(hwnd, s, t, false);
      return i < 0 ? CB_ERR : TRUE;
    }
    case WM_GETTEXT:
      if (s.edit) return SendMessage(s.edit, WM_GETTEXT, wParam, lParam);
      return CopyBounded(s.text, reinterpret_cast<WCHAR*>(lParam), static_cast<size_t>(wParam));
    case WM_GETTEXTLENGTH:
      if (s.edit) return SendMessage(s.edit, WM_GETTEXTLENGTH, 0, 0);
      return static_cast<LRESULT>(s.text.size());
    case WM_SETFOCUS:
      if (s.edit) {
        SetFocus(s.edit);
        return 0;
      }
      s.focused = true;
      Redraw(hwnd);
      NotifyCommand(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (s.edit) return 0;  // the focus went to the combo's own edit field, or came from it
      s.focused = false;
      Cancel(hwnd, s);
      Redraw(hwnd);
      if (IsWindow(hwnd)) NotifyCommand(hwnd, CBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!IsWindowEnabled(hwnd)) return 0;
      if (s.edit) {
        if (GetFocus() != s.edit) SetFocus(s.edit);
      } else if (GetFocus() != hwnd) {
        SetFocus(hwnd);
      }
      if (!IsWindow(hwnd)) return 0;
      if (s.dropped)
        Cancel(hwnd, s);
      else
        Open(hwnd, s);
      return 0;
    case WM_KEYDOWN:
      if (!IsWindowEnabled(hwnd)) return 0;
      if (wParam == VK_F4) {
        if (s.dropped)
          Cancel(hwnd, s);
        else
          Open(hwnd, s);
      } else if (s.dropped) {
        if (wParam == VK_UP || wParam == VK_DOWN) {
          int n = L.Count();
          if (n > 0) s.hot = std::clamp(s.hot + (wParam == VK_UP ? -1 : 1), 0, n - 1);
          UpdatePopup(hwnd, s);
        } else if (wParam == VK_RETURN) {
          Pick(hwnd, s, s.hot);
        } else if (wParam == VK_ESCAPE) {
          Cancel(hwnd, s);
        }
      } else if (wParam == VK_UP || wParam == VK_DOWN) {
        SelectByKey(hwnd, s, L.sel < 0 ? 0 : L.sel + (wParam == VK_UP ? -1 : 1));
      }
      return 0;
    case WM_CHAR:
      // Characters sent to the combo box itself (an on-screen keypad does that) are typed into
      // its edit field; a drop-down list moves to the next item starting with the character.
      if (!IsWindowEnabled(hwnd)) return 0;
      if (s.edit) return SendMessage(s.edit, WM_CHAR, wParam, lParam);
      if (wParam >= 32) {
        int i = L.Find(L.sel, std::u16string(1, static_cast<WCHAR>(wParam)), false);
        if (i >= 0) SelectByKey(hwnd, s, i);
      }
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case CB_ADDSTRING: {
      int i = L.Add(TextArg(lParam), (Style(hwnd) & CBS_SORT) != 0);
      UpdatePopup(hwnd, s);
      return i;
    }
    case CB_INSERTSTRING: {
      int i = L.Insert(static_cast<int>(static_cast<intptr_t>(wParam)), TextArg(lParam));
      UpdatePopup(hwnd, s);
      return i < 0 ? CB_ERR : i;
    }
    case CB_DELETESTRING: {
      int before = L.sel;
      int n = L.Delete(static_cast<int>(static_cast<intptr_t>(wParam)));
      if (n < 0) return CB_ERR;
      if (before >= 0 && L.sel < 0 && !s.edit) SetFieldText(hwnd, s, u"", false);
      UpdatePopup(hwnd, s);
      return n;
    }
    case CB_RESETCONTENT:
      L.Reset();
      s.hot = -1;
      s.top = 0;
      SetFieldText(hwnd, s, u"", false);
      UpdatePopup(hwnd, s);
      return CB_OKAY;
    case CB_GETCOUNT: return L.Count();
    case CB_GETCURSEL: return L.sel;
    case CB_SETCURSEL: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) {
        L.sel = -1;
        SetFieldText(hwnd, s, u"", false);
        return CB_ERR;
      }
      L.sel = i;
      s.hot = i;
      SetFieldText(hwnd, s, L.items[static_cast<size_t>(i)].text, true);
      UpdatePopup(hwnd, s);
      return i;
    }
    case CB_SELECTSTRING: {
      int i = L.Find(static_cast<int>(static_cast<intptr_t>(wParam)), TextArg(lParam), false);
      if (i < 0) return CB_ERR;
      L.sel = i;
      SetFieldText(hwnd, s, L.items[static_cast<size_t>(i)].text, true);
      return i;
    }
    case CB_GETLBTEXT: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return CB_ERR;
      return CopyOut(L.items[static_cast<size_t>(i)].text, lParam);
    }
    case CB_GETLBTEXTLEN: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      return L.Valid(i) ? static_cast<LRESULT>(L.items[static_cast<size_t>(i)].text.size()) : CB_ERR;
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT: {
      int i = L.Find(static_cast<int>(static_cast<intptr_t>(wParam)), TextArg(lParam), msg == CB_FINDSTRINGEXACT);
      return i < 0 ? CB_ERR : i;
    }
    case CB_SETITEMDATA: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return CB_ERR;
      L.items[static_cast<size_t>(i)].data = static_cast<DWORD_PTR>(lParam);
      return CB_OKAY;
    }
    case CB_GETITEMDATA: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      return L.Valid(i) ? static_cast<LRESULT>(L.items[static_cast<size_t>(i)].data) : CB_ERR;
    }
    case CB_SHOWDROPDOWN:
      if (wParam) {
        Open(hwnd, s);
      } else if (s.dropped) {
        ClosePopup(s);
        Redraw(hwnd);
        NotifyCommand(hwnd, CBN_CLOSEUP);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE: return s.dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return CB_ERR;
      if (s.popup)
        GetWindowRect(s.popup, r);
      else {
        GetWindowRect(hwnd, r);
        r->bottom += s.dropHeight;
      }
      return CB_OKAY;
    }
    case CB_LIMITTEXT:
      if (!s.edit) return CB_ERR;
      SendMessage(s.edit, EM_LIMITTEXT, wParam, 0);
      return TRUE;
    case CB_SETEDITSEL:
      if (!s.edit) return CB_ERR;
      SendMessage(s.edit, EM_SETSEL, static_cast<WPARAM>(static_cast<intptr_t>(static_cast<int16_t>(LOWORD(lParam)))),
                  static_cast<int16_t>(HIWORD(lParam)));
      return TRUE;
    case CB_GETEDITSEL:
      if (!s.edit) return CB_ERR;
      return SendMessage(s.edit, EM_GETSEL, wParam, lParam);
    case CB_SETITEMHEIGHT: s.itemHeight = std::clamp(static_cast<int>(lParam), 1, 255); return CB_OKAY;
    case CB_GETITEMHEIGHT: return ItemH(hwnd, s);
    case CB_GETTOPINDEX: return s.top;
    case CB_SETTOPINDEX: {
      int i = static_cast<int>(static_cast<intptr_t>(wParam));
      if (!L.Valid(i)) return CB_ERR;
      s.top = i;
      UpdatePopup(hwnd, s);
      return CB_OKAY;
    }
    case CB_GETDROPPEDWIDTH: {
      RECT r;
      GetWindowRect(hwnd, &r);
      return std::max<int>(r.right - r.left, s.droppedWidth);
    }
    case CB_SETDROPPEDWIDTH: {
      int w = static_cast<int>(static_cast<intptr_t>(wParam));
      if (w < 0) return CB_ERR;
      s.droppedWidth = w;
      RECT r;
      GetWindowRect(hwnd, &r);
      return std::max<int>(r.right - r.left, s.droppedWidth);
    }
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      std::u16string text = s.edit ? WindowText(s.edit) : s.text;
      *out = u"text: " + text + u"\n";
      DescribeItems(*out, L);
      *out += s.dropped ? u"dropped: 1\n" : u"dropped: 0\n";
      return TRUE;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// The open list of a combo box: a pop-up owned by the combo box, holding the stylus while open.
LRESULT CALLBACK ComboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND combo = static_cast<HWND>(GetWindowLong(hwnd, GWL_USERDATA));
  if (combo && !IsWindow(combo)) combo = 0;
  switch (msg) {
    case WM_MOUSEACTIVATE: return kNoActivate;
    case WM_ACTIVATE:
    case WM_ERASEBKGND: return msg == WM_ERASEBKGND ? 1 : 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (dc && combo) {
        auto sp = g_combos.Get(combo);
        HBRUSH br = AskColors(combo, dc, WM_CTLCOLORLISTBOX);
        SelectObject(dc, FontOf(combo));
        PaintItemRows(hwnd, dc, sp->list, sp->hot, sp->top, ItemH(combo, *sp), true, br);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_VSCROLL: {
      if (!combo) return 0;
      auto sp = g_combos.Get(combo);
      sp->top = ScrollTarget(hwnd, wParam, sp->top, PopupPage(*sp, combo), sp->list.Count());
      int hot = sp->hot;
      sp->hot = -1;
      UpdatePopup(combo, *sp);
      sp->hot = hot;
      Redraw(hwnd);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      if (!combo) return 0;
      auto sp = g_combos.Get(combo);
      ComboState& s = *sp;
      POINT p{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
      RECT rc;
      GetClientRect(hwnd, &rc);
      bool inside = PtInRect(&rc, p) != FALSE;
      int row = inside ? s.top + p.y / std::max(1, ItemH(combo, s)) : -1;
      if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        if (inside) {
          s.tracking = true;
          if (s.list.Valid(row)) s.hot = row;
          Redraw(hwnd);
          return 0;
        }
        // Outside the rows: on the list's own scroll bar it scrolls, anywhere else it closes.
        POINT sp2 = p;
        ClientToScreen(hwnd, &sp2);
        RECT wr;
        GetWindowRect(hwnd, &wr);
        if (PtInRect(&wr, sp2) && p.x >= rc.right) {
          ScreenToClient(hwnd, &sp2);
          SendMessage(hwnd, WM_VSCROLL, p.y < rc.bottom / 2 ? SB_PAGEUP : SB_PAGEDOWN, 0);
          return 0;
        }
        Cancel(combo, s);
        return 0;
      }
      if (!s.tracking) return 0;
      if (msg == WM_MOUSEMOVE) {
        if (s.list.Valid(row) && row != s.hot) {
          s.hot = row;
          Redraw(hwnd);
        }
        return 0;
      }
      s.tracking = false;
      if (s.list.Valid(row)) Pick(combo, s, row);
      return 0;
    }
    case WM_CAPTURECHANGED:
      // Losing the stylus to another window closes the list.
      if (combo && static_cast<HWND>(lParam) != hwnd) {
        auto sp = g_combos.Get(combo);
        if (sp->popup == hwnd) Cancel(combo, *sp);
      }
      return 0;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
