#include "futopt_detail.h"

#include <cstdio>
#include <iterator>

#include "glimmet/net_value.h"
#include "vxbase/money.h"
#include "vxskeleton/tr_layouts.h"

namespace vxfo {

namespace {

namespace f = vxtr::futopt_detail;

const WCHAR* const kTitles[] = {u"", u""};
const int kFuturesWidths[] = {100, 136};
const int kOptionWidths[] = {110, 126};
// Two columns without a header row, the labels' column fixed on the futures screen.
constexpr int kRowHeight = 17;
const vxskel::GridSetup kFuturesGrids[] = {
    {1357, 0, kTitles, 2, kFuturesWidths, kRowHeight, 0, true, false, {}},
    {1358, 0, kTitles, 2, kFuturesWidths, kRowHeight, 0, true, false, {}},
    {1359, 0, kTitles, 2, kFuturesWidths, kRowHeight, 0, true, false, {}},
};
// The option grids stand at their own places within the screen's area (y 64-278), the second tall
// enough for its seven rows and its frame without reaching the lower strip (y 280).
const vxskel::GridSetup kOptionGrids[] = {
    {5150, 0, kTitles, 2, kOptionWidths, kRowHeight, 0, false, false, {1, 66, 238, 88}},
    {5150, 0, kTitles, 2, kOptionWidths, kRowHeight, 0, false, false, {1, 156, 238, 122}},
};

constexpr int kFuturesRows = 4;
const WCHAR* const kOptionLabels[] = {u"기 준 가", u"거래대금", u"미결제약정", u"상한/하한", u"시/고/저"};
// The sensitivities' labels as the screen starts and as a reply writes them.
const WCHAR* const kStartLabels[] = {u"이 론 가",  u"델타(1Pt)", u"감 마",       u"베가(1%p)",
                                     u"세타(1일)", u"로(1%p)",   u"역사/내재(%)"};
const WCHAR* const kSensitivityLabels[] = {u"이론가",    u"델타(1pt)", u"감 마",       u"베가(1%p)",
                                           u"세타(1일)", u"로(1%p)",   u"역사/내재(%)"};
constexpr int kOptionRows = static_cast<int>(std::size(kOptionLabels));
constexpr int kSensitivityRows = static_cast<int>(std::size(kSensitivityLabels));
static_assert(std::size(kStartLabels) == std::size(kSensitivityLabels));

// A value cell's text, put together in a fixed buffer: code page 949 pieces (numbers, marks) and
// wide ones (units).
class CellText {
 public:
  CellText& operator<<(const WCHAR* text) {
    while (text && *text && n_ + 1 < kSize) buf_[n_++] = *text++;
    buf_[n_] = 0;
    return *this;
  }
  CellText& operator<<(const char* cp949) {
    WCHAR wide[kSize] = {};
    char_to_tchar(wide, sizeof wide, cp949, -1);
    return *this << wide;
  }
  const WCHAR* Get() const { return buf_; }

