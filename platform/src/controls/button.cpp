// The button control: push buttons, check boxes, radio buttons, group boxes and owner-drawn
// buttons whose faces the parent draws on WM_DRAWITEM.
#include "common.h"

namespace plat::controls::detail {
namespace {

struct ButtonState {
  int check = BST_UNCHECKED;
  bool pushed = false;  // shown pressed (BST_PUSHED)
  bool focused = false;
  bool tracking = false;  // stylus went down on the button and is held
};
StateMap<ButtonState> g_buttons;

DWORD Type(HWND hwnd) { return Style(hwnd) & BS_TYPEMASK; }
bool IsCheckType(DWORD t) { return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE; }
bool IsRadioType(DWORD t) { return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON; }

UINT ItemState(HWND hwnd, const ButtonState& s) {
  UINT st = 0;
  if (s.pushed) st |= ODS_SELECTED;
  if (s.focused) st |= ODS_FOCUS;
  if (!IsWindowEnabled(hwnd)) st |= ODS_DISABLED;
  return st;
}

// Sends the parent WM_DRAWITEM for the button's face.
void DrawOwner(HWND hwnd, HDC dc, const ButtonState& s, UINT action) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = static_cast<UINT>(CtrlId(hwnd));
  dis.itemID = 0;
  dis.itemAction = action;
  dis.itemState = ItemState(hwnd, s);
  dis.hwndItem = hwnd;
  dis.hDC = dc;
  GetClientRect(hwnd, &dis.rcItem);
  SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

void DrawMark(HDC dc, const RECT& box, bool radio, int check, bool enabled) {
  HBRUSH white = GetSysColorBrush(COLOR_WINDOW);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, white);
  if (radio)
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
  else
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
  if (check) {
    COLORREF c = GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    HBRUSH mark = CreateSolidBrush(check == BST_INDETERMINATE ? GetSysColor(COLOR_GRAYTEXT) : c);
    if (radio) {
      SelectObject(dc, mark);
      Ellipse(dc, box.left + 3, box.top + 3, box.right - 3, box.bottom - 3);
    } else {
      RECT in{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
      FillRect(dc, &in, mark);
    }
    SelectObject(dc, white);
    DeleteObject(mark);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void DrawButton(HWND hwnd, HDC dc, const ButtonState& s, UINT action) {
  DWORD style = Style(hwnd);
  DWORD type = style & BS_TYPEMASK;
  if (type == BS_OWNERDRAW) {
    DrawOwner(hwnd, dc, s, action);
    return;
  }
  RECT rc;
  GetClientRect(hwnd, &rc);
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  std::u16string text = WindowText(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
    HBRUSH brush = AskColors(hwnd, dc, WM_CTLCOLORBTN);
    (void)brush;
    HBRUSH face = GetSysColorBrush(s.pushed ? COLOR_BTNSHADOW : COLOR_BTNFACE);
    FillRect(dc, &rc, face);
    HBRUSH frame = GetSysColorBrush(COLOR_WINDOWFRAME);
    FrameRect(dc, &rc, frame);
    if (type == BS_DEFPUSHBUTTON) {
      RECT in{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
      FrameRect(dc, &in, frame);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    RECT tr = rc;
    if (s.pushed) OffsetRect(&tr, 1, 1);
    if (!text.empty())
      DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr,
               DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (s.focused) {
      RECT fr{rc.left + 3, rc.top + 3, rc.right - 3, rc.bottom - 3};
      DrawFocusRect(dc, &fr);
    }
  } else {
    HBRUSH brush = AskColors(hwnd, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &rc, brush);
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    if (type == BS_GROUPBOX) {
      RECT frame{rc.left, rc.top + 6, rc.right, rc.bottom};
      FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
      if (!text.empty()) {
        RECT tr{rc.left + 6, rc.top, rc.right - 6, rc.top + 14};
        DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
      }
    } else {
      const int box = 12;
      bool leftText = (style & BS_LEFTTEXT) != 0;
      int top = rc.top + (rc.bottom - rc.top - box) / 2;
      RECT br =
          leftText ? RECT{rc.right - box, top, rc.right, top + box} : RECT{rc.left, top, rc.left + box, top + box};
      DrawMark(dc, br, IsRadioType(type), s.check, enabled);
      RECT tr = leftText ? RECT{rc.left, rc.top, rc.right - box - 4, rc.bottom}
                         : RECT{rc.left + box + 4, rc.top, rc.right, rc.bottom};
      if (!text.empty())
        DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      if (s.focused) DrawFocusRect(dc, &tr);
    }
  }
  SelectObject(dc, oldFont);
}

// Redraws at once (state and focus changes draw immediately, as WM_DRAWITEM order matters to
// owner-drawn faces).
void DrawNow(HWND hwnd, const ButtonState& s, UINT action) {
  if (!IsWindowVisible(hwnd)) {
    Redraw(hwnd);
    return;
  }
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  DrawButton(hwnd, dc, s, action);
  ReleaseDC(hwnd, dc);
}

// The radio buttons of the button's group: from the nearest sibling at or before it that starts a
// group (WS_GROUP) up to the next one that starts another.
std::vector<HWND> GroupOf(HWND hwnd) {
  std::vector<HWND> siblings;
  HWND parent = GetParent(hwnd);
  if (!parent) return {hwnd};
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) siblings.push_back(c);
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end()) return {hwnd};
  auto first = it;
  while (first != siblings.begin() && !(Style(*first) & WS_GROUP)) --first;
  std::vector<HWND> group;
  for (auto k = first; k != siblings.end(); ++k) {
    if (k != first && (Style(*k) & WS_GROUP)) break;
    group.push_back(*k);
  }
  return group;
}

bool IsButtonClass(HWND hwnd) {
  WCHAR name[16] = {};
  GetClassName(hwnd, name, 16);
  return CompareNoCase(name, u"BUTTON") == 0;
}

void SetCheck(HWND hwnd, ButtonState& s, int check) {
  if (s.check == check) return;
  s.check = check;
  DrawNow(hwnd, s, ODA_DRAWENTIRE);
}

// The effect of a completed tap (or BM_CLICK): auto check boxes toggle, an auto radio button
// checks itself and unchecks the rest of its group; then the parent hears BN_CLICKED.
void Click(HWND hwnd, ButtonState& s) {
  DWORD type = Type(hwnd);
  if (type == BS_AUTOCHECKBOX) {
    SetCheck(hwnd, s, s.check ? BST_UNCHECKED : BST_CHECKED);
  } else if (type == BS_AUTO3STATE) {
    SetCheck(hwnd, s, (s.check + 1) % 3);
  } else if (type == BS_AUTORADIOBUTTON) {
    for (HWND other : GroupOf(hwnd)) {
      if (other == hwnd || !IsButtonClass(other) || !IsRadioType(Type(other))) continue;
      SendMessage(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SetCheck(hwnd, s, BST_CHECKED);
  }
  NotifyCommand(hwnd, BN_CLICKED);
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT p{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
  return PtInRect(&rc, p) != FALSE;
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    g_buttons.Erase(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  auto sp = g_buttons.Get(hwnd);
  ButtonState& s = *sp;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (dc) DrawButton(hwnd, dc, s, ODA_DRAWENTIRE);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!IsWindowEnabled(hwnd) || Type(hwnd) == BS_GROUPBOX) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      SetCapture(hwnd);
      s.tracking = true;
      if (!s.pushed) {
        s.pushed = true;
        DrawNow(hwnd, s, ODA_SELECT);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (s.tracking) {
        bool in = Inside(hwnd, lParam);
        if (in != s.pushed) {
          s.pushed = in;
          DrawNow(hwnd, s, ODA_SELECT);
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!s.tracking) return 0;
      s.tracking = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      bool clicked = s.pushed && Inside(hwnd, lParam);
      if (s.pushed) {
        s.pushed = false;
        DrawNow(hwnd, s, ODA_SELECT);
      }
      if (clicked) Click(hwnd, s);
      return 0;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      if (s.tracking) {
        s.tracking = false;
        if (s.pushed) {
          s.pushed = false;
          DrawNow(hwnd, s, ODA_SELECT);
        }
      }
      return msg == WM_CANCELMODE ? DefWindowProc(hwnd, msg, wParam, lParam) : 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && IsWindowEnabled(hwnd) && !s.pushed) {
        s.pushed = true;
        DrawNow(hwnd, s, ODA_SELECT);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && s.pushed && !s.tracking) {
        s.pushed = false;
        DrawNow(hwnd, s, ODA_SELECT);
        Click(hwnd, s);
      }
      return 0;
    case WM_SETFOCUS:
      s.focused = true;
      DrawNow(hwnd, s, ODA_FOCUS);
      if (Style(hwnd) & BS_NOTIFY) NotifyCommand(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      if (s.tracking) {
        s.tracking = false;
        s.pushed = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      DrawNow(hwnd, s, ODA_FOCUS);
      if (Style(hwnd) & BS_NOTIFY) NotifyCommand(hwnd, BN_KILLFOCUS);
      return 0;
    case WM_ENABLE: DrawNow(hwnd, s, ODA_DRAWENTIRE); return 0;
    case WM_GETDLGCODE: {
      DWORD t = Type(hwnd);
      if (t == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (t == BS_PUSHBUTTON || t == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (IsRadioType(t)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (t == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON;
    }
    case BM_GETCHECK: return IsCheckType(Type(hwnd)) || IsRadioType(Type(hwnd)) ? s.check : BST_UNCHECKED;
    case BM_SETCHECK: {
      DWORD t = Type(hwnd);
      if (!IsCheckType(t) && !IsRadioType(t)) return 0;
      int v = static_cast<int>(wParam);
      if (v != BST_CHECKED && v != BST_INDETERMINATE) v = BST_UNCHECKED;
      if (v == BST_INDETERMINATE && t != BS_3STATE && t != BS_AUTO3STATE) v = BST_CHECKED;
      SetCheck(hwnd, s, v);
      return 0;
    }
    case BM_GETSTATE: return s.check | (s.pushed ? BST_PUSHED : 0) | (s.focused ? BST_FOCUS : 0);
    case BM_SETSTATE: {
      bool on = wParam != 0;
      if (on != s.pushed) {
        s.pushed = on;
        DrawNow(hwnd, s, ODA_SELECT);
      }
      return 0;
    }
    case BM_SETSTYLE: {
      DWORD style = (Style(hwnd) & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFFu);
      SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      if (LOWORD(lParam)) Redraw(hwnd);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(hwnd)) Click(hwnd, s);
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      Redraw(hwnd);
      return r;
    }
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      *out = u"text: " + WindowText(hwnd) + u"\n";
      DWORD t = Type(hwnd);
      if (IsCheckType(t) || IsRadioType(t)) *out += u"checked: " + Num(s.check) + u"\n";
      return TRUE;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
