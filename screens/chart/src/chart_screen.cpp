#include "chart/chart_screen.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "glimmet/net_value.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/tr_layouts.h"

namespace chart {

namespace {

HFONT MakeFont(int height, int width) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  const std::u16string face = u"돋움";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return ::CreateFontIndirect(&lf);
}

// The edit field of a drop-down list: the chart starts below it, not below the open list.
constexpr int kComboFieldHeight = 20;

constexpr const WCHAR* kMinuteTexts[] = {u"1분", u"3분", u"5분", u"10분", u"15분", u"20분", u"30분", u"60분"};
constexpr uint8_t kMinuteValues[] = {1, 3, 5, 10, 15, 20, 30, 60};
constexpr int kDefaultMinutes = 3;  // "10분"

// Both replies' bars: the stock layout's fields, at the same places in the futures/options bar.
namespace bar = vxtr::chart;
namespace fo = vxtr::futopt_chart;
static_assert(bar::kBarSize == fo::kBarSize && bar::kDate.at == fo::kDate.at && bar::kOpen.at == fo::kOpen.at &&
              bar::kHigh.at == fo::kHigh.at && bar::kLow.at == fo::kLow.at && bar::kClose.at == fo::kClose.at &&
              bar::kAverage5.at == fo::kAverage5.at && bar::kAverage20.at == fo::kAverage20.at &&
              bar::kAverage60.at == fo::kAverage60.at && bar::kVolume.at == fo::kVolume.at);

int32_t Price(const unsigned char* p, PriceGroups groups) {
  if (groups == PriceGroups::TenThousands) return static_cast<int32_t>(get_net_value(p, 4));
  const auto a = static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1]));
  const auto b = static_cast<int16_t>(static_cast<uint16_t>((p[2] << 8) | p[3]));
  return static_cast<int32_t>(a) * 100 + b;
}

}  // namespace

ChartFonts::ChartFonts() : small_font(MakeFont(10, 3)), large_font(MakeFont(11, 4)) {}

ChartFonts::~ChartFonts() {
  if (small_font) ::DeleteObject(small_font);
  if (large_font) ::DeleteObject(large_font);
}

bool CreateChartWindow(CWnd* dlg, CChartWnd& chart, int upper, int lower, const ChartFonts& fonts) {
  if (!dlg || !chart.Create(dlg)) return false;
  CWnd* top = dlg->GetDlgItem(upper);
  CWnd* bottom = dlg->GetDlgItem(lower);
  if (top && bottom) {
    CRect client, above, below;
    dlg->GetClientRect(&client);
    top->GetWindowRect(&above);
    bottom->GetWindowRect(&below);
    dlg->ScreenToClient(&above);
    dlg->ScreenToClient(&below);
    const int y = above.top + kComboFieldHeight + 1;
    chart.MoveWindow(client.left + 4, y, client.Width() - 4, below.top - 2 - y);
  }
  ::SetWindowLong(chart.m_hWnd, GWL_ID, IDD_DLG_KCHART);  // found by its id
  chart.SetFonts(fonts.small_font, fonts.large_font);
  chart.Init();
  chart.SetZoom(1);
  chart.ShowWindow(SW_SHOW);
  return true;
}

bool ZoomOrScroll(CChartWnd& chart, int step) {
  int changed;
  switch (step) {
    case 0: changed = chart.ZoomIn(); break;
    case 1: changed = chart.ZoomOut(); break;
    case 2: changed = chart.ScrollBack(); break;
    case 3: changed = chart.ScrollForward(); break;
    default: return false;
  }
  if (changed == 1 && chart.m_hWnd) chart.Invalidate();
  return true;
}

void FillChoices(CWnd* dlg, int id, const WCHAR* const* texts, size_t count, int selected) {
  auto* combo = dlg ? static_cast<CComboBox*>(dlg->GetDlgItem(id)) : nullptr;
  if (!combo) return;
  for (size_t i = 0; i < count; ++i) combo->AddString(texts[i]);
  combo->SetCurSel(selected);
}

