// The index lists driven as the user drives them against the simulated trading server: sector
// indices (ZR4200, 4200, paged by page number in each market) and foreign indices (ZR4220, 4176,
// by region). The request of each event byte by byte, pages forward and back and across markets,
// the fills with their signs, colours and rates, what an unknown continuation byte, a count beyond
// the body and a name that is no text do, and the user going from one list to the other.
#include <functional>

#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::Bytes;
using screentest::PutNet;
using screentest::PutU16;

constexpr int kSectors = 4200;
constexpr int kForeign = 4220;
constexpr int kChoice = 1002;
constexpr int kNext = 9701;
constexpr int kPrev = 9702;
const char* const kRed = "0000FF";
const char* const kBlue = "FF0000";

Bytes Code(const std::string& code) { return Bytes(code.begin(), code.end()); }

class IndexScreensTest : public quotetest::QuoteScreenTest {
 protected:
  IndexScreensTest() : QuoteScreenTest(ZR4200_PLUGIN, u"ZR4200.dll") {}

  bool WaitFirst(int grid, size_t rows, const std::string& name) {
    return WaitFor([&] {
      auto g = Grid(grid);
      return g.size() == rows && (rows == 0 || g[0][0].text == name);
    });
  }
  // A sector list from the test: continuation, count, then one sector per sign.
  static Bytes Sectors(uint8_t more, uint8_t count, const std::string& signs) {
    Bytes b(2 + 47 * signs.size(), 0);
    b[0] = more, b[1] = count;
    for (size_t i = 0; i < signs.size(); ++i) {
      uint8_t* p = &b[2 + 47 * i];
      std::memcpy(p, "SECTOR", 6);
      p[6] = static_cast<uint8_t>('A' + i);
      PutNet(p + 12, 2, 1000 * 10000 + 50);  // 1,000.50
      PutNet(p + 16, 2, 12 * 10000 + 5);     // 12.05
      p[20] = static_cast<uint8_t>(signs[i]);
      PutU16(p + 21, static_cast<uint16_t>(-1));
      PutU16(p + 23, static_cast<uint16_t>(-5));
      PutNet(p + 25, 3, 2500000);
      PutNet(p + 31, 3, 123456789012);
      PutU16(p + 37, 300), PutU16(p + 39, 2), PutU16(p + 41, 65535), PutU16(p + 43, 0), PutU16(p + 45, 7);
    }
    return b;
  }
  void AnswerSectors(Bytes body) {
    server.setHandler(4200,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  }
};

TEST_F(IndexScreensTest, SectorsPageForwardAndBackInEachMarket) {
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitFirst(kSectors, 7, "음식료품"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4200}));
  EXPECT_EQ(RequestSince(4200, mark), (Bytes{7, 1, '1'}));
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));

  // KOSPI has 21 sectors (pages of 7, 7 and 7), KOSDAQ 10 (7 and 3).
  struct Step {
    const char* what;
    std::function<void()> act;
    Bytes request;  // empty: nothing is sent
    std::string first;
    size_t rows;
    bool prev, next;
  };
  auto tap = [&](int id) { return [this, id] { (void)d->Tap(id); }; };
  const Step steps[] = {
      {"next to page 2", tap(kNext), {7, 2, '1'}, "기계", 7, true, true},
      {"next to page 3", tap(kNext), {7, 3, '1'}, "운수창고", 7, true, false},
      {"next on the last page", tap(kNext), {}, "운수창고", 7, true, false},
      {"previous to page 2", tap(kPrev), {7, 2, '1'}, "기계", 7, true, true},
      {"KOSDAQ from page 2", [&] { ASSERT_TRUE(d->Pick(kChoice, 1)); }, {7, 1, '2'}, "제조", 7, false, true},
      {"previous on page 1", tap(kPrev), {}, "제조", 7, false, true},
      {"next to KOSDAQ page 2", tap(kNext), {7, 2, '2'}, "IT S/W", 3, true, false},
      {"조회 back to page 1", tap(IDC_BTN_QUERY), {7, 1, '2'}, "제조", 7, false, true},
      {"KOSPI again", [&] { ASSERT_TRUE(d->Pick(kChoice, 0)); }, {7, 1, '1'}, "음식료품", 7, false, true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t before = server.logSize();
    s.act();
    if (s.request.empty()) {
      Settled();
      EXPECT_TRUE(NoneSince(4200, before));
    } else {
      ASSERT_TRUE(server.waitForRequest(4200, 2000, nullptr, before));
      EXPECT_EQ(RequestSince(4200, before), s.request);
    }
    ASSERT_TRUE(WaitFirst(kSectors, s.rows, s.first)) << Grid(kSectors).size();
    Settled();
    EXPECT_EQ(Enabled(kPrev), s.prev);
    EXPECT_EQ(Enabled(kNext), s.next);
  }

  // A new item from page 2: page 1 of the market chosen, the list before the quote for an edit.
  ASSERT_TRUE(d->Tap(kNext));
  ASSERT_TRUE(WaitFirst(kSectors, 7, "기계"));
  mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4200, 4101}));
  EXPECT_EQ(RequestSince(4200, mark), (Bytes{7, 1, '1'}));
  EXPECT_EQ(RequestSince(4101, mark), Code("000660"));
  ASSERT_TRUE(WaitFirst(kSectors, 7, "음식료품"));
  Settled();
  EXPECT_FALSE(Enabled(kPrev));
  EXPECT_TRUE(NoBox());
}

