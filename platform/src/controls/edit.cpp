// The edit control: single-line and multi-line text entry with a caret and a selection.
#include "common.h"

namespace plat::controls::detail {
namespace {

// A handler of EN_CHANGE that writes the text back (formatting it) makes the control notify again;
// nesting stops once the text written back equals the text already there, and in any case at
// this depth, so that such a handler cannot recurse without end.
constexpr int kMaxChangeDepth = 8;
constexpr UINT kDefaultLimit = 30000;

struct EditState {
  std::u16string text;
  int selStart = 0;  // anchor
  int selEnd = 0;    // caret
  UINT limit = kDefaultLimit;
  bool modified = false;
  WCHAR password = 0;
  bool passwordInit = false;
  int firstChar = 0;        // first visible character of a single-line edit
  int firstLine = 0;        // first visible line of a multi-line edit
  bool followCaret = true;  // the next paint scrolls the caret into view
  int changeDepth = 0;
  bool focused = false;
  bool inCombo = false;
};
StateMap<EditState> g_edits;

int Len(const EditState& s) { return static_cast<int>(s.text.size()); }
int SelMin(const EditState& s) { return std::min(s.selStart, s.selEnd); }
int SelMax(const EditState& s) { return std::max(s.selStart, s.selEnd); }

WCHAR PasswordChar(HWND hwnd, EditState& s) {
  if (!s.passwordInit) {
    s.passwordInit = true;
    if (Style(hwnd) & ES_PASSWORD) s.password = u'*';
  }
  return s.password;
}

std::u16string Shown(HWND hwnd, EditState& s) {
  WCHAR pw = PasswordChar(hwnd, s);
  if (pw && !(Style(hwnd) & ES_MULTILINE)) return std::u16string(s.text.size(), pw);
  return s.text;
}

std::u16string ApplyCase(DWORD style, std::u16string t) {
  for (auto& c : t) {
    if ((style & ES_UPPERCASE) && c >= u'a' && c <= u'z')
      c = static_cast<WCHAR>(c - 32);
    else if ((style & ES_LOWERCASE) && c >= u'A' && c <= u'Z')
      c = static_cast<WCHAR>(c + 32);
  }
  return t;
}

void UpdateScroll(HWND hwnd, EditState& s);

// Keeps the window manager's copy of the text in step (for inspection and the default text
// messages of other callers), and the scroll bar of a multi-line edit.
void Sync(HWND hwnd, EditState& s) {
  DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.text.c_str()));
  s.followCaret = true;
  UpdateScroll(hwnd, s);
  Redraw(hwnd);
}

// EN_UPDATE then EN_CHANGE. Returns false when a handler destroyed the control.
bool NotifyChange(HWND hwnd, EditState& s) {
  if (s.changeDepth >= kMaxChangeDepth) return true;
  ++s.changeDepth;
  NotifyCommand(hwnd, EN_UPDATE);
  if (IsWindow(hwnd)) NotifyCommand(hwnd, EN_CHANGE);
  --s.changeDepth;
  return IsWindow(hwnd) != FALSE;
}

// Replaces the selection with `ins`. Typed text that does not fit the limit is refused whole;
// text from EM_REPLACESEL is cut to what fits. Either way the parent hears EN_MAXTEXT.
void ReplaceSelection(HWND hwnd, EditState& s, std::u16string ins, bool typed) {
  int a = SelMin(s), b = SelMax(s);
  long long room = static_cast<long long>(s.limit) - (Len(s) - (b - a));
  if (room < 0) room = 0;
  if (static_cast<long long>(ins.size()) > room) {
    if (typed) {
      NotifyCommand(hwnd, EN_MAXTEXT);
      return;
    }
    ins.resize(static_cast<size_t>(room));
    NotifyCommand(hwnd, EN_MAXTEXT);
    if (!IsWindow(hwnd)) return;
  }
  if (ins.empty() && a == b) return;
  s.text.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), ins);
  s.selStart = s.selEnd = a + static_cast<int>(ins.size());
  s.modified = true;
  Sync(hwnd, s);
  NotifyChange(hwnd, s);
}

