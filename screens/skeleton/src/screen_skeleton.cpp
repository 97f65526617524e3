#include "vxskeleton/screen_skeleton.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "vxbase/money.h"
#include "vxbase/prop_ce.h"
#include "vxskeleton/wire.h"

namespace vxskel {

namespace {

SOCKET g_socket = INVALID_SOCKET;
CVXScreenDlg* g_dialog = nullptr;
uint32_t g_record[2];

const WCHAR kSocketInvalid[] = u"Socket Invalid";

bool IsDigitText(const CString& s) {
  for (int i = 0; i < s.GetLength(); ++i)
    if (s[i] < u'0' || s[i] > u'9') return false;
  return true;
}

}  // namespace

// ---- Helpers -------------------------------------------------------------------------------------

CString AccountDisplay(const CString& account) {
  if (account.GetLength() < 10) return account;
  return account.Left(8) + CString(u" - ") + account.Right(2);
}

CString AccountDigits(const CString& shown) {
  if (shown.GetLength() < 10) return CString();
  return shown.Left(8) + shown.Right(2);
}

CString GroupThousands(const CString& text) {
  CString plain = text;
  plain.Remove(u',');
  CString out;
  int n = plain.GetLength();
  for (int i = 0; i < n; ++i) {
    out += plain[i];
    int left = n - 1 - i;
    if (left > 0 && left % 3 == 0) out += u',';
  }
  return out;
}

CString UngroupNumber(const CString& text) {
  CString out;
  int n = std::min(text.GetLength(), 12);
  for (int i = 0; i < n; ++i)
    if (text[i] != u',') out += text[i];
  return out;
}

int RecordsHeld(int count, int bodyLen, int offset, int recordSize) {
  if (count <= 0 || recordSize <= 0 || bodyLen <= offset) return 0;
  return std::min(count, (bodyLen - offset) / recordSize);
}

int MakePlainRequest(unsigned char* out, uint16_t code, const char* body6) {
  std::memset(out, 0, 21);
  TrPutU32(out, 21);
  TrPutU16(out + 4, code);
  out[6] = '4';
  std::memcpy(out + TR_HEADER_SIZE, body6, 6);
  return 21;
}

bool IsPushCode(uint16_t code) {
  switch (code) {
    case 9110:  // stock trade
    case 9120:  // five-level order book
    case 9121:  // ten-level order book
    case 9210:  // market index
    case 9310:  // futures trade
    case 9321:  // futures order book
    case 9410:  // option trade
    case 9421:  // option order book
      return true;
    default: return false;
  }
}

const WCHAR* OutcomeUnknownText(uint16_t code) {
  switch (code) {
    case 2300:
    case 2310:
    case 2320:
    case 2330:
    case 4350:
    case 4360:
    case 4380:
    case 5300:
    case 5301:
    case 5302:
    case 5303: return u"주문 처리결과를 수신하지 못했습니다.\n주문체결조회에서 주문 처리 여부를 확인하시기 바랍니다.";
    case 2425: return u"이체 처리결과를 수신하지 못했습니다.\n이체신청조회에서 이체 처리 여부를 확인하시기 바랍니다.";
    default: return nullptr;
  }
}

// ---- Module state ----------------------------------------------------------------------------------

SOCKET ModuleSocket() { return g_socket; }
void SetModuleSocket(SOCKET s) { g_socket = s; }
CVXScreenDlg* ModuleDialog() { return g_dialog; }

void* RunMainDlg(CVXScreenDlg* dlg, void* result, HWND owner, SOCKET socket, EE_Encrypt* encrypt, CCodeManager* codes,
                 BOOL autoReceive, CMenuConfigFile* menu) {
  if (dlg->Config().moduleName)
    if (HMODULE self = ::GetModuleHandle(dlg->Config().moduleName)) AfxSetResourceHandle(self);
  g_socket = socket;
  dlg->SetWndOwner(owner);
  dlg->m_pEncrypt = encrypt;
  dlg->m_pCodeManager = codes;
  dlg->m_pMenuConfig = menu;
  dlg->m_bAutoReceive = autoReceive;
  g_dialog = dlg;
  g_record[0] = 0;
  g_record[1] = 0;
  if (dlg->Create(dlg->m_lpszTemplateName)) {
    dlg->ShowWindow(SW_SHOW);
    g_record[0] = static_cast<uint32_t>(dlg->m_hWnd);
  }
  if (result) {
    std::memcpy(result, g_record, sizeof g_record);
    return result;
  }
  return g_record;
}

void RunEndDlg() {
  CVXScreenDlg* dlg = g_dialog;
  if (!dlg) return;
  g_dialog = nullptr;
  if (dlg->m_hWnd) dlg->DestroyWindow();
  delete dlg;
}

// ---- Dialog ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CVXScreenDlg, CVXDlg)
ON_MESSAGE(WM_VX_QUERY, OnVxQuery)
ON_MESSAGE(WM_VX_PACKET, OnVxPacket)
ON_MESSAGE(WM_VX_PACKET_DROPPED, OnVxPacketDropped)
ON_MESSAGE(WM_VX_SOCKET_STATUS, OnVxSocketStatus)
ON_MESSAGE(WM_VX_CODES_READY, OnVxCodesReady)
ON_WM_DRAWITEM()
ON_WM_PAINT()
ON_WM_TIMER()
END_MESSAGE_MAP()

CVXScreenDlg::CVXScreenDlg(const ScreenConfig& config, UINT templateId) : CVXDlg(templateId), m_config(config) {}

CVXScreenDlg::~CVXScreenDlg() = default;

BOOL CVXScreenDlg::OnInitDialog() {
  CVXDlg::OnInitDialog();
  if (m_config.chain != ItemChain::None) InitItemCode(IDC_ITEM_COMBO);
  if (m_config.title) SetTitle(m_config.title);
  if (m_config.accountCombo) FillAccounts();
  OnInitScreen();
  return TRUE;
}

void CVXScreenDlg::FitListToItems(UINT comboId) {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(static_cast<int>(comboId)));
  if (!combo) return;
  CClientDC dc(combo);
  CFont* font = combo->GetFont();
  CFont* old = font ? dc.SelectObject(font) : nullptr;
  int widest = 0;
  for (int i = 0; i < combo->GetCount(); ++i) {
    CString item;
    combo->GetLBText(i, item);
    widest = std::max(widest, static_cast<int>(dc.GetTextExtent(item).cx));
  }
  if (old) dc.SelectObject(old);
  // The item's margins and room for the list's scroll bar.
  combo->SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + kListMargins));
}

