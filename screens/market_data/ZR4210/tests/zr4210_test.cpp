// ZR4210 (market summary) driven as the user drives it against the simulated trading server: the
// requests of each event (a typed item asks for the quote of the item typed), the four grids from
// the server's market (labels, signs, colours, counts, trading value in millions), a reply with
// every count zero, a short reply, and the screen opened after the ECN price screen.
#include <functional>

#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::Bytes;
using screentest::GridRows;
using screentest::PutNet;
using screentest::PutU16;

constexpr int kGrids = 4210;  // all four grids: KOSPI, KOSDAQ, KOSPI200, KOSDAQ50
const char* const kRed = "0000FF";
const char* const kBlue = "FF0000";
const char* const kLabelBack = "8CDFFF";

Bytes Code(const std::string& code) { return Bytes(code.begin(), code.end()); }

class MarketSummaryTest : public quotetest::QuoteScreenTest {
 protected:
  MarketSummaryTest() : QuoteScreenTest(ZR4210_PLUGIN, u"ZR4210.dll") {}

  GridRows G(int nth) { return Grid(kGrids, nth); }
  bool WaitValue(int nth, const std::string& value) {
    return WaitFor([&] {
      auto g = G(nth);
      return !g.empty() && g[0].size() > 1 && g[0][1].text == value;
    });
  }
  // The market's items of one market: their volume and trading value.
  std::pair<int64_t, int64_t> Totals(bool kosdaq) {
    return server.withMarket([&](simsrv::Market& m) {
      int64_t volume = 0, value = 0;
      for (const char* c : {"005930", "000660", "035420", "005380", "035720", "068270"}) {
        const simsrv::Item* i = m.FindItem(c);
        if (i->kosdaq != kosdaq) continue;
        volume += i->volume;
        value += i->price * i->volume;
      }
      return std::make_pair(volume, value);
    });
  }
};

TEST_F(MarketSummaryTest, RequestsOfEachEventAndTheTypedItemIsTheOneQuoted) {
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitValue(0, "2,500.12"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4210}));
  EXPECT_EQ(RequestSince(4210, mark), Bytes{});

  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<int> codes;
    std::string quoted;
  };
  const Step steps[] = {
      {"조회", [&] { ASSERT_TRUE(d->Tap(IDC_BTN_QUERY)); }, {4101, 4210}, "005930"},
      {"typed code", [&] { TypeInto(IDC_ITEM_COMBO, "00660"); }, {4101}, "000660"},
      {"picked recent code (the one typed)", [&] { ASSERT_TRUE(d->Pick(IDC_ITEM_COMBO, 0)); }, {4101}, "000660"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    mark = server.logSize();
    s.act();
    ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
    Settled();
    EXPECT_EQ(quotetest::Codes(*this, mark), s.codes);
    EXPECT_EQ(RequestSince(4101, mark), Code(s.quoted));
  }
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; }));
  EXPECT_TRUE(NoBox());
}

