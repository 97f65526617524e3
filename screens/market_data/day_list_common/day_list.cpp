#include "day_list.h"

#include <algorithm>
#include <cstdio>

#include "glimmet/net_value.h"
#include "vxbase/money.h"
#include "vxskeleton/tr_layouts.h"

namespace vxdays {

namespace {

namespace t = vxtr::days;
constexpr int kCentred = 0, kRight = 2;
const unsigned char kBlankKey[kKeyBytes] = {' ', ' ', ' '};

const WCHAR* const kTrendTitles[] = {u"일자", u"지수", u"", u"전일비", u"개인", u"외국인", u"기관계", u""};
const int kTrendWidths[] = {65, 55, 15, 50, 50, 50, 70, 1};
const WCHAR* const kForeignTitles[] = {u"일 자", u"주 가", u"", u"전일비", u"등락율", u"보유증감", u"소진율", u""};
const int kForeignWidths[] = {61, 60, 15, 50, 50, 70, 50, 1};

}  // namespace

// VX4240: from 2 pixels below combo 1003 (bottom 86) to 2 above "이전" (top 256). VX4140: from 5
// pixels below the strip to 5 above "< 이전".
const vxskel::GridSetup kTrendGrid = {kGrid, 17, kTrendTitles, 8, kTrendWidths, 17, 0, true, true, {1, 88, 238, 166}};
const vxskel::GridSetup kForeignGrid = {kGrid, 17, kForeignTitles, 8,    kForeignWidths,
                                        17,    0,  true,           true, {1, 69, 238, 182}};

BEGIN_MESSAGE_MAP(CDayListDlg, vxskel::CListScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnPacket)
END_MESSAGE_MAP()

void CDayListDlg::OnInitScreen() {
  CListScreenDlg::OnInitScreen();
  if (m_screen.kind == Days::Investors) {
    const WCHAR* entries[2][2] = {{u"금액", u"수량"}, {u"KOSPI", u"KOSDAQ"}};
    const int combos[2] = {kFigureCombo, kMarketCombo};
    for (int c = 0; c < 2; ++c)
      if (auto* combo = static_cast<CComboBox*>(GetDlgItem(combos[c]))) {
        for (const WCHAR* e : entries[c]) combo->AddString(e);
        combo->SetCurSel(0);
      }
  }
  vxskel::EnableControl(this, kBtnNext, false);
  vxskel::EnableControl(this, kBtnPrev, false);
  Restart();
}

void CDayListDlg::Restart() {
  m_paging.Restart(GetItemCodeField());
  m_direction = 'F';
}

// VX4140 pages one item: another item starts again at page 1.
void CDayListDlg::KeepItem() {
  if (m_screen.kind == Days::Foreign && !m_paging.SameItem(GetItemCodeField())) Restart();
}

BOOL CDayListDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  int id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (code == CBN_SELCHANGE && (id == kFigureCombo || id == kMarketCombo)) {
    auto* combo = static_cast<CComboBox*>(GetDlgItem(id));
    int sel = combo ? combo->GetCurSel() : -1;
    if (sel < 0) return TRUE;
    (id == kFigureCombo ? m_figure : m_market) = static_cast<uint8_t>(sel + 1);
    Restart();
    StartWait();
    SendPage();
    return TRUE;
  }
  if (code == BN_CLICKED && lParam) {
    switch (id) {
      case vxskel::kBtnQuery:
        if (m_screen.kind == Days::Foreign) {
          GetItemCodeFromComboBox();
          Restart();
          OnQuery();
          return TRUE;
        }
        Restart();
        StartWait();
        RequestStockBase();
        SendPage();
        return TRUE;
      case kBtnNext:
        if (!m_paging.CanGoNext()) return TRUE;
        m_direction = 'N';
        ++m_paging.page;
        StartWait();
        SendPage();
        vxskel::EnableControl(this, kBtnPrev, true);
        return TRUE;
      case kBtnPrev:
        if (m_paging.page < 2) return TRUE;
        m_direction = 'P';
        --m_paging.page;
        StartWait();
        SendPage();
        return TRUE;
      default: break;
    }
  }
  return CListScreenDlg::OnCommand(wParam, lParam);
}

// The host's query: VX4240 asks without the wait cursor.
void CDayListDlg::OnQuery() {
  if (m_screen.kind == Days::Foreign) return CListScreenDlg::OnQuery();
  GetItemCodeFromComboBox();
  KeepItem();
  RequestStockBase();
  SendPage();
}

void CDayListDlg::OnNewItem(bool edited) {
  Restart();
  StartWait();
  const bool listFirst = edited ? m_screen.listFirstOnEdit : m_screen.listFirstOnPick;
  if (!listFirst) RequestStockBase();
  SendPage();
  if (listFirst) RequestStockBase();
}

