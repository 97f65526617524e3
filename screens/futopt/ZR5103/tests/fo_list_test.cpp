// The futures/options lists of one item driven as a user drives them against the simulated
// server, whose market has had 30 trades of every contract today and keeps 40 days of each:
// time and sales (ZR5103 futures, ZR5152 options) and daily history (ZR5104, ZR5153). The twins
// of each pair run from one table; a user also goes from one screen to the next.
#include <string>
#include <vector>

#include "screen_host.h"

namespace {

using screentest::Bytes;
using screentest::GridRows;
using Pick = screentest::ScreenHost::FutOptPick;

// The futures contract and the option the finder left, both at once.
const Pick kItems{u"1", u"101C3000", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
constexpr int kNext = 9701;

// A request body: the 8-byte code, nine rows, the page, the direction and the key.
Bytes ListBody(const std::string& code, int page, char direction, const std::string& key) {
  Bytes b(code.begin(), code.end());
  b.resize(8, 0);
  b.push_back(9);
  b.push_back(static_cast<uint8_t>(page));
  b.push_back(static_cast<uint8_t>(direction));
  b.insert(b.end(), key.begin(), key.end());
  return b;
}

struct Twin {
  const char* screen;
  uint16_t code;
  int grid;
  int prev;          // "< 이전"
  std::string item;  // the code it asks for
  uint8_t market;    // of its 5555
  // The first row of page 1: the day's last trade (or today) of the item.
  std::string price, change, volume;
  std::string rate;  // daily history
  bool endsWaitBeforeBox;
  bool waitsForTimeOut;
};
std::ostream& operator<<(std::ostream& os, const Twin& t) { return os << t.screen; }

const Twin kTicks[] = {
    {"ZR5103", 5103, 4150, 9822, "101C3000", 1, "187.00", "0.50", "20,754", "", false, true},
    {"ZR5152", 5152, 5152, 9822, "201C3185", 2, "3.50", "0.30", "20,350", "", true, false},
};
const Twin kDays[] = {
    {"ZR5104", 5104, 5104, 9702, "101C3000", 1, "187.00", "0.50", "20,754", "0.26%", false, false},
    {"ZR5153", 5153, 5153, 9702, "201C3185", 2, "3.50", "0.30", "20,350", "9.37%", false, false},
};

class FoListTest : public screentest::ScreenTestWithParam<Twin> {
 protected:
  FoListTest() { baseCode = 5555; }
  void SetUp() override {
    server.withMarket([](simsrv::Market& m) { m.SeedDayTrades(30); });
    ScreenTestWithParam::SetUp();
    if (HasFatalFailure()) return;
    StoreFutOptItem(kItems);
  }
  const Twin& T() { return GetParam(); }
  GridRows Rows() { return Grid(T().grid); }
  // Opens the twin and waits for its first page.
  void OpenList(const Twin& t) {
    Open(t.screen);
    ASSERT_TRUE(WaitFor([&] { return !Grid(t.grid).empty() && !Grid(t.grid)[0][0].text.empty(); })) << t.screen;
    Settled();
  }
  // The body of the first request of `code` after `mark`; its header is checked on the way: the
  // screens write it themselves (length, code, '4', then zeros), so the comparisons of bodies
  // are of whole packets.
  Bytes RequestSince(uint16_t code, size_t mark) {
    simsrv::LogEntry e;
    if (!server.waitForRequest(code, 3000, &e, mark)) return {};
    EXPECT_EQ(e.header, screentest::RequestHeader(code, e.body.size())) << code;
    return e.plain;
  }
  // Taps a button and returns the request it sent, once the screen has handled the reply.
  Bytes Press(int button) {
    const size_t mark = server.logSize();
    if (!d->Tap(button)) return {};
    Bytes b = RequestSince(T().code, mark);
    Settled();
    return b;
  }
  // A click that reaches the screen whether the button is enabled or not.
  void Click(int button) {
    d->Ui([&] {
      SendMessage(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), static_cast<LPARAM>(GetDlgItem(dlg, button)));
    });
  }
  std::string FirstTime() { return Rows().at(0).at(0).text; }
};

// ---- Time and sales ------------------------------------------------------------------------------

using FoTicksTest = FoListTest;

TEST_P(FoTicksTest, PagesForwardWithTheServersKeysAndBackToTheFirstPage) {
  const size_t mark = server.logSize();
  OpenList(T());
  // Its own page first, then the strip's quote of the same item.
  std::vector<int> codes;
  for (const auto& e : server.requests(0, mark))
    if (e.code != 1100) codes.push_back(e.code);
  EXPECT_EQ(codes, (std::vector<int>{T().code, 5555}));
  EXPECT_EQ(RequestSince(T().code, mark), ListBody(T().item, 1, 'F', "    "));
  Bytes base = RequestSince(5555, mark);
  ASSERT_EQ(base.size(), 9u);
  EXPECT_EQ(base[8], T().market);

  GridRows rows = Rows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0][0].text, "09:00:30");
  EXPECT_EQ(rows[0][1].text, T().price);
  EXPECT_EQ(rows[0][2].text, "▲");
  EXPECT_EQ(rows[0][3].text, T().change);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(rows[0][static_cast<size_t>(c)].fg, "0000FF");
  EXPECT_EQ(rows[0][4].text, "1");
  EXPECT_EQ(rows[0][5].text, T().volume);
  EXPECT_EQ(rows[8][0].text, "09:00:22");
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(T().prev));

  // Each page asks with the key its page before gave: the number of its first trade.
  EXPECT_EQ(Press(kNext), ListBody(T().item, 2, 'N', "0021"));
  EXPECT_EQ(FirstTime(), "09:00:21");
  EXPECT_TRUE(Enabled(T().prev));
  EXPECT_EQ(Press(kNext), ListBody(T().item, 3, 'N', "0012"));
  EXPECT_EQ(FirstTime(), "09:00:12");

  // "< 이전" on page 3 goes back to page 1: 'F' and four blanks.
  EXPECT_EQ(Press(T().prev), ListBody(T().item, 1, 'F', "    "));
  EXPECT_EQ(FirstTime(), "09:00:30");
  EXPECT_FALSE(Enabled(T().prev));

  // To the last page: the server offers no further one, and "다음 >" then asks for nothing.
  EXPECT_EQ(Press(kNext), ListBody(T().item, 2, 'N', "0021"));
  EXPECT_EQ(Press(kNext), ListBody(T().item, 3, 'N', "0012"));
  EXPECT_EQ(Press(kNext), ListBody(T().item, 4, 'N', "0003"));
  ASSERT_EQ(Rows().size(), 3u);
  EXPECT_EQ(Rows()[2][0].text, "09:00:01");
  EXPECT_FALSE(Enabled(kNext));
  const size_t after = server.logSize();
  Click(kNext);
  EXPECT_TRUE(NoneSince(T().code, after));

  // 조회 starts again at page 1, its own page before the strip.
  const size_t query = server.logSize();
  d->Tap(8110);
  ASSERT_TRUE(server.waitForRequest(5555, 3000, nullptr, query));
  Settled();
  auto entries = server.requests(0, query);
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[0].code, T().code);
  EXPECT_EQ(entries[0].plain, ListBody(T().item, 1, 'F', "    "));
  EXPECT_EQ(FirstTime(), "09:00:30");
}

