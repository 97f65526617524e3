// ZR4160: an ECN item's ECN trading under the base-quote strip: a summary sheet (transaction
// 4160: change and rate, previous close, listed shares, the book's totals, ECN volume) and its
// latest ECN trades (4165). The finder offers the ECN items.
#include <cstdio>
#include <iterator>

#include "glimmet/net_value.h"
#include "vxbase/code_manager.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrSummary = 4160;
constexpr uint16_t kTrTicks = 4165;
constexpr int kTickRows = 4;

const uint16_t kReplies[] = {kTrSummary, kTrTicks};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"ZR4160.dll", nullptr, kReplies, std::size(kReplies));

// Both grids are made at start: the summary (1,66 - 238 x 105) and the trades (1,176 - 238 x 101).
constexpr auto kItems = vxskel::ScreenItems(std::array<vxskel::ControlItem, 0>{});
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kSummaryTitles[2] = {u"", u""};
const int kSummaryWidths[2] = {110, 126};
const vxskel::GridSetup kSummaryGrid = {4160, 0, kSummaryTitles, 2,    kSummaryWidths,
                                        17,   0, false,          true, {1, 66, 238, 105}};
const WCHAR* const kLabels[] = {u"전일대비(등략율)", u"전일종가", u"상장주식수",
                                u"매도잔량",         u"매수잔량", u"ECN거래량"};
constexpr int kSummaryRows = static_cast<int>(std::size(kLabels));

const WCHAR* const kTickTitles[5] = {u"시 간", u"체결량", u"매도잔량", u"매수잔량", u"ECN거래량"};
const int kTickWidths[5] = {55, 65, 60, 60, 70};
const vxskel::GridSetup kTickGrid = {4165, 17,        kTickTitles, 5,    kTickWidths,
                                     17,   kTickRows, false,       true, {1, 176, 238, 101}};

class CZR4160Dlg : public vxskel::CListScreenDlg {
 public:
  CZR4160Dlg() : CListScreenDlg(kConfig, kTickGrid) {}
  ~CZR4160Dlg() override { vxskel::DeleteGrid(m_summary); }

  void OnInitScreen() override {
    m_summary = vxskel::CreateGrid(this, LabelFont(), kSummaryGrid);
    if (m_summary) {
      for (int row = 0; row < kSummaryRows && m_summary->add_row(); ++row)
        vxskel::SetLabelCell(m_summary->get_cell(0, row), kLabels[row], LabelFont());
    }
    CListScreenDlg::OnInitScreen();
    if (m_pCodeManager) m_pCodeManager->ReadECNCode();
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
      if (id == vxskel::kBtnQuery) {
        StartWait();
        RequestStockBase();
        SendPage();
        return TRUE;
      }
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  // Whatever a packet brought (the screen's list, a base quote, the server's message), the item
  // code has the focus afterwards.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = CListScreenDlg::WindowProc(message, wParam, lParam);
    if (message == WM_VX_PACKET && result) FocusItemCombo();
    return result;
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrSummary) FillSummary(body, len);
    if (code == kTrTicks) FillTicks(body, len);
  }

 private:
  // The finder offers the ECN items.
  void OnFinder() override { OnBtnECNScoutlet(); }

  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
    SendPage();
  }
  void KeepItem() override {}

  // The summary and the trades of the item.
  void SendPage() override {
    unsigned char summary[TR_HEADER_SIZE + vxtr::ecn::kPriceRequestSize];
    vxwire::Writer s(summary + TR_HEADER_SIZE, vxtr::ecn::kPriceRequestSize);
    s.Text(vxtr::ecn::kCode, GetItemCodeField());
    if (s.Ok()) SendPlainRequest(kTrSummary, summary, sizeof summary);
    unsigned char ticks[TR_HEADER_SIZE + vxtr::ecn::kTicksRequestSize];
    vxwire::Writer t(ticks + TR_HEADER_SIZE, vxtr::ecn::kTicksRequestSize);
    t.Byte(vxtr::ecn::kTicksRows, kTickRows).Text(vxtr::ecn::kTicksCode, GetItemCodeField());
    if (t.Ok()) SendPlainRequest(kTrTicks, ticks, sizeof ticks);
  }

  void FillSummary(const unsigned char* body, int len) {
    namespace e = vxtr::ecn;
    vxwire::Reader reply(body, len);
    if (!reply.Has(e::kChange)) return ReportShortReply(kTrSummary);
    V_Grid* g = m_summary.get();
    if (!g) return;
    g->remove_all_row();
    for (int row = 0; row < kSummaryRows && g->add_row(); ++row)
      vxskel::SetShadedLabel(g, 0, row, kLabels[row], LabelFont());
    char sign = reply.Char(e::kSign);
    char change[NET_VALUE_STR_SIZE] = {}, rate[24] = {}, text[64] = {};
    get_net_value_str(NV_INT2, reply.At(e::kChange), change, 0, sizeof change);
    vxskel::RateText(reply.Short(e::kRateWhole), reply.Short(e::kRateHundredths), rate, sizeof rate);
    std::snprintf(text, sizeof text, "%s (%s)", change, rate);
    vxskel::SetCell(g, 1, 0, text, GetRGBColor(sign));
    vxskel::SetNumberCell(g, 1, 1, NV_INT2, reply.At(e::kPrevClose), 0, 0);
    vxskel::SetNumberCell(g, 1, 2, NV_INT3, reply.At(e::kListed), 0, 0);
    vxskel::SetNumberCell(g, 1, 3, NV_INT2, reply.At(e::kAskTotal), 0, 0);
    vxskel::SetNumberCell(g, 1, 4, NV_INT2, reply.At(e::kBidTotal), 0, 0);
    vxskel::SetNumberCell(g, 1, 5, NV_INT3, reply.At(e::kEcnVolume), 0, 0);
    g->redraw();
  }

  void FillTicks(const unsigned char* body, int len) {
    namespace e = vxtr::ecn;
    vxwire::Reader reply(body, len);
    if (!reply.Has(e::kTickCount)) return ReportShortReply(kTrTicks);
    int n = vxskel::RecordsHeld(reply.Byte(e::kTickCount), len, e::kTicksAt, e::kTickSize);
    if (!ResetRows(n)) return;
    for (int i = 0; i < n; ++i) {
      vxwire::Reader rec = reply.Record(e::kTicksAt, e::kTickSize, i);
      vxskel::SetTimeCell(m_grid->get_cell(0, i), rec.At(e::kTickTime), LabelFont(), 1);
      vxskel::SetNumberCell(m_grid.get(), 1, i, NV_INT2, rec.At(e::kTickVolume), 0, 0);
      vxskel::SetNumberCell(m_grid.get(), 2, i, NV_INT2, rec.At(e::kTickAsks), 0, 0);
      vxskel::SetNumberCell(m_grid.get(), 3, i, NV_INT2, rec.At(e::kTickBids), 0, 0);
      vxskel::SetNumberCell(m_grid.get(), 4, i, NV_INT3, rec.At(e::kTickEcnVolume), 0, 0);
    }
    m_grid->redraw();
  }

  std::unique_ptr<V_Grid> m_summary;
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4160Dlg)
