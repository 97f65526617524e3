// Screen 1022, the connection settings: how the handset reaches the server (a wireless LAN or
// Internet connection, or a dial-up entry of the phone book through a carrier). The choice is
// kept under HKEY_LOCAL_MACHINE "Software\Quorvan\Zelvix" ("Connect Method", "Profile Name",
// "Mobile Name"), where the main program's connection manager reads it. Both buttons return to
// the login screen.
#pragma once

#include "plat/afx.h"

constexpr int IDC_ZR1022_ENTRY = 1007;    // dial-up entry
constexpr int IDC_ZR1022_CARRIER = 1008;  // carrier
constexpr int IDC_ZR1022_DIRECT = 1011;   // "무선랜 또는 인터넷 접속"
constexpr int IDC_ZR1022_DIALUP = 1012;   // "전화 접속"
constexpr UINT kZR1022LoginScreen = 90101;

class CZR1022Dlg : public CDialog {
 public:
  CZR1022Dlg();

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  afx_msg void OnDirect();
  afx_msg void OnDialUp();

  CString m_csProfileName;
  CString m_csMobileName;
  CString m_csConnectMethod;
  CComboBox* m_pCarrier = nullptr;
  CComboBox* m_pEntry = nullptr;
  HWND m_hWndOwner = 0;

 private:
  void ReadSettings();
  void FillEntries();
  void EnableCombos(BOOL enable);

  DECLARE_MESSAGE_MAP()
};
