#include "balance.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "glimmet/net_value.h"

namespace balance {

namespace {

void WipeText(CString& text) {
  for (int i = 0; i < text.GetLength(); ++i) text.SetAt(i, u'\0');
  text.Empty();
}

}  // namespace

bool PutAccountAuth(unsigned char* out, const CString& shownAccount, const CString& password) {
  std::string account = vxskel::AccountDigits(shownAccount).ToMultiByte();
  std::string pw = password.ToMultiByte();
  if (pw.size() > static_cast<size_t>(kPasswordBytes)) pw.resize(kPasswordBytes);
  vxwire::Writer w(out, kAuthSize);
  w.Digits(vxtr::kAccount, account.size() == 10 ? account : std::string()).Text(vxtr::kPassword, pw);
  vxwire::Wipe(pw);
  return w.Ok();
}

bool IsNegativeSign(unsigned char sign) { return sign == '4' || sign == '-'; }

std::string AmountText(const unsigned char* value6) {
  char text[32] = {};
  get_net_value_str(NV_INT3, value6, text, 0, sizeof text);
  return text;
}

std::string ProfitText(unsigned char sign, const unsigned char* value6) {
  int64_t value = get_net_value(value6, 6);
  bool negative = IsNegativeSign(sign) || value < 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string text = vxwire::Grouped(static_cast<int64_t>(magnitude));
  return negative && magnitude ? "-" + text : text;
}

std::string RateText(unsigned char sign, const unsigned char* rate4) {
  vxwire::Reader rate(rate4, 4);
  int whole = rate.Short({"rate", 0, 2, vxwire::Kind::Short});
  int hundredths = rate.Short({"rate_hundredths", 2, 2, vxwire::Kind::Short});
  bool negative = IsNegativeSign(sign) || whole < 0 || hundredths < 0;
  // Both parts as one magnitude in hundredths: a hundredths part beyond 99 carries over.
  int64_t total = static_cast<int64_t>(std::abs(whole)) * 100 + std::abs(hundredths);
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%02lld%%", negative && total ? "-" : "", static_cast<long long>(total / 100),
                static_cast<long long>(total % 100));
  return text;
}

const AvailableRow kAvailable[kAvailableRows] = {
    {u"예  수  금", vxtr::available::kDeposit.at},          {u"증거금현금", vxtr::available::kMarginCash.at},
    {u"증거금대용", vxtr::available::kMarginSubstitute.at}, {u"현금미수금", vxtr::available::kUnpaid.at},
    {u"재매수가능금액", vxtr::available::kRebuy.at},        {u"코스닥주문가능금액", vxtr::available::kKosdaq.at},
    {u"거래소주문가능금액", vxtr::available::kExchange.at}, {u"주문가능현금", vxtr::available::kCash.at},
};

bool Read4401(const unsigned char* body, int len, Page& out) {
  namespace e = vxtr::evaluation;
  out = Page{};
  vxwire::Reader r(body, len);
  if (r.Size() < static_cast<size_t>(e::kRecordsAt)) return false;
  out.key = r.At(e::kReplyKey);
  out.next = r.Char(e::kNext);
  out.rows = vxskel::RecordsHeld(r.SignedByte(e::kCount), len, e::kRecordsAt, e::kRecordSize);
  out.first = body + e::kRecordsAt;
  return true;
}

bool Read4450(const unsigned char* body, int len, Page& out) {
  namespace s = vxtr::sellable;
  out = Page{};
  vxwire::Reader r(body, len);
  if (r.Size() < static_cast<size_t>(s::kRecordsAt)) return false;
  out.key = r.At(s::kReplyKey);
  out.page = r.Byte(s::kReplyPage);
  out.next = r.Char(s::kNext);
  out.rows = vxskel::RecordsHeld(r.SignedByte(s::kCount), len, s::kRecordsAt, s::kRecordSize);
  out.first = body + s::kRecordsAt;
  return true;
}

// A page is what its layout says when its next flag is 'Y' or 'N', its row count is not negative
// and `rowSound` holds for each of its rows.
template <typename RowCheck>
bool SoundPage(const unsigned char* body, const Page& page, const vxwire::Field& next, const vxwire::Field& count,
               int recordsAt, int recordSize, RowCheck rowSound) {
  vxwire::Reader r(body, recordsAt);
  if (!vxskel::IsNextFlag(r.Char(next)) || r.SignedByte(count) < 0) return false;
  for (int i = 0; i < page.rows; ++i)
    if (!rowSound(vxwire::Reader(page.first + i * recordSize, recordSize))) return false;
  return true;
}

bool Sound4401(const unsigned char* body, const Page& page) {
  namespace e = vxtr::evaluation;
  return SoundPage(body, page, e::kNext, e::kCount, e::kRecordsAt, e::kRecordSize,
                   [](const vxwire::Reader& row) { return row.IsText(e::kName) && row.IsText(e::kBalanceKind); });
}

bool Sound4450(const unsigned char* body, const Page& page) {
  namespace s = vxtr::sellable;
  return SoundPage(body, page, s::kNext, s::kCount, s::kRecordsAt, s::kRecordSize, [](const vxwire::Reader& row) {
    return row.IsText(s::kBalanceKind) && row.IsDigits(s::kCode) && row.IsText(s::kName);
  });
}

