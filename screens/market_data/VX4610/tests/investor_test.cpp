// The investor screens driven as the user drives them against the simulated trading server:
// today's net buying of the three investor groups with its bar chart (VX4610, 4610), then the
// same groups day by day (VX4240, 4240) with its pages and keys; requests compared whole, what
// "조회" asks for, and the focus after each packet.
#include <algorithm>
#include <string>
#include <vector>

#include "../../ranking_common/tests/list_checks.h"
#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using listtest::Plain;
using screentest::Bytes;

constexpr int kMarket = 1000;  // VX4610's market combo
constexpr int kTable = 1001;
constexpr int kChart = 131;
constexpr int kGrid = 1000;  // VX4240
constexpr int kFigure = 1002;
constexpr int kTrendMarket = 1003;
constexpr int kNext = 9701;
constexpr int kPrev = 9702;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kGrey = 0xC0C0C0;
const char* const kLabelBg = "8CDFFF";

class InvestorTest : public quotetest::QuoteScreenTest {
 protected:
  InvestorTest() : QuoteScreenTest(VX4610_PLUGIN, u"VX4610.dll") {}

  HWND ChartWnd() { return ::GetDlgItem(dlg, kChart); }
  Bytes PickAndCapture(int combo, int index) {
    size_t mark = server.logSize();
    if (!d->Pick(combo, index)) return {};
    Bytes sent = PacketSince(4240, mark);
    Settled();
    return sent;
  }
  // Taps a paging button and returns its whole request once the screen has shown the reply (the
  // screen takes no tap while it waits for one).
  Bytes Page(int button) {
    size_t mark = server.logSize();
    if (!d->Tap(button)) return {};
    Bytes sent = PacketSince(4240, mark);
    Settled();
    return sent;
  }
  // The chart's pixels, row by row, relative to its window.
  struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const { return px[size_t(y) * size_t(width) + size_t(x)]; }
    size_t count(COLORREF c) const { return size_t(std::count(px.begin(), px.end(), c)); }
    // The rows of column x that are colour c.
    std::vector<int> rows(int x, COLORREF c) const {
      std::vector<int> out;
      for (int y = 0; y < height; ++y)
        if (at(x, y) == c) out.push_back(y);
      return out;
    }
  };
  Picture Chart() {
    Picture p;
    HWND w = ChartWnd();
    d->Ui([&] {
      RECT r;
      ::GetWindowRect(w, &r);
      if (const plat::Surface* s = plat::win::WindowSurface(w)) {
        p.width = r.right - r.left, p.height = r.bottom - r.top;
        for (int y = r.top; y < r.bottom; ++y)
          for (int x = r.left; x < r.right; ++x) p.px.push_back(s->pixels[size_t(y) * size_t(s->width) + size_t(x)]);
      }
    });
    return p;
  }
  std::vector<std::string> ChartTexts() {
    std::vector<std::string> out;
    HWND w = ChartWnd();
    d->Ui([&] {
      RECT r;
      ::GetWindowRect(w, &r);
      if (const plat::Surface* s = plat::win::WindowSurface(w))
        for (const auto& t : s->texts)
          if (t.rect.left >= r.left - 60 && t.rect.top >= r.top && t.rect.left < r.right && t.rect.top < r.bottom)
            out.push_back(screentest::Utf8(t.text));
    });
    return out;
  }
  bool Shows(const std::string& text) {
    auto t = ChartTexts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }
  void SetInvestors(int market, simsrv::InvestorFigures f) {
    server.withMarket([&](simsrv::Market& m) { m.Investors(market) = f; });
  }
  bool WaitTable(const std::string& individuals) {
    return WaitFor([&] {
      auto g = Grid(kTable);
      return g.size() == 3 && g[1][1].text == individuals;
    });
  }
};

