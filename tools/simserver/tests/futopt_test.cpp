// The futures/options quote transactions (order books 5102 / 5151, option lists 5100 / 5154,
// futures list 5105, options by strike 5155) and the futures/options pushes to codes registered
// the way the screens register them.
#include <fstream>
#include <map>

#include "fixture.h"

namespace tc {
namespace {

using FutOptTest = ServerTest;

Bytes Body(const std::string& text, size_t width, std::initializer_list<uint8_t> tail = {}) {
  Bytes b(width, 0);
  Put(b, 0, width, text);
  b.insert(b.end(), tail);
  return b;
}

// NET_FLOAT2 as hundredths: the integer group and the hundredths group.
int64_t Float2(const Bytes& b, size_t at) {
  return Net(b, at, 1) * 100 + static_cast<int16_t>((b[at + 2] << 8) | b[at + 3]);
}

// The call lines of the sample options code file by expiry month, in file order.
std::map<std::string, std::vector<std::string>> CallsByMonth() {
  std::map<std::string, std::vector<std::string>> out;
  std::ifstream in(SIMSERVER_OPTIONS_CODE);
  std::string line;
  while (std::getline(in, line))
    if (line.size() > 17 && line[9] == '2') out[line.substr(11, 6)].push_back(line.substr(0, 8));
  return out;
}

TEST_F(FutOptTest, OrderBookHoldsTheFiveLevelsOfTheBookPush) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  // The futures screens send the contract as the item finder hands it over: its first 5 characters.
  ASSERT_EQ(Ask(c, 5102, Body("101C3", 8), false, &b), "00");
  ASSERT_EQ(b.size(), 146u);
  simsrv::FutOptLevels l =
      server->withMarket([](simsrv::Market& m) { return m.Levels(*m.FindDerivative("101C3000")); });
  EXPECT_EQ(l.askPrice[0], 18705);  // a tick above the price
  EXPECT_EQ(l.bidPrice[0], 18695);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Net(b, 4 * i, 2), l.askCount[i]);
    EXPECT_EQ(Net(b, 24 + 4 * i, 2), l.askQuantity[i]);
    EXPECT_EQ(Float2(b, 48 + 4 * i), l.askPrice[i]);
    EXPECT_EQ(b[68 + i], '2');  // above the close of 186.50
    EXPECT_EQ(Net(b, 73 + 4 * i, 2), l.bidCount[i]);
    EXPECT_EQ(Net(b, 97 + 4 * i, 2), l.bidQuantity[i]);
    EXPECT_EQ(Float2(b, 126 + 4 * i), l.bidPrice[i]);
  }
  EXPECT_EQ(ToHex(Bytes(b.begin() + 121, b.begin() + 126)), "3232323232");
  EXPECT_EQ(Net(b, 20, 2), l.totalAskCount);
  EXPECT_EQ(Net(b, 44, 2), l.totalAsk);
  EXPECT_EQ(Net(b, 93, 2), l.totalBidCount);
  EXPECT_EQ(Net(b, 117, 2), l.totalBid);

  ASSERT_EQ(Ask(c, 5151, Body("201C3185", 8), false, &b), "00");
  EXPECT_EQ(Float2(b, 48), 355);
  EXPECT_EQ(Float2(b, 126), 345);

  struct Case {
    uint16_t code;
    std::string item;
  } refused[] = {{5102, "201C3185"}, {5151, "101C3"}, {5151, "201C3"}, {5102, "101C9999"}};
  for (const Case& k : refused) {
    SCOPED_TRACE(k.item);
    ASSERT_EQ(Ask(c, k.code, Body(k.item, 8), false, &b), "99");
    EXPECT_EQ(Message(b).second, "종목코드를 확인하세요.");
  }
  ASSERT_EQ(Ask(c, 5102, Bytes{'1', '0'}, false, &b), "99");
  // No item picked yet: an empty book, as the base quote answers an empty code.
  for (uint16_t code : {5102, 5151}) {
    ASSERT_EQ(Ask(c, code, Body("", 8), false, &b), "00");
    EXPECT_EQ(b, Bytes(146, 0));
  }
}

