// VX4610: today's net quantity and net amount of individuals, foreigners and institutions on
// KOSPI or KOSDAQ (transaction 4610), as a small table and a bar chart of the net quantities.
#include <array>
#include <iterator>
#include <memory>

#include "investor_chart.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace q = vxtr::investors;

constexpr uint16_t kTrNet = 4610;
constexpr int kMarketCombo = 1000;
constexpr int kGrid = 1001;  // 1000 is the market combo
constexpr COLORREF kLabelBg = 0x8CDFFF;
constexpr int kGroups = 3;

const uint16_t kReplies[] = {kTrNet};
const vxskel::ScreenConfig kConfig =
    vxskel::ListScreenConfig(u"VX4610.dll", u"투자자별순매수", kReplies, std::size(kReplies));

constexpr plat::DialogItemTemplate kOwn[] = {
    {u"COMBOBOX", kMarketCombo, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 1, 66, 80, 60},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

// 3 pixels below the combo (bottom 86); three rows of 17 and the border. The band down to the
// keypad (top 300) less 162 would leave 52, a pixel short: the grid would then scroll and its
// scroll bars would cover the amounts row.
const int kWidths[] = {60, 58, 58, 60};
const vxskel::GridSetup kGridSetup = {kGrid, 0, nullptr, 4, kWidths, 17, 0, false, false, {1, 89, 238, 53}};
// 4 pixels in from the left, to the right edge, from 70 pixels below the combo to 20 above the keypad.
constexpr RECT kChartAt = {4, 156, 240, 280};

const WCHAR* const kLabels[kGroups] = {u"개인", u"외국인", u"기관계"};

class CVX4610Dlg : public vxskel::CListScreenDlg {
 public:
  CVX4610Dlg() : CListScreenDlg(kConfig, kGridSetup) {}
  ~CVX4610Dlg() override {
    if (m_chart && m_chart->m_hWnd) m_chart->DestroyWindow();
  }

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    if (auto* combo = static_cast<CComboBox*>(GetDlgItem(kMarketCombo))) {
      combo->AddString(u"KOSPI");
      combo->AddString(u"KOSDAQ");
      combo->SetCurSel(0);
    }
    auto chart = std::make_unique<vxinvest::CInvestorChart>();
    if (!chart->Create(this)) return;
    chart->MoveWindow(kChartAt.left, kChartAt.top, kChartAt.right - kChartAt.left, kChartAt.bottom - kChartAt.top,
                      FALSE);
    ::SetWindowLong(chart->m_hWnd, GWL_ID, vxinvest::kChartTemplate);  // found by its id
    chart->Layout();
    chart->ShowWindow(SW_SHOW);
    m_chart = std::move(chart);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == kMarketCombo && code == CBN_SELCHANGE) {
      auto* combo = static_cast<CComboBox*>(GetDlgItem(kMarketCombo));
      int sel = combo ? combo->GetCurSel() : -1;
      if (sel < 0) return TRUE;
      m_market = static_cast<uint8_t>(sel + 1);
      StartWait();
      SendPage();
      return TRUE;
    }
    if (code == BN_CLICKED && lParam) {
      if (id == vxskel::kBtnQuery) {
        StartWait();
        SendPage();
        RequestStockBase();
        return TRUE;
      }
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrNet) Fill(body, len);
  }

  // After whatever came (the figures, the quote or the server's message), the item combo takes
  // the focus.
  afx_msg LRESULT OnPacket(WPARAM wParam, LPARAM lParam) {
    LRESULT handled = OnVxPacket(wParam, lParam);
    if (handled) FocusItemCombo();
    return handled;
  }

 private:
  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
    SendPage();
  }
  void KeepItem() override {}

  void SendPage() override {
    unsigned char packet[TR_HEADER_SIZE + q::kNetRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, q::kNetRequestSize);
    body.Byte(q::kMarket, m_market);
    if (body.Ok()) SendPlainRequest(kTrNet, packet, sizeof packet);
  }

  void Label(int column, int row, const WCHAR* text) {
    V_Grid_Cell* c = m_grid->get_cell(column, row);
    if (!c) return;
    vxskel::SetLabelCell(c, "", LabelFont());
    c->set_text(text, -1);
    c->set_bg(kLabelBg);
  }
  void Value(int column, int row, int64_t value) {
    if (V_Grid_Cell* c = m_grid->get_cell(column, row)) c->set_text(vxwire::Grouped(value).c_str(), -1);
  }

  void Fill(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(q::kQuantity[kGroups - 1])) return ReportShortReply(kTrNet);
    int64_t quantities[kGroups] = {};
    for (int g = 0; g < kGroups; ++g) quantities[g] = reply.Number(q::kQuantity[g]);
    if (ResetRows(3)) {
      Label(0, 0, u"순매수");
      for (int g = 0; g < kGroups; ++g) Label(g + 1, 0, kLabels[g]);
      Label(0, 1, u"수 량");
      Label(0, 2, u"대 금");
      for (int g = 0; g < kGroups; ++g) {
        Value(g + 1, 1, quantities[g]);
        Value(g + 1, 2, reply.Number(q::kAmount[g]));
      }
    }
    if (m_chart) m_chart->SetValues(quantities, kLabels, kGroups);
    if (m_grid) m_grid->redraw();
  }

  uint8_t m_market = 1;  // 1 KOSPI, 2 KOSDAQ
  std::unique_ptr<vxinvest::CInvestorChart> m_chart;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CVX4610Dlg, vxskel::CListScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnPacket)
END_MESSAGE_MAP()

}  // namespace

VX_SCREEN_EXPORTS(CVX4610Dlg)
