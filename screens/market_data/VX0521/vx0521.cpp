// VX0521: expected execution of one stock item (transaction 2250) under the base-quote strip: one
// fixed sheet of nine label/value pairs, the expected price, volume and rate beside the best
// quotes, the price now and the day's reference prices.
#include <iterator>

#include "glimmet/file_log.h"
#include "glimmet/net_value.h"
#include "vxbase/grid_size.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrExpected = 2250;
constexpr UINT kTemplate = 101;
constexpr int kRows = 9;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kBlack = 0x000000;
// Trace files: the item of each request, and the signs of each reply.
constexpr char kRequestTrace[] = "my_test.txt";
constexpr char kReplyTrace[] = "won_test.txt";
constexpr char kTraceTag[] = "vx0521";

const uint16_t kReplies[] = {kTrExpected};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX0521.dll", nullptr, kReplies, std::size(kReplies));

// The sheet fills the band between 조회 and the keypad; it is placed when the dialog starts.
constexpr auto kItems = vxskel::ScreenItems(std::array<vxskel::ControlItem, 0>{});
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, kTemplate, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[4] = {u"", u"", u"", u""};
const int kWidths[4] = {60, 58, 60, 58};
const vxskel::GridSetup kSheet = {1357, 0, kTitles, 4, kWidths, 22, kRows, true, true, {1, 71, 238, 200}};

const WCHAR* const kLabels[kRows][2] = {
    {u"예상체결가", u"전일대비"}, {u"예상체결량", u"등락율(%)"}, {u"매도호가", u"매수호가"}, {u"매도잔량", u"매수잔량"},
    {u"현재가", u"전일대비"},     {u"거래량", u"액면"},          {u"전일", u"시가"},         {u"상한", u"고가"},
    {u"하한", u"저가"},
};

class CVX0521Dlg : public vxskel::CListScreenDlg {
 public:
  CVX0521Dlg() : CListScreenDlg(kConfig, kSheet, kTemplate) {}

  // The sheet takes the band between 조회 and the keypad, 23 pixels shorter, as one row.
  void OnInitScreen() override {
    vxskel::GridSetup sheet = kSheet;
    int top = 0, bottom = 0, left = 0, right = 0, y1 = 0, y2 = 0;
    if (_get_spec_rect(this, vxskel::kBtnQuery, IDC_KEY_1, &top, &bottom, &left, &right) == 0 &&
        _cal_spec_height(top, bottom - 23, 1, 0, &y1, &y2) == 0) {
      int y = y1 + 2, height = y2 - y1 - 4;
      sheet.at = RECT{left, y + 6, right - left, height - 10};
    }
    m_grid = vxskel::CreateGrid(this, LabelFont(), sheet);
    // A tap marks one cell of the sheet, not its row.
    if (m_grid) m_grid->set_select_flag(VGRID_SELECT_CELL);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (HIWORD(wParam) == BN_CLICKED && lParam && LOWORD(wParam) == vxskel::kBtnQuery) {
      OnQuery();
      return TRUE;
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrExpected) FillSheet(body, len);
  }

  // Whatever a packet of the screen brings (the sheet, the quote or the server's message), the
  // item-code combo has the focus afterwards.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = CListScreenDlg::WindowProc(message, wParam, lParam);
    if (message == WM_VX_PACKET && result) FocusItemCombo();
    return result;
  }

 private:
  void OnNewItem(bool) override { OnQuery(); }
  void KeepItem() override {}

  void SendPage() override {
    namespace x = vxtr::expected;
    unsigned char packet[TR_HEADER_SIZE + x::kRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, x::kRequestSize);
    body.Text(x::kCode, GetItemCodeField());
    if (!body.Ok()) return;
    lib_file_log(kRequestTrace, __LINE__, kTraceTag, "[%s]", GetItemCodeField());
    SendPlainRequest(kTrExpected, packet, sizeof packet);
  }

  void FillSheet(const unsigned char* body, int len) {
    namespace x = vxtr::expected;
    vxwire::Reader r(body, len);
    if (!r.Has(x::kLow)) return ReportShortReply(kTrExpected);
    if (!ResetRows(kRows)) return;
    V_Grid* g = m_grid.get();
    for (int row = 0; row < kRows; ++row) {
      vxskel::SetShadedLabel(g, 0, row, kLabels[row][0], LabelFont());
      vxskel::SetShadedLabel(g, 2, row, kLabels[row][1], LabelFont());
    }
    // Prices against the previous close: red above it, blue below, black equal.
    const int64_t prev = r.Number(x::kPrevClose);
    auto against = [&](const vxwire::Field& f) {
      int64_t v = r.Number(f);
      return v > prev ? kRed : v < prev ? kBlue : kBlack;
    };
    auto number = [&](int column, int row, const vxwire::Field& f, int kind, int mode, COLORREF fg) {
      vxskel::SetNumberCell(g, column, row, kind, r.At(f), mode, fg);
      if (V_Grid_Cell* c = g->get_cell(column, row)) c->set_font(LabelFont());
    };
    auto markAndChange = [&](int row, char sign, const vxwire::Field& change) {
      char text[NET_VALUE_STR_SIZE + 8] = {};
      vxskel::MarkAndChange(sign, r.At(change), NV_INT2, text, sizeof text);
      vxskel::SetCell(g, 3, row, text, GetRGBColor(sign));
      if (V_Grid_Cell* c = g->get_cell(3, row)) c->set_font(LabelFont());
    };
    const char expectedSign = r.Char(x::kSign), sign = r.Char(x::kCurrentSign);
    lib_file_log(kReplyTrace, __LINE__, kTraceTag, "exp_daebi_f [%c]", expectedSign);
    lib_file_log(kReplyTrace, __LINE__, kTraceTag, "daebi_f [%c]", sign);
    number(1, 0, x::kPrice, NV_INT2, 0, GetRGBColor(expectedSign));
    markAndChange(0, expectedSign, x::kChange);
    number(1, 1, x::kVolume, NV_INT3, 0, kBlack);
    number(3, 1, x::kRate, NV_PERCENT2, 0, GetRGBColor(expectedSign));
    number(1, 2, x::kAsk, NV_INT2, 0, against(x::kAsk));
    number(3, 2, x::kBid, NV_INT2, 0, against(x::kBid));
    number(1, 3, x::kAskVolume, NV_INT3, 1, kBlack);
    number(3, 3, x::kBidVolume, NV_INT3, 1, kBlack);
    number(1, 4, x::kCurrent, NV_INT2, 0, GetRGBColor(sign));
    markAndChange(4, sign, x::kCurrentChange);
    number(1, 5, x::kDayVolume, NV_INT3, 1, kBlack);
    number(3, 5, x::kFace, NV_INT2, 0, kBlack);
    number(1, 6, x::kPrevClose, NV_INT2, 0, kBlack);
    number(3, 6, x::kOpen, NV_INT2, 0, against(x::kOpen));
    number(1, 7, x::kUpper, NV_INT2, 0, kRed);
    number(3, 7, x::kHigh, NV_INT2, 0, against(x::kHigh));
    number(1, 8, x::kLower, NV_INT2, 0, kBlue);
    number(3, 8, x::kLow, NV_INT2, 0, against(x::kLow));
    g->redraw();
  }
};

}  // namespace

VX_SCREEN_EXPORTS(CVX0521Dlg)
