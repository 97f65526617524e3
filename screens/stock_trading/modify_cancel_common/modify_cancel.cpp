#include "modify_cancel.h"

#include <algorithm>
#include <cstring>

#include "vxbase/money.h"
#include "vxbase/prop_ce.h"

namespace vxchange {

namespace {

constexpr uint16_t kTrModify = 2320;
constexpr uint16_t kTrCancel = 2330;
#define VX_HANDOVER_ORDER_NO (u"WonOrdNo")

struct OrderType {
  const WCHAR* entry;
  char code;
  bool takesPrice;
};
constexpr OrderType kTypes[] = {{u"00 보통", '1', true}, {u"03 시장가", '2', false}, {u"05 조건부지정가", '3', true}};
constexpr int kTypeCount = static_cast<int>(std::size(kTypes));
constexpr const WCHAR* kKindEntries[] = {u"1.일부", u"2.잔량"};
constexpr const WCHAR* kKindNames[] = {u"일부", u"잔량"};
constexpr const WCHAR* kQuickMoves[] = {u"빠른이동", u"주식매도", u"주식매수", u"주식정정",
                                        u"주식취소", u"ECN시세",  u"ECN주문",  u"챠    트"};

CString ShownAccount(const std::string& digits) {
  CString d = CString::FromMultiByte(digits.c_str());
  return d.Left(8) + CString(u"-") + d.Right(2);
}

}  // namespace

bool DigitsForBody(const CString& shown, int maxDigits, std::string& digits) {
  return vxwire::ShownDigits(shown.ToMultiByte(), static_cast<size_t>(maxDigits), digits);
}

bool BuildChangeBody(const ChangeFields& f, bool cancel, unsigned char (&body)[kBodySize]) {
  namespace c = vxtr::change;
  vxwire::Writer w(body);
  if (f.code.size() != static_cast<size_t>(c::kCode.width) || f.password.empty()) return false;
  w.AccountAuth(vxtr::kAccount, vxtr::kPassword, f.account, f.password)
      .Digits(c::kTarget, f.target)
      .Char(c::kFiller, '0')
      .Text(c::kCode, f.code)
      .Digits(c::kQuantity, f.quantity)
      .Digits(c::kPrice, cancel ? std::string_view("00000000") : std::string_view(f.price))
      .Char(c::kKind, f.byte44)
      .Char(c::kCondition, f.byte45);
  return w.Ok();
}

CChangeOrderDlg::CChangeOrderDlg(const ChangeScreen& screen, const vxskel::ScreenConfig& config)
    : CVXScreenDlg(config), m_screen(screen) {}

CChangeOrderDlg::~CChangeOrderDlg() = default;

void CChangeOrderDlg::OnInitScreen() {
  if (auto* pw = static_cast<CEdit*>(GetDlgItem(kPassword))) pw->LimitText(kPasswordBytes);
  if (auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind))) {
    kind->ResetContent();
    for (const WCHAR* e : kKindEntries) kind->AddString(e);
    kind->SetCurSel(0);
  }
  if (!m_screen.cancel) {
    if (auto* type = static_cast<CComboBox*>(GetDlgItem(kType))) {
      type->ResetContent();
      for (const OrderType& t : kTypes) type->AddString(t.entry);
      type->SetCurSel(0);
    }
  }
  // The remembered account is shown when there is one.
  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE)) {
    CString memo = reg.GetValue(VX_ACCOUNT_MEMO);
    if (memo.GetLength() >= 10)
      if (CWnd* combo = GetDlgItem(kAccount)) combo->SetWindowText(vxskel::AccountDisplay(memo));
    if (!m_screen.cancel) {
      // An order number handed over in the registry is offered once.
      CString number = reg.GetValue(VX_HANDOVER_ORDER_NO);
      std::string digits = number.ToMultiByte();
      if (vxwire::AllDigits(digits) && digits != "0" && digits.size() <= static_cast<size_t>(kTargetDigits))
        SetDlgItemText(kTarget, number);
      reg.SetValue(VX_HANDOVER_ORDER_NO, DWORD(0));
    }
  }
  ReadHandOver();
  if (m_screen.cancel) {
    if (auto* quick = static_cast<CComboBox*>(GetDlgItem(IDC_QUICK_MOVE))) {
      for (const WCHAR* e : kQuickMoves) quick->AddString(e);
      quick->SetCurSel(0);
    }
  }
  SetItemCodeField(0);
}

void CChangeOrderDlg::ReadHandOver() {
  vxpick::PickFields f;
  const char* file = m_screen.cancel ? vxpick::kCancelFile : vxpick::kModifyFile;
  if (!vxpick::TakeRecord(file, !m_screen.cancel, f)) return;
  SetDlgItemText(kTarget, CString::FromMultiByte(f.number.c_str()));
  SetDlgItemText(kQuantity, CString::FromMultiByte(f.quantity.c_str()));
  if (!m_screen.cancel) SetDlgItemText(kPrice, CString::FromMultiByte(f.price.c_str()));
  SetDlgItemText(IDC_ITEM_EDIT, CString::FromMultiByte(f.code.c_str()));  // runs the item-code chain
}

