// The grid control driven as a screen drives it: taps and scroll actions, notifications, rows,
// cell texts, rendering (pixels and the text log) and the automation hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "device_fixture.h"
#include "glimmet/v_grid.h"
#include "plat/automation.h"

namespace {

using plat::win::Stylus;

static_assert(!std::is_copy_constructible_v<V_Grid> && !std::is_copy_assignable_v<V_Grid>);
static_assert(!std::is_copy_constructible_v<V_Grid_Cell> && !std::is_copy_assignable_v<V_Grid_Cell>);

struct Note {
  int code;
  int column;
  int row;
  bool operator==(const Note& o) const { return code == o.code && column == o.column && row == o.row; }
};
std::ostream& operator<<(std::ostream& os, const Note& n) {
  return os << "{" << n.code << " " << n.column << "," << n.row << "}";
}

std::vector<Note>& Notes() {
  static std::vector<Note> notes;
  return notes;
}

void Record(V_Grid* grid, int code) {
  int c = -9, r = -9;
  grid->get_select_info(&c, &r);
  Notes().push_back({code, c, r});
}

LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_VGRID_NOTIFY) {
    Record(reinterpret_cast<V_Grid*>(lp), static_cast<int>(wp));
    return 0;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

struct Iface : V_Grid_Interface {
  void notify(V_Grid* grid, int code) override { Record(grid, code); }
};

class GridTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    plat::win::ResetForTests();
    plat::clock::UseVirtual(1000000);
    Notes().clear();
    WNDCLASS wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = u"GridHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClass(&wc);
    host_ = CreateWindow(u"GridHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(host_, 0u);
  }
  void TearDown() override {
    grid_.reset();
    DestroyWindow(host_);
    plat::win::PumpMessages();
    DeviceTest::TearDown();
  }

  // A grid at (x, y) of the given outer size (a one-pixel border each side).
  V_Grid* Make(int header, std::vector<int> widths, int rowHeight, int rows, int fixed, int x, int y, int w, int h,
               const WCHAR* const* titles = nullptr) {
    grid_ = std::make_unique<V_Grid>();
    EXPECT_EQ(grid_->init(host_, 500, header, titles, static_cast<int>(widths.size()), widths.data(), rowHeight, rows,
                          nullptr, fixed),
              0);
    grid_->set_location(x, y, w, h);
    grid_->set_visible(1);
    plat::win::PumpMessages();
    return grid_.get();
  }
  static SCROLLINFO Bar(V_Grid* g, int bar) {
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(g->get_hwnd(), bar, &si);
    return si;
  }
  // Stylus on the grid's client point (the grid sits at `gx, gy` with its border).
  void Stylus_(Stylus kind, int cx, int cy) {
    RECT r;
    GetWindowRect(grid_->get_hwnd(), &r);
    plat::win::InjectStylus(kind, r.left + 1 + cx, r.top + 1 + cy);
    plat::win::PumpMessages();
  }
  const plat::Surface& Screen() {
    plat::win::PumpMessages();
    const plat::Surface* s = plat::win::WindowSurface(host_);
    EXPECT_NE(s, nullptr);
    return *s;
  }
  std::vector<std::u16string> ShownTexts() {
    std::vector<std::u16string> out;
    for (const auto& t : Screen().texts) out.push_back(t.text);
    return out;
  }
  bool Shows(const std::u16string& text) {
    for (const auto& t : ShownTexts())
      if (t == text) return true;
    return false;
  }

  HWND host_ = 0;
  std::unique_ptr<V_Grid> grid_;
};

TEST_F(GridTest, ScrollRangesWithAndWithoutBars) {
  struct Case {
    const char* name;
    int header;
    std::vector<int> widths;
    int rows;
    int w, h;
    int vMax, vPage, hMax, hPage;
  } cases[] = {
      // client 90 x 80: header 20 leaves room for 6 rows of 10; 3 x 30 columns fit exactly
      {"all fit", 20, {30, 30, 30}, 6, 92, 82, 0, 0, 0, 0},
      // one row more: the vertical bar takes 13 pixels, so only 2 columns fit; the horizontal bar
      // takes 13 from the height, leaving 4 rows
      {"one row more", 20, {30, 30, 30}, 7, 92, 82, 6, 4, 2, 2},
      {"no header", 0, {30, 30, 30}, 8, 92, 82, 0, 0, 0, 0},
      {"no header, one more", 0, {30, 30, 30}, 9, 92, 82, 8, 6, 2, 2},
      {"one column never scrolls sideways", 0, {200}, 9, 92, 82, 8, 8, 0, 0},
      {"empty", 20, {30, 30, 30}, 0, 92, 82, 0, 0, 0, 0},
      {"columns too wide, rows fit", 20, {60, 60}, 3, 92, 82, 0, 0, 1, 1},
  };
  for (const auto& c : cases) {
    V_Grid* g = Make(c.header, c.widths, 10, c.rows, 0, 0, 0, c.w, c.h);
    SCROLLINFO v = Bar(g, SB_VERT), h = Bar(g, SB_HORZ);
    EXPECT_EQ(v.nMin, 0) << c.name;
    EXPECT_EQ(v.nMax, c.vMax) << c.name;
    if (c.vMax) {
      EXPECT_EQ(static_cast<int>(v.nPage), c.vPage) << c.name;
    }
    EXPECT_EQ(h.nMax, c.hMax) << c.name;
    if (c.hMax) {
      EXPECT_EQ(static_cast<int>(h.nPage), c.hPage) << c.name;
    }
  }
}

