// A small futures/options screen on the futures/options skeleton, built in four forms:
//   FO_FORM Futures / Options: a quote screen with two grids that asks for 4997 with its item code
//     and shows the reply in static 1030 and in the first cell of each grid;
//   FO_FORM Picked with FO_ORDER: an order screen (account combo 1006, password 1014, order code
//     9912 and its finder 9913, the order's item name in static 1002, the order keypad, 8207 sent);
//   FO_FORM Picked without FO_ORDER: an account screen whose 1002 is an edit of its own.
#include <iterator>

#include "vxskeleton/futopt_screen.h"

#ifndef FO_FORM
#define FO_FORM Futures
#endif
#ifndef FO_ORDER
#define FO_ORDER false
#endif
#ifndef FO_MODULE_NAME
#define FO_MODULE_NAME u"FoTest.dll"
#endif

namespace {

constexpr vxskel::FoForm kForm = vxskel::FoForm::FO_FORM;
constexpr bool kOrder = FO_ORDER;
constexpr int kReplyShown = 1030, kOwnQuery = 1031, kGridA = 4001, kGridB = 4002, kField1002 = 1002;
constexpr uint16_t kOwnCode = 4997;

constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
constexpr plat::DialogItemTemplate kQuoteOwn[] = {
    {u"STATIC", kReplyShown, u"", vxskel::kLabel, 0, 1, 66, 200, 16},
    {u"BUTTON", kOwnQuery, u"다시", vxskel::kFaceButton, 0, 201, 66, 38, 18},
};
constexpr plat::DialogItemTemplate kOrderOwn[] = {
    {u"STATIC", -1, u"계좌", vxskel::kLabel, 0, 1, 68, 40, 18},
    {u"EDIT", vxskel::kFoPassword, u"", kEdit | ES_PASSWORD, 0, 170, 66, 68, 20},
    {u"EDIT", vxskel::kFoOrderCodeEdit, u"", kEdit, 0, 1, 90, 70, 20},
    {u"BUTTON", vxskel::kFoOrderFinder, u"?", vxskel::kFaceButton, 0, 72, 90, 18, 20},
    {u"STATIC", kField1002, u"", vxskel::kLabel, 0, 92, 90, 146, 20},
    {u"COMBOBOX", vxskel::kAccountCombo, nullptr, vxskel::kCodeCombo, 0, 42, 66, 126, 100},
};
constexpr plat::DialogItemTemplate kAccountOwn[] = {
    {u"STATIC", -1, u"비밀번호", vxskel::kLabel, 0, 1, 92, 50, 18},
    {u"EDIT", kField1002, u"", kEdit | ES_PASSWORD, 0, 52, 90, 68, 20},
    {u"COMBOBOX", vxskel::kAccountCombo, nullptr, vxskel::kCodeCombo, 0, 1, 66, 126, 100},
};

constexpr auto kQuoteItems = vxskel::FutOptScreenItems(kQuoteOwn);
constexpr auto kOrderItems = vxskel::FutOptOrderScreenItems(kOrderOwn);
constexpr auto kAccountItems = vxskel::FutOptScreenItems(kAccountOwn);
constexpr plat::DialogTemplate kScreen = kForm != vxskel::FoForm::Picked ? vxskel::ScreenTemplate(kQuoteItems)
                                         : kOrder                        ? vxskel::ScreenTemplate(kOrderItems)
                                                                         : vxskel::ScreenTemplate(kAccountItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[] = {u"구분", u"값"};
const int kWidths[] = {80, 156};
const vxskel::GridSetup kGrids[] = {
    {kGridA, 17, kTitles, 2, kWidths, 17, 3, false, false, {}},
    {kGridB, 17, kTitles, 2, kWidths, 17, 3, false, false, {}},
};

vxskel::FutOptSetup MakeSetup() {
  vxskel::FutOptSetup s;
  s.form = kForm;
  if (kForm != vxskel::FoForm::Picked) {
    s.grids = kGrids;
    s.gridCount = std::size(kGrids);
    s.gridUpper = kOwnQuery;
  }
  if (kOrder) s.orderNameStatic = kField1002;
  return s;
}
const vxskel::FutOptSetup kSetup = MakeSetup();

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c = vxskel::FutOptScreenConfig(FO_MODULE_NAME, u"선옵시험", kForm, kOrder);
  if (kForm == vxskel::FoForm::Picked) {
    c.accountCombo = vxskel::kAccountCombo;
    c.passwordEdit = kOrder ? vxskel::kFoPassword : kField1002;
  }
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

class CFoTestDlg : public vxskel::CFutOptScreenDlg {
 public:
  CFoTestDlg() : CFutOptScreenDlg(kConfig, kSetup) {}
  void RequestScreen() override {
    if (IsQuoteScreen()) SendItemRequest(kOwnCode);
  }
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override {
    CString text;
    text.Format(u"%d %s", static_cast<int>(code), CString::FromMultiByte(reinterpret_cast<const char*>(body), len));
    SetDlgItemText(kReplyShown, text);
    for (size_t g = 0; g < 2; ++g)
      if (V_Grid* grid = Grid(g))
        if (V_Grid_Cell* cell = grid->get_cell(1, 0)) cell->set_text(text.ToMultiByte().c_str(), -1);
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == kOwnQuery && HIWORD(wParam) == BN_CLICKED) {
      RequestScreen();
      return TRUE;
    }
    return CFutOptScreenDlg::OnCommand(wParam, lParam);
  }
};

}  // namespace

VX_SCREEN_EXPORTS(CFoTestDlg)
