// The paged list screens of one item, driven as the user drives them against the simulated
// trading server: time and sales (ZR4150, 4140) and daily prices (ZR4130, 4130). The request of
// each event byte by byte, the pages with their keys forward and back, the fills with their signs
// and colours, and what a new item, a page without a key slot, an unknown continuation byte, a
// push of another screen and a count beyond the body do.
#include <functional>

#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::Bytes;
using screentest::PutNet;
using screentest::PutU16;

constexpr int kTicks = 4150;
constexpr int kDaily = 4130;
constexpr int kNext = 9701;
constexpr int kFirst = 9822;         // time and sales
constexpr int kPrev = 9702;          // daily prices
const char* const kUp = "0000FF";    // red
const char* const kDown = "FF0000";  // blue

Bytes Body(const std::string& code, std::initializer_list<uint8_t> rest) {
  Bytes b(code.begin(), code.end());
  b.insert(b.end(), rest);
  return b;
}
// The 4-byte tick key: the market clock of the first trade of a page.
std::vector<uint8_t> Clock(uint32_t s) { return {uint8_t(s >> 24), uint8_t(s >> 16), uint8_t(s >> 8), uint8_t(s)}; }
Bytes TickBody(const std::string& code, uint8_t page, char dir, const std::vector<uint8_t>& key) {
  Bytes b = Body(code, {9, page, uint8_t(dir)});
  b.insert(b.end(), key.begin(), key.end());
  return b;
}

class ListScreensTest : public quotetest::QuoteScreenTest {
 protected:
  ListScreensTest() : QuoteScreenTest(ZR4150_PLUGIN, u"ZR4150.dll") {}

  // `n` trades of 005930, the first at 09:00:01: alternately above and below the close (71,000).
  void Trades(int n) {
    for (int i = 1; i <= n; ++i) server.trade("005930", i % 2 ? 71000 + 100 * i : 70900 - 100 * i, 10 * i);
  }
  bool WaitRows(int grid, size_t rows, const std::string& first) {
    return WaitFor([&] {
      auto g = Grid(grid);
      return g.size() == rows && (rows == 0 || g[0][1].text == first);
    });
  }
  // Taps `button` and returns the body of the request of `code` it sent (empty: none).
  Bytes Tap(int button, uint16_t code) { return TapAndCapture(button, code); }
  std::string TickTime(int k) {  // trade k (1-based) at 09:00:00 + k seconds
    char t[16];
    std::snprintf(t, sizeof t, "09:00:%02d", k);
    return t;
  }
  // A daily-prices reply from the test: page, more, count, key, then `rates` records of one day
  // down from 10,000 with the given rate parts.
  static Bytes DailyReply(uint8_t page, uint8_t more, uint8_t count, std::vector<std::pair<int, int>> rates) {
    Bytes b(6 + 22 * rates.size(), 0);
    b[0] = page, b[1] = more, b[2] = count;
    b[3] = 26, b[4] = 1, b[5] = 5;
    for (size_t i = 0; i < rates.size(); ++i) {
      uint8_t* r = &b[6 + 22 * i];
      r[0] = 26, r[1] = 1, r[2] = static_cast<uint8_t>(10 - i);
      PutNet(r + 3, 2, 10000);
      r[7] = rates[i].first < 0 || rates[i].second < 0 ? '5' : '2';
      PutNet(r + 8, 2, 150);
      PutU16(r + 12, rates[i].first);
      PutU16(r + 14, rates[i].second);
      PutNet(r + 16, 3, 1234567);
    }
    return b;
  }
  void AnswerDaily(Bytes body) {
    server.setHandler(4130,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  }
};

TEST_F(ListScreensTest, TimeAndSalesRequestsOfEachEventAndItsPagesWithKeys) {
  Trades(20);  // 09:00:01 .. 09:00:20; pages of 9: 20-12, 11-3, 2-1
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitRows(kTicks, 9, "68,900"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4140}));
  EXPECT_EQ(RequestSince(4140, mark), TickBody("005930", 1, 'F', {0, 0, 0, 0}));
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kFirst));

  const uint32_t t0 = 9 * 3600;
  struct Step {
    const char* what;
    int button;
    Bytes request;  // empty: nothing is sent
    std::string firstTime;
    size_t rows;
  };
  const Step steps[] = {
      {"next to page 2", kNext, TickBody("005930", 2, 'N', Clock(t0 + 11)), TickTime(11), 9},
      {"next to page 3", kNext, TickBody("005930", 3, 'N', Clock(t0 + 2)), TickTime(2), 2},
      {"next on the last page", kNext, {}, TickTime(2), 2},
      // Page 1 goes with the last key received (the last page's: none further, zero).
      {"first page", kFirst, TickBody("005930", 1, 'F', {0, 0, 0, 0}), TickTime(20), 9},
      {"first on page 1", kFirst, {}, TickTime(20), 9},
      {"next again", kNext, TickBody("005930", 2, 'N', Clock(t0 + 11)), TickTime(11), 9},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t before = server.logSize();
    EXPECT_EQ(Tap(s.button, 4140), s.request);
    if (s.request.empty()) {
      Settled();
      EXPECT_TRUE(NoneSince(4140, before));
    }
    ASSERT_TRUE(WaitFor([&] {
      auto g = Grid(kTicks);
      return g.size() == s.rows && g[0][0].text == s.firstTime;
    })) << Grid(kTicks).size();
    EXPECT_EQ(Enabled(kFirst), s.firstTime != TickTime(20));
    EXPECT_EQ(Enabled(kNext), s.rows == 9);
  }
  // "조회": page 1 of the item, the list before the quote.
  mark = server.logSize();
  EXPECT_EQ(Tap(IDC_BTN_QUERY, 4140), TickBody("005930", 1, 'F', Clock(t0 + 2)));
  ASSERT_TRUE(WaitFor([&] { return quotetest::Codes(*this, mark).size() == 2; }));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4140, 4101}));
}

