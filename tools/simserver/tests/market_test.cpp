// The base quote (4101) and the order transactions against the market model.
#include <set>

#include "fixture.h"

namespace tc {
namespace {

using QuoteTest = ServerTest;

Bytes Code(const std::string& code) { return Bytes(code.begin(), code.end()); }

TEST_F(QuoteTest, BaseQuoteRecordIsByteExact) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  ASSERT_TRUE(c.Send(4101, Code("005930"), false));
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.length(), 60u);
  EXPECT_EQ(p.code(), 4101);
  EXPECT_EQ(p.status(), "00");
  EXPECT_EQ(p.enc(), 0);
  std::string name = Cp949("삼성전자");
  Bytes want(name.begin(), name.end());
  want.resize(12, 0);
  Bytes rest = FromHex(
      "0007 05dc"                 // price 71,500
      "0000 007c 0043"            // volume 1,240,067
      "32"                        // '2' up
      "0000 01f4"                 // change 500
      "09c4 000c 0009 003e 32"    // KOSPI 2,500.12, change 9.62, up
      "0352 0022 0004 004c 35");  // KOSDAQ 850.34, change 4.76, down
  want.insert(want.end(), rest.begin(), rest.end());
  EXPECT_EQ(ToHex(p.body()), ToHex(want));
}

TEST_F(QuoteTest, FutOptBaseQuoteIsByteExact) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes req = {'2', '0', '1', 'C', '3', '1', '8', '5', 2};  // 8-byte code, market flag 2
  Bytes b;
  ASSERT_EQ(Ask(c, 5555, req, false, &b), "00");
  EXPECT_EQ(ToHex(b),
            "00bb0000"
            "00000032"
            "32"  // nearest futures 187.00, +0.50
            "00030032"
            "0000001e"
            "32"            // the option 3.50, +0.30
            "00000002015e"  // volume 20,350
            "00b90019"
            "00010019"
            "32");  // KOSPI200 185.25, +1.25
  // No item chosen yet (an all-zero code): the futures and KOSPI200 lines, the item's fields zero.
  Bytes none(9, 0);
  ASSERT_EQ(Ask(c, 5555, none, false, &b), "00");
  EXPECT_EQ(ToHex(b),
            "00bb0000"
            "00000032"
            "32"
            "00000000"
            "00000000"
            "00"
            "000000000000"
            "00b90019"
            "00010019"
            "32");
  // The finder's plain futures code is its contract.
  Bytes plain = {'1', '0', '1', 'C', '3', 0, 0, 0, 1};
  ASSERT_EQ(Ask(c, 5555, plain, false, &b), "00");
  EXPECT_EQ(ToHex(Bytes(b.begin() + 9, b.begin() + 18)),
            "00bb0000"
            "00000032"
            "32");
  Bytes unknown = {'2', '0', '1', 'C', '3', '9', '9', '9', 2};
  ASSERT_EQ(Ask(c, 5555, unknown, false, &b), "99");
  EXPECT_EQ(Message(b).second, "종목코드를 확인하세요.");
}

TEST_F(QuoteTest, UnknownOrShortItemCodeGetsAnErrorMessage) {
  for (const std::string code : {"099999", "00593", ""}) {
    SCOPED_TRACE(code);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    Bytes reply;
    EXPECT_EQ(Ask(c, 4101, Code(code), false, &reply), "99");
    EXPECT_EQ(Message(reply).second, "종목코드를 확인하세요.");
  }
}

