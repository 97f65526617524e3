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
constexpr UINT kTitleButton = 9812;  // "▶ 주식취소"

const plat::DialogItemTemplate kItems[] = {
    // Top bar: title and the menu buttons of the base dialog; then the item code with its name.
    {u"BUTTON", static_cast<int>(kTitleButton), u"▶ 주식취소", kButton, 0, 0, 0, 62, 20},
    {u"BUTTON", IDC_BTN_QUOTES, u"시세", kButton, 0, 62, 0, 26, 20},
    {u"BUTTON", IDC_BTN_ORDERS, u"주문", kButton, 0, 88, 0, 26, 20},
    {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", kButton, 0, 114, 0, 28, 20},
    {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", kButton, 0, 142, 0, 28, 20},
    {u"BUTTON", IDC_BTN_NEWS, u"시황", kButton, 0, 170, 0, 26, 20},
    {u"BUTTON", IDC_BTN_ECN, u"ECN", kButton, 0, 196, 0, 26, 20},
    {u"BUTTON", IDC_BTN_EXIT, u"X", kButton, 0, 222, 0, 18, 20},
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 1, 22, 62, 120},
    {u"BUTTON", IDC_BTN_FINDER, u"?", kButton, 0, 64, 22, 18, 20},
    {u"STATIC", IDC_ITEM_NAME, u"", WS_VISIBLE | SS_LEFT, 0, 83, 22, 95, 20},
    {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 179, 22, 60, 120},
    // (y 44-63: the base-quote strip)
    {u"BUTTON", IDC_BTN_QUERY, u"조회", kButton, 0, 210, 44, 29, 19},
    {u"STATIC", kNoId, u" 계좌번호", kLabel, 0, 0, 68, 60, 18},
    {u"COMBOBOX", static_cast<int>(kAccount), nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 62, 66, 130, 110},
    {u"STATIC", kNoId, u" 계좌비밀", kLabel, 0, 0, 90, 60, 18},
    {u"EDIT", static_cast<int>(kPassword), u"", kEdit | ES_PASSWORD | ES_NUMBER, 0, 62, 88, 64, 20},
    {u"STATIC", kNoId, u"[계좌비밀번호]", kLabel, 0, 130, 90, 110, 18},
    {u"STATIC", kNoId, u" 종목코드", kLabel, 0, 0, 112, 60, 18},
    {u"EDIT", IDC_ITEM_EDIT, u"", kEdit, 0, 62, 110, 52, 20},
    {u"BUTTON", static_cast<int>(kFindIntoEdit), u"?", kButton, 0, 116, 110, 20, 20},
    {u"STATIC", static_cast<int>(kName), u"", kLabel, 0, 138, 112, 102, 18},
    {u"STATIC", kNoId, u" 원주문번호", kLabel, 0, 0, 134, 60, 18},
    {u"EDIT", static_cast<int>(kTarget), u"", kEdit | ES_NUMBER, 0, 62, 132, 64, 20},
    {u"STATIC", kNoId, u" 취소구분", kLabel, 0, 0, 156, 60, 18},
    {u"COMBOBOX", static_cast<int>(kKind), nullptr, kDropList, 0, 62, 154, 80, 60},
    {u"STATIC", kNoId, u"1.일부2.잔량", kLabel, 0, 146, 156, 94, 18},
    {u"STATIC", kNoId, u" 취소수량", kLabel, 0, 0, 178, 60, 18},
    {u"EDIT", static_cast<int>(kQuantity), u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 176, 130, 20},
    {u"STATIC", kNoId, u"주", kLabel, 0, 196, 178, 40, 18},
    {u"BUTTON", static_cast<int>(kOddLot), u"단 주", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 4, 198, 70, 18},
    {u"BUTTON", static_cast<int>(kAfterHours), u"시간외 종가", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 80, 198, 100, 18},
    {u"STATIC", kNoId, u"* 단주, 시간외종가의 경우에는  체크 후 확인처리 바랍니다.", kLabel, 0, 0, 218, 240, 26},
    {u"BUTTON", static_cast<int>(kConfirm), u"확인", kButton, 0, 2, 248, 58, 26},
    {u"BUTTON", static_cast<int>(kClear), u"지움", kButton, 0, 62, 248, 58, 26},
    {u"BUTTON", static_cast<int>(kOpenOrders), u"미체결", kButton, 0, 122, 248, 58, 26},
    {u"BUTTON", static_cast<int>(kCurrentPrice), u"현재가", kButton, 0, 182, 248, 58, 26},
    // (y 279-298: the index strip) The keypad.
    {u"BUTTON", IDC_KEY_1, u"1", kButton, 0, 1, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 1, u"2", kButton, 0, 22, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 2, u"3", kButton, 0, 43, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 3, u"4", kButton, 0, 64, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 4, u"5", kButton, 0, 85, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 5, u"6", kButton, 0, 106, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 6, u"7", kButton, 0, 127, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 7, u"8", kButton, 0, 148, 300, 21, 20},
    {u"BUTTON", IDC_KEY_1 + 8, u"9", kButton, 0, 169, 300, 21, 20},
    {u"BUTTON", IDC_KEY_0, u"0", kButton, 0, 190, 300, 21, 20},
    {u"BUTTON", IDC_KEY_BACK, u"<<", kButton, 0, 211, 300, 28, 20},
};
const plat::DialogTemplate kDlg = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13,
                                   kItems, std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);

const vxskel::GoToButton kGoTo[] = {{kCurrentPrice, VX_SCREEN_STOCK_HOME, true},
                                    {IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false},
                                    {kOpenOrders, kScreenInquiry, true}};
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