TEST_F(GridTest, RowChangesRecomputeTheRanges) {
  // Client 90 x 60: 6 rows fit; the columns fit also beside a vertical bar.
  V_Grid* g = Make(0, {30, 30}, 10, 0, 0, 0, 0, 92, 62);
  for (int i = 0; i < 6; ++i) ASSERT_NE(g->add_row(), nullptr);
  EXPECT_EQ(Bar(g, SB_VERT).nMax, 0);
  ASSERT_NE(g->insert_row(0), nullptr);
  EXPECT_EQ(Bar(g, SB_VERT).nMax, 6);
  ASSERT_EQ(g->remove_row(6), 0);
  EXPECT_EQ(Bar(g, SB_VERT).nMax, 0);
  g->remove_all_row();
  EXPECT_EQ(g->get_row_count(), 0);

  // Two bars that each needed the other's room go away together once everything fits.
  g = Make(0, {30, 30, 30}, 10, 6, 0, 0, 0, 92, 62);  // client 90 x 60: 6 rows and 90 pixels fit
  ASSERT_EQ(Bar(g, SB_VERT).nMax, 0);
  g->add_row();
  EXPECT_EQ(Bar(g, SB_VERT).nMax, 6);
  EXPECT_EQ(Bar(g, SB_HORZ).nMax, 2);
  g->remove_row(0);
  EXPECT_EQ(Bar(g, SB_VERT).nMax, 0);
  EXPECT_EQ(Bar(g, SB_HORZ).nMax, 0);
  RECT rc;
  GetClientRect(g->get_hwnd(), &rc);
  EXPECT_EQ(rc.right, 90);
  EXPECT_EQ(rc.bottom, 60);
}

TEST_F(GridTest, FixedFirstColumnAtAScrollPosition) {
  struct Case {
    int fixed;
    int pos;
    int x;
    int column;
  } cases[] = {
      {1, 2, 10, 0}, {1, 2, 45, 3}, {1, 2, 75, 4}, {1, 2, 115, -1}, {0, 2, 10, 2},
      {0, 2, 35, 3}, {0, 0, 45, 1}, {1, 0, 45, 1}, {1, 1, 41, 2},
  };
  const WCHAR* titles[] = {u"c0", u"c1", u"c2", u"c3", u"c4"};
  for (const auto& c : cases) {
    V_Grid* g = Make(16, {40, 30, 30, 30, 30}, 14, 3, c.fixed, 0, 0, 122, 100, titles);
    g->set_select_flag(VGRID_SELECT_CELL);
    g->manual_scroll_ope(1, SCROLL_OP_ABSOLUTE, c.pos);
    ASSERT_EQ(g->get_left_column(), c.pos);
    Notes().clear();
    Stylus_(Stylus::Tap, c.x, 20);
    ASSERT_GE(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0], (Note{1, c.column, 0})) << "fixed " << c.fixed << " pos " << c.pos << " x " << c.x;
  }
  // What is drawn: with the first column fixed at position 2 the header shows c0, c3, c4.
  V_Grid* g = Make(16, {40, 30, 30, 30, 30}, 14, 3, 1, 0, 0, 122, 100, titles);
  g->manual_scroll_ope(1, SCROLL_OP_ABSOLUTE, 2);
  g->redraw();
  EXPECT_TRUE(Shows(u"c0"));
  EXPECT_FALSE(Shows(u"c1"));
  EXPECT_FALSE(Shows(u"c2"));
  EXPECT_TRUE(Shows(u"c3"));
  EXPECT_TRUE(Shows(u"c4"));
}