TEST_F(QuoteTest, RankingAndInvestorRequestsOutOfRangeGetAnErrorMessage) {
  const struct {
    uint16_t code;
    Bytes body;
    const char* message;
  } cases[] = {
      {4190, {3, 1, 1, 8}, "시장 구분을 확인하세요."},
      {4180, {1, 2, 0, 9}, "페이지를 확인하세요."},
      {4190, {1, 1, 1}, "요청 길이가 올바르지 않습니다."},
      {4600, {9, 1, 0, 1}, "시장 구분을 확인하세요."},
      {4170, {9, 1, 2, 1}, "시장 구분을 확인하세요."},
      {4610, {3}, "시장 구분을 확인하세요."},
      {4610, {}, "시장 구분을 확인하세요."},
      {4240, {3, 1, 8, 1, 'F', ' ', ' ', ' '}, "조회 구분을 확인하세요."},
      {4240, {1, 1, 8, 1}, "요청 길이가 올바르지 않습니다."},
      {4230, Code("099999"), "종목코드를 확인하세요."},
      {4150, Code("005930"), "종목코드를 확인하세요."},
  };
  Client c;
  ASSERT_TRUE(c.Connect(port));
  for (const auto& k : cases) {
    SCOPED_TRACE(k.code);
    Bytes reply;
    EXPECT_EQ(Ask(c, k.code, k.body, false, &reply), "99");
    EXPECT_EQ(Message(reply).second, k.message);
  }
  // The investors' net buying of KOSPI: amount and quantity of each group.
  Bytes b;
  ASSERT_EQ(Ask(c, 4610, Bytes{1}, false, &b), "00");
  EXPECT_EQ(ToHex(b),
            "0000fa0d"
            "0000f3d0"  // individuals -1,523 / -3,120
            "000008a2"
            "00001199"  // foreigners 2,210 / 4,505
            "0000fd51"
            "0000fa97");  // institutions -687 / -1,385
}

TEST_F(QuoteTest, OrderBookSnapshotHasFiveOrTenLevels) {
  struct Case {
    uint8_t kind;
    size_t size, bidAt, signsAt, volumesAt, totalAt;
  } cases[] = {{'1', 174, 81, 20, 25, 75}, {'2', 324, 156, 40, 50, 150}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.kind);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    Bytes req = Code("005930");
    req.push_back(k.kind);
    Bytes b;
    ASSERT_EQ(Ask(c, 6100, req, false, &b), "00");
    ASSERT_EQ(b.size(), k.size);
    EXPECT_EQ(Net(b, 0, 2), 71500);        // best ask: the price
    EXPECT_EQ(Net(b, 4, 2), 71600);        // one tick (100) above
    EXPECT_EQ(b[k.signsAt], '2');          // above the close of 71,000
    EXPECT_EQ(Net(b, k.bidAt, 2), 71400);  // best bid one tick below
    int levels = k.kind == '1' ? 5 : 10;
    int64_t total = 0;
    for (int i = 0; i < levels; ++i) total += Net(b, k.volumesAt + 6 * i, 3);
    EXPECT_EQ(Net(b, k.totalAt, 3), total);
    EXPECT_EQ(Net(b, k.size - 12, 3), total / 10);  // after-hours ask total
  }
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes bad = Code("005930");
  bad.push_back('3');
  Bytes b;
  EXPECT_EQ(Ask(c, 6100, bad, false, &b), "99");
  EXPECT_EQ(Ask(c, 6100, Code("005930"), false, &b), "99");  // no level byte
}

TEST_F(QuoteTest, TickListHoldsTheDaysTradesNewestFirst) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes req = Code("005930");
  for (uint8_t x : Bytes{3, 1, 'F', ' ', ' ', ' ', ' '}) req.push_back(x);
  Bytes b;
  ASSERT_EQ(Ask(c, 4140, req, false, &b), "00");
  EXPECT_EQ(ToHex(b), "01000000000000");  // page 1, no further page, no trade yet today
  server->trade("005930", 70900, 10);
  server->trade("005930", 71000, 20);
  server->trade("005930", 71100, 30);
  server->trade("005930", 71200, 40);
  ASSERT_EQ(Ask(c, 4140, req, false, &b), "00");
  ASSERT_EQ(b.size(), 7u + 3 * 24u);
  EXPECT_EQ(b[6], 3);
  EXPECT_EQ(ToHex(Bytes(b.begin() + 7, b.begin() + 31)),
            ToHex(FromHex("090004"
                          "0007 04b0"
                          "32"
                          "0000 00c8"
                          "0000 0000 0028"
                          "0000 007c 00a7")));  // 71,200 +200, 40
  EXPECT_EQ(b[7 + 24 + 7], '2');
  EXPECT_EQ(Net(b, 7 + 48 + 3, 2), 71000);
  EXPECT_EQ(b[7 + 48 + 7], '3');  // at the close
}

