// VX4190: a market's items ranked by price rise or fall, remaining orders, trading value or volume
// (transaction 4190), eight a page.
#include <iterator>

#include "ranking.h"

namespace {

constexpr vxrank::Choice kChoices[] = {
    {u"주가상승율", 1}, {u"주가하락율", 2}, {u"주 가 잔 량", 4}, {u"거 래 대 금", 5}, {u"거  래  량", 6},
};
const vxrank::RankingScreen kScreen = {
    .code = 4190,
    .order = vxrank::RequestOrder::MarketFirst,
    .rows = 8,
    .rowKind = vxrank::Rows::Prices,
    .choices = kChoices,
    .choiceCount = static_cast<int>(std::size(kChoices)),
    .ecn = false,
    .pagingOffAtStart = true,
    .keepRowsWhenEmpty = false,
    .listBeforeQuote = false,
    .waitOnQuery = false,
    .requery = false,
    .grid = &vxrank::kPriceGrid,
};
const uint16_t kReplies[] = {4190};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4190.dll", u"등락률순위", kReplies, 1);

constexpr auto kItems = vxskel::ScreenItems(vxrank::kMarketControls);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CVX4190Dlg : public vxrank::CRankingDlg {
 public:
  CVX4190Dlg() : CRankingDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CVX4190Dlg)
