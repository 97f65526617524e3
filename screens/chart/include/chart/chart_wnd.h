// The chart window: a child dialog that lays out up to three stacked panes (price with candles on
// top, volume or indicators below), scales each pane to the visible bars, draws candles, volume
// bars, indicator lines and bands, the price-overlay averages, price-by-volume, axis labels and a
// grid into an off-screen bitmap, and answers the stylus with a crosshair read-out and a drag of
// the border between panes. It owns no network code: the hosting screen fills the bar store,
// sets the mode, calls RecalcIndicators and repaints the window.
#pragma once

#include <cstdint>
#include <memory>

#include "chart/indicators.h"
#include "chart/stock_data.h"
#include "plat/afx.h"

namespace chart {

// Dialog resource of the chart window (an empty child dialog), registered by this source in every
// module it is built into.
constexpr UINT IDD_DLG_KCHART = 1500;

constexpr int kKindCandles = 200;
constexpr int kKindVolume = 201;
constexpr int kKindPriceByVolume = 202;

constexpr int kMaxPanes = 3;
constexpr int kMaxItems = 3;
constexpr int kMaxGrid = 16;
constexpr int kMaxLabels = 40;

struct CandleStyle {
  const char16_t* name;
  COLORREF colour;
  int filled;
  int reserved;
};
extern const CandleStyle kCandleStyles[2];

struct ZoomStep {
  int width, gap;
};
extern const ZoomStep kZoomTable[10];

struct ChartItem {
  int kind = 0;
  int source = 0;
  const CandleStyle* styles = nullptr;           // kind 200
  std::unique_ptr<IndicatorInstance> indicator;  // kinds 100..111
};

struct ChartPane {
  CRect outer, inner;
  int item_count = 0;
  ChartItem items[kMaxItems];
  int64_t max = 1, min = 0;
  bool has_values = false;  // false: nothing in view, range 0..1 and no grid
  int grid_count = 0;
  int64_t grid_values[kMaxGrid] = {};

  bool Holds(int kind) const;
};

// Chart modes.
enum ChartMode : int { kModeDaily = 0, kModeWeekly = 1, kModeMonthly = 2, kModeMinute = 3, kModeFutOptDaily = 6 };
// Kinds of time-axis labels.
enum LabelKind : int { kLabelNone = -1, kLabelMonthDay = 0, kLabelYear = 1, kLabelTime = 2 };
// Stylus modes.
enum MouseMode : int { kMouseNone = 0, kMouseCrosshair = 1, kMouseBorderDrag = 301 };

// Text of a pane's value label: thousands separated by ",", "-" before negatives, and with
// `hundredths` two decimals after ".".
CString FormatAxisValue(int64_t value, bool hundredths);
// Text of one read-out value: "-" for NO_VALUE, "%d.%02d" of hundredths, else "%d".
CString FormatReadoutValue(int32_t value, int price_format);

class CChartWnd : public CDialog {
 public:
  explicit CChartWnd(StockData_1* data);
  ~CChartWnd() override;

  // Creates the (hidden) child window from IDD_DLG_KCHART.
  BOOL Create(CWnd* parent);
  // The two fonts of the window (10 px and 11 px "돋움"), owned by the hosting screen.
  void SetFonts(HFONT small_font, HFONT large_font);

  int Init();
  int SetZoom(int index);
  int ZoomIn();
  int ZoomOut();
  int ScrollBack();
  int ScrollForward();
  int SetMode(int mode);
  // Appends an item of `kind` to pane `pane` (-1 or beyond the last pane: a new pane). False
  // when the kind is unknown or there is no room.
  bool AddItem(int pane, int kind);
  void RemoveLastItem(int pane);
  void RecalcIndicators();

  // Layout of the panes in a client rectangle of the given size.
  void Layout(const CRect& window_client);
  // Visible range, pane ranges, grid values and time labels of the next paint.
  void ComputeVisibleRange();
  void ComputePaneRanges();
  void ComputeLabels();
  void ComputeRange(ChartPane& pane);
  void ComputeGrid(ChartPane& pane, int index);
  // Draws the whole chart into `dc` (a context of the client size).
  void Draw(HDC dc);

  int ValueToY(const ChartPane& pane, double v) const;
  int BarLeft(int i) const { return panes[0].inner.left + (i - first_index) * (bar_width + bar_gap); }
  int BarCentre(int i) const { return BarLeft(i) + bar_width / 2; }
  // Bar index under an x relative to the price pane's inner left edge, and the snapped x.
  int BarUnderX(int x) const;
  int SnapX(int x) const;
  // The two read-out lines of bar i (the second empty without the overlay).
  CString ReadoutFirstLine(int i) const;

  StockData_1* data;
  ChartPane panes[kMaxPanes];
  int pane_count = 2;
  int zoom_index = 3;
  int bar_width = 4;
  int bar_gap = 1;
  int first_index = 0;
  int last_index = -1;
  int end_index = -1;
  int visible_count = 0;
  int chart_mode = kModeDaily;
  int label_kind = kLabelMonthDay;
  int label_count = 0;
  int label_index[kMaxLabels] = {};
  bool show_ma_overlay = true;

  int mouse_mode = kMouseNone;
  int drag_pane = 0;     // the pane whose lower border is dragged
  CPoint cross{-1, -1};  // crosshair as last drawn (window coordinates)
  int drag_y = -1;       // drag line as last drawn
  int readout_bar = -1;
  CRect readout_rect[2];

  CRect client, plot;

 protected:
  afx_msg void OnPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* dc);
  afx_msg void OnDestroy();
  afx_msg void OnLButtonDown(UINT flags, CPoint p);
  afx_msg void OnMouseMove(UINT flags, CPoint p);
  afx_msg void OnLButtonUp(UINT flags, CPoint p);
  DECLARE_MESSAGE_MAP()

 private:
  void Relayout();
  void DrawAxes(HDC dc);
  void DrawPaneItems(HDC dc, const ChartPane& pane);
  void DrawCandles(HDC dc, const ChartPane& pane, const ChartItem& item);
  void DrawVolume(HDC dc, const ChartPane& pane);
  void DrawPriceByVolume(HDC dc, const ChartPane& pane);
  void DrawOscillatorBars(HDC dc, const ChartPane& pane, const IndicatorInstance& ind);
  void DrawBands(HDC dc, const ChartPane& pane, const IndicatorInstance& ind);
  void DrawLine(HDC dc, const ChartPane& pane, const IndicatorLine& line, bool signal);
  void DrawOverlay(HDC dc, const ChartPane& pane);
  void InsetPanes();
  void DestroyBitmap();

  // Stylus drawing on the window itself.
  void InvertCrosshair(HDC dc, CPoint at);
  void InvertDragLine(HDC dc, int y);
  void DrawReadout(HDC dc, int bar);
  void RestoreFromBitmap(HDC dc, const CRect& r);
  void DrawStylusMarks(HDC dc);
  int CrosshairX(int window_x, int* bar) const;

  HFONT small_font_ = nullptr;
  HFONT large_font_ = nullptr;
  HDC mem_dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  CSize bitmap_size_;
  CRect window_rect_;  // the client rectangle of the last layout
};

}  // namespace chart