TEST_F(QuoteTest, TradeMovesKospiAndPushesTheIndices) {
  int64_t before = server->withMarket([](simsrv::Market& m) { return m.FindIndex("00001")->value; });
  server->trade("005930", 71600, 10);
  server->trade("005930", 71600, 10);  // no move: KOSPI stays
  server->trade("005930", 71400, 10);
  server->trade("005930", 71300, 10);
  int64_t after = server->withMarket([](simsrv::Market& m) { return m.FindIndex("00001")->value; });
  EXPECT_EQ(after - before, 7 - 7 - 7);
}

TEST_F(QuoteTest, TradeMovesPriceSignAndVolume) {
  server->trade("005930", 69000, 10);  // below the previous close of 71,000
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  ASSERT_EQ(Ask(c, 4101, Code("005930"), false, &b), "00");
  EXPECT_EQ(Net(b, 12, 2), 69000);
  EXPECT_EQ(Net(b, 16, 3), 1240077);
  EXPECT_EQ(b[22], '5');
  EXPECT_EQ(Net(b, 23, 2), 2000);
  server->trade("005930", 92300, 1);  // the upper limit (71,000 + 30 %)
  ASSERT_EQ(Ask(c, 4101, Code("005930"), false, &b), "00");
  EXPECT_EQ(b[22], '1');
}

TEST_F(QuoteTest, EcnSummaryAndTradesOfAnEcnItem) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  ASSERT_EQ(Ask(c, 4160, Code("005930"), false, &b), "00");
  EXPECT_EQ(ToHex(b), ToHex(FromHex("000000000000"
                                    "0000 0046"  // rate 0.70
                                    "00000000"
                                    "0007 03e8"  // previous close 71,000
                                    "00000000"
                                    "003b 1b42 09f6"  // listed 5,969,782,550
                                    "0000 0006 07d3"  // ECN volume 62,003
                                    "0000 0c12"
                                    "0000 09ba"  // ask total 3,090, bid total 2,490
                                    "32"
                                    "0000 01f4")));          // up 500
  EXPECT_EQ(Ask(c, 4160, Code("000660"), false, &b), "99");  // not traded on the ECN
  Bytes ticks{4, '0', '0', '5', '9', '3', '0'};
  ASSERT_EQ(Ask(c, 4165, ticks, false, &b), "00");
  EXPECT_EQ(ToHex(b), "00000000000000");  // no trade yet
  for (int k = 1; k <= 5; ++k) server->trade("005930", 71500, 20 * k);
  ASSERT_EQ(Ask(c, 4165, ticks, false, &b), "00");
  ASSERT_EQ(b.size(), 7u + 4 * 21u);
  EXPECT_EQ(b[6], 4);
  EXPECT_EQ(ToHex(Bytes(b.begin() + 7, b.begin() + 10)), "090005");
  EXPECT_EQ(Net(b, 7 + 3, 2), 100);
  EXPECT_EQ(Net(b, 7 + 15, 3), (1240067 + 300) / 20);
  Bytes other{4, '0', '0', '0', '6', '6', '0'};
  ASSERT_EQ(Ask(c, 4165, other, false, &b), "00");
  EXPECT_EQ(b[6], 0);
}

TEST_F(QuoteTest, ExpectedExecutionHasTheDaysPricesAndLimits) {
  server->trade("005930", 70500, 10);
  server->trade("005930", 72000, 10);
  server->trade("005930", 71500, 10);
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  ASSERT_EQ(Ask(c, 2250, Code("005930"), false, &b), "00");
  ASSERT_EQ(b.size(), 82u);
  EXPECT_EQ(Net(b, 0, 2), 71500);
  EXPECT_EQ(b[4], '2');
  EXPECT_EQ(Net(b, 15, 2), 70);  // 0.70 (NET_FLOAT2)
  EXPECT_EQ(Net(b, 58, 2), 71000);
  EXPECT_EQ(Net(b, 62, 2), 92300);
  EXPECT_EQ(Net(b, 66, 2), 49700);
  EXPECT_EQ(Net(b, 70, 2), 70500);
  EXPECT_EQ(Net(b, 74, 2), 72000);
  EXPECT_EQ(Net(b, 78, 2), 70500);
  EXPECT_EQ(Ask(c, 2250, Code("999999"), false, &b), "99");
}

