#include "chart/chart_wnd.h"

#include "chart/colours.h"
#include "vxbase/money.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace chart {

namespace {

using namespace colour;
constexpr const COLORREF* kOverlayColours = colour::kOverlay;

constexpr double kPaneFractions[kMaxPanes] = {0.7, 0.85, 1.0};

const plat::DialogTemplate kChartTemplate = {WS_CHILD, 0, 0, 0, 232, 220, u"", nullptr, nullptr, 0, nullptr, 0};
PLAT_RESOURCE(plat::res::Dialog, IDD_DLG_KCHART, &kChartTemplate, sizeof kChartTemplate);

// Pen and brush selected for one drawing step, put back when it ends.
class PenBrush {
 public:
  PenBrush(HDC dc, int pen_style, COLORREF pen, HBRUSH brush) : dc_(dc) {
    pen_ = CreatePen(pen_style, 1, pen);
    old_pen_ = SelectObject(dc, pen_);
    old_brush_ = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
  }
  ~PenBrush() {
    SelectObject(dc_, old_pen_);
    SelectObject(dc_, old_brush_);
    DeleteObject(pen_);
  }
  PenBrush(const PenBrush&) = delete;
  PenBrush& operator=(const PenBrush&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ old_pen_, old_brush_;
};

void Fill(HDC dc, int l, int t, int r, int b, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  RECT rc{l, t, r, b};
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

void Text(HDC dc, int x, int y, const CString& s, COLORREF colour, UINT align) {
  SetTextColor(dc, colour);
  SetTextAlign(dc, align);
  TextOut(dc, x, y, s, s.GetLength());
}

// Cohen-Sutherland clipping of the segment (x0,y0)-(x1,y1) to r (right and bottom inclusive
// edges at r.right - 1 and r.bottom - 1); false when nothing of it lies inside.
bool ClipSegment(const RECT& r, double& x0, double& y0, double& x1, double& y1) {
  const double xmin = r.left, ymin = r.top, xmax = r.right - 1, ymax = r.bottom - 1;
  auto code = [&](double x, double y) {
    int c = 0;
    if (x < xmin)
      c |= 1;
    else if (x > xmax)
      c |= 2;
    if (y < ymin)
      c |= 4;
    else if (y > ymax)
      c |= 8;
    return c;
  };
  int c0 = code(x0, y0), c1 = code(x1, y1);
  for (int guard = 0; guard < 8; ++guard) {
    if (!(c0 | c1)) return true;
    if (c0 & c1) return false;
    const int out = c0 ? c0 : c1;
    double x = 0, y = 0;
    if (out & 8) {
      x = x0 + (x1 - x0) * (ymax - y0) / (y1 - y0);
      y = ymax;
    } else if (out & 4) {
      x = x0 + (x1 - x0) * (ymin - y0) / (y1 - y0);
      y = ymin;
    } else if (out & 2) {
      y = y0 + (y1 - y0) * (xmax - x0) / (x1 - x0);
      x = xmax;
    } else {
      y = y0 + (y1 - y0) * (xmin - x0) / (x1 - x0);
      x = xmin;
    }
    if (out == c0) {
      x0 = x;
      y0 = y;
      c0 = code(x0, y0);
    } else {
      x1 = x;
      y1 = y;
      c1 = code(x1, y1);
    }
  }
  return false;
}

// max and min of an indicator range made equal: spread them apart without inverting them.
void SpreadEqual(int64_t* min, int64_t* max) {
  const int64_t v = *max;
  if (v == 0) {
    *max = 1;
  } else if (v > 0) {
    *max = v * 2;
    *min = v / 2;
  } else {
    *max = v / 2;
    *min = v * 2;
  }
}

}  // namespace

const CandleStyle kCandleStyles[2] = {
    {u"시가 < 종가", 0x0000FF, 0, 1},
    {u"시가 > 종가", 0xFF0000, 1, 1},
};

const ZoomStep kZoomTable[10] = {{2, 0}, {3, 0}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}, {8, 3}, {9, 3}, {10, 3}};

bool ChartPane::Holds(int kind) const {
  for (int i = 0; i < item_count; ++i)
    if (items[i].kind == kind) return true;
  return false;
}

CString FormatAxisValue(int64_t value, bool hundredths) {
  WCHAR text[kCommaNumber64Chars];
  return CString(w_Value2CommaNumber(text, kCommaNumber64Chars, value, hundredths ? -100 : 0));
}

CString FormatReadoutValue(int32_t value, int price_format) {
  CString s;
  if (value == NO_VALUE) return CString(u"-");
  if (price_format == -100) {
    const int whole = value / 100, part = value % 100;
    if (whole < 0 || part < 0)
      s.Format(u"-%d.%02d", std::abs(whole), std::abs(part));
    else
      s.Format(u"%d.%02d", whole, part);
  } else {
    s.Format(u"%d", value);
  }
  return s;
}

BEGIN_MESSAGE_MAP(CChartWnd, CDialog)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_DESTROY()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CChartWnd::CChartWnd(StockData_1* store) : data(store) {}

CChartWnd::~CChartWnd() { DestroyBitmap(); }

BOOL CChartWnd::Create(CWnd* parent) { return CDialog::Create(IDD_DLG_KCHART, parent); }

void CChartWnd::SetFonts(HFONT small_font, HFONT large_font) {
  small_font_ = small_font;
  large_font_ = large_font;
}

int CChartWnd::Init() {
  end_index = -1;
  SetZoom(3);
  chart_mode = kModeDaily;
  label_kind = kLabelMonthDay;
  show_ma_overlay = true;
  mouse_mode = kMouseNone;
  for (ChartPane& p : panes) {
    for (ChartItem& item : p.items) item = ChartItem{};
    p.item_count = 0;
  }
  pane_count = 2;
  AddItem(0, kKindCandles);
  AddItem(1, kKindVolume);
  Relayout();
  return 1;
}

int CChartWnd::SetZoom(int index) {
  index = std::clamp(index, 0, 9);
  if (index == zoom_index) return -1;
  zoom_index = index;
  bar_width = kZoomTable[index].width;
  bar_gap = kZoomTable[index].gap;
  return index;
}

int CChartWnd::ZoomIn() {
  if (!data->loaded || zoom_index >= 9) return 0;
  SetZoom(zoom_index + 1);
  return 1;
}

int CChartWnd::ZoomOut() {
  if (!data->loaded || zoom_index <= 0) return 0;
  SetZoom(zoom_index - 1);
  return 1;
}

int CChartWnd::ScrollBack() {
  if (!data->loaded || data->count <= 0) return 0;
  ComputeVisibleRange();  // resolves "newest" (-1) and a stale end to real bars first
  if (first_index <= 0 || end_index < 0) return 0;
  end_index = std::max(end_index - 6, visible_count - 1);
  return 1;
}

int CChartWnd::ScrollForward() {
  if (!data->loaded || data->count <= 0) return 0;
  ComputeVisibleRange();
  if (end_index < 0 || end_index >= data->count - 1) return 0;
  end_index = std::min(end_index + 6, data->count - 1);
  return 1;
}

int CChartWnd::SetMode(int mode) {
  if (mode == chart_mode) return 0;
  chart_mode = mode;
  return 1;
}

bool CChartWnd::AddItem(int pane, int kind) {
  const bool indicator = IndicatorRow(kind) != nullptr;
  if (!indicator && kind != kKindCandles && kind != kKindVolume && kind != kKindPriceByVolume) {
    if (m_hWnd) MessageBox(u"something wrong");
    return false;
  }
  bool added_pane = false;
  if (pane < 0 || pane >= pane_count) {
    if (pane_count >= kMaxPanes) return false;
    pane = pane_count++;
    panes[pane].item_count = 0;
    added_pane = true;
  }
  ChartPane& p = panes[pane];
  if (p.item_count >= kMaxItems) {
    if (added_pane) --pane_count;
    return false;
  }
  ChartItem& item = p.items[p.item_count];
  item = ChartItem{};
  item.kind = kind;
  if (kind == kKindCandles) item.styles = kCandleStyles;
  if (indicator) {
    item.indicator = std::make_unique<IndicatorInstance>();
    item.indicator->Setup(kind, data);
    item.indicator->Compute();
  }
  if (kind == kKindPriceByVolume) {
    int64_t lo, hi;
    if (data->GetMinMaxPrice(-1, -1, &lo, &hi)) data->CalcPriceByVolume(lo, hi);
  }
  ++p.item_count;
  if (added_pane) {
    Relayout();
  }
  return true;
}

void CChartWnd::RemoveLastItem(int pane) {
  if (pane < 0 || pane >= pane_count || panes[pane].item_count == 0) return;
  ChartPane& p = panes[pane];
  p.items[--p.item_count] = ChartItem{};
  if (p.item_count > 0) return;
  for (int i = pane; i + 1 < pane_count; ++i) {
    ChartPane& to = panes[i];
    ChartPane& from = panes[i + 1];
    for (int k = 0; k < kMaxItems; ++k) to.items[k] = std::move(from.items[k]);
    to.item_count = from.item_count;
    from.item_count = 0;
  }
  --pane_count;
  Relayout();
}

void CChartWnd::RecalcIndicators() {
  for (int p = 0; p < pane_count; ++p) {
    for (int i = 0; i < panes[p].item_count; ++i) {
      ChartItem& item = panes[p].items[i];
      if (item.indicator) item.indicator->Compute();
      if (item.kind == kKindPriceByVolume) {
        int64_t lo, hi;
        if (data->GetMinMaxPrice(-1, -1, &lo, &hi))
          data->CalcPriceByVolume(lo, hi);
        else
          data->CalcPriceByVolume(0, 0);
      }
    }
  }
}

// ---- Layout and scales --------------------------------------------------------------------

void CChartWnd::Relayout() {
  CRect r = window_rect_;
  if (m_hWnd) GetClientRect(&r);
  Layout(r);
}

void CChartWnd::Layout(const CRect& window_client) {
  window_rect_ = window_client;
  client = window_client;
  client.top += 6;
  client.bottom -= 16;
  plot = client;
  plot.right -= 42;
  const int h = plot.Height();
  for (int i = 0; i < pane_count; ++i) {
    panes[i].outer = CRect(plot.left, plot.top, plot.right, client.bottom);
  }
  for (int i = 1; i < pane_count; ++i) {
    const int y = plot.top + static_cast<int>(kPaneFractions[i - 1] * h);
    panes[i - 1].outer.bottom = y;
    panes[i].outer.top = y - 1;
  }
  panes[std::max(pane_count - 1, 0)].outer.bottom = client.bottom;
  InsetPanes();
}

void CChartWnd::InsetPanes() {
  for (int i = 0; i < pane_count; ++i) {
    const CRect& o = panes[i].outer;
    panes[i].inner = CRect(o.left + 3, o.top + 2, o.right - 2, o.bottom - 2);
  }
}

void CChartWnd::ComputeVisibleRange() {
  const int step = bar_width + bar_gap;
  visible_count = std::max(panes[0].inner.Width() / std::max(step, 1), 1);
  const int n = data->count;
  // A new reply may hold fewer bars than the position the user scrolled to.
  if (end_index > n - 1) end_index = n - 1;
  if (n <= visible_count) {
    first_index = 0;
    last_index = n - 1;
    return;
  }
  if (end_index < 0) end_index = n - 1;
  last_index = std::min(end_index, n - 1);
  first_index = end_index - visible_count + 1;
  if (first_index < 0) {
    first_index = 0;
    last_index = std::max(last_index, visible_count - 1);
  }
}

int CChartWnd::ValueToY(const ChartPane& pane, double v) const {
  const double span = static_cast<double>(pane.max - pane.min);
  if (span == 0) return pane.inner.bottom;
  double y = pane.inner.top + (1 - (v - static_cast<double>(pane.min)) / span) * pane.inner.Height();
  // Far-off values stay far off without overflowing the coordinates.
  y = std::clamp(y, -30000.0, 30000.0);
  return static_cast<int>(y);
}

void CChartWnd::ComputePaneRanges() {
  for (int p = 0; p < pane_count; ++p) {
    ComputeRange(panes[p]);
    ComputeGrid(panes[p], p);
  }
}

void CChartWnd::ComputeRange(ChartPane& pane) {
  bool found = false;
  int64_t lo = 0, hi = 0;
  auto merge = [&](int64_t mn, int64_t mx) {
    lo = found ? std::min(lo, mn) : mn;
    hi = found ? std::max(hi, mx) : mx;
    found = true;
  };
  const bool have_bars = data->loaded && data->count > 0 && last_index >= first_index;
  for (int k = 0; k < pane.item_count && have_bars; ++k) {
    const ChartItem& item = pane.items[k];
    int64_t mn, mx;
    switch (item.kind) {
      case kKindCandles:
        if (data->GetMinMaxPrice(first_index, last_index, &mn, &mx)) merge(mn, mx);
        break;
      case kKindPriceByVolume:
        if (data->GetMinMaxPrice(-1, -1, &mn, &mx)) merge(mn, mx);
        break;
      case kKindVolume: {
        int64_t largest = -1;
        for (int i = first_index; i <= last_index; ++i) {
          const int64_t v = data->bars[static_cast<size_t>(i)].volume;
          if (v != NO_VALUE) largest = std::max(largest, v);
        }
        if (largest < 0) break;
        const int64_t padded = largest + std::max<int64_t>(largest / 20, 10);
        const int64_t unit = largest > 10000 ? 1000 : largest > 1000 ? 100 : largest > 10 ? 10 : 1;
        int64_t top = padded - padded % unit;
        // Rounded up instead where the cut would leave the tallest bar above the pane.
        if (top < largest) top = (padded + unit - 1) / unit * unit;
        merge(0, top == 0 ? 1 : top);
        break;
      }
      case 104:
      case 109:
      case 111: merge(0, 100); break;
      default: {
        if (!item.indicator) break;
        const IndicatorInstance& ind = *item.indicator;
        double mx_v = 0, mn_v = 99999999;
        bool any = false, nonzero = false;
        auto take = [&](double v) {
          any = true;
          mx_v = std::max(mx_v, v);
          if (v != 0) {
            nonzero = true;
            mn_v = std::min(mn_v, v);
          }
        };
        for (int l = 0; l < ind.line_count; ++l) {
          const IndicatorLine& line = ind.lines[l];
          for (int i = first_index; i <= last_index; ++i) {
            if (HasValue(line, i)) take(line.values[static_cast<size_t>(i)]);
            if (HasSignal(line, i)) take(line.signal[static_cast<size_t>(i)]);
          }
        }
        if (!any) break;
        if (!nonzero) mn_v = 0;
        const double pad = (mx_v - mn_v) * 0.1;
        mx_v += pad;
        if (mn_v != 0) mn_v -= pad;
        // Integer ends rounded outward so that every value stays inside the pane.
        mx = static_cast<int64_t>(std::ceil(mx_v));
        mn = static_cast<int64_t>(std::floor(mn_v));
        if (mx == mn) SpreadEqual(&mn, &mx);
        if (item.kind == 107) {
          mx = std::max(std::llabs(mn), std::llabs(mx));
          if (mx == 0) mx = 1;
          mn = -mx;
        }
        merge(mn, mx);
        break;
      }
    }
  }
  pane.has_values = found;
  if (found) {
    pane.min = lo;
    pane.max = hi;
  } else {
    pane.min = 0;
    pane.max = 1;
  }
}

void CChartWnd::ComputeGrid(ChartPane& pane, int index) {
  pane.grid_count = 0;
  if (!pane.has_values || pane.max == pane.min || pane.item_count == 0) return;
  auto add = [&](int64_t v) {
    if (pane.grid_count < kMaxGrid) pane.grid_values[pane.grid_count++] = v;
  };
  const int kind = pane.items[0].kind;
  if (kind == 107) {
    add(0);
    return;
  }
  if (kind == 109 || kind == 111) {
    const IndicatorDef* def = IndicatorRow(kind);
    add(def->ref_level[0]);
    add(def->ref_level[1]);
    return;
  }
  if (pane.Holds(kKindPriceByVolume)) {
    for (int k = 0; k < StockData_1::kBands - 1; ++k) add(data->pbv_upper[k]);
    return;
  }
  if (kind == 108) {
    if (pane.max > 100) add(100);
    if (pane.max > 0 && pane.min < 0) add(0);
    if (pane.min < -100) add(-100);
    return;
  }
  const int n = index == 0 ? 3 : 2;
  int64_t step = (pane.max - pane.min) / (n + 1);
  int64_t base = pane.min;
  if (step > 1000) {
    step = step / 100 * 100;
    base = pane.min / 100 * 100;
  }
  if (step < 1) step = 1;  // a narrow range still gets distinct lines
  const int64_t big = std::max(std::llabs(pane.max), std::llabs(pane.min));
  const int64_t small = std::min(std::llabs(pane.max), std::llabs(pane.min));
  if (pane.min < 0 && pane.max > 0 && big * 2 >= small * 3) {
    add(0);
    for (int64_t k = 1; - (k + 1) * step > pane.min && pane.grid_count < kMaxGrid; ++k) add(-k * step);
    for (int64_t k = 1; k * step < pane.max && pane.grid_count < kMaxGrid; ++k) add(k * step);
    return;
  }
  for (int k = 1; k <= n; ++k) add(base + k * step);
}

void CChartWnd::ComputeLabels() {
  label_count = 0;
  switch (chart_mode) {
    case kModeDaily:
    case kModeWeekly:
    case kModeFutOptDaily: label_kind = kLabelMonthDay; break;
    case kModeMonthly: label_kind = kLabelYear; break;
    case kModeMinute: label_kind = kLabelTime; break;
    default: label_kind = kLabelNone; break;
  }
  if (last_index < first_index || label_kind == kLabelNone) return;
  if (label_kind == kLabelYear) {
    int year = SplitBarTime(data->bars[static_cast<size_t>(first_index)].time).year;
    for (int i = first_index + 1; i < last_index && label_count < kMaxLabels; ++i) {
      const int y = SplitBarTime(data->bars[static_cast<size_t>(i)].time).year;
      if (y != year) {
        label_index[label_count++] = i;
        year = y;
      }
    }
    return;
  }
  int due[kMaxLabels];
  int n = 0;
  for (int i = last_index - 4; i > first_index && n < kMaxLabels; i -= 9) due[n++] = i;
  // More than two labels crowd the axis: every other one is left out.
  const int skip = n > 2 ? (n % 2 ? 1 : 0) : -1;
  for (int k = 0; k < n; ++k) {
    if (skip >= 0 && k % 2 == skip) continue;
    label_index[label_count++] = due[k];
  }
}

// ---- Drawing ------------------------------------------------------------------------------

void CChartWnd::Draw(HDC dc) {
  const int saved = SaveDC(dc);
  Fill(dc, window_rect_.left, window_rect_.top, window_rect_.right, window_rect_.bottom, kWhite);
  if (small_font_) SelectObject(dc, small_font_);
  SetBkMode(dc, TRANSPARENT);
  const bool have = data->loaded && data->count > 0;
  if (have) {
    ComputeVisibleRange();
    ComputeLabels();
  } else {
    first_index = 0;
    last_index = -1;
    label_count = 0;
  }
  ComputePaneRanges();
  if (pane_count == 0) {  // every item removed: a blank window
    RestoreDC(dc, saved);
    return;
  }
  DrawAxes(dc);
  if (have) {
    for (int p = 0; p < pane_count; ++p) DrawPaneItems(dc, panes[p]);
    for (int p = 1; p < pane_count; ++p)
      Text(dc, panes[p].inner.left + 2, panes[p].inner.top + 1, CString(u"Under Development"), kBlack,
           TA_LEFT | TA_TOP);
  }
  RestoreDC(dc, saved);
}

void CChartWnd::DrawAxes(HDC dc) {
  HBRUSH black = CreateSolidBrush(kBlack);
  for (int p = 0; p < pane_count; ++p) FrameRect(dc, &panes[p].outer, black);
  DeleteObject(black);
  {
    PenBrush grey(dc, PS_SOLID, kGridGrey, nullptr);
    // Time labels with their vertical grid lines.
    for (int k = 0; k < label_count; ++k) {
      const int i = label_index[k];
      const int x = BarCentre(i);
      for (int p = 0; p < pane_count; ++p) {
        MoveToEx(dc, x, panes[p].inner.top, nullptr);
        LineTo(dc, x, panes[p].inner.bottom);
      }
      const BarDate d = SplitBarTime(data->bars[static_cast<size_t>(i)].time);
      CString s;
      if (label_kind == kLabelMonthDay)
        s.Format(u"%2d/%2d", d.month, d.day);
      else if (label_kind == kLabelYear)
        s.Format(u"%d", d.year);
      else
        s.Format(u"%02d:%02d", d.hour, d.minute);
      Text(dc, x, client.bottom + 2, s, kBlack, TA_CENTER | TA_TOP);
    }
    if (label_kind == kLabelNone && data->loaded && data->count > 0)
      Text(dc, plot.left + plot.Width() / 2, client.bottom + 2, CString(u"There is no grid type."), kBlack,
           TA_CENTER | TA_TOP);
    // Horizontal grid lines and their values.
    for (int p = 0; p < pane_count; ++p) {
      const ChartPane& pane = panes[p];
      const bool hundredths = p == 0 && data->price_format == -100;
      for (int g = 0; g < pane.grid_count; ++g) {
        const int y = ValueToY(pane, static_cast<double>(pane.grid_values[g]));
        if (y < pane.inner.top || y >= pane.inner.bottom) continue;
        MoveToEx(dc, pane.inner.left, y, nullptr);
        LineTo(dc, pane.inner.right, y);
        Text(dc, pane.outer.right + 2, y - 5, FormatAxisValue(pane.grid_values[g], hundredths), kBlack,
             TA_LEFT | TA_TOP);
      }
      if (data->volume_unit == 1000 && pane.Holds(kKindVolume))
        Text(dc, pane.outer.right + 2, pane.inner.bottom - 11, CString(u"천주"), kBlack, TA_LEFT | TA_TOP);
    }
  }
  // Borders between panes.
  PenBrush pen(dc, PS_SOLID, kBlack, nullptr);
  for (int p = 1; p < pane_count; ++p) {
    MoveToEx(dc, panes[p].outer.left, panes[p].outer.top, nullptr);
    LineTo(dc, panes[p].outer.right, panes[p].outer.top);
  }
}

void CChartWnd::DrawPaneItems(HDC dc, const ChartPane& pane) {
  const int saved = SaveDC(dc);
  // Everything a pane draws stays inside it.
  IntersectClipRect(dc, pane.inner.left, pane.inner.top, pane.inner.right, pane.inner.bottom);
  for (int k = 0; k < pane.item_count; ++k) {
    const ChartItem& item = pane.items[k];
    switch (item.kind) {
      case kKindCandles: DrawCandles(dc, pane, item); break;
      case kKindVolume: DrawVolume(dc, pane); break;
      case kKindPriceByVolume: DrawPriceByVolume(dc, pane); break;
      default: {
        if (!item.indicator) break;
        const IndicatorInstance& ind = *item.indicator;
        if (item.kind == 107) {
          DrawOscillatorBars(dc, pane, ind);
          break;
        }
        if (item.kind == 108 || item.kind == 109 || item.kind == 111) DrawBands(dc, pane, ind);
        for (int l = 0; l < ind.line_count; ++l) {
          DrawLine(dc, pane, ind.lines[l], false);
          if (ind.lines[l].has_signal) DrawLine(dc, pane, ind.lines[l], true);
        }
        break;
      }
    }
  }
  if (show_ma_overlay && pane.Holds(kKindCandles)) DrawOverlay(dc, pane);
  RestoreDC(dc, saved);
}

void CChartWnd::DrawCandles(HDC dc, const ChartPane& pane, const ChartItem& item) {
  const CandleStyle* styles = item.styles ? item.styles : kCandleStyles;
  for (int row = 0; row < 2; ++row) {
    const CandleStyle& style = styles[row];
    HBRUSH body = style.filled ? CreateSolidBrush(style.colour) : nullptr;
    {
      PenBrush pb(dc, PS_SOLID, style.colour, body);
      for (int i = first_index; i <= last_index; ++i) {
        const ChartBar& b = data->bars[static_cast<size_t>(i)];
        if ((b.updown == '4') != (row == 0)) continue;
        const int yo = ValueToY(pane, b.open), yc = ValueToY(pane, b.close);
        const int top = std::min(yo, yc), bottom = std::max(yo, yc);
        const int left = BarLeft(i), centre = BarCentre(i);
        MoveToEx(dc, centre, ValueToY(pane, b.high), nullptr);
        LineTo(dc, centre, top);
        MoveToEx(dc, centre, ValueToY(pane, b.low), nullptr);
        LineTo(dc, centre, bottom);
        Rectangle(dc, left, top, left + bar_width, bottom + 1);
      }
    }
    if (body) DeleteObject(body);
  }
}

void CChartWnd::DrawVolume(HDC dc, const ChartPane& pane) {
  const int width = bar_gap == 0 ? bar_width - 1 : bar_width;
  HBRUSH green = CreateSolidBrush(kVolumeGreen);
  for (int i = first_index; i <= last_index; ++i) {
    const int64_t v = data->bars[static_cast<size_t>(i)].volume;
    if (v == NO_VALUE) continue;
    RECT r{BarLeft(i), ValueToY(pane, static_cast<double>(v)), BarLeft(i) + width, pane.inner.bottom};
    FillRect(dc, &r, green);
  }
  DeleteObject(green);
}

void CChartWnd::DrawPriceByVolume(HDC dc, const ChartPane& pane) {
  if (data->pbv_max <= 0) return;  // no volume in any band: nothing to show
  HBRUSH green = CreateSolidBrush(kVolumeGreen);
  const int length = pane.inner.Width() / 2;
  int64_t lower = data->pbv_upper[0] - (data->pbv_upper[1] - data->pbv_upper[0]);
  for (int k = 0; k < StockData_1::kBands; ++k) {
    const int64_t upper = data->pbv_upper[k];
    const int64_t total = data->pbv_total[k];
    if (total > 0) {
      const int top = ValueToY(pane, static_cast<double>(upper)) + 1;
      const int bottom = ValueToY(pane, static_cast<double>(lower)) - 1;
      const int w = static_cast<int>(static_cast<double>(total) / static_cast<double>(data->pbv_max) * length);
      RECT r{pane.inner.left, top, pane.inner.left + w, bottom};
      if (r.bottom > r.top && r.right > r.left) FillRect(dc, &r, green);
    }
    lower = upper;
  }
  DeleteObject(green);
}

void CChartWnd::DrawOscillatorBars(HDC dc, const ChartPane& pane, const IndicatorInstance& ind) {
  const int width = bar_gap == 0 ? bar_width - 1 : bar_width;
  const int zero = ValueToY(pane, 0);
  HBRUSH up = CreateSolidBrush(kMagenta), down = CreateSolidBrush(kNavy);
  const IndicatorLine& line = ind.lines[0];
  for (int i = first_index; i <= last_index; ++i) {
    if (!HasValue(line, i)) continue;
    const double v = line.values[static_cast<size_t>(i)];
    const int y = ValueToY(pane, v);
    RECT r{BarLeft(i), std::min(y, zero), BarLeft(i) + width, std::max(y, zero) + 1};
    FillRect(dc, &r, v >= 0 ? up : down);
  }
  DeleteObject(up);
  DeleteObject(down);
}

void CChartWnd::DrawBands(HDC dc, const ChartPane& pane, const IndicatorInstance& ind) {
  const IndicatorDef* def = ind.def;
  if (!def || def->ref_count < 2 || ind.line_count < 1) return;
  const IndicatorLine& line = ind.lines[0];
  // The lower level is shaded light blue below it, the upper level light red above it.
  for (int side = 0; side < 2; ++side) {
    const double level = def->ref_level[side];
    const double dir = side == 0 ? -1 : 1;  // which side of the level is shaded
    HBRUSH brush = CreateSolidBrush(side == 0 ? kBandBlue : kBandRed);
    PenBrush pb(dc, PS_NULL, 0, brush);
    const int yl = ValueToY(pane, level);
    for (int i = std::max(first_index + 1, line.first_valid + 1); i <= last_index; ++i) {
      if (!HasValue(line, i - 1) || !HasValue(line, i)) continue;
      const double v0 = line.values[static_cast<size_t>(i - 1)], v1 = line.values[static_cast<size_t>(i)];
      const bool out0 = (v0 - level) * dir > 0, out1 = (v1 - level) * dir > 0;
      if (!out0 && !out1) continue;
      const int x0 = BarCentre(i - 1), x1 = BarCentre(i);
      POINT pts[4];
      int n = 0;
      if (out0 && out1) {
        pts[n++] = {x0, yl};
        pts[n++] = {x0, ValueToY(pane, v0)};
        pts[n++] = {x1, ValueToY(pane, v1)};
        pts[n++] = {x1, yl};
      } else {
        const int xc = x0 + static_cast<int>(std::lround((x1 - x0) * (v0 - level) / (v0 - v1)));
        if (out0) {
          pts[n++] = {x0, yl};
          pts[n++] = {x0, ValueToY(pane, v0)};
          pts[n++] = {xc, yl};
        } else {
          pts[n++] = {xc, yl};
          pts[n++] = {x1, ValueToY(pane, v1)};
          pts[n++] = {x1, yl};
        }
      }
      Polygon(dc, pts, n);
    }
    DeleteObject(brush);
  }
}

void CChartWnd::DrawLine(HDC dc, const ChartPane& pane, const IndicatorLine& line, bool signal) {
  const COLORREF colour = signal ? line.signal_colour : line.colour;
  PenBrush pen(dc, PS_SOLID, colour, nullptr);
  POINT pts[StockData_1::kCapacity];
  int n = 0;
  const int from = std::max(first_index, signal ? line.signal_first_valid : line.first_valid);
  for (int i = from; i <= last_index + 1; ++i) {
    const bool has = i <= last_index && (signal ? HasSignal(line, i) : HasValue(line, i));
    if (has && n < StockData_1::kCapacity) {
      const double v = signal ? line.signal[static_cast<size_t>(i)] : line.values[static_cast<size_t>(i)];
      pts[n++] = {BarCentre(i), ValueToY(pane, v)};
      continue;
    }
    if (n >= 2) Polyline(dc, pts, n);
    if (n == 1) SetPixel(dc, pts[0].x, pts[0].y, colour);
    n = 0;
  }
}

void CChartWnd::DrawOverlay(HDC dc, const ChartPane& pane) {
  for (int q = 0; q < 3; ++q) {
    PenBrush pen(dc, PS_SOLID, kOverlayColours[q], nullptr);
    bool have_prev = false;
    double px = 0, py = 0;
    for (int i = first_index; i <= last_index; ++i) {
      const int32_t v = data->bars[static_cast<size_t>(i)].ma[q];
      if (v == NO_VALUE) {
        have_prev = false;
        continue;
      }
      const double x = BarCentre(i), y = ValueToY(pane, v);
      if (have_prev) {
        double x0 = px, y0 = py, x1 = x, y1 = y;
        if (ClipSegment(pane.inner, x0, y0, x1, y1)) {
          MoveToEx(dc, static_cast<int>(x0), static_cast<int>(y0), nullptr);
          LineTo(dc, static_cast<int>(x1), static_cast<int>(y1));
        }
      }
      px = x;
      py = y;
      have_prev = true;
    }
  }
}

// ---- Window -------------------------------------------------------------------------------

void CChartWnd::DestroyBitmap() {
  if (mem_dc_) {
    SelectObject(mem_dc_, old_bitmap_);
    DeleteDC(mem_dc_);
    mem_dc_ = nullptr;
  }
  if (bitmap_) {
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
  }
}

void CChartWnd::OnDestroy() {
  DestroyBitmap();
  CDialog::OnDestroy();
}

BOOL CChartWnd::OnEraseBkgnd(CDC* dc) {
  (void)dc;
  return TRUE;
}

void CChartWnd::OnPaint() {
  CPaintDC dc(this);
  CRect r;
  GetClientRect(&r);
  if (!mem_dc_ || bitmap_size_ != r.Size()) {
    DestroyBitmap();
    mem_dc_ = CreateCompatibleDC(dc.m_hDC);
    bitmap_ = CreateCompatibleBitmap(dc.m_hDC, std::max<int>(r.Width(), 1), std::max<int>(r.Height(), 1));
    old_bitmap_ = SelectObject(mem_dc_, bitmap_);
    bitmap_size_ = r.Size();
  }
  Draw(mem_dc_);
  BitBlt(dc.m_hDC, 0, 0, r.Width(), r.Height(), mem_dc_, 0, 0, SRCCOPY);
  // A repaint while the stylus is down puts its marks back on the new picture.
  DrawStylusMarks(dc.m_hDC);
}

}  // namespace chart
