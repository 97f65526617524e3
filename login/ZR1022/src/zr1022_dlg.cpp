#include "zr1022_dlg.h"

#include <cstdint>
#include <cstring>
#include <iterator>

#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kList = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr int kNoId = 0xFFFF;

const plat::DialogItemTemplate kItems[] = {
    {u"STATIC", kNoId, u"접속 방법", WS_VISIBLE | SS_LEFT, 0, 10, 20, 100, 18},
    {u"BUTTON", IDC_ZR1022_DIRECT, u"무선랜 또는 인터넷 접속", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
     0, 20, 42, 210, 20},
    {u"BUTTON", IDC_ZR1022_DIALUP, u"전화 접속", WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 20, 66, 210, 20},
    {u"STATIC", kNoId, u"통신사", WS_VISIBLE | SS_LEFT, 0, 10, 100, 100, 18},
    {u"COMBOBOX", IDC_ZR1022_CARRIER, nullptr, kList | WS_GROUP, 0, 20, 120, 200, 90},
    {u"STATIC", kNoId, u"접속 프로필", WS_VISIBLE | SS_LEFT, 0, 10, 154, 100, 18},
    {u"COMBOBOX", IDC_ZR1022_ENTRY, nullptr, kList, 0, 20, 174, 200, 110},
    {u"STATIC", kNoId, u"", WS_VISIBLE | SS_LEFT, 0, 10, 210, 220, 18},
    {u"BUTTON", IDOK, u"저 장", kPush, 0, 40, 250, 70, 26},
    {u"BUTTON", IDCANCEL, u"취 소", kPush, 0, 130, 250, 70, 26},
};
const plat::DialogTemplate kDlg = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kItems,
                                   std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const WCHAR kSettingsKey[] = u"Software\\Quorvan\\Zelvix";
const WCHAR kPhoneBookKey[] = u"Comm\\RasBook";
const WCHAR kChoose[] = u"선택하세요";

// The entry to select for a stored name: the first that equals it (letters case-blind), else the
// first that begins with it; `from` leaves out leading items that are no choice. 0 when none.
int FindEntry(CComboBox* combo, const CString& stored, int from) {
  if (!combo || stored.IsEmpty()) return 0;
  int count = combo->GetCount();
  CString text;
  for (int i = from; i < count; ++i) {
    combo->GetLBText(i, text);
    if (text.CompareNoCase(stored) == 0) return i;
  }
  for (int i = from; i < count; ++i) {
    combo->GetLBText(i, text);
    if (text.GetLength() >= stored.GetLength() && text.Left(stored.GetLength()).CompareNoCase(stored) == 0) return i;
  }
  return 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CZR1022Dlg, CDialog)
ON_BN_CLICKED(IDC_ZR1022_DIRECT, OnDirect)
ON_BN_CLICKED(IDC_ZR1022_DIALUP, OnDialUp)
END_MESSAGE_MAP()

CZR1022Dlg::CZR1022Dlg() : CDialog(129), m_csConnectMethod(u"Telephone") {}

BOOL CZR1022Dlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = m_hWnd;
  info.dwFlags = SHIDIF_FULLSCREENNOMENUBAR;
  ::SHInitDialog(&info);
  m_pCarrier = static_cast<CComboBox*>(GetDlgItem(IDC_ZR1022_CARRIER));
  m_pEntry = static_cast<CComboBox*>(GetDlgItem(IDC_ZR1022_ENTRY));

  ReadSettings();
  if (m_csConnectMethod != u"Telephone") {
    CheckRadioButton(IDC_ZR1022_DIRECT, IDC_ZR1022_DIALUP, IDC_ZR1022_DIRECT);
    EnableCombos(FALSE);
  } else {
    CheckRadioButton(IDC_ZR1022_DIRECT, IDC_ZR1022_DIALUP, IDC_ZR1022_DIALUP);
  }

  FillEntries();
  if (m_pEntry) m_pEntry->SetCurSel(FindEntry(m_pEntry, m_csProfileName, 1));
  if (m_pCarrier) {
    for (const WCHAR* carrier : {u"SKT", u"KTF", u"LGT"}) m_pCarrier->AddString(carrier);
    m_pCarrier->SetCurSel(FindEntry(m_pCarrier, m_csMobileName, 0));
  }
  return TRUE;
}

