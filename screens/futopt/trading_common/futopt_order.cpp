#include "futopt_order.h"

#include <algorithm>
#include <cstring>

#include "vxbase/messages.h"

namespace vxfo {

namespace {

constexpr UINT kOpenPositionsScreen = 96019;

const vxskel::GoToButton kSellGoTo[] = {{IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, true},
                                        {kOpenPositions, kOpenPositionsScreen, false}};
const vxskel::GoToButton kGoTo[] = {{IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, true}};

// "1234567803" -> "12345678-03", as the boxes show an account.
CString BoxAccount(const std::string& digits) {
  CString d = CString::FromMultiByte(digits.c_str());
  return d.Left(8) + CString(u"-") + d.Right(2);
}

std::string Cp949(CWnd* dlg, int id) {
  CString text;
  if (dlg->GetDlgItem(id)) dlg->GetDlgItemText(id, text);
  return text.ToMultiByte();
}

}  // namespace

vxskel::ScreenConfig MakeConfig(const OrderScreen& s) {
  vxskel::ScreenConfig c = vxskel::FutOptScreenConfig(s.moduleName, s.title, vxskel::FoForm::Picked, true);
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  // The 4th password character moves on to the next box the order needs.
  c.passwordNext = s.kind == OrderKind::Modify ? kBox1015 : s.kind == OrderKind::Cancel ? kBox1010 : kQuantity;
  // The buy and modify screens hide the shell's bars again after every owner-drawn item; the sell
  // screen never does; the cancel screen after its finder button, as the quote screens.
  if (s.kind == OrderKind::Buy || s.kind == OrderKind::Modify) c.fullScreenAfterEveryDraw = true;
  if (s.kind == OrderKind::Sell) c.finderCount = 0;
  if (s.kind == OrderKind::Sell) {
    c.goTo = kSellGoTo;
    c.goToCount = std::size(kSellGoTo);
  } else {
    c.goTo = kGoTo;
    c.goToCount = std::size(kGoTo);
  }
  return c;
}

vxskel::FutOptSetup MakeSetup() {
  vxskel::FutOptSetup s;
  s.form = vxskel::FoForm::Picked;
  s.orderNameStatic = kOrderName;
  return s;
}

BEGIN_MESSAGE_MAP(COrderDlg, vxskel::CFutOptScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnOrderPacket)
END_MESSAGE_MAP()

COrderDlg::COrderDlg(const OrderScreen& screen, const vxskel::ScreenConfig& config, const vxskel::FutOptSetup& setup)
    : CFutOptScreenDlg(config, setup), m_screen(screen) {}

COrderDlg::~COrderDlg() = default;

void COrderDlg::OnInitScreen() {
  CFutOptScreenDlg::OnInitScreen();
  if (auto* type = static_cast<CComboBox*>(GetDlgItem(kType))) {
    type->ResetContent();
    for (const OrderType& t : kOrderTypes) type->AddString(t.entry);
    type->SetCurSel(0);
  }
  if (auto* pw = static_cast<CEdit*>(GetDlgItem(kPassword))) pw->LimitText(static_cast<int>(kPasswordBytes));
  if (m_screen.kind == OrderKind::Buy)
    if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
}

int COrderDlg::SelectedType() {
  auto* type = static_cast<CComboBox*>(GetDlgItem(kType));
  int sel = type ? type->GetCurSel() : -1;
  return sel >= 0 && sel < kOrderTypeCount ? sel : -1;
}

void COrderDlg::ApplyOrderType(int index) {
  if (index < 0 || index >= kOrderTypeCount) return;
  auto* price = static_cast<CEdit*>(GetDlgItem(kBox1010));
  SetDlgItemText(kQuantity, u"");
  if (!price) return;
  if (kOrderTypes[index].priced) {
    price->EnableWindow(TRUE);
    price->SetWindowText(u"");
    if (CWnd* q = GetDlgItem(kQuantity)) q->SetFocus();
  } else {
    price->SetWindowText(u"0");
    price->EnableWindow(FALSE);
  }
}

void COrderDlg::ClearInput() {
  SetDlgItemText(kPassword, u"");
  if (m_screen.kind == OrderKind::Cancel) {
    SetDlgItemText(kBox1015, u"");
    SetDlgItemText(kBox1010, u"");
    return;
  }
  SetDlgItemText(kQuantity, u"");
  SetDlgItemText(kBox1010, u"");
}

BOOL COrderDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (lParam != 0) {
    if (id == kType && code == CBN_SELENDOK && m_screen.kind != OrderKind::Cancel) {
      ApplyOrderType(SelectedType());
      return TRUE;
    }
    if (code == EN_CHANGE && id == OriginalBox() && m_screen.kind >= OrderKind::Modify) {
      CString text;
      GetDlgItemText(id, text);
      if (text.GetLength() == static_cast<int>(kOriginalDigits))
        if (CWnd* next = GetDlgItem(QuantityBox())) next->SetFocus();
    }
    if (code == EN_CHANGE && id == kQuantity && m_screen.kind == OrderKind::Sell) {
      CString text;
      GetDlgItemText(id, text);
      if (text.GetLength() > 9) MessageBox(u"주문수량을 확인해 주십시요.", u"", MB_OK);
    }
    if (code == EN_CHANGE && id == kBox1010 && m_screen.kind <= OrderKind::Buy) {
      CString text;
      GetDlgItemText(id, text);
      if (text.GetLength() > 8) MessageBox(u"주문금액을 확인해 주십시요.", u"", MB_OK);
    }
    if (code == BN_CLICKED && id == kConfirm) {
      ConfirmAndSend();
      return TRUE;
    }
    if (code == BN_CLICKED && id == kClear) {
      ClearInput();
      return TRUE;
    }
  }
  return CFutOptScreenDlg::OnCommand(wParam, lParam);
}