void CVXScreenDlg::OnCancel() {
  // Escape (IDCANCEL) leaves the screen as it is, as Enter does: a screen ends only when the
  // main program opens another one or the program ends.
}

BOOL CVXScreenDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  ControlId id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (m_config.chain != ItemChain::None) {
    if (id == IDC_ITEM_EDIT && code == EN_CHANGE && m_config.chain != ItemChain::NoEdit) OnItemEditChange();
    if (id == IDC_ITEM_COMBO && code == CBN_EDITCHANGE) OnItemComboEditChange();
    if (id == IDC_ITEM_COMBO && code == CBN_SELCHANGE) OnItemComboSelChange();
    if (id == IDC_ITEM_COMBO && code == CBN_SETFOCUS) SetInputControl(IDC_ITEM_COMBO);
  }
  if (m_config.accountCombo && id == m_config.accountCombo) {
    // Replies to requests made for the account chosen before are no longer this screen's.
    if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) ++m_accountEpoch;
    if (code == CBN_SELCHANGE) OnAccountSelChange();
    if (code == CBN_KILLFOCUS) SaveAccountMemo();
  }
  if (m_config.passwordEdit && id == m_config.passwordEdit && code == EN_CHANGE && m_config.passwordNext) {
    CString pw;
    GetDlgItemText(static_cast<int>(id), pw);
    if (pw.GetLength() == 4)
      if (CWnd* next = GetDlgItem(m_config.passwordNext)) next->SetFocus();
  }
  for (size_t i = 0; i < m_config.numberCount; ++i)
    if (m_config.numbers[i].id == id && code == EN_CHANGE) OnNumberChange(m_config.numbers[i]);
  if (code == EN_SETFOCUS && ::GetDlgItem(m_hWnd, static_cast<int>(id))) SetInputControl(id);
  if (id == IDC_QUICK_MOVE && code == CBN_DROPDOWN) FitListToItems(IDC_QUICK_MOVE);
  if (id == IDC_QUICK_MOVE && code == CBN_SELCHANGE) {
    // The head entry ("최근 메뉴") opens nothing; every other entry opens its screen.
    if (auto* quick = static_cast<CComboBox*>(GetDlgItem(IDC_QUICK_MOVE)))
      ComboMenuQuick(GetWndOwner(), quick->GetCurSel() + 1);
    return TRUE;
  }
  if (code == BN_CLICKED) {
    for (size_t i = 0; i < m_config.goToCount; ++i) {
      const GoToButton& g = m_config.goTo[i];
      if (g.button != id) continue;
      if (g.send)
        ::SendMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, g.screen, 0);
      else
        ::PostMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, g.screen, 0);
      return TRUE;
    }
    if (id == kBtnQuery && m_config.chain != ItemChain::None) {
      RequestItemBase();
      return TRUE;
    }
  }
  return CVXDlg::OnCommand(wParam, lParam);
}

