// The futures/options time and sales (5103, 5152) and daily history (5104, 5153): pages that
// follow the server's own keys to the end, and the requests it refuses.
#include <tuple>

#include "fixture.h"

namespace tc {
namespace {

using FutOptListTest = ServerTest;

// Code (8 bytes, NUL-padded), rows, page, direction, key.
Bytes ListBody(const std::string& code, uint8_t rows, uint8_t page, char direction, const std::string& key) {
  Bytes b(11, 0);
  Put(b, 0, 8, code);
  b[8] = rows, b[9] = page, b[10] = static_cast<uint8_t>(direction);
  b.insert(b.end(), key.begin(), key.end());
  return b;
}

int64_t Float2(const Bytes& b, size_t at) {
  return Net(b, at, 1) * 100 + static_cast<int16_t>((b[at + 2] << 8) | b[at + 3]);
}

TEST_F(FutOptListTest, TimeAndSalesFollowTheTradeNumbersToTheDaysFirstTrade) {
  server->withMarket([](simsrv::Market& m) {
    m.SeedDayTrades(30);
    m.TradeDerivative("101C3000", 18705, 3);
  });
  const int64_t volume = server->withMarket([](simsrv::Market& m) { return m.FindDerivative("101C3000")->volume; });
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  // The futures screens send the contract as the finder hands it over: "101C3".
  ASSERT_EQ(Ask(c, 5103, ListBody("101C3", 9, 1, 'F', "    "), false, &b), "00");
  ASSERT_EQ(b.size(), 7u + 9 * 24);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(Text(b, 2, 4), "0022");  // 31 trades: page 1 holds 31 to 23
  EXPECT_EQ(b[6], 9);
  EXPECT_EQ(ToHex(Bytes(b.begin() + 7, b.begin() + 10)), "09001f");  // 09:00:31, the trade just made
  EXPECT_EQ(Float2(b, 7 + 3), 18705);
  EXPECT_EQ(Float2(b, 7 + 7), 55);  // against the close of 186.50
  EXPECT_EQ(b[7 + 11], '2');
  EXPECT_EQ(Net(b, 7 + 12, 3), 3);
  EXPECT_EQ(Net(b, 7 + 18, 3), volume);

  // Each key names the first trade of its page; the last page has no key and no next page.
  std::vector<int> seconds;
  std::string key = "    ";
  char direction = 'F';
  for (int page = 1; page <= 4; ++page) {
    SCOPED_TRACE(page);
    ASSERT_EQ(Ask(c, 5103, ListBody("101C3000", 9, static_cast<uint8_t>(page), direction, key), false, &b), "00");
    EXPECT_EQ(b[0], page);
    for (int k = 0; k < b[6]; ++k) seconds.push_back(b[7 + 24 * k] * 3600 + b[8 + 24 * k] * 60 + b[9 + 24 * k]);
    key = Text(b, 2, 4);
    direction = 'N';
  }
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[6], 4);
  EXPECT_EQ(key, "    ");
  ASSERT_EQ(seconds.size(), 31u);
  for (size_t k = 1; k < seconds.size(); ++k) EXPECT_LT(seconds[k], seconds[k - 1]);

  // Options on 5152 alike; each code takes its own kind of contract.
  ASSERT_EQ(Ask(c, 5152, ListBody("201C3185", 5, 1, 'F', "    "), false, &b), "00");
  EXPECT_EQ(b[6], 5);
  EXPECT_EQ(Float2(b, 7 + 3), 350);
  EXPECT_EQ(Text(b, 2, 4), "0025");
  struct Case {
    uint16_t code;
    Bytes body;
    std::string message;
  } refused[] = {
      {5103, ListBody("201C3185", 9, 1, 'F', "    "), "종목코드를 확인하세요."},
      {5152, ListBody("101C3000", 9, 1, 'F', "    "), "종목코드를 확인하세요."},
      {5103, ListBody("101C3000", 9, 1, 'F', "  "), "종목코드를 확인하세요."},
      {5103, ListBody("101C3000", 0, 1, 'F', "    "), "조회 건수를 확인하세요."},
      {5103, ListBody("101C3000", 9, 2, 'P', "0022"), "조회 구분을 확인하세요."},
      {5103, ListBody("101C3000", 9, 2, 'N', "00x2"), "연속키를 확인하세요."},
  };
  for (const Case& k : refused) {
    SCOPED_TRACE(k.message);
    ASSERT_EQ(Ask(c, k.code, k.body, false, &b), "99");
    EXPECT_EQ(Message(b).second, k.message);
  }
}

TEST_F(FutOptListTest, DailyHistoryPagesByTheDateOfTheirFirstDayEitherWay) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  ASSERT_EQ(Ask(c, 5104, ListBody("101C3", 9, 1, 'F', "   "), false, &b), "00");
  ASSERT_EQ(b.size(), 6u + 9 * 38);
  EXPECT_EQ(ToHex(Bytes(b.begin(), b.begin() + 6)), "01011a0b1b09");  // next page from 26-11-27
  EXPECT_EQ(ToHex(Bytes(b.begin() + 6, b.begin() + 9)), "1a0c0a");    // today, 26-12-10
  EXPECT_EQ(Float2(b, 6 + 3), 18700);
  EXPECT_EQ(Float2(b, 6 + 7), 50);
  EXPECT_EQ(b[6 + 11], '2');
  EXPECT_EQ(Net(b, 6 + 12, 1), 0);  // 0.26 %
  EXPECT_EQ(Net(b, 6 + 14, 1), 26);
  const Bytes page2Key(b.begin() + 2, b.begin() + 5);

