#include "futopt_account.h"

#include <cstring>

#include "glimmet/net_value.h"

namespace vxfo {

namespace {

constexpr COLORREF kLabelBg = 0x8CDFFF;
constexpr int kOrderRows = 7, kPositionRows = 15;

const vxskel::GoToButton kOrdersGoTo[] = {{IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, false}};
const vxskel::GoToButton kPositionsGoTo[] = {
    {IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, false}, {kSellScreen, 96012, false}, {kBuyScreen, 96013, false}};
const vxskel::GoToButton kDepositGoTo[] = {{IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, false}, {9800, 96020, false}};

// The rows of the deposit grid: label, then the cash, substitute and total fields (null: empty).
struct DepositRow {
  const char* label;  // code page 949
  const vxwire::Field* cash;
  const vxwire::Field* substitute;
  const vxwire::Field* total;
};
namespace d = vxtr::futopt_deposit;
// "예 탁 금", "위탁증거금", "인출가능액", "주문가능액", "유지증거금", "추가증거금"
const DepositRow kDepositRows[] = {
    {"\xbf\xb9 \xc5\xb9 \xb1\xdd", &d::kDepositCash, &d::kDepositSubstitute, &d::kDepositTotal},
    {"\xc0\xa7\xc5\xb9\xc1\xf5\xb0\xc5\xb1\xdd", &d::kMarginCash, &d::kMarginSubstitute, &d::kMarginTotal},
    {"\xc0\xce\xc3\xe2\xb0\xa1\xb4\xc9\xbe\xd7", &d::kWithdrawableCash, &d::kWithdrawableSubstitute,
     &d::kWithdrawableTotal},
    {"\xc1\xd6\xb9\xae\xb0\xa1\xb4\xc9\xbe\xd7", &d::kOrderableCash, &d::kOrderableSubstitute, &d::kOrderableTotal},
    {"\xc0\xaf\xc1\xf6\xc1\xf5\xb0\xc5\xb1\xdd", &d::kMaintenanceCash, nullptr, &d::kMaintenanceTotal},
    {"\xc3\xdf\xb0\xa1\xc1\xf5\xb0\xc5\xb1\xdd", &d::kAdditionalCash, nullptr, &d::kAdditionalTotal},
};
// The first row's label before any reply: two blanks between its syllables.
const char kDepositFirstLabel[] = "\xbf\xb9  \xc5\xb9  \xb1\xdd";

void Cell(V_Grid* grid, int column, int row, const std::string& text, int align) {
  if (V_Grid_Cell* c = grid->get_cell(column, row)) {
    c->set_text(text.c_str(), -1);
    c->set_str_flag(align);
  }
}

}  // namespace

vxskel::ScreenConfig MakeAccountConfig(const AccountScreen& s) {
  vxskel::ScreenConfig c = vxskel::FutOptScreenConfig(s.moduleName, s.title, vxskel::FoForm::Picked, false);
  c.accountCombo = kAccount;
  // The orders and deposit screens hide the shell's bars again after every owner-drawn item; the
  // positions screen never does.
  c.fullScreenAfterEveryDraw = s.kind != AccountKind::Positions;
  if (s.kind == AccountKind::Positions) c.finderCount = 0;
  switch (s.kind) {
    case AccountKind::Orders:
      c.passwordEdit = kPassword;
      c.passwordNext = kFilter;
      c.goTo = kOrdersGoTo;
      c.goToCount = std::size(kOrdersGoTo);
      break;
    case AccountKind::Positions:
      c.passwordEdit = kPassword;
      c.passwordNext = kSend;
      c.goTo = kPositionsGoTo;
      c.goToCount = std::size(kPositionsGoTo);
      break;
    case AccountKind::Deposit:
      c.passwordEdit = kDepositPassword;
      c.goTo = kDepositGoTo;
      c.goToCount = std::size(kDepositGoTo);
      break;
  }
  return c;
}

vxskel::FutOptSetup MakeAccountSetup() {
  vxskel::FutOptSetup s;
  s.form = vxskel::FoForm::Picked;
  return s;
}

CAccountDlg::CAccountDlg(const AccountScreen& screen, const vxskel::ScreenConfig& config,
                         const vxskel::FutOptSetup& setup)
    : CFutOptScreenDlg(config, setup), m_screen(screen) {}

CAccountDlg::~CAccountDlg() { vxskel::DeleteGrid(m_grid); }

BOOL CAccountDlg::DestroyWindow() {
  vxskel::DeleteGrid(m_grid);  // while its parent window still exists
  return CFutOptScreenDlg::DestroyWindow();
}

uint16_t CAccountDlg::Code() const {
  return m_screen.kind == AccountKind::Orders ? 5304 : m_screen.kind == AccountKind::Positions ? 5401 : 5400;
}

void CAccountDlg::OnInitScreen() {
  CFutOptScreenDlg::OnInitScreen();
  m_grid = vxskel::CreateGrid(this, LabelFont(), m_screen.grid);
  if (m_screen.kind == AccountKind::Deposit) {
    DepositRows();
    if (m_grid) Cell(m_grid.get(), 0, 0, kDepositFirstLabel, 0);
  }
  if (m_screen.kind == AccountKind::Orders) {
    // "당일", "전일", "전전일"; "전체", "체결", "미체결"
    static const WCHAR* const kDates[] = {u"당일", u"전일", u"전전일"};
    static const WCHAR* const kFilters[] = {u"전체", u"체결", u"미체결"};
    if (auto* date = static_cast<CComboBox*>(GetDlgItem(kDate))) {
      date->ResetContent();
      for (const WCHAR* t : kDates) date->AddString(t);
      date->SetCurSel(0);
    }
    if (auto* filter = static_cast<CComboBox*>(GetDlgItem(kFilter))) {
      filter->ResetContent();
      for (const WCHAR* t : kFilters) filter->AddString(t);
      filter->SetCurSel(0);
    }
  }
  if (auto* pw = static_cast<CEdit*>(GetDlgItem(Config().passwordEdit)))
    pw->LimitText(static_cast<int>(kPasswordBytes));
}

void CAccountDlg::DepositRows() {
  if (!m_grid) return;
  m_grid->remove_all_row();
  for (const DepositRow& r : kDepositRows) {
    int row = m_grid->get_row_count();
    if (!m_grid->add_row()) break;
    vxskel::SetLabelCell(m_grid->get_cell(0, row), r.label, LabelFont());
    if (V_Grid_Cell* c = m_grid->get_cell(0, row)) c->set_bg(kLabelBg);
  }
}

void CAccountDlg::Restart() {
  m_page = 0;
  // The first page is asked for without a key: a key left from the last page would name
  // another place in the list than its start.
  std::memset(m_key, 0, sizeof m_key);
  SendRequest();
  vxskel::EnableControl(this, kNext, true);
}

void CAccountDlg::SendRequest() {
  CString account, password;
  GetDlgItemText(kAccount, account);
  GetDlgItemText(Config().passwordEdit, password);
  std::string digits = vxskel::AccountDigits(account).ToMultiByte();
  std::string pw = password.ToMultiByte();
  unsigned char body[vxtr::futopt_inquiry::kRequestSize];
  int size = 0;
  bool ok = false;
  // The screens send without checking the password: the server answers an empty one.
  auto head = [&](vxwire::Writer& w) {
    w.Digits(vxtr::kAccount, digits);
    if (!pw.empty()) w.Text(vxtr::kPassword, pw);
  };
  switch (m_screen.kind) {
    case AccountKind::Orders: {
      namespace q = vxtr::futopt_inquiry;
      vxwire::Writer w(body);
      head(w);
      w.Char(q::kFilter, m_filter)
          .Byte(q::kDate, m_date)
          .Byte(q::kPage, m_page)
          .Byte(q::kRows, kOrderRows)
          .Raw(q::kKey, m_key);
      ok = w.Ok();
      size = q::kRequestSize;
      break;
    }
    case AccountKind::Positions: {
      namespace p = vxtr::futopt_positions;
      vxwire::Writer w(body, p::kRequestSize);
      head(w);
      w.Byte(p::kPage, m_page).Byte(p::kRows, kPositionRows);
      ok = w.Ok();
      size = p::kRequestSize;
      break;
    }
    case AccountKind::Deposit: {
      vxwire::Writer w(body, vxtr::futopt_deposit::kRequestSize);
      head(w);
      ok = w.Ok();
      size = vxtr::futopt_deposit::kRequestSize;
      break;
    }
  }
  vxwire::Wipe(pw);
  if (!ok) {
    std::memset(body, 0, sizeof body);
    MessageBox(digits.size() != vxtr::kAccount.width ? u"계좌번호를 선택하세요" : u"비밀번호를 확인하세요", u"", MB_OK);
    return;
  }
  SendForAccount(Code(), body, size);
  std::memset(body, 0, sizeof body);
}

BOOL CAccountDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (lParam != 0) {
    if (code == BN_CLICKED && (id == kSend || id == kFirst)) {
      if (m_screen.kind == AccountKind::Deposit)
        SendRequest();
      else
        Restart();
      return TRUE;
    }
    if (code == BN_CLICKED && id == kNext && m_screen.kind != AccountKind::Deposit) {
      // A page past the last, or past the numbers a page byte holds, is never asked for.
      if (m_more != 'Y' || m_page == 0xFF) {
        vxskel::EnableControl(this, kNext, false);
        return TRUE;
      }
      ++m_page;
      SendRequest();
      return TRUE;
    }
    if (code == CBN_SELCHANGE && m_screen.kind == AccountKind::Orders && (id == kDate || id == kFilter)) {
      auto* combo = static_cast<CComboBox*>(GetDlgItem(id));
      int sel = combo ? combo->GetCurSel() : -1;
      if (sel >= 0 && sel < 3) {
        if (id == kDate)
          m_date = static_cast<uint8_t>(sel);
        else
          m_filter = static_cast<char>('0' + sel);
      }
      return TRUE;
    }
    if (code == EN_CHANGE && id == kDepositPassword && m_screen.kind == AccountKind::Deposit) {
      CString pw;
      GetDlgItemText(id, pw);
      if (pw.GetLength() > 4) {
        SetDlgItemText(id, u"");
        MessageBox(u"비밀번호는 4자리이내로 입력하셔야 합니다.", u"", MB_OK);
      }
    }
  }
  return CFutOptScreenDlg::OnCommand(wParam, lParam);
}

