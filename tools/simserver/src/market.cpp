#include "market.h"

#include <algorithm>
#include <tuple>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace simsrv {

using wire::PutNetFloat2;
using wire::PutNetValue;
using wire::PutText;

Market::Market() {
  const struct {
    const char* code;
    const char* name;
    bool ecn;
    int64_t prev, price;
  } items[] = {
      {"005930", "삼성전자", true, 71000, 71500}, {"000660", "SK하이닉스", false, 130000, 128500},
      {"035420", "NAVER", false, 215000, 215000}, {"005380", "현대차", false, 180000, 183000},
      {"035720", "카카오", true, 52000, 51200},   {"068270", "셀트리온", false, 175000, 175000},
  };
  for (const auto& i : items) {
    Item it;
    it.code = i.code;
    it.name = i.name;
    it.ecn = i.ecn;
    it.prevClose = i.prev;
    it.price = i.price;
    it.volume = 1234567 + (i.price % 1000) * 11;
    SetItem(it);
  }
  indices_["00001"] = Index{"00001", "KOSPI", 249050, 250012};
  indices_["02001"] = Index{"02001", "KOSDAQ", 85510, 85034};
  indices_["01001"] = Index{"01001", "KOSPI200", 18400, 18525};
  indices_["02050"] = Index{"02050", "KOSDAQ50", 101420, 100875};
  const struct {
    const char* code;
    const char* name;
    bool futures;
    int64_t prev, price;
  } derivatives[] = {
      {"101C3000", "KP200 F 0703", true, 18650, 18700}, {"101C6000", "KP200 F 0706", true, 18760, 18805},
      {"101C9000", "KP200 F 0709", true, 18870, 18910}, {"101CC000", "KP200 F 0712", true, 18990, 19020},
      {"201C3185", "C 0703 185.0", false, 320, 350},    {"201C3190", "C 0703 190.0", false, 150, 140},
      {"301C3185", "P 0703 185.0", false, 210, 180},    {"301C3180", "P 0703 180.0", false, 95, 95},
  };
  for (const auto& d : derivatives)
    derivatives_[d.code] = Derivative{d.code, d.name, d.futures, d.prev, d.price, 20000 + d.price % 997, {}, 0};
  // The option series of the options code file; the four above keep their prices. A series is
  // worth what it is in the money against KOSPI200 and a time value that shrinks away from it.
  const int64_t k200 = indices_["01001"].value;
  const char months[] = {'3', '4', '5', '6'};
  for (int m = 0; m < 4; ++m)
    for (int i = 0; i < 21; ++i) {
      int64_t strike = 16000 + 250 * i;
      for (char kind : {'2', '3'}) {
        char code[9], name[16];
        std::snprintf(code, sizeof code, "%c01C%c%03d", kind, months[m], static_cast<int>(strike / 100));
        std::snprintf(name, sizeof name, "%c 070%c %d.%d", kind == '2' ? 'C' : 'P', months[m],
                      static_cast<int>(strike / 100), static_cast<int>(strike % 100 / 10));
        Derivative& d = derivatives_[code];
        d.month = std::string("20070") + months[m];
        d.strike = strike;
        if (!d.code.empty()) continue;
        int64_t inMoney = std::max<int64_t>(0, kind == '2' ? k200 - strike : strike - k200);
        int64_t away = k200 > strike ? k200 - strike : strike - k200;
        int64_t price = inMoney + std::max<int64_t>(2, 240 + 60 * m - away / 5);
        if (price >= 300) price = price / 5 * 5;
        int64_t tick = price >= 300 ? 5 : 1;
        int64_t prev = std::max<int64_t>(1, price + ((i * 7 + m * 13 + (kind - '2') * 5) % 21 - 10) * tick);
        d = Derivative{code, name, false, prev, price, 13000 + (strike / 10 + m * 131) % 4999, d.month, strike};
      }
    }

  // The demo user: every account kind of the login reply, and one kind ("04") that is neither.
  const char* kinds[] = {"01", "02", "03", "06", "09", "04"};
  User demo{"demo", "1234", {}};
  for (const char* k : kinds) {
    Account a;
    a.number = std::string("12345678") + k;
    a.password = "0000";
    a.cash = 100000000;
    if (std::string(k) == "03") {
      // The futures/options account: pledged securities and two futures contracts held long.
      a.substitute = 30000000;
      a.positions["101C3000"] = FutOptPosition{2, 18650};
    }
    if (std::string(k) == "01") {
      a.holdings = {{"005930", 100}, {"000660", 50}, {"035720", 30}};
      a.average = {{"005930", 65000}, {"000660", 135000}, {"035720", 50000}};
      a.receivers = {{"04", "국민은행", "12345678901234", "홍길동", false},
                     {"20", "우리은행", "1002123456789", "김철수", false},
                     {"11", "농협", "3021234567891", "이영희", true}};
    }
    AddAccount(a);
    demo.accounts.push_back(a.number);
  }
  AddUser(demo);
  AddUser(User{"empty", "5678", {}});
  SeedFigures();
  // The demo user's first group, so that the interest list shows items from the start.
  for (const char* code : {"005930", "000660", "035720"}) AddInterest("demo", 1, code);
}

void Market::AddUser(const User& user) { users_[user.id] = user; }
void Market::AddAccount(const Account& account) { accounts_[account.number] = account; }

const User* Market::FindUser(const std::string& id) const {
  auto it = users_.find(id);
  return it == users_.end() ? nullptr : &it->second;
}

Account* Market::FindAccount(const std::string& number) {
  auto it = accounts_.find(number);
  return it == accounts_.end() ? nullptr : &it->second;
}

Item* Market::FindItem(const std::string& code) {
  auto it = items_.find(code.size() == 5 ? "0" + code : code);
  return it == items_.end() ? nullptr : &it->second;
}

Index* Market::FindIndex(const std::string& code) {
  auto it = indices_.find(code);
  return it == indices_.end() ? nullptr : &it->second;
}

void Market::SetItem(const Item& item) { items_[item.code] = item; }

Derivative* Market::FindDerivative(const std::string& code) {
  return const_cast<Derivative*>(static_cast<const Market*>(this)->FindDerivative(code));
}

const Derivative* Market::FindDerivative(const std::string& code) const {
  auto it = derivatives_.find(code.size() == 5 && code[0] == '1' ? code + "000" : code);
  if (it == derivatives_.end() || (code.size() == 5 && !it->second.futures)) return nullptr;
  return &it->second;
}

void Market::SetDerivative(const Derivative& d) { derivatives_[d.code] = d; }

const Derivative* Market::NearestFutures() const {
  for (const auto& [code, d] : derivatives_)
    if (d.futures) return &d;
  return nullptr;
}

int64_t Market::FutOptTick(const Derivative& d) { return d.futures || d.price >= 300 ? 5 : 1; }

