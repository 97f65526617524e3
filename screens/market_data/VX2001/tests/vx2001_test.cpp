// VX2001 driven as the user drives it, against the simulated trading server: the requests of a
// query, the registrations around a base quote, an item change and the end of the screen, the
// pushes merged into the order book, the trades and the strip, and the price handed to the order
// screens by a double tap.
#include "quote_fixture.h"

namespace {

using quotetest::Reg;
using quotetest::Registrations;
using screentest::Bytes;
using screentest::PutNet;

const std::vector<int> kBookWidths = {60, 58, 58, 60};
const std::vector<int> kTickWidths = {60, 50, 16, 50, 60};
constexpr int kBook = 1357;
constexpr int kTicks = 1358;
const char* const kGrey = "C8C8C8";

// A 9110 body of one record.
Bytes Tick(const std::string& code, int64_t price, int64_t accumulated, char sign, int64_t change, int h, int m, int s,
           int count = 1) {
  Bytes b(1 + 61, 0);
  b[0] = static_cast<uint8_t>(count);
  std::memcpy(&b[1], code.data(), 6);
  PutNet(&b[1 + 6], 2, price);
  PutNet(&b[1 + 10], 3, accumulated);
  b[1 + 29] = static_cast<uint8_t>(sign);
  PutNet(&b[1 + 30], 2, change);
  b[1 + 58] = static_cast<uint8_t>(h), b[1 + 59] = static_cast<uint8_t>(m), b[1 + 60] = static_cast<uint8_t>(s);
  return b;
}

class VX2001Test : public quotetest::QuoteScreenTest {
 protected:
  VX2001Test() : QuoteScreenTest(VX2001_PLUGIN, u"VX2001.dll") {}

  // Opens the board with auto-receive on and waits for its item registrations.
  void OpenLive() {
    autoReceive = TRUE;
    size_t mark = server.logSize();
    Open();
    ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
    ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,500"));
  }
  int64_t Volume() {
    return server.withMarket([](simsrv::Market& m) { return m.FindItem("005930")->volume; });
  }
  std::string Vol(int64_t v) {
    char t[32];
    std::snprintf(t, sizeof t, "%lld", static_cast<long long>(v));
    std::string s = t, out;
    for (size_t i = 0; i < s.size(); ++i) {
      out += s[i];
      size_t left = s.size() - 1 - i;
      if (left && left % 3 == 0) out += ',';
    }
    return out;
  }
  std::vector<std::string> Backgrounds(int gridId, int row) {
    std::vector<std::string> out;
    auto grid = Grid(gridId);
    if (row >= static_cast<int>(grid.size())) return out;
    for (const auto& c : grid[static_cast<size_t>(row)]) out.push_back(c.bg);
    return out;
  }
};

TEST_F(VX2001Test, QueryAsksForQuoteBookAndTicksAndRegistersTheIndicesThenTheItem) {
  autoReceive = TRUE;
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,500"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{9000, 4101, 6100, 4140, 9000, 9000}));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{{'1', 9210, {"00001", "02001"}}, {'1', 9110, {"005930"}}, {'1', 9120, {"005930"}}}));
  auto all = server.requests(9000, mark);
  EXPECT_EQ(all[0].header[3], 36);  // two index slots
  EXPECT_EQ(all[1].header[3], 28);  // one item slot
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(6100, 100, &e, mark));
  EXPECT_EQ(e.plain, (Bytes{'0', '0', '5', '9', '3', '0', '1'}));
  ASSERT_TRUE(server.waitForRequest(4140, 100, &e, mark));
  EXPECT_EQ(e.plain, (Bytes{'0', '0', '5', '9', '3', '0', 3, 1, 'F', ' ', ' ', ' ', ' '}));
  EXPECT_EQ(server.registrations(9110, "005930"), 1);
  EXPECT_EQ(server.registrations(9210, "00001"), 1);

