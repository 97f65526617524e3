// ZR5154: the options list by expiry month (calls or puts of the chosen month), with the strip of
// the option item.
#include "option_board.h"

namespace {

constexpr int kMonth = 1003, kCallPut = 1004, kMonthLabel = 1005, kList = 5154;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

constexpr vxskel::ControlItem kOwn[] = {
    {u"STATIC", kMonthLabel, u"만기월", vxskel::kLabel, 0, 84, 68, 36, 20},
    {u"COMBOBOX", kCallPut, nullptr, kDropList, 0, 1, 66, 80, 100},
    {u"COMBOBOX", kMonth, nullptr, kDropList, 0, 122, 66, 80, 100},
};
constexpr auto kItems = vxskel::FutOptScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[] = {u"종목코드", u"현재가", u"", u"대 비", u"거래량", u"매도가", u"매수가", u""};
const int kWidths[] = {60, 45, 20, 40, 60, 50, 50, 1};
const vxskel::GridSetup kGrids[] = {{kList, 17, kTitles, 8, kWidths, 17, 0, true, false, {1, 90, 238, 186}}};

const vxskel::ScreenConfig kConfig = vxskel::FutOptScreenConfig(u"ZR5154.dll", u"월물별옵션", vxskel::FoForm::Options);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Options, .grids = kGrids, .gridCount = 1};
const vxfo::BoardSetup kBoard{5154,       vxfo::Choice::Month,          kCallPut, kMonth, u"콜 옵션",
                              u"풋 옵션", vxfo::RowOrder::VolumeAskBid, 0,        true};

class CZR5154Dlg : public vxfo::COptionBoardDlg {
 public:
  CZR5154Dlg() : COptionBoardDlg(kConfig, kSetup, kBoard) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5154Dlg)