Bytes Market::FutOptBase(const Derivative* d) const {
  Bytes b(33, 0);
  auto line = [&](size_t at, int64_t price, int64_t prev) {
    PutNetFloat2(&b[at], price);
    PutNetFloat2(&b[at + 4], price > prev ? price - prev : prev - price);
    b[at + 8] = static_cast<uint8_t>(Sign(price, prev));
  };
  const Derivative* f = NearestFutures();
  if (f) line(0, f->price, f->prevClose);
  if (d) {
    line(9, d->price, d->prevClose);
    PutNetValue(&b[18], 3, d->volume);
  }
  const Index& k200 = indices_.at("01001");
  line(24, k200.value, k200.prevClose);
  return b;
}

Bytes Market::FutOptTrade(const Derivative& d, const std::string& as) const {
  Bytes r(62, 0);
  PutText(&r[0], 8, as.empty() ? d.code : as);
  PutNetFloat2(&r[8], d.price);
  PutNetValue(&r[12], 3, d.volume);
  PutNetFloat2(&r[30], d.price > d.prevClose ? d.price - d.prevClose : d.prevClose - d.price);
  r[38] = static_cast<uint8_t>(Sign(d.price, d.prevClose));
  r[59] = static_cast<uint8_t>(clock_ / 3600);
  r[60] = static_cast<uint8_t>(clock_ / 60 % 60);
  r[61] = static_cast<uint8_t>(clock_ % 60);
  return r;
}

FutOptLevels Market::Levels(const Derivative& d) const {
  FutOptLevels l;
  int64_t tick = FutOptTick(d);
  for (int i = 0; i < 5; ++i) {
    l.askPrice[i] = d.price + tick * (i + 1);  // the last trade between the best bid and the best ask
    l.bidPrice[i] = std::max<int64_t>(0, d.price - tick * (i + 1));
    l.askQuantity[i] = 10 + (d.price / tick + i * 13) % 50;
    l.bidQuantity[i] = 12 + (d.price / tick + i * 17) % 45;
    if (l.bidQuantity[i] == l.askQuantity[i]) ++l.bidQuantity[i];  // the two sides of a level differ
    l.askCount[i] = 1 + l.askQuantity[i] % 7;
    l.bidCount[i] = 1 + l.bidQuantity[i] % 6;
    l.totalAsk += l.askQuantity[i];
    l.totalBid += l.bidQuantity[i];
    l.totalAskCount += l.askCount[i];
    l.totalBidCount += l.bidCount[i];
  }
  return l;
}

Bytes Market::FutOptBook(const Derivative& d, const std::string& as) const {
  Bytes r(168, 0);
  PutText(&r[0], 8, as.empty() ? d.code : as);
  const FutOptLevels l = Levels(d);
  for (int i = 0; i < 5; ++i) {
    PutNetFloat2(&r[8 + 4 * i], l.askPrice[i]);
    PutNetFloat2(&r[28 + 4 * i], l.bidPrice[i]);
    PutNetValue(&r[48 + 6 * i], 3, l.askQuantity[i]);
    PutNetValue(&r[78 + 6 * i], 3, l.bidQuantity[i]);
    PutNetValue(&r[120 + 4 * i], 2, l.askCount[i]);
    PutNetValue(&r[140 + 4 * i], 2, l.bidCount[i]);
  }
  PutNetValue(&r[108], 3, l.totalAsk);
  PutNetValue(&r[114], 3, l.totalBid);
  PutNetValue(&r[160], 2, l.totalAskCount);
  PutNetValue(&r[164], 2, l.totalBidCount);
  return r;
}

Bytes Market::FutOptBook5102(const Derivative& d) const {
  Bytes r(146, 0);
  const FutOptLevels l = Levels(d);
  for (int i = 0; i < 5; ++i) {
    PutNetValue(&r[0 + 4 * i], 2, l.askCount[i]);
    PutNetValue(&r[24 + 4 * i], 2, l.askQuantity[i]);
    PutNetFloat2(&r[48 + 4 * i], l.askPrice[i]);
    r[68 + i] = static_cast<uint8_t>(Sign(l.askPrice[i], d.prevClose));
    PutNetValue(&r[73 + 4 * i], 2, l.bidCount[i]);
    PutNetValue(&r[97 + 4 * i], 2, l.bidQuantity[i]);
    r[121 + i] = static_cast<uint8_t>(Sign(l.bidPrice[i], d.prevClose));
    PutNetFloat2(&r[126 + 4 * i], l.bidPrice[i]);
  }
  PutNetValue(&r[20], 2, l.totalAskCount);
  PutNetValue(&r[44], 2, l.totalAsk);
  PutNetValue(&r[93], 2, l.totalBidCount);
  PutNetValue(&r[117], 2, l.totalBid);
  return r;
}

std::vector<const Derivative*> Market::Options(const std::string& month, char kind) const {
  std::vector<const Derivative*> out;
  for (const auto& [code, d] : derivatives_)
    if (!d.futures && code[0] == kind && d.month == month) out.push_back(&d);
  return out;
}

std::vector<const Derivative*> Market::OptionsAtStrike(int64_t strike, char kind) const {
  std::vector<const Derivative*> out;
  for (const auto& [code, d] : derivatives_)
    if (!d.futures && code[0] == kind && d.strike == strike) out.push_back(&d);
  std::stable_sort(out.begin(), out.end(),
                   [](const Derivative* a, const Derivative* b) { return a->month < b->month; });
  return out;
}

std::vector<const Derivative*> Market::FuturesContracts() const {
  std::vector<const Derivative*> out;
  for (const auto& [code, d] : derivatives_)
    if (d.futures) out.push_back(&d);
  return out;
}

namespace {
void PutPriceChange(uint8_t* r, const Derivative& d) {
  PutNetFloat2(r + 8, d.price);
  PutNetFloat2(r + 12, d.price > d.prevClose ? d.price - d.prevClose : d.prevClose - d.price);
  r[16] = static_cast<uint8_t>(Market::Sign(d.price, d.prevClose));
}
}  // namespace

Bytes Market::OptionRow(const Derivative& d, bool volumeFirst) const {
  Bytes r(31, 0);
  PutText(&r[0], 8, d.code);
  PutPriceChange(r.data(), d);
  const FutOptLevels l = Levels(d);
  if (volumeFirst) {
    PutNetValue(&r[17], 3, d.volume);
    PutNetFloat2(&r[23], l.askPrice[0]);
    PutNetFloat2(&r[27], l.bidPrice[0]);
  } else {
    PutNetFloat2(&r[17], l.askPrice[0]);
    PutNetFloat2(&r[21], l.bidPrice[0]);
    PutNetValue(&r[25], 3, d.volume);
  }
  return r;
}

// Below the day's volume of every contract (at least 13,000), so that the two never meet.
int64_t Market::OpenInterest(const Derivative& d) const { return 1500 + (d.strike / 50 + d.volume) % 997; }

