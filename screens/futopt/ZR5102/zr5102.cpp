// ZR5102: the five-level order book of the futures item the finder picked, with the strip, kept
// live by the futures trade and book pushes (the dialog is the options book's too).
#include "vxrealtime/futopt_book_screen.h"

namespace {

const vxskel::ScreenConfig kConfig = vxskel::FutOptScreenConfig(u"ZR5102.dll", u"선물호가", vxskel::FoForm::Futures);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Futures};

PLAT_RESOURCE(plat::res::Dialog, 129, &vxrt::kFutOptBookTemplate, sizeof vxrt::kFutOptBookTemplate);

class CZR5102Dlg : public vxrt::CFutOptBookDlg {
 public:
  CZR5102Dlg() : CFutOptBookDlg(kConfig, kSetup, vxrt::kFuturesBook) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5102Dlg)
