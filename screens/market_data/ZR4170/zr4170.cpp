// ZR4170: the ECN ranking of a market by volume, trading value or the quantities waiting to sell
// or to buy (transaction 4170), nine ranks a page.
#include <iterator>

#include "ranking.h"

namespace {

constexpr vxrank::Choice kChoices[] = {{u"거래량", 1}, {u"거래대금", 2}, {u"매도잔량", 3}, {u"매수잔량", 4}};
const vxrank::RankingScreen kScreen = {
    .code = 4170,
    .order = vxrank::RequestOrder::RowsFirst,
    .rows = 9,
    .rowKind = vxrank::Rows::Ecn,
    .choices = kChoices,
    .choiceCount = static_cast<int>(std::size(kChoices)),
    .ecn = true,
    .pagingOffAtStart = false,
    .keepRowsWhenEmpty = false,
    .listBeforeQuote = true,
    .waitOnQuery = true,
    .requery = false,
    .grid = &vxrank::kEcnGridSetup,
};
const uint16_t kReplies[] = {4170};
// No title static: 9904 is the market combo; the title is on the button at the left of the bar.
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"ZR4170.dll", nullptr, kReplies, 1);

constexpr auto kItems = vxskel::ScreenItems(vxrank::kEcnControls, vxrank::kEcnTop);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CZR4170Dlg : public vxrank::CRankingDlg {
 public:
  CZR4170Dlg() : CRankingDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CZR4170Dlg)
