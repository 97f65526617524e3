// ZR5002: the stock chart. For one stock item it shows the base-quote strip and a chart of minute
// (1 to 60 minutes), daily, weekly or monthly bars (2500, 2510, 2520, 2530) with volume or a chosen
// indicator in the lower pane, or the Bollinger band or price-by-volume over the price pane.
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>

#include "chart/chart_screen.h"
#include "chart/chart_wnd.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace c = vxtr::chart;

constexpr int kPeriod = 9904, kLowerChoice = 9905, kMinutes = 9906;
constexpr int kZoomIn = 1560, kZoomOut = 1561, kScrollBack = 1562, kScrollForward = 1563;
constexpr uint16_t kTrMinute = 2500, kTrDaily = 2510, kTrWeekly = 2520, kTrMonthly = 2530;
constexpr uint16_t kPeriodCodes[] = {kTrMinute, kTrDaily, kTrWeekly, kTrMonthly};
constexpr int kChartModes[] = {chart::kModeMinute, chart::kModeDaily, chart::kModeWeekly, chart::kModeMonthly};

constexpr const WCHAR* kPeriodTexts[] = {u"분봉", u"일봉", u"주봉", u"월봉"};
constexpr int kDaily = 1;  // "일봉"

// The lower-pane choices: text and chart kind; the Bollinger band and price-by-volume go over
// the price pane.
struct LowerChoice {
  const WCHAR* text;
  int kind;
};
constexpr LowerChoice kLowerChoices[] = {
    {u"Bollinger Band", 105},
    {u"CCI", 108},
    {u"DMI", 110},
    {u"MACD", 106},
    {u"Price Oscillator", 107},
    {u"RSI", 109},
    {u"Stochastic Slow", 111},
    {u"가격대별 거래량", chart::kKindPriceByVolume},
    {u"거래량", chart::kKindVolume},
    {u"이격도", 101},
};
constexpr int kDefaultLower = 8;  // volume
bool IsOverlay(int kind) { return kind == 105 || kind == chart::kKindPriceByVolume; }

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", -1, u"구분", vxskel::kLabel, 0, 1, 68, 24, 16},
    {u"STATIC", -1, u"보조차트", vxskel::kLabel, 0, 120, 68, 42, 16},
    {u"BUTTON", kZoomIn, u"+", kButton, 0, 1, 256, 24, 20},
    {u"BUTTON", kZoomOut, u"-", kButton, 0, 26, 256, 24, 20},
    {u"BUTTON", kScrollBack, u"<<", kButton, 0, 51, 256, 28, 20},
    {u"BUTTON", kScrollForward, u">>", kButton, 0, 80, 256, 28, 20},
    {u"COMBOBOX", kPeriod, nullptr, kDropList, 0, 26, 66, 46, 100},  // drop-downs last
    {u"COMBOBOX", kMinutes, nullptr, kDropList, 0, 73, 66, 46, 140},
    {u"COMBOBOX", kLowerChoice, nullptr, kDropList, 0, 163, 66, 76, 150},
};
// The period combo takes id 9904, which the other screens give their title: this screen has none.
constexpr auto WithoutTitle(
    std::array<plat::DialogItemTemplate, std::size(kOwn) + vxskel::kTopItemCount + vxskel::kKeypadItemCount> items) {
  for (auto& item : items)
    if (item.id == IDC_TITLE && item.className[0] == u'S') item.id = -1;
  return items;
}
constexpr auto kItems = WithoutTitle(vxskel::ScreenItems(kOwn));
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, 96001, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig cfg;
  cfg.moduleName = u"ZR5002.dll";
  cfg.chain = vxskel::ItemChain::NoEdit;
  cfg.goTo = kGoTo;
  cfg.goToCount = std::size(kGoTo);
  cfg.finderButtons = kFinders;
  cfg.finderCount = std::size(kFinders);
  return cfg;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

class CZR5002Dlg : public vxskel::CVXScreenDlg {
 public:
  CZR5002Dlg() : CVXScreenDlg(kConfig), m_chart(std::make_unique<chart::CChartWnd>(&m_data)) {}

  void OnInitScreen() override {
    chart::FillChoices(this, kPeriod, kPeriodTexts, std::size(kPeriodTexts), kDaily);  // daily bars first
    chart::FillMinutes(this, kMinutes);
    auto* lower = static_cast<CComboBox*>(GetDlgItem(kLowerChoice));
    if (lower) {
      for (const LowerChoice& ch : kLowerChoices) lower->AddString(ch.text);
      lower->SetCurSel(kDefaultLower);
    }
    chart::CreateChartWindow(this, *m_chart, kPeriod, kScrollBack, m_fonts);
    InitItemCode(IDC_ITEM_COMBO);
    GetItemCodeFromComboBox();
  }

