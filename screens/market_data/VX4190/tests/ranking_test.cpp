// The ranking screens driven as the user drives them against the simulated trading server:
// VX4190 (price rankings, 4190), VX4180 (rise and fall, 4180), VX4600 (investors, 4600) and
// ZR4170 (ECN, 4170). The request of each choice as a whole packet, the pages the server's model
// ranks, the more flag that "다음" follows, what each screen shows of a page, what "조회" asks
// for, and the focus after each packet.
#include <cstring>
#include <string>
#include <vector>

#include "../../ranking_common/tests/list_checks.h"
#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using listtest::Plain;
using screentest::Bytes;
using screentest::PutNet;

constexpr int kGrid = 1000;
constexpr int kEcnGrid = 4170;
constexpr int kKinds = 1002;
constexpr int kKospi = 1565;
constexpr int kKosdaq = 1566;
constexpr int kNext = 9701;
constexpr int kPrev = 9702;
constexpr int kEcnMarket = 9904;
constexpr int kEcnSort = 9905;
const char* const kUp = "0000FF";    // red
const char* const kDown = "FF0000";  // blue
const char* const kLabelBg = "8CDFFF";

class RankingTest : public quotetest::QuoteScreenTest {
 protected:
  RankingTest() : QuoteScreenTest(VX4190_PLUGIN, u"VX4190.dll") {}

  // Opens a screen and lets it handle its first page: the page's reply moves the focus to the
  // item combo, which closes a list the test would open meanwhile.
  void Open(const char16_t* plugin = nullptr) {
    QuoteScreenTest::Open(plugin);
    if (!HasFatalFailure()) Settled();
  }

