// ZR4105: the ten-level order book of one stock item with the base-quote strip, kept live by the
// ten-level order-book, trade and index pushes. A double tap on a level hands its price to the buy
// or sell screen; the price column's header goes back to the home board.
#include <iterator>

#include "vxrealtime/quote_screen.h"

namespace {

constexpr int kBookGridId = 4105;
constexpr UINT kBookFlashMs = 300;
constexpr UINT kHeaderBitmap = 131;

const vxskel::ScreenConfig kConfig = vxrt::QuoteScreenConfig(u"ZR4105.dll", u"10단계호가");

PLAT_RESOURCE(plat::res::Dialog, 129, &vxrt::kQuoteScreenTemplate, sizeof vxrt::kQuoteScreenTemplate);
PLAT_RESOURCE(plat::res::Bitmap, kHeaderBitmap, &vxrt::kHeaderArrow, sizeof vxrt::kHeaderArrow);

const vxrt::QuoteScreenSetup kQuote = {vxrt::kTenLevelReal,
                                       {kBookGridId, 16, 16, 11, 0, 10, kHeaderBitmap},
                                       vxrt::kBook9121,
                                       '2',
                                       kBookFlashMs,
                                       VX_SCREEN_STOCK_HOME,
                                       true};

class CZR4105Dlg : public vxrt::CQuoteScreenDlg {
 public:
  CZR4105Dlg() : CQuoteScreenDlg(kConfig, 129, kQuote) {}

  void OnInitScreen() override {
    InitItemCode(IDC_ITEM_COMBO);
    CreateBook(1, 66, 238, 210);
    GetItemCodeFromComboBox();
    m_real.Start();
  }
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4105Dlg)
