// Rankings of the market's items, the investor groups' net buying, the top brokers of an item and
// its foreign ownership: the figures the ranking, investor and broker screens ask for. Figures of
// past days come from the day's number, so the same request always gets the same page.
#include <algorithm>
#include <tuple>

#include "market.h"

namespace simsrv {

using wire::PutNetFloat2;
using wire::PutNetValue;
using wire::PutText;

namespace {

int64_t Abs(int64_t v) { return v < 0 ? -v : v; }
// Change rate in hundredths of a percent.
int64_t Rate(int64_t price, int64_t prev) { return prev > 0 ? (price - prev) * 10000 / prev : 0; }
// A small number from an item's code, to tell items apart in generated figures.
int64_t CodeSeed(const std::string& code) {
  int64_t s = 0;
  for (char c : code) s = s * 31 + static_cast<unsigned char>(c);
  return s % 9973;
}
// The head of the paged day lists: where the page starts (the day the key names), the page's
// rows, the next page's key.
struct DayPage {
  int start = 0;
  int n = 0;
};

}  // namespace

void Market::SeedFigures() {
  const struct {
    const char* code;
    bool kosdaq;
    int64_t bought, sold, listed, face;
  } seeds[] = {
      {"005930", false, 3250000, 2180000, 5969782550, 100}, {"000660", false, 812000, 1046000, 728002365, 5000},
      {"035420", false, 143000, 98000, 164049085, 100},     {"005380", false, 421000, 377000, 213668187, 5000},
      {"035720", true, 905000, 1210000, 445000000, 100},    {"068270", true, 268000, 119000, 137000000, 1000},
  };
  for (const auto& s : seeds) {
    Item* it = FindItem(s.code);
    if (!it) continue;
    it->kosdaq = s.kosdaq;
    it->investorBought = s.bought;
    it->investorSold = s.sold;
    it->listedShares = s.listed;
    it->faceValue = s.face;
  }
  investors_[0] = InvestorFigures{{-1523, 2210, -687}, {-3120, 4505, -1385}};
  investors_[1] = InvestorFigures{{842, -310, -532}, {5230, -1920, -3310}};
}

InvestorFigures& Market::Investors(int market) { return investors_[market == 2 ? 1 : 0]; }

InvestorFigures Market::InvestorDay(int market, int k) const {
  if (k <= 0) return investors_[market == 2 ? 1 : 0];
  InvestorFigures f;
  for (int i = 0; i < 3; ++i) {
    f.amount[i] = (k * 7919 + i * 104729 + market * 31) % 4001 - 2000;
    f.quantity[i] = (k * 6271 + i * 7907 + market * 17) % 9001 - 4500;
  }
  return f;
}

int64_t Market::IndexDay(int market, int k) const {
  const Index& x = indices_.at(market == 2 ? "02001" : "00001");
  if (k == 0) return x.value;
  if (k == 1) return x.prevClose;
  return x.prevClose + (k * 1297) % 4001 - 2000;
}

Bytes Market::Ranking(uint16_t code, int market, int kind, int page, int rows) const {
  struct Row {
    const Item* item;
    int64_t key;
  };
  std::vector<Row> list;
  for (const auto& [c, it] : items_) {
    const int itemMarket = code == 4170 ? (it.kosdaq ? 1 : 0) : (it.kosdaq ? 2 : 1);
    if (itemMarket != market || (code == 4170 && !it.ecn)) continue;
    const char sign = Sign(it.price, it.prevClose);
    const int64_t rate = Rate(it.price, it.prevClose);
    int64_t waitAsk = 0, waitBid = 0;
    for (int l = 0; l < 10; ++l) waitAsk += AskVolume(it, l), waitBid += BidVolume(it, l);
    const int64_t net = it.investorBought - it.investorSold;
    bool in = true;
    int64_t key = 0;  // larger first
    switch (code) {
      case 4190:
        key = kind == 1   ? rate
              : kind == 2 ? -rate
              : kind == 4 ? waitAsk + waitBid
              : kind == 5 ? it.price * it.volume
                          : it.volume;
        in = kind == 1 || kind == 2 || kind == 4 || kind == 5 || kind == 6;
        break;
      case 4180:
        key = kind == 3 ? it.volume : Abs(rate);
        in = (kind == 2 && sign == '1') || (kind == 1 && sign == '2') || (kind == 3 && sign == '3') ||
             (kind == 4 && sign == '5') || (kind == 5 && sign == '4');
        break;
      case 4600:
        key = kind == 1 ? net : -net;
        in = (kind == 1 && net > 0) || (kind == 2 && net < 0);
        break;
      case 4170:
        key = kind == 1   ? it.volume / 20
              : kind == 2 ? it.volume / 20 * it.price
              : kind == 3 ? waitAsk / 4
                          : waitBid / 4;
        in = kind >= 1 && kind <= 4;
        break;
      default: in = false;
    }
    if (in) list.push_back({&it, key});
  }
  std::stable_sort(list.begin(), list.end(), [](const Row& a, const Row& b) { return a.key > b.key; });
  const size_t size = code == 4600 ? 32 : code == 4170 ? 41 : 37;
  const size_t perPage = static_cast<size_t>(std::clamp(rows, 1, 40));
  const size_t first = std::min(list.size(), static_cast<size_t>(std::max(page, 1) - 1) * perPage);
  const size_t n = std::min(perPage, list.size() - first);
  Bytes r(2 + size * n, 0);
  r[0] = first + n < list.size() ? 1 : 0;
  r[1] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const Item& it = *list[first + i].item;
    uint8_t* p = &r[2 + size * i];
    const char sign = Sign(it.price, it.prevClose);
    const int64_t change = Abs(it.price - it.prevClose);
    if (code == 4600) {
      PutText(p, 14, wire::ToCp949(it.name));
      PutNetValue(p + 14, 3, it.investorBought);
      PutNetValue(p + 20, 3, it.investorSold);
      PutNetValue(p + 26, 3, it.investorBought - it.investorSold);
    } else if (code == 4170) {
      int64_t waitAsk = 0, waitBid = 0;
      for (int l = 0; l < 10; ++l) waitAsk += AskVolume(it, l), waitBid += BidVolume(it, l);
      PutText(p, 12, wire::ToCp949(it.name));
      PutNetValue(p + 12, 2, it.price);
      PutNetValue(p + 16, 2, change);
      p[20] = static_cast<uint8_t>(sign);
      PutNetValue(p + 21, 3, it.volume / 20);
      PutNetValue(p + 27, 3, it.volume / 20 * it.price);
      PutNetValue(p + 33, 2, waitAsk / 4);
      PutNetValue(p + 37, 2, waitBid / 4);
    } else {
      PutText(p, 6, it.code);
      PutText(p + 6, 12, wire::ToCp949(it.name));
      PutNetValue(p + 18, 2, it.price);
      PutNetValue(p + 22, 2, change);
      p[26] = static_cast<uint8_t>(sign);
      PutNetValue(p + 31, 3, it.volume);
    }
  }
  return r;
}

