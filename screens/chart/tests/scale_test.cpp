// The chart window's arithmetic without a window: pane layout, zoom, the visible range and
// scrolling, the pane ranges with their margins, the grid values, the time labels and the
// texts of axis values and the read-out.
#include "chart_fixture.h"

namespace charttest {
namespace {

using chart::ChartPane;

class ScaleTest : public DeviceRoot {
 protected:
  void SetUp() override {
    DeviceRoot::SetUp();
    wnd_ = std::make_unique<CChartWnd>(&data_);
    wnd_->Init();
    wnd_->Layout(CRect(0, 0, 236, 230));
    wnd_->SetZoom(1);  // 3 px bars, no gap: 63 bars fit
  }
  // A store of n daily bars, volumes given by `volume(i)`.
  void Bars(int n, int first_close = 10000) {
    std::vector<BarRow> rows;
    for (int i = 0; i < n; ++i) {
      const int c = first_close + (i % 7) * 10;
      rows.push_back({c - 5, c + 20, c - 20, c, 1000 + i});
    }
    LoadBars(data_, rows);
  }
  void Range() {
    wnd_->ComputeVisibleRange();
    wnd_->ComputePaneRanges();
  }
  StockData_1 data_;
  std::unique_ptr<CChartWnd> wnd_;
};

TEST_F(ScaleTest, PanesSplitSeventyThirtyAndSeventyFifteenFifteen) {
  EXPECT_EQ(wnd_->client, CRect(0, 6, 236, 214));
  EXPECT_EQ(wnd_->plot, CRect(0, 6, 194, 214));
  EXPECT_EQ(wnd_->panes[0].outer, CRect(0, 6, 194, 151));
  EXPECT_EQ(wnd_->panes[1].outer, CRect(0, 150, 194, 214));
  EXPECT_EQ(wnd_->panes[0].inner, CRect(3, 8, 192, 149));
  EXPECT_EQ(wnd_->panes[1].inner, CRect(3, 152, 192, 212));
  ASSERT_TRUE(wnd_->AddItem(-1, 109));
  ASSERT_EQ(wnd_->pane_count, 3);
  EXPECT_EQ(wnd_->panes[0].outer, CRect(0, 6, 194, 151));
  EXPECT_EQ(wnd_->panes[1].outer, CRect(0, 150, 194, 182));
  EXPECT_EQ(wnd_->panes[2].outer, CRect(0, 181, 194, 214));
  // No fourth pane; an emptied pane goes and the panes below move up.
  EXPECT_FALSE(wnd_->AddItem(-1, 106));
  wnd_->RemoveLastItem(1);
  ASSERT_EQ(wnd_->pane_count, 2);
  EXPECT_EQ(wnd_->panes[1].items[0].kind, 109);
  EXPECT_EQ(wnd_->panes[1].outer, CRect(0, 150, 194, 214));
  // A kind outside the table is refused.
  EXPECT_FALSE(wnd_->AddItem(1, 150));
  // Every item removed: no pane left, and a new item starts the first pane again.
  wnd_->RemoveLastItem(1);
  wnd_->RemoveLastItem(0);
  EXPECT_EQ(wnd_->pane_count, 0);
  ASSERT_TRUE(wnd_->AddItem(-1, chart::kKindCandles));
  EXPECT_EQ(wnd_->pane_count, 1);
  EXPECT_EQ(wnd_->panes[0].outer, CRect(0, 6, 194, 214));
}

TEST_F(ScaleTest, ZoomStopsAtBothEndsAndNeedsData) {
  EXPECT_EQ(wnd_->SetZoom(1), -1);
  EXPECT_EQ(wnd_->SetZoom(42), 9);
  EXPECT_EQ(wnd_->bar_width, 10);
  EXPECT_EQ(wnd_->bar_gap, 3);
  EXPECT_EQ(wnd_->ZoomIn(), 0);  // nothing loaded yet
  Bars(10);
  EXPECT_EQ(wnd_->ZoomIn(), 0);  // already at the largest
  EXPECT_EQ(wnd_->ZoomOut(), 1);
  EXPECT_EQ(wnd_->zoom_index, 8);
  EXPECT_EQ(wnd_->SetZoom(-3), 0);
  EXPECT_EQ(wnd_->bar_width, 2);
  EXPECT_EQ(wnd_->bar_gap, 0);
  EXPECT_EQ(wnd_->ZoomOut(), 0);
}

TEST_F(ScaleTest, ScrollingMovesSixBarsAndStopsAtBothEnds) {
  Bars(30);
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->visible_count, 63);
  EXPECT_EQ(wnd_->first_index, 0);
  EXPECT_EQ(wnd_->last_index, 29);
  EXPECT_EQ(wnd_->ScrollBack(), 0);
  EXPECT_EQ(wnd_->ScrollForward(), 0);

