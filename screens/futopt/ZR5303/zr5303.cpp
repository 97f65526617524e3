// ZR5303: the futures/options order cancel (5303).
#include "futopt_order.h"

namespace {

constexpr vxfo::OrderScreen kScreen = {
    .kind = vxfo::OrderKind::Cancel,
    .moduleName = u"ZR5303.dll",
    .title = u"선물옵션취소",
    .titleButton = 9810,
    .titleText = u"선물옵션취소",
    .quantityLabel = u"취소수량",
    .priceLabel = u"",
    .side = u"취 소",
};

constexpr auto kItems = vxfo::CancelItems(kScreen);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::ScreenConfig kConfig = vxfo::MakeConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeSetup();

}  // namespace

class CZR5303Dlg : public vxfo::COrderDlg {
 public:
  CZR5303Dlg() : COrderDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5303Dlg)
