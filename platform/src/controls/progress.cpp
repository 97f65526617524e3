// The progress bar: a position within a range, drawn as a filled bar.
#include "common.h"

namespace plat::controls::detail {
namespace {

struct ProgressState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
  COLORREF bar = CLR_INVALID;
  COLORREF back = CLR_INVALID;
};
StateMap<ProgressState> g_progress;

int Clamp(const ProgressState& s, int v) {
  int lo = std::min(s.low, s.high), hi = std::max(s.low, s.high);
  return std::clamp(v, lo, hi);
}

void Paint(HWND hwnd, const ProgressState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH back = CreateSolidBrush(s.back != CLR_INVALID ? s.back : GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &rc, back);
  DeleteObject(back);
  long long span = static_cast<long long>(s.high) - s.low;
  if (span > 0) {
    long long done = static_cast<long long>(s.pos) - s.low;
    RECT bar = rc;
    if (Style(hwnd) & PBS_VERTICAL)
      bar.top = rc.bottom - static_cast<LONG>((rc.bottom - rc.top) * done / span);
    else
      bar.right = rc.left + static_cast<LONG>((rc.right - rc.left) * done / span);
    HBRUSH fill = CreateSolidBrush(s.bar != CLR_INVALID ? s.bar : GetSysColor(COLOR_HIGHLIGHT));
    FillRect(dc, &bar, fill);
    DeleteObject(fill);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    g_progress.Erase(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  auto sp = g_progress.Get(hwnd);
  ProgressState& s = *sp;
  switch (msg) {
    case WM_PAINT: Paint(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT old = MAKELONG(static_cast<WORD>(s.low), static_cast<WORD>(s.high));
      if (msg == PBM_SETRANGE) {
        s.low = static_cast<int16_t>(LOWORD(lParam));
        s.high = static_cast<int16_t>(HIWORD(lParam));
      } else {
        s.low = static_cast<int>(wParam);
        s.high = static_cast<int>(lParam);
      }
      s.pos = Clamp(s, s.pos);
      Redraw(hwnd);
      return old;
    }
    case PBM_GETRANGE: {
      auto* r = reinterpret_cast<PBRANGE*>(lParam);
      if (r) {
        r->iLow = s.low;
        r->iHigh = s.high;
      }
      return wParam ? s.low : s.high;
    }
    case PBM_SETPOS:
    case PBM_DELTAPOS: {
      int old = s.pos;
      long long target = msg == PBM_SETPOS ? static_cast<long long>(static_cast<int>(wParam))
                                           : static_cast<long long>(s.pos) + static_cast<int>(wParam);
      target = std::clamp<long long>(target, std::min(s.low, s.high), std::max(s.low, s.high));
      s.pos = static_cast<int>(target);
      if (s.pos != old) Redraw(hwnd);
      return old;
    }
    case PBM_GETPOS: return s.pos;
    case PBM_SETSTEP: {
      int old = s.step;
      s.step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      // Past the end the bar starts over from the beginning of the range.
      int old = s.pos;
      long long next = static_cast<long long>(s.pos) + s.step;
      long long span = static_cast<long long>(s.high) - s.low;
      if (span > 0 && next > s.high) next = s.low + (next - s.high - 1) % (span + 1);
      if (span > 0 && next < s.low) next = s.high - (s.low - next - 1) % (span + 1);
      s.pos = Clamp(s, static_cast<int>(next));
      Redraw(hwnd);
      return old;
    }
    case PBM_SETBARCOLOR:
    case PBM_SETBKCOLOR: {
      COLORREF& c = msg == PBM_SETBARCOLOR ? s.bar : s.back;
      COLORREF old = c;
      c = static_cast<COLORREF>(lParam);
      Redraw(hwnd);
      return static_cast<LRESULT>(old);
    }
    case WM_PLAT_INSPECT: {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      *out = u"range: " + Num(s.low) + u".." + Num(s.high) + u"\nposition: " + Num(s.pos) + u"\n";
      return TRUE;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls::detail