  Bars(150);
  wnd_->end_index = -1;
  // Showing the newest bars already: forward has nowhere to go (not six bars past "newest").
  EXPECT_EQ(wnd_->ScrollForward(), 0);
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->first_index, 87);
  EXPECT_EQ(wnd_->last_index, 149);
  EXPECT_EQ(wnd_->ScrollBack(), 1);
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->last_index, 143);
  EXPECT_EQ(wnd_->first_index, 81);
  int presses = 1;
  while (wnd_->ScrollBack()) ++presses;
  EXPECT_EQ(presses, 15);  // 143 - 6 * 14 = 59, held at 62
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->first_index, 0);
  EXPECT_EQ(wnd_->last_index, 62);
  while (wnd_->ScrollForward()) {
  }
  EXPECT_EQ(wnd_->end_index, 149);

  // A new reply with fewer bars than the scrolled-to position.
  wnd_->end_index = 140;
  Bars(80);
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->end_index, 79);
  EXPECT_EQ(wnd_->first_index, 17);
  EXPECT_EQ(wnd_->last_index, 79);
  wnd_->end_index = 140;
  Bars(40);
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->first_index, 0);
  EXPECT_EQ(wnd_->last_index, 39);
  // An end short of a full screen still fills the screen from the oldest bar.
  Bars(150);
  wnd_->end_index = 10;
  wnd_->ComputeVisibleRange();
  EXPECT_EQ(wnd_->first_index, 0);
  EXPECT_EQ(wnd_->last_index, 62);
}

TEST_F(ScaleTest, PriceMarginPadsAndCutsUnlessTheCutHidesABar) {
  struct Case {
    int64_t min, max, want_min, want_max;
  } cases[] = {
      {1000, 1005, 997, 1008},      // spread 5: 3 each side, no rounding
      {1000, 1015, 995, 1020},      // spread 15: 5 each side
      {1000, 1500, 970, 1530},      // spread 500: 25, then tens, the maximum upward
      {1000, 1486, 970, 1520},      // a padded maximum of 1510 already on a ten still goes up by ten
      {-1500, -1000, -1520, -960},  // negative ends: remainders toward zero
      {5000, 7050, 4800, 7100},     // spread 2050: 102, both ends cut down to hundreds
      {5000, 6020, 4900, 6100},     // cutting 6071 down to 6000 would hide the highest bar: up
      {10000, 30000, 9000, 31000},  // spread 20000: 1000, thousands
      {10000, 30400, 8000, 31000},  // 31420 cut down to 31000 still holds 30400
      {1000, 11300, 0, 12000},      // cutting 11815 down to 11000 would hide the highest bar
      {-5200, 6000, -6000, 6000},   // cutting -5760 toward zero to -5000 would hide the lowest bar
  };
  for (const Case& c : cases) {
    int64_t mn = c.min, mx = c.max;
    chart::ApplyPriceMargin(&mn, &mx);
    EXPECT_EQ(mn, c.want_min) << c.min << ".." << c.max;
    EXPECT_EQ(mx, c.want_max) << c.min << ".." << c.max;
  }
}