  void OnQuery() override {
    GetItemCodeFromComboBox();
    QueryBoth();
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    const int id = LOWORD(wParam);
    const UINT note = HIWORD(wParam);
    if (id == IDC_BTN_QUERY && note == BN_CLICKED) {
      QueryBoth();
      return TRUE;
    }
    if (id == IDC_BTN_EXIT && note == BN_CLICKED) {
      // The chart's X ends the program at once, without the exit question.
      ::PostMessage(GetWndOwner(), WM_CLOSE, 0, 0);
      return TRUE;
    }
    if (id == IDC_ITEM_COMBO && note == CBN_SELCHANGE) {
      CString text;
      if (GetComboSelText(IDC_ITEM_COMBO, text)) {
        SetItemCodeToComboBox();
        QueryBoth();
      }
      return TRUE;
    }
    if (id == IDC_ITEM_COMBO && note == CBN_EDITCHANGE) {
      // A typed code is asked for only once the code list knows it; an unknown one is told, gets
      // the focus back and stays out of the recent codes.
      CString text;
      if (GetItemCodeText(IDC_ITEM_COMBO, text) && EditItemCode(IDC_ITEM_COMBO)) {
        SetItemCodeToComboBox();
        QueryBoth();
      }
      return TRUE;
    }
    if (note == CBN_SELCHANGE && id == kPeriod) {
      chart::ShowMinutes(this, kMinutes, ChosenPeriod() == 0);
      RequestChart();
      return TRUE;
    }
    if (note == CBN_SELCHANGE && id == kMinutes) {
      RequestChart();
      return TRUE;
    }
    if (note == CBN_SELCHANGE && id == kLowerChoice) {
      ChooseLower();
      return TRUE;
    }
    if (note == BN_CLICKED && id >= kZoomIn && id <= kScrollForward) {
      chart::ZoomOrScroll(*m_chart, id - kZoomIn);
      return TRUE;
    }
    return CVXScreenDlg::OnCommand(wParam, lParam);
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_VX_PACKET && wParam) {
      if (--m_pending < 1) {
        KillTimer(vxskel::kReplyTimer);
        EndWaitCursor();
      }
      const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
      const uint16_t code = TrGetU16(packet + 4);
      const uint32_t total = TrGetU32(packet);
      if (code == kTrMinute) WriteTrace(packet);
      if (code != TR_STOCK_BASE &&
          std::find(std::begin(kPeriodCodes), std::end(kPeriodCodes), code) == std::end(kPeriodCodes))
        return 0;  // not this screen's
      // Bars and the base quote only under status "00"; anything else is the server's message.
      // (A packet longer than a receive slot is reported by the skeleton as lost.)
      if (total >= TR_HEADER_SIZE && total <= TR_MAX_PACKET && (packet[11] != '0' || packet[12] != '0')) {
        Show_ServerMessage(reinterpret_cast<const char*>(packet), static_cast<int>(total));
        return 0;
      }
    }
    return CVXScreenDlg::WindowProc(message, wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    // Replaces every bar with the reply's; the count is limited to the records the body holds.
    for (size_t i = 0; i < std::size(kPeriodCodes); ++i)
      if (kPeriodCodes[i] == code && !chart::ShowReplyBars(*m_chart, body, len, kChartModes[i], chart::kStockChartBars))
        ReportShortReply(code);
  }

 private:
  int ChosenPeriod() { return chart::ChosenIndex(this, kPeriod, static_cast<int>(std::size(kPeriodCodes)), kDaily); }

  // The wait cursor until both replies have come, the base quote and the chart.
  void QueryBoth() {
    StartWaitCursor();
    m_pending = 2;
    RequestItemBase();
    RequestChart();
  }

  // The base quote goes through the packet layer.
  void RequestItemBase() override { RequestStockBaseThroughPacketLayer(u"ERROR:패킷 구성 4101"); }

  // The chart request of the chosen period, its plain header written here (bytes 7-14 zero);
  // minute bars carry the minutes per bar.
  void RequestChart() {
    const int p = ChosenPeriod();
    unsigned char packet[TR_HEADER_SIZE + c::kMinuteRequestSize];
    vxwire::Writer w(packet + TR_HEADER_SIZE, c::kMinuteRequestSize);
    w.Text(c::kCode, std::string_view(GetItemCodeField(), strnlen(GetItemCodeField(), 6))).Byte(c::kMark, 0xFF);
    int size = c::kRequestSize;
    if (p == 0) {
      w.Byte(c::kMinutes, chart::ChosenMinutes(this, kMinutes));
      size = c::kMinuteRequestSize;
    }
    if (!w.Ok()) return;
    SendPlainRequest(kPeriodCodes[p], packet, TR_HEADER_SIZE + size);
  }

  // The whole last minute-bar packet, kept for tracing (replaced every time).
  void WriteTrace(const unsigned char* packet) {
    uint32_t total = std::min<uint32_t>(TrGetU32(packet), TR_MAX_PACKET);
    HANDLE f =
        ::CreateFile(u"\\chart_tr_2500.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
      MessageBox(u"file open error", u"", MB_OK);
      return;
    }
    DWORD written = 0;
    ::WriteFile(f, packet, total, &written, nullptr);
    ::CloseHandle(f);
  }

  // The lower-pane choice: an overlay goes over the price pane once; any other kind takes the
  // lower pane and removes a shown overlay, so that the next overlay choice is shown again.
  void ChooseLower() {
    auto* lower = static_cast<CComboBox*>(GetDlgItem(kLowerChoice));
    int sel = lower ? lower->GetCurSel() : -1;
    if (sel < 0 || sel >= static_cast<int>(std::size(kLowerChoices))) return;
    int kind = kLowerChoices[sel].kind;
    if (IsOverlay(kind)) {
      if (m_overlayFree) {
        m_overlayFree = false;
        m_chart->AddItem(0, kind);
      }
    } else {
      if (m_chart->panes[0].item_count > 1) {
        m_overlayFree = true;
        m_chart->RemoveLastItem(0);
      }
      m_chart->RemoveLastItem(1);
      m_chart->AddItem(-1, kind);
    }
    m_chart->RecalcIndicators();
    Repaint();
  }

  void Repaint() {
    if (m_chart->m_hWnd) m_chart->Invalidate();
  }

  chart::StockData_1 m_data;
  chart::ChartFonts m_fonts;
  std::unique_ptr<chart::CChartWnd> m_chart;
  int m_pending = 0;
  bool m_overlayFree = true;
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5002Dlg)
