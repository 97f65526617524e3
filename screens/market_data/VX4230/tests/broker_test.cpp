// The item screens of brokers and foreign ownership driven as the user drives them against the
// simulated trading server: the profile and top brokers (VX4230, 4230), then the foreign
// ownership by day (VX4140, 4150) with its pages and keys; requests compared whole, and the focus
// after each packet.
#include <string>
#include <vector>

#include "../../ranking_common/tests/list_checks.h"
#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using listtest::Plain;
using screentest::Bytes;
using screentest::Grouped;

constexpr int kProfile = 1344;
constexpr int kBrokers = 1345;
constexpr int kGrid = 1000;  // VX4140
constexpr int kNext = 9701;
constexpr int kPrev = 9702;
const char* const kRed = "0000FF";
const char* const kBlue = "FF0000";
const char* const kBlack = "000000";
const char* const kLabelBg = "8CDFFF";

class BrokerTest : public quotetest::QuoteScreenTest {
 protected:
  BrokerTest() : QuoteScreenTest(VX4230_PLUGIN, u"VX4230.dll") {}

  // Taps a paging button and returns its whole request once the screen has shown the reply (the
  // screen takes no tap while it waits for one).
  Bytes Page(int button) {
    size_t mark = server.logSize();
    if (!d->Tap(button)) return {};
    Bytes sent = PacketSince(4150, mark);
    Settled();
    return sent;
  }

  simsrv::Item Item(const char* code) {
    return server.withMarket([&](simsrv::Market& m) { return *m.FindItem(code); });
  }
  bool WaitProfile(const std::string& open) {
    return WaitFor([&] {
      auto g = Grid(kProfile);
      return g.size() == 5 && g[0][1].text == open;
    });
  }
};

Bytes Profile(const std::string& code) { return Plain(4230, Bytes(code.begin(), code.end())); }
Bytes Foreign(const std::string& code, uint8_t page, char dir, std::vector<uint8_t> key) {
  Bytes b(code.begin(), code.end());
  b.insert(b.end(), {9, page, uint8_t(dir)});
  b.insert(b.end(), key.begin(), key.end());
  return Plain(4150, b);
}
const std::vector<uint8_t> kBlank = {' ', ' ', ' '};

TEST_F(BrokerTest, ProfileShowsPricesInTheirSignsColoursLimitsAndSize) {
  size_t mark = server.logSize();
  Open();
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4230}));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  EXPECT_EQ(PacketSince(4230, mark), Profile("005930"));
  ASSERT_TRUE(WaitProfile("71,000"));
  auto g = Grid(kProfile);
  const char* labels[5][2] = {{"시 가", "상한가"},
                              {"고 가", "하한가"},
                              {"저 가", "시가총액"},
                              {"액면가", "상장주식수"},
                              {"52최고가", "52최저가"}};
  for (size_t r = 0; r < 5; ++r)
    for (size_t c = 0; c < 2; ++c) {
      EXPECT_EQ(g[r][2 * c].text, labels[r][c]);
      EXPECT_EQ(g[r][2 * c].bg, kLabelBg);
    }
  // Open at the previous close (black), high a tick above the price (red), low a tick below
  // the open (blue); the limits 30% either side, red and blue.
  EXPECT_EQ(g[0][1].fg, kBlack);
  EXPECT_EQ(g[1][1].text, "71,600");
  EXPECT_EQ(g[1][1].fg, kRed);
  EXPECT_EQ(g[2][1].text, "70,900");
  EXPECT_EQ(g[2][1].fg, kBlue);
  EXPECT_EQ(g[0][3].text, "92,300");
  EXPECT_EQ(g[0][3].fg, kRed);
  EXPECT_EQ(g[1][3].text, "49,700");
  EXPECT_EQ(g[1][3].fg, kBlue);
  EXPECT_EQ(g[3][1].text, "100");
  // Market value in hundred millions of won with "억"; listed shares in thousands with "K".
  simsrv::Item it = Item("005930");
  EXPECT_EQ(g[2][3].text, Grouped(it.price * it.listedShares / 100000000) + " 억");
  EXPECT_EQ(g[3][3].text, std::to_string(it.listedShares / 1000) + "K");
  EXPECT_EQ(g[4][1].fg, kRed);

  // Brokers: sellers and buyers with their quantities.
  auto b = Grid(kBrokers);
  ASSERT_EQ(b.size(), 5u);
  EXPECT_EQ(b[0][0].text, "삼성증권");
  EXPECT_EQ(b[0][1].text, Grouped(it.volume * 30 / 300));
  EXPECT_EQ(b[0][2].text, "모건스탠리");
  EXPECT_EQ(b[4][2].text, "신한투자");
  EXPECT_TRUE(NoBox());
}

