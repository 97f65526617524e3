// ZR5301: the futures/options buy order (5301).
#include "futopt_order.h"

namespace {

constexpr vxfo::OrderScreen kScreen = {
    .kind = vxfo::OrderKind::Buy,
    .moduleName = u"ZR5301.dll",
    .title = u"선물옵션매수",
    .titleButton = 9808,
    .titleText = u"선물옵션매수",
    .quantityLabel = u"매수수량",
    .priceLabel = u"매수단가",
    .side = u"매 수",
};

constexpr auto kItems = vxfo::SellBuyItems(kScreen);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::ScreenConfig kConfig = vxfo::MakeConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeSetup();

}  // namespace

class CZR5301Dlg : public vxfo::COrderDlg {
 public:
  CZR5301Dlg() : COrderDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5301Dlg)
