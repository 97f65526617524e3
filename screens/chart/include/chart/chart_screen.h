// What the chart screens (ZR5002 stock, ZR5500 futures/options) share around the chart window:
// its two fonts, its place between two controls of the screen, the zoom and scroll buttons, the
// period combos and the rising/falling mark of each bar.
#pragma once

#include <cstddef>

#include "chart/chart_wnd.h"
#include "plat/afx.h"

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

// The mark of bar `i` once its open and close are known: '4' rising (open below close), '2'
// falling; a bar that opens at its close rises when it opens at or above the bar before's close.
char BarUpdown(const StockData_1& data, int i);

}  // namespace chart
