// The chart window's answers to the stylus: the crosshair with its read-out, and the drag of the
// border between two panes. Both are drawn straight onto the window with an inverting pen, so
// that drawing a mark a second time takes it away and nothing else is repainted while the
// stylus moves.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/chart_wnd.h"
#include "chart/colours.h"

namespace chart {

namespace {

constexpr int kBorderHit = 6;
constexpr int kMinPaneHeight = 20;

int RoundHalfDown(double k) {
  const double fl = std::floor(k);
  return static_cast<int>(k - fl > 0.5 ? fl + 1 : fl);
}

void AppendTwoDigits(CString& s, int v, const WCHAR* after) {
  CString part;
  part.Format(v < 10 ? u"0%d%s" : u"%d%s", v, after);
  s += part;
}

}  // namespace

int CChartWnd::BarUnderX(int x) const {
  const int step = std::max(bar_width + bar_gap, 1);
  return RoundHalfDown((x - 0.3 * bar_width) / step) + first_index;
}

int CChartWnd::SnapX(int x) const {
  const int step = std::max(bar_width + bar_gap, 1);
  return RoundHalfDown(static_cast<double>(x - bar_width / 2) / step) * step + bar_width / 2;
}

int CChartWnd::CrosshairX(int window_x, int* bar) const {
  const int rel = window_x - panes[0].inner.left;
  const int step = bar_width + bar_gap;
  int i = BarUnderX(rel);
  int x = SnapX(rel);
  // The crosshair stays on the bars that are shown.
  if (i > last_index) {
    i = last_index;
    x = (last_index - first_index) * step + bar_width / 2;
  } else if (i < first_index) {
    i = first_index;
    x = bar_width / 2;
  }
  *bar = i;
  return panes[0].inner.left + x;
}

CString CChartWnd::ReadoutFirstLine(int i) const {
  const ChartBar& b = data->bars[static_cast<size_t>(i)];
  const BarDate d = SplitBarTime(b.time);
  CString s;
  if (chart_mode == kModeMinute) {
    AppendTwoDigits(s, d.hour, u":");
    AppendTwoDigits(s, d.minute, u"  ");
  } else {
    AppendTwoDigits(s, d.month, u"/");
    AppendTwoDigits(s, d.day, u"  ");
  }
  s += FormatReadoutValue(b.open, data->price_format);
  s += u" ";
  s += FormatReadoutValue(b.high, data->price_format);
  s += u" ";
  s += FormatReadoutValue(b.low, data->price_format);
  s += u" ";
  s += FormatReadoutValue(b.close, data->price_format);
  return s;
}

void CChartWnd::DrawReadout(HDC dc, int bar) {
  if (bar < first_index || bar > last_index || bar < 0 || bar >= data->count) return;
  const int saved = SaveDC(dc);
  if (large_font_) SelectObject(dc, large_font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  const int x = panes[0].outer.left + 2, y = panes[0].outer.top + 2;
  const CString first = ReadoutFirstLine(bar);
  SIZE size{};
  GetTextExtentPoint32(dc, first, first.GetLength(), &size);
  SetTextColor(dc, colour::kBlack);
  TextOut(dc, x, y, first, first.GetLength());
  readout_rect[0] = CRect(x, y, x + size.cx, y + std::max<int>(size.cy, tm.tmHeight));
  readout_rect[1].SetRectEmpty();
  if (show_ma_overlay) {
    const ChartBar& b = data->bars[static_cast<size_t>(bar)];
    const int periods[3] = {5, 20, 60};
    int cx = x;
    const int y2 = readout_rect[0].bottom;
    for (int q = 0; q < 3; ++q) {
      CString part;
      part.Format(u"%d (", periods[q]);
      part += FormatReadoutValue(b.ma[q], data->price_format);
      part += u") ";
      SetTextColor(dc, colour::kOverlay[q]);
      TextOut(dc, cx, y2, part, part.GetLength());
      GetTextExtentPoint32(dc, part, part.GetLength(), &size);
      cx += size.cx;
    }
    readout_rect[1] = CRect(x, y2, cx, y2 + std::max<int>(size.cy, tm.tmHeight));
  }
  RestoreDC(dc, saved);
}

void CChartWnd::InvertCrosshair(HDC dc, CPoint at) {
  const int saved = SaveDC(dc);
  SetROP2(dc, R2_NOT);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, at.x, panes[0].outer.top, nullptr);
  LineTo(dc, at.x, panes[std::max(pane_count - 1, 0)].outer.bottom);
  // The horizontal line leaves out the crossing point, which the vertical line has inverted.
  MoveToEx(dc, plot.left, at.y, nullptr);
  LineTo(dc, at.x, at.y);
  MoveToEx(dc, at.x + 1, at.y, nullptr);
  LineTo(dc, plot.right, at.y);
  RestoreDC(dc, saved);
}

void CChartWnd::InvertDragLine(HDC dc, int y) {
  const int saved = SaveDC(dc);
  SetROP2(dc, R2_NOT);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, plot.left, y, nullptr);
  LineTo(dc, plot.right, y);
  RestoreDC(dc, saved);
}

