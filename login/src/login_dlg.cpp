#include "vxlogin/login_dlg.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "login_faces.h"
#include "vxbase/prop_ce.h"

namespace vxlogin {

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;  // drawn from their faces
constexpr DWORD kCheck = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr int kNoId = 0xFFFF;

const plat::DialogItemTemplate kLoginItems[] = {
    {u"STATIC", 1004, u"Larkspin", WS_VISIBLE | SS_CENTER, 0, 20, 30, 200, 40},
    {u"STATIC", kNoId, u"사용자 ID", WS_VISIBLE | SS_LEFT, 0, 20, 100, 70, 20},
    {u"EDIT", IDC_LOGIN_ID, u"", kEdit, 0, 95, 98, 120, 22},
    {u"STATIC", kNoId, u"비밀번호", WS_VISIBLE | SS_LEFT, 0, 20, 128, 70, 20},
    {u"EDIT", IDC_LOGIN_PASSWORD, u"", kEdit | ES_PASSWORD, 0, 95, 126, 120, 22},
    {u"BUTTON", IDC_LOGIN_SAVE, u"저장", kCheck, 0, 20, 156, 80, 20},
    {u"BUTTON", IDC_LOGIN_AUTO, u"자동수신", kCheck, 0, 120, 156, 100, 20},
    {u"BUTTON", IDC_LOGIN_CONNECT, u"연결", kPush, 0, 20, 190, 60, 26},
    {u"BUTTON", IDC_LOGIN_SETTINGS, u"설정", kPush, 0, 90, 190, 60, 26},
    {u"BUTTON", IDC_LOGIN_CANCEL, u"취소", kPush, 0, 160, 190, 60, 26},
    {u"STATIC", 1005, u"", WS_VISIBLE, 0, 20, 230, 200, 40},
};
const plat::DialogTemplate kLoginDlg = {
    WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kLoginItems, std::size(kLoginItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kLoginDlg, sizeof kLoginDlg);

const plat::DialogItemTemplate kAlertItems[] = {
    {u"STATIC", IDC_ALERT_TEXT, VX_ALERT_TEXT, WS_VISIBLE | SS_LEFT, 0, 10, 30, 200, 80},
};
const plat::DialogTemplate kAlertDlg = {WS_POPUP | WS_VISIBLE | WS_CAPTION,
                                        0,
                                        10,
                                        90,
                                        220,
                                        130,
                                        u"Larkspin",
                                        nullptr,
                                        u"Tahoma",
                                        13,
                                        kAlertItems,
                                        std::size(kAlertItems)};
PLAT_RESOURCE(plat::res::Dialog, IDD_LOGIN_ALERT, &kAlertDlg, sizeof kAlertDlg);

const WCHAR kAutoNotice[] =
    u"\n  '자동 수신'에 체크하여 이용하시면 \n   데이터의 전송양이 많아져서 \n   사용요금이 증가할 수 있습니다. \n"
    u"   시세 자동갱신을 원하지 않으시면, \n   '자동 수신'에 체크를 해제하고 \n   로그인 하시기 바랍니다. \n \n"
    u"  * 자동 갱신 화면 \n      - 현재가 (5호가/ 10호가) \n      - 관심 종목 \n      - 선물 호가 \n      - 옵션 호가  "
    u"\n";
const plat::DialogItemTemplate kAutoItems[] = {
    {u"STATIC", IDC_AUTO_NOTICE, kAutoNotice, WS_VISIBLE | SS_LEFT, 0, 5, 5, 230, 210},
    {u"STATIC", IDC_AUTO_QUESTION, u"자동 갱신을 선택하시겠습니까 ?", WS_VISIBLE | SS_CENTER, 0, 5, 220, 230, 20},
    {u"BUTTON", IDOK, u"예", kPush, 0, 40, 250, 70, 26},
    {u"BUTTON", IDCANCEL, u"아니오", kPush, 0, 130, 250, 70, 26},
};
const plat::DialogTemplate kAutoDlg = {
    WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 320, u"", nullptr, u"Tahoma", 13, kAutoItems, std::size(kAutoItems)};
PLAT_RESOURCE(plat::res::Dialog, IDD_AUTO_RECEIVE, &kAutoDlg, sizeof kAutoDlg);

HMODULE g_module = nullptr;  // this plug-in, whose resources hold the button faces

bool IsStockKind(const unsigned char* kind) {
  static const char* kKinds[] = {"01", "02", "06", "09"};
  for (const char* k : kKinds)
    if (kind[0] == k[0] && kind[1] == k[1]) return true;
  return false;
}

// Writes `accounts` as "0", "1", ... and "Account Count" under `key`, and deletes numbered
// values left from a longer list of an earlier login.
void WriteAccounts(const WCHAR* key, const CString* accounts, int count) {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key)) return;
  long before = reg.GetLongValue(u"Account Count");
  CString name;
  for (int i = 0; i < count; ++i) {
    name.Format(u"%d", i);
    reg.SetValue(name, static_cast<const WCHAR*>(accounts[i]));
  }
  for (long i = count; i < before && i < 1000; ++i) {
    name.Format(u"%d", static_cast<int>(i));
    reg.DeleteValue(name);
  }
  reg.SetValue(u"Account Count", static_cast<DWORD>(count));
}

}  // namespace