  // `n` more items of one market, rising by 0.1% steps from the first (code "1000nn").
  void AddItems(int n, bool kosdaq, bool ecn = false, int64_t bought = 0) {
    server.withMarket([&](simsrv::Market& m) {
      for (int i = 1; i <= n; ++i) {
        simsrv::Item it;
        char code[16];
        std::snprintf(code, sizeof code, "%d%05d", kosdaq ? 2 : 1, i);
        it.code = code;
        it.name = "종목" + std::to_string(i);
        it.prevClose = 10000;
        it.price = 10000 + 10 * i;
        it.volume = 1000 * i;
        it.kosdaq = kosdaq;
        it.ecn = ecn;
        it.investorBought = bought * i;
        m.SetItem(it);
      }
    });
  }
  // Picks an entry, or taps a button, and returns the whole request it sent once the screen has
  // shown the reply (a tap while a reply arrives may be lost, as on the handheld).
  Bytes PickAndCapture(int combo, int index, uint16_t code) {
    size_t mark = server.logSize();
    if (!d->Pick(combo, index)) return {};
    Bytes sent = PacketSince(code, mark);
    Settled();
    return sent;
  }
  Bytes Page(int button, uint16_t code) {
    size_t mark = server.logSize();
    if (!d->Tap(button)) return {};
    Bytes sent = PacketSince(code, mark);
    Settled();
    return sent;
  }
  bool WaitFirst(int grid, size_t rows, const std::string& name, size_t column = 0) {
    return WaitFor([&] {
      auto g = Grid(grid);
      return g.size() == rows && (rows == 0 || g[0][column].text == name);
    });
  }
  // Taps `button` when it sends nothing: no request of `code` follows.
  bool TapSendsNothing(int button, uint16_t code) {
    size_t mark = server.logSize();
    (void)d->Tap(button);
    return NoneSince(code, mark);
  }
  void Answer(uint16_t code, Bytes body) {
    server.setHandler(code,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  }
};

// One screen's ranking combo: the kind each entry sends, and where the four numbers go.
struct ComboCase {
  const char16_t* plugin;
  uint16_t code;
  int combo;
  std::vector<uint8_t> kinds;  // by entry
  bool rowsFirst;
  uint8_t rows;
};

Bytes Request(const ComboCase& c, uint8_t market, uint8_t kind, uint8_t page) {
  return Plain(c.code, c.rowsFirst ? Bytes{c.rows, page, market, kind} : Bytes{market, kind, page, c.rows});
}

TEST_F(RankingTest, EachChoiceOfEachScreenSendsItsKindMarketAndPageInTheScreensOrder) {
  const ComboCase cases[] = {
      {u"VX4190.dll", 4190, kKinds, {1, 2, 4, 5, 6}, false, 8},
      {u"VX4180.dll", 4180, kKinds, {2, 1, 3, 4, 5}, false, 9},
      {u"VX4600.dll", 4600, kKinds, {1, 2}, true, 9},
      {u"ZR4170.dll", 4170, kEcnSort, {1, 2, 3, 4}, true, 9},
  };
  for (const ComboCase& c : cases) {
    SCOPED_TRACE(screentest::Utf8(c.plugin));
    const bool ecn = c.code == 4170;
    const uint8_t kospi = ecn ? 0 : 1, kosdaq = ecn ? 1 : 2;
    size_t mark = server.logSize();
    Open(c.plugin);
    EXPECT_EQ(PacketSince(c.code, mark), Request(c, kospi, c.kinds[0], 1));
    if (!ecn) {
      EXPECT_TRUE(Checked(kKospi));
    }
    for (size_t i = 0; i < c.kinds.size(); ++i)
      EXPECT_EQ(PickAndCapture(c.combo, static_cast<int>(i), c.code), Request(c, kospi, c.kinds[i], 1)) << i;
    // The other market keeps the kind chosen.
    Bytes other = ecn ? PickAndCapture(kEcnMarket, 1, c.code) : Page(kKosdaq, c.code);
    EXPECT_EQ(other, Request(c, kosdaq, c.kinds.back(), 1));
    if (!ecn) {
      EXPECT_TRUE(Checked(kKosdaq));
      EXPECT_FALSE(Checked(kKospi));
    }
    // "이전" on page 1 sends nothing in any of them.
    EXPECT_TRUE(TapSendsNothing(kPrev, c.code));
  }
  EXPECT_TRUE(NoBox());
}

TEST_F(RankingTest, PriceRankingShowsTheModelsItemsInOrderWithSignsColoursAndVolumes) {
  Open();
  // KOSPI by rise: 현대차 +1.67%, 삼성전자 +0.70%, NAVER unchanged, SK하이닉스 -1.15%.
  ASSERT_TRUE(WaitFirst(kGrid, 4, "현대차"));
  auto g = Grid(kGrid);
  EXPECT_EQ(g[0][1].text, "183,000");
  EXPECT_EQ(g[0][2].text, "▲");
  EXPECT_EQ(g[0][3].text, "3,000");
  EXPECT_EQ(g[0][4].text, "1,234,567");
  for (size_t c = 1; c <= 3; ++c) EXPECT_EQ(g[0][c].fg, kUp);
  EXPECT_EQ(g[0][4].fg, "000000");
  EXPECT_EQ(g[1][0].text, "삼성전자");
  EXPECT_EQ(g[2][0].text, "NAVER");
  EXPECT_EQ(g[2][3].text, "0");
  EXPECT_EQ(g[3][0].text, "SK하이닉스");
  EXPECT_EQ(g[3][2].text, "▼");
  EXPECT_EQ(g[3][3].text, "1,500");
  for (size_t c = 1; c <= 3; ++c) EXPECT_EQ(g[3][c].fg, kDown);
  EXPECT_FALSE(Enabled(kNext));  // one page only
  EXPECT_FALSE(Enabled(kPrev));

  // By fall, the other way round; KOSDAQ by volume: 카카오 and 셀트리온 (the larger first).
  ASSERT_TRUE(d->Pick(kKinds, 1));
  ASSERT_TRUE(WaitFirst(kGrid, 4, "SK하이닉스"));
  ASSERT_TRUE(d->Pick(kKinds, 4));
  Settled();
  ASSERT_TRUE(d->Tap(kKosdaq));
  ASSERT_TRUE(WaitFor([&] {
    auto x = Grid(kGrid);
    return x.size() == 2 && x[0][0].text == "카카오";
  }));
  EXPECT_EQ(Grid(kGrid)[1][0].text, "셀트리온");
  // A volume above 9,999,999 is shown in thousands.
  server.withMarket([](simsrv::Market& m) { m.FindItem("035720")->volume = 23456789; });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitFor([&] {
    auto x = Grid(kGrid);
    return x.size() == 2 && x[0][4].text == "23,456K";
  }));
}

