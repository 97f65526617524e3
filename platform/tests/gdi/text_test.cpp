// Fonts and text: sizes from logical descriptions, extents, placement, clipping, the Korean
// glyphs the screens use, and the record of every drawn string.
#include <gtest/gtest.h>

#include <string>

#include "canvas.h"
#include "plat/gdi.h"
#include "plat/gdi_internal.h"

using gdi_test::Canvas;
using gdi_test::InkBox;

namespace {

HFONT MakeFont(const char16_t* face, int height, int width = 0, int weight = FW_NORMAL) {
  return CreateFont(height, width, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

SIZE Extent(HDC dc, const std::u16string& s) {
  SIZE sz{};
  EXPECT_TRUE(GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz));
  return sz;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(plat::gdi::FontFileFor(u"돋움", FW_NORMAL).empty())
        << "no Korean font installed (fonts-nanum, see tools/setup.sh)";
  }
};

// ---- Font sizes -----------------------------------------------------------------------------

struct FontCase {
  const char16_t* face;
  int height, width, weight;
};

class FontSizeTest : public TextTest, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontSizeTest, HeightsFollowTheLogicalDescription) {
  const FontCase& c = GetParam();
  Canvas cv(10, 10);
  HFONT f = MakeFont(c.face, c.height, c.width, c.weight);
  HGDIOBJ old = SelectObject(cv.dc, f);
  TEXTMETRIC tm{};
  ASSERT_TRUE(GetTextMetrics(cv.dc, &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  if (c.height > 0) {
    EXPECT_EQ(tm.tmHeight, c.height) << "a positive height is the cell height";
  } else {
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -c.height) << "a negative height is the character height";
  }
  if (c.width > 0) {
    EXPECT_EQ(tm.tmAveCharWidth, c.width);
  }
  EXPECT_EQ(tm.tmWeight, c.weight);
  // Every extent is as tall as the cell, and as wide as its parts together.
  SIZE latin = Extent(cv.dc, u"Price 1,234"), hangul = Extent(cv.dc, u"삼성전자"),
       both = Extent(cv.dc, u"Price 1,234삼성전자");
  EXPECT_EQ(latin.cy, tm.tmHeight);
  EXPECT_GT(latin.cx, 0);
  EXPECT_GT(hangul.cx, 0);
  EXPECT_EQ(both.cx, latin.cx + hangul.cx);
  // A Hangul syllable is wider than a narrow Latin letter and at most the widest character.
  SIZE ga = Extent(cv.dc, u"가"), i = Extent(cv.dc, u"i");
  EXPECT_GT(ga.cx, i.cx);
  EXPECT_LE(ga.cx, tm.tmMaxCharWidth);
  EXPECT_EQ(Extent(cv.dc, u"").cx, 0);
  SelectObject(cv.dc, old);
  DeleteObject(f);
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontSizeTest,
                         ::testing::Values(FontCase{u"돋움", 13, 5, FW_NORMAL}, FontCase{u"돋움", 13, 5, FW_BOLD},
                                           FontCase{u"돋움", 10, 3, FW_NORMAL}, FontCase{u"굴림", -12, 0, FW_NORMAL},
                                           FontCase{u"Tahoma", -11, 0, FW_BOLD}, FontCase{u"Arial", 16, 0, FW_NORMAL},
                                           FontCase{u"No Such Face", -13, 0, FW_NORMAL}));

TEST_F(TextTest, NarrowerWidthAndBoldChangeTheExtent) {
  Canvas cv(10, 10);
  HFONT normal = MakeFont(u"돋움", 13), narrow = MakeFont(u"돋움", 13, 3), bold = MakeFont(u"돋움", 13, 0, FW_BOLD);
  SelectObject(cv.dc, normal);
  int wNormal = Extent(cv.dc, u"거래량 123,456").cx;
  SelectObject(cv.dc, narrow);
  int wNarrow = Extent(cv.dc, u"거래량 123,456").cx;
  SelectObject(cv.dc, bold);
  int wBold = Extent(cv.dc, u"거래량 123,456").cx;
  EXPECT_LT(wNarrow, wNormal);
  EXPECT_GE(wBold, wNormal);
  SelectObject(cv.dc, GetStockObject(SYSTEM_FONT));
  for (HFONT f : {normal, narrow, bold}) DeleteObject(f);
}

TEST_F(TextTest, AbsurdFontSizesAreHeldToTheLargestSensibleSize) {
  Canvas cv(20, 20);
  for (int height : {-1000000, 1000000}) {
    HFONT f = MakeFont(u"돋움", height, -1000000);
    SelectObject(cv.dc, f);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(cv.dc, &tm));
    EXPECT_GT(tm.tmHeight, 100);
    EXPECT_LE(tm.tmHeight, 1024);
    EXPECT_TRUE(TextOut(cv.dc, 0, 0, u"가", 1));
    SelectObject(cv.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
  }
}

TEST_F(TextTest, ExtentExCountsWhatFits) {
  Canvas cv(10, 10);
  SIZE whole = Extent(cv.dc, u"가나다라");
  int fit = -1;
  int dx[4];
  SIZE sz;
  ASSERT_TRUE(GetTextExtentExPoint(cv.dc, u"가나다라", 4, whole.cx / 2, &fit, dx, &sz));
  EXPECT_EQ(fit, 2);
  EXPECT_EQ(dx[3], whole.cx);
  EXPECT_FALSE(GetTextExtentPoint32(cv.dc, nullptr, 3, &sz));
}

// ---- Glyphs ---------------------------------------------------------------------------------

TEST_F(TextTest, TheMarksAndSyllablesTheScreensShowHaveRealGlyphs) {
  // A character the font lacks draws the font's missing-glyph box; every character the screens
  // use must draw something else.
  auto picture = [](const std::u16string& s) {
    Canvas cv(24, 24);
    HFONT f = MakeFont(u"돋움", 16);
    SelectObject(cv.dc, f);
    TextOut(cv.dc, 2, 2, s.c_str(), static_cast<int>(s.size()));
    SelectObject(cv.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
    return cv.surface().pixels;
  };
  auto missing = picture(u"\uE000");
  std::vector<COLORREF> blank(24 * 24, 0xFFFFFF);
  for (const char16_t* s : {u"가", u"힣", u"뷁", u"▲", u"▼", u"↑", u"↓", u"※", u"A", u"9", u","}) {
    auto p = picture(s);
    EXPECT_NE(p, blank) << "nothing drawn";
    EXPECT_NE(p, missing) << "missing glyph";
  }
}

TEST_F(TextTest, TextPixelsAreExactlyTheTextColourAndTheSameEveryTime) {
  Canvas a(80, 20), b(80, 20);
  for (Canvas* cv : {&a, &b}) {
    SetTextColor(cv->dc, 0x0000FF);
    SetBkMode(cv->dc, TRANSPARENT);
    TextOut(cv->dc, 1, 1, u"현재가 ▲ 52,300", -1);
  }
  EXPECT_EQ(a.surface().pixels, b.surface().pixels);
  for (COLORREF p : a.surface().pixels) ASSERT_TRUE(p == 0x0000FF || p == 0xFFFFFF) << std::hex << p;
}

// ---- Placement ------------------------------------------------------------------------------

TEST_F(TextTest, TextAlignMovesTheReferencePoint) {
  Canvas cv(120, 40);
  SIZE sz = Extent(cv.dc, u"가격");
  TEXTMETRIC tm;
  GetTextMetrics(cv.dc, &tm);
  struct {
    UINT align;
    LONG left, top;
  } cases[] = {{TA_LEFT | TA_TOP, 60, 20},
               {TA_RIGHT | TA_TOP, 60 - sz.cx, 20},
               {TA_CENTER | TA_TOP, 60 - sz.cx / 2, 20},
               {TA_LEFT | TA_BASELINE, 60, 20 - tm.tmAscent},
               {TA_LEFT | TA_BOTTOM, 60, 20 - tm.tmHeight}};
  for (const auto& c : cases) {
    cv.Fill(0xFFFFFF);
    SetTextAlign(cv.dc, c.align);
    TextOut(cv.dc, 60, 20, u"가격", 2);
    ASSERT_EQ(cv.surface().texts.size(), 1u);
    const RECT& r = cv.surface().texts[0].rect;
    EXPECT_EQ(r.left, c.left) << c.align;
    EXPECT_EQ(r.top, c.top) << c.align;
    EXPECT_EQ(r.right - r.left, sz.cx);
    EXPECT_EQ(r.bottom - r.top, tm.tmHeight);
  }
}

struct DrawTextCase {
  const char* name;
  UINT format;
  // Expected placement within the rectangle (10, 5, 110, 35): -1 at the start, 0 centred, 1 at the end.
  int h, v;
};

class DrawTextTest : public TextTest, public ::testing::WithParamInterface<DrawTextCase> {};

TEST_P(DrawTextTest, PlacesTheLineInItsRectangle) {
  const DrawTextCase& c = GetParam();
  Canvas cv(120, 40);
  HFONT f = MakeFont(u"돋움", 13, 5);
  SelectObject(cv.dc, f);
  SetBkMode(cv.dc, TRANSPARENT);
  RECT r{10, 5, 110, 35};
  SIZE sz = Extent(cv.dc, u"매수 Buy");
  int height = DrawText(cv.dc, u"매수 Buy", -1, &r, c.format);
  ASSERT_EQ(cv.surface().texts.size(), 1u);
  const RECT t = cv.surface().texts[0].rect;
  EXPECT_EQ(t.right - t.left, sz.cx);
  EXPECT_EQ(t.bottom - t.top, sz.cy);
  int expLeft = c.h < 0 ? 10 : c.h > 0 ? 110 - sz.cx : (10 + 110 - sz.cx) / 2;
  int expTop = c.v < 0 ? 5 : c.v > 0 ? 35 - sz.cy : 5 + (30 - sz.cy) / 2;
  EXPECT_EQ(t.left, expLeft);
  EXPECT_EQ(t.top, expTop);
  EXPECT_EQ(height, expTop - 5 + sz.cy);
  // The ink lies inside the text's cell.
  RECT ink = InkBox(cv.surface(), 0x000000);
  EXPECT_GE(ink.left, t.left);
  EXPECT_LE(ink.right, t.right);
  EXPECT_GE(ink.top, t.top);
  EXPECT_LE(ink.bottom, t.bottom);
  SelectObject(cv.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

INSTANTIATE_TEST_SUITE_P(Formats, DrawTextTest,
                         ::testing::Values(DrawTextCase{"left_top", DT_LEFT | DT_SINGLELINE, -1, -1},
                                           DrawTextCase{"centre", DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, 0},
                                           DrawTextCase{"right_bottom", DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, 1, 1},
                                           // Vertical placement needs a single line; without it the text stays on top.
                                           DrawTextCase{"vcentre_multiline", DT_CENTER | DT_VCENTER, 0, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextTest, CalcRectMeasuresWithoutDrawing) {
  Canvas cv(100, 60);
  RECT r{5, 5, 0, 0};
  SIZE sz = Extent(cv.dc, u"잔고평가");
  int h = DrawText(cv.dc, u"잔고평가", -1, &r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.right - r.left, sz.cx);
  EXPECT_EQ(r.bottom - r.top, sz.cy);
  EXPECT_EQ(h, sz.cy);
  EXPECT_TRUE(cv.surface().texts.empty());
  EXPECT_EQ(InkBox(cv.surface(), 0).right, 0);
  // Word breaking keeps every line within the width.
  RECT wrap{0, 0, sz.cx + 2, 0};
  int h2 = DrawText(cv.dc, u"잔고평가 잔고평가 잔고평가", -1, &wrap, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(h2, 3 * sz.cy);
  RECT box{0, 0, sz.cx + 2, 60};
  DrawText(cv.dc, u"잔고평가 잔고평가 잔고평가", -1, &box, DT_WORDBREAK);
  ASSERT_EQ(cv.surface().texts.size(), 3u);
  for (const auto& t : cv.surface().texts) {
    EXPECT_EQ(t.text, u"잔고평가");
    EXPECT_LE(t.rect.right, box.right);
  }
}

TEST_F(TextTest, PrefixMarksAreRemovedUnlessNoPrefix) {
  Canvas cv(100, 40);
  RECT r{0, 0, 100, 20};
  DrawText(cv.dc, u"&Save && Exit", -1, &r, DT_SINGLELINE);
  RECT r2{0, 20, 100, 40};
  DrawText(cv.dc, u"A&B", -1, &r2, DT_SINGLELINE | DT_NOPREFIX);
  ASSERT_EQ(cv.surface().texts.size(), 2u);
  EXPECT_EQ(cv.surface().texts[0].text, u"Save & Exit");
  EXPECT_EQ(cv.surface().texts[1].text, u"A&B");
}

TEST_F(TextTest, EllipsisCutsALongLineToItsRectangle) {
  Canvas cv(200, 20);
  SIZE dots = Extent(cv.dc, u"...");
  RECT r{0, 0, 60, 20};
  DrawText(cv.dc, u"한국전력공사 우선주 보통주", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS);
  ASSERT_EQ(cv.surface().texts.size(), 1u);
  const plat::TextRecord& t = cv.surface().texts[0];
  ASSERT_GE(t.text.size(), 4u);
  EXPECT_EQ(t.text.substr(t.text.size() - 3), u"...");
  EXPECT_LE(t.rect.right, 60);
  EXPECT_GT(t.rect.right - t.rect.left, dots.cx);
  // A line that fits is left whole.
  RECT wide{0, 0, 200, 20};
  DrawText(cv.dc, u"한국전력", -1, &wide, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(cv.surface().texts.back().text, u"한국전력");
}

TEST_F(TextTest, RecordKeepsOnlyThePartInsideTheClip) {
  Canvas cv(100, 20);
  IntersectClipRect(cv.dc, 0, 0, 30, 20);
  TextOut(cv.dc, 5, 2, u"선물옵션 호가 정정", -1);
  ASSERT_EQ(cv.surface().texts.size(), 1u);
  EXPECT_EQ(cv.surface().texts[0].rect.left, 5);
  EXPECT_EQ(cv.surface().texts[0].rect.right, 30);
}

// ---- Clipping and background ----------------------------------------------------------------

TEST_F(TextTest, ClippedTextStaysInsideItsRectangle) {
  Canvas cv(120, 30);
  RECT r{10, 5, 40, 25};
  SetBkMode(cv.dc, TRANSPARENT);
  const char16_t* text = u"종합주가지수 KOSPI 812.45";
  ASSERT_TRUE(ExtTextOut(cv.dc, 12, 8, ETO_CLIPPED, &r, text, 18, nullptr));
  RECT ink = InkBox(cv.surface(), 0);
  ASSERT_GT(ink.right, 0);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 40);
  ASSERT_EQ(cv.surface().texts.size(), 1u);
  EXPECT_EQ(cv.surface().texts[0].rect.right, 40) << "the record keeps only the part shown";
  // The same text unclipped runs past the rectangle.
  cv.Fill(0xFFFFFF);
  ExtTextOut(cv.dc, 12, 8, 0, &r, text, 18, nullptr);
  EXPECT_GT(InkBox(cv.surface(), 0).right, 40);
}

// A string whose clip rectangle cuts ink off is reported once, with that rectangle; a rectangle
// that holds the glyphs, ink outside the surface, a clip region and DT_NOCLIP report nothing.
TEST_F(TextTest, StringsWhoseClipRectangleCutsInkOffAreReported) {
  plat::gdi::TakeClippedTexts();
  Canvas cv(120, 40);
  HFONT f = MakeFont(u"Arial", 13);
  HGDIOBJ old = SelectObject(cv.dc, f);
  SetBkMode(cv.dc, TRANSPARENT);
  RECT roomy{2, 2, 110, 17}, low{2, 20, 110, 30};
  ASSERT_TRUE(ExtTextOut(cv.dc, 4, 3, ETO_CLIPPED, &roomy, u"매도잔량", 4, nullptr));
  EXPECT_TRUE(plat::gdi::TakeClippedTexts().empty());
  // The same string with its top row above the rectangle.
  ASSERT_TRUE(ExtTextOut(cv.dc, 4, 19, ETO_CLIPPED, &low, u"매도잔량", 4, nullptr));
  size_t total = 0;
  auto clipped = plat::gdi::TakeClippedTexts(&total);
  ASSERT_EQ(clipped.size(), 1u);
  EXPECT_EQ(total, 1u);
  EXPECT_EQ(clipped[0].text, u"매도잔량");
  EXPECT_EQ(clipped[0].clip.top, 20);
  EXPECT_EQ(clipped[0].clip.bottom, 30);
  EXPECT_GT(clipped[0].pixels, 0);
  EXPECT_TRUE(plat::gdi::TakeClippedTexts(&total).empty()) << "taken once";
  EXPECT_EQ(total, 0u);
  // Past the surface's edge, in a clip region, or drawn without a clip rectangle: not the cell's doing.
  RECT wide{100, 2, 200, 17};
  ExtTextOut(cv.dc, 102, 3, ETO_CLIPPED, &wide, u"매도잔량", 4, nullptr);
  RECT tight{2, 20, 110, 30};
  DrawText(cv.dc, u"매도잔량", -1, &tight, DT_NOCLIP | DT_SINGLELINE | DT_TOP);
  IntersectClipRect(cv.dc, 0, 0, 120, 8);
  TextOut(cv.dc, 4, 3, u"매도잔량", -1);
  EXPECT_TRUE(plat::gdi::TakeClippedTexts().empty());
  // A string wider than its rectangle is cut at its end and not reported; one that fits but is
  // placed past the rectangle's side is.
  RECT narrow{2, 2, 30, 17};
  ExtTextOut(cv.dc, 4, 3, ETO_CLIPPED, &narrow, u"매도잔량", 4, nullptr);
  EXPECT_TRUE(plat::gdi::TakeClippedTexts().empty());
  RECT holds{2, 2, 80, 17};
  ExtTextOut(cv.dc, 60, 3, ETO_CLIPPED, &holds, u"매도잔량", 4, nullptr);
  EXPECT_EQ(plat::gdi::TakeClippedTexts().size(), 1u);
  // DrawText clips to its rectangle otherwise.
  SelectClipRgn(cv.dc, nullptr);
  DrawText(cv.dc, u"매도잔량", -1, &tight, DT_SINGLELINE | DT_BOTTOM);
  EXPECT_EQ(plat::gdi::TakeClippedTexts().size(), 1u);
  SelectObject(cv.dc, old);
  DeleteObject(f);
}

TEST_F(TextTest, OpaqueRectangleAndOpaqueBackground) {
  Canvas cv(100, 30);
  SetBkColor(cv.dc, 0x8CDFFF);
  RECT r{0, 0, 100, 30};
  ASSERT_TRUE(ExtTextOut(cv.dc, 5, 5, ETO_OPAQUE, &r, u"", 0, nullptr));
  EXPECT_EQ(cv.At(99, 29), 0x8CDFFFu);
  EXPECT_TRUE(cv.surface().texts.empty());
  cv.Fill(0xFFFFFF);
  // In opaque mode the text cell (and only it) takes the background colour.
  SetBkMode(cv.dc, OPAQUE);
  TextOut(cv.dc, 5, 5, u"호가", 2);
  const plat::TextRecord& t = cv.surface().texts.at(0);
  EXPECT_EQ(t.background, 0x8CDFFFu);
  EXPECT_EQ(cv.At(t.rect.left, t.rect.top), 0x8CDFFFu);
  EXPECT_EQ(cv.At(t.rect.right, t.rect.top), 0xFFFFFFu);
}

// ---- Text records ---------------------------------------------------------------------------

TEST_F(TextTest, RecordTellsWhatWasDrawnAndFollowsTheBackBuffer) {
  // A back buffer drawn at its own origin, then copied into a window surface at (30, 40).
  Canvas back(60, 20);
  HFONT f = MakeFont(u"돋움", 13, 5, FW_BOLD);
  SelectObject(back.dc, f);
  SetTextColor(back.dc, 0xFF0000);
  SetBkMode(back.dc, TRANSPARENT);
  TextOut(back.dc, 2, 3, u"▼ 1,250", -1);
  ASSERT_EQ(back.surface().texts.size(), 1u);
  const plat::TextRecord& t = back.surface().texts[0];
  EXPECT_EQ(t.text, u"▼ 1,250");
  EXPECT_EQ(t.color, 0xFF0000u);
  EXPECT_EQ(t.background, 0xFFFFFFFFu);
  EXPECT_EQ(t.face, u"돋움");
  EXPECT_EQ(t.height, 13);
  EXPECT_EQ(t.weight, FW_BOLD);
  EXPECT_EQ(t.rect.left, 2);
  EXPECT_EQ(t.rect.top, 3);

  plat::Surface window;
  window.Resize(240, 320);
  HDC wdc = plat::gdi::CreateSurfaceDC(&window, 30, 40, RECT{30, 40, 90, 60});
  // A stale record where the copy lands is replaced; one elsewhere stays.
  window.texts.push_back({u"old", RECT{31, 41, 50, 50}, 0, 0xFFFFFFFF, u"돋움", 13, 400});
  window.texts.push_back({u"elsewhere", RECT{100, 100, 120, 110}, 0, 0xFFFFFFFF, u"돋움", 13, 400});
  ASSERT_TRUE(BitBlt(wdc, 0, 0, 60, 20, back.dc, 0, 0, SRCCOPY));
  ASSERT_EQ(window.texts.size(), 2u);
  EXPECT_EQ(window.texts[0].text, u"elsewhere");
  EXPECT_EQ(window.texts[1].text, u"▼ 1,250");
  EXPECT_EQ(window.texts[1].rect.left, 32);
  EXPECT_EQ(window.texts[1].rect.top, 43);
  // Painting over the text removes its record.
  HBRUSH white = CreateSolidBrush(0xFFFFFF);
  RECT all{0, 0, 60, 20};
  FillRect(wdc, &all, white);
  ASSERT_EQ(window.texts.size(), 1u);
  plat::gdi::ReleaseSurfaceDC(wdc);
  DeleteObject(white);
  SelectObject(back.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST_F(TextTest, NothingIsRecordedForTextOutsideTheClip) {
  Canvas cv(50, 20);
  TextOut(cv.dc, 60, 2, u"보이지 않음", -1);
  IntersectClipRect(cv.dc, 0, 0, 10, 10);
  TextOut(cv.dc, 20, 2, u"가림", -1);
  EXPECT_TRUE(cv.surface().texts.empty());
  EXPECT_EQ(InkBox(cv.surface(), 0).right, 0);
}

}  // namespace
