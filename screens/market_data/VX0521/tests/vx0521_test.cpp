// VX0521 (expected execution) driven as the user drives it against the simulated trading server:
// the requests of each event as whole packets and their trace lines, the sheet filled from the
// server's market (labels, signs, colours against the previous close, the day's prices from its
// trades) and from a recorded reply with the signs traced, a reply too short for the sheet, a tap
// on one cell, where the focus goes after each reply, and pushes of the screen the user came from.
#include <functional>
#include <string>

#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::Bytes;
using screentest::PlainRequestPacket;
using screentest::PutNet;

constexpr int kSheet = 1357;
const char* const kRed = "0000FF";
const char* const kBlue = "FF0000";
const char* const kBlack = "000000";
const char* const kLabelBack = "8CDFFF";

Bytes Code(const std::string& code) { return Bytes(code.begin(), code.end()); }

class ExpectedExecTest : public quotetest::QuoteScreenTest {
 protected:
  ExpectedExecTest() : QuoteScreenTest(VX0521_PLUGIN, u"VX0521.dll") {}

  bool WaitPrice(const std::string& price) {
    return WaitFor([&] {
      auto g = Grid(kSheet);
      return g.size() == 9 && g[4][1].text == price;
    });
  }
  // The lines of a trace file on the device.
  std::string Trace(const char* name) {
    Bytes b = ReadHost(HostFile(name));
    return std::string(b.begin(), b.end());
  }
  // The "selected COLUMN ROW" of the sheet as the grid describes itself.
  std::string Selected() {
    std::u16string text;
    d->Ui([&] { SendMessage(GetDlgItem(dlg, kSheet), WM_PLAT_INSPECT, reinterpret_cast<WPARAM>(&text), 0); });
    std::string all = screentest::Utf8(text);
    size_t at = all.find("selected ");
    if (at == std::string::npos) return "";
    at += 9;
    return all.substr(at, all.find('\n', at) - at);
  }
  std::string Cell(int row, int column) { return Grid(kSheet)[size_t(row)][size_t(column)].text; }
  std::string Fg(int row, int column) { return Grid(kSheet)[size_t(row)][size_t(column)].fg; }
};

TEST_F(ExpectedExecTest, RequestsOfEachEventCarryTheItem) {
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitPrice("71,500"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 2250}));
  EXPECT_EQ(PacketSince(4101, mark), PlainRequestPacket(4101, Code("005930")));
  EXPECT_EQ(PacketSince(2250, mark), PlainRequestPacket(2250, Code("005930")));

  struct Step {
    const char* what;
    std::function<void()> act;
    std::string code;
  };
  const Step steps[] = {
      {"조회", [&] { ASSERT_TRUE(d->Tap(IDC_BTN_QUERY)); }, "005930"},
      {"typed code", [&] { TypeInto(IDC_ITEM_COMBO, "00660"); }, "000660"},
      {"picked recent code (the one typed)", [&] { ASSERT_TRUE(d->Pick(IDC_ITEM_COMBO, 0)); }, "000660"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    mark = server.logSize();
    s.act();
    ASSERT_TRUE(server.waitForRequest(2250, 2000, nullptr, mark));
    EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 2250}));
    EXPECT_EQ(PacketSince(4101, mark), PlainRequestPacket(4101, Code(s.code)));
    EXPECT_EQ(PacketSince(2250, mark), PlainRequestPacket(2250, Code(s.code)));
    Settled();
  }
  EXPECT_TRUE(NoBox());
  // Each request's item is traced, one line a request.
  std::string trace = Trace("\\my_test.txt");
  std::vector<std::string> items;
  for (size_t at = 0; (at = trace.find("| [", at)) != std::string::npos; at += 3)
    items.push_back(trace.substr(at + 3, trace.find(']', at) - at - 3));
  EXPECT_EQ(items, (std::vector<std::string>{"005930", "005930", "000660", "000660"}));
  EXPECT_NE(trace.find("]vx0521("), std::string::npos) << trace;
}