TEST_F(RankingTest, NextFollowsTheMoreFlagInBothPriceScreensAndPreviousGoesBack) {
  AddItems(12, false);  // 16 KOSPI items: pages of 8 (VX4190) and of 9 (VX4180)
  struct Screen {
    const char16_t* plugin;
    uint16_t code;
    uint8_t rows;
    int kindIndex;  // rising
    uint8_t kind;
    size_t secondPage;
  };
  const Screen screens[] = {{u"VX4190.dll", 4190, 8, 0, 1, 8}, {u"VX4180.dll", 4180, 9, 1, 1, 5}};
  for (const Screen& s : screens) {
    SCOPED_TRACE(screentest::Utf8(s.plugin));
    Open(s.plugin);
    if (s.kindIndex) {
      ASSERT_FALSE(PickAndCapture(kKinds, s.kindIndex, s.code).empty());
    }
    // Rising items only in VX4180: the 12 new ones and 삼성전자, 현대차 (14).
    size_t rows = s.code == 4190 ? 8 : 9;
    ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == rows && Enabled(kNext); }));
    EXPECT_FALSE(Enabled(kPrev));
    EXPECT_EQ(Page(kNext, s.code), Plain(s.code, {1, s.kind, 2, s.rows}));
    ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == s.secondPage && !Enabled(kNext); }));
    EXPECT_TRUE(Enabled(kPrev));
    // The last page said there is none further: "다음" sends nothing.
    EXPECT_TRUE(TapSendsNothing(kNext, s.code));
    EXPECT_EQ(Page(kPrev, s.code), Plain(s.code, {1, s.kind, 1, s.rows}));
    ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == rows && Enabled(kNext); }));
    EXPECT_FALSE(Enabled(kPrev));
  }
}

TEST_F(RankingTest, AnEmptyPageKeepsTheRowsInVX4180AndEmptiesVX4190) {
  const struct {
    const char16_t* plugin;
    uint16_t code;
  } cases[] = {{u"VX4190.dll", 4190}, {u"VX4180.dll", 4180}};
  for (const auto& c : cases) {
    SCOPED_TRACE(screentest::Utf8(c.plugin));
    Open(c.plugin);
    // VX4180's first choice (upper limit) has no items; its rising items have 2.
    if (c.code == 4180) {
      ASSERT_TRUE(d->Pick(kKinds, 1));
    }
    ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() >= 2; }));
    size_t before = Grid(kGrid).size();
    Answer(c.code, Bytes{0, 0});
    ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
    if (c.code == 4180) {
      Settled();
      EXPECT_EQ(Grid(kGrid).size(), before);
    } else {
      ASSERT_TRUE(WaitFirst(kGrid, 0, ""));
    }
    EXPECT_FALSE(Enabled(kNext));
  }
}

TEST_F(RankingTest, InvestorRankingHasItsLabelRowAndNetSellingLabelsItsLastColumn) {
  size_t mark = server.logSize();
  Open(u"VX4600.dll");
  // Net buying on KOSPI: 삼성전자 1,070,000, NAVER 45,000, 현대차 44,000, under the label row.
  ASSERT_TRUE(WaitFirst(kGrid, 4, "종목명"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4600}));
  auto g = Grid(kGrid);
  const char* labels[] = {"종목명", "매수수량", "매도수량", "순매수"};
  for (size_t c = 0; c < 4; ++c) {
    EXPECT_EQ(g[0][c].text, labels[c]);
    EXPECT_EQ(g[0][c].bg, kLabelBg);
  }
  EXPECT_EQ(g[1][0].text, "삼성전자");
  EXPECT_EQ(g[1][1].text, "3,250,000");
  EXPECT_EQ(g[1][2].text, "2,180,000");
  EXPECT_EQ(g[1][3].text, "1,070,000");
  EXPECT_EQ(g[2][0].text, "NAVER");
  EXPECT_EQ(g[3][0].text, "현대차");

  ASSERT_TRUE(d->Pick(kKinds, 1));
  ASSERT_TRUE(WaitFor([&] {
    auto x = Grid(kGrid);
    return x.size() == 2 && x[0][3].text == "순매도";
  }));
  EXPECT_EQ(Grid(kGrid)[1][0].text, "SK하이닉스");
  EXPECT_EQ(Grid(kGrid)[1][3].text, "-234,000");

  // 조회: the ranking before the quote.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4600, 4101}));
  EXPECT_EQ(PacketSince(4600, mark), Plain(4600, {9, 1, 1, 2}));
}

