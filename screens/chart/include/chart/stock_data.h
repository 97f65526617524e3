// The bar store shared by a chart screen and its chart window: up to 200 bars, oldest first, with
// the price-overlay averages of every bar and the price-by-volume totals.
#pragma once

#include <array>
#include <cstdint>

namespace chart {

// The no-value mark of every chart value (bar averages, volumes, indicator values).
constexpr int NO_VALUE = -999999999;

// Calendar time of a bar: seconds since 1970-01-01 00:00:00, no time zone.
using BarTime = int64_t;
BarTime MakeBarTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
struct BarDate {
  int year, month, day, hour, minute, second;
};
BarDate SplitBarTime(BarTime t);

struct ChartBar {
  BarTime time;
  int32_t open, high, low, close;
  int64_t volume;  // NO_VALUE: no volume
  int32_t ma[3];   // 5-, 20- and 60-bar averages of close; NO_VALUE: none
  char updown;     // '4' rising, '2' falling
};

class StockData_1 {
 public:
  static constexpr int kCapacity = 200;
  static constexpr int kBands = 5;
  static constexpr int kOverlayPeriods[3] = {5, 20, 60};

  StockData_1();

  // Empties the store (bars zero-filled, count 0); `loaded` and the formats stay.
  void Clear();
  // Sets the number of filled bars, limited to 0..capacity; returns the count kept.
  int SetCount(int n);

  // The padded price range over bars first..last (both -1: every bar): the largest high or
  // average and the smallest low or average, NO_VALUE skipped, then the price margin rule. Both
  // values, before and after the margins, are appended to "qzlo.log". False (and 0..1) when the
  // range holds no value.
  bool GetMinMaxPrice(int first, int last, int64_t* min, int64_t* max) const;

  // Recomputes the three `ma` values of every bar from the closes (integer averages, over the
  // bars so far while there are fewer than the period): for minute bars, whose replies carry none.
  void ComputeOverlayAverages();

  // Price-by-volume over every bar between min and max: five bands, each bar's volume (NO_VALUE
  // skipped) added to the first band whose upper bound exceeds its close, the top band otherwise.
  void CalcPriceByVolume(int64_t min, int64_t max);

  std::array<ChartBar, kCapacity> bars;
  int count = 0;
  int capacity = kCapacity;
  bool loaded = false;
  int volume_unit = 0;   // 1000: volumes in thousands (unit text shown)
  int price_format = 0;  // -100: prices in hundredths

  int64_t pbv_upper[kBands] = {};
  int64_t pbv_total[kBands] = {};
  int64_t pbv_max = 0;
};

// The price margin rule applied to a raw price range [min, max]: padding by the spread, then both
// ends cut to a unit that grows with the spread (tens: the maximum a step of ten above its cut);
// an end whose cut would leave a bar outside the pane is rounded outward instead.
void ApplyPriceMargin(int64_t* min, int64_t* max);

}  // namespace chart
