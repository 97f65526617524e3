// ZR5304: the futures/options order and fill inquiry (5304), seven orders a page.
#include "futopt_account.h"

namespace {

using vxskel::kFaceButton;
using vxskel::kLabel;
constexpr DWORD kList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;

constexpr std::array<plat::DialogItemTemplate, 11> kOwn = {{
    {u"STATIC", 2101, u"계좌번호", kLabel, 0, 1, 68, 56, 18},
    {u"STATIC", 2102, u"비밀번호", kLabel, 0, 1, 90, 56, 18},
    {u"EDIT", vxfo::kPassword, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD, 0, 58, 88, 60, 20},
    {u"BUTTON", vxfo::kSend, u"확인", kFaceButton, 0, 122, 88, 38, 20},
    {u"BUTTON", vxfo::kFirst, u"처음", kFaceButton, 0, 162, 88, 38, 20},
    {u"BUTTON", vxfo::kNext, u"다음", kFaceButton, 0, 201, 88, 38, 20},
    {u"STATIC", 2103, u"매매일자", kLabel, 0, 1, 112, 50, 18},
    {u"STATIC", 2104, u"체결구분", kLabel, 0, 120, 112, 50, 18},
    // Drop-down lists last: their open lists cover what is under them.
    {u"COMBOBOX", vxfo::kAccount, nullptr, vxskel::kCodeCombo, 0, 58, 66, 130, 110},
    {u"COMBOBOX", vxfo::kDate, nullptr, kList, 0, 52, 110, 66, 80},
    {u"COMBOBOX", vxfo::kFilter, nullptr, kList, 0, 172, 110, 66, 80},
}};
constexpr auto kItems = vxfo::AccountScreenItems(kOwn);
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const WCHAR* const kTitles[] = {u"주문번호", u"종목명", u"거래구분", u"주문유형", u"주문가격",
                                u"주문수량", u"체결량", u"체결평균", u"잔 량",    u"주문상태"};
const int kWidths[] = {75, 100, 60, 60, 55, 55, 60, 60, 60, 60};
const vxfo::AccountScreen kScreen = {vxfo::AccountKind::Orders,
                                     u"ZR5304.dll",
                                     u"주문체결",
                                     {5304, 17, kTitles, 10, kWidths, 17, 0, false, true, {1, 137, 238, 136}}};
const vxskel::ScreenConfig kConfig = vxfo::MakeAccountConfig(kScreen);
const vxskel::FutOptSetup kSetup = vxfo::MakeAccountSetup();

}  // namespace

class CZR5304Dlg : public vxfo::CAccountDlg {
 public:
  CZR5304Dlg() : CAccountDlg(kScreen, kConfig, kSetup) {}
};

VX_SCREEN_EXPORTS(CZR5304Dlg)
