// ZR5500 driven as the user drives it, against the simulated trading server: the chart request of
// each period and item kind, the bars of a reply (hundredths, dates, no-value averages, bars
// without trades) as the chart shows them, and the strip of the futures/options item.
#include <algorithm>

#include "chart_screen_fixture.h"

namespace {

using chartscreentest::Bar;
using screentest::Bytes;
using Pick = screentest::ScreenHost::FutOptPick;

constexpr int kPeriod = 9904, kMinutes = 9906;
const Pick kFutures{u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
const Pick kOption{u"2", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};

// Every request of the screen carries the plain header it writes itself (bytes 7-14 zero).
Bytes Packet(uint16_t code, const Bytes& body) { return chartscreentest::ScreenWrittenPacket(code, body); }

// A futures/options chart reply: the 8-byte head, the count, the bars with prices in hundredths.
Bytes ChartBody(const std::vector<Bar>& bars, int count) {
  return chartscreentest::ChartBody(bars, count, 8, chartscreentest::Prices::Hundredths);
}

class ZR5500Test : public chartscreentest::ChartScreenTest {
 protected:
  ZR5500Test() : ChartScreenTest(ZR5500_PLUGIN, u"ZR5500.dll") {}
  void SetUp() override {
    baseCode = 5555;
    ScreenTest::SetUp();
  }
  void OpenChart(const Pick& pick) {
    StoreFutOptItem(pick);
    ScreenHost::Open(u"ZR5500.dll");
    ASSERT_FALSE(HasFatalFailure());
    Settled();
  }
};

TEST_F(ZR5500Test, EachPeriodAndKindAsksForItsBars) {
  size_t mark = server.logSize();
  OpenChart(kOption);
  // The strip first, then the daily bars of an option; the minutes combo hidden.
  EXPECT_EQ(PacketSince(5555, mark), Packet(5555, {'2', '0', '1', 'C', '3', '1', '8', '5', 2}));
  EXPECT_EQ(PacketSince(5550, mark), Packet(5550, {'2', '0', '1', 'C', '3', '1', '8', '5'}));
  EXPECT_TRUE(NoneSince(5510, mark));
  EXPECT_EQ(Text(kPeriod), "일봉");
  EXPECT_FALSE(Visible(kMinutes));
  EXPECT_EQ(Text(9903), "C 0703 185.0");  // option names whole
  EXPECT_EQ(Text(3013), "3.50");

  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kPeriod, 0));
  Settled();
  EXPECT_EQ(PacketSince(5500, mark), Packet(5500, {'2', '0', '1', 'C', '3', '1', '8', '5', 0xFF, 0, 0, 10}));
  EXPECT_TRUE(Visible(kMinutes));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kMinutes, 7));
  Settled();
  EXPECT_EQ(PacketSince(5500, mark), Packet(5500, {'2', '0', '1', 'C', '3', '1', '8', '5', 0xFF, 0, 0, 60}));

  // A futures pick: 조회 reads it and asks for the strip and its minute bars.
  StoreFutOptItem(kFutures);
  mark = server.logSize();
  d->Tap(IDC_BTN_QUERY);
  Settled();
  EXPECT_EQ(PacketSince(5555, mark), Packet(5555, {'1', '0', '1', 'C', '3', 0, 0, 0, 1}));
  EXPECT_EQ(PacketSince(5500, mark), Packet(5500, {'1', '0', '1', 'C', '3', 0, 0, 0, 0xFF, 0, 0, 60}));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kPeriod, 1));
  Settled();
  EXPECT_EQ(PacketSince(5510, mark), Packet(5510, {'1', '0', '1', 'C', '3', 0, 0, 0}));
  EXPECT_EQ(Text(3013), "187.00");
  EXPECT_TRUE(NoBox());
}

TEST_F(ZR5500Test, WithoutAnItemOnlyTheStripIsAskedFor) {
  size_t mark = server.logSize();
  nameStatic = 3018;  // no name: the strip's KOSPI200 tells that the reply came
  OpenChart(Pick{});
  EXPECT_EQ(Text(9903), "종목을 선택하세요");
  for (uint16_t code : {5500, 5510, 5550}) EXPECT_TRUE(NoneSince(code, mark)) << code;
  mark = server.logSize();
  d->Tap(IDC_BTN_QUERY);
  Settled();
  EXPECT_TRUE(NoneSince(5555, mark));
  EXPECT_TRUE(NoBox());
}

TEST_F(ZR5500Test, BarsAreReadInHundredthsWithTheirDatesAndGaps) {
  // Three daily bars of 2003: a close of 75.35, a bar without trades, averages missing (-100);
  // the count promises more bars than the body holds.
  Answer(5510, ChartBody({{3, 1, 6, 7500, 7600, 7400, 7535, 7510, -100, -100, 120},
                          {3, 1, 7, 7535, 7900, 7000, 7700, -100, -100, -100, 0},
                          {3, 1, 8, 7540, 7560, 7520, 7550, -100, -100, -100, 40}},
                         127));
  OpenChart(kFutures);
  // Price labels with two decimals within the bars' range (70.00 to 79.00).
  auto priceLabel = [](const std::string& t) { return t.size() == 5 && t[2] == '.' && t >= "69.00" && t <= "80.00"; };
  ASSERT_TRUE(WaitFor([&] {
    auto texts = ChartTexts();
    return std::any_of(texts.begin(), texts.end(), priceLabel);
  })) << ::testing::PrintToString(ChartTexts());
  EXPECT_TRUE(NoBox());
}

TEST_F(ZR5500Test, ServerBarsOfAnOptionAreDrawnAndAnErrorKeepsThem) {
  OpenChart(kOption);
  ASSERT_TRUE(WaitFor([&] { return !ChartTexts().empty(); }));
  // An error reply: the server's message, the bars as they were.
  server.setHandler(5550, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("알림", "조회할 수 없습니다.");
  });
  auto before = ChartTexts();
  d->Tap(IDC_BTN_QUERY);
  ExpectBox("조회할 수 없습니다.");
  Settled();
  EXPECT_EQ(ChartTexts(), before);
}

// Drawing any owner-drawn button hides the shell's bars again, not only the finder button's.
TEST_F(ZR5500Test, EveryOwnerDrawnButtonHidesTheShellBarsAgain) {
  OpenChart(kFutures);
  for (int id : {IDC_BTN_QUERY, IDC_BTN_FQUOTES, IDC_KEY_1, IDC_BTN_EXIT}) {
    SCOPED_TRACE(id);
    d->Ui([&] {
      ::SHFullScreen(dlg, SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON);
      HWND button = ::GetDlgItem(dlg, id);
      ::InvalidateRect(button, nullptr, FALSE);
      ::UpdateWindow(button);
    });
    Settled();
    const plat::win::ShellStateInfo shell = plat::win::ShellState();
    EXPECT_FALSE(shell.taskBarVisible);
    EXPECT_FALSE(shell.sipButtonVisible);
    EXPECT_FALSE(shell.startIconVisible);
  }
}

}  // namespace
