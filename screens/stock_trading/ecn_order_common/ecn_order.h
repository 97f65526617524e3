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

// Template 129: the order form and three buttons; the news button may read otherwise.
constexpr auto TemplateItems(const vxorder::OrderScreen& s, const WCHAR* menuButtonText) {
  using namespace vxorder;
  using vxskel::kFaceButton;
  return vxorder::TemplateItems(s,
                                std::array<plat::DialogItemTemplate, 3>{{
                                    {u"BUTTON", kConfirm, u"확인", kFaceButton, 0, 2, 248, 76, 26},
                                    {u"BUTTON", kClear, u"지움", kFaceButton, 0, 82, 248, 76, 26},
                                    {u"BUTTON", kEcnPriceButton, u"ECN현재가", kFaceButton, 0, 162, 248, 76, 26},
                                }},
                                menuButtonText);
}

}  // namespace vxecn

// Defines the plug-in of one side: its dialog template 129, dialog class and exports.
#define VX_ECN_ORDER_SCREEN(DlgClass, side)                                            \
  namespace {                                                                          \
  constexpr vxorder::OrderScreen kScreen = vxecn::MakeScreen(side);                    \
  constexpr vxskel::ScreenConfig kConfig = vxorder::MakeConfig(kScreen, vxecn::kGoTo); \
  constexpr auto kItems = vxecn::TemplateItems(kScreen, side.menuButtonText);          \
  constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);                \
  PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);                           \
  }                                                                                    \
  class DlgClass : public vxorder::COrderEntryDlg {                                    \
   public:                                                                             \
    DlgClass() : COrderEntryDlg(kScreen, kConfig) {}                                   \
  };                                                                                   \
  VX_SCREEN_EXPORTS(DlgClass)
