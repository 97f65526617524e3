#include "finders/fo_finder_dlg.h"

#include <algorithm>
#include <iterator>

#include "vxbase/prop_ce.h"
#include "vxbase/vx_dlg.h"

namespace finders {

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kMonth = WS_TABSTOP | BS_PUSHBUTTON;  // shown once a month is known

const plat::DialogItemTemplate kItems[] = {
    {u"STATIC", IDC_FO_FUT_TITLE, u"========= 선물 종목 =========", SS_CENTER, 0, 5, 5, 230, 16},
    {u"EDIT", IDC_FO_NAME, u"", WS_VISIBLE | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 0, 5, 129, 230, 18},
    {u"STATIC", IDC_FO_MONTH_LABEL, u"행사월", WS_VISIBLE | SS_LEFT, 0, 5, 151, 40, 16},
    {u"BUTTON", 1003, u"", kMonth, 0, 46, 149, 30, 18},
    {u"BUTTON", 1013, u"", kMonth, 0, 78, 149, 30, 18},
    {u"BUTTON", 1014, u"", kMonth, 0, 110, 149, 30, 18},
    {u"BUTTON", 1015, u"", kMonth, 0, 142, 149, 30, 18},
    {u"BUTTON", 1016, u"", kMonth, 0, 174, 149, 30, 18},
    {u"BUTTON", 1017, u"", kMonth, 0, 206, 149, 30, 18},
    {u"STATIC", IDC_FO_OPT_TITLE, u"========= 옵션 종목 =========", SS_CENTER, 0, 5, 168, 230, 12},
    {u"BUTTON", IDOK, u"선택", kPush, 0, 40, 294, 70, 22},
    {u"BUTTON", IDCANCEL, u"취소", kPush, 0, 130, 294, 70, 22},
};
const plat::DialogTemplate kDlg = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 320, u"", nullptr, u"Tahoma", 13, kItems,
                                   std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

CString Wide(const std::string& cp949) { return CString::FromMultiByte(cp949.data(), static_cast<int>(cp949.size())); }

void WritePick(const WCHAR* codeValue, const WCHAR* nameValue, const CString& code, const CString& name,
               const WCHAR* flag) {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT)) return;
  reg.SetValue(codeValue, static_cast<LPCTSTR>(code));
  reg.SetValue(nameValue, static_cast<LPCTSTR>(name));
  reg.SetValue(u"FOSet_Flag", flag);
}

}  // namespace

BEGIN_MESSAGE_MAP(CFOFinderDlg, CDialog)
ON_MESSAGE(WM_VGRID_NOTIFY, OnGridNotify)
END_MESSAGE_MAP()

CFOFinderDlg::CFOFinderDlg(CWnd* parent) : CDialog(129, parent) {}

CFOFinderDlg::~CFOFinderDlg() = default;

BOOL CFOFinderDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  VXFullScreenDialog(m_hWnd);
  m_font.CreatePointFont(85, u"돋움");

  const WCHAR* futTitles[] = {u"일반", u"스프레드"};
  const int futWidths[] = {100, 127};
  const WCHAR* optTitles[] = {u"콜옵션", u"행사가", u"풋옵션"};
  const int optWidths[] = {80, 60, 75};
  HFONT font = static_cast<HFONT>(m_font.GetSafeHandle());
  m_futGrid = std::make_unique<V_Grid>();
  m_optGrid = std::make_unique<V_Grid>();
  struct Place {
    V_Grid* grid;
    int id;
    const WCHAR* const* titles;
    int columns;
    const int* widths;
    int x, y, cx, cy;
  } places[] = {{m_futGrid.get(), IDC_FO_FUT_GRID, futTitles, 2, futWidths, 5, 23, 230, 103},
                {m_optGrid.get(), IDC_FO_OPT_GRID, optTitles, 3, optWidths, 5, 180, 230, 110}};
  for (const Place& p : places) {
    if (p.grid->init(m_hWnd, p.id, 17, p.titles, p.columns, p.widths, 17, 0, font, 0) != 0) continue;
    p.grid->set_location(p.x, p.y, p.cx, p.cy);
    p.grid->set_select_flag(VGRID_SELECT_CELL);
    p.grid->set_if_mode(VGRID_IF_MESSAGE);
    p.grid->set_visible(1);
  }

  std::string bytes;
  CString optionsPath = CodeFilePath(u"OPTIONS CODE");
  if (optionsPath.IsEmpty() || !ReadDeviceFile(optionsPath, bytes)) {
    AfxMessageBox(u"ReadFile() Error");
  } else {
    m_options = ParseOptionsFile(bytes);
    int shown = std::min<int>(static_cast<int>(m_options.months.size()), kFoMonthButtons);
    for (int i = 0; i < shown; ++i) {
      const std::string& month = m_options.months[static_cast<size_t>(i)];
      SetDlgItemText(kFoMonthButtonIds[i], Wide(month.substr(4, 2)));
      if (CWnd* b = GetDlgItem(kFoMonthButtonIds[i])) b->ShowWindow(SW_SHOW);
    }
    if (!m_options.months.empty()) SelectMonth(0);
  }

  CString futuresPath = CodeFilePath(u"FUTURES CODE");
  if (futuresPath.IsEmpty() || !ReadDeviceFile(futuresPath, bytes)) {
    AfxMessageBox(u"ReadFile Error");
  } else {
    m_futures = ParseFuturesFile(bytes);
    FillFuturesGrid();
  }
  for (int id : {IDC_FO_FUT_TITLE, IDC_FO_OPT_TITLE})
    if (CWnd* w = GetDlgItem(id)) w->ShowWindow(SW_SHOW);
  return TRUE;
}

