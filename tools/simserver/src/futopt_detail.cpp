// The futures detail 5101 and the option detail 5150 of a contract, from the market model.
//
// The server's own reading of the two replies (offsets written out here, not taken from the
// client's layouts): both start with base price, trading value in millions of won, open interest,
// the sign of its change and the change; 5101 goes on with KOSPI200, the circuit-breaker and price
// limits, the contract's highest and lowest, the day's open, high and low (each followed by its
// sign byte), the last trading day, days remaining, market and theoretical basis, theoretical price
// with its sign and the disparity rate (91 bytes); 5150 with nine unused bytes, the limits, open,
// high and low, theoretical price and sign, delta, gamma, vega, theta and rho in millionths and the
// historical and implied volatilities in hundredths of a percent (84 bytes).
#include <algorithm>
#include <cstdlib>

#include "market.h"

namespace simsrv {

using wire::PutNetFloat2;
using wire::PutNetValue;

namespace {

// Days since 1970-01-01 of a civil date.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The futures/options market's trading day: Thursday 22 February 2007 (its contracts are of 2007).
constexpr int kTradeYear = 2007, kTradeMonth = 2, kTradeDay = 22;

// The contract's expiry month: the fifth code character of a futures contract ('3', '6', '9',
// 'C' for December), an option's month.
int ExpiryMonth(const Derivative& d) {
  if (!d.futures && d.month.size() == 6) return std::atoi(d.month.c_str() + 4);
  const char c = d.code.size() > 4 ? d.code[4] : '3';
  return c >= 'A' && c <= 'C' ? 10 + (c - 'A') : std::clamp(c - '0', 1, 12);
}

// A price limit `percent` away from the previous close, on the contract's tick towards it.
int64_t Limit(const Derivative& d, int percent) {
  const int64_t tick = Market::FutOptTick(d);
  const int64_t move = d.prevClose * std::abs(percent) / 100 / tick * tick;
  return std::max<int64_t>(tick, percent > 0 ? d.prevClose + move : d.prevClose - move);
}

// Open interest and its change (absolute, with the sign byte before it) at `at`.
void PutHead(uint8_t* r, const Market& m, const Derivative& d, int64_t wonPerHundredth) {
  PutNetFloat2(r, d.prevClose);
  PutNetValue(r + 4, 3, d.volume * d.price * wonPerHundredth / 1000000);
  PutNetValue(r + 10, 2, m.OpenInterest(d));
  const int64_t change = d.volume % 601 - 300;
  r[14] = static_cast<uint8_t>(change > 0 ? '2' : change < 0 ? '5' : '3');
  PutNetValue(r + 15, 2, std::abs(change));
}

// The day's open, high and low at `at`, `at + 5` and `at + 10`, each followed by its sign.
void PutDay(uint8_t* r, const Derivative& d) {
  const int64_t tick = Market::FutOptTick(d);
  const int64_t open = d.prevClose + tick;
  const int64_t prices[] = {open, std::max(open, d.price) + tick,
                            std::max<int64_t>(tick, std::min(open, d.price) - tick)};
  for (int i = 0; i < 3; ++i) {
    PutNetFloat2(r + 5 * i, prices[i]);
    r[5 * i + 4] = static_cast<uint8_t>(Market::Sign(prices[i], d.prevClose));
  }
}

}  // namespace

Market::Expiry Market::ExpiryOf(const Derivative& d) {
  const int month = ExpiryMonth(d);
  // The second Thursday of the month (1970-01-01 was a Thursday).
  const int64_t first = DaysFromCivil(2007, month, 1);
  const int toThursday = static_cast<int>(((0 - first) % 7 + 7) % 7);
  Expiry e;
  e.yy = 7, e.mm = static_cast<uint8_t>(month), e.dd = static_cast<uint8_t>(1 + toThursday + 7);
  e.daysLeft = first + toThursday + 7 - DaysFromCivil(kTradeYear, kTradeMonth, kTradeDay);
  return e;
}

int64_t Market::TheoreticalPrice(const Derivative& d) const {
  const int64_t k200 = indices_.at("01001").value;
  if (d.futures) return k200 + k200 * 5 * std::max<int64_t>(0, ExpiryOf(d).daysLeft) / (100 * 365);  // carry at 5 %
  return std::max<int64_t>(1, d.price + d.strike / 250 % 5 - 2);
}

Bytes Market::FutOptDetail5101(const Derivative& d) const {
  Bytes r(91, 0);
  PutHead(r.data(), *this, d, kFutOptWonPerHundredth);
  const Index& k200 = indices_.at("01001");
  PutNetFloat2(&r[19], k200.value);
  PutNetFloat2(&r[23], std::abs(k200.value - k200.prevClose));
  r[27] = static_cast<uint8_t>(Sign(k200.value, k200.prevClose));
  PutNetFloat2(&r[28], Limit(d, 5));  // circuit breaker
  PutNetFloat2(&r[32], Limit(d, -5));
  PutNetFloat2(&r[36], Limit(d, 10));  // the day's limits
  PutNetFloat2(&r[40], Limit(d, -10));
  PutNetFloat2(&r[44], std::max(d.prevClose, d.price) * 108 / 100);  // the contract's highest and lowest
  PutNetFloat2(&r[48], std::min(d.prevClose, d.price) * 92 / 100);
  PutDay(&r[52], d);
  const Expiry e = ExpiryOf(d);
  r[67] = e.yy, r[68] = e.mm, r[69] = e.dd;
  PutNetValue(&r[70], 2, e.daysLeft);
  const int64_t theory = TheoreticalPrice(d);
  PutNetFloat2(&r[74], d.price - k200.value);
  PutNetFloat2(&r[78], theory - k200.value);
  PutNetFloat2(&r[82], theory);
  r[86] = static_cast<uint8_t>(Sign(theory, d.prevClose));
  PutNetFloat2(&r[87], (d.price - theory) * 10000 / theory);  // hundredths of a percent
  return r;
}

Bytes Market::OptionDetail5150(const Derivative& d) const {
  Bytes r(84, 0);
  PutHead(r.data(), *this, d, kFutOptWonPerHundredth / 5);  // 100,000 won a point
  PutNetFloat2(&r[28], Limit(d, 30));
  PutNetFloat2(&r[32], Limit(d, -30));
  PutDay(&r[36], d);
  const int64_t theory = TheoreticalPrice(d);
  PutNetFloat2(&r[51], theory);
  r[55] = static_cast<uint8_t>(Sign(theory, d.prevClose));
  // Sensitivities in millionths: a call's delta moves from 0.5 with the distance of KOSPI200 from
  // the strike; a put's is the call's less one.
  const int64_t k200 = indices_.at("01001").value;
  const int64_t away = k200 - d.strike;
  const bool call = d.code[0] == '2';
  const int64_t callDelta = std::clamp<int64_t>(500000 + away * 250, 10000, 990000);
  const int64_t days = std::max<int64_t>(1, ExpiryOf(d).daysLeft);
  const int64_t greeks[] = {
      call ? callDelta : callDelta - 1000000,                 // delta
      std::max<int64_t>(1000, 40000 - std::abs(away) * 10),   // gamma
      std::max<int64_t>(5000, 200000 - std::abs(away) * 20),  // vega
      -(d.price * 10000 / days),                              // theta
      call ? days * 400 : -days * 400,                        // rho
  };
  for (int i = 0; i < 5; ++i) PutNetValue(&r[56 + 4 * i], 2, greeks[i]);
  PutNetFloat2(&r[76], 2150);                       // historical volatility, percent
  PutNetFloat2(&r[80], 2000 + std::abs(away) / 5);  // implied volatility
  return r;
}

}  // namespace simsrv