Bytes Market::InvestorNet4610(int market) const {
  InvestorFigures f = InvestorDay(market, 0);
  Bytes r(24, 0);
  for (int i = 0; i < 3; ++i) {
    PutNetValue(&r[8 * static_cast<size_t>(i)], 2, f.amount[i]);
    PutNetValue(&r[8 * static_cast<size_t>(i) + 4], 2, f.quantity[i]);
  }
  return r;
}

namespace {

// Where a page of days starts: the first day not after the key's date; today without a key.
template <typename DateOf>
int StartOfKey(const uint8_t* key, int days, DateOf dateOf) {
  if (!key || key[0] == ' ') return 0;
  int start = 0;
  while (start < days) {
    Market::Day d = dateOf(start);
    if (std::make_tuple(d.yy, d.mm, d.dd) <= std::make_tuple(key[0], key[1], key[2])) break;
    ++start;
  }
  return start;
}

// The head of a page of days: page, more, count, the next page's key (its first day's date).
template <typename DateOf>
DayPage PageHead(Bytes& r, size_t rowSize, int days, int rows, int page, const uint8_t* key, DateOf dateOf) {
  DayPage p;
  p.start = page > 1 ? StartOfKey(key, days, dateOf) : 0;
  p.n = std::min(std::clamp(rows, 0, 40), days - p.start);
  r.assign(6 + rowSize * static_cast<size_t>(p.n), 0);
  r[0] = static_cast<uint8_t>(page);
  r[2] = static_cast<uint8_t>(p.n);
  if (p.start + p.n < days) {
    Market::Day next = dateOf(p.start + p.n);
    r[1] = 1;
    r[3] = next.yy, r[4] = next.mm, r[5] = next.dd;
  } else {
    r[3] = r[4] = r[5] = ' ';
  }
  return p;
}

}  // namespace

