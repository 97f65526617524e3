// The futures/options finder's dialog: the futures items in one grid, the call / strike / put
// series of the chosen expiry month in another, one button per expiry month. The pick is handed
// over through the registry (HKEY_LOCAL_MACHINE "Software\Quorvan"): "FOSet_Flag" "1" with
// "FItemCD" / "FItemName" for a futures item, "2" with "OItemCD" / "OItemName" for an option.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "finders/fo_codes.h"
#include "glimmet/v_grid.h"
#include "plat/afx.h"

namespace finders {

// Control ids of the futures/options finder.
constexpr int IDC_FO_NAME = 1001;         // name of the tapped futures item
constexpr int IDC_FO_MONTH_LABEL = 1005;  // "행사월"
constexpr int IDC_FO_FUT_TITLE = 1006;
constexpr int IDC_FO_OPT_TITLE = 1007;
constexpr int IDC_FO_FUT_GRID = 1101;
constexpr int IDC_FO_OPT_GRID = 1102;
constexpr int kFoMonthButtons = 6;
// Month positions 0..5.
constexpr int kFoMonthButtonIds[kFoMonthButtons] = {1003, 1013, 1014, 1015, 1016, 1017};

class CFOFinderDlg : public CDialog {
 public:
  explicit CFOFinderDlg(CWnd* parent = nullptr);
  ~CFOFinderDlg() override;

  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  afx_msg LRESULT OnGridNotify(WPARAM code, LPARAM grid);

  // What the user picked so far: 1 futures, 2 options (also before any tap).
  int PickKind() const { return m_pickKind; }
  const CString& PickCode() const { return m_pickCode; }
  const CString& PickName() const { return m_pickName; }
  int MonthIndex() const { return m_month; }

 private:
  void SelectMonth(int index);
  void FillFuturesGrid();
  // Takes the pick of the tapped cell; false when the cell holds no item.
  bool TakeCell(V_Grid* grid);

  FuturesList m_futures;
  OptionsList m_options;
  std::vector<size_t> m_optionRows;  // options grid row -> series index
  int m_month = -1;
  int m_pickKind = 2;
  CString m_pickCode, m_pickName;
  std::unique_ptr<V_Grid> m_futGrid, m_optGrid;
  CFont m_font;

  DECLARE_MESSAGE_MAP()
};

}  // namespace finders
