// The ranking screens: one page of a ranking of a market's items at a time, under the base-quote
// strip. One dialog serves them all; what differs is a RankingScreen:
//
//   VX4190  price rise and fall, remaining orders, trading value, volume (4190)
//   VX4180  items at the upper limit, rising, unchanged, falling, at the lower limit (4180)
//   VX4600  items by investors' net buying or net selling (4600)
//   ZR4170  the ECN ranking by volume, value or waiting quantities, with the rank (4170)
//
// The first three choose the market with "KOSPI"/"KOSDAQ" (1565, 1566) and the ranking in combo
// 1002; ZR4170 with combos 9904 and 9905. "다음" goes on only while the last reply offers a
// further page, "이전" goes back to page 1 at most; the page travels in one byte. "조회" asks
// again for the item already accepted (a half-typed code in the combo is not read): the first
// three at the page shown, ZR4170 from page 1.
#pragma once

#include <cstdint>
#include <string>

#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_template.h"

namespace vxrank {

constexpr int kGrid = 1000;
constexpr int kKindCombo = 1002;
constexpr int kBtnKospi = 1565;
constexpr int kBtnKosdaq = 1566;
constexpr int kBtnNext = 9701;
constexpr int kBtnPrev = 9702;
constexpr int kMarketCombo = 9904;  // ZR4170
constexpr int kSortCombo = 9905;    // ZR4170
constexpr int kEcnGrid = 4170;
constexpr int kTitleButton = 9707;  // ZR4170 names itself on a button: 9904 is its market combo
constexpr int kLastPage = 255;      // the page travels in one byte

// The order of the four request bytes.
enum class RequestOrder {
  MarketFirst,  // market, kind, page, rows (4190, 4180)
  RowsFirst,    // rows, page, market, kind (4600, 4170)
};
// The items of a reply.
enum class Rows { Prices, Investors, Ecn };

// An entry of the ranking combo and the kind it sends.
struct Choice {
  const WCHAR* text;
  uint8_t kind;
};

struct RankingScreen {
  uint16_t code;
  RequestOrder order;
  uint8_t rows;  // the number sent in the rows byte
  Rows rowKind;
  const Choice* choices;
  int choiceCount;
  bool ecn;                // market and sort combos, the ECN finder, the rank column
  bool pagingOffAtStart;   // "다음" and "이전" disabled until a reply says otherwise
  bool keepRowsWhenEmpty;  // a reply without items leaves the page shown
  bool listBeforeQuote;    // 조회 asks for the ranking before the quote
  bool waitOnQuery;        // the host's query starts the wait cursor
  bool requery;            // answers the host's requery (1040) with the quote
  const vxskel::GridSetup* grid;
};

// The screens' own controls (between the strips).
inline constexpr DWORD kRadio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
inline constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
inline constexpr plat::DialogItemTemplate kMarketControls[] = {
    {u"BUTTON", kBtnKospi, u"KOSPI", kRadio, 0, 2, 66, 54, 20},
    {u"BUTTON", kBtnKosdaq, u"KOSDAQ", kRadio, 0, 57, 66, 68, 20},
    {u"BUTTON", kBtnPrev, u"< 이전", vxskel::kFaceButton, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음 >", vxskel::kFaceButton, 0, 192, 256, 46, 20},
    {u"COMBOBOX", kKindCombo, nullptr, kDropList, 0, 127, 66, 112, 110},
};
inline constexpr plat::DialogItemTemplate kEcnControls[] = {
    {u"BUTTON", kBtnPrev, u"이  전", vxskel::kFaceButton, 0, 148, 66, 45, 20},
    {u"BUTTON", kBtnNext, u"다  음", vxskel::kFaceButton, 0, 194, 66, 45, 20},
    {u"COMBOBOX", kMarketCombo, nullptr, kDropList, 0, 1, 66, 68, 60},
    {u"COMBOBOX", kSortCombo, nullptr, kDropList, 0, 71, 66, 75, 90},
};
inline constexpr vxskel::TopControls kEcnTop{.titleButton = kTitleButton, .titleText = u"실시간체결가"};

// The grids: 4190 and 4180 (prices), 4600 (investors, its label row inside), 4170 (ECN).
extern const vxskel::GridSetup kPriceGrid;
extern const vxskel::GridSetup kInvestorGrid;
extern const vxskel::GridSetup kEcnGridSetup;

class CRankingDlg : public vxskel::CListScreenDlg {
 public:
  CRankingDlg(const RankingScreen& screen, const vxskel::ScreenConfig& config)
      : CListScreenDlg(config, *screen.grid),
        m_screen(screen),
        m_market(screen.ecn ? 0 : 1),
        m_kind(screen.choiceCount > 0 ? screen.choices[0].kind : 1) {}

  void OnInitScreen() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnQuery() override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;
  // ZR4170 asks for the quote through the packet layer and finds ECN items.
  void RequestItemBase() override;
  void OnFinder() override {
    if (m_screen.ecn)
      OnBtnECNScoutlet();
    else
      OnBtnScoutlet();
  }

  afx_msg LRESULT OnRequery(WPARAM, LPARAM);
  // The skeleton's receive path, then (all but ZR4170) the focus back on the item combo after
  // whatever came: the page, the quote or the server's message.
  afx_msg LRESULT OnPacket(WPARAM, LPARAM);
  // ZR4170's market combo has the id other screens give their title static: it keeps a combo's
  // colours rather than the title's.
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);

 protected:
  void OnNewItem(bool edited) override;
  void KeepItem() override {}
  void SendPage() override;

 private:
  // Page 1 of the market and kind chosen now.
  void Restart();
  void Next();
  void Previous();
  uint8_t SelectedKind() const;
  void FillPage(const unsigned char* body, int len);
  void FillPrices(int row, const vxwire::Reader& rec);
  void FillInvestors(int row, const vxwire::Reader& rec);
  void FillEcn(int row, int rank, const vxwire::Reader& rec);
  void SetText(int column, int row, const std::string& text, int align);
  void SetNumber(int column, int row, int kind, const unsigned char* value, int mode);

  const RankingScreen& m_screen;
  int m_market = 1;  // 1 KOSPI, 2 KOSDAQ (ZR4170: 0 KOSPI, 1 KOSDAQ)
  uint8_t m_kind = 1;
  int m_page = 1;
  int m_more = 0;   // of the last reply
  int m_count = 0;  // of the last reply

  DECLARE_MESSAGE_MAP()
};

}  // namespace vxrank
