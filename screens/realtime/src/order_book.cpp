#include "vxrealtime/order_book.h"

#include <cstring>

#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"
#include "vxbase/vx_dlg.h"
#include "vxskeleton/screen_skeleton.h"

namespace vxrt {

namespace {

constexpr int kColumns = 4;
const int kWidths[kColumns] = {60, 58, 58, 60};
const WCHAR* const kTitles[kColumns] = {u"매도잔량", nullptr, nullptr, u"매수잔량"};

constexpr int kAlignCentre = 0;
constexpr int kAlignLeft = 1;
constexpr int kAlignRight = 2;

void SetNumber(V_Grid_Cell* cell, signed char kind, const unsigned char* field, signed char mode) {
  if (!cell) return;
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(kind, field, text, mode, sizeof text);
  cell->set_text(text, -1);
}

}  // namespace

const BookPushLayout kBook9120 = {9120, 5, 6, 26, 46, 76, 106, 112, 118, 124, 130};
const BookPushLayout kBook9121 = {9121, 10, 6, 46, 86, 146, 206, 212, -1, -1, 218};

bool FlashText(V_Grid_Cell* cell, const char* text) {
  if (!cell) return false;
  if (std::strcmp(cell->get_text(), text) == 0) return false;
  cell->set_text(text, -1);
  cell->set_bg(kFlashBg);
  return true;
}

COLORREF PriceColor(int64_t price, int64_t prevClose) {
  if (price > prevClose) return kUpColor;
  if (price < prevClose) return kDownColor;
  return 0;
}

bool OrderBookGrid::Create(CWnd& parent, const BookGridLayout& setup, HFONT labelFont, int x, int y, int width,
                           int height) {
  m_setup = setup;
  m_labelFont = labelFont;
  m_grid = std::make_unique<V_Grid>();
  if (m_grid->init(parent.m_hWnd, setup.id, setup.headerHeight, kTitles, kColumns, kWidths, setup.rowHeight,
                   setup.initialRows, labelFont, setup.fixedFirstColumn) != 0) {
    m_grid.reset();
    return false;
  }
  if (setup.headerBitmap)
    if (V_Grid_Cell* head = m_grid->get_head_cell()) {
      m_headerImage = ::LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(setup.headerBitmap));
      head[2].set_image(m_headerImage);
      head[2].set_image_flag(0);
    }
  m_grid->set_location(x, y, width, height);
  m_grid->set_if_mode(VGRID_IF_MESSAGE);
  m_grid->set_select_flag(VGRID_SELECT_CELL);
  m_grid->set_visible(1);
  return true;
}

void OrderBookGrid::Destroy() {
  m_grid.reset();
  if (m_headerImage) ::DeleteObject(m_headerImage);
  m_headerImage = nullptr;
}

void OrderBookGrid::SetLabelRow(int row, const WCHAR* left, int leftAlign, const WCHAR* right, int rightAlign) {
  for (int c = 1; c <= 2; ++c) {
    V_Grid_Cell* cell = m_grid->get_cell(c, row);
    if (!cell) continue;
    const WCHAR* text = c == 1 ? left : right;
    cell->set_text(text, -1);
    cell->set_str_flag(c == 1 ? leftAlign : rightAlign);
    cell->set_bg(kLabelBg);
    cell->set_font(m_labelFont);
  }
}