// ---- Shared routines ------------------------------------------------------------------------------

BOOL CVXScreenDlg::GetItemCodeText(UINT id, CString& out) {
  out.Empty();
  if (CWnd* w = GetDlgItem(static_cast<int>(id))) w->GetWindowText(out);
  return out.GetLength() == 5;
}

BOOL CVXScreenDlg::GetComboSelText(UINT id, CString& out) {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(static_cast<int>(id)));
  if (!combo) return FALSE;
  int sel = combo->GetCurSel();
  if (sel < 0) return FALSE;
  combo->GetLBText(sel, out);
  combo->SetWindowText(out);
  return TRUE;
}

const WCHAR* CVXScreenDlg::AccountKey() const { return m_config.futOptAccounts ? VX_REG_FUTOPT : VX_REG_STOCK; }

const WCHAR* CVXScreenDlg::MemoKey() const {
  return m_config.futOptAccounts ? VX_REG_FUTOPT_CHANGE : VX_REG_ORDER_CHANGE;
}

long CVXScreenDlg::GetAccountCount() {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, AccountKey(), TRUE)) return -1;
  return reg.GetLongValue(u"Account Count");
}

BOOL CVXScreenDlg::GetAccount(int index, CString& out) {
  out.Empty();
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, AccountKey(), TRUE)) return TRUE;
  CString name;
  name.Format(u"%d", index);
  out = reg.GetValue(name);
  return TRUE;
}

void CVXScreenDlg::FillAccounts() {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(m_config.accountCombo));
  if (!combo) return;
  combo->ResetContent();
  long count = GetAccountCount();
  CString first;
  for (long i = 0; i < count && i < 1000; ++i) {
    CString acct;
    GetAccount(static_cast<int>(i), acct);
    if (i == 0) first = acct;
    combo->AddString(AccountDisplay(acct));
  }
  CPropCE reg;
  CString memo;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, MemoKey())) memo = reg.GetValue(VX_ACCOUNT_MEMO);
  if (!memo.IsEmpty()) {
    CString shown = AccountDisplay(memo);
    int at = combo->FindStringExact(-1, shown);
    if (at >= 0)
      combo->SetCurSel(at);
    else
      combo->SetWindowText(shown);
  } else if (count > 0) {
    combo->SetCurSel(0);
  }
}