Bytes Market::StrikeRow(const Derivative& d) const {
  Bytes r(43, 0);
  PutText(&r[0], 8, d.code);
  PutPriceChange(r.data(), d);
  const FutOptLevels l = Levels(d);
  PutNetValue(&r[17], 3, d.volume);
  PutNetFloat2(&r[23], l.askPrice[0]);
  PutNetValue(&r[27], 2, l.askQuantity[0]);
  PutNetFloat2(&r[31], l.bidPrice[0]);
  PutNetValue(&r[35], 2, l.bidQuantity[0]);
  PutNetValue(&r[39], 2, OpenInterest(d));
  return r;
}

void Market::TradeDerivative(const std::string& code, int64_t hundredths, int64_t quantity) {
  Derivative* d = FindDerivative(code);
  if (!d || hundredths <= 0) return;
  ++clock_;
  d->price = hundredths;
  d->volume += quantity;
  RecordFutOptTrade(*d, quantity);
  // Open limit orders that the trade reaches are filled at their own price.
  for (FutOptOrder& o : futOptOrders_) {
    if (o.open <= 0 || o.code != d->code || o.price <= 0) continue;
    if ((o.buy && hundredths <= o.price) || (!o.buy && hundredths >= o.price)) FillFutOpt(o, o.price);
  }
}

bool Market::LoadUsers(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::istringstream ls(line);
    std::string word;
    if (!(ls >> word) || word[0] == '#') continue;
    if (word == "user") {
      User u;
      if (!(ls >> u.id >> u.password) || u.id.size() > 10 || u.password.size() > 8) {
        error = path + ":" + std::to_string(lineNo) + ": user <id up to 10> <password up to 8> [accounts]";
        return false;
      }
      std::string acct;
      while (ls >> acct) u.accounts.push_back(acct);
      AddUser(u);
    } else if (word == "account") {
      Account a;
      std::string holding;
      if (!(ls >> a.number >> a.password >> a.cash) || a.number.size() != 10) {
        error = path + ":" + std::to_string(lineNo) + ": account <10 digits> <password> <cash> [code=quantity]";
        return false;
      }
      while (ls >> holding) {
        auto eq = holding.find('=');
        if (eq == std::string::npos) {
          error = path + ":" + std::to_string(lineNo) + ": holding must be code=quantity";
          return false;
        }
        a.holdings[holding.substr(0, eq)] = std::stoll(holding.substr(eq + 1));
      }
      AddAccount(a);
    } else {
      error = path + ":" + std::to_string(lineNo) + ": unknown entry '" + word + "'";
      return false;
    }
  }
  return true;
}

int64_t Market::UpperLimit(int64_t prevClose) {
  int64_t tick = TickSize(prevClose);
  return (prevClose * 130 / 100) / tick * tick;
}

int64_t Market::LowerLimit(int64_t prevClose) {
  int64_t tick = TickSize(prevClose);
  return ((prevClose * 70 + 99) / 100 + tick - 1) / tick * tick;
}

char Market::Sign(int64_t price, int64_t prevClose) {
  if (prevClose <= 0 || price == prevClose) return '3';
  if (price >= UpperLimit(prevClose)) return '1';
  if (price <= LowerLimit(prevClose)) return '4';
  return price > prevClose ? '2' : '5';
}

int64_t Market::TickSize(int64_t price) {
  if (price < 1000) return 1;
  if (price < 5000) return 5;
  if (price < 10000) return 10;
  if (price < 50000) return 50;
  if (price < 100000) return 100;
  if (price < 500000) return 500;
  return 1000;
}

int64_t Market::AskPrice(const Item& item, int level) const { return item.price + TickSize(item.price) * level; }
int64_t Market::BidPrice(const Item& item, int level) const {
  return std::max<int64_t>(0, item.price - TickSize(item.price) * (level + 1));
}
int64_t Market::AskVolume(const Item& item, int level) const {
  return 100 + ((item.price / TickSize(item.price) + level * 37) % 97) * 10;
}
int64_t Market::BidVolume(const Item& item, int level) const {
  return 120 + ((item.price / TickSize(item.price) + level * 53) % 89) * 10;
}

Bytes Market::BaseQuote(const Item& item) const {
  Bytes b(45, 0);
  PutText(&b[0], 12, wire::ToCp949(item.name));
  PutNetValue(&b[12], 2, item.price);
  PutNetValue(&b[16], 3, item.volume);
  b[22] = static_cast<uint8_t>(Sign(item.price, item.prevClose));
  PutNetValue(&b[23], 2, item.price > item.prevClose ? item.price - item.prevClose : item.prevClose - item.price);
  auto idx = [&](const char* code, size_t at) {
    const Index& x = indices_.at(code);
    PutNetFloat2(&b[at], x.value);
    PutNetFloat2(&b[at + 4], x.value > x.prevClose ? x.value - x.prevClose : x.prevClose - x.value);
    b[at + 8] = static_cast<uint8_t>(Sign(x.value, x.prevClose));
  };
  idx("00001", 27);
  idx("02001", 36);
  return b;
}

Bytes Market::Tick9110(const Item& item) const {
  Bytes r(61, 0);
  PutText(&r[0], 6, item.code);
  PutNetValue(&r[6], 2, item.price);
  PutNetValue(&r[10], 3, item.volume);
  r[29] = static_cast<uint8_t>(Sign(item.price, item.prevClose));
  int64_t change = item.price - item.prevClose;
  PutNetValue(&r[30], 2, change < 0 ? -change : change);
  PutNetFloat2(&r[34], item.prevClose ? change * 10000 / item.prevClose : 0);
  r[58] = static_cast<uint8_t>(clock_ / 3600);
  r[59] = static_cast<uint8_t>(clock_ / 60 % 60);
  r[60] = static_cast<uint8_t>(clock_ % 60);
  return r;
}

Bytes Market::Book9120(const Item& item) const {
  Bytes r(130, 0);
  PutText(&r[0], 6, item.code);
  int64_t totalAsk = 0, totalBid = 0;
  for (int i = 0; i < 5; ++i) {
    PutNetValue(&r[6 + 4 * i], 2, AskPrice(item, i));
    PutNetValue(&r[26 + 4 * i], 2, BidPrice(item, i));
    PutNetValue(&r[46 + 6 * i], 3, AskVolume(item, i));
    PutNetValue(&r[76 + 6 * i], 3, BidVolume(item, i));
    totalAsk += AskVolume(item, i);
    totalBid += BidVolume(item, i);
  }
  PutNetValue(&r[106], 3, totalAsk);
  PutNetValue(&r[112], 3, totalBid);
  PutNetValue(&r[118], 3, totalAsk / 10);
  PutNetValue(&r[124], 3, totalBid / 10);
  return r;
}

Bytes Market::Book9121(const Item& item) const {
  Bytes r(218, 0);
  PutText(&r[0], 6, item.code);
  int64_t totalAsk = 0, totalBid = 0;
  for (int i = 0; i < 10; ++i) {
    PutNetValue(&r[6 + 4 * i], 2, AskPrice(item, i));
    PutNetValue(&r[46 + 4 * i], 2, BidPrice(item, i));
    PutNetValue(&r[86 + 6 * i], 3, AskVolume(item, i));
    PutNetValue(&r[146 + 6 * i], 3, BidVolume(item, i));
    totalAsk += AskVolume(item, i);
    totalBid += BidVolume(item, i);
  }
  PutNetValue(&r[206], 3, totalAsk);
  PutNetValue(&r[212], 3, totalBid);
  return r;
}

