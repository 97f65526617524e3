// The indicator calculations against values computed independently from their definitions
// (tools/chart_reference.py), the price-overlay averages, the MACD cross markers and
// price-by-volume.
#include <cmath>

#include "chart_fixture.h"

namespace charttest {
namespace {

using chart::IndicatorInstance;
using chart::IndicatorLine;

class IndicatorTest : public DeviceRoot {
 protected:
  void SetUp() override {
    DeviceRoot::SetUp();
    LoadReferenceBars(data_);
    expected_ = ReadExpected();
    ASSERT_EQ(data_.count, 80);
    ASSERT_FALSE(expected_.empty());
  }
  IndicatorInstance Make(int kind) {
    IndicatorInstance ind;
    EXPECT_TRUE(ind.Setup(kind, &data_));
    ind.Compute();
    return ind;
  }
  // Every index: a value exactly where the reference has one, equal to it.
  void ExpectColumn(const IndicatorLine& line, bool signal, const std::string& column) {
    ASSERT_TRUE(expected_.count(column)) << column;
    const auto& want = expected_[column];
    for (int i = 0; i < data_.count; ++i) {
      const bool has = signal ? chart::HasSignal(line, i) : chart::HasValue(line, i);
      const double got = signal ? line.signal[i] : line.values[i];
      ASSERT_EQ(has, want[i].has_value()) << column << " at bar " << i;
      if (!has) continue;
      ASSERT_TRUE(std::isfinite(got)) << column << " at bar " << i;
      EXPECT_NEAR(got, *want[i], 1e-9 * std::max(1.0, std::fabs(*want[i]))) << column << " at bar " << i;
    }
  }
  StockData_1 data_;
  std::map<std::string, std::vector<std::optional<double>>> expected_;
};

TEST_F(IndicatorTest, OverlayAveragesAreIntegerAveragesOverTheBarsSoFar) {
  const char* columns[3] = {"ma5", "ma20", "ma60"};
  for (int q = 0; q < 3; ++q)
    for (int i = 0; i < data_.count; ++i)
      ASSERT_EQ(data_.bars[i].ma[q], static_cast<int>(*expected_[columns[q]][i])) << columns[q] << " at " << i;
}

TEST_F(IndicatorTest, EveryKindMatchesTheReferenceTable) {
  struct Line {
    int line;
    bool signal;
    const char* column;
  };
  struct Case {
    int kind;
    std::vector<Line> lines;
  } cases[] = {
      {100, {{0, false, "k100_0"}, {1, false, "k100_1"}, {2, false, "k100_2"}}},
      {101, {{0, false, "k101"}}},
      {102, {{0, false, "k102"}}},
      {103, {{0, false, "k103_0"}, {1, false, "k103_1"}, {2, false, "k103_2"}}},
      {104, {{0, false, "k104"}}},
      {105, {{0, false, "k105_0"}, {1, false, "k105_1"}, {2, false, "k105_2"}}},
      {106, {{0, false, "k106"}, {0, true, "k106_s"}}},
      {107, {{0, false, "k107"}}},
      {108, {{0, false, "k108"}, {0, true, "k108_s"}}},
      {109, {{0, false, "k109"}, {0, true, "k109_s"}}},
      {110, {{0, false, "k110_0"}, {1, false, "k110_1"}}},
      {111, {{0, false, "k111"}, {0, true, "k111_s"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    IndicatorInstance ind = Make(c.kind);
    for (const Line& l : c.lines) {
      ASSERT_LT(l.line, ind.line_count);
      ExpectColumn(ind.lines[l.line], l.signal, l.column);
    }
  }
}

// The flat stretch (bars 40..59: open = high = low = close) makes every denominator zero.
TEST_F(IndicatorTest, ZeroDenominatorsGiveDefinedValues) {
  IndicatorInstance cci = Make(108), rsi = Make(109), dmi = Make(110), stoch = Make(111);
  EXPECT_EQ(cci.lines[0].values[58], 0.0);
  EXPECT_EQ(rsi.lines[0].values[58], 50.0);
  EXPECT_EQ(dmi.lines[0].values[58], 0.0);
  EXPECT_EQ(dmi.lines[1].values[58], 0.0);
  // The stochastic keeps the raw value it had before the range went flat (the close at the top).
  EXPECT_NEAR(stoch.lines[0].values[59], 100 - (100 - stoch.lines[0].values[58]) * 4 / 6, 1e-9);
  // A flat series from the start: the raw value is 50.
  LoadBars(data_, std::vector<BarRow>(12, BarRow{100, 100, 100, 100, 10}));
  IndicatorInstance flat = Make(111);
  EXPECT_EQ(flat.lines[0].values[9], 50.0);
  EXPECT_EQ(flat.lines[0].signal[11], 50.0);
}

TEST_F(IndicatorTest, EmptyInputsGiveEmptyValues) {
  // The bar without volume (25) empties the volume averages whose window holds it.
  IndicatorInstance vma = Make(103);
  for (int i = 25; i < 30; ++i) EXPECT_FALSE(chart::HasValue(vma.lines[0], i)) << i;
  EXPECT_TRUE(chart::HasValue(vma.lines[0], 30));
  // The price oscillator is empty where an overlay average is missing.
  data_.bars[33].ma[1] = NO_VALUE;
  IndicatorInstance po = Make(107);
  EXPECT_FALSE(chart::HasValue(po.lines[0], 33));
  EXPECT_TRUE(chart::HasValue(po.lines[0], 34));
}

TEST_F(IndicatorTest, ShortSeriesAndTextbookShapes) {
  // Fewer bars than the period: nothing at all.
  LoadBars(data_, Trend(15, 1000, 10));
  IndicatorInstance boll = Make(105);
  for (int i = 0; i < 15; ++i) EXPECT_FALSE(chart::HasValue(boll.lines[1], i));
  // Ten rises in a row: the psychological line is 100; ten falls: 0.
  LoadBars(data_, Trend(11, 1000, 10));
  EXPECT_EQ(Make(104).lines[0].values[10], 100.0);
  LoadBars(data_, Trend(11, 1000, -10));
  EXPECT_EQ(Make(104).lines[0].values[10], 0.0);
  // A constant close: the Bollinger bands collapse onto it.
  LoadBars(data_, std::vector<BarRow>(20, BarRow{500, 510, 490, 500, 10}));
  IndicatorInstance flat = Make(105);
  EXPECT_EQ(flat.lines[1].values[19], 500.0);
  EXPECT_EQ(flat.lines[2].values[19], 500.0);
  // The MACD and its signal start at 0; the stochastic's %K and %D agree at p1 - 1.
  LoadReferenceBars(data_);
  IndicatorInstance macd = Make(106), stoch = Make(111);
  EXPECT_EQ(macd.lines[0].values[0], 0.0);
  EXPECT_EQ(macd.lines[0].signal[0], 0.0);
  EXPECT_EQ(stoch.lines[0].values[9], stoch.lines[0].signal[9]);
  // DI+ is 0 on a bar whose high is not above the previous high.
  LoadBars(data_, {{100, 120, 90, 110, 1}, {110, 120, 80, 100, 1}});
  IndicatorLine di;
  chart::RunCalculation(chart::kCalcDIPlus, data_, 1, 0, 0, &di);
  EXPECT_EQ(di.values[1], 0.0);
}

TEST_F(IndicatorTest, MacdCrossMarkersFollowTheSideOfTheSignalLine) {
  IndicatorInstance macd = Make(106);
  const auto& m = expected_["k106"];
  const auto& s = expected_["k106_s"];
  std::vector<std::pair<int, int>> want;
  int side = 0;
  for (int i = 0; i < data_.count; ++i) {
    const double d = *m[i] - *s[i];
    const int now = d > 0 ? 1 : d < 0 ? -1 : 0;
    if (now == 0) continue;
    if (side != 0 && now != side) want.push_back({i, now > 0 ? 1 : 2});
    side = now;
  }
  ASSERT_FALSE(want.empty());
  ASSERT_EQ(macd.marker_count, static_cast<int>(want.size()));
  for (size_t k = 0; k < want.size(); ++k) {
    EXPECT_EQ(macd.markers[k].index, want[k].first);
    EXPECT_EQ(macd.markers[k].direction, want[k].second);
  }
}

TEST_F(IndicatorTest, UnknownKindsAreRefused) {
  IndicatorInstance ind;
  EXPECT_FALSE(ind.Setup(99, &data_));
  EXPECT_FALSE(ind.Setup(112, &data_));
  EXPECT_EQ(chart::IndicatorRow(112), nullptr);
  EXPECT_EQ(chart::IndicatorRow(106)->param_default[0], 12);
}

TEST_F(IndicatorTest, PriceByVolumeBandsSkipEmptyVolumes) {
  LoadBars(data_, {{0, 0, 0, 100, 10},
                   {0, 0, 0, 119, 20},
                   {0, 0, 0, 120, 40},
                   {0, 0, 0, 199, 80},
                   {0, 0, 0, 200, 160},
                   {0, 0, 0, 150, NO_VALUE},
                   {0, 0, 0, 500, 320}});
  data_.CalcPriceByVolume(100, 200);
  const int64_t upper[5] = {120, 140, 160, 180, 200};
  const int64_t total[5] = {30, 40, 0, 0, 80 + 160 + 320};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(data_.pbv_upper[k], upper[k]) << k;
    EXPECT_EQ(data_.pbv_total[k], total[k]) << k;
  }
  EXPECT_EQ(data_.pbv_max, 560);
}

}  // namespace
}  // namespace charttest
