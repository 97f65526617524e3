#include "vxbase/grid_size.h"

int _get_spec_rect(HWND dlg, int idA, int idB, int* top, int* bottom, int* left, int* right) {
  if (!dlg || !::IsWindow(dlg)) return -1;
  HWND a = ::GetDlgItem(dlg, idA);
  HWND b = ::GetDlgItem(dlg, idB);
  if (!a || !b) return -1;
  RECT window{}, client{}, ra{}, rb{};
  if (!::GetWindowRect(dlg, &window) || !::GetClientRect(dlg, &client) || !::GetWindowRect(a, &ra) ||
      !::GetWindowRect(b, &rb))
    return -1;
  if (top) *top = ra.bottom - window.top + client.top;
  if (bottom) *bottom = rb.top - window.top + client.top;
  if (left) *left = 1;
  if (right) *right = (client.right - client.left) - 1;
  return 0;
}

int _get_row_height(int top, int bottom, int rows, int* height) {
  int band = bottom - top;
  if (rows <= 0 || band < 0) return -1;
  band -= band % rows;  // the largest height at or below the band that splits evenly
  if (height) *height = band / rows;
  return 0;
}

int _cal_spec_height(int top, int bottom, int rows, int index, int* y1, int* y2) {
  int height = 0;
  if (_get_row_height(top, bottom, rows, &height) != 0) return -1;
  int first = top + height * index;
  if (y1) *y1 = first;
  if (y2) *y2 = first + height;
  return 0;
}

COLORREF _return_cell_color(char sign) {
  switch (sign) {
    case '1':
    case '2': return RGB(255, 0, 0);
    case '4':
    case '5': return RGB(0, 0, 255);
    default: return RGB(0, 0, 0);
  }
}