Bytes Market::Index9210(const Index& index) const {
  Bytes r(23, 0);
  PutText(&r[0], 5, index.code);
  // The value travels as the two groups that the base-quote strip reads as NET_FLOAT2.
  PutNetFloat2(&r[5], index.value);
  r[9] = static_cast<uint8_t>(Sign(index.value, index.prevClose));
  PutNetFloat2(&r[10], index.value > index.prevClose ? index.value - index.prevClose : index.prevClose - index.value);
  return r;
}

Bytes Market::OrderBook6100(const Item& item, int levels) const {
  // Per side: prices (4 x levels), signs (levels), volumes (6 x levels), 4 x levels unused,
  // the side's total; then the two after-hours totals.
  const size_t side = static_cast<size_t>(4 * levels + levels + 6 * levels + 4 * levels + 6);
  Bytes r(2 * side + 12, 0);
  int64_t total[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    uint8_t* p = &r[s * side];
    for (int i = 0; i < levels; ++i) {
      int64_t price = s == 0 ? AskPrice(item, i) : BidPrice(item, i);
      int64_t volume = s == 0 ? AskVolume(item, i) : BidVolume(item, i);
      PutNetValue(p + 4 * i, 2, price);
      p[4 * levels + i] = static_cast<uint8_t>(Sign(price, item.prevClose));
      PutNetValue(p + 5 * levels + 6 * i, 3, volume);
      total[s] += volume;
    }
    PutNetValue(p + side - 6, 3, total[s]);
  }
  PutNetValue(&r[2 * side], 3, total[0] / 10);
  PutNetValue(&r[2 * side + 6], 3, total[1] / 10);
  return r;
}

Bytes Market::TickList4140(const Item& item, int rows, int page, const uint8_t* key) const {
  size_t start = 0;
  if (key && page > 1) {
    uint32_t at = (uint32_t(key[0]) << 24) | (uint32_t(key[1]) << 16) | (uint32_t(key[2]) << 8) | key[3];
    while (start < item.ticks.size() && item.ticks[start].seconds > at) ++start;
  }
  size_t left = item.ticks.size() - start;
  size_t n = std::min<size_t>(left, static_cast<size_t>(std::max(rows, 0)));
  n = std::min<size_t>(n, 255);
  Bytes r(7 + 24 * n, 0);
  r[0] = static_cast<uint8_t>(page);
  if (start + n < item.ticks.size()) {
    r[1] = 1;
    uint32_t next = item.ticks[start + n].seconds;
    for (int i = 0; i < 4; ++i) r[2 + i] = static_cast<uint8_t>(next >> (24 - 8 * i));
  }
  r[6] = static_cast<uint8_t>(n);
  for (size_t k = 0; k < n; ++k) {
    const Tick& t = item.ticks[start + k];
    uint8_t* p = &r[7 + 24 * k];
    p[0] = static_cast<uint8_t>(t.seconds / 3600);
    p[1] = static_cast<uint8_t>(t.seconds / 60 % 60);
    p[2] = static_cast<uint8_t>(t.seconds % 60);
    PutNetValue(p + 3, 2, t.price);
    p[7] = static_cast<uint8_t>(Sign(t.price, item.prevClose));
    PutNetValue(p + 8, 2, t.price > item.prevClose ? t.price - item.prevClose : item.prevClose - t.price);
    PutNetValue(p + 12, 3, t.quantity);
    PutNetValue(p + 18, 3, t.volume);
  }
  return r;
}

Bytes Market::ChartBars(const Item& item, uint16_t code, int minutes) const {
  const int n = kChartBars;
  Bytes r(19 + 37 * n, 0);
  PutText(&r[0], 6, item.code);
  r[18] = static_cast<uint8_t>(n);
  // A random walk of closes seeded by the code and the period, ending near the previous close.
  uint32_t seed = code * 2654435761u;
  for (char ch : item.code) seed = seed * 31 + static_cast<uint8_t>(ch);
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFF;
  };
  const int64_t base = item.prevClose > 0 ? item.prevClose : 10000;
  std::vector<int64_t> open(n), high(n), low(n), close(n), volume(n);
  int64_t price = base;
  for (int i = 0; i < n; ++i) {
    const int64_t step = std::max<int64_t>(TickSize(price), price / 200);
    open[i] = price;
    close[i] = std::max<int64_t>(step, price + (static_cast<int64_t>(next() % 7) - 3) * step);
    high[i] = std::max(open[i], close[i]) + static_cast<int64_t>(next() % 3) * step;
    low[i] = std::max<int64_t>(1, std::min(open[i], close[i]) - static_cast<int64_t>(next() % 3) * step);
    volume[i] = 100000 + static_cast<int64_t>(next()) * 61;
    price = close[i];
  }
  for (int i = 0; i < n; ++i) {
    uint8_t* p = &r[19 + 37 * i];
    const int back = n - 1 - i;  // bars before the newest
    if (code == 2500) {
      const int at = 9 * 60 + (i * minutes) % (6 * 60);  // from 09:00 within a trading day
      p[0] = static_cast<uint8_t>(at / 60);
      p[1] = static_cast<uint8_t>(at % 60);
    } else {
      // Counted back from Wednesday 2026-12-09: weekdays, weeks (Fridays) or month ends.
      int y = 2026, m = 12, d = 9;
      auto days = [](int yy, int mm) {
        static const int k[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return mm == 2 && (yy % 4 == 0 && (yy % 100 != 0 || yy % 400 == 0)) ? 29 : k[mm - 1];
      };
      auto prevDay = [&] {
        if (--d == 0) {
          if (--m == 0) m = 12, --y;
          d = days(y, m);
        }
      };
      if (code == 2510) {
        int weekday = 3;  // Wednesday
        for (int k = 0; k < back; ++k) {
          do {
            prevDay();
            weekday = (weekday + 6) % 7;
          } while (weekday == 0 || weekday == 6);
        }
      } else if (code == 2520) {
        d = 4;  // the Friday before
        for (int k = 0; k < 7 * back; ++k) prevDay();
      } else {
        for (int k = 0; k < back; ++k)
          if (--m == 0) m = 12, --y;
        d = days(y, m);
      }
      p[0] = static_cast<uint8_t>(y % 100);
      p[1] = static_cast<uint8_t>(m);
      p[2] = static_cast<uint8_t>(d);
    }
    PutNetValue(p + 3, 2, open[i]);
    PutNetValue(p + 7, 2, high[i]);
    PutNetValue(p + 11, 2, low[i]);
    PutNetValue(p + 15, 2, close[i]);
    const int periods[3] = {5, 20, 60};
    for (int q = 0; q < 3; ++q) {
      int64_t avg = -1;  // fewer bars than the period: no value
      if (i + 1 >= periods[q]) {
        int64_t sum = 0;
        for (int k = i + 1 - periods[q]; k <= i; ++k) sum += close[k];
        avg = sum / periods[q];
      }
      PutNetValue(p + 19 + 4 * q, 2, avg);
    }
    PutNetValue(p + 31, 3, volume[i]);
  }
  return r;
}

