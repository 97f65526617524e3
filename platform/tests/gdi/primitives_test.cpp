// Pixel-exact checks of lines, shapes, fills, clipping, raster modes, saved states, transfers
// and the lifetime of graphics objects.
#include <gtest/gtest.h>

#include <vector>

#include "canvas.h"
#include "plat/gdi.h"
#include "plat/gdi_internal.h"

using gdi_test::Canvas;
using gdi_test::Rows;

namespace {

struct LineCase {
  const char* name;
  int x0, y0, x1, y1;
  std::string art;
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, DrawsEveryPixelButTheLast) {
  const LineCase& c = GetParam();
  Canvas cv(6, 4);
  MoveToEx(cv.dc, c.x0, c.y0, nullptr);
  ASSERT_TRUE(LineTo(cv.dc, c.x1, c.y1));
  EXPECT_EQ(cv.Art(), c.art) << c.name;
  POINT cur;
  MoveToEx(cv.dc, 0, 0, &cur);
  EXPECT_EQ(cur.x, c.x1);
  EXPECT_EQ(cur.y, c.y1);
}

INSTANTIATE_TEST_SUITE_P(
    Segments, LineTest,
    ::testing::Values(LineCase{"right", 0, 1, 5, 1, Rows({"......", "#####.", "......", "......"})},
                      LineCase{"left", 5, 1, 0, 1, Rows({"......", ".#####", "......", "......"})},
                      LineCase{"down", 2, 0, 2, 3, Rows({"..#...", "..#...", "..#...", "......"})},
                      LineCase{"diagonal", 0, 0, 3, 3, Rows({"#.....", ".#....", "..#...", "......"})},
                      LineCase{"shallow", 0, 0, 6, 2, Rows({"##....", "..###.", ".....#", "......"})},
                      LineCase{"one point", 3, 2, 3, 2, Rows({"......", "......", "......", "......"})},
                      LineCase{"off the edge", -2, 3, 9, 3, Rows({"......", "......", "......", "######"})}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

TEST(Polyline, JointsAreDrawnOnceAndTheLastPointIsLeftOut) {
  Canvas cv(5, 4);
  SetROP2(cv.dc, R2_NOT);
  POINT pts[] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
  ASSERT_TRUE(Polyline(cv.dc, pts, 4));
  // An inverting pen would leave a joint white if it were drawn twice.
  EXPECT_EQ(cv.Art(), Rows({"#####", "....#", "....#", ".####"}));
  EXPECT_FALSE(Polyline(cv.dc, pts, 1));
  EXPECT_FALSE(Polyline(cv.dc, nullptr, 4));
}

// Strokes along rows and columns that meet, cross or run back over themselves: with an inverting
// pen every pixel a stroke covers is inverted once, however many of its segments cover it.
struct OverlapCase {
  const char* name;
  std::vector<POINT> points;
  std::string art;
};

class StraightStrokeTest : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(StraightStrokeTest, EachPixelIsInvertedOnce) {
  Canvas cv(5, 4);
  SetROP2(cv.dc, R2_NOT);
  const auto& pts = GetParam().points;
  ASSERT_TRUE(Polyline(cv.dc, pts.data(), static_cast<int>(pts.size())));
  EXPECT_EQ(cv.Art(), GetParam().art);
}

INSTANTIATE_TEST_SUITE_P(
    Polyline, StraightStrokeTest,
    ::testing::Values(
        OverlapCase{"back_over_itself", {{0, 1}, {4, 1}, {1, 1}}, ".....\n#####\n.....\n.....\n"},
        OverlapCase{"crossing", {{2, 0}, {2, 3}, {2, 2}, {0, 2}, {4, 2}}, "..#..\n..#..\n####.\n..#..\n"},
        OverlapCase{"closed_box", {{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}}, "#####\n#...#\n#...#\n#####\n"},
        OverlapCase{"one_pixel_wide_box", {{1, 0}, {1, 0}, {1, 3}, {1, 3}, {1, 0}}, ".#...\n.#...\n.#...\n.#...\n"},
        OverlapCase{"slanted_joint", {{0, 0}, {3, 0}, {0, 3}}, "####.\n..#..\n.#...\n.....\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rectangle, AThinBoxWithAnInvertingPenInvertsEachBorderPixelOnce) {
  // Boxes one pixel wide or high have borders on the same pixels.
  const struct {
    RECT r;
    std::string art;
  } cases[] = {{{0, 0, 5, 4}, "#####\n#...#\n#...#\n#####\n"},
               {{1, 0, 2, 4}, ".#...\n.#...\n.#...\n.#...\n"},
               {{0, 2, 5, 3}, ".....\n.....\n#####\n.....\n"},
               {{2, 1, 3, 2}, ".....\n..#..\n.....\n.....\n"}};
  for (const auto& c : cases) {
    Canvas cv(5, 4);
    SetROP2(cv.dc, R2_NOT);
    SelectObject(cv.dc, GetStockObject(NULL_BRUSH));
    ASSERT_TRUE(Rectangle(cv.dc, c.r.left, c.r.top, c.r.right, c.r.bottom));
    EXPECT_EQ(cv.Art(), c.art) << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom;
  }
}

struct ShapeCase {
  const char* name;
  int pen;    // stock pen
  int brush;  // stock brush
  std::string art;
};

class RectangleTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(RectangleTest, OutlineWithThePenInteriorWithTheBrush) {
  const ShapeCase& c = GetParam();
  Canvas cv(7, 6);
  SelectObject(cv.dc, GetStockObject(c.pen));
  SelectObject(cv.dc, GetStockObject(c.brush));
  ASSERT_TRUE(Rectangle(cv.dc, 1, 1, 6, 5));
  EXPECT_EQ(cv.Art({{0x000000, '#'}, {0xFFFFFF, '.'}, {0x808080, 'g'}}), c.art) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Pens, RectangleTest,
    ::testing::Values(ShapeCase{"pen_and_brush", BLACK_PEN, GRAY_BRUSH,
                                Rows({".......", ".#####.", ".#ggg#.", ".#ggg#.", ".#####.", "......."})},
                      ShapeCase{"hollow", BLACK_PEN, NULL_BRUSH,
                                Rows({".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."})},
                      // Without a pen the interior stops one pixel short of the right and bottom edges.
                      ShapeCase{"no_pen", NULL_PEN, GRAY_BRUSH,
                                Rows({".......", ".gggg..", ".gggg..", ".gggg..", ".......", "......."})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Fills, FillRectAndFrameRectLeaveRightAndBottomEdgesOut) {
  Canvas cv(6, 5);
  RECT r{1, 1, 5, 4};
  HBRUSH black = CreateSolidBrush(0x000000);
  ASSERT_TRUE(FillRect(cv.dc, &r, black));
  EXPECT_EQ(cv.Art(), Rows({"......", ".####.", ".####.", ".####.", "......"}));
  cv.Fill(0xFFFFFF);
  ASSERT_TRUE(FrameRect(cv.dc, &r, black));
  EXPECT_EQ(cv.Art(), Rows({"......", ".####.", ".#..#.", ".####.", "......"}));
  // A system colour index plus one stands for that colour's brush.
  ASSERT_TRUE(FillRect(cv.dc, &r, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1))));
  EXPECT_EQ(cv.At(1, 1), GetSysColor(COLOR_BTNFACE));
  // An empty or inverted rectangle paints nothing.
  cv.Fill(0xFFFFFF);
  RECT inverted{4, 4, 1, 1};
  FillRect(cv.dc, &inverted, black);
  EXPECT_EQ(gdi_test::InkBox(cv.surface(), 0x000000).right, 0);
  EXPECT_FALSE(FillRect(cv.dc, &r, nullptr));
  DeleteObject(black);
}

TEST(Fills, PolygonAlternateFillLeavesTheInnerRingEmpty) {
  Canvas cv(9, 9);
  SelectObject(cv.dc, GetStockObject(NULL_PEN));
  SelectObject(cv.dc, GetStockObject(BLACK_BRUSH));
  // An outer square and an inner square in one outline: the inner one is crossed twice.
  POINT pts[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0}, {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
  ASSERT_TRUE(Polygon(cv.dc, pts, 10));
  EXPECT_EQ(cv.Art(), Rows({"########.", "########.", "##....##.", "##....##.", "##....##.", "##....##.", "########.",
                            "########.", "........."}));
}

TEST(Fills, TriangleWithPenAndBrushStaysInsideItsPoints) {
  Canvas cv(8, 8);
  SelectObject(cv.dc, GetStockObject(GRAY_BRUSH));
  POINT pts[] = {{1, 1}, {6, 1}, {1, 6}};
  ASSERT_TRUE(Polygon(cv.dc, pts, 3));
  RECT ink = gdi_test::InkBox(cv.surface(), 0x000000);
  EXPECT_EQ(ink.left, 1);
  EXPECT_EQ(ink.top, 1);
  EXPECT_LE(ink.right, 7);
  EXPECT_LE(ink.bottom, 7);
  EXPECT_EQ(cv.At(2, 2), 0x808080u);  // interior
  EXPECT_EQ(cv.At(6, 6), 0xFFFFFFu);  // outside the hypotenuse
}

TEST(Fills, EllipseFillsItsBoxSymmetricallyWithThePenOnTheBoundary) {
  Canvas cv(9, 7);
  SelectObject(cv.dc, GetStockObject(GRAY_BRUSH));
  ASSERT_TRUE(Ellipse(cv.dc, 1, 1, 8, 6));
  std::string art = cv.Art({{0x000000, '#'}, {0xFFFFFF, '.'}, {0x808080, 'g'}});
  RECT ink = gdi_test::InkBox(cv.surface(), 0x000000);
  EXPECT_EQ(ink.left, 1);
  EXPECT_EQ(ink.top, 1);
  EXPECT_EQ(ink.right, 8);
  EXPECT_EQ(ink.bottom, 6);
  EXPECT_EQ(cv.At(4, 3), 0x808080u);
  EXPECT_EQ(cv.At(1, 1), 0xFFFFFFu) << "corners stay outside";
  // Mirror symmetry both ways.
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(cv.At(x, y), cv.At(8 - x, y)) << x << "," << y << "\n" << art;
      EXPECT_EQ(cv.At(x, y), cv.At(x, 6 - y)) << x << "," << y << "\n" << art;
    }
}

TEST(Fills, SunkenEdgeUsesTheSystemShadesAndAdjustsTheRectangle) {
  Canvas cv(5, 5);
  RECT r{0, 0, 5, 5};
  ASSERT_TRUE(DrawEdge(cv.dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE));
  EXPECT_EQ(cv.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(cv.At(1, 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(cv.At(4, 4), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(cv.At(3, 3), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(cv.At(2, 2), GetSysColor(COLOR_BTNFACE));
  RECT inner{2, 2, 3, 3};
  EXPECT_TRUE(EqualRect(&r, &inner));
}

TEST(Pens, WidePenIsSquareAndDashedPenLeavesGaps) {
  Canvas cv(30, 5);
  HPEN wide = CreatePen(PS_SOLID, 3, 0x000000);
  HGDIOBJ old = SelectObject(cv.dc, wide);
  MoveToEx(cv.dc, 2, 2, nullptr);
  LineTo(cv.dc, 6, 2);
  RECT ink = gdi_test::InkBox(cv.surface(), 0x000000);
  EXPECT_EQ(ink.top, 1);
  EXPECT_EQ(ink.bottom, 4);
  EXPECT_EQ(ink.left, 1);
  EXPECT_EQ(ink.right, 7);

  cv.Fill(0xFFFFFF);
  HPEN dash = CreatePen(PS_DASH, 1, 0x000000);
  SelectObject(cv.dc, dash);
  SetBkMode(cv.dc, TRANSPARENT);
  MoveToEx(cv.dc, 0, 0, nullptr);
  LineTo(cv.dc, 30, 0);
  std::string row = cv.Art().substr(0, 30);
  EXPECT_EQ(row, std::string(18, '#') + std::string(6, '.') + std::string(6, '#'));
  // In opaque mode the gaps take the background colour.
  SetBkMode(cv.dc, OPAQUE);
  SetBkColor(cv.dc, 0x0000FF);
  MoveToEx(cv.dc, 0, 1, nullptr);
  LineTo(cv.dc, 30, 1);
  EXPECT_EQ(cv.At(20, 1), 0x0000FFu);
  SelectObject(cv.dc, old);
  DeleteObject(wide);
  DeleteObject(dash);
}

TEST(FarCoordinates, DrawOnlyWhatShowsAndReturnAtOnce) {
  // A missing chart value (-999999999) turned into a coordinate must neither hang nor exhaust
  // memory; what lands on the bitmap is drawn as for any other line or shape.
  constexpr int kFar = 999999999;
  Canvas cv(8, 4);
  MoveToEx(cv.dc, -kFar, 1, nullptr);
  ASSERT_TRUE(LineTo(cv.dc, kFar, 1));
  MoveToEx(cv.dc, 2, -kFar, nullptr);
  ASSERT_TRUE(LineTo(cv.dc, 2, kFar));
  EXPECT_EQ(cv.Art(), Rows({"..#.....", "########", "..#.....", "..#....."}));
  cv.Fill(0xFFFFFF);
  // A steep line from far above reaches the bitmap where its slope puts it.
  MoveToEx(cv.dc, 0, -kFar, nullptr);
  LineTo(cv.dc, 0, 3);
  EXPECT_EQ(cv.At(0, 2), 0x000000u);
  EXPECT_EQ(cv.At(0, 3), 0xFFFFFFu) << "the end point stays undrawn";
  cv.Fill(0xFFFFFF);
  SelectObject(cv.dc, GetStockObject(BLACK_BRUSH));
  POINT tall[] = {{1, -kFar}, {3, -kFar}, {3, kFar}, {1, kFar}};
  ASSERT_TRUE(Polygon(cv.dc, tall, 4));
  ASSERT_TRUE(Ellipse(cv.dc, -kFar, -kFar, kFar, kFar));
  ASSERT_TRUE(Rectangle(cv.dc, -kFar, -kFar, kFar, kFar));
  EXPECT_EQ(gdi_test::InkBox(cv.surface(), 0).right, 8);
  RECT huge{-kFar, -kFar, kFar, kFar};
  ASSERT_TRUE(DrawFocusRect(cv.dc, &huge));
  Canvas src(2, 2, 0x0000FF);
  EXPECT_TRUE(StretchBlt(cv.dc, 0, 0, 1 << 20, 1 << 20, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(cv.At(7, 3), 0x0000FFu);
  EXPECT_FALSE(BitBlt(cv.dc, 0, 0, kFar, kFar, src.dc, 0, 0, SRCCOPY));
}

TEST(Pixels, SetPixelAndGetPixelRespectTheClip) {
  Canvas cv(4, 4);
  EXPECT_EQ(SetPixel(cv.dc, 1, 2, 0x123456), 0x123456u);
  EXPECT_EQ(GetPixel(cv.dc, 1, 2), 0x123456u);
  EXPECT_EQ(GetPixel(cv.dc, 4, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(cv.dc, -1, 0, 0), CLR_INVALID);
  IntersectClipRect(cv.dc, 0, 0, 1, 1);
  EXPECT_EQ(GetPixel(cv.dc, 1, 2), CLR_INVALID);
  EXPECT_EQ(SetPixel(cv.dc, 2, 2, 0), CLR_INVALID);
}

// ---- Clipping and origins ------------------------------------------------------------------

TEST(Clip, WindowContextDrawsAtItsOriginAndOnlyInsideItsClip) {
  plat::Surface s;
  s.Resize(10, 8, 0xFFFFFF);
  // A child window at (3, 2) of its top-level surface, with its right part covered.
  HDC dc = plat::gdi::CreateSurfaceDC(&s, 3, 2, RECT{3, 2, 7, 6});
  ASSERT_NE(dc, nullptr);
  HBRUSH black = CreateSolidBrush(0);
  RECT all{-100, -100, 100, 100};
  FillRect(dc, &all, black);
  RECT box = gdi_test::InkBox(s, 0);
  EXPECT_EQ(box.left, 3);
  EXPECT_EQ(box.top, 2);
  EXPECT_EQ(box.right, 7);
  EXPECT_EQ(box.bottom, 6);
  RECT clip;
  EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
  EXPECT_EQ(clip.left, 0);
  EXPECT_EQ(clip.top, 0);
  EXPECT_EQ(clip.right, 4);
  EXPECT_EQ(clip.bottom, 4);
  EXPECT_EQ(SetPixel(dc, 0, 0, 0x00FF00), 0x00FF00u);
  EXPECT_EQ(s.Row(2)[3], 0x00FF00u);
  plat::gdi::ReleaseSurfaceDC(dc);
  DeleteObject(black);
}

TEST(Clip, ViewportOriginMovesDrawingAndTheProgramClip) {
  Canvas cv(8, 6);
  SetViewportOrgEx(cv.dc, 2, 1, nullptr);
  POINT prev;
  OffsetViewportOrgEx(cv.dc, 1, 0, &prev);
  EXPECT_EQ(prev.x, 2);
  // Logical (0, 0) is now device (3, 1); the clip is given in logical coordinates.
  EXPECT_EQ(IntersectClipRect(cv.dc, 0, 0, 3, 2), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(cv.dc, 1, 0, 2, 1), COMPLEXREGION);
  HBRUSH black = CreateSolidBrush(0);
  RECT all{-10, -10, 10, 10};
  FillRect(cv.dc, &all, black);
  EXPECT_EQ(cv.Art(), Rows({"........", "...#.#..", "...###..", "........", "........", "........"}));
  RECT box;
  GetClipBox(cv.dc, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 3);
  // Removing the program's clip opens the whole bitmap again.
  SelectClipRgn(cv.dc, nullptr);
  SetViewportOrgEx(cv.dc, 0, 0, nullptr);
  FillRect(cv.dc, &all, black);
  EXPECT_EQ(gdi_test::InkBox(cv.surface(), 0).right, 8);
  DeleteObject(black);
}

TEST(Clip, SelectedRegionIsCopiedAndMayBeDeletedAfterwards) {
  Canvas cv(6, 3);
  HRGN a = CreateRectRgn(0, 0, 2, 3);
  HRGN b = CreateRectRgn(4, 0, 6, 3);
  EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(SelectClipRgn(cv.dc, a), COMPLEXREGION);
  DeleteObject(a);
  DeleteObject(b);
  HBRUSH black = CreateSolidBrush(0);
  RECT all{0, 0, 6, 3};
  FillRect(cv.dc, &all, black);
  EXPECT_EQ(cv.Art(), Rows({"##..##", "##..##", "##..##"}));
  DeleteObject(black);
}

TEST(Clip, CellClipIsSavedAndRestoredThroughARegion) {
  // As a table draws its cells: clip to the cell, draw, then put the previous clip back.
  Canvas cv(8, 4);
  IntersectClipRect(cv.dc, 1, 0, 7, 4);
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetClipRgn(cv.dc, saved), 1);
  IntersectClipRect(cv.dc, 2, 1, 4, 3);
  HBRUSH black = CreateSolidBrush(0);
  RECT all{0, 0, 8, 4};
  FillRect(cv.dc, &all, black);
  EXPECT_EQ(cv.Art(), Rows({"........", "..##....", "..##....", "........"}));
  SelectClipRgn(cv.dc, saved);
  cv.Fill(0xFFFFFF);
  FillRect(cv.dc, &all, black);
  EXPECT_EQ(cv.Art(), Rows({".######.", ".######.", ".######.", ".######."}));
  // Without a clip of its own the context says so, and the region is left alone.
  SelectClipRgn(cv.dc, nullptr);
  EXPECT_EQ(GetClipRgn(cv.dc, saved), 0);
  RECT box;
  EXPECT_EQ(GetRgnBox(saved, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(GetClipRgn(cv.dc, nullptr), -1);
  DeleteObject(saved);
  DeleteObject(black);
}

// ---- Raster operations ----------------------------------------------------------------------

TEST(Raster, InvertingTwiceRestoresEveryPixel) {
  Canvas cv(40, 30);
  // A picture with many colours under the lines.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) cv.surface().Row(y)[x] = RGB(x * 6, y * 8, (x * y) & 0xFF);
  std::vector<COLORREF> before = cv.surface().pixels;
  SetROP2(cv.dc, R2_NOT);
  auto crosshair = [&](int x, int y) {
    MoveToEx(cv.dc, x, 0, nullptr);
    LineTo(cv.dc, x, 30);
    MoveToEx(cv.dc, 0, y, nullptr);
    LineTo(cv.dc, 40, y);
    POINT diag[] = {{0, 0}, {39, 29}, {0, 29}};
    Polyline(cv.dc, diag, 3);
  };
  crosshair(13, 7);
  EXPECT_NE(cv.surface().pixels, before);
  EXPECT_EQ(cv.At(13, 20), ~before[20 * 40 + 13] & 0xFFFFFF);
  crosshair(13, 7);
  EXPECT_EQ(cv.surface().pixels, before);
  // A focus rectangle and an inverted rectangle go away the same way.
  RECT r{3, 3, 20, 11};
  DrawFocusRect(cv.dc, &r);
  InvertRect(cv.dc, &r);
  InvertRect(cv.dc, &r);
  DrawFocusRect(cv.dc, &r);
  EXPECT_EQ(cv.surface().pixels, before);
}

TEST(Raster, XorPenAndCopyPen) {
  Canvas cv(3, 1, 0x0F0F0F);
  HPEN pen = CreatePen(PS_SOLID, 1, 0xF0F000);
  SelectObject(cv.dc, pen);
  SetROP2(cv.dc, R2_XORPEN);
  MoveToEx(cv.dc, 0, 0, nullptr);
  LineTo(cv.dc, 1, 0);
  EXPECT_EQ(cv.At(0, 0), 0xFFFF0Fu);
  EXPECT_EQ(SetROP2(cv.dc, R2_COPYPEN), R2_XORPEN);
  LineTo(cv.dc, 2, 0);
  EXPECT_EQ(cv.At(1, 0), 0xF0F000u);
  SelectObject(cv.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

// ---- Saved states ---------------------------------------------------------------------------

TEST(SavedState, RestoreBringsBackEveryAttributeAndTheClip) {
  Canvas cv(6, 6);
  HPEN pen = CreatePen(PS_SOLID, 1, 0x0000FF);
  HBRUSH brush = CreateSolidBrush(0x00FF00);
  int level = SaveDC(cv.dc);
  EXPECT_EQ(level, 1);
  SelectObject(cv.dc, pen);
  SelectObject(cv.dc, brush);
  SetTextColor(cv.dc, 0x112233);
  SetBkColor(cv.dc, 0x445566);
  SetBkMode(cv.dc, TRANSPARENT);
  SetROP2(cv.dc, R2_NOT);
  SetTextAlign(cv.dc, TA_RIGHT);
  SetViewportOrgEx(cv.dc, 2, 2, nullptr);
  IntersectClipRect(cv.dc, 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(cv.dc), 2);
  SetTextColor(cv.dc, 0x999999);
  ASSERT_TRUE(RestoreDC(cv.dc, -1));
  EXPECT_EQ(GetTextColor(cv.dc), 0x112233u);
  EXPECT_EQ(GetCurrentObject(cv.dc, OBJ_PEN), pen);
  ASSERT_TRUE(RestoreDC(cv.dc, level));
  EXPECT_EQ(GetCurrentObject(cv.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(cv.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetTextColor(cv.dc), 0x000000u);
  EXPECT_EQ(GetBkColor(cv.dc), 0xFFFFFFu);
  EXPECT_EQ(GetBkMode(cv.dc), OPAQUE);
  EXPECT_EQ(GetROP2(cv.dc), R2_COPYPEN);
  EXPECT_EQ(GetTextAlign(cv.dc), static_cast<UINT>(TA_LEFT | TA_TOP));
  POINT org;
  GetViewportOrgEx(cv.dc, &org);
  EXPECT_EQ(org.x, 0);
  RECT box;
  EXPECT_EQ(GetClipBox(cv.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 6);
  EXPECT_EQ(box.bottom, 6);
  // No saved level is left.
  EXPECT_FALSE(RestoreDC(cv.dc, -1));
  EXPECT_FALSE(RestoreDC(cv.dc, 1));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
}

// ---- Object lifetime ------------------------------------------------------------------------

TEST(Objects, SelectReturnsThePreviousObjectAndDeletionWaitsForDeselection) {
  int baseline = plat::gdi::LiveObjectCount();
  {
    Canvas cv(4, 2);
    HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF);
    EXPECT_EQ(SelectObject(cv.dc, red), GetStockObject(BLACK_PEN));
    // Deleting the selected pen keeps it drawable until it is replaced.
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));
    MoveToEx(cv.dc, 0, 0, nullptr);
    LineTo(cv.dc, 2, 0);
    EXPECT_EQ(cv.At(0, 0), 0x0000FFu);
    SelectObject(cv.dc, GetStockObject(BLACK_PEN));
    // Stock objects survive deletion.
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(SelectObject(cv.dc, nullptr), nullptr);
  }
  EXPECT_EQ(plat::gdi::LiveObjectCount(), baseline);
}

TEST(Objects, BitmapSizeAndEmptyBitmaps) {
  HBITMAP bmp = CreateCompatibleBitmap(nullptr, 17, 9);
  BITMAP bm{};
  ASSERT_EQ(GetObject(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 17);
  EXPECT_EQ(bm.bmHeight, 9);
  EXPECT_EQ(GetObject(bmp, 4, &bm), 0);  // too small a buffer is refused, not overrun
  // New bitmaps are black.
  EXPECT_EQ(plat::gdi::SurfaceOfBitmap(bmp)->pixels[0], 0x000000u);
  DeleteObject(bmp);
  HBITMAP none = CreateCompatibleBitmap(nullptr, 0, 5);
  ASSERT_NE(none, nullptr);
  GetObject(none, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 1);
  DeleteObject(none);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
  // A window context takes no bitmap.
  plat::Surface s;
  s.Resize(2, 2);
  HDC wdc = plat::gdi::CreateSurfaceDC(&s, 0, 0, RECT{0, 0, 2, 2});
  HBITMAP b2 = CreateCompatibleBitmap(wdc, 2, 2);
  EXPECT_EQ(SelectObject(wdc, b2), nullptr);
  plat::gdi::ReleaseSurfaceDC(wdc);
  DeleteObject(b2);
}

// ---- Transfers ------------------------------------------------------------------------------

// A source canvas with a 2 x 2 pattern of four colours at (1, 1).
constexpr COLORREF kA = 0x0000FF, kB = 0x00FF00, kC = 0xFF0000, kM = 0xFF00FF;

void Pattern(Canvas& src) {
  src.surface().Row(1)[1] = kA;
  src.surface().Row(1)[2] = kB;
  src.surface().Row(2)[1] = kC;
  src.surface().Row(2)[2] = kM;
}

const std::map<COLORREF, char> kLegend{{0xFFFFFF, '.'}, {0x000000, '#'}, {kA, 'a'}, {kB, 'b'}, {kC, 'c'}, {kM, 'm'}};

TEST(Transfer, BitBltCopiesFromTheSourceOffset) {
  Canvas src(4, 4), dst(5, 3);
  Pattern(src);
  ASSERT_TRUE(BitBlt(dst.dc, 2, 0, 3, 3, src.dc, 1, 1, SRCCOPY));
  EXPECT_EQ(dst.Art(kLegend), Rows({"..ab.", "..cm.", "....."}));
  // Source pixels beyond the source bitmap leave the destination as it was.
  dst.Fill(0x000000);
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 3, 3, src.dc, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Art(kLegend), Rows({"m.###", "..###", "#####"}));
  // A destination partly off the bitmap takes only what lands on it.
  dst.Fill(0xFFFFFF);
  ASSERT_TRUE(BitBlt(dst.dc, -1, -1, 2, 2, src.dc, 1, 1, SRCCOPY));
  EXPECT_EQ(dst.Art(kLegend), Rows({"m....", ".....", "....."}));
}

TEST(Transfer, OverlappingCopyWithinOneBitmapScrollsCleanly) {
  Canvas cv(5, 1);
  for (int x = 0; x < 5; ++x) cv.surface().Row(0)[x] = static_cast<COLORREF>(x + 1);
  ASSERT_TRUE(BitBlt(cv.dc, 1, 0, 4, 1, cv.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(cv.surface().pixels, (std::vector<COLORREF>{1, 1, 2, 3, 4}));
}

struct RopCase {
  DWORD rop;
  COLORREF expected;
};

class RopTest : public ::testing::TestWithParam<RopCase> {};

TEST_P(RopTest, CombinesSourceAndDestination) {
  Canvas src(1, 1, 0x00FFF0), dst(1, 1, 0x0F0F0F);
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, GetParam().rop));
  EXPECT_EQ(dst.At(0, 0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rops, RopTest,
                         ::testing::Values(RopCase{SRCCOPY, 0x00FFF0}, RopCase{SRCAND, 0x000F00},
                                           RopCase{SRCPAINT, 0x0FFFFF}, RopCase{SRCINVERT, 0x0FF0FF},
                                           RopCase{NOTSRCCOPY, 0xFF000F}, RopCase{DSTINVERT, 0xF0F0F0},
                                           RopCase{BLACKNESS, 0x000000}, RopCase{WHITENESS, 0xFFFFFF},
                                           RopCase{PATCOPY, 0xFFFFFF}));

TEST(Transfer, StretchIsNearestNeighbourBothWays) {
  Canvas src(4, 4), big(4, 4), small(1, 1);
  Pattern(src);
  ASSERT_TRUE(StretchBlt(big.dc, 0, 0, 4, 4, src.dc, 1, 1, 2, 2, SRCCOPY));
  EXPECT_EQ(big.Art(kLegend), Rows({"aabb", "aabb", "ccmm", "ccmm"}));
  // Mirrored by a negative width.
  ASSERT_TRUE(StretchBlt(big.dc, 4, 0, -4, 1, src.dc, 1, 1, 2, 1, SRCCOPY));
  EXPECT_EQ(big.Art(kLegend).substr(0, 4), "bbaa");
  ASSERT_TRUE(StretchBlt(small.dc, 0, 0, 1, 1, src.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(small.At(0, 0), kM);  // the centre sample of the 4 x 4 source
}

TEST(Transfer, TransparentImageSkipsMagentaFromAContextOrABitmap) {
  Canvas src(4, 4), dst(3, 3, 0x000000);
  Pattern(src);
  ASSERT_TRUE(TransparentImage(dst.dc, 0, 0, 2, 2, src.dc, 1, 1, 2, 2, 0xFF00FF));
  EXPECT_EQ(dst.Art(kLegend), Rows({"ab#", "c##", "###"}));
  dst.Fill(0x000000);
  // The bitmap itself may be given in place of a context, and stretched.
  ASSERT_TRUE(TransparentImage(dst.dc, 0, 0, 3, 3, src.bmp, 1, 1, 1, 2, kA));
  EXPECT_EQ(dst.Art(kLegend), Rows({"###", "ccc", "ccc"}));
  EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, kM));
}

}  // namespace
