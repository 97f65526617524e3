// The part of template 129 that the three balance screens share (240 x 320 after the base
// dialog's full-screen move): the menu bar on top, the item-code row, "조회" beside the upper
// strip (44-63) and the keypad under the lower strip (279-298).
#pragma once

#include "plat/windows.h"
#include "vxbase/base_strip.h"
#include "vxbase/vx_dlg.h"

namespace balance {
constexpr int kNoId = -1;  // statics that nothing addresses
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kStaticStyle = WS_VISIBLE | SS_LEFT;
constexpr DWORD kComboStyle = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN;
constexpr DWORD kPasswordStyle = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL;
}  // namespace balance

#define BALANCE_TOP_ITEMS                                                                              \
    {u"STATIC", IDC_TITLE, u"", WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 62, 20},                      \
    {u"BUTTON", IDC_BTN_QUOTES, u"시세", balance::kButtonStyle, 0, 62, 0, 26, 20},                      \
    {u"BUTTON", IDC_BTN_ORDERS, u"주문", balance::kButtonStyle, 0, 88, 0, 26, 20},                      \
    {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", balance::kButtonStyle, 0, 114, 0, 28, 20},                  \
    {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", balance::kButtonStyle, 0, 142, 0, 28, 20},                    \
    {u"BUTTON", IDC_BTN_NEWS, u"시황", balance::kButtonStyle, 0, 170, 0, 26, 20},                       \
    {u"BUTTON", IDC_BTN_ECN, u"ECN", balance::kButtonStyle, 0, 196, 0, 26, 20},                         \
    {u"BUTTON", IDC_BTN_EXIT, u"X", balance::kButtonStyle, 0, 222, 0, 18, 20},                          \
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, balance::kComboStyle, 0, 1, 22, 62, 120},                    \
    {u"BUTTON", IDC_BTN_FINDER, u"?", balance::kButtonStyle, 0, 64, 22, 18, 20},                        \
    {u"STATIC", IDC_ITEM_NAME, u"", balance::kStaticStyle, 0, 83, 22, 95, 20},                          \
    {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 179, 22, 60, 120}, \
    {u"BUTTON", IDC_BTN_QUERY, u"조회", balance::kButtonStyle, 0, 210, 44, 29, 19}

#define BALANCE_KEYPAD_ITEMS                                                                           \
    {u"BUTTON", 8301, u"1", balance::kButtonStyle, 0, 1, 300, 21, 20},                                  \
    {u"BUTTON", 8302, u"2", balance::kButtonStyle, 0, 22, 300, 21, 20},                                 \
    {u"BUTTON", 8303, u"3", balance::kButtonStyle, 0, 43, 300, 21, 20},                                 \
    {u"BUTTON", 8304, u"4", balance::kButtonStyle, 0, 64, 300, 21, 20},                                 \
    {u"BUTTON", 8305, u"5", balance::kButtonStyle, 0, 85, 300, 21, 20},                                 \
    {u"BUTTON", 8306, u"6", balance::kButtonStyle, 0, 106, 300, 21, 20},                                \
    {u"BUTTON", 8307, u"7", balance::kButtonStyle, 0, 127, 300, 21, 20},                                \
    {u"BUTTON", 8308, u"8", balance::kButtonStyle, 0, 148, 300, 21, 20},                                \
    {u"BUTTON", 8309, u"9", balance::kButtonStyle, 0, 169, 300, 21, 20},                                \
    {u"BUTTON", IDC_KEY_0, u"0", balance::kButtonStyle, 0, 190, 300, 21, 20},                           \
    {u"BUTTON", IDC_KEY_BACK, u"<<", balance::kButtonStyle, 0, 211, 300, 28, 20}
