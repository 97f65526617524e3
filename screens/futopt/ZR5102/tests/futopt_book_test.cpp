// The futures and options order books (ZR5102, ZR5151) driven against the simulated trading
// server with auto-receive on: the registrations as the item changes and the screen ends, the
// book from the reply, book pushes merged with their flash on the virtual clock and their prices
// coloured against the reference in whole hundredths, and the strip lines from trade and index
// pushes (the item's line only from the item's own trades).
#include <algorithm>
#include <map>
#include <mutex>

#include "plat/surface.h"
#include "quote_fixture.h"

namespace {

using quotetest::Reg;
using quotetest::Registrations;
using screentest::Bytes;
using screentest::PlainRequestPacket;
using Pick = screentest::ScreenHost::FutOptPick;

constexpr int kBook = 5102;
const char* const kGrey = "C8C8C8";

const Pick kNearest{u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
const Pick kJune{u"1", u"101C6", u"KP200 F 0706", u"201C3185", u"C 0703 185.0"};
const Pick kCall{u"2", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};

class FutOptBookTest : public quotetest::QuoteScreenTest {
 protected:
  void SetUp() override {
    baseCode = 5555;
    autoReceive = TRUE;
    QuoteScreenTest::SetUp();
  }
  // Opens a book and waits for its registrations (`count`) and its levels.
  void OpenLive(const char* screen, const Pick& pick, size_t count) {
    StoreFutOptItem(pick);
    size_t mark = server.logSize();
    Open(screen);
    ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= count; }));
    ASSERT_TRUE(WaitFor([&] { return !Grid(kBook).empty() && !Grid(kBook)[4][2].text.empty(); }));
  }
  std::vector<std::string> Greys() {
    std::vector<std::string> out;
    auto g = Grid(kBook);
    for (size_t r = 0; r < g.size(); ++r)
      for (size_t c = 0; c < g[r].size(); ++c)
        if (g[r][c].bg == kGrey) out.push_back(std::to_string(r) + "," + std::to_string(c));
    return out;
  }
  // The 9321 / 9421 body the server would push for `code` now, as registered as `as`.
  Bytes BookPush(const std::string& code, const std::string& as) {
    Bytes rec = server.withMarket([&](simsrv::Market& m) { return m.FutOptBook(*m.FindDerivative(code), as); });
    Bytes body(1 + rec.size(), 1);
    std::copy(rec.begin(), rec.end(), body.begin() + 1);
    return body;
  }
  static void PutFloat2(Bytes& b, size_t at, int64_t hundredths) {
    const int16_t whole = static_cast<int16_t>(hundredths / 100), part = static_cast<int16_t>(hundredths % 100);
    b[at] = static_cast<uint8_t>(whole >> 8), b[at + 1] = static_cast<uint8_t>(whole);
    b[at + 2] = static_cast<uint8_t>(part >> 8), b[at + 3] = static_cast<uint8_t>(part);
  }
  // The texts the strip shows inside a client rectangle of the screen.
  std::string StripText(const RECT& at) {
    POINT o{0, 0};
    plat::Surface s;
    d->Ui([&] {
      ClientToScreen(dlg, &o);
      plat::win::ComposeScreen(s);
    });
    std::string out;
    for (const auto& t : s.texts)
      if (t.rect.left >= o.x + at.left && t.rect.right <= o.x + at.right && t.rect.top >= o.y + at.top &&
          t.rect.bottom <= o.y + at.bottom)
        out += screentest::Utf8(t.text);
    return out;
  }
  // The server keeps its replies of `code` instead of sending them, until Deliver(code).
  void Hold(uint16_t code) {
    simsrv::Handler answer = simsrv::DefaultHandlers().at(code);
    server.setHandler(code,
                      [this, answer, code](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) {
                        answer(c, q, r);
                        r.send = false;
                        std::lock_guard<std::mutex> l(heldMu_);
                        held_[code] = r.body;
                      });
  }
  void Deliver(uint16_t code) {
    Settled();  // the request has been handled: its reply is kept
    server.setHandler(code, simsrv::DefaultHandlers().at(code));
    Bytes body;
    {
      std::lock_guard<std::mutex> l(heldMu_);
      body = held_.at(code);
    }
    ASSERT_EQ(server.pushRaw(code, body), 1);
  }
  std::mutex heldMu_;
  std::map<uint16_t, Bytes> held_;
  const RECT kK200Value{32, 282, 68, 295};
  const RECT kFuturesPrice{148, 282, 184, 295};
};