TEST_F(RankingTest, EcnRankingNumbersItsRanksAcrossPages) {
  AddItems(24, false, true);  // 25 ECN items on KOSPI: pages of 9, 9 and 7
  size_t mark = server.logSize();
  Open(u"ZR4170.dll");
  // The ranking, then the quote through the packet layer.
  ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4170, 4101}));
  EXPECT_EQ(PacketSince(4101, mark), screentest::PacketLayerRequestPacket(4101, screentest::B("005930")));
  ASSERT_TRUE(WaitFirst(kEcnGrid, 9, "1"));
  auto g = Grid(kEcnGrid);
  // By volume: 삼성전자 (a twentieth of its volume on the ECN) leads the new items (24,000 / 20 and down).
  int64_t ecnVolume = server.withMarket([](simsrv::Market& m) { return m.FindItem("005930")->volume; }) / 20;
  EXPECT_EQ(g[0][1].text, "삼성전자");
  EXPECT_EQ(g[0][2].text, "71,500");
  EXPECT_EQ(g[0][2].fg, "000000");  // the price stays black
  EXPECT_EQ(g[0][3].text, "▲");
  EXPECT_EQ(g[0][3].fg, kUp);
  EXPECT_EQ(g[0][4].fg, kUp);
  EXPECT_EQ(g[0][5].text, screentest::Grouped(ecnVolume));
  EXPECT_EQ(g[0][6].text, screentest::Grouped(ecnVolume * 71500));  // full number, no "K"
  EXPECT_EQ(g[1][1].text, "종목24");
  EXPECT_FALSE(Enabled(kPrev));
  EXPECT_TRUE(Enabled(kNext));

  EXPECT_EQ(Page(kNext, 4170), Plain(4170, {9, 2, 0, 1}));
  ASSERT_TRUE(WaitFirst(kEcnGrid, 9, "10"));
  EXPECT_EQ(Page(kNext, 4170), Plain(4170, {9, 3, 0, 1}));
  ASSERT_TRUE(WaitFirst(kEcnGrid, 7, "19"));
  EXPECT_EQ(Grid(kEcnGrid)[2][0].text, "21");
  EXPECT_EQ(Grid(kEcnGrid)[2][1].text, "종목5");
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_TRUE(TapSendsNothing(kNext, 4170));
  EXPECT_EQ(Page(kPrev, 4170), Plain(4170, {9, 2, 0, 1}));
  ASSERT_TRUE(WaitFirst(kEcnGrid, 9, "10"));
  // Another sort starts again at page 1, 이전 off and 다음 on.
  EXPECT_EQ(PickAndCapture(kEcnSort, 2, 4170), Plain(4170, {9, 1, 0, 3}));
  ASSERT_TRUE(WaitFirst(kEcnGrid, 9, "1"));
  EXPECT_FALSE(Enabled(kPrev));
  EXPECT_EQ(Text(kEcnMarket), "KOSPI");
  EXPECT_TRUE(NoBox());
}

TEST_F(RankingTest, ANewItemAsksForItsQuoteAndOnlyTheEcnRankingAsksAgain) {
  // The market rankings do not depend on the item: a typed code asks for its quote only.
  const struct {
    const char16_t* plugin;
    const char* code;
    const char* name;
    std::vector<int> codes;
  } cases[] = {{u"VX4190.dll", "00660", "SK하이닉스", {4101}},
               {u"VX4600.dll", "05930", "삼성전자", {4101}},
               {u"ZR4170.dll", "00660", "SK하이닉스", {4101, 4170}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(screentest::Utf8(c.plugin));
    ScreenHost::Open(c.plugin);
    Settled();
    size_t mark = server.logSize();
    TypeInto(IDC_ITEM_COMBO, c.code);
    ASSERT_TRUE(WaitFor([&] { return Text(9903) == c.name; }));
    Settled();
    EXPECT_EQ(quotetest::Codes(*this, mark), c.codes);
  }
  // VX4600 answers the host's requery with the quote of the combo's item.
  ScreenHost::Open(u"VX4600.dll");
  Settled();
  size_t mark = server.logSize();
  d->Ui([&] { ::SendMessage(dlg, 1040, 0, 0); });
  Settled();
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101}));
  EXPECT_TRUE(NoBox());
}

TEST_F(RankingTest, ACountBeyondTheBodyAndAPageAtTheLastByteStayInBounds) {
  Open();
  ASSERT_TRUE(WaitFirst(kGrid, 4, "현대차"));
  // The count claims 100 items; the body holds one, named by the page asked for. The more flag
  // always says a page follows.
  server.setHandler(4190, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    Bytes body(2 + 37, 0);
    body[0] = 1, body[1] = 100;
    std::string page = q.body.size() > 2 ? std::to_string(q.body[2]) : "?";
    std::memcpy(&body[8], page.data(), page.size());
    PutNet(&body[20], 2, 5000);
    body[28] = '3';
    r.body = body;
  });
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitFirst(kGrid, 1, "1"));
  // Paging on to page 255, the last one a byte can number: then "다음" stops. Each tap once the
  // page before has come.
  for (int page = 2; page <= 255; ++page) {
    ASSERT_TRUE(d->Tap(kNext)) << page;
    ASSERT_TRUE(WaitFirst(kGrid, 1, std::to_string(page))) << page;
  }
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_TRUE(TapSendsNothing(kNext, 4190));
  const simsrv::LogEntry last = server.requests(4190, 0).back();
  EXPECT_EQ(screentest::WholePacket(last.header, last.body), Plain(4190, {1, 1, 255, 8}));
  EXPECT_TRUE(NoBox());
}

