// The stylus on the chart: the crosshair with its read-out (drawn with an inverting pen, so the
// picture comes back whole), its limits to the bars shown, taps on a chart without bars, and the
// drag of the border between panes with its limits.
#include "chart/colours.h"
#include "chart_fixture.h"

namespace charttest {
namespace {

using plat::win::Stylus;

class StylusTest : public ChartWindowTest {
 protected:
  std::u16string ReadoutText() const {
    const CRect& r = wnd_->readout_rect[0];
    for (const auto& t : Texts())
      if (t.rect.left == r.left && t.rect.top == r.top) return t.text;
    return u"";
  }
};

TEST_F(StylusTest, CrosshairFollowsTheStylusAndLeavesNothingBehind) {
  LoadReferenceBars(data_);
  Repaint();
  const std::vector<COLORREF> before = Pixels();
  Stylus(Stylus::Down, 60, 100);
  ASSERT_EQ(wnd_->mouse_mode, chart::kMouseCrosshair);
  const int bar = wnd_->readout_bar;
  EXPECT_GE(bar, wnd_->first_index);
  EXPECT_LE(bar, wnd_->last_index);
  const int step = wnd_->bar_width + wnd_->bar_gap;
  EXPECT_EQ((wnd_->cross.x - wnd_->panes[0].inner.left - wnd_->bar_width / 2) % step, 0);  // on a bar's centre
  // The vertical line inverts the picture down through both panes.
  const int x = wnd_->cross.x;
  EXPECT_EQ(At(x, wnd_->panes[1].inner.top + 30),
            0xFFFFFF ^ before[static_cast<size_t>((wnd_->panes[1].inner.top + 30) * kWidth + x)]);
  EXPECT_EQ(ReadoutText(), wnd_->ReadoutFirstLine(bar).str());
  // The second line: the three averages, each in its overlay colour.
  const std::u16string parts[3] = {u"5 (", u"20 (", u"60 ("};
  for (int q = 0; q < 3; ++q) {
    const std::u16string want = parts[q] + chart::FormatReadoutValue(data_.bars[bar].ma[q], 0).str() + u") ";
    bool found = false;
    for (const auto& t : Texts())
      if (t.text == want) {
        found = true;
        EXPECT_EQ(t.color, chart::colour::kOverlay[q]) << q;
      }
    EXPECT_TRUE(found) << q;
  }

  Stylus(Stylus::Move, 120, 60);
  EXPECT_NE(wnd_->readout_bar, bar);
  EXPECT_EQ(ReadoutText(), wnd_->ReadoutFirstLine(wnd_->readout_bar).str());
  Stylus(Stylus::Move, 90, 130);
  Stylus(Stylus::Up, 90, 130);
  EXPECT_EQ(wnd_->mouse_mode, chart::kMouseNone);
  EXPECT_TRUE(Pixels() == before) << "the crosshair or the read-out left pixels behind";
  EXPECT_FALSE(Shows(wnd_->ReadoutFirstLine(wnd_->readout_bar).str()));
}

TEST_F(StylusTest, CrosshairStaysOnTheBarsShown) {
  LoadBars(data_, Trend(20, 1000, 10));
  Repaint();
  // Right of the newest bar: on the newest bar's centre, and moving further right keeps it there.
  Stylus(Stylus::Down, wnd_->panes[0].inner.right - 4, 60);
  ASSERT_EQ(wnd_->mouse_mode, chart::kMouseCrosshair);
  EXPECT_EQ(wnd_->readout_bar, 19);
  EXPECT_EQ(wnd_->cross.x, wnd_->BarCentre(19));
  Stylus(Stylus::Move, wnd_->panes[0].inner.right - 1, 70);
  EXPECT_EQ(wnd_->cross.x, wnd_->BarCentre(19));
  // From a bar inside, a move right of the newest bar leaves the crosshair and its read-out
  // where they were.
  Stylus(Stylus::Move, wnd_->BarCentre(10), 80);
  ASSERT_EQ(wnd_->readout_bar, 10);
  Stylus(Stylus::Move, wnd_->BarCentre(19) + wnd_->bar_width + wnd_->bar_gap, 90);
  EXPECT_EQ(wnd_->readout_bar, 10);
  EXPECT_EQ(wnd_->cross, CPoint(wnd_->BarCentre(10), 80));
  EXPECT_EQ(ReadoutText(), wnd_->ReadoutFirstLine(10).str());
  // Left of the oldest bar: on the oldest bar.
  Stylus(Stylus::Move, 0, 70);
  EXPECT_EQ(wnd_->readout_bar, 0);
  EXPECT_EQ(wnd_->cross.x, wnd_->BarCentre(0));
  Stylus(Stylus::Up, 0, 70);
  // A minute chart's read-out starts with the time; hundredths show two decimals.
  wnd_->SetMode(chart::kModeMinute);
  data_.price_format = -100;
  data_.bars[3].time = chart::MakeBarTime(2003, 1, 1, 14, 5);
  data_.bars[3].open = 7535;
  Repaint();
  Stylus(Stylus::Down, wnd_->BarCentre(3), 60);
  ASSERT_EQ(wnd_->readout_bar, 3);
  EXPECT_EQ(ReadoutText().substr(0, 13), u"14:05  75.35 ");
  Stylus(Stylus::Up, wnd_->BarCentre(3), 60);
  // The border's drag line follows the stylus right of the newest bar as well.
  const int border = wnd_->panes[0].outer.bottom;
  const int right = wnd_->panes[0].inner.right - 4;
  Stylus(Stylus::Down, right, border + 2);
  ASSERT_EQ(wnd_->mouse_mode, chart::kMouseBorderDrag);
  Stylus(Stylus::Move, right, border - 30);
  EXPECT_EQ(wnd_->drag_y, border - 30);
  Stylus(Stylus::Up, right, border - 30);
  EXPECT_EQ(wnd_->panes[0].outer.bottom, border - 30);
}

TEST_F(StylusTest, TapsOnAChartWithoutBarsAreIgnored) {
  Repaint();
  const std::vector<COLORREF> before = Pixels();
  Stylus(Stylus::Down, 60, 60);
  EXPECT_EQ(wnd_->mouse_mode, chart::kMouseNone);
  Stylus(Stylus::Move, 80, 70);
  Stylus(Stylus::Up, 80, 70);
  EXPECT_TRUE(Pixels() == before);
  // A reply without bars: still nothing to point at.
  data_.loaded = true;
  data_.SetCount(0);
  Repaint();
  Stylus(Stylus::Down, 60, 60);
  EXPECT_EQ(wnd_->mouse_mode, chart::kMouseNone);
  Stylus(Stylus::Up, 60, 60);
}

TEST_F(StylusTest, BorderDragStopsTwentyPixelsInsideEitherPane) {
  LoadReferenceBars(data_);
  Repaint();
  const int border = wnd_->panes[0].outer.bottom;  // 151
  // Exactly six pixels away is a crosshair, five away a drag.
  Stylus(Stylus::Down, 60, border - 6);
  EXPECT_EQ(wnd_->mouse_mode, chart::kMouseCrosshair);
  Stylus(Stylus::Up, 60, border - 6);
  const std::vector<COLORREF> before = Pixels();
  Stylus(Stylus::Down, 60, border + 5);
  ASSERT_EQ(wnd_->mouse_mode, chart::kMouseBorderDrag);
  // The drag line is an inverted row; points beyond the limits do not move it.
  Stylus(Stylus::Move, 60, 100);
  EXPECT_EQ(wnd_->drag_y, 100);
  EXPECT_EQ(At(150, 100), 0xFFFFFF ^ before[static_cast<size_t>(100 * kWidth + 150)]);
  Stylus(Stylus::Move, 60, 12);
  EXPECT_EQ(wnd_->drag_y, 100);
  Stylus(Stylus::Move, 60, 120);
  EXPECT_EQ(At(150, 100), before[static_cast<size_t>(100 * kWidth + 150)]);
  // Released above the limit: the price pane keeps 20 px inside its frame.
  const int top_limit = wnd_->panes[0].inner.top + 20;
  Stylus(Stylus::Up, 60, 12);
  EXPECT_EQ(wnd_->mouse_mode, chart::kMouseNone);
  EXPECT_EQ(wnd_->panes[0].outer.bottom, top_limit);
  EXPECT_EQ(wnd_->panes[1].outer.top, top_limit - 1);
  EXPECT_EQ(wnd_->panes[1].inner.top, top_limit + 1);
  EXPECT_EQ(wnd_->panes[0].inner.bottom, top_limit - 2);
  EXPECT_EQ(At(100, top_limit - 1), 0x000000);  // repainted with the border in its new place
  // Dragged to the bottom: the lower pane keeps 20 px.
  const int bottom_limit = wnd_->panes[1].inner.bottom - 20;
  Stylus(Stylus::Down, 60, top_limit + 2);
  ASSERT_EQ(wnd_->mouse_mode, chart::kMouseBorderDrag);
  Stylus(Stylus::Up, 60, kHeight - 1);
  EXPECT_EQ(wnd_->panes[0].outer.bottom, bottom_limit);
  EXPECT_EQ(wnd_->panes[1].outer.top, bottom_limit - 1);
}

TEST_F(StylusTest, WithThreePanesTheGrabbedBorderMoves) {
  LoadReferenceBars(data_);
  ASSERT_TRUE(wnd_->AddItem(-1, 109));
  Repaint();
  const int first = wnd_->panes[0].outer.bottom, second = wnd_->panes[1].outer.bottom;
  Stylus(Stylus::Down, 60, second);
  ASSERT_EQ(wnd_->mouse_mode, chart::kMouseBorderDrag);
  Stylus(Stylus::Up, 60, second + 8);
  EXPECT_EQ(wnd_->panes[0].outer.bottom, first);
  EXPECT_EQ(wnd_->panes[1].outer.bottom, second + 8);
  EXPECT_EQ(wnd_->panes[2].outer.top, second + 7);
}

}  // namespace
}  // namespace charttest