TEST_F(GridTest, HeaderTapsGiveNoRow) {
  struct Case {
    int mode;
    Note down;
  } cases[] = {
      {VGRID_SELECT_CELL, {1, 1, -1}},
      {VGRID_SELECT_ROW, {1, -1, -1}},
      {VGRID_SELECT_COLUMN, {1, 1, -1}},
      {0, {1, -1, -1}},
  };
  for (const auto& c : cases) {
    V_Grid* g = Make(16, {40, 40}, 14, 3, 0, 0, 0, 82, 100);
    g->set_select_flag(c.mode);
    Notes().clear();
    Stylus_(Stylus::Tap, 50, 5);
    EXPECT_EQ(Notes(), (std::vector<Note>{c.down, {3, c.down.column, c.down.row}})) << "mode " << c.mode;
  }
}

TEST_F(GridTest, NotificationOrderOfATapAndOfADoubleTap) {
  V_Grid* g = Make(16, {40, 40}, 14, 10, 0, 0, 0, 82, 200);
  ASSERT_EQ(g->set_select_flag(VGRID_SELECT_ROW), 2);
  Stylus_(Stylus::Down, 10, 16 + 5 * 14 + 3);
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, -1, 5}}));
  int col = 0, row = 0;
  V_Grid_Cell* picked = g->get_select_cell(&col, &row);
  EXPECT_EQ(picked, g->get_cell(0, 5));
  EXPECT_EQ(row, 5);
  Stylus_(Stylus::Up, 10, 16 + 5 * 14 + 3);
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, -1, 5}, {3, -1, 5}})) << "stylus up is told while row 5 is selected";
  g->get_select_info(&col, &row);
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
  EXPECT_EQ(g->get_select_cell(nullptr, nullptr), nullptr);

  Notes().clear();
  plat::clock::Advance(2000);
  Stylus_(Stylus::Tap, 50, 16 + 2 * 14 + 3);
  plat::clock::Advance(100);
  Stylus_(Stylus::Tap, 50, 16 + 2 * 14 + 3);
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, -1, 2}, {3, -1, 2}, {2, -1, 2}, {3, -1, 2}}));

  // The same through the interface object; mode 0 tells nobody.
  Iface iface;
  EXPECT_EQ(g->set_if_mode(VGRID_IF_INTERFACE, &iface, 0), VGRID_IF_MESSAGE);
  Notes().clear();
  plat::clock::Advance(2000);
  Stylus_(Stylus::Tap, 50, 16 + 1 * 14 + 3);
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, -1, 1}, {3, -1, 1}}));
  g->set_if_mode(0);
  Notes().clear();
  plat::clock::Advance(2000);
  Stylus_(Stylus::Tap, 50, 16 + 1 * 14 + 3);
  EXPECT_TRUE(Notes().empty());
}

TEST_F(GridTest, ScrollStepsPastTheEnds) {
  struct Case {
    int bar;  // SB_VERT or SB_HORZ
    int start;
    int code;
    int result;
    int pos;
    std::vector<int> notes;
  } cases[] = {
      {SB_VERT, 19, SB_LINEDOWN, -1, 19, {3}}, {SB_VERT, 0, SB_LINEUP, -1, 0, {4}},
      {SB_VERT, 0, SB_PAGEDOWN, 0, 4, {}},     {SB_VERT, 18, SB_PAGEDOWN, 0, 19, {3}},
      {SB_VERT, 2, SB_PAGEUP, 0, 0, {4}},      {SB_VERT, 5, SB_TOP, 0, 0, {}},
      {SB_VERT, 5, SB_BOTTOM, 0, 19, {}},      {SB_VERT, 19, SB_BOTTOM, -1, 19, {}},
      {SB_VERT, 5, SB_ENDSCROLL, -1, 5, {}},   {SB_VERT, 5, SB_LINEDOWN, 0, 6, {}},
      {SB_HORZ, 0, SB_LINELEFT, -1, 0, {5}},   {SB_HORZ, 3, SB_LINERIGHT, -1, 3, {6}},
      {SB_HORZ, 1, SB_PAGELEFT, 0, 0, {5}},    {SB_HORZ, 0, SB_LINERIGHT, 0, 1, {}},
  };
  // 4 columns of 50 in a client 120 wide (with the vertical bar: 107): 2 fit. 20 rows of 10 in
  // a client 57 high (with the horizontal bar: 44): 4 fit.
  V_Grid* g = Make(0, {50, 50, 50, 50}, 10, 20, 0, 0, 0, 122, 59);
  ASSERT_EQ(Bar(g, SB_VERT).nMax, 19);
  ASSERT_EQ(Bar(g, SB_VERT).nPage, 4u);
  ASSERT_EQ(Bar(g, SB_HORZ).nMax, 3);
  for (const auto& c : cases) {
    SCROLLINFO at{sizeof at, SIF_POS, 0, 0, 0, c.start, 0};
    SetScrollInfo(g->get_hwnd(), c.bar, &at, FALSE);
    Notes().clear();
    int r = c.bar == SB_VERT ? g->v_scroll_ope(c.code) : g->h_scroll_ope(c.code);
    EXPECT_EQ(r, c.result) << c.bar << " from " << c.start << " code " << c.code;
    EXPECT_EQ(GetScrollPos(g->get_hwnd(), c.bar), c.pos) << c.bar << " from " << c.start << " code " << c.code;
    std::vector<int> codes;
    for (auto& n : Notes()) codes.push_back(n.code);
    EXPECT_EQ(codes, c.notes) << c.bar << " from " << c.start << " code " << c.code;
  }

  // A step that does not move repaints nothing; one that moves renders once.
  g->redraw();
  plat::win::PumpMessages();
  int renders = g->get_render_count();
  SetScrollPos(g->get_hwnd(), SB_VERT, 19, FALSE);
  SendMessage(g->get_hwnd(), WM_VSCROLL, SB_LINEDOWN, 0);
  plat::win::PumpMessages();
  EXPECT_EQ(g->get_render_count(), renders);
  SendMessage(g->get_hwnd(), WM_VSCROLL, SB_LINEUP, 0);
  plat::win::PumpMessages();
  EXPECT_EQ(g->get_render_count(), renders + 1);
  EXPECT_EQ(g->manual_scroll_ope(0, SCROLL_OP_MIN, 0), 0);
  EXPECT_EQ(g->get_top_row(), 0);
}