TEST_F(ListScreensTest, TimeAndSalesFillsTradesWithSignsColoursAndTheClosingLabel) {
  int64_t v0 = server.withMarket([](simsrv::Market& m) { return m.FindItem("005930")->volume; });
  Trades(3);
  Open();
  ASSERT_TRUE(WaitRows(kTicks, 3, "71,300"));
  auto g = Grid(kTicks);
  // Newest first: 71,300 (up 300, 30 shares), 70,700 (down 300), 71,100 (up 100).
  EXPECT_EQ(g[0][0].text, "09:00:03");
  EXPECT_EQ(g[0][2].text, "▲");
  EXPECT_EQ(g[0][3].text, "300");
  EXPECT_EQ(g[0][4].text, "30");
  EXPECT_EQ(g[0][5].text, screentest::Grouped(v0 + 60));
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(g[0][static_cast<size_t>(c)].fg, kUp);
  EXPECT_EQ(g[1][1].text, "70,700");
  EXPECT_EQ(g[1][2].text, "▼");
  EXPECT_EQ(g[1][3].text, "300");
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(g[1][static_cast<size_t>(c)].fg, kDown);
  EXPECT_EQ(g[2][5].text, screentest::Grouped(v0 + 10));
  EXPECT_EQ(g[0][6].text, "");

  // The closing trades (23:59 and seconds above 57) show "장 종 료"; 23:59:57 is a time.
  // A count beyond the body shows the records the body holds.
  server.setHandler(4140, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    Bytes b(7 + 24 * 2, 0);
    b[0] = 1, b[6] = 200;
    const uint8_t secs[] = {58, 57};
    for (int i = 0; i < 2; ++i) {
      uint8_t* p = &b[7 + 24 * i];
      p[0] = 23, p[1] = 59, p[2] = secs[i];
      PutNet(p + 3, 2, 70000);
      p[7] = '3';
      PutNet(p + 12, 3, 5);
      PutNet(p + 18, 3, 12345);
    }
    r.body = b;
  });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitRows(kTicks, 2, "70,000"));
  g = Grid(kTicks);
  EXPECT_EQ(g[0][0].text, "장 종 료");
  EXPECT_EQ(g[1][0].text, "23:59:57");
  EXPECT_EQ(g[0][1].fg, "000000");
  EXPECT_EQ(g[0][5].text, "12,345");
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_TRUE(NoBox());
}

