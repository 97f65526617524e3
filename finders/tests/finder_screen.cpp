// A screen plug-in on the screen skeleton with the stock and ECN finder buttons, as the stock
// screens carry them: the item combo 9901 copies into edit 9909, whose fifth character asks for
// the base quote 4101; the reply's item name shows in static 1020.
#include <iterator>

#include "vxskeleton/screen_skeleton.h"

namespace {

constexpr UINT kEcnFinder = 9905;
constexpr UINT kName = 1020;
const UINT kFinders[] = {IDC_BTN_FINDER, kEcnFinder};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"FinderScreen.dll";
  c.title = u"종목찾기시험";
  c.chain = vxskel::ItemChain::Edit;
  c.itemNameStatic = kName;
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const plat::DialogItemTemplate kItems[] = {
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 0, 0, 60, 120},
    {u"BUTTON", IDC_BTN_FINDER, u"?", kButton, 0, 60, 0, 20, 18},
    {u"BUTTON", kEcnFinder, u"E", kButton, 0, 82, 0, 20, 18},
    {u"STATIC", vxskel::kItemName, u"", WS_VISIBLE, 0, 104, 0, 60, 18},
    {u"EDIT", IDC_ITEM_EDIT, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 170, 0, 60, 18},
    {u"STATIC", kName, u"", WS_VISIBLE, 0, 0, 120, 120, 18},
};
const plat::DialogTemplate kScreen = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kItems,
                                      std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

class CFinderScreenDlg : public vxskel::CVXScreenDlg {
 public:
  CFinderScreenDlg() : CVXScreenDlg(kConfig) {}
  void OnQuery() override {
    CString code;
    if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(code);
    SetDlgItemText(IDC_ITEM_EDIT, code);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFinderScreenDlg, vxskel::CVXScreenDlg)
ON_BN_CLICKED(IDC_BTN_FINDER, OnBtnScoutlet)
ON_BN_CLICKED(kEcnFinder, OnBtnECNScoutlet)
END_MESSAGE_MAP()

}  // namespace

VX_SCREEN_EXPORTS(CFinderScreenDlg)
