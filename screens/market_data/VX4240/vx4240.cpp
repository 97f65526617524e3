// VX4240: a market's index day by day with the net figures of individuals, foreigners and
// institutions, by amount or by quantity (transaction 4240), eight days a page.
#include "day_list.h"

namespace {

const vxdays::DayListScreen kScreen = {
    .code = 4240,
    .rows = 8,
    .kind = vxdays::Days::Investors,
    .listFirstOnEdit = true,
    .listFirstOnPick = true,
    .grid = &vxdays::kTrendGrid,
};
const uint16_t kReplies[] = {4240};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4240.dll", u"일별투자자동향", kReplies, 1);

constexpr auto kItems = vxskel::ScreenItems(vxdays::kTrendControls);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CVX4240Dlg : public vxdays::CDayListDlg {
 public:
  CVX4240Dlg() : CDayListDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CVX4240Dlg)
