#include "zr4380.h"

#include <cstring>
#include <algorithm>
#include <iterator>

#include "pick_record.h"
#include "vxbase/base_strip.h"
#include "vxbase/code_manager.h"
#include "vxbase/money.h"

namespace vxecncancel {

bool BuildCancelBody(const CancelFields& f, unsigned char (&body)[kBodySize]) {
  namespace c = vxtr::ecn_cancel;
  vxwire::Writer w(body);
  if (f.code.size() != static_cast<size_t>(c::kCode.width) || f.password.empty() || (f.kind != '1' && f.kind != '2'))
    return false;
  w.AccountAuth(vxtr::kAccount, vxtr::kPassword, f.account, f.password)
      .Digits(c::kTarget, f.target)
      .Char(c::kFiller, '0')
      .Text(c::kCode, f.code)
      .Digits(c::kQuantity, f.quantity)
      .Char(c::kKind, f.kind);
  return w.Ok();
}

}  // namespace vxecncancel

namespace {

using namespace vxecncancel;

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr int kNoId = -1;

// The screen's own controls; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    // Item-code row: recent codes, the ECN finder, item name, quick move.
    {u"STATIC", kNoId, u" 계좌번호", kLabel, 0, 0, 68, 60, 18},
    {u"COMBOBOX", kAccount, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 62, 66, 130, 110},
    {u"STATIC", kNoId, u" 계좌비밀", kLabel, 0, 0, 90, 60, 18},
    {u"EDIT", kPassword, u"", kEdit | ES_PASSWORD | ES_NUMBER, 0, 62, 88, 64, 20},
    {u"STATIC", kNoId, u"[계좌비밀번호]", kLabel, 0, 130, 90, 110, 18},
    {u"STATIC", kNoId, u" 종목코드", kLabel, 0, 0, 112, 60, 18},
    {u"EDIT", IDC_ITEM_EDIT, u"", kEdit, 0, 62, 110, 52, 20},
    {u"BUTTON", kFindIntoEdit, u"?", kButton, 0, 116, 110, 20, 20},
    {u"STATIC", kName, u"", kLabel, 0, 138, 112, 102, 18},
    {u"STATIC", kNoId, u" 원주문번호", kLabel, 0, 0, 134, 60, 18},
    {u"EDIT", kTarget, u"", kEdit | ES_NUMBER, 0, 62, 132, 64, 20},
    {u"STATIC", kNoId, u" 취소구분", kLabel, 0, 0, 156, 60, 18},
    {u"COMBOBOX", kKind, nullptr, kDropList, 0, 62, 154, 80, 60},
    {u"STATIC", kNoId, u" 취소수량", kLabel, 0, 0, 178, 60, 18},
    {u"EDIT", kQuantity, u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 176, 130, 20},
    {u"STATIC", kNoId, u"주", kLabel, 0, 196, 178, 40, 18},
    {u"BUTTON", kConfirm, u"확인", kButton, 0, 2, 248, 76, 26},
    {u"BUTTON", kClear, u"지움", kButton, 0, 82, 248, 76, 26},
    {u"BUTTON", kOpenOrders, u"미체결", kButton, 0, 162, 248, 76, 26},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn, {.titleButton = kTitleButton, .titleText = u"ECN취소"});
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false},
                                    {kOpenOrders, kScreenInquiry, false}};
const vxskel::NumberEdit kNumbers[] = {{kQuantity, vxskel::NumberKind::Quantity}};
const UINT kFinders[] = {IDC_BTN_FINDER, kFindIntoEdit};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4380.dll";
  c.title = u"ECN취소";
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  c.passwordNext = kTarget;
  c.chain = vxskel::ItemChain::EcnDirect;
  c.itemNameStatic = kName;
  c.itemNext = kTarget;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.numbers = kNumbers;
  c.numberCount = std::size(kNumbers);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

// "1234567801" -> "12345678-01", as the confirmation and the result show an account.
CString ShownAccount(const std::string& digits) {
  CString d = CString::FromMultiByte(digits.c_str());
  return d.Left(8) + CString(u"-") + d.Right(2);
}

}  // namespace

class CZR4380Dlg : public vxskel::CVXScreenDlg {
 public:
  CZR4380Dlg() : CVXScreenDlg(kConfig) {}

