// The rows of the option lists (5100 and 5105 on the board, 5154 on the list screen) and the
// columns of the strike board (5155): what the replies hold, limited to the records their bodies
// hold, written into the screens' grids.
#pragma once

#include "plat/afx.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/v_grid.h"

namespace vxfo {

// What a list row holds after its code, price, mark and change.
enum class RowOrder {
  AskBidVolume,  // 5100, 5105
  VolumeAskBid,  // 5154
};

constexpr int kStrikeBoardRows = 9;
constexpr int kStrikeBoardOptions = 8;  // columns 1-8
constexpr COLORREF kLabelBg = 0x8CDFFF;

// Removes every row, then adds one per record of the reply (the records at `rowsAt`, as many as the
// count byte says and the body holds) and redraws once. The rows shown; 0 without a grid.
int FillOptionRows(V_Grid* grid, const unsigned char* body, int len, int rowsAt, RowOrder order);

// The strike board: nine rows with their labels in column 0, option k (at most eight) in column k.
// The options shown; 0 without a grid.
int FillStrikeBoard(V_Grid* grid, const unsigned char* body, int len, HFONT labelFont);

}  // namespace vxfo
