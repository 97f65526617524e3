// Drawing primitives checked as pixels and text records on small bitmaps, and the graphic cache.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_fixture.h"
#include "glimmet/graphic.h"
#include "plat/gdi_internal.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRed = 0x0000FF;

// A white bitmap selected into a memory context.
struct Canvas {
  Canvas(int w, int h) {
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateCompatibleBitmap(dc, w, h);
    old = SelectObject(dc, bmp);
    RECT r{0, 0, w, h};
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(dc, &r, white);
    DeleteObject(white);
    SetBkMode(dc, TRANSPARENT);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  const std::vector<plat::TextRecord>& Texts() const { return plat::gdi::SurfaceOf(dc)->texts; }
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
};

// A w x h bitmap of `color` with a magenta top-left pixel.
HBITMAP MakeImage(int w, int h, COLORREF color) {
  std::vector<uint32_t> words{static_cast<uint32_t>(w), static_cast<uint32_t>(h)};
  for (int i = 0; i < w * h; ++i) words.push_back(i == 0 ? GRAPHIC_TRANSPARENT : color);
  HBITMAP bmp = CreateBitmap(w, h, 1, 32, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(dc, x, y, words[2 + static_cast<size_t>(y * w + x)]);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bmp;
}

class DrawTest : public DeviceTest {};

TEST(ColorTest, LightAndDarkSteps) {
  struct Case {
    COLORREF in;
    int lighten;
    int percent;
    COLORREF out;
  } cases[] = {
      {0x000000, 1, 80, 0xCCCCCC}, {0xFFFFFF, 0, 80, 0x333333}, {0x010101, 0, 80, 0x000000},
      {0xFFFFFF, 1, 80, 0xFFFFFF}, {0x123456, 1, 0, 0x123456},  {0x123456, 0, 256, 0x123456},
      {0xFEFEFE, 1, 1, 0xFFFFFF},  {0x808080, 1, 80, 0xE5E5E5}, {0x808080, 0, 80, 0x1A1A1A},
      {0x0000FF, 0, 50, 0x000080},
  };
  for (const auto& c : cases)
    EXPECT_EQ(chg_light_color(c.in, c.lighten, c.percent), c.out) << std::hex << c.in << " " << c.percent;
}

// Frame styles on an 8 x 6 rectangle: fill 0x808080 (light 0xE5E5E5, dark 0x1A1A1A), line
// 0x404040 (light 0xD8D8D8, dark 0x0D0D0D).
TEST_F(DrawTest, FrameStylesAndFillInsets) {
  constexpr COLORREF F = 0x808080, FL = 0xE5E5E5, FD = 0x1A1A1A, L = 0x404040, LL = 0xD8D8D8, LD = 0x0D0D0D, W = kWhite;
  struct Px {
    int x, y;
    COLORREF c;
  };
  struct Case {
    int style;
    int fill;
    std::vector<Px> px;
  } cases[] = {
      {0, 1, {{0, 0, F}, {7, 5, F}, {8, 6, W}}},
      {1, 1, {{0, 0, FL}, {7, 0, FL}, {0, 5, FL}, {7, 1, FD}, {7, 5, FD}, {1, 5, FD}, {1, 1, F}, {6, 4, F}}},
      {2, 1, {{0, 0, FD}, {7, 0, FD}, {0, 4, FD}, {0, 5, FL}, {7, 5, FL}, {7, 1, FL}, {1, 1, F}}},
      {3, 1, {{0, 0, LL}, {6, 4, LL}, {7, 5, LD}, {1, 1, LD}, {1, 2, LD}, {2, 2, F}, {5, 3, F}}},
      {4, 1, {{0, 0, LD}, {6, 4, LD}, {7, 5, LL}, {1, 1, LL}, {2, 2, F}}},
      {5, 1, {{0, 0, L}, {7, 5, L}, {7, 0, L}, {1, 1, F}, {6, 4, F}}},
      {6, 1, {{0, 0, F}, {7, 5, F}}},
      {1, 0, {{0, 0, FL}, {7, 5, FD}, {3, 3, W}}},
  };
  for (const auto& c : cases) {
    Canvas cv(10, 8);
    V_GRAPHIC_CACHE cache;
    ASSERT_EQ(init_graphic_cache(&cache), 0);
    draw_3D_rect(cv.dc, 0, 0, 8, 6, c.style, c.fill, F, L, &cache);
    for (const auto& p : c.px)
      EXPECT_EQ(cv.At(p.x, p.y), p.c) << "style " << c.style << " fill " << c.fill << " at " << p.x << "," << p.y;
    delete_graphic_cache(&cache);
  }
}

TEST_F(DrawTest, FrameWithoutCacheLeavesNoObjects) {
  Canvas cv(10, 8);
  int before = plat::gdi::LiveObjectCount();
  for (int style = 0; style <= 6; ++style) draw_3D_rect(cv.dc, 0, 0, 8, 6, style, 1, 0x808080, 0x404040, nullptr);
  draw_str(cv.dc, u"x", 0, 0, 10, 8, nullptr, 12, u"Tahoma", 0, 0, nullptr);
  EXPECT_EQ(plat::gdi::LiveObjectCount(), before);
}

TEST_F(DrawTest, TextAlignmentFlagsPlaceTheText) {
  const RECT box{10, 5, 90, 35};
  Canvas probe(10, 10);
  HFONT font = create_font_easy(u"Tahoma", 12, 0, 0);
  SelectObject(probe.dc, font);
  SIZE ext{};
  GetTextExtentPoint32(probe.dc, u"ab", 2, &ext);
  SelectObject(probe.dc, GetStockObject(SYSTEM_FONT));
  struct Case {
    int flags;
    int left, top;
  } cases[] = {
      {0x01, 14, (5 + 35 - ext.cy) / 2},
      {0x02, 86 - ext.cx, (5 + 35 - ext.cy) / 2},
      {0x00, (10 + 90 - ext.cx) / 2, (5 + 35 - ext.cy) / 2},
      {0x09, 14, 5},
      {0x12, 86 - ext.cx, 35 - ext.cy},
      {0x3F, (10 + 90 - ext.cx) / 2, (5 + 35 - ext.cy) / 2},  // 7 and 0x38 are centred too
  };
  for (const auto& c : cases) {
    Canvas cv(100, 40);
    draw_str_rect(cv.dc, u"ab", &box, font, 0, nullptr, kRed, c.flags, nullptr);
    ASSERT_EQ(cv.Texts().size(), 1u) << c.flags;
    EXPECT_EQ(cv.Texts()[0].rect.left, c.left) << "flags " << c.flags;
    EXPECT_EQ(cv.Texts()[0].rect.top, c.top) << "flags " << c.flags;
    EXPECT_EQ(cv.Texts()[0].color, kRed);
    EXPECT_EQ(GetTextColor(cv.dc), 0u) << "the context's colour is restored";
  }
  DeleteObject(font);
}

TEST_F(DrawTest, TextIsClippedToItsRectangleAndEmptyTextDrawsNothing) {
  Canvas cv(100, 40);
  const RECT narrow{10, 5, 20, 35};
  draw_str_rect(cv.dc, u"a long text", &narrow, nullptr, 12, u"Tahoma", kRed, ALIGN_LEFT, nullptr);
  ASSERT_EQ(cv.Texts().size(), 1u);
  EXPECT_LE(cv.Texts()[0].rect.right, 20);
  for (int y = 0; y < 40; ++y)
    for (int x = 20; x < 100; ++x) ASSERT_EQ(cv.At(x, y), kWhite) << x << "," << y;
  draw_str_rect(cv.dc, u"", &narrow, nullptr, 12, u"Tahoma", kRed, 0, nullptr);
  draw_str_rect(cv.dc, nullptr, &narrow, nullptr, 12, u"Tahoma", kRed, 0, nullptr);
  EXPECT_EQ(cv.Texts().size(), 1u);
}

// A text as wide as its rectangle but not as its rectangle less the margins takes the margin
// instead of losing its first or last pixels: right, left and centred alike.
TEST_F(DrawTest, TextThatFitsOnlyWithoutItsMarginTakesTheMargin) {
  HFONT font = create_font_easy(u"Arial", 13, 0, 0);
  Canvas probe(10, 10);
  SelectObject(probe.dc, font);
  SIZE ext{};
  GetTextExtentPoint32(probe.dc, u"1,240,067", 9, &ext);
  SelectObject(probe.dc, GetStockObject(SYSTEM_FONT));
  const RECT box{10, 2, 10 + ext.cx + 2, 20};  // two pixels more than the text, eight less than its margins
  for (int flags : {ALIGN_RIGHT, ALIGN_LEFT, 0}) {
    plat::gdi::TakeClippedTexts();
    Canvas cv(100, 24);
    draw_str_rect(cv.dc, u"1,240,067", &box, font, 0, nullptr, kRed, flags, nullptr);
    ASSERT_EQ(cv.Texts().size(), 1u) << flags;
    EXPECT_GE(cv.Texts()[0].rect.left, box.left) << flags;
    EXPECT_EQ(cv.Texts()[0].rect.right - cv.Texts()[0].rect.left, ext.cx) << flags;
    EXPECT_TRUE(plat::gdi::TakeClippedTexts().empty()) << flags;
  }
  // Room for the margins: the margins stay.
  Canvas cv(100, 24);
  const RECT wide{10, 2, 10 + ext.cx + 20, 20};
  draw_str_rect(cv.dc, u"1,240,067", &wide, font, 0, nullptr, kRed, ALIGN_RIGHT, nullptr);
  ASSERT_EQ(cv.Texts().size(), 1u);
  EXPECT_EQ(cv.Texts()[0].rect.right, wide.right - 4);
  DeleteObject(font);
}

TEST_F(DrawTest, ImageAlignmentStretchAndMagentaTransparency) {
  HBITMAP img = MakeImage(4, 3, kRed);  // magenta at (0,0)
  struct Case {
    int flags;
    int x, y;  // where the image's top-left lands
  } cases[] = {
      {ALIGN_LEFT | ALIGN_TOP, 2, 1},
      {ALIGN_RIGHT | ALIGN_BOTTOM, 14, 6},
      {0, 8, 3},
      {ALIGN_LEFT, 2, 3},
  };
  for (const auto& c : cases) {
    Canvas cv(20, 10);
    draw_image(cv.dc, 2, 1, 16, 8, img, c.flags);
    EXPECT_EQ(cv.At(c.x, c.y), kWhite) << "magenta is transparent, flags " << c.flags;
    EXPECT_EQ(cv.At(c.x + 1, c.y), kRed) << c.flags;
    EXPECT_EQ(cv.At(c.x + 3, c.y + 2), kRed) << c.flags;
    EXPECT_EQ(cv.At(c.x + 4, c.y + 2), kWhite) << c.flags;
    EXPECT_EQ(cv.At(c.x + 3, c.y + 3), kWhite) << c.flags;
  }
  Canvas st(20, 10);
  draw_image(st.dc, 2, 1, 16, 8, img, IMAGE_STRETCH);
  EXPECT_EQ(st.At(2, 1), kWhite);
  EXPECT_EQ(st.At(17, 8), kRed);
  EXPECT_EQ(st.At(10, 5), kRed);
  EXPECT_EQ(st.At(18, 9), kWhite);
  EXPECT_EQ(st.At(1, 1), kWhite);

  Canvas none(20, 10);
  draw_image(none.dc, 2, 1, 0, 8, img, 0);
  draw_image(none.dc, 2, 1, 16, 8, nullptr, 0);
  EXPECT_EQ(none.At(10, 5), kWhite);
  DeleteObject(img);
}

TEST_F(DrawTest, BitmapBesideTextTakesItsWidthFromTheTextRectangle) {
  HBITMAP img = MakeImage(6, 4, kRed);
  HFONT font = create_font_easy(u"Tahoma", 12, 0, 0);
  struct Case {
    int imageFlags;
    int textFlags;
    int textLeft;  // expected left of the text, or -1 for "right edge at 56 - 7"
  } cases[] = {
      {ALIGN_LEFT, ALIGN_LEFT, 10 + 6 + 1 + 4},
      {ALIGN_LEFT | ALIGN_TOP, ALIGN_LEFT, 10 + 4},  // with a vertical flag the text keeps its room
      {ALIGN_RIGHT, ALIGN_RIGHT, -1},
  };
  for (const auto& c : cases) {
    Canvas cv(60, 30);
    draw_str_n_image(cv.dc, 10, 2, 46, 20, u"7", font, 0, nullptr, 0, c.textFlags, img, c.imageFlags, nullptr);
    ASSERT_EQ(cv.Texts().size(), 1u);
    if (c.textLeft >= 0)
      EXPECT_EQ(cv.Texts()[0].rect.left, c.textLeft) << c.imageFlags;
    else
      EXPECT_EQ(cv.Texts()[0].rect.right, 56 - 6 - 1 - 4) << c.imageFlags;
  }
  DeleteObject(font);
  DeleteObject(img);
}

TEST_F(DrawTest, FramedTextIsInsetByStyle) {
  HFONT font = create_font_easy(u"Tahoma", 12, 0, 0);
  struct Case {
    int style;
    int inset;
  } cases[] = {{0, 1}, {5, 2}, {1, 3}, {3, 3}, {6, 3}};
  for (const auto& c : cases) {
    Canvas cv(60, 30);
    draw_3D_rect2(cv.dc, 0, 0, 60, 30, c.style, 1, kRed, 0xC0C0C0, 0, u"9", font, 0, nullptr, ALIGN_LEFT | ALIGN_TOP,
                  nullptr, 0, nullptr);
    ASSERT_EQ(cv.Texts().size(), 1u);
    EXPECT_EQ(cv.Texts()[0].rect.left, c.inset + 4) << c.style;
    EXPECT_EQ(cv.Texts()[0].rect.top, c.inset) << c.style;
  }
  Canvas cv(60, 30);
  draw_3D_rect2(cv.dc, 0, 0, 0, 30, 1, 1, kRed, 0xC0C0C0, 0, u"9", font, 0, nullptr, 0, nullptr, 0, nullptr);
  draw_3D_rect2(nullptr, 0, 0, 10, 30, 1, 1, kRed, 0xC0C0C0, 0, u"9", font, 0, nullptr, 0, nullptr, 0, nullptr);
  EXPECT_TRUE(cv.Texts().empty());
  EXPECT_EQ(cv.At(0, 0), kWhite);
  DeleteObject(font);
}

// A grid header's 13-pixel label in a 16- or 17-pixel raised cell: taller than the room the
// margins leave, it keeps the rows inside the frame's lines and loses no ink; centred there, it
// stands where it stood. A cell that cannot hold it inside its lines still cuts it there.
TEST_F(DrawTest, FramedTextTallerThanTheMarginsLeaveKeepsItsInk) {
  HFONT font = create_font_easy(u"Arial", 13, 0, 0);
  Canvas probe(10, 10);
  SelectObject(probe.dc, font);
  SIZE ext{};
  GetTextExtentPoint32(probe.dc, u"매도잔량", 4, &ext);
  SelectObject(probe.dc, GetStockObject(SYSTEM_FONT));
  ASSERT_EQ(ext.cy, 13);
  struct Case {
    int style, height;
    size_t clipped;
    int top;  // of the text's record: inside the cell, as far below its top as centring puts it
  } cases[] = {
      {1, 16, 0, 1}, {1, 17, 0, 2}, {3, 17, 0, 2}, {0, 16, 0, 1}, {1, 10, 1, 1}, {5, 30, 0, (30 - 13) / 2},
  };
  for (const auto& c : cases) {
    plat::gdi::TakeClippedTexts();
    Canvas cv(80, 40);
    draw_3D_rect2(cv.dc, 0, 0, 80, c.height, c.style, 1, kRed, 0xC0C0C0, 0, u"매도잔량", font, 0, nullptr, 0, nullptr,
                  0, nullptr);
    ASSERT_EQ(cv.Texts().size(), 1u) << c.style << " " << c.height;
    EXPECT_EQ(cv.Texts()[0].rect.top, c.top) << c.style << " " << c.height;
    EXPECT_EQ(plat::gdi::TakeClippedTexts().size(), c.clipped) << c.style << " " << c.height;
    const int frame = c.style == 0 ? 0 : c.style == 3 ? 2 : 1;
    for (int x = 0; x < 80; ++x)
      for (int y : {frame - 1, c.height - frame})
        if (y >= 0) {
          EXPECT_NE(cv.At(x, y), kRed) << "the frame's line at " << x << "," << y;
        }
  }
  DeleteObject(font);
}

TEST_F(DrawTest, CacheReusesObjectsAndOwnsThem) {
  Canvas cv(40, 20);
  int before = plat::gdi::LiveObjectCount();
  V_GRAPHIC_CACHE cache;
  ASSERT_EQ(init_graphic_cache(&cache), 0);
  HPEN p1 = get_cache_pen(&cache, PS_SOLID, 1, kRed);
  EXPECT_EQ(get_cache_pen(&cache, PS_SOLID, 1, kRed), p1);
  EXPECT_NE(get_cache_pen(&cache, PS_SOLID, 2, kRed), p1);
  EXPECT_NE(get_cache_pen(&cache, PS_DASH, 1, kRed), p1);
  HBRUSH b1 = get_cache_brush(&cache, kRed);
  EXPECT_EQ(get_cache_brush(&cache, kRed), b1);
  EXPECT_NE(get_cache_brush(&cache, 0xFF0000), b1);
  HFONT f1 = get_cache_font(&cache, u"돋움", 13, 5, 0);
  EXPECT_EQ(get_cache_font(&cache, u"돋움", 13, 5, 0), f1);
  EXPECT_NE(get_cache_font(&cache, u"돋움", 13, 5, FONT_FLAG_BOLD), f1);
  EXPECT_NE(get_cache_font(&cache, u"Tahoma", 13, 5, 0), f1);
  // A face longer than an entry holds is refused rather than cut to match another face.
  EXPECT_EQ(get_cache_font(&cache, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", 13, 5, 0), nullptr);
  EXPECT_NE(get_cache_font(&cache, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ123", 13, 5, 0), nullptr);

  // Repainting with cached colours and fonts creates no new object.
  int cached = plat::gdi::LiveObjectCount();
  draw_3D_rect2(cv.dc, 0, 0, 40, 20, 1, 1, 0, kRed, 0x404040, u"1", nullptr, 13, u"돋움", 0, nullptr, 0, &cache);
  int afterFirst = plat::gdi::LiveObjectCount();
  for (int i = 0; i < 5; ++i)
    draw_3D_rect2(cv.dc, 0, 0, 40, 20, 1, 1, 0, kRed, 0x404040, u"1", nullptr, 13, u"돋움", 0, nullptr, 0, &cache);
  EXPECT_EQ(plat::gdi::LiveObjectCount(), afterFirst);
  EXPECT_GT(afterFirst, cached) << "the first paint caches its light and dark pens";

  delete_graphic_cache(&cache);
  EXPECT_EQ(plat::gdi::LiveObjectCount(), before);
  EXPECT_EQ(init_graphic_cache(nullptr), -1);
  HPEN own = get_cache_pen(nullptr, PS_SOLID, 1, kRed);
  ASSERT_NE(own, nullptr);
  DeleteObject(own);
}

TEST_F(DrawTest, ScrollPositionOperations) {
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = u"ScrollHost";
  RegisterClass(&wc);
  HWND w = CreateWindow(u"ScrollHost", u"", WS_POPUP | WS_VSCROLL, 0, 0, 100, 100, 0, nullptr, nullptr, nullptr);
  ASSERT_NE(w, 0u);
  struct Case {
    int start;
    int op;
    int count;
    int result;
    int pos;
  } cases[] = {
      {8, 3, 5, 0, 10}, {10, 3, 1, -1, 10}, {8, 9, 1, -1, 8},  {5, 1, 0, 0, 0},  {0, 1, 0, -1, 0}, {0, 2, 0, 0, 10},
      {2, 5, 1, 0, 5},  {5, 6, 5, 0, 0},    {0, 0, 99, 0, 10}, {4, 0, -3, 0, 0}, {4, 4, 2, 0, 2},  {4, 0x103, 1, 0, 5},
  };
  for (const auto& c : cases) {
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 10, 3, c.start, 0};
    SetScrollInfo(w, SB_VERT, &si, FALSE);
    ASSERT_EQ(get_scroll_pos(w, SB_VERT), c.start);
    EXPECT_EQ(set_scroll_pos(w, SB_VERT, c.op, c.count), c.result) << c.start << " op " << c.op;
    EXPECT_EQ(get_scroll_pos(w, SB_VERT), c.pos) << c.start << " op " << c.op;
  }
  set_scroll_page(w, SB_VERT, 4);
  SCROLLINFO si{sizeof si, SIF_PAGE, 0, 0, 0, 0, 0};
  GetScrollInfo(w, SB_VERT, &si);
  EXPECT_EQ(si.nPage, 4u);
  EXPECT_EQ(get_scroll_pos(0, SB_VERT), 0);
  EXPECT_EQ(set_scroll_pos(0, SB_VERT, 0, 1), -1);

  int x = 9, y = 9, cx = 9, cy = 9;
  get_window_pos(w, &x, &y, &cx, &cy);
  EXPECT_EQ(cx, 100);
  get_window_cli_pos(0, &x, &y, &cx, nullptr);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(cx, 0);
  DestroyWindow(w);
}

}  // namespace