void CChangeOrderDlg::OnQuery() {
  SetItemCodeField(0);
  CString code;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(code);
  CString shown;
  GetDlgItemText(IDC_ITEM_EDIT, shown);
  if (shown != code) SetDlgItemText(IDC_ITEM_EDIT, code);  // runs the item-code chain
  if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
}

void CChangeOrderDlg::SetEditOpen(UINT id, bool open, bool empty) {
  CWnd* w = GetDlgItem(static_cast<int>(id));
  if (!w) return;
  if (open) {
    bool wasClosed = !w->IsWindowEnabled();
    if (auto* e = static_cast<CEdit*>(w)) e->SetReadOnly(FALSE);
    w->EnableWindow(TRUE);
    // A "0" left by a closed edit is no value of the user's.
    if (empty || wasClosed) w->SetWindowText(u"");
  } else {
    w->EnableWindow(FALSE);
    w->SetWindowText(u"0");
  }
}

void CChangeOrderDlg::ApplyKindAndType() {
  bool part = m_kind == 0;
  if (m_screen.cancel) {
    SetEditOpen(kQuantity, part, true);
    return;
  }
  bool takesPrice = kTypes[m_type].takesPrice;
  SetEditOpen(kQuantity, part, false);
  SetEditOpen(kPrice, takesPrice, true);
  if (takesPrice) {
    UINT next = part ? kQuantity : kPrice;
    if (CWnd* w = GetDlgItem(static_cast<int>(next))) w->SetFocus();
  }
}

void CChangeOrderDlg::OnCheckBox(int id) {
  int other = id == kOddLot ? kAfterHours : kOddLot;
  if (IsDlgButtonChecked(static_cast<int>(id)) == BST_CHECKED) {
    m_cancelType = id == kOddLot ? '5' : '4';
    CheckDlgButton(other, BST_UNCHECKED);
  } else {
    m_cancelType = '1';
  }
}

BOOL CChangeOrderDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  int id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (lParam != 0) {
    if (id == kTarget && code == EN_CHANGE) {
      CString t;
      GetDlgItemText(kTarget, t);
      if (t.GetLength() == kTargetDigits)
        if (CWnd* q = GetDlgItem(kQuantity)) q->SetFocus();
    }
    if (id == kKind && code == CBN_SELENDOK) {
      auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind));
      int sel = kind ? kind->GetCurSel() : -1;
      if (sel == 0 || sel == 1) {
        m_kind = sel;
        ApplyKindAndType();
      }
      return TRUE;
    }
    if (!m_screen.cancel && id == kType && code == CBN_SELENDOK) {
      auto* type = static_cast<CComboBox*>(GetDlgItem(kType));
      int sel = type ? type->GetCurSel() : -1;
      if (sel >= 0 && sel < kTypeCount) {
        m_type = sel;
        ApplyKindAndType();
      }
      return TRUE;
    }
    if (code == BN_CLICKED) {
      if (m_screen.cancel && (id == kOddLot || id == kAfterHours)) {
        OnCheckBox(id);
        return TRUE;
      }
      switch (id) {
        case kConfirm: ConfirmAndSend(); return TRUE;
        case kClear: ClearInput(); return TRUE;
        case IDC_BTN_FINDER: OnBtnScoutlet(); return TRUE;
        case kFindIntoEdit: OnFind(); return TRUE;
        default: break;
      }
    }
  }
  return CVXScreenDlg::OnCommand(wParam, lParam);
}

void CChangeOrderDlg::ClearInput() {
  SetDlgItemText(kTarget, u"");
  if (!m_screen.cancel) {
    SetDlgItemText(kPassword, u"");
    if (CWnd* p = GetDlgItem(kPrice); p && p->IsWindowEnabled()) p->SetWindowText(u"");
  }
  if (CWnd* q = GetDlgItem(kQuantity); q && q->IsWindowEnabled()) q->SetWindowText(u"");
}

void CChangeOrderDlg::Refuse(const WCHAR* text, int control) {
  MessageBox(text, u"", MB_OK);
  if (CWnd* w = GetDlgItem(control)) w->SetFocus();
}