int ChosenIndex(CWnd* dlg, int id, int count, int fallback) {
  auto* combo = dlg ? static_cast<CComboBox*>(dlg->GetDlgItem(id)) : nullptr;
  const int sel = combo ? combo->GetCurSel() : -1;
  return sel >= 0 && sel < count ? sel : fallback;
}

void FillMinutes(CWnd* dlg, int id) {
  FillChoices(dlg, id, kMinuteTexts, std::size(kMinuteTexts), kDefaultMinutes);
  ShowMinutes(dlg, id, false);
}

void ShowMinutes(CWnd* dlg, int id, bool minuteBars) {
  if (CWnd* minutes = dlg ? dlg->GetDlgItem(id) : nullptr) minutes->ShowWindow(minuteBars ? SW_SHOW : SW_HIDE);
}

uint8_t ChosenMinutes(CWnd* dlg, int id) {
  return kMinuteValues[ChosenIndex(dlg, id, static_cast<int>(std::size(kMinuteValues)), kDefaultMinutes)];
}

char BarUpdown(const StockData_1& data, int i) {
  const ChartBar& bar = data.bars[static_cast<size_t>(i)];
  if (bar.open != bar.close) return bar.open < bar.close ? '4' : '2';
  return i > 0 && bar.open >= data.bars[static_cast<size_t>(i - 1)].close ? '4' : '2';
}

bool ShowReplyBars(CChartWnd& chart, const unsigned char* body, int len, int mode, const BarReply& reply) {
  vxwire::Reader r(body, len);
  if (!r.Has(reply.count)) return false;
  StockData_1& data = *chart.data;
  int n = vxskel::RecordsHeld(r.SignedByte(reply.count), len, reply.barsAt, bar::kBarSize);
  n = std::min(n, StockData_1::kCapacity);
  const bool minute = mode == kModeMinute;
  data.Clear();
  data.loaded = true;
  for (int i = 0; i < n; ++i) {
    vxwire::Reader rec = r.Record(static_cast<size_t>(reply.barsAt), bar::kBarSize, i);
    const unsigned char* d = rec.At(bar::kDate);
    ChartBar& b = data.bars[static_cast<size_t>(i)];
    if (minute) {
      b.time = MakeBarTime(2003, 1, 1, d[0], d[1]);
    } else {
      const int year = reply.years == YearByte::Since2000 || d[0] < 50 ? 2000 + d[0] : 1900 + d[0];
      b.time = MakeBarTime(year, d[1], d[2]);
    }
    b.open = Price(rec.At(bar::kOpen), reply.prices);
    b.high = Price(rec.At(bar::kHigh), reply.prices);
    b.low = Price(rec.At(bar::kLow), reply.prices);
    b.close = Price(rec.At(bar::kClose), reply.prices);
    const vxwire::Field averages[3] = {bar::kAverage5, bar::kAverage20, bar::kAverage60};
    for (int k = 0; k < 3; ++k) {
      const int32_t v = Price(rec.At(averages[k]), reply.prices);
      b.ma[k] = v == reply.noAverage ? NO_VALUE : v;
    }
    const int64_t traded = get_net_value(rec.At(bar::kVolume), 6);
    const int64_t volume = traded / reply.volumeDivisor;
    b.volume = volume < 0 ? NO_VALUE : volume;
    // No trade in the bar: a flat line at its open.
    if (reply.flatWithoutTrades && traded == 0) b.high = b.low = b.close = b.open;
    b.updown = BarUpdown(data, i);
  }
  data.SetCount(n);
  data.volume_unit = reply.volumeUnit;
  data.price_format = reply.priceFormat;
  if (reply.showNewest) chart.end_index = -1;
  chart.SetMode(mode);
  if (minute) data.ComputeOverlayAverages();
  chart.RecalcIndicators();
  if (chart.m_hWnd) chart.Invalidate();
  return true;
}

}  // namespace chart
