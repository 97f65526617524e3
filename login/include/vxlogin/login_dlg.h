// VXLogin: the login screen, the first screen VXMain opens (navigation id 90101). The user types
// an id and a password and taps "연결"; the screen asks the frame to connect, runs the key
// exchange 1000 once the frame reports the code lists read (WM_VX_CODES_READY), sends the
// handset's phone number (1010) when it is known and the enciphered login 4020, stores the
// reply's accounts in the registry by kind and tells the frame WM_VX_LOGIN_DONE.
//
// The password lives only in its edit and in the request buffer: it is never stored or logged.
#pragma once

#include <cstdint>

#include "plat/afx.h"
#include "plat/winsock.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/messages.h"
#include "vxlogin/phone_number.h"

class CVXSocketThread;
class CCodeManager;
class CMenuConfigFile;

namespace vxlogin {

// Controls of dialog 129.
constexpr UINT IDC_LOGIN_ID = 1000;
constexpr UINT IDC_LOGIN_PASSWORD = 1001;
constexpr UINT IDC_LOGIN_CONNECT = 1002;
constexpr UINT IDC_LOGIN_SAVE = 1003;
constexpr UINT IDC_LOGIN_AUTO = 1006;
constexpr UINT IDC_LOGIN_SETTINGS = 4;
constexpr UINT IDC_LOGIN_CANCEL = 3;
// Alert dialog 130 and its text.
constexpr UINT IDD_LOGIN_ALERT = 130;
constexpr UINT IDC_ALERT_TEXT = 1006;
// Auto-receive dialog 150.
constexpr UINT IDD_AUTO_RECEIVE = 150;
constexpr UINT IDC_AUTO_NOTICE = 1501;
constexpr UINT IDC_AUTO_QUESTION = 1502;

constexpr UINT_PTR kFocusTimer = 1500;
constexpr UINT kFocusDelayMs = 2000;
constexpr UINT kSettingsScreen = 90103;

#define VX_CERT_FILE "\\pelvato.der"
#define VX_ALERT_TEXT (u"전화접속 연결중입니다.\n잠시만 기다리세요.\n")

class CLoginAlertDlg : public CDialog {
 public:
  CLoginAlertDlg() : CDialog(IDD_LOGIN_ALERT) {}
  void OnOK() override {}
  void OnCancel() override {}
};

class CVXLoginDlg : public CDialog {
 public:
  CVXLoginDlg();
  ~CVXLoginDlg() override;

  BOOL OnInitDialog() override;
  BOOL DestroyWindow() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnOK() override {}
  void OnCancel() override {}

  // Lent by the main program.
  HWND m_hWndFrame = 0;
  EE_Encrypt* m_pEncrypt = nullptr;
  SOCKET m_socket = INVALID_SOCKET;

  // State, for diagnostics and tests.
  bool Connected() const { return m_connected; }
  bool PhoneKnown() const { return m_phoneKnown; }
  const char* PhoneNumber() const { return m_phone; }

  afx_msg LRESULT OnCodesReady(WPARAM, LPARAM);
  afx_msg LRESULT OnPacket(WPARAM, LPARAM);
  afx_msg LRESULT OnStatusText(WPARAM, LPARAM);
  afx_msg LRESULT OnShowAlert(WPARAM, LPARAM);
  afx_msg void OnTimer(UINT id);
  afx_msg void OnPaint();
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);

 private:
  void ReadRegistry();
  void ChooseFocus();
  void OnLogin();
  void OnAutoReceive();
  void StartKeyExchange(bool fromFrame, SOCKET socket);
  bool RunKeyExchange(bool start);
  void SendPhoneAndLogin();
  void StoreAccounts(const unsigned char* body, int len);
  bool Send(const unsigned char* packet, int length);
  void Fail(const WCHAR* text, bool restoreId);
  void EnableButtons(BOOL on);
  void ShowAlert(const WCHAR* status);
  void CloseAlert();
  void RestoreId();
  void Box(const WCHAR* text, const WCHAR* caption = nullptr, UINT type = MB_OK);

  CLoginAlertDlg* m_alert = nullptr;
  bool m_connected = false;
  bool m_showSip = false;
  bool m_idMasked = false;
  CString m_id;  // the id typed, while the field shows asterisks
  char m_phone[kPhoneField + 1] = {};
  bool m_phoneKnown = false;
  CBrush m_white;
  unsigned char m_buf[8192];  // key tokens, replies; no allocation per packet
  unsigned char m_out[TR_MAX_PACKET];

  DECLARE_MESSAGE_MAP()
};

class CAutoReceiveDlg : public CDialog {
 public:
  CAutoReceiveDlg(CWnd* parent) : CDialog(IDD_AUTO_RECEIVE, parent) {}
  BOOL OnInitDialog() override;
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);

  DECLARE_MESSAGE_MAP()
};

}  // namespace vxlogin
