// ZR5302: the futures/options order modify (5302).
#include "futopt_order.h"

namespace {

constexpr vxfo::OrderScreen kScreen = {
    .kind = vxfo::OrderKind::Modify,
    .moduleName = u"ZR5302.dll",
    .title = u"선물옵션정정",
    .titleButton = 9809,
    .titleText = u"선물옵션정정",
    .quantityLabel = u"정정수량",
    .priceLabel = u"정정단가",
    .side = u"정 정",
};

constexpr auto kItems = vxfo::ModifyItems(kScreen);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::ScreenConfig kConfig = vxfo::MakeConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeSetup();

}  // namespace

class CZR5302Dlg : public vxfo::COrderDlg {
 public:
  CZR5302Dlg() : COrderDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5302Dlg)