// Replies the server could send: closing trades, more rows named than held, pages the key table
// has no slot for, a body too short for its head.
TEST_P(FoTicksTest, RepliesAreShownAsFarAsTheyHoldAndPagesStayWithinTheKeyTable) {
  OpenList(T());
  struct Reply {
    const char* what;
    Bytes head;                      // page, more, key, count
    std::vector<Bytes> rows;         // times of 24-byte rows
    std::vector<std::string> times;  // shown
    bool next;                       // "다음 >" afterwards
    bool box;                        // a reception error
  };
  auto row = [](uint8_t h, uint8_t m, uint8_t s) {
    Bytes r(24, 0);
    r[0] = h, r[1] = m, r[2] = s;
    screentest::PutNet(&r[3], 1, 1);
    r[11] = '3';
    return r;
  };
  const Reply replies[] = {
      {"closing trades",
       {1, 1, '0', '0', '0', '9', 3},
       {row(23, 59, 58), row(23, 59, 59), row(15, 14, 59)},
       {"장 종 료", "장 종 료", "15:14:59"},
       true,
       false},
      {"count above the rows held",
       {1, 1, '0', '0', '0', '9', 200},
       {row(10, 0, 2), row(10, 0, 1)},
       {"10:00:02", "10:00:01"},
       true,
       true},
      {"the last page of the table", {255, 1, '0', '0', '0', '9', 1}, {row(10, 0, 0)}, {"10:00:00"}, false, false},
      {"page 0 has no slot", {0, 1, '0', '0', '0', '9', 1}, {row(10, 0, 0)}, {"10:00:00"}, false, false},
      {"too short for its head", {1, 1, '0', '0', '0'}, {}, {"10:00:00"}, false, true},
  };
  for (const Reply& r : replies) {
    SCOPED_TRACE(r.what);
    Bytes body = r.head;
    for (const Bytes& x : r.rows) body.insert(body.end(), x.begin(), x.end());
    server.setHandler(T().code,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& out) { out.body = body; });
    ASSERT_TRUE(d->Tap(8110));
    if (r.box) ExpectBox("ERROR : 수신 데이터 길이 오류 (" + std::to_string(T().code) + ")");
    Settled();
    EXPECT_EQ(Column(T().grid, 0), r.times);
    EXPECT_EQ(Enabled(kNext), r.next);
    if (!r.next) {
      const size_t mark = server.logSize();
      Click(kNext);
      EXPECT_TRUE(NoneSince(T().code, mark));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Twins, FoTicksTest, ::testing::ValuesIn(kTicks));

// ---- Daily history -------------------------------------------------------------------------------

using FoDaysTest = FoListTest;

TEST_P(FoDaysTest, PagesEitherWayWithTheKeyOfEachPage) {
  const size_t mark = server.logSize();
  OpenList(T());
  EXPECT_EQ(RequestSince(T().code, mark), ListBody(T().item, 1, 'F', "   "));
  EXPECT_EQ(RequestSince(5555, mark).at(8), T().market);
  GridRows rows = Rows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0][0].text, "26-12-10");
  EXPECT_EQ(rows[0][1].text, T().price);
  EXPECT_EQ(rows[0][2].text, "▲");
  EXPECT_EQ(rows[0][3].text, T().change);
  EXPECT_EQ(rows[0][4].text, T().rate);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(rows[0][static_cast<size_t>(c)].fg, "0000FF");
  EXPECT_EQ(rows[0][8].text, T().volume);
  EXPECT_EQ(rows[8][0].text, "26-11-30");
  EXPECT_FALSE(Enabled(T().prev));

  const std::string nov27{26, 11, 27}, nov16{26, 11, 16};
  EXPECT_EQ(Press(kNext), ListBody(T().item, 2, 'N', nov27));
  EXPECT_EQ(FirstTime(), "26-11-27");
  EXPECT_EQ(Press(kNext), ListBody(T().item, 3, 'N', nov16));
  EXPECT_EQ(FirstTime(), "26-11-16");
  // Back a page at a time: page 2 with its key, page 1 with three blanks, both 'P'.
  EXPECT_EQ(Press(T().prev), ListBody(T().item, 2, 'P', nov27));
  EXPECT_EQ(FirstTime(), "26-11-27");
  EXPECT_EQ(Press(T().prev), ListBody(T().item, 1, 'P', "   "));
  EXPECT_EQ(FirstTime(), "26-12-10");
  EXPECT_FALSE(Enabled(T().prev));
}

