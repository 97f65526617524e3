#include "ranking.h"

#include <algorithm>
#include <cstdio>

#include "glimmet/net_value.h"
#include "vxbase/code_manager.h"
#include "vxbase/messages.h"
#include "vxskeleton/tr_layouts.h"

namespace vxrank {

namespace r = vxtr::ranking;

namespace {

constexpr COLORREF kLabelBg = 0x8CDFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr int kLeft = 1, kCentred = 0, kRight = 2;

const WCHAR* const kPriceTitles[] = {u"종목명", u"현재가", u"", u"전일비", u"거래량"};
const int kPriceWidths[] = {61, 50, 15, 50, 60};
const int kInvestorWidths[] = {66, 55, 55, 60};
const WCHAR* const kEcnTitles[] = {u"순 위",       u"종목명",   u"종 가",    u"", u"대 비", u"ECN거래량",
                                   u"ECN거래대금", u"매도잔량", u"매수잔량", u"", u"",      u""};
const int kEcnWidths[] = {35, 80, 55, 15, 50, 80, 80, 80, 100, 1, 1, 1};

}  // namespace

// Between combo 1002 (bottom 86) and "< 이전" (top 256), two pixels from each.
const vxskel::GridSetup kPriceGrid = {kGrid, 17, kPriceTitles, 5, kPriceWidths, 17, 0, true, true, {1, 88, 238, 166}};
const vxskel::GridSetup kInvestorGrid = {kGrid, 0, nullptr, 4, kInvestorWidths, 16, 0, true, true, {1, 88, 238, 166}};
const vxskel::GridSetup kEcnGridSetup = {kEcnGrid, 17, kEcnTitles, 12,    kEcnWidths,
                                         17,       9,  false,      false, {1, 92, 238, 185}};

BEGIN_MESSAGE_MAP(CRankingDlg, vxskel::CListScreenDlg)
ON_MESSAGE(WM_VX_REQUERY, OnRequery)
ON_MESSAGE(WM_VX_PACKET, OnPacket)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

void CRankingDlg::OnInitScreen() {
  CListScreenDlg::OnInitScreen();
  int combo = m_screen.ecn ? kSortCombo : kKindCombo;
  if (auto* kinds = static_cast<CComboBox*>(GetDlgItem(combo))) {
    for (int i = 0; i < m_screen.choiceCount; ++i) kinds->AddString(m_screen.choices[i].text);
    kinds->SetCurSel(0);
  }
  if (m_screen.ecn) {
    if (auto* markets = static_cast<CComboBox*>(GetDlgItem(kMarketCombo))) {
      markets->AddString(u"KOSPI");
      markets->AddString(u"KOSDAQ");
      markets->SetCurSel(0);
    }
    vxskel::EnableControl(this, kBtnPrev, false);
    if (m_pCodeManager) m_pCodeManager->ReadECNCode();
  } else {
    CheckRadioButton(kBtnKospi, kBtnKosdaq, kBtnKospi);
  }
  if (m_screen.pagingOffAtStart) {
    vxskel::EnableControl(this, kBtnNext, false);
    vxskel::EnableControl(this, kBtnPrev, false);
  }
}

uint8_t CRankingDlg::SelectedKind() const {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(m_screen.ecn ? kSortCombo : kKindCombo));
  int sel = combo ? combo->GetCurSel() : -1;
  if (sel < 0 || sel >= m_screen.choiceCount) return m_kind;
  return m_screen.choices[sel].kind;
}

void CRankingDlg::Restart() {
  m_kind = SelectedKind();
  m_page = 1;
}

