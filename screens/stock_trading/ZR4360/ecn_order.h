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

inline constexpr int kTemplateItemCount = 32;

constexpr std::array<plat::DialogItemTemplate, kTemplateItemCount> TemplateItems(const vxorder::OrderScreen& s,
                                                                                 const WCHAR* menuButtonText) {
    using namespace vxorder;
    constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
    constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
    constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
    return {{
        // Title row: screen title, item-code combo with the ECN finder, ECN price screen.
        {u"BUTTON", static_cast<int>(s.titleButton), s.titleText, kButton, 0, 0, 0, 84, 20},
        {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 86, 0, 62, 130},
        {u"BUTTON", static_cast<int>(kFinder), u"?", kButton, 0, 150, 0, 20, 20},
        {u"BUTTON", static_cast<int>(kEcnPriceButton), u"ECN현재가", kButton, 0, 172, 0, 68, 20},
        {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 22, 94, 130},
        {u"STATIC", IDC_ITEM_NAME, u"", kLabel, 0, 96, 22, 94, 20},
        {u"BUTTON", IDC_BTN_QUERY, u"조회", kButton, 0, 192, 22, 48, 20},
        // (y 44-63: the base-quote strip)
        {u"STATIC", static_cast<int>(kLabelFirst), u" 계좌번호", kLabel, 0, 0, 70, 60, 20},
        {u"COMBOBOX", static_cast<int>(kAccount), nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 62, 70, 130, 110},
        {u"STATIC", static_cast<int>(kLabelFirst + 1), u" 계좌비밀", kLabel, 0, 0, 94, 60, 20},
        {u"EDIT", static_cast<int>(kPassword), u"", kEdit | ES_PASSWORD | ES_NUMBER, 0, 62, 94, 64, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 2), u"[계좌비밀번호]", kLabel, 0, 130, 94, 110, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 3), u" 종목코드", kLabel, 0, 0, 118, 60, 20},
        {u"EDIT", IDC_ITEM_EDIT, u"", kEdit, 0, 62, 118, 52, 20},
        {u"BUTTON", static_cast<int>(kFindIntoEdit), u"?", kButton, 0, 116, 118, 20, 20},
        {u"STATIC", static_cast<int>(s.nameStatic), u"", kLabel, 0, 138, 118, 102, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 4), u" 매매구분", kLabel, 0, 0, 142, 60, 20},
        {u"COMBOBOX", static_cast<int>(kType), nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 62, 142, 130, 110},
        {u"STATIC", static_cast<int>(kLabelFirst + 5), s.quantityLabel, kLabel, 0, 0, 166, 60, 20},
        {u"EDIT", static_cast<int>(kQuantity), u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 166, 130, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 6), u"주", kLabel, 0, 196, 166, 40, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 7), s.priceLabel, kLabel, 0, 0, 190, 60, 20},
        {u"EDIT", static_cast<int>(kPrice), u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 190, 130, 20},
        {u"STATIC", static_cast<int>(kLabelFirst + 8), u"원", kLabel, 0, 196, 190, 40, 20},
        {u"BUTTON", static_cast<int>(kConfirm), u"확인", kButton, 0, 40, 236, 76, 26},
        {u"BUTTON", static_cast<int>(kClear), u"지움", kButton, 0, 124, 236, 76, 26},
        // Top-bar menu buttons of the base dialog.
        {u"BUTTON", IDC_BTN_QUOTES, u"시세", kButton, 0, 0, 300, 40, 20},
        {u"BUTTON", IDC_BTN_ORDERS, u"주문", kButton, 0, 40, 300, 40, 20},
        {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", kButton, 0, 80, 300, 40, 20},
        {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", kButton, 0, 120, 300, 40, 20},
        {u"BUTTON", IDC_BTN_NEWS, menuButtonText, kButton, 0, 160, 300, 40, 20},
        {u"BUTTON", IDC_BTN_EXIT, u"X", kButton, 0, 200, 300, 40, 20},
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