TEST_F(MarketSummaryTest, FourGridsFromTheServersMarket) {
  Open();
  ASSERT_TRUE(WaitValue(3, "1,008.75"));
  auto kospi = G(0);
  ASSERT_EQ(kospi.size(), 3u);
  EXPECT_EQ(kospi[0][0].text, "종 합");
  EXPECT_EQ(kospi[0][0].bg, kLabelBack);
  EXPECT_EQ(kospi[1][0].text, "상승(한)");
  EXPECT_EQ(kospi[1][2].text, "하락(한)");
  EXPECT_EQ(kospi[2][0].text, "보 합");
  EXPECT_EQ(kospi[2][2].text, "거래대금");
  EXPECT_EQ(kospi[2][2].bg, kLabelBack);
  EXPECT_EQ(kospi[0][1].text, "2,500.12");
  EXPECT_EQ(kospi[0][2].text, "▲ 9.62");
  EXPECT_EQ(kospi[0][1].fg, kRed);
  EXPECT_EQ(kospi[0][2].fg, kRed);
  // KOSPI items: 005930 and 005380 up, 000660 down, 035420 unchanged.
  EXPECT_EQ(kospi[1][1].text, "2(0)");
  EXPECT_EQ(kospi[1][3].text, "1(0)");
  EXPECT_EQ(kospi[2][1].text, "1");
  auto [volume, value] = Totals(false);
  EXPECT_EQ(kospi[2][3].text, screentest::Grouped((value + 500000) / 1000000));  // rounded
  EXPECT_EQ(kospi[0][3].text, screentest::Grouped(volume / 1000) + "K") << volume;

  auto kosdaq = G(1);
  ASSERT_EQ(kosdaq.size(), 3u);
  EXPECT_EQ(kosdaq[0][1].text, "850.34");
  EXPECT_EQ(kosdaq[0][2].text, "▼ 4.76");
  EXPECT_EQ(kosdaq[0][2].fg, kBlue);
  EXPECT_EQ(kosdaq[1][1].text, "0(0)");
  EXPECT_EQ(kosdaq[1][3].text, "1(0)");
  EXPECT_EQ(kosdaq[2][1].text, "1");
  EXPECT_EQ(kosdaq[2][3].text, screentest::Grouped((Totals(true).second + 500000) / 1000000));

  auto k200 = G(2);
  ASSERT_EQ(k200.size(), 1u);
  EXPECT_EQ(k200[0][0].text, "KSP200");
  EXPECT_EQ(k200[0][1].text, "185.25");
  EXPECT_EQ(k200[0][2].text, "▲ 1.25");
  EXPECT_EQ(k200[0][2].fg, kRed);
  // The lines' volumes are parts of their markets' (each grid's own field, not the composite's).
  EXPECT_EQ(k200[0][3].text, screentest::Grouped(volume * 62 / 100 / 1000) + "K");
  EXPECT_NE(k200[0][3].text, kospi[0][3].text);
  auto k50 = G(3);
  EXPECT_EQ(k50[0][0].text, "KSQ 50");
  EXPECT_EQ(k50[0][2].text, "▼ 5.45");
  EXPECT_EQ(k50[0][1].fg, kBlue);
  EXPECT_EQ(k50[0][3].text, screentest::Grouped(Totals(true).first * 41 / 100 / 1000) + "K");

  // A trade at the upper limit counts among the items up and at the limit.
  server.trade("005930", 92300, 1);
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitFor([&] { return G(0)[1][1].text == "2(1)"; }));
  EXPECT_TRUE(NoBox());
}

TEST_F(MarketSummaryTest, ZeroCountsAndAShortReply) {
  // The user looks at the ECN price first.
  ScreenHost::Open(u"ZR4160.dll");
  ASSERT_TRUE(server.waitForRequest(4165, 5000));
  Open();
  ASSERT_TRUE(WaitValue(0, "2,500.12"));
  server.setHandler(4210, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    Bytes b(92, 0);
    PutNet(&b[0], 2, 1000 * 10000 + 5);  // 1,000.05: groups 1000 and 5
    b[8] = '3';
    PutNet(&b[77], 2, 0);
    b[81] = '4';
    r.body = b;
  });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitValue(0, "1,000.05"));
  auto kospi = G(0);
  EXPECT_EQ(kospi[1][1].text, "0(0)");
  EXPECT_EQ(kospi[1][3].text, "0(0)");
  EXPECT_EQ(kospi[2][1].text, "0");
  EXPECT_EQ(kospi[2][3].text, "0");
  EXPECT_EQ(kospi[0][1].fg, "000000");
  EXPECT_EQ(G(3)[0][1].fg, kBlue);

  server.setHandler(4210,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = Bytes(91, 0); });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_NE(TakeBox().find("4210"), std::string::npos);
  Settled();
  EXPECT_EQ(G(0)[0][1].text, "1,000.05");
}

}  // namespace