TEST_F(GridTest, RowAndCellLookupsStayInsideTheTable) {
  V_Grid* g = Make(16, {40, 40, 40}, 14, 0, 0, 0, 0, 130, 100);
  for (int r = 0; r < 4; ++r) g->add_row()[0].set_text(("r" + std::to_string(r)).c_str(), 0);
  struct Case {
    int index;
    int result;
  } removes[] = {{-1, -1}, {4, -1}, {1, 0}, {3, -1}, {2, 0}};
  for (const auto& c : removes) EXPECT_EQ(g->remove_row(c.index), c.result) << c.index;
  ASSERT_EQ(g->get_row_count(), 2);
  EXPECT_STREQ(g->get_cell(0, 0)->get_text(), "r0");
  EXPECT_STREQ(g->get_cell(0, 1)->get_text(), "r2");

  EXPECT_EQ(g->insert_row(3), nullptr);
  EXPECT_EQ(g->insert_row(-1), nullptr);
  V_Grid_Cell* first = g->insert_row(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[2].get_grid(), g);
  EXPECT_EQ(g->get_row_cell(0), first);

  EXPECT_EQ(g->get_cell(3, 0), nullptr);
  EXPECT_EQ(g->get_cell(-1, 0), nullptr);
  EXPECT_EQ(g->get_cell(0, 3), nullptr);
  EXPECT_EQ(g->get_row_cell(-1), nullptr);
  EXPECT_EQ(g->get_column_cell(3), nullptr);
  V_Grid_Cell** col = g->get_column_cell(1);
  ASSERT_NE(col, nullptr);
  EXPECT_EQ(col[2], g->get_cell(1, 2));
  free(col);
  V_Grid_Cell** rows = g->get_all_cell();
  EXPECT_EQ(rows[1], g->get_row_cell(1));
  free(rows);
  ASSERT_NE(g->get_head_cell(), nullptr);
  EXPECT_EQ(g->get_head_cell()[0].get_bg(), 0x8CDFFFu);
}