Bytes Market::FutOptChartBars(const Derivative& d, uint16_t code, int minutes) const {
  // The stock chart's bars of a stand-in item whose prices are the contract's in hundredths, with
  // its dates and times, recoded: prices as groups a, b worth a x 100 + b, averages -100 when
  // missing; options bars without trades (volume 0) every seventh bar.
  Item stand;
  stand.code = d.code;
  stand.prevClose = d.prevClose > 0 ? d.prevClose * 10 : 10000;
  const uint16_t stockCode = code == 5500 ? 2500 : 2510;
  Bytes stock = ChartBars(stand, stockCode, minutes);
  const int n = kChartBars;
  Bytes r(9 + 37 * n, 0);
  PutText(&r[0], 8, d.code);
  r[8] = static_cast<uint8_t>(n);
  auto put = [](uint8_t* p, int64_t hundredths) {
    const int16_t a = static_cast<int16_t>(hundredths / 100), b = static_cast<int16_t>(hundredths % 100);
    p[0] = static_cast<uint8_t>(static_cast<uint16_t>(a) >> 8), p[1] = static_cast<uint8_t>(a);
    p[2] = static_cast<uint8_t>(static_cast<uint16_t>(b) >> 8), p[3] = static_cast<uint8_t>(b);
  };
  for (int i = 0; i < n; ++i) {
    const uint8_t* s = &stock[19 + 37 * i];
    uint8_t* p = &r[9 + 37 * i];
    std::copy(s, s + 3, p);
    int64_t v[7];
    for (int k = 0; k < 7; ++k) {
      const int64_t raw = wire::GetNetValue(s + 3 + 4 * k, 2);
      v[k] = raw < 0 ? -1 : raw / 10;
    }
    const bool idle = !d.futures && i % 7 == 3;
    for (int k = 0; k < 4; ++k) put(p + 3 + 4 * k, idle ? v[0] : v[k]);
    for (int k = 4; k < 7; ++k) put(p + 3 + 4 * k, v[k] < 0 ? -100 : v[k]);
    PutNetValue(p + 31, 3, idle ? 0 : wire::GetNetValue(s + 31, 3) / 100);
  }
  return r;
}

void Market::TradingDay(int k, uint8_t& yy, uint8_t& mm, uint8_t& dd) {
  // Trading days back from Thursday 10 December 2026, weekends passed over.
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int y = 2026, m = 12, day = 10, weekday = 4;  // 0 Sunday
  for (int step = 0; step < k; ++step) {
    do {
      if (--day == 0) {
        if (--m == 0) m = 12, --y;
        day = kMonthDays[m - 1];
      }
      weekday = (weekday + 6) % 7;
    } while (weekday == 0 || weekday == 6);
  }
  yy = static_cast<uint8_t>(y % 100), mm = static_cast<uint8_t>(m), dd = static_cast<uint8_t>(day);
}

Market::Day Market::DailyPrice(const Item& item, int k) const {
  Day d;
  TradingDay(k, d.yy, d.mm, d.dd);
  if (k == 0) {
    d.close = item.price;
    d.volume = item.volume;
  } else if (k == 1) {
    d.close = item.prevClose;
    d.volume = 100000 + 7331;
  } else {
    // Days before yesterday: up to 2.5% around the previous close, on the item's tick.
    int64_t tick = TickSize(item.prevClose);
    int64_t price = item.prevClose * (1000 + (k * 37) % 51 - 25) / 1000;
    d.close = std::max<int64_t>(tick, price / tick * tick);
    d.volume = 100000 + (k * 7331) % 50000;
  }
  return d;
}

Bytes Market::DailyList4130(const Item& item, int rows, int page, const uint8_t* key) const {
  int start = 0;
  if (key && page > 1 && key[0] != ' ') {
    while (start < kDays) {
      Day d = DailyPrice(item, start);
      if (std::make_tuple(d.yy, d.mm, d.dd) <= std::make_tuple(key[0], key[1], key[2])) break;
      ++start;
    }
  }
  int n = std::min(std::max(rows, 0), kDays - start);
  n = std::min(n, 255);
  Bytes r(6 + 22 * static_cast<size_t>(n), 0);
  r[0] = static_cast<uint8_t>(page);
  r[2] = static_cast<uint8_t>(n);
  if (start + n < kDays) {
    Day next = DailyPrice(item, start + n);
    r[1] = 1;
    r[3] = next.yy, r[4] = next.mm, r[5] = next.dd;
  } else {
    r[3] = r[4] = r[5] = ' ';
  }
  for (int i = 0; i < n; ++i) {
    Day d = DailyPrice(item, start + i);
    Day before = DailyPrice(item, start + i + 1);
    uint8_t* p = &r[6 + 22 * static_cast<size_t>(i)];
    p[0] = d.yy, p[1] = d.mm, p[2] = d.dd;
    PutNetValue(p + 3, 2, d.close);
    p[7] = static_cast<uint8_t>(Sign(d.close, before.close));
    int64_t change = d.close - before.close;
    PutNetValue(p + 8, 2, change < 0 ? -change : change);
    // The rate in hundredths of a percent, as whole and hundredths parts that share its sign.
    int64_t rate = before.close > 0 ? change * 10000 / before.close : 0;
    wire::PutU16(p + 12, static_cast<uint16_t>(static_cast<int16_t>(rate / 100)));
    wire::PutU16(p + 14, static_cast<uint16_t>(static_cast<int16_t>(rate % 100)));
    PutNetValue(p + 16, 3, d.volume);
  }
  return r;
}

void Market::Trade(const std::string& code, int64_t price, int64_t quantity) {
  Item* item = FindItem(code);
  if (!item || price <= 0) return;
  ++clock_;
  item->price = price;
  item->lastVolume = quantity;
  item->volume += quantity;
  item->ticks.insert(item->ticks.begin(), Tick{clock_, price, quantity, item->volume});
  if (item->ticks.size() > kMaxTicks) item->ticks.pop_back();
  // Open limit orders that the trade reaches are filled at their own price.
  for (Order& o : orders_) {
    if (o.open <= 0 || o.code != item->code || o.price <= 0) continue;
    if ((o.buy && price <= o.price) || (!o.buy && price >= o.price)) Fill(o, o.price);
  }
}

void Market::SetIndex(const std::string& code, int64_t hundredths) {
  if (Index* x = FindIndex(code)) {
    ++clock_;
    x->value = hundredths;
  }
}

std::string Market::NextOrderNumber() {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%05d", nextOrder_);
  nextOrder_ = nextOrder_ >= 99999 ? 10001 : nextOrder_ + 1;
  return buf;
}

