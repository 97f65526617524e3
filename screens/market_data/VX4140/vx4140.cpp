// VX4140: the current item's foreign ownership day by day: closing price, change, rate, change in
// foreign holdings and the foreign-limit exhaustion rate (transaction 4150), nine days a page.
#include "day_list.h"

namespace {

const vxdays::DayListScreen kScreen = {
    .code = 4150,
    .rows = 9,
    .kind = vxdays::Days::Foreign,
    .listFirstOnEdit = false,
    .listFirstOnPick = true,
    .grid = &vxdays::kForeignGrid,
};
const uint16_t kReplies[] = {4150};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4140.dll", u"외국인보유추이", kReplies, 1);

constexpr auto kItems = vxskel::ScreenItems(vxdays::kForeignControls);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CVX4140Dlg : public vxdays::CDayListDlg {
 public:
  CVX4140Dlg() : CDayListDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CVX4140Dlg)