TEST_F(ExpectedExecTest, SheetFromTheServersMarketWithTheDaysPrices) {
  // The day: 70,500 (the open, below the close of 71,000), 72,000, then 71,500.
  for (int64_t p : {70500, 72000, 71500}) server.trade("005930", p, 10);
  Open();
  ASSERT_TRUE(WaitPrice("71,500"));
  auto g = Grid(kSheet);
  const char* labels[9][2] = {{"예상체결가", "전일대비"},
                              {"예상체결량", "등락율(%)"},
                              {"매도호가", "매수호가"},
                              {"매도잔량", "매수잔량"},
                              {"현재가", "전일대비"},
                              {"거래량", "액면"},
                              {"전일", "시가"},
                              {"상한", "고가"},
                              {"하한", "저가"}};
  for (size_t r = 0; r < 9; ++r) {
    EXPECT_EQ(g[r][0].text, labels[r][0]);
    EXPECT_EQ(g[r][2].text, labels[r][1]);
    EXPECT_EQ(g[r][0].bg, kLabelBack);
    EXPECT_EQ(g[r][2].bg, kLabelBack);
  }
  EXPECT_EQ(g[0][1].text, "71,500");
  EXPECT_EQ(g[0][1].fg, kRed);
  EXPECT_EQ(g[0][3].text, "▲ 500");
  EXPECT_EQ(g[0][3].fg, kRed);
  EXPECT_EQ(g[1][3].fg, kRed);
  EXPECT_EQ(g[4][3].text, "▲ 500");
  EXPECT_EQ(g[5][3].text, "100");
  EXPECT_EQ(g[6][1].text, "71,000");
  EXPECT_EQ(g[6][1].fg, kBlack);
  EXPECT_EQ(g[6][3].text, "70,500");
  EXPECT_EQ(g[6][3].fg, kBlue);
  EXPECT_EQ(g[7][1].text, "92,300");
  EXPECT_EQ(g[7][1].fg, kRed);
  EXPECT_EQ(g[7][3].text, "72,000");
  EXPECT_EQ(g[7][3].fg, kRed);
  EXPECT_EQ(g[8][1].text, "49,700");
  EXPECT_EQ(g[8][1].fg, kBlue);
  EXPECT_EQ(g[8][3].text, "70,500");
  EXPECT_EQ(g[8][3].fg, kBlue);
  EXPECT_TRUE(NoBox());
}

TEST_F(ExpectedExecTest, RecordedReplyColoursQuotesAgainstThePreviousClose) {
  Open();
  ASSERT_TRUE(WaitPrice("71,500"));
  server.setHandler(2250, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    Bytes b(82, 0);
    PutNet(&b[0], 2, 49000);
    b[4] = '5';
    PutNet(&b[5], 2, 1000);
    PutNet(&b[9], 3, 12345678);
    PutNet(&b[15], 2, -10096);  // -1.96 (NET_FLOAT2: -1 and -96)
    PutNet(&b[19], 2, 50000);   // ask at the close: black
    PutNet(&b[23], 2, 49950);   // bid below it: blue
    PutNet(&b[27], 3, 1234);
    PutNet(&b[33], 3, 99999999);
    PutNet(&b[39], 2, 50100);
    b[43] = '3';
    PutNet(&b[44], 2, 0);
    PutNet(&b[48], 3, 777);
    PutNet(&b[54], 2, 500);
    PutNet(&b[58], 2, 50000);
    PutNet(&b[62], 2, 65000);
    PutNet(&b[66], 2, 35000);
    PutNet(&b[70], 2, 50050);  // open above: red
    PutNet(&b[74], 2, 50000);  // high at the close: black
    PutNet(&b[78], 2, 49900);
    r.body = b;
  });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitPrice("50,100"));
  EXPECT_EQ(Cell(0, 1), "49,000");
  EXPECT_EQ(Fg(0, 1), kBlue);
  EXPECT_EQ(Cell(0, 3), "▼ 1,000");
  EXPECT_EQ(Cell(1, 3), "-1.96%");
  EXPECT_EQ(Fg(1, 3), kBlue);
  EXPECT_EQ(Cell(2, 1), "50,000");
  EXPECT_EQ(Fg(2, 1), kBlack);
  EXPECT_EQ(Fg(2, 3), kBlue);
  EXPECT_EQ(Fg(6, 3), kRed);
  EXPECT_EQ(Fg(7, 3), kBlack);
  EXPECT_EQ(Fg(4, 1), kBlack);
  EXPECT_EQ(Cell(4, 3), "  0");
  // The signs of the reply are traced: the expected one, then the current one.
  std::string signs = Trace("\\won_test.txt");
  size_t expected = signs.rfind("exp_daebi_f [5]"), current = signs.rfind("daebi_f [3]");
  ASSERT_NE(expected, std::string::npos) << signs;
  ASSERT_NE(current, std::string::npos) << signs;
  EXPECT_LT(expected, current);

  // A reply one byte short of the sheet is reported and leaves the sheet as it was.
  server.setHandler(2250,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = Bytes(81, 0); });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_NE(TakeBox().find("2250"), std::string::npos);
  Settled();
  EXPECT_EQ(Cell(4, 1), "50,100");
}

