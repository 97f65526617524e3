// ZR4340: the order and fill inquiry (transaction 4340). Lists an account's stock and ECN orders
// with their fills page by page, filtered to all, filled or open orders. A tapped row becomes the
// picked order; "정정" and "취소" hand it to the modify, cancel or ECN cancel screen through the
// pick record files and ask the main program to open that screen.
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "pick_record.h"
#include "vxbase/money.h"
#include "vxbase/base_strip.h"
#include "vxbase/prop_ce.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/net_value.h"
#include "glimmet/v_grid.h"

namespace {

constexpr uint16_t kTrInquiry = 4340;

constexpr int kAccount = 1010;
constexpr int kPassword = 1004;
constexpr int kBtnSend = 9813;    // "확인"
constexpr int kBtnAll = 1565;     // "전체"
constexpr int kBtnFilled = 1566;  // "체결"
constexpr int kBtnOpen = 1567;    // "미체결"
constexpr int kBtnNext = 9701;    // "다음"
constexpr int kBtnFirst = 9822;   // "처음"
constexpr int kBtnModify = 1568;  // "정정"
constexpr int kBtnCancel = 1569;  // "취소"
constexpr int kCurrentPrice = 9709;
constexpr int kGridId = 4340;
constexpr int kNoId = -1;

constexpr int kScreenModify = 93101;
constexpr int kScreenCancel = 93102;
constexpr int kScreenEcnCancel = 93106;

// Request: account 10, password 8, filter, page, rows per page.
constexpr int kPasswordBytes = vxtr::kPassword.width;
constexpr unsigned char kRowsPerPage = 6;
// Reply: next-page flag at 12, row count at 13, rows of 66 bytes from 15.
constexpr int kColumns = 10;
constexpr int kFilledColumns = 9;

constexpr COLORREF kPickedBg = 0xFFC4F3;
constexpr COLORREF kPlainBg = 0xFFFFFF;

const WCHAR* const kTitles[kColumns] = {u"종 목",    u"종목명",   u"주문번호",   u"주문구분",     u"주문수량",
                                        u"주문단가", u"체결수량", u"체결평균가", u"정정취소가능", u""};
const int kWidths[kColumns] = {40, 65, 50, 80, 55, 60, 60, 80, 80, 1};

const vxskel::GoToButton kGoTo[] = {{kCurrentPrice, VX_SCREEN_STOCK_HOME, true},
                                    {IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4340.dll";
  c.title = u"주식체결";
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  c.passwordNext = kBtnSend;
  c.chain = vxskel::ItemChain::NoEdit;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kRadio = WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON;
constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;

// The screen's own controls; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", kNoId, u" 계좌번호", kLabel, 0, 0, 68, 56, 18},
    {u"COMBOBOX", kAccount, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 0, 58, 66, 130, 110},
    {u"STATIC", kNoId, u"계좌비밀", kLabel, 0, 0, 90, 56, 18},
    {u"EDIT", kPassword, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_NUMBER, 0, 58, 88, 64, 20},
    {u"BUTTON", kBtnSend, u"확인", kButton, 0, 126, 88, 48, 20},
    {u"BUTTON", kBtnAll, u"전체", kRadio | WS_GROUP, 0, 2, 110, 60, 18},
    {u"BUTTON", kBtnFilled, u"체결", kRadio, 0, 64, 110, 60, 18},
    {u"BUTTON", kBtnOpen, u"미체결", kRadio, 0, 126, 110, 70, 18},
    // (y 130-247: the grid)
    {u"BUTTON", kBtnFirst, u"처음", kButton, 0, 2, 252, 56, 22},
    {u"BUTTON", kBtnNext, u"다음", kButton, 0, 60, 252, 56, 22},
    // No face of their own: plain push buttons that draw their captions.
    {u"BUTTON", kBtnModify, u"정정", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 124, 252, 56, 22},
    {u"BUTTON", kBtnCancel, u"취소", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 182, 252, 56, 22},
    {u"BUTTON", kCurrentPrice, u"현재가", kButton, 0, 176, 88, 62, 20},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

// A text field of code page 949: up to its first NUL, never past its width.
void SetCellText(V_Grid_Cell* cell, const unsigned char* field, int width) {
  if (!cell) return;
  int n = 0;
  while (n < width && field[n]) ++n;
  // A length below 1 reads up to the NUL, which is at once for an empty field.
  cell->set_text(reinterpret_cast<const char*>(field), n);
  cell->set_str_flag(1);  // texts left-aligned, numbers keep the grid's right alignment
}

void SetCellNumber(V_Grid_Cell* cell, const unsigned char* value6) {
  if (!cell) return;
  char text[NET_VALUE_STR_SIZE + 8] = {};
  get_net_value_str(NV_INT3, value6, text, 0, sizeof text);
  cell->set_text(text, -1);
}

class CZR4340Dlg : public vxskel::CVXScreenDlg {
 public:
  CZR4340Dlg() : CVXScreenDlg(kConfig) {}
  ~CZR4340Dlg() override { std::memset(m_pick, 0, sizeof m_pick); }

  void OnInitScreen() override {
    if (auto* pw = static_cast<CEdit*>(GetDlgItem(kPassword))) pw->LimitText(kPasswordBytes);
    CreateGrid();
    CheckFilter(kBtnAll);
    // The list shows the first account; the remembered one when there is one.
    CPropCE reg;
    CString memo;
    if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE)) memo = reg.GetValue(VX_ACCOUNT_MEMO);
    if (memo.GetLength() >= 10)
      if (CWnd* combo = GetDlgItem(kAccount)) combo->SetWindowText(vxskel::AccountDisplay(memo));
  }

  void OnQuery() override {
    SetItemCodeField(0);
    RequestStockBase();
    if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_VGRID_NOTIFY) {
      if (wParam == VGRID_NOTIFY_DOWN) OnRowPick();
      return 0;
    }
    return CVXScreenDlg::WindowProc(message, wParam, lParam);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (lParam == 0) return CVXScreenDlg::OnCommand(wParam, lParam);
    if (id == kAccount && code == CBN_SELCHANGE) {
      // The rows and the pick belong to the account shown before.
      ClearRows();
    }
    if (id == kPassword && code == EN_CHANGE) {
      CString pw;
      GetDlgItemText(kPassword, pw);
      if (pw.GetLength() > 4) {
        MessageBox(u"비밀번호는 4자리이여야 합니다.", u"", MB_OK);
        return TRUE;
      }
    }
    if (code == BN_CLICKED) {
      switch (id) {
        case kBtnSend: {
          EnableButton(kBtnNext, true);
          CString pw;
          GetDlgItemText(kPassword, pw);
          if (pw.GetLength() < 4) {
            MessageBox(u"비밀번호를 입력하세요", u"", MB_OK);
            if (CWnd* w = GetDlgItem(kPassword)) w->SetFocus();
            return TRUE;
          }
          m_page = 0;
          SendInquiry();
          return TRUE;
        }
        case kBtnAll:
        case kBtnFilled:
        case kBtnOpen:
          EnableButton(kBtnNext, true);
          m_page = 0;
          m_filter = id == kBtnAll ? '0' : id == kBtnFilled ? '1' : '2';
          CheckFilter(id);
          SendInquiry();
          return TRUE;
        case kBtnFirst:
          m_page = 0;
          SendInquiry();
          EnableButton(kBtnNext, true);
          return TRUE;
        case kBtnNext:
          // The page counter travels as one byte: there is no page after 255.
          if (m_next == 'Y' && m_page < 255) {
            ++m_page;
            SendInquiry();
          } else {
            EnableButton(kBtnNext, false);
          }
          return TRUE;
        case kBtnModify: HandOver(true); return TRUE;
        case kBtnCancel: HandOver(false); return TRUE;
        case IDC_BTN_FINDER: OnBtnScoutlet(); return TRUE;
        default: break;
      }
    }
    return CVXScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code != kTrInquiry) return;
    KillTimer(vxskel::kReplyTimer);
    EndWaitCursor();
    namespace q = vxtr::inquiry;
    vxwire::Reader reply(body, len);
    if (reply.Size() < static_cast<size_t>(q::kRecordsAt)) {
      ReportShortReply(code);
      return;
    }
    int n = vxskel::RecordsHeld(reply.SignedByte(q::kCount), len, q::kRecordsAt, q::kRecordSize);
    if (!ReplySound(reply, n)) {
      ReportBadReply(code);
      return;
    }
    m_replied = true;
    m_next = reply.Char(q::kNext);
    if (!m_grid) return;
    ClearPick();
    m_grid->remove_all_row();
    for (int i = 0; i < n; ++i) {
      vxwire::Reader row = reply.Record(q::kRecordsAt, q::kRecordSize, i);
      if (!m_grid->add_row()) break;
      int r = m_grid->get_row_count() - 1;
      const vxwire::Field* texts[] = {&q::kCode, &q::kName, &q::kNumber, &q::kKind};
      for (int c = 0; c < 4; ++c) SetCellText(m_grid->get_cell(c, r), row.At(*texts[c]), texts[c]->width);
      const vxwire::Field* numbers[] = {&q::kQuantity, &q::kPrice, &q::kFilled, &q::kAverage, &q::kOpen};
      for (int c = 0; c < 5; ++c) SetCellNumber(m_grid->get_cell(4 + c, r), row.At(*numbers[c]));
    }
    m_grid->redraw();
  }

 private:
  // The page and its `n` rows are what their layout says: next flag, a row count that is not
  // negative, item code and order number digits, name and order kind text. Only such rows
  // are shown and can be handed to the modify and cancel screens.
  static bool ReplySound(const vxwire::Reader& reply, int n) {
    namespace q = vxtr::inquiry;
    if (!vxskel::IsNextFlag(reply.Char(q::kNext)) || reply.SignedByte(q::kCount) < 0) return false;
    for (int i = 0; i < n; ++i) {
      vxwire::Reader row = reply.Record(q::kRecordsAt, q::kRecordSize, i);
      if (!row.IsDigits(q::kCode) || !row.IsDigits(q::kNumber) || !row.IsText(q::kName) || !row.IsText(q::kKind))
        return false;
    }
    return true;
  }

  void CreateGrid() {
    m_grid = std::make_unique<V_Grid>();
    HFONT font = static_cast<HFONT>(m_fontNormal.GetSafeHandle());
    if (m_grid->init(m_hWnd, kGridId, 17, kTitles, kColumns, kWidths, 17, 0, font, 0) != 0) {
      m_grid.reset();
      return;
    }
    m_grid->set_location(1, 130, 238, 118);
    m_grid->set_select_flag(VGRID_SELECT_ROW);
    m_grid->set_if_mode(VGRID_IF_MESSAGE);
    m_grid->set_visible(1);
  }

  void CheckFilter(int id) {
    for (int b : {kBtnAll, kBtnFilled, kBtnOpen}) CheckDlgButton(b, b == id ? BST_CHECKED : BST_UNCHECKED);
  }

  void EnableButton(UINT id, bool on) {
    if (CWnd* w = GetDlgItem(static_cast<int>(id))) w->EnableWindow(on ? TRUE : FALSE);
  }

  void ClearPick() {
    std::memset(m_pick, 0, sizeof m_pick);
    m_picked = false;
    m_pickIsEcn = false;
  }

  void ClearRows() {
    ClearPick();
    m_replied = false;
    m_next = 'N';
    if (!m_grid) return;
    m_grid->remove_all_row();
    m_grid->redraw();
  }

  void SendInquiry() {
    CString shown, password;
    if (CWnd* combo = GetDlgItem(kAccount)) combo->GetWindowText(shown);
    GetDlgItemText(kPassword, password);
    std::string account = vxskel::AccountDigits(shown).ToMultiByte();
    std::string pw = password.ToMultiByte();
    bool accountOk = account.size() == 10 && account.find_first_not_of("0123456789") == std::string::npos;
    if (!accountOk) {
      MessageBox(u"계좌번호를 선택하세요", u"", MB_OK);
      if (CWnd* w = GetDlgItem(kAccount)) w->SetFocus();
    } else if (pw.size() > static_cast<size_t>(kPasswordBytes)) {
      MessageBox(u"비밀번호를 입력하세요", u"", MB_OK);
      if (CWnd* w = GetDlgItem(kPassword)) w->SetFocus();
    } else {
      namespace q = vxtr::inquiry;
      unsigned char body[q::kRequestSize];
      vxwire::Writer w(body);
      w.Digits(vxtr::kAccount, account)
          .Text(vxtr::kPassword, pw)
          .Char(q::kFilter, static_cast<char>(m_filter))
          .Byte(q::kPage, static_cast<uint8_t>(m_page))
          .Byte(q::kRows, kRowsPerPage);
      if (w.Ok() && SendForAccount(kTrInquiry, body, q::kRequestSize)) StartWaitCursor();
      std::memset(body, 0, sizeof body);
    }
    std::fill(pw.begin(), pw.end(), '\0');
  }

  std::string CellText(int column, int row) {
    V_Grid_Cell* cell = m_grid ? m_grid->get_cell(column, row) : nullptr;
    return cell ? std::string(cell->get_text()) : std::string();
  }

  void OnRowPick() {
    if (!m_grid) return;
    int column = -1, row = -1;
    m_grid->get_select_info(&column, &row);
    if (row < 0 || row >= m_grid->get_row_count()) return;
    std::string kind = CellText(3, row);
    if (kind.empty()) return;
    m_pickIsEcn = kind[0] == 'E';
    vxpick::BuildRecord(m_pick, CellText(0, row), CellText(2, row), CellText(5, row), CellText(8, row));
    m_picked = true;
    vxpick::WriteRecordFile(vxpick::kPickLogFile, m_pick);
    for (int r = 0; r < m_grid->get_row_count(); ++r)
      for (int c = 0; c < kFilledColumns; ++c)
        if (V_Grid_Cell* cell = m_grid->get_cell(c, r)) cell->set_bg(r == row ? kPickedBg : kPlainBg);
    m_grid->redraw();
  }

  void HandOver(bool modify) {
    if (!m_replied) return;
    if (!m_picked) {
      MessageBox(u"정정/취소할 주문을 선택하세요", u"", MB_OK);
      return;
    }
    if (modify && m_pickIsEcn) {
      MessageBox(u"ECN 주문 미체결은 정정이나 취소를 할수 없습니다.", u"", MB_OK);
      return;
    }
    std::string quantity = vxpick::FieldText(m_pick, vxpick::kQuantityAt, vxpick::kQuantityWidth);
    if (quantity.empty() || quantity[0] == '0') {
      MessageBox(u"정정/취소 가능수량이 없습니다.", u"", MB_OK);
      return;
    }
    const char* file = modify ? vxpick::kModifyFile : m_pickIsEcn ? vxpick::kEcnCancelFile : vxpick::kCancelFile;
    UINT screen = modify ? kScreenModify : m_pickIsEcn ? kScreenEcnCancel : kScreenCancel;
    vxpick::Record check;
    // The screen opened reads this file: it opens only when the record is there as written.
    if (!vxpick::WriteRecordFile(file, m_pick) || !vxpick::ReadRecordFile(file, check) ||
        std::memcmp(check, m_pick, sizeof check) != 0) {
      MessageBox(u"선택한 주문을 넘겨주지 못했습니다.", u"", MB_OK);
      return;
    }
    ::SendMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, screen, 0);
  }

  std::unique_ptr<V_Grid> m_grid;
  char m_filter = '0';
  int m_page = 0;
  char m_next = 'N';
  bool m_replied = false;
  bool m_picked = false;
  bool m_pickIsEcn = false;
  vxpick::Record m_pick = {};
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4340Dlg)