void CZR1022Dlg::ReadSettings() {
  CPropCE reg;
  // The login screen makes the key; a settings screen opened without it makes it itself, so
  // that a save is never lost.
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, kSettingsKey, TRUE) && !reg.SetBaseKey(HKEY_LOCAL_MACHINE, kSettingsKey))
    return;
  struct Setting {
    const WCHAR* name;
    CString* field;
    const WCHAR* fallback;
  } settings[] = {{u"Connect Method", &m_csConnectMethod, u"Telephone"},
                  {u"Profile Name", &m_csProfileName, u""},
                  {u"Mobile Name", &m_csMobileName, u""}};
  for (const Setting& s : settings) {
    if (reg.IsExistValue(s.name)) {
      *s.field = reg.GetValue(s.name);
    } else {
      reg.SetValue(s.name, s.fallback);
      *s.field = s.fallback;
    }
  }
}

void CZR1022Dlg::FillEntries() {
  if (!m_pEntry) return;
  m_pEntry->ResetContent();
  m_pEntry->InsertString(0, kChoose);
  CPropCE book;
  if (!book.SetBaseKey(HKEY_CURRENT_USER, kPhoneBookKey, TRUE)) return;
  CString name;
  int position = 1;
  for (int i = 0; book.EnumKey(i, name); ++i) {
    // Entries of the USB link and names with a backquote are not for dialling the server.
    if (name.Find(u'`') >= 0 || name.Find(u"USB") >= 0) continue;
    m_pEntry->InsertString(position++, name);
  }
}

void CZR1022Dlg::EnableCombos(BOOL enable) {
  if (m_pCarrier) m_pCarrier->EnableWindow(enable);
  if (m_pEntry) m_pEntry->EnableWindow(enable);
}

void CZR1022Dlg::OnDirect() { EnableCombos(FALSE); }

void CZR1022Dlg::OnDialUp() { EnableCombos(TRUE); }

void CZR1022Dlg::OnOK() {
  CString profile, carrier;
  if (m_pEntry) {
    int sel = m_pEntry->GetCurSel();
    if (sel > 0) m_pEntry->GetLBText(sel, profile);
  }
  if (m_pCarrier) {
    int sel = m_pCarrier->GetCurSel();
    if (sel >= 0) m_pCarrier->GetLBText(sel, carrier);
  }
  bool dialUp = IsDlgButtonChecked(IDC_ZR1022_DIALUP) == BST_CHECKED;
  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, kSettingsKey, TRUE) || reg.SetBaseKey(HKEY_LOCAL_MACHINE, kSettingsKey)) {
    reg.SetValue(u"Connect Method", dialUp ? u"Telephone" : u"Internet");
    reg.SetValue(u"Profile Name", static_cast<LPCTSTR>(profile));
    reg.SetValue(u"Mobile Name", static_cast<LPCTSTR>(carrier));
  }
  if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_OPEN_SCREEN, kZR1022LoginScreen, 0);
  CDialog::OnOK();
}

void CZR1022Dlg::OnCancel() {
  if (m_hWndOwner) ::PostMessage(m_hWndOwner, WM_VX_OPEN_SCREEN, kZR1022LoginScreen, 0);
}

// ---- Exports --------------------------------------------------------------------------------------

class CVXSocketThread;
class EE_Encrypt;
class CCodeManager;
class CMenuConfigFile;

namespace {
CZR1022Dlg* g_dlg = nullptr;
SOCKET g_socket = INVALID_SOCKET;
uint32_t g_record[2];
}  // namespace

// The screen host's entry: the dialog made modeless without a parent, shown; its window handle
// goes back in the first word of the record.
extern "C" __attribute__((visibility("default"))) void* MainDlg(void* result, HWND frame, SOCKET socket,
                                                                CVXSocketThread* thread, EE_Encrypt* encrypt,
                                                                CCodeManager* codes, BOOL autoReceive,
                                                                CMenuConfigFile* menu) {
  (void)thread, (void)encrypt, (void)codes, (void)autoReceive, (void)menu;
  if (g_dlg) {
    g_dlg->DestroyWindow();
    delete g_dlg;
    g_dlg = nullptr;
  }
  g_socket = socket;
  g_record[0] = 0;
  g_record[1] = 0;
  // The template is this plug-in's; without its module no screen is made (the host then keeps
  // the screen it has).
  if (HMODULE self = ::GetModuleHandle(u"ZR1022.dll")) {
    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(self);
    auto* dlg = new CZR1022Dlg;
    dlg->m_hWndOwner = frame;
    g_dlg = dlg;
    if (dlg->Create(129)) {
      dlg->ShowWindow(SW_SHOW);
      g_record[0] = static_cast<uint32_t>(dlg->m_hWnd);
    }
    AfxSetResourceHandle(previous);
  }
  if (!result) return g_record;
  std::memcpy(result, g_record, sizeof g_record);
  return result;
}

extern "C" __attribute__((visibility("default"))) void EndDlg() {
  if (!g_dlg) return;
  CZR1022Dlg* dlg = g_dlg;
  g_dlg = nullptr;
  if (dlg->m_hWnd) dlg->DestroyWindow();
  delete dlg;
}
