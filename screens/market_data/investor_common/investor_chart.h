// The bar chart of the investors' net buying: a child window of the screen with up to 50 bars,
// each a value and a category label, on a scale symmetric about zero.
//
//   chart.Create(screen);                 // template 131, shown at once
//   chart.MoveWindow(...);
//   chart.SetValues(values, labels, 3);   // lays out the frame and repaints
//
// Layout, in the window's client rectangle (L, T, R, B): the frame from (L + 50, T + 7) to
// (R - 3, frame bottom) and the plot 2 pixels inside it; the frame bottom B - 31 with up to four
// bars, B - 80 with more (their labels then run downwards, one character a line). Painting moves
// the frame's left edge to make room for the widest tick label.
#pragma once

#include <cstdint>
#include <string>

#include "plat/afx.h"

namespace vxinvest {

constexpr UINT kChartTemplate = 131;
constexpr int kMaxBars = 50;
constexpr COLORREF kBarUp = RGB(255, 0, 0);
constexpr COLORREF kBarDown = RGB(0, 0, 255);
constexpr COLORREF kGridLine = 0xC0C0C0;

// The scale of a set of values: bounds symmetric about zero and 3 or 5 tick values (5 when the
// plot is at least 151 pixels high). All values zero give the bounds -1 and 1.
struct Scale {
  int64_t upper = 1;
  int64_t lower = -1;
  int64_t ticks[5] = {};
  int tickCount = 0;
};
Scale MakeScale(const int64_t* values, int count, int plotHeight);
// The y of `v` in a plot from `top`, `height` pixels high.
int ValueY(int64_t v, const Scale& scale, int top, int height);

class CInvestorChart : public CDialog {
 public:
  CInvestorChart();
  ~CInvestorChart() override;

  BOOL Create(CWnd* parent);
  // Up to kMaxBars values with their labels; lays the chart out again and repaints it.
  void SetValues(const int64_t* values, const WCHAR* const* labels, int count);
  // Lays the frame and the plot out in the client rectangle (after a move).
  void Layout();

  int BarCount() const { return m_count; }
  const RECT& Frame() const { return m_frame; }
  const RECT& Plot() const { return m_plot; }
  int SlotWidth() const { return m_slot; }
  int BarWidth() const { return m_bar; }

  afx_msg void OnPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* dc);

 private:
  void Draw(CDC& dc);
  void SetSlots();

  int64_t m_values[kMaxBars] = {};
  std::u16string m_labels[kMaxBars];
  int m_count = 0;
  RECT m_frame{}, m_plot{};
  int m_slot = 0, m_bar = 0;
  CFont m_font, m_labelFont;  // 10-point 굴림: tick values, category labels

  DECLARE_MESSAGE_MAP()
};

}  // namespace vxinvest