TEST_F(GridTest, SetTextLengths) {
  char cp[16] = {};
  WideCharToMultiByte(CP_KOREAN, 0, u"가나", -1, cp, sizeof cp, nullptr, nullptr);
  struct Case {
    const char* text;
    int length;
    std::string narrow;
    std::u16string wide;
  } cases[] = {
      {"abcdef", 0, "abcdef", u"abcdef"},
      {"abcdef", -3, "abcdef", u"abcdef"},
      {"abcdef", 3, "abc", u"abc"},
      {"ab\0cd", 5, "ab", u"ab"},
      {nullptr, 0, "", u""},
      {"", 0, "", u""},
      {cp, 0, cp, u"가나"},
      {cp, 2, std::string(cp, 2), u"가"},
  };
  for (const auto& c : cases) {
    V_Grid_Cell cell;
    cell.set_text("old", 0);
    EXPECT_EQ(cell.set_text(c.text, c.length), 0);
    EXPECT_EQ(std::string(cell.get_text()), c.narrow) << c.length;
    EXPECT_EQ(std::u16string(cell.get_text_wchar()), c.wide) << c.length;
  }
  V_Grid_Cell cell;
  cell.set_text(u"가나다", 2);
  EXPECT_EQ(std::u16string(cell.get_text_wchar()), u"가나");
  EXPECT_EQ(std::string(cell.get_text()), std::string(cp));
  cell.set_text(static_cast<const WCHAR*>(nullptr), 0);
  EXPECT_STREQ(cell.get_text(), "");

  // A cell rewritten on every push: each text replaces the last whole in both copies, and a text
  // that fits where the last one was takes no new memory.
  char ga[4] = {};
  WideCharToMultiByte(CP_KOREAN, 0, u"가", -1, ga, sizeof ga, nullptr, nullptr);
  struct Step {
    const char* narrow;    // given in code page 949, or
    const char16_t* wide;  // in UTF-16
    std::string expectNarrow;
    std::u16string expectWide;
  } steps[] = {
      {"71,600", nullptr, "71,600", u"71,600"},
      {"9", nullptr, "9", u"9"},
      {"9", nullptr, "9", u"9"},
      {nullptr, u"가", ga, u"가"},
      {ga, nullptr, ga, u"가"},
      {nullptr, u"?", "?", u"?"},
      {"1,234,567", nullptr, "1,234,567", u"1,234,567"},
      {"", nullptr, "", u""},
  };
  V_Grid_Cell pushed;
  for (const Step& st : steps) {
    int r = st.narrow ? pushed.set_text(st.narrow, -1) : pushed.set_text(st.wide, -1);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(std::string(pushed.get_text()), st.expectNarrow);
    EXPECT_EQ(std::u16string(pushed.get_text_wchar()), st.expectWide);
  }
  pushed.set_text("100,000", -1);
  const char* narrowAt = pushed.get_text();
  const WCHAR* wideAt = pushed.get_text_wchar();
  pushed.set_text("99,999", -1);
  pushed.set_text(u"100,001", -1);
  EXPECT_EQ(pushed.get_text(), narrowAt);
  EXPECT_EQ(pushed.get_text_wchar(), wideAt);
  EXPECT_STREQ(pushed.get_text(), "100,001");

  // The hidden key keeps binary bytes with their length.
  const char key[] = {'K', 0, 'E', 0, 'Y'};
  ASSERT_EQ(cell.set_res_text(key, 5), 0);
  EXPECT_EQ(cell.get_res_text_len(), 5);
  EXPECT_EQ(std::string(cell.get_res_text(), 5), std::string(key, 5));
  cell.set_res_text("plain", 0);
  EXPECT_EQ(cell.get_res_text_len(), 5);
  cell.set_res_text(nullptr, 0);
  EXPECT_EQ(cell.get_res_text_len(), 0);
}

