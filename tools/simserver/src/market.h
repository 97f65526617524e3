// The simulated market and the firm's books: items, indices, users, accounts, orders and fills.
// Deterministic: the same calls in the same order always give the same prices, numbers and times.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include <utility>

#include "wire.h"

namespace simsrv {

using wire::Bytes;

// One trade of the day, as the tick list (4140) shows it.
struct Tick {
  uint32_t seconds = 0;  // market clock
  int64_t price = 0;
  int64_t quantity = 0;
  int64_t volume = 0;  // accumulated volume after the trade
};
constexpr size_t kMaxTicks = 30;

struct Item {
  std::string code;  // 6 characters: '0' and the 5-digit code users see
  std::string name;  // UTF-8
  bool ecn = false;  // also traded on the ECN
  int64_t prevClose = 0;
  int64_t price = 0;
  int64_t volume = 0;       // accumulated volume of the day
  int64_t lastVolume = 0;   // volume of the last trade
  std::vector<Tick> ticks;  // the day's last trades, newest first (at most kMaxTicks)
  // Rankings, investors and brokers (figures.cpp).
  bool kosdaq = false;         // listed on KOSDAQ, else on KOSPI
  int64_t investorBought = 0;  // quantities investors bought and sold today (the investor ranking)
  int64_t investorSold = 0;
  int64_t faceValue = 5000;
  int64_t listedShares = 100000000;
  std::vector<std::pair<std::string, int64_t>> sellers, buyers;  // top brokers (UTF-8 name, quantity)
};

// The day's net buying of the three investor groups on one market: individuals, foreigners,
// institutions. Amounts in hundred millions of won, quantities in thousands of shares.
struct InvestorFigures {
  int64_t amount[3] = {};
  int64_t quantity[3] = {};
};

// A KOSPI200 futures contract or option; prices in hundredths.
struct Derivative {
  std::string code;  // 8 characters: "101C3000" futures, "201C3185" call, "301C3185" put
  std::string name;  // UTF-8
  bool futures = true;
  int64_t prevClose = 0;
  int64_t price = 0;
  int64_t volume = 0;
  std::string month;   // options: expiry month "200703"
  int64_t strike = 0;  // options: strike price in hundredths
};

// The five levels of a futures/options order book, level 1 first: asks from one tick above the
// price upwards, bids from one tick below it downwards (the last trade lies between the two).
struct FutOptLevels {
  int64_t askPrice[5] = {}, bidPrice[5] = {};
  int64_t askQuantity[5] = {}, bidQuantity[5] = {};
  int64_t askCount[5] = {}, bidCount[5] = {};
  int64_t totalAsk = 0, totalBid = 0, totalAskCount = 0, totalBidCount = 0;
};

struct Index {
  std::string code;  // "00001" KOSPI, "02001" KOSDAQ, "01001" KOSPI200
  std::string name;
  int64_t prevClose = 0;  // hundredths
  int64_t value = 0;      // hundredths
};

// A bank account registered as a receiver of transfers from a securities account.
struct Receiver {
  std::string bankCode;   // 2 characters
  std::string bankName;   // UTF-8
  std::string number;     // up to 20 digits
  std::string holder;     // UTF-8, the name the bank gives
  bool followUp = false;  // the bank asks for a follow-up inquiry (2423) before it names the holder
};

// A transfer that was carried out.
struct Transfer {
  uint32_t seconds = 0;  // market clock
  int64_t amount = 0;
  int64_t fee = 0;
  Receiver to;
};

// A futures/options position of an account: contracts held long (positive) or short (negative).
struct FutOptPosition {
  int64_t quantity = 0;
  int64_t average = 0;  // hundredths of a point
};

struct Account {
  std::string number;    // 10 digits; characters 8-9 are the kind ("01" stock ... "03" futures/options)
  std::string password;  // 4 digits
  int64_t cash = 0;
  int64_t substitute = 0;                           // futures/options: value of securities pledged in place of cash
  std::map<std::string, FutOptPosition> positions;  // futures/options item code -> position
  std::map<std::string, int64_t> holdings;          // item code -> quantity
  std::map<std::string, int64_t> average;           // item code -> average purchase price
  std::vector<Receiver> receivers;
  std::vector<Transfer> transfers;
};

struct User {
  std::string id;
  std::string password;
  std::vector<std::string> accounts;  // account numbers, in the order of the login reply
};

struct Order {
  std::string number;  // 5 digits
  std::string account;
  std::string code;  // 6 characters
  bool buy = true;
  bool ecn = false;
  char type = '1';  // order type byte of the request
  int64_t quantity = 0;
  int64_t price = 0;  // 0 for market orders
  int64_t filled = 0;
  int64_t fillAmount = 0;  // sum of fill price x quantity
  int64_t open = 0;        // still modifiable or cancellable
  bool cancelled = false;
  std::string kind;  // text shown in the inquiry (UTF-8)
};

// A futures/options order of the day; prices in hundredths of a point.
struct FutOptOrder {
  std::string number;    // 6 digits
  std::string original;  // the order a modify or cancel acted on; empty for a new order
  std::string account;
  std::string code;  // 8 characters
  bool buy = true;
  char action = 'N';  // 'N' new, 'M' modify, 'C' cancel
  char type = '1';    // '1' limit, '2' market, '3' conditional limit, '4' best limit
  int64_t quantity = 0;
  int64_t price = 0;  // 0 for market and best-limit orders
  int64_t filled = 0;
  int64_t fillAmount = 0;  // sum of fill price x contracts
  int64_t open = 0;        // still to be filled, modifiable and cancellable
  int64_t modified = 0;    // contracts moved to modify orders
  int64_t cancelled = 0;   // contracts taken off by cancels
};

// Outcome of an order operation: an order number, or an error message for the user (UTF-8).
struct OrderResult {
  bool ok = false;
  std::string number;
  std::string message;
};

class Market {
 public:
  Market();  // the demo market, the demo user and its accounts

