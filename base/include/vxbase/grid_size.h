// Placement arithmetic for grids in the band between two dialog controls, and the colour of a
// change-sign character in a grid cell. All values are pixels.
#pragma once

#include "plat/afx.h"

// The band between the bottom of control `idA` and the top of control `idB`, measured from the
// top of the dialog's window; left = 1, right = client width - 1. 0, or -1 when the dialog or
// either control is missing (the outputs are then left as they were).
int _get_spec_rect(HWND dlg, int idA, int idB, int* top, int* bottom, int* left, int* right);
inline int _get_spec_rect(const CWnd* dlg, int idA, int idB, int* top, int* bottom, int* left, int* right) {
  return _get_spec_rect(dlg ? dlg->m_hWnd : 0, idA, idB, top, bottom, left, right);
}
// Row height of a band split into `rows` equal rows (the band is lowered until it divides
// evenly). 0, or -1 for no rows or a band upside down.
int _get_row_height(int top, int bottom, int rows, int* height);
// Top and bottom of row `index` of such a band. 0, or -1 as above.
int _cal_spec_height(int top, int bottom, int rows, int index, int* y1, int* y2);
// '1' and '2' red, '4' and '5' blue, anything else black.
COLORREF _return_cell_color(char sign);