TEST_F(QuoteTest, MarketSummaryCountsEachMarketsItems) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  ASSERT_EQ(Ask(c, 4210, {}, false, &b), "00");
  ASSERT_EQ(b.size(), 92u);
  // Value, change, sign, then up, upper limit, down, lower limit, unchanged.
  EXPECT_EQ(ToHex(Bytes(b.begin(), b.begin() + 19)), ToHex(FromHex("09c4 000c 0009 003e 32 0002 0000 0001 0000 0001")));
  EXPECT_EQ(ToHex(Bytes(b.begin() + 31, b.begin() + 50)),
            ToHex(FromHex("0352 0022 0004 004c 35 0000 0000 0001 0000 0001")));
  EXPECT_EQ(Net(b, 56, 3), 1236767 + 1234567);  // 035720 and 068270
  EXPECT_EQ(b[66], '2');
  EXPECT_EQ(b[81], '5');
  // The KOSPI200 and KOSDAQ50 lines count a part of their market's volume: a screen that shows a
  // composite's volume on its line shows another number.
  EXPECT_EQ(Net(b, 71, 3), Net(b, 25, 3) * 62 / 100);
  EXPECT_EQ(Net(b, 86, 3), Net(b, 56, 3) * 41 / 100);
  std::set<int64_t> volumes = {Net(b, 25, 3), Net(b, 56, 3), Net(b, 71, 3),
                               Net(b, 86, 3), Net(b, 19, 3), Net(b, 50, 3)};
  EXPECT_EQ(volumes.size(), 6u) << "volumes and trading values all differ";
}

TEST_F(QuoteTest, SectorPagesAndForeignRegions) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  struct Case {
    uint8_t page;
    char market;
    uint8_t more, count;
  };
  for (const Case& k :
       {Case{1, '1', 1, 7}, Case{3, '1', 0, 7}, Case{4, '1', 0, 0}, Case{2, '2', 0, 3}, Case{0, '2', 0, 0}}) {
    SCOPED_TRACE(std::string(1, k.market) + " page " + std::to_string(k.page));
    ASSERT_EQ(Ask(c, 4200, Bytes{7, k.page, uint8_t(k.market)}, false, &b), "00");
    ASSERT_EQ(b.size(), 2u + 47u * k.count);
    EXPECT_EQ(b[0], k.more);
    EXPECT_EQ(b[1], k.count);
  }
  ASSERT_EQ(Ask(c, 4200, Bytes{7, 1, '1'}, false, &b), "00");
  EXPECT_EQ(std::string(b.begin() + 2, b.begin() + 10), Cp949("음식료품"));
  EXPECT_EQ(Net(b, 2 + 12, 2), 2132 * 10000 + 12);
  EXPECT_EQ(b[2 + 20], '5');
  EXPECT_EQ(Ask(c, 4200, Bytes{7, 1, '3'}, false, &b), "99");
  for (auto [region, count] : {std::pair{'1', 4}, {'2', 4}, {'3', 3}}) {
    ASSERT_EQ(Ask(c, 4176, Bytes{uint8_t(region)}, false, &b), "00");
    EXPECT_EQ(b.size(), 1u + 29u * count);
    EXPECT_EQ(b[0], count);
  }
  EXPECT_EQ(Ask(c, 4176, Bytes{'4'}, false, &b), "99");
}