TEST_F(GridTest, RenderingShowsCellsLinesHeaderAndSelection) {
  const WCHAR* titles[] = {u"A", nullptr};
  // At (10, 20), outer 82 x 60: client origin (11, 21), 80 x 58.
  V_Grid* g = Make(16, {40, 40}, 14, 2, 0, 10, 20, 82, 60, titles);
  g->get_cell(0, 0)->set_text("x1", 0);
  g->get_cell(1, 0)->set_text("y1", 0);
  g->get_cell(1, 0)->set_bg(0x0000FF);
  g->get_cell(0, 1)->set_text(u"가", 0);
  g->get_cell(0, 1)->set_fg(0xFF0000);
  g->get_cell(1, 1)->set_line_flag(0);
  g->redraw();
  const plat::Surface& s = Screen();
  auto px = [&](int cx, int cy) { return s.Row(21 + cy)[11 + cx]; };
  // Header: raised frame around the label colour.
  EXPECT_EQ(px(5, 8), 0x8CDFFFu);
  EXPECT_EQ(px(0, 0), chg_light_color(0x8CDFFF, 1, 80));
  EXPECT_EQ(px(39, 15), chg_light_color(0x8CDFFF, 0, 80));
  // Cells: fills and grid lines (right edge and bottom edge of each cell with line flags 3).
  EXPECT_EQ(px(5, 16 + 7), 0xFFFFFFu);
  EXPECT_EQ(px(45, 16 + 7), 0x0000FFu);
  EXPECT_EQ(px(39, 16 + 7), 0xB4B4B4u);
  EXPECT_EQ(px(5, 16 + 13), 0xB4B4B4u);
  EXPECT_EQ(px(79, 16 + 14 + 7), 0xFFFFFFu) << "line flags 0: no right edge";
  EXPECT_EQ(px(5, 16 + 28 + 5), 0xFFFFFFu) << "grid background below the rows";
  // Texts, right-aligned by default in the cells, centred in the header.
  auto find = [&](const std::u16string& t) -> const plat::TextRecord* {
    for (const auto& r : s.texts)
      if (r.text == t) return &r;
    return nullptr;
  };
  ASSERT_NE(find(u"A"), nullptr);
  ASSERT_NE(find(u"x1"), nullptr);
  ASSERT_NE(find(u"가"), nullptr);
  EXPECT_EQ(find(u"x1")->rect.right, 11 + 40 - 1 - 4);
  EXPECT_EQ(find(u"가")->color, 0xFF0000u);
  EXPECT_EQ(find(u"가")->face, u"돋움");
  EXPECT_LT(find(u"A")->rect.left, 11 + 20);
  EXPECT_GT(find(u"A")->rect.right, 11 + 20);

  // While the stylus is down on row 1 the whole row shows the selection colours.
  Stylus_(Stylus::Down, 20, 16 + 14 + 5);
  const plat::Surface& sel = Screen();
  EXPECT_EQ(sel.Row(21 + 16 + 14 + 7)[11 + 20], 0xB47864u);
  EXPECT_EQ(sel.Row(21 + 16 + 14 + 7)[11 + 60], 0xB47864u);
  EXPECT_EQ(sel.Row(21 + 16 + 7)[11 + 45], 0x0000FFu) << "row 0 keeps its colours";
  const plat::TextRecord* selected = nullptr;
  for (const auto& r : sel.texts)
    if (r.text == u"가") selected = &r;
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(selected->color, 0xFFFFFFu);
  Stylus_(Stylus::Up, 20, 16 + 14 + 5);
  EXPECT_EQ(Screen().Row(21 + 16 + 14 + 7)[11 + 20], 0xFFFFFFu);

  // Line, background and selection colours of the grid.
  EXPECT_EQ(g->set_line_color(0x00FF00), 0xB4B4B4u);
  EXPECT_EQ(g->set_grid_bg(0x123456), 0xFFFFFFu);
  g->set_select_color(0x000000, 0x00FFFF);
  g->redraw();
  EXPECT_EQ(Screen().Row(21 + 16 + 7)[11 + 39], 0x00FF00u);
  EXPECT_EQ(Screen().Row(21 + 16 + 28 + 5)[11 + 5], 0x123456u);
  Stylus_(Stylus::Down, 20, 16 + 5);
  EXPECT_EQ(Screen().Row(21 + 16 + 7)[11 + 20], 0x00FFFFu);
  Stylus_(Stylus::Up, 20, 16 + 5);
}

TEST_F(GridTest, ManyCellChangesAreRenderedOnceByOneRedraw) {
  std::vector<int> widths(8, 40);
  V_Grid* g = Make(18, widths, 16, 0, 1, 0, 26, 240, 294);
  for (int r = 0; r < 100; ++r) {
    V_Grid_Cell* row = g->add_row();
    for (int c = 0; c < 8; ++c) row[c].set_text(("v" + std::to_string(r) + "." + std::to_string(c)).c_str(), 0);
  }
  g->redraw();
  plat::win::PumpMessages();
  int renders = g->get_render_count();
  EXPECT_TRUE(Shows(u"v0.0"));

  for (int i = 0; i < 50; ++i) g->get_cell(i % 8, i / 8)->set_text(("n" + std::to_string(i)).c_str(), 0);
  // A repaint for another reason copies the back buffer: the changes are not shown yet.
  InvalidateRect(g->get_hwnd(), nullptr, FALSE);
  plat::win::PumpMessages();
  EXPECT_EQ(g->get_render_count(), renders);
  EXPECT_FALSE(Shows(u"n0"));

  g->redraw();
  EXPECT_TRUE(Shows(u"n0"));
  EXPECT_TRUE(Shows(u"n9"));
  EXPECT_FALSE(Shows(u"v0.0"));
  EXPECT_EQ(g->get_render_count(), renders + 1);
}

// Filling a shown grid (its scroll bars coming as the rows grow past the page) and redrawing it
// renders it once; emptying it and filling it again does too.
TEST_F(GridTest, FillingManyRowsRendersOnce) {
  std::vector<int> widths(8, 40);
  V_Grid* g = Make(18, widths, 16, 0, 1, 0, 26, 240, 294);
  plat::win::PumpMessages();
  for (int round = 0; round < 2; ++round) {
    const int renders = g->get_render_count();
    g->remove_all_row();
    for (int r = 0; r < 100; ++r) {
      V_Grid_Cell* row = g->add_row();
      for (int c = 0; c < 8; ++c) row[c].set_text(("f" + std::to_string(r) + "." + std::to_string(c)).c_str(), 0);
    }
    g->redraw();
    plat::win::PumpMessages();
    EXPECT_EQ(g->get_render_count(), renders + 1) << "round " << round;
    EXPECT_TRUE(Shows(u"f0.0"));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    GetScrollInfo(g->get_hwnd(), SB_VERT, &si);
    EXPECT_EQ(si.nMax, 99);
  }
}

