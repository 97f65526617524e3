// The base screen dialog: fonts, full-screen page, keypad target, timers, colours, fixed error
// messages, the server's error replies and the router of the common buttons.
#include "vxbase/vx_dlg.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "vxbase/menu_config.h"
#include "vxbase/messages.h"

// From the quick-move history library, which the programs load beside this one.
extern "C" int _qm_apply_his(CComboBox* combo);

CString CVXDlg::csLastItemCode;

BEGIN_MESSAGE_MAP(CVXDlg, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

namespace {

// Bytes of the code page 949 character that starts with `lead`.
int CharBytes(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

// Code page 949 bytes -> wide text: at most `maxBytes` bytes, cut at a NUL and never inside a
// double-byte character.
CString Cp949Text(const char* bytes, int count, int maxBytes) {
  if (!bytes || count <= 0) return CString();
  int limit = std::min(count, maxBytes);
  int n = 0;
  while (n < limit && bytes[n] != '\0') {
    int step = CharBytes(static_cast<unsigned char>(bytes[n]));
    if (n + step > limit) break;
    if (step == 2 && bytes[n + 1] == '\0') break;
    n += step;
  }
  return CString::FromMultiByte(bytes, n);
}

bool IsMenuGroupButton(UINT id) {
  return (id >= 8102 && id <= 8106) || id == 8108 || id == 8112 || (id >= 8203 && id <= 8206) || id == 8208;
}

// Keypad character of a keypad button; 0 for none.
WCHAR KeypadChar(UINT id) {
  if (id >= IDC_KEY_1 && id <= IDC_KEY_1 + 8) return static_cast<WCHAR>(u'1' + (id - IDC_KEY_1));
  switch (id) {
    case IDC_KEY_0: return u'0';
    case IDC_KEY_BACK: return 8;
    case IDC_KEY_MINUS: return u'-';
    case IDC_KEY_POINT: return u'.';
    default: return 0;
  }
}

bool IsKeypadId(UINT id) { return id >= IDC_KEY_1 && id <= IDC_KEY_POINT; }

}  // namespace

CVXDlg::CVXDlg(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {
  m_fontStripText.CreatePointFont(85, u"돋움");
}

CVXDlg::~CVXDlg() {
  for (CStatic*& s : m_pStripStatic) {
    if (!s) continue;
    if (s->m_hWnd && ::IsWindow(s->m_hWnd)) s->CWnd::DestroyWindow();
    delete s;
    s = nullptr;
  }
  // Fonts and brushes go with their members.
}

BOOL CVXDlg::OnInitDialog() {
  BOOL result = CDialog::OnInitDialog();
  if (!m_fontNormal.GetSafeHandle())
    m_fontNormal.CreateFont(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Arial");
  if (!m_fontBig.GetSafeHandle())
    m_fontBig.CreateFont(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Arial");
  if (!m_brushWhite.GetSafeHandle()) m_brushWhite.CreateSolidBrush(RGB(255, 255, 255));
  if (CWnd* quick = GetDlgItem(IDC_QUICK_MOVE)) _qm_apply_his(static_cast<CComboBox*>(quick));
  ShInitDlg();
  return result;
}

BOOL VXFullScreenDialog(HWND dlg) {
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dlg;
  info.dwFlags = SHIDIF_FULLSCREENNOMENUBAR;
  ::SHInitDialog(&info);
  if (HWND bar = ::SHFindMenuBar(dlg)) ::ShowWindow(bar, SW_HIDE);
  ::SHFullScreen(dlg, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  RECT r{};
  ::GetWindowRect(dlg, &r);
  ::MoveWindow(dlg, r.left, r.top - PLAT_TASKBAR_HEIGHT, r.right - r.left, r.bottom - r.top + PLAT_TASKBAR_HEIGHT,
               TRUE);
  return TRUE;
}

BOOL CVXDlg::ShInitDlg() { return VXFullScreenDialog(m_hWnd); }

BOOL CVXDlg::DestroyWindow() {
  m_fontNormal.DeleteObject();
  m_fontBig.DeleteObject();
  return CDialog::DestroyWindow();
}

void CVXDlg::OnOK() {
  // Enter never closes a screen.
}

int CVXDlg::ReQuery(const char* text) {
  (void)text;
  return 0;
}

BOOL CVXDlg::SetWndOwner(HWND owner) {
  m_hWndOwner = owner;
  return TRUE;
}

void CVXDlg::SetTitle(const char* title) { m_csTitle = CString::FromMultiByte(title ? title : ""); }
void CVXDlg::SetTitle(const WCHAR* title) { m_csTitle = CString(title); }

void CVXDlg::SetNormalFont(UINT id) {
  if (CWnd* c = GetDlgItem(static_cast<int>(id))) c->SetFont(&m_fontNormal, TRUE);
}

void CVXDlg::SetBigFont(UINT id) {
  if (CWnd* c = GetDlgItem(static_cast<int>(id))) c->SetFont(&m_fontBig, TRUE);
}

void CVXDlg::SetInputControl(UINT id) {
  m_nInputID = id;
  m_bClearOnNextKey = TRUE;
}

void CVXDlg::ReleaseInputControl() {
  m_nInputID = 0;
  m_bClearOnNextKey = FALSE;
}

BOOL CVXDlg::SendCharToID(UINT id, WCHAR ch) {
  if (m_nInputID == 0 || id == 0) return FALSE;
  CWnd* target = GetDlgItem(static_cast<int>(id));
  if (!target) return FALSE;
  if (m_bClearOnNextKey) {
    m_bClearOnNextKey = FALSE;
    target->SetWindowText(u"");
  }
  target->SendMessage(WM_CHAR, ch, 0);
  return TRUE;
}

void CVXDlg::StartWaitCursor() {
  BeginWaitCursor();
  SetTimer(VX_TIMER_REPLY, VX_REPLY_TIMEOUT_MS);
}

void CVXDlg::OnTimer(UINT id) {
  switch (id) {
    case VX_TIMER_TITLE:
      KillTimer(id);
      SetInputControl(IDC_ITEM_COMBO);
      if (GetDlgItem(IDC_TITLE)) SetDlgItemText(IDC_TITLE, m_csTitle);
      break;
    case VX_TIMER_FOCUS_TOP:
      KillTimer(id);
      if (CWnd* top = GetDlgItem(IDC_BTN_TOP_FIRST)) top->SetFocus();
      break;
    default: Default(); break;
  }
}

HBRUSH CVXDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, kind);
  if (!wnd || !dc) return brush;
  switch (wnd->GetDlgCtrlID()) {
    case IDC_ITEM_NAME:
      if (!m_brushItemName.GetSafeHandle()) m_brushItemName.CreateSolidBrush(RGB(255, 255, 191));
      dc->SetTextColor(RGB(0, 0, 0));
      dc->SetBkMode(TRANSPARENT);
      return static_cast<HBRUSH>(m_brushItemName.GetSafeHandle());
    case IDC_TITLE:
      if (!m_brushTitle.GetSafeHandle()) m_brushTitle.CreateSolidBrush(RGB(200, 200, 10));
      dc->SetTextColor(RGB(0, 0, 0));
      dc->SetBkMode(TRANSPARENT);
      return static_cast<HBRUSH>(m_brushTitle.GetSafeHandle());
    default: break;
  }
  COLORREF color = 0;
  if (GetStripTextColor(wnd->m_hWnd, &color)) {
    if (!m_brushWhite.GetSafeHandle()) m_brushWhite.CreateSolidBrush(RGB(255, 255, 255));
    dc->SetTextColor(color);
    dc->SetBkColor(RGB(255, 255, 255));
    return static_cast<HBRUSH>(m_brushWhite.GetSafeHandle());
  }
  return brush;
}

COLORREF CVXDlg::GetRGBColor(char sign) {
  switch (sign) {
    case '1':
    case '2': return RGB(255, 0, 0);
    case '4':
    case '5': return RGB(0, 0, 255);
    default: return RGB(0, 0, 0);
  }
}

void CVXDlg::DrawLine(CDC* dc, int x, int y1, int y2) {
  if (!dc) return;
  dc->MoveTo(x, y1);
  dc->LineTo(x, y2);
}

BOOL CVXDlg::ErrorMessage(int code) {
  const WCHAR* text = nullptr;
  switch (code) {
    case 1: text = u"재연결 시도중입니다."; break;
    case 2: text = u"연결할 수가 없습니다."; break;
    case 20:
    case 21:
    case 22:
    case 24: text = u"해당 자료 관련 오류입니다."; break;
    case 23: text = u"해당 데이터가 없습니다."; break;
    case 50:
    case 51:
    case 52: text = u"사용자 입력 관련 오류입니다."; break;
    case 70:
    case 71:
    case 73:
    case 74: text = u"전송 데이터 관련 오류입니다."; break;
    case 72: text = u"종목코드가 잘못되었습니다."; break;
    case 9:
      AfxMessageBox(u"프로그램을 종료합니다.", MB_OK);
      if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_EXIT_APP, 0, 0);
      return FALSE;
    default: return FALSE;
  }
  MessageBox(text, u"오류 메시지", MB_OK | MB_ICONINFORMATION);
  return TRUE;
}

namespace {
constexpr int kHeaderBytes = 15;
constexpr int kCaptionBytes = 14;
constexpr int kMaxServerText = 100;
constexpr int kMaxPacket = 4096;
}  // namespace

void CVXDlg::Show_ServerMessage(const char* packet) { Show_ServerMessage(packet, kMaxPacket); }

void CVXDlg::Show_ServerMessage(const char* packet, int packetLen) {
  if (!packet || packetLen < 4) return;
  const auto* b = reinterpret_cast<const unsigned char*>(packet);
  uint32_t declared = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
  // Only what the packet holds: its own length, never more than arrived.
  int len = static_cast<int>(std::min<uint32_t>(declared, static_cast<uint32_t>(std::min(packetLen, kMaxPacket))));
  CString caption, text;
  if (len > kHeaderBytes) caption = Cp949Text(packet + kHeaderBytes, len - kHeaderBytes, kCaptionBytes);
  const int textStart = kHeaderBytes + kCaptionBytes;
  if (len > textStart) text = Cp949Text(packet + textStart, len - textStart, kMaxServerText);
  MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
}

BOOL CVXDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  // A menu choice (no control) carries the whole screen id: navigation ids such as 92001 do not
  // fit in 16 bits. A control's command carries its id and notification code.
  const bool fromControl = lParam != 0;
  UINT id = fromControl ? LOWORD(wParam) : static_cast<UINT>(wParam);
  // Clicks and menu choices only: other notifications of a control go to the screen alone.
  if (!fromControl || HIWORD(wParam) == BN_CLICKED) {
    if (m_pMenuConfig && m_pMenuConfig->IsMenu(id)) {
      if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_OPEN_SCREEN, id, 0);
      return TRUE;
    }
    switch (id) {
      case IDC_BTN_FUTOPT:
        if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_OPEN_SCREEN, VX_SCREEN_FUTOPT_HOME, 0);
        return TRUE;
      case IDC_BTN_STOCK:
        if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_OPEN_SCREEN, VX_SCREEN_STOCK_HOME, 0);
        return TRUE;
      case IDC_BTN_EXIT:
        if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_EXIT_APP, 0, 0);
        return TRUE;
      default: break;
    }
    if (IsMenuGroupButton(id)) {
      if (CWnd* button = GetDlgItem(static_cast<int>(id))) button->SetFocus();
      SubMenuDisplay(id);
    } else if (IsKeypadId(id)) {
      if (WCHAR ch = KeypadChar(id)) SendCharToID(m_nInputID, ch);
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}
