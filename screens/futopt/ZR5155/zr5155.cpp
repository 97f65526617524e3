// ZR5155: the options of one strike price, one expiry month a column, with the strip of the option
// item; the strikes offered run from the lowest to the highest of the options code file.
#include "option_board.h"

namespace {

constexpr int kStrike = 1001, kCallPut = 1002, kStrikeLabel = 1005, kBoardGrid = 1000;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

constexpr vxskel::ControlItem kOwn[] = {
    {u"STATIC", kStrikeLabel, u"행사가격", vxskel::kLabel, 0, 84, 68, 44, 18},
    {u"COMBOBOX", kCallPut, nullptr, kDropList, 0, 1, 66, 80, 100},
    {u"COMBOBOX", kStrike, nullptr, kDropList, 0, 130, 66, 80, 100},
};
constexpr auto kItems = vxskel::FutOptScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[] = {u"", u"", u"", u"", u"", u"", u"", u"", u""};
const int kWidths[] = {60, 60, 60, 60, 60, 60, 60, 60, 1};
const vxskel::GridSetup kGrids[] = {{kBoardGrid, 0, kTitles, 9, kWidths, 17, 0, true, false, {}}};

const vxskel::ScreenConfig kConfig =
    vxskel::FutOptScreenConfig(u"ZR5155.dll", u"행사가별옵션", vxskel::FoForm::Options);
const vxskel::FutOptSetup kSetup{
    .form = vxskel::FoForm::Options, .grids = kGrids, .gridCount = 1, .gridUpper = kStrikeLabel};
const vxfo::BoardSetup kBoard{5155,      vxfo::Choice::Strike,         kCallPut, kStrike, u"콜옵션",
                              u"풋옵션", vxfo::RowOrder::AskBidVolume, 0,        true};

class CZR5155Dlg : public vxfo::COptionBoardDlg {
 public:
  CZR5155Dlg() : COptionBoardDlg(kConfig, kSetup, kBoard) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5155Dlg)
