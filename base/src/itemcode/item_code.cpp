// The item-code combo with the recent-code list in the registry, the code checks and the three
// finder plug-ins.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "vxbase/code_manager.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"
#include "vxbase/vx_dlg.h"

namespace {

// Reads the string values of a recent-code key, ordered by their 1-based position names;
// values with other names follow in the registry's order.
std::vector<CString> ReadRecentCodes(LPCTSTR key) {
  CPropCE reg;
  std::vector<std::pair<long, CString>> numbered;
  std::vector<CString> others;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key, TRUE)) return {};
  CString name, data;
  for (int i = 0; reg.EnumStringValue(i, &name, &data); ++i) {
    if (data.IsEmpty()) continue;
    int position = _ttoi(name);
    if (position > 0 && name.SpanIncluding(u"0123456789") == name)
      numbered.emplace_back(position, data);
    else
      others.push_back(data);
  }
  std::stable_sort(numbered.begin(), numbered.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::vector<CString> codes;
  for (auto& e : numbered) codes.push_back(e.second);
  for (auto& o : others) codes.push_back(o);
  if (codes.size() > static_cast<size_t>(kMaxRecentCodes)) codes.resize(static_cast<size_t>(kMaxRecentCodes));
  return codes;
}

// '0', the first 5 bytes of the code in code page 949 (NUL padded), NUL.
void FillRequestField(char* field, const CString& code) {
  std::memset(field, 0, 7);
  field[0] = '0';
  std::string bytes = code.ToMultiByte();
  std::memcpy(field + 1, bytes.data(), std::min<size_t>(bytes.size(), 5));
}

}  // namespace

int CVXDlg::InitItemCode(UINT comboId) {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(static_cast<int>(comboId)));
  std::vector<CString> codes = ReadRecentCodes(VX_REG_RECENT_CODE);
  CString fallback = codes.empty() ? CString(VX_DEFAULT_ITEM_CODE) : codes.front();
  if (csLastItemCode.IsEmpty()) csLastItemCode = fallback;
  if (!combo) return 1;
  combo->ResetContent();
  for (const CString& c : codes) combo->AddString(c);
  combo->SetWindowText(csLastItemCode);
  return 1;
}

// The futures/options list: its newest code is shown. The stock code current in the process is
// left alone, so that a futures code never turns up in the stock screens' combos.
int CVXDlg::InitOFItemCode(UINT comboId) {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(static_cast<int>(comboId)));
  std::vector<CString> codes = ReadRecentCodes(VX_REG_OF_RECENT_CODE);
  if (!combo) return 1;
  combo->ResetContent();
  for (const CString& c : codes) combo->AddString(c);
  combo->SetWindowText(codes.empty() ? u"" : static_cast<const WCHAR*>(codes.front()));
  return 1;
}

void CVXDlg::WriteRecentCodes(CComboBox* combo) {
  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT, FALSE)) reg.DeleteKey(u"Recent Code");
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_RECENT_CODE, FALSE)) return;
  for (int i = combo->GetCount() - 1; i >= 0; --i) {
    CString text, name;
    combo->GetLBText(i, text);
    name.Format(u"%d", i + 1);
    reg.SetValue(name, static_cast<LPCTSTR>(text));
  }
}

void CVXDlg::SetItemCode(const CString& code, UINT comboId) {
  if (code.GetLength() < 5) return;
  csLastItemCode = code;
  auto* combo = static_cast<CComboBox*>(GetDlgItem(static_cast<int>(comboId)));
  if (!combo) return;
  int found = combo->FindStringExact(-1, code);
  if (found == 0) {
    // Already the newest: the list and the registry stay as they are (every screen that opens
    // sets its code, and a registry write is the slowest part of it).
    combo->SetCurSel(0);
    return;
  }
  if (found > 0) {
    combo->DeleteString(static_cast<UINT>(found));
  } else {
    while (combo->GetCount() >= kMaxRecentCodes) combo->DeleteString(static_cast<UINT>(combo->GetCount() - 1));
  }
  combo->InsertString(0, code);
  WriteRecentCodes(combo);
  combo->SetCurSel(0);
}

