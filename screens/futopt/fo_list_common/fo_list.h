// The futures/options lists of one item, a page of nine rows at a time, each page asked for with
// the key the server gave with the page before it:
//
//   ZR5103 / ZR5152  time and sales of a futures contract / an option (5103 / 5152): 'F' first,
//                    'N' next; "< 이전" goes back to the first page
//   ZR5104 / ZR5153  daily history of a futures contract / an option (5104 / 5153): 'F' first,
//                    'N' next, 'P' previous
//
// Each pair is one dialog with the parameters of its screen (FoListScreen). Keys are kept by page
// number in a table of kPages slots; a page without a slot is never asked for, so "다음 >" stops
// there. A new item (a finder pick, or 조회 after one) starts again at page 1.
#pragma once

#include <cstdint>

#include "vxskeleton/futopt_screen.h"
#include "vxskeleton/list_screen.h"

namespace vxfolist {

constexpr int kBtnNext = 9701;       // "다음 >"
constexpr int kBtnTicksPrev = 9822;  // "< 이전" of time and sales: back to page 1
constexpr int kBtnDaysPrev = 9702;   // "< 이전" of the daily history: the page before
constexpr int kRowsPerPage = 9;
constexpr int kPages = 255;   // the page travels in one byte
constexpr int kKeyBytes = 4;  // the widest key (time and sales; the daily keys are 3 bytes)

enum class FoList { Ticks, Days };

// The wait cursor when the server answers with an error message.
enum class ErrorWait {
  AfterBox,      // ended once the box is answered, as after any reply
  BeforeBox,     // ended before the box shows
  UntilTimeOut,  // left to the reply time-out
};

struct FoListScreen {
  uint16_t code;  // 5103, 5152, 5104 or 5153
  FoList list;
  // The page shown is the one the reply names (byte 0); otherwise the screen counts it.
  bool pageFromReply;
  // 조회 starts again at page 1 'F'; otherwise it asks for the page shown again.
  bool queryRestarts;
  ErrorWait errorWait;
};

// The screens' own controls: "< 이전" and "다음 >" under the grid.
inline constexpr DWORD kPageButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
inline constexpr vxskel::ControlItem kTickControls[] = {
    {u"BUTTON", kBtnTicksPrev, u"< 이전", kPageButton, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음 >", kPageButton, 0, 192, 256, 46, 20},
};
inline constexpr vxskel::ControlItem kDayControls[] = {
    {u"BUTTON", kBtnDaysPrev, u"< 이전", kPageButton, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음 >", kPageButton, 0, 192, 256, 46, 20},
};

// The grids' columns.
constexpr int kTickColumns = 7, kDayColumns = 11;
extern const WCHAR* const kTickTitles[kTickColumns];
extern const int kTickWidths[kTickColumns];
extern const WCHAR* const kDayTitles[kDayColumns];
extern const int kDayWidths[kDayColumns];

// The screen's settings: those of a futures/options quote screen, and only the replies of its own
// code (and 5555) read.
vxskel::ScreenConfig ListConfig(const FoListScreen& screen, const WCHAR* moduleName, const WCHAR* title,
                                vxskel::FoForm form);

class CFoListDlg : public vxskel::CFutOptScreenDlg {
 public:
  CFoListDlg(const vxskel::ScreenConfig& config, const vxskel::FutOptSetup& setup, const FoListScreen& screen)
      : CFutOptScreenDlg(config, setup), m_screen(screen) {}

  void OnInitScreen() override;
  // The page of the current state; a new item starts again at page 1 'F'.
  void RequestScreen() override;
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  int Page() const { return m_paging.page; }

 protected:
  void OnQueryButton() override;

 private:
  int PrevButton() const { return m_screen.list == FoList::Ticks ? kBtnTicksPrev : kBtnDaysPrev; }
  void Restart();
  // Asks for `page` as `direction` with the key kept for it (blanks for page 1); nothing when the
  // page has no slot.
  void SendPage(int page, char direction);
  void FillTicks(const vxwire::Reader& reply, int rows);
  void FillDays(const vxwire::Reader& reply, int rows);

  const FoListScreen& m_screen;
  vxskel::PageKeys<kKeyBytes, kPages, 8> m_paging;
  char m_item[8] = {};     // the item paged, zero-padded
  char m_direction = 'F';  // of the page shown
  int m_asked = 1;         // the page last asked for
  char m_askedDirection = 'F';
};

}  // namespace vxfolist