TEST_F(FutOptTest, MonthListsHoldTheSeriesOfTheOptionsCodeFile) {
  auto calls = CallsByMonth();
  ASSERT_EQ(calls.size(), 4u);
  Client c;
  ASSERT_TRUE(c.Connect(port));
  for (const auto& [month, codes] : calls) {
    SCOPED_TRACE(month);
    Bytes board, list;
    ASSERT_EQ(Ask(c, 5100, Body(month, 8, {2}), false, &board), "00");
    ASSERT_EQ(Ask(c, 5154, Body(month, 8, {2}), false, &list), "00");
    ASSERT_EQ(board[0], codes.size());
    EXPECT_EQ(board[1], 2);
    ASSERT_EQ(board.size(), 2 + 31 * codes.size());
    ASSERT_EQ(list.size(), board.size());
    for (size_t k = 0; k < codes.size(); ++k) {
      size_t at = 2 + 31 * k;
      EXPECT_EQ(Text(board, at, 8), codes[k]);
      // The same option in both: 5100 ask, bid, volume; 5154 volume, ask, bid.
      EXPECT_EQ(Bytes(board.begin() + at, board.begin() + at + 17), Bytes(list.begin() + at, list.begin() + at + 17));
      EXPECT_EQ(Float2(board, at + 17), Float2(list, at + 23));
      EXPECT_EQ(Float2(board, at + 21), Float2(list, at + 27));
      EXPECT_EQ(Net(board, at + 25, 3), Net(list, at + 17, 3));
      EXPECT_GT(Float2(board, at + 8), 0);
    }
  }
  Bytes puts;
  ASSERT_EQ(Ask(c, 5100, Body("200703", 8, {3}), false, &puts), "00");
  EXPECT_EQ(puts[1], 3);
  EXPECT_EQ(Text(puts, 2, 8), "301C3160");
  // The kept options show their own prices: 201C3185 3.50 against 3.20.
  Bytes board;
  ASSERT_EQ(Ask(c, 5100, Body("200703", 8, {2}), false, &board), "00");
  size_t at = 2 + 31 * 10;
  EXPECT_EQ(Text(board, at, 8), "201C3185");
  EXPECT_EQ(Float2(board, at + 8), 350);
  EXPECT_EQ(Float2(board, at + 12), 30);
  EXPECT_EQ(board[at + 16], '2');

  Bytes none;
  ASSERT_EQ(Ask(c, 5100, Body("200712", 8, {2}), false, &none), "00");
  EXPECT_EQ(ToHex(none), "0002");

  struct Case {
    Bytes body;
    std::string message;
  } refused[] = {{Body("200703", 8, {4}), "콜/풋 구분을 확인하세요."},
                 {Body("200703", 8), "콜/풋 구분을 확인하세요."},
                 {Body("2007", 8, {2}), "만기월을 확인하세요."},
                 {Body("2007AB", 8, {2}), "만기월을 확인하세요."}};
  for (const Case& k : refused) {
    SCOPED_TRACE(k.message);
    Bytes b;
    ASSERT_EQ(Ask(c, 5154, k.body, false, &b), "99");
    EXPECT_EQ(Message(b).second, k.message);
  }
}

