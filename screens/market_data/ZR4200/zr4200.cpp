// ZR4200: the sector indices of KOSPI or KOSDAQ, seven a page (transaction 4200), under the
// base-quote strip of the current item: value, change and rate, volume, trading value and the
// counts of items up, down and unchanged. "다음" and "이전" page through the market's sectors.
#include <cstdio>
#include <iterator>

#include "glimmet/net_value.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrSectors = 4200;
constexpr int kMarket = 1002;
constexpr int kBtnNext = 9701;  // "다음"
constexpr int kBtnPrev = 9702;  // "이전"
constexpr int kRowsPerPage = 7;
constexpr int kColumns = 10;
constexpr int kLastPage = 255;  // the page travels in one byte

const uint16_t kReplies[] = {kTrSectors};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"ZR4200.dll", nullptr, kReplies, std::size(kReplies));

// The grid (1,95 - 238 x 152, made at start) between the market choice and the paging buttons.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", -1, u"구분", vxskel::kLabel, 0, 2, 72, 28, 16},
    {u"STATIC", -1, u"[단위: 천주(K), 백만원]", vxskel::kLabel | SS_RIGHT, 0, 100, 72, 138, 16},
    {u"BUTTON", kBtnPrev, u"이전", vxskel::kFaceButton, 0, 142, 252, 46, 20},
    {u"BUTTON", kBtnNext, u"다음", vxskel::kFaceButton, 0, 192, 252, 46, 20},
    {u"COMBOBOX", kMarket, nullptr, vxskel::kQuickMoveList, 0, 32, 68, 66, 60},  // drop-downs last
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[kColumns] = {u"업 종",  u"지 수",    u"",      u"전일비", u"대비율",
                                        u"거래량", u"거래대금", u"상 승", u"하 락",  u"보 합"};
const int kWidths[kColumns] = {65, 60, 15, 45, 55, 70, 70, 60, 60, 40};
const vxskel::GridSetup kGrid = {4200, 17,           kTitles, kColumns, kWidths,
                                 17,   kRowsPerPage, true,    false,    {1, 95, 238, 152}};

class CZR4200Dlg : public vxskel::CListScreenDlg {
 public:
  CZR4200Dlg() : CListScreenDlg(kConfig, kGrid) {}

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    if (auto* market = static_cast<CComboBox*>(GetDlgItem(kMarket))) {
      market->ResetContent();
      market->AddString(u"KOSPI");
      market->AddString(u"KOSDAQ");
      market->SetCurSel(0);
    }
    vxskel::EnableControl(this, kBtnNext, false);
    vxskel::EnableControl(this, kBtnPrev, false);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == kMarket && code == CBN_SELCHANGE) {
      auto* market = static_cast<CComboBox*>(GetDlgItem(kMarket));
      int sel = market ? market->GetCurSel() : -1;
      if (sel != 0 && sel != 1) return TRUE;
      m_market = sel == 0 ? '1' : '2';
      m_page = 1;
      StartWait();
      SendPage();
      return TRUE;
    }
    if (code == BN_CLICKED && lParam) {
      if (id == vxskel::kBtnQuery) {
        m_page = 1;
        StartWait();
        RequestStockBase();
        SendPage();
        return TRUE;
      }
      if (id == kBtnNext) {
        if (!CanGoNext()) return TRUE;
        ++m_page;
        StartWait();
        SendPage();
        vxskel::EnableControl(this, kBtnPrev, true);
        return TRUE;
      }
      if (id == kBtnPrev) {
        if (m_page < 2) return TRUE;
        --m_page;
        StartWait();
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
    if (code == kTrSectors) FillPage(body, len);
  }

 private:
  // The server offers a next page and its number fits the request's byte.
  bool CanGoNext() const { return m_more == 1 && m_page < kLastPage; }

  // A new item starts the list again at page 1: an edit asks for the list first, a pick after
  // the quote.
  void OnNewItem(bool edited) override {
    m_page = 1;
    StartWait();
    if (!edited) RequestStockBase();
    SendPage();
    if (edited) RequestStockBase();
  }
  void KeepItem() override {}

  void SendPage() override {
    namespace s = vxtr::sector;
    unsigned char packet[TR_HEADER_SIZE + s::kRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, s::kRequestSize);
    body.Byte(s::kRows, kRowsPerPage).Byte(s::kPage, static_cast<uint8_t>(m_page)).Char(s::kMarket, m_market);
    if (body.Ok()) SendPlainRequest(kTrSectors, packet, sizeof packet);
  }

  void FillPage(const unsigned char* body, int len) {
    namespace s = vxtr::sector;
    vxwire::Reader reply(body, len);
    if (!reply.Has(s::kCount)) return ReportShortReply(kTrSectors);
    int n = vxskel::RecordsHeld(reply.Byte(s::kCount), len, s::kRecordsAt, s::kRecordSize);
    for (int i = 0; i < n; ++i)
      if (!reply.Record(s::kRecordsAt, s::kRecordSize, i).IsText(s::kName)) return ReportBadReply(kTrSectors);
    m_more = reply.Byte(s::kMore);
    if (m_more == 0 || m_more == 1) vxskel::EnableControl(this, kBtnNext, CanGoNext());
    vxskel::EnableControl(this, kBtnPrev, m_page > 1);
    if (!ResetRows(n)) return;
    for (int i = 0; i < n; ++i) FillRow(i, reply.Record(s::kRecordsAt, s::kRecordSize, i));
    m_grid->redraw();
  }

  void FillRow(int row, const vxwire::Reader& rec) {
    namespace s = vxtr::sector;
    V_Grid* g = m_grid.get();
    vxskel::SetNameCell(g, 0, row, rec.Shown(s::kName, s::kName.width), LabelFont());
    char sign = rec.Char(s::kSign);
    COLORREF fg = GetRGBColor(sign);
    vxskel::SetPriceCells(g, row, 1, rec.At(s::kValue), sign, rec.At(s::kChange), fg, NV_FLOAT2);
    char text[48] = {};
    // Only a rise or a fall has a rate; the limits and no change leave the cell empty.
    if (sign == '2' || sign == '5') {
      vxskel::RateText(rec.Short(s::kRateWhole), rec.Short(s::kRateHundredths), text, sizeof text);
      vxskel::SetCell(g, 4, row, text, fg);
    }
    vxskel::SetNumberCell(g, 5, row, NV_THOUSANDS3, rec.At(s::kVolume), 0, 0);
    vxskel::MillionsText(rec.At(s::kAmount), text, sizeof text);
    vxskel::SetCell(g, 6, row, text);
    auto count = [&](const vxwire::Field& f) { return static_cast<int>(static_cast<uint16_t>(rec.Short(f))); };
    std::snprintf(text, sizeof text, "%d  (%d)", count(s::kUp), count(s::kUpper));
    vxskel::SetCell(g, 7, row, text);
    std::snprintf(text, sizeof text, "%d  (%d)", count(s::kDown), count(s::kLower));
    vxskel::SetCell(g, 8, row, text);
    std::snprintf(text, sizeof text, "%d", count(s::kSame));
    vxskel::SetCell(g, 9, row, text);
  }

  int m_page = 1;
  int m_more = 0;
  char m_market = '1';
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4200Dlg)
