// ZR5400: the futures/options deposit and margin (5400).
#include "futopt_account.h"

namespace {

using vxskel::kFaceButton;
using vxskel::kLabel;

constexpr std::array<plat::DialogItemTemplate, 6> kOwn = {{
    {u"STATIC", 2101, u"계좌번호", kLabel, 0, 1, 68, 56, 18},
    {u"STATIC", 2102, u"계좌비밀", kLabel, 0, 1, 90, 56, 18},
    {u"EDIT", vxfo::kDepositPassword, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD, 0, 58, 88, 60, 20},
    {u"BUTTON", vxfo::kSend, u"확인", kFaceButton, 0, 122, 88, 56, 20},
    {u"BUTTON", 9800, u"미결제", kFaceButton, 0, 182, 88, 56, 20},
    {u"COMBOBOX", vxfo::kAccount, nullptr, vxskel::kCodeCombo, 0, 58, 66, 130, 110},
}};
constexpr auto kItems = vxfo::AccountScreenItems(kOwn);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const WCHAR* const kTitles[] = {u"구 분", u"현 금", u"대 용", u"총 액"};
const int kWidths[] = {110, 125, 125, 125};
const vxfo::AccountScreen kScreen = {vxfo::AccountKind::Deposit,
                                     u"ZR5400.dll",
                                     u"예탁증거금",
                                     {5400, 17, kTitles, 4, kWidths, 17, 0, true, true, {1, 123, 238, 137}}};
const vxskel::ScreenConfig kConfig = vxfo::MakeAccountConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeAccountSetup();

}  // namespace

class CZR5400Dlg : public vxfo::CAccountDlg {
 public:
  CZR5400Dlg() : CAccountDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5400Dlg)