 private:
  static constexpr size_t kSize = 64;
  WCHAR buf_[kSize] = {};
  size_t n_ = 0;
};

// A wire number as get_net_value_str shows it; empty for a field the reply does not hold.
struct Number {
  Number(const vxwire::Reader& r, const vxwire::Field& field, int kind, int mode = 0) {
    if (const unsigned char* p = r.At(field))
      get_net_value_str(static_cast<signed char>(kind), p, text, static_cast<signed char>(mode), sizeof text);
  }
  char text[NET_VALUE_STR_SIZE] = {};
};

// The up/down mark of a sign (a blank for no change).
struct Mark {
  explicit Mark(char sign) { G_GetUpdownChar(text, sign); }
  char text[4] = {};
};

// Open interest and its change: "12,345 ( ▲120 )".
void OpenInterestText(const vxwire::Reader& r, CellText& out) {
  out << Number(r, f::kOpenInterest, NV_INT2).text << u" ( " << Mark(r.Char(f::kInterestSign)).text
      << Number(r, f::kInterestChange, NV_INT2).text << u" )";
}

// Prices joined by "/", two decimals each: "187.00/187.50/186.90".
void PricesText(const vxwire::Reader& r, const vxwire::Field* const (&fields)[3], CellText& out) {
  for (size_t i = 0; i < std::size(fields) && fields[i]; ++i) {
    if (i) out << u"/";
    out << Number(r, *fields[i], NV_FLOAT2).text;
  }
}

// A sensitivity in millionths, six decimals: "0.500000".
void SixDecimals(const vxwire::Reader& r, const vxwire::Field& field, CellText& out) {
  char text[32] = {};
  std::snprintf(text, sizeof text, "%.6f", convert_short2_6f_to_double(r.At(field)));
  out << text;
}

}  // namespace

const DetailSetup kFuturesDetail{
    .fo = {.form = vxskel::FoForm::Futures, .grids = kFuturesGrids, .gridCount = std::size(kFuturesGrids)},
    .request = 5101,
    .kind = DetailKind::Futures,
};
const DetailSetup kOptionDetail{
    .fo = {.form = vxskel::FoForm::Options},
    .request = 5150,
    .kind = DetailKind::Option,
    .placed = kOptionGrids,
    .placedCount = std::size(kOptionGrids),
};

void CFutOptDetailDlg::OnInitScreen() {
  CFutOptScreenDlg::OnInitScreen();  // the band's grids
  for (size_t i = 0; i < m_detail.placedCount && i < kMaxGrids; ++i)
    m_grids[i] = vxskel::CreateGrid(this, GridFont(), m_detail.placed[i]);
  if (m_detail.kind == DetailKind::Option) OptionLabels();
}

V_Grid* CFutOptDetailDlg::Reset(size_t index, int rows) {
  V_Grid* grid = Grid(index);
  if (!grid) return nullptr;
  grid->remove_all_row();
  for (int i = 0; i < rows; ++i)
    if (!grid->add_row()) break;
  return grid;
}

void CFutOptDetailDlg::Row(V_Grid* grid, int row, const WCHAR* label, const WCHAR* value, COLORREF fg, bool centred) {
  if (!grid) return;
  vxskel::SetShadedLabel(grid, 0, row, label, GridFont());
  if (V_Grid_Cell* cell = grid->get_cell(1, row)) {
    cell->set_text(value, -1);
    cell->set_fg(fg);
    cell->set_str_flag(centred ? 0 : 2);
  }
}

void CFutOptDetailDlg::OptionLabels() {
  if (V_Grid* grid = Reset(0, kOptionRows))
    for (int i = 0; i < kOptionRows; ++i) Row(grid, i, kOptionLabels[i], u"");
  if (V_Grid* grid = Reset(1, kSensitivityRows))
    for (int i = 0; i < kSensitivityRows; ++i) Row(grid, i, kStartLabels[i], u"");
}

void CFutOptDetailDlg::OnFutOptReply(uint16_t code, const unsigned char* body, int len) {
  if (code != m_detail.request) return;  // a late reply of another screen
  if (m_detail.kind == DetailKind::Futures)
    FillFutures(body, len);
  else
    FillOption(body, len);
}

void CFutOptDetailDlg::FillFutures(const unsigned char* body, int len) {
  vxwire::Reader r(body, len);
  // A reply cut short shows nothing: the grids keep what they showed.
  if (!r.Has(f::kDisparity)) return ReportShortReply(m_detail.request);

  if (V_Grid* g = Reset(0, kFuturesRows)) {
    Row(g, 0, u"기준가", (CellText() << Number(r, f::kBase, NV_FLOAT2).text).Get());
    Row(g, 1, u"거래대금", (CellText() << Number(r, f::kValue, NV_INT3).text << u" 백만원").Get());
    CellText interest;
    OpenInterestText(r, interest);
    Row(g, 2, u"미결제약정(대비)", interest.Get(), GetRGBColor(r.Char(f::kInterestSign)));
    CellText index;
    index << Number(r, f::kIndex, NV_FLOAT2).text << u"( " << Mark(r.Char(f::kIndexSign)).text
          << Number(r, f::kIndexChange, NV_FLOAT2).text << u" )";
    Row(g, 3, u"KOSPI200(대비)", index.Get(), GetRGBColor(r.Char(f::kIndexSign)));
    g->redraw();
  }
  if (V_Grid* g = Reset(1, kFuturesRows)) {
    const struct {
      const WCHAR* label;
      const vxwire::Field* prices[3];
    } rows[] = {
        {u"시/고/저", {&f::kOpen, &f::kHigh, &f::kLow}},
        {u"상한/하한", {&f::kUpper, &f::kLower, nullptr}},
        {u"CB상한/CB하한", {&f::kBreakerUpper, &f::kBreakerLower, nullptr}},
        {u"최고가/최저가", {&f::kHighest, &f::kLowest, nullptr}},
    };
    for (int i = 0; i < kFuturesRows; ++i) {
      CellText text;
      PricesText(r, rows[i].prices, text);
      Row(g, i, rows[i].label, text.Get(), 0, true);
    }
    g->redraw();
  }
  if (V_Grid* g = Reset(2, kFuturesRows)) {
    const unsigned char* day = r.At(f::kLastDay);
    char date[32] = {};
    std::snprintf(date, sizeof date, "%02d.%02d.%02d( ", day[0], day[1], day[2]);
    Row(g, 0, u"최종거래일(잔존)", (CellText() << date << Number(r, f::kDaysLeft, NV_INT2).text << u" 일)").Get(), 0,
        true);
    // The market basis as "%.2f" cut to five characters: -12.34 shows as -12.3.
    char basis[32] = {};
    std::snprintf(basis, sizeof basis, "%.2f", static_cast<double>(convert_short2_float(r.At(f::kMarketBasis))));
    basis[5] = '\0';
    Row(g, 1, u"시장/이론BASIS", (CellText() << basis << u"/" << Number(r, f::kTheoryBasis, NV_FLOAT2).text).Get(), 0,
        true);
    Row(g, 2, u"이론가", (CellText() << Number(r, f::kTheory, NV_FLOAT2).text).Get(),
        GetRGBColor(r.Char(f::kTheorySign)));
    Row(g, 3, u"괴리율", (CellText() << Number(r, f::kDisparity, NV_PERCENT2).text).Get());
    g->redraw();
  }
}

void CFutOptDetailDlg::FillOption(const unsigned char* body, int len) {
  vxwire::Reader r(body, len);
  if (!r.Has(f::kImplied)) return ReportShortReply(m_detail.request);

  if (V_Grid* g = Reset(0, kOptionRows)) {
    Row(g, 0, kOptionLabels[0], (CellText() << Number(r, f::kBase, NV_FLOAT2).text).Get());
    Row(g, 1, kOptionLabels[1], (CellText() << Number(r, f::kValue, NV_INT3).text << u" (백만원)").Get());
    CellText interest;
    OpenInterestText(r, interest);
    Row(g, 2, kOptionLabels[2], interest.Get(), GetRGBColor(r.Char(f::kInterestSign)));
    CellText limits, prices;
    PricesText(r, {&f::kOptionUpper, &f::kOptionLower, nullptr}, limits);
    Row(g, 3, kOptionLabels[3], limits.Get(), 0, true);
    PricesText(r, {&f::kOptionOpen, &f::kOptionHigh, &f::kOptionLow}, prices);
    Row(g, 4, kOptionLabels[4], prices.Get(), 0, true);
    g->redraw();
  }
  if (V_Grid* g = Reset(1, kSensitivityRows)) {
    Row(g, 0, kSensitivityLabels[0], (CellText() << Number(r, f::kOptionTheory, NV_FLOAT2).text).Get(),
        GetRGBColor(r.Char(f::kOptionTheorySign)));
    const vxwire::Field greeks[] = {f::kDelta, f::kGamma, f::kVega, f::kTheta, f::kRho};
    for (int i = 0; i < static_cast<int>(std::size(greeks)); ++i) {
      CellText text;
      SixDecimals(r, greeks[i], text);
      Row(g, i + 1, kSensitivityLabels[i + 1], text.Get());
    }
    Row(g, 6, kSensitivityLabels[6],
        (CellText() << Number(r, f::kHistorical, NV_FLOAT2).text << u" /  " << Number(r, f::kImplied, NV_FLOAT2).text)
            .Get());
    g->redraw();
  }
}

}  // namespace vxfo