BEGIN_MESSAGE_MAP(CVXLoginDlg, CDialog)
ON_MESSAGE(WM_VX_CODES_READY, OnCodesReady)
ON_MESSAGE(WM_VX_PACKET, OnPacket)
ON_MESSAGE(WM_VX_STATUS_TEXT, OnStatusText)
ON_MESSAGE(WM_VX_SHOW_ALERT, OnShowAlert)
ON_WM_TIMER()
ON_WM_PAINT()
ON_WM_CTLCOLOR()
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CAutoReceiveDlg, CDialog)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

void CVXLoginDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
  UINT face = static_cast<UINT>(id);  // 1002, 4 and 3 are drawn from the bitmaps of their ids
  DrawFaceButton(g_module, dis, face, face);
}

void CAutoReceiveDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
  if (id == IDOK)
    DrawFaceButton(g_module, dis, 154, 151);
  else if (id == IDCANCEL)
    DrawFaceButton(g_module, dis, 152, 153);
}

CVXLoginDlg::CVXLoginDlg() : CDialog(129) {}

CVXLoginDlg::~CVXLoginDlg() {
  std::memset(m_buf, 0, sizeof m_buf);
  std::memset(m_out, 0, sizeof m_out);
}

BOOL CVXLoginDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_white.CreateSolidBrush(RGB(255, 255, 255));
  ReadRegistry();
  ChooseFocus();
  SetTimer(kFocusTimer, kFocusDelayMs, nullptr);
  char number[kPhoneField + 1] = {};
  if (ModemPhoneNumber(number, sizeof number) == MODEM_FOUND) {
    std::memcpy(m_phone, number, sizeof m_phone);
    m_phoneKnown = true;
  }
  return FALSE;  // the focus is chosen above
}

BOOL CVXLoginDlg::DestroyWindow() {
  CloseAlert();
  return CDialog::DestroyWindow();
}

void CVXLoginDlg::ReadRegistry() {
  CPropCE reg;
  CString saveId, loginId;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK, TRUE)) {
    if (!reg.IsExistValue(u"SaveID")) reg.SetValue(u"SaveID", u"0");
    if (!reg.IsExistValue(u"LoginID")) reg.SetValue(u"LoginID", u"0");
    // No password is ever kept: one stored by an earlier version is wiped.
    reg.SetValue(u"Password", u"");
    saveId = reg.GetValue(u"SaveID");
    loginId = reg.GetValue(u"LoginID");
  } else if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK)) {
    reg.SetValue(u"LastUpdateDt", u"1900-01-01 00:00:00");
    reg.SetValue(u"SaveID", u"0");
    reg.SetValue(u"LoginID", u"");
    reg.SetValue(u"Password", u"");
    saveId = CString(u"0");
  }
  if (reg.IsOpen()) {
    if (!reg.IsExistValue(u"IsReal")) reg.SetValue(u"IsReal", u"FALSE");
    CString isReal = reg.GetValue(u"IsReal");
    if (auto* autoBox = static_cast<CButton*>(GetDlgItem(IDC_LOGIN_AUTO)))
      autoBox->SetCheck(isReal == u"TRUE" ? BST_CHECKED : BST_UNCHECKED);
  }
  if (auto* id = static_cast<CEdit*>(GetDlgItem(IDC_LOGIN_ID))) id->LimitText(10);
  if (auto* pw = static_cast<CEdit*>(GetDlgItem(IDC_LOGIN_PASSWORD))) pw->LimitText(8);
  if (saveId == u"1") {
    if (auto* save = static_cast<CButton*>(GetDlgItem(IDC_LOGIN_SAVE))) save->SetCheck(BST_CHECKED);
    SetDlgItemText(IDC_LOGIN_ID, loginId.Left(10));
  }
}

