// A small screen plug-in built on the skeleton, as the screens of the system are: an account
// combo with its password, a quantity and a price edit, the item-code combo and edit, go-to
// buttons and a reply field. It asks for code 4998 while its dialog is being created, as some
// screens do from their set-up, and shows what its reply handler was given in static 1030.
#include <iterator>

#include "vxskeleton/screen_skeleton.h"

#ifndef SKEL_CHAIN
#define SKEL_CHAIN Edit
#endif
#ifndef SKEL_PLAIN
#define SKEL_PLAIN false
#endif
#ifndef SKEL_MODULE_NAME
#define SKEL_MODULE_NAME u"SkelTest.dll"
#endif

namespace {

constexpr UINT kPassword = 1007;
constexpr UINT kQuantity = 1010;
constexpr UINT kPrice = 1011;
constexpr UINT kName = 1020;
constexpr UINT kReplyShown = 1030;

const vxskel::GoToButton kGoTo[] = {{9709, 92001, true}, {9706, 94002, false}};
const vxskel::NumberEdit kNumbers[] = {{kQuantity, vxskel::NumberKind::Quantity},
                                       {kPrice, vxskel::NumberKind::PriceWarn}};
const UINT kFinders[] = {9902};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = SKEL_MODULE_NAME;
  c.title = u"시험화면";
  c.accountCombo = vxskel::kAccountCombo;
  c.passwordEdit = kPassword;
  c.passwordNext = kQuantity;
  c.chain = vxskel::ItemChain::SKEL_CHAIN;
  c.plainReplies = SKEL_PLAIN;
  c.itemNameStatic = kName;
  c.itemNext = kQuantity;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.numbers = kNumbers;
  c.numberCount = std::size(kNumbers);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
const plat::DialogItemTemplate kItems[] = {
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 0, 0, 60, 120},
    {u"BUTTON", 9902, u"?", kButton, 0, 60, 0, 20, 18},
    {u"STATIC", vxskel::kItemName, u"", WS_VISIBLE, 0, 80, 0, 80, 18},
    {u"EDIT", IDC_ITEM_EDIT, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 160, 0, 60, 18},
    {u"COMBOBOX", vxskel::kAccountCombo, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 0, 70, 140, 100},
    {u"EDIT", kPassword, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD, 0, 140, 70, 60, 20},
    {u"EDIT", kQuantity, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 0, 95, 100, 20},
    {u"EDIT", kPrice, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 100, 95, 100, 20},
    {u"STATIC", kName, u"", WS_VISIBLE, 0, 0, 120, 120, 18},
    {u"STATIC", kReplyShown, u"", WS_VISIBLE, 0, 120, 120, 120, 18},
    {u"BUTTON", 9709, u"현재가", kButton, 0, 0, 150, 60, 20},
    {u"BUTTON", 9706, u"잔고", kButton, 0, 60, 150, 60, 20},
    {u"BUTTON", vxskel::kBtnQuery, u"조회", kButton, 0, 120, 150, 60, 20},
};
const plat::DialogTemplate kScreen = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kItems,
                                      std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

class CSkelTestDlg : public vxskel::CVXScreenDlg {
 public:
  CSkelTestDlg() : CVXScreenDlg(kConfig) {}
  void OnInitScreen() override {
    unsigned char packet[21];
    int n = vxskel::MakePlainRequest(packet, 4998, "000000");
    SendPacket(packet, n);
  }
  void OnQuery() override {
    if (Config().chain != vxskel::ItemChain::Edit) {
      SetItemCodeField(0);
      RequestStockBase();
      return;
    }
    CString code;
    if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->GetWindowText(code);
    SetItemCodeField(0);
    SetDlgItemText(IDC_ITEM_EDIT, code);
  }
  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    CString text;
    text.Format(u"%d %d %s", static_cast<int>(code), len,
                CString::FromMultiByte(reinterpret_cast<const char*>(body), len));
    SetDlgItemText(kReplyShown, text);
  }
};

}  // namespace

VX_SCREEN_EXPORTS(CSkelTestDlg)
