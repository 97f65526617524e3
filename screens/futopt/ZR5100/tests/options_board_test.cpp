// The options boards ZR5100 (by month, with the futures list), ZR5154 (list by month) and ZR5155
// (by strike) driven one after another against the simulated trading server, with the sample
// device's options code file: the combos the file fills, the request bytes of each choice, and the
// grids the replies fill.
#include "quote_fixture.h"

namespace {

using screentest::Bytes;
using Pick = screentest::ScreenHost::FutOptPick;

const Pick kFutures{u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
const Pick kCall{u"2", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};

Bytes MonthBody(const std::string& month, uint8_t callPut) {
  Bytes b(9, 0);
  std::copy(month.begin(), month.end(), b.begin());
  b[8] = callPut;
  return b;
}

class OptionsBoardTest : public quotetest::QuoteScreenTest {
 protected:
  void SetUp() override {
    baseCode = 5555;
    QuoteScreenTest::SetUp();
  }
  std::vector<std::string> Entries(int combo) {
    std::vector<std::string> out;
    d->Ui([&] {
      HWND c = GetDlgItem(dlg, combo);
      const int n = static_cast<int>(SendMessage(c, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < n; ++i) {
        WCHAR text[64] = {};
        SendMessage(c, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        out.push_back(screentest::Utf8(std::u16string(text)));
      }
    });
    return out;
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
  // Picks entry `index` of a combo and returns the request body it sent.
  Bytes PickAndCapture(int combo, int index, uint16_t code) {
    size_t mark = server.logSize();
    EXPECT_TRUE(d->Pick(combo, index));
    EXPECT_TRUE(server.waitForRequest(code, 5000, nullptr, mark));
    Settled();
    return RequestSince(code, mark);
  }
};

TEST_F(OptionsBoardTest, BoardListAndStrikeScreensOneAfterAnother) {
  // ZR5100: the futures item's strip, the March calls and the futures contracts.
  StoreFutOptItem(kFutures);
  size_t mark = server.logSize();
  Open("ZR5100");
  ASSERT_TRUE(WaitFor([&] { return Grid(1357).size() == 21 && Grid(1358).size() == 4; }));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{5555, 5100, 5105}));
  EXPECT_EQ(RequestSince(5555, mark), (Bytes{'1', '0', '1', 'C', '3', 0, 0, 0, 1}));
  EXPECT_EQ(RequestSince(5100, mark), MonthBody("200703", 2));
  EXPECT_EQ(screentest::WholePacket(server.requests(5105, mark).at(0)), screentest::PlainRequestPacket(5105, {}));
  EXPECT_EQ(Entries(1003), (std::vector<std::string>{"200703", "200704", "200705", "200706"}));
  EXPECT_EQ(Entries(1000), (std::vector<std::string>{"콜 옵션", "풋 옵션"}));
  auto options = Grid(1357);
  EXPECT_EQ(options[0][0].text, "201C3160");
  EXPECT_EQ(options[10][0].text, "201C3185");
  EXPECT_EQ(options[10][1].text, "3.50");
  EXPECT_EQ(options[10][3].text, "0.30");
  EXPECT_EQ(options[10][1].fg, "0000FF");
  EXPECT_EQ(options[10][4].text, "3.55");  // best ask
  EXPECT_EQ(options[10][5].text, "3.45");  // best bid
  EXPECT_EQ(Grid(1358)[0][0].text, "101C3000");
  EXPECT_EQ(Grid(1358)[0][1].text, "187.00");

  EXPECT_EQ(PickAndCapture(1000, 1, 5100), MonthBody("200703", 3));
  EXPECT_EQ(Grid(1357)[0][0].text, "301C3160");
  EXPECT_EQ(PickAndCapture(1003, 3, 5100), MonthBody("200706", 3));
  EXPECT_EQ(Grid(1357)[0][0].text, "301C6160");

  // A list whose side byte says puts: the next month asks for puts while the combo shows calls.
  ASSERT_EQ(PickAndCapture(1000, 0, 5100), MonthBody("200706", 2));
  server.setHandler(5100, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = {0, 3}; });
  EXPECT_EQ(PickAndCapture(1003, 0, 5100), MonthBody("200703", 2));
  EXPECT_TRUE(Grid(1357).empty());
  EXPECT_EQ(PickAndCapture(1003, 1, 5100), MonthBody("200704", 3));
  // A count above the rows the body holds shows only those rows.
  server.setHandler(5100, [](simsrv::HandlerContext& ctx, const simsrv::Request&, simsrv::Reply& r) {
    simsrv::Bytes row = ctx.market.OptionRow(*ctx.market.FindDerivative("201C3185"), false);
    r.body = {200, 2};
    r.body.insert(r.body.end(), row.begin(), row.end());
  });
  PickAndCapture(1003, 2, 5100);
  ASSERT_EQ(Grid(1357).size(), 1u);
  EXPECT_EQ(Grid(1357)[0][0].text, "201C3185");

  // ZR5154: the option item's strip and its list in its own column order.
  StoreFutOptItem(kCall);
  mark = server.logSize();
  Open("ZR5154");
  ASSERT_TRUE(WaitFor([&] { return Grid(5154).size() == 21; }));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{5154, 5555}));
  EXPECT_EQ(RequestSince(5154, mark), MonthBody("200703", 2));
  EXPECT_EQ(RequestSince(5555, mark), (Bytes{'2', '0', '1', 'C', '3', '1', '8', '5', 2}));
  auto list = Grid(5154);
  EXPECT_EQ(list[10][0].text, "201C3185");
  EXPECT_EQ(list[10][1].text, "3.50");
  EXPECT_EQ(list[10][5].text, "3.55");  // ask after the volume
  EXPECT_EQ(list[10][6].text, "3.45");
  EXPECT_EQ(PickAndCapture(1004, 1, 5154), MonthBody("200703", 3));
  EXPECT_EQ(Grid(5154)[0][0].text, "301C3160");