BOOL CRankingDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  int id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (code == CBN_SELCHANGE && (id == kKindCombo || id == kSortCombo || id == kMarketCombo)) {
    if (id == kMarketCombo)
      if (auto* markets = static_cast<CComboBox*>(GetDlgItem(kMarketCombo)))
        m_market = std::max(0, markets->GetCurSel());
    Restart();
    if (m_screen.ecn) {
      vxskel::EnableControl(this, kBtnPrev, false);
      vxskel::EnableControl(this, kBtnNext, true);
    }
    StartWait();
    SendPage();
    return TRUE;
  }
  if (code == BN_CLICKED && lParam) {
    switch (id) {
      case vxskel::kBtnQuery:
        // The item already accepted, not what the combo holds now; ZR4170 starts at page 1.
        if (m_screen.ecn) m_page = 1;
        StartWait();
        if (m_screen.listBeforeQuote) SendPage();
        RequestItemBase();
        if (!m_screen.listBeforeQuote) SendPage();
        return TRUE;
      case kBtnKospi:
      case kBtnKosdaq:
        if (m_screen.ecn) break;
        m_market = id == kBtnKospi ? 1 : 2;
        CheckRadioButton(kBtnKospi, kBtnKosdaq, id);
        Restart();
        StartWait();
        SendPage();
        return TRUE;
      case kBtnNext: Next(); return TRUE;
      case kBtnPrev: Previous(); return TRUE;
      default: break;
    }
  }
  return CListScreenDlg::OnCommand(wParam, lParam);
}

// Only while the last reply offered a further page, and never past the last page a byte numbers.
void CRankingDlg::Next() {
  if (m_more == 0) {
    vxskel::EnableControl(this, kBtnNext, false);
    return;
  }
  if (m_more != 1 || m_page >= kLastPage) return;
  ++m_page;
  StartWait();
  SendPage();
  if (m_screen.ecn) vxskel::EnableControl(this, kBtnPrev, true);
}

void CRankingDlg::Previous() {
  if (m_page < 2) return;
  --m_page;
  StartWait();
  SendPage();
}

void CRankingDlg::OnQuery() {
  GetItemCodeFromComboBox();
  if (m_screen.waitOnQuery) StartWait();
  if (m_screen.ecn) {
    SendPage();
    RequestItemBase();
    return;
  }
  RequestItemBase();
  SendPage();
}

void CRankingDlg::OnNewItem(bool) {
  StartWait();
  RequestItemBase();
  if (m_screen.ecn) SendPage();
}

LRESULT CRankingDlg::OnRequery(WPARAM, LPARAM) {
  if (!m_screen.requery) return 0;
  SetItemCodeToComboBox();
  StartWait();
  RequestItemBase();
  return 0;
}

void CRankingDlg::RequestItemBase() {
  if (m_screen.ecn)
    RequestStockBaseThroughPacketLayer(u"ERROR:패킷 구성 4101");
  else
    RequestStockBase();
}

void CRankingDlg::SendPage() {
  unsigned char packet[TR_HEADER_SIZE + r::kRequestSize];
  vxwire::Writer body(packet + TR_HEADER_SIZE, r::kRequestSize);
  const auto page = static_cast<uint8_t>(std::clamp(m_page, 1, kLastPage));
  const auto market = static_cast<uint8_t>(m_market);
  if (m_screen.order == RequestOrder::MarketFirst)
    body.Byte(r::kMarket, market).Byte(r::kKind, m_kind).Byte(r::kPage, page).Byte(r::kRows, m_screen.rows);
  else
    body.Byte(r::kRowsFirst, m_screen.rows)
        .Byte(r::kPageSecond, page)
        .Byte(r::kMarketThird, market)
        .Byte(r::kKindLast, m_kind);
  if (body.Ok()) SendPlainRequest(m_screen.code, packet, sizeof packet);
}

void CRankingDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  if (code == m_screen.code) FillPage(body, len);
}

LRESULT CRankingDlg::OnPacket(WPARAM wParam, LPARAM lParam) {
  LRESULT handled = OnVxPacket(wParam, lParam);
  if (handled && !m_screen.ecn) FocusItemCombo();
  return handled;
}

HBRUSH CRankingDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  if (m_screen.ecn && wnd && wnd->GetDlgCtrlID() == kMarketCombo) return CDialog::OnCtlColor(dc, wnd, kind);
  return CListScreenDlg::OnCtlColor(dc, wnd, kind);
}