TEST_F(ScaleTest, PriceRangeSkipsMissingAveragesAndIsLogged) {
  LoadBars(data_, {{1000, 1100, 990, 1050, 1}, {1050, 1500, 1000, 1400, 1}});
  data_.bars[1].ma[0] = 900;  // an average below every low counts
  int64_t mn = 0, mx = 0;
  ASSERT_TRUE(data_.GetMinMaxPrice(0, 1, &mn, &mx));
  EXPECT_EQ(mn, 870);
  EXPECT_EQ(mx, 1540);
  EXPECT_EQ(ReadHost("qzlo.log"),
            "StockData_1::GetMinMaxPrice(0, 1):: before Min = 900, Max = 1500\n"
            "StockData_1::GetMinMaxPrice(0, 1):: Min = 870, Max = 1540\n");
  data_.SetCount(0);
  EXPECT_FALSE(data_.GetMinMaxPrice(-1, -1, &mn, &mx));
  EXPECT_EQ(mn, 0);
  EXPECT_EQ(mx, 1);
}

TEST_F(ScaleTest, VolumeRangeIsCutDownUnlessThatHidesTheTallestBarAndAnEmptyPaneHasNoGrid) {
  struct Case {
    long long largest;
    int64_t want_max;
  } cases[] = {
      {0, 10},         // nothing traded: 0..10
      {55, 60},        // 65 cut to tens
      {900, 940},      // 945 cut to tens
      {5000, 5200},    // 5250 cut to hundreds
      {20500, 21000},  // 21525 cut to thousands
      {12345, 13000},  // 12962 cut to 12000 would hide the tallest bar: up
  };
  for (const Case& c : cases) {
    LoadBars(data_, {{100, 110, 90, 100, c.largest}, {100, 110, 90, 100, 0}});
    Range();
    EXPECT_EQ(wnd_->panes[1].min, 0);
    EXPECT_EQ(wnd_->panes[1].max, c.want_max) << c.largest;
    EXPECT_GE(wnd_->panes[1].max, c.largest);
  }
  LoadBars(data_, {{100, 110, 90, 100, NO_VALUE}, {100, 110, 90, 100, NO_VALUE}});
  Range();
  EXPECT_FALSE(wnd_->panes[1].has_values);
  EXPECT_EQ(wnd_->panes[1].min, 0);
  EXPECT_EQ(wnd_->panes[1].max, 1);
  EXPECT_EQ(wnd_->panes[1].grid_count, 0);
}

TEST_F(ScaleTest, IndicatorPanesRangesAndGrids) {
  LoadReferenceBars(data_);
  wnd_->RemoveLastItem(1);
  struct Case {
    int kind;
    bool fixed;  // 0..100
    std::vector<int64_t> grid;
  } cases[] = {{109, true, {30, 70}}, {111, true, {20, 80}}, {104, true, {}}};
  for (const Case& c : cases) {
    ASSERT_TRUE(wnd_->AddItem(1, c.kind));
    Range();
    const ChartPane& p = wnd_->panes[1];
    EXPECT_EQ(p.min, 0) << c.kind;
    EXPECT_EQ(p.max, 100) << c.kind;
    if (!c.grid.empty()) {
      ASSERT_EQ(p.grid_count, 2) << c.kind;
      EXPECT_EQ(p.grid_values[0], c.grid[0]);
      EXPECT_EQ(p.grid_values[1], c.grid[1]);
    }
    wnd_->RemoveLastItem(1);
  }
  // The price oscillator is symmetric around zero with one grid line at 0.
  ASSERT_TRUE(wnd_->AddItem(1, 107));
  Range();
  EXPECT_EQ(wnd_->panes[1].min, -wnd_->panes[1].max);
  ASSERT_EQ(wnd_->panes[1].grid_count, 1);
  EXPECT_EQ(wnd_->panes[1].grid_values[0], 0);
  wnd_->RemoveLastItem(1);
  // CCI: 100 above, 0 across and -100 below, as the range reaches them.
  ASSERT_TRUE(wnd_->AddItem(1, 108));
  Range();
  const ChartPane& cci = wnd_->panes[1];
  ASSERT_GT(cci.max, 100);
  ASSERT_LT(cci.min, -100);
  ASSERT_EQ(cci.grid_count, 3);
  EXPECT_EQ(cci.grid_values[0], 100);
  EXPECT_EQ(cci.grid_values[1], 0);
  EXPECT_EQ(cci.grid_values[2], -100);
  // Every visible value lies inside the padded range.
  const auto& line = cci.items[0].indicator->lines[0];
  for (int i = wnd_->first_index; i <= wnd_->last_index; ++i)
    if (chart::HasValue(line, i)) {
      EXPECT_LE(line.values[i], cci.max);
      EXPECT_GE(line.values[i], cci.min);
    }
  wnd_->RemoveLastItem(1);
  // Fewer bars than the period: nothing in view, 0..1 and no grid.
  LoadBars(data_, Trend(3, 1000, 5));
  ASSERT_TRUE(wnd_->AddItem(1, 101));
  Range();
  EXPECT_FALSE(wnd_->panes[1].has_values);
  EXPECT_EQ(wnd_->panes[1].min, 0);
  EXPECT_EQ(wnd_->panes[1].max, 1);
  EXPECT_EQ(wnd_->panes[1].grid_count, 0);
  // Equal values everywhere: the range is spread to twice and half the value.
  LoadBars(data_, std::vector<BarRow>(8, BarRow{500, 510, 490, 500, 10}));
  wnd_->RecalcIndicators();
  Range();
  EXPECT_EQ(wnd_->panes[1].min, 50);
  EXPECT_EQ(wnd_->panes[1].max, 200);
}

