#include "order_entry.h"

#include <cstring>

#include "glimmet/net_value.h"
#include "vxbase/base_strip.h"
#include "vxbase/code_manager.h"
#include "vxbase/money.h"
#include "vxbase/prop_ce.h"

namespace vxorder {

namespace {

#define VX_HANDOVER_PRICE (u"Price")

// "1234567801" -> "12345678-01", as the confirmation and the result show an account.
CString ConfirmAccount(const std::string& digits) {
  CString d = CString::FromMultiByte(digits.c_str());
  return d.Left(8) + CString(u"-") + d.Right(2);
}

}  // namespace

bool NumberForBody(const CString& shown, int maxDigits, std::string& digits) {
  return vxwire::ShownDigits(shown.ToMultiByte(), static_cast<size_t>(maxDigits), digits);
}

bool BuildOrderBody(const OrderFields& f, unsigned char (&body)[kBodySize]) {
  namespace o = vxtr::order;
  vxwire::Writer w(body);
  if (f.code.size() != static_cast<size_t>(kCodeBytes) || f.type < '1' || f.type > '5' || f.password.empty())
    return false;
  w.AccountAuth(vxtr::kAccount, vxtr::kPassword, f.account, f.password)
      .Char(o::kFiller, '0')
      .Text(o::kCode, f.code)
      .Digits(o::kQuantity, f.quantity)
      .Digits(o::kPrice, f.price)
      .Char(o::kType, f.type);
  return w.Ok();
}

// ---- Dialog ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(COrderEntryDlg, vxskel::CVXScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnOrderPacket)
END_MESSAGE_MAP()

COrderEntryDlg::COrderEntryDlg(const OrderScreen& screen, const vxskel::ScreenConfig& config)
    : CVXScreenDlg(config), m_screen(screen) {}

COrderEntryDlg::~COrderEntryDlg() = default;

void COrderEntryDlg::OnInitScreen() {
  if (m_screen.shortAccountEntries) FillShortAccountEntries();
  if (auto* type = static_cast<CComboBox*>(GetDlgItem(kType))) {
    type->ResetContent();
    for (int i = 0; i < TypeCount(); ++i) type->AddString(m_screen.typeTexts ? m_screen.typeTexts[i] : Types()[i].name);
    type->SetCurSel(0);
  }
  if (auto* pw = static_cast<CEdit*>(GetDlgItem(kPassword))) pw->LimitText(kPasswordBytes);
  if (m_screen.emptyPriceBeforeHandOver) SetDlgItemText(kPrice, u"");
  if (m_screen.takesPriceHandOver) ReadHandOver();
  if (m_screen.ecnItems && m_pCodeManager) m_pCodeManager->ReadECNCode();
  if (m_screen.reloadItemCodes) InitItemCode(IDC_ITEM_COMBO);
}

void COrderEntryDlg::FillShortAccountEntries() {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(kAccount));
  if (!combo) return;
  combo->ResetContent();
  long count = GetAccountCount();
  for (long i = 0; i < count && i < 1000; ++i) {
    CString acct;
    GetAccount(static_cast<int>(i), acct);
    combo->AddString(acct.GetLength() >= 10 ? acct.Left(8) + CString(u"-") + acct.Right(2) : acct);
  }
  CPropCE reg;
  CString memo;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE)) memo = reg.GetValue(VX_ACCOUNT_MEMO);
  // The remembered account is shown in the long form, as every other stock screen shows it.
  if (!memo.IsEmpty())
    combo->SetWindowText(vxskel::AccountDisplay(memo));
  else if (count > 0)
    combo->SetCurSel(0);
}

void COrderEntryDlg::ReadHandOver() {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE)) return;
  // A price tapped in a quote screen is offered once: the value is spent by this start.
  CString price = reg.GetValue(VX_HANDOVER_PRICE);
  if (!price.IsEmpty()) SetDlgItemText(kPrice, price);
  reg.SetValue(VX_HANDOVER_PRICE, DWORD(0));
}

int COrderEntryDlg::SelectedType() {
  auto* type = static_cast<CComboBox*>(GetDlgItem(kType));
  int sel = type ? type->GetCurSel() : -1;
  return sel >= 0 && sel < TypeCount() ? sel : -1;
}