void COrderDlg::Refuse(const Refusal& r) {
  MessageBox(r.text, u"", MB_OK);
  if (CWnd* w = GetDlgItem(r.control)) w->SetFocus();
}

void COrderDlg::ConfirmAndSend() {
  const OrderKind kind = m_screen.kind;
  CString account;
  GetDlgItemText(kAccount, account);
  OrderInput in;
  in.account = vxskel::AccountDigits(account).ToMultiByte();
  in.password = Cp949(this, kPassword);
  in.code = Cp949(this, kOrderCode);
  in.type = kind == OrderKind::Cancel ? 0 : SelectedType();
  if (kind == OrderKind::Modify || kind == OrderKind::Cancel) in.original = Cp949(this, OriginalBox());
  in.quantity = Cp949(this, QuantityBox());
  if (kind != OrderKind::Cancel) in.price = Cp949(this, kBox1010);

  if (auto refusal = CheckOrder(kind, in)) {
    vxwire::Wipe(in.password);
    return Refuse(*refusal);
  }
  CString code = CString::FromMultiByte(in.code.c_str());
  CString name, quantity = CString::FromMultiByte(in.quantity.c_str());
  CString price = CString::FromMultiByte(PriceForBody(kind, in).c_str());
  GetDlgItemText(kOrderName, name);
  CString shown = BoxAccount(in.account);
  CString text;
  switch (kind) {
    case OrderKind::Sell:
    case OrderKind::Buy:
      text.Format(u"계좌번호: %s\n종목코드: %s\n주문구분: %s\n종 목  명: %s\n주문수량: %s 계약\n주문단가: %s pt", shown,
                  code, m_screen.side, name, quantity, price);
      break;
    case OrderKind::Modify:
      text.Format(u"계좌번호: %s\n주문유형: 정 정\n종목코드: %s\n종 목  명: %s\n주문수량: %s 계약\n주문단가: %s pt",
                  shown, code, name, quantity, price);
      break;
    case OrderKind::Cancel:
      text.Format(u"계좌번호: %s\n주문유형: 취 소\n종목코드: %s\n종 목  명: %s\n주문수량: %s 계약", shown, code, name,
                  quantity);
      break;
  }
  int answer = MessageBox(text, u"주문 확인", MB_OKCANCEL | MB_ICONQUESTION);
  SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  if (answer == IDOK) {
    unsigned char body[kMaxBody];
    int n = BuildOrderBody(kind, in, body);
    if (n > 0 && SendEncrypted(OrderCode(kind), body, n)) m_sent.Push(SentOrder{name, quantity, price});
    std::memset(body, 0, sizeof body);
  }
  vxwire::Wipe(in.password);
}

LRESULT COrderDlg::OnOrderPacket(WPARAM wParam, LPARAM lParam) {
  const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
  return m_sent.Answer(packet && TrGetU16(packet + 4) == OrderCode(m_screen.kind),
                       [&] { return OnVxPacket(wParam, lParam); });
}

void COrderDlg::OnFutOptReply(uint16_t code, const unsigned char* body, int len) {
  const OrderKind kind = m_screen.kind;
  if (code != OrderCode(kind)) return;
  vxwire::Reader reply(body, len);
  const vxwire::Field& numberField = kind == OrderKind::Sell || kind == OrderKind::Buy
                                         ? vxtr::futopt_order::kOrderNumber
                                         : vxtr::futopt_change::kNewNumber;
  CString number;
  if (!ReadOrderNumber(reply, numberField, code, &number)) return;
  static const SentOrder kUnknown;
  const SentOrder& o = m_sent.Current() ? *m_sent.Current() : kUnknown;
  CString text;
  if (kind == OrderKind::Cancel)
    text.Format(u"종 목  명: %s\n주문구분: 취 소\n주문수량: %s 계약\n주문번호: %s", o.name, o.quantity, number);
  else
    text.Format(u"종 목  명: %s\n주문구분: %s\n주문수량: %s 계약\n주문단가: %s pt\n주문번호: %s", o.name, m_screen.side,
                o.quantity, o.price, number);
  MessageBox(text, u"주문처리결과", MB_OK | MB_ICONINFORMATION);
  SetDlgItemText(kPassword, u"");
  if (kind != OrderKind::Cancel) ApplyOrderType(SelectedType());
  if (kind != OrderKind::Buy)
    if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
  if (kind == OrderKind::Modify || kind == OrderKind::Cancel) {
    KillTimer(vxskel::kReplyTimer);
    EndWaitCursor();
  }
}

}  // namespace vxfo
