// VX4230: the current item's opening, high and low prices, limits, 52-week extremes, market value,
// face value and listed shares, and the five brokers that sold and bought the most (transaction
// 4230), in two grids one above the other under the base-quote strip.
#include <array>
#include <cstring>
#include <iterator>
#include <string>

#include "glimmet/net_value.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace p = vxtr::profile;

constexpr uint16_t kTrProfile = 4230;
constexpr int kProfileGrid = 1344;
constexpr int kBrokerGrid = 1345;
constexpr COLORREF kLabelBg = 0x8CDFFF;
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

const uint16_t kReplies[] = {kTrProfile};
const vxskel::ScreenConfig kConfig =
    vxskel::ListScreenConfig(u"VX4230.dll", u"거래원/종목정보", kReplies, std::size(kReplies));

constexpr std::array<plat::DialogItemTemplate, 0> kOwn{};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

// The band from 조회 (bottom 63) to the keypad (top 300), less 23 pixels, split in two parts of
// 107: the profile 7 pixels below the first part's grid top (65), 16 pixels shorter than its 103;
// the brokers 4 pixels above the second's (172), 1 pixel taller.
const int kProfileWidths[] = {55, 62, 55, 64};
const vxskel::GridSetup kProfile = {kProfileGrid, 0, nullptr, 4, kProfileWidths, 17, 5, true, false, {1, 72, 238, 87}};
const WCHAR* const kBrokerTitles[] = {u"매도상위", u"매도량", u"매수상위", u"매수량"};
const int kBrokerWidths[] = {53, 65, 53, 65};
const vxskel::GridSetup kBrokers = {kBrokerGrid, 17, kBrokerTitles, 4,     kBrokerWidths,
                                    17,          5,  false,         false, {1, 168, 238, 104}};

constexpr int kCentred = 0, kRight = 2;  // text alignment of a cell

