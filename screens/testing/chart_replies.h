// Chart replies built from bars, as the stock (2500-2530) and futures/options (5500, 5510, 5550)
// servers send them: a head, the signed bar count, 37-byte bars.
#pragma once

#include <cstdint>
#include <vector>

#include "wire_helpers.h"

namespace chartscreentest {

using Bytes = std::vector<uint8_t>;

// A 37-byte bar: date bytes (year, month, day; minute bars hour and minute), the four prices and
// three averages, the volume.
struct Bar {
  uint8_t d0, d1, d2;
  int64_t open, high, low, close, ma5, ma20, ma60, volume;
};

// How the prices of a bar are written.
enum class Prices {
  TenThousands,  // the stock chart: NET_VALUE2
  Hundredths,    // the futures/options chart: groups a, b of a x 100 + b
};

// A chart reply body: a head of `headSize` bytes, the count byte, the bars.
inline Bytes ChartBody(const std::vector<Bar>& bars, int count, size_t headSize, Prices prices) {
  Bytes b(headSize + 1 + 37 * bars.size(), 0);
  b[headSize] = static_cast<uint8_t>(count);
  for (size_t i = 0; i < bars.size(); ++i) {
    uint8_t* p = &b[headSize + 1 + 37 * i];
    const Bar& r = bars[i];
    p[0] = r.d0, p[1] = r.d1, p[2] = r.d2;
    const int64_t v[7] = {r.open, r.high, r.low, r.close, r.ma5, r.ma20, r.ma60};
    for (int k = 0; k < 7; ++k) {
      uint8_t* at = p + 3 + 4 * k;
      if (prices == Prices::TenThousands) {
        screentest::PutNet(at, 2, v[k]);
      } else {
        screentest::PutU16(at, static_cast<uint16_t>(static_cast<int16_t>(v[k] / 100)));
        screentest::PutU16(at + 2, static_cast<uint16_t>(static_cast<int16_t>(v[k] % 100)));
      }
    }
    screentest::PutNet(p + 31, 3, r.volume);
  }
  return b;
}

}  // namespace chartscreentest