void CChartWnd::RestoreFromBitmap(HDC dc, const CRect& r) {
  if (r.IsRectEmpty()) return;
  if (mem_dc_)
    BitBlt(dc, r.left, r.top, r.Width(), r.Height(), mem_dc_, r.left, r.top, SRCCOPY);
  else
    InvalidateRect(&r, FALSE);
}

void CChartWnd::DrawStylusMarks(HDC dc) {
  if (mouse_mode == kMouseCrosshair) {
    DrawReadout(dc, readout_bar);
    InvertCrosshair(dc, cross);
  } else if (mouse_mode == kMouseBorderDrag && drag_y >= 0) {
    InvertDragLine(dc, drag_y);
  }
}

void CChartWnd::OnLButtonDown(UINT flags, CPoint p) {
  (void)flags;
  SetCapture();
  readout_rect[0].SetRectEmpty();
  readout_rect[1].SetRectEmpty();
  mouse_mode = kMouseNone;
  CRect wc;
  GetClientRect(&wc);
  if (pane_count == 0 || !wc.PtInRect(p) || p.x >= panes[0].inner.right) return;
  for (int i = 0; i + 1 < pane_count; ++i) {
    if (std::abs(p.y - panes[i].outer.bottom) < kBorderHit) {
      mouse_mode = kMouseBorderDrag;
      drag_pane = i;
      drag_y = -1;
      return;
    }
  }
  // A tap on a chart without bars has nothing to point at.
  if (!data->loaded || data->count <= 0) return;
  ComputeVisibleRange();
  if (last_index < first_index) return;
  int bar = 0;
  const int x = CrosshairX(p.x, &bar);
  mouse_mode = kMouseCrosshair;
  cross = CPoint(x, p.y);
  readout_bar = bar;
  HDC dc = ::GetDC(m_hWnd);
  DrawReadout(dc, bar);
  InvertCrosshair(dc, cross);
  ::ReleaseDC(m_hWnd, dc);
}

void CChartWnd::OnMouseMove(UINT flags, CPoint p) {
  (void)flags;
  if (mouse_mode == kMouseNone) return;
  CRect wc;
  GetClientRect(&wc);
  if (!wc.PtInRect(p)) return;
  // Right of the newest bar the crosshair stays where it was; the drag line follows the stylus
  // anywhere across the chart, since the release sets the border wherever it lifts.
  if (mouse_mode == kMouseCrosshair && BarUnderX(p.x - panes[0].inner.left) > last_index) return;
  HDC dc = ::GetDC(m_hWnd);
  if (mouse_mode == kMouseBorderDrag) {
    const int lo = panes[drag_pane].inner.top + kMinPaneHeight;
    const int hi = panes[drag_pane + 1].inner.bottom - kMinPaneHeight;
    if (p.y >= lo && p.y <= hi) {
      if (drag_y >= 0) InvertDragLine(dc, drag_y);
      drag_y = p.y;
      InvertDragLine(dc, drag_y);
    }
  } else {
    int bar = 0;
    const int x = CrosshairX(p.x, &bar);
    InvertCrosshair(dc, cross);
    RestoreFromBitmap(dc, readout_rect[0]);
    RestoreFromBitmap(dc, readout_rect[1]);
    readout_bar = bar;
    DrawReadout(dc, bar);
    cross = CPoint(x, p.y);
    InvertCrosshair(dc, cross);
  }
  ::ReleaseDC(m_hWnd, dc);
}

void CChartWnd::OnLButtonUp(UINT flags, CPoint p) {
  (void)flags;
  ::ReleaseCapture();
  if (mouse_mode == kMouseCrosshair) {
    HDC dc = ::GetDC(m_hWnd);
    InvertCrosshair(dc, cross);
    mouse_mode = kMouseNone;
    RestoreFromBitmap(dc, readout_rect[0]);
    RestoreFromBitmap(dc, readout_rect[1]);
    ::ReleaseDC(m_hWnd, dc);
  } else if (mouse_mode == kMouseBorderDrag) {
    if (drag_y >= 0) {
      HDC dc = ::GetDC(m_hWnd);
      InvertDragLine(dc, drag_y);
      ::ReleaseDC(m_hWnd, dc);
    }
    mouse_mode = kMouseNone;
    drag_y = -1;
    ChartPane& upper = panes[drag_pane];
    ChartPane& lower = panes[drag_pane + 1];
    const int lo = upper.inner.top + kMinPaneHeight;
    const int hi = lower.inner.bottom - kMinPaneHeight;
    if (lo <= hi) {
      const int y = std::clamp<int>(p.y, lo, hi);
      upper.outer.bottom = y;
      lower.outer.top = y - 1;
      InsetPanes();
    }
    Invalidate(FALSE);
  }
  mouse_mode = kMouseNone;
}

}  // namespace chart