TEST_F(ExpectedExecTest, AfterTimeAndSalesPushesOfOtherScreensShowNoBox) {
  // The user comes from time and sales, then a quote board's pushes still reach the program.
  ScreenHost::Open(u"ZR4150.dll");
  ASSERT_TRUE(server.waitForRequest(4140, 5000));
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitPrice("71,500"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 2250}));
  Bytes push(1 + 61, 0);
  push[0] = 1;
  std::memcpy(&push[1], "005930", 6);
  for (uint16_t type : {9110, 9120, 9210, 4140}) server.pushRaw(type, push);
  Settled();
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Cell(4, 1), "71,500");
}

// While the stylus is down on the sheet the one cell under it is marked, not its row.
TEST_F(ExpectedExecTest, TheStylusMarksOneCell) {
  Open();
  ASSERT_TRUE(WaitPrice("71,500"));
  struct Case {
    int row, column;
    const char* selected;
  };
  const int left[] = {0, 60, 118, 178};
  for (const Case& c : {Case{2, 1, "1 2"}, Case{5, 3, "3 5"}, Case{0, 0, "0 0"}}) {
    SCOPED_TRACE(c.selected);
    LPARAM at = MAKELPARAM(left[c.column] + 20, c.row * 22 + 11);
    d->Ui([&] { SendMessage(GetDlgItem(dlg, kSheet), WM_LBUTTONDOWN, MK_LBUTTON, at); });
    EXPECT_EQ(Selected(), c.selected);
    d->Ui([&] { SendMessage(GetDlgItem(dlg, kSheet), WM_LBUTTONUP, 0, at); });
    EXPECT_EQ(Selected(), "-1 -1");
  }
}

// After any reply the item-code combo has the focus: the sheet, the quote alone, or the server's
// message in place of either.
TEST_F(ExpectedExecTest, TheItemComboTakesTheFocusAfterEveryReply) {
  Open();
  ASSERT_TRUE(WaitPrice("71,500"));
  Settled();
  auto silent = [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.send = false; };
  auto refused = [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("알림", "잠시 후 다시 조회하세요.");
  };
  struct Case {
    const char* what;
    simsrv::Handler quote, sheet;
    bool box;
  };
  const auto defaults = simsrv::DefaultHandlers();
  const Case cases[] = {
      {"the sheet alone", silent, defaults.at(2250), false},
      {"the quote alone", defaults.at(4101), silent, false},
      {"the server's message alone", silent, refused, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.setHandler(4101, c.quote);
    server.setHandler(2250, c.sheet);
    d->Ui([&] { SetFocus(GetDlgItem(dlg, 9918)); });
    ASSERT_EQ(Focus(), 9918);
    ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
    if (c.box) ExpectBox("잠시 후 다시 조회하세요.");
    Settled();
    EXPECT_EQ(Focus(), IDC_ITEM_COMBO);
    EXPECT_TRUE(NoBox());
  }
}

}  // namespace
