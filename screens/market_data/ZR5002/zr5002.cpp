// ZR5002: the stock chart. For one stock item it shows the base-quote strip and a chart of minute
// (1 to 60 minutes), daily, weekly or monthly bars (2500, 2510, 2520, 2530) with volume or a chosen
// indicator in the lower pane, or the Bollinger band or price-by-volume over the price pane.
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>

#include "chart/chart_wnd.h"
#include "glimmet/net_value.h"
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
constexpr const WCHAR* kMinuteTexts[] = {u"1분", u"3분", u"5분", u"10분", u"15분", u"20분", u"30분", u"60분"};
constexpr uint8_t kMinuteValues[] = {1, 3, 5, 10, 15, 20, 30, 60};
constexpr int kDefaultMinutes = 3;  // "10분"

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

int32_t Net2(const unsigned char* p) { return static_cast<int32_t>(get_net_value(p, 4)); }

class CZR5002Dlg : public vxskel::CVXScreenDlg {
 public:
  CZR5002Dlg() : CVXScreenDlg(kConfig), m_chart(std::make_unique<chart::CChartWnd>(&m_data)) {}
  ~CZR5002Dlg() override {
    if (m_small) ::DeleteObject(m_small);
    if (m_large) ::DeleteObject(m_large);
  }

  void OnInitScreen() override {
    m_small = MakeFont(10, 3, FW_NORMAL);
    m_large = MakeFont(11, 4, FW_NORMAL);
    FillCombo(kPeriod, kPeriodTexts, std::size(kPeriodTexts), 1);  // daily bars first
    FillCombo(kMinutes, kMinuteTexts, std::size(kMinuteTexts), kDefaultMinutes);
    if (CWnd* minutes = GetDlgItem(kMinutes)) minutes->ShowWindow(SW_HIDE);
    auto* lower = static_cast<CComboBox*>(GetDlgItem(kLowerChoice));
    if (lower) {
      for (const LowerChoice& ch : kLowerChoices) lower->AddString(ch.text);
      lower->SetCurSel(kDefaultLower);
    }
    CreateChart();
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
    if (id == IDC_ITEM_COMBO && (note == CBN_SELCHANGE || note == CBN_EDITCHANGE)) {
      // The skeleton sets the item field and asks for the base quote; the chart follows.
      BOOL done = CVXScreenDlg::OnCommand(wParam, lParam);
      CString text;
      if (note == CBN_SELCHANGE || GetItemCodeText(IDC_ITEM_COMBO, text)) {
        if (note == CBN_SELCHANGE) SetItemCodeToComboBox();
        m_pending = 2;
        StartWaitCursor();
        RequestChart();
      }
      return done;
    }
    if (note == CBN_SELCHANGE && id == kPeriod) {
      auto* period = static_cast<CComboBox*>(GetDlgItem(kPeriod));
      if (CWnd* minutes = GetDlgItem(kMinutes))
        minutes->ShowWindow(period && period->GetCurSel() == 0 ? SW_SHOW : SW_HIDE);
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
      int changed = id == kZoomIn       ? m_chart->ZoomIn()
                    : id == kZoomOut    ? m_chart->ZoomOut()
                    : id == kScrollBack ? m_chart->ScrollBack()
                                        : m_chart->ScrollForward();
      if (changed == 1) Repaint();
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
      if (TrGetU16(packet + 4) == kTrMinute) WriteTrace(packet);
    }
    return CVXScreenDlg::WindowProc(message, wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    for (size_t i = 0; i < std::size(kPeriodCodes); ++i)
      if (kPeriodCodes[i] == code) StoreBars(i, body, len);
  }

 private:
  HFONT MakeFont(int height, int width, int weight) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::u16string face = u"돋움";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    return ::CreateFontIndirect(&lf);
  }

  void FillCombo(int id, const WCHAR* const* texts, size_t n, int selected) {
    auto* combo = static_cast<CComboBox*>(GetDlgItem(id));
    if (!combo) return;
    for (size_t i = 0; i < n; ++i) combo->AddString(texts[i]);
    combo->SetCurSel(selected);
  }

  // The chart fills the client width less 4 px on the left, from 1 px below the period combo's
  // edit field to 2 px above the scroll buttons.
  void CreateChart() {
    if (!m_chart->Create(this)) return;
    CRect client, period, back;
    GetClientRect(&client);
    CWnd* periodWnd = GetDlgItem(kPeriod);
    CWnd* backWnd = GetDlgItem(kScrollBack);
    if (periodWnd && backWnd) {
      periodWnd->GetWindowRect(&period);
      backWnd->GetWindowRect(&back);
      ScreenToClient(&period);
      ScreenToClient(&back);
      m_chart->MoveWindow(client.left + 4, period.top + kComboFieldHeight + 1, client.Width() - 4,
                          back.top - 2 - (period.top + kComboFieldHeight + 1));
    }
    ::SetWindowLong(m_chart->m_hWnd, GWL_ID, chart::IDD_DLG_KCHART);  // found by its id
    m_chart->SetFonts(m_small, m_large);
    m_chart->Init();
    m_chart->SetZoom(1);
    m_chart->ShowWindow(SW_SHOW);
  }

