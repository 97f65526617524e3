#include "vxskeleton/list_screen.h"

#include <cstdio>
#include <cstdlib>

#include "glimmet/net_value.h"
#include "vxbase/money.h"
#include "vxbase/vx_dlg.h"

namespace vxskel {

std::unique_ptr<V_Grid> CreateGrid(CWnd* dlg, HFONT font, const GridSetup& s) {
  if (!dlg) return nullptr;
  auto grid = std::make_unique<V_Grid>();
  if (grid->init(dlg->m_hWnd, s.id, s.headerHeight, s.titles, s.columns, s.widths, s.rowHeight, 0, font,
                 s.fixedFirst ? 1 : 0) != 0)
    return nullptr;
  for (int i = 0; i < s.rows; ++i)
    if (!grid->add_row()) break;
  grid->set_location(s.at.left, s.at.top, s.at.right, s.at.bottom);
  grid->set_if_mode(VGRID_IF_MESSAGE);
  if (!s.selectable) grid->set_select_flag(0);
  grid->set_visible(1);
  return grid;
}

void DeleteGrid(std::unique_ptr<V_Grid>& grid) { grid.reset(); }

bool GridBand(CWnd* dlg, int upper, int lower, RECT& band) {
  if (!dlg) return false;
  CWnd* a = dlg->GetDlgItem(upper);
  CWnd* b = dlg->GetDlgItem(lower);
  if (!a || !b) return false;
  RECT client{}, ra{}, rb{};
  dlg->GetClientRect(&client);
  a->GetWindowRect(&ra);
  b->GetWindowRect(&rb);
  dlg->ScreenToClient(&ra);
  dlg->ScreenToClient(&rb);
  int top = ra.bottom + 2, bottom = rb.top - 2;
  if (bottom <= top || client.right - client.left <= 2) return false;
  band = RECT{client.left + 1, top, client.right - client.left - 2, bottom - top};
  return true;
}

void SetLabelCell(V_Grid_Cell* cell, const char* text, HFONT font) {
  if (!cell) return;
  cell->set_text(text ? text : "", -1);
  cell->set_font(font);
  cell->set_str_flag(0);
}

void SetLabelCell(V_Grid_Cell* cell, const WCHAR* text, HFONT font) {
  if (!cell) return;
  cell->set_text(text ? text : u"", -1);
  cell->set_font(font);
  cell->set_str_flag(0);
}

void RateText(int whole, int hundredths, char* out, size_t size) {
  if (!out || size == 0) return;
  bool negative = whole < 0 || hundredths < 0;
  std::snprintf(out, size, "%s%d.%02d%%", negative ? "-" : "", std::abs(whole), std::abs(hundredths) % 100);
}

void SetTimeCell(V_Grid_Cell* cell, const unsigned char* hms, HFONT font, int align) {
  if (!cell || !hms) return;
  char text[16] = {};
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hms[0], hms[1], hms[2]);
  SetLabelCell(cell, text, font);
  cell->set_str_flag(align);
  if (hms[0] == 23 && hms[1] == 59 && hms[2] > 57) cell->set_text(u"장 종 료", -1);
}

void SetShadedLabel(V_Grid* grid, int column, int row, const WCHAR* text, HFONT font) {
  if (!grid) return;
  V_Grid_Cell* cell = grid->get_cell(column, row);
  SetLabelCell(cell, text, font);
  if (cell) cell->set_bg(kLabelBack);
}

void SetCell(V_Grid* grid, int column, int row, const char* text) {
  if (!grid) return;
  if (V_Grid_Cell* c = grid->get_cell(column, row)) c->set_text(text ? text : "", -1);
}

void SetCell(V_Grid* grid, int column, int row, const char* text, COLORREF fg) {
  if (!grid) return;
  if (V_Grid_Cell* c = grid->get_cell(column, row)) {
    c->set_text(text ? text : "", -1);
    c->set_fg(fg);
  }
}

void SetNumberCell(V_Grid* grid, int column, int row, int kind, const unsigned char* value, int mode, COLORREF fg) {
  char text[NET_VALUE_STR_SIZE] = {};
  if (value)
    get_net_value_str(static_cast<signed char>(kind), value, text, static_cast<signed char>(mode), sizeof text);
  SetCell(grid, column, row, text, fg);
}

void MarkAndChange(char sign, const unsigned char* change, int kind, char* out, size_t size) {
  if (!out || size == 0) return;
  char mark[4] = {};
  G_GetUpdownChar(mark, sign);
  char value[NET_VALUE_STR_SIZE] = {};
  if (change) get_net_value_str(static_cast<signed char>(kind), change, value, 0, sizeof value);
  std::snprintf(out, size, "%.4s %s", mark, value);
}