  // The five levels, the totals and the after-hours totals.
  auto book = Grid(kBook);
  ASSERT_EQ(book.size(), 7u);
  int64_t askTotal = 0;
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    int64_t ask = 0, bid = 0;
    server.withMarket([&](simsrv::Market& m) {
      ask = m.AskVolume(*m.FindItem("005930"), i);
      bid = m.BidVolume(*m.FindItem("005930"), i);
      return 0;
    });
    askTotal += ask;
    EXPECT_EQ(book[i][0].text, Vol(ask));
    EXPECT_EQ(book[i][1].text, Vol(71500 + 100 * i));
    EXPECT_EQ(book[i][2].text, Vol(71400 - 100 * i));
    EXPECT_EQ(book[i][3].text, Vol(bid));
    EXPECT_EQ(book[i][0].bg, "FFC8C8");
    EXPECT_EQ(book[i][3].bg, "C8C8FF");
    EXPECT_EQ(book[i][1].fg, "0000FF");  // above the close: red
  }
  EXPECT_EQ(book[5][0].text, Vol(askTotal));
  EXPECT_EQ(book[5][1].text, "잔");
  EXPECT_EQ(book[5][2].text, "량");
  EXPECT_EQ(book[6][0].text, Vol(askTotal / 10));
  EXPECT_EQ(book[6][1].text, "시간외");
  EXPECT_EQ(book[6][2].text, "총잔량");
  EXPECT_EQ(book[6][1].bg, "8CDFFF");
  // No trade yet today: the tick grid still has its three rows, empty.
  auto ticks = Grid(kTicks);
  ASSERT_EQ(ticks.size(), 3u);
  for (const auto& row : ticks) EXPECT_EQ(row[1].text, "");
}

TEST_F(VX2001Test, PushesChangeTheCellsTheyMoveFlashThemAndTheTimerRestoresThem) {
  OpenLive();
  int64_t before = Volume();
  ASSERT_EQ(server.trade("005930", 71600, 30), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "71,600"));
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,600"));
  ASSERT_TRUE(WaitFor([&] { return Text(3006) == "2,500.19"; })) << Text(3006);
  EXPECT_EQ(Text(3001), "71,600");
  EXPECT_EQ(Text(3003), "600");
  EXPECT_EQ(Text(3004), Vol(before + 30));
  auto ticks = Grid(kTicks);
  EXPECT_EQ(ticks[0][4].text, "30");  // the trade's own volume, from the base quote's accumulated volume
  EXPECT_EQ(ticks[0][0].text, "09:00:01");
  EXPECT_EQ(ticks[0][3].text, "600");
  EXPECT_EQ(ticks[0][1].fg, "0000FF");
  EXPECT_EQ(Backgrounds(kTicks, 0), std::vector<std::string>(5, kGrey));
  // Every level moved one tick: prices and volumes changed; prices red above the close.
  auto book = Grid(kBook);
  EXPECT_EQ(book[0][2].text, "71,500");
  EXPECT_EQ(Backgrounds(kBook, 0), std::vector<std::string>(4, kGrey));
  EXPECT_EQ(book[4][2].text, "71,100");
  EXPECT_EQ(book[4][2].fg, "0000FF");

  d->Advance(200);
  EXPECT_EQ(Backgrounds(kTicks, 0), std::vector<std::string>(5, "FFFFFF"));
  EXPECT_EQ(Backgrounds(kBook, 0), (std::vector<std::string>{"FFC8C8", "FFFFFF", "FFFFFF", "C8C8FF"}));
  EXPECT_EQ(Backgrounds(kBook, 5)[0], "FFFFFF");

  // A trade at the same price leaves the book as it is (nothing flashes) and adds a tick.
  ASSERT_EQ(server.trade("005930", 71600, 20), 1);
  ASSERT_TRUE(WaitCell(kTicks, 1, 4, "30"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "20");
  EXPECT_EQ(Backgrounds(kBook, 0), (std::vector<std::string>{"FFC8C8", "FFFFFF", "FFFFFF", "C8C8FF"}));

  // A price below the close: blue.
  ASSERT_EQ(server.trade("005930", 70500, 10), 1);
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "70,500"));
  EXPECT_EQ(Grid(kBook)[0][1].fg, "FF0000");
  EXPECT_EQ(Grid(kTicks)[0][2].text, "▼");
}