  // --- configuration
  void AddUser(const User& user);
  void AddAccount(const Account& account);
  const User* FindUser(const std::string& id) const;
  Account* FindAccount(const std::string& number);
  Item* FindItem(const std::string& code);  // 6-character code, or the 5-digit code
  Index* FindIndex(const std::string& code);
  void SetItem(const Item& item);
  // The contract of an 8-character code, or of a futures contract's first 5 characters (the form
  // the item finder hands over: "101C3" for 101C3000).
  Derivative* FindDerivative(const std::string& code);
  const Derivative* FindDerivative(const std::string& code) const;
  void SetDerivative(const Derivative& d);
  const Derivative* NearestFutures() const;  // the first futures contract by code
  // Loads users and accounts from a text file (see docs/simserver.md); false with a message on error.
  bool LoadUsers(const std::string& path, std::string& error);

  // --- market moves (each advances the market clock by one second)
  void Trade(const std::string& code, int64_t price, int64_t quantity);
  void SetIndex(const std::string& code, int64_t hundredths);
  void TradeDerivative(const std::string& code, int64_t hundredths, int64_t quantity);

  // --- records
  static char Sign(int64_t price, int64_t prevClose);  // UPDOWN_FLAG
  static int64_t TickSize(int64_t price);
  static int64_t UpperLimit(int64_t prevClose);  // the day's price limits, on the tick
  static int64_t LowerLimit(int64_t prevClose);
  Bytes BaseQuote(const Item& item) const;    // BASE_DATA_4101, 45 bytes
  Bytes Tick9110(const Item& item) const;     // one 61-byte record
  Bytes Book9120(const Item& item) const;     // one 130-byte record
  Bytes Book9121(const Item& item) const;     // one 218-byte record
  Bytes Index9210(const Index& index) const;  // one 23-byte record
  // ORDER_BOOK_6100: 174 bytes for 5 levels, 324 bytes for 10 (prices, signs, volumes, totals).
  Bytes OrderBook6100(const Item& item, int levels) const;
  // Chart bars of a stock item, oldest first (2500 minute bars of `minutes`, 2510 daily, 2520
  // weekly, 2530 monthly): an 18-byte head, a count byte, then 37-byte bars. Generated from the
  // item's code and previous close, so the same request always gets the same bars.
  static constexpr int kChartBars = 100;
  Bytes ChartBars(const Item& item, uint16_t code, int minutes) const;
  // Chart bars of a futures or options contract (5500 minute bars of `minutes`, 5510 / 5550
  // daily): an 8-byte head (the code), a count byte, 37-byte bars oldest first with prices in
  // hundredths as two groups a, b (a x 100 + b; averages -100 when missing), volume in contracts;
  // an option's every seventh bar has no trade (volume 0, a flat bar).
  Bytes FutOptChartBars(const Derivative& d, uint16_t code, int minutes) const;
  // TICK_LIST_4140: paging head (page, more, 4-byte key), count, then up to `rows` 24-byte trades,
  // newest first. `key` (4 bytes, or null for the first page) is the clock of the first trade of the
  // page asked for, as the page before gave it.
  Bytes TickList4140(const Item& item, int rows, int page = 1, const uint8_t* key = nullptr) const;
  // DAILY_LIST_4130: page, more, count, 3-byte key of the next page, then up to `rows` 22-byte days,
  // newest first. `key` (3 bytes, date of the first day asked for; null for the first page).
  Bytes DailyList4130(const Item& item, int rows, int page, const uint8_t* key) const;
  // The item's day `k` before today (0: today): date, close and volume of the daily list.
  struct Day {
    uint8_t yy = 0, mm = 0, dd = 0;
    int64_t close = 0;
    int64_t volume = 0;
  };
  static constexpr int kDays = 30;
  Day DailyPrice(const Item& item, int k) const;
  // --- rankings, investors, brokers and foreign ownership (figures.cpp)
  // One page of a ranking: 4190 (kinds 1 rise, 2 fall, 4 remaining orders, 5 value, 6 volume),
  // 4180 (2 upper limit, 1 rising, 3 unchanged, 4 falling, 5 lower limit), 4600 (1 net buying,
  // 2 net selling) of market 1 KOSPI / 2 KOSDAQ, and 4170 (ECN items by 1 volume, 2 value, 3 and 4
  // waiting to sell and to buy) of market 0 KOSPI / 1 KOSDAQ. Head: more (1/0), count; then rows.
  Bytes Ranking(uint16_t code, int market, int kind, int page, int rows) const;
  InvestorFigures& Investors(int market);                // today's; 2 KOSDAQ, any other KOSPI
  InvestorFigures InvestorDay(int market, int k) const;  // k trading days back (0: today)
  int64_t IndexDay(int market, int k) const;             // the market's index k days back, hundredths
  Bytes InvestorNet4610(int market) const;               // 24 bytes
  // Pages of days, newest first: head (page, more, count, 3-byte key of the next page), then rows.
  // `key`: the date of the first day asked for (null or blanks: today).
  Bytes InvestorTrend4240(int figure, int market, int rows, int page, const uint8_t* key) const;
  Bytes ForeignOwnership4150(const Item& item, int rows, int page, const uint8_t* key) const;
  Bytes Profile4230(const Item& item) const;  // 228 bytes
  std::vector<std::pair<std::string, int64_t>> Brokers(const Item& item, bool sellers) const;
  // --- ECN price, expected execution and the market's indices (market_summary.cpp)
  // ECN_PRICE_4160 (47 bytes): rate, previous close, listed shares, ECN volume, the book's total
  // ask and bid volumes, sign and change. A twentieth of the item's volume goes through the ECN.
  Bytes EcnPrice4160(const Item& item) const;
  // ECN_TICKS_4165: 6 unused bytes, count, then up to `rows` 21-byte ECN trades, newest first.
  Bytes EcnTicks4165(const Item& item, int rows) const;
  // EXPECTED_EXEC_2250 (82 bytes): expected price, volume and rate, best quotes, the day's prices.
  Bytes ExpectedExec2250(const Item& item) const;
  // MARKET_SUMMARY_4210 (92 bytes): KOSPI and KOSDAQ with the counts of the model's items by
  // sign, trading value and volume; KOSPI200 and KOSDAQ50.
  Bytes MarketSummary4210() const;
  // SECTOR_LIST_4200 of market '1' (KOSPI) or '2' (KOSDAQ): continuation, count, then up to `rows`
  // 47-byte sectors of page `page` (1 first). The sectors move with their composite index.
  Bytes SectorList4200(char market, int rows, int page) const;
  static int SectorCount(char market);  // 0 for an unknown market
  // FOREIGN_INDEX_4176 of region '1' (US), '2' (Asia) or '3' (Europe): count, 29-byte records.
  Bytes ForeignIndices4176(char region) const;
  static int ForeignCount(char region);  // 0 for an unknown region
  // The day's trades so far of every item (`perItem` each, ending at its price and volume), as a
  // market that has been open a while has them; the clock, prices and volumes stay as they are.
  void SeedDayTrades(int perItem);
  // BASE_DATA_5555, 33 bytes; without an item (null) only the futures and KOSPI200 lines.
  Bytes FutOptBase(const Derivative* d) const;
  // One 62-byte record of 9310 / 9410 and the 168 bytes after byte 0 of 9321 / 9421; `as` is the
  // code the record carries (the code as registered; the contract's own code when empty).
  Bytes FutOptTrade(const Derivative& d, const std::string& as = {}) const;
  Bytes FutOptBook(const Derivative& d, const std::string& as = {}) const;
  static int64_t FutOptTick(const Derivative& d);
  FutOptLevels Levels(const Derivative& d) const;
  // The order book of 5102 / 5151: 146 bytes, the same levels as the book push.
  Bytes FutOptBook5102(const Derivative& d) const;
  // The option series (calls '2', puts '3') of the options code file: four expiry months, 21 strikes
  // from 160.00 in steps of 2.50, by strike.
  std::vector<const Derivative*> Options(const std::string& month, char kind) const;
  std::vector<const Derivative*> OptionsAtStrike(int64_t strike, char kind) const;
  std::vector<const Derivative*> FuturesContracts() const;  // plain contracts by code
  // A 31-byte list record of 5100 / 5105 (ask, bid, volume) or 5154 (volume, ask, bid).
  Bytes OptionRow(const Derivative& d, bool volumeFirst) const;
  // A 43-byte record of 5155.
  Bytes StrikeRow(const Derivative& d) const;
  // --- futures/options time and sales and daily history (futopt_lists.cpp)
  // The day's trades of a contract, newest first (at most kFutOptTicks): those of TradeDerivative
  // and, after SeedDayTrades, the earlier ones of the day. Trades are numbered from the day's first.
  static constexpr size_t kFutOptTicks = 90;
  const std::vector<Tick>& FutOptTicks(const Derivative& d) const;
  int FutOptTradeCount(const Derivative& d) const;  // the number of the newest trade (0: none)
  // The reply of 5103 / 5152: page, more, 4-byte key of the next page (the number of its first
  // trade as 4 digits, counted modulo 10,000), count, then up to `rows` 24-byte trades newest first:
  // time, price and change in hundredths (NET_FLOAT2), sign, contracts and the day's volume.
  // `fromTrade`: the number of the first trade of the page asked for, -1 for the newest.
  Bytes FutOptTickList(const Derivative& d, int rows, int page, int fromTrade) const;
  // A contract's day `k` before today (0: today), prices in hundredths.
  struct FutOptDay {
    uint8_t yy = 0, mm = 0, dd = 0;
    int64_t open = 0, high = 0, low = 0, close = 0;
    int64_t volume = 0, openInterest = 0;
  };
  static constexpr int kFutOptDays = 40;
  FutOptDay FutOptDaily(const Derivative& d, int k) const;
  // The reply of 5104 / 5153: page, more, 3-byte key of the next page (the date of its first day),
  // count, then up to `rows` 38-byte days newest first. `key`: the date of the first day asked for
  // (null: today).
  Bytes FutOptDailyList(const Derivative& d, int rows, int page, const uint8_t* key) const;
  int64_t OpenInterest(const Derivative& d) const;
  // The futures detail 5101 (91 bytes) and the option detail 5150 (84 bytes) of a contract
  // (futopt_detail.cpp); the market's day is Thursday 22 February 2007.
  Bytes FutOptDetail5101(const Derivative& d) const;
  Bytes OptionDetail5150(const Derivative& d) const;
  // The last trading day (the second Thursday of the expiry month) and the days left to it.
  struct Expiry {
    uint8_t yy = 0, mm = 0, dd = 0;
    int64_t daysLeft = 0;
  };
  static Expiry ExpiryOf(const Derivative& d);
  // Futures: KOSPI200 carried to the last trading day at 5 % a year; options: near the price.
  int64_t TheoreticalPrice(const Derivative& d) const;
  int64_t AskPrice(const Item& item, int level) const;  // level 0..9
  int64_t BidPrice(const Item& item, int level) const;
  int64_t AskVolume(const Item& item, int level) const;
  int64_t BidVolume(const Item& item, int level) const;

