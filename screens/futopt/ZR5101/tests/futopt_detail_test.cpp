// The futures and option detail screens (ZR5101, ZR5150) driven against the simulated trading
// server: the requests on the wire, the grids a reply fills (the simulated server's market: 101C3000
// closed at 186.50 and trades at 187.00, the call 201C3185 closed at 3.20 and trades at 3.50,
// KOSPI200 at 185.25), the option screen's start labels, error and short replies, and a user going
// from the futures detail to the option detail.
#include "quote_fixture.h"

namespace {

using screentest::Bytes;
using screentest::GridRows;
using Pick = screentest::ScreenHost::FutOptPick;

const Pick kNearest{u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
const char* const kRed = "0000FF";
const char* const kBlue = "FF0000";
const char* const kBlack = "000000";
const char* const kLabel = "8CDFFF";

// The texts of a grid's rows, label and value.
std::vector<std::pair<std::string, std::string>> Texts(const GridRows& g) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& row : g) out.emplace_back(row.at(0).text, row.at(1).text);
  return out;
}
using Rows = std::vector<std::pair<std::string, std::string>>;

void PutGroups(Bytes& b, size_t at, int16_t g0, int16_t g1) {
  screentest::PutU16(&b[at], static_cast<uint16_t>(g0));
  screentest::PutU16(&b[at + 2], static_cast<uint16_t>(g1));
}

class FutOptDetailTest : public quotetest::QuoteScreenTest {
 protected:
  void SetUp() override {
    baseCode = 5555;
    QuoteScreenTest::SetUp();
    if (HasFatalFailure()) return;
    StoreFutOptItem(kNearest);
  }
  // The whole request packet of `code` after `mark`, header and body.
  Bytes Packet(uint16_t code, size_t mark) {
    auto all = server.requests(code, mark);
    if (all.empty()) return {};
    Bytes p = all.front().header;
    p.insert(p.end(), all.front().body.begin(), all.front().body.end());
    return p;
  }
  // A 23-byte request: the plain header and the item code, NUL-padded.
  static Bytes Request(uint16_t code, const std::string& item) {
    Bytes p(23, 0);
    p[3] = 23, p[4] = static_cast<uint8_t>(code >> 8), p[5] = static_cast<uint8_t>(code), p[6] = '4';
    for (size_t i = 0; i < item.size() && i < 8; ++i) p[15 + i] = static_cast<uint8_t>(item[i]);
    return p;
  }
  // The server's own reply to `code` for `item`, to be changed by a test.
  Bytes ModelReply(uint16_t code, const std::string& item) {
    return server.withMarket([&](simsrv::Market& m) {
      const simsrv::Derivative& d = *m.FindDerivative(item);
      return code == 5101 ? m.FutOptDetail5101(d) : m.OptionDetail5150(d);
    });
  }
  void Serve(uint16_t code, const Bytes& body) {
    server.setHandler(code,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  }
  // Taps 조회 and waits until the screen has handled what came back.
  void Query() {
    ASSERT_TRUE(d->Tap(8110));
    Settled();
  }
};

TEST_F(FutOptDetailTest, FuturesDetailThenOptionDetail) {
  // ZR5101: its own request first, then the strip's 5555 with the futures flag.
  size_t mark = server.logSize();
  Open("ZR5101");
  ASSERT_TRUE(WaitFor([&] { return Grid(1359).size() == 4; }));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{5101, 5555}));
  EXPECT_EQ(Packet(5101, mark), Request(5101, "101C3"));
  EXPECT_EQ(Packet(5555, mark), screentest::PlainRequestPacket(5555, {'1', '0', '1', 'C', '3', 0, 0, 0, 1}));
  EXPECT_EQ(Text(9903), "200 F 0703");  // the futures name's last 10 characters
  EXPECT_EQ(Text(9910), "101C3");

  const int64_t volume = server.withMarket([](simsrv::Market& m) { return m.FindDerivative("101C3")->volume; });
  GridRows g = Grid(1357);
  EXPECT_EQ(Texts(g), (Rows{{"기준가", "186.50"},
                            {"거래대금", screentest::Grouped(volume * 18700 * 5000 / 1000000) + " 백만원"},
                            {"미결제약정(대비)", "2,314 ( ▲20 )"},
                            {"KOSPI200(대비)", "185.25( ▲1.25 )"}}));
  EXPECT_EQ(g[0][0].bg, kLabel);
  EXPECT_EQ(g[2][1].fg, kRed);
  EXPECT_EQ(g[3][1].fg, kRed);
  EXPECT_EQ(Texts(Grid(1358)), (Rows{{"시/고/저", "186.55/187.05/186.50"},
                                     {"상한/하한", "205.15/167.85"},
                                     {"CB상한/CB하한", "195.80/177.20"},
                                     {"최고가/최저가", "201.96/171.58"}}));
  g = Grid(1359);
  EXPECT_EQ(Texts(g), (Rows{{"최종거래일(잔존)", "07.03.08( 14 일)"},
                            {"시장/이론BASIS", "1.75/0.35"},
                            {"이론가", "185.60"},
                            {"괴리율", "0.75%"}}));
  EXPECT_EQ(g[2][1].fg, kBlue);  // below the close
  EXPECT_EQ(g[3][1].fg, kBlack);

  // Another reply replaces every row: a last trading day of 11 December 2003 fifteen days away,
  // a negative market basis cut to five characters, a falling open interest.
  Bytes reply = ModelReply(5101, "101C3000");
  reply[67] = 3, reply[68] = 12, reply[69] = 11;
  PutGroups(reply, 70, 0, 15);
  PutGroups(reply, 74, -12, -34);
  PutGroups(reply, 78, -1, -5);
  reply[14] = '5';
  Serve(5101, reply);
  mark = server.logSize();
  Query();
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{5555, 5101}));
  g = Grid(1359);
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(g[0][1].text, "03.12.11( 15 일)");
  EXPECT_EQ(g[1][1].text, "-12.3/-1.05");
  EXPECT_EQ(Grid(1357)[2][1].text, "2,314 ( ▼20 )");
  EXPECT_EQ(Grid(1357)[2][1].fg, kBlue);
  EXPECT_EQ(Grid(1357).size(), 4u);

  // ZR5150: the option item of the same pick, its request with the options flag.
  mark = server.logSize();
  Open("ZR5150");
  ASSERT_TRUE(WaitFor([&] { return Grid(5150, 1).size() == 7 && !Grid(5150, 1)[1][1].text.empty(); }));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{5150, 5555}));
  EXPECT_EQ(Packet(5150, mark), Request(5150, "201C3185"));
  EXPECT_EQ(Packet(5555, mark), screentest::PlainRequestPacket(5555, {'2', '0', '1', 'C', '3', '1', '8', '5', 2}));
  EXPECT_EQ(Text(9903), "C 0703 185.0");
  g = Grid(5150, 0);
  EXPECT_EQ(Texts(g), (Rows{{"기 준 가", "3.20"},
                            {"거래대금", "7,122 (백만원)"},
                            {"미결제약정", "2,280 ( ▲217 )"},
                            {"상한/하한", "4.15/2.25"},
                            {"시/고/저", "3.25/3.55/3.20"}}));
  EXPECT_EQ(g[2][1].fg, kRed);
  g = Grid(5150, 1);
  EXPECT_EQ(Texts(g), (Rows{{"이론가", "3.52"},
                            {"델타(1pt)", "0.506250"},
                            {"감 마", "0.039750"},
                            {"베가(1%p)", "0.199500"},
                            {"세타(1일)", "-0.250000"},
                            {"로(1%p)", "0.005600"},
                            {"역사/내재(%)", "21.50 /  20.05"}}));
  EXPECT_EQ(g[0][1].fg, kRed);
  EXPECT_EQ(g[6][0].bg, kLabel);

  // A delta of exactly one half (groups 50 and 0) shows six decimals.
  reply = ModelReply(5150, "201C3185");
  PutGroups(reply, 56, 50, 0);
  Serve(5150, reply);
  Query();
  EXPECT_EQ(Grid(5150, 1)[1][1].text, "0.500000");
}

