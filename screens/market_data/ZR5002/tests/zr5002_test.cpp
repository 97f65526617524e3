// ZR5002 driven as the user drives it, against the simulated trading server: the chart request of
// each period and item, the bars of a reply as the chart shows them, the lower-pane choices and
// the chart drawn after every reply.
#include <algorithm>
#include <string>
#include <vector>

#include "chart_screen_fixture.h"
#include "devicedata/sample_device.h"

namespace {

using chartscreentest::Bar;
using screentest::Bytes;

constexpr int kPeriod = 9904, kLower = 9905, kMinutes = 9906;

// A stock chart reply: the 18-byte head, the count, the bars with prices in won.
Bytes ChartBody(const std::vector<Bar>& bars, int count) {
  return chartscreentest::ChartBody(bars, count, 18, chartscreentest::Prices::TenThousands);
}

class ZR5002Test : public chartscreentest::ChartScreenTest {
 protected:
  ZR5002Test() : ChartScreenTest(ZR5002_PLUGIN, u"ZR5002.dll") {}
  // The sample device's files, so that typed item codes are checked against its stock list.
  void SetUp() override {
    ChartScreenTest::SetUp();
    if (HasFatalFailure()) return;
    devicedata::Options o;
    o.mainPort = port;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root, o, err)) << err;
    codes.ReadStockCode();
    ASSERT_TRUE(codes.IsExistStockCode(u"00660"));
    ASSERT_FALSE(codes.IsExistStockCode(u"99999"));
  }

  // Opens the screen and waits for its first chart to be drawn.
  void OpenChart() {
    Open();
    ASSERT_FALSE(HasFatalFailure());
    Settled();
  }
};

// The chart requests carry the header the screen writes (bytes 7-14 zero); the base quote comes
// from the packet layer.
Bytes Chart(uint16_t code, const Bytes& body) { return chartscreentest::ScreenWrittenPacket(code, body); }
Bytes BaseQuote(const Bytes& body) { return chartscreentest::PacketLayerPacket(4101, body); }

TEST_F(ZR5002Test, EachPeriodAndItemAsksForItsBars) {
  size_t mark = server.logSize();
  OpenChart();
  // The base quote and the daily bars first, without the minutes byte; the minutes combo is hidden.
  EXPECT_EQ(PacketSince(4101, mark), BaseQuote({'0', '0', '5', '9', '3', '0'}));
  EXPECT_EQ(PacketSince(2510, mark), Chart(2510, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0}));
  EXPECT_FALSE(Visible(kMinutes));
  EXPECT_EQ(Text(kPeriod), "일봉");
  EXPECT_EQ(Text(kLower), "거래량");

  struct Case {
    int period, minutes;
    uint16_t code;
    Bytes body;
    bool minutesShown;
  };
  const Case cases[] = {
      {0, -1, 2500, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0, 10}, true},  // "10분" chosen at first
      {0, 0, 2500, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0, 1}, true},
      {0, 7, 2500, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0, 60}, true},
      {2, -1, 2520, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0}, false},
      {3, -1, 2530, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0}, false},
      {1, -1, 2510, {'0', '0', '5', '9', '3', '0', 0xFF, 0, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    mark = server.logSize();
    if (c.minutes >= 0) {
      ASSERT_TRUE(d->Pick(kMinutes, c.minutes));
    } else {
      ASSERT_TRUE(d->Pick(kPeriod, c.period));
    }
    Settled();
    EXPECT_EQ(PacketSince(c.code, mark), Chart(c.code, c.body));
    EXPECT_EQ(Visible(kMinutes), c.minutesShown);
    for (uint16_t other : {2500, 2510, 2520, 2530}) {
      if (other == c.code) continue;
      EXPECT_TRUE(NoneSince(other, mark)) << other;
    }
  }

  // Another item: the base quote and the chart of the chosen period for it.
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kPeriod, 2));
  Settled();
  mark = server.logSize();
  d->Ui([&] { SetDlgItemText(dlg, IDC_ITEM_COMBO, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_COMBO, "00660"));
  Settled();
  EXPECT_EQ(PacketSince(4101, mark), BaseQuote({'0', '0', '0', '6', '6', '0'}));
  EXPECT_EQ(PacketSince(2520, mark), Chart(2520, {'0', '0', '0', '6', '6', '0', 0xFF, 0, 0}));
  EXPECT_EQ(server.requests(4101, mark).size(), 1u);
  EXPECT_EQ(Text(9903), "SK하이닉스");
  // 조회 asks for both again.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  EXPECT_EQ(PacketSince(4101, mark), BaseQuote({'0', '0', '0', '6', '6', '0'}));
  EXPECT_EQ(PacketSince(2520, mark), Chart(2520, {'0', '0', '0', '6', '6', '0', 0xFF, 0, 0}));
}