void CVXLoginDlg::ChooseFocus() {
  CString id;
  GetDlgItemText(IDC_LOGIN_ID, id);
  if (CWnd* target = GetDlgItem(id.IsEmpty() ? IDC_LOGIN_ID : IDC_LOGIN_PASSWORD)) target->SetFocus();
}

BOOL CVXLoginDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (id == IDC_LOGIN_ID || id == IDC_LOGIN_PASSWORD) {
    if (code == EN_SETFOCUS) SHSipShowIM(SIPF_ON);
    if (code == EN_KILLFOCUS) SHSipShowIM(SIPF_OFF);
  }
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_LOGIN_CONNECT: OnLogin(); return TRUE;
      case IDC_LOGIN_SETTINGS: ::PostMessage(m_hWndFrame, WM_VX_OPEN_SCREEN, kSettingsScreen, 0); return TRUE;
      case IDC_LOGIN_CANCEL: ::SendMessage(m_hWndFrame, WM_VX_EXIT_APP, 1, 0); return TRUE;
      case IDC_LOGIN_AUTO: OnAutoReceive(); return TRUE;
      case IDC_LOGIN_SAVE: ChooseFocus(); return TRUE;
      default: break;
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}

// ---- Login ---------------------------------------------------------------------------------------

void CVXLoginDlg::OnLogin() {
  SHSipShowIM(SIPF_OFF);
  EnableButtons(FALSE);
  CString id, password;
  GetDlgItemText(IDC_LOGIN_ID, id);
  GetDlgItemText(IDC_LOGIN_PASSWORD, password);
  if (id.IsEmpty()) {
    Box(u"사용자 ID를 입력하세요");
    EnableButtons(TRUE);
    if (CWnd* w = GetDlgItem(IDC_LOGIN_ID)) w->SetFocus();
    return;
  }
  if (password.IsEmpty()) {
    Box(u"비밀번호를 입력하세요");
    EnableButtons(TRUE);
    if (CWnd* w = GetDlgItem(IDC_LOGIN_PASSWORD)) w->SetFocus();
    return;
  }
  m_id = id;
  m_idMasked = true;
  SetDlgItemText(IDC_LOGIN_ID, CString(u'*', id.GetLength()));

  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK)) {
    auto* save = static_cast<CButton*>(GetDlgItem(IDC_LOGIN_SAVE));
    if (save && save->GetCheck() == BST_CHECKED) {
      reg.SetValue(u"SaveID", u"1");
      reg.SetValue(u"LoginID", static_cast<const WCHAR*>(m_id));
      reg.SetValue(u"Password", u"");
    } else {
      reg.SetValue(u"SaveID", u"0");
    }
  }

  ShowAlert(nullptr);
  if (m_connected) {
    StartKeyExchange(false, m_socket);
    return;
  }
  LRESULT r = ::SendMessage(m_hWndFrame, WM_VX_CONNECT, 0, 0);
  if (static_cast<long>(r) < 0) {
    CloseAlert();
    EnableButtons(TRUE);
    RestoreId();
  }
}

void CVXLoginDlg::StartKeyExchange(bool fromFrame, SOCKET socket) {
  m_connected = true;
  if (fromFrame) m_socket = socket;
  if (!RunKeyExchange(true)) {
    CloseAlert();
    EnableButtons(TRUE);
    RestoreId();
  }
}

