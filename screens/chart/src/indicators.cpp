#include "chart/indicators.h"

#include "chart/colours.h"

#include <algorithm>
#include <cmath>

namespace chart {

namespace {

using colour::kBlack;
using colour::kBlue;
using colour::kGreen;
using colour::kMagenta;
using colour::kNavy;
using colour::kRed;
constexpr COLORREF kDeepGreen = colour::kVolumeGreen;

const IndicatorDef kTable[kIndicatorKinds] = {
    {3,
     u"이동평균 5_10_20",
     {kNavy, kMagenta, kGreen},
     0,
     {kCalcMA, kCalcMA, kCalcMA},
     {0, 0},
     {{0}, {1}, {2}},
     {u"이동평균 1", u"이동평균 2", u"이동평균 3"},
     {u"MA(period1)", u"MA(period2)", u"MA(period3)"},
     3,
     {u"Period1", u"Period2", u"Period3"},
     {5, 20, 60},
     0,
     {}},
    {1,
     u"이격도",
     {kNavy},
     0,
     {kCalcDisparity},
     {0, 0},
     {{0}},
     {u"이격도"},
     {u"Disparity(Period)"},
     1,
     {u"Period"},
     {5},
     0,
     {}},
    {1, u"이동평균", {kNavy}, 0, {kCalcMA}, {0, 0}, {{0}}, {u"이동평균"}, {u"MA(Period)"}, 1, {u"Period"}, {5}, 0, {}},
    {3,
     u"거래량 이동평균 5_10_20",
     {kNavy, kMagenta, kGreen},
     0,
     {kCalcVolumeMA, kCalcVolumeMA, kCalcVolumeMA},
     {0, 0},
     {{0}, {1}, {2}},
     {u"V MA 1", u"V MA 2", u"V MA 3"},
     {u"VMA(Period1)", u"VMA(Period3)", u"VMA(Period3)"},
     3,
     {u"Period1", u"Period2", u"Period3"},
     {5, 10, 20},
     0,
     {}},
    {1,
     u"심리도",
     {kBlue},
     0,
     {kCalcPsychological},
     {0, 0},
     {{0}},
     {u"심리도"},
     {u"심리도(Period)"},
     1,
     {u"Period"},
     {10},
     0,
     {}},
    {3,
     u"Bollinger Bands",
     {kNavy, kMagenta, kGreen},
     0,
     {kCalcMA, kCalcBollUpper, kCalcBollLower},
     {0, 0},
     {{0}, {0, 1}, {0, 1}},
     {u"MA", u"Bollband Up", u"Bollband down"},
     {u"MA(Period)", u"BollbandUp(Period, D)", u"BollbandDown(Period, D)"},
     2,
     {u"Period", u"D"},
     {20, 2},
     0,
     {}},
    {2,
     u"MACD",
     {kRed, kDeepGreen},
     1,
     {kCalcMACD},
     {0, 0},
     {{0, 1, 0}, {0, 1, 0}},
     {u"MACD", u"Signal"},
     {u"MACD(Period)"},
     3,
     {u"Period1", u"Period2", u"Period3"},
     {12, 26, 9},
     0,
     {}},
    {1,
     u"Price Oscillator",
     {kMagenta},
     0,
     {kCalcPriceOscillator},
     {0, 0},
     {{0, 1}},
     {u"Price Oscillator"},
     {u"POscillator(p1, p2)"},
     2,
     {u"Period1", u"Period2"},
     {5, 20},
     0,
     {}},
    {2,
     u"CCI",
     {kBlack, kRed},
     1,
     {kCalcCCI},
     {0, 0},
     {{0, 1}, {0, 1}},
     {u"CCI", u"Signal"},
     {u"CCI(p1)"},
     2,
     {u"Period1", u"Period2"},
     {14, 9},
     2,
     {-100, 100}},
    {2,
     u"RSI",
     {kBlack, kRed},
     1,
     {kCalcRSI},
     {0, 0},
     {{0, 1}, {0, 1}},
     {u"RSI", u"Signal"},
     {u"RSI(p1)"},
     2,
     {u"Period1", u"Period2"},
     {14, 9},
     2,
     {30, 70}},
    {2,
     u"DMI",
     {kRed, kBlue},
     0,
     {kCalcDIPlus, kCalcDIMinus},
     {0, 0},
     {{0}, {0}},
     {u"DMI+", u"DMI-"},
     {u"DMI+(p1)DMI-(p1)"},
     1,
     {u"Period1"},
     {14},
     0,
     {}},
    {2,
     u"Stochastic Slow",
     {kBlack, kRed},
     1,
     {kCalcStochasticSlow},
     {0, 0},
     {{0, 1, 2}, {0, 1, 2}},
     {u"Stochastic Slow", u"%D"},
     {u"StochasticSlow(p1)"},
     3,
     {u"Period1", u"Period2", u"Period3"},
     {10, 5, 5},
     2,
     {20, 80}},
};

double Close(const StockData_1& d, int i) { return d.bars[static_cast<size_t>(i)].close; }
double High(const StockData_1& d, int i) { return d.bars[static_cast<size_t>(i)].high; }
double Low(const StockData_1& d, int i) { return d.bars[static_cast<size_t>(i)].low; }

// Simple average of close (or volume) over the p values ending at each index; a window that
// holds an empty volume is empty.
void Average(const StockData_1& d, int n, int p, bool volume, IndicatorLine* out) {
  out->first_valid = std::max(p - 1, 0);
  for (int i = out->first_valid; i < n; ++i) {
    double sum = 0;
    bool empty = false;
    for (int j = i - p + 1; j <= i; ++j) {
      if (volume) {
        int64_t v = d.bars[static_cast<size_t>(j)].volume;
        if (v == NO_VALUE) {
          empty = true;
          break;
        }
        sum += static_cast<double>(v);
      } else {
        sum += Close(d, j);
      }
    }
    out->values[static_cast<size_t>(i)] = empty ? NO_VALUE : sum / p;
  }
}

void Disparity(const StockData_1& d, int n, int p, IndicatorLine* out) {
  out->first_valid = std::max(p - 1, 0);
  for (int i = out->first_valid; i < n; ++i) {
    double sum = 0;
    for (int j = i - p + 1; j <= i; ++j) sum += Close(d, j);
    // A close of zero over the whole window stands at its own average: 100 %.
    out->values[static_cast<size_t>(i)] = sum == 0 ? 100.0 : Close(d, i) * p * 100.0 / sum;
  }
}

void Psychological(const StockData_1& d, int n, int p, IndicatorLine* out) {
  out->first_valid = p;
  for (int i = p; i < n; ++i) {
    int rising = 0;
    for (int j = i - p + 1; j <= i; ++j) rising += Close(d, j) > Close(d, j - 1);
    out->values[static_cast<size_t>(i)] = 100.0 * rising / p;
  }
}

void Bollinger(const StockData_1& d, int n, int p, int width, double sign, IndicatorLine* out) {
  out->first_valid = std::max(p - 1, 0);
  for (int i = out->first_valid; i < n; ++i) {
    double sum = 0;
    for (int j = i - p + 1; j <= i; ++j) sum += Close(d, j);
    const double m = sum / p;
    double sq = 0;
    for (int j = i - p + 1; j <= i; ++j) sq += (Close(d, j) - m) * (Close(d, j) - m);
    out->values[static_cast<size_t>(i)] = m + sign * width * std::sqrt(sq / p);
  }
}

// MACD from exponential averages of periods p1 and p2; its signal line is the plain average of
// the MACD over the last q values.
void Macd(const StockData_1& d, int n, int p1, int p2, int q, IndicatorLine* out) {
  out->first_valid = 0;
  out->signal_first_valid = 0;
  if (n <= 0) return;
  const double a = 2.0 / (p1 + 1), b = 2.0 / (p2 + 1);
  double es = Close(d, 0), el = Close(d, 0);
  out->values[0] = 0;
  out->signal[0] = 0;
  double sum = 0;
  for (int i = 1; i < n; ++i) {
    es = a * Close(d, i) + (1 - a) * es;
    el = b * Close(d, i) + (1 - b) * el;
    out->values[static_cast<size_t>(i)] = es - el;
  }
  for (int i = 0; i < n; ++i) {
    sum += out->values[static_cast<size_t>(i)];
    if (i >= q) sum -= out->values[static_cast<size_t>(i - q)];
    out->signal[static_cast<size_t>(i)] = sum / std::min(i + 1, q);
  }
}

// The 5-bar minus the 20-bar price-overlay average; empty where either is missing.
void PriceOscillator(const StockData_1& d, int n, int p1, IndicatorLine* out) {
  out->first_valid = std::max(p1 - 1, 0);
  for (int i = 0; i < n; ++i) {
    const ChartBar& b = d.bars[static_cast<size_t>(i)];
    out->values[static_cast<size_t>(i)] =
        b.ma[0] == NO_VALUE || b.ma[1] == NO_VALUE ? NO_VALUE : static_cast<double>(b.ma[0]) - b.ma[1];
  }
}

void Cci(const StockData_1& d, int n, int p1, int p2, IndicatorLine* out) {
  out->first_valid = p1;
  out->signal_first_valid = p1;
  const double a = 2.0 / (p2 + 1);
  for (int i = p1; i < n; ++i) {
    const int from = i - p1 + 1;
    double sma = 0;
    for (int j = from; j <= i; ++j) sma += (High(d, j) + Low(d, j) + Close(d, j)) / 3;
    sma /= p1;
    double md = 0;
    for (int j = from; j <= i; ++j) md += std::fabs(sma - (High(d, j) + Low(d, j) + Close(d, j)) / 3);
    md /= p1;
    const double tp = (High(d, i) + Low(d, i) + Close(d, i)) / 3;
    // A window of equal typical prices has no deviation: the CCI is 0 there.
    const double cci = md == 0 ? 0.0 : (tp - sma) / (0.015 * md);
    out->values[static_cast<size_t>(i)] = cci;
    out->signal[static_cast<size_t>(i)] = i == p1 ? cci : (1 - a) * out->signal[static_cast<size_t>(i - 1)] + a * cci;
  }
}

// RSI over sliding sums of the rises and falls of the last p1 changes; its signal line is an
// exponential average that starts at the first RSI value.
void Rsi(const StockData_1& d, int n, int p1, int p2, IndicatorLine* out) {
  out->first_valid = p1 + 1;
  out->signal_first_valid = p1 + 1;
  if (n <= p1 + 1) return;
  const double a = 2.0 / (p2 + 1);
  double up = 0, down = 0;
  auto take = [&](int i, double sign) {
    const double c = Close(d, i) - Close(d, i - 1);
    if (c > 0)
      up += sign * c;
    else
      down += sign * -c;
  };
  for (int i = 1; i <= p1; ++i) take(i, 1);
  for (int i = p1 + 1; i < n; ++i) {
    take(i, 1);
    take(i - p1, -1);
    // No change over the whole window: neither side leads, 50.
    const double rsi = up + down == 0 ? 50.0 : 100.0 * up / (up + down);
    out->values[static_cast<size_t>(i)] = rsi;
    out->signal[static_cast<size_t>(i)] =
        i == p1 + 1 ? rsi : (1 - a) * out->signal[static_cast<size_t>(i - 1)] + a * rsi;
  }
}

void DirectionalIndex(const StockData_1& d, int n, int p, bool plus, IndicatorLine* out) {
  out->first_valid = std::max(p, 1);
  for (int i = out->first_valid; i < n; ++i) {
    double dm_sum = 0, tr_sum = 0;
    for (int j = std::max(1, i - p + 1); j <= i; ++j) {
      const double up = High(d, j) - High(d, j - 1), down = Low(d, j - 1) - Low(d, j);
      const double dm = plus ? (up > 0 && up > down ? up : 0) : (down > 0 && down > up ? down : 0);
      const double prev = Close(d, j - 1);
      const double tr = std::max({High(d, j) - Low(d, j), std::fabs(prev - High(d, j)), std::fabs(prev - Low(d, j))});
      dm_sum += dm;
      tr_sum += tr;
    }
    // Bars without any range move in no direction.
    out->values[static_cast<size_t>(i)] = tr_sum == 0 ? 0.0 : 100.0 * dm_sum / tr_sum;
  }
}

// Slow stochastic: %K an exponential average of the raw %K, %D an exponential average of %K.
void Stochastic(const StockData_1& d, int n, int p1, int p2, IndicatorLine* out) {
  out->first_valid = std::max(p1 - 1, 0);
  out->signal_first_valid = out->first_valid;
  const double a = 2.0 / (p2 + 1);
  double raw_prev = 50.0;  // a flat window keeps the previous raw value, 50 before any
  for (int i = out->first_valid; i < n; ++i) {
    double hi = High(d, i), lo = Low(d, i);
    for (int j = std::max(0, i - p1 + 1); j <= i; ++j) {
      hi = std::max(hi, High(d, j));
      lo = std::min(lo, Low(d, j));
    }
    const double raw = hi == lo ? raw_prev : 100.0 * (Close(d, i) - lo) / (hi - lo);
    raw_prev = raw;
    const size_t k = static_cast<size_t>(i);
    if (i == out->first_valid) {
      out->values[k] = raw;
      out->signal[k] = raw;
    } else {
      out->values[k] = (1 - a) * out->values[k - 1] + a * raw;
      out->signal[k] = a * out->values[k] + (1 - a) * out->signal[k - 1];
    }
  }
}

}  // namespace

const IndicatorDef* IndicatorRow(int kind) {
  const int row = kind - kIndicatorFirstKind;
  return row >= 0 && row < kIndicatorKinds ? &kTable[row] : nullptr;
}

void RunCalculation(int calc, const StockData_1& data, int p1, int p2, int p3, IndicatorLine* out) {
  (void)p3;
  const int n = std::clamp(data.count, 0, kIndicatorValues);
  out->data = &data;
  out->values.fill(0);
  out->signal.fill(0);
  out->first_valid = 0;
  out->signal_first_valid = 0;
  out->has_signal = calc == kCalcMACD || calc == kCalcCCI || calc == kCalcRSI || calc == kCalcStochasticSlow;
  // A period below 1 has no meaning; such a line stays empty.
  if (p1 < 1 || (out->has_signal && calc != kCalcMACD && p2 < 1)) {
    out->first_valid = out->signal_first_valid = n;
    out->computed = n;
    return;
  }
  switch (calc) {
    case kCalcMA: Average(data, n, p1, false, out); break;
    case kCalcDisparity: Disparity(data, n, p1, out); break;
    case kCalcVolumeMA: Average(data, n, p1, true, out); break;
    case kCalcPsychological: Psychological(data, n, p1, out); break;
    case kCalcBollUpper: Bollinger(data, n, p1, p2, 1, out); break;
    case kCalcBollLower: Bollinger(data, n, p1, p2, -1, out); break;
    case kCalcMACD: Macd(data, n, p1, std::max(p2, 1), std::max(p3, 1), out); break;
    case kCalcPriceOscillator: PriceOscillator(data, n, p1, out); break;
    case kCalcCCI: Cci(data, n, p1, p2, out); break;
    case kCalcRSI: Rsi(data, n, p1, p2, out); break;
    case kCalcDIPlus: DirectionalIndex(data, n, p1, true, out); break;
    case kCalcDIMinus: DirectionalIndex(data, n, p1, false, out); break;
    case kCalcStochasticSlow: Stochastic(data, n, p1, p2, out); break;
    default: out->first_valid = n; break;
  }
  out->computed = n;
}

bool IndicatorInstance::Setup(int k, const StockData_1* data) {
  def = IndicatorRow(k);
  if (!def || !data) return false;
  kind = k;
  std::copy(std::begin(def->param_default), std::end(def->param_default), params);
  line_count = def->one_calc ? 1 : def->line_count;
  for (int l = 0; l < line_count; ++l) {
    lines[l] = IndicatorLine{};
    lines[l].data = data;
    lines[l].colour = def->line_colour[l];
    lines[l].signal_colour = def->one_calc ? def->line_colour[1] : 0;
    std::copy(std::begin(def->param_index[l]), std::end(def->param_index[l]), lines[l].param_index);
  }
  marker_count = 0;
  return true;
}

void IndicatorInstance::Compute() {
  if (!def) return;
  for (int l = 0; l < line_count; ++l) {
    IndicatorLine& line = lines[l];
    const auto param = [&](int slot) { return params[std::min<int>(line.param_index[slot], 4)]; };
    RunCalculation(def->calc[l], *line.data, param(0), param(1), param(2), &line);
  }
  // The MACD's cross markers: every change of side of the MACD against its signal line.
  marker_count = 0;
  if (kind != 106 || line_count < 1) return;
  const IndicatorLine& m = lines[0];
  int side = 0;
  const int from = std::max(m.first_valid, m.signal_first_valid);
  for (int i = from; i < m.computed; ++i) {
    const double diff = m.values[static_cast<size_t>(i)] - m.signal[static_cast<size_t>(i)];
    const int now = diff > 0 ? 1 : diff < 0 ? -1 : 0;
    if (now == 0) continue;
    if (side != 0 && now != side && marker_count < kMaxCrossMarkers)
      markers[marker_count++] = {i, now > 0 ? 1 : 2, m.values[static_cast<size_t>(i)],
                                 m.signal[static_cast<size_t>(i)]};
    side = now;
  }
}

}  // namespace chart
