// The market model's summaries: an item's ECN trading and expected execution, the two markets'
// composite figures, the sector indices that move with their composite, and the foreign indices.
#include <algorithm>

#include "market.h"

namespace simsrv {

using wire::PutNetFloat2;
using wire::PutNetValue;
using wire::PutText;
using wire::PutU16;

namespace {

int64_t Magnitude(int64_t v) { return v < 0 ? -v : v; }

// A change rate in hundredths of a percent as the two signed numbers the lists carry (whole,
// hundredths; both with the rate's sign).
void PutRate(uint8_t* p, int64_t change, int64_t base) {
  int64_t rate = base > 0 ? change * 10000 / base : 0;
  PutU16(p, static_cast<uint16_t>(static_cast<int16_t>(rate / 100)));
  PutU16(p + 2, static_cast<uint16_t>(static_cast<int16_t>(rate % 100)));
}

struct Sector {
  const char* name;   // UTF-8, at most 12 bytes in code page 949
  int64_t prevClose;  // hundredths
};
const Sector kKospiSectors[] = {
    {"음식료품", 213455},  {"섬유의복", 21870},  {"종이목재", 32415},   {"화학", 301250},     {"의약품", 161234},
    {"비금속광물", 18540}, {"철강금속", 512300}, {"기계", 72110},       {"전기전자", 987654}, {"의료정밀", 25310},
    {"운수장비", 225410},  {"유통업", 341020},   {"전기가스업", 98720}, {"건설업", 152340},   {"운수창고", 32150},
    {"통신업", 41230},     {"금융업", 71250},    {"은행", 41870},       {"증권", 431250},     {"보험", 151020},
    {"서비스업", 112340},
};
const Sector kKosdaqSectors[] = {
    {"제조", 212340}, {"건설", 14520},    {"유통", 41230},   {"숙박음식", 9870}, {"운송", 21340},
    {"금융", 51230},  {"통신방송", 3120}, {"IT S/W", 41230}, {"IT H/W", 23450},  {"오락문화", 31240},
};

struct Foreign {
  const char* name;          // UTF-8, at most 14 bytes in code page 949
  int64_t prevClose, value;  // hundredths, below 10,000.00 (NET_FLOAT2)
  int64_t volume;
};
const Foreign kUs[] = {
    {"다우존스", 983812, 984235, 245300000},
    {"나스닥", 246890, 245612, 198700000},
    {"S&P500", 142587, 143210, 0},
    {"필라반도체", 48210, 48723, 0},
};
const Foreign kAsia[] = {
    {"니케이225", 971883, 973456, 1523400000},
    {"대만가권", 781234, 779870, 3450000},
    {"홍콩항셍", 912345, 921278, 1874500000},
    {"상해종합", 298765, 301245, 9876500},
};
const Foreign kEurope[] = {
    {"영국FTSE100", 621540, 624310, 0},
    {"독일DAX", 672310, 668920, 0},
    {"프랑스CAC40", 561230, 563480, 0},
};

struct Region {
  const Foreign* list;
  int count;
};
Region ForeignRegion(char region) {
  switch (region) {
    case '1': return {kUs, static_cast<int>(std::size(kUs))};
    case '2': return {kAsia, static_cast<int>(std::size(kAsia))};
    case '3': return {kEurope, static_cast<int>(std::size(kEurope))};
    default: return {nullptr, 0};
  }
}

}  // namespace

Bytes Market::EcnPrice4160(const Item& item) const {
  Bytes b(47, 0);
  int64_t change = item.price - item.prevClose;
  PutRate(&b[6], change, item.prevClose);
  PutNetValue(&b[14], 2, item.prevClose);
  PutNetValue(&b[22], 3, item.listedShares);
  PutNetValue(&b[28], 3, item.volume / 20);
  int64_t asks = 0, bids = 0;
  for (int level = 0; level < 5; ++level) asks += AskVolume(item, level), bids += BidVolume(item, level);
  PutNetValue(&b[34], 2, asks);
  PutNetValue(&b[38], 2, bids);
  b[42] = static_cast<uint8_t>(Sign(item.price, item.prevClose));
  PutNetValue(&b[43], 2, Magnitude(change));
  return b;
}

Bytes Market::EcnTicks4165(const Item& item, int rows) const {
  size_t n = std::min<size_t>(item.ticks.size(), static_cast<size_t>(std::clamp(rows, 0, 255)));
  Bytes b(7 + 21 * n, 0);
  b[6] = static_cast<uint8_t>(n);
  for (size_t k = 0; k < n; ++k) {
    const Tick& t = item.ticks[k];
    uint8_t* p = &b[7 + 21 * k];
    p[0] = static_cast<uint8_t>(t.seconds / 3600);
    p[1] = static_cast<uint8_t>(t.seconds / 60 % 60);
    p[2] = static_cast<uint8_t>(t.seconds % 60);
    PutNetValue(p + 3, 2, t.quantity);
    PutNetValue(p + 7, 2, AskVolume(item, 0));
    PutNetValue(p + 11, 2, BidVolume(item, 0));
    PutNetValue(p + 15, 3, t.volume / 20);
  }
  return b;
}

Bytes Market::ExpectedExec2250(const Item& item) const {
  Bytes b(82, 0);
  // The auction would match at the current price, for what the best levels hold on both sides.
  int64_t change = item.price - item.prevClose;
  char sign = Sign(item.price, item.prevClose);
  PutNetValue(&b[0], 2, item.price);
  b[4] = static_cast<uint8_t>(sign);
  PutNetValue(&b[5], 2, Magnitude(change));
  PutNetValue(&b[9], 3, std::min(AskVolume(item, 0), BidVolume(item, 0)));
  PutNetFloat2(&b[15], item.prevClose > 0 ? change * 10000 / item.prevClose : 0);
  PutNetValue(&b[19], 2, AskPrice(item, 0));
  PutNetValue(&b[23], 2, BidPrice(item, 0));
  int64_t asks = 0, bids = 0;
  for (int level = 0; level < 5; ++level) asks += AskVolume(item, level), bids += BidVolume(item, level);
  PutNetValue(&b[27], 3, asks);
  PutNetValue(&b[33], 3, bids);
  PutNetValue(&b[39], 2, item.price);
  b[43] = static_cast<uint8_t>(sign);
  PutNetValue(&b[44], 2, Magnitude(change));
  PutNetValue(&b[48], 3, item.volume);
  PutNetValue(&b[54], 2, item.faceValue);
  PutNetValue(&b[58], 2, item.prevClose);
  PutNetValue(&b[62], 2, UpperLimit(item.prevClose));
  PutNetValue(&b[66], 2, LowerLimit(item.prevClose));
  // The day's prices: its trades (oldest is the open) and the price now.
  int64_t open = item.ticks.empty() ? item.price : item.ticks.back().price, high = item.price, low = item.price;
  for (const Tick& t : item.ticks) high = std::max(high, t.price), low = std::min(low, t.price);
  PutNetValue(&b[70], 2, open);
  PutNetValue(&b[74], 2, high);
  PutNetValue(&b[78], 2, low);
  return b;
}

Bytes Market::MarketSummary4210() const {
  Bytes b(92, 0);
  auto composite = [&](size_t at, const char* code, bool kosdaq) {
    const Index& x = indices_.at(code);
    PutNetFloat2(&b[at], x.value);
    PutNetFloat2(&b[at + 4], Magnitude(x.value - x.prevClose));
    b[at + 8] = static_cast<uint8_t>(Sign(x.value, x.prevClose));
    int counts[5] = {};  // up, upper limit, down, lower limit, unchanged
    int64_t value = 0, volume = 0;
    for (const auto& [c, item] : items_) {
      if (item.kosdaq != kosdaq) continue;
      switch (Sign(item.price, item.prevClose)) {
        case '1': ++counts[0], ++counts[1]; break;
        case '2': ++counts[0]; break;
        case '4': ++counts[2], ++counts[3]; break;
        case '5': ++counts[2]; break;
        default: ++counts[4]; break;
      }
      value += item.price * item.volume;
      volume += item.volume;
    }
    for (int i = 0; i < 5; ++i) PutU16(&b[at + 9 + 2 * i], static_cast<uint16_t>(counts[i]));
    PutNetValue(&b[at + 19], 3, value);
    PutNetValue(&b[at + 25], 3, volume);
    return volume;
  };
  int64_t kospiVolume = composite(0, "00001", false);
  int64_t kosdaqVolume = composite(31, "02001", true);
  auto single = [&](size_t at, const char* code, int64_t volume) {
    const Index& x = indices_.at(code);
    PutNetFloat2(&b[at], x.value);
    b[at + 4] = static_cast<uint8_t>(Sign(x.value, x.prevClose));
    PutNetFloat2(&b[at + 5], Magnitude(x.value - x.prevClose));
    PutNetValue(&b[at + 9], 3, volume);
  };
  // The two lines count only their members' trades: a part of their market's volume.
  single(62, "01001", kospiVolume * 62 / 100);
  single(77, "02050", kosdaqVolume * 41 / 100);
  return b;
}

int Market::SectorCount(char market) {
  return market == '1'   ? static_cast<int>(std::size(kKospiSectors))
         : market == '2' ? static_cast<int>(std::size(kKosdaqSectors))
                         : 0;
}

Bytes Market::SectorList4200(char market, int rows, int page) const {
  const Sector* sectors = market == '2' ? kKosdaqSectors : kKospiSectors;
  const int total = SectorCount(market);
  const Index& comp = indices_.at(market == '2' ? "02001" : "00001");
  rows = std::clamp(rows, 0, 255);
  int start = page >= 1 ? (page - 1) * rows : total;
  int n = std::clamp(total - start, 0, rows);
  Bytes b(2 + 47 * static_cast<size_t>(n), 0);
  b[0] = start + n < total ? 1 : 0;
  b[1] = static_cast<uint8_t>(n);
  for (int k = 0; k < n; ++k) {
    int i = start + k;
    const Sector& s = sectors[i];
    uint8_t* p = &b[2 + 47 * static_cast<size_t>(k)];
    // The composite's move, each sector a little apart from it.
    int64_t value = s.prevClose * comp.value / comp.prevClose + s.prevClose * ((i * 37) % 11 - 5) / 1000;
    int64_t change = value - s.prevClose;
    PutText(p, 12, wire::ToCp949(s.name));
    PutNetFloat2(p + 12, value);
    PutNetFloat2(p + 16, Magnitude(change));
    p[20] = change > 0 ? '2' : change < 0 ? '5' : '3';
    PutRate(p + 21, change, s.prevClose);
    int64_t volume = 1000000 + (i * 7919 % 100) * 123457;
    PutNetValue(p + 25, 3, volume);
    PutNetValue(p + 31, 3, volume * (5000 + 1000 * i));
    const int counts[5] = {3 + (i * 13) % 29, i % 3 == 0 ? 1 : 0, 2 + (i * 17) % 23, 0, 1 + i % 7};
    for (int c = 0; c < 5; ++c) PutU16(p + 37 + 2 * c, static_cast<uint16_t>(counts[c]));
  }
  return b;
}

int Market::ForeignCount(char region) { return ForeignRegion(region).count; }

Bytes Market::ForeignIndices4176(char region) const {
  Region r = ForeignRegion(region);
  Bytes b(1 + 29 * static_cast<size_t>(r.count), 0);
  b[0] = static_cast<uint8_t>(r.count);
  for (int k = 0; k < r.count; ++k) {
    const Foreign& f = r.list[k];
    uint8_t* p = &b[1 + 29 * static_cast<size_t>(k)];
    PutText(p, 14, wire::ToCp949(f.name));
    PutNetFloat2(p + 14, f.value);
    PutNetFloat2(p + 18, Magnitude(f.value - f.prevClose));
    p[22] = f.value > f.prevClose ? '2' : f.value < f.prevClose ? '5' : '3';
    PutNetValue(p + 23, 3, f.volume);
  }
  return b;
}

void Market::SeedDayTrades(int perItem) {
  perItem = std::clamp(perItem, 0, static_cast<int>(kMaxTicks));
  if (perItem == 0) return;
  const uint32_t start = clock_;
  for (auto& [code, item] : items_) {
    item.ticks.clear();
    int64_t tick = TickSize(item.price);
    int64_t volume = item.volume;
    for (int k = 0; k < perItem; ++k) {  // newest first, the newest at the price now
      int64_t price = k == 0 ? item.price : std::max<int64_t>(tick, item.price + tick * ((k * 7) % 5 - 2));
      int64_t quantity = 10 * (1 + (k * 13) % 9);
      item.ticks.push_back(Tick{start + static_cast<uint32_t>(perItem - k), price, quantity, volume});
      volume -= quantity;
    }
    item.lastVolume = item.ticks.front().quantity;
  }
  // The contracts' trades of the day alike, prices on their tick.
  for (auto& [code, d] : derivatives_) {
    FutOptTape& tape = futOptTapes_[code];
    tape.ticks.clear();
    const int64_t tick = FutOptTick(d);
    int64_t volume = d.volume;
    for (int k = 0; k < perItem; ++k) {
      int64_t price = k == 0 ? d.price : std::max<int64_t>(tick, d.price + tick * ((k * 7) % 5 - 2));
      int64_t quantity = 1 + (k * 13) % 9;
      tape.ticks.push_back(Tick{start + static_cast<uint32_t>(perItem - k), price, quantity, volume});
      volume -= quantity;
    }
    tape.count = perItem;
  }
  clock_ = start + static_cast<uint32_t>(perItem);
}

}  // namespace simsrv
