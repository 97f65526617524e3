// ZR4330: the stock order cancel screen (transaction 2330).
#include <iterator>

#include "modify_cancel.h"
#include "vxbase/base_strip.h"

namespace {

using namespace vxchange;

constexpr ChangeScreen kScreen = {u"ZR4330.dll", true};

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
constexpr DWORD kDropList = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr int kNoId = -1;
constexpr int kTitleButton = 9812;  // "▶ 주식취소"

// The screen's own controls; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", kNoId, u" 계좌번호", kLabel, 0, 0, 68, 60, 18},
    {u"COMBOBOX", kAccount, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 62, 66, 130, 110},
    {u"STATIC", kNoId, u" 계좌비밀", kLabel, 0, 0, 90, 60, 18},
    {u"EDIT", kPassword, u"", kEdit | ES_PASSWORD | ES_NUMBER, 0, 62, 88, 64, 20},
    {u"STATIC", kNoId, u"[계좌비밀번호]", kLabel, 0, 130, 90, 110, 18},
    {u"STATIC", kNoId, u" 종목코드", kLabel, 0, 0, 112, 60, 18},
    {u"EDIT", IDC_ITEM_EDIT, u"", kEdit, 0, 62, 110, 52, 20},
    {u"BUTTON", kFindIntoEdit, u"?", kButton, 0, 116, 110, 20, 20},
    {u"STATIC", kName, u"", kLabel, 0, 138, 112, 102, 18},
    {u"STATIC", kNoId, u" 원주문번호", kLabel, 0, 0, 134, 60, 18},
    {u"EDIT", kTarget, u"", kEdit | ES_NUMBER, 0, 62, 132, 64, 20},
    {u"STATIC", kNoId, u" 취소구분", kLabel, 0, 0, 156, 60, 18},
    {u"COMBOBOX", kKind, nullptr, kDropList, 0, 62, 154, 80, 60},
    {u"STATIC", kNoId, u"1.일부2.잔량", kLabel, 0, 146, 156, 94, 18},
    {u"STATIC", kNoId, u" 취소수량", kLabel, 0, 0, 178, 60, 18},
    {u"EDIT", kQuantity, u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 176, 130, 20},
    {u"STATIC", kNoId, u"주", kLabel, 0, 196, 178, 40, 18},
    {u"BUTTON", kOddLot, u"단 주", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 4, 198, 70, 18},
    {u"BUTTON", kAfterHours, u"시간외 종가", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 80, 198, 100, 18},
    {u"STATIC", kNoId, u"* 단주, 시간외종가의 경우에는  체크 후 확인처리 바랍니다.", kLabel, 0, 0, 218, 240, 26},
    {u"BUTTON", kConfirm, u"확인", kButton, 0, 2, 248, 58, 26},
    {u"BUTTON", kClear, u"지움", kButton, 0, 62, 248, 58, 26},
    {u"BUTTON", kOpenOrders, u"미체결", kButton, 0, 122, 248, 58, 26},
    {u"BUTTON", kCurrentPrice, u"현재가", kButton, 0, 182, 248, 58, 26},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn, {.titleButton = kTitleButton, .titleText = u"▶ 주식취소"});
constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::GoToButton kGoTo[] = {{kCurrentPrice, VX_SCREEN_STOCK_HOME, true},
                                    {IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false},
                                    {kOpenOrders, kScreenInquiry, false}};
const vxskel::NumberEdit kNumbers[] = {{kQuantity, vxskel::NumberKind::Quantity}};
const UINT kFinders[] = {IDC_BTN_FINDER, kFindIntoEdit};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = kScreen.moduleName;
  c.title = u"취소주문";
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  c.passwordNext = kTarget;
  c.chain = vxskel::ItemChain::Edit;
  c.itemNameStatic = kName;
  c.itemNext = kTarget;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.numbers = kNumbers;
  c.numberCount = std::size(kNumbers);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  c.reportSendFailure = true;
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

}  // namespace

class CZR4330Dlg : public vxchange::CChangeOrderDlg {
 public:
  CZR4330Dlg() : CChangeOrderDlg(kScreen, kConfig) {}
};

VX_SCREEN_EXPORTS(CZR4330Dlg)
