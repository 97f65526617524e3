// ZR4160 (ECN current price) driven as the user drives it against the simulated trading server:
// the requests of each event byte by byte, the summary sheet and the ECN trades from the server's
// market and from recorded replies (signs, colours, negative rates, the closing-trade label, counts
// beyond the body), an item the ECN does not trade, and pushes left registered by the screen before.
#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::Bytes;
using screentest::PutNet;
using screentest::PutU16;

constexpr int kSummary = 4160;
constexpr int kTicks = 4165;
const char* const kUp = "0000FF";    // red
const char* const kDown = "FF0000";  // blue
const char* const kLabelBack = "8CDFFF";

Bytes Code(const std::string& code) { return Bytes(code.begin(), code.end()); }
Bytes TicksBody(const std::string& code) { return Code("\x04" + code); }

class EcnPriceTest : public quotetest::QuoteScreenTest {
 protected:
  EcnPriceTest() : QuoteScreenTest(ZR4160_PLUGIN, u"ZR4160.dll") {}

  bool WaitSummary(const std::string& first) {
    return WaitFor([&] {
      auto g = Grid(kSummary);
      return g.size() == 6 && g[0][1].text == first;
    });
  }
  bool WaitTicks(size_t rows, const std::string& firstVolume) {
    return WaitFor([&] {
      auto g = Grid(kTicks);
      return g.size() == rows && (rows == 0 || g[0][1].text == firstVolume);
    });
  }
  template <typename F>
  int64_t FromMarket(F f) {
    return server.withMarket([&](simsrv::Market& m) { return f(m, *m.FindItem("005930")); });
  }
};

TEST_F(EcnPriceTest, RequestsOfEachEventCarryTheItem) {
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitSummary("500 (0.70%)"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4160, 4165}));
  EXPECT_EQ(RequestSince(4160, mark), Code("005930"));
  EXPECT_EQ(RequestSince(4165, mark), TicksBody("005930"));

  struct Step {
    const char* what;
    std::function<void()> act;
    std::string code;
  };
  const Step steps[] = {
      {"조회", [&] { ASSERT_TRUE(d->Tap(IDC_BTN_QUERY)); }, "005930"},
      {"typed code", [&] { TypeInto(IDC_ITEM_COMBO, "35720"); }, "035720"},
      {"picked recent code (the one typed)", [&] { ASSERT_TRUE(d->Pick(IDC_ITEM_COMBO, 0)); }, "035720"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    mark = server.logSize();
    s.act();
    ASSERT_TRUE(server.waitForRequest(4165, 2000, nullptr, mark));
    EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4160, 4165}));
    EXPECT_EQ(RequestSince(4101, mark), Code(s.code));
    EXPECT_EQ(RequestSince(4160, mark), Code(s.code));
    EXPECT_EQ(RequestSince(4165, mark), TicksBody(s.code));
    Settled();
  }
  EXPECT_TRUE(NoBox());
}

TEST_F(EcnPriceTest, SummaryAndTradesFromTheServersMarket) {
  Open();
  // No trades yet: the four placeholder rows are gone.
  ASSERT_TRUE(WaitSummary("500 (0.70%)"));
  ASSERT_TRUE(WaitTicks(0, ""));
  auto g = Grid(kSummary);
  EXPECT_EQ(g[0][0].text, "전일대비(등략율)");
  EXPECT_EQ(g[0][0].bg, kLabelBack);
  EXPECT_EQ(g[5][0].text, "ECN거래량");
  EXPECT_EQ(g[0][1].fg, kUp);
  EXPECT_EQ(g[1][1].text, "71,000");
  EXPECT_EQ(g[2][1].text, "5,969,782,550");
  int64_t asks = FromMarket([](simsrv::Market& m, simsrv::Item& i) {
    int64_t t = 0;
    for (int l = 0; l < 5; ++l) t += m.AskVolume(i, l);
    return t;
  });
  EXPECT_EQ(g[3][1].text, screentest::Grouped(asks));
  EXPECT_EQ(g[5][1].text, "62,003");  // a twentieth of 1,240,067

  // Five trades, the last below the close: the four newest, newest first.
  for (int k = 1; k <= 5; ++k) server.trade("005930", k < 5 ? 71600 : 70500, 100 * k);
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitTicks(4, "500"));
  ASSERT_TRUE(WaitSummary("500 (-0.70%)"));
  g = Grid(kSummary);
  EXPECT_EQ(g[0][1].fg, kDown);
  EXPECT_EQ(g[5][1].text, screentest::Grouped((1240067 + 1500) / 20));
  auto t = Grid(kTicks);
  EXPECT_EQ(t[0][0].text, "09:00:05");
  EXPECT_EQ(t[3][0].text, "09:00:02");
  EXPECT_EQ(t[3][1].text, "200");
  EXPECT_EQ(t[0][4].text, screentest::Grouped((1240067 + 1500) / 20));
  EXPECT_TRUE(NoBox());
}