TEST_F(ListScreensTest, TimeAndSalesKeepsNextWhenTheContinuationByteIsUnknownAndThenDoesNothing) {
  Trades(20);
  Open();
  ASSERT_TRUE(WaitRows(kTicks, 9, "68,900"));
  ASSERT_TRUE(Enabled(kNext));
  server.setHandler(4140, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body = Bytes{1, 7, 0, 0, 0, 1, 0};  // page 1, continuation 7, no records
  });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitRows(kTicks, 0, ""));
  EXPECT_TRUE(Enabled(kNext));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  Settled();
  EXPECT_TRUE(NoneSince(4140, mark));
}

TEST_F(ListScreensTest, PushOfAnotherScreenIsIgnoredWithoutABox) {
  Trades(2);
  Open();
  ASSERT_TRUE(WaitRows(kTicks, 2, "70,700"));
  Bytes push(1 + 61, 0);
  push[0] = 1;
  std::memcpy(&push[1], "005930", 6);
  PutNet(&push[7], 2, 71600);
  for (uint16_t type : {9110, 9120, 9210}) ASSERT_EQ(server.pushRaw(type, push), 1);
  Settled();
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Grid(kTicks)[0][1].text, "70,700");
}

TEST_F(ListScreensTest, DailyPricesPageForwardAndBackWithTheKeyOfEachPage) {
  size_t mark = server.logSize();
  Open(u"ZR4130.dll");
  ASSERT_TRUE(WaitRows(kDaily, 9, "71,500"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4130}));
  EXPECT_EQ(RequestSince(4130, mark), Body("005930", {9, 1, 'F', ' ', ' ', ' '}));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "05930");

  // Trading days back from Thursday 10 December 2026: page 2 starts on 27 November, page 3 on
  // 16 November, page 4 on 3 November (three days: the 30 days of the server's history).
  struct Step {
    const char* what;
    int button;
    Bytes request;
    std::string firstDate;
    bool prev, next;
  };
  const Step steps[] = {
      {"next to page 2", kNext, Body("005930", {9, 2, 'N', 26, 11, 27}), "26-11-27", true, true},
      {"next to page 3", kNext, Body("005930", {9, 3, 'N', 26, 11, 16}), "26-11-16", true, true},
      {"next to page 4", kNext, Body("005930", {9, 4, 'N', 26, 11, 3}), "26-11-03", true, false},
      {"next on the last page", kNext, {}, "26-11-03", true, false},
      {"previous to page 3", kPrev, Body("005930", {9, 3, 'P', 26, 11, 16}), "26-11-16", true, true},
      {"previous to page 2", kPrev, Body("005930", {9, 2, 'P', 26, 11, 27}), "26-11-27", true, true},
      {"previous to page 1", kPrev, Body("005930", {9, 1, 'P', ' ', ' ', ' '}), "26-12-10", false, true},
      {"previous on page 1", kPrev, {}, "26-12-10", false, true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t before = server.logSize();
    EXPECT_EQ(Tap(s.button, 4130), s.request);
    if (s.request.empty()) {
      Settled();
      EXPECT_TRUE(NoneSince(4130, before));
    }
    ASSERT_TRUE(WaitFor([&] {
      auto g = Grid(kDaily);
      return !g.empty() && g[0][0].text == s.firstDate;
    })) << Grid(kDaily)[0][0].text;
    EXPECT_EQ(Enabled(kPrev), s.prev);
    EXPECT_EQ(Enabled(kNext), s.next);
  }
}

