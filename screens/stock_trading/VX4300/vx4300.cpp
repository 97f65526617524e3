// VX4300: the stock cash-sell screen (transaction 2300).
#include "order_entry.h"

namespace {

constexpr vxorder::OrderScreen kScreen = {
    .moduleName = u"VX4300.dll",
    .trCode = 2300,
    .title = nullptr,
    .titleButton = 9707,
    .titleText = u"▶ 주식매도",
    .nameStatic = 1015,
    .quantityLabel = u" 매도수량",
    .priceLabel = u" 매도단가",
    .note = u"(※ 시간외 주문시 단가입력 불필요)",
    .shortAccountEntries = true,
    .confirmSide = u"매도",
    .resultSide = u"현금매도",
    .balanceScreen = 94650,
    .packetLayerBaseRequest = true,
    .emptyPriceBeforeHandOver = true,
    .reloadItemCodes = true,
};

constexpr vxskel::GoToButton kGoTo[] = {{vxorder::kCurrentPrice, VX_SCREEN_STOCK_HOME, true},
                                        {IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false},
                                        {vxorder::kBalance, kScreen.balanceScreen, false}};
constexpr vxskel::ScreenConfig kConfig = vxorder::MakeConfig(kScreen, kGoTo);
constexpr auto kItems = vxorder::TemplateItems(kScreen);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

}  // namespace

class CVX4300Dlg : public vxorder::COrderEntryDlg {
 public:
  CVX4300Dlg() : COrderEntryDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CVX4300Dlg)
