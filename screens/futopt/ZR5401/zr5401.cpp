// ZR5401: the futures/options positions (5401), fifteen a page.
#include "futopt_account.h"

namespace {

using vxskel::kFaceButton;
using vxskel::kLabel;

constexpr std::array<plat::DialogItemTemplate, 9> kOwn = {{
    {u"STATIC", 2101, u"계좌번호", kLabel, 0, 1, 68, 56, 18},
    {u"STATIC", 2102, u"계좌비밀", kLabel, 0, 1, 90, 56, 18},
    {u"EDIT", vxfo::kPassword, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD, 0, 58, 88, 60, 20},
    {u"BUTTON", vxfo::kSend, u"조회", kFaceButton, 0, 122, 88, 50, 20},
    {u"BUTTON", vxfo::kFirst, u"처음", kFaceButton, 0, 2, 254, 56, 22},
    {u"BUTTON", vxfo::kNext, u"다음", kFaceButton, 0, 61, 254, 56, 22},
    {u"BUTTON", vxfo::kSellScreen, u"매도", kFaceButton, 0, 122, 254, 56, 22},
    {u"BUTTON", vxfo::kBuyScreen, u"매수", kFaceButton, 0, 181, 254, 56, 22},
    {u"COMBOBOX", vxfo::kAccount, nullptr, vxskel::kCodeCombo, 0, 58, 66, 130, 110},
}};
constexpr auto kItems = vxfo::AccountScreenItems(kOwn);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const WCHAR* const kTitles[] = {u"종목", u"종목명", u"구 분", u"잔고", u"주문가능수량", u"약정지수"};
const int kWidths[] = {55, 80, 45, 40, 70, 70};
const vxfo::AccountScreen kScreen = {vxfo::AccountKind::Positions,
                                     u"ZR5401.dll",
                                     u"미결제",
                                     {5401, 17, kTitles, 6, kWidths, 17, 6, true, true, {1, 115, 238, 135}}};
const vxskel::ScreenConfig kConfig = vxfo::MakeAccountConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeAccountSetup();

}  // namespace

class CZR5401Dlg : public vxfo::CAccountDlg {
 public:
  CZR5401Dlg() : CAccountDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5401Dlg)
