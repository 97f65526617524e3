// The chart as painted into its window: candle colours and wicks, volume columns, grid rows with
// their value texts, time labels, band fills kept inside their pane, price-by-volume, and what an
// empty chart shows.
#include "chart/colours.h"
#include "chart_fixture.h"

namespace charttest {
namespace {

using namespace chart::colour;
constexpr COLORREF kGreen = kVolumeGreen;
constexpr COLORREF kGrey = kGridGrey;

class RenderTest : public ChartWindowTest {
 protected:
  // Ten bars, rising on even and falling on odd indices; bar 5 without volume.
  void CandleBars() {
    std::vector<BarRow> rows;
    for (int i = 0; i < 10; ++i) {
      const bool up = i % 2 == 0;
      rows.push_back({up ? 1000 : 1100, 1150, 950, up ? 1100 : 1000, i == 5 ? NO_VALUE : i * 100LL});
    }
    LoadBars(data_, rows);
    data_.volume_unit = 1000;
  }
  int Y(int pane, double v) const { return wnd_->ValueToY(wnd_->panes[pane], v); }
  // Pixels of `colour` anywhere in the window, and how many lie outside `inside`.
  std::pair<int, int> CountColour(COLORREF colour, const CRect& inside) const {
    int all = 0, outside = 0;
    const auto px = Pixels();
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (px[static_cast<size_t>(y * kWidth + x)] == colour) {
          ++all;
          if (!inside.PtInRect(CPoint(x, y))) ++outside;
        }
    return {all, outside};
  }
};

TEST_F(RenderTest, CandlesWicksAndVolumeColumns) {
  CandleBars();
  wnd_->SetZoom(5);  // 6 px bodies, 2 px gaps
  Repaint();
  const int yo = Y(0, 1000), yc = Y(0, 1100), mid = (yo + yc) / 2;
  // A rising bar: red outline, hollow body, red wicks up to the high and down to the low.
  const int l2 = wnd_->BarLeft(2), c2 = wnd_->BarCentre(2);
  EXPECT_EQ(At(l2, mid), kRed);
  EXPECT_EQ(At(l2 + 5, mid), kRed);
  EXPECT_NE(At(l2 + 2, mid), kRed);
  EXPECT_NE(At(l2 + 2, mid), kBlue);
  EXPECT_EQ(At(c2, Y(0, 1150)), kRed);
  EXPECT_EQ(At(c2, Y(0, 1150) - 1), kWhite);
  EXPECT_EQ(At(c2, Y(0, 950)), kRed);
  EXPECT_EQ(At(c2, yo), kRed);  // the body's bottom edge lies on the open's row
  // A falling bar: a solid blue body.
  const int l3 = wnd_->BarLeft(3);
  EXPECT_EQ(At(l3 + 2, mid), kBlue);
  EXPECT_EQ(At(wnd_->BarCentre(3), Y(0, 1150)), kBlue);
  // Volume columns: green from the volume down to the pane's bottom, not in the gap, none for a
  // bar without volume.
  const CRect& vol = wnd_->panes[1].inner;
  const int l4 = wnd_->BarLeft(4);
  EXPECT_EQ(At(l4 + 2, vol.bottom - 1), kGreen);
  EXPECT_EQ(At(l4 + 2, Y(1, 400)), kGreen);
  EXPECT_NE(At(l4 + 2, Y(1, 400) - 1), kGreen);
  EXPECT_NE(At(l4 + 6, vol.bottom - 1), kGreen);
  EXPECT_NE(At(wnd_->BarLeft(5) + 2, vol.bottom - 1), kGreen);
  // Nothing of the chart crosses into the other pane.
  EXPECT_EQ(CountColour(kRed, wnd_->panes[0].inner).second, 0);
  EXPECT_EQ(CountColour(kGreen, vol).second, 0);
}

TEST_F(RenderTest, GridRowsLabelsAndTexts) {
  CandleBars();
  Repaint();
  const chart::ChartPane& price = wnd_->panes[0];
  ASSERT_EQ(price.grid_count, 3);
  for (int g = 0; g < price.grid_count; ++g) {
    const int y = Y(0, static_cast<double>(price.grid_values[g]));
    EXPECT_EQ(At(price.inner.right - 3, y), kGrey) << g;  // right of the ten bars
    EXPECT_TRUE(Shows(chart::FormatAxisValue(price.grid_values[g], false).str())) << g;
  }
  // The frames and the border between the panes are black.
  EXPECT_EQ(At(price.outer.left, (price.outer.top + price.outer.bottom) / 2), kBlack);
  EXPECT_EQ(At(100, wnd_->panes[1].outer.top), kBlack);
  // One time label (bar 5, 8 March) with its grey line through both panes.
  ASSERT_EQ(wnd_->label_count, 1);
  EXPECT_TRUE(Shows(u" 3/ 8"));
  EXPECT_EQ(At(wnd_->BarCentre(5), wnd_->panes[1].inner.bottom - 1), kGrey);
  EXPECT_EQ(At(wnd_->BarCentre(5), price.inner.top), kGrey);
  EXPECT_TRUE(Shows(u"천주"));
  EXPECT_TRUE(Shows(u"Under Development"));
  // A minute chart labels hours and minutes; an unknown mode says it has no labels.
  wnd_->SetMode(chart::kModeMinute);
  data_.bars[5].time = chart::MakeBarTime(2003, 1, 1, 9, 5);
  Repaint();
  EXPECT_TRUE(Shows(u"09:05"));
  wnd_->SetMode(4);
  Repaint();
  EXPECT_TRUE(Shows(u"There is no grid type."));
}

TEST_F(RenderTest, BandFillsLieBetweenLineAndLevelInsideTheirPane) {
  LoadReferenceBars(data_);
  wnd_->RemoveLastItem(1);
  ASSERT_TRUE(wnd_->AddItem(1, 109));
  Repaint();
  const chart::ChartPane& pane = wnd_->panes[1];
  const auto& rsi = pane.items[0].indicator->lines[0];
  int above = -1, below = -1;
  for (int i = wnd_->first_index + 1; i <= wnd_->last_index; ++i) {
    if (!chart::HasValue(rsi, i - 1) || !chart::HasValue(rsi, i)) continue;
    if (above < 0 && rsi.values[i] > 75 && rsi.values[i - 1] > 75) above = i;
    if (below < 0 && rsi.values[i] < 25 && rsi.values[i - 1] < 25) below = i;
  }
  ASSERT_GE(above, 0);
  ASSERT_GE(below, 0);
  EXPECT_EQ(At(wnd_->BarCentre(above) - 1, Y(1, 70) - 1), kBandRed);
  EXPECT_EQ(At(wnd_->BarCentre(below) - 1, Y(1, 30) + 1), kBandBlue);
  // Between the levels nothing is shaded, and no shade leaves the pane.
  EXPECT_NE(At(wnd_->BarCentre(above), Y(1, 50)), kBandRed);
  const auto red = CountColour(kBandRed, pane.inner), blue = CountColour(kBandBlue, pane.inner);
  EXPECT_GT(red.first, 0);
  EXPECT_GT(blue.first, 0);
  EXPECT_EQ(red.second, 0);
  EXPECT_EQ(blue.second, 0);
  // The grid rows at 30 and 70.
  EXPECT_TRUE(Shows(u"30"));
  EXPECT_TRUE(Shows(u"70"));
}

TEST_F(RenderTest, PriceOscillatorBarsStandOnTheZeroLine) {
  LoadReferenceBars(data_);
  wnd_->RemoveLastItem(1);
  ASSERT_TRUE(wnd_->AddItem(1, 107));
  Repaint();
  const chart::ChartPane& pane = wnd_->panes[1];
  const auto& po = pane.items[0].indicator->lines[0];
  const int zero = Y(1, 0);
  int checked_up = 0, checked_down = 0;
  for (int i = wnd_->first_index; i <= wnd_->last_index; ++i) {
    if (!chart::HasValue(po, i)) continue;
    const double v = po.values[i];
    const int y = Y(1, v);
    if (std::abs(y - zero) < 3) continue;  // too short to tell apart from the grid line
    const int x = wnd_->BarLeft(i) + 1;
    const int inside = (y + zero) / 2;
    if (v > 0) {
      EXPECT_EQ(At(x, inside), kMagenta) << i;
      EXPECT_NE(At(x, zero + 2), kMagenta) << i;
      ++checked_up;
    } else {
      EXPECT_EQ(At(x, inside), kNavy) << i;
      EXPECT_NE(At(x, zero - 2), kNavy) << i;
      ++checked_down;
    }
  }
  EXPECT_GT(checked_up, 0);
  EXPECT_GT(checked_down, 0);
}

TEST_F(RenderTest, PriceByVolumeDrawsNothingWithoutVolume) {
  std::vector<BarRow> rows = Trend(20, 1000, 10, 0);
  LoadBars(data_, rows);
  wnd_->RemoveLastItem(1);
  ASSERT_TRUE(wnd_->AddItem(0, chart::kKindPriceByVolume));
  Repaint();
  EXPECT_EQ(CountColour(kGreen, CRect(0, 0, kWidth, kHeight)).first, 0);
  // With volumes the bands show, from the pane's left edge.
  for (int i = 0; i < 20; ++i) data_.bars[i].volume = 100 + i;
  wnd_->RecalcIndicators();
  Repaint();
  const chart::ChartPane& p = wnd_->panes[0];
  const int top_band =
      (Y(0, static_cast<double>(data_.pbv_upper[4])) + Y(0, static_cast<double>(data_.pbv_upper[3]))) / 2;
  EXPECT_EQ(At(p.inner.left + 1, top_band), kGreen);
  EXPECT_EQ(CountColour(kGreen, p.inner).second, 0);
}

TEST_F(RenderTest, AnEmptyReplyShowsTheEmptyPanes) {
  CandleBars();
  Repaint();
  EXPECT_GT(CountColour(kBlue, CRect(0, 0, kWidth, kHeight)).first, 0);
  // The reply held no bars: the chart is repainted empty.
  data_.SetCount(0);
  wnd_->RecalcIndicators();
  Repaint();
  EXPECT_EQ(CountColour(kBlue, CRect(0, 0, kWidth, kHeight)).first, 0);
  EXPECT_EQ(CountColour(kRed, CRect(0, 0, kWidth, kHeight)).first, 0);
  EXPECT_EQ(CountColour(kGrey, CRect(0, 0, kWidth, kHeight)).first, 0);
  EXPECT_EQ(At(wnd_->panes[0].outer.left, 50), kBlack);
  EXPECT_FALSE(Shows(u"Under Development"));
  EXPECT_EQ(wnd_->panes[0].grid_count, 0);
  // With every item removed the window is blank and a tap does nothing.
  CandleBars();
  wnd_->RemoveLastItem(1);
  wnd_->RemoveLastItem(0);
  Repaint();
  EXPECT_EQ(CountColour(kWhite, CRect(0, 0, kWidth, kHeight)).first, kWidth * kHeight);
  Stylus(plat::win::Stylus::Down, 60, 60);
  EXPECT_EQ(wnd_->mouse_mode, chart::kMouseNone);
  Stylus(plat::win::Stylus::Up, 60, 60);
  // Zoom and scroll are refused before the first reply.
  data_.loaded = false;
  EXPECT_EQ(wnd_->ZoomIn(), 0);
  EXPECT_EQ(wnd_->ScrollBack(), 0);
}

}  // namespace
}  // namespace charttest
