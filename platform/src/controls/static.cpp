// The static text control: a label drawn in the colours its parent gives it.
#include "common.h"

namespace plat::controls::detail {
namespace {

struct StaticState {
  HGDIOBJ image = nullptr;  // SS_BITMAP
};
StateMap<StaticState> g_statics;

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  DWORD style = Style(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH brush = AskColors(hwnd, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &rc, brush);
  DWORD type = style & SS_TYPEMASK;
  if (type == SS_BITMAP) {
    auto st = g_statics.Get(hwnd);
    BITMAP bm{};
    if (st->image && GetObject(st->image, sizeof bm, &bm)) {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, st->image);
      BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
  } else {
    std::u16string text = WindowText(hwnd);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
    if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    UINT fmt = DT_NOPREFIX;
    if (type == SS_CENTER)
      fmt |= DT_CENTER;
    else if (type == SS_RIGHT)
      fmt |= DT_RIGHT;
    if (type == SS_LEFTNOWORDWRAP || (style & SS_CENTERIMAGE))
      fmt |= DT_SINGLELINE;
    else
      fmt |= DT_WORDBREAK;
    if (style & SS_CENTERIMAGE) fmt |= DT_VCENTER;
    if (!text.empty()) DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rc, fmt);
    SelectObject(dc, oldFont);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return (Style(hwnd) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
      if (Style(hwnd) & SS_NOTIFY) NotifyCommand(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (Style(hwnd) & SS_NOTIFY) NotifyCommand(hwnd, STN_DBLCLK);
      return 0;
    case WM_ENABLE: Redraw(hwnd); return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case STM_SETIMAGE: {
      auto st = g_statics.Get(hwnd);
      HGDIOBJ old = st->image;
      st->image = reinterpret_cast<HGDIOBJ>(lParam);
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(g_statics.Get(hwnd)->image);
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      *out = u"text: " + WindowText(hwnd) + u"\n";
      return TRUE;
    }
    case WM_NCDESTROY: g_statics.Erase(hwnd); return DefWindowProc(hwnd, msg, wParam, lParam);
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