void Row4401Texts(const unsigned char* row, std::string (&cells)[k4401Columns]) {
  namespace e = vxtr::evaluation;
  vxwire::Reader r(row, e::kRecordSize);
  unsigned char sign = static_cast<unsigned char>(r.Char(e::kSign));
  cells[0] = r.Shown(e::kName, 10);                // 종목명
  cells[1] = AmountText(r.At(e::kToday));          // 금일잔고
  cells[2] = AmountText(r.At(e::kD2));             // D+2잔고
  cells[3] = ProfitText(sign, r.At(e::kProfit));   // 평가손익
  cells[4] = RateText(sign, r.At(e::kRateWhole));  // 수익률 (whole part, then hundredths)
  cells[5] = AmountText(r.At(e::kAverage));        // 평균가
  cells[6] = AmountText(r.At(e::kCurrent));        // 현재가
  cells[7] = AmountText(r.At(e::kValue));          // 평가액
  cells[8] = r.Shown(e::kBalanceKind, 8);          // 잔고구분
}

void Row4450Texts(const unsigned char* row, std::string (&cells)[k4450Columns]) {
  namespace s = vxtr::sellable;
  vxwire::Reader r(row, s::kRecordSize);
  cells[0] = r.Shown(s::kCode, 5);             // 종목코드: the code without its leading '0'
  cells[1] = r.Shown(s::kName, 10);            // 종목명
  cells[2] = AmountText(r.At(s::kOrderable));  // 주문가능
  cells[3] = r.Shown(s::kBalanceKind, 8);      // 잔고구분
}

// ---- Dialog base ------------------------------------------------------------------------------

CBalanceDlg::~CBalanceDlg() = default;

void CBalanceDlg::CreateGrid(const GridLayout& g) {
  if (!m_gridFont.GetSafeHandle()) m_gridFont.CreatePointFont(85, u"돋움");
  m_grid = std::make_unique<V_Grid>();
  HFONT font = static_cast<HFONT>(m_gridFont.GetSafeHandle());
  if (m_grid->init(m_hWnd, g.id, g.headerHeight, g.titles, g.columns, g.widths, g.rowHeight, g.initialRows, font,
                   g.fixedFirst) != 0) {
    m_grid.reset();
    return;
  }
  m_grid->set_location(g.x, g.y, g.width, g.height);
  m_grid->set_select_flag(g.selectMode);
  m_grid->set_if_mode(VGRID_IF_MESSAGE);
  m_grid->set_visible(1);
}

CString CBalanceDlg::CurrentAccount() {
  CString shown;
  if (CWnd* combo = GetDlgItem(Config().accountCombo)) combo->GetWindowText(shown);
  return vxskel::AccountDigits(shown);
}

bool CBalanceDlg::ReadAuth(unsigned char* body, bool checkPassword) {
  UpdateData(TRUE);
  CString shown, password;
  if (CWnd* combo = GetDlgItem(Config().accountCombo)) combo->GetWindowText(shown);
  GetDlgItemText(kPassword, password);
  bool ok = true;
  if (checkPassword && password.GetLength() < 4) {
    MessageBox(u"비밀번호를 확인하세요", u"", MB_OK);
    if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
    ok = false;
  } else if (!PutAccountAuth(body, shown, password)) {
    MessageBox(u"계좌번호를 확인하세요", u"", MB_OK);
    if (CWnd* combo = GetDlgItem(Config().accountCombo)) combo->SetFocus();
    ok = false;
  }
  WipeText(password);
  return ok;
}

BOOL CBalanceDlg::SendRequest(uint16_t code, unsigned char* body, int len) {
  BOOL sent = SendForAccount(code, body, len);
  std::memset(body, 0, static_cast<size_t>(len));
  return sent;
}

void CBalanceDlg::EnableButton(UINT id, bool enable) {
  if (CWnd* w = GetDlgItem(static_cast<int>(id))) w->EnableWindow(enable ? TRUE : FALSE);
}

void CBalanceDlg::SetCell(int column, int row, const std::string& cp949) {
  if (!m_grid) return;
  if (V_Grid_Cell* cell = m_grid->get_cell(column, row)) cell->set_text(cp949.c_str(), -1);
}

void CBalanceDlg::ClearRows(int emptyRows) {
  if (!m_grid) return;
  m_grid->remove_all_row();
  for (int i = 0; i < emptyRows; ++i) m_grid->add_row();
  m_grid->redraw();
}

void CPagedBalanceDlg::OnQuery() {
  SetItemCodeField(0);
  RequestStockBase();
  if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
}

BOOL CPagedBalanceDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (id == m_accountCombo && code == CBN_SELCHANGE) {
    ResetPaging();
    ClearRows(m_rowsPerPage);
  }
  if (code == BN_CLICKED && lParam) {
    if (id == kBtnSend || id == kBtnFirst) {
      SendPage(true, id == kBtnSend);
      return TRUE;
    }
    if (id == kBtnNext) {
      OnNextPage();
      return TRUE;
    }
  }
  return CBalanceDlg::OnCommand(wParam, lParam);
}

}  // namespace balance
