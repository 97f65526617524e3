// The stock and ECN finders' dialog (one source, built into VXScoutlet and, with FINDER_ECN,
// into EcnScoutlet): the items of one market class whose names start with one initial-consonant
// group, in the order of the code list; a tap shows the item's code, "종목선택" confirms.
#pragma once

#include "plat/afx.h"
#include "vxbase/vx_dlg.h"

class CCodeManager;

namespace finders {

constexpr int IDC_FIND_LIST = 1000;
constexpr int IDC_FIND_CONFIRM = 1001;
constexpr int IDC_FIND_CODE = 1003;
constexpr int IDC_FIND_MARKET0 = 1004;      // market class "0"
constexpr int IDC_FIND_MARKET1 = 1006;      // market class "1"
constexpr int IDC_FIND_GROUP_FIRST = 9312;  // "가" .. "하": groups 11 .. 24
constexpr int IDC_FIND_GROUP_LATIN = 9326;  // "A": group 2
constexpr int IDC_FIND_GROUP_DIGIT = 9327;  // "123": group 1

// The group key of a group button, 0 for any other id.
int GroupOfButton(int id);

class CItemFinderDlg : public CVXDlg {
 public:
  // `ecn`: list the ECN items rather than the stock items.
  CItemFinderDlg(CCodeManager* codes, bool ecn, CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  afx_msg void OnListClick(NMHDR* hdr, LRESULT* result);
  afx_msg void OnListDblClick(NMHDR* hdr, LRESULT* result);
  void OnCancel() override;

  // Lists the items of group `key` and the current market class.
  void Fill(int key);
  void Confirm();

  const CString& Code() const { return m_code; }
  const CString& Name() const { return m_name; }

 private:
  void TakeRow(int row);
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(IDC_FIND_LIST)); }

  bool m_ecn;
  int m_key = 11;
  CString m_filter = CString(u"0");
  CString m_code;
  CString m_name;
  CString m_tappedCode;  // code of the row whose name m_name holds

  DECLARE_MESSAGE_MAP()
};

}  // namespace finders