bool CVXLoginDlg::RunKeyExchange(bool start) {
  if (!m_pEncrypt) return false;
  // After a certificate push the exchange goes on with a new token under the certificate just
  // stored; init would start a new exchange, in which the server could push again.
  if (start) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::srand(static_cast<unsigned>(now.wMinute + now.wSecond));
    unsigned char seed[31];
    for (int i = 0; i < 30; ++i) seed[i] = static_cast<unsigned char>(std::rand() & 0xFF);
    seed[30] = 0;
    if (m_pEncrypt->init(VX_CERT_FILE, seed, sizeof seed) < 0) {
      Box(u"ERROR : 암호화 라이브러리 초기화");
      return false;
    }
  }
  int n = m_pEncrypt->create_send_key(m_buf, sizeof m_buf);
  if (n < 0) {
    Box(u"ERROR : 최초 키 교환을 위한 키 토큰 생성");
    return false;
  }
  int len = m_pEncrypt->make_packet(m_out, sizeof m_out, TR_LOGIN_KEY, '4', 1, 0, 1, 1, 0, 0, m_buf, n);
  if (len < 0) {
    Box(u"ERROR : 패킷 구성");
    return false;
  }
  return Send(m_out, len);
}

void CVXLoginDlg::SendPhoneAndLogin() {
  if (!m_phoneKnown) {
    char number[kPhoneField + 1] = {};
    if (LibraryPhoneNumber(number, sizeof number) > 0) {
      std::memcpy(m_phone, number, sizeof m_phone);
      m_phoneKnown = true;
    }
  }
  if (m_phoneKnown) {
    unsigned char body[kPhoneField] = {};
    std::memcpy(body, m_phone, std::min<size_t>(std::strlen(m_phone), sizeof body));
    int len = m_pEncrypt->make_packet(m_out, sizeof m_out, TR_PHONE_NO, '4', 1, 0, 1, 1, 0, 0, body, kPhoneSent);
    if (len < 0 || !Send(m_out, len)) {
      Fail(u"ERROR : 전화번호 전송 에러", true);
      return;
    }
  }

  unsigned char body[2 * kLoginField];
  CString password;
  GetDlgItemText(IDC_LOGIN_PASSWORD, password);
  FillField(m_id, body, kLoginField);
  FillField(password, body + kLoginField, kLoginField);
  const char* err = nullptr;
  int len = m_pEncrypt->make_packet(m_out, 512, TR_LOGIN, '4', 1, 0, 1, 1, 0, 1, body, sizeof body, &err);
  std::memset(body, 0, sizeof body);
  if (len < 0) {
    Fail(CString(u"ERROR:") + CString(err ? err : ""), true);
    return;
  }
  bool sent = Send(m_out, len);
  std::memset(m_out, 0, static_cast<size_t>(len));
  if (!sent) Fail(nullptr, true);
}

// ---- Replies --------------------------------------------------------------------------------------

LRESULT CVXLoginDlg::OnCodesReady(WPARAM, LPARAM lParam) {
  StartKeyExchange(true, static_cast<SOCKET>(lParam));
  return 0;
}

LRESULT CVXLoginDlg::OnPacket(WPARAM wParam, LPARAM) {
  const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
  if (!packet || !m_pEncrypt) return 0;
  uint16_t code = 0;
  const char* err = nullptr;
  int len = m_pEncrypt->analy_recv_packet(packet, 0, m_buf, sizeof m_buf, &code, &err);
  if (len < 0) {
    CloseAlert();
    EnableButtons(TRUE);
    Box(u"ERROR : 데이터 수신 에러");
    Box(CString(err ? err : ""));
    RestoreId();
    return 0;
  }
  if (packet[11] != '0' && packet[12] != '0') {
    CloseAlert();
    EnableButtons(TRUE);
    if (len >= SERVER_MESSAGE_CAPTION) {
      CString caption = CString::FromMultiByte(reinterpret_cast<const char*>(m_buf), SERVER_MESSAGE_CAPTION);
      CString text = CString::FromMultiByte(reinterpret_cast<const char*>(m_buf) + SERVER_MESSAGE_CAPTION,
                                            len - SERVER_MESSAGE_CAPTION);
      Box(text, caption, MB_OK | MB_ICONEXCLAMATION);
    }
    m_showSip = true;
    RestoreId();
    return 0;
  }
  switch (code) {
    case TR_LOGIN_KEY: {
      int r = m_pEncrypt->analy_recv_key(m_buf, len);
      if (r == EE_OK) {
        SendPhoneAndLogin();
      } else if (r == EE_RESEND_KEY) {
        // The server sent its certificate (now stored): exchange keys again with it.
        if (!RunKeyExchange(false)) Fail(u"ERROR : 암호화 실패", true);
      } else {
        Fail(u"ERROR : 암호화 실패", true);
      }
      break;
    }
    case TR_LOGIN:
      CloseAlert();
      StoreAccounts(m_buf, len);
      break;
    default: break;
  }
  return 0;
}

