// Chart indicators: the constant table of the twelve indicator kinds (100..111) and the thirteen
// calculations that fill an indicator's lines from the bar store. Values run in double precision;
// an index before a line's first valid index is empty, and a value of NO_VALUE is empty too
// (neither is drawn nor counted in a pane's range).
#pragma once

#include <array>
#include <cstdint>

#include "chart/stock_data.h"
#include "plat/types.h"

namespace chart {

constexpr int kIndicatorFirstKind = 100;
constexpr int kIndicatorKinds = 12;
constexpr int kIndicatorValues = 500;  // capacity of one line's value array
constexpr int kMaxCrossMarkers = 64;

// Indices of the calculation list.
enum Calc : int {
  kCalcMA = 0,
  kCalcDisparity = 1,
  kCalcVolumeMA = 2,
  kCalcPsychological = 3,
  kCalcBollUpper = 4,
  kCalcBollLower = 5,
  kCalcMACD = 6,
  kCalcPriceOscillator = 7,
  kCalcCCI = 8,
  kCalcRSI = 9,
  kCalcDIPlus = 10,
  kCalcDIMinus = 11,
  kCalcStochasticSlow = 12,
};

struct IndicatorDef {
  int line_count;
  const char16_t* title;
  COLORREF line_colour[5];
  int one_calc;  // 1: one calculation fills both lines (line and signal)
  int calc[3];
  int reserved[2];
  uint8_t param_index[5][4];  // per line: the parameters taken as its first, second, third period
  const char16_t* line_name[5];
  const char16_t* formula_text[5];
  int param_count;
  const char16_t* param_name[5];
  int param_default[5];
  int ref_count;
  int ref_level[5];
};

// The row of kind `kind` (100..111), or null.
const IndicatorDef* IndicatorRow(int kind);

struct IndicatorLine {
  const StockData_1* data = nullptr;
  int computed = 0;  // number of values computed
  COLORREF colour = 0;
  COLORREF signal_colour = 0;
  int first_valid = 0;
  uint8_t param_index[4] = {};
  std::array<double, kIndicatorValues> values{};
  // The signal line of MACD, CCI, RSI and the stochastic (%D).
  bool has_signal = false;
  int signal_first_valid = 0;
  std::array<double, kIndicatorValues> signal{};
};

struct CrossMarker {
  int index;
  int direction;  // 1: MACD moves above its signal line, 2: below
  double macd, signal;
};

struct IndicatorInstance {
  // Copies the row of `kind` and its default parameters; false for a kind without a row.
  bool Setup(int kind, const StockData_1* data);
  // Runs every line's calculation over the whole bar store (and the MACD cross markers).
  void Compute();

  int kind = 0;
  const IndicatorDef* def = nullptr;
  int params[5] = {};
  int line_count = 0;
  IndicatorLine lines[3];
  CrossMarker markers[kMaxCrossMarkers];
  int marker_count = 0;
};

// The thirteen calculations over `data`, writing `out` (values and first valid index). The
// periods are p1..p3; lines of one_calc kinds also get their signal line.
void RunCalculation(int calc, const StockData_1& data, int p1, int p2, int p3, IndicatorLine* out);

// True when index i of the line holds a value to draw and to count.
inline bool HasValue(const IndicatorLine& line, int i) {
  return i >= line.first_valid && i < line.computed && line.values[static_cast<size_t>(i)] != NO_VALUE;
}
inline bool HasSignal(const IndicatorLine& line, int i) {
  return line.has_signal && i >= line.signal_first_valid && i < line.computed &&
         line.signal[static_cast<size_t>(i)] != NO_VALUE;
}

}  // namespace chart
