// The futures/options time and sales (5103, 5152) and daily history (5104, 5153) of the market
// model: the day's trades of each contract and its days before, a page at a time.
#include <algorithm>
#include <cstdio>
#include <tuple>

#include "market.h"

namespace simsrv {

using wire::PutNetFloat2;
using wire::PutNetValue;

void Market::RecordFutOptTrade(const Derivative& d, int64_t quantity) {
  FutOptTape& tape = futOptTapes_[d.code];
  tape.ticks.insert(tape.ticks.begin(), Tick{clock_, d.price, quantity, d.volume});
  if (tape.ticks.size() > kFutOptTicks) tape.ticks.pop_back();
  ++tape.count;
}

const std::vector<Tick>& Market::FutOptTicks(const Derivative& d) const {
  static const std::vector<Tick> kNone;
  auto it = futOptTapes_.find(d.code);
  return it == futOptTapes_.end() ? kNone : it->second.ticks;
}

int Market::FutOptTradeCount(const Derivative& d) const {
  auto it = futOptTapes_.find(d.code);
  return it == futOptTapes_.end() ? 0 : it->second.count;
}

Bytes Market::FutOptTickList(const Derivative& d, int rows, int page, int fromTrade) const {
  const std::vector<Tick>& ticks = FutOptTicks(d);
  const int newest = FutOptTradeCount(d);
  // The trade numbered `fromTrade` (modulo 10,000, as the key carries it); past the tape when it
  // is no longer kept.
  size_t start = 0;
  if (fromTrade >= 0) {
    start = ticks.size();
    for (size_t i = 0; i < ticks.size(); ++i)
      if ((newest - static_cast<int>(i)) % 10000 == fromTrade % 10000) {
        start = i;
        break;
      }
  }
  const size_t n = std::min<size_t>(ticks.size() - start, static_cast<size_t>(std::clamp(rows, 0, 255)));
  Bytes r(7 + 24 * n, 0);
  r[0] = static_cast<uint8_t>(page);
  if (start + n < ticks.size()) {
    r[1] = 1;
    char key[8];
    std::snprintf(key, sizeof key, "%04d", (newest - static_cast<int>(start + n)) % 10000);
    std::copy(key, key + 4, r.begin() + 2);
  } else {
    std::fill(r.begin() + 2, r.begin() + 6, ' ');
  }
  r[6] = static_cast<uint8_t>(n);
  for (size_t k = 0; k < n; ++k) {
    const Tick& t = ticks[start + k];
    uint8_t* p = &r[7 + 24 * k];
    p[0] = static_cast<uint8_t>(t.seconds / 3600);
    p[1] = static_cast<uint8_t>(t.seconds / 60 % 60);
    p[2] = static_cast<uint8_t>(t.seconds % 60);
    PutNetFloat2(p + 3, t.price);
    PutNetFloat2(p + 7, t.price > d.prevClose ? t.price - d.prevClose : d.prevClose - t.price);
    p[11] = static_cast<uint8_t>(Sign(t.price, d.prevClose));
    PutNetValue(p + 12, 3, t.quantity);
    PutNetValue(p + 18, 3, t.volume);
  }
  return r;
}

Market::FutOptDay Market::FutOptDaily(const Derivative& d, int k) const {
  FutOptDay day;
  TradingDay(k, day.yy, day.mm, day.dd);
  uint32_t seed = 0;
  for (char ch : d.code) seed = seed * 31 + static_cast<uint8_t>(ch);
  const int64_t tick = FutOptTick(d);
  auto close = [&](int back) {
    if (back == 0) return d.price;
    if (back == 1) return d.prevClose;
    // Days before yesterday: up to 5% around the previous close, on the tick.
    const int64_t p = d.prevClose * (1000 + static_cast<int64_t>((back * 37 + seed) % 101) - 50) / 1000;
    return std::max<int64_t>(tick, p / tick * tick);
  };
  // Open, high, low and close of a day are four prices: the high above, the low below the other two
  // (a contract at its lowest tick has no low below it).
  day.close = close(k);
  day.open = std::max<int64_t>(tick, close(k + 1) + tick * (static_cast<int64_t>((k + seed) % 5) - 2));
  if (day.open == day.close) day.open += tick;
  day.high = std::max(day.open, day.close) + tick * (1 + (k + seed) % 3);
  day.low = std::max<int64_t>(tick, std::min(day.open, day.close) - tick * (1 + (k + seed + 1) % 3));
  day.volume = k == 0 ? d.volume : 10000 + static_cast<int64_t>((k * 7331 + seed) % 40000);
  // Open interest below an option's volume of the day, above a futures contract's.
  day.openInterest = d.futures ? 90000 + static_cast<int64_t>((k * 977 + seed) % 20000)
                               : 1500 + static_cast<int64_t>((k * 977 + seed) % 8000);
  return day;
}

Bytes Market::FutOptDailyList(const Derivative& d, int rows, int page, const uint8_t* key) const {
  int start = 0;
  if (key && key[0] != ' ') {
    while (start < kFutOptDays) {
      FutOptDay day = FutOptDaily(d, start);
      if (std::make_tuple(day.yy, day.mm, day.dd) <= std::make_tuple(key[0], key[1], key[2])) break;
      ++start;
    }
  }
  const int n = std::min(std::clamp(rows, 0, 255), kFutOptDays - start);
  Bytes r(6 + 38 * static_cast<size_t>(n), 0);
  r[0] = static_cast<uint8_t>(page);
  if (start + n < kFutOptDays) {
    FutOptDay next = FutOptDaily(d, start + n);
    r[1] = 1;
    r[2] = next.yy, r[3] = next.mm, r[4] = next.dd;
  } else {
    r[2] = r[3] = r[4] = ' ';
  }
  r[5] = static_cast<uint8_t>(n);
  for (int i = 0; i < n; ++i) {
    const FutOptDay day = FutOptDaily(d, start + i);
    const int64_t before = FutOptDaily(d, start + i + 1).close;
    uint8_t* p = &r[6 + 38 * static_cast<size_t>(i)];
    p[0] = day.yy, p[1] = day.mm, p[2] = day.dd;
    PutNetFloat2(p + 3, day.close);
    const int64_t change = day.close - before;
    PutNetFloat2(p + 7, change < 0 ? -change : change);
    p[11] = static_cast<uint8_t>(Sign(day.close, before));
    // The rate in hundredths of a percent, as whole and hundredths parts that share its sign.
    const int64_t rate = before > 0 ? change * 10000 / before : 0;
    wire::PutU16(p + 12, static_cast<uint16_t>(static_cast<int16_t>(rate / 100)));
    wire::PutU16(p + 14, static_cast<uint16_t>(static_cast<int16_t>(rate % 100)));
    PutNetFloat2(p + 16, day.open);
    PutNetFloat2(p + 20, day.high);
    PutNetFloat2(p + 24, day.low);
    PutNetValue(p + 28, 3, day.volume);
    PutNetValue(p + 34, 2, day.openInterest);
  }
  return r;
}

}  // namespace simsrv
