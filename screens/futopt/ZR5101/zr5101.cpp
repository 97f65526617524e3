// ZR5101: the futures detail of the futures item the finder picked, with the strip: base price,
// trading value, open interest and KOSPI200; the day's prices and limits; last trading day, basis,
// theoretical price and disparity (the dialog is the option detail's too).
#include "futopt_detail.h"

namespace {

const vxskel::ScreenConfig kConfig = vxskel::FutOptScreenConfig(u"ZR5101.dll", u"선물현재가", vxskel::FoForm::Futures);

PLAT_RESOURCE(plat::res::Dialog, 129, &vxskel::kFutOptQuoteTemplate, sizeof vxskel::kFutOptQuoteTemplate);

class CZR5101Dlg : public vxfo::CFutOptDetailDlg {
 public:
  CZR5101Dlg() : CFutOptDetailDlg(kConfig, vxfo::kFuturesDetail) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5101Dlg)
