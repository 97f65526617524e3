// ZR4440: the bank-transfer applications of an account, seven a page, newest first: date and time
// of the application, amount, bank, account number, holder and fee (transaction 4440).
// "전송" asks for the current page, "처 음" for the first, "다  음" for the next one while the
// server says there is one.
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "transfer_text.h"
#include "vxbase/tr_header.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/net_value.h"
#include "glimmet/v_grid.h"

namespace {

constexpr uint16_t kTrApplications = 4440;

constexpr int kAccount = 1009;
constexpr int kPassword = 1007;
constexpr int kBtnSend = 9813;   // "전송"
constexpr int kBtnFirst = 9822;  // "처 음"
constexpr int kBtnNext = 9701;   // "다  음"
constexpr int kGridId = 4440;
constexpr int kNoId = -1;

constexpr int kRowsPerPage = 7;
constexpr int kColumns = 7;
constexpr int kPasswordBytes = 8;

constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kLabelStyle = WS_VISIBLE | SS_LEFT;
constexpr DWORD kComboStyle = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN;

const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, 96001, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"ZR4440.dll";
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  c.chain = vxskel::ItemChain::NoEdit;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

// The screen's own controls: the account row, the grid (97-247, made at start) and the paging
// buttons; the menu bar, the item-code row and the keypad come from the skeleton.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", kNoId, u"계좌", kLabelStyle, 0, 1, 72, 24, 18},
    {u"EDIT", kPassword, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL, 0, 136, 70, 56, 20},
    {u"BUTTON", kBtnSend, u"전송", kButtonStyle, 0, 195, 70, 44, 20},
    {u"BUTTON", kBtnFirst, u"처 음", kButtonStyle, 0, 147, 251, 45, 22},
    {u"BUTTON", kBtnNext, u"다  음", kButtonStyle, 0, 194, 251, 45, 22},
    {u"COMBOBOX", kAccount, nullptr, kComboStyle, 0, 26, 70, 107, 100},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[kColumns] = {u"신청일자",     u"신청시각",   u"신청금액", u"은행명",
                                        u"은행계좌번호", u"은행계좌명", u"수수료"};
const int kWidths[kColumns] = {60, 60, 60, 60, 80, 70, 55};
const int kAlign[kColumns] = {1, 1, 2, 0, 2, 2, 2};  // 0 centred, 1 left, 2 right

// The cells of one application record, code page 949, in column order.
void RecordTexts(const vxwire::Reader& rec, std::string (&cells)[kColumns]) {
  namespace a = vxtr::applications;
  char text[64];
  const unsigned char* date = rec.At(a::kDate);
  std::snprintf(text, sizeof text, "%02d-%02d-%02d", date[0] + 2000, date[1], date[2]);
  cells[0] = text;
  const unsigned char* time = rec.At(a::kTime);
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time[0], time[1], time[2]);
  cells[1] = text;
  cells[2] = get_net_value_str(NV_INT2, rec.At(a::kAmount), text, 0, sizeof text);
  cells[3] = rec.Shown(a::kBank, 10);
  cells[4] = get_net_value_str(NV_DIGITS2, rec.At(a::kNumber), text, 0, sizeof text);
  cells[5] = rec.Shown(a::kHolder, 12);
  cells[6] = get_net_value_str(NV_INT2, rec.At(a::kFee), text, 0, sizeof text);
}

// A record is shown only when it is one: a date and time that exist, bank name and holder text.
bool RecordSound(const vxwire::Reader& rec) {
  namespace a = vxtr::applications;
  const unsigned char* date = rec.At(a::kDate);
  const unsigned char* time = rec.At(a::kTime);
  return date && time && date[1] >= 1 && date[1] <= 12 && date[2] >= 1 && date[2] <= 31 && time[0] <= 23 &&
         time[1] <= 59 && time[2] <= 59 && rec.IsText(a::kBank) && rec.IsText(a::kHolder);
}

class CZR4440Dlg : public vxskel::CVXScreenDlg {
 public:
  CZR4440Dlg() : CVXScreenDlg(kConfig) {}
  ~CZR4440Dlg() override { m_grid.reset(); }

  void OnInitScreen() override {
    if (CWnd* w = GetDlgItem(kPassword)) w->SendMessage(EM_LIMITTEXT, kPasswordBytes);
    CFont* font = GetFont();
    m_grid = std::make_unique<V_Grid>();
    if (m_grid->init(m_hWnd, kGridId, 17, kTitles, kColumns, kWidths, 17, kRowsPerPage,
                     font ? static_cast<HFONT>(font->GetSafeHandle()) : nullptr, 0) != 0) {
      m_grid.reset();
    } else {
      m_grid->set_location(1, 97, 238, 151);
      m_grid->set_if_mode(VGRID_IF_MESSAGE);
      m_grid->set_select_flag(0);
      m_grid->set_visible(1);
      m_grid->redraw();
    }
    transfer::ListTransferAccounts(static_cast<CComboBox*>(GetDlgItem(kAccount)));
    EnableButton(kBtnNext, false);
    EnableButton(kBtnFirst, false);
    if (CWnd* w = GetDlgItem(kPassword)) w->SetFocus();
  }