  // --- orders
  OrderResult PlaceOrder(const std::string& account, const std::string& code, bool buy, bool ecn, char type,
                         int64_t quantity, int64_t price);
  // kind '1' part (quantity), '2' all that is left.
  OrderResult ModifyOrder(const std::string& account, const std::string& target, const std::string& code, char kind,
                          int64_t quantity, int64_t price, char type);
  OrderResult CancelOrder(const std::string& account, const std::string& target, const std::string& code, char kind,
                          int64_t quantity, bool ecn);
  const std::vector<Order>& Orders() const { return orders_; }
  // Cash held back by open buy orders of an account.
  int64_t Reserved(const std::string& account) const;
  // Quantity of an item that open sell orders of an account hold back.
  int64_t PendingSell(const std::string& account, const std::string& code) const;
  static constexpr int64_t kTransferFee = 500;
  const Order* FindOrder(const std::string& number) const;

  // --- futures/options orders, positions and deposits (prices in hundredths of a point)
  static constexpr int64_t kFutOptWonPerHundredth = 5000;  // 500,000 won a point
  static constexpr int kFutOptMarginPercent = 15;
  // Margin one contract needs: futures and sold options 15 % of their value (options: of the
  // KOSPI200's), bought options their premium.
  int64_t FutOptContractMargin(const Derivative& d, bool buy, int64_t price) const;
  // What an account's open orders and positions hold back (the consignment margin).
  int64_t FutOptMargin(const std::string& account) const;
  // Contracts of a position that orders on the other side may still close.
  int64_t FutOptClosable(const std::string& account, const std::string& code) const;
  struct FutOptDeposit {
    int64_t cash = 0, substitute = 0;              // deposit
    int64_t marginCash = 0, marginSubstitute = 0;  // consignment margin
    int64_t orderableCash = 0, orderableSubstitute = 0;
    int64_t withdrawableCash = 0, withdrawableSubstitute = 0;
    int64_t maintenanceCash = 0, maintenance = 0;  // maintenance margin
    int64_t additionalCash = 0, additional = 0;    // margin call
  };
  FutOptDeposit FutOptDepositOf(const std::string& account) const;
  OrderResult PlaceFutOptOrder(const std::string& account, const std::string& code, bool buy, char type,
                               int64_t quantity, int64_t price);
  OrderResult ModifyFutOptOrder(const std::string& account, const std::string& target, const std::string& code,
                                char type, int64_t quantity, int64_t price);
  OrderResult CancelFutOptOrder(const std::string& account, const std::string& target, const std::string& code,
                                int64_t quantity);
  const std::vector<FutOptOrder>& FutOptOrders() const { return futOptOrders_; }
  const FutOptOrder* FindFutOptOrder(const std::string& number) const;
  // --- interest groups: ten groups of item codes per user, kept by the server
  static constexpr int kInterestGroups = 10;
  static constexpr size_t kInterestItems = 10;  // items a group holds
  // The codes of a user's group 1..10 in the order they were added; null for another group number.
  const std::vector<std::string>* InterestGroup(const std::string& user, int group) const;
  // Adds an item to the end of a group, or removes it; the error text for the user (UTF-8), empty
  // when done.
  std::string AddInterest(const std::string& user, int group, const std::string& code);
  std::string RemoveInterest(const std::string& user, int group, const std::string& code);
  // INTEREST_LIST_2110: two unused bytes, the count, 55-byte records with the items' prices.
  Bytes InterestList2110(const std::string& user, int group);
  // The 2111 reply: a count, then 22-byte rows (code, name in code page 949).
  Bytes InterestCodes2111(const std::string& user, int group);

