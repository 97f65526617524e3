// The investor chart on its own: its scale (bounds symmetric about zero, three or five ticks, the
// all-zero case) and what it draws on a host window for more bars and a taller plot than the
// investor screen gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "investor_chart.h"
#include "plat/windows.h"

namespace {

using vxinvest::CInvestorChart;
using vxinvest::MakeScale;
using vxinvest::Scale;
using vxinvest::ValueY;

std::vector<int64_t> Ticks(const Scale& s) { return std::vector<int64_t>(s.ticks, s.ticks + s.tickCount); }

TEST(InvestorScale, BoundsAreSymmetricAndTicksDependOnThePlotHeight) {
  const struct {
    std::vector<int64_t> values;
    int height;
    std::vector<int64_t> ticks;
  } cases[] = {
      {{-3120, 4505, -1385}, 82, {-4505, 0, 4505}},
      {{-3120, 4505, -1385}, 150, {-4505, 0, 4505}},
      {{-3120, 4505, -1385}, 151, {-4505, -2252, 0, 2252, 4505}},  // halves truncated toward zero
      {{-300, -200, -100}, 100, {-300, 0, 300}},
      {{7}, 200, {-7, -3, 0, 3, 7}},
      {{0, 0, 0}, 100, {-1, 0, 1}},  // nothing to scale: -1 to 1
      {{}, 100, {-1, 0, 1}},
      {{INT64_MIN, 5}, 100, {-INT64_MAX, 0, INT64_MAX}},
  };
  for (const auto& c : cases) {
    Scale s = MakeScale(c.values.data(), static_cast<int>(c.values.size()), c.height);
    EXPECT_EQ(Ticks(s), c.ticks) << c.height;
    EXPECT_EQ(s.lower, -s.upper);
  }
}

TEST(InvestorScale, ValuesMapFromTheTopOfThePlotWithZeroInTheMiddle) {
  int64_t v[] = {-50, 100};
  Scale s = MakeScale(v, 2, 100);
  EXPECT_EQ(ValueY(100, s, 9, 100), 9);
  EXPECT_EQ(ValueY(0, s, 9, 100), 59);
  EXPECT_EQ(ValueY(-100, s, 9, 100), 109);
  EXPECT_EQ(ValueY(-50, s, 9, 100), 84);
  int64_t zero[] = {0};
  Scale z = MakeScale(zero, 1, 100);
  EXPECT_EQ(ValueY(0, z, 9, 100), 59);
}

// A chart on a screen-sized host, `height` pixels high.
class InvestorChartWindow : public ::testing::Test {
 protected:
  static constexpr int kLeft = 4, kTop = 40, kWidth = 236;
  void Make(int height) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"InvestorChartHost";
    RegisterClass(&wc);
    host_ =
        CreateWindow(u"InvestorChartHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
    chart_ = std::make_unique<CInvestorChart>();
    ASSERT_TRUE(chart_->Create(CWnd::FromHandle(host_)));
    chart_->MoveWindow(kLeft, kTop, kWidth, height, FALSE);
    chart_->Layout();
    chart_->ShowWindow(SW_SHOW);
    height_ = height;
    plat::win::PumpMessages();
  }
  void TearDown() override {
    if (chart_) chart_->DestroyWindow();
    chart_.reset();
    if (host_) DestroyWindow(host_);
    plat::win::PumpMessages();
  }
  void Set(const std::vector<int64_t>& values, const std::vector<std::u16string>& labels) {
    std::vector<const WCHAR*> l;
    for (const auto& s : labels) l.push_back(s.c_str());
    chart_->SetValues(values.data(), l.data(), static_cast<int>(values.size()));
    plat::win::PumpMessages();
  }
  COLORREF At(int x, int y) const {
    const plat::Surface* s = plat::win::WindowSurface(chart_->m_hWnd);
    return s->pixels[size_t(kTop + y) * size_t(s->width) + size_t(kLeft + x)];
  }
  // Texts drawn in the chart, with their rectangles relative to it.
  std::vector<plat::TextRecord> Texts() const {
    std::vector<plat::TextRecord> out;
    const plat::Surface* s = plat::win::WindowSurface(chart_->m_hWnd);
    for (plat::TextRecord t : s->texts) {
      if (t.rect.left < kLeft || t.rect.top < kTop || t.rect.left >= kLeft + kWidth || t.rect.top >= kTop + height_)
        continue;
      OffsetRect(&t.rect, -kLeft, -kTop);
      out.push_back(t);
    }
    return out;
  }
  const plat::TextRecord* Text(const std::u16string& text) const {
    static std::vector<plat::TextRecord> keep;
    keep = Texts();
    for (const auto& t : keep)
      if (t.text == text) return &t;
    return nullptr;
  }

