#include "chart/stock_data.h"

#include <algorithm>

#include "vxbase/text_log.h"

namespace chart {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The multiple of `unit` at or above v / at or below v.
int64_t RoundUp(int64_t v, int64_t unit) { return -FloorDiv(-v, unit) * unit; }
int64_t RoundDown(int64_t v, int64_t unit) { return FloorDiv(v, unit) * unit; }

}  // namespace

BarTime MakeBarTime(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
         minute * 60 + second;
}

BarDate SplitBarTime(BarTime t) {
  int64_t days = FloorDiv(t, 86400);
  int64_t secs = t - days * 86400;
  // Civil date from days (inverse of DaysFromCivil).
  int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  BarDate out;
  out.year = static_cast<int>(y + (m <= 2));
  out.month = static_cast<int>(m);
  out.day = static_cast<int>(d);
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
  const int64_t d = *max - *min;
  const int64_t pad = d < 10 ? 3 : d < 20 ? 5 : std::max<int64_t>(d / 20, 10);
  *max += pad;
  *min -= pad;
  int64_t unit = 0;
  if (d >= 10001)
    unit = 1000;
  else if (d >= 1001)
    unit = 100;
  else if (d >= 20)
    unit = 10;
  if (unit) {
    // The maximum goes up and the minimum down, so that the padded range still holds every bar.
    *max = RoundUp(*max, unit);
    *min = RoundDown(*min, unit);
  }
}

bool StockData_1::GetMinMaxPrice(int first, int last, int64_t* min, int64_t* max) const {
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
  AWLOG("qzlo.log", "StockData_1::GetMinMaxPrice(%d, %d):: before Min = %d, Max = %d\n", first, last,
        static_cast<int>(lo), static_cast<int>(hi));
  ApplyPriceMargin(&lo, &hi);
  AWLOG("qzlo.log", "StockData_1::GetMinMaxPrice(%d, %d):: Min = %d, Max = %d\n", first, last, static_cast<int>(lo),
        static_cast<int>(hi));
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