TEST_F(FutOptBookTest, RegistrationsFollowTheItemAndAllAreReleasedWhenTheScreenEnds) {
  size_t mark = server.logSize();
  OpenLive("ZR5102", kNearest, 4);
  // The nearest contract is the item here: its trades are registered twice, once for each line.
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{
                {'1', 9210, {"01001"}}, {'1', 9310, {"101C3"}}, {'1', 9310, {"101C3"}}, {'1', 9321, {"101C3"}}}));
  EXPECT_EQ(server.registrations(9310, "101C3"), 2);
  EXPECT_EQ(PacketSince(5102, mark), PlainRequestPacket(5102, {'1', '0', '1', 'C', '3', 0, 0, 0}));
  EXPECT_EQ(PacketSince(5555, mark), PlainRequestPacket(5555, {'1', '0', '1', 'C', '3', 0, 0, 0, 1}));
  EXPECT_EQ(Text(9903), "200 F 0703");

  // Another pick and 조회: the new item first, then the old one released.
  StoreFutOptItem(kJune);
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(8110));
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 4; }));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{
                {'1', 9310, {"101C6"}}, {'1', 9321, {"101C6"}}, {'2', 9310, {"101C3"}}, {'2', 9321, {"101C3"}}}));
  EXPECT_EQ(PacketSince(5102, mark), PlainRequestPacket(5102, {'1', '0', '1', 'C', '6', 0, 0, 0}));
  // The same item again registers nothing.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(8110));
  Settled();
  EXPECT_TRUE(Registrations(server, mark).empty());

  mark = server.logSize();
  Close();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 4; }));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{
                {'2', 9310, {"101C6"}}, {'2', 9321, {"101C6"}}, {'2', 9210, {"01001"}}, {'2', 9310, {"101C3"}}}));
  for (const char* code : {"101C3", "101C6"}) {
    EXPECT_EQ(server.registrations(9310, code), 0) << code;
    EXPECT_EQ(server.registrations(9321, code), 0) << code;
  }
  EXPECT_EQ(server.registrations(9210, "01001"), 0);
}

TEST_F(FutOptBookTest, WithoutAutoReceiveNothingIsRegistered) {
  autoReceive = FALSE;
  StoreFutOptItem(kCall);
  size_t mark = server.logSize();
  Open("ZR5151");
  ASSERT_TRUE(WaitFor([&] { return !Grid(kBook).empty() && Grid(kBook)[4][2].text == "3.55"; }));
  Close();
  Settled();
  EXPECT_TRUE(NoneSince(9000, mark));
  EXPECT_EQ(PacketSince(5151, mark), PlainRequestPacket(5151, {'2', '0', '1', 'C', '3', '1', '8', '5'}));
  EXPECT_EQ(PacketSince(5555, mark), PlainRequestPacket(5555, {'2', '0', '1', 'C', '3', '1', '8', '5', 2}));
}

