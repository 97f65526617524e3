// ZR4310: the stock buy screen (transaction 2310).
#include "order_entry.h"

namespace {

constexpr vxorder::OrderScreen kScreen = {
    .moduleName = u"ZR4310.dll",
    .trCode = 2310,
    .title = u"매수주문",
    .titleButton = 9708,
    .titleText = u"▶ 주식매수",
    .nameStatic = 1002,
    .quantityLabel = u" 매수수량",
    .priceLabel = u" 매수단가",
    .note = nullptr,
    .shortAccountEntries = false,
    .confirmSide = u"매수",
    .resultSide = u"주식매수",
    .balanceScreen = 94002,
    .packetLayerBaseRequest = false,
    .emptyPriceBeforeHandOver = false,
    .reloadItemCodes = false,
};

constexpr vxskel::GoToButton kGoTo[] = {{vxorder::kCurrentPrice, VX_SCREEN_STOCK_HOME, true},
                                        {IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false},
                                        {vxorder::kBalance, kScreen.balanceScreen, false}};
constexpr vxskel::ScreenConfig kConfig = vxorder::MakeConfig(kScreen, kGoTo);
constexpr auto kItems = vxorder::TemplateItems(kScreen);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CZR4310Dlg : public vxorder::COrderEntryDlg {
 public:
  CZR4310Dlg() : COrderEntryDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CZR4310Dlg)