void CChangeOrderDlg::ConfirmAndSend() {
  CString account, password, code, target, quantity, price, typeName;
  GetDlgItemText(kAccount, account);
  GetDlgItemText(kPassword, password);
  GetDlgItemText(IDC_ITEM_EDIT, code);
  GetDlgItemText(kTarget, target);
  GetDlgItemText(kQuantity, quantity);
  if (!m_screen.cancel) {
    GetDlgItemText(kPrice, price);
    GetDlgItemText(kType, typeName);
  }

  ChangeFields f;
  f.account = vxskel::AccountDigits(account).ToMultiByte();
  f.password = password.ToMultiByte();
  f.code = code.ToMultiByte();
  f.target = target.ToMultiByte();
  struct WipeOnExit {
    std::string& s;
    ~WipeOnExit() { vxwire::Wipe(s); }
  } wipe{f.password};

  if (account.IsEmpty() || f.account.size() != 10 || !vxwire::AllDigits(f.account))
    return Refuse(u"계좌번호를 선택하세요", kAccount);
  if (password.GetLength() < 4 || f.password.size() > static_cast<size_t>(kPasswordBytes))
    return Refuse(u"비밀번호를 입력하세요", kPassword);
  if (code.GetLength() != 5 || f.code.size() != 5) return Refuse(u"종목코드를 입력하세요", IDC_ITEM_EDIT);
  if (!m_screen.cancel && typeName.IsEmpty()) return Refuse(u"정정구분을 선택하세요", kType);
  if (target.IsEmpty()) return Refuse(u"원주문번호를 입력하세요", kTarget);
  if (target.GetLength() > kTargetDigits || !vxwire::AllDigits(f.target))
    return Refuse(u"원주문번호는 5자리 이하로 입력하셔야 합니다.", kTarget);

  bool part = m_kind == 0;
  if (m_screen.cancel) {
    // All that is left needs no quantity; a part must say how much, in digits that fit.
    if (!part) {
      quantity = u"0";
      f.quantity.assign(1, '0');
    } else if (quantity.IsEmpty()) {
      return Refuse(u"취소수량을 입력하세요", kQuantity);
    } else if (!DigitsForBody(quantity, kQuantityDigits, f.quantity)) {
      return Refuse(u"취소수량은 9,999,999주까지 숫자로 입력하세요", kQuantity);
    }
    f.byte44 = part ? '1' : '2';
    f.byte45 = m_cancelType;
  } else {
    const OrderType& t = kTypes[m_type];
    if (quantity.IsEmpty()) return Refuse(u"정정수량을 입력하세요", kQuantity);
    if (t.takesPrice && price.IsEmpty()) return Refuse(u"정정가격을 입력하세요", kPrice);
    if (!part) {
      quantity = u"0";
      f.quantity.assign(1, '0');
    } else if (!DigitsForBody(quantity, kQuantityDigits, f.quantity)) {
      return Refuse(u"정정수량은 9,999,999주까지 숫자로 입력하세요", kQuantity);
    }
    if (!t.takesPrice) {
      price = u"0";
      f.price.assign(1, '0');
    } else if (!DigitsForBody(price, kPriceDigits, f.price)) {
      return Refuse(u"정정가격은 99,999,999원까지 숫자로 입력하세요", kPrice);
    }
    f.byte44 = t.code;
    f.byte45 = part ? '1' : '2';
  }

  CString name;
  GetDlgItemText(vxskel::kItemName, name);
  CString shownAccount = ShownAccount(f.account);
  CString kindName = kKindNames[part ? 0 : 1];
  CString text;
  int answer;
  if (m_screen.cancel) {
    text.Format(
        u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n원주문번호: %s\n취소구분: %s\n취소수량: %s 주",
        shownAccount, code, name, u"취소주문", target, part ? u"일 부" : u"잔 량", quantity);
    answer = MessageBox(text, u"주문내역확인", MB_OKCANCEL | MB_ICONQUESTION);
  } else {
    text.Format(
        u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n정정구분: %s\n주문단가: %s 원\n주문수량: %s 주",
        shownAccount, code, name, u"정정주문", kindName, price, quantity);
    answer = MessageBox(text, u"주문확인", MB_OKCANCEL | MB_ICONQUESTION);
  }
  if (answer == IDOK) {
    unsigned char body[kBodySize];
    if (BuildChangeBody(f, m_screen.cancel, body) &&
        SendEncrypted(m_screen.cancel ? kTrCancel : kTrModify, body, kBodySize))
      m_sent = Sent{shownAccount, code, name, kindName, price, quantity};
    std::memset(body, 0, sizeof body);
  }
  if (!m_screen.cancel) SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
}

void CChangeOrderDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  if (code != (m_screen.cancel ? kTrCancel : kTrModify)) return;
  vxwire::Reader reply(body, len);
  CString number;
  if (!ReadOrderNumber(reply, vxtr::change::kNewNumber, code, &number)) return;
  CString text;
  if (m_screen.cancel) {
    text.Format(u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n취소구분: %s\n주문수량: %s 주\n주문번호: %s",
                m_sent.account, m_sent.code, m_sent.name, u"취소주문", m_sent.kind, m_sent.quantity, number);
  } else {
    text.Format(
        u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n정정구분: %s\n주문단가: %s원\n주문수량: %s "
        u"주\n주문번호: %s",
        m_sent.account, m_sent.code, m_sent.name, u"정정주문", m_sent.kind, m_sent.price, m_sent.quantity, number);
  }
  MessageBox(text, u"주문처리결과", MB_OK | MB_ICONINFORMATION);
  SetDlgItemText(kQuantity, u"");
  SetDlgItemText(kTarget, u"");
  SetDlgItemText(kPassword, u"");
  if (m_screen.cancel) {
    m_kind = 0;
    if (auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind))) kind->SetCurSel(0);
  } else {
    SetDlgItemText(kPrice, u"");
    m_type = 0;
    if (auto* type = static_cast<CComboBox*>(GetDlgItem(kType))) type->SetCurSel(0);
  }
  ApplyKindAndType();
  if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
}

}  // namespace vxchange