void MillionsText(const unsigned char* won, char* out, size_t size) {
  if (!out || size == 0) return;
  char digits[kMoneyBufferSize] = {};
  std::snprintf(digits, sizeof digits, "%.f", won ? convert_short3(won) * 0.000001 : 0.0);
  std::snprintf(out, size, "%s", Money(digits));
}

void FillGroupCombo(CWnd* dlg, int comboId, int count) {
  auto* combo = dlg ? static_cast<CComboBox*>(dlg->GetDlgItem(comboId)) : nullptr;
  if (!combo) return;
  for (int g = 1; g <= count; ++g) {
    CString name;
    name.Format(u"Group%d", g);
    combo->AddString(name);
  }
  combo->SetCurSel(0);
}

void EnableControl(CWnd* dlg, int id, bool enable) {
  if (!dlg) return;
  if (CWnd* w = dlg->GetDlgItem(id)) w->EnableWindow(enable ? TRUE : FALSE);
}

void SetNameCell(V_Grid* grid, int column, int row, const std::string& text, HFONT font) {
  if (!grid) return;
  V_Grid_Cell* cell = grid->get_cell(column, row);
  SetLabelCell(cell, text.c_str(), font);
  if (cell) cell->set_str_flag(1);
}

void SetPriceCells(V_Grid* grid, int row, int first, const unsigned char* price, char sign, const unsigned char* change,
                   COLORREF fg, signed char kind) {
  if (!grid || !price || !change) return;
  V_Grid_Cell* cells[3];
  for (int i = 0; i < 3; ++i)
    if (!(cells[i] = grid->get_cell(first + i, row))) return;
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(kind, price, text, 0, sizeof text);
  cells[0]->set_text(text, -1);
  char mark[4] = {};
  G_GetUpdownChar(mark, sign);
  cells[1]->set_text(mark, static_cast<int>(strnlen(mark, sizeof mark)));
  cells[1]->set_str_flag(0);
  get_net_value_str(kind, change, text, 0, sizeof text);
  cells[2]->set_text(text, -1);
  for (V_Grid_Cell* c : cells) c->set_fg(fg);
}

ScreenConfig ListScreenConfig(const WCHAR* moduleName, const WCHAR* title, const uint16_t* replies, size_t count) {
  static const GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, 96001, false}};
  static const UINT kFinders[] = {IDC_BTN_FINDER};
  ScreenConfig c;
  c.moduleName = moduleName;
  c.title = title;
  c.chain = ItemChain::NoEdit;
  c.goTo = kGoTo;
  c.goToCount = 1;
  c.finderButtons = kFinders;
  c.finderCount = 1;
  c.plainReplies = true;
  c.replyCodes = replies;
  c.replyCodeCount = count;
  return c;
}

void CListScreenDlg::StartWait() {
  BeginWaitCursor();
  SetTimer(kReplyTimer, 10000, nullptr);
}

void CListScreenDlg::OnQuery() {
  GetItemCodeFromComboBox();
  KeepItem();
  StartWait();
  RequestStockBase();
  SendPage();
}

void CListScreenDlg::OnInitScreen() { m_grid = CreateGrid(this, LabelFont(), m_setup); }

bool ResetRows(V_Grid* grid, int rows) {
  if (!grid) return false;
  grid->remove_all_row();
  for (int i = 0; i < rows; ++i)
    if (!grid->add_row()) break;
  return true;
}

bool CListScreenDlg::ResetRows(int rows) { return vxskel::ResetRows(m_grid.get(), rows); }

BOOL CListScreenDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  int id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (id == IDC_ITEM_COMBO && code == CBN_EDITCHANGE) {
    CString text;
    if (GetItemCodeText(IDC_ITEM_COMBO, text) && EditItemCode(IDC_ITEM_COMBO)) {
      SetItemCodeToComboBox();
      OnNewItem(true);
    }
    return TRUE;
  }
  if (id == IDC_BTN_FINDER && code == BN_CLICKED && lParam) {
    OnFinder();
    return TRUE;
  }
  if (id == IDC_ITEM_COMBO && code == CBN_SELCHANGE) {
    CString text;
    if (!GetComboSelText(IDC_ITEM_COMBO, text)) return TRUE;
    if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->SetWindowText(text);
    SetItemCodeToComboBox();
    OnNewItem(false);
    return TRUE;
  }
  return CVXScreenDlg::OnCommand(wParam, lParam);
}

}  // namespace vxskel