// A render after a few cell changes draws only those cells again, and the screen then shows
// what a whole render of the same grid shows: the same pixels and the same texts.
TEST_F(GridTest, ARenderOfChangedCellsShowsWhatAWholeRenderShows) {
  struct Case {
    const char* name;
    int cellsDrawn;  // by the render after the change
    void (*change)(V_Grid*);
  };
  const Case cases[] = {
      {"a shorter text", 1, [](V_Grid* g) { g->get_cell(1, 0)->set_text("7", 0); }},
      {"the same text again", 0, [](V_Grid* g) { g->get_cell(1, 0)->set_text("71,500", 0); }},
      {"colours", 2,
       [](V_Grid* g) {
         g->get_cell(0, 1)->set_bg(0xE0E0FF);
         g->get_cell(2, 2)->set_fg(0x0000FF);
       }},
      {"a cell without a background colour", 1,
       [](V_Grid* g) {
         g->get_cell(2, 0)->set_bg(GRAPHIC_NO_COLOR);
         g->get_cell(2, 0)->set_text("", 0);
       }},
      {"line flags", 1, [](V_Grid* g) { g->get_cell(0, 2)->set_line_flag(0); }},
      {"a header text", 1, [](V_Grid* g) { g->get_head_cell()[1].set_text(u"값", 0); }},
      {"a row taken out and one added: the rows below move up", 6,
       [](V_Grid* g) {
         g->remove_row(1);
         V_Grid_Cell* row = g->add_row();
         for (int c = 0; c < 3; ++c) row[c].set_text(("n" + std::to_string(c)).c_str(), 0);
       }},
      {"the grid background", 12, [](V_Grid* g) { g->set_grid_bg(0xDDEEFF); }},
  };
  const WCHAR* titles[] = {u"시간", u"가격", u"량"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // At (10, 20), outer 132 x 80: client (11, 21) 130 x 78, room below the rows.
    V_Grid* g = Make(16, {40, 50, 40}, 14, 3, 0, 10, 20, 132, 80, titles);
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col) g->get_cell(col, r)->set_text(("r" + std::to_string(r * 3 + col)).c_str(), 0);
    g->get_cell(1, 0)->set_text("71,500", 0);
    g->redraw();
    Screen();
    const int drawn = g->get_cell_draw_count();
    c.change(g);
    g->redraw();
    const plat::Surface& s = Screen();
    EXPECT_EQ(g->get_cell_draw_count() - drawn, c.cellsDrawn);
    auto picture = [&](const plat::Surface& from) {
      std::vector<COLORREF> pixels;
      for (int y = 21; y < 21 + 78; ++y) pixels.insert(pixels.end(), from.Row(y) + 11, from.Row(y) + 11 + 130);
      std::vector<std::u16string> texts;
      for (const auto& t : from.texts)
        texts.push_back(t.text + u"@" + std::u16string(1, char16_t(t.rect.left)) +
                        std::u16string(1, char16_t(t.rect.top)) + std::u16string(1, char16_t(t.color & 0xFFFF)));
      std::sort(texts.begin(), texts.end());
      return std::make_pair(pixels, texts);
    };
    auto partial = picture(s);
    // A new back buffer renders every cell.
    g->set_location(10, 20, 140, 80);
    g->set_location(10, 20, 132, 80);
    g->redraw();
    auto whole = picture(Screen());
    EXPECT_TRUE(partial.first == whole.first) << "pixels differ";
    EXPECT_EQ(partial.second, whole.second);
  }
}