  HWND host_ = 0;
  int height_ = 0;
  std::unique_ptr<CInvestorChart> chart_;
};

TEST_F(InvestorChartWindow, ATallPlotHasFiveTicksWithGreyLinesAtTheInnerThree) {
  Make(230);  // plot 9 .. 197: 188 pixels
  Set({-100, 60, 20}, {u"개인", u"외국인", u"기관계"});
  const RECT plot = chart_->Plot(), frame = chart_->Frame();
  EXPECT_EQ(plot.bottom, 230 - 33);
  for (const char16_t* t : {u"-100", u"-50", u"0", u"50", u"100"}) EXPECT_NE(Text(t), nullptr);
  // Tick values end 4 pixels left of the frame, centred on their tick; marks 4 pixels long.
  const plat::TextRecord* zero = Text(u"0");
  ASSERT_NE(zero, nullptr);
  const int zeroY = (plot.top + plot.bottom) / 2;
  EXPECT_LE(zero->rect.right, frame.left - 4);
  EXPECT_NEAR((zero->rect.top + zero->rect.bottom) / 2, zeroY, 2);
  EXPECT_EQ(At(frame.left - 4, zeroY), 0x000000u);
  EXPECT_EQ(At(frame.left - 5, ValueY(100, MakeScale(std::vector<int64_t>{-100}.data(), 1, 188), plot.top, 188)),
            0xFFFFFFu);
  // Grey lines at -50, 0 and 50 between the bars; none at the bounds.
  const Scale s = MakeScale(std::vector<int64_t>{-100, 60, 20}.data(), 3, plot.bottom - plot.top);
  const int gap = plot.left + chart_->SlotWidth() - 1;  // the pixel between the first two bars
  for (int64_t v : {-50, 0, 50}) EXPECT_EQ(At(gap, ValueY(v, s, plot.top, plot.bottom - plot.top)), 0xC0C0C0u) << v;
  // The first bar blue from the zero line down to -100, the second red up to 60.
  const int firstMiddle = plot.left + chart_->SlotWidth() / 2;
  EXPECT_EQ(At(firstMiddle, zeroY + 5), 0xFF0000u);
  EXPECT_EQ(At(firstMiddle, ValueY(-100, s, plot.top, plot.bottom - plot.top) - 1), 0xFF0000u);
  EXPECT_EQ(At(firstMiddle, zeroY - 5), 0xFFFFFFu);
  const int secondMiddle = firstMiddle + chart_->SlotWidth();
  EXPECT_EQ(At(secondMiddle, zeroY - 5), 0x0000FFu);
  EXPECT_EQ(At(secondMiddle, ValueY(60, s, plot.top, plot.bottom - plot.top)), 0x0000FFu);
  EXPECT_EQ(At(secondMiddle, ValueY(60, s, plot.top, plot.bottom - plot.top) - 2), 0xFFFFFFu);
}

TEST_F(InvestorChartWindow, MoreThanFourBarsRaiseTheFrameAndWriteTheirLabelsDownwards) {
  Make(230);
  Set({1, 2, 3, 4}, {u"가나", u"다라", u"마바", u"사아"});
  EXPECT_EQ(chart_->Frame().bottom, 230 - 31);
  const plat::TextRecord* label = Text(u"가나");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->rect.top, chart_->Frame().bottom + 2);

  Set({1, 2, 3, 4, 5}, {u"가나", u"다라", u"마바", u"사아", u"자차"});
  EXPECT_EQ(chart_->Frame().bottom, 230 - 80);
  EXPECT_EQ(chart_->Plot().bottom, 230 - 82);
  EXPECT_EQ(Text(u"가나"), nullptr);
  // One character a line, the second under the first, both centred on the slot.
  auto texts = Texts();
  const plat::TextRecord *ga = nullptr, *na = nullptr;
  for (const auto& t : texts) {
    if (t.text == u"가" && !ga) ga = &t;
    if (t.text == u"나" && !na) na = &t;
  }
  ASSERT_NE(ga, nullptr);
  ASSERT_NE(na, nullptr);
  EXPECT_EQ(ga->rect.top, chart_->Frame().bottom + 2);
  EXPECT_GT(na->rect.top, ga->rect.top);
  EXPECT_EQ(na->rect.left, ga->rect.left);
  EXPECT_EQ(chart_->BarWidth(), chart_->SlotWidth() - 1);
}

TEST_F(InvestorChartWindow, NoBarsDrawNothingAndFiftyAtMost) {
  Make(120);
  Set({}, {});
  EXPECT_TRUE(Texts().empty());
  std::vector<int64_t> many(60, 5);
  std::vector<std::u16string> labels(60, u"x");
  Set(many, labels);
  EXPECT_EQ(chart_->BarCount(), vxinvest::kMaxBars);
  EXPECT_GE(chart_->SlotWidth(), 0);
}

}  // namespace
