// ZR4410: the order-available balance of a stock account (transaction 4402). Eight label rows:
// deposit, margins, shortfall and what the account may still order, filled on "전송".
#include <iterator>

#include "balance.h"
#include "balance_layout.h"

namespace {

constexpr int kAccount = 1008;
constexpr int kGridId = 4410;
constexpr int kBtnEvaluation = 9827;  // "잔고평가"
constexpr COLORREF kLabelBg = RGB(255, 223, 140);

const vxskel::GoToButton kGoTo[] = {{kBtnEvaluation, 94001, true}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4410.dll";
  c.title = u"주문가능잔고";
  c.accountCombo = kAccount;
  c.passwordEdit = balance::kPassword;
  c.chain = vxskel::ItemChain::NoEdit;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

// The screen's own controls; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", balance::kNoId, u"계좌번호", balance::kStaticStyle, 0, 1, 68, 50, 18},
    {u"BUTTON", kBtnEvaluation, u"잔고평가", balance::kButtonStyle, 0, 170, 66, 68, 20},
    {u"STATIC", balance::kNoId, u"계좌비밀", balance::kStaticStyle, 0, 1, 92, 50, 18},
    {u"EDIT", balance::kPassword, u"", balance::kPasswordStyle, 0, 52, 90, 70, 20},
    {u"BUTTON", balance::kBtnSend, u"전송", balance::kButtonStyle, 0, 126, 90, 40, 20},
    {u"STATIC", balance::kNoId, u"[※ 신용분은 잔고평가 참조]", balance::kStaticStyle, 0, 1, 252, 238, 18},
    {u"COMBOBOX", kAccount, nullptr, balance::kComboStyle, 0, 52, 66, 114, 100},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

class CZR4410Dlg : public balance::CBalanceDlg {
 public:
  CZR4410Dlg() : CBalanceDlg(kConfig) {}

  void OnInitScreen() override {
    SetDlgItemText(IDC_TITLE, GetTitle());
    if (CWnd* pw = GetDlgItem(balance::kPassword)) pw->SendMessage(EM_LIMITTEXT, balance::kPasswordBytes);
    const int widths[] = {110, 126};
    CreateGrid({kGridId, 0, nullptr, 2, widths, 16, 0, 0, 1, 118, 238, 130, VGRID_SELECT_CELL});
    if (!m_grid) return;
    for (const balance::AvailableRow& r : balance::kAvailable) {
      m_grid->add_row();
      int row = m_grid->get_row_count() - 1;
      if (V_Grid_Cell* label = m_grid->get_cell(0, row)) {
        label->set_text(r.label, -1);
        label->set_bg(kLabelBg);
        label->set_str_flag(1);
      }
    }
    m_grid->redraw();
  }

  void OnQuery() override {
    SetItemCodeField(0);
    RequestStockBase();
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == kAccount && HIWORD(wParam) == CBN_SELCHANGE && m_grid) {
      // The amounts of the account shown before are not this account's.
      for (int row = 0; row < balance::kAvailableRows; ++row) SetCell(1, row, "");
      m_grid->redraw();
    }
    if (LOWORD(wParam) == balance::kBtnSend && HIWORD(wParam) == BN_CLICKED && lParam) {
      Send();
      return TRUE;
    }
    return CBalanceDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code != balance::kTrOrderAvailable) return;
    KillTimer(vxskel::kReplyTimer);
    EndWaitCursor();
    if (len < balance::k4402Size) {
      ReportShortReply(code);
      return;
    }
    if (!m_grid) return;
    for (int row = 0; row < balance::kAvailableRows; ++row)
      SetCell(1, row, balance::AmountText(body + balance::kAvailable[row].offset));
    m_grid->redraw();
  }

 private:
  void Send() {
    unsigned char body[balance::kAuthSize];
    if (!ReadAuth(body, true)) return;
    if (SendRequest(balance::kTrOrderAvailable, body, sizeof body)) StartWaitCursor();
  }
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4410Dlg)