// 조회: the futures history asks for the page shown again, the options history for page 1; both
// after the strip's quote. A new item always starts again at page 1.
TEST_P(FoDaysTest, QueryAsksForThePageShownOrTheFirstAndANewItemStartsAgain) {
  OpenList(T());
  const std::string nov27{26, 11, 27};
  ASSERT_EQ(Press(kNext), ListBody(T().item, 2, 'N', nov27));
  const bool keepsPage = T().code == 5104;
  size_t mark = server.logSize();
  d->Tap(8110);
  ASSERT_TRUE(server.waitForRequest(T().code, 3000, nullptr, mark));
  Settled();
  auto entries = server.requests(0, mark);
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[0].code, 5555);
  EXPECT_EQ(entries[1].code, T().code);
  EXPECT_EQ(entries[1].plain, keepsPage ? ListBody(T().item, 2, 'N', nov27) : ListBody(T().item, 1, 'F', "   "));
  EXPECT_EQ(FirstTime(), keepsPage ? "26-11-27" : "26-12-10");

  // Another contract picked meanwhile: its page 1, never the keys of the one before.
  if (!keepsPage) {
    ASSERT_EQ(Press(kNext), ListBody(T().item, 2, 'N', nov27));
  }
  StoreFutOptItem({u"1", u"101C6000", u"KP200 F 0706", u"301C3185", u"P 0703 185.0"});
  const std::string other = T().code == 5104 ? "101C6000" : "301C3185";
  EXPECT_EQ(Press(8110), ListBody(other, 1, 'F', "   "));
  EXPECT_FALSE(Enabled(T().prev));
  EXPECT_TRUE(Enabled(kNext));
}