void COrderEntryDlg::ApplyOrderType(int index) {
  if (index < 0 || index >= TypeCount()) return;
  if (auto* type = static_cast<CComboBox*>(GetDlgItem(kType))) type->SetCurSel(index);
  auto* price = static_cast<CEdit*>(GetDlgItem(kPrice));
  if (!price) return;
  if (Types()[index].takesPrice) {
    price->SetReadOnly(FALSE);
    price->EnableWindow(TRUE);
    if (!m_screen.keepPriceOnType) price->SetWindowText(u"");
    if (CWnd* q = GetDlgItem(kQuantity)) q->SetFocus();
  } else {
    price->EnableWindow(FALSE);
    price->SetWindowText(u"0");
  }
}

void COrderEntryDlg::OnQuery() {
  // The ECN screens ask for the quote once more after the chain has asked for it.
  SetItemCodeField(m_screen.ecnItems ? 1 : 0);
  CString code;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(code);
  SetDlgItemText(IDC_ITEM_EDIT, code);  // runs the item-code chain
  if (m_screen.ecnItems) RequestItemBase();
  if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
}

void COrderEntryDlg::RequestItemBase() {
  if (m_screen.packetLayerBaseRequest)
    RequestStockBaseThroughPacketLayer();
  else
    RequestStockBase();
}

BOOL COrderEntryDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  int id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (lParam != 0) {
    if (id == kType && code == CBN_SELENDOK) {
      ApplyOrderType(SelectedType());
      return TRUE;
    }
    if (code == BN_CLICKED) {
      switch (id) {
        case kConfirm: ConfirmAndSend(); return TRUE;
        case kClear:
          if (m_screen.priceFromBase) {
            // The price shown is the item's quote: "지움" leaves it for the next order.
            SetDlgItemText(kQuantity, u"");
            SetDlgItemText(kPassword, u"");
          } else {
            ClearInput();
          }
          return TRUE;
        case kFinder:
          if (m_screen.ecnItems)
            OnBtnECNScoutlet();
          else
            OnBtnScoutlet();
          return TRUE;
        case kFindIntoEdit:
          if (m_screen.ecnItems)
            OnBtnECNScoutlet();
          else
            OnFind();
          return TRUE;
        default: break;
      }
    }
  }
  return CVXScreenDlg::OnCommand(wParam, lParam);
}

void COrderEntryDlg::ClearInput() {
  SetDlgItemText(kQuantity, u"");
  SetDlgItemText(kPrice, u"");
  SetDlgItemText(kPassword, u"");
}

void COrderEntryDlg::Refuse(const WCHAR* text, int control) {
  MessageBox(text, u"", MB_OK);
  if (CWnd* w = GetDlgItem(control)) w->SetFocus();
}