TEST_F(FutOptTest, FuturesListAndStrikeBoard) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  ASSERT_EQ(Ask(c, 5105, {}, false, &b), "00");
  ASSERT_EQ(b[0], 4);
  ASSERT_EQ(b.size(), 1u + 4 * 31);
  const char* const futures[] = {"101C3000", "101C6000", "101C9000", "101CC000"};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Text(b, 1 + 31 * k, 8), futures[k]);
  EXPECT_EQ(Float2(b, 1 + 8), 18700);
  EXPECT_EQ(Float2(b, 1 + 17), 18705);  // best ask
  EXPECT_EQ(Float2(b, 1 + 21), 18695);  // best bid

  ASSERT_EQ(Ask(c, 5155, Body("185.00", 8, {2}), false, &b), "00");
  ASSERT_EQ(b[0], 4);  // one call a month
  ASSERT_EQ(b.size(), 1u + 4 * 43);
  const char* const calls[] = {"201C3185", "201C4185", "201C5185", "201C6185"};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Text(b, 1 + 43 * k, 8), calls[k]);
  simsrv::FutOptLevels l =
      server->withMarket([](simsrv::Market& m) { return m.Levels(*m.FindDerivative("201C3185")); });
  EXPECT_EQ(Float2(b, 1 + 8), 350);
  EXPECT_EQ(Float2(b, 1 + 23), l.askPrice[0]);
  EXPECT_EQ(Net(b, 1 + 27, 2), l.askQuantity[0]);
  EXPECT_EQ(Float2(b, 1 + 31), l.bidPrice[0]);
  EXPECT_EQ(Net(b, 1 + 35, 2), l.bidQuantity[0]);
  EXPECT_GT(Net(b, 1 + 39, 2), 0);

  ASSERT_EQ(Ask(c, 5155, Body("162.50", 8, {3}), false, &b), "00");
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(Text(b, 1, 8), "301C3162");
  ASSERT_EQ(Ask(c, 5155, Body("72.50", 8, {2}), false, &b), "00");
  EXPECT_EQ(ToHex(b), "00");
  for (const std::string strike : {"", "185", "185.0", "18a.00", ".50"}) {
    SCOPED_TRACE(strike);
    ASSERT_EQ(Ask(c, 5155, Body(strike, 8, {2}), false, &b), "99");
    EXPECT_EQ(Message(b).second, "행사가격을 확인하세요.");
  }
}

TEST_F(FutOptTest, DetailsOfAFuturesContractAndAnOption) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  // 101C3000: close 186.50, price 187.00, KOSPI200 185.25 (184.00); the market's day is 22
  // February 2007, the contract's last day the second Thursday of March.
  ASSERT_EQ(Ask(c, 5101, Body("101C3", 8), false, &b), "00");
  ASSERT_EQ(b.size(), 91u);
  EXPECT_EQ(Float2(b, 0), 18650);
  EXPECT_EQ(Float2(b, 19), 18525);
  EXPECT_EQ(Float2(b, 23), 125);
  EXPECT_EQ(b[27], '2');
  EXPECT_EQ(Float2(b, 28), 18650 + 930);  // 5 % on the 0.05 tick
  EXPECT_EQ(Float2(b, 40), 18650 - 1865);
  EXPECT_EQ(Float2(b, 52), 18655);  // open, high, low, each with its sign after it
  EXPECT_EQ(b[56], '2');
  EXPECT_EQ(Float2(b, 57), 18705);
  EXPECT_EQ(Float2(b, 62), 18650);
  EXPECT_EQ(b[66], '3');
  EXPECT_EQ(ToHex(Bytes(b.begin() + 67, b.begin() + 70)), "070308");
  EXPECT_EQ(Net(b, 70, 2), 14);
  EXPECT_EQ(Float2(b, 74), 175);                  // market basis
  EXPECT_EQ(Float2(b, 82), 18525 + 35);           // KOSPI200 carried 14 days at 5 %
  EXPECT_EQ(Float2(b, 78), 35);                   // theoretical basis
  EXPECT_EQ(Float2(b, 87), 140 * 10000 / 18560);  // disparity, hundredths of a percent
  ASSERT_EQ(Ask(c, 5101, Body("101C6000", 8), false, &b), "00");
  EXPECT_EQ(ToHex(Bytes(b.begin() + 67, b.begin() + 70)), "07060e");
  EXPECT_EQ(Net(b, 70, 2), 112);

  // 201C3185: the call at 185.00 against KOSPI200 185.25; a put's delta is the call's less one.
  ASSERT_EQ(Ask(c, 5150, Body("201C3185", 8), false, &b), "00");
  ASSERT_EQ(b.size(), 84u);
  EXPECT_EQ(Float2(b, 0), 320);
  EXPECT_EQ(ToHex(Bytes(b.begin() + 19, b.begin() + 28)), "000000000000000000");
  EXPECT_EQ(Net(b, 56, 2), 506250);
  EXPECT_EQ(Net(b, 68, 2), -350 * 10000 / 14);  // theta
  ASSERT_EQ(Ask(c, 5150, Body("301C3185", 8), false, &b), "00");
  EXPECT_EQ(Net(b, 56, 2), 506250 - 1000000);
  EXPECT_LT(Net(b, 72, 2), 0);  // rho

  // A code of the other kind, or none known.
  for (const auto& [code, item] :
       {std::pair<uint16_t, std::string>{5101, "201C3185"}, {5150, "101C3000"}, {5101, "XYZ"}, {5150, ""}}) {
    SCOPED_TRACE(item);
    ASSERT_EQ(Ask(c, code, Body(item, 8), false, &b), "99");
    EXPECT_EQ(Message(b).second, "종목코드를 확인하세요.");
  }
}

