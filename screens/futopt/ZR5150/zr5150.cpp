// ZR5150: the option detail of the option item the finder picked, with the strip: base price,
// trading value, open interest, limits and the day's prices; the theoretical price, the
// sensitivities and the volatilities.
#include "futopt_detail.h"

namespace {

const vxskel::ScreenConfig kConfig = vxskel::FutOptScreenConfig(u"ZR5150.dll", u"옵션현재가", vxskel::FoForm::Options);

PLAT_RESOURCE(plat::res::Dialog, 129, &vxskel::kFutOptQuoteTemplate, sizeof vxskel::kFutOptQuoteTemplate);

class CZR5150Dlg : public vxfo::CFutOptDetailDlg {
 public:
  CZR5150Dlg() : CFutOptDetailDlg(kConfig, vxfo::kOptionDetail) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5150Dlg)