TEST_F(VX2001Test, ARunOfTradesKeepsTheNewestRowFlashedUntil200MsAfterTheLast) {
  OpenLive();
  ASSERT_EQ(server.trade("005930", 71600, 30), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "71,600"));
  d->Advance(150);
  ASSERT_EQ(server.trade("005930", 71700, 10), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "71,700"));
  d->Advance(100);  // 250 ms after the first trade, 100 after the last
  EXPECT_EQ(Backgrounds(kTicks, 0), std::vector<std::string>(5, kGrey));
  EXPECT_EQ(Backgrounds(kTicks, 1), std::vector<std::string>(5, "FFFFFF"));
  d->Advance(100);
  EXPECT_EQ(Backgrounds(kTicks, 0), std::vector<std::string>(5, "FFFFFF"));
}

TEST_F(VX2001Test, TickPushesForOtherItemsOrWithoutNewVolumeChangeNoRow) {
  OpenLive();
  int64_t volume = Volume();
  // Another item: nothing at all.
  ASSERT_EQ(server.pushRaw(9110, Tick("000660", 99000, volume + 5, '2', 100, 9, 1, 0)), 1);
  // The same accumulated volume: no new trade row, but the strip follows the price.
  ASSERT_EQ(server.pushRaw(9110, Tick("005930", 71700, volume, '2', 700, 9, 1, 1)), 1);
  ASSERT_TRUE(WaitFor([&] { return Text(3001) == "71,700"; })) << Text(3001);
  EXPECT_EQ(Grid(kTicks)[0][1].text, "");
  // A count of 255 over a body of one record: the one record is read.
  ASSERT_EQ(server.pushRaw(9110, Tick("005930", 71800, volume + 7, '2', 800, 9, 1, 2, 255)), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "71,800"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "7");
  // The last seconds of the day: every row shows the close of the market.
  ASSERT_EQ(server.pushRaw(9110, Tick("005930", 71900, volume + 9, '2', 900, 9, 1, 3)), 1);
  ASSERT_EQ(server.pushRaw(9110, Tick("005930", 72000, volume + 19, '2', 1000, 23, 59, 58)), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "72,000"));
  EXPECT_EQ(Column(kTicks, 0), (std::vector<std::string>(3, "장 종 료")));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "10");
  EXPECT_EQ(Text(3001), "72,000");
  // Accumulated volumes past 2^31: the trade's volume is their difference, not a wrapped one.
  ASSERT_EQ(server.pushRaw(9110, Tick("005930", 72100, 3000000000LL, '2', 1100, 9, 2, 0)), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "72,100"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, Vol(3000000000LL - (volume + 19)));
  ASSERT_EQ(server.pushRaw(9110, Tick("005930", 72200, 3000000025LL, '2', 1200, 9, 2, 1)), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "72,200"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "25");
}

TEST_F(VX2001Test, IndexPushFillsTheKospiAndKosdaqLinesAndSkipsOtherIndices) {
  OpenLive();
  // KOSPI 2,512.34 up 21.84, KOSPI200 (not a line of stock screens), KOSDAQ 849.00 down 6.10.
  Bytes b(1 + 3 * 23, 0);
  b[0] = 3;
  auto rec = [&](int k, const char* code, int64_t whole, int64_t hundredths, char sign, int64_t chWhole,
                 int64_t chHundredths) {
    uint8_t* r = &b[1 + 23 * k];
    std::memcpy(r, code, 5);
    screentest::PutNet(r + 5, 1, whole);
    screentest::PutNet(r + 7, 1, hundredths);
    r[9] = static_cast<uint8_t>(sign);
    screentest::PutNet(r + 10, 1, chWhole);
    screentest::PutNet(r + 12, 1, chHundredths);
  };
  rec(0, "00001", 2512, 34, '2', 21, 84);
  rec(1, "01001", 199, 99, '2', 1, 0);
  rec(2, "02001", 849, 0, '5', 6, 10);
  ASSERT_EQ(server.pushRaw(9210, b), 1);
  ASSERT_TRUE(WaitFor([&] { return Text(3006) == "2,512.34"; })) << Text(3006);
  EXPECT_EQ(Text(3007), "21.84");
  EXPECT_EQ(Text(3008), "▲");
  EXPECT_EQ(Text(3010), "849.00");
  EXPECT_EQ(Text(3012), "6.10");
  EXPECT_EQ(Text(3011), "▼");
  // Only the index lines changed.
  EXPECT_EQ(Text(3001), "71,500");
}