TEST_F(FutOptBookTest, ReplyFillsTheLevelsAndAPushFlashesOnlyWhatChanged) {
  OpenLive("ZR5102", kNearest, 4);
  simsrv::FutOptLevels l = server.withMarket([](simsrv::Market& m) { return m.Levels(*m.FindDerivative("101C3000")); });
  auto g = Grid(kBook);
  ASSERT_EQ(g.size(), 11u);
  EXPECT_EQ(g[4][2].text, "187.05");  // best ask at the bottom of the asks, a tick above the price
  EXPECT_EQ(g[0][2].text, "187.25");
  EXPECT_EQ(g[5][2].text, "186.95");  // best bid at the top of the bids
  EXPECT_EQ(g[4][1].text, std::to_string(l.askQuantity[0]));
  EXPECT_EQ(g[5][4].text, std::to_string(l.bidCount[0]));
  EXPECT_EQ(g[10][1].text, std::to_string(l.totalAsk));
  EXPECT_EQ(g[10][4].text, std::to_string(l.totalBidCount));
  EXPECT_EQ(g[4][2].fg, "0000FF");  // above the close of 186.50
  EXPECT_EQ(g[0][0].bg, "FFC8C8");
  EXPECT_EQ(g[5][2].bg, "C8C8FF");
  EXPECT_EQ(g[5][0].bg, "FFFFFF");
  EXPECT_TRUE(Greys().empty());

  // One level's quantity changes: exactly that cell flashes, for 100 ms.
  Bytes push = BookPush("101C3000", "101C3");
  push[49 + 4] = static_cast<uint8_t>(push[49 + 4] + 1);  // level 1 ask quantity, low group
  ASSERT_EQ(server.pushRaw(9321, push), 1);
  ASSERT_TRUE(WaitFor([&] { return !Greys().empty(); }));
  EXPECT_EQ(Greys(), (std::vector<std::string>{"4,1"}));
  d->Advance(99);
  EXPECT_FALSE(Greys().empty());
  d->Advance(1);
  EXPECT_TRUE(Greys().empty());
  EXPECT_EQ(Grid(kBook)[4][1].bg, "FFC8C8");

  // Prices against the reference 186.50 (187.00 less 0.50), compared in whole hundredths.
  PutFloat2(push, 29, 18650);  // best bid: equal, black
  PutFloat2(push, 33, 18645);  // second bid: below, blue
  PutFloat2(push, 9, 18655);   // best ask: above, red
  ASSERT_EQ(server.pushRaw(9321, push), 1);
  ASSERT_TRUE(WaitFor([&] { return Grid(kBook)[5][2].text == "186.50"; }));
  g = Grid(kBook);
  EXPECT_EQ(g[5][2].fg, "000000");
  EXPECT_EQ(g[6][2].text, "186.45");
  EXPECT_EQ(g[6][2].fg, "FF0000");
  EXPECT_EQ(g[4][2].text, "186.55");
  EXPECT_EQ(g[4][2].fg, "0000FF");
  d->Advance(100);

  // Another contract's book changes nothing.
  Bytes other = BookPush("101C6000", "101C6");
  ASSERT_EQ(server.pushRaw(9321, other), 1);
  Settled();
  EXPECT_TRUE(Greys().empty());
  EXPECT_EQ(Grid(kBook)[5][2].text, "186.50");
}

TEST_F(FutOptBookTest, ItemLineTakesOnlyTheItemsTradesTheFuturesLineTheNearestContracts) {
  // The June contract is the item; the nearest (March) trades in the same push type.
  OpenLive("ZR5102", kJune, 4);
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "188.05"; }));
  ASSERT_EQ(server.trade("101C3000", 18750, 1), 1);
  ASSERT_TRUE(WaitFor([&] { return StripText(kFuturesPrice) == "187.50"; })) << StripText(kFuturesPrice);
  Settled();
  EXPECT_EQ(Text(3013), "188.05");  // not the March contract's price
  ASSERT_EQ(server.trade("101C6000", 18830, 1), 1);
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "188.30"; }));
  EXPECT_EQ(StripText(kFuturesPrice), "187.50");

  // KOSPI200 from the index push.
  server.withMarket([](simsrv::Market& m) { return m.FindIndex("01001")->value = 18610; });
  ASSERT_EQ(server.push(9210), 1);
  ASSERT_TRUE(WaitFor([&] { return StripText(kK200Value) == "186.10"; })) << StripText(kK200Value);
}

TEST_F(FutOptBookTest, OptionsBookTakesItsOwnPushesAndTheNearestFutures) {
  size_t mark = server.logSize();
  OpenLive("ZR5151", kCall, 4);
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{
                {'1', 9210, {"01001"}}, {'1', 9310, {"101C3"}}, {'1', 9410, {"201C3185"}}, {'1', 9421, {"201C3185"}}}));
  EXPECT_EQ(Text(9903), "C 0703 185.0");
  EXPECT_EQ(Grid(kBook)[4][2].text, "3.55");  // a tick above the price
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "3.50"; }));
  // The nearest futures move only the futures line.
  ASSERT_EQ(server.trade("101C3000", 18720, 1), 1);
  ASSERT_TRUE(WaitFor([&] { return StripText(kFuturesPrice) == "187.20"; }));
  EXPECT_EQ(Text(3013), "3.50");
  // The option's trade: its line; its book: the grid, flashing.
  ASSERT_EQ(server.trade("201C3185", 360, 1), 1);
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "3.60"; }));
  ASSERT_TRUE(WaitFor([&] { return Grid(kBook)[4][2].text == "3.65"; }));
  EXPECT_EQ(Grid(kBook)[4][2].bg, kGrey);
  EXPECT_EQ(Grid(kBook)[4][2].fg, "0000FF");  // above the reference 3.20
  d->Advance(100);
  EXPECT_TRUE(Greys().empty());
}