TEST_F(QuoteTest, DayTradesEndAtTheItemsPriceAndVolume) {
  server->withMarket([](simsrv::Market& m) { m.SeedDayTrades(9); });
  const simsrv::Item item = server->withMarket([](simsrv::Market& m) { return *m.FindItem("005930"); });
  ASSERT_EQ(item.ticks.size(), 9u);
  EXPECT_EQ(item.price, 71500);
  EXPECT_EQ(item.volume, 1240067);
  EXPECT_EQ(item.ticks[0].price, 71500);
  EXPECT_EQ(item.ticks[0].volume, 1240067);
  for (size_t k = 1; k < 9; ++k) {
    EXPECT_EQ(item.ticks[k].volume, item.ticks[k - 1].volume - item.ticks[k - 1].quantity);
    EXPECT_LT(item.ticks[k].seconds, item.ticks[k - 1].seconds);
  }
  // The next trade comes after the day's trades.
  server->trade("005930", 71600, 1);
  EXPECT_GT(server->withMarket([](simsrv::Market& m) { return m.FindItem("005930")->ticks[0].seconds; }),
            item.ticks[0].seconds);
}

// --- orders

class OrderTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    client = LoggedIn();
  }
  // 40-byte new-order body.
  static Bytes NewOrder(const std::string& acct, const std::string& pw, const std::string& code, const std::string& qty,
                        const std::string& price, char type) {
    Bytes b(40, 0);
    Put(b, 0, 10, acct);
    Put(b, 10, 8, pw);
    Put(b, 18, 6, code);
    Put(b, 24, 7, qty);
    Put(b, 31, 8, price);
    b[39] = static_cast<uint8_t>(type);
    return b;
  }
  static Bytes Change(const std::string& target, const std::string& code, const std::string& qty,
                      const std::string& price, char a, char b2) {
    Bytes b(46, 0);
    Put(b, 0, 10, "1234567801");
    Put(b, 10, 8, "0000");
    Put(b, 18, 5, target);
    Put(b, 23, 6, code);
    Put(b, 29, 7, qty);
    Put(b, 36, 8, price);
    b[44] = static_cast<uint8_t>(a);
    b[45] = static_cast<uint8_t>(b2);
    return b;
  }
  static Bytes Inquiry(char filter, uint8_t page = 0) {
    Bytes b(21, 0);
    Put(b, 0, 10, "1234567801");
    Put(b, 10, 8, "0000");
    b[18] = static_cast<uint8_t>(filter);
    b[19] = page;
    b[20] = 6;
    return b;
  }
  std::string Place(const Bytes& body, uint16_t code = 2310) {
    Bytes r;
    std::string st = Ask(*client, code, body, true, &r);
    if (st != "00") return "status " + st + " " + Message(r).second;
    return r.size() >= 43 ? Text(r, 38, 5) : "short reply";
  }
  struct Row {
    std::string code, name, kind, number;
    int64_t qty, price, filled, avg, open;
  };
  std::vector<Row> Rows(char filter, bool* more = nullptr, uint8_t page = 0) {
    Bytes r;
    EXPECT_EQ(Ask(*client, 4340, Inquiry(filter, page), true, &r), "00");
    std::vector<Row> rows;
    if (r.size() < 15) return rows;
    if (more) *more = r[12] == 'Y';
    int n = static_cast<int8_t>(r[13]);
    EXPECT_EQ(r.size(), 15u + 66u * n);
    for (int i = 0; i < n; ++i) {
      size_t at = 15 + 66 * i;
      rows.push_back(Row{Text(r, at, 5), Utf8(Text(r, at + 5, 10)), Utf8(Text(r, at + 15, 14)), Text(r, at + 60, 5),
                         Net(r, at + 30, 3), Net(r, at + 36, 3), Net(r, at + 42, 3), Net(r, at + 48, 3),
                         Net(r, at + 54, 3)});
    }
    return rows;
  }
  std::unique_ptr<Client> client;
};