TEST_F(VX2001Test, AnotherItemIsRegisteredBeforeTheOldOneIsReleased) {
  OpenLive();
  size_t mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 4; }));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{
                {'1', 9110, {"000660"}}, {'1', 9120, {"000660"}}, {'2', 9110, {"005930"}}, {'2', 9120, {"005930"}}}));
  EXPECT_EQ(server.registrations(9110, "005930"), 0);
  EXPECT_EQ(server.registrations(9120, "000660"), 1);
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; }));
  // The same item asked for again registers nothing.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(server.waitForRequest(4140, 3000, nullptr, mark));
  EXPECT_TRUE(NoneSince(9000, mark));
  // Pushes of the old item no longer reach the screen; the new item's do.
  EXPECT_EQ(server.trade("005930", 71600, 10), 0);
  ASSERT_EQ(server.trade("000660", 128600, 10), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "128,600"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "10");
}

TEST_F(VX2001Test, TheEndReleasesTheItemThenTheIndices) {
  OpenLive();
  size_t mark = server.logSize();
  Close();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{{'2', 9110, {"005930"}}, {'2', 9120, {"005930"}}, {'2', 9210, {"00001", "02001"}}}));
  EXPECT_EQ(server.registrations(9110, "005930"), 0);
  EXPECT_EQ(server.registrations(9210, "02001"), 0);
}

TEST_F(VX2001Test, WithoutAutoReceiveNothingIsEverRegistered) {
  Open();
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,500"));
  TypeInto(IDC_ITEM_COMBO, "00660");
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; }));
  Close();
  EXPECT_TRUE(NoneSince(9000, 0));
  EXPECT_EQ(server.trade("000660", 128600, 10), 0);
}

TEST_F(VX2001Test, DoubleTapHandsTheRowsPriceToTheOrderScreens) {
  OpenLive();
  struct Case {
    int row, column;
    const char* price;
    WPARAM screen;
  } cases[] = {
      {1, 0, "71,600", 93001},  // an ask volume: the ask price of its row
      {1, 1, "71,600", 93001},
      {2, 2, "71,200", 93002},
      {2, 3, "71,200", 93002},  // a bid volume: the bid price of its row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    size_t before = OwnerGot(WM_VX_OPEN_SCREEN).size();
    DoubleTapCell(kBook, c.row, c.column, kBookWidths, 17, 17);
    auto opened = OwnerGot(WM_VX_OPEN_SCREEN);
    ASSERT_EQ(opened.size(), before + 1);
    EXPECT_EQ(opened.back().wParam, c.screen);
    EXPECT_EQ(Registry(u"Price"), c.price);
    EXPECT_EQ(Registry(u"Volume"), "");
  }
  // The totals rows hand nothing over.
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change"));
    reg.DeleteValue(u"Price");
  }
  size_t before = OwnerGot(WM_VX_OPEN_SCREEN).size();
  DoubleTapCell(kBook, 5, 0, kBookWidths, 17, 17);
  DoubleTapCell(kBook, 6, 3, kBookWidths, 17, 17);
  EXPECT_EQ(OwnerGot(WM_VX_OPEN_SCREEN).size(), before);
  EXPECT_EQ(Registry(u"Price"), "<none>");
  // The price column's header opens the ten-level book; a double tap on a trade the tick screen.
  TapHeader(kBook, 2, kBookWidths);
  ASSERT_TRUE(WaitFor([&] { return OwnerGot(WM_VX_OPEN_SCREEN).size() == before + 1; }));
  EXPECT_EQ(OwnerGot(WM_VX_OPEN_SCREEN).back().wParam, 92005u);
  DoubleTapCell(kTicks, 0, 1, kTickWidths, 17, 17);
  EXPECT_EQ(OwnerGot(WM_VX_OPEN_SCREEN).back().wParam, 92003u);

  // The buy screen opened next shows the handed price once.
  DoubleTapCell(kBook, 3, 0, kBookWidths, 17, 17);
  EXPECT_EQ(Registry(u"Price"), "71,800");
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", TRUE));
    EXPECT_EQ(reg.GetLongValue(u"Set_Flag"), 49);
  }
  nameStatic = 1002;
  ScreenHost::Open(std::u16string(u"ZR4310.dll"));
  EXPECT_EQ(Text(1010), "71,800");
}