// Page 1 goes with three blanks, any other page with the key that came with the page before.
void CDayListDlg::SendPage() {
  const int page = m_paging.page;
  const unsigned char* key = page == 1 ? kBlankKey : m_paging.Key(page - 1);
  if (!key) return;
  if (m_screen.kind == Days::Investors) {
    namespace q = vxtr::investors;
    unsigned char packet[TR_HEADER_SIZE + q::kTrendRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, q::kTrendRequestSize);
    body.Byte(q::kFigure, m_figure)
        .Byte(q::kTrendMarket, m_market)
        .Byte(q::kRows, m_screen.rows)
        .Byte(q::kPage, static_cast<uint8_t>(page))
        .Char(q::kDirection, m_direction)
        .Raw(q::kKey, key);
    if (body.Ok()) SendPlainRequest(m_screen.code, packet, sizeof packet);
    return;
  }
  namespace d = vxtr::daily;
  unsigned char packet[TR_HEADER_SIZE + d::kRequestSize];
  vxwire::Writer body(packet + TR_HEADER_SIZE, d::kRequestSize);
  body.Text(d::kCode, GetItemCodeField())
      .Byte(d::kRows, m_screen.rows)
      .Byte(d::kPage, static_cast<uint8_t>(page))
      .Char(d::kDirection, m_direction)
      .Raw(d::kKey, key);
  if (body.Ok()) SendPlainRequest(m_screen.code, packet, sizeof packet);
}

void CDayListDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  if (code == m_screen.code) FillPage(body, len);
}

LRESULT CDayListDlg::OnPacket(WPARAM wParam, LPARAM lParam) {
  LRESULT handled = OnVxPacket(wParam, lParam);
  if (handled) FocusItemCombo();
  return handled;
}

void CDayListDlg::FillPage(const unsigned char* body, int len) {
  vxwire::Reader reply(body, len);
  if (!reply.Has(t::kNextKey)) return ReportShortReply(m_screen.code);
  // The key of the next page goes into its slot; a page beyond the table has none, and "다음"
  // stops there.
  const int more = reply.Byte(t::kMore);
  const bool taken = m_paging.Take(m_paging.page, reply.At(t::kNextKey), more);
  if (!taken || more == 0 || more == 1) vxskel::EnableControl(this, kBtnNext, m_paging.CanGoNext());
  vxskel::EnableControl(this, kBtnPrev, m_paging.page > 1);

  const int size = m_screen.kind == Days::Investors ? t::kTrendSize : t::kForeignSize;
  const int n = vxskel::RecordsHeld(reply.SignedByte(t::kCount), len, t::kRecordsAt, size);
  if (!ResetRows(n)) return;
  for (int i = 0; i < n; ++i) {
    vxwire::Reader rec = reply.Record(t::kRecordsAt, static_cast<size_t>(size), i);
    char date[NET_VALUE_STR_SIZE] = {};
    get_net_value_str(NV_DATE_YMD, rec.At(t::kDate), date, 0, sizeof date);
    vxskel::SetLabelCell(m_grid->get_cell(0, i), date, LabelFont());
    if (m_screen.kind == Days::Investors)
      FillInvestors(i, rec);
    else
      FillForeign(i, rec);
  }
  m_grid->redraw();
}

void CDayListDlg::SetCell(int column, int row, const char* text, COLORREF fg) {
  if (V_Grid_Cell* c = m_grid->get_cell(column, row)) {
    c->set_text(text, -1);
    c->set_str_flag(kRight);
    c->set_fg(fg);
  }
}

void CDayListDlg::FillInvestors(int row, const vxwire::Reader& rec) {
  const char sign = rec.Char(t::kIndexSign);
  const COLORREF fg = GetRGBColor(sign);
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(NV_FLOAT2, rec.At(t::kIndex), text, 0, sizeof text);
  SetCell(1, row, text, fg);
  char mark[4] = {};
  G_GetUpdownChar(mark, sign);
  SetCell(2, row, mark, fg);
  if (V_Grid_Cell* c = m_grid->get_cell(2, row)) c->set_str_flag(kCentred);
  get_net_value_str(NV_FLOAT2, rec.At(t::kIndexChange), text, 0, sizeof text);
  SetCell(3, row, text, fg);
  for (int g = 0; g < 3; ++g) SetCell(4 + g, row, vxwire::Grouped(rec.Number(t::kGroups[g])).c_str());
}

void CDayListDlg::FillForeign(int row, const vxwire::Reader& rec) {
  const char sign = rec.Char(t::kSign);
  const COLORREF fg = GetRGBColor(sign);
  vxskel::SetPriceCells(m_grid.get(), row, 1, rec.At(t::kClose), sign, rec.At(t::kChange), fg);
  if (V_Grid_Cell* c = m_grid->get_cell(1, row)) c->set_fg(0);  // the price stays black
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(NV_PERCENT2, rec.At(t::kRate), text, 0, sizeof text);
  SetCell(4, row, text, fg);
  get_net_value_str(NV_INT3, rec.At(t::kHoldings), text, 1, sizeof text);
  SetCell(5, row, text);
  get_net_value_str(NV_PERCENT2, rec.At(t::kExhaustion), text, 0, sizeof text);
  SetCell(6, row, text);
}

}  // namespace vxdays