TEST_F(EcnPriceTest, RecordedRepliesNegativeRatesClosingTradesAndCountsBeyondTheBody) {
  Open();
  ASSERT_TRUE(WaitSummary("500 (0.70%)"));
  server.setHandler(4160, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    Bytes b(47, 0);
    PutU16(&b[6], static_cast<uint16_t>(-1));
    PutU16(&b[8], static_cast<uint16_t>(-50));
    PutNet(&b[14], 2, 100000);
    PutNet(&b[22], 3, 123456789);
    PutNet(&b[28], 3, 0);
    PutNet(&b[34], 2, 1200);
    PutNet(&b[38], 2, 3400);
    b[42] = '5';
    PutNet(&b[43], 2, 1500);
    r.body = b;
  });
  server.setHandler(4165, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    Bytes b(7 + 21 * 3, 0);
    b[6] = 200;  // three records held
    const uint8_t secs[] = {59, 58, 57};
    for (int i = 0; i < 3; ++i) {
      uint8_t* p = &b[7 + 21 * i];
      p[0] = 23, p[1] = 59, p[2] = secs[i];
      PutNet(p + 3, 2, 10 + i);
      PutNet(p + 7, 2, 2000);
      PutNet(p + 11, 2, 3000);
      PutNet(p + 15, 3, 1234567);
    }
    r.body = b;
  });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitSummary("1,500 (-1.50%)"));
  ASSERT_TRUE(WaitTicks(3, "10"));
  auto g = Grid(kSummary);
  EXPECT_EQ(g[0][1].fg, kDown);
  EXPECT_EQ(g[1][1].text, "100,000");
  EXPECT_EQ(g[2][1].text, "123,456,789");
  EXPECT_EQ(g[3][1].text, "1,200");
  EXPECT_EQ(g[4][1].text, "3,400");
  EXPECT_EQ(g[5][1].text, "0");
  EXPECT_EQ(Column(kTicks, 0), (std::vector<std::string>{"장 종 료", "장 종 료", "23:59:57"}));
  auto t = Grid(kTicks);
  EXPECT_EQ(t[2][2].text, "2,000");
  EXPECT_EQ(t[2][3].text, "3,000");
  EXPECT_EQ(t[2][4].text, "1,234,567");

  // A summary too short for its fields is reported and changes nothing.
  server.setHandler(4160,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = Bytes(46, 0); });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_NE(TakeBox().find("4160"), std::string::npos);
  Settled();
  EXPECT_EQ(Grid(kSummary)[0][1].text, "1,500 (-1.50%)");
}

TEST_F(EcnPriceTest, ItemTheEcnDoesNotTradeGetsTheServersMessage) {
  Open();
  ASSERT_TRUE(WaitSummary("500 (0.70%)"));
  size_t mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  ExpectBox("ECN 거래 종목이 아닙니다.");
  ASSERT_TRUE(server.waitForRequest(4165, 2000, nullptr, mark));
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; }));
  Settled();
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(Grid(kTicks).empty());
}

TEST_F(EcnPriceTest, PushesRegisteredByTheQuoteBoardBeforeAreIgnored) {
  // The user looks at the quote board (which registers its pushes), then goes to the ECN price.
  autoReceive = TRUE;
  ScreenHost::Open(u"VX2001.dll");
  ASSERT_TRUE(server.waitForRequest(9000, 5000));
  Open();
  ASSERT_TRUE(WaitSummary("500 (0.70%)"));
  Bytes push(1 + 61, 0);
  push[0] = 1;
  std::memcpy(&push[1], "005930", 6);
  PutNet(&push[7], 2, 71600);
  for (uint16_t type : {9110, 9120, 9210}) server.pushRaw(type, push);
  Settled();
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Grid(kSummary)[0][1].text, "500 (0.70%)");
}

}  // namespace