TEST_F(RankingTest, QueryAsksAgainForTheItemAcceptedAtThePageShownAndTheEcnRankingFromPageOne) {
  AddItems(12, false, true, 1000);  // two pages in each of the four rankings
  const struct {
    const char16_t* plugin;
    uint16_t code;
    int kindEntry;  // VX4180: its rising items
    Bytes secondPage, query;
    std::vector<int> order;
    bool packetLayerQuote;
  } cases[] = {
      {u"VX4190.dll", 4190, 0, {1, 1, 2, 8}, {1, 1, 2, 8}, {4101, 4190}, false},
      {u"VX4180.dll", 4180, 1, {1, 1, 2, 9}, {1, 1, 2, 9}, {4101, 4180}, false},
      {u"VX4600.dll", 4600, 0, {9, 2, 1, 1}, {9, 2, 1, 1}, {4600, 4101}, false},
      {u"ZR4170.dll", 4170, 0, {9, 2, 0, 1}, {9, 1, 0, 1}, {4170, 4101}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(screentest::Utf8(c.plugin));
    Open(c.plugin);
    if (c.kindEntry) {
      ASSERT_FALSE(PickAndCapture(kKinds, c.kindEntry, c.code).empty());
    }
    ASSERT_TRUE(WaitFor([&] { return Enabled(kNext); }));
    EXPECT_EQ(Page(kNext, c.code), Plain(c.code, c.secondPage));
    // Four characters typed into the combo are not an item: 조회 asks again for 005930.
    TypeInto(IDC_ITEM_COMBO, "0066");
    Settled();
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
    EXPECT_EQ(PacketSince(c.code, mark), Plain(c.code, c.query));
    const Bytes item = screentest::B("005930");
    EXPECT_EQ(PacketSince(4101, mark),
              c.packetLayerQuote ? screentest::PacketLayerRequestPacket(4101, item) : listtest::Quote("005930"));
    EXPECT_EQ(quotetest::Codes(*this, mark), c.order);
    EXPECT_EQ(Text(9903), "삼성전자");
  }
  EXPECT_TRUE(NoBox());
}

TEST_F(RankingTest, TheItemComboHasTheFocusAfterTheQuoteAndAfterTheServersMessage) {
  const struct {
    const char16_t* plugin;
    uint16_t code;
  } cases[] = {{u"VX4190.dll", 4190}, {u"VX4180.dll", 4180}, {u"VX4600.dll", 4600}};
  for (const auto& c : cases) listtest::ExpectFocusOnTheItemComboAfterEachPacket(*this, c.plugin, c.code);
  EXPECT_TRUE(NoBox());
}

TEST_F(RankingTest, TheEcnMarketComboIsPaintedAsACombo) {
  Open(u"ZR4170.dll");
  // The face of the market combo against that of the sort combo beside it, away from the texts,
  // and no pixel of it in the colour of a title (RGB 200, 200, 10).
  const COLORREF title = RGB(200, 200, 10);
  COLORREF market = 0, sort = 0;
  size_t titled = 0;
  d->Ui([&] {
    RECT m, s;
    ::GetWindowRect(::GetDlgItem(dlg, kEcnMarket), &m);
    ::GetWindowRect(::GetDlgItem(dlg, kEcnSort), &s);
    if (const plat::Surface* f = plat::win::WindowSurface(dlg)) {
      auto at = [&](int x, int y) { return f->pixels[size_t(y) * size_t(f->width) + size_t(x)]; };
      market = at(m.left + 2, m.top + 2);
      sort = at(s.left + 2, s.top + 2);
      for (int y = m.top; y < m.bottom; ++y)
        for (int x = m.left; x < m.right; ++x) titled += at(x, y) == title;
    }
  });
  EXPECT_EQ(titled, 0u);
  EXPECT_EQ(market, sort);
  EXPECT_EQ(Text(kEcnMarket), "KOSPI");
}

}  // namespace
