// ZR5152: the time and sales of an option (5152), nine rows a page, under the strip of the item
// (5555 with market 2); the family's list dialog with this screen's settings.
// 조회 starts again at page 1; a server error ends the wait cursor before its message.
#include "fo_list.h"

namespace {

constexpr auto kItems = vxskel::FutOptScreenItems(vxfolist::kTickControls);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const vxskel::GridSetup kGrids[] = {{5152,
                                     17,
                                     vxfolist::kTickTitles,
                                     vxfolist::kTickColumns,
                                     vxfolist::kTickWidths,
                                     17,
                                     vxfolist::kRowsPerPage,
                                     true,
                                     false,
                                     {1, 67, 238, 185}}};
const vxfolist::FoListScreen kList{5152, vxfolist::FoList::Ticks, true, true, vxfolist::ErrorWait::BeforeBox};
const vxskel::ScreenConfig kConfig =
    vxfolist::ListConfig(kList, u"ZR5152.dll", u"옵션체결추이", vxskel::FoForm::Options);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Options, .grids = kGrids, .gridCount = 1};

class CZR5152Dlg : public vxfolist::CFoListDlg {
 public:
  CZR5152Dlg() : CFoListDlg(kConfig, kSetup, kList) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5152Dlg)