// With pushes flowing, 조회 keeps the wait cursor until the screen's own replies have come: an
// index, trade or book push in between is no reply. A book push of the item shown before, arriving
// after the new item's book but before its base quote (which moves the registration), is not merged
// into the new item's book.
TEST_F(FutOptBookTest, WaitCursorEndsWithTheRepliesAndTheNewBookTakesOnlyItsOwnPushes) {
  OpenLive("ZR5102", kNearest, 4);
  StoreFutOptItem(kJune);
  Hold(5102);
  Hold(5555);
  ASSERT_TRUE(d->Tap(8110));
  EXPECT_TRUE(plat::win::WaitCursorShown());
  ASSERT_EQ(server.push(9210), 1);
  ASSERT_EQ(server.pushRaw(9321, BookPush("101C3000", "101C3")), 1);
  ASSERT_EQ(server.trade("101C3000", 18700, 1), 1);
  Settled();
  EXPECT_TRUE(plat::win::WaitCursorShown());

  // The June book comes; the March book pushed now is the old item's.
  const std::string marchAsk = Grid(kBook)[4][2].text;
  Deliver(5102);
  ASSERT_TRUE(WaitFor([&] { return Grid(kBook)[4][2].text != marchAsk; })) << marchAsk;
  EXPECT_FALSE(plat::win::WaitCursorShown());  // a reply ends it
  const auto june = Grid(kBook);
  Bytes march = BookPush("101C3000", "101C3");
  PutFloat2(march, 9, 18000);  // a best ask far from June's
  ASSERT_EQ(server.pushRaw(9321, march), 1);
  Settled();
  EXPECT_EQ(Grid(kBook)[4][2].text, june[4][2].text);
  EXPECT_TRUE(Greys().empty());

  // Its base quote: June registered, its own pushes merged.
  size_t mark = server.logSize();
  Deliver(5555);
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 4; }));
  Bytes own = BookPush("101C6000", "101C6");
  PutFloat2(own, 9, 18815);
  ASSERT_EQ(server.pushRaw(9321, own), 1);
  ASSERT_TRUE(WaitFor([&] { return Grid(kBook)[4][2].text == "188.15"; }));
  EXPECT_EQ(Grid(kBook)[4][2].bg, kGrey);
}

// Nothing picked yet: 9903 asks for an item, and both the book and the base quote go out with an
// empty code.
TEST_F(FutOptBookTest, WithoutAnItemTheRequestsCarryAnEmptyCode) {
  for (const char* screen : {"ZR5102", "ZR5151"}) {
    SCOPED_TRACE(screen);
    const uint16_t own = std::string(screen) == "ZR5102" ? 5102 : 5151;
    const uint8_t market = own == 5102 ? 1 : 2;
    StoreFutOptItem({});
    size_t mark = server.logSize();
    nameStatic = 0;
    ScreenHost::Open(screentest::Utf16(std::string(screen) + ".dll"));
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(PacketSince(own, mark), PlainRequestPacket(own, Bytes(8, 0)));
    EXPECT_EQ(PacketSince(5555, mark), PlainRequestPacket(5555, {0, 0, 0, 0, 0, 0, 0, 0, market}));
    EXPECT_EQ(Text(9903), "종목을 선택하세요");
    EXPECT_TRUE(NoBox());
  }
}

// The registrations end with the window, however it is destroyed; ending the screen afterwards
// sends nothing more.
TEST_F(FutOptBookTest, RegistrationsAreReleasedWhenTheWindowIsDestroyed) {
  OpenLive("ZR5151", kCall, 4);
  size_t mark = server.logSize();
  d->Ui([&] { ::DestroyWindow(dlg); });
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 4; }));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{
                {'2', 9410, {"201C3185"}}, {'2', 9421, {"201C3185"}}, {'2', 9210, {"01001"}}, {'2', 9310, {"101C3"}}}));
  mark = server.logSize();
  Close();
  EXPECT_TRUE(NoneSince(9000, mark));
}

}  // namespace