std::string Market::NextTransferKey() {
  char buf[16];
  std::snprintf(buf, sizeof buf, "T%08d", nextTransfer_++ % 100000000);
  return buf;
}

void Market::Fill(Order& o, int64_t price) {
  int64_t q = o.open;
  Account* a = FindAccount(o.account);
  if (!a || q <= 0) return;
  if (o.buy) {
    a->cash -= q * price;
    int64_t held = a->holdings[o.code];
    a->average[o.code] = (a->average[o.code] * held + price * q) / (held + q);
    a->holdings[o.code] += q;
  } else {
    a->cash += q * price;
    a->holdings[o.code] -= q;
  }
  o.filled += q;
  o.fillAmount += q * price;
  o.open = 0;
}

int64_t Market::Reserved(const std::string& account) const {
  int64_t sum = 0;
  for (const Order& o : orders_) {
    if (!o.buy || o.account != account || o.open <= 0) continue;
    auto it = items_.find(o.code);
    sum += o.open * (o.price ? o.price : it == items_.end() ? 0 : it->second.price);
  }
  return sum;
}

int64_t Market::PendingSell(const std::string& account, const std::string& code) const {
  int64_t sum = 0;
  for (const Order& o : orders_)
    if (!o.buy && o.account == account && o.code == code) sum += o.open;
  return sum;
}

const Order* Market::FindOrder(const std::string& number) const {
  for (const Order& o : orders_)
    if (o.number == number) return &o;
  return nullptr;
}

namespace {

bool TypeNeedsPrice(bool ecn, char type) { return ecn || type == '1' || type == '3'; }

OrderResult Refuse(const std::string& message) { return OrderResult{false, "", message}; }

}  // namespace

OrderResult Market::PlaceOrder(const std::string& account, const std::string& code, bool buy, bool ecn, char type,
                               int64_t quantity, int64_t price) {
  Account* a = FindAccount(account);
  if (!a) return Refuse("계좌번호가 올바르지 않습니다.");
  Item* item = FindItem(code);
  if (!item) return Refuse("종목코드가 올바르지 않습니다.");
  if (ecn && !item->ecn) return Refuse("ECN 거래 종목이 아닙니다.");
  if (ecn ? (type != '1' && type != '2') : (type < '1' || type > '5')) return Refuse("매매구분이 올바르지 않습니다.");
  if (quantity <= 0 || quantity > 9999999) return Refuse("주문수량이 올바르지 않습니다.");
  bool needsPrice = TypeNeedsPrice(ecn, type);
  if (needsPrice && price <= 0) return Refuse("주문가격이 올바르지 않습니다.");
  if (!needsPrice) price = 0;
  int64_t cost = quantity * (price ? price : item->price);
  if (buy && cost > a->cash - Reserved(account)) return Refuse("주문가능금액이 부족합니다.");
  if (!buy) {
    auto h = a->holdings.find(item->code);
    if (h == a->holdings.end() || h->second - PendingSell(account, item->code) < quantity)
      return Refuse("매도가능수량이 부족합니다.");
  }
  Order o;
  o.number = NextOrderNumber();
  o.account = account;
  o.code = item->code;
  o.buy = buy;
  o.ecn = ecn;
  o.type = type;
  o.quantity = quantity;
  o.price = price;
  o.open = quantity;
  o.kind = ecn ? (buy ? "ECN매수" : "ECN매도") : (buy ? "현금매수" : "현금매도");
  orders_.push_back(o);
  // A market order trades at once at the current price.
  if (!needsPrice && type == '2') Fill(orders_.back(), item->price);
  return OrderResult{true, o.number, ""};
}

OrderResult Market::ModifyOrder(const std::string& account, const std::string& target, const std::string& code,
                                char kind, int64_t quantity, int64_t price, char type) {
  if (!FindAccount(account)) return Refuse("계좌번호가 올바르지 않습니다.");
  auto it = std::find_if(orders_.begin(), orders_.end(), [&](const Order& o) { return o.number == target; });
  if (it == orders_.end() || it->account != account) return Refuse("원주문번호가 올바르지 않습니다.");
  if (!code.empty() && FindItem(code) && it->code != FindItem(code)->code) return Refuse("원주문의 종목과 다릅니다.");
  if (it->ecn) return Refuse("ECN 주문은 정정할 수 없습니다.");
  if (it->open <= 0) return Refuse("정정/취소 가능수량이 없습니다.");
  if (kind != '1' && kind != '2') return Refuse("정정구분이 올바르지 않습니다.");
  if (type < '1' || type > '3') return Refuse("매매구분이 올바르지 않습니다.");
  int64_t q = kind == '2' ? it->open : quantity;
  if (q <= 0 || q > it->open) return Refuse("정정수량이 올바르지 않습니다.");
  bool needsPrice = type != '2';
  if (needsPrice && price <= 0) return Refuse("정정가격이 올바르지 않습니다.");
  it->open -= q;
  if (it->open == 0 && it->filled == 0) it->cancelled = true;
  Order o = *it;
  o.number = NextOrderNumber();
  o.type = type;
  o.quantity = q;
  o.price = needsPrice ? price : 0;
  o.filled = 0;
  o.fillAmount = 0;
  o.open = q;
  o.cancelled = false;
  o.kind = o.buy ? "정정매수" : "정정매도";
  orders_.push_back(o);
  if (!needsPrice) Fill(orders_.back(), FindItem(o.code)->price);
  return OrderResult{true, o.number, ""};
}

OrderResult Market::CancelOrder(const std::string& account, const std::string& target, const std::string& code,
                                char kind, int64_t quantity, bool ecn) {
  if (!FindAccount(account)) return Refuse("계좌번호가 올바르지 않습니다.");
  auto it = std::find_if(orders_.begin(), orders_.end(), [&](const Order& o) { return o.number == target; });
  if (it == orders_.end() || it->account != account) return Refuse("원주문번호가 올바르지 않습니다.");
  if (!code.empty() && FindItem(code) && it->code != FindItem(code)->code) return Refuse("원주문의 종목과 다릅니다.");
  if (it->ecn != ecn) return Refuse(ecn ? "ECN 주문이 아닙니다." : "ECN 주문은 ECN취소를 이용하세요.");
  if (it->open <= 0) return Refuse("정정/취소 가능수량이 없습니다.");
  if (kind != '1' && kind != '2') return Refuse("취소구분이 올바르지 않습니다.");
  int64_t q = kind == '2' ? it->open : quantity;
  if (q <= 0 || q > it->open) return Refuse("취소수량이 올바르지 않습니다.");
  it->open -= q;
  if (it->open == 0 && it->filled == 0) it->cancelled = true;
  return OrderResult{true, NextOrderNumber(), ""};
}

// ---- Futures and options ------------------------------------------------------------------------

namespace {

bool FutOptTypePriced(char type) { return type == '1' || type == '3'; }

bool IsFutOptAccount(const std::string& number) { return number.size() == 10 && number.compare(8, 2, "03") == 0; }

}  // namespace

