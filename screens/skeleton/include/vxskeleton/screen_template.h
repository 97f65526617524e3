// Template 129 of a screen plug-in: the common controls every stock screen carries, around the
// screen's own controls.
//
//   top (y 0-63):     the menu bar (title, 시세, 주문, 체/잔, 선/옵, 시황, ECN, X), the item-code row
//                     (recent codes 9901, finder 9902, item name 9903, quick move 9918) and 조회 8110
//                     beside the upper base-quote strip (44-63)
//   own (y 64-278):   the screen's controls
//   keypad (y 300):   1-9, 0 and "<<" (8301-8311) under the lower index strip (279-298)
//
//   constexpr plat::DialogItemTemplate kOwn[] = {...};
//   constexpr auto kItems = vxskel::ScreenItems(kOwn);                  // or ScreenItems(kOwn, top)
//   constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
//   PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);
#pragma once

#include <array>
#include <cstddef>

#include "plat/windows.h"
#include "vxbase/base_strip.h"
#include "vxbase/vx_dlg.h"

namespace vxskel {

using ControlItem = plat::DialogItemTemplate;

// Styles of the screens' controls.
inline constexpr DWORD kFaceButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;  // drawn with the button faces
inline constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
inline constexpr DWORD kCodeCombo = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL;
inline constexpr DWORD kQuickMoveList = WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST;

// What differs between screens in the common controls.
struct TopControls {
  // The left of the menu bar: the static IDC_TITLE that shows the screen's title, or a button
  // (`titleButton`, `titleText`) that names the screen and goes to its sibling.
  int titleButton = 0;
  const WCHAR* titleText = u"";
  const WCHAR* newsText = u"시황";  // the ECN sell screen shows "차트" on this button
  DWORD quickMoveStyle = kQuickMoveList;
};

inline constexpr size_t kTopItemCount = 13;
inline constexpr size_t kKeypadItemCount = 11;

constexpr std::array<ControlItem, kTopItemCount> TopItems(const TopControls& t = {}) {
  return {{
      t.titleButton ? ControlItem{u"BUTTON", t.titleButton, t.titleText, kFaceButton, 0, 0, 0, 62, 20}
                    : ControlItem{u"STATIC", IDC_TITLE, u"", WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 62, 20},
      {u"BUTTON", IDC_BTN_QUOTES, u"시세", kFaceButton, 0, 62, 0, 26, 20},
      {u"BUTTON", IDC_BTN_ORDERS, u"주문", kFaceButton, 0, 88, 0, 26, 20},
      {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", kFaceButton, 0, 114, 0, 28, 20},
      {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", kFaceButton, 0, 142, 0, 28, 20},
      {u"BUTTON", IDC_BTN_NEWS, t.newsText, kFaceButton, 0, 170, 0, 26, 20},
      {u"BUTTON", IDC_BTN_ECN, u"ECN", kFaceButton, 0, 196, 0, 26, 20},
      {u"BUTTON", IDC_BTN_EXIT, u"X", kFaceButton, 0, 222, 0, 18, 20},
      // The item-code row: recent codes, finder, item name, quick move.
      {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, kCodeCombo, 0, 1, 22, 62, 120},
      {u"BUTTON", IDC_BTN_FINDER, u"?", kFaceButton, 0, 64, 22, 18, 20},
      {u"STATIC", IDC_ITEM_NAME, u"", kLabel, 0, 83, 22, 95, 20},
      {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, t.quickMoveStyle, 0, 179, 22, 60, 120},
      // (y 44-63: the base-quote strip)
      {u"BUTTON", IDC_BTN_QUERY, u"조회", kFaceButton, 0, 210, 44, 29, 19},
  }};
}

constexpr std::array<ControlItem, kKeypadItemCount> KeypadItems() {
  return {{
      {u"BUTTON", IDC_KEY_1, u"1", kFaceButton, 0, 1, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 1, u"2", kFaceButton, 0, 22, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 2, u"3", kFaceButton, 0, 43, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 3, u"4", kFaceButton, 0, 64, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 4, u"5", kFaceButton, 0, 85, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 5, u"6", kFaceButton, 0, 106, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 6, u"7", kFaceButton, 0, 127, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 7, u"8", kFaceButton, 0, 148, 300, 21, 20},
      {u"BUTTON", IDC_KEY_1 + 8, u"9", kFaceButton, 0, 169, 300, 21, 20},
      {u"BUTTON", IDC_KEY_0, u"0", kFaceButton, 0, 190, 300, 21, 20},
      {u"BUTTON", IDC_KEY_BACK, u"<<", kFaceButton, 0, 211, 300, 28, 20},
  }};
}

// Two item lists one after the other.
template <size_t N, size_t M>
constexpr std::array<ControlItem, N + M> Join(const std::array<ControlItem, N>& a,
                                              const std::array<ControlItem, M>& b) {
  std::array<ControlItem, N + M> out{};
  size_t i = 0;
  for (const ControlItem& item : a) out[i++] = item;
  for (const ControlItem& item : b) out[i++] = item;
  return out;
}

// The whole item list: the top controls, the screen's own (in their order), the keypad.
template <size_t N>
constexpr std::array<ControlItem, kTopItemCount + N + kKeypadItemCount> ScreenItems(
    const std::array<ControlItem, N>& own, const TopControls& top = {}) {
  return Join(Join(TopItems(top), own), KeypadItems());
}
template <size_t N>
constexpr std::array<ControlItem, kTopItemCount + N + kKeypadItemCount> ScreenItems(const ControlItem (&own)[N],
                                                                                    const TopControls& top = {}) {
  return ScreenItems(std::to_array(own), top);
}

// The dialog around the items: 240 x 294 before the full-screen move, Tahoma 13.
template <size_t N>
constexpr plat::DialogTemplate ScreenTemplate(const std::array<ControlItem, N>& items) {
  return {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, items.data(), items.size()};
}

}  // namespace vxskel