class CVX4230Dlg : public vxskel::CListScreenDlg {
 public:
  CVX4230Dlg() : CListScreenDlg(kConfig, kProfile) {}
  ~CVX4230Dlg() override { vxskel::DeleteGrid(m_brokers); }

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    m_brokers = vxskel::CreateGrid(this, LabelFont(), kBrokers);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
      if (LOWORD(wParam) == vxskel::kBtnQuery) {
        StartWait();
        RequestStockBase();
        SendPage();
        return TRUE;
      }
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  // The host's query: the item of the combo, without the wait cursor.
  void OnQuery() override {
    GetItemCodeFromComboBox();
    RequestStockBase();
    SendPage();
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrProfile) Fill(body, len);
  }

  // After whatever came (the profile, the quote or the server's message), the item combo takes
  // the focus.
  afx_msg LRESULT OnPacket(WPARAM wParam, LPARAM lParam) {
    LRESULT handled = OnVxPacket(wParam, lParam);
    if (handled) FocusItemCombo();
    return handled;
  }

  afx_msg LRESULT OnRequery(WPARAM, LPARAM) {
    SetItemCodeToComboBox();
    StartWait();
    RequestStockBase();
    SendPage();
    return 0;
  }

 private:
  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
    SendPage();
  }
  void KeepItem() override {}

  void SendPage() override {
    unsigned char packet[TR_HEADER_SIZE + p::kRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, p::kRequestSize);
    body.Text(p::kCode, GetItemCodeField());
    if (body.Ok()) SendPlainRequest(kTrProfile, packet, sizeof packet);
  }

  static void Put(V_Grid* grid, int column, int row, const char* text, int align, COLORREF fg = 0,
                  COLORREF bg = 0xFFFFFF) {
    if (!grid) return;
    if (V_Grid_Cell* c = grid->get_cell(column, row)) {
      c->set_text(text, -1);
      c->set_str_flag(align);
      c->set_color(fg, bg);
    }
  }
  void Label(int column, int row, const WCHAR* text) {
    V_Grid_Cell* c = m_grid->get_cell(column, row);
    if (!c) return;
    c->set_text(text, -1);
    c->set_str_flag(kCentred);
    c->set_color(0, kLabelBg);
    c->set_font(LabelFont());
  }
  void Value(int column, int row, int kind, const unsigned char* value, int mode, COLORREF fg,
             const WCHAR* suffix = u"") {
    char text[NET_VALUE_STR_SIZE] = {};
    if (value) get_net_value_str(kind, value, text, mode, sizeof text);
    Put(m_grid.get(), column, row, text, kRight, fg);
    CString shown = CString(text) + suffix;
    if (suffix[0])
      if (V_Grid_Cell* c = m_grid->get_cell(column, row)) c->set_text(static_cast<const WCHAR*>(shown), -1);
  }

  void Fill(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(p::kYearLowSign)) return ReportShortReply(kTrProfile);
    if (m_grid) {
      const WCHAR* labels[5][2] = {{u"시 가", u"상한가"},
                                   {u"고 가", u"하한가"},
                                   {u"저 가", u"시가총액"},
                                   {u"액면가", u"상장주식수"},
                                   {u"52최고가", u"52최저가"}};
      for (int row = 0; row < 5; ++row) {
        Label(0, row, labels[row][0]);
        Label(2, row, labels[row][1]);
      }
      auto signed_ = [&](int column, int row, const vxwire::Field& value, const vxwire::Field& sign) {
        Value(column, row, NV_INT2, reply.At(value), 0, GetRGBColor(reply.Char(sign)));
      };
      signed_(1, 0, p::kOpen, p::kOpenSign);
      signed_(1, 1, p::kHigh, p::kHighSign);
      signed_(1, 2, p::kLow, p::kLowSign);
      Value(1, 3, NV_INT2, reply.At(p::kFaceValue), 0, 0);
      signed_(1, 4, p::kYearHigh, p::kYearHighSign);
      Value(3, 0, NV_INT2, reply.At(p::kUpperLimit), 0, kRed);
      Value(3, 1, NV_INT2, reply.At(p::kLowerLimit), 0, kBlue);
      Value(3, 2, NV_INT3, reply.At(p::kMarketValue), 0, 0, u" 억");
      Value(3, 3, NV_THOUSANDS3, reply.At(p::kListedShares), 0, 0);
      signed_(3, 4, p::kYearLow, p::kYearLowSign);
      m_grid->redraw();
    }
    if (!m_brokers) return;
    m_brokers->remove_all_row();
    int n = vxskel::RecordsHeld(p::kBrokerRows, len, p::kBrokersAt, p::kBrokerSize);
    for (int i = 0; i < n && m_brokers->add_row(); ++i) {
      vxwire::Reader rec = reply.Record(p::kBrokersAt, p::kBrokerSize, i);
      char text[NET_VALUE_STR_SIZE] = {};
      Put(m_brokers.get(), 0, i, rec.Shown(p::kSeller, 10).c_str(), kCentred);
      get_net_value_str(NV_INT3, rec.At(p::kSold), text, 1, sizeof text);
      Put(m_brokers.get(), 1, i, text, kRight);
      Put(m_brokers.get(), 2, i, rec.Shown(p::kBuyer, 10).c_str(), kCentred);
      get_net_value_str(NV_INT3, rec.At(p::kBought), text, 1, sizeof text);
      Put(m_brokers.get(), 3, i, text, kRight);
    }
    m_brokers->redraw();
  }

  std::unique_ptr<V_Grid> m_brokers;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CVX4230Dlg, vxskel::CListScreenDlg)
ON_MESSAGE(WM_VX_REQUERY, OnRequery)
ON_MESSAGE(WM_VX_PACKET, OnPacket)
END_MESSAGE_MAP()

}  // namespace

VX_SCREEN_EXPORTS(CVX4230Dlg)