void CVXLoginDlg::StoreAccounts(const unsigned char* body, int len) {
  constexpr int kCountAt = 30, kFirstAt = 31, kAccountLen = 10;
  int count = len > kCountAt ? static_cast<int8_t>(body[kCountAt]) : 0;
  if (count < 1) count = 0;
  // Only the accounts the reply holds.
  int held = len > kFirstAt ? (len - kFirstAt) / kAccountLen : 0;
  if (count > held) count = held;

  CString stock[128], futopt[128];
  int nStock = 0, nFutopt = 0;
  for (int i = 0; i < count && i < 128; ++i) {
    const unsigned char* a = body + kFirstAt + i * kAccountLen;
    CString account = CString::FromMultiByte(reinterpret_cast<const char*>(a), kAccountLen);
    if (IsStockKind(a + 8))
      stock[nStock++] = account;
    else if (a[8] == '0' && a[9] == '3')
      futopt[nFutopt++] = account;
  }

  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT) && !reg.IsExistValue(u"itemCD"))
    reg.SetValue(u"itemCD", u"16360");
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK)) {
    auto* autoBox = static_cast<CButton*>(GetDlgItem(IDC_LOGIN_AUTO));
    reg.SetValue(u"IsReal", autoBox && autoBox->GetCheck() == BST_CHECKED ? u"TRUE" : u"FALSE");
  }
  WriteAccounts(VX_REG_STOCK, stock, nStock);
  WriteAccounts(VX_REG_FUTOPT, futopt, nFutopt);
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT) && !reg.IsExistValue(u"Login Message"))
    reg.SetValue(u"Login Message", u"");
  // The id field keeps its '*' while the frame goes on to the next screen; it gets its text back
  // only after a failure, when the user may log in again.
  ::SendMessage(m_hWndFrame, WM_VX_LOGIN_DONE, 0, 0);
}

LRESULT CVXLoginDlg::OnStatusText(WPARAM wParam, LPARAM lParam) {
  const auto* text = reinterpret_cast<const WCHAR*>(lParam);
  if (wParam == 0) {
    ShowAlert(text);
    return 0;
  }
  CloseAlert();
  EnableButtons(TRUE);
  Box(u"환경설정의 접속정보를 확인후 재접속 바랍니다[2]");
  RestoreId();
  return 0;
}

LRESULT CVXLoginDlg::OnShowAlert(WPARAM, LPARAM) {
  ShowAlert(nullptr);
  return 0;
}

// ---- Helpers -------------------------------------------------------------------------------------

bool CVXLoginDlg::Send(const unsigned char* packet, int length) {
  if (m_socket == INVALID_SOCKET) Box(u"Socket Invalid");
  int sent = ::send(m_socket, reinterpret_cast<const char*>(packet), length, 0);
  return sent == length;
}

void CVXLoginDlg::Fail(const WCHAR* text, bool restoreId) {
  CloseAlert();
  EnableButtons(TRUE);
  if (text) Box(text);
  if (restoreId) RestoreId();
}

void CVXLoginDlg::EnableButtons(BOOL on) {
  for (UINT id : {IDC_LOGIN_CONNECT, IDC_LOGIN_SETTINGS})
    if (CWnd* w = GetDlgItem(static_cast<int>(id))) w->EnableWindow(on);
}

void CVXLoginDlg::ShowAlert(const WCHAR* status) {
  if (!m_alert) {
    m_alert = new CLoginAlertDlg;
    if (!m_alert->Create(IDD_LOGIN_ALERT, this)) {
      delete m_alert;
      m_alert = nullptr;
      return;
    }
  }
  CString text(VX_ALERT_TEXT);
  if (status) text += CString(status) + CString(u" ...");
  m_alert->SetDlgItemText(IDC_ALERT_TEXT, text);
  m_alert->ShowWindow(SW_SHOW);
}

