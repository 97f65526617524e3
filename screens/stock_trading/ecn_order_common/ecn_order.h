// The ECN order screens ZR4350 (sell, transaction 4350) and ZR4360 (buy, transaction 4360): the
// stock order-entry family with the ECN order types, the ECN finder and code list, and the price
// edit filled with the current price from each base quote.
#pragma once

#include <array>

#include "order_entry.h"
#include "vxbase/base_strip.h"

namespace vxecn {

constexpr UINT kScreenEcnPrice = 94641;  // "ECN현재가"
constexpr UINT kEcnPriceButton = 9826;

// Both ECN order types trade at a price; the price edit stays open for each.
inline constexpr vxorder::OrderType kTypes[] = {
    {u"00 보통", '1', true},
    {u"77 대량매매", '2', true},
};
inline constexpr const WCHAR* kTypeTexts[] = {u"00 보통가", u"77 대량매매"};

struct EcnSide {
    const WCHAR* moduleName;
    uint16_t trCode;
    UINT titleButton;
    const WCHAR* titleText;
    const WCHAR* quantityLabel;
    const WCHAR* priceLabel;
    const WCHAR* confirmSide;
    const WCHAR* resultSide;
    const WCHAR* menuButtonText;  // the base dialog's button 8108
};

constexpr vxorder::OrderScreen MakeScreen(const EcnSide& s) {
    return vxorder::OrderScreen{
        .moduleName = s.moduleName,
        .trCode = s.trCode,
        .title = nullptr,
        .titleButton = s.titleButton,
        .titleText = s.titleText,
        .nameStatic = 1015,
        .quantityLabel = s.quantityLabel,
        .priceLabel = s.priceLabel,
        .note = nullptr,
        .shortAccountEntries = true,
        .confirmSide = s.confirmSide,
        .resultSide = s.resultSide,
        .balanceScreen = 0,
        .packetLayerBaseRequest = false,
        .emptyPriceBeforeHandOver = false,
        .reloadItemCodes = false,
        .types = kTypes,
        .typeCount = static_cast<int>(std::size(kTypes)),
        .typeTexts = kTypeTexts,
        .priceFromBase = true,
        .keepPriceOnType = true,
        .takesPriceHandOver = false,
        .ecnItems = true,
    };
}

inline constexpr vxskel::GoToButton kGoTo[] = {{kEcnPriceButton, kScreenEcnPrice, false},
                                               {IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false}};

inline constexpr int kTemplateItemCount = 44;

constexpr std::array<plat::DialogItemTemplate, kTemplateItemCount> TemplateItems(const vxorder::OrderScreen& s,
                                                                                 const WCHAR* menuButtonText) {
    using namespace vxorder;
    constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
    constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
    constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
    return {{
        // Top bar: the screen's title button, the menu buttons of the base dialog and "X".
        {u"BUTTON", static_cast<int>(s.titleButton), s.titleText, kButton, 0, 0, 0, 62, 20},
        {u"BUTTON", IDC_BTN_QUOTES, u"시세", kButton, 0, 62, 0, 26, 20},
        {u"BUTTON", IDC_BTN_ORDERS, u"주문", kButton, 0, 88, 0, 26, 20},
        {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", kButton, 0, 114, 0, 28, 20},
        {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", kButton, 0, 142, 0, 28, 20},
        {u"BUTTON", IDC_BTN_NEWS, menuButtonText, kButton, 0, 170, 0, 26, 20},
        {u"BUTTON", IDC_BTN_ECN, u"ECN", kButton, 0, 196, 0, 26, 20},
        {u"BUTTON", IDC_BTN_EXIT, u"X", kButton, 0, 222, 0, 18, 20},
        // Item-code row: recent codes, the ECN finder, item name, quick move.
        {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 1, 22, 62, 120},
        {u"BUTTON", static_cast<int>(kFinder), u"?", kButton, 0, 64, 22, 18, 20},
        {u"STATIC", IDC_ITEM_NAME, u"", kLabel, 0, 83, 22, 95, 20},
        {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 179, 22, 60, 120},
        // (y 44-63: the base-quote strip)
        {u"BUTTON", IDC_BTN_QUERY, u"조회", kButton, 0, 210, 44, 29, 19},
        {u"STATIC", static_cast<int>(kLabelFirst), u" 계좌번호", kLabel, 0, 0, 68, 60, 18},
        {u"COMBOBOX", static_cast<int>(kAccount), nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 62, 66, 130, 110},
        {u"STATIC", static_cast<int>(kLabelFirst + 1), u" 계좌비밀", kLabel, 0, 0, 90, 60, 18},
        {u"EDIT", static_cast<int>(kPassword), u"", kEdit | ES_PASSWORD | ES_NUMBER, 0, 62, 88, 64, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 2), u"[계좌비밀번호]", kLabel, 0, 130, 90, 110, 18},
        {u"STATIC", static_cast<int>(kLabelFirst + 3), u" 종목코드", kLabel, 0, 0, 112, 60, 18},
        {u"EDIT", IDC_ITEM_EDIT, u"", kEdit, 0, 62, 110, 52, 20},
        {u"BUTTON", static_cast<int>(kFindIntoEdit), u"?", kButton, 0, 116, 110, 20, 20},
        {u"STATIC", static_cast<int>(s.nameStatic), u"", kLabel, 0, 138, 112, 102, 18},
        {u"STATIC", static_cast<int>(kLabelFirst + 4), u" 매매구분", kLabel, 0, 0, 134, 60, 18},
        {u"COMBOBOX", static_cast<int>(kType), nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 62, 132, 130, 110},
        {u"STATIC", static_cast<int>(kLabelFirst + 5), s.quantityLabel, kLabel, 0, 0, 156, 60, 18},
        {u"EDIT", static_cast<int>(kQuantity), u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 154, 130, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 6), u"주", kLabel, 0, 196, 156, 40, 18},
        {u"STATIC", static_cast<int>(kLabelFirst + 7), s.priceLabel, kLabel, 0, 0, 178, 60, 18},
        {u"EDIT", static_cast<int>(kPrice), u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 176, 130, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 8), u"원", kLabel, 0, 196, 178, 40, 18},
        {u"BUTTON", static_cast<int>(kConfirm), u"확인", kButton, 0, 2, 248, 76, 26},
        {u"BUTTON", static_cast<int>(kClear), u"지움", kButton, 0, 82, 248, 76, 26},
        {u"BUTTON", static_cast<int>(kEcnPriceButton), u"ECN현재가", kButton, 0, 162, 248, 76, 26},
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
    }};
}

}  // namespace vxecn

// Defines the plug-in of one side: its dialog template 129, dialog class and exports.
#define VX_ECN_ORDER_SCREEN(DlgClass, side)                                                       \
    namespace {                                                                                   \
    constexpr vxorder::OrderScreen kScreen = vxecn::MakeScreen(side);                             \
    constexpr vxskel::ScreenConfig kConfig = vxorder::MakeConfig(kScreen, vxecn::kGoTo);          \
    constexpr auto kItems = vxecn::TemplateItems(kScreen, side.menuButtonText);                   \
    constexpr plat::DialogTemplate kDlg = vxorder::Template(kItems);                              \
    PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);                                    \
    }                                                                                             \
    class DlgClass : public vxorder::COrderEntryDlg {                                             \
    public:                                                                                       \
        DlgClass() : COrderEntryDlg(kScreen, kConfig) {}                                          \
    };                                                                                            \
    VX_SCREEN_EXPORTS(DlgClass)
