#include "finders/item_finder_dlg.h"

#include <iterator>

#include "vxbase/code_manager.h"

#ifdef FINDER_ECN
#define FINDER_MODULE_FILE u"ECNSCOUTLET.DLL"
#define FINDER_MARKET0 u"KOSPI 200"
#define FINDER_MARKET1 u"KOSDAQ 50"
#define FINDER_EXPORT ECNFindItemCodeDlg
#define FINDER_IS_ECN true
#else
#define FINDER_MODULE_FILE u"VXSCOUTLET.DLL"
#define FINDER_MARKET0 u"KOSPI"
#define FINDER_MARKET1 u"KOSDAQ"
#define FINDER_EXPORT FindItemCodeDlg
#define FINDER_IS_ECN false
#endif

namespace finders {

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr int kGroupW = 29, kGroupH = 20;

#define GROUP_BUTTON(i, caption)                                                                                     \
  {                                                                                                                  \
    u"BUTTON", IDC_FIND_GROUP_FIRST + (i), caption, kPush, 0, 4 + ((i) % 8) * kGroupW, 24 + ((i) / 8) * 22, kGroupW, \
        kGroupH                                                                                                      \
  }

const plat::DialogItemTemplate kItems[] = {
    {u"BUTTON", IDC_FIND_MARKET0, FINDER_MARKET0, WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 6, 2, 100,
     18},
    {u"BUTTON", IDC_FIND_MARKET1, FINDER_MARKET1, WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 116, 2, 110, 18},
    GROUP_BUTTON(0, u"가"),
    GROUP_BUTTON(1, u"나"),
    GROUP_BUTTON(2, u"다"),
    GROUP_BUTTON(3, u"라"),
    GROUP_BUTTON(4, u"마"),
    GROUP_BUTTON(5, u"바"),
    GROUP_BUTTON(6, u"사"),
    GROUP_BUTTON(7, u"아"),
    GROUP_BUTTON(8, u"자"),
    GROUP_BUTTON(9, u"차"),
    GROUP_BUTTON(10, u"카"),
    GROUP_BUTTON(11, u"타"),
    GROUP_BUTTON(12, u"파"),
    GROUP_BUTTON(13, u"하"),
    GROUP_BUTTON(14, u"A"),
    GROUP_BUTTON(15, u"123"),
    {u"SysListView32", IDC_FIND_LIST, u"",
     WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 2, 70, 236, 204},
    {u"EDIT", IDC_FIND_CODE, u"", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 2, 280, 96, 22},
    {u"BUTTON", IDC_FIND_CONFIRM, u"종목선택", kPush, 0, 102, 280, 70, 22},
    {u"BUTTON", IDCANCEL, u"취소", kPush, 0, 176, 280, 60, 22},
};
#undef GROUP_BUTTON
const plat::DialogTemplate kDlg = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kItems,
                                   std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

int GroupOfButton(int id) {
  if (id >= IDC_FIND_GROUP_FIRST && id < IDC_FIND_GROUP_FIRST + 14) return 11 + (id - IDC_FIND_GROUP_FIRST);
  if (id == IDC_FIND_GROUP_LATIN) return 2;
  if (id == IDC_FIND_GROUP_DIGIT) return 1;
  return 0;
}

BEGIN_MESSAGE_MAP(CItemFinderDlg, CVXDlg)
ON_NOTIFY(NM_CLICK, IDC_FIND_LIST, OnListClick)
ON_NOTIFY(NM_DBLCLK, IDC_FIND_LIST, OnListDblClick)
END_MESSAGE_MAP()

CItemFinderDlg::CItemFinderDlg(CCodeManager* codes, bool ecn, CWnd* parent) : CVXDlg(129, parent), m_ecn(ecn) {
  m_pCodeManager = codes;
}

BOOL CItemFinderDlg::OnInitDialog() {
  CVXDlg::OnInitDialog();
  CheckRadioButton(IDC_FIND_MARKET0, IDC_FIND_MARKET1, IDC_FIND_MARKET0);
  if (CListCtrl* list = List()) {
    list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    list->InsertColumn(0, u"종목코드", LVCFMT_LEFT, 80);
    list->InsertColumn(1, u"종목명", LVCFMT_LEFT, 160);
  }
  // An ECN screen loads the ECN list when it starts; a finder opened before that loads it here.
  if (m_ecn && m_pCodeManager && m_pCodeManager->GetECNList().GetSize() == 0) m_pCodeManager->ReadECNCode();
  m_key = 11;
  Fill(m_key);
  return TRUE;
}

void CItemFinderDlg::Fill(int key) {
  if (!m_pCodeManager) {
    if (CListCtrl* list = List()) list->DeleteAllItems();
    return;
  }
  FillItemList(List(), m_ecn ? m_pCodeManager->GetECNList() : m_pCodeManager->GetStockList(), m_filter, key);
}

BOOL CItemFinderDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
    int id = LOWORD(wParam);
    if (int key = GroupOfButton(id)) {
      Fill(key);
      m_key = key;
    } else if (id == IDC_FIND_MARKET0 || id == IDC_FIND_MARKET1) {
      m_filter = id == IDC_FIND_MARKET0 ? CString(u"0") : CString(u"1");
      Fill(m_key);
      return TRUE;
    } else if (id == IDC_FIND_CONFIRM) {
      Confirm();
      return TRUE;
    }
  }
  return CVXDlg::OnCommand(wParam, lParam);
}