TEST_F(InvestorTest, NetBuyingAsksPerMarketAndFillsTheTable) {
  size_t mark = server.logSize();
  Open();
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4610}));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  EXPECT_EQ(PacketSince(4610, mark), Plain(4610, {1}));
  ASSERT_TRUE(WaitTable("-3,120"));
  auto g = Grid(kTable);
  const char* head[] = {"순매수", "개인", "외국인", "기관계"};
  for (size_t c = 0; c < 4; ++c) {
    EXPECT_EQ(g[0][c].text, head[c]);
    EXPECT_EQ(g[0][c].bg, kLabelBg);
  }
  EXPECT_EQ(g[1][0].text, "수 량");
  EXPECT_EQ(g[2][0].text, "대 금");
  EXPECT_EQ(g[1][2].text, "4,505");
  EXPECT_EQ(g[1][3].text, "-1,385");
  EXPECT_EQ(g[2][1].text, "-1,523");
  EXPECT_EQ(g[2][2].text, "2,210");
  EXPECT_EQ(g[2][3].text, "-687");

  ASSERT_TRUE(d->Pick(kMarket, 1));
  ASSERT_TRUE(WaitTable("5,230"));
  const simsrv::LogEntry kosdaq = server.requests(4610, mark).back();
  EXPECT_EQ(screentest::WholePacket(kosdaq.header, kosdaq.body), Plain(4610, {2}));
  // 조회: the figures before the quote.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4610, 4101}));
  EXPECT_TRUE(NoBox());
}

TEST_F(InvestorTest, TheTableShowsItsThreeRowsWholeWithoutScrolling) {
  Open();
  ASSERT_TRUE(WaitTable("-3,120"));
  Settled();
  // Down the label column and along the last row: the label background from the top row to the
  // bottom one and the value cells' white across the whole width. A table a pixel too low for its
  // three rows would put scroll bars over the amounts.
  const COLORREF label = 0x8CDFFF, white = 0xFFFFFF, rule = 0xB4B4B4;  // rule: the lines between cells
  std::vector<int> wrong;
  d->Ui([&] {
    RECT g;
    ::GetWindowRect(::GetDlgItem(dlg, kTable), &g);
    const plat::Surface* s = plat::win::WindowSurface(dlg);
    if (!s) return wrong.push_back(-1);
    auto at = [&](int x, int y) { return s->pixels[size_t(y) * size_t(s->width) + size_t(x)]; };
    const int rowTop = g.top + 1 + 2 * 17;  // the amounts row
    for (int y = g.top + 3; y < rowTop + 15; ++y)
      if (at(g.left + 3, y) != label && at(g.left + 3, y) != rule) wrong.push_back(y);
    for (int x = g.left + 62; x < g.right - 3; ++x)
      if (at(x, rowTop + 2) != white && at(x, rowTop + 2) != rule) wrong.push_back(1000 + x);
  });
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " pixels, the first at " << (wrong.empty() ? 0 : wrong[0]);
}

TEST_F(InvestorTest, ChartDrawsBarsFromTheZeroLineOnAScaleOfThreeTicks) {
  Open();
  ASSERT_TRUE(WaitTable("-3,120"));
  Settled();
  Picture p = Chart();
  ASSERT_GT(p.width, 0);
  // Quantities -3,120, 4,505, -1,385: the scale runs from -4,505 to 4,505 in three ticks.
  for (const char* t : {"-4,505", "0", "4,505", "개인", "외국인", "기관계"}) EXPECT_TRUE(Shows(t)) << t;
  EXPECT_FALSE(Shows("2,252"));
  // Foreigners above the zero line in red, the two others below it in blue.
  EXPECT_GT(p.count(kRed), 0u);
  EXPECT_GT(p.count(kBlue), 0u);
  // A column through each bar: blue runs downwards from the zero line, red upwards to it.
  int redX = -1, blueX = -1;
  for (int x = 0; x < p.width && (redX < 0 || blueX < 0); ++x) {
    if (redX < 0 && !p.rows(x, kRed).empty()) redX = x;
    if (blueX < 0 && !p.rows(x, kBlue).empty()) blueX = x;
  }
  ASSERT_GE(redX, 0);
  ASSERT_GE(blueX, 0);
  EXPECT_LT(blueX, redX);  // individuals first
  auto red = p.rows(redX + 2, kRed), blue = p.rows(blueX + 2, kBlue);
  ASSERT_FALSE(red.empty());
  ASSERT_FALSE(blue.empty());
  EXPECT_LE(red.back() + 1, blue.front() + 1);  // red ends where blue starts: the zero line
  EXPECT_GT(blue.size(), red.size() / 2);       // 3,120 of 4,505 against 4,505
  // The grey zero line runs across the plot between the bars.
  EXPECT_GT(p.count(kGrey), 20u);
}

