// The futures and options order books (ZR5102, ZR5151): one dialog on the futures/options skeleton
// with the five-level book grid, kept live by the item's trade and book pushes, the KOSPI200 index
// push and the trades of the nearest futures contract. The two screens differ only in their setup.
//
// Registration (auto-receive 1 only): the index type for "01001" and the futures trade type for
// the nearest contract when the screen starts; the item's two types after each base quote 5555 of
// a new item (the new item first, then the old one released); everything released when the
// screen's window is destroyed.
//
// A book push is merged only when it is for the item whose book was asked for last: the item's
// registration follows only its base quote, so a push of the previous item may still come after
// the new item's book.
#pragma once

#include "vxrealtime/futopt_book.h"
#include "vxskeleton/futopt_screen.h"

namespace vxrt {

// The order books' template: the futures/options bar, item row and keypad; the grid fills the rest.
inline constexpr const plat::DialogTemplate& kFutOptBookTemplate = vxskel::kFutOptQuoteTemplate;

// The device file whose first line names the nearest futures contract.
#define VX_NEAREST_FUTURES_FILE (u"/Program files/Quorvan/code/futures.code")

struct FutOptBookSetup {
  const RealConfig& real;  // kFuturesBookReal or kOptionsBookReal
  uint16_t request;        // 5102 or 5151
  uint16_t tradePush;      // the item's trades: 9310 or 9410
  uint16_t bookPush;       // the item's book: 9321 or 9421
  int gridId;              // 5102 in both screens
  UINT flashMs;            // how long a changed cell stays grey
};

extern const FutOptBookSetup kFuturesBook;
extern const FutOptBookSetup kOptionsBook;

class CFutOptBookDlg : public vxskel::CFutOptScreenDlg {
 public:
  static constexpr UINT_PTR kFlashTimer = 1;

  CFutOptBookDlg(const vxskel::ScreenConfig& config, const vxskel::FutOptSetup& fo, const FutOptBookSetup& book)
      : CFutOptScreenDlg(config, fo), m_book(book), m_real(*this, book.real) {}
  ~CFutOptBookDlg() override;

  void OnInitScreen() override;
  // The book of the current item; without an item the request goes with an empty code.
  void RequestScreen() override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  const char* NearestFutures() const { return m_nearest; }
  // The item code of the last book request, as sent (empty before the first).
  const char* AskedCode() const { return m_asked; }
  int64_t Reference() const { return m_reference; }

 private:
  // After a successful 5555: the item's pushes follow the item.
  void FollowItem(const unsigned char* base, int len);
  // The first trade record of the registered item in `body` into the strip's upper line.
  void ItemTradeToStrip(const unsigned char* body, int len);
  // Releases every registration (once) and deletes the grid; when the window is destroyed.
  void ReleaseAndDeleteGrid();

  const FutOptBookSetup& m_book;
  RealTime m_real;
  FutOptBookGrid m_grid;
  char m_nearest[kNearestCodeMax + 1] = {};
  char m_asked[kFutOptCode + 1] = {};
  bool m_released = false;
  int64_t m_reference = 0;  // hundredths
};

}  // namespace vxrt
