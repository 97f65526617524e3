// ZR5500 driven as the user drives it, against the simulated trading server: the chart request of
// each period and item kind, the bars of a reply (hundredths, dates, no-value averages, bars
// without trades) as the chart shows them, and the strip of the futures/options item.
#include <algorithm>

#include "screen_host.h"

namespace {

using screentest::Bytes;
using screentest::PutNet;
using Pick = screentest::ScreenHost::FutOptPick;

constexpr int kPeriod = 9904, kMinutes = 9906, kChart = 1500;
const Pick kFutures{u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
const Pick kOption{u"2", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};

// A 37-byte bar with prices in hundredths (groups a, b of a x 100 + b).
struct Bar {
  uint8_t d0, d1, d2;
  int open, high, low, close, ma5, ma20, ma60;
  int64_t volume;
};
void PutHundredths(uint8_t* p, int v) {
  const auto a = static_cast<int16_t>(v / 100), b = static_cast<int16_t>(v % 100);
  screentest::PutU16(p, static_cast<uint16_t>(a));
  screentest::PutU16(p + 2, static_cast<uint16_t>(b));
}
Bytes ChartBody(const std::vector<Bar>& bars, int count) {
  Bytes b(9 + 37 * bars.size(), 0);
  b[8] = static_cast<uint8_t>(count);
  for (size_t i = 0; i < bars.size(); ++i) {
    uint8_t* p = &b[9 + 37 * i];
    const Bar& r = bars[i];
    p[0] = r.d0, p[1] = r.d1, p[2] = r.d2;
    const int v[7] = {r.open, r.high, r.low, r.close, r.ma5, r.ma20, r.ma60};
    for (int k = 0; k < 7; ++k) PutHundredths(p + 3 + 4 * k, v[k]);
    PutNet(p + 31, 3, r.volume);
  }
  return b;
}

class ZR5500Test : public screentest::ScreenTest {
 protected:
  ZR5500Test() : ScreenTest(ZR5500_PLUGIN, u"ZR5500.dll") {}
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
  HWND ChartWnd() { return ::GetDlgItem(dlg, kChart); }
  std::vector<std::string> ChartTexts() {
    std::vector<std::string> out;
    d->Ui([&] {
      RECT r;
      ::GetWindowRect(ChartWnd(), &r);
      if (const plat::Surface* s = plat::win::WindowSurface(ChartWnd()))
        for (const auto& t : s->texts)
          if (t.rect.left >= r.left && t.rect.top >= r.top && t.rect.left < r.right && t.rect.top < r.bottom)
            out.push_back(screentest::Utf8(t.text));
    });
    return out;
  }
  bool Shows(const std::string& text) {
    auto t = ChartTexts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }
  bool Visible(int id) {
    bool v = false;
    d->Ui([&] { v = ::IsWindowVisible(::GetDlgItem(dlg, id)); });
    return v;
  }
  void Answer(uint16_t code, const Bytes& body) {
    server.setHandler(code,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  }
};

TEST_F(ZR5500Test, EachPeriodAndKindAsksForItsBars) {
  size_t mark = server.logSize();
  OpenChart(kOption);
  // The strip first, then the daily bars of an option; the minutes combo hidden.
  EXPECT_EQ(RequestSince(5555, mark), (Bytes{'2', '0', '1', 'C', '3', '1', '8', '5', 2}));
  EXPECT_EQ(RequestSince(5550, mark), (Bytes{'2', '0', '1', 'C', '3', '1', '8', '5'}));
  EXPECT_TRUE(NoneSince(5510, mark));
  EXPECT_EQ(Text(kPeriod), "일봉");
  EXPECT_FALSE(Visible(kMinutes));
  EXPECT_EQ(Text(9903), "C 0703 185.0");  // option names whole
  EXPECT_EQ(Text(3013), "3.50");

  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kPeriod, 0));
  Settled();
  EXPECT_EQ(RequestSince(5500, mark), (Bytes{'2', '0', '1', 'C', '3', '1', '8', '5', 0xFF, 0, 0, 10}));
  EXPECT_TRUE(Visible(kMinutes));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kMinutes, 7));
  Settled();
  EXPECT_EQ(RequestSince(5500, mark), (Bytes{'2', '0', '1', 'C', '3', '1', '8', '5', 0xFF, 0, 0, 60}));

  // A futures pick: 조회 reads it and asks for the strip and its minute bars.
  StoreFutOptItem(kFutures);
  mark = server.logSize();
  d->Tap(IDC_BTN_QUERY);
  Settled();
  EXPECT_EQ(RequestSince(5555, mark), (Bytes{'1', '0', '1', 'C', '3', 0, 0, 0, 1}));
  EXPECT_EQ(RequestSince(5500, mark), (Bytes{'1', '0', '1', 'C', '3', 0, 0, 0, 0xFF, 0, 0, 60}));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kPeriod, 1));
  Settled();
  EXPECT_EQ(RequestSince(5510, mark), (Bytes{'1', '0', '1', 'C', '3', 0, 0, 0}));
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

}  // namespace
