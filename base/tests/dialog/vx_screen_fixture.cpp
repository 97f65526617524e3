// Template 129 and the message map of the test screen.
#include "vx_screen_fixture.h"

namespace vxtest {

namespace {

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kStatic = WS_VISIBLE | SS_LEFT;

const plat::DialogItemTemplate kItems[] = {
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 0, 0, 60, 120},
    {u"BUTTON", IDC_BTN_FINDER, u"?", kButton, 0, 60, 0, 20, 18},
    {u"STATIC", IDC_ITEM_NAME, u"", kStatic, 0, 80, 0, 80, 18},
    {u"STATIC", IDC_TITLE, u"", kStatic, 0, 160, 0, 80, 18},
    {u"BUTTON", IDC_BTN_TOP_FIRST, u"", kButton, 0, 0, 20, 30, 20},
    {u"BUTTON", IDC_BTN_QUOTES, u"시세", kButton, 0, 30, 20, 30, 20},
    {u"BUTTON", IDC_BTN_ORDERS, u"주문", kButton, 0, 60, 20, 30, 20},
    {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", kButton, 0, 90, 20, 30, 20},
    {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", kButton, 0, 120, 20, 30, 20},
    {u"BUTTON", IDC_BTN_NEWS, u"시황", kButton, 0, 150, 20, 30, 20},
    {u"BUTTON", IDC_BTN_QUERY, u"조회", kButton, 0, 180, 20, 30, 20},
    {u"BUTTON", IDC_BTN_EXIT, u"X", kButton, 0, 210, 20, 30, 20},
    {u"BUTTON", IDC_BTN_STOCK, u"주식", kButton, 0, 200, 250, 40, 25},
    {u"EDIT", kTestEditId, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 70, 100, 20},
    {u"EDIT", IDC_ITEM_EDIT, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 100, 70, 60, 20},
    {u"STATIC", IDC_FOUND_NAME, u"", kStatic, 0, 160, 70, 80, 20},
    {u"COMBOBOX", IDC_FO_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 0, 95, 80, 100},
    {u"EDIT", IDC_FO_EDIT, u"", WS_VISIBLE | WS_BORDER, 0, 80, 95, 80, 20},
    {u"BUTTON", IDC_BTN_FO_FINDER, u"?", kButton, 0, 160, 95, 20, 20},
    {u"BUTTON", IDC_BTN_FO_FINDER2, u"?", kButton, 0, 180, 95, 20, 20},
    {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, WS_VISIBLE | CBS_DROPDOWNLIST, 0, 160, 115, 80, 80},
    {u"BUTTON", 8301, u"1", kButton, 0, 0, 200, 40, 25},
    {u"BUTTON", 8302, u"2", kButton, 0, 40, 200, 40, 25},
    {u"BUTTON", 8303, u"3", kButton, 0, 80, 200, 40, 25},
    {u"BUTTON", 8304, u"4", kButton, 0, 0, 225, 40, 25},
    {u"BUTTON", 8305, u"5", kButton, 0, 40, 225, 40, 25},
    {u"BUTTON", 8306, u"6", kButton, 0, 80, 225, 40, 25},
    {u"BUTTON", 8307, u"7", kButton, 0, 0, 250, 40, 25},
    {u"BUTTON", 8308, u"8", kButton, 0, 40, 250, 40, 25},
    {u"BUTTON", 8309, u"9", kButton, 0, 80, 250, 40, 25},
    {u"BUTTON", IDC_KEY_0, u"0", kButton, 0, 120, 200, 40, 25},
    {u"BUTTON", IDC_KEY_BACK, u"<<", kButton, 0, 120, 225, 40, 25},
    {u"BUTTON", IDC_KEY_MINUS, u"-", kButton, 0, 160, 200, 40, 25},
    {u"BUTTON", IDC_KEY_POINT, u".", kButton, 0, 160, 225, 40, 25},
};

const plat::DialogTemplate kScreen = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kItems,
                                      std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

}  // namespace

BEGIN_MESSAGE_MAP(CTestScreenDlg, CVXDlg)
ON_MESSAGE(WM_VX_QUERY, OnVxQuery)
ON_EN_SETFOCUS(kTestEditId, OnEditFocus)
ON_CBN_SETFOCUS(IDC_ITEM_COMBO, OnSetfocusCComboItemcd)
ON_BN_CLICKED(IDC_BTN_FINDER, OnBtnScoutlet)
ON_BN_CLICKED(IDC_BTN_FO_FINDER, OnBtnFOScoutlet)
ON_BN_CLICKED(IDC_BTN_FO_FINDER2, OnFutOptFindCD)
ON_BN_CLICKED(IDC_BTN_QUERY, OnQueryButton)
ON_WM_TIMER()
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

}  // namespace vxtest