// A market open a while: the board opens on the day's last trades. The list the server sends holds
// more than the three asked for and is shown whole; a trade made between the base quote and the
// list is in the list only, so the first push's volume is counted from the list's newest trade.
// Only the first three trades enter the history that the pushes move down: the fourth row stays.
TEST_F(VX2001Test, TheBoardOpensOnTheDaysTradesAndThePushesFollowOnFromTheList) {
  server.withMarket([](simsrv::Market& m) {
    m.SeedDayTrades(9);
    return 0;
  });
  server.setHandler(4140, [](simsrv::HandlerContext& ctx, const simsrv::Request& req, simsrv::Reply& r) {
    ctx.market.Trade(std::string(req.body.begin(), req.body.begin() + 6), 71600, 20);
    r.body = ctx.market.TickList4140(*ctx.market.FindItem("005930"), 5);
  });
  OpenLive();
  ASSERT_TRUE(WaitFor([&] { return Grid(kTicks).size() == 5; }));
  std::vector<simsrv::Tick> day = server.withMarket([](simsrv::Market& m) { return m.FindItem("005930")->ticks; });
  ASSERT_GE(day.size(), 5u);
  auto time = [](const simsrv::Tick& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.seconds / 3600, t.seconds / 60 % 60, t.seconds % 60);
    return std::string(text);
  };
  auto row = [&](const simsrv::Tick& t) {  // every trade of the day is above the close of 71,000
    EXPECT_GT(t.price, 71000);
    return std::vector<std::string>{time(t), Vol(t.price), "▲", Vol(t.price - 71000), Vol(t.quantity)};
  };
  auto texts = [&](int r) {
    std::vector<std::string> out;
    const auto grid = Grid(kTicks);
    for (const auto& c : grid.at(static_cast<size_t>(r))) out.push_back(c.text);
    return out;
  };
  // 09:00:10, the trade between the two replies, then the seeded ones from 09:00:09 down.
  EXPECT_EQ(texts(0), (std::vector<std::string>{"09:00:10", "71,600", "▲", "600", "20"}));
  EXPECT_EQ(texts(1), (std::vector<std::string>{"09:00:09", "71,500", "▲", "500", "10"}));
  for (int r = 0; r < 5; ++r) EXPECT_EQ(texts(r), row(day[static_cast<size_t>(r)])) << r;
  EXPECT_EQ(Grid(kTicks)[2][1].fg, "0000FF");
  const int64_t listed = day[0].volume;  // the list's newest accumulated volume, past the base quote's
  EXPECT_EQ(Text(3004), Vol(listed - 20));

  // The first push: its volume against the list's newest trade, not against the base quote.
  ASSERT_EQ(server.trade("005930", 71700, 30), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "71,700"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "30");
  EXPECT_EQ(texts(1), row(day[0]));
  EXPECT_EQ(texts(2), row(day[1]));
  EXPECT_EQ(texts(3), row(day[3])) << "below the history the list's rows stay";
  EXPECT_EQ(texts(4), row(day[4]));
  ASSERT_EQ(server.trade("005930", 71800, 40), 1);
  ASSERT_TRUE(WaitCell(kTicks, 0, 1, "71,800"));
  EXPECT_EQ(Grid(kTicks)[0][4].text, "40");
  EXPECT_EQ(texts(1)[1], "71,700");
  EXPECT_EQ(texts(2), row(day[0]));
  EXPECT_EQ(texts(3), row(day[3]));
  EXPECT_EQ(Text(3004), Vol(listed + 70));
}

}  // namespace
