// What the chart screens (ZR5002 stock, ZR5500 futures/options) share around the chart window:
// its two fonts, its place between two controls of the screen, the zoom and scroll buttons, the
// period and minutes combos, the rising/falling mark of each bar and the reading of a chart reply's
// bars into the window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chart/chart_wnd.h"
#include "plat/afx.h"
#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"

namespace chart {

// The chart window's fonts: "돋움" 10 px (width 3) and 11 px (width 4), weight 400; deleted with
// the object (after the window that uses them).
class ChartFonts {
 public:
  ChartFonts();
  ~ChartFonts();
  ChartFonts(const ChartFonts&) = delete;
  ChartFonts& operator=(const ChartFonts&) = delete;
  HFONT small_font = nullptr;
  HFONT large_font = nullptr;
};

// Creates the chart window in `dlg`: from the client's left edge + 4 px to its right edge, from
// 1 px below the edit field (20 px) of combo `upper` to 2 px above control `lower`; gives it the
// fonts and id IDD_DLG_KCHART, initialises it at zoom 1 and shows it. False when it could not be
// created.
bool CreateChartWindow(CWnd* dlg, CChartWnd& chart, int upper, int lower, const ChartFonts& fonts);

// The four buttons under the chart in the order zoom in, zoom out, scroll back, scroll forward:
// `step` 0..3. Repaints the chart when the operation changed what it shows; true when `step` is
// one of the four.
bool ZoomOrScroll(CChartWnd& chart, int step);

// Fills a drop-down list and selects entry `selected`.
void FillChoices(CWnd* dlg, int id, const WCHAR* const* texts, size_t count, int selected);
// The selected entry of a drop-down list, or `fallback` when none or beyond `count`.
int ChosenIndex(CWnd* dlg, int id, int count, int fallback);

// The minutes combo of minute bars ("1분" .. "60분"): filled with "10분" chosen and hidden, since
// the screens start with daily bars; shown only while minute bars (period 0) are chosen.
void FillMinutes(CWnd* dlg, int id);
void ShowMinutes(CWnd* dlg, int id, bool minuteBars);
// The minutes per bar of the chosen entry (10 when none is chosen), as the request's byte.
uint8_t ChosenMinutes(CWnd* dlg, int id);

// The mark of bar `i` once its open and close are known: '4' rising (open below close), '2'
// falling; a bar that opens at its close rises when it opens at or above the bar before's close.
char BarUpdown(const StockData_1& data, int i);

// How a chart screen's reply holds its bars. The stock and futures/options replies carry the
// same 37-byte bar (date, open, high, low, close, the 5-, 20- and 60-bar averages, volume) after
// heads of their own, and differ in how a price is written, the average that means none, the
// century of the year byte, the unit of the volume and bars without trades.
enum class PriceGroups {
  TenThousands,  // a x 10,000 + b, negative when either group is (the stock chart)
  Hundredths,    // a x 100 + b hundredths (the futures/options chart)
};
enum class YearByte {
  CenturyWindow,  // below 50: 2000 + value, else 1900 + value
  Since2000,      // 2000 + value
};
struct BarReply {
  vxwire::Field count;  // the signed bar count
  int barsAt = 0;       // the first bar
  PriceGroups prices = PriceGroups::TenThousands;
  int32_t noAverage = -1;  // the average that means none
  YearByte years = YearByte::CenturyWindow;
  int64_t volumeDivisor = 1;       // volumes stored in these units (quotient toward zero)
  bool flatWithoutTrades = false;  // a bar with volume 0 is a flat line at its open
  int volumeUnit = 0;              // the store's volume_unit (1000: the unit text is shown)
  int priceFormat = 0;             // the store's price_format (-100: two decimals)
  bool showNewest = false;         // every reply shows the newest bars, whatever was scrolled to
};

// The stock chart's bars (2500-2530): prices in won, averages of -1 missing, years in a century
// window, volumes in thousands of shares (the axis says "천주"), the scroll position kept from
// reply to reply.
inline constexpr BarReply kStockChartBars{.count = vxtr::chart::kCount,
                                          .barsAt = vxtr::chart::kBarsAt,
                                          .prices = PriceGroups::TenThousands,
                                          .noAverage = -1,
                                          .years = YearByte::CenturyWindow,
                                          .volumeDivisor = 1000,
                                          .volumeUnit = 1000};
// The futures/options chart's bars (5500, 5510, 5550): prices in hundredths (shown with two
// decimals), averages of -100 missing, years from 2000, volumes in contracts as received (no unit
// text), bars without trades drawn flat; every reply shows the newest bars.
inline constexpr BarReply kFutOptChartBars{.count = vxtr::futopt_chart::kCount,
                                           .barsAt = vxtr::futopt_chart::kBarsAt,
                                           .prices = PriceGroups::Hundredths,
                                           .noAverage = -100,
                                           .years = YearByte::Since2000,
                                           .flatWithoutTrades = true,
                                           .priceFormat = -100,
                                           .showNewest = true};

// Replaces every bar of the chart's store with the reply's, as many as the body holds and the
// store keeps, in chart mode `mode` (minute bars: dated 1 January 2003 by hour and minute, their
// three averages recomputed from the closes), recomputes the indicators and repaints the window,
// after an empty reply too: it leaves an empty chart, not the old bars.
// False, with nothing changed, when the body is too short to hold the count.
bool ShowReplyBars(CChartWnd& chart, const unsigned char* body, int len, int mode, const BarReply& reply);

}  // namespace chart
