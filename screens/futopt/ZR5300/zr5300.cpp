// ZR5300: the futures/options sell order (5300).
#include "futopt_order.h"

namespace {

constexpr vxfo::OrderScreen kScreen = {
    .kind = vxfo::OrderKind::Sell,
    .moduleName = u"ZR5300.dll",
    .title = u"선물옵션매도",
    .titleButton = 9807,
    .titleText = u"선물옵션매도",
    .quantityLabel = u"매도수량",
    .priceLabel = u"매도단가",
    .side = u"매 도",
};

constexpr auto kItems = vxfo::SellBuyItems(kScreen);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::ScreenConfig kConfig = vxfo::MakeConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeSetup();

}  // namespace

class CZR5300Dlg : public vxfo::COrderDlg {
 public:
  CZR5300Dlg() : COrderDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5300Dlg)
