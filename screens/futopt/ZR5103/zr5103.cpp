// ZR5103: the time and sales of a futures contract (5103), nine rows a page, under the strip of the item
// (5555 with market 1); the family's list dialog with this screen's settings.
// 조회 starts again at page 1; after a server error the wait cursor runs until the reply time-out.
#include "fo_list.h"

namespace {

constexpr auto kItems = vxskel::FutOptScreenItems(vxfolist::kTickControls);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const vxskel::GridSetup kGrids[] = {{4150,
                                     17,
                                     vxfolist::kTickTitles,
                                     vxfolist::kTickColumns,
                                     vxfolist::kTickWidths,
                                     17,
                                     vxfolist::kRowsPerPage,
                                     true,
                                     false,
                                     {1, 67, 238, 185}}};
const vxfolist::FoListScreen kList{5103, vxfolist::FoList::Ticks, true, true, vxfolist::ErrorWait::UntilTimeOut};
const vxskel::ScreenConfig kConfig =
    vxfolist::ListConfig(kList, u"ZR5103.dll", u"선물체결추이", vxskel::FoForm::Futures);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Futures, .grids = kGrids, .gridCount = 1};

class CZR5103Dlg : public vxfolist::CFoListDlg {
 public:
  CZR5103Dlg() : CFoListDlg(kConfig, kSetup, kList) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5103Dlg)