  void OnInitScreen() override {
    if (auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind))) {
      kind->ResetContent();
      kind->AddString(u"1.일부");
      kind->AddString(u"2.잔량");
      kind->SetCurSel(0);
    }
    if (auto* pw = static_cast<CEdit*>(GetDlgItem(kPassword))) pw->LimitText(kPasswordBytes);
    if (auto* target = static_cast<CEdit*>(GetDlgItem(kTarget))) target->LimitText(kTargetDigits);
    m_kind = '1';
    if (m_pCodeManager) m_pCodeManager->ReadECNCode();
    ReadHandOver();
    SetItemCodeField(0);
  }

  // The order picked in the inquiry: taken once, and only when every field is sound.
  void ReadHandOver() {
    vxpick::PickFields f;
    if (!vxpick::TakeRecord(vxpick::kEcnCancelFile, false, f)) return;
    SetDlgItemText(kTarget, CString::FromMultiByte(f.number.c_str()));
    SetDlgItemText(kQuantity, CString::FromMultiByte(f.quantity.c_str()));
    // The query copies the combo's code into the edit, which runs the item-code chain.
    if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->SetWindowText(CString::FromMultiByte(f.code.c_str()));
  }

  void OnQuery() override {
    SetItemCodeField(1);
    CString code;
    if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(code);
    SetDlgItemText(IDC_ITEM_EDIT, code);  // runs the item-code chain
    RequestItemBase();                    // and the quote is asked for once more
    if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (lParam != 0) {
      if (id == kTarget && code == EN_CHANGE) {
        CString text;
        GetDlgItemText(kTarget, text);
        if (text.GetLength() == kTargetDigits)
          if (CWnd* q = GetDlgItem(kQuantity)) {
            if (q->IsWindowEnabled()) q->SetFocus();
          }
        return TRUE;
      }
      if (id == kKind && code == CBN_SELENDOK) {
        auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind));
        ApplyKind(kind ? kind->GetCurSel() : 0);
        return TRUE;
      }
      if (code == BN_CLICKED) {
        switch (id) {
          case kConfirm: ConfirmAndSend(); return TRUE;
          case kClear: ClearInput(); return TRUE;
          case IDC_BTN_FINDER:
          case kFindIntoEdit: OnBtnECNScoutlet(); return TRUE;
          default: break;
        }
      }
    }
    return CVXScreenDlg::OnCommand(wParam, lParam);
  }

  // Every reply of 4380 answers the oldest cancel sent and not yet answered: accepted, refused
  // by the server or unreadable alike.
  afx_msg LRESULT OnCancelPacket(WPARAM wParam, LPARAM lParam) {
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    if (packet && TrGetU16(packet + 4) == kEcnCancel && m_sentCount > 0) {
      m_replyFor = m_sentHead;
      m_sentHead = (m_sentHead + 1) % kInFlight;
      --m_sentCount;
    }
    LRESULT result = OnVxPacket(wParam, lParam);
    m_replyFor = -1;
    return result;
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code != kEcnCancel) return;
    vxwire::Reader reply(body, len);
    CString number;
    if (!ReadOrderNumber(reply, vxtr::ecn_cancel::kNewNumber, code, &number)) return;
    static const Sent kUnknown;
    const Sent& o = m_replyFor >= 0 ? m_sent[m_replyFor] : kUnknown;
    CString text;
    text.Format(u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n취소구분: %s\n주문수량: %s 주\n주문번호: %s",
                o.account, o.code, o.name, u"ECN취소", o.kind, o.quantity, number);
    MessageBox(text, u"주문 처리 결과", MB_OK | MB_ICONINFORMATION);
    ClearInput();
    ApplyKind(0);
    if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
  }

 private:
  void ApplyKind(int index) {
    if (index != 0 && index != 1) return;
    if (auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind))) kind->SetCurSel(index);
    m_kind = index == 0 ? '1' : '2';
    CWnd* q = GetDlgItem(kQuantity);
    if (!q) return;
    q->EnableWindow(index == 0);
    q->SetWindowText(index == 0 ? u"" : u"0");
  }

  void ClearInput() {
    SetDlgItemText(kQuantity, m_kind == '2' ? u"0" : u"");
    SetDlgItemText(kTarget, u"");
    SetDlgItemText(kPassword, u"");
  }

  void Refuse(const WCHAR* text, int control) {
    MessageBox(text, u"", MB_OK);
    if (CWnd* w = GetDlgItem(control)) w->SetFocus();
  }

  void ConfirmAndSend() {
    CString account, password, code, target, quantity;
    GetDlgItemText(kAccount, account);
    GetDlgItemText(kPassword, password);
    GetDlgItemText(IDC_ITEM_EDIT, code);
    GetDlgItemText(kTarget, target);
    GetDlgItemText(kQuantity, quantity);

    CancelFields f;
    f.account = vxskel::AccountDigits(account).ToMultiByte();
    f.password = password.ToMultiByte();
    f.code = code.ToMultiByte();
    f.target = target.ToMultiByte();
    f.kind = m_kind;
    if (account.IsEmpty() || f.account.size() != 10 || f.account.find_first_not_of("0123456789") != std::string::npos)
      return Refuse(u"계좌번호를 선택하세요", kAccount);
    if (password.GetLength() < 4 || f.password.size() > static_cast<size_t>(kPasswordBytes))
      return Refuse(u"비밀번호를 입력하세요", kPassword);
    if (code.GetLength() != 5 || f.code.size() != 5) return Refuse(u"종목코드를 입력하세요", IDC_ITEM_EDIT);
    if (target.IsEmpty()) return Refuse(u"원주문번호를 입력하세요", kTarget);
    if (f.target.size() > static_cast<size_t>(kTargetDigits))
      return Refuse(u"원주문번호는 5자리 이하로 입력하셔야 합니다.", kTarget);
    if (f.target.find_first_not_of("0123456789") != std::string::npos)
      return Refuse(u"원주문번호를 입력하세요", kTarget);
    if (m_kind == '2') {
      // All that is left: the server cancels what is open; the body carries "0".
      quantity = u"0";
      f.quantity.assign(1, '0');  // (assigning the literal trips a false -Wrestrict in GCC 12)
    } else {
      // A part cancel names how many; a value that would not travel as shown is refused.
      if (quantity.IsEmpty()) return Refuse(u"취소수량을 입력하세요", kQuantity);
      CString plain = quantity;
      plain.Remove(u',');
      f.quantity = plain.ToMultiByte();
      if (f.quantity.empty() || f.quantity.size() > static_cast<size_t>(kQuantityDigits) ||
          f.quantity.find_first_not_of("0123456789") != std::string::npos)
        return Refuse(u"취소수량은 9,999,999주까지 숫자로 입력하세요", kQuantity);
    }
    CString name;
    GetDlgItemText(kName, name);
    if (m_sentCount == kInFlight) {
      MessageBox(u"앞선 주문의 처리결과를 기다리고 있습니다", u"", MB_OK);
      return;
    }
    CString shownAccount = ShownAccount(f.account);
    const WCHAR* kindText = m_kind == '2' ? u"잔량취소" : u"일부취소";
    CString text;
    text.Format(
        u"계좌번호: %s\n종목코드: %s\n종 목  명: %s\n주문구분: %s\n원주문번호: %s\n취소구분: %s\n취소수량: %s 주",
        shownAccount, code, name, u"ECN취소", target, kindText, quantity);
    if (MessageBox(text, u"주문내역확인", MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
      unsigned char body[kBodySize];
      if (BuildCancelBody(f, body) && SendEncrypted(kEcnCancel, body, kBodySize)) {
        m_sent[(m_sentHead + m_sentCount) % kInFlight] = Sent{shownAccount, code, name, kindText, quantity};
        ++m_sentCount;
      }
      std::memset(body, 0, sizeof body);
    }
    std::fill(f.password.begin(), f.password.end(), '\0');
    SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  }

  char m_kind = '1';
  // Cancels sent and not yet answered, oldest first, as they were confirmed: each result box
  // describes the cancel its reply belongs to, whatever the fields hold meanwhile.
  struct Sent {
    CString account, code, name, kind, quantity;
  };
  static constexpr int kInFlight = 8;
  Sent m_sent[kInFlight];
  int m_sentHead = 0;
  int m_sentCount = 0;
  int m_replyFor = -1;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CZR4380Dlg, vxskel::CVXScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnCancelPacket)
END_MESSAGE_MAP()

VX_SCREEN_EXPORTS(CZR4380Dlg)