  // ZR5155: the strikes of the file, one option a month in each column.
  mark = server.logSize();
  Open("ZR5155");
  ASSERT_TRUE(WaitFor([&] { return Grid(1000).size() == 9 && Grid(1000)[0][1].text == "201C3160"; }));
  auto strikes = Entries(1001);
  ASSERT_EQ(strikes.size(), 21u);
  EXPECT_EQ(strikes.front(), "160.00");
  EXPECT_EQ(strikes[1], "162.50");
  EXPECT_EQ(strikes.back(), "210.00");
  EXPECT_EQ(Entries(1002), (std::vector<std::string>{"콜옵션", "풋옵션"}));
  EXPECT_EQ(RequestSince(5155, mark), (Bytes{'1', '6', '0', '.', '0', '0', 0, 0, 2}));
  EXPECT_EQ(PickAndCapture(1001, 10, 5155), (Bytes{'1', '8', '5', '.', '0', '0', 0, 0, 2}));
  auto board = Grid(1000);
  EXPECT_EQ(board[0][0].text, "종목코드");
  EXPECT_EQ(board[0][0].bg, "8CDFFF");
  EXPECT_EQ(board[8][0].text, "미결제량");
  const char* const months[] = {"201C3185", "201C4185", "201C5185", "201C6185"};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(board[0][static_cast<size_t>(k + 1)].text, months[k]);
  EXPECT_EQ(board[1][1].text, "3.50");
  EXPECT_EQ(board[2][1].text, "▲0.30");
  EXPECT_EQ(board[2][1].fg, "0000FF");
  EXPECT_EQ(board[4][1].text, "3.55");  // best ask, a tick above the price
  EXPECT_EQ(board[6][1].text, "3.45");
  EXPECT_EQ(PickAndCapture(1002, 1, 5155), (Bytes{'1', '8', '5', '.', '0', '0', 0, 0, 3}));
  EXPECT_EQ(Grid(1000)[0][1].text, "301C3185");
}

TEST_F(OptionsBoardTest, WithoutAnOptionsCodeFileTheCombosStayEmptyAndTheRequestCarriesNoMonth) {
  std::remove(HostFile("\\Program Files\\Quorvan\\Code\\options_code.dat").c_str());
  server.setHandler(5154, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = {0, 2}; });
  StoreFutOptItem(kCall);
  size_t mark = server.logSize();
  Open("ZR5154");
  Settled();
  EXPECT_TRUE(Entries(1003).empty());
  EXPECT_EQ(RequestSince(5154, mark), MonthBody("", 2));
  EXPECT_TRUE(Grid(5154).empty());
}

}  // namespace