TEST_F(ScaleTest, GridValues) {
  struct Case {
    int pane, kind;
    int64_t min, max;
    std::vector<int64_t> grid;
  } cases[] = {
      {0, 200, 970, 1530, {1110, 1250, 1390}},       // three lines in the price pane
      {0, 200, 9000, 31000, {14500, 20000, 25500}},  // steps above 1000 cut to hundreds
      {0, 200, 9050, 31050, {14500, 20000, 25500}},  // ... and the base too
      {1, 201, 0, 13000, {4300, 8600}},              // two lines below, steps cut to hundreds
      {1, 106, -300, 100, {0, -133}},                // across zero: lines from 0 outward
      {1, 106, -90, 100, {-90 + 63, -90 + 126}},     // nearly balanced: evenly spaced
      {1, 106, 0, 2, {1, 2}},                        // a narrow range still gets distinct lines
      {1, 108, -50, 80, {0}},
      {1, 108, 20, 150, {100}},
      {1, 201, 5, 5, {}},  // max equal to min: no lines
  };
  for (const Case& c : cases) {
    ChartPane& p = wnd_->panes[c.pane];
    p.items[0].kind = c.kind;
    p.has_values = true;
    p.min = c.min;
    p.max = c.max;
    wnd_->ComputeGrid(p, c.pane);
    std::vector<int64_t> got(p.grid_values, p.grid_values + p.grid_count);
    EXPECT_EQ(got, c.grid) << c.kind << " " << c.min << ".." << c.max;
  }
  // A price pane with price-by-volume: the band boundaries.
  LoadBars(data_, Trend(20, 1000, 10));
  ASSERT_TRUE(wnd_->AddItem(0, chart::kKindPriceByVolume));
  Range();
  const ChartPane& p = wnd_->panes[0];
  ASSERT_EQ(p.grid_count, 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(p.grid_values[k], data_.pbv_upper[k]);
}

TEST_F(ScaleTest, TimeLabelsStayWithinTheVisibleBars) {
  Bars(150);
  wnd_->ComputeVisibleRange();
  wnd_->ComputeLabels();
  // Due: 145, 136, 127, 118, 109, 100, 91; seven, so the odd-numbered ones are left out.
  std::vector<int> got(wnd_->label_index, wnd_->label_index + wnd_->label_count);
  EXPECT_EQ(got, (std::vector<int>{145, 127, 109, 91}));
  EXPECT_EQ(wnd_->label_kind, chart::kLabelMonthDay);
  // Six due (from 54 down to 9): the even-numbered ones are left out.
  Bars(59);
  wnd_->ComputeVisibleRange();
  wnd_->ComputeLabels();
  got.assign(wnd_->label_index, wnd_->label_index + wnd_->label_count);
  EXPECT_EQ(got, (std::vector<int>{45, 27, 9}));
  // Too few bars for a label: none, rather than a label on a bar that does not exist.
  for (int n : {1, 3, 5}) {
    Bars(n);
    wnd_->ComputeVisibleRange();
    wnd_->ComputeLabels();
    EXPECT_EQ(wnd_->label_count, 0) << n;
  }
  // Monthly bars: a label where the year changes.
  std::vector<BarRow> rows(30, BarRow{100, 110, 90, 100, 1});
  LoadBars(data_, rows);
  for (int i = 0; i < 30; ++i) data_.bars[i].time = chart::MakeBarTime(2001 + (i + 6) / 12, (i + 6) % 12 + 1, 1);
  EXPECT_EQ(wnd_->SetMode(chart::kModeMonthly), 1);
  EXPECT_EQ(wnd_->SetMode(chart::kModeMonthly), 0);
  wnd_->ComputeVisibleRange();
  wnd_->ComputeLabels();
  got.assign(wnd_->label_index, wnd_->label_index + wnd_->label_count);
  EXPECT_EQ(got, (std::vector<int>{6, 18}));
  EXPECT_EQ(wnd_->label_kind, chart::kLabelYear);
}

TEST_F(ScaleTest, BarTimesRoundTrip) {
  struct Case {
    int y, mo, d, h, mi;
  } cases[] = {{1950, 1, 1, 0, 0}, {2003, 1, 1, 9, 5}, {2004, 2, 29, 15, 0}, {2049, 12, 31, 23, 59}};
  for (const Case& c : cases) {
    const chart::BarDate d = chart::SplitBarTime(chart::MakeBarTime(c.y, c.mo, c.d, c.h, c.mi));
    EXPECT_EQ(d.year, c.y);
    EXPECT_EQ(d.month, c.mo);
    EXPECT_EQ(d.day, c.d);
    EXPECT_EQ(d.hour, c.h);
    EXPECT_EQ(d.minute, c.mi);
  }
  EXPECT_EQ(chart::MakeBarTime(1970, 1, 2), 86400);
  EXPECT_EQ(chart::MakeBarTime(1969, 12, 31, 23), -3600);
  EXPECT_EQ(chart::SplitBarTime(-3600).day, 31);
}

TEST_F(ScaleTest, AxisAndReadoutTexts) {
  struct Axis {
    int64_t v;
    bool hundredths;
    std::u16string want;
  } axis[] = {
      {0, false, u"0"},       {999, false, u"999"},        {1000, false, u"1,000"}, {-1234567, false, u"-1,234,567"},
      {7535, true, u"75.35"}, {123456, true, u"1,234.56"}, {-5, true, u"-0.05"}};
  for (const Axis& a : axis) EXPECT_EQ(chart::FormatAxisValue(a.v, a.hundredths).str(), a.want) << a.v;
  struct Readout {
    int v, format;
    std::u16string want;
  } readout[] = {{NO_VALUE, 0, u"-"},  {12345, 0, u"12345"},     {7535, -100, u"75.35"},
                 {-5, -100, u"-0.05"}, {-7535, -100, u"-75.35"}, {NO_VALUE, -100, u"-"}};
  for (const Readout& r : readout) EXPECT_EQ(chart::FormatReadoutValue(r.v, r.format).str(), r.want) << r.v;

  LoadBars(data_, {{10100, 10300, 10000, 10200, 5}}, chart::MakeBarTime(2003, 3, 5, 9, 7));
  EXPECT_EQ(wnd_->ReadoutFirstLine(0).str(), u"03/05  10100 10300 10000 10200");
  wnd_->SetMode(chart::kModeMinute);
  EXPECT_EQ(wnd_->ReadoutFirstLine(0).str(), u"09:07  10100 10300 10000 10200");
  data_.price_format = -100;
  wnd_->SetMode(chart::kModeFutOptDaily);
  EXPECT_EQ(wnd_->ReadoutFirstLine(0).str(), u"03/05  101.00 103.00 100.00 102.00");
}

}  // namespace
}  // namespace charttest
