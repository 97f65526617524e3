// VX2001: the home quote board, the start screen after the version check. For one stock item it
// shows the base-quote strip, the five-level order book (6100) and the last three trades (4140),
// and keeps all three live through the trade, order-book and index pushes. A double tap on a level
// hands its price to the buy or sell screen through the registry.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "glimmet/file_log.h"
#include "vxbase/grid_size.h"
#include "vxbase/money.h"
#include "vxrealtime/quote_screen.h"
#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/screen_skeleton.h"

namespace {

constexpr uint16_t kTrTicks = 4140;
constexpr int kBookGridId = 1357;
constexpr int kTickGridId = 1358;
constexpr UINT_PTR kTickFlashTimer = 3;
constexpr UINT kBookFlashMs = 200;
constexpr UINT kTickFlashMs = 200;
constexpr UINT kScreenTenLevel = 92005;
constexpr UINT kScreenTicks = 92003;
constexpr UINT kHeaderBitmap = 130;

constexpr int kTickRecord = vxtr::quote::kTickSize;  // time, price, sign, change, volume, accumulated
constexpr int kTickRows = 3;
constexpr int kTickColumns = 5;
const WCHAR* const kTickTitles[kTickColumns] = {u"시 간", u"체결가", nullptr, u"전일비", u"체결량"};
const int kTickWidths[kTickColumns] = {60, 50, 16, 50, 60};

const vxskel::ScreenConfig kConfig = vxrt::QuoteScreenConfig(u"VX2001.dll", nullptr);

PLAT_RESOURCE(plat::res::Dialog, 101, &vxrt::kQuoteScreenTemplate, sizeof vxrt::kQuoteScreenTemplate);
PLAT_RESOURCE(plat::res::Bitmap, kHeaderBitmap, &vxrt::kHeaderArrow, sizeof vxrt::kHeaderArrow);

// A wire number of `groups` groups in 64 bits (the accumulated volume passes 2^31).
int64_t Net64(const unsigned char* p, int groups) { return get_net_value(p, 2 * groups); }

// Digits with thousands commas, into a buffer of the caller (no allocation per push).
void GroupDigits(int64_t value, char* out, size_t size) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%" PRId64, value < 0 ? -value : value);
  size_t n = std::strlen(digits), at = 0;
  if (value < 0 && at + 1 < size) out[at++] = '-';
  for (size_t i = 0; i < n && at + 1 < size; ++i) {
    out[at++] = digits[i];
    size_t left = n - 1 - i;
    if (left > 0 && left % 3 == 0 && at + 1 < size) out[at++] = ',';
  }
  out[at] = '\0';
}

// One trade of the tick history: the 4140 record layout and the text of its volume cell.
struct TickSlot {
  bool used = false;
  unsigned char rec[kTickRecord] = {};
  char volume[32] = {};
};

const vxrt::QuoteScreenSetup kQuote = {vxrt::kHomeBoardReal,
                                       {kBookGridId, 17, 17, 0, 1, 5, kHeaderBitmap},
                                       vxrt::kBook9120,
                                       '1',
                                       kBookFlashMs,
                                       kScreenTenLevel,
                                       false};

class CVX2001Dlg : public vxrt::CQuoteScreenDlg {
 public:
  CVX2001Dlg() : CQuoteScreenDlg(kConfig, 101, kQuote) {}
  ~CVX2001Dlg() override { m_ticks.reset(); }