std::string Market::NextFutOptNumber() {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06d", nextFutOpt_);
  nextFutOpt_ = nextFutOpt_ >= 999999 ? 100001 : nextFutOpt_ + 1;
  return buf;
}

const FutOptOrder* Market::FindFutOptOrder(const std::string& number) const {
  for (const FutOptOrder& o : futOptOrders_)
    if (o.number == number) return &o;
  return nullptr;
}

int64_t Market::FutOptContractMargin(const Derivative& d, bool buy, int64_t price) const {
  if (price <= 0) price = d.price;
  if (!d.futures && buy) return price * kFutOptWonPerHundredth;  // the premium
  int64_t base = d.futures ? price : indices_.at("01001").value;
  return base * kFutOptWonPerHundredth * kFutOptMarginPercent / 100;
}

int64_t Market::FutOptClosable(const std::string& account, const std::string& code) const {
  auto a = accounts_.find(account);
  if (a == accounts_.end()) return 0;
  auto p = a->second.positions.find(code);
  if (p == a->second.positions.end() || p->second.quantity == 0) return 0;
  bool closingBuys = p->second.quantity < 0;
  int64_t held = 0;
  for (const FutOptOrder& o : futOptOrders_)
    if (o.account == account && o.code == code && o.open > 0 && o.buy == closingBuys) held += o.open;
  return std::max<int64_t>(0, std::llabs(p->second.quantity) - held);
}

int64_t Market::FutOptMargin(const std::string& account) const {
  auto a = accounts_.find(account);
  if (a == accounts_.end()) return 0;
  int64_t sum = 0;
  std::map<std::string, int64_t> closable;  // contracts each position still lets orders close
  for (const auto& [code, p] : a->second.positions) {
    auto d = derivatives_.find(code);
    if (d == derivatives_.end() || p.quantity == 0) continue;
    closable[code] = std::llabs(p.quantity);
    // Bought options are paid for; futures and sold options keep their margin.
    if (d->second.futures || p.quantity < 0)
      sum += std::llabs(p.quantity) * FutOptContractMargin(d->second, p.quantity > 0, d->second.price);
  }
  for (const FutOptOrder& o : futOptOrders_) {
    if (o.account != account || o.open <= 0) continue;
    auto d = derivatives_.find(o.code);
    if (d == derivatives_.end()) continue;
    auto p = a->second.positions.find(o.code);
    int64_t opens = o.open;
    if (p != a->second.positions.end() && p->second.quantity != 0 && (p->second.quantity < 0) == o.buy) {
      int64_t closes = std::min(opens, closable[o.code]);
      closable[o.code] -= closes;
      opens -= closes;
    }
    sum += opens * FutOptContractMargin(d->second, o.buy, o.price);
  }
  return sum;
}

Market::FutOptDeposit Market::FutOptDepositOf(const std::string& account) const {
  FutOptDeposit x;
  auto a = accounts_.find(account);
  if (a == accounts_.end()) return x;
  x.cash = a->second.cash;
  x.substitute = a->second.substitute;
  int64_t margin = FutOptMargin(account);
  // Up to two thirds of the margin may be covered by pledged securities, the rest is cash.
  x.marginSubstitute = std::min(x.substitute, margin * 2 / 3);
  x.marginCash = margin - x.marginSubstitute;
  x.orderableCash = std::max<int64_t>(0, x.cash - x.marginCash);
  x.orderableSubstitute = std::max<int64_t>(0, x.substitute - x.marginSubstitute);
  // Pledged securities are no money: only cash can be withdrawn.
  x.withdrawableCash = x.orderableCash;
  x.withdrawableSubstitute = 0;
  x.maintenanceCash = x.marginCash * 2 / 3;
  x.maintenance = margin * 2 / 3;
  x.additionalCash = std::max<int64_t>(0, x.maintenanceCash - x.cash);
  x.additional = std::max<int64_t>(0, x.maintenance - x.cash - x.substitute);
  return x;
}

OrderResult Market::CheckFutOptMargin(const std::string& account, const Derivative& d, bool buy, int64_t quantity,
                                      int64_t price) const {
  auto a = accounts_.find(account);
  if (a == accounts_.end()) return Refuse("계좌번호가 올바르지 않습니다.");
  // Contracts that close a position need no margin.
  int64_t closes = 0;
  auto p = a->second.positions.find(d.code);
  if (p != a->second.positions.end() && p->second.quantity != 0 && (p->second.quantity < 0) == buy)
    closes = std::min<int64_t>(quantity, FutOptClosable(account, d.code));
  int64_t need = (quantity - closes) * FutOptContractMargin(d, buy, price);
  FutOptDeposit x = FutOptDepositOf(account);
  int64_t room = !d.futures && buy ? x.orderableCash : x.orderableCash + x.orderableSubstitute;
  if (need > room) return Refuse("주문가능금액이 부족합니다.");
  return OrderResult{true, "", ""};
}

void Market::FillFutOpt(FutOptOrder& o, int64_t price) {
  int64_t q = o.open;
  Account* a = FindAccount(o.account);
  const Derivative* d = FindDerivative(o.code);
  if (!a || !d || q <= 0) return;
  FutOptPosition& p = a->positions[o.code];
  int64_t signedQ = o.buy ? q : -q;
  bool closing = p.quantity != 0 && (p.quantity > 0) != o.buy;
  int64_t closed = closing ? std::min<int64_t>(q, std::llabs(p.quantity)) : 0;
  if (!d->futures) {
    a->cash -= signedQ * price * kFutOptWonPerHundredth;  // premium paid or received
  } else if (closed > 0) {
    int64_t perContract = (price - p.average) * (p.quantity > 0 ? 1 : -1);
    a->cash += closed * perContract * kFutOptWonPerHundredth;  // profit or loss settled
  }
  if (!closing) {
    int64_t held = std::llabs(p.quantity);
    p.average = (p.average * held + price * q) / (held + q);
  } else if (q > closed) {
    p.average = price;  // the position turned over: the rest opens at this price
  }
  p.quantity += signedQ;
  if (p.quantity == 0) a->positions.erase(o.code);
  o.filled += q;
  o.fillAmount += q * price;
  o.open = 0;
}

OrderResult Market::PlaceFutOptOrder(const std::string& account, const std::string& code, bool buy, char type,
                                     int64_t quantity, int64_t price) {
  if (!FindAccount(account) || !IsFutOptAccount(account)) return Refuse("선물옵션 계좌가 아닙니다.");
  Derivative* d = FindDerivative(code);
  if (!d) return Refuse("종목코드가 올바르지 않습니다.");
  if (type < '1' || type > '4') return Refuse("주문유형이 올바르지 않습니다.");
  if (quantity <= 0 || quantity > 99999) return Refuse("주문수량이 올바르지 않습니다.");
  if (!FutOptTypePriced(type))
    price = 0;
  else if (price <= 0)
    return Refuse("주문가격이 올바르지 않습니다.");
  else if (price % FutOptTick(*d) != 0)
    return Refuse("호가단위가 올바르지 않습니다.");
  OrderResult margin = CheckFutOptMargin(account, *d, buy, quantity, price);
  if (!margin.ok) return margin;
  FutOptOrder o;
  o.number = NextFutOptNumber();
  o.account = account;
  o.code = d->code;
  o.buy = buy;
  o.type = type;
  o.quantity = quantity;
  o.price = price;
  o.open = quantity;
  futOptOrders_.push_back(o);
  // Market and best-limit orders trade at once at the current price.
  if (price == 0) FillFutOpt(futOptOrders_.back(), d->price);
  return OrderResult{true, o.number, ""};
}