TEST_F(InvestorTest, ChartOfAllNegativeAndOfAllZeroValues) {
  SetInvestors(1, simsrv::InvestorFigures{{-5, -6, -7}, {-300, -200, -100}});
  Open();
  ASSERT_TRUE(WaitTable("-300"));
  Settled();
  Picture p = Chart();
  EXPECT_EQ(p.count(kRed), 0u);
  EXPECT_GT(p.count(kBlue), 0u);
  EXPECT_TRUE(Shows("-300"));
  EXPECT_TRUE(Shows("300"));

  // All zero: the scale -1 to 1, and each bar a red line on the zero line.
  SetInvestors(1, simsrv::InvestorFigures{});
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitTable("0"));
  Settled();
  p = Chart();
  EXPECT_EQ(p.count(kBlue), 0u);
  EXPECT_GT(p.count(kRed), 0u);
  int redRows = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.at(x, y) == kRed) {
        ++redRows;
        break;
      }
  EXPECT_EQ(redRows, 1);
  EXPECT_TRUE(Shows("-1"));
  EXPECT_TRUE(Shows("1"));
  EXPECT_TRUE(NoBox());
}

// VX4240 requests: figure, market, 8 rows, page, direction, key.
Bytes Trend(uint8_t figure, uint8_t market, uint8_t page, char dir, std::vector<uint8_t> key) {
  Bytes b{figure, market, 8, page, uint8_t(dir)};
  for (uint8_t k : key) b.push_back(k);
  return Plain(4240, b);
}
const std::vector<uint8_t> kBlank = {' ', ' ', ' '};

TEST_F(InvestorTest, ThenTheTrendByDayPagesWithTheKeyOfEachPage) {
  Open();
  ASSERT_TRUE(WaitTable("-3,120"));
  size_t mark = server.logSize();
  ScreenHost::Open(u"VX4240.dll");
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4240}));
  EXPECT_EQ(PacketSince(4240, mark), Trend(1, 1, 1, 'F', kBlank));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 8; }));
  auto g = Grid(kGrid);
  // Today: KOSPI 2,500.12, up 9.62 from 2,490.50, and today's net amounts.
  EXPECT_EQ(g[0][0].text, "26-12-10");
  EXPECT_EQ(g[0][1].text, "2,500.12");
  EXPECT_EQ(g[0][2].text, "▲");
  EXPECT_EQ(g[0][3].text, "9.62");
  for (size_t c = 1; c <= 3; ++c) EXPECT_EQ(g[0][c].fg, "0000FF");
  EXPECT_EQ(g[0][4].text, "-1,523");
  EXPECT_EQ(g[0][5].text, "2,210");
  EXPECT_EQ(g[0][6].text, "-687");
  EXPECT_EQ(g[0][7].text, "");
  EXPECT_EQ(g[1][0].text, "26-12-09");
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));

  // 30 days: pages of 8, 8, 8 and 6, each asked for with the date of its first day.
  const std::vector<uint8_t> keys[] = {{26, 11, 30}, {26, 11, 18}, {26, 11, 6}};
  for (int page = 2; page <= 4; ++page) {
    EXPECT_EQ(Page(kNext), Trend(1, 1, uint8_t(page), 'N', keys[page - 2])) << page;
    ASSERT_TRUE(WaitFor([&] { return Grid(kGrid)[0][0].text != g[0][0].text; }));
    g = Grid(kGrid);
  }
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 6 && !Enabled(kNext); }));
  mark = server.logSize();
  (void)d->Tap(kNext);
  EXPECT_TRUE(NoneSince(4240, mark));
  EXPECT_EQ(Page(kPrev), Trend(1, 1, 3, 'P', keys[1]));
  EXPECT_EQ(Page(kPrev), Trend(1, 1, 2, 'P', keys[0]));
  EXPECT_EQ(Page(kPrev), Trend(1, 1, 1, 'P', kBlank));
  ASSERT_TRUE(WaitFor([&] { return !Enabled(kPrev) && Grid(kGrid)[0][0].text == "26-12-10"; }));
  mark = server.logSize();
  (void)d->Tap(kPrev);
  EXPECT_TRUE(NoneSince(4240, mark));

  // Quantities of KOSDAQ start again at page 1.
  EXPECT_EQ(PickAndCapture(kFigure, 1), Trend(2, 1, 1, 'F', kBlank));
  EXPECT_EQ(PickAndCapture(kTrendMarket, 1), Trend(2, 2, 1, 'F', kBlank));
  ASSERT_TRUE(WaitFor([&] {
    auto x = Grid(kGrid);
    return x.size() == 8 && x[0][4].text == "5,230";
  }));
  EXPECT_EQ(Grid(kGrid)[0][1].text, "850.34");
  EXPECT_EQ(Grid(kGrid)[0][2].text, "▼");
  EXPECT_TRUE(NoBox());
}