// The daily history's rates and colours: one leading minus, absolute parts.
TEST_P(FoDaysTest, RatesCarryOneLeadingMinusAndTheSignsColour) {
  OpenList(T());
  auto day = [](int8_t whole, int8_t hundredths, char sign) {
    Bytes r(38, 0);
    r[0] = 26, r[1] = 12, r[2] = 10;
    screentest::PutNet(&r[3], 1, 1);
    r[11] = static_cast<uint8_t>(sign);
    screentest::PutU16(&r[12], static_cast<uint16_t>(static_cast<int16_t>(whole)));
    screentest::PutU16(&r[14], static_cast<uint16_t>(static_cast<int16_t>(hundredths)));
    screentest::PutNet(&r[34], 2, 1234);
    return r;
  };
  Bytes body{1, 0, ' ', ' ', ' ', 4};
  for (const Bytes& r : {day(1, 5, '2'), day(-2, 30, '5'), day(0, -5, '5'), day(-1, -50, '4')})
    body.insert(body.end(), r.begin(), r.end());
  server.setHandler(T().code,
                    [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& out) { out.body = body; });
  ASSERT_TRUE(d->Tap(8110));
  Settled();
  EXPECT_EQ(Column(T().grid, 4), (std::vector<std::string>{"1.05%", "-2.30%", "-0.05%", "-1.50%"}));
  GridRows rows = Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][4].fg, "0000FF");
  EXPECT_EQ(rows[1][4].fg, "FF0000");
  EXPECT_EQ(rows[3][2].text, "↓");
  EXPECT_EQ(rows[0][9].text, "1,234");
  EXPECT_FALSE(Enabled(kNext));
}

INSTANTIATE_TEST_SUITE_P(Twins, FoDaysTest, ::testing::ValuesIn(kDays));

// ---- All four --------------------------------------------------------------------------------------

// A server error: its box; the futures time and sales leaves the wait cursor to the reply
// time-out, the option time and sales ends it before the box, the histories after it.
TEST_P(FoListTest, AServerErrorShowsItsMessageAndTheWaitCursorEndsAsTheScreenDoes) {
  OpenList(T());
  ASSERT_TRUE(Enabled(kNext));
  server.setHandler(T().code, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("알림", "조회할 자료가 없습니다.");
  });
  ASSERT_TRUE(d->Tap(kNext));
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(Box(&box));
  EXPECT_EQ(screentest::Utf8(box.text), "조회할 자료가 없습니다.");
  EXPECT_EQ(plat::win::WaitCursorShown(), !T().endsWaitBeforeBox);
  Answer(box, IDOK);
  Settled();
  EXPECT_EQ(plat::win::WaitCursorShown(), T().waitsForTimeOut);
  d->Advance(10000);
  EXPECT_FALSE(plat::win::WaitCursorShown());
  // The page shown stays: "다음 >" asks for the same next page again.
  server.setHandler(T().code, simsrv::DefaultHandlers().at(T().code));
  EXPECT_EQ(Press(kNext).at(9), 2);
}

