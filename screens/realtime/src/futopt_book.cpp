#include "vxrealtime/futopt_book.h"

#include <cstring>

#include "glimmet/file_log.h"
#include "glimmet/net_value.h"
#include "vxbase/base_strip.h"
#include "vxbase/vx_dlg.h"
#include "vxrealtime/order_book.h"
#include "vxskeleton/tr_layouts.h"

namespace vxrt {

namespace {

const uint16_t kFuturesTypes[] = {kPushFuturesTrade, kPushFuturesBook};
const uint16_t kOptionTypes[] = {kPushOptionTrade, kPushOptionBook};
const char* const kK200Codes[] = {"01001"};

const int kWidths[FutOptBookGrid::kColumns] = {40, 55, 46, 55, 40};
const WCHAR* const kTitles[FutOptBookGrid::kColumns] = {u"건 수", u"매도잔량", u"호 가", u"매수잔량", u"건 수"};
constexpr int kHeight = 17;
constexpr int kLevels = 5;
constexpr int kTotals = 2 * kLevels;
constexpr int kAlignCentre = 0;

namespace fo = vxtr::futopt;

// The bytes of field `f` of a body, `step` bytes per level.
const unsigned char* At(const unsigned char* body, const vxwire::Field& f, int level = 0, int step = 4) {
  return body + f.at + step * level;
}

void SetNumber(V_Grid_Cell* cell, signed char kind, const unsigned char* field, signed char mode) {
  if (!cell) return;
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(kind, field, text, mode, sizeof text);
  cell->set_text(text, -1);
}

// The background a fill gives cell (column, row).
COLORREF RestingBg(int column, int row) {
  if (row < kLevels && column <= 2) return kAskVolumeBg;
  if (row >= kLevels && row < kTotals && column >= 2) return kBidVolumeBg;
  return kWhite;
}

int16_t Group(const unsigned char* p) { return static_cast<int16_t>((p[0] << 8) | p[1]); }

}  // namespace

const RealConfig kFuturesBookReal = {kFuturesTypes, 2, kPushIndex, kK200Codes, 1, kFutOptCode};
const RealConfig kOptionsBookReal = {kOptionTypes, 2, kPushIndex, kK200Codes, 1, kFutOptCode};

int64_t Hundredths(const unsigned char* field) { return static_cast<int64_t>(Group(field)) * 100 + Group(field + 2); }

int64_t FutOptReference(const unsigned char* base, int len) {
  if (!base || len < static_cast<int>(sizeof(BASE_DATA_5555))) return 0;
  const auto* rec = reinterpret_cast<const BASE_DATA_5555*>(base);
  int64_t price = Hundredths(reinterpret_cast<const unsigned char*>(rec->price));
  int64_t change = Hundredths(reinterpret_cast<const unsigned char*>(rec->change));
  switch (rec->sign) {
    case '1':
    case '2': return price - change;
    case '3': return price;
    case '4':
    case '5': return price + change;
    default: return 0;
  }
}

bool ReadNearestFutures(const WCHAR* devicePath, char (&code)[kNearestCodeMax + 1]) {
  std::memset(code, 0, sizeof code);
  if (!devicePath) return false;
  HANDLE f =
      ::CreateFile(devicePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char head[kNearestCodeMax] = {};
  DWORD got = 0;
  BOOL ok = ::ReadFile(f, head, sizeof head, &got, nullptr);
  ::CloseHandle(f);
  if (!ok) return false;
  for (DWORD i = 0; i < got && i < sizeof head; ++i) {
    char c = head[i];
    if (c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\0') break;
    code[i] = c;
  }
  return code[0] != '\0';
}

bool SameCode(const unsigned char* record, const char* code) {
  if (!record || !code) return false;
  size_t n = strnlen(code, kFutOptCode);
  if (std::memcmp(record, code, n) != 0) return false;
  for (size_t i = n; i < kFutOptCode; ++i)
    if (record[i] != '\0') return false;
  return n > 0;
}

bool FutOptBookGrid::Create(CWnd& parent, int id, HFONT font, int x, int y, int width, int height) {
  m_grid = std::make_unique<V_Grid>();
  if (m_grid->init(parent.m_hWnd, id, kHeight, kTitles, kColumns, kWidths, kHeight, kFutOptBookRows, font, 0) != 0) {
    m_grid.reset();
    return false;
  }
  m_grid->set_location(x, y, width, height);
  m_grid->set_if_mode(VGRID_IF_MESSAGE);
  m_grid->set_select_flag(0);  // no selection
  m_grid->set_visible(1);
  return true;
}

bool FutOptBookGrid::FillSnapshot(const unsigned char* body, int len) {
  if (!m_grid || !body || len < kFutOptBookReplySize) return false;
  m_grid->remove_all_row();
  auto row = [&](int r) {
    if (!m_grid->add_row()) return false;
    for (int c = 0; c < kColumns; ++c)
      if (V_Grid_Cell* cell = m_grid->get_cell(c, r)) cell->set_bg(RestingBg(c, r));
    return true;
  };
  auto price = [&](int r, const unsigned char* field, unsigned char sign) {
    SetNumber(m_grid->get_cell(2, r), NV_FLOAT2, field, 0);
    if (V_Grid_Cell* cell = m_grid->get_cell(2, r)) {
      cell->set_str_flag(kAlignCentre);
      cell->set_fg(CVXDlg::GetRGBColor(static_cast<char>(sign)));
    }
  };
  for (int r = 0; r < kLevels; ++r) {  // level 5 at the top
    const int level = kLevels - 1 - r;
    if (!row(r)) return false;
    SetNumber(m_grid->get_cell(0, r), NV_INT2, At(body, fo::kAskCounts, level), 0);
    SetNumber(m_grid->get_cell(1, r), NV_INT2, At(body, fo::kAskQuantities, level), 0);
    price(r, At(body, fo::kAskPrices, level), *At(body, fo::kAskSigns, level, 1));
    m_grid->redraw();
  }
  for (int level = 0; level < kLevels; ++level) {
    const int r = kLevels + level;
    if (!row(r)) return false;
    price(r, At(body, fo::kBidPrices, level), *At(body, fo::kBidSigns, level, 1));
    SetNumber(m_grid->get_cell(3, r), NV_INT2, At(body, fo::kBidQuantities, level), 0);
    SetNumber(m_grid->get_cell(4, r), NV_INT2, At(body, fo::kBidCounts, level), 0);
    m_grid->redraw();
  }
  if (!row(kTotals)) return false;
  SetNumber(m_grid->get_cell(0, kTotals), NV_INT2, At(body, fo::kAskCountTotal), 0);
  SetNumber(m_grid->get_cell(1, kTotals), NV_INT2, At(body, fo::kAskTotal), 0);
  SetNumber(m_grid->get_cell(3, kTotals), NV_INT2, At(body, fo::kBidTotal), 0);
  SetNumber(m_grid->get_cell(4, kTotals), NV_INT2, At(body, fo::kBidCountTotal), 0);
  m_grid->redraw();
  return true;
}

bool FutOptBookGrid::MergePush(const unsigned char* body, int len, int64_t reference) {
  if (!m_grid || !body || len < kFutOptBookPushSize) return false;
  char text[NET_VALUE_STR_SIZE];
  auto cell = [&](int column, int r, signed char kind, const unsigned char* field, signed char mode) {
    V_Grid_Cell* c = m_grid->get_cell(column, r);
    get_net_value_str(kind, field, text, mode, sizeof text);
    if (!FlashText(c, text) || kind != NV_FLOAT2) return;
    // A price against the reference, both in whole hundredths.
    const int64_t now = Hundredths(field);
    c->set_fg(PriceColor(now, reference));
    lib_file_log("fur.txt", __LINE__, "futopt_book", "cur[%d] pre[%d]", static_cast<int>(now),
                 static_cast<int>(reference));
  };
  for (int r = 0; r < kLevels; ++r) {
    const int level = kLevels - 1 - r;
    if (!m_grid->get_row_cell(r)) return false;
    cell(0, r, NV_INT2, At(body, fo::kPushAskCounts, level), 0);
    cell(1, r, NV_INT3, At(body, fo::kPushAskQuantities, level, 6), 1);
    cell(2, r, NV_FLOAT2, At(body, fo::kPushAskPrices, level), 0);
    m_grid->redraw();
  }
  for (int level = 0; level < kLevels; ++level) {
    const int r = kLevels + level;
    if (!m_grid->get_row_cell(r)) return false;
    cell(2, r, NV_FLOAT2, At(body, fo::kPushBidPrices, level), 0);
    cell(3, r, NV_INT3, At(body, fo::kPushBidQuantities, level, 6), 1);
    cell(4, r, NV_INT2, At(body, fo::kPushBidCounts, level), 0);
    m_grid->redraw();
  }
  if (!m_grid->get_row_cell(kTotals)) return false;
  cell(0, kTotals, NV_INT2, At(body, fo::kPushAskCountTotal), 0);
  cell(1, kTotals, NV_INT3, At(body, fo::kPushAskTotal), 1);
  cell(3, kTotals, NV_INT3, At(body, fo::kPushBidTotal), 1);
  cell(4, kTotals, NV_INT2, At(body, fo::kPushBidCountTotal), 0);
  m_grid->redraw();
  return true;
}

void FutOptBookGrid::RestoreFlash() {
  if (!m_grid) return;
  for (int r = 0; r < kFutOptBookRows; ++r) {
    if (!m_grid->get_row_cell(r)) break;
    for (int c = 0; c < kColumns; ++c)
      if (V_Grid_Cell* cell = m_grid->get_cell(c, r)) cell->set_bg(RestingBg(c, r));
  }
}

void FutOptTradeToStrip(CVXDlg& dlg, const unsigned char* record) {
  BASE_DATA_5555 rec{};
  std::memcpy(rec.price, At(record, fo::kTradePrice), sizeof rec.price);
  std::memcpy(rec.change, At(record, fo::kTradeChange), sizeof rec.change);
  rec.sign = static_cast<char>(*At(record, fo::kTradeSign));
  std::memcpy(rec.volume, At(record, fo::kTradeVolume), sizeof rec.volume);
  dlg._print_futopt_upper_base(&rec);
  dlg.InvalidateRect(&dlg.GetUpperStripRect(), TRUE);
}

void NearestFuturesToStrip(CVXDlg& dlg, const unsigned char* body, int len, const char* nearest) {
  const int n = PushRecordCount(body, len, kFutOptTradeRecord);
  bool shown = false;
  for (int k = 0; k < n; ++k) {
    const unsigned char* r = body + 1 + kFutOptTradeRecord * k;
    if (!SameCode(r, nearest)) continue;
    BASE_DATA_5555 rec{};
    std::memcpy(rec.fut_price, At(r, fo::kTradePrice), sizeof rec.fut_price);
    std::memcpy(rec.fut_change, At(r, fo::kTradeChange), sizeof rec.fut_change);
    rec.fut_sign = static_cast<char>(*At(r, fo::kTradeSign));
    dlg._print_future_base(&rec);
    shown = true;
  }
  if (shown) dlg.InvalidateRect(&dlg.GetBottomStripRect(), TRUE);
}

void K200ToStrip(CVXDlg& dlg, const unsigned char* body, int len) {
  const int n = PushRecordCount(body, len, kIndexRecord);
  for (int k = 0; k < n; ++k) {
    const unsigned char* r = body + 1 + kIndexRecord * k;
    if (std::memcmp(r, "01001", 5) != 0) continue;
    BASE_DATA_5555 rec{};
    std::memcpy(rec.k200, At(r, vxtr::quote::kIndexValue), sizeof rec.k200);
    rec.k200_sign = static_cast<char>(*At(r, vxtr::quote::kIndexSign));
    std::memcpy(rec.k200_change, At(r, vxtr::quote::kIndexChange), sizeof rec.k200_change);
    dlg._print_k200_base(&rec);
  }
  dlg.InvalidateRect(&dlg.GetBottomStripRect(), TRUE);
}

}  // namespace vxrt