  void OnInitScreen() override {
    CreateGrids();
    InitItemCode(IDC_ITEM_COMBO);
    GetItemCodeFromComboBox();
    m_real.Start();
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrTicks)
      FillTicks(body, len);
    else
      CQuoteScreenDlg::OnReply(code, body, len);
  }

 private:
  // The last three trades after the base quote and the order book.
  void MoreRequests() override {
    namespace q = vxtr::quote;
    unsigned char packet[TR_HEADER_SIZE + q::kTicksRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, q::kTicksRequestSize);
    body.Text(q::kCode, GetItemCodeField())
        .Byte(q::kRows, kTickRows)
        .Byte(q::kPage, m_tickPage)
        .Char(q::kDirection, 'F')
        .Text(q::kKey, "    ");
    if (body.Ok()) SendPlain(kTrTicks, packet, sizeof packet);
  }

  void OnBaseQuote(const unsigned char* body, int len) override {
    m_baseVolume = Net64(body + 16, 3);
    if (!m_real.Enabled() || std::strncmp(m_real.RegisteredCode(), GetItemCodeField(), 6) == 0) return;
    lib_file_log("2001.txt", __LINE__, "vx2001", "test - 1");
    lib_file_log("2001.txt", __LINE__, "vx2001", "test - 2");
    CQuoteScreenDlg::OnBaseQuote(body, len);
    for (int step = 3; step <= 6; ++step) lib_file_log("2001.txt", __LINE__, "vx2001", "test - %d", step);
  }

  void CreateGrids() {
    int top = 0, bottom = 0, left = 0, right = 0;
    if (_get_spec_rect(this, IDC_BTN_QUERY, 8301, &top, &bottom, &left, &right) != 0) return;
    bottom -= 23;
    int rows[2][2] = {};
    for (int r = 0; r < 2; ++r)
      if (_cal_spec_height(top, bottom, 2, r, &rows[r][0], &rows[r][1]) != 0) return;
    int x = left, width = right - left;
    int y0 = rows[0][0] + 2, h0 = rows[0][1] - rows[0][0] - 4;
    int y1 = rows[1][0] + 2, h1 = rows[1][1] - rows[1][0] - 4;
    if (!CreateBook(x, y0 + 1, width, h0 + 36)) return;
    m_ticks = std::make_unique<V_Grid>();
    HFONT font = static_cast<HFONT>(m_fontNormal.GetSafeHandle());
    if (m_ticks->init(m_hWnd, kTickGridId, 17, kTickTitles, kTickColumns, kTickWidths, 17, 0, font, 1) != 0) {
      m_ticks.reset();
      return;
    }
    m_ticks->set_location(x, y1 + 36, width, h1 - 33);
    m_ticks->set_if_mode(VGRID_IF_MESSAGE);
    m_ticks->set_visible(1);
  }

  // ---- Ticks ----

  // The cells of tick row `row` from a 4140 record; `closing` selects the label font and, for the
  // last seconds of the day, "장 종 료" in place of the time.
  void ShowTick(int row, const TickSlot& slot, const unsigned char* timeOfRule) {
    if (!m_ticks) return;
    V_Grid_Cell* cells[kTickColumns];
    for (int c = 0; c < kTickColumns; ++c) cells[c] = m_ticks->get_cell(c, row);
    for (V_Grid_Cell* c : cells)
      if (!c) return;
    if (!slot.used) {
      for (V_Grid_Cell* c : cells) c->set_text("", -1);
      return;
    }
    const unsigned char* rec = slot.rec;
    char text[NET_VALUE_STR_SIZE] = {};
    bool lastMinute = timeOfRule[0] == 23 && timeOfRule[1] == 59;
    if (lastMinute && timeOfRule[2] > 57) {
      cells[0]->set_text(u"장 종 료", -1);
    } else {
      get_net_value_str(NV_TIME_HMS, rec, text, 0, sizeof text);
      cells[0]->set_text(text, -1);
    }
    cells[0]->set_font(lastMinute ? static_cast<HFONT>(m_fontNormal.GetSafeHandle()) : nullptr);
    cells[0]->set_str_flag(0);
    get_net_value_str(NV_INT2, rec + 3, text, 0, sizeof text);
    cells[1]->set_text(text, -1);
    char mark[4];
    G_GetUpdownChar(mark, static_cast<char>(rec[7]));
    cells[2]->set_text(mark, static_cast<int>(strnlen(mark, sizeof mark)));
    cells[2]->set_str_flag(0);
    get_net_value_str(NV_INT2, rec + 8, text, 0, sizeof text);
    cells[3]->set_text(text, -1);
    cells[4]->set_text(slot.volume, -1);
    COLORREF fg = GetRGBColor(static_cast<char>(rec[7]));
    for (int c = 1; c <= 3; ++c) cells[c]->set_fg(fg);
  }

  // Keeps the grid at three rows at least, so that a push always has its rows.
  void EnsureTickRows() {
    while (m_ticks && m_ticks->get_row_count() < kTickRows)
      if (!m_ticks->add_row()) break;
  }

  void FillTicks(const unsigned char* body, int len) {
    namespace q = vxtr::quote;
    vxwire::Reader reply(body, len);
    if (!reply.Has(q::kTickCount)) {
      ReportShortReply(kTrTicks);
      return;
    }
    int n = vxskel::RecordsHeld(reply.Byte(q::kTickCount), len, q::kTicksAt, q::kTickSize);
    for (TickSlot& s : m_history) s = TickSlot{};
    if (!m_ticks) return;
    m_ticks->remove_all_row();
    for (int i = 0; i < n; ++i) {
      if (!m_ticks->add_row()) break;
      TickSlot slot;
      slot.used = true;
      std::memcpy(slot.rec, reply.Record(q::kTicksAt, q::kTickSize, i).At(q::kTickTime), kTickRecord);
      get_net_value_str(NV_INT3, slot.rec + 12, slot.volume, 1, sizeof slot.volume);
      if (i < kTickRows) m_history[i] = slot;
      ShowTick(i, slot, slot.rec);
    }
    EnsureTickRows();
    m_ticks->redraw();
  }

  void OnTickPush(const unsigned char* rec) override {
    TickIntoGrid(rec);
    CQuoteScreenDlg::OnTickPush(rec);
  }

  void TickIntoGrid(const unsigned char* rec) {
    // The trade's volume: the accumulated volume against the last one known (64 bits).
    int64_t before = m_history[0].used ? Net64(m_history[0].rec + 18, 3) : m_baseVolume;
    int64_t now = Net64(rec + 10, 3);
    if (now == before) return;
    TickSlot slot;
    slot.used = true;
    GroupDigits(now - before, slot.volume, sizeof slot.volume);
    {
      FileLogBatch batch;  // the four lines of a trade reach the file in one write
      lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 직전 거래량 1 [%" PRId64 "]", before);
      lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 현재 거래량 1 [%" PRId64 "]", now);
      lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 체결 거래량 1 [%" PRId64 "]", now - before);
      lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 체결 거래량 2 [%s]", slot.volume);
    }
    std::memcpy(slot.rec, rec + 58, 3);       // time
    std::memcpy(slot.rec + 3, rec + 6, 4);    // price
    slot.rec[7] = rec[29];                    // sign
    std::memcpy(slot.rec + 8, rec + 30, 4);   // change
    std::memcpy(slot.rec + 18, rec + 10, 6);  // accumulated volume
    m_history[2] = m_history[1];
    m_history[1] = m_history[0];
    m_history[0] = slot;
    if (!m_ticks) return;
    EnsureTickRows();
    for (int r = 0; r < kTickRows; ++r) {
      if (!m_ticks->get_row_cell(r)) return;
      if (r == 0)
        for (int c = 0; c < kTickColumns; ++c)
          if (V_Grid_Cell* cell = m_ticks->get_cell(c, 0)) cell->set_bg(vxrt::kFlashBg);
      ShowTick(r, m_history[r], rec + 58);
    }
    m_ticks->redraw();
    // Row 0 turns white again 200 ms after the last trade. The timer is started once for a run of
    // trades and, when it comes, waits out what is left since the last one.
    m_lastTickMs = GetTickCount();
    if (!m_tickFlashRunning) m_tickFlashRunning = SetTimer(kTickFlashTimer, kTickFlashMs, nullptr) != 0;
  }

  bool OnOwnTimer(UINT_PTR id) override {
    if (id != kTickFlashTimer) return false;
    DWORD since = GetTickCount() - m_lastTickMs;
    if (since < kTickFlashMs && SetTimer(kTickFlashTimer, kTickFlashMs - since, nullptr) != 0) return true;
    KillTimer(id);
    m_tickFlashRunning = false;
    if (!m_ticks) return true;
    for (int c = 0; c < kTickColumns; ++c)
      if (V_Grid_Cell* cell = m_ticks->get_cell(c, 0)) cell->set_bg(vxrt::kWhite);
    m_ticks->redraw();
    return true;
  }

  // A double tap on a trade opens the time-and-sales screen.
  LRESULT OnOwnGridNotify(int code, V_Grid* grid) override {
    if (!grid || grid != m_ticks.get()) return -1;
    if (code == VGRID_NOTIFY_DBLCLK) ::SendMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, kScreenTicks, 0);
    return code == VGRID_NOTIFY_DBLCLK ? 0 : -1;
  }

  std::unique_ptr<V_Grid> m_ticks;
  TickSlot m_history[kTickRows];
  int64_t m_baseVolume = 0;  // accumulated volume of the last base quote
  unsigned char m_tickPage = 1;
  bool m_tickFlashRunning = false;  // timer 3 started and not yet come
  DWORD m_lastTickMs = 0;           // GetTickCount of the last trade into the grid
};

}  // namespace

VX_SCREEN_EXPORTS(CVX2001Dlg)