  uint32_t ClockSeconds() const { return clock_; }  // seconds since midnight
  std::string NextTransferKey();                    // 9 characters

 private:
  std::string NextOrderNumber();
  void Fill(Order& order, int64_t price);
  std::string NextFutOptNumber();
  // The account's order `target` that still has contracts to modify or cancel (of item `code`
  // when one is named); null with the refusal in `refused` otherwise.
  FutOptOrder* OpenFutOptOrder(const std::string& account, const std::string& target, const std::string& code,
                               OrderResult* refused);
  void FillFutOpt(FutOptOrder& order, int64_t price);
  OrderResult CheckFutOptMargin(const std::string& account, const Derivative& d, bool buy, int64_t quantity,
                                int64_t price) const;

  std::map<std::string, Item> items_;
  std::map<std::string, Index> indices_;
  std::map<std::string, Derivative> derivatives_;
  struct FutOptTape {
    std::vector<Tick> ticks;  // newest first
    int count = 0;            // trades of the day
  };
  std::map<std::string, FutOptTape> futOptTapes_;  // by contract code
  void RecordFutOptTrade(const Derivative& d, int64_t quantity);
  // The date of trading day `k` before today (0: today), weekends passed over.
  static void TradingDay(int k, uint8_t& yy, uint8_t& mm, uint8_t& dd);
  std::map<std::string, User> users_;
  std::map<std::string, Account> accounts_;
  std::map<std::string, std::vector<std::vector<std::string>>> interest_;  // user -> groups
  std::vector<Order> orders_;
  std::vector<FutOptOrder> futOptOrders_;
  int nextOrder_ = 10001;
  int nextFutOpt_ = 100001;
  int nextTransfer_ = 1;
  uint32_t clock_ = 9 * 3600;
  InvestorFigures investors_[2];
  void SeedFigures();
};

}  // namespace simsrv
