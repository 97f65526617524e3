// ZR4130: daily prices of one stock item, nine days a page, newest first (transaction 4130),
// under the base-quote strip. Each page comes with the key of the page after it; the keys are kept
// by page number so that "이전" and "다음" can go either way.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "glimmet/net_value.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrDaily = 4130;
constexpr int kBtnNext = 9701;  // "다음"
constexpr int kBtnPrev = 9702;  // "이전"
constexpr int kRowsPerPage = 9;
constexpr int kColumns = 7;
constexpr int kKeyBytes = 3;
constexpr int kPages = 99;
constexpr UINT kRequery = WM_USER + 16;
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
const unsigned char kBlankKey[kKeyBytes] = {' ', ' ', ' '};

const uint16_t kReplies[] = {kTrDaily};
const vxskel::ScreenConfig kConfig =
    vxskel::ListScreenConfig(u"ZR4130.dll", u"일자별체결가", kReplies, std::size(kReplies));

// The grid (1,69 - 238 x 185, made at start) and the two paging buttons below it.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"BUTTON", kBtnPrev, u"이전", kButtonStyle, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음", kButtonStyle, 0, 192, 256, 46, 20},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[kColumns] = {u"일 시", u"주 가", u"", u"전일비", u"등략율", u"거래량", u""};
const int kWidths[kColumns] = {61, 60, 15, 50, 50, 60, 1};
const vxskel::GridSetup kGrid = {4130, 17,           kTitles, kColumns, kWidths,
                                 17,   kRowsPerPage, true,    false,    {1, 69, 238, 185}};

class CZR4130Dlg : public vxskel::CListScreenDlg {
 public:
  CZR4130Dlg() : CListScreenDlg(kConfig, kGrid) {}

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    vxskel::EnableControl(this, kBtnNext, false);
    vxskel::EnableControl(this, kBtnPrev, false);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
      if (id == vxskel::kBtnQuery) {
        GetItemCodeFromComboBox();
        KeepItem();
        m_paging.page = 1;
        m_flag = 'F';
        OnQuery();
        return TRUE;
      }
      if (id == kBtnNext) {
        if (!m_paging.CanGoNext()) return TRUE;
        m_flag = 'N';
        ++m_paging.page;
        StartWait();
        SendPage();
        vxskel::EnableControl(this, kBtnPrev, true);
        return TRUE;
      }
      if (id == kBtnPrev) {
        if (m_paging.page < 2) return TRUE;
        m_flag = 'P';
        --m_paging.page;
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
    if (code == kTrDaily) FillPage(body, len);
  }

  // The host asks for the item of the combo again.
  afx_msg LRESULT OnRequery(WPARAM, LPARAM) {
    SetItemCodeToComboBox();
    KeepItem();
    StartWait();
    RequestStockBase();
    SendPage();
    return 0;
  }

 private:
  // An edit asks for the page before the quote, a pick after it, as the screen always has.
  void OnNewItem(bool edited) override {
    m_paging.Restart(GetItemCodeField());
    m_flag = 'F';
    StartWait();
    if (!edited) RequestStockBase();
    SendPage();
    if (edited) RequestStockBase();
  }

  // Another item than the one paged starts again at page 1 with a blank key.
  void KeepItem() override {
    if (m_paging.SameItem(GetItemCodeField())) return;
    m_paging.Restart(GetItemCodeField());
    m_flag = 'F';
  }

  // Page 1 goes with three blanks, any other page with the key that came with the page before.
  void SendPage() override {
    namespace d = vxtr::daily;
    const unsigned char* key = m_paging.page == 1 ? kBlankKey : m_paging.Key(m_paging.page - 1);
    if (!key) return;
    unsigned char packet[TR_HEADER_SIZE + d::kRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, d::kRequestSize);
    body.Text(d::kCode, GetItemCodeField())
        .Byte(d::kRows, kRowsPerPage)
        .Byte(d::kPage, static_cast<uint8_t>(m_paging.page))
        .Char(d::kDirection, m_flag)
        .Raw(d::kKey, key);
    if (body.Ok()) SendPlainRequest(kTrDaily, packet, sizeof packet);
  }

  void FillPage(const unsigned char* body, int len) {
    namespace d = vxtr::daily;
    vxwire::Reader reply(body, len);
    if (!reply.Has(d::kNextKey)) return ReportShortReply(kTrDaily);
    // A page beyond the key table is not taken: its key is not kept and nothing follows it.
    int more = reply.Byte(d::kMore);
    bool taken = m_paging.Take(reply.Byte(d::kReplyPage), reply.At(d::kNextKey), more);
    if (!taken || more == 0 || more == 1) vxskel::EnableControl(this, kBtnNext, m_paging.CanGoNext());
    vxskel::EnableControl(this, kBtnPrev, m_paging.page > 1);

    int n = vxskel::RecordsHeld(reply.Byte(d::kCount), len, d::kRecordsAt, d::kRecordSize);
    if (!ResetRows(n)) return;
    for (int i = 0; i < n; ++i) FillRow(i, reply.Record(d::kRecordsAt, d::kRecordSize, i));
    m_grid->redraw();
  }

  void FillRow(int row, const vxwire::Reader& rec) {
    namespace d = vxtr::daily;
    const unsigned char* date = rec.At(d::kDate);
    char text[NET_VALUE_STR_SIZE] = {};
    std::snprintf(text, sizeof text, "%02d-%02d-%02d", date[0], date[1], date[2]);
    vxskel::SetLabelCell(m_grid->get_cell(0, row), text, LabelFont());
    char sign = rec.Char(d::kSign);
    COLORREF fg = GetRGBColor(sign);
    vxskel::SetPriceCells(m_grid.get(), row, 1, rec.At(d::kPrice), sign, rec.At(d::kChange), fg);
    vxskel::RateText(rec.Short(d::kRateWhole), rec.Short(d::kRateHundredths), text, sizeof text);
    if (V_Grid_Cell* c = m_grid->get_cell(4, row)) {
      c->set_text(text, -1);
      c->set_fg(fg);
    }
    get_net_value_str(NV_INT3, rec.At(d::kVolume), text, 1, sizeof text);
    if (V_Grid_Cell* c = m_grid->get_cell(5, row)) c->set_text(text, -1);
  }

  vxskel::PageKeys<kKeyBytes, kPages> m_paging;
  char m_flag = 'F';

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CZR4130Dlg, vxskel::CListScreenDlg)
ON_MESSAGE(kRequery, OnRequery)
END_MESSAGE_MAP()

}  // namespace

VX_SCREEN_EXPORTS(CZR4130Dlg)