BOOL CVXScreenDlg::SaveAccountMemo() {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(m_config.accountCombo));
  if (!combo) return FALSE;
  CString shown;
  int sel = combo->GetCurSel();
  if (sel >= 0)
    combo->GetLBText(sel, shown);
  else
    combo->GetWindowText(shown);
  CString digits = AccountDigits(shown);
  // Never overwrite the memo with an empty or malformed account.
  if (digits.GetLength() != 10 || !IsDigitText(digits)) return FALSE;
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, MemoKey())) return FALSE;
  return reg.SetValue(VX_ACCOUNT_MEMO, static_cast<const WCHAR*>(digits));
}

void CVXScreenDlg::SetItemCodeField(int flag) {
  CString text;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(text);
  std::string mb = text.ToMultiByte();
  std::memset(m_szItemCode, 0, sizeof m_szItemCode);
  m_szItemCode[0] = '0';
  std::memcpy(m_szItemCode + 1, mb.data(), std::min<size_t>(mb.size(), 5));
  if (flag) {
    CString field = CString::FromMultiByte(m_szItemCode, static_cast<int>(std::strlen(m_szItemCode)));
    if (field.GetLength() == 6) SetItemCode(field.Right(5), IDC_ITEM_COMBO);
  }
}

int CVXScreenDlg::MakeItemCodePacket(unsigned char* buf) { return MakePlainRequest(buf, TR_STOCK_BASE, m_szItemCode); }

void CVXScreenDlg::RequestStockBase() {
  unsigned char packet[21];
  int n = MakeItemCodePacket(packet);
  SendPacket(packet, n);
}

void CVXScreenDlg::RequestStockBaseThroughPacketLayer(const WCHAR* failText) {
  if (!m_pEncrypt) return;
  unsigned char packet[64];
  const char* err = nullptr;
  int n = m_pEncrypt->make_packet(packet, sizeof packet, TR_STOCK_BASE, '4', 1, 0, 1, 1, 0, 0,
                                  reinterpret_cast<const unsigned char*>(m_szItemCode), 6, &err);
  if (n < 0) {
    MessageBox(failText ? CString(failText) : CString(u"ERROR:") + CString(err ? err : ""), u"", MB_OK);
    return;
  }
  SendPacket(packet, n);
}

BOOL CVXScreenDlg::SendPlainRequest(uint16_t code, unsigned char* packet, int length) {
  if (!packet || length < TR_HEADER_SIZE) return FALSE;
  std::memset(packet, 0, TR_HEADER_SIZE);
  TrPutU32(packet, static_cast<uint32_t>(length));
  TrPutU16(packet + 4, code);
  packet[6] = '4';
  return SendPacket(packet, length);
}

BOOL CVXScreenDlg::SendPacket(const unsigned char* packet, int length) {
  if (!packet || length <= 0) return FALSE;
  if (!m_queried) {
    // The host has not yet made this dialog the receiver of replies: hold the request.
    if (m_heldBytes + length > kHeldBytes) return FALSE;
    std::memcpy(m_held + m_heldBytes, packet, static_cast<size_t>(length));
    m_heldBytes += length;
    ++m_heldCount;
    return TRUE;
  }
  SOCKET s = g_socket;
  if (s == INVALID_SOCKET) MessageBox(kSocketInvalid, u"", MB_OK);
  int sent = ::send(s, reinterpret_cast<const char*>(packet), length, 0);
  if (sent < 0 || sent != length) {
    if (m_config.reportSendFailure && GetWndOwner()) ::SendMessage(GetWndOwner(), WM_VX_SEND_FAILED, 0, 0);
    return FALSE;
  }
  return TRUE;
}

BOOL CVXScreenDlg::SendEncrypted(uint16_t code, const unsigned char* body, int bodyLen) {
  if (!m_pEncrypt) return FALSE;
  unsigned char packet[TR_MAX_PACKET];
  const char* err = nullptr;
  int n = m_pEncrypt->make_packet(packet, sizeof packet, code, '4', 1, 0, 1, 1, 0, 1, body, bodyLen, &err);
  if (n < 0) {
    CString text(u"ERROR:");
    if (err) text += CString(err);
    MessageBox(text, u"", MB_OK);
    return FALSE;
  }
  return SendPacket(packet, n);
}