void CAccountDlg::OnFutOptReply(uint16_t code, const unsigned char* body, int len) {
  if (code != Code()) return;
  vxwire::Reader reply(body, len);
  switch (m_screen.kind) {
    case AccountKind::Orders: ShowOrders(reply); break;
    case AccountKind::Positions: ShowPositions(reply); break;
    case AccountKind::Deposit: ShowDeposit(reply); break;
  }
}

void CAccountDlg::ShowOrders(const vxwire::Reader& reply) {
  namespace q = vxtr::futopt_inquiry;
  if (!reply.Has(q::kReplyKey)) return ReportShortReply(Code());
  const int n =
      vxskel::RecordsHeld(reply.SignedByte(q::kCount), static_cast<int>(reply.Size()), q::kRecordsAt, q::kRecordSize);
  // Every row is read before any is shown: a reply with a row that is not what its layout says
  // shows nothing.
  std::array<std::string, kOrderColumns> rows[127];
  for (int i = 0; i < n; ++i) {
    auto cells = OrderRowTexts(reply.Record(q::kRecordsAt, q::kRecordSize, i));
    if (!cells) return ReportBadReply(Code());
    rows[i] = *cells;
  }
  m_more = reply.Char(q::kNext);
  std::memcpy(m_key, reply.At(q::kReplyKey), sizeof m_key);
  if (!m_grid) return;
  m_grid->remove_all_row();
  // Number centred, name left, kind, type and state centred, the numbers right.
  static const int kAlign[kOrderColumns] = {0, 1, 0, 0, 2, 2, 2, 2, 2, 0};
  for (int i = 0; i < n; ++i) {
    if (!m_grid->add_row()) break;
    for (int c = 0; c < kOrderColumns; ++c) Cell(m_grid.get(), c, i, rows[i][static_cast<size_t>(c)], kAlign[c]);
  }
  m_grid->redraw();
}