// Nothing ever picked: the strip's quote alone goes out, and the paging buttons ask for nothing.
TEST_P(FoListTest, WithoutAnItemOnlyTheStripIsAskedFor) {
  StoreFutOptItem({});
  const size_t mark = server.logSize();
  Open(T().screen);
  Settled();
  EXPECT_EQ(Text(9903), "종목을 선택하세요");
  EXPECT_TRUE(server.requests(T().code, mark).empty());
  EXPECT_EQ(RequestSince(5555, mark), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, T().market}));
  EXPECT_FALSE(Enabled(kNext));
  const size_t after = server.logSize();
  Click(kNext);
  Click(T().prev);
  ASSERT_TRUE(d->Tap(8110));
  ASSERT_TRUE(server.waitForRequest(5555, 3000, nullptr, after));
  EXPECT_TRUE(NoneSince(T().code, after));
}

const Twin kAll[] = {kTicks[0], kTicks[1], kDays[0], kDays[1]};
INSTANTIATE_TEST_SUITE_P(Twins, FoListTest, ::testing::ValuesIn(kAll));

// A user goes from one list to the next: each opens at page 1 of its own item, whatever page the
// one before was on.
using FoJourneyTest = FoListTest;
TEST_P(FoJourneyTest, OneScreenAfterAnother) {
  for (const Twin& t : kAll) {
    SCOPED_TRACE(t.screen);
    const size_t mark = server.logSize();
    OpenList(t);
    EXPECT_EQ(RequestSince(t.code, mark), ListBody(t.item, 1, 'F', t.code == 5103 || t.code == 5152 ? "    " : "   "));
    EXPECT_EQ(Grid(t.grid).at(0).at(1).text, t.price);
    const size_t next = server.logSize();
    ASSERT_TRUE(d->Tap(kNext));
    ASSERT_TRUE(server.waitForRequest(t.code, 3000, nullptr, next));
    Settled();
    EXPECT_TRUE(Enabled(t.prev));
  }
}
INSTANTIATE_TEST_SUITE_P(FromTheFuturesTimeAndSales, FoJourneyTest, ::testing::Values(kTicks[0]));

// Each day of a page shows its own close, open, high, low, volume and open interest: the server's
// days carry four different prices and a volume apart from the open interest, so a column read
// from another's field shows a wrong number.
TEST_P(FoDaysTest, EachDayShowsItsOwnPricesVolumeAndOpenInterest) {
  OpenList(T());
  GridRows rows = Rows();
  ASSERT_EQ(rows.size(), 9u);
  auto price = [](int64_t h) {  // below 1,000.00: no thousands
    char t[24];
    std::snprintf(t, sizeof t, "%lld.%02lld", static_cast<long long>(h / 100), static_cast<long long>(h % 100));
    return std::string(t);
  };
  for (int k = 0; k < 9; ++k) {
    SCOPED_TRACE(k);
    const simsrv::Market::FutOptDay day =
        server.withMarket([&](simsrv::Market& m) { return m.FutOptDaily(*m.FindDerivative(T().item), k); });
    const auto& row = rows[static_cast<size_t>(k)];
    EXPECT_EQ(row[1].text, price(day.close));
    EXPECT_EQ(row[5].text, price(day.open));
    EXPECT_EQ(row[6].text, price(day.high));
    EXPECT_EQ(row[7].text, price(day.low));
    EXPECT_EQ(row[8].text, screentest::Grouped(day.volume));
    EXPECT_EQ(row[9].text, screentest::Grouped(day.openInterest));
  }
}

}  // namespace