namespace {

TEST_F(OptionsBoardTest, TheBoardWaitsForItsThreeRepliesTheErrorsAmongThem) {
  StoreFutOptItem(kFutures);
  Open("ZR5100");
  ASSERT_TRUE(WaitFor([&] { return Grid(1358).size() == 4; }));
  Settled();
  EXPECT_FALSE(plat::win::WaitCursorShown());
  // The strip and an error for the month's list come, the futures list does not: the cursor
  // stays until the reply time-out.
  server.setFault({simsrv::FaultKind::NoReply, 5105, 0, 1});
  server.setHandler(5100, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("알림", "조회할 자료가 없습니다.");
  });
  ASSERT_TRUE(d->Tap(8110));
  ExpectBox("조회할 자료가 없습니다.");
  Settled();
  EXPECT_TRUE(plat::win::WaitCursorShown());
  d->Advance(10000);
  EXPECT_FALSE(plat::win::WaitCursorShown());
  // Again with every reply: the cursor ends with the last.
  ASSERT_TRUE(d->Tap(8110));
  ExpectBox("조회할 자료가 없습니다.");
  Settled();
  EXPECT_FALSE(plat::win::WaitCursorShown());
}

// Every column of the board's option and futures rows and of the strike board shows its own field:
// the server's figures differ field by field (the best ask a tick above the price, volumes past
// 9,999, open interest below the volume), so a field read at another's place shows a wrong number.
TEST_F(OptionsBoardTest, EveryColumnShowsItsOwnFieldOfTheContract) {
  struct Want {
    std::string price, ask, bid, volume, askQuantity, bidQuantity, openInterest;
  };
  auto want = [&](const std::string& code) {
    return server.withMarket([&](simsrv::Market& m) {
      const simsrv::Derivative& d = *m.FindDerivative(code);
      const simsrv::FutOptLevels l = m.Levels(d);
      auto price = [](int64_t h) {  // below 1,000.00: no thousands
        char t[24];
        std::snprintf(t, sizeof t, "%lld.%02lld", static_cast<long long>(h / 100), static_cast<long long>(h % 100));
        return std::string(t);
      };
      return Want{price(d.price),
                  price(l.askPrice[0]),
                  price(l.bidPrice[0]),
                  screentest::Grouped(d.volume),
                  std::to_string(l.askQuantity[0]),
                  std::to_string(l.bidQuantity[0]),
                  screentest::Grouped(m.OpenInterest(d))};
    });
  };
  StoreFutOptItem(kFutures);
  Open("ZR5100");
  ASSERT_TRUE(WaitFor([&] { return Grid(1357).size() == 21 && Grid(1358).size() == 4; }));
  for (int grid : {1357, 1358}) {
    auto rows = Grid(grid);
    for (const auto& row : rows) {
      SCOPED_TRACE(row[0].text);
      const Want w = want(row[0].text);
      EXPECT_EQ(row[1].text, w.price);
      EXPECT_EQ(row[4].text, w.ask);
      EXPECT_EQ(row[5].text, w.bid);
      EXPECT_EQ(row[6].text, w.volume);
      EXPECT_NE(w.ask, w.price);
    }
  }
  StoreFutOptItem(kCall);
  Open("ZR5155");
  ASSERT_TRUE(WaitFor([&] { return Grid(1000).size() == 9 && Grid(1000)[0][1].text == "201C3160"; }));
  auto board = Grid(1000);
  for (size_t k = 1; k < board[0].size() && !board[0][k].text.empty(); ++k) {
    SCOPED_TRACE(board[0][k].text);
    const Want w = want(board[0][k].text);
    EXPECT_EQ(board[1][k].text, w.price);
    EXPECT_EQ(board[3][k].text, w.volume);
    EXPECT_EQ(board[4][k].text, w.ask);
    EXPECT_EQ(board[5][k].text, w.askQuantity);
    EXPECT_EQ(board[6][k].text, w.bid);
    EXPECT_EQ(board[7][k].text, w.bidQuantity);
    EXPECT_EQ(board[8][k].text, w.openInterest);
  }
}

}  // namespace