// Every figure of a list row or a strike record is its own number, so that a screen that reads a
// field at another field's place (or a 6-byte number as 4 bytes) shows a wrong number: the rows of
// 5105, 5100, 5154 and 5155, each field read at its place and compared with the contract's.
TEST_F(FutOptTest, ListRowsAndStrikeRecordsCarryADifferentNumberInEachField) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  struct Field {
    const char* name;
    size_t at;
    bool price;  // NET_FLOAT2, else a wire number of `groups`
    int groups;
  };
  const std::vector<Field> askBidVolume = {{"price", 8, true, 2},
                                           {"change", 12, true, 2},
                                           {"ask", 17, true, 2},
                                           {"bid", 21, true, 2},
                                           {"volume", 25, false, 3}};
  const std::vector<Field> volumeAskBid = {{"price", 8, true, 2},
                                           {"change", 12, true, 2},
                                           {"volume", 17, false, 3},
                                           {"ask", 23, true, 2},
                                           {"bid", 27, true, 2}};
  const std::vector<Field> strike = {{"price", 8, true, 2},          {"change", 12, true, 2},
                                     {"volume", 17, false, 3},       {"ask", 23, true, 2},
                                     {"ask quantity", 27, false, 2}, {"bid", 31, true, 2},
                                     {"bid quantity", 35, false, 2}, {"open interest", 39, false, 2}};
  struct Case {
    uint16_t code;
    Bytes body;
    size_t head, size;
    const std::vector<Field>* fields;
  } cases[] = {
      {5105, {}, 1, 31, &askBidVolume},
      {5100, Body("200703", 8, {2}), 2, 31, &askBidVolume},
      {5100, Body("200706", 8, {3}), 2, 31, &askBidVolume},
      {5154, Body("200703", 8, {2}), 2, 31, &volumeAskBid},
      {5155, Body("185.00", 8, {2}), 1, 43, &strike},
      {5155, Body("177.50", 8, {3}), 1, 43, &strike},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.code);
    Bytes b;
    ASSERT_EQ(Ask(c, k.code, k.body, false, &b), "00");
    ASSERT_GT(b[0], 0);
    ASSERT_EQ(b.size(), k.head + k.size * b[0]);
    for (size_t r = 0; r < b[0]; ++r) {
      const size_t at = k.head + k.size * r;
      const std::string code = Text(b, at, 8);
      SCOPED_TRACE(code);
      std::map<std::string, int64_t> want;
      server->withMarket([&](simsrv::Market& m) {
        const simsrv::Derivative& d = *m.FindDerivative(code);
        const simsrv::FutOptLevels l = m.Levels(d);
        want = {{"price", d.price},
                {"change", d.price > d.prevClose ? d.price - d.prevClose : d.prevClose - d.price},
                {"ask", l.askPrice[0]},
                {"bid", l.bidPrice[0]},
                {"volume", d.volume},
                {"ask quantity", l.askQuantity[0]},
                {"bid quantity", l.bidQuantity[0]},
                {"open interest", m.OpenInterest(d)}};
        return 0;
      });
      std::map<int64_t, std::string> seen;
      for (const Field& f : *k.fields) {
        const int64_t v = f.price ? Float2(b, at + f.at) : Net(b, at + f.at, f.groups);
        EXPECT_EQ(v, want[f.name]) << f.name;
        if (std::string(f.name) == "change") continue;  // a change may be any number
        auto [it, fresh] = seen.emplace(v, f.name);
        EXPECT_TRUE(fresh) << f.name << " and " << it->second << " are both " << v;
        // A 6-byte number read as its last 4 bytes still gives a number below 100,000,000:
        // the volume is above 9,999 so that its first 4 bytes do not.
        if (!f.price && f.groups == 3) {
          EXPECT_GT(Net(b, at + f.at, 2), 0) << f.name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tc