struct Line {
  int start;
  int length;
};

// Display lines of a multi-line edit: paragraphs split at line feeds, wrapped at the width unless
// the edit scrolls sideways.
std::vector<Line> Layout(HWND hwnd, HDC dc, const std::u16string& shown, int width) {
  std::vector<Line> lines;
  bool wrap = !(Style(hwnd) & ES_AUTOHSCROLL) && width > 0;
  int n = static_cast<int>(shown.size());
  int p = 0;
  while (true) {
    int e = p;
    while (e < n && shown[static_cast<size_t>(e)] != u'\n') ++e;
    int paraEnd = e;
    if (paraEnd > p && shown[static_cast<size_t>(paraEnd - 1)] == u'\r') --paraEnd;
    int q = p;
    do {
      int len = paraEnd - q;
      if (wrap && len > 0) {
        int fit = 0;
        SIZE sz{};
        GetTextExtentExPoint(dc, shown.c_str() + q, len, width, &fit, nullptr, &sz);
        if (fit < len) {
          if (fit < 1) fit = 1;
          int brk = fit;
          while (brk > 0 && shown[static_cast<size_t>(q + brk - 1)] != u' ') --brk;
          len = brk > 0 ? brk : fit;
        }
      }
      lines.push_back(Line{q, len});
      q += len;
    } while (q < paraEnd);
    if (e >= n) break;
    p = e + 1;
  }
  return lines;
}

int LineOf(const std::vector<Line>& lines, int pos) {
  for (size_t i = lines.size(); i-- > 0;)
    if (pos >= lines[i].start) return static_cast<int>(i);
  return 0;
}

int LineCount(HWND hwnd, EditState& s) {
  if (!(Style(hwnd) & ES_MULTILINE)) return 1;
  HDC dc = GetDC(hwnd);
  if (!dc) return 1;
  HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
  RECT rc;
  GetClientRect(hwnd, &rc);
  int n = static_cast<int>(Layout(hwnd, dc, Shown(hwnd, s), rc.right - 4).size());
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return n;
}

int VisibleLines(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  if (!dc) return 1;
  HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
  int lh = LineHeight(dc);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::max(1, static_cast<int>(rc.bottom - 2) / std::max(lh, 1));
}