// The codes of the item combo's list, newest first.
std::vector<std::string> ListedCodes(screentest::ScreenHost& h) {
  std::vector<std::string> out;
  h.d->Ui([&] {
    HWND combo = ::GetDlgItem(h.dlg, IDC_ITEM_COMBO);
    const int n = static_cast<int>(::SendMessage(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      WCHAR text[32] = {};
      ::SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      out.push_back(screentest::Utf8(text));
    }
  });
  return out;
}

TEST_F(ZR5002Test, AnUnknownTypedCodeIsToldAndNeitherAskedForNorKept) {
  OpenChart();
  const auto listed = ListedCodes(*this);
  size_t mark = server.logSize();
  d->Ui([&] { SetDlgItemText(dlg, IDC_ITEM_COMBO, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_COMBO, "99999"));
  ExpectBox("해당 종목코드[99999]가 존재하지 않습니다.");
  Settled();
  EXPECT_EQ(Focus(), IDC_ITEM_COMBO);
  EXPECT_TRUE(NoneSince(4101, mark));
  EXPECT_TRUE(NoneSince(2510, mark));
  EXPECT_EQ(ListedCodes(*this), listed);
  {
    // The recent codes kept in the registry (none kept at all is fine too).
    CPropCE reg;
    CString name, data;
    if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Recent Code", TRUE)) {
      for (int i = 0; reg.EnumStringValue(i, &name, &data); ++i) EXPECT_NE(data, CString(u"99999"));
    }
  }
  // A known code typed next is asked for and heads the list.
  d->Ui([&] { SetDlgItemText(dlg, IDC_ITEM_COMBO, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_COMBO, "00660"));
  EXPECT_EQ(PacketSince(4101, mark), BaseQuote({'0', '0', '0', '6', '6', '0'}));
  EXPECT_EQ(PacketSince(2510, mark), Chart(2510, {'0', '0', '0', '6', '6', '0', 0xFF, 0, 0}));
  Settled();
  ASSERT_FALSE(ListedCodes(*this).empty());
  EXPECT_EQ(ListedCodes(*this).front(), "00660");
  // Picking it from the list asks for the base quote and the chart once each.
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(IDC_ITEM_COMBO, 0));
  EXPECT_EQ(PacketSince(2510, mark), Chart(2510, {'0', '0', '0', '6', '6', '0', 0xFF, 0, 0}));
  Settled();
  EXPECT_EQ(server.requests(4101, mark).size(), 1u);
  EXPECT_EQ(server.requests(2510, mark).size(), 1u);
  EXPECT_TRUE(NoBox());
}

// Bars and the base quote are read only under status "00"; any other status is the server's
// message, and the chart keeps its bars.
TEST_F(ZR5002Test, AReplyNotMarkedZeroZeroIsTheServersMessage) {
  OpenChart();
  const auto before = ChartTexts();
  const std::string strip = Text(3001);
  ASSERT_FALSE(before.empty());
  const auto defaults = simsrv::DefaultHandlers();
  for (const char* status : {"99", "09", "90"}) {
    for (uint16_t code : {uint16_t{2510}, uint16_t{4101}}) {
      SCOPED_TRACE(std::string(status) + " " + std::to_string(code));
      server.setHandler(code, [status](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
        r.Error("알림", "조회할 수 없습니다.");
        r.status[0] = status[0];
        r.status[1] = status[1];
      });
      ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
      ExpectBox("조회할 수 없습니다.");
      Settled();
      EXPECT_EQ(ChartTexts(), before);
      EXPECT_EQ(Text(3001), strip);
      server.setHandler(code, defaults.at(code));
    }
  }
  EXPECT_TRUE(NoBox());
}

// X ends the program through the main window's WM_CLOSE, without the exit question.
TEST_F(ZR5002Test, XClosesTheMainWindow) {
  OpenChart();
  ClearOwnerLog();
  ASSERT_TRUE(d->Tap(IDC_BTN_EXIT));
  Settled();
  const auto closes = OwnerGot(WM_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].time, 0u);  // posted
  EXPECT_TRUE(OwnerGot(WM_VX_EXIT_APP).empty());
  EXPECT_TRUE(NoBox());
}

// Prices near 71,000 so that an average of -1 read as a price would stretch the axis down to 0.
const std::vector<Bar> kMonthly = {
    {48, 11, 30, 70000, 71000, 69500, 70500, -1, -1, -1, 12345678},
    {49, 12, 31, 70500, 72000, 70000, 71500, -1, -1, -1, 0},
    {50, 1, 31, 71500, 72500, 71000, 72000, 71300, -1, -1, 5000000},
    {51, 2, 28, 72000, 72000, 70500, 71000, 71200, -1, -1, 3000000},
};

