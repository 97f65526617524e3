#include "vx_device_test.h"
#include "vxbase/grid_size.h"

namespace {

struct RowCase {
  int top, bottom, rows;
  int result, height;
};

TEST(GridRows, HeightOfEvenRows) {
  const RowCase cases[] = {
      {0, 100, 3, 0, 33},                                          // 100 is lowered to 99
      {40, 140, 3, 0, 33},                                         // only the band's height counts
      {0, 100, 1, 0, 100},  {0, 100, 2, 0, 50},  {0, 5, 7, 0, 0},  // more rows than pixels
      {10, 10, 2, 0, 0},                                           // empty band
      {0, 100, 0, -1, -7},                                         // no rows: refused, the output untouched
      {0, 100, -2, -1, -7}, {100, 0, 3, -1, -7},                   // band upside down
  };
  for (const RowCase& c : cases) {
    int height = -7;
    EXPECT_EQ(_get_row_height(c.top, c.bottom, c.rows, &height), c.result)
        << c.top << ".." << c.bottom << "/" << c.rows;
    EXPECT_EQ(height, c.height) << c.top << ".." << c.bottom << "/" << c.rows;
  }
}

TEST(GridRows, RowSpans) {
  struct Case {
    int top, bottom, rows, index, result, y1, y2;
  };
  const Case cases[] = {
      {20, 120, 3, 0, 0, 20, 53},
      {20, 120, 3, 2, 0, 86, 119},  // index 2 spans top + 66 .. top + 99
      {60, 260, 2, 1, 0, 160, 260},
      {20, 120, 0, 0, -1, -7, -7},
  };
  for (const Case& c : cases) {
    int y1 = -7, y2 = -7;
    EXPECT_EQ(_cal_spec_height(c.top, c.bottom, c.rows, c.index, &y1, &y2), c.result);
    EXPECT_EQ(y1, c.y1);
    EXPECT_EQ(y2, c.y2);
  }
}

TEST(GridCells, SignColours) {
  struct Case {
    char sign;
    COLORREF colour;
  };
  const Case cases[] = {{'1', 0x0000FF}, {'2', 0x0000FF}, {'3', 0}, {'4', 0xFF0000}, {'5', 0xFF0000},
                        {'6', 0},        {'+', 0},        {'-', 0}, {'\0', 0}};
  for (const Case& c : cases) EXPECT_EQ(_return_cell_color(c.sign), c.colour) << int(c.sign);
}

class GridBand : public vxtest::DeviceTest {
 protected:
  void SetUp() override {
    vxtest::DeviceTest::SetUp();
    dlg_ = CreateWindowEx(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 294, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(dlg_, 0u);
    Child(8110, 180, 4, 56, 22);  // "조회": bottom edge at 26
    Child(8301, 0, 250, 60, 20);  // keypad key: top edge at 250
  }
  void Child(int id, int x, int y, int w, int h) {
    ASSERT_NE(CreateWindowEx(0, u"BUTTON", u"", WS_CHILD | WS_VISIBLE, x, y, w, h, dlg_, PLAT_ID_AS_MENU(id), nullptr,
                             nullptr),
              0u);
  }
  HWND dlg_ = 0;
};

TEST_F(GridBand, BandBetweenTwoControls) {
  int top = -7, bottom = -7, left = -7, right = -7;
  ASSERT_EQ(_get_spec_rect(dlg_, 8110, 8301, &top, &bottom, &left, &right), 0);
  EXPECT_EQ(top, 26);
  EXPECT_EQ(bottom, 250);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 239);
  // The band as a screen lays it out: 23 pixels shorter, two rows.
  int y1 = 0, y2 = 0;
  ASSERT_EQ(_cal_spec_height(top, bottom - 23, 2, 1, &y1, &y2), 0);
  EXPECT_EQ(y1, 26 + 100);
  EXPECT_EQ(y2, 26 + 200);
}

TEST_F(GridBand, MissingDialogOrControlIsRefused) {
  struct Case {
    HWND dlg;
    int a, b;
  };
  const Case cases[] = {{dlg_, 9999, 8301}, {dlg_, 8110, 9999}, {0, 8110, 8301}, {0x7FFFFFF0u, 8110, 8301}};
  for (const Case& c : cases) {
    int top = -7, bottom = -7, left = -7, right = -7;
    EXPECT_EQ(_get_spec_rect(c.dlg, c.a, c.b, &top, &bottom, &left, &right), -1);
    EXPECT_EQ(top, -7);
    EXPECT_EQ(bottom, -7);
    EXPECT_EQ(left, -7);
    EXPECT_EQ(right, -7);
  }
}

}  // namespace