TEST_F(GridTest, InspectionAndCellTapsForAutomation) {
  const WCHAR* titles[] = {u"Item", u"Price"};
  grid_ = std::make_unique<V_Grid>();
  V_Grid* g = grid_.get();
  ASSERT_EQ(g->init(host_, 501, 16, titles, 2, std::vector<int>{60, 60}.data(), 14, 0, nullptr, 0), 0);
  g->set_location(0, 0, 122, 60);
  g->set_visible(1);
  for (int r = 0; r < 8; ++r) {
    V_Grid_Cell* row = g->add_row();
    row[0].set_text(("item" + std::to_string(r)).c_str(), 0);
    row[1].set_text("1,000", 0);
  }
  g->get_cell(1, 0)->set_fg(0x0000FF);
  g->get_cell(0, 1)->set_text(u"a|b\tc\\d", 0);
  std::u16string text = plat::win::InspectWindow(g->get_hwnd());
  EXPECT_EQ(text.substr(0, text.find(u"row 2")),
            u"grid\trows 8\tcolumns 2\ttop 0\tleft 0\tselected -1 -1\n"
            u"head\tItem|000000|8CDFFF\tPrice|000000|8CDFFF\n"
            u"row 0\titem0|000000|FFFFFF\t1,000|0000FF|FFFFFF\n"
            u"row 1\ta\\|b\\tc\\\\d|000000|FFFFFF\t1,000|000000|FFFFFF\n");

  // Tapping row 6 scrolls it into view and tells the screen about that row.
  Notes().clear();
  EXPECT_TRUE(SendMessage(g->get_hwnd(), WM_PLAT_TAP_CELL, 6, 0));
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, -1, 6}, {3, -1, 6}}));
  EXPECT_GT(g->get_top_row(), 0);
  EXPECT_LE(g->get_top_row(), 6);
  EXPECT_TRUE(Shows(u"item6"));
  EXPECT_EQ(g->get_left_column(), 0);
  // A column partly hidden behind the vertical bar is scrolled into view before the tap.
  Notes().clear();
  EXPECT_TRUE(SendMessage(g->get_hwnd(), WM_PLAT_TAP_CELL, 6, 1));
  EXPECT_EQ(g->get_left_column(), 1);
  EXPECT_FALSE(SendMessage(g->get_hwnd(), WM_PLAT_TAP_CELL, 8, 0));
  EXPECT_EQ(g->tap_cell(0, 2), -1);
  g->set_select_flag(VGRID_SELECT_CELL);
  Notes().clear();
  EXPECT_EQ(g->tap_cell(0, 1), 0);
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, 1, 0}, {3, 1, 0}}));
}

TEST_F(GridTest, DeletingTheGridReleasesItsWindowAndObjects) {
  { V_Grid_Cell warm; }  // the shared default font lives as long as the library
  int before = plat::gdi::LiveObjectCount();
  V_Grid* g = Make(16, {40, 40}, 14, 5, 0, 0, 0, 82, 60);
  g->get_cell(0, 0)->set_bg(0x00FF00);
  g->redraw();
  plat::win::PumpMessages();
  HWND w = g->get_hwnd();
  EXPECT_GT(plat::gdi::LiveObjectCount(), before);
  grid_.reset();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(plat::gdi::LiveObjectCount(), before);

  V_Grid bad;
  int widths[] = {10};
  EXPECT_EQ(bad.init(host_, 1, 0, nullptr, 0, widths, 10, 0, nullptr, 0), -1);
  EXPECT_EQ(bad.init(host_, 1, 0, nullptr, 1, nullptr, 10, 0, nullptr, 0), -1);
}

}  // namespace

namespace {

// Through the automation layer, as a screen test or larkspin-ctl drives a grid.
class GridAutomationTest : public DeviceTest {};

TEST_F(GridAutomationTest, CellsAreReadAndTappedByRowAndColumn) {
  plat::win::ResetForTests();
  Notes().clear();
  plat::automation::Driver::Options opts;
  std::vector<std::string> failures;
  opts.onFailure = [&](const std::string& f) { failures.push_back(f); };
  plat::automation::Driver d(opts);
  std::unique_ptr<V_Grid> grid;
  d.Ui([&] {
    WNDCLASS wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = u"GridDriverHost";
    RegisterClass(&wc);
    HWND host =
        CreateWindow(u"GridDriverHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
    grid = std::make_unique<V_Grid>();
    const WCHAR* titles[] = {u"종목", u"현재가"};
    int widths[] = {100, 100};
    grid->init(host, 700, 18, titles, 2, widths, 16, 0, nullptr, 0);
    grid->set_location(0, 0, 240, 100);
    grid->set_visible(1);
    for (int r = 0; r < 12; ++r) {
      V_Grid_Cell* row = grid->add_row();
      row[0].set_text(("item" + std::to_string(r)).c_str(), 0);
      row[1].set_text("5,000", 0);
      row[1].set_fg(r % 2 ? 0xFF0000 : 0x0000FF);
    }
    grid->redraw();
  });
  std::string tree = d.Tree();
  EXPECT_NE(tree.find("cells head\t종목|000000|8CDFFF\t현재가|000000|8CDFFF"), std::string::npos) << tree;
  EXPECT_NE(tree.find("cells row 11\titem11|000000|FFFFFF\t5,000|FF0000|FFFFFF"), std::string::npos) << tree;

  ASSERT_TRUE(d.TapCell(700, 9, 1));
  EXPECT_EQ(Notes(), (std::vector<Note>{{1, -1, 9}, {3, -1, 9}}));
  EXPECT_TRUE(failures.empty());
  EXPECT_FALSE(d.Do("tap-cell 700 12 0").ok);
  failures.clear();
  d.Ui([&] {
    HWND host = GetParent(grid->get_hwnd());
    grid.reset();
    DestroyWindow(host);
  });
}

}  // namespace
