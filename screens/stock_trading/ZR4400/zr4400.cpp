// ZR4400: the balance evaluation of a stock account (transaction 4401), seven holdings a page:
// balances today and on D+2, profit or loss with its return, average and current price, value.
// "전송" and "처 음" ask for the first page; "다  음" follows the server's continuation key.
#include <cstring>
#include <iterator>

#include "balance.h"
#include "balance_layout.h"

namespace {

constexpr int kAccount = 1009;
constexpr int kGridId = 4400;
constexpr int kBtnAvailable = 9819;  // "주문가능잔고"

const vxskel::GoToButton kGoTo[] = {{kBtnAvailable, 94002, true}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4400.dll";
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
    {u"EDIT", balance::kPassword, u"", balance::kPasswordStyle, 0, 110, 68, 60, 20},
    {u"BUTTON", balance::kBtnSend, u"전송", balance::kButtonStyle, 0, 174, 68, 40, 20},
    {u"BUTTON", kBtnAvailable, u"주문가능잔고", balance::kButtonStyle, 0, 1, 251, 84, 22},
    {u"BUTTON", balance::kBtnFirst, u"처 음", balance::kButtonStyle, 0, 147, 251, 45, 22},
    {u"BUTTON", balance::kBtnNext, u"다  음", balance::kButtonStyle, 0, 194, 251, 45, 22},
    {u"COMBOBOX", kAccount, nullptr, balance::kComboStyle, 0, 1, 68, 106, 100},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

class CZR4400Dlg : public balance::CPagedBalanceDlg {
 public:
  CZR4400Dlg() : CPagedBalanceDlg(kConfig, kAccount, balance::k4401RowsPerPage) {}

  void OnInitScreen() override {
    if (CWnd* pw = GetDlgItem(balance::kPassword)) pw->SendMessage(EM_LIMITTEXT, balance::kPasswordBytes);
    static const WCHAR* const titles[] = {u"종목명", u"금일잔고", u"D+2잔고", u"평가손익", u"수익률",
                                          u"평균가", u"현재가",   u"평가액",  u"잔고구분"};
    static const int widths[] = {85, 75, 75, 80, 70, 70, 70, 80, 70};
    CreateGrid({kGridId, 17, titles, balance::k4401Columns, widths, 17, balance::k4401RowsPerPage, 1, 1, 94, 238, 153,
                VGRID_SELECT_ROW});
    if (m_grid) m_grid->redraw();
    ResetPaging();
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code != balance::kTrEvaluation) return;
    balance::Page page;
    if (!balance::Read4401(body, len, page)) {
      ReportShortReply(code);
      return;
    }
    if (!balance::Sound4401(body, page)) {
      ReportBadReply(code);
      return;
    }
    std::memcpy(m_key, page.key, sizeof m_key);
    m_next = page.next;
    EnableButton(balance::kBtnNext, m_next != 'N');
    if (!m_grid) return;
    m_grid->remove_all_row();
    std::string cells[balance::k4401Columns];
    for (int i = 0; i < page.rows; ++i) {
      balance::Row4401Texts(page.first + i * balance::k4401RowSize, cells);
      m_grid->add_row();
      int row = m_grid->get_row_count() - 1;
      for (int c = 0; c < balance::k4401Columns; ++c) SetCell(c, row, cells[c]);
      if (V_Grid_Cell* name = m_grid->get_cell(0, row)) name->set_str_flag(1);
      if (V_Grid_Cell* kind = m_grid->get_cell(8, row)) kind->set_str_flag(0);
    }
    m_grid->redraw();
  }

 private:
  // The start: page 0, no continuation key, no next flag yet.
  void ResetPaging() override {
    m_page = 0;
    m_next = 0;
    std::memset(m_key, 0, sizeof m_key);
    EnableButton(balance::kBtnNext, true);
  }

  void OnNextPage() override {
    if (m_next != 'Y' || m_page == 255)
      MessageBox(u"다음 데이타가 없습니다.", u"", MB_OK);
    else
      SendPage(false, false);
  }

  void SendPage(bool first, bool checkPassword) override {
    unsigned char body[balance::k4401RequestSize] = {};
    if (!ReadAuth(body, checkPassword)) return;
    if (first) {
      // A first page never carries the key of another page or another account.
      m_page = 0;
      m_next = 0;
      std::memset(m_key, 0, sizeof m_key);
    } else {
      ++m_page;
    }
    namespace e = vxtr::evaluation;
    vxwire::Writer w(body, sizeof body, vxwire::Writer::Continue{});
    w.Byte(e::kPage, m_page).Byte(e::kRows, balance::k4401RowsPerPage);
    if (m_next == 'Y') w.Raw(e::kKey, m_key);
    SendRequest(balance::kTrEvaluation, body, sizeof body);
  }

  unsigned char m_page = 0;
  char m_next = 0;
  unsigned char m_key[balance::k4401KeySize] = {};
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4400Dlg)