void CVXLoginDlg::CloseAlert() {
  if (!m_alert) return;
  CLoginAlertDlg* alert = m_alert;
  m_alert = nullptr;
  alert->DestroyWindow();
  delete alert;
}

void CVXLoginDlg::RestoreId() {
  if (!m_idMasked) return;
  m_idMasked = false;
  SetDlgItemText(IDC_LOGIN_ID, m_id);
}

void CVXLoginDlg::Box(const WCHAR* text, const WCHAR* caption, UINT type) {
  if (caption)
    MessageBox(text, caption, type);
  else
    AfxMessageBox(text, type);
}

void CVXLoginDlg::OnAutoReceive() {
  SHSipShowIM(SIPF_OFF);
  CAutoReceiveDlg dlg(this);
  INT_PTR r = dlg.DoModal();
  auto* box = static_cast<CButton*>(GetDlgItem(IDC_LOGIN_AUTO));
  if (box) box->SetCheck(r == IDOK ? BST_CHECKED : BST_UNCHECKED);
  ::SendMessage(m_hWndFrame, WM_VX_SET_AUTO_RECEIVE, 0, r == IDOK ? 1 : 0);
  ChooseFocus();
}

BOOL CAutoReceiveDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  return TRUE;
}

void CVXLoginDlg::OnTimer(UINT id) {
  if (id == kFocusTimer) {
    KillTimer(kFocusTimer);
    // A tap in progress keeps the focus it took: moving it would cancel the tap (the pressed
    // "연결" would never click).
    if (!::GetCapture()) ChooseFocus();
    return;
  }
  Default();
}

void CVXLoginDlg::OnPaint() {
  CPaintDC dc(this);
  if (m_showSip) SHSipShowIM(SIPF_ON);
}

HBRUSH CVXLoginDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, kind);
  if (kind == CTLCOLOR_STATIC || kind == CTLCOLOR_BTN || kind == CTLCOLOR_DLG) {
    if (dc) dc->SetBkColor(RGB(255, 255, 255));
    return static_cast<HBRUSH>(m_white.GetSafeHandle());
  }
  return brush;
}

// ---- Exports --------------------------------------------------------------------------------------

namespace {
CVXLoginDlg* g_login = nullptr;
uint32_t g_record[2];
}  // namespace

}  // namespace vxlogin

extern "C" __attribute__((visibility("default"))) void* MainDlg(void* result, HWND frame, SOCKET socket,
                                                                CVXSocketThread* thread, EE_Encrypt* encrypt,
                                                                CCodeManager* codes, BOOL autoReceive,
                                                                CMenuConfigFile* menu) {
  (void)thread, (void)codes, (void)autoReceive, (void)menu;
  using vxlogin::g_login;
  if (g_login) {
    g_login->DestroyWindow();
    delete g_login;
    g_login = nullptr;
  }
  vxlogin::g_module = ::GetModuleHandle(u"VXLogin.dll");
  if (vxlogin::g_module) AfxSetResourceHandle(vxlogin::g_module);
  auto* dlg = new vxlogin::CVXLoginDlg;
  dlg->m_hWndFrame = frame;
  dlg->m_socket = socket;
  dlg->m_pEncrypt = encrypt;
  g_login = dlg;
  vxlogin::g_record[0] = 0;
  vxlogin::g_record[1] = 0;
  if (dlg->Create(129)) {
    dlg->ShowWindow(SW_SHOW);
    vxlogin::g_record[0] = static_cast<uint32_t>(dlg->m_hWnd);
  }
  if (!result) return vxlogin::g_record;
  std::memcpy(result, vxlogin::g_record, sizeof vxlogin::g_record);
  return result;
}

extern "C" __attribute__((visibility("default"))) void EndDlg() {
  using vxlogin::g_login;
  if (!g_login) return;
  vxlogin::CVXLoginDlg* dlg = g_login;
  g_login = nullptr;
  if (dlg->m_hWnd) dlg->DestroyWindow();
  delete dlg;
}