TEST_F(OrderTest, AcceptedOrderAppearsOpenAndACancelRemovesIt) {
  std::string no = Place(NewOrder("1234567801", "0000", "005930", "10", "70000", '1'));
  ASSERT_EQ(no.size(), 5u) << no;
  auto rows = Rows('2');
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].code, "05930");
  EXPECT_EQ(rows[0].name, "삼성전자");
  EXPECT_EQ(rows[0].kind, "현금매수");
  EXPECT_EQ(rows[0].number, no);
  EXPECT_EQ(rows[0].qty, 10);
  EXPECT_EQ(rows[0].price, 70000);
  EXPECT_EQ(rows[0].open, 10);
  EXPECT_EQ(rows[0].filled, 0);

  Bytes r;
  ASSERT_EQ(Ask(*client, 2330, Change(no, "005930", "0", "00000000", '2', '1'), true, &r), "00");
  ASSERT_EQ(r.size(), 20u);
  EXPECT_EQ(Text(r, 10, 5), no);
  EXPECT_EQ(Text(r, 15, 5).size(), 5u);
  EXPECT_NE(Text(r, 15, 5), no);
  EXPECT_TRUE(Rows('0').empty());
  // The same order cannot be cancelled twice.
  EXPECT_EQ(Ask(*client, 2330, Change(no, "005930", "0", "00000000", '2', '1'), true, &r), "99");
}

TEST_F(OrderTest, ModifyMovesTheOpenQuantityToANewOrder) {
  std::string no = Place(NewOrder("1234567801", "0000", "000660", "20", "120000", '1'));
  Bytes r;
  ASSERT_EQ(Ask(*client, 2320, Change(no, "000660", "5", "121000", '1', '1'), true, &r), "00");
  std::string newNo = Text(r, 15, 5);
  auto rows = Rows('2');
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].open, 15);
  EXPECT_EQ(rows[1].number, newNo);
  EXPECT_EQ(rows[1].kind, "정정매수");
  EXPECT_EQ(rows[1].price, 121000);
  EXPECT_EQ(rows[1].open, 5);
  // More than is open cannot be modified.
  EXPECT_EQ(Ask(*client, 2320, Change(no, "000660", "16", "121000", '1', '1'), true, &r), "99");
}

TEST_F(OrderTest, MarketOrdersAndReachedLimitsFill) {
  std::string m = Place(NewOrder("1234567801", "0000", "005930", "3", "0", '2'));
  std::string l = Place(NewOrder("1234567801", "0000", "005930", "4", "71000", '1'));
  auto filled = Rows('1');
  ASSERT_EQ(filled.size(), 1u);
  EXPECT_EQ(filled[0].number, m);
  EXPECT_EQ(filled[0].avg, 71500);
  EXPECT_EQ(filled[0].open, 0);
  server->trade("005930", 71000, 100);
  filled = Rows('1');
  ASSERT_EQ(filled.size(), 2u);
  EXPECT_EQ(filled[1].number, l);
  EXPECT_EQ(filled[1].avg, 71000);
  EXPECT_TRUE(Rows('2').empty());
  auto holding =
      server->withMarket([](simsrv::Market& mk) { return mk.FindAccount("1234567801")->holdings["005930"]; });
  EXPECT_EQ(holding, 107);
}

TEST_F(OrderTest, RefusedOrders) {
  struct Case {
    const char* name;
    uint16_t code;
    Bytes body;
    const char* message;
  } cases[] = {
      {"wrong account password", 2310, NewOrder("1234567801", "9999", "005930", "1", "70000", '1'),
       "계좌 비밀번호가 틀립니다."},
      {"another user's account", 2310, NewOrder("5555666601", "1111", "005930", "1", "70000", '1'),
       "계좌번호가 올바르지 않습니다."},
      {"unknown item", 2310, NewOrder("1234567801", "0000", "099999", "1", "70000", '1'),
       "종목코드가 올바르지 않습니다."},
      {"limit order without price", 2310, NewOrder("1234567801", "0000", "005930", "1", "", '1'),
       "주문가격이 올바르지 않습니다."},
      {"quantity not digits", 2310, NewOrder("1234567801", "0000", "005930", "1,000", "70000", '1'),
       "주문수량이 올바르지 않습니다."},
      {"more cash than the account has", 2310, NewOrder("1234567801", "0000", "005930", "9999999", "70000", '1'),
       "주문가능금액이 부족합니다."},
      {"selling more than is held", 2300, NewOrder("1234567801", "0000", "005930", "101", "70000", '1'),
       "매도가능수량이 부족합니다."},
      {"ECN order for an item not on the ECN", 4360, NewOrder("1234567801", "0000", "000660", "1", "120000", '1'),
       "ECN 거래 종목이 아닙니다."},
      {"short body", 2310, Bytes(39, '1'), "요청 길이가 올바르지 않습니다."},
  };
  server->addUser(simsrv::User{"kim", "pw", {"5555666601"}}, {MakeAccount("5555666601", "1111", 1)});
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Bytes r;
    EXPECT_EQ(Ask(*client, k.code, k.body, true, &r), "99");
    EXPECT_EQ(Message(r).second, k.message);
  }
  EXPECT_TRUE(Rows('0').empty());
  // The account password never reaches the log.
  for (const auto& e : server->log())
    for (size_t i = 10; e.code == 2310 && i < 18 && i < e.plain.size(); ++i)
      EXPECT_TRUE(e.plain[i] == '*' || e.plain[i] == 0) << i;
}

