// ZR4210: the two stock markets at a glance (transaction 4210, a header-only request): KOSPI and
// KOSDAQ with their advances and declines, volume and trading value, and the KOSPI200 and
// KOSDAQ50 lines, under the base-quote strip of the current item.
#include <cstdio>
#include <iterator>

#include "glimmet/net_value.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrSummary = 4210;
constexpr int kGridId = 4210;

const uint16_t kReplies[] = {kTrSummary};
const vxskel::ScreenConfig kConfig =
    vxskel::ListScreenConfig(u"ZR4210.dll", u"시장종합", kReplies, std::size(kReplies));

// The four grids are made at start: KOSPI (y 85), KOSDAQ (y 163), KOSPI200 (y 225), KOSDAQ50 (y 252).
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", -1, u"[KOSPI 종합]", vxskel::kLabel, 0, 2, 67, 90, 16},
    {u"STATIC", -1, u"[단위: 천주(k), 백만원]", vxskel::kLabel | SS_RIGHT, 0, 100, 67, 138, 16},
    {u"STATIC", -1, u"[KOSDAQ종합]", vxskel::kLabel, 0, 2, 145, 90, 16},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[4] = {u"", u"", u"", u""};
const int kWidths[4] = {50, 50, 65, 70};
constexpr vxskel::GridSetup Sheet(int y, int height) {
  return {kGridId, 0, kTitles, 4, kWidths, 17, 0, false, true, {1, y, 238, height}};
}
const vxskel::GridSetup kKospi = Sheet(85, 54);
const vxskel::GridSetup kKosdaq = Sheet(163, 54);
const vxskel::GridSetup kKospi200 = Sheet(225, 18);
const vxskel::GridSetup kKosdaq50 = Sheet(252, 18);

class CZR4210Dlg : public vxskel::CListScreenDlg {
 public:
  CZR4210Dlg() : CListScreenDlg(kConfig, kKospi) {}
  ~CZR4210Dlg() override {
    for (auto& g : m_more) vxskel::DeleteGrid(g);
  }

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    m_more[0] = vxskel::CreateGrid(this, LabelFont(), kKosdaq);
    m_more[1] = vxskel::CreateGrid(this, LabelFont(), kKospi200);
    m_more[2] = vxskel::CreateGrid(this, LabelFont(), kKosdaq50);
    Composite(m_grid.get());
    Composite(m_more[0].get());
    Line(m_more[1].get(), u"KSP200");
    Line(m_more[2].get(), u"KSQ 50");
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (HIWORD(wParam) == BN_CLICKED && lParam && LOWORD(wParam) == vxskel::kBtnQuery) {
      StartWait();
      RequestStockBase();
      SendPage();
      return TRUE;
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
    if (code == kTrSummary) Fill(body, len);
  }

 private:
  // A new item changes the strip only.
  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
  }
  void KeepItem() override {}

  void SendPage() override {
    unsigned char packet[TR_HEADER_SIZE];
    SendPlainRequest(kTrSummary, packet, sizeof packet);
  }

  // A composite grid's three rows with their labels.
  bool Composite(V_Grid* g) {
    if (!g) return false;
    g->remove_all_row();
    for (int i = 0; i < 3; ++i)
      if (!g->add_row()) return false;
    vxskel::SetShadedLabel(g, 0, 0, u"종 합", LabelFont());
    vxskel::SetShadedLabel(g, 0, 1, u"상승(한)", LabelFont());
    vxskel::SetShadedLabel(g, 2, 1, u"하락(한)", LabelFont());
    vxskel::SetShadedLabel(g, 0, 2, u"보 합", LabelFont());
    vxskel::SetShadedLabel(g, 2, 2, u"거래대금", LabelFont());
    return true;
  }
  bool Line(V_Grid* g, const WCHAR* label) {
    if (!g) return false;
    g->remove_all_row();
    if (!g->add_row()) return false;
    vxskel::SetShadedLabel(g, 0, 0, label, LabelFont());
    return true;
  }

  // Value, mark and change in the sign's colour, and the volume in thousands: row 0 of a grid.
  void IndexRow(V_Grid* g, const vxwire::Reader& r, const vxwire::Field& value, const vxwire::Field& sign,
                const vxwire::Field& change, const vxwire::Field& volume) {
    COLORREF fg = GetRGBColor(r.Char(sign));
    vxskel::SetNumberCell(g, 1, 0, NV_FLOAT2, r.At(value), 0, fg);
    char text[NET_VALUE_STR_SIZE + 8] = {};
    vxskel::MarkAndChange(r.Char(sign), r.At(change), NV_FLOAT2, text, sizeof text);
    vxskel::SetCell(g, 2, 0, text, fg);
    if (V_Grid_Cell* c = g->get_cell(2, 0)) c->set_str_flag(0);
    vxskel::SetNumberCell(g, 3, 0, NV_THOUSANDS3, r.At(volume), 0, 0);
  }

  void FillComposite(V_Grid* g, const vxwire::Reader& r) {
    namespace s = vxtr::summary;
    if (!Composite(g)) return;
    IndexRow(g, r, s::kValue, s::kSign, s::kChange, s::kVolume);
    auto count = [&](const vxwire::Field& f) { return static_cast<int>(static_cast<uint16_t>(r.Short(f))); };
    char text[48] = {};
    std::snprintf(text, sizeof text, "%d(%d)", count(s::kUp), count(s::kUpper));
    vxskel::SetCell(g, 1, 1, text);
    std::snprintf(text, sizeof text, "%d(%d)", count(s::kDown), count(s::kLower));
    vxskel::SetCell(g, 3, 1, text);
    std::snprintf(text, sizeof text, "%d", count(s::kSame));
    vxskel::SetCell(g, 1, 2, text);
    vxskel::MillionsText(r.At(s::kAmount), text, sizeof text);
    vxskel::SetCell(g, 3, 2, text);
    g->redraw();
  }

  void FillLine(V_Grid* g, const WCHAR* label, const vxwire::Reader& r) {
    namespace s = vxtr::summary;
    if (!Line(g, label)) return;
    IndexRow(g, r, s::kLineValue, s::kLineSign, s::kLineChange, s::kLineVolume);
    g->redraw();
  }

  void Fill(const unsigned char* body, int len) {
    namespace s = vxtr::summary;
    vxwire::Reader reply(body, len);
    if (static_cast<int>(reply.Size()) < s::kReplySize) return ReportShortReply(kTrSummary);
    FillComposite(m_grid.get(), vxwire::Reader(body + s::kKospiAt, s::kBlockSize));
    FillComposite(m_more[0].get(), vxwire::Reader(body + s::kKosdaqAt, s::kBlockSize));
    FillLine(m_more[1].get(), u"KSP200", vxwire::Reader(body + s::kKospi200At, s::kLineSize));
    FillLine(m_more[2].get(), u"KSQ 50", vxwire::Reader(body + s::kKosdaq50At, s::kLineSize));
  }

  std::unique_ptr<V_Grid> m_more[3];  // KOSDAQ, KOSPI200, KOSDAQ50
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4210Dlg)
