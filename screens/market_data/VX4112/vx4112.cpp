// VX4112: the interest-group editor. The items registered in one of the user's ten groups (kept by
// the server, transaction 2111) in a list box, and every stock of the code list, filtered by market
// and by the initial consonant of its name, in a list view. A picked stock is registered in the
// group, a picked group item deleted from it; each change is one 2111 whose reply is the group's
// new list. "확   인" goes back to the interest list.
#include <cstring>
#include <iterator>

#include "vxbase/code_manager.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace ti = vxtr::interest;

constexpr uint16_t kTrGroup = 2111;
constexpr int kBtnRegister = 1001, kBtnDelete = 1002, kGroupItems = 1003, kCodeEdit = 1004;
constexpr int kGroupCombo = 1005, kBtnKospi = 1006, kBtnKosdaq = 1007, kBtnConfirm = 1008, kStocks = 1000;
constexpr int kFirstConsonant = 9312;  // "가" .. "하": groups 11 .. 24; then "A" (2) and "123" (1)
constexpr int kGroups = 10;
constexpr int kMaxGroupItems = 10;  // the codes the screen keeps for the list box's rows
constexpr int kFirstGroupKey = 11;  // "가"
constexpr uint8_t kList = 1, kRegister = 2, kDelete = 3;
constexpr UINT kScreenInterestList = 91001;
constexpr int kCode = 6;

const uint16_t kReplies[] = {kTrGroup};
const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, 96001, false}};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"VX4112.dll";
  c.chain = vxskel::ItemChain::None;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.reportSendFailure = false;
  c.plainReplies = true;
  c.replyCodes = kReplies;
  c.replyCodeCount = std::size(kReplies);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kRadio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
#define CONSONANT(i, caption) \
  { u"BUTTON", kFirstConsonant + (i), caption, kPush, 0, 4 + ((i) % 8) * 29, 66 + ((i) / 8) * 22, 29, 20 }
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", -1, u"그룹", vxskel::kLabel, 0, 2, 25, 28, 16},
    {u"STATIC", -1, u"종목코드", vxskel::kLabel, 0, 106, 25, 48, 16},
    {u"EDIT", kCodeEdit, u"", WS_VISIBLE | WS_BORDER | ES_READONLY, 0, 156, 22, 52, 20},
    {u"BUTTON", kBtnKospi, u"KOSPI", kRadio | WS_GROUP, 0, 1, 44, 52, 20},
    {u"BUTTON", kBtnKosdaq, u"KOSDAQ", kRadio, 0, 53, 44, 62, 20},
    {u"BUTTON", kBtnRegister, u"등록", kPush, 0, 117, 44, 38, 20},
    {u"BUTTON", kBtnDelete, u"삭제", kPush, 0, 156, 44, 38, 20},
    {u"BUTTON", kBtnConfirm, u"확   인", kPush, 0, 195, 44, 44, 20},
    CONSONANT(0, u"가"),
    CONSONANT(1, u"나"),
    CONSONANT(2, u"다"),
    CONSONANT(3, u"라"),
    CONSONANT(4, u"마"),
    CONSONANT(5, u"바"),
    CONSONANT(6, u"사"),
    CONSONANT(7, u"아"),
    CONSONANT(8, u"자"),
    CONSONANT(9, u"차"),
    CONSONANT(10, u"카"),
    CONSONANT(11, u"타"),
    CONSONANT(12, u"파"),
    CONSONANT(13, u"하"),
    CONSONANT(14, u"A"),
    CONSONANT(15, u"123"),
    {u"SysListView32", kStocks, u"",
     WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 1, 110, 238, 112},
    {u"LISTBOX", kGroupItems, u"", WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 0, 1, 224, 238, 70},
    {u"COMBOBOX", kGroupCombo, nullptr, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 30, 22, 72, 160},
};
#undef CONSONANT

// The menu bar of every screen, without the item-code row: this screen has no item of its own.
constexpr std::array<vxskel::ControlItem, 8> MenuBar() {
  auto top = vxskel::TopItems();
  std::array<vxskel::ControlItem, 8> bar{};
  for (size_t i = 0; i < bar.size(); ++i) bar[i] = top[i];
  return bar;
}
constexpr auto kItems = vxskel::Join(MenuBar(), std::to_array(kOwn));
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

// The initial-consonant group a button lists; 0 for another control.
int GroupKeyOf(int id) {
  if (id >= kFirstConsonant && id < kFirstConsonant + 14) return kFirstGroupKey + (id - kFirstConsonant);
  if (id == kFirstConsonant + 14) return 2;  // "A": Latin letters
  if (id == kFirstConsonant + 15) return 1;  // "123": digits
  return 0;
}

class CVX4112Dlg : public vxskel::CVXScreenDlg {
 public:
  CVX4112Dlg() : CVXScreenDlg(kConfig) {}