TEST_F(IndexScreensTest, SectorFillsFromTheServersMarketAndFromRecordedPages) {
  Open();
  ASSERT_TRUE(WaitFirst(kSectors, 7, "음식료품"));
  auto g = Grid(kSectors);
  // The KOSPI composite is up 0.39%; each sector moves with it, a little apart.
  EXPECT_EQ(g[0][1].text, "2,132.12");
  EXPECT_EQ(g[0][2].text, "▼");
  EXPECT_EQ(g[0][3].text, "2.43");
  EXPECT_EQ(g[0][4].text, "-0.11%");
  for (size_t c = 1; c <= 4; ++c) EXPECT_EQ(g[0][c].fg, kBlue);
  EXPECT_EQ(g[0][6].text, "5,000");
  EXPECT_EQ(g[0][7].text, "3  (1)");
  EXPECT_EQ(g[0][8].text, "2  (0)");
  EXPECT_EQ(g[0][9].text, "1");
  EXPECT_EQ(g[1][0].text, "섬유의복");
  EXPECT_EQ(g[1][4].text, "0.28%");
  EXPECT_EQ(g[1][4].fg, kRed);
  EXPECT_EQ(g[1][6].text, "20,074");

  // Upper limit, no change and lower limit have no rate; a count beyond the body shows the
  // records it holds; an unknown continuation byte leaves "다음" as it was (enabled).
  AnswerSectors(Sectors(7, 200, "1345"));
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitFirst(kSectors, 4, "SECTORA"));
  EXPECT_EQ(Column(kSectors, 4), (std::vector<std::string>{"", "", "", "-1.05%"}));
  g = Grid(kSectors);
  EXPECT_EQ(g[0][1].text, "1,000.50");
  EXPECT_EQ(g[0][2].text, "↑");
  EXPECT_EQ(g[0][6].text, "123,457");
  EXPECT_EQ(g[0][7].text, "300  (2)");
  EXPECT_EQ(g[0][8].text, "65535  (0)");
  EXPECT_EQ(g[0][9].text, "7");
  EXPECT_TRUE(Enabled(kNext));
  // ... and "다음" then asks for nothing.
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  Settled();
  EXPECT_TRUE(NoneSince(4200, mark));

  // A sector name that is no text is reported and nothing of the page is shown.
  Bytes bad = Sectors(0, 1, "2");
  bad[2] = 0x01;
  AnswerSectors(bad);
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_NE(TakeBox().find("4200"), std::string::npos);
  Settled();
  EXPECT_EQ(Grid(kSectors).size(), 4u);
}

