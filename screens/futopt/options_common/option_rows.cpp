#include "option_rows.h"

#include <cstring>

#include "glimmet/net_value.h"
#include "vxbase/money.h"
#include "vxbase/vx_dlg.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/tr_layouts.h"

namespace vxfo {

namespace {

namespace fo = vxtr::futopt;
constexpr int kCentred = 0;

void SetNumber(V_Grid_Cell* cell, signed char kind, const unsigned char* field, signed char mode) {
  if (!cell || !field) return;
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(kind, field, text, mode, sizeof text);
  cell->set_text(text, -1);
}

void SetCode(V_Grid_Cell* cell, const vxwire::Reader& record) {
  if (!cell) return;
  std::string code = record.Text(fo::kRowCode);
  cell->set_text(code.c_str(), -1);
  cell->set_str_flag(kCentred);
}

}  // namespace

int FillOptionRows(V_Grid* grid, const unsigned char* body, int len, int rowsAt, RowOrder order) {
  if (!grid) return 0;
  grid->remove_all_row();
  vxwire::Reader reply(body, len);
  const int rows = vxskel::RecordsHeld(reply.Byte(fo::kCount), len, rowsAt, fo::kRowSize);
  int shown = 0;
  for (int i = 0; i < rows; ++i) {
    if (!grid->add_row()) break;
    vxwire::Reader r = reply.Record(static_cast<size_t>(rowsAt), fo::kRowSize, i);
    SetCode(grid->get_cell(0, i), r);
    const char sign = r.Char(fo::kRowSign);
    vxskel::SetPriceCells(grid, i, 1, r.At(fo::kRowPrice), sign, r.At(fo::kRowChange), CVXDlg::GetRGBColor(sign),
                          NV_FLOAT2);
    if (order == RowOrder::AskBidVolume) {
      SetNumber(grid->get_cell(4, i), NV_FLOAT2, r.At(fo::kBoardAsk), 0);
      SetNumber(grid->get_cell(5, i), NV_FLOAT2, r.At(fo::kBoardBid), 0);
      SetNumber(grid->get_cell(6, i), NV_INT3, r.At(fo::kBoardVolume), 1);
    } else {
      SetNumber(grid->get_cell(4, i), NV_INT3, r.At(fo::kListVolume), 1);
      SetNumber(grid->get_cell(5, i), NV_FLOAT2, r.At(fo::kListAsk), 0);
      SetNumber(grid->get_cell(6, i), NV_FLOAT2, r.At(fo::kListBid), 0);
    }
    ++shown;
  }
  grid->redraw();
  return shown;
}

int FillStrikeBoard(V_Grid* grid, const unsigned char* body, int len, HFONT labelFont) {
  static const WCHAR* const kLabels[kStrikeBoardRows] = {u"종목코드", u"현재가",   u"대비",     u"거래량",  u"매도호가",
                                                         u"매도잔량", u"매수호가", u"매수잔량", u"미결제량"};
  if (!grid) return 0;
  grid->remove_all_row();
  for (int row = 0; row < kStrikeBoardRows; ++row) {
    if (!grid->add_row()) return 0;
    if (V_Grid_Cell* cell = grid->get_cell(0, row)) {
      cell->set_text(kLabels[row], -1);
      cell->set_str_flag(kCentred);
      cell->set_font(labelFont);
      cell->set_bg(kLabelBg);
    }
  }
  vxwire::Reader reply(body, len);
  int n = vxskel::RecordsHeld(reply.Byte(fo::kCount), len, fo::kListRowsAt, fo::kStrikeRowSize);
  if (n > kStrikeBoardOptions) n = kStrikeBoardOptions;
  for (int k = 0; k < n; ++k) {
    const int column = k + 1;
    vxwire::Reader r = reply.Record(fo::kListRowsAt, fo::kStrikeRowSize, k);
    const char sign = r.Char(fo::kRowSign);
    const COLORREF fg = CVXDlg::GetRGBColor(sign);
    SetCode(grid->get_cell(column, 0), r);
    SetNumber(grid->get_cell(column, 1), NV_FLOAT2, r.At(fo::kRowPrice), 0);
    if (V_Grid_Cell* change = grid->get_cell(column, 2)) {
      char text[NET_VALUE_STR_SIZE + 8] = {};
      G_GetUpdownChar(text, sign);
      size_t used = strnlen(text, sizeof text);
      get_net_value_str(NV_FLOAT2, r.At(fo::kRowChange), text + used, 0, sizeof text - used);
      change->set_text(text, -1);
      change->set_fg(fg);
    }
    if (V_Grid_Cell* price = grid->get_cell(column, 1)) price->set_fg(fg);
    SetNumber(grid->get_cell(column, 3), NV_INT3, r.At(fo::kListVolume), 1);
    SetNumber(grid->get_cell(column, 4), NV_FLOAT2, r.At(fo::kListAsk), 0);
    SetNumber(grid->get_cell(column, 5), NV_INT2, r.At(fo::kAskQuantity), 0);
    SetNumber(grid->get_cell(column, 6), NV_FLOAT2, r.At(fo::kStrikeBid), 0);
    SetNumber(grid->get_cell(column, 7), NV_INT2, r.At(fo::kBidQuantity), 0);
    SetNumber(grid->get_cell(column, 8), NV_INT2, r.At(fo::kOpenInterest), 0);
  }
  grid->redraw();
  return n;
}

}  // namespace vxfo