void CRankingDlg::FillPage(const unsigned char* body, int len) {
  vxwire::Reader reply(body, len);
  if (!reply.Has(r::kCount)) return ReportShortReply(m_screen.code);
  int more = reply.Byte(r::kMore);
  if (more == 0 || more == 1) {
    m_more = more;
    vxskel::EnableControl(this, kBtnNext, more == 1 && m_page < kLastPage);
  }
  vxskel::EnableControl(this, kBtnPrev, m_page > 1);

  int size = m_screen.rowKind == Rows::Prices      ? r::kPriceSize
             : m_screen.rowKind == Rows::Investors ? r::kInvestorSize
                                                   : r::kEcnSize;
  int n = vxskel::RecordsHeld(reply.SignedByte(r::kCount), len, r::kRecordsAt, size);
  m_count = n;
  if (n == 0 && m_screen.keepRowsWhenEmpty) return;
  const bool labels = m_screen.rowKind == Rows::Investors;
  if (!ResetRows(n + (labels ? 1 : 0))) return;
  if (labels) {
    const WCHAR* texts[] = {u"종목명", u"매수수량", u"매도수량", m_kind == 1 ? u"순매수" : u"순매도"};
    for (int c = 0; c < 4; ++c) {
      V_Grid_Cell* cell = m_grid->get_cell(c, 0);
      if (!cell) continue;
      vxskel::SetLabelCell(cell, "", LabelFont());
      cell->set_text(texts[c], -1);
      cell->set_bg(kLabelBg);
    }
  }
  for (int i = 0; i < n; ++i) {
    vxwire::Reader rec = reply.Record(r::kRecordsAt, static_cast<size_t>(size), i);
    switch (m_screen.rowKind) {
      case Rows::Prices: FillPrices(i, rec); break;
      case Rows::Investors: FillInvestors(i + 1, rec); break;
      case Rows::Ecn: FillEcn(i, (m_page - 1) * m_screen.rows + i + 1, rec); break;
    }
  }
  m_grid->redraw();
}

void CRankingDlg::SetText(int column, int row, const std::string& text, int align) {
  if (V_Grid_Cell* c = m_grid->get_cell(column, row)) {
    c->set_text(text.c_str(), -1);
    c->set_str_flag(align);
  }
}

void CRankingDlg::SetNumber(int column, int row, int kind, const unsigned char* value, int mode) {
  char text[NET_VALUE_STR_SIZE] = {};
  if (value) get_net_value_str(kind, value, text, mode, sizeof text);
  SetText(column, row, text, kRight);
}

void CRankingDlg::FillPrices(int row, const vxwire::Reader& rec) {
  SetText(0, row, rec.Shown(r::kName, 12), kLeft);
  char sign = rec.Char(r::kSign);
  vxskel::SetPriceCells(m_grid.get(), row, 1, rec.At(r::kPrice), sign, rec.At(r::kChange), GetRGBColor(sign));
  SetNumber(4, row, NV_INT3, rec.At(r::kVolume), 1);
}

void CRankingDlg::FillInvestors(int row, const vxwire::Reader& rec) {
  SetText(0, row, rec.Shown(r::kInvestorName, 14), kLeft);
  SetNumber(1, row, NV_INT3, rec.At(r::kBought), 1);
  SetNumber(2, row, NV_INT3, rec.At(r::kSold), 1);
  SetNumber(3, row, NV_INT3, rec.At(r::kNet), 1);
}

void CRankingDlg::FillEcn(int row, int rank, const vxwire::Reader& rec) {
  SetText(0, row, std::to_string(rank), kCentred);
  SetText(1, row, rec.Shown(r::kEcnName, 12), kLeft);
  char sign = rec.Char(r::kEcnSign);
  vxskel::SetPriceCells(m_grid.get(), row, 2, rec.At(r::kEcnPrice), sign, rec.At(r::kEcnChange), GetRGBColor(sign));
  // The closing price stays black; the mark and the change take the sign's colour.
  if (V_Grid_Cell* c = m_grid->get_cell(2, row)) c->set_fg(kBlack);
  SetNumber(5, row, NV_INT3, rec.At(r::kEcnVolume), 0);
  SetNumber(6, row, NV_INT3, rec.At(r::kEcnValue), 0);
  SetNumber(7, row, NV_INT2, rec.At(r::kAskWaiting), 0);
  SetNumber(8, row, NV_INT2, rec.At(r::kBidWaiting), 0);
}

}  // namespace vxrank