// The scroll bar of a multi-line edit with WS_VSCROLL: one step per line.
void UpdateScroll(HWND hwnd, EditState& s) {
  DWORD style = Style(hwnd);
  if (!(style & ES_MULTILINE) || !(style & WS_VSCROLL)) return;
  int lines = LineCount(hwnd, s);
  int page = VisibleLines(hwnd);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = std::max(0, lines - 1);
  si.nPage = static_cast<UINT>(page);
  si.nPos = std::clamp(s.firstLine, 0, std::max(0, lines - page));
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

// Scrolls a multi-line edit to `first` without moving the caret.
void ScrollTo(HWND hwnd, EditState& s, int first) {
  int lines = LineCount(hwnd, s);
  int page = VisibleLines(hwnd);
  s.firstLine = std::clamp(first, 0, std::max(0, lines - page));
  s.followCaret = false;
  if (Style(hwnd) & WS_VSCROLL) SetScrollPos(hwnd, SB_VERT, s.firstLine, TRUE);
  Redraw(hwnd);
}

void DrawRun(HDC dc, int x, int y, const std::u16string& shown, int from, int to, int selA, int selB, bool showSel,
             int lineHeight) {
  // Unselected text, then the selected part over the highlight.
  if (to > from) TextOut(dc, x, y, shown.c_str() + from, to - from);
  if (!showSel) return;
  int a = std::max(from, selA), b = std::min(to, selB);
  if (a >= b) return;
  int xa = x + TextWidth(dc, shown.c_str() + from, a - from);
  int xb = xa + TextWidth(dc, shown.c_str() + a, b - a);
  RECT hr{xa, y, xb, y + lineHeight};
  FillRect(dc, &hr, GetSysColorBrush(COLOR_HIGHLIGHT));
  COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  TextOut(dc, xa, y, shown.c_str() + a, b - a);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
}

void Paint(HWND hwnd, EditState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  DWORD style = Style(hwnd);
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH brush = AskColors(hwnd, dc, (!enabled || (style & ES_READONLY)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  FillRect(dc, &rc, brush);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  int lh = LineHeight(dc);
  int width = rc.right - rc.left - 4;
  std::u16string shown = Shown(hwnd, s);
  int caret = std::clamp(s.selEnd, 0, Len(s));
  int selA = SelMin(s), selB = SelMax(s);
  bool showSel = s.focused && selA != selB;
  int caretX = -1, caretY = 0;
  if (!(style & ES_MULTILINE)) {
    if (s.firstChar > caret) s.firstChar = caret;
    if (s.firstChar > Len(s)) s.firstChar = Len(s);
    while (s.firstChar < caret && TextWidth(dc, shown.c_str() + s.firstChar, caret - s.firstChar) > width)
      ++s.firstChar;
    int total = TextWidth(dc, shown.c_str(), static_cast<int>(shown.size()));
    int x = 2;
    if (s.firstChar == 0 && total <= width) {
      if (style & ES_CENTER)
        x = 2 + (width - total) / 2;
      else if (style & ES_RIGHT)
        x = 2 + width - total;
    }
    int y = std::max(0, (static_cast<int>(rc.bottom) - lh) / 2);
    DrawRun(dc, x, y, shown, s.firstChar, static_cast<int>(shown.size()), selA, selB, showSel, lh);
    caretX = x + TextWidth(dc, shown.c_str() + s.firstChar, caret - s.firstChar);
    caretY = y;
  } else {
    std::vector<Line> lines = Layout(hwnd, dc, shown, width);
    int visible = std::max(1, static_cast<int>(rc.bottom - 2) / std::max(lh, 1));
    int cl = LineOf(lines, caret);
    if (s.followCaret) {
      if (s.firstLine > cl) s.firstLine = cl;
      if (cl >= s.firstLine + visible) s.firstLine = cl - visible + 1;
      s.followCaret = false;
    }
    s.firstLine = std::clamp(s.firstLine, 0, std::max(0, static_cast<int>(lines.size()) - visible));
    for (int i = s.firstLine; i < static_cast<int>(lines.size()) && i < s.firstLine + visible; ++i) {
      const Line& ln = lines[static_cast<size_t>(i)];
      int y = 1 + (i - s.firstLine) * lh;
      DrawRun(dc, 2, y, shown, ln.start, ln.start + ln.length, selA, selB, showSel, lh);
      if (i == cl) {
        caretX = 2 + TextWidth(dc, shown.c_str() + ln.start, std::min(caret, ln.start + ln.length) - ln.start);
        caretY = y;
      }
    }
  }
  if (s.focused && caretX >= 0) {
    RECT cr{caretX, caretY, caretX + 1, caretY + lh};
    HBRUSH cb = CreateSolidBrush(GetTextColor(dc));
    FillRect(dc, &cr, cb);
    DeleteObject(cb);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// Character index of a point in a single-line edit.
int HitTest(HWND hwnd, EditState& s, int x) {
  HDC dc = GetDC(hwnd);
  if (!dc) return Len(s);
  HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
  std::u16string shown = Shown(hwnd, s);
  int pos = Len(s);
  int start = std::min(s.firstChar, Len(s));
  for (int i = start; i <= Len(s); ++i) {
    int w = 2 + TextWidth(dc, shown.c_str() + start, i - start);
    int next = i < Len(s) ? 2 + TextWidth(dc, shown.c_str() + start, i + 1 - start) : w;
    if (x < (w + next) / 2 || i == Len(s)) {
      pos = i;
      break;
    }
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return pos;
}

void MoveCaret(HWND hwnd, EditState& s, int pos) {
  s.selStart = s.selEnd = std::clamp(pos, 0, Len(s));
  s.followCaret = true;
  Redraw(hwnd);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    g_edits.Erase(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  auto sp = g_edits.Get(hwnd);
  EditState& s = *sp;
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) s.text = ApplyCase(Style(hwnd), cs->lpszName);
      HWND parent = GetParent(hwnd);
      WCHAR cls[16] = {};
      if (parent) GetClassName(parent, cls, 16);
      s.inCombo = CompareNoCase(cls, u"COMBOBOX") == 0;
      PasswordChar(hwnd, s);
      Sync(hwnd, s);
      return 0;
    }
    case WM_PAINT: Paint(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: {
      std::u16string t = ApplyCase(Style(hwnd), TextArg(lParam));
      bool same = t == s.text;
      s.text = std::move(t);
      s.selStart = s.selEnd = 0;
      s.firstChar = s.firstLine = 0;
      s.modified = false;
      Sync(hwnd, s);
      if (!(same && s.changeDepth > 0)) NotifyChange(hwnd, s);
      return TRUE;
    }
    case WM_GETTEXT: return CopyBounded(s.text, reinterpret_cast<WCHAR*>(lParam), static_cast<size_t>(wParam));
    case WM_GETTEXTLENGTH: return Len(s);
    case WM_CHAR: {
      if (!IsWindowEnabled(hwnd) || (Style(hwnd) & ES_READONLY)) return 0;
      WCHAR ch = static_cast<WCHAR>(wParam);
      DWORD style = Style(hwnd);
      if (ch == 8) {
        if (SelMin(s) == SelMax(s)) {
          if (SelMin(s) == 0) return 0;
          s.selStart = SelMin(s) - 1;
          s.selEnd = s.selStart + 1;
        }
        ReplaceSelection(hwnd, s, u"", true);
        return 0;
      }
      if (ch == u'\r') {
        if (style & ES_MULTILINE) ReplaceSelection(hwnd, s, u"\r\n", true);
        return 0;
      }
      if (ch < 32) return 0;
      if ((style & ES_NUMBER) && (ch < u'0' || ch > u'9')) return 0;
      ReplaceSelection(hwnd, s, ApplyCase(style, std::u16string(1, ch)), true);
      return 0;
    }
    case WM_KEYDOWN: {
      if (s.inCombo &&
          (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_F4 || wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        HWND parent = GetParent(hwnd);
        if (parent) return SendMessage(parent, WM_KEYDOWN, wParam, lParam);
        return 0;
      }
      switch (wParam) {
        case VK_LEFT: MoveCaret(hwnd, s, (SelMin(s) != SelMax(s) ? SelMin(s) : s.selEnd - 1)); break;
        case VK_RIGHT: MoveCaret(hwnd, s, (SelMin(s) != SelMax(s) ? SelMax(s) : s.selEnd + 1)); break;
        case VK_HOME: MoveCaret(hwnd, s, 0); break;
        case VK_END: MoveCaret(hwnd, s, Len(s)); break;
        case VK_DELETE:
          if (!IsWindowEnabled(hwnd) || (Style(hwnd) & ES_READONLY)) break;
          if (SelMin(s) == SelMax(s)) {
            if (SelMax(s) >= Len(s)) break;
            s.selStart = SelMin(s);
            s.selEnd = s.selStart + 1;
          }
          ReplaceSelection(hwnd, s, u"", true);
          break;
        default: break;
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!IsWindowEnabled(hwnd)) return 0;
      if (GetFocus() != hwnd) {
        SetFocus(hwnd);  // the caret goes to the end of the text
        return 0;
      }
      if (!(Style(hwnd) & ES_MULTILINE)) MoveCaret(hwnd, s, HitTest(hwnd, s, static_cast<int16_t>(LOWORD(lParam))));
      return 0;
    }
    case WM_SETFOCUS:
      s.focused = true;
      // A read-only text (an article) keeps its place; an entry field puts the caret at the end.
      if (!(Style(hwnd) & ES_READONLY)) {
        s.selStart = s.selEnd = Len(s);
        s.followCaret = true;
      }
      Redraw(hwnd);
      NotifyCommand(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      Redraw(hwnd);
      NotifyCommand(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_ENABLE: Redraw(hwnd); return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | ((Style(hwnd) & ES_MULTILINE) ? DLGC_WANTALLKEYS : 0);
    case WM_CLEAR:
      if (!(Style(hwnd) & ES_READONLY) && SelMin(s) != SelMax(s)) ReplaceSelection(hwnd, s, u"", false);
      return 0;
    case EM_SETSEL: {
      int a = static_cast<int>(static_cast<intptr_t>(wParam));
      int b = static_cast<int>(lParam);
      if (a == -1) {
        s.selStart = s.selEnd;
      } else {
        if (b < 0 || b > Len(s)) b = Len(s);
        a = std::clamp(a, 0, Len(s));
        s.selStart = a;
        s.selEnd = b;
      }
      s.followCaret = true;
      Redraw(hwnd);
      return 0;
    }
    case EM_GETSEL: {
      int a = SelMin(s), b = SelMax(s);
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(a);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(b);
      return MAKELONG(std::min(a, 0xFFFF), std::min(b, 0xFFFF));
    }
    case EM_REPLACESEL: ReplaceSelection(hwnd, s, TextArg(lParam), false); return 0;
    case EM_LIMITTEXT: s.limit = wParam == 0 ? 0x7FFFFFFEu : static_cast<UINT>(wParam); return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(s.limit);
    case EM_SETREADONLY: {
      DWORD style = Style(hwnd);
      style = wParam ? (style | ES_READONLY) : (style & ~static_cast<DWORD>(ES_READONLY));
      SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      Redraw(hwnd);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
      PasswordChar(hwnd, s);
      s.password = static_cast<WCHAR>(wParam);
      DWORD style = Style(hwnd);
      style = s.password ? (style | ES_PASSWORD) : (style & ~static_cast<DWORD>(ES_PASSWORD));
      SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      Redraw(hwnd);
      return 0;
    }
    case EM_GETPASSWORDCHAR: return PasswordChar(hwnd, s);
    case EM_GETLINECOUNT: return LineCount(hwnd, s);
    case EM_GETMODIFY: return s.modified ? TRUE : FALSE;
    case EM_SETMODIFY: s.modified = wParam != 0; return 0;
    case EM_SCROLLCARET:
      s.followCaret = true;
      Redraw(hwnd);
      return TRUE;
    case EM_GETFIRSTVISIBLELINE: return (Style(hwnd) & ES_MULTILINE) ? s.firstLine : s.firstChar;
    case WM_VSCROLL:
      if (Style(hwnd) & ES_MULTILINE)
        ScrollTo(hwnd, s, ScrollTarget(hwnd, wParam, s.firstLine, VisibleLines(hwnd), LineCount(hwnd, s)));
      return 0;
    case EM_LINESCROLL:
      if (!(Style(hwnd) & ES_MULTILINE)) return FALSE;
      ScrollTo(hwnd, s, s.firstLine + static_cast<int>(lParam));
      return TRUE;
    case EM_SCROLL: {
      if (!(Style(hwnd) & ES_MULTILINE)) return FALSE;
      int before = s.firstLine;
      ScrollTo(hwnd, s, ScrollTarget(hwnd, wParam, s.firstLine, VisibleLines(hwnd), LineCount(hwnd, s)));
      return MAKELONG(static_cast<WORD>(s.firstLine - before), TRUE);
    }
    case WM_SIZE: UpdateScroll(hwnd, s); return 0;
    case WM_SETFONT:
      DefWindowProc(hwnd, msg, wParam, lParam);
      UpdateScroll(hwnd, s);
      return 0;
    case EM_CANUNDO:
    case EM_UNDO:
    case EM_EMPTYUNDOBUFFER:
    case EM_SETMARGINS: return 0;
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      *out = u"text: " + Shown(hwnd, s) + u"\n";
      return TRUE;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