BOOL CVXDlg::EditItemCode(UINT id) {
  CWnd* ctl = GetDlgItem(static_cast<int>(id));
  if (!ctl) return FALSE;
  CString code;
  ctl->GetWindowText(code);
  if (code.GetLength() != 5) return FALSE;
  if (m_pCodeManager && m_pCodeManager->IsExistStockCode(code)) return TRUE;
  AfxMessageBox(CString(u"해당 종목코드[") + code + u"]가 존재하지 않습니다.");
  ctl->SetFocus();
  return FALSE;
}

void CVXDlg::GetItemCodeFromComboBox() {
  CString text;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(text);
  FillRequestField(m_szItemCode, text);
}

void CVXDlg::SetItemCodeToComboBox() {
  CString text;
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(text);
  FillRequestField(m_szItemCode, text);
  if (text.GetLength() == 5 && m_pCodeManager && m_pCodeManager->IsExistStockCode(text))
    SetItemCode(text, IDC_ITEM_COMBO);
}

void CVXDlg::ChangeItemCode(const CString& code) {
  FillRequestField(m_szItemCode, code);
  SetItemCode(code, IDC_ITEM_COMBO);
}

void CVXDlg::OnSetfocusCComboItemcd() {
  SetInputControl(IDC_ITEM_COMBO);
  if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) static_cast<CComboBox*>(combo)->SetEditSel(0, -1);
}

int CVXDlg::RunFinder(const WCHAR* file, const char* exportName, CString* code, CString* name, bool withCodes) {
  HMODULE module = ::LoadLibrary(file);
  if (!module) return 0;
  int result = 0;
  if (FARPROC proc = ::GetProcAddress(module, exportName)) {
    if (withCodes)
      result = reinterpret_cast<VX_FIND_ITEM_FN>(proc)(m_hWnd, code, name, m_pCodeManager);
    else
      result = reinterpret_cast<VX_FO_FIND_ITEM_FN>(proc)(m_hWnd, code, name);
  }
  ::FreeLibrary(module);
  return result;
}

int CVXDlg::FindItemCode() {
  return RunFinder(VX_STOCK_FINDER_FILE, "FindItemCodeDlg", &m_csFindCode, &m_csFindName, true);
}

int CVXDlg::FOFindItemCode() {
  return RunFinder(VX_FO_FINDER_FILE, "FOFindItemCodeDlg", &m_csFOFindCode, &m_csFOFindName, false);
}

int CVXDlg::ECNFindItemCode() {
  return RunFinder(VX_ECN_FINDER_FILE, "ECNFindItemCodeDlg", &m_csECNFindCode, &m_csECNFindName, true);
}

void CVXDlg::OnBtnScoutlet() {
  if (!FindItemCode()) return;
  ChangeItemCode(m_csFindCode);
  SendMessage(WM_VX_QUERY, 0, 0);
}

void CVXDlg::OnBtnECNScoutlet() {
  if (!ECNFindItemCode()) return;
  ChangeItemCode(m_csECNFindCode);
  SendMessage(WM_VX_QUERY, 0, 0);
}

void CVXDlg::OnFind() {
  if (!FindItemCode()) return;
  if (GetDlgItem(IDC_ITEM_EDIT)) SetDlgItemText(IDC_ITEM_EDIT, m_csFindCode);
  if (GetDlgItem(IDC_FOUND_NAME)) SetDlgItemText(IDC_FOUND_NAME, m_csFindName);
}

// The futures/options finder hands its pick over through the registry; the screen reads the
// item again on WM_VX_QUERY, so these re-query when the finder reports nothing itself.
void CVXDlg::OnBtnFOScoutlet() {
  if (FOFindItemCode() != 0) return;
  // Where 9910 is a list, the pick heads it; a screen whose 9910 is an edit reads the item again
  // on the query below.
  if (auto* list = dynamic_cast<CComboBox*>(GetDlgItem(IDC_FO_COMBO))) {
    list->InsertString(0, m_csFOItemCode);
    list->SetCurSel(0);
  }
  SendMessage(WM_VX_QUERY, 0, 0);
}

void CVXDlg::OnFutOptFindCD() {
  if (FOFindItemCode() != 0) return;
  if (GetDlgItem(IDC_FO_EDIT)) SetDlgItemText(IDC_FO_EDIT, m_csFOItemCode);
  SendMessage(WM_VX_QUERY, 0, 0);
}
