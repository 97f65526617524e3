// VX4180: a market's items at the upper limit, rising, unchanged, falling or at the lower limit
// (transaction 4180), nine a page. A page without items leaves the one shown.
#include <iterator>

#include "ranking.h"

namespace {

constexpr vxrank::Choice kChoices[] = {
    {u"상한종목", 2}, {u"상승종목", 1}, {u"보합종목", 3}, {u"하락종목", 4}, {u"하한종목", 5},
};
const vxrank::RankingScreen kScreen = {
    .code = 4180,
    .order = vxrank::RequestOrder::MarketFirst,
    .rows = 9,
    .rowKind = vxrank::Rows::Prices,
    .choices = kChoices,
    .choiceCount = static_cast<int>(std::size(kChoices)),
    .ecn = false,
    .pagingOffAtStart = true,
    .keepRowsWhenEmpty = true,
    .listBeforeQuote = false,
    .waitOnQuery = false,
    .requery = false,
    .grid = &vxrank::kPriceGrid,
};
const uint16_t kReplies[] = {4180};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4180.dll", u"상하한종목", kReplies, 1);

constexpr auto kItems = vxskel::ScreenItems(vxrank::kMarketControls);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CVX4180Dlg : public vxrank::CRankingDlg {
 public:
  CVX4180Dlg() : CRankingDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CVX4180Dlg)