TEST_F(InvestorTest, TrendStopsAtTheLastPageItsKeyTableHolds) {
  // A server that always offers a further page.
  server.setHandler(4240, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    Bytes b(6 + 24, 0);
    b[1] = 1, b[2] = 1;
    b[3] = q.body.size() > 3 ? q.body[3] : 0, b[4] = 1, b[5] = 1;  // key: the page's number
    b[6] = 26, b[7] = 1, b[8] = 1;
    b[6 + 11] = '3';
    screentest::PutNet(&b[6 + 12], 2, q.body.size() > 3 ? q.body[3] : 0);  // individuals: the page
    r.body = b;
  });
  ScreenHost::Open(u"VX4240.dll");
  auto shows = [&](int page) {
    auto g = Grid(kGrid);
    return g.size() == 1 && g[0][4].text == std::to_string(page);
  };
  ASSERT_TRUE(WaitFor([&] { return shows(1); }));
  for (int page = 2; page <= 101; ++page) {
    ASSERT_TRUE(d->Tap(kNext)) << page;
    ASSERT_TRUE(WaitFor([&] { return shows(page); })) << page;
  }
  // Page 101 is the table's last: its reply's key has no slot, and "다음" stops.
  const simsrv::LogEntry last = server.requests(4240, 0).back();
  EXPECT_EQ(screentest::WholePacket(last.header, last.body), Trend(1, 1, 101, 'N', {100, 1, 1}));
  EXPECT_FALSE(Enabled(kNext));
  size_t mark = server.logSize();
  (void)d->Tap(kNext);
  EXPECT_TRUE(NoneSince(4240, mark));
}

TEST_F(InvestorTest, QueryAsksAgainForTheItemAcceptedAndTheTrendFromItsFirstPage) {
  // Four characters typed into the combo are not an item: 조회 asks again for 005930, VX4610 its
  // figures first, VX4240 its first page after the quote.
  Open();
  ASSERT_TRUE(WaitTable("-3,120"));
  TypeInto(IDC_ITEM_COMBO, "0066");
  Settled();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_EQ(PacketSince(4610, mark), Plain(4610, {1}));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4610, 4101}));

  ScreenHost::Open(u"VX4240.dll");
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 8 && Enabled(kNext); }));
  EXPECT_EQ(Page(kNext), Trend(1, 1, 2, 'N', {26, 11, 30}));
  TypeInto(IDC_ITEM_COMBO, "0066");
  Settled();
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  EXPECT_EQ(PacketSince(4240, mark), Trend(1, 1, 1, 'F', kBlank));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4240}));
  ASSERT_TRUE(WaitFor([&] { return !Enabled(kPrev) && Grid(kGrid)[0][0].text == "26-12-10"; }));
  EXPECT_EQ(Text(9903), "삼성전자");
  EXPECT_TRUE(NoBox());
}

TEST_F(InvestorTest, TheItemComboHasTheFocusAfterTheQuoteAndAfterTheServersMessage) {
  const struct {
    const char16_t* plugin;
    uint16_t code;
  } cases[] = {{u"VX4610.dll", 4610}, {u"VX4240.dll", 4240}};
  for (const auto& c : cases) listtest::ExpectFocusOnTheItemComboAfterEachPacket(*this, c.plugin, c.code);
  EXPECT_TRUE(NoBox());
}

}  // namespace