  // Forward to the last of the 40 days; every day's high and low hold its open and close.
  std::vector<std::tuple<int, int, int>> dates;
  std::string key = "   ";
  char direction = 'F';
  for (int page = 1; page <= 5; ++page) {
    SCOPED_TRACE(page);
    ASSERT_EQ(Ask(c, 5104, ListBody("101C3000", 9, static_cast<uint8_t>(page), direction, key), false, &b), "00");
    for (int k = 0; k < b[5]; ++k) {
      const size_t at = 6 + 38 * static_cast<size_t>(k);
      dates.emplace_back(b[at], b[at + 1], b[at + 2]);
      const int64_t open = Float2(b, at + 16), high = Float2(b, at + 20), low = Float2(b, at + 24);
      const int64_t close = Float2(b, at + 3);
      EXPECT_GE(high, std::max(open, close));
      EXPECT_LE(low, std::min(open, close));
      EXPECT_GT(Net(b, at + 34, 2), 0);
    }
    key.assign(b.begin() + 2, b.begin() + 5);
    direction = 'N';
  }
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[5], 4);
  EXPECT_EQ(key, "   ");
  ASSERT_EQ(dates.size(), 40u);
  for (size_t k = 1; k < dates.size(); ++k) EXPECT_LT(dates[k], dates[k - 1]);

  // Back: 'P' with the key kept for page 2 gives page 2 again.
  Bytes next, back;
  const std::string k2(page2Key.begin(), page2Key.end());
  ASSERT_EQ(Ask(c, 5104, ListBody("101C3000", 9, 2, 'N', k2), false, &next), "00");
  ASSERT_EQ(Ask(c, 5104, ListBody("101C3000", 9, 2, 'P', k2), false, &back), "00");
  EXPECT_EQ(next, back);
  EXPECT_EQ(ToHex(Bytes(back.begin() + 6, back.begin() + 9)), "1a0b1b");

  ASSERT_EQ(Ask(c, 5153, ListBody("301C3185", 9, 1, 'F', "   "), false, &b), "00");
  EXPECT_EQ(Float2(b, 6 + 3), 180);
  EXPECT_EQ(b[6 + 11], '5');          // below the close of 2.10
  EXPECT_EQ(Net(b, 6 + 12, 1), -14);  // -14.28 %
  EXPECT_EQ(Net(b, 6 + 14, 1), -28);
  struct Case {
    uint16_t code;
    Bytes body;
    std::string message;
  } refused[] = {
      {5104, ListBody("301C3185", 9, 1, 'F', "   "), "종목코드를 확인하세요."},
      {5153, ListBody("101C3000", 9, 1, 'F', "   "), "종목코드를 확인하세요."},
      {5153, ListBody("301C3185", 21, 1, 'F', "   "), "조회 건수를 확인하세요."},
      {5104, ListBody("101C3000", 9, 1, 'X', "   "), "조회 구분을 확인하세요."},
  };
  for (const Case& k : refused) {
    SCOPED_TRACE(k.message);
    ASSERT_EQ(Ask(c, k.code, k.body, false, &b), "99");
    EXPECT_EQ(Message(b).second, k.message);
  }
}

// Each day of a contract's history carries four different prices (open, high, low, close) and a
// volume apart from its open interest, so that a screen showing one at another's place shows a
// wrong number: every day of every contract of the test's market.
TEST_F(FutOptListTest, EveryDayOfAHistoryHasFourPricesAndAVolumeApartFromItsOpenInterest) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  std::vector<std::string> codes;
  server->withMarket([&](simsrv::Market& m) {
    for (const simsrv::Derivative* d : m.FuturesContracts()) codes.push_back(d->code);
    for (const char* month : {"200703", "200706"})
      for (char kind : {'2', '3'})
        for (const simsrv::Derivative* d : m.Options(month, kind)) codes.push_back(d->code);
    return 0;
  });
  ASSERT_GT(codes.size(), 80u);
  for (const std::string& code : codes) {
    SCOPED_TRACE(code);
    const uint16_t tr = code[0] == '1' ? 5104 : 5153;
    std::string key = "   ";
    char direction = 'F';
    int days = 0;
    for (int page = 1; page <= 2; ++page) {
      Bytes b;
      ASSERT_EQ(Ask(c, tr, ListBody(code, 20, static_cast<uint8_t>(page), direction, key), false, &b), "00");
      for (int k = 0; k < b[5]; ++k, ++days) {
        SCOPED_TRACE(days);
        const size_t at = 6 + 38 * static_cast<size_t>(k);
        const int64_t close = Float2(b, at + 3), open = Float2(b, at + 16), high = Float2(b, at + 20),
                      low = Float2(b, at + 24);
        EXPECT_GT(high, std::max(open, close));
        EXPECT_NE(open, close);
        // Only a contract at its lowest tick has no low below its open and close.
        if (std::min(open, close) > 5) {
          EXPECT_LT(low, std::min(open, close));
        }
        EXPECT_NE(Net(b, at + 28, 3), Net(b, at + 34, 2));
        EXPECT_GT(Net(b, at + 28, 2), 0) << "a volume above 9,999: its first 4 bytes are not 0";
      }
      key.assign(b.begin() + 2, b.begin() + 5);
      direction = 'N';
    }
    EXPECT_EQ(days, 40);
  }
}

}  // namespace
}  // namespace tc