  void OnQuery() override {
    SetItemCodeField(0);
    m_pending = 1;
    BeginWaitCursor();
    SetTimer(vxskel::kReplyTimer, 10000, nullptr);
    RequestStockBase();
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    // The account picked here is not written as the order screens' account memo.
    if (id == kAccount && code == CBN_KILLFOCUS) return TRUE;
    if (id == kAccount && code == CBN_SELCHANGE) {
      // Pages of another account do not continue this one's (and its replies still to
      // come are dropped).
      m_page = 0;
      EnableButton(kBtnNext, false);
      EnableButton(kBtnFirst, false);
      if (m_grid) {
        m_grid->remove_all_row();
        m_grid->redraw();
      }
    }
    if (code == BN_CLICKED && lParam) {
      if (id == kBtnSend) {
        SendPage();
        return TRUE;
      }
      if (id == kBtnFirst) {
        m_page = 0;
        SendPage();
        return TRUE;
      }
      if (id == kBtnNext) {
        if (m_page == 255) {
          MessageBox(u"다음 데이타가 없습니다.", u"", MB_OK);
          return TRUE;
        }
        ++m_page;
        SendPage();
        EnableButton(kBtnFirst, true);
        return TRUE;
      }
    }
    return CVXScreenDlg::OnCommand(wParam, lParam);
  }

  afx_msg LRESULT OnApplicationsPacket(WPARAM wParam, LPARAM lParam) {
    if (--m_pending <= 0) {
      m_pending = 0;
      KillTimer(vxskel::kReplyTimer);
      EndWaitCursor();
    }
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    uint16_t code = packet ? TrGetU16(packet + 4) : 0;
    LRESULT r = CVXScreenDlg::OnVxPacket(wParam, lParam);
    if (code == TR_STOCK_BASE && r)
      if (CWnd* w = GetDlgItem(kPassword)) w->SetFocus();
    return r;
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code != kTrApplications) return;
    namespace a = vxtr::applications;
    vxwire::Reader reply(body, len);
    if (reply.Size() < static_cast<size_t>(a::kRecordsAt)) return ReportShortReply(code);
    int n = vxskel::RecordsHeld(reply.SignedByte(a::kCount), len, a::kRecordsAt, a::kRecordSize);
    bool sound = vxskel::IsNextFlag(reply.Char(a::kNext)) && reply.SignedByte(a::kCount) >= 0;
    for (int i = 0; sound && i < n; ++i) sound = RecordSound(reply.Record(a::kRecordsAt, a::kRecordSize, i));
    if (!sound) return ReportBadReply(code);

    EnableButton(kBtnNext, reply.Char(a::kNext) == 'Y');
    if (m_page == 0) EnableButton(kBtnFirst, false);
    if (!m_grid) return;
    m_grid->remove_all_row();
    std::string cells[kColumns];
    for (int i = 0; i < n; ++i) {
      RecordTexts(reply.Record(a::kRecordsAt, a::kRecordSize, i), cells);
      m_grid->add_row();
      int row = m_grid->get_row_count() - 1;
      for (int c = 0; c < kColumns; ++c) {
        V_Grid_Cell* cell = m_grid->get_cell(c, row);
        if (!cell) continue;
        cell->set_text(cells[c].c_str(), -1);
        cell->set_str_flag(kAlign[c]);
      }
    }
    m_grid->redraw();
  }

 private:
  void EnableButton(UINT id, bool enable) {
    if (CWnd* w = GetDlgItem(static_cast<int>(id))) w->EnableWindow(enable ? TRUE : FALSE);
  }

  void SendPage() {
    namespace a = vxtr::applications;
    unsigned char body[a::kRequestSize];
    vxwire::Writer w(body);
    CString shown, password;
    if (CWnd* c = GetDlgItem(kAccount)) c->GetWindowText(shown);
    std::string account = vxskel::AccountDigits(shown).ToMultiByte();
    if (account.size() != 10 || !vxwire::AllDigits(account)) {
      MessageBox(u"계좌번호를 확인하세요", u"", MB_OK);
      if (CWnd* w = GetDlgItem(kAccount)) w->SetFocus();
      return;
    }
    GetDlgItemText(kPassword, password);
    std::string pw = password.ToMultiByte();
    if (pw.size() > static_cast<size_t>(kPasswordBytes)) pw.resize(kPasswordBytes);
    w.Digits(vxtr::kAccount, account).Text(vxtr::kPassword, pw);
    vxwire::Wipe(pw);
    for (int i = 0; i < password.GetLength(); ++i) password.SetAt(i, u'\0');
    w.Byte(a::kKind, 2).Byte(a::kPage, static_cast<uint8_t>(m_page)).Byte(a::kRows, kRowsPerPage);
    if (w.Ok()) SendForAccount(kTrApplications, body, sizeof body);
    std::memset(body, 0, sizeof body);  // it held the password
  }

  std::unique_ptr<V_Grid> m_grid;
  unsigned char m_page = 0;
  int m_pending = 0;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CZR4440Dlg, vxskel::CVXScreenDlg)
ON_MESSAGE(WM_VX_PACKET, OnApplicationsPacket)
END_MESSAGE_MAP()

}  // namespace

VX_SCREEN_EXPORTS(CZR4440Dlg)
