// ZR4460: the sellable balance of a stock account (transaction 4450), eight holdings a page with
// the quantity that open sells leave to sell. "전송" and "맨처음" ask for the first page; "다음"
// follows the server's page number and continuation key.
#include <cstring>
#include <iterator>

#include "balance.h"
#include "balance_layout.h"

namespace {

constexpr int kAccount = 1008;
constexpr int kGridId = 4460;

const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4460.dll";
  c.title = u"매도잔고";
  c.accountCombo = kAccount;
  c.passwordEdit = balance::kPassword;
  c.chain = vxskel::ItemChain::NoEdit;
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

// The screen's own controls; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"EDIT", balance::kPassword, u"", balance::kPasswordStyle, 0, 110, 68, 60, 20},
    {u"BUTTON", balance::kBtnSend, u"전송", balance::kButtonStyle, 0, 174, 68, 40, 20},
    {u"STATIC", balance::kNoId, u"[신용분은 잔고평가 참조]", balance::kStaticStyle, 0, 1, 255, 140, 18},
    {u"BUTTON", balance::kBtnFirst, u"맨처음", balance::kButtonStyle, 0, 147, 253, 45, 22},
    {u"BUTTON", balance::kBtnNext, u"다음", balance::kButtonStyle, 0, 194, 253, 45, 22},
    {u"COMBOBOX", kAccount, nullptr, balance::kComboStyle, 0, 1, 68, 106, 100},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

class CZR4460Dlg : public balance::CPagedBalanceDlg {
 public:
  CZR4460Dlg() : CPagedBalanceDlg(kConfig, kAccount, balance::k4450RowsPerPage) {}

  void OnInitScreen() override {
    SetDlgItemText(IDC_TITLE, GetTitle());
    if (CWnd* pw = GetDlgItem(balance::kPassword)) pw->SendMessage(EM_LIMITTEXT, balance::kPasswordBytes);
    static const WCHAR* const titles[] = {u"종목코드", u"종목명", u"주문가능", u"잔고구분"};
    static const int widths[] = {55, 63, 58, 60};
    CreateGrid({kGridId, 17, titles, balance::k4450Columns, widths, 17, balance::k4450RowsPerPage, 0, 1, 95, 238, 155,
                VGRID_SELECT_CELL});
    if (m_grid) m_grid->redraw();
    ResetPaging();
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code != balance::kTrSellable) return;
    balance::Page page;
    if (!balance::Read4450(body, len, page)) {
      ReportShortReply(code);
      return;
    }
    if (!balance::Sound4450(body, page)) {
      ReportBadReply(code);
      return;
    }
    std::memset(m_key, 0, sizeof m_key);
    std::memcpy(m_key, page.key, sizeof m_key);
    m_page = static_cast<unsigned char>(page.page);
    m_next = page.next;
    UpdateButtons();
    if (!m_grid) return;
    m_grid->remove_all_row();
    std::string cells[balance::k4450Columns];
    for (int i = 0; i < page.rows; ++i) {
      balance::Row4450Texts(page.first + i * balance::k4450RowSize, cells);
      m_grid->add_row();
      int row = m_grid->get_row_count() - 1;
      for (int c = 0; c < balance::k4450Columns; ++c) SetCell(c, row, cells[c]);
      for (int c = 0; c < 2; ++c)
        if (V_Grid_Cell* text = m_grid->get_cell(c, row)) text->set_str_flag(1);
    }
    m_grid->redraw();
  }

 private:
  // The start: page 0, next flag 'Y', no continuation key, not paged.
  void ResetPaging() override {
    m_page = 0;
    m_next = 'Y';
    m_paged = false;
    std::memset(m_key, 0, sizeof m_key);
    UpdateButtons();
  }

  void OnNextPage() override {
    if (m_next == 'Y' && m_page < 255) SendPage(false, false);
  }

  void UpdateButtons() {
    EnableButton(balance::kBtnNext, m_next == 'Y');
    EnableButton(balance::kBtnFirst, m_paged);
  }

  void SendPage(bool first, bool checkPassword) override {
    unsigned char body[balance::k4450RequestSize] = {};
    if (!ReadAuth(body, checkPassword)) return;
    if (first) {
      // A first page never carries the key of another page or another account.
      m_page = 0;
      m_paged = false;
      std::memset(m_key, 0, sizeof m_key);
    } else {
      ++m_page;
      m_paged = true;
    }
    namespace s = vxtr::sellable;
    vxwire::Writer w(body, sizeof body, vxwire::Writer::Continue{});
    if (!first) w.Raw(s::kKey, m_key);
    w.Byte(s::kPage, m_page).Byte(s::kRows, balance::k4450RowsPerPage);
    UpdateButtons();
    SendRequest(balance::kTrSellable, body, sizeof body);
  }

  unsigned char m_page = 0;
  char m_next = 'Y';
  bool m_paged = false;
  unsigned char m_key[balance::k4450KeySize] = {};
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4460Dlg)