BOOL CVXScreenDlg::SendForAccount(uint16_t code, const unsigned char* body, int bodyLen) {
  if (!SendEncrypted(code, body, bodyLen)) return FALSE;
  bool known = false;
  for (int i = 0; i < m_tiedCodeCount; ++i) known = known || m_tiedCodes[i] == code;
  if (!known && m_tiedCodeCount < static_cast<int>(std::size(m_tiedCodes))) m_tiedCodes[m_tiedCodeCount++] = code;
  if (m_tiedCount == kTiedMax) {
    // Sixteen requests without an answer: the oldest is given up.
    std::memmove(m_tied, m_tied + 1, sizeof m_tied[0] * (kTiedMax - 1));
    --m_tiedCount;
  }
  m_tied[m_tiedCount++] = TiedRequest{code, m_accountEpoch};
  return TRUE;
}

CVXScreenDlg::Tie CVXScreenDlg::TakeTie(uint16_t code) {
  bool known = false;
  for (int i = 0; i < m_tiedCodeCount; ++i) known = known || m_tiedCodes[i] == code;
  if (!known) return Tie::Untied;
  for (int i = 0; i < m_tiedCount; ++i) {
    if (m_tied[i].code != code) continue;
    bool current = m_tied[i].accountEpoch == m_accountEpoch;
    std::memmove(m_tied + i, m_tied + i + 1, sizeof m_tied[0] * static_cast<size_t>(m_tiedCount - i - 1));
    --m_tiedCount;
    return current ? Tie::Current : Tie::Stale;
  }
  return Tie::Stale;  // nothing of this code is awaited
}

void CVXScreenDlg::ReportShortReply(uint16_t code) {
  CString text;
  text.Format(u"ERROR : 수신 데이터 길이 오류 (%d)", static_cast<int>(code));
  OnReplyLost(code, text);
}

void CVXScreenDlg::ReportBadReply(uint16_t code) {
  CString text;
  text.Format(u"ERROR : 수신 데이터 형식 오류 (%d)", static_cast<int>(code));
  OnReplyLost(code, text);
}

BOOL CVXScreenDlg::ReadOrderNumber(const vxwire::Reader& reply, const vxwire::Field& field, uint16_t code,
                                   CString* number) {
  if (!reply.Has(field)) {
    ReportShortReply(code);
    return FALSE;
  }
  // The order number shown must be one: a reply whose number is not digits is not a result.
  if (!reply.IsDigits(field)) {
    ReportBadReply(code);
    return FALSE;
  }
  *number = CString::FromMultiByte(reply.Text(field).c_str());
  return TRUE;
}

