// ZR5100: the options board by expiry month: the calls or puts of the chosen month (5100) above
// the futures contracts (5105), with the strip of the futures item. A query waits for its three
// replies (5555, 5100, 5105), the error replies among them.
#include <iterator>

#include "option_board.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr int kCallPut = 1000, kMonth = 1003, kMonthLabel = 1005, kOptionGrid = 1357, kFuturesGrid = 1358;
constexpr uint16_t kFuturesList = 5105;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

constexpr vxskel::ControlItem kOwn[] = {
    {u"STATIC", kMonthLabel, u"만기월", vxskel::kLabel, 0, 84, 68, 36, 18},
    {u"COMBOBOX", kCallPut, nullptr, kDropList, 0, 1, 66, 80, 100},
    {u"COMBOBOX", kMonth, nullptr, kDropList, 0, 122, 66, 80, 100},
};
constexpr auto kItems = vxskel::FutOptScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[] = {u"종목코드", u"현재가", u"", u"대비", u"매도가", u"매수가", u"거래량", u""};
const int kWidths[] = {60, 50, 15, 50, 60, 50, 60, 1};
const vxskel::GridSetup kGrids[] = {
    {kOptionGrid, 17, kTitles, 8, kWidths, 17, 0, true, true, {}},
    {kFuturesGrid, 17, kTitles, 8, kWidths, 17, 0, true, true, {}},
};

const vxskel::ScreenConfig kConfig = vxskel::FutOptScreenConfig(u"ZR5100.dll", u"옵션전광판", vxskel::FoForm::Futures);
const vxskel::FutOptSetup kSetup{
    .form = vxskel::FoForm::Futures, .grids = kGrids, .gridCount = 2, .gridUpper = kMonthLabel};
const vxfo::BoardSetup kBoard{5100,       vxfo::Choice::Month,          kCallPut, kMonth, u"콜 옵션",
                              u"풋 옵션", vxfo::RowOrder::AskBidVolume, 0,        false};

class CZR5100Dlg : public vxfo::COptionBoardDlg {
 public:
  CZR5100Dlg() : COptionBoardDlg(kConfig, kSetup, kBoard) {}

  // The host's query and 조회 alike: the strip, the month's options and the futures.
  void OnQuery() override {
    ReadFutOptItem();
    StartWaitCursor();
    m_awaited = 3;
    RequestFutOptBase();
    SendChoice();
    unsigned char packet[TR_HEADER_SIZE];
    SendPacket(packet, vxskel::MakeHeaderPacket(packet, kFuturesList, 0));
  }
  void OnQueryButton() override { OnQuery(); }

  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kFuturesList) {
      vxfo::FillOptionRows(Grid(1), body, len, vxtr::futopt::kListRowsAt, vxfo::RowOrder::AskBidVolume);
      return;
    }
    COptionBoardDlg::OnFutOptReply(code, body, len);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (HIWORD(wParam) == CBN_SELCHANGE && LOWORD(wParam) == kCallPut) m_awaited = 1;
    return COptionBoardDlg::OnCommand(wParam, lParam);
  }

  // Every reply of the three counts, an error reply too; the wait cursor stays until the last.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_VX_PACKET || !wParam) return COptionBoardDlg::WindowProc(message, wParam, lParam);
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    const uint16_t code = TrGetU16(packet + 4);
    const bool awaited = m_awaited > 0 && (code == TR_FUTOPT_BASE || code == 5100 || code == kFuturesList);
    if (awaited) --m_awaited;
    LRESULT result = COptionBoardDlg::WindowProc(message, wParam, lParam);
    if (awaited && m_awaited > 0) StartWaitCursor();
    return result;
  }

  int Awaited() const { return m_awaited; }

 private:
  int m_awaited = 0;
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5100Dlg)