bool OrderBookGrid::FillSnapshot(const unsigned char* body, int len) {
  const int levels = m_setup.levels;
  if (!m_grid || !body || len < BookSnapshotSize(levels)) return false;
  const int side = 15 * levels + 6;
  m_grid->remove_all_row();
  for (int i = 0; i < levels; ++i) {
    if (!m_grid->add_row()) return false;
    const unsigned char* ask = body;
    const unsigned char* bid = body + side;
    SetNumber(m_grid->get_cell(0, i), NV_INT3, ask + 5 * levels + 6 * i, 1);
    SetNumber(m_grid->get_cell(1, i), NV_INT2, ask + 4 * i, 0);
    SetNumber(m_grid->get_cell(2, i), NV_INT2, bid + 4 * i, 0);
    SetNumber(m_grid->get_cell(3, i), NV_INT3, bid + 5 * levels + 6 * i, 1);
    if (V_Grid_Cell* c = m_grid->get_cell(0, i)) c->set_bg(kAskVolumeBg);
    if (V_Grid_Cell* c = m_grid->get_cell(1, i)) c->set_fg(CVXDlg::GetRGBColor(static_cast<char>(ask[4 * levels + i])));
    if (V_Grid_Cell* c = m_grid->get_cell(2, i)) c->set_fg(CVXDlg::GetRGBColor(static_cast<char>(bid[4 * levels + i])));
    if (V_Grid_Cell* c = m_grid->get_cell(3, i)) c->set_bg(kBidVolumeBg);
  }
  // Totals, then the after-hours totals.
  if (!m_grid->add_row()) return false;
  SetNumber(m_grid->get_cell(0, levels), NV_INT3, body + side - 6, 1);
  SetNumber(m_grid->get_cell(3, levels), NV_INT3, body + 2 * side - 6, 1);
  SetLabelRow(levels, u"잔", kAlignCentre, u"량", kAlignCentre);
  if (!m_grid->add_row()) return false;
  SetNumber(m_grid->get_cell(0, levels + 1), NV_INT3, body + 2 * side, 1);
  SetNumber(m_grid->get_cell(3, levels + 1), NV_INT3, body + 2 * side + 6, 1);
  SetLabelRow(levels + 1, u"시간외", kAlignRight, u"총잔량", kAlignLeft);
  m_grid->redraw();
  return true;
}

bool OrderBookGrid::MergePush(const BookPushLayout& layout, const unsigned char* record, int64_t prevClose) {
  if (!m_grid) return false;
  char text[NET_VALUE_STR_SIZE];
  auto cellText = [&](int column, int row, signed char kind, const unsigned char* field, signed char mode) {
    V_Grid_Cell* cell = m_grid->get_cell(column, row);
    get_net_value_str(kind, field, text, mode, sizeof text);
    if (FlashText(cell, text) && kind == NV_INT2) cell->set_fg(PriceColor(get_net_value(field, 4), prevClose));
  };
  for (int i = 0; i < layout.levels; ++i) {
    if (!m_grid->get_row_cell(i)) return false;
    cellText(0, i, NV_INT3, record + layout.askVolumeAt + 6 * i, 1);
    cellText(1, i, NV_INT2, record + layout.askPriceAt + 4 * i, 0);
    cellText(2, i, NV_INT2, record + layout.bidPriceAt + 4 * i, 0);
    cellText(3, i, NV_INT3, record + layout.bidVolumeAt + 6 * i, 1);
  }
  if (!m_grid->get_row_cell(layout.levels)) return false;
  cellText(0, layout.levels, NV_INT3, record + layout.totalAskAt, 1);
  cellText(3, layout.levels, NV_INT3, record + layout.totalBidAt, 1);
  if (layout.afterAskAt >= 0) {
    if (!m_grid->get_row_cell(layout.levels + 1)) return false;
    cellText(0, layout.levels + 1, NV_INT3, record + layout.afterAskAt, 1);
    cellText(3, layout.levels + 1, NV_INT3, record + layout.afterBidAt, 1);
  }
  return true;
}

void OrderBookGrid::RestoreFlash() {
  if (!m_grid) return;
  const int levels = m_setup.levels;
  for (int r = 0; r < levels + 2; ++r) {
    if (!m_grid->get_row_cell(r)) break;
    for (int c = 0; c < kColumns; ++c) {
      V_Grid_Cell* cell = m_grid->get_cell(c, r);
      if (!cell) continue;
      if (r < levels)
        cell->set_bg(c == 0 ? kAskVolumeBg : c == 3 ? kBidVolumeBg : kWhite);
      else if (c == 0 || c == 3)
        cell->set_bg(kWhite);
    }
  }
}

bool OrderBookGrid::PriceForTap(int column, int row, CString& price) const {
  price.Empty();
  if (!m_grid || column < 0 || column >= kColumns || row < 0 || row >= m_setup.levels) return false;
  V_Grid_Cell* cell = m_grid->get_cell(column <= 1 ? 1 : 2, row);
  if (!cell || !cell->get_text()[0]) return false;
  price = cell->get_text_wchar();
  return true;
}

void OrderBookGrid::HandPriceToOrder(HWND owner, const CString& price, int column) {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE)) return;
  reg.SetValue(u"Price", static_cast<const WCHAR*>(price));
  reg.SetValue(u"Volume", u"");
  reg.SetValue(u"Set_Flag", DWORD('1'));
  ::SendMessage(owner, WM_VX_OPEN_SCREEN, column <= 1 ? kOrderScreenBuy : kOrderScreenSell, 0);
}

}  // namespace vxrt