TEST_F(IndexScreensTest, ForeignIndicesByRegionAfterTheSectors) {
  Open();
  ASSERT_TRUE(WaitFirst(kSectors, 7, "음식료품"));
  size_t mark = server.logSize();
  ScreenHost::Open(u"ZR4220.dll");
  ASSERT_TRUE(WaitFirst(kForeign, 4, "다우존스"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4176}));
  EXPECT_EQ(RequestSince(4176, mark), Bytes{'1'});
  auto g = Grid(kForeign);
  EXPECT_EQ(g[0][1].text, "9,842.35");
  EXPECT_EQ(g[0][2].text, "▲");
  EXPECT_EQ(g[0][3].text, "4.23");
  for (size_t c = 1; c <= 3; ++c) EXPECT_EQ(g[0][c].fg, kRed);
  EXPECT_EQ(g[0][4].text, "245,300,000");
  EXPECT_EQ(g[1][0].text, "나스닥");
  EXPECT_EQ(g[1][1].fg, kBlue);
  EXPECT_EQ(g[0][5].text, "");

  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<int> codes;
    Bytes region;
    std::vector<std::string> names;
  };
  const Step steps[] = {
      // The Asian list leaves its second index (대만가권) out.
      {"Asia", [&] { ASSERT_TRUE(d->Pick(kChoice, 1)); }, {4176}, {'2'}, {"니케이225", "홍콩항셍", "상해종합"}},
      {"Europe", [&] { ASSERT_TRUE(d->Pick(kChoice, 2)); }, {4176}, {'3'}, {"영국FTSE100", "독일DAX", "프랑스CAC40"}},
      {"조회",
       [&] { ASSERT_TRUE(d->Tap(IDC_BTN_QUERY)); },
       {4101, 4176},
       {'3'},
       {"영국FTSE100", "독일DAX", "프랑스CAC40"}},
      {"typed code", [&] { TypeInto(IDC_ITEM_COMBO, "00660"); }, {4101}, {}, {"영국FTSE100", "독일DAX", "프랑스CAC40"}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    mark = server.logSize();
    s.act();
    ASSERT_TRUE(server.waitForRequest(static_cast<uint16_t>(s.codes.back()), 2000, nullptr, mark));
    ASSERT_TRUE(WaitFor([&] { return Column(kForeign, 0) == s.names; })) << Column(kForeign, 0).size();
    Settled();
    EXPECT_EQ(quotetest::Codes(*this, mark), s.codes);
    EXPECT_EQ(RequestSince(4176, mark), s.region);
  }
  EXPECT_EQ(Grid(kForeign)[1][3].fg, kBlue);
  EXPECT_TRUE(NoBox());
}

// The foreign indices' request whole, as each region asks for it: the plain header (length 16, code
// 4176, '4' at byte 6, every other byte zero) and the region.
TEST_F(IndexScreensTest, ForeignIndicesAskWithWholePlainPackets) {
  size_t mark = server.logSize();
  ScreenHost::Open(u"ZR4220.dll");
  Settled();
  auto sent = server.requests(4176, mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(screentest::WholePacket(sent[0].header, sent[0].body), screentest::PlainRequestPacket(4176, Bytes{'1'}));
  sent = server.requests(4101, mark);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(screentest::WholePacket(sent[0].header, sent[0].body), screentest::PlainRequestPacket(4101, screentest::B("005930")));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(1002, 2));
  Settled();
  sent = server.requests(4176, mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(screentest::WholePacket(sent[0].header, sent[0].body), screentest::PlainRequestPacket(4176, Bytes{'3'}));
}

}  // namespace