TEST_F(ListScreensTest, DailyPricesFillPricesSignsAndRatesFromTheServersHistory) {
  Open(u"ZR4130.dll");
  ASSERT_TRUE(WaitRows(kDaily, 9, "71,500"));
  auto g = Grid(kDaily);
  // Today 71,500 against 71,000; yesterday 71,000 against 70,800; ...; 7 December 69,800
  // against 72,400 on 4 December.
  EXPECT_EQ(g[0][0].text, "26-12-10");
  EXPECT_EQ(g[0][2].text, "▲");
  EXPECT_EQ(g[0][3].text, "500");
  EXPECT_EQ(g[0][4].text, "0.70%");
  EXPECT_EQ(g[0][4].fg, kUp);
  EXPECT_EQ(g[1][1].text, "71,000");
  EXPECT_EQ(g[1][4].text, "0.28%");
  EXPECT_EQ(g[3][0].text, "26-12-07");
  EXPECT_EQ(g[3][1].text, "69,800");
  EXPECT_EQ(g[3][2].text, "▼");
  EXPECT_EQ(g[3][3].text, "2,600");
  EXPECT_EQ(g[3][4].text, "-3.59%");
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(g[3][static_cast<size_t>(c)].fg, kDown);
  EXPECT_EQ(g[3][5].fg, "000000");
  EXPECT_FALSE(Enabled(kPrev));

  // Rates below one percent and whole ones print one minus before magnitudes; a count beyond
  // the body shows the three records it holds.
  AnswerDaily(DailyReply(1, 0, 200, {{-1, -50}, {0, -50}, {1, 5}}));
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitRows(kDaily, 3, "10,000"));
  EXPECT_EQ(Column(kDaily, 4), (std::vector<std::string>{"-1.50%", "-0.50%", "1.05%"}));
  EXPECT_EQ(Grid(kDaily)[0][5].text, "1,234,567");
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_TRUE(NoBox());
}

TEST_F(ListScreensTest, DailyPricesIgnoreAPageBeyondTheKeyTableAndStopAtItsLastSlot) {
  Open(u"ZR4130.dll");
  ASSERT_TRUE(WaitRows(kDaily, 9, "71,500"));
  ASSERT_TRUE(d->Tap(kNext));
  ASSERT_TRUE(WaitFor([&] { return Grid(kDaily)[0][0].text == "26-11-27"; }));

  // Page 99 is the table's last: its key is kept, but there is no slot for a page 100.
  AnswerDaily(DailyReply(99, 1, 1, {{0, 0}}));
  ASSERT_TRUE(d->Tap(kNext));
  ASSERT_TRUE(WaitRows(kDaily, 1, "10,000"));
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_TRUE(Enabled(kPrev));
  size_t mark = server.logSize();
  (void)d->Tap(kNext);
  Settled();
  EXPECT_TRUE(NoneSince(4130, mark));
}

TEST_F(ListScreensTest, DailyPricesReplyNumberedOutsideTheTableKeepsThePageAndSendsNoNext) {
  Open(u"ZR4130.dll");
  ASSERT_TRUE(WaitRows(kDaily, 9, "71,500"));
  AnswerDaily(DailyReply(200, 1, 2, {{0, 10}, {0, 20}}));
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitRows(kDaily, 2, "10,000"));
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));
  size_t mark = server.logSize();
  (void)d->Tap(kNext);
  (void)d->Tap(kPrev);
  Settled();
  EXPECT_TRUE(NoneSince(4130, mark));
}

TEST_F(ListScreensTest, NewItemRestartsPagingAtPageOneWithABlankKey) {
  Trades(20);
  Open();
  ASSERT_TRUE(WaitRows(kTicks, 9, "68,900"));
  ASSERT_FALSE(Tap(kNext, 4140).empty());
  ASSERT_TRUE(WaitFor([&] { return Grid(kTicks)[0][0].text == TickTime(11); }));
  // An edited code: the quote, then page 1 of the new item with a zero key.
  size_t mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  ASSERT_TRUE(server.waitForRequest(4140, 2000, nullptr, mark));
  EXPECT_EQ(RequestSince(4140, mark), TickBody("000660", 1, 'F', {0, 0, 0, 0}));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4140}));
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; }));
  Settled();
  EXPECT_FALSE(Enabled(kFirst));

  // Then the user goes on to the daily prices (of the item last chosen), pages on and types
  // the first item again there.
  ScreenHost::Open(u"ZR4130.dll");
  ASSERT_TRUE(WaitRows(kDaily, 9, "128,500"));
  ASSERT_FALSE(Tap(kNext, 4130).empty());
  ASSERT_TRUE(WaitFor([&] { return Grid(kDaily)[0][0].text == "26-11-27"; }));
  mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "05930");
  ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
  // An edit asks for the list before the quote.
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4130, 4101}));
  EXPECT_EQ(RequestSince(4130, mark), Body("005930", {9, 1, 'F', ' ', ' ', ' '}));
  ASSERT_TRUE(WaitRows(kDaily, 9, "68,900"));  // today: the last trade of the test
  EXPECT_FALSE(Enabled(kPrev));
  EXPECT_TRUE(NoBox());
}

