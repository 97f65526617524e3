#include "chart/stock_data.h"

#include <algorithm>
#include <chrono>

#include "vxbase/text_log.h"

namespace chart {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The multiple of `unit` at or above v / at or below v.
int64_t RoundUp(int64_t v, int64_t unit) { return -FloorDiv(-v, unit) * unit; }
int64_t RoundDown(int64_t v, int64_t unit) { return FloorDiv(v, unit) * unit; }

}  // namespace

BarTime MakeBarTime(int year, int month, int day, int hour, int minute, int second) {
  const std::chrono::sys_days date{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                                   std::chrono::day{static_cast<unsigned>(day)}};
  return static_cast<BarTime>(date.time_since_epoch().count()) * 86400 + hour * 3600 + minute * 60 + second;
}

BarDate SplitBarTime(BarTime t) {
  const int64_t days = FloorDiv(t, 86400);
  const int64_t secs = t - days * 86400;
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
  BarDate out;
  out.year = static_cast<int>(date.year());
  out.month = static_cast<int>(static_cast<unsigned>(date.month()));
  out.day = static_cast<int>(static_cast<unsigned>(date.day()));
  out.hour = static_cast<int>(secs / 3600);
  out.minute = static_cast<int>(secs / 60 % 60);
  out.second = static_cast<int>(secs % 60);
  return out;
}

StockData_1::StockData_1() { Clear(); }

void StockData_1::Clear() {
  bars.fill(ChartBar{});
  count = 0;
  std::fill(std::begin(pbv_upper), std::end(pbv_upper), 0);
  std::fill(std::begin(pbv_total), std::end(pbv_total), 0);
  pbv_max = 0;
}

int StockData_1::SetCount(int n) {
  count = std::clamp(n, 0, capacity);
  return count;
}

void ApplyPriceMargin(int64_t* min, int64_t* max) {
  const int64_t lowest = *min, highest = *max;
  const int64_t d = highest - lowest;
  const int64_t pad = d < 10 ? 3 : d < 20 ? 5 : std::max<int64_t>(d / 20, 10);
  int64_t hi = highest + pad, lo = lowest - pad;
  int64_t unit = 0;
  if (d >= 10001)
    unit = 1000;
  else if (d >= 1001)
    unit = 100;
  else if (d >= 20)
    unit = 10;
  if (unit >= 100) {
    // Both ends cut toward zero to a multiple of the unit.
    hi -= hi % unit;
    lo -= lo % unit;
  } else if (unit) {
    // The maximum one step of ten above its cut, the minimum cut.
    hi = hi - hi % unit + unit;
    lo -= lo % unit;
  }
  // A cut that would leave the highest or the lowest value outside the pane rounds that end
  // outward instead, so that every bar stays whole.
  if (unit && hi < highest) hi = RoundUp(highest + pad, unit);
  if (unit && lo > lowest) lo = RoundDown(lowest - pad, unit);
  *max = hi;
  *min = lo;
}

bool StockData_1::GetMinMaxPrice(int first, int last, int64_t* min, int64_t* max) const {
  const int asked_first = first, asked_last = last;  // logged as asked: -1, -1 for every bar
  if (first < 0 && last < 0) {
    first = 0;
    last = count - 1;
  }
  first = std::max(first, 0);
  last = std::min(last, count - 1);
  int64_t lo = 999999999, hi = -999999;
  bool found = false;
  for (int i = first; i <= last; ++i) {
    const ChartBar& b = bars[static_cast<size_t>(i)];
    const int32_t values[] = {b.high, b.low, b.ma[0], b.ma[1], b.ma[2]};
    for (int32_t v : values) {
      if (v == NO_VALUE) continue;
      found = true;
      hi = std::max<int64_t>(hi, v);
      lo = std::min<int64_t>(lo, v);
    }
  }
  if (!found) {
    *min = 0;
    *max = 1;
    return false;
  }
  AWLOG("qzlo.log", "StockData_1::GetMinMaxPrice(%d, %d):: before Min = %d, Max = %d\n", asked_first, asked_last,
        static_cast<int>(lo), static_cast<int>(hi));
  ApplyPriceMargin(&lo, &hi);
  AWLOG("qzlo.log", "StockData_1::GetMinMaxPrice(%d, %d):: Min = %d, Max = %d\n", asked_first, asked_last,
        static_cast<int>(lo), static_cast<int>(hi));
  *min = lo;
  *max = hi;
  return true;
}

void StockData_1::ComputeOverlayAverages() {
  for (int q = 0; q < 3; ++q) {
    const int period = kOverlayPeriods[q];
    int64_t sum = 0;
    for (int i = 0; i < count; ++i) {
      sum += bars[static_cast<size_t>(i)].close;
      if (i >= period) sum -= bars[static_cast<size_t>(i - period)].close;
      const int64_t n = std::min(i + 1, period);
      bars[static_cast<size_t>(i)].ma[q] = static_cast<int32_t>(sum / n);
    }
  }
}

void StockData_1::CalcPriceByVolume(int64_t min, int64_t max) {
  for (int k = 0; k < kBands; ++k) {
    pbv_upper[k] = min + (k + 1) * (max - min) / kBands;
    pbv_total[k] = 0;
  }
  for (int i = 0; i < count; ++i) {
    const ChartBar& b = bars[static_cast<size_t>(i)];
    if (b.volume == NO_VALUE) continue;
    int k = 0;
    while (k < kBands - 1 && pbv_upper[k] <= b.close) ++k;
    pbv_total[k] += b.volume;
  }
  pbv_max = *std::max_element(std::begin(pbv_total), std::end(pbv_total));
}

}  // namespace chart