void COrderEntryDlg::ConfirmAndSend() {
  CString account, password, code, quantity, price, typeName;
  GetDlgItemText(kAccount, account);
  GetDlgItemText(kPassword, password);
  GetDlgItemText(IDC_ITEM_EDIT, code);
  GetDlgItemText(kQuantity, quantity);
  GetDlgItemText(kPrice, price);
  int type = SelectedType();
  if (type >= 0) typeName = Types()[type].name;

  OrderFields f;
  f.account = vxskel::AccountDigits(account).ToMultiByte();
  f.password = password.ToMultiByte();
  f.code = code.ToMultiByte();
  // The account must be a whole account number: first 8 and last 2 characters, all digits.
  if (account.IsEmpty() || f.account.size() != static_cast<size_t>(kAccountDigits) ||
      f.account.find_first_not_of("0123456789") != std::string::npos)
    return Refuse(u"계좌번호를 선택하세요", kAccount);
  if (password.GetLength() < 4 || f.password.size() > static_cast<size_t>(kPasswordBytes))
    return Refuse(u"비밀번호를 입력하세요", kPassword);
  if (code.GetLength() != kCodeBytes || f.code.size() != static_cast<size_t>(kCodeBytes))
    return Refuse(u"종목코드를 입력하세요", IDC_ITEM_EDIT);
  if (typeName.IsEmpty()) return Refuse(u"매매유형을 선택하세요", kType);
  if (quantity.IsEmpty()) return Refuse(u"주문수량을 입력하세요", kQuantity);
  const OrderType& t = Types()[type];
  if (t.takesPrice && price.IsEmpty()) return Refuse(u"주문가격을 입력하세요", kPrice);
  // The body has room for 7 quantity digits and 8 price digits, the edits for 10 characters:
  // an order that would not travel as shown is refused before it is confirmed.
  if (!NumberForBody(quantity, kQuantityDigits, f.quantity))
    return Refuse(u"주문수량은 9,999,999주까지 숫자로 입력하세요", kQuantity);
  if (!t.takesPrice) {
    price = u"0";
    f.price.assign(1, '0');
  } else if (!NumberForBody(price, kPriceDigits, f.price)) {
    return Refuse(u"주문가격은 99,999,999원까지 숫자로 입력하세요", kPrice);
  }
  f.type = t.code;
  if (m_sentCount == kInFlight) {
    MessageBox(u"앞선 주문의 처리결과를 기다리고 있습니다", u"", MB_OK);
    return;
  }

  CString name;
  GetDlgItemText(m_screen.nameStatic, name);
  CString shownAccount = ConfirmAccount(f.account);
  CString text;
  text.Format(
      u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n매매유형: %s\n주문단가: %s 원\n주문수량: %s 주",
      shownAccount, code, name, m_screen.confirmSide, typeName, price, quantity);
  int answer = MessageBox(text, u"주문 확인", MB_OKCANCEL | MB_ICONQUESTION);
  if (answer == IDOK) {
    unsigned char body[kBodySize];
    if (BuildOrderBody(f, body)) {
      if (SendEncrypted(m_screen.trCode, body, kBodySize)) {
        m_sent[(m_sentHead + m_sentCount) % kInFlight] = SentOrder{shownAccount, code, name, typeName, price, quantity};
        ++m_sentCount;
      }
    }
    std::memset(body, 0, sizeof body);
  }
  std::fill(f.password.begin(), f.password.end(), '\0');
  SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
}

LRESULT COrderEntryDlg::OnOrderPacket(WPARAM wParam, LPARAM lParam) {
  const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
  // Every reply of the order transaction answers the oldest open order: accepted, refused by
  // the server or unreadable alike.
  if (packet && TrGetU16(packet + 4) == m_screen.trCode && m_sentCount > 0) {
    m_replyFor = m_sentHead;
    m_sentHead = (m_sentHead + 1) % kInFlight;
    --m_sentCount;
  }
  LRESULT result = OnVxPacket(wParam, lParam);
  m_replyFor = -1;
  // A base quote that was shown (so it held a whole record) offers its price for the order.
  if (m_screen.priceFromBase && result == 1 && TrGetU16(packet + 4) == TR_STOCK_BASE) {
    if (!Config().plainReplies)
      FillPriceFromBase(m_recv);
    else
      FillPriceFromBase(lParam ? reinterpret_cast<const unsigned char*>(lParam) : packet + TR_HEADER_SIZE);
  }
  return result;
}

void COrderEntryDlg::FillPriceFromBase(const unsigned char* body) {
  const auto* rec = reinterpret_cast<const BASE_DATA_4101*>(body);
  char text[NET_VALUE_STR_SIZE];
  if (!get_net_value_str(NV_INT2, rec->price, text, 0, sizeof text)) return;
  SetDlgItemText(kPrice, CString::FromMultiByte(text));
}

void COrderEntryDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  if (code != m_screen.trCode) return;
  vxwire::Reader reply(body, len);
  CString number;
  if (!ReadOrderNumber(reply, vxtr::order::kOrderNumber, code, &number)) return;
  static const SentOrder kUnknown;
  const SentOrder& o = m_replyFor >= 0 ? m_sent[m_replyFor] : kUnknown;
  CString text;
  text.Format(
      u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n매매유형: %s\n주문단가: %s원\n주문수량: %s "
      u"주\n주문번호: %s",
      o.account, o.code, o.name, m_screen.resultSide, o.type, o.price, o.quantity, number);
  MessageBox(text, u"주문처리결과", MB_OK | MB_ICONINFORMATION);
  ClearInput();
  ApplyOrderType(0);
  if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
}

}  // namespace vxorder
