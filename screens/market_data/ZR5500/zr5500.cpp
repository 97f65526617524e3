// ZR5500: the futures/options chart. For the item picked last in the futures/options finder it
// shows the base-quote strip (5555) and a chart of minute bars (1 to 60 minutes, 5500) or daily
// bars (futures 5510, options 5550) with candles and the three averages over the price pane and
// volume below; prices travel and are shown in hundredths.
#include <algorithm>
#include <iterator>
#include <memory>

#include "chart/chart_screen.h"
#include "chart/chart_wnd.h"
#include "glimmet/net_value.h"
#include "vxskeleton/futopt_screen.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace c = vxtr::futopt_chart;

constexpr int kPeriod = 9904, kMinutes = 9906;
constexpr int kZoomIn = 1561, kZoomOut = 1562, kScrollBack = 1563, kScrollForward = 1564;
constexpr uint16_t kTrMinute = 5500, kTrFuturesDaily = 5510, kTrOptionsDaily = 5550;
constexpr uint16_t kReplies[] = {kTrMinute, kTrFuturesDaily, kTrOptionsDaily};

constexpr const WCHAR* kPeriodTexts[] = {u"분봉", u"일봉"};
constexpr const WCHAR* kMinuteTexts[] = {u"1분", u"3분", u"5분", u"10분", u"15분", u"20분", u"30분", u"60분"};
constexpr uint8_t kMinuteValues[] = {1, 3, 5, 10, 15, 20, 30, 60};
constexpr int kDaily = 1, kDefaultMinutes = 3;  // "일봉", "10분"

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", -1, u"차트 구분", vxskel::kLabel, 0, 1, 68, 50, 16},
    {u"BUTTON", kZoomIn, u"+", kButton, 0, 1, 256, 24, 20},
    {u"BUTTON", kZoomOut, u"-", kButton, 0, 26, 256, 24, 20},
    {u"BUTTON", kScrollBack, u"<<", kButton, 0, 51, 256, 28, 20},
    {u"BUTTON", kScrollForward, u">>", kButton, 0, 80, 256, 28, 20},
    {u"COMBOBOX", kPeriod, nullptr, kDropList, 0, 52, 66, 50, 60},  // drop-downs last
    {u"COMBOBOX", kMinutes, nullptr, kDropList, 0, 104, 66, 50, 140},
};
// The period combo takes id 9904, which the other screens give their title: this screen has none.
constexpr auto kItems = vxskel::FutOptScreenItems(kOwn, false);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig cfg = vxskel::FutOptScreenConfig(u"ZR5500.dll", nullptr, vxskel::FoForm::Picked);
  // Chart replies are read in place; packets of other codes are dropped unread.
  cfg.plainReplies = true;
  cfg.replyCodes = kReplies;
  cfg.replyCodeCount = std::size(kReplies);
  return cfg;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

vxskel::FutOptSetup MakeSetup() {
  vxskel::FutOptSetup s;
  s.form = vxskel::FoForm::Picked;
  s.nameCut = vxskel::FoNameCut::KeepFirst;
  return s;
}
const vxskel::FutOptSetup kSetup = MakeSetup();

// A price of a chart bar: two big-endian signed 16-bit groups a and b, the value a x 100 + b in
// hundredths.
int32_t Hundredths(const unsigned char* p) {
  const auto a = static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1]));
  const auto b = static_cast<int16_t>(static_cast<uint16_t>((p[2] << 8) | p[3]));
  return static_cast<int32_t>(a) * 100 + b;
}

class CZR5500Dlg : public vxskel::CFutOptScreenDlg {
 public:
  CZR5500Dlg() : CFutOptScreenDlg(kConfig, kSetup), m_chart(std::make_unique<chart::CChartWnd>(&m_data)) {}

  void OnInitScreen() override {
    CFutOptScreenDlg::OnInitScreen();
    chart::FillChoices(this, kPeriod, kPeriodTexts, std::size(kPeriodTexts), kDaily);
    chart::FillChoices(this, kMinutes, kMinuteTexts, std::size(kMinuteTexts), kDefaultMinutes);
    if (CWnd* minutes = GetDlgItem(kMinutes)) minutes->ShowWindow(SW_HIDE);
    chart::CreateChartWindow(this, *m_chart, kPeriod, kScrollBack, m_fonts);
    m_data.loaded = false;
  }

