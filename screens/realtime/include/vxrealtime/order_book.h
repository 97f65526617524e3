// The order-book grid of the stock quote screens: four columns (ask volume, ask price, bid price,
// bid volume), one row per level, a totals row and an after-hours totals row. Filled whole from
// the 6100 snapshot, merged from the order-book pushes (a changed cell turns grey until the flash
// timer restores it; a changed price takes its colour from the previous close), and read back when
// the user double-taps a level to hand its price to an order screen.
#pragma once

#include <cstdint>
#include <memory>

#include "plat/afx.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/net_value.h"
#include "glimmet/v_grid.h"

namespace vxrt {

constexpr COLORREF kFlashBg = 0xC8C8C8;  // a cell a push changed
constexpr COLORREF kAskVolumeBg = 0xFFC8C8;
constexpr COLORREF kBidVolumeBg = 0xC8C8FF;
constexpr COLORREF kLabelBg = 0x8CDFFF;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kUpColor = 0x0000FF;    // red
constexpr COLORREF kDownColor = 0xFF0000;  // blue

constexpr uint16_t kTrOrderBook = 6100;
constexpr UINT kOrderScreenBuy = 93001;
constexpr UINT kOrderScreenSell = 93002;

// Where an order-book push keeps its fields (offsets in the record, after the count byte).
struct BookPushLayout {
  uint16_t pushType;
  int levels;
  int askPriceAt, bidPriceAt;    // NET_VALUE2 each
  int askVolumeAt, bidVolumeAt;  // NET_VALUE3 each
  int totalAskAt, totalBidAt;
  int afterAskAt, afterBidAt;  // -1: the push carries no after-hours totals
  int recordSize;
};
extern const BookPushLayout kBook9120;  // five levels with after-hours totals
extern const BookPushLayout kBook9121;  // ten levels

// The grid as a screen creates it.
struct BookGridLayout {
  int id;
  int headerHeight, rowHeight;
  int initialRows;
  int fixedFirstColumn;
  int levels;         // 5 or 10
  UINT headerBitmap;  // resource of the header image of column 2 (0: none)
};

// The length of the 6100 reply for `levels` levels (174 or 324).
constexpr int BookSnapshotSize(int levels) { return 2 * (15 * levels + 6) + 12; }

class OrderBookGrid {
 public:
  // Creates and places the grid (message notification, cell selection, visible). False when it
  // cannot be created; the screen then runs without it.
  bool Create(CWnd& parent, const BookGridLayout& setup, HFONT labelFont, int x, int y, int width, int height);
  OrderBookGrid() = default;
  OrderBookGrid(const OrderBookGrid&) = delete;
  OrderBookGrid& operator=(const OrderBookGrid&) = delete;
  ~OrderBookGrid() { Destroy(); }
  V_Grid* Grid() const { return m_grid.get(); }
  // The grid, then the header image it showed.
  void Destroy();

  // The 6100 reply: every row rebuilt. False (nothing changed) when the body is too short.
  bool FillSnapshot(const unsigned char* body, int len);
  // An order-book push record whose item is the current one: changed cells get their new text
  // and the flash background, the totals too. False when a row is missing (nothing to redraw).
  bool MergePush(const BookPushLayout& layout, const unsigned char* record, int64_t prevClose);
  // The flash timer: the level rows' and totals' backgrounds as a snapshot leaves them.
  void RestoreFlash();
  // The price that a double tap on (column, row) hands to an order screen: the level's ask price
  // for columns 0-1, its bid price for columns 2-3 (never a volume). False for the totals rows,
  // an empty price or a cell outside the levels.
  bool PriceForTap(int column, int row, CString& price) const;
  // Writes the hand-over values under "Order Change" and asks the owner for the buy screen
  // (columns 0-1) or the sell screen (columns 2-3).
  static void HandPriceToOrder(HWND owner, const CString& price, int column);

 private:
  void SetLabelRow(int row, const WCHAR* left, int leftAlign, const WCHAR* right, int rightAlign);

  std::unique_ptr<V_Grid> m_grid;
  BookGridLayout m_setup{};
  HFONT m_labelFont = nullptr;
  HBITMAP m_headerImage = nullptr;
};

// The header image of the order book's price column: a small arrow on the header colour, which a
// tap opens the price screen through. Plug-ins register it as their bitmap resource.
struct HeaderArrowBitmap {
  uint32_t width = 12, height = 11;
  COLORREF pixels[12 * 11];
};
constexpr HeaderArrowBitmap MakeHeaderArrow() {
  HeaderArrowBitmap b{};
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 12; ++x) {
      int reach = 5 - (y < 5 ? 5 - y : y - 5);  // a triangle pointing right
      b.pixels[y * 12 + x] = (x >= 3 && x - 3 <= reach * 6 / 5 + 1) ? 0x000080 : kLabelBg;
    }
  return b;
}
inline constexpr HeaderArrowBitmap kHeaderArrow = MakeHeaderArrow();

// Sets `text` into `cell` when it differs from what the cell shows: the cell then gets the flash
// background. True when it changed.
bool FlashText(V_Grid_Cell* cell, const char* text);
// A price's colour against the previous close: red above, blue below, black equal.
COLORREF PriceColor(int64_t price, int64_t prevClose);

}  // namespace vxrt
