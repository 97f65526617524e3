// VX4600: a market's items ranked by investors' net buying or net selling, with the quantities
// bought and sold (transaction 4600), nine a page under a label row.
#include <iterator>

#include "ranking.h"

namespace {

constexpr vxrank::Choice kChoices[] = {{u"순매수", 1}, {u"순매도", 2}};
const vxrank::RankingScreen kScreen = {
    .code = 4600,
    .order = vxrank::RequestOrder::RowsFirst,
    .rows = 9,
    .rowKind = vxrank::Rows::Investors,
    .choices = kChoices,
    .choiceCount = static_cast<int>(std::size(kChoices)),
    .ecn = false,
    .pagingOffAtStart = false,
    .keepRowsWhenEmpty = false,
    .listBeforeQuote = true,
    .waitOnQuery = true,
    .requery = true,
    .grid = &vxrank::kInvestorGrid,
};
const uint16_t kReplies[] = {4600};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4600.dll", u"투자자별순위", kReplies, 1);

constexpr auto kItems = vxskel::ScreenItems(vxrank::kMarketControls);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CVX4600Dlg : public vxrank::CRankingDlg {
 public:
  CVX4600Dlg() : CRankingDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CVX4600Dlg)
