// ZR4220: foreign indices of one region (US, Asia or Europe; transaction 4176) under the
// base-quote strip of the current item: value, change and volume of each index, one page.
#include <iterator>

#include "glimmet/net_value.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrForeign = 4176;
constexpr int kRegion = 1002;
constexpr int kColumns = 6;
constexpr int kRows = 11;

const uint16_t kReplies[] = {kTrForeign};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"ZR4220.dll", nullptr, kReplies, std::size(kReplies));

// The grid (1,90 - 238 x 186, made at start) under the region choice.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"COMBOBOX", kRegion, nullptr, vxskel::kQuickMoveList, 0, 2, 67, 96, 80},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[kColumns] = {u"지수명", u"현재가", u"", u"전일비", u"거래량", u""};
const int kWidths[kColumns] = {90, 65, 20, 60, 80, 1};
const vxskel::GridSetup kGrid = {4220, 17, kTitles, kColumns, kWidths, 17, kRows, true, false, {1, 90, 238, 186}};
const WCHAR* const kRegions[] = {u"미국지수", u"아시아지수", u"유럽지수"};

class CZR4220Dlg : public vxskel::CListScreenDlg {
 public:
  CZR4220Dlg() : CListScreenDlg(kConfig, kGrid) {}

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    if (auto* region = static_cast<CComboBox*>(GetDlgItem(kRegion))) {
      region->ResetContent();
      for (const WCHAR* r : kRegions) region->AddString(r);
      region->SetCurSel(0);
    }
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == kRegion && code == CBN_SELCHANGE) {
      auto* region = static_cast<CComboBox*>(GetDlgItem(kRegion));
      int sel = region ? region->GetCurSel() : -1;
      if (sel < 0 || sel >= static_cast<int>(std::size(kRegions))) return TRUE;
      m_region = static_cast<char>('1' + sel);
      SendPage();
      return TRUE;
    }
    if (code == BN_CLICKED && lParam && id == vxskel::kBtnQuery) {
      RequestStockBase();
      StartWait();
      SendPage();
      return TRUE;
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrForeign) Fill(body, len);
  }

 private:
  // A new item changes the strip only.
  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
  }
  void KeepItem() override {}

  void SendPage() override {
    namespace f = vxtr::foreign;
    unsigned char packet[TR_HEADER_SIZE + f::kRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, f::kRequestSize);
    body.Char(f::kRegion, m_region);
    if (body.Ok()) SendPlainRequest(kTrForeign, packet, sizeof packet);
  }

  void Fill(const unsigned char* body, int len) {
    namespace f = vxtr::foreign;
    vxwire::Reader reply(body, len);
    if (!reply.Has(f::kCount)) return ReportShortReply(kTrForeign);
    int n = vxskel::RecordsHeld(reply.Byte(f::kCount), len, f::kRecordsAt, f::kRecordSize);
    for (int i = 0; i < n; ++i)
      if (!reply.Record(f::kRecordsAt, f::kRecordSize, i).IsText(f::kName)) return ReportBadReply(kTrForeign);
    // The Asian list leaves out its second index.
    int shown = m_region == '2' && n > 1 ? n - 1 : n;
    if (!ResetRows(shown)) return;
    for (int i = 0, row = 0; i < n; ++i) {
      if (m_region == '2' && i == 1) continue;
      vxwire::Reader rec = reply.Record(f::kRecordsAt, f::kRecordSize, i);
      vxskel::SetNameCell(m_grid.get(), 0, row, rec.Shown(f::kName, f::kName.width), LabelFont());
      char sign = rec.Char(f::kSign);
      vxskel::SetPriceCells(m_grid.get(), row, 1, rec.At(f::kValue), sign, rec.At(f::kChange), GetRGBColor(sign),
                            NV_FLOAT2);
      vxskel::SetNumberCell(m_grid.get(), 4, row, NV_INT3, rec.At(f::kVolume), 0, 0);
      ++row;
    }
    m_grid->redraw();
  }

  char m_region = '1';
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4220Dlg)
