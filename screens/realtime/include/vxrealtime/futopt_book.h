// The five-level order book of a futures contract or an option, kept live by its pushes: the grid
// (order counts and quantities on both sides of the prices, a totals row), filled whole from the
// 5102 / 5151 reply and merged from the book push 9321 / 9421 (a changed cell turns grey until the
// flash timer restores it; a changed price takes its colour from the item's reference price); the
// futures/options strip lines built from the trade pushes 9310 / 9410 and the index push 9210; and
// the nearest futures contract named by the first line of the futures code file.
//
// Prices travel as hundredths (NET_FLOAT2) and are compared as whole hundredths: 245.45 and
// 245.60 - 0.15 are the same price.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plat/afx.h"
#include "vxrealtime/realtime.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/v_grid.h"

class CVXDlg;

namespace vxrt {

constexpr uint16_t kPushFuturesTrade = 9310;
constexpr uint16_t kPushFuturesBook = 9321;
constexpr uint16_t kPushOptionTrade = 9410;
constexpr uint16_t kPushOptionBook = 9421;

constexpr int kFutOptCode = 8;             // item code of a futures/options record
constexpr int kFutOptTradeRecord = 62;     // a 9310 / 9410 record
constexpr int kFutOptBookPushSize = 169;   // a 9321 / 9421 body
constexpr int kFutOptBookReplySize = 146;  // a 5102 / 5151 reply
constexpr int kFutOptBookRows = 11;        // five asks, five bids, the totals
constexpr int kNearestCodeMax = 7;         // characters of the nearest futures code

extern const RealConfig kFuturesBookReal;  // 9310, 9321; 9210 for KOSPI200 ("01001")
extern const RealConfig kOptionsBookReal;  // 9410, 9421; 9210 for KOSPI200

// The reference price of a BASE_DATA_5555 reply in hundredths: the item's price less its change
// when up ('1', '2'), the price when unchanged ('3'), plus the change when down ('4', '5'); 0 for
// another sign or a body shorter than the record.
int64_t FutOptReference(const unsigned char* base, int len);

// The value of a NET_FLOAT2 field in hundredths.
int64_t Hundredths(const unsigned char* field);

// The nearest futures code: the first line of the file at `devicePath`, at most 7 characters, up to
// the first blank. False (code empty) when the file cannot be opened or its first line is empty.
bool ReadNearestFutures(const WCHAR* devicePath, char (&code)[kNearestCodeMax + 1]);

// True when the 8-byte code of a record is `code` (NUL-padded).
bool SameCode(const unsigned char* record, const char* code);

class FutOptBookGrid {
 public:
  static constexpr int kColumns = 5;

  FutOptBookGrid() = default;
  FutOptBookGrid(const FutOptBookGrid&) = delete;
  FutOptBookGrid& operator=(const FutOptBookGrid&) = delete;
  ~FutOptBookGrid() { Destroy(); }

  // Creates and places the grid with its eleven empty rows (message notification, no selection,
  // visible). False when it cannot be made; the screen then runs without it.
  bool Create(CWnd& parent, int id, HFONT font, int x, int y, int width, int height);
  void Destroy() { m_grid.reset(); }
  V_Grid* Grid() const { return m_grid.get(); }

  // The 5102 / 5151 reply: every row rebuilt. False (nothing changed) when the body is short.
  bool FillSnapshot(const unsigned char* body, int len);
  // A 9321 / 9421 body of the registered item: every cell whose text changes gets it and the flash
  // background; a changed price is coloured against `reference` (hundredths). False when the body
  // is short or a row is missing (nothing to redraw).
  bool MergePush(const unsigned char* body, int len, int64_t reference);
  // The flash timer: every row's backgrounds as a fill leaves them.
  void RestoreFlash();

 private:
  std::unique_ptr<V_Grid> m_grid;
};

// ---- Strip lines from pushes ----------------------------------------------------------------

// The item's price line from a trade record (9310 / 9410): price, change, sign and volume.
void FutOptTradeToStrip(CVXDlg& dlg, const unsigned char* record);
// Every trade record of `body` whose code is `nearest` into the futures line.
void NearestFuturesToStrip(CVXDlg& dlg, const unsigned char* body, int len, const char* nearest);
// Every index record of a 9210 body whose code is "01001" into the KOSPI200 line.
void K200ToStrip(CVXDlg& dlg, const unsigned char* body, int len);

}  // namespace vxrt
