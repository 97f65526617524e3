// ZR5500: the futures/options chart. For the item picked last in the futures/options finder it
// shows the base-quote strip (5555) and a chart of minute bars (1 to 60 minutes, 5500) or daily
// bars (futures 5510, options 5550) with candles and the three averages over the price pane and
// volume below; prices travel and are shown in hundredths.
#include <algorithm>
#include <iterator>
#include <memory>

#include "chart/chart_screen.h"
#include "chart/chart_wnd.h"
#include "vxskeleton/futopt_screen.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace c = vxtr::futopt_chart;

constexpr int kPeriod = 9904, kMinutes = 9906;
constexpr int kZoomIn = 1561, kZoomOut = 1562, kScrollBack = 1563, kScrollForward = 1564;
constexpr uint16_t kTrMinute = 5500, kTrFuturesDaily = 5510, kTrOptionsDaily = 5550;
constexpr uint16_t kReplies[] = {kTrMinute, kTrFuturesDaily, kTrOptionsDaily};

constexpr const WCHAR* kPeriodTexts[] = {u"분봉", u"일봉"};
constexpr int kDaily = 1;  // "일봉"

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

class CZR5500Dlg : public vxskel::CFutOptScreenDlg {
 public:
  CZR5500Dlg() : CFutOptScreenDlg(kConfig, kSetup), m_chart(std::make_unique<chart::CChartWnd>(&m_data)) {}

  void OnInitScreen() override {
    CFutOptScreenDlg::OnInitScreen();
    chart::FillChoices(this, kPeriod, kPeriodTexts, std::size(kPeriodTexts), kDaily);
    chart::FillMinutes(this, kMinutes);
    chart::CreateChartWindow(this, *m_chart, kPeriod, kScrollBack, m_fonts);
    m_data.loaded = false;
  }

  // The chart of the item, after the strip's 5555.
  void RequestScreen() override { RequestFutOptChart(); }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    const int id = LOWORD(wParam);
    const UINT note = HIWORD(wParam);
    if (note == CBN_SELCHANGE && id == kPeriod) {
      chart::ShowMinutes(this, kMinutes, chart::ChosenIndex(this, kPeriod, 2, kDaily) == 0);
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

  // Every owner-drawn button is drawn by the base dialog, and the shell's bars are hidden again
  // after each of them, not only after the finder button.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    const LRESULT result = CFutOptScreenDlg::WindowProc(message, wParam, lParam);
    if (message == WM_DRAWITEM && m_hWnd)
      SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
    return result;
  }

  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override {
    // Replaces every bar with the reply's; the count is limited to the records the body holds.
    if (code != kTrMinute && code != kTrFuturesDaily && code != kTrOptionsDaily) return;
    const int mode = code == kTrMinute ? chart::kModeMinute : chart::kModeFutOptDaily;
    if (!chart::ShowReplyBars(*m_chart, body, len, mode, chart::kFutOptChartBars)) ReportShortReply(code);
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
      w.Byte(c::kMark, 0xFF).Byte(c::kMinutes, chart::ChosenMinutes(this, kMinutes));
    }
    if (!w.Ok()) return;
    SendPacket(packet, vxskel::MakeHeaderPacket(packet, tr, size));
  }

  chart::StockData_1 m_data;
  chart::ChartFonts m_fonts;
  std::unique_ptr<chart::CChartWnd> m_chart;
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5500Dlg)
