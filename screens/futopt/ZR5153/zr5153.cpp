// ZR5153: the daily history of an option (5153), nine rows a page, under the strip of the item
// (5555 with market 2); the family's list dialog with this screen's settings.
// The screen counts its pages; 조회 starts again at page 1.
#include "fo_list.h"

namespace {

constexpr auto kItems = vxskel::FutOptScreenItems(vxfolist::kDayControls);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const vxskel::GridSetup kGrids[] = {{5153,
                                     17,
                                     vxfolist::kDayTitles,
                                     vxfolist::kDayColumns,
                                     vxfolist::kDayWidths,
                                     17,
                                     vxfolist::kRowsPerPage,
                                     true,
                                     false,
                                     {1, 67, 238, 186}}};
const vxfolist::FoListScreen kList{5153, vxfolist::FoList::Days, false, true, vxfolist::ErrorWait::AfterBox};
const vxskel::ScreenConfig kConfig =
    vxfolist::ListConfig(kList, u"ZR5153.dll", u"옵션일별추이", vxskel::FoForm::Options);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Options, .grids = kGrids, .gridCount = 1};

class CZR5153Dlg : public vxfolist::CFoListDlg {
 public:
  CZR5153Dlg() : CFoListDlg(kConfig, kSetup, kList) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5153Dlg)