Bytes Market::InvestorTrend4240(int figure, int market, int rows, int page, const uint8_t* key) const {
  Item calendar;  // the dates of the market's days are those of any item
  auto dateOf = [&](int k) { return DailyPrice(calendar, k); };
  Bytes r;
  DayPage p = PageHead(r, 24, kDays, rows, page, key, dateOf);
  for (int i = 0; i < p.n; ++i) {
    const int k = p.start + i;
    Day d = dateOf(k);
    uint8_t* row = &r[6 + 24 * static_cast<size_t>(i)];
    row[0] = d.yy, row[1] = d.mm, row[2] = d.dd;
    int64_t value = IndexDay(market, k), before = IndexDay(market, k + 1);
    PutNetFloat2(row + 3, value);
    PutNetFloat2(row + 7, Abs(value - before));
    row[11] = static_cast<uint8_t>(value > before ? '2' : value < before ? '5' : '3');
    InvestorFigures f = InvestorDay(market, k);
    for (int g = 0; g < 3; ++g) PutNetValue(row + 12 + 4 * g, 2, figure == 2 ? f.quantity[g] : f.amount[g]);
  }
  return r;
}

Bytes Market::ForeignOwnership4150(const Item& item, int rows, int page, const uint8_t* key) const {
  auto dateOf = [&](int k) { return DailyPrice(item, k); };
  Bytes r;
  DayPage p = PageHead(r, 26, kDays, rows, page, key, dateOf);
  const int64_t seed = CodeSeed(item.code);
  for (int i = 0; i < p.n; ++i) {
    const int k = p.start + i;
    Day d = dateOf(k), before = dateOf(k + 1);
    uint8_t* row = &r[6 + 26 * static_cast<size_t>(i)];
    row[0] = d.yy, row[1] = d.mm, row[2] = d.dd;
    PutNetValue(row + 3, 2, d.close);
    PutNetValue(row + 7, 2, Abs(d.close - before.close));
    row[11] = static_cast<uint8_t>(Sign(d.close, before.close));
    PutNetFloat2(row + 12, Rate(d.close, before.close));
    PutNetFloat2(row + 16, 3000 + (k * 137 + seed) % 2000);
    PutNetValue(row + 20, 3, (k * 7919 + seed) % 200001 - 100000);
  }
  return r;
}

std::vector<std::pair<std::string, int64_t>> Market::Brokers(const Item& item, bool sellers) const {
  const auto& kept = sellers ? item.sellers : item.buyers;
  if (!kept.empty()) return kept;
  static const char* const kSell[] = {"삼성증권", "키움증권", "미래에셋", "한국투자", "메릴린치"};
  static const char* const kBuy[] = {"모건스탠리", "골드만삭스", "KB증권", "NH투자", "신한투자"};
  std::vector<std::pair<std::string, int64_t>> out;
  for (int j = 0; j < 5; ++j)
    out.emplace_back(sellers ? kSell[j] : kBuy[j], item.volume * (30 - 5 * j) / (sellers ? 300 : 280));
  return out;
}

Bytes Market::Profile4230(const Item& item) const {
  Bytes r(228, 0);
  const int64_t tick = TickSize(item.prevClose);
  const int64_t open = item.prevClose;
  const int64_t high = std::max(open, item.price) + tick;
  const int64_t low = std::max(tick, std::min(open, item.price) - tick);
  const int64_t upper = (item.prevClose * 130 / 100) / tick * tick;
  const int64_t lower = ((item.prevClose * 70 + 99) / 100 + tick - 1) / tick * tick;
  int64_t yearHigh = std::max(item.price, high), yearLow = std::min(item.price, low);
  for (int k = 1; k < kDays; ++k) {
    yearHigh = std::max(yearHigh, DailyPrice(item, k).close);
    yearLow = std::min(yearLow, DailyPrice(item, k).close);
  }
  PutText(&r[0], 12, wire::ToCp949(item.name));
  auto price = [&](size_t at, int64_t v) {
    PutNetValue(&r[at], 2, v);
    r[at + 4] = static_cast<uint8_t>(Sign(v, item.prevClose));
  };
  price(19, open);
  price(24, high);
  price(29, low);
  PutNetValue(&r[34], 2, item.faceValue);
  PutNetValue(&r[38], 2, upper);
  PutNetValue(&r[42], 2, lower);
  PutNetValue(&r[46], 3, item.price * item.listedShares / 100000000);
  PutNetValue(&r[52], 3, item.listedShares);
  price(58, yearHigh);
  price(63, yearLow);
  auto sellers = Brokers(item, true), buyers = Brokers(item, false);
  for (size_t j = 0; j < 5; ++j) {
    uint8_t* row = &r[68 + 32 * j];
    if (j < sellers.size()) {
      PutText(row, 10, wire::ToCp949(sellers[j].first));
      PutNetValue(row + 10, 3, sellers[j].second);
    }
    if (j < buyers.size()) {
      PutText(row + 16, 10, wire::ToCp949(buyers[j].first));
      PutNetValue(row + 26, 3, buyers[j].second);
    }
  }
  return r;
}

}  // namespace simsrv
