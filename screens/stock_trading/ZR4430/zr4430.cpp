// ZR4430: bank transfer. The customer picks the account and types its password, "조회" asks for
// the registered receivers (2420) and the withdrawable amount (2421), a receiver is picked and the
// amount typed, "수취인조회" asks the bank for the receiver's name and a one-time transfer key
// (2422, and 2423 when the bank wants the follow-up), and "송  금" sends the transfer (2425) after
// an OK/Cancel confirmation; the result box shows the amount withdrawn and the fee.
//
// Money leaves the account here, so the key is bound to what it was asked for: the account, the
// receiver, the receiving account number and the amount. Any change of these drops the key and
// the name, "송  금" needs a key for exactly the inputs on the screen, and a key is used once.
#include <cstring>
#include <iterator>
#include <string>

#include "transfer_text.h"
#include "vxbase/money.h"
#include "vxbase/tr_header.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"

namespace {

// Transactions.
constexpr uint16_t kTrReceivers = 2420;
constexpr uint16_t kTrWithdrawable = 2421;
constexpr uint16_t kTrInquiry = 2422;
constexpr uint16_t kTrFollowUp = 2423;
constexpr uint16_t kTrTransfer = 2425;

// Controls.
constexpr int kAccount = 1009;
constexpr int kPassword = 1003;
constexpr int kBtnQuery = 9815;  // "조회"
constexpr int kWithdrawable = 1005;
constexpr int kAmount = 1004;
constexpr int kBank = 1006;
constexpr int kBankAccount = 1007;
constexpr int kName = 1008;
constexpr int kBtnInquiry = 9828;  // "수취인조회"
constexpr int kBtnSend = 9814;     // "송  금"
constexpr int kBtnResults = 9817;  // "처리결과조회"
constexpr int kNoId = -1;

constexpr int kMaxReceivers = 15;
constexpr int kPasswordBytes = 8;
constexpr int kAmountDigits = 9;  // the amount field of 2422 and 2423
constexpr int kBankAccountBytes = 20;

constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kLabelStyle = WS_VISIBLE | SS_LEFT;
constexpr DWORD kComboStyle = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN;
constexpr DWORD kListStyle = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kEditStyle = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kShowStyle = WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY;

const vxskel::GoToButton kGoTo[] = {{kBtnResults, 94102, false}, {IDC_BTN_FUTOPT, 96001, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4430.dll";
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  c.chain = vxskel::ItemChain::NoEdit;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

// The screen's own controls; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", kNoId, u"출금계좌번호", kLabelStyle, 0, 1, 68, 70, 18},
    {u"STATIC", kNoId, u"계좌비밀번호", kLabelStyle, 0, 1, 90, 70, 18},
    {u"EDIT", kPassword, u"", kEditStyle | ES_PASSWORD, 0, 73, 88, 60, 20},
    {u"BUTTON", kBtnQuery, u"조회", kButtonStyle, 0, 137, 88, 40, 20},
    {u"STATIC", kNoId, u"인출가능금액", kLabelStyle, 0, 1, 112, 70, 18},
    {u"EDIT", kWithdrawable, u"", kShowStyle | ES_RIGHT, 0, 73, 110, 120, 20},
    {u"STATIC", kNoId, u"은    행    명", kLabelStyle, 0, 1, 134, 70, 18},
    {u"STATIC", kNoId, u"은행계좌번호", kLabelStyle, 0, 1, 156, 70, 18},
    {u"EDIT", kBankAccount, u"", kEditStyle, 0, 73, 154, 120, 20},
    {u"STATIC", kNoId, u"송    금    액", kLabelStyle, 0, 1, 178, 70, 18},
    {u"EDIT", kAmount, u"", kEditStyle | ES_RIGHT, 0, 73, 176, 120, 20},
    {u"STATIC", kNoId, u"입금 계좌명", kLabelStyle, 0, 1, 200, 70, 18},
    {u"EDIT", kName, u"", kShowStyle, 0, 73, 198, 96, 20},
    {u"BUTTON", kBtnInquiry, u"수취인조회", kButtonStyle, 0, 172, 198, 67, 20},
    {u"BUTTON", kBtnSend, u"송  금", kButtonStyle, 0, 1, 240, 80, 24},
    {u"BUTTON", kBtnResults, u"처리결과조회", kButtonStyle, 0, 139, 240, 100, 24},
    // The drop-down lists last, so that their lists open over the form.
    {u"COMBOBOX", kBank, nullptr, kListStyle, 0, 73, 132, 120, 120},
    {u"COMBOBOX", kAccount, nullptr, kComboStyle, 0, 73, 66, 110, 100},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn, {.quickMoveStyle = vxskel::kQuickMoveList | WS_TABSTOP});
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

using vxwire::AllDigits;
using vxwire::Wipe;
void Wipe(CString& s) {
  for (int i = 0; i < s.GetLength(); ++i) s.SetAt(i, u'\0');
  s.Empty();
}

struct Receiver {
  char bank[3] = {};
  std::string name;    // code page 949
  std::string number;  // code page 949
};

// What a transfer key is valid for.
struct Inputs {
  std::string account;  // 10 digits
  std::string bank;     // 2 characters
  std::string number;   // receiving account number
  std::string amount;   // digits
  bool operator==(const Inputs&) const = default;
};

class CZR4430Dlg : public vxskel::CVXScreenDlg {
 public:
  CZR4430Dlg() : CVXScreenDlg(kConfig) {}

  void OnInitScreen() override {
    if (CWnd* w = GetDlgItem(kPassword)) w->SendMessage(EM_LIMITTEXT, kPasswordBytes);
    if (CWnd* w = GetDlgItem(kBankAccount)) w->SendMessage(EM_LIMITTEXT, kBankAccountBytes);
    transfer::ListTransferAccounts(static_cast<CComboBox*>(GetDlgItem(kAccount)));
    ClearReceivers();
    if (CWnd* w = GetDlgItem(kPassword)) w->SetFocus();
  }

  void OnQuery() override {
    SetItemCodeField(0);
    RequestItemBase();
  }

  // Every request of this screen goes through the packet layer, the base quote too.
  void RequestItemBase() override { RequestStockBaseThroughPacketLayer(u"ERROR:패킷 구성 4101"); }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    // The account picked here is not written as the order screens' account memo.
    if (id == kAccount && code == CBN_KILLFOCUS) return TRUE;
    if (id == kAccount && code == CBN_SELCHANGE) {
      // Another account: nothing of the last one stays (the skeleton empties the password,
      // and replies still to come for the last one are dropped).
      DropKey();
      m_asked = Inputs{};
      SetDlgItemText(kWithdrawable, u"");
      SetDlgItemText(kAmount, u"");
      SetDlgItemText(kBankAccount, u"");
      ClearReceivers();
    }
    if (id == kBank && code == CBN_SELCHANGE) OnReceiverPicked();
    if (id == kAmount && code == EN_CHANGE) OnAmountChange();
    if (id == kBankAccount && code == EN_CHANGE) InputsChanged();
    if (code == BN_CLICKED && lParam) {
      switch (id) {
        case kBtnQuery: OnAskReceivers(); return TRUE;
        case kBtnInquiry: OnAskReceiver(); return TRUE;
        case kBtnSend: OnSend(); return TRUE;
        default: break;
      }
    }
    return CVXScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    switch (code) {
      case kTrReceivers: ShowReceivers(body, len); break;
      case kTrWithdrawable: ShowWithdrawable(body, len); break;
      case kTrInquiry:
      case kTrFollowUp: TakeInquiryReply(code, body, len); break;
      case kTrTransfer: ShowResult(body, len); break;
      default: break;
    }
  }

  afx_msg LRESULT OnTransferPacket(WPARAM wParam, LPARAM lParam) {
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    uint16_t code = packet ? TrGetU16(packet + 4) : 0;
    bool inquiry = code == kTrInquiry || code == kTrFollowUp;
    if (inquiry && m_inquiries > 0) --m_inquiries;
    LRESULT r = CVXScreenDlg::OnVxPacket(wParam, lParam);
    if (code == TR_STOCK_BASE && r) {
      if (CWnd* w = GetDlgItem(kPassword)) w->SetFocus();
    } else if (code == kTrTransfer) {
      // Whatever the answer, the transfer is over: its password goes, and the next
      // transfer starts with a new receiver inquiry.
      DropKey();
      SetDlgItemText(kPassword, u"");
    } else if (inquiry && r == 0 && m_inquiries == 0) {
      m_asked = Inputs{};  // refused: nothing to follow up
    }
    return r;
  }

 private:
  // ---- Inputs ----

  CString AccountShown() {
    CString shown;
    if (CWnd* w = GetDlgItem(kAccount)) w->GetWindowText(shown);
    return shown;
  }
  std::string AccountDigits() {
    std::string a = vxskel::AccountDigits(AccountShown()).ToMultiByte();
    return a.size() == 10 && AllDigits(a) ? a : std::string();
  }
  std::string Text949(int id) {
    CString t;
    GetDlgItemText(static_cast<int>(id), t);
    return t.ToMultiByte();
  }
  // The amount's digits as typed (commas removed); may hold anything the user typed.
  std::string AmountDigits() {
    CString t;
    GetDlgItemText(kAmount, t);
    t.Remove(u',');
    return t.ToMultiByte();
  }
  Inputs Current() {
    Inputs in;
    in.account = AccountDigits();
    if (m_chosen >= 0 && m_chosen < m_count) in.bank = m_receivers[m_chosen].bank;
    in.number = Text949(kBankAccount);
    in.amount = AmountDigits();
    return in;
  }

  // Refuses what cannot go out: a box without caption and the focus on the control at fault.
  bool Refuse(const WCHAR* text, int focus) {
    MessageBox(text, u"", MB_OK);
    if (CWnd* w = GetDlgItem(focus)) w->SetFocus();
    return false;
  }
  bool CheckAccountAndPassword(std::string& account, CString& password) {
    account = AccountDigits();
    if (account.empty()) return Refuse(u"계좌번호를 확인하세요", kAccount);
    GetDlgItemText(kPassword, password);
    if (password.GetLength() < 4 || password.ToMultiByte().size() > kPasswordBytes)
      return Refuse(u"비밀번호를 확인하세요", kPassword);
    return true;
  }
  bool CheckTransferInputs(const Inputs& in) {
    if (in.bank.empty()) return Refuse(u"입금은행을 선택하세요", kBank);
    if (in.number.empty() || in.number.size() > kBankAccountBytes)
      return Refuse(u"은행계좌번호를 확인하세요", kBankAccount);
    if (in.amount.empty() || in.amount.size() > kAmountDigits || !AllDigits(in.amount) ||
        in.amount.find_first_not_of('0') == std::string::npos)
      return Refuse(u"송금액을 확인하세요", kAmount);
    return true;
  }
  // The account and as much of the password as its field holds.
  static void PutAuth(vxwire::Writer& w, const std::string& account, const CString& password,
                      const vxwire::Field& passwordField = vxtr::kPassword) {
    std::string pw = password.ToMultiByte();
    if (pw.size() > passwordField.width) pw.resize(passwordField.width);
    w.Digits(vxtr::kAccount, account).Text(passwordField, pw);
    Wipe(pw);
  }
  bool Send(uint16_t code, unsigned char* body, int len) {
    BOOL sent = SendEncrypted(code, body, len);
    std::memset(body, 0, static_cast<size_t>(len));  // it held the password
    return sent != FALSE;
  }

  // ---- Key ----

  void DropKey() {
    m_keyValid = false;
    std::memset(m_key, 0, sizeof m_key);
    m_keyFor = Inputs{};
    SetDlgItemText(kName, u"");
  }
  // A key and name asked for other inputs than those now on the screen are dropped.
  void InputsChanged() {
    if (m_keyValid && !(m_keyFor == Current())) DropKey();
  }

  // ---- Receivers ----

  void ClearReceivers() {
    m_count = 0;
    m_chosen = 0;
    if (auto* combo = static_cast<CComboBox*>(GetDlgItem(kBank))) combo->ResetContent();
  }
  void OnReceiverPicked() {
    auto* combo = static_cast<CComboBox*>(GetDlgItem(kBank));
    int sel = combo ? combo->GetCurSel() : -1;
    if (sel < 0 || sel >= m_count) return;
    m_chosen = sel;
    SetDlgItemText(kBankAccount, transfer::Wide(m_receivers[sel].number));
    InputsChanged();
  }

  void OnAmountChange() {
    if (m_inAmount) return;
    auto* edit = static_cast<CEdit*>(GetDlgItem(kAmount));
    if (!edit) return;
    CString text;
    edit->GetWindowText(text);
    CString grouped = vxskel::GroupThousands(text);
    if (grouped != text) {
      m_inAmount = true;
      edit->SetWindowText(grouped);
      edit->SetSel(grouped.GetLength(), grouped.GetLength());
      m_inAmount = false;
    }
    InputsChanged();
  }

  // ---- Requests ----

  void OnAskReceivers() {
    std::string account;
    CString password;
    if (!CheckAccountAndPassword(account, password)) return;
    namespace t = vxtr::transfer;
    unsigned char body[t::kReceiversRequestSize];
    vxwire::Writer w(body);
    PutAuth(w, account, password);
    Wipe(password);
    w.Byte(t::kListSize, 0x0A);
    if (!w.Ok()) return;
    unsigned char body2[t::kWithdrawableRequestSize];
    std::memcpy(body2, body, sizeof body2);
    // Both answers belong to this account: they are shown only while it is still chosen.
    SendForAccount(kTrReceivers, body, sizeof body);
    std::memset(body, 0, sizeof body);  // it held the password
    SendForAccount(kTrWithdrawable, body2, sizeof body2);
    std::memset(body2, 0, sizeof body2);
  }

  void OnAskReceiver() {
    std::string account;
    CString password;
    if (!CheckAccountAndPassword(account, password)) return;
    Inputs in = Current();
    if (!CheckTransferInputs(in)) {
      Wipe(password);
      return;
    }
    DropKey();
    namespace t = vxtr::transfer;
    unsigned char body[t::kInquiryRequestSize];
    vxwire::Writer w(body);
    PutAuth(w, account, password, t::kInquiryPassword);
    Wipe(password);
    w.Text(t::kInquiryBank, in.bank).Text(t::kInquiryNumber, in.number).Digits(t::kInquiryAmount, in.amount);
    if (!w.Ok()) return;
    m_asked = in;
    if (Send(kTrInquiry, body, sizeof body)) ++m_inquiries;
  }

  void SendFollowUp(const unsigned char* reply) {
    namespace t = vxtr::transfer;
    unsigned char body[t::kFollowUpRequestSize];
    vxwire::Writer w(body);
    w.Digits(vxtr::kAccount, m_asked.account)
        .Text(t::kFollowUpBank, m_asked.bank)
        .Text(t::kFollowUpNumber, m_asked.number)
        .Digits(t::kFollowUpAmount, m_asked.amount)
        .Raw(t::kFollowUpMark, reply + t::kInquiryReplyMark.at);
    if (!w.Ok()) return;
    if (Send(kTrFollowUp, body, sizeof body)) ++m_inquiries;
  }

  void OnSend() {
    Inputs in = Current();
    if (!m_keyValid || !(m_keyFor == in)) {
      DropKey();
      Refuse(u"수취인조회 후 송금하세요", kBtnInquiry);
      return;
    }
    std::string account;
    CString password;
    if (!CheckAccountAndPassword(account, password)) return;
    CString amountShown, bankShown, number;
    GetDlgItemText(kAmount, amountShown);
    if (auto* combo = static_cast<CComboBox*>(GetDlgItem(kBank))) combo->GetWindowText(bankShown);
    CString text = CString(u"출금계좌: ") + AccountShown() + u"\n송 금 액: " + amountShown + u" 원\n입금은행: " +
                   bankShown + u"\n입금계좌: " +
                   transfer::Wide(transfer::FieldText(reinterpret_cast<const unsigned char*>(in.number.data()),
                                                      static_cast<int>(in.number.size()), 14)) +
                   u"\n입금계좌명: " +
                   transfer::Wide(transfer::FieldText(reinterpret_cast<const unsigned char*>(m_name.data()),
                                                      static_cast<int>(m_name.size()), 12));
    int answer = MessageBox(text, u"이체전송확인", MB_OKCANCEL | MB_ICONQUESTION);
    // The box let other messages run: the key must still be the one for these inputs.
    if (answer == IDOK && m_keyValid && m_keyFor == Current() && m_keyFor == in) {
      namespace t = vxtr::transfer;
      unsigned char body[t::kTransferRequestSize];
      vxwire::Writer w(body);
      PutAuth(w, account, password);
      w.Text(t::kTransferBank, in.bank)
          .Text(t::kTransferNumberHead, in.number.substr(0, t::kTransferNumberHead.width))
          .Raw(t::kTransferKey, m_key)
          .Digits(t::kTransferAmount, in.amount);
      // A key goes out once: a second tap needs a new receiver inquiry.
      m_keyValid = false;
      std::memset(m_key, 0, sizeof m_key);
      if (w.Ok()) Send(kTrTransfer, body, sizeof body);
    }
    Wipe(password);
    SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  }

  // ---- Replies ----

  void ShowReceivers(const unsigned char* body, int len) {
    if (len < 11) return ReportShortReply(kTrReceivers);
    namespace t = vxtr::transfer;
    vxwire::Reader list(body, len);
    int n = vxskel::RecordsHeld(list.SignedByte(t::kReceiversCount), len, t::kReceiversAt, t::kReceiverSize);
    if (n > kMaxReceivers) n = kMaxReceivers;
    // Every receiver shown must be one: bank code digits, name and number text.
    bool sound = list.SignedByte(t::kReceiversCount) >= 0;
    for (int i = 0; sound && i < n; ++i) {
      vxwire::Reader rec = list.Record(t::kReceiversAt, t::kReceiverSize, i);
      sound = rec.IsDigits(t::kReceiverBank) && rec.IsText(t::kReceiverName) && rec.IsText(t::kReceiverNumber);
    }
    if (!sound) return ReportBadReply(kTrReceivers);
    ClearReceivers();
    auto* combo = static_cast<CComboBox*>(GetDlgItem(kBank));
    for (int i = 0; i < n; ++i) {
      vxwire::Reader rec = list.Record(t::kReceiversAt, t::kReceiverSize, i);
      Receiver& r = m_receivers[i];
      const unsigned char* bank = rec.At(t::kReceiverBank);
      r.bank[0] = static_cast<char>(bank[0]);
      r.bank[1] = static_cast<char>(bank[1]);
      r.name = rec.Shown(t::kReceiverName, t::kReceiverName.width);
      r.number = rec.Shown(t::kReceiverNumber, t::kReceiverNumber.width);
      if (combo) combo->AddString(transfer::Wide(r.name));
    }
    m_count = n;
    if (n > 0 && combo) {
      combo->SetCurSel(0);
      SetDlgItemText(kBankAccount, transfer::Wide(m_receivers[0].number));
    } else {
      SetDlgItemText(kBankAccount, u"");
    }
    InputsChanged();
  }

  void ShowWithdrawable(const unsigned char* body, int len) {
    vxwire::Reader r(body, len);
    if (!r.Has(vxtr::transfer::kWithdrawable)) return ReportShortReply(kTrWithdrawable);
    SetDlgItemText(kWithdrawable, transfer::Wide(vxwire::Grouped(r.Number(vxtr::transfer::kWithdrawable))));
  }

  void TakeInquiryReply(uint16_t code, const unsigned char* body, int len) {
    if (len < 11) return ReportShortReply(code);
    // Only the answer to the last inquiry holds the key the server will accept.
    if (m_inquiries > 0) return;
    Inputs asked = m_asked;
    m_asked = Inputs{};
    // An answer for inputs that have changed since the question is of no use.
    if (asked.account.empty() || !(asked == Current())) return;
    namespace t = vxtr::transfer;
    vxwire::Reader r(body, len);
    if (code == kTrInquiry && r.Char(t::kInquiryState) == '2') {
      if (!r.Has(t::kInquiryReplyMark)) return ReportShortReply(code);
      m_asked = asked;
      SendFollowUp(body);
      return;
    }
    // The receiver's name is shown and confirmed before money leaves: it must be text.
    if (len > t::kReceiverNameAt &&
        !vxwire::IsText949(body + t::kReceiverNameAt, static_cast<size_t>(len - t::kReceiverNameAt)))
      return ReportBadReply(code);
    std::memcpy(m_key, r.At(t::kInquiryKey), t::kInquiryKey.width);
    m_keyValid = true;
    m_keyFor = asked;
    m_name = len > t::kReceiverNameAt
                 ? transfer::FieldText(body + t::kReceiverNameAt, len - t::kReceiverNameAt, len - t::kReceiverNameAt)
                 : std::string();
    SetDlgItemText(kName, transfer::Wide(m_name));
  }

  void ShowResult(const unsigned char* body, int len) {
    namespace t = vxtr::transfer;
    vxwire::Reader r(body, len);
    if (r.Size() < static_cast<size_t>(t::kResultSize)) return ReportShortReply(kTrTransfer);
    if (!r.IsDigits(t::kResultAccountHead) || !r.IsDigits(t::kResultAccountTail) || !r.IsText(t::kResultNumber) ||
        !r.IsText(t::kResultBank))
      return ReportBadReply(kTrTransfer);
    std::string fee = std::to_string(convert_short2(r.At(t::kResultFee)));
    CString text = CString(u"출금계좌 : ") + transfer::Wide(r.Shown(t::kResultAccountHead, 8)) + u" - " +
                   transfer::Wide(r.Shown(t::kResultAccountTail, 2)) + u"\n은 행 명 : " +
                   transfer::Wide(r.Shown(t::kResultBank, 10)) + u"\n은행계좌 : " +
                   transfer::Wide(r.Shown(t::kResultNumber, 14)) + u"\n출 금 액 : " +
                   transfer::Wide(vxwire::Grouped(convert_short3_to_int64(r.At(t::kResultAmount)))) + u"\n수 수 료 : " +
                   transfer::Wide(fee) + u"\n";
    MessageBox(text, u"이체처리결과", MB_OK | MB_ICONINFORMATION);
  }

  Receiver m_receivers[kMaxReceivers];
  int m_count = 0;
  int m_chosen = 0;
  unsigned char m_key[10] = {};  // 9 key bytes and the flag byte
  bool m_keyValid = false;
  Inputs m_keyFor;     // what the key was given for
  Inputs m_asked;      // what the receiver inquiry in flight asked for
  std::string m_name;  // the receiver's name from the bank, code page 949
  bool m_inAmount = false;
  int m_inquiries = 0;  // receiver inquiries (2422, 2423) not yet answered

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CZR4430Dlg, vxskel::CVXScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnTransferPacket)
END_MESSAGE_MAP()

}  // namespace

VX_SCREEN_EXPORTS(CZR4430Dlg)