  void QueryBoth() {
    StartWaitCursor();
    m_pending = 2;
    RequestStockBase();
    RequestChart();
  }

  // The chart request of the chosen period; minute bars carry the minutes per bar.
  void RequestChart() {
    auto* period = static_cast<CComboBox*>(GetDlgItem(kPeriod));
    int p = period ? period->GetCurSel() : 1;
    if (p < 0 || p >= static_cast<int>(std::size(kPeriodCodes))) p = 1;
    unsigned char body[c::kMinuteRequestSize];
    vxwire::Writer w(body);
    w.Text(c::kCode, std::string_view(GetItemCodeField(), strnlen(GetItemCodeField(), 6))).Byte(c::kMark, 0xFF);
    int size = c::kRequestSize;
    if (p == 0) {
      auto* minutes = static_cast<CComboBox*>(GetDlgItem(kMinutes));
      int m = minutes ? minutes->GetCurSel() : kDefaultMinutes;
      if (m < 0 || m >= static_cast<int>(std::size(kMinuteValues))) m = kDefaultMinutes;
      w.Byte(c::kMinutes, kMinuteValues[m]);
      size = c::kMinuteRequestSize;
    }
    if (!w.Ok()) return;
    SendPlainBody(kPeriodCodes[p], body, size);
  }

  // A plain request built by the packet layer.
  void SendPlainBody(uint16_t code, const unsigned char* body, int size) {
    if (!m_pEncrypt) return;
    unsigned char packet[128];
    int n = m_pEncrypt->make_packet(packet, sizeof packet, code, '4', 1, 0, 1, 1, 0, 0, body, size);
    if (n < 0) {
      CString text;
      text.Format(u"ERROR:패킷 구성 %d", static_cast<int>(code));
      MessageBox(text, u"", MB_OK);
      return;
    }
    SendPacket(packet, n);
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

  // Replaces every bar with the reply's; the count is limited to the records the body holds.
  void StoreBars(size_t period, const unsigned char* body, int len) {
    vxwire::Reader r(body, len);
    if (!r.Has(c::kCount)) {
      ReportShortReply(kPeriodCodes[period]);
      return;
    }
    int n = vxskel::RecordsHeld(r.SignedByte(c::kCount), len, c::kBarsAt, c::kBarSize);
    n = std::min(n, chart::StockData_1::kCapacity);
    const bool minute = kPeriodCodes[period] == kTrMinute;
    m_data.Clear();
    m_data.loaded = true;
    for (int i = 0; i < n; ++i) {
      vxwire::Reader rec = r.Record(c::kBarsAt, c::kBarSize, i);
      const unsigned char* d = rec.At(c::kDate);
      chart::ChartBar& bar = m_data.bars[static_cast<size_t>(i)];
      if (minute) {
        bar.time = chart::MakeBarTime(2003, 1, 1, d[0], d[1]);
      } else {
        int year = d[0] < 50 ? 2000 + d[0] : 1900 + d[0];
        bar.time = chart::MakeBarTime(year, d[1], d[2]);
      }
      bar.open = Net2(rec.At(c::kOpen));
      bar.high = Net2(rec.At(c::kHigh));
      bar.low = Net2(rec.At(c::kLow));
      bar.close = Net2(rec.At(c::kClose));
      const vxwire::Field averages[3] = {c::kAverage5, c::kAverage20, c::kAverage60};
      for (int k = 0; k < 3; ++k) {
        int32_t v = Net2(rec.At(averages[k]));
        bar.ma[k] = v == -1 ? chart::NO_VALUE : v;
      }
      int64_t volume = get_net_value(rec.At(c::kVolume), 6) / 1000;
      bar.volume = volume < 0 ? chart::NO_VALUE : volume;
      if (bar.open != bar.close)
        bar.updown = bar.open < bar.close ? '4' : '2';
      else
        bar.updown = i > 0 && bar.open >= m_data.bars[static_cast<size_t>(i - 1)].close ? '4' : '2';
    }
    m_data.SetCount(n);
    m_data.volume_unit = 1000;
    m_data.price_format = 0;
    m_chart->SetMode(kChartModes[period]);
    if (minute) m_data.ComputeOverlayAverages();
    // Repainted after every reply: an empty one leaves an empty chart, not the old bars.
    m_chart->RecalcIndicators();
    Repaint();
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

  static constexpr int kComboFieldHeight = 20;
  chart::StockData_1 m_data;
  std::unique_ptr<chart::CChartWnd> m_chart;
  HFONT m_small = nullptr, m_large = nullptr;
  int m_pending = 0;
  bool m_overlayFree = true;
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5002Dlg)