void CFOFinderDlg::FillFuturesGrid() {
  if (!m_futGrid) return;
  m_futGrid->remove_all_row();
  size_t rows = std::max(m_futures.plain.size(), m_futures.spread.size());
  for (size_t r = 0; r < rows; ++r) {
    V_Grid_Cell* cells = m_futGrid->add_row();
    if (!cells) break;
    if (r < m_futures.plain.size()) cells[0].set_text(Wide(m_futures.plain[r].name), 0);
    if (r < m_futures.spread.size()) cells[1].set_text(Wide(m_futures.spread[r].name), 0);
    cells[0].set_str_flag(1);
    cells[1].set_str_flag(1);
  }
  m_futGrid->redraw();
}

void CFOFinderDlg::SelectMonth(int index) {
  if (index < 0 || index >= static_cast<int>(m_options.months.size())) return;
  m_month = index;
  const std::string& month = m_options.months[static_cast<size_t>(index)];
  m_optionRows.clear();
  if (!m_optGrid) return;
  m_optGrid->remove_all_row();
  for (size_t i = 0; i < m_options.series.size(); ++i) {
    const OptionSeries& s = m_options.series[i];
    if (s.month != month) continue;
    V_Grid_Cell* cells = m_optGrid->add_row();
    if (!cells) break;
    m_optionRows.push_back(i);
    cells[0].set_text(s.code.c_str(), 0);
    cells[1].set_text(s.strike.c_str(), 0);
    cells[2].set_text(PutCode(s.code).c_str(), 0);
    for (int c = 0; c < 3; ++c) cells[c].set_str_flag(0);
  }
  m_optGrid->redraw();
}

BOOL CFOFinderDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
    int id = LOWORD(wParam);
    for (int i = 0; i < kFoMonthButtons; ++i) {
      if (kFoMonthButtonIds[i] == id) {
        SelectMonth(i);
        return TRUE;
      }
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}

bool CFOFinderDlg::TakeCell(V_Grid* grid) {
  int column = -1, row = -1;
  grid->get_select_info(&column, &row);
  if (row < 0 || column < 0) return false;
  const size_t r = static_cast<size_t>(row);
  if (grid == m_optGrid.get()) {
    if (r >= m_optionRows.size() || column == 1) return false;
    const OptionSeries& s = m_options.series[m_optionRows[r]];
    m_pickKind = 2;
    if (column == 0) {
      m_pickCode = Wide(s.code);
      m_pickName = Wide(s.name);
    } else {
      m_pickCode = Wide(PutCode(s.code));
      m_pickName = PutName(Wide(s.name));
    }
    return true;
  }
  if (grid == m_futGrid.get()) {
    const std::vector<FuturesItem>& list = column == 0 ? m_futures.plain : m_futures.spread;
    if (column > 1 || r >= list.size()) return false;
    const FuturesItem& item = list[r];
    m_pickKind = 1;
    m_pickCode = Wide(FuturesPickCode(item));
    m_pickName = Wide(item.name);
    SetDlgItemText(IDC_FO_NAME, m_pickName);
    return true;
  }
  return false;
}

LRESULT CFOFinderDlg::OnGridNotify(WPARAM code, LPARAM lParam) {
  auto* grid = reinterpret_cast<V_Grid*>(lParam);
  if (grid != m_futGrid.get() && grid != m_optGrid.get()) return 0;
  if (code == VGRID_NOTIFY_DOWN) {
    TakeCell(grid);
  } else if (code == VGRID_NOTIFY_DBLCLK) {
    if (TakeCell(grid)) OnOK();
  }
  return 0;
}

void CFOFinderDlg::OnOK() {
  if (m_pickKind == 1) {
    WritePick(u"FItemCD", u"FItemName", m_pickCode, m_pickName, u"1");
  } else if (!m_pickCode.IsEmpty()) {
    WritePick(u"OItemCD", u"OItemName", m_pickCode, m_pickName, u"2");
  } else {
    AfxMessageBox(u"선택한 종목이 없습니다.");
  }
  EndDialog(IDOK);
}

}  // namespace finders

// The futures/options finder: runs the dialog modally over `parent`. The pick goes to the
// registry, not into the strings; after a confirmation the name loses its trailing blanks and
// the result is TRUE only when the caller's code string is not empty. FALSE after a cancel.
extern "C" __attribute__((visibility("default"))) int FOFindItemCodeDlg(HWND parent, CString* code, CString* name) {
  // The dialog's template is this plug-in's: without its module the caller's template of the
  // same number would be taken, so nothing is shown then.
  HMODULE self = ::GetModuleHandle(u"VXFOSCOUTLET.DLL");
  if (!self) return FALSE;
  HINSTANCE previous = AfxGetResourceHandle();
  AfxSetResourceHandle(self);
  INT_PTR result;
  {
    finders::CFOFinderDlg dlg(parent ? CWnd::FromHandle(parent) : nullptr);
    result = dlg.DoModal();
  }
  AfxSetResourceHandle(previous);
  if (result != IDOK) return FALSE;
  if (name) name->TrimRight();
  return code && !code->IsEmpty() ? TRUE : FALSE;
}
