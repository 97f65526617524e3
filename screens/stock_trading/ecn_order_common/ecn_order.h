// The ECN order screens ZR4350 (sell, transaction 4350) and ZR4360 (buy, transaction 4360): the
// stock order-entry family with the ECN order types, the ECN finder and code list, and the price
// edit filled with the current price from each base quote.
#pragma once

#include <array>

#include "order_entry.h"
#include "vxbase/base_strip.h"

namespace vxecn {

constexpr int kScreenEcnPrice = 94641;  // "ECN현재가"
constexpr int kEcnPriceButton = 9826;

// Both ECN order types trade at a price; the price edit stays open for each.
inline constexpr vxorder::OrderType kTypes[] = {
    {u"00 보통", '1', true},
    {u"77 대량매매", '2', true},
};
inline constexpr const WCHAR* kTypeTexts[] = {u"00 보통가", u"77 대량매매"};

struct EcnSide {
    const WCHAR* moduleName;
    uint16_t trCode;
    int titleButton;
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

inline constexpr int kTemplateItemCount = static_cast<int>(vxskel::kTopItemCount + 20 + vxskel::kKeypadItemCount);

constexpr std::array<plat::DialogItemTemplate, kTemplateItemCount> TemplateItems(const vxorder::OrderScreen& s,
                                                                                 const WCHAR* menuButtonText) {
    using namespace vxorder;
    constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
    constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
    constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
    return vxskel::ScreenItems(std::array<plat::DialogItemTemplate, 20>{{
        {u"STATIC", kLabelFirst, u" 계좌번호", kLabel, 0, 0, 68, 60, 18},
        {u"COMBOBOX", kAccount, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 62, 66, 130, 110},
        {u"STATIC", kLabelFirst + 1, u" 계좌비밀", kLabel, 0, 0, 90, 60, 18},
        {u"EDIT", kPassword, u"", kEdit | ES_PASSWORD | ES_NUMBER, 0, 62, 88, 64, 20},
        {u"STATIC", kLabelFirst + 2, u"[계좌비밀번호]", kLabel, 0, 130, 90, 110, 18},
        {u"STATIC", kLabelFirst + 3, u" 종목코드", kLabel, 0, 0, 112, 60, 18},
        {u"EDIT", IDC_ITEM_EDIT, u"", kEdit, 0, 62, 110, 52, 20},
        {u"BUTTON", kFindIntoEdit, u"?", kButton, 0, 116, 110, 20, 20},
        {u"STATIC", s.nameStatic, u"", kLabel, 0, 138, 112, 102, 18},
        {u"STATIC", kLabelFirst + 4, u" 매매구분", kLabel, 0, 0, 134, 60, 18},
        {u"COMBOBOX", kType, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 62, 132, 130, 110},
        {u"STATIC", kLabelFirst + 5, s.quantityLabel, kLabel, 0, 0, 156, 60, 18},
        {u"EDIT", kQuantity, u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 154, 130, 20},
        {u"STATIC", kLabelFirst + 6, u"주", kLabel, 0, 196, 156, 40, 18},
        {u"STATIC", kLabelFirst + 7, s.priceLabel, kLabel, 0, 0, 178, 60, 18},
        {u"EDIT", kPrice, u"", kEdit | ES_RIGHT | ES_NUMBER, 0, 62, 176, 130, 20},
        {u"STATIC", kLabelFirst + 8, u"원", kLabel, 0, 196, 178, 40, 18},
        {u"BUTTON", kConfirm, u"확인", kButton, 0, 2, 248, 76, 26},
        {u"BUTTON", kClear, u"지움", kButton, 0, 82, 248, 76, 26},
        {u"BUTTON", kEcnPriceButton, u"ECN현재가", kButton, 0, 162, 248, 76, 26},
    }},
                               {.titleButton = s.titleButton, .titleText = s.titleText, .newsText = menuButtonText});
}

}  // namespace vxecn

// Defines the plug-in of one side: its dialog template 129, dialog class and exports.
#define VX_ECN_ORDER_SCREEN(DlgClass, side)                                                       \
    namespace {                                                                                   \
    constexpr vxorder::OrderScreen kScreen = vxecn::MakeScreen(side);                             \
    constexpr vxskel::ScreenConfig kConfig = vxorder::MakeConfig(kScreen, vxecn::kGoTo);          \
    constexpr auto kItems = vxecn::TemplateItems(kScreen, side.menuButtonText);                   \
    constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);                              \
    PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);                                    \
    }                                                                                             \
    class DlgClass : public vxorder::COrderEntryDlg {                                             \
    public:                                                                                       \
        DlgClass() : COrderEntryDlg(kScreen, kConfig) {}                                          \
    };                                                                                            \
    VX_SCREEN_EXPORTS(DlgClass)