void CItemFinderDlg::TakeRow(int row) {
  CListCtrl* list = List();
  if (!list || row < 0 || row >= list->GetItemCount()) return;
  m_tappedCode = list->GetItemText(row, 0);
  m_name = list->GetItemText(row, 1);
  SetDlgItemText(IDC_FIND_CODE, m_tappedCode);
}

void CItemFinderDlg::OnListClick(NMHDR* hdr, LRESULT* result) {
  TakeRow(reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem);
  *result = 0;
}

void CItemFinderDlg::OnListDblClick(NMHDR* hdr, LRESULT* result) {
  int row = reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem;
  *result = 0;
  CListCtrl* list = List();
  if (!list || row < 0 || row >= list->GetItemCount()) return;
  TakeRow(row);
  Confirm();
}

void CItemFinderDlg::Confirm() {
  GetDlgItemText(IDC_FIND_CODE, m_code);
  m_code.Trim();
  // A name belongs to the row it was tapped on: a code typed afterwards goes without it.
  if (m_code != m_tappedCode) m_name.Empty();
  EndDialog(IDOK);
}

void CItemFinderDlg::OnCancel() { EndDialog(IDCANCEL); }

}  // namespace finders

// Runs the finder modally over `parent`. TRUE with the picked code and name (trailing blanks
// removed) in the caller's strings; FALSE after a cancel or with no code, the strings untouched.
extern "C" __attribute__((visibility("default"))) int FINDER_EXPORT(HWND parent, CString* code, CString* name,
                                                                    CCodeManager* codes) {
  // The dialog's template is this plug-in's: without its module the caller's template of the
  // same number would be taken, so nothing is shown then.
  HMODULE self = ::GetModuleHandle(FINDER_MODULE_FILE);
  if (!self) return FALSE;
  HINSTANCE previous = AfxGetResourceHandle();
  AfxSetResourceHandle(self);
  INT_PTR result;
  CString pickedCode, pickedName;
  {
    finders::CItemFinderDlg dlg(codes, FINDER_IS_ECN, parent ? CWnd::FromHandle(parent) : nullptr);
    result = dlg.DoModal();
    pickedCode = dlg.Code();
    pickedName = dlg.Name();
  }
  AfxSetResourceHandle(previous);
  if (result != IDOK || pickedCode.IsEmpty()) return FALSE;
  pickedName.TrimRight();
  if (code) *code = pickedCode;
  if (name) *name = pickedName;
  return TRUE;
}