TEST_F(ZR5002Test, MonthlyBarsAreDatedByTheirCenturyWindowAndDrawn) {
  OpenChart();
  Answer(2530, ChartBody(kMonthly, 127));  // more bars claimed than the body holds
  ASSERT_TRUE(d->Pick(kPeriod, 3));
  Settled();
  auto t = ChartTexts();
  auto has = [&](const char* s) { return std::find(t.begin(), t.end(), s) != t.end(); };
  // Year 49 is 2049, year 50 is 1950: the year labels where the year changes.
  EXPECT_TRUE(has("2049"));
  EXPECT_TRUE(has("1950"));
  // The four bars and their averages scale the price axis (69,500..72,500 padded and cut to
  // 69,300..72,600, lines every 825); -1 is no average, not a price.
  EXPECT_TRUE(has("70,125") && has("70,950") && has("71,775")) << ::testing::PrintToString(t);
  EXPECT_FALSE(has("0"));
  EXPECT_FALSE(has("-1"));
  // Volumes in thousands of shares: 12,345,678 shares is 12,345 and the axis says so.
  EXPECT_TRUE(has("천주"));
  EXPECT_TRUE(has("4,300") && has("8,600")) << ::testing::PrintToString(t);  // the grid of 0..12,345
  EXPECT_TRUE(NoBox());
}

TEST_F(ZR5002Test, EveryReplyRepaintsTheChartAnEmptyOneAndANegativeCountIncluded) {
  OpenChart();
  const size_t drawn = Inked();
  // The simulated server's hundred daily bars: candles, averages and volume.
  EXPECT_TRUE(Shows("천주"));
  for (uint8_t count : {uint8_t{0}, uint8_t{0xFD}, uint8_t{0x80}}) {
    SCOPED_TRACE(int(count));
    Answer(2510, ChartBody(kMonthly, count));
    ASSERT_TRUE(d->Tap(8110));
    Settled();
    EXPECT_LT(Inked(), drawn / 2);  // the old bars are gone
    EXPECT_FALSE(Shows("72,000"));
    EXPECT_TRUE(NoBox());
    // The next reply with bars draws them again.
    Answer(2510, ChartBody(kMonthly, 4));
    ASSERT_TRUE(d->Tap(8110));
    Settled();
    EXPECT_GT(Inked(), 0u);
  }
  // A reply too short for its count: told, and the chart keeps its bars.
  Answer(2510, Bytes(10, 0));
  ASSERT_TRUE(d->Tap(8110));
  ExpectBox("ERROR : 수신 데이터 길이 오류 (2510)");
}

TEST_F(ZR5002Test, MinuteBarsAreLabelledByTimeAndTraced) {
  OpenChart();
  std::vector<Bar> bars;
  for (int i = 0; i < 30; ++i) {
    int64_t p = 70000 + 100 * (i % 5);
    bars.push_back({uint8_t(9 + i / 6), uint8_t(i % 6 * 10), 0, p, p + 200, p - 200, p + 100, 1, 1, 1, 100000});
  }
  Bytes body = ChartBody(bars, 30);
  Answer(2500, body);
  ASSERT_TRUE(d->Pick(kPeriod, 0));
  Settled();
  // Labels are hour:minute; the averages are the screen's own (the reply's 1 would put 0 on the axis).
  auto t = ChartTexts();
  EXPECT_NE(std::find(t.begin(), t.end(), "10:10"), t.end()) << ::testing::PrintToString(t);
  EXPECT_NE(std::find(t.begin(), t.end(), "13:10"), t.end());
  EXPECT_NE(std::find(t.begin(), t.end(), "70,204"), t.end());
  EXPECT_EQ(std::find(t.begin(), t.end(), "0"), t.end());
  // The whole minute-bar packet is kept in the trace file, replaced by every reply.
  Bytes trace = ReadHost(HostFile("\\chart_tr_2500.bin"));
  ASSERT_EQ(trace.size(), 15 + body.size());
  EXPECT_EQ((Bytes{trace[4], trace[5]}), (Bytes{0x09, 0xC4}));
  EXPECT_EQ(Bytes(trace.begin() + 15, trace.end()), body);
  Answer(2500, ChartBody({}, 0));
  ASSERT_TRUE(d->Pick(kMinutes, 0));
  Settled();
  EXPECT_EQ(ReadHost(HostFile("\\chart_tr_2500.bin")).size(), 15u + 19u);
}

TEST_F(ZR5002Test, AnOverlayStaysUntilALowerPaneChoiceRemovesIt) {
  OpenChart();
  auto green = [&] { return Pixels(0x008200); };  // volume bars, price-by-volume bands
  auto pick = [&](int index) {
    EXPECT_TRUE(d->Pick(kLower, index));
    Settled();
  };
  const size_t volume = green();
  ASSERT_GT(volume, 0u);
  pick(0);  // Bollinger band over the prices
  EXPECT_EQ(green(), volume);
  pick(7);  // price-by-volume: the price pane already has its overlay
  EXPECT_EQ(green(), volume);
  EXPECT_EQ(Text(kLower), "가격대별 거래량");
  pick(5);  // RSI takes the lower pane and removes the Bollinger band
  EXPECT_EQ(green(), 0u);
  pick(7);  // now price-by-volume is drawn
  const size_t bands = green();
  EXPECT_GT(bands, 0u);
  pick(8);  // volume again: the price-by-volume bands go, the volume bars come back
  EXPECT_EQ(green(), volume);
  EXPECT_TRUE(NoBox());
}

}  // namespace
