// ZR5104: the daily history of a futures contract (5104), nine rows a page, under the strip of the item
// (5555 with market 1); the family's list dialog with this screen's settings.
// The page shown is the one the reply names; 조회 asks for it again.
#include "fo_list.h"

namespace {

constexpr auto kItems = vxskel::FutOptScreenItems(vxfolist::kDayControls);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const vxskel::GridSetup kGrids[] = {{5104,
                                     17,
                                     vxfolist::kDayTitles,
                                     vxfolist::kDayColumns,
                                     vxfolist::kDayWidths,
                                     17,
                                     vxfolist::kRowsPerPage,
                                     true,
                                     false,
                                     {1, 69, 238, 185}}};
const vxfolist::FoListScreen kList{5104, vxfolist::FoList::Days, true, false, vxfolist::ErrorWait::AfterBox};
const vxskel::ScreenConfig kConfig =
    vxfolist::ListConfig(kList, u"ZR5104.dll", u"선물일별추이", vxskel::FoForm::Futures);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Futures, .grids = kGrids, .gridCount = 1};

class CZR5104Dlg : public vxfolist::CFoListDlg {
 public:
  CZR5104Dlg() : CFoListDlg(kConfig, kSetup, kList) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5104Dlg)
