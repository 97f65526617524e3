// ZR5151: the five-level order book of the option the finder picked, with the strip, kept
// live by the option trade and book pushes (the dialog is the futures book's too).
#include "vxrealtime/futopt_book_screen.h"

namespace {

const vxskel::ScreenConfig kConfig = vxskel::FutOptScreenConfig(u"ZR5151.dll", u"옵션호가", vxskel::FoForm::Options);
const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Options};

PLAT_RESOURCE(plat::res::Dialog, 129, &vxrt::kFutOptBookTemplate, sizeof vxrt::kFutOptBookTemplate);

class CZR5151Dlg : public vxrt::CFutOptBookDlg {
 public:
  CZR5151Dlg() : CFutOptBookDlg(kConfig, kSetup, vxrt::kOptionsBook) {}
};

}  // namespace

VX_SCREEN_EXPORTS(CZR5151Dlg)