// The list screens of one item give the item code the focus after every packet, whatever it
// brought: a base quote alone (the list's reply not come yet) and the server's message in a box,
// as after the screen's own list. The focus is put elsewhere first (the quick-move combo), and
// "조회" asks again.
TEST_F(ListScreensTest, EveryPacketGivesTheItemCodeTheFocusOnEachListScreen) {
  struct Case {
    const char16_t* screen;
    std::vector<uint16_t> lists;  // the screen's own requests of "조회"
  } cases[] = {
      {u"ZR4150.dll", {4140}}, {u"ZR4130.dll", {4130}}, {u"ZR4160.dll", {4160, 4165}},
      {u"ZR4210.dll", {4210}}, {u"ZR4200.dll", {4200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(screentest::Utf8(c.screen));
    for (uint16_t code : {uint16_t{4101}, uint16_t{4140}, uint16_t{4130}, uint16_t{4160}, uint16_t{4165},
                          uint16_t{4210}, uint16_t{4200}})
      server.setHandler(code, simsrv::DefaultHandlers().at(code));
    Open(c.screen);
    ASSERT_FALSE(HasFatalFailure());
    Settled();
    auto awayAndQuery = [&] {
      d->Ui([&] { SetFocus(GetDlgItem(dlg, IDC_QUICK_MOVE)); });
      ASSERT_EQ(Focus(), IDC_QUICK_MOVE);
      ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
    };
    // Only the base quote answers.
    for (uint16_t code : c.lists)
      server.setHandler(code,
                        [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.send = false; });
    awayAndQuery();
    Settled();
    EXPECT_EQ(Focus(), IDC_ITEM_COMBO) << "after a base quote";
    // The base quote refused: the server's message, then the focus.
    server.setHandler(4101, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
      r.Error("시세조회", "잠시 후 다시 조회하십시오.");
    });
    awayAndQuery();
    ExpectBox("잠시 후 다시 조회하십시오.");
    Settled();
    EXPECT_EQ(Focus(), IDC_ITEM_COMBO) << "after the server's message";
  }
}

// The requests of each list screen's first query, whole: the plain header the screen writes
// (length, code, '4' at byte 6, every other byte zero) and the body.
TEST_F(ListScreensTest, FirstQueriesSendWholePlainPackets) {
  using screentest::PlainRequestPacket;
  const Bytes code = screentest::B("005930");
  auto with = [&](std::initializer_list<uint8_t> rest) { return Body("005930", rest); };
  struct Case {
    const char16_t* screen;
    std::vector<std::pair<uint16_t, Bytes>> packets;
  } cases[] = {
      {u"VX2001.dll", {{4101, code}, {6100, with({'1'})}, {4140, with({3, 1, 'F', ' ', ' ', ' ', ' '})}}},
      {u"ZR4150.dll", {{4101, code}, {4140, with({9, 1, 'F', 0, 0, 0, 0})}}},
      {u"ZR4130.dll", {{4101, code}, {4130, with({9, 1, 'F', ' ', ' ', ' '})}}},
      {u"ZR4160.dll", {{4101, code}, {4160, code}, {4165, Bytes{4, '0', '0', '5', '9', '3', '0'}}}},
      {u"ZR4210.dll", {{4101, code}, {4210, {}}}},
      {u"ZR4200.dll", {{4101, code}, {4200, Bytes{7, 1, '1'}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(screentest::Utf8(c.screen));
    size_t mark = server.logSize();
    Open(c.screen);
    Settled();
    for (const auto& [tr, body] : c.packets) {
      SCOPED_TRACE(tr);
      auto sent = server.requests(tr, mark);
      ASSERT_FALSE(sent.empty());
      EXPECT_EQ(screentest::WholePacket(sent[0].header, sent[0].body), PlainRequestPacket(tr, body));
    }
  }
}

}  // namespace