TEST_F(FutOptDetailTest, OptionScreenStartsWithItsLabelsAndAnErrorReplyKeepsThem) {
  server.setHandler(5150, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("알림", "조회할 자료가 없습니다.");
  });
  Open("ZR5150");
  ExpectBox("조회할 자료가 없습니다.");
  Settled();
  const Rows start{{"이 론 가", ""},  {"델타(1Pt)", ""}, {"감 마", ""},       {"베가(1%p)", ""},
                   {"세타(1일)", ""}, {"로(1%p)", ""},   {"역사/내재(%)", ""}};
  EXPECT_EQ(Texts(Grid(5150, 0)),
            (Rows{{"기 준 가", ""}, {"거래대금", ""}, {"미결제약정", ""}, {"상한/하한", ""}, {"시/고/저", ""}}));
  EXPECT_EQ(Texts(Grid(5150, 1)), start);
  EXPECT_FALSE(plat::win::WaitCursorShown());

  // The server's answer replaces the start labels.
  Serve(5150, ModelReply(5150, "201C3185"));
  Query();
  EXPECT_EQ(Grid(5150, 1)[0][0].text, "이론가");
  EXPECT_EQ(Grid(5150, 1)[1][0].text, "델타(1pt)");
}

// A reply one byte shorter than its layout is reported and nothing of it is shown: the futures
// grids stay empty, the option grids keep their start labels; a whole reply afterwards fills them.
class DetailShortReplyTest : public FutOptDetailTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DetailShortReplyTest, ShortReplyIsReportedAndNothingOfItShown) {
  const std::string screen = GetParam();
  const bool futures = screen == "ZR5101";
  const uint16_t code = futures ? 5101 : 5150;
  const int grid = futures ? 1357 : 5150;
  Bytes whole = ModelReply(code, futures ? "101C3000" : "201C3185");
  Serve(code, Bytes(whole.begin(), whole.end() - 1));
  Open(screen);
  ExpectBox("ERROR : 수신 데이터 길이 오류 (" + std::to_string(code) + ")");
  Settled();
  if (futures)
    EXPECT_TRUE(Grid(grid).empty());
  else
    EXPECT_EQ(Grid(grid, 0)[0][1].text, "");

  Serve(code, whole);
  Query();
  ASSERT_FALSE(Grid(grid).empty());
  EXPECT_EQ(Grid(grid)[0][1].text, futures ? "186.50" : "3.20");
  // A short reply after a whole one leaves what the whole one showed.
  Serve(code, Bytes(whole.begin(), whole.begin() + 19));
  ASSERT_TRUE(d->Tap(8110));
  ExpectBox("ERROR : 수신 데이터 길이 오류 (" + std::to_string(code) + ")");
  Settled();
  EXPECT_EQ(Grid(grid)[0][1].text, futures ? "186.50" : "3.20");
}

INSTANTIATE_TEST_SUITE_P(Screens, DetailShortReplyTest, ::testing::Values("ZR5101", "ZR5150"));

}  // namespace
