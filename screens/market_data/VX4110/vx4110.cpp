// VX4110: the interest items. The items of one of the ten groups that the server keeps for the
// user (2110), with price, change, rate and volume, every row kept live by the trade pushes; the
// base-quote strip of the current item above. A tap on a row asks for that item's base quote, a
// double tap opens the home board for it; "등록" opens the group editor.
#include <cstring>
#include <iterator>

#include "glimmet/file_log.h"
#include "vxbase/grid_size.h"
#include "vxbase/money.h"
#include "vxrealtime/order_book.h"
#include "vxrealtime/realtime.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace ti = vxtr::interest;

constexpr uint16_t kTrInterest = 2110;
constexpr int kGroupCombo = 1000;
constexpr int kBtnGroups = 12347;    // "등록": the group editor
constexpr UINT kGroupsFace = 12346;  // its face
constexpr int kGridId = 4110;
constexpr int kGroups = 10;
constexpr int kColumns = 7;
constexpr int kFlashColumns = 6;
constexpr UINT_PTR kFlashTimer = 1;
constexpr UINT kFlashMs = 300;
constexpr UINT kScreenGroupEditor = 91002;
constexpr UINT kScreenHomeBoard = 92001;
constexpr const char* kLogFile = "my_log_4110.txt";
// The grid's notification (WM_VGRID_NOTIFY: the two grid headers included here each take the
// other's spelling of it away).
constexpr UINT kGridNotify = WM_USER + 100;

const uint16_t kReplies[] = {kTrInterest, vxrt::kPushTick, vxrt::kPushIndex};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4110.dll", nullptr, kReplies, std::size(kReplies));

constexpr plat::DialogItemTemplate kOwn[] = {
    {u"BUTTON", kBtnGroups, u"등록", WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 84, 66, 40, 20},
    {u"COMBOBOX", kGroupCombo, nullptr, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 1, 66, 80, 160},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

// The face of "등록": a raised button, light blue, copied 1:1 onto the button.
struct FaceBitmap {
  uint32_t width = 40, height = 20;
  COLORREF pixels[40 * 20];
};
constexpr FaceBitmap MakeFace() {
  FaceBitmap b{};
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      COLORREF c = y < 10 ? 0xFFF0E0 : 0xF5DCC0;
      if (x == 0 || y == 0) c = 0xFFFFFF;
      if (x == 39 || y == 19) c = 0x805030;
      b.pixels[y * 40 + x] = c;
    }
  return b;
}
constexpr FaceBitmap kFace = MakeFace();
PLAT_RESOURCE(plat::res::Bitmap, kGroupsFace, &kFace, sizeof kFace);

const WCHAR* const kTitles[kColumns] = {u"종목명", u"현재가", u"", u"전일비", u"등락률", u"거래량", u""};
const int kWidths[kColumns] = {70, 50, 15, 50, 50, 63, 1};
const vxskel::GridSetup kGrid = {kGridId, 17, kTitles, kColumns, kWidths, 17, 6, true, true, {}};

class CVX4110Dlg : public vxskel::CListScreenDlg {
 public:
  CVX4110Dlg() : CListScreenDlg(kConfig, kGrid), m_real(*this, vxrt::kInterestReal) {}
  ~CVX4110Dlg() override {
    m_real.RegisterListReal(vxrt::kRelease, m_grid.get());
    m_real.ReleaseAll();
  }