void CVXScreenDlg::OnReplyLost(uint16_t code, const CString& reason) {
  const WCHAR* outcome = OutcomeUnknownText(code);
  if (!outcome) {
    MessageBox(reason, u"", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  MessageBox(reason + CString(u"\n") + CString(outcome), code == 2425 ? u"이체처리결과" : u"주문처리결과",
             MB_OK | MB_ICONEXCLAMATION);
}

void CVXScreenDlg::BoxCp949(const char* text, const char* caption, UINT type) {
  MessageBox(CString(text ? text : ""), CString(caption ? caption : ""), type);
}

bool CVXScreenDlg::ListDropped() const {
  HWND focus = ::GetFocus();
  // The focus is on the combo itself (a drop-down list) or on its edit field (a drop-down).
  for (int depth = 0; focus && focus != m_hWnd && depth < 2; ++depth, focus = ::GetParent(focus)) {
    WCHAR cls[16] = {};
    if (::GetClassName(focus, cls, 16) > 0 && CString(cls).CompareNoCase(WC_COMBOBOX) == 0)
      return ::SendMessage(focus, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
  }
  return false;
}

void CVXScreenDlg::FocusItemCombo() {
  if (ListDropped()) return;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->SetFocus();
}

// ---- Item-code chain -----------------------------------------------------------------------------

void CVXScreenDlg::OnItemEditChange() {
  if (m_inItemChain) return;
  CString text;
  if (!GetItemCodeText(IDC_ITEM_EDIT, text)) return;
  m_inItemChain = true;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->SetWindowText(text);
  SetItemCodeField(1);
  RequestItemBase();
  if (m_config.itemNameStatic) {
    CString name;
    GetDlgItemText(kItemName, name);
    SetDlgItemText(m_config.itemNameStatic, name);
  }
  if (m_config.itemNext)
    if (CWnd* next = GetDlgItem(m_config.itemNext)) next->SetFocus();
  m_inItemChain = false;
}

void CVXScreenDlg::OnItemComboEditChange() {
  if (m_inItemChain) return;
  CString text;
  if (!GetItemCodeText(IDC_ITEM_COMBO, text)) return;
  SetItemCodeField(1);
  if (m_config.chain == ItemChain::NoEdit) {
    RequestItemBase();
    return;
  }
  SetDlgItemText(IDC_ITEM_EDIT, text);  // runs the edit's chain
  if (m_config.chain == ItemChain::EcnDirect) RequestItemBase();
}

void CVXScreenDlg::OnItemComboSelChange() {
  if (m_inItemChain) return;
  CString text;
  if (!GetComboSelText(IDC_ITEM_COMBO, text)) return;
  SetItemCodeField(0);
  if (m_config.chain == ItemChain::Edit) {
    SetDlgItemText(IDC_ITEM_EDIT, text);  // runs the edit's chain
    return;
  }
  if (m_config.chain == ItemChain::EcnDirect) {
    // The quote is asked for directly; the edit still shows the item picked, so that what is
    // shown is what is ordered, without running its chain (one request, not two).
    m_inItemChain = true;
    SetDlgItemText(IDC_ITEM_EDIT, text);
    m_inItemChain = false;
  }
  RequestItemBase();
}

void CVXScreenDlg::OnAccountSelChange() {
  if (!m_config.passwordEdit) return;
  SetDlgItemText(m_config.passwordEdit, u"");
  if (CWnd* pw = GetDlgItem(m_config.passwordEdit)) pw->SetFocus();
}

void CVXScreenDlg::OnNumberChange(const NumberEdit& edit) {
  size_t slot = static_cast<size_t>(&edit - m_config.numbers);
  auto* ctl = static_cast<CEdit*>(GetDlgItem(edit.id));
  if (!ctl) return;
  CString text;
  ctl->GetWindowText(text);
  CString grouped = GroupThousands(text);
  if (grouped.GetLength() <= kNumberEditChars) {
    if (slot < std::size(m_lastNumber)) m_lastNumber[slot] = grouped;
    if (grouped != text) {
      ctl->SetWindowText(grouped);  // comes back here once more, unchanged
      ctl->SetSel(grouped.GetLength(), grouped.GetLength());
      ctl->SendMessage(EM_SCROLLCARET);
    }
    return;
  }
  // Too long to be shown grouped: the edit takes no more and keeps the last value it showed
  // grouped, so that what is shown is always what would be sent.
  ctl->LimitText(kNumberEditChars);
  CString last = slot < std::size(m_lastNumber) ? m_lastNumber[slot] : CString();
  ctl->SetWindowText(last);
  ctl->SetSel(last.GetLength(), last.GetLength());
  if (edit.kind == NumberKind::PriceWarn) MessageBox(u"주문금액이 초과 하였습니다.", u"", MB_OK);
}

// ---- Messages --------------------------------------------------------------------------------------

LRESULT CVXScreenDlg::OnVxQuery(WPARAM, LPARAM) {
  bool first = !m_queried;
  m_queried = true;
  if (first && m_heldCount > 0) {
    // Requests made while the dialog was being created go out now, in their order.
    int at = 0;
    while (at + TR_HEADER_SIZE <= m_heldBytes) {
      int len = static_cast<int>(TrGetU32(m_held + at));
      if (len < TR_HEADER_SIZE || at + len > m_heldBytes) break;
      if (!SendPacket(m_held + at, len)) break;
      at += len;
    }
    m_heldCount = 0;
    m_heldBytes = 0;
  }
  OnQuery();
  return 0;
}

LRESULT CVXScreenDlg::OnVxCodesReady(WPARAM, LPARAM lParam) {
  // The host hands the current screen the socket of a new connection, which answers nothing
  // that was asked on the old one.
  g_socket = static_cast<SOCKET>(lParam);
  m_tiedCount = 0;
  return 0;
}

void CVXScreenDlg::ShowItemName(const unsigned char* body, int len) {
  if (!m_config.itemNameStatic || len < 12) return;
  int n = 0;
  while (n < 12 && body[n]) ++n;
  SetDlgItemText(m_config.itemNameStatic, CString::FromMultiByte(reinterpret_cast<const char*>(body), n));
}

LRESULT CVXScreenDlg::OnVxPacket(WPARAM wParam, LPARAM lParam) {
  const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
  if (!packet) return 0;
  if (m_config.replyCodes) {
    uint16_t code = TrGetU16(packet + 4);
    bool own = code == TR_STOCK_BASE || code == TR_FUTOPT_BASE;
    for (size_t i = 0; !own && i < m_config.replyCodeCount; ++i) own = m_config.replyCodes[i] == code;
    if (!own) return 0;
  }
  if (TakeTie(TrGetU16(packet + 4)) == Tie::Stale) {
    // Asked for another account than the one now chosen: not shown, whatever it holds.
    if (m_tiedCount == 0) {
      KillTimer(kReplyTimer);
      EndWaitCursor();
    }
    return 0;
  }
  if (m_config.plainReplies) {
    uint32_t total = TrGetU32(packet);
    if (total < TR_HEADER_SIZE || total > TR_MAX_PACKET) {
      ReportShortReply(TrGetU16(packet + 4));
      return 0;
    }
    uint16_t code = TrGetU16(packet + 4);
    const auto* body = lParam ? reinterpret_cast<const unsigned char*>(lParam) : packet + TR_HEADER_SIZE;
    int bodyLen = static_cast<int>(total) - TR_HEADER_SIZE;
    if (packet[11] != '0' || packet[12] != '0') {
      Show_ServerMessage(reinterpret_cast<const char*>(packet), static_cast<int>(total));
    } else if (code == TR_STOCK_BASE) {
      if (!PrintStockBase(body, bodyLen))
        ReportShortReply(code);
      else
        ShowItemName(body, bodyLen);
    } else {
      OnReply(code, body, bodyLen);
    }
    // Only the screen's own replies end the wait: a push comes whenever the market moves, also
    // between a request and its reply.
    if (!IsPushCode(code)) {
      KillTimer(kReplyTimer);
      EndWaitCursor();
    }
    return 1;
  }

  const uint16_t wireCode = TrGetU16(packet + 4);
  if (TrGetU32(packet) > TR_MAX_PACKET) {
    // Longer than a receive slot: the receive thread kept its header only and dropped the rest.
    ReportShortReply(wireCode);
    return 0;
  }
  uint16_t code = 0;
  const char* err = nullptr;
  int len = m_pEncrypt ? m_pEncrypt->analy_recv_packet(packet, 0, m_recv, sizeof m_recv, &code, &err)
                       : EE_Encrypt::PK_BAD_ARGUMENT;
  if (len < 0) {
    MessageBox(u"ERROR : 데이터 수신 에러", u"", MB_OK);
    OnReplyLost(wireCode, CString(err ? err : ""));
    return 0;
  }
  // The server marks success with a '0' in either status byte.
  bool ok = packet[11] == '0' || packet[12] == '0';
  if (!ok) {
    if (len < SERVER_MESSAGE_CAPTION) return 0;
    CString caption = CString::FromMultiByte(reinterpret_cast<const char*>(m_recv), SERVER_MESSAGE_CAPTION);
    CString text = CString::FromMultiByte(reinterpret_cast<const char*>(m_recv) + SERVER_MESSAGE_CAPTION,
                                          len - SERVER_MESSAGE_CAPTION);
    MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  if (code == TR_STOCK_BASE) {
    if (!PrintStockBase(m_recv, len))
      ReportShortReply(code);
    else
      ShowItemName(m_recv, len);
  } else {
    OnReply(code, m_recv, len);
  }
  return 1;
}

LRESULT CVXScreenDlg::OnVxPacketDropped(WPARAM wParam, LPARAM) {
  const auto* header = reinterpret_cast<const unsigned char*>(wParam);
  // Only a header whose length says it was too long: anything else would be read as a reply.
  if (!header || TrGetU32(header) <= TR_MAX_PACKET) return 0;
  return SendMessage(WM_VX_PACKET, wParam, 0);
}

LRESULT CVXScreenDlg::OnVxSocketStatus(WPARAM wParam, LPARAM) {
  const WCHAR* text = u"통신상의 문제로 연결이 끊어졌습니다. 재접속하시기 바랍니다.";
  const WCHAR* caption = u"Larkspin";
  if (m_config.fixedSocketText)
    caption = u"오류 메시지";
  else if (wParam == 1900)
    text = u"서버에 연결할 수 없습니다.";
  else if (wParam == 1901)
    text = u"서버와의 연결이 끊어졌습니다.";
  MessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
  ::PostMessage(GetWndOwner(), WM_VX_EXIT_APP, 0, 0);
  return 0;
}

void CVXScreenDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
  (void)id;
  DrawItem(dis);
  if (!dis) return;
  if (m_config.fullScreenAfterEveryDraw) {
    SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
    return;
  }
  for (size_t i = 0; i < m_config.finderCount; ++i)
    if (m_config.finderButtons[i] == dis->CtlID) {
      SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
      break;
    }
}

void CVXScreenDlg::OnPaint() {
  CPaintDC paint(this);
  if (!IsStripInUse()) return;
  CClientDC dc(this);
  const bool stock = m_config.stockStrip;
  RECT upper{1, 44, stock ? 208 : 239, 63};
  RECT lower{1, 279, 239, 298};
  // Only the lines of the strip that need painting are drawn again (a push into the upper line
  // repaints that line alone, many times a second).
  RECT unused;
  const bool drawUpper = ::IntersectRect(&unused, &paint.m_ps.rcPaint, &upper) != FALSE;
  const bool drawLower = ::IntersectRect(&unused, &paint.m_ps.rcPaint, &lower) != FALSE;
  if (drawUpper) dc.Rectangle(upper.left, upper.top, upper.right, upper.bottom);
  if (drawLower) dc.Rectangle(lower.left, lower.top, lower.right, lower.bottom);
  CPen pen(PS_SOLID, 1, RGB(0xC0, 0xC0, 0xC0));
  CPen* old = dc.SelectObject(&pen);
  // Separators between the fields of each line: the stock and the futures/options strips
  // place their fields apart differently.
  static constexpr int kStockUpper[] = {71, 91, 141}, kFutOptUpper[] = {71, 99, 161};
  static constexpr int kStockLower[] = {25, 69, 87, 121, 147, 185, 203};
  static constexpr int kFutOptLower[] = {31, 69, 87, 121, 147, 185, 203};
  if (drawUpper)
    for (int x : stock ? kStockUpper : kFutOptUpper) DrawLine(&dc, x, 45, 62);
  if (drawLower)
    for (int x : stock ? kStockLower : kFutOptLower) DrawLine(&dc, x, 280, 297);
  dc.SelectObject(old);
}

void CVXScreenDlg::OnTimer(UINT id) {
  if (id == kReplyTimer) {
    KillTimer(kReplyTimer);
    EndWaitCursor();
    return;
  }
  CVXDlg::OnTimer(id);
}

}  // namespace vxskel
