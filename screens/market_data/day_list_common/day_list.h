// The day lists: a page of days at a time, newest first, each page asked for with the key that
// came with the page before it ('F' first, 'N' next, 'P' previous; page 1 with three blanks).
//
//   VX4240  a market's index with the net figures of individuals, foreigners and institutions
//           by amount or quantity (4240), eight days a page; combos 1002 (figure), 1003 (market)
//   VX4140  an item's closing price, change, rate, change in foreign holdings and foreign-limit
//           exhaustion (4150), nine days a page
//
// "다음" goes on only while the last reply offered a further page and the key table has a slot
// for it (101 pages); "이전" goes back to page 1 at most.
#pragma once

#include <cstdint>

#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_template.h"

namespace vxdays {

constexpr int kGrid = 1000;
constexpr int kFigureCombo = 1002;  // VX4240
constexpr int kMarketCombo = 1003;  // VX4240
constexpr int kBtnNext = 9701;
constexpr int kBtnPrev = 9702;
constexpr int kPages = 101;
constexpr int kKeyBytes = 3;

enum class Days { Investors, Foreign };

struct DayListScreen {
  uint16_t code;
  uint8_t rows;  // days a page, sent with each request
  Days kind;
  bool listFirstOnEdit;  // an edited item asks for the list before the quote
  bool listFirstOnPick;  // a picked item asks for the list before the quote
  const vxskel::GridSetup* grid;
};

inline constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
inline constexpr plat::DialogItemTemplate kTrendControls[] = {
    {u"STATIC", -1, u"(단위:억원,천주)", vxskel::kLabel, 0, 138, 69, 101, 16},
    {u"BUTTON", kBtnPrev, u"이전", vxskel::kFaceButton, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음", vxskel::kFaceButton, 0, 192, 256, 46, 20},
    {u"COMBOBOX", kFigureCombo, nullptr, kDropList, 0, 1, 66, 60, 60},
    {u"COMBOBOX", kMarketCombo, nullptr, kDropList, 0, 63, 66, 72, 60},
};
inline constexpr plat::DialogItemTemplate kForeignControls[] = {
    {u"BUTTON", kBtnPrev, u"< 이전", vxskel::kFaceButton, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음 >", vxskel::kFaceButton, 0, 192, 256, 46, 20},
};

extern const vxskel::GridSetup kTrendGrid;
extern const vxskel::GridSetup kForeignGrid;

class CDayListDlg : public vxskel::CListScreenDlg {
 public:
  CDayListDlg(const DayListScreen& screen, const vxskel::ScreenConfig& config)
      : CListScreenDlg(config, *screen.grid), m_screen(screen) {}

  void OnInitScreen() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnQuery() override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnNewItem(bool edited) override;
  void KeepItem() override;
  void SendPage() override;

 private:
  void Restart();
  void FillPage(const unsigned char* body, int len);
  void FillInvestors(int row, const vxwire::Reader& rec);
  void FillForeign(int row, const vxwire::Reader& rec);
  void SetCell(int column, int row, const char* text, COLORREF fg = 0);

  const DayListScreen& m_screen;
  vxskel::PageKeys<kKeyBytes, kPages> m_paging;
  char m_direction = 'F';
  uint8_t m_figure = 1;  // VX4240: 1 amount, 2 quantity
  uint8_t m_market = 1;  // VX4240: 1 KOSPI, 2 KOSDAQ
};

}  // namespace vxdays