void CAccountDlg::ShowPositions(const vxwire::Reader& reply) {
  namespace p = vxtr::futopt_positions;
  if (!reply.Has(p::kCount)) return ReportShortReply(Code());
  const int n =
      vxskel::RecordsHeld(reply.SignedByte(p::kCount), static_cast<int>(reply.Size()), p::kRecordsAt, p::kRecordSize);
  std::array<std::string, kPositionColumns> rows[127];
  for (int i = 0; i < n; ++i) {
    auto cells = PositionRowTexts(reply.Record(p::kRecordsAt, p::kRecordSize, i));
    if (!cells) return ReportBadReply(Code());
    rows[i] = *cells;
  }
  m_more = reply.Char(p::kNext);
  if (!m_grid) return;
  m_grid->remove_all_row();
  static const int kAlign[kPositionColumns] = {0, 0, 0, 2, 2, 2};
  for (int i = 0; i < n; ++i) {
    if (!m_grid->add_row()) break;
    for (int c = 0; c < kPositionColumns; ++c) Cell(m_grid.get(), c, i, rows[i][static_cast<size_t>(c)], kAlign[c]);
  }
  m_grid->redraw();
}

void CAccountDlg::ShowDeposit(const vxwire::Reader& reply) {
  if (!reply.Has(vxtr::futopt_deposit::kAdditionalTotal)) return ReportShortReply(Code());
  if (!m_grid) return;
  DepositRows();
  int row = 0;
  for (const DepositRow& r : kDepositRows) {
    const vxwire::Field* fields[3] = {r.cash, r.substitute, r.total};
    for (int c = 0; c < 3; ++c) {
      if (!fields[c]) continue;
      char text[NET_VALUE_STR_SIZE];
      if (!get_net_value_str(NV_INT3, reply.At(*fields[c]), text, 0, sizeof text)) text[0] = '\0';
      Cell(m_grid.get(), c + 1, row, text, 2);
    }
    ++row;
  }
  m_grid->redraw();
}

}  // namespace vxfo
