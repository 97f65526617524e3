// A chart reply's bars read into the chart window's store, as each chart screen reads them: the
// stock chart (prices in won, -1 for no average, the year in a century window, volumes in
// thousands, the scroll position kept) and the futures/options chart (hundredths, -100, years from
// 2000, volumes as received, bars without trades flat, the newest bars shown after every reply).
#include "chart/chart_screen.h"
#include "chart_fixture.h"
#include "chart_replies.h"

namespace charttest {
namespace {

using chartscreentest::Bar;
using chartscreentest::Prices;

struct Format {
  const char* name;
  chart::BarReply reply;
  size_t head;
  Prices prices;
  // What the three bars of the reply below become.
  int years[3];
  int64_t volumes[3];
  int32_t flatClose;  // the close of the bar without trades
  int endIndex;       // after a reply, the view scrolled back to bar 1 before
};
void PrintTo(const Format& f, std::ostream* os) { *os << f.name; }

const Format kFormats[] = {
    {"stock", chart::kStockChartBars, 18, Prices::TenThousands, {2049, 1950, 2003}, {12345, 0, NO_VALUE}, 7700, 1},
    {"futopt", chart::kFutOptChartBars, 8, Prices::Hundredths, {2049, 2050, 2003}, {12345678, 0, NO_VALUE}, 7535, -1},
};

// The count promises more bars than the body holds; the second bar had no trades, the third
// a negative volume.
const std::vector<Bar> kBars = {
    {49, 12, 31, 7500, 7600, 7400, 7535, 7510, 7400, 7300, 12345678},
    {50, 1, 31, 7535, 7900, 7000, 7700, 0, 0, 0, 0},
    {3, 1, 6, 7540, 7560, 7520, 7550, 7545, 7500, 7450, -5000},
};

class ReplyBarsTest : public ChartWindowTest, public ::testing::WithParamInterface<Format> {};

TEST_P(ReplyBarsTest, DailyBarsAreReadByTheScreensRules) {
  const Format& f = GetParam();
  std::vector<Bar> bars = kBars;
  bars[1].ma5 = f.reply.noAverage;
  LoadBars(data_, Trend(50, 1000, 10));
  wnd_->end_index = 1;
  const auto body = chartscreentest::ChartBody(bars, 127, f.head, f.prices);
  ASSERT_TRUE(chart::ShowReplyBars(*wnd_, body.data(), static_cast<int>(body.size()), chart::kModeDaily, f.reply));

  ASSERT_EQ(data_.count, 3);
  EXPECT_TRUE(data_.loaded);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const ChartBar& b = data_.bars[static_cast<size_t>(i)];
    EXPECT_EQ(chart::SplitBarTime(b.time).year, f.years[i]);
    EXPECT_EQ(b.volume, f.volumes[i]);
  }
  EXPECT_EQ(data_.bars[0].open, 7500);
  EXPECT_EQ(data_.bars[0].ma[0], 7510);
  EXPECT_EQ(data_.bars[1].ma[0], NO_VALUE);
  EXPECT_EQ(data_.bars[1].close, f.flatClose);
  EXPECT_EQ(data_.volume_unit, f.reply.volumeUnit);
  EXPECT_EQ(data_.price_format, f.reply.priceFormat);
  EXPECT_EQ(wnd_->end_index, f.endIndex);
  EXPECT_EQ(wnd_->chart_mode, chart::kModeDaily);
}

TEST_P(ReplyBarsTest, MinuteBarsAreDatedByTheirTimeWithTheirOwnAverages) {
  const Format& f = GetParam();
  std::vector<Bar> bars = kBars;
  bars[0].d0 = 9, bars[0].d1 = 50;
  bars[1].d0 = 13, bars[1].d1 = 5;
  const auto body = chartscreentest::ChartBody(bars, 2, f.head, f.prices);
  ASSERT_TRUE(chart::ShowReplyBars(*wnd_, body.data(), static_cast<int>(body.size()), chart::kModeMinute, f.reply));
  ASSERT_EQ(data_.count, 2);
  const chart::BarDate t = chart::SplitBarTime(data_.bars[1].time);
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute}), (std::vector<int>{2003, 1, 1, 13, 5}));
  // The reply's averages give way to the closes' own.
  EXPECT_EQ(data_.bars[0].ma[0], 7535);
  EXPECT_EQ(data_.bars[1].ma[0], (7535 + f.flatClose) / 2);
  EXPECT_EQ(wnd_->chart_mode, chart::kModeMinute);
}

TEST_P(ReplyBarsTest, AnEmptyReplyEmptiesTheChartAndAShortOneChangesNothing) {
  const Format& f = GetParam();
  LoadBars(data_, Trend(50, 1000, 10));
  // Shorter than the count field: refused, the bars stay.
  const auto head = chartscreentest::Bytes(f.head, 0);
  EXPECT_FALSE(chart::ShowReplyBars(*wnd_, head.data(), static_cast<int>(head.size()), chart::kModeDaily, f.reply));
  EXPECT_EQ(data_.count, 50);
  // No bars, or a negative count: an empty chart.
  for (int count : {0, -3}) {
    LoadBars(data_, Trend(50, 1000, 10));
    const auto body = chartscreentest::ChartBody(kBars, count, f.head, f.prices);
    EXPECT_TRUE(chart::ShowReplyBars(*wnd_, body.data(), static_cast<int>(body.size()), chart::kModeDaily, f.reply));
    EXPECT_EQ(data_.count, 0) << count;
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, ReplyBarsTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace charttest