  // The chart of the item, after the strip's 5555.
  void RequestScreen() override { RequestFutOptChart(); }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    const int id = LOWORD(wParam);
    const UINT note = HIWORD(wParam);
    if (note == CBN_SELCHANGE && id == kPeriod) {
      if (CWnd* minutes = GetDlgItem(kMinutes))
        minutes->ShowWindow(chart::ChosenIndex(this, kPeriod, 2, kDaily) == 0 ? SW_SHOW : SW_HIDE);
      RequestFutOptChart();
      return TRUE;
    }
    if (note == CBN_SELCHANGE && id == kMinutes) {
      RequestFutOptChart();
      return TRUE;
    }
    if (note == BN_CLICKED && id >= kZoomIn && id <= kScrollForward) {
      chart::ZoomOrScroll(*m_chart, id - kZoomIn);
      return TRUE;
    }
    return CFutOptScreenDlg::OnCommand(wParam, lParam);
  }

  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrMinute || code == kTrFuturesDaily || code == kTrOptionsDaily) StoreBars(code, body, len);
  }

 protected:
  // 조회: with an item shown, the strip (the item read from the registry again) and the chart.
  void OnQueryButton() override {
    CString code;
    GetDlgItemText(vxskel::kFoCodeEdit, code);
    if (code.IsEmpty()) return;
    RequestFutOptBase();
    RequestFutOptChart();
  }

 private:
  // Minute bars of the chosen minutes, or the daily bars of the item's kind; nothing without an
  // item.
  void RequestFutOptChart() {
    const CString& item = Item().code;
    if (item.IsEmpty()) return;
    std::string code = item.ToMultiByte();
    if (code.size() > c::kCode.width) code.resize(c::kCode.width);
    unsigned char packet[TR_HEADER_SIZE + c::kMinuteRequestSize];
    const bool minute = chart::ChosenIndex(this, kPeriod, 2, kDaily) == 0;
    const int size = minute ? c::kMinuteRequestSize : c::kDailyRequestSize;
    vxwire::Writer w(packet + TR_HEADER_SIZE, static_cast<size_t>(size));
    w.Text(c::kCode, code);
    uint16_t tr = Item().kind == 2 ? kTrOptionsDaily : kTrFuturesDaily;
    if (minute) {
      tr = kTrMinute;
      const int m = chart::ChosenIndex(this, kMinutes, static_cast<int>(std::size(kMinuteValues)), kDefaultMinutes);
      w.Byte(c::kMark, 0xFF).Byte(c::kMinutes, kMinuteValues[m]);
    }
    if (!w.Ok()) return;
    SendPacket(packet, vxskel::MakeHeaderPacket(packet, tr, size));
  }

  // Replaces every bar with the reply's; the count is limited to the records the body holds.
  void StoreBars(uint16_t code, const unsigned char* body, int len) {
    vxwire::Reader r(body, len);
    if (!r.Has(c::kCount)) {
      ReportShortReply(code);
      return;
    }
    int n = vxskel::RecordsHeld(r.SignedByte(c::kCount), len, c::kBarsAt, c::kBarSize);
    n = std::min(n, chart::StockData_1::kCapacity);
    const bool minute = code == kTrMinute;
    m_data.Clear();
    m_data.loaded = true;
    for (int i = 0; i < n; ++i) {
      vxwire::Reader rec = r.Record(c::kBarsAt, c::kBarSize, i);
      const unsigned char* d = rec.At(c::kDate);
      chart::ChartBar& bar = m_data.bars[static_cast<size_t>(i)];
      bar.time = minute ? chart::MakeBarTime(2003, 1, 1, d[0], d[1]) : chart::MakeBarTime(2000 + d[0], d[1], d[2]);
      bar.open = Hundredths(rec.At(c::kOpen));
      bar.high = Hundredths(rec.At(c::kHigh));
      bar.low = Hundredths(rec.At(c::kLow));
      bar.close = Hundredths(rec.At(c::kClose));
      const vxwire::Field averages[3] = {c::kAverage5, c::kAverage20, c::kAverage60};
      for (int k = 0; k < 3; ++k) {
        const int32_t v = Hundredths(rec.At(averages[k]));
        bar.ma[k] = v == -100 ? chart::NO_VALUE : v;
      }
      const int64_t volume = get_net_value(rec.At(c::kVolume), 6);
      bar.volume = volume < 0 ? chart::NO_VALUE : volume;
      // No trade in the bar: a flat line at its open.
      if (volume == 0) bar.high = bar.low = bar.close = bar.open;
      bar.updown = chart::BarUpdown(m_data, i);
    }
    m_data.SetCount(n);
    m_data.volume_unit = 0;
    m_data.price_format = -100;
    m_chart->end_index = -1;  // the newest bars, whatever was scrolled to before
    m_chart->SetMode(minute ? chart::kModeMinute : chart::kModeFutOptDaily);
    if (minute) m_data.ComputeOverlayAverages();
    // Repainted after every reply: an empty one leaves an empty chart, not the old bars.
    m_chart->RecalcIndicators();
    if (m_chart->m_hWnd) m_chart->Invalidate();
  }

  chart::StockData_1 m_data;
  chart::ChartFonts m_fonts;
  std::unique_ptr<chart::CChartWnd> m_chart;
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5500Dlg)