  void OnInitScreen() override {
    vxskel::FillGroupCombo(this, kGroupCombo, kGroups);
    if (CListCtrl* list = Stocks()) {
      list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_FULLROWSELECT);
      list->InsertColumn(0, u"코드", LVCFMT_CENTER, 45);
      list->InsertColumn(1, u"종목명", LVCFMT_LEFT, 130);
    }
    CheckRadioButton(kBtnKospi, kBtnKosdaq, kBtnKospi);
    FillStocks(kFirstGroupKey);
  }

  void OnQuery() override { SendGroup(); }

  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr && static_cast<int>(hdr->idFrom) == kStocks &&
        static_cast<int>(hdr->code) == static_cast<int>(LVN_ITEMCHANGED)) {
      auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
      if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) TakeStock(change->iItem);
      if (result) *result = 0;
      return TRUE;
    }
    return CVXScreenDlg::OnNotify(wParam, lParam, result);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == kGroupCombo && code == CBN_SELCHANGE) {
      m_group = static_cast<uint8_t>(SelectedGroup());
      ClearItem();
      m_operation = kList;
      SendGroup();
      return TRUE;
    }
    if (id == kGroupItems && code == LBN_SELCHANGE) {
      TakeGroupItem();
      return TRUE;
    }
    if (code == BN_CLICKED && lParam) {
      if (int key = GroupKeyOf(id)) {
        FillStocks(key);
        return CVXScreenDlg::OnCommand(wParam, lParam);
      }
      switch (id) {
        case kBtnKospi:
        case kBtnKosdaq:
          m_market = id == kBtnKospi ? CString(u"0") : CString(u"1");
          FillStocks(kFirstGroupKey);
          return TRUE;
        case kBtnRegister:
        case kBtnDelete: Change(id == kBtnRegister ? kRegister : kDelete); return TRUE;
        case kBtnConfirm: ::PostMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, kScreenInterestList, 0); return TRUE;
        default: break;
      }
    }
    return CVXScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrGroup) FillGroup(body, len);
  }

 private:
  CListCtrl* Stocks() { return static_cast<CListCtrl*>(GetDlgItem(kStocks)); }
  CListBox* GroupItems() { return static_cast<CListBox*>(GetDlgItem(kGroupItems)); }
  int SelectedGroup() {
    auto* combo = static_cast<CComboBox*>(GetDlgItem(kGroupCombo));
    int sel = combo ? combo->GetCurSel() : -1;
    return sel >= 0 && sel < kGroups ? sel + 1 : 1;
  }
  bool HasItem() const { return m_item[0] != 0; }
  void ClearItem() { std::memset(m_item, 0, sizeof m_item); }

  void FillStocks(int key) {
    static const CObArray kNone;
    FillItemList(Stocks(), m_pCodeManager ? m_pCodeManager->GetStockList() : kNone, m_market, key);
  }

  // A picked stock: its code shown and made the item; a code that is not five characters is
  // no item (nothing would be registered for it).
  void TakeStock(int row) {
    CListCtrl* list = Stocks();
    if (!list || row < 0 || row >= list->GetItemCount()) return;
    CString code = list->GetItemText(row, 0);
    SetDlgItemText(kCodeEdit, code);
    ClearItem();
    std::string bytes = code.ToMultiByte();
    if (bytes.size() != kCode - 1) return;
    m_item[0] = '0';
    std::memcpy(m_item + 1, bytes.data(), kCode - 1);
  }

  // A picked group item: its stored code is the item, shown as users see it.
  void TakeGroupItem() {
    CListBox* box = GroupItems();
    int sel = box ? box->GetCurSel() : -1;
    if (sel < 0 || sel >= m_rows) return;
    std::memcpy(m_item, m_rowCodes[sel], kCode);
    SetDlgItemText(kCodeEdit, CString::FromMultiByte(m_rowCodes[sel] + 1, kCode - 1));
  }

  // Register or delete the item in the group chosen; without an item nothing is sent.
  void Change(uint8_t operation) {
    if (!HasItem()) {
      MessageBox(u"등록할 종목을 선택하여 주십시오", u"", MB_OK);
      return;
    }
    m_group = static_cast<uint8_t>(SelectedGroup());
    m_operation = operation;
    SendGroup();
  }

  void SendGroup() {
    unsigned char packet[TR_HEADER_SIZE + ti::kEditRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, ti::kEditRequestSize);
    body.Byte(ti::kEditGroup, m_group)
        .Byte(ti::kOperation, m_operation)
        .Raw(ti::kEditCode, reinterpret_cast<const unsigned char*>(m_item));
    if (!body.Ok()) return;
    StartWaitCursor();
    SendPlainRequest(kTrGroup, packet, sizeof packet);
  }

  // The group's items: at most the rows whose codes the screen keeps. A reply whose rows are
  // not what the layout says changes nothing.
  void FillGroup(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(ti::kCodesCount)) return ReportShortReply(kTrGroup);
    int n = vxskel::RecordsHeld(reply.SignedByte(ti::kCodesCount), len, ti::kCodesAt, ti::kCodeRowSize);
    if (n > kMaxGroupItems) n = kMaxGroupItems;
    for (int i = 0; i < n; ++i) {
      vxwire::Reader row = reply.Record(ti::kCodesAt, ti::kCodeRowSize, i);
      if (!row.IsDigits(ti::kRowCode) || !row.IsText(ti::kRowName)) return ReportBadReply(kTrGroup);
    }
    CListBox* box = GroupItems();
    if (box) box->ResetContent();
    m_rows = 0;
    for (int i = 0; i < n; ++i) {
      vxwire::Reader row = reply.Record(ti::kCodesAt, ti::kCodeRowSize, i);
      std::string name = row.Shown(ti::kRowName, ti::kRowName.width);
      if (box) box->AddString(CString::FromMultiByte(name.data(), static_cast<int>(name.size())));
      std::memcpy(m_rowCodes[m_rows++], row.At(ti::kRowCode), kCode);
    }
  }

  uint8_t m_group = 1;
  uint8_t m_operation = kList;
  char m_item[kCode] = {};  // '0' and the 5-character code; all zero: no item
  CString m_market = CString(u"0");
  char m_rowCodes[kMaxGroupItems][kCode] = {};
  int m_rows = 0;
};

}  // namespace

VX_SCREEN_EXPORTS(CVX4112Dlg)