FutOptOrder* Market::OpenFutOptOrder(const std::string& account, const std::string& target, const std::string& code,
                                     OrderResult* refused) {
  auto refuse = [&](const char* message) -> FutOptOrder* {
    *refused = Refuse(message);
    return nullptr;
  };
  if (!FindAccount(account) || !IsFutOptAccount(account)) return refuse("선물옵션 계좌가 아닙니다.");
  auto it = std::find_if(futOptOrders_.begin(), futOptOrders_.end(),
                         [&](const FutOptOrder& o) { return o.number == target; });
  if (it == futOptOrders_.end() || it->account != account || it->action == 'C')
    return refuse("원주문번호가 올바르지 않습니다.");
  const Derivative* named = code.empty() ? nullptr : FindDerivative(code);
  if (!code.empty() && (!named || named->code != it->code)) return refuse("원주문의 종목과 다릅니다.");
  if (it->open <= 0) return refuse("정정/취소 가능수량이 없습니다.");
  return &*it;
}

OrderResult Market::ModifyFutOptOrder(const std::string& account, const std::string& target, const std::string& code,
                                      char type, int64_t quantity, int64_t price) {
  OrderResult refused;
  FutOptOrder* it = OpenFutOptOrder(account, target, code, &refused);
  if (!it) return refused;
  if (type < '1' || type > '4') return Refuse("주문유형이 올바르지 않습니다.");
  if (quantity <= 0 || quantity > it->open) return Refuse("정정수량이 올바르지 않습니다.");
  const Derivative* d = FindDerivative(it->code);
  if (!FutOptTypePriced(type))
    price = 0;
  else if (price <= 0)
    return Refuse("정정가격이 올바르지 않습니다.");
  else if (price % FutOptTick(*d) != 0)
    return Refuse("호가단위가 올바르지 않습니다.");
  // The contracts moved leave the original before the new order's margin is counted.
  it->open -= quantity;
  OrderResult margin = CheckFutOptMargin(account, *d, it->buy, quantity, price);
  if (!margin.ok) {
    it->open += quantity;
    return margin;
  }
  it->modified += quantity;
  FutOptOrder o;
  o.number = NextFutOptNumber();
  o.original = it->number;
  o.account = account;
  o.code = it->code;
  o.buy = it->buy;
  o.action = 'M';
  o.type = type;
  o.quantity = quantity;
  o.price = price;
  o.open = quantity;
  futOptOrders_.push_back(o);
  if (price == 0) FillFutOpt(futOptOrders_.back(), d->price);
  return OrderResult{true, o.number, ""};
}

OrderResult Market::CancelFutOptOrder(const std::string& account, const std::string& target, const std::string& code,
                                      int64_t quantity) {
  OrderResult refused;
  FutOptOrder* it = OpenFutOptOrder(account, target, code, &refused);
  if (!it) return refused;
  if (quantity <= 0 || quantity > it->open) return Refuse("취소수량이 올바르지 않습니다.");
  it->open -= quantity;
  it->cancelled += quantity;
  FutOptOrder o;
  o.number = NextFutOptNumber();
  o.original = it->number;
  o.account = account;
  o.code = it->code;
  o.buy = it->buy;
  o.action = 'C';
  o.type = it->type;
  o.quantity = quantity;
  o.price = it->price;
  futOptOrders_.push_back(o);
  return OrderResult{true, o.number, ""};
}

}  // namespace simsrv

namespace simsrv {

const std::vector<std::string>* Market::InterestGroup(const std::string& user, int group) const {
  static const std::vector<std::string> kEmpty;
  if (group < 1 || group > kInterestGroups) return nullptr;
  auto it = interest_.find(user);
  return it == interest_.end() ? &kEmpty : &it->second[static_cast<size_t>(group - 1)];
}

std::string Market::AddInterest(const std::string& user, int group, const std::string& code) {
  if (group < 1 || group > kInterestGroups) return "그룹을 확인하세요.";
  const Item* item = FindItem(code);
  if (!item) return "종목코드를 확인하세요.";
  auto& groups = interest_[user];
  groups.resize(kInterestGroups);
  auto& codes = groups[static_cast<size_t>(group - 1)];
  if (std::find(codes.begin(), codes.end(), item->code) != codes.end()) return "이미 등록된 종목입니다.";
  if (codes.size() >= kInterestItems) return "한 그룹에 10종목까지 등록할 수 있습니다.";
  codes.push_back(item->code);
  return {};
}

std::string Market::RemoveInterest(const std::string& user, int group, const std::string& code) {
  if (group < 1 || group > kInterestGroups) return "그룹을 확인하세요.";
  auto it = interest_.find(user);
  const Item* item = FindItem(code);
  if (it == interest_.end() || !item) return "등록되지 않은 종목입니다.";
  auto& codes = it->second[static_cast<size_t>(group - 1)];
  auto at = std::find(codes.begin(), codes.end(), item->code);
  if (at == codes.end()) return "등록되지 않은 종목입니다.";
  codes.erase(at);
  return {};
}

Bytes Market::InterestList2110(const std::string& user, int group) {
  const std::vector<std::string>* codes = InterestGroup(user, group);
  size_t n = codes ? codes->size() : 0;
  Bytes b(3 + 55 * n, 0);
  b[2] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const Item* item = FindItem((*codes)[i]);
    if (!item) continue;
    uint8_t* r = &b[3 + 55 * i];
    PutText(r, 6, item->code);
    PutText(r + 6, 10, wire::ToCp949(item->name));
    r[16] = static_cast<uint8_t>(Sign(item->price, item->prevClose));
    PutNetValue(r + 17, 2, item->price);
    int64_t change = item->price - item->prevClose;
    PutNetValue(r + 21, 2, change < 0 ? -change : change);
    PutNetFloat2(r + 33, item->prevClose ? change * 10000 / item->prevClose : 0);
    PutNetValue(r + 37, 3, item->volume);
  }
  return b;
}

Bytes Market::InterestCodes2111(const std::string& user, int group) {
  const std::vector<std::string>* codes = InterestGroup(user, group);
  size_t n = codes ? codes->size() : 0;
  Bytes b(1 + 22 * n, 0);
  b[0] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const Item* item = FindItem((*codes)[i]);
    if (!item) continue;
    PutText(&b[1 + 22 * i], 6, item->code);
    PutText(&b[1 + 22 * i + 6], 15, wire::ToCp949(item->name));  // NUL-terminated within 16 bytes
  }
  return b;
}

}  // namespace simsrv