  void OnInitScreen() override {
    CreateListGrid();
    vxskel::FillGroupCombo(this, kGroupCombo, kGroups);
    GetItemCodeFromComboBox();
    m_real.Start();
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kGridNotify) return OnGridNotify(static_cast<int>(wParam));
    if (message == WM_TIMER && wParam == kFlashTimer) {
      KillTimer(kFlashTimer);
      RestoreFlash();
      return 0;
    }
    if (message == WM_DRAWITEM && wParam == static_cast<WPARAM>(kBtnGroups)) {
      DrawGroupsButton(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
      return TRUE;
    }
    LRESULT result = CListScreenDlg::WindowProc(message, wParam, lParam);
    if (message == WM_VX_PACKET && wParam) AfterPacket(reinterpret_cast<const unsigned char*>(wParam));
    return result;
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == kGroupCombo && code == CBN_SELCHANGE) {
      auto* combo = static_cast<CComboBox*>(GetDlgItem(kGroupCombo));
      int sel = combo ? combo->GetCurSel() : -1;
      if (sel >= 0 && sel < kGroups) {
        m_group = static_cast<uint8_t>(sel + 1);
        StartWait();
        SendPage();
      }
      return TRUE;
    }
    if (code == BN_CLICKED && lParam) {
      if (id == kBtnGroups) {
        ::PostMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, kScreenGroupEditor, 0);
        return TRUE;
      }
      if (id == vxskel::kBtnQuery) {
        OnQuery();
        return TRUE;
      }
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrInterest)
      FillList(body, len);
    else if (code == vxrt::kPushTick)
      MergeTicks(body, len);
    else if (code == vxrt::kPushIndex)
      vxrt::IndexToStrip(*this, body, len);
  }

 private:
  // 4101 for a new item of the combo (or a tapped row).
  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
  }
  void KeepItem() override {}
  // The group's items.
  void SendPage() override {
    unsigned char packet[TR_HEADER_SIZE + ti::kListRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, ti::kListRequestSize);
    body.Byte(ti::kOne, 1).Byte(ti::kGroup, m_group).Text(ti::kCode, "005930");
    if (body.Ok()) SendPlainRequest(kTrInterest, packet, sizeof packet);
  }

  // The grid fills the band between "등록" and the keypad, less the lower strip.
  void CreateListGrid() {
    int top = 0, bottom = 0, left = 0, right = 0;
    if (_get_spec_rect(this, kBtnGroups, IDC_KEY_1, &top, &bottom, &left, &right) != 0) return;
    int y = top + 2, height = bottom - top - 25, width = right - left;
    vxskel::GridSetup setup = m_setup;
    setup.at = RECT{left, y + 1, width, height - 2};
    m_grid = vxskel::CreateGrid(this, LabelFont(), setup);
    if (!m_grid) {
      lib_file_log(kLogFile, __LINE__, "vx4110", "그리드 객체 생성 실패");
      return;
    }
    lib_file_log(kLogFile, __LINE__, "vx4110", "top[%d] left[%d], height[%d], width[%d]", y, left, height, width);
  }

  // 2110: the rows of the group. The rows shown before are released first, the new ones
  // registered after they are shown. A reply whose records are not what the layout says
  // changes nothing.
  void FillList(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(ti::kListCount)) return ReportShortReply(kTrInterest);
    int n = vxskel::RecordsHeld(reply.Byte(ti::kListCount), len, ti::kItemsAt, ti::kItemSize);
    for (int i = 0; i < n; ++i) {
      vxwire::Reader rec = reply.Record(ti::kItemsAt, ti::kItemSize, i);
      if (!rec.IsDigits(ti::kItemCode) || !rec.IsText(ti::kItemName)) return ReportBadReply(kTrInterest);
    }
    if (!m_grid) return;
    if (m_real.ListRegistered()) m_real.RegisterListReal(vxrt::kRelease, m_grid.get());
    m_grid->remove_all_row();
    HFONT font = LabelFont();
    for (int i = 0; i < n; ++i) {
      if (!m_grid->add_row()) break;
      vxwire::Reader rec = reply.Record(ti::kItemsAt, ti::kItemSize, i);
      V_Grid_Cell* name = m_grid->get_cell(0, i);
      vxskel::SetLabelCell(name, rec.Shown(ti::kItemName, 10).c_str(), font);
      if (name) {
        name->set_str_flag(1);
        name->set_res_text(reinterpret_cast<const char*>(rec.At(ti::kItemCode)), vxrt::kStockCode);
      }
      char sign = rec.Char(ti::kItemSign);
      COLORREF fg = GetRGBColor(sign);
      vxskel::SetPriceCells(m_grid.get(), i, 1, rec.At(ti::kItemPrice), sign, rec.At(ti::kItemChange), fg);
      SetNumberCell(i, 4, NV_PERCENT2, rec.At(ti::kItemRate), 0, fg);
      SetNumberCell(i, 5, NV_INT3, rec.At(ti::kItemVolume), 1, 0);
    }
    m_grid->redraw();
    m_real.RegisterListReal(vxrt::kRegister, m_grid.get());
  }

  void SetNumberCell(int row, int column, signed char kind, const unsigned char* value, signed char mode, COLORREF fg) {
    V_Grid_Cell* cell = m_grid ? m_grid->get_cell(column, row) : nullptr;
    if (!cell || !value) return;
    char text[NET_VALUE_STR_SIZE] = {};
    get_net_value_str(kind, value, text, mode, sizeof text);
    cell->set_text(text, -1);
    cell->set_fg(fg);
  }

  // 9110: every row of each record's item gets the new values and flashes; a record of the
  // current item also goes to the strip.
  void MergeTicks(const unsigned char* body, int len) {
    namespace q = vxtr::quote;
    int n = vxrt::PushRecordCount(body, len, vxrt::kTickRecord);
    bool flashed = false;
    for (int k = 0; k < n; ++k) {
      const unsigned char* rec = body + q::kRecordsAt + vxrt::kTickRecord * k;
      if (m_real.IsCurrentItem(rec)) vxrt::TickToStrip(*this, m_real.ItemName(), rec);
      for (int row = 0; m_grid && m_grid->get_row_cell(row); ++row) {
        V_Grid_Cell* key = m_grid->get_row_cell(row);
        if (key->get_res_text_len() != vxrt::kStockCode ||
            std::memcmp(key->get_res_text(), rec + q::kTradeCode.at, vxrt::kStockCode) != 0)
          continue;
        for (int c = 0; c < kFlashColumns; ++c)
          if (V_Grid_Cell* cell = m_grid->get_cell(c, row)) cell->set_bg(vxrt::kFlashBg);
        char sign = static_cast<char>(rec[q::kTradeSign.at]);
        COLORREF fg = GetRGBColor(sign);
        vxskel::SetPriceCells(m_grid.get(), row, 1, rec + q::kTradePrice.at, sign, rec + q::kTradeChange.at, fg);
        SetNumberCell(row, 4, NV_PERCENT2, rec + q::kTradeRate.at, 0, fg);
        SetNumberCell(row, 5, NV_INT3, rec + q::kTradeAccumulated.at, 1, 0);
        flashed = true;
      }
    }
    if (!flashed) return;
    m_grid->redraw();
    SetTimer(kFlashTimer, kFlashMs, nullptr);
  }

  void RestoreFlash() {
    if (!m_grid) return;
    for (int row = 0; m_grid->get_row_cell(row); ++row)
      for (int c = 0; c < kFlashColumns; ++c)
        if (V_Grid_Cell* cell = m_grid->get_cell(c, row)) cell->set_bg(vxrt::kWhite);
    m_grid->redraw();
  }

  // The 5-character code a row's key names; false for a row without a whole key.
  bool RowCode(int row, CString& code) {
    V_Grid_Cell* key = m_grid && row >= 0 ? m_grid->get_row_cell(row) : nullptr;
    if (!key || key->get_res_text_len() != vxrt::kStockCode) return false;
    const char* text = key->get_res_text();
    if (strnlen(text, vxrt::kStockCode) != vxrt::kStockCode || !vxwire::AllDigits(std::string_view(text + 1, 5)))
      return false;
    code = CString::FromMultiByte(text + 1, 5);
    return true;
  }

  // A tap asks for the row's base quote; a double tap opens the home board for its item.
  LRESULT OnGridNotify(int code) {
    if (!m_grid || (code != VGRID_NOTIFY_DOWN && code != VGRID_NOTIFY_DBLCLK)) return -1;
    int column = -1, row = -1;
    m_grid->get_select_info(&column, &row);
    CString item;
    if (!RowCode(row, item)) return 0;
    if (code == VGRID_NOTIFY_DBLCLK) {
      ChangeItemCode(item);
      ::PostMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, kScreenHomeBoard, 0);
      return 0;
    }
    SetDlgItemText(IDC_ITEM_COMBO, item);
    if (EditItemCode(IDC_ITEM_COMBO)) {
      SetItemCodeToComboBox();
      OnNewItem(true);
    }
    return 0;
  }

  // After every packet: a base quote registers its item; with auto-receive on the focus goes
  // back to the item code, unless the user has a list open.
  void AfterPacket(const unsigned char* packet) {
    int len = 0;
    if (const unsigned char* base = vxrt::SuccessfulBaseQuote(packet, &len)) m_real.RegisterStockItem(base, len);
    if (m_real.Enabled()) FocusItemCombo();
  }

  void DrawGroupsButton(LPDRAWITEMSTRUCT dis) {
    if (!dis || !dis->hDC) return;
    CDC* dc = CDC::FromHandle(dis->hDC);
    RECT item = dis->rcItem;
    CBitmap face;
    if (face.LoadBitmap(kGroupsFace)) {
      CDC memory;
      if (memory.CreateCompatibleDC(dc)) {
        CBitmap* old = memory.SelectObject(&face);
        dc->BitBlt(item.left, item.top, item.right - item.left, item.bottom - item.top, &memory, 0, 0, SRCCOPY);
        memory.SelectObject(old);
      }
    }
    int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->DrawText(u"등록", -1, &item, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc->SetBkMode(oldMode);
  }

  vxrt::RealTime m_real;
  uint8_t m_group = 1;
};

}  // namespace

VX_SCREEN_EXPORTS(CVX4110Dlg)