TEST_F(OrderTest, OrdersNeedALoggedInEncipheredSession) {
  Client other;
  ASSERT_TRUE(other.Connect(port));
  other.deviceCertificate = TestServerCertificate();
  ASSERT_EQ(other.KeyExchange(), 0);
  Bytes r;
  EXPECT_EQ(Ask(other, 2310, NewOrder("1234567801", "0000", "005930", "1", "70000", '1'), true, &r), "99");
  EXPECT_EQ(Message(r).second, "로그인 후 이용하세요.");
  EXPECT_EQ(Ask(*client, 2310, NewOrder("1234567801", "0000", "005930", "1", "70000", '1'), false, &r), "99");
  EXPECT_EQ(Message(r).second, "암호화되지 않은 요청입니다.");
}

TEST_F(OrderTest, EcnOrdersAndTheirCancel) {
  std::string sell = Place(NewOrder("1234567801", "0000", "035720", "5", "52000", '2'), 4350);
  ASSERT_EQ(sell.size(), 5u) << sell;
  auto rows = Rows('2');
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].kind, "ECN매도");
  EXPECT_EQ(rows[0].kind[0], 'E');
  // A stock cancel does not take an ECN order; the ECN cancel (37 bytes) does.
  Bytes r;
  EXPECT_EQ(Ask(*client, 2330, Change(sell, "035720", "5", "00000000", '1', '1'), true, &r), "99");
  Bytes ecn(37, 0);
  Put(ecn, 0, 10, "1234567801");
  Put(ecn, 10, 8, "0000");
  Put(ecn, 18, 5, sell);
  Put(ecn, 23, 6, "035720");
  Put(ecn, 29, 7, "2");
  ecn[36] = '1';
  ASSERT_EQ(Ask(*client, 4380, ecn, true, &r), "00");
  EXPECT_EQ(Text(r, 10, 5), sell);
  rows = Rows('2');
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].open, 3);
}

TEST_F(OrderTest, InquiryPages) {
  for (int i = 0; i < 8; ++i)
    ASSERT_EQ(Place(NewOrder("1234567801", "0000", "005930", "1", std::to_string(60000 + i * 100), '1')).size(), 5u);
  bool more = false;
  auto first = Rows('0', &more, 0);
  EXPECT_EQ(first.size(), 6u);
  EXPECT_TRUE(more);
  auto second = Rows('0', &more, 1);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_FALSE(more);
  EXPECT_EQ(second[1].price, 60700);
}

}  // namespace
}  // namespace tc