TEST_F(BrokerTest, BrokersTheServerKeepsAndAMarketValueOfTwelveThousand) {
  server.withMarket([](simsrv::Market& m) {
    simsrv::Item* it = m.FindItem("000660");
    it->sellers = {{"메릴린치", 12345678}};
    it->buyers = {{"키움증권", 5}, {"골드만삭스", 4}};
    it->listedShares = 12345 * 100000000LL / it->price + 1;  // 12,345 hundred millions of won
  });
  Open();
  ASSERT_TRUE(WaitProfile("71,000"));
  size_t mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  ASSERT_TRUE(server.waitForRequest(4230, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4230}));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("000660"));
  EXPECT_EQ(PacketSince(4230, mark), Profile("000660"));
  ASSERT_TRUE(WaitProfile("130,000"));
  EXPECT_EQ(Grid(kProfile)[2][3].text, "12,345 억");
  auto b = Grid(kBrokers);
  ASSERT_EQ(b.size(), 5u);
  EXPECT_EQ(b[0][0].text, "메릴린치");
  EXPECT_EQ(b[0][1].text, "12,345K");  // above 9,999,999: thousands
  EXPECT_EQ(b[0][2].text, "키움증권");
  EXPECT_EQ(b[1][0].text, "");
  EXPECT_EQ(b[1][2].text, "골드만삭스");
  EXPECT_EQ(b[2][2].text, "");
}

TEST_F(BrokerTest, ThenForeignOwnershipPagesWithTheKeyOfEachPage) {
  Open();
  ASSERT_TRUE(WaitProfile("71,000"));
  size_t mark = server.logSize();
  ScreenHost::Open(u"VX4140.dll");
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4150}));
  EXPECT_EQ(PacketSince(4150, mark), Foreign("005930", 1, 'F', kBlank));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 9; }));
  auto g = Grid(kGrid);
  // Today: 71,500, up 500 (0.70%) from 71,000; the price black, mark, change and rate red.
  EXPECT_EQ(g[0][0].text, "26-12-10");
  EXPECT_EQ(g[0][1].text, "71,500");
  EXPECT_EQ(g[0][1].fg, kBlack);
  EXPECT_EQ(g[0][2].text, "▲");
  EXPECT_EQ(g[0][3].text, "500");
  EXPECT_EQ(g[0][4].text, "0.70%");
  for (size_t c = 2; c <= 4; ++c) EXPECT_EQ(g[0][c].fg, kRed);
  EXPECT_NE(g[0][6].text.find('%'), std::string::npos);
  EXPECT_EQ(g[0][7].text, "");
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));

  // 30 days, pages of 9, 9, 9 and 3: each asked for with the date of its first day.
  const std::vector<uint8_t> keys[] = {{26, 11, 27}, {26, 11, 16}, {26, 11, 3}};
  for (int page = 2; page <= 4; ++page) {
    EXPECT_EQ(Page(kNext), Foreign("005930", uint8_t(page), 'N', keys[page - 2])) << page;
    ASSERT_TRUE(WaitFor([&] { return !Grid(kGrid).empty() && Grid(kGrid)[0][0].text != g[0][0].text; }));
    g = Grid(kGrid);
  }
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 3 && !Enabled(kNext); }));
  mark = server.logSize();
  (void)d->Tap(kNext);
  EXPECT_TRUE(NoneSince(4150, mark));
  EXPECT_EQ(Page(kPrev), Foreign("005930", 3, 'P', keys[1]));
  EXPECT_EQ(Page(kPrev), Foreign("005930", 2, 'P', keys[0]));
  // Page 1 goes with three blanks whatever the direction.
  EXPECT_EQ(Page(kPrev), Foreign("005930", 1, 'P', kBlank));
  ASSERT_TRUE(WaitFor([&] { return !Enabled(kPrev); }));

  // A picked item asks for its first page before the quote; an edited one after it.
  ASSERT_FALSE(Page(kNext).empty());
  mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  ASSERT_TRUE(server.waitForRequest(4150, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4150}));
  EXPECT_EQ(PacketSince(4150, mark), Foreign("000660", 1, 'F', kBlank));
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 9 && Grid(kGrid)[0][1].text == "128,500"; }));
  EXPECT_FALSE(Enabled(kPrev));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(IDC_ITEM_COMBO, 0));
  ASSERT_TRUE(server.waitForRequest(4101, 2000, nullptr, mark));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4150, 4101}));
  EXPECT_TRUE(NoBox());
}

TEST_F(BrokerTest, QueryAsksAgainForTheItemAcceptedAndGivesTheItemComboTheFocusAfterEachPacket) {
  // Four characters typed into the combo are not an item: 조회 asks again for 005930.
  Open();
  ASSERT_TRUE(WaitProfile("71,000"));
  TypeInto(IDC_ITEM_COMBO, "0066");
  Settled();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_EQ(PacketSince(4101, mark), listtest::Quote("005930"));
  EXPECT_EQ(PacketSince(4230, mark), Profile("005930"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4230}));
  EXPECT_EQ(Text(9903), "삼성전자");

  const struct {
    const char16_t* plugin;
    uint16_t code;
  } cases[] = {{u"VX4230.dll", 4230}, {u"VX4140.dll", 4150}};
  for (const auto& c : cases) listtest::ExpectFocusOnTheItemComboAfterEachPacket(*this, c.plugin, c.code);
  EXPECT_TRUE(NoBox());
}

}  // namespace