namespace tc {
namespace {

using InterestTest = ServerTest;

// A 2111 request: group, operation, code (empty: all zero).
Bytes GroupEdit(uint8_t group, uint8_t operation, const std::string& code) {
  Bytes b(8, 0);
  b[0] = group;
  b[1] = operation;
  Put(b, 2, 6, code);
  return b;
}
std::vector<std::string> GroupCodes(const Bytes& r) {
  std::vector<std::string> codes;
  if (r.empty()) return codes;
  EXPECT_EQ(r.size(), 1u + 22u * r[0]);
  for (size_t i = 0; i < r[0]; ++i) codes.push_back(Text(r, 1 + 22 * i, 6));
  return codes;
}

TEST_F(InterestTest, GroupsAreKeptPerUserAndEditedOneItemAtATime) {
  auto demo = LoggedIn();
  Bytes r;
  ASSERT_EQ(Ask(*demo, 2111, GroupEdit(1, 1, ""), false, &r), "00");
  EXPECT_EQ(GroupCodes(r), (std::vector<std::string>{"005930", "000660", "035720"}));
  EXPECT_EQ(Utf8(Text(r, 1 + 6, 16)), "삼성전자");
  ASSERT_EQ(Ask(*demo, 2111, GroupEdit(2, 2, "068270"), false, &r), "00");
  ASSERT_EQ(Ask(*demo, 2111, GroupEdit(2, 2, "005380"), false, &r), "00");
  EXPECT_EQ(GroupCodes(r), (std::vector<std::string>{"068270", "005380"}));
  ASSERT_EQ(Ask(*demo, 2111, GroupEdit(2, 3, "068270"), false, &r), "00");
  EXPECT_EQ(GroupCodes(r), (std::vector<std::string>{"005380"}));
  // Refused: a code twice, an unknown code, deleting what is not there, groups outside 1-10,
  // an operation that is none.
  for (const Bytes& bad : {GroupEdit(2, 2, "005380"), GroupEdit(2, 2, "999999"), GroupEdit(2, 3, "000660"),
                           GroupEdit(0, 1, ""), GroupEdit(11, 1, ""), GroupEdit(2, 4, "005930"), Bytes{2, 1}})
    EXPECT_EQ(Ask(*demo, 2111, bad, false, &r), "99") << int(bad[0]) << " " << int(bad.size() > 1 ? bad[1] : 0);
  // Another user has groups of its own.
  auto other = LoggedIn("empty", "5678");
  ASSERT_EQ(Ask(*other, 2111, GroupEdit(2, 1, ""), false, &r), "00");
  EXPECT_EQ(r, Bytes{0});

  // 2110 answers the group with the items' prices.
  Bytes list(8, 0);
  list[0] = 1;
  list[1] = 2;
  Put(list, 2, 6, "005930");
  ASSERT_EQ(Ask(*demo, 2110, list, false, &r), "00");
  ASSERT_EQ(r.size(), 3u + 55u);
  EXPECT_EQ(r[2], 1);
  EXPECT_EQ(Text(r, 3, 6), "005380");
  EXPECT_EQ(Utf8(Text(r, 3 + 6, 10)), "현대차");
  EXPECT_EQ(r[3 + 16], '2');
  EXPECT_EQ(Net(r, 3 + 17, 2), 183000);
  EXPECT_EQ(Net(r, 3 + 21, 2), 3000);
  EXPECT_EQ(Net(r, 3 + 33, 1) * 100 + Net(r, 3 + 35, 1), 166);
  list[1] = 12;
  EXPECT_EQ(Ask(*demo, 2110, list, false, &r), "99");
}

TEST_F(InterestTest, AGroupHoldsTenItems) {
  auto demo = LoggedIn();
  Bytes r;
  std::vector<std::string> codes = {"005930", "000660", "035420", "005380", "035720", "068270"};
  simsrv::Item extra;
  for (int i = 0; i < 5; ++i) {
    extra.code = "10000" + std::to_string(i);
    extra.name = "종목" + std::to_string(i);
    extra.prevClose = extra.price = 1000;
    server->withMarket([&](simsrv::Market& m) {
      m.SetItem(extra);
      return 0;
    });
    codes.push_back(extra.code);
  }
  for (size_t i = 0; i < 10; ++i) ASSERT_EQ(Ask(*demo, 2111, GroupEdit(5, 2, codes[i]), false, &r), "00") << i;
  EXPECT_EQ(GroupCodes(r).size(), 10u);
  EXPECT_EQ(Ask(*demo, 2111, GroupEdit(5, 2, codes[10]), false, &r), "99");
}

}  // namespace
}  // namespace tc
