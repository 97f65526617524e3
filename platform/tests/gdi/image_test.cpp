// Whole pictures: a composed test screen checked by its SHA-1, PNG files written and read back,
// and bitmaps loaded from a module's resources.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "canvas.h"
#include "plat/gdi.h"
#include "plat/gdi_internal.h"
#include "plat/kernel.h"

namespace {

std::string TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "larkspin-gdi-XXXXXX").string();
  char* made = mkdtemp(tmpl.data());
  return made ? std::string(made) : std::string();
}

std::string Sha1Hex(const plat::Surface& s) {
  // The pixels as R, G, B bytes, row by row.
  std::vector<unsigned char> bytes;
  for (COLORREF c : s.pixels) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    bytes.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
  }
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_Digest(bytes.data(), bytes.size(), md, &len, EVP_sha1(), nullptr);
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < len; ++i) {
    out += hex[md[i] >> 4];
    out += hex[md[i] & 15];
  }
  return out;
}

HFONT MakeFont(const char16_t* face, int height, int width, int weight) {
  return CreateFont(height, width, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

// A screen much like a quote screen: a strip, a grid drawn through a back buffer with framed
// cells, a small chart with an inverted crosshair, and a button face with a transparent colour.
void ComposeTestScreen(plat::Surface& screen) {
  screen.Resize(PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT, 0xFFFFFF);
  HDC dc = plat::gdi::CreateSurfaceDC(&screen, 0, 0, RECT{0, 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT});
  HFONT bold = MakeFont(u"돋움", 13, 5, FW_BOLD), normal = MakeFont(u"돋움", 13, 5, FW_NORMAL);
  HFONT small = MakeFont(u"돋움", 10, 3, FW_NORMAL);

  // Strip.
  HBRUSH strip = CreateSolidBrush(0xE0E0E0);
  RECT stripRect{1, 44, 239, 63};
  FillRect(dc, &stripRect, strip);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, bold);
  SetTextColor(dc, 0x0000FF);
  RECT price{2, 46, 80, 62};
  DrawText(dc, u"52,300", -1, &price, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, normal);
  RECT mark{82, 46, 96, 62};
  DrawText(dc, u"▲", -1, &mark, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT name{98, 46, 238, 62};
  SetTextColor(dc, 0x000000);
  DrawText(dc, u"삼성전자 거래량 1,234,567", -1, &name, DT_LEFT | DT_VCENTER | DT_SINGLELINE);

  // Grid through a back buffer.
  HDC back = CreateCompatibleDC(dc);
  HBITMAP backBmp = CreateCompatibleBitmap(dc, 238, 90);
  HGDIOBJ oldBack = SelectObject(back, backBmp);
  HBRUSH white = CreateSolidBrush(0xFFFFFF);
  RECT all{0, 0, 238, 90};
  FillRect(back, &all, white);
  SetBkMode(back, TRANSPARENT);
  HPEN line = CreatePen(PS_SOLID, 1, 0xB4B4B4);
  HPEN light = CreatePen(PS_SOLID, 1, RGB(0xFF, 0xF5, 0xCC)), dark = CreatePen(PS_SOLID, 1, RGB(0x1C, 0x2C, 0x33));
  const char16_t* cells[3][3] = {
      {u"시간", u"체결가", u"거래량"}, {u"09:05:07", u"52,300", u"120"}, {u"09:05:09", u"52,200", u"3,400"}};
  const int widths[3] = {70, 84, 84};
  for (int row = 0; row < 3; ++row) {
    int x = 0;
    for (int col = 0; col < 3; ++col) {
      int y = row * 30;
      SaveDC(back);
      IntersectClipRect(back, x, y, x + widths[col], y + 30);
      SetViewportOrgEx(back, x, y, nullptr);
      HBRUSH bg = CreateSolidBrush(row == 0 ? 0x8CDFFF : (col == 2 ? 0xC8C8FF : 0xFFFFFF));
      RECT cell{0, 0, widths[col], 30};
      FillRect(back, &cell, bg);
      DeleteObject(bg);
      if (row == 0) {
        SelectObject(back, light);
        MoveToEx(back, 0, 29, nullptr);
        LineTo(back, 0, 0);
        LineTo(back, widths[col], 0);
        SelectObject(back, dark);
        MoveToEx(back, 1, 29, nullptr);
        LineTo(back, widths[col] - 1, 29);
        LineTo(back, widths[col] - 1, 0);
      } else {
        SelectObject(back, line);
        MoveToEx(back, 0, 29, nullptr);
        LineTo(back, widths[col], 29);
        MoveToEx(back, widths[col] - 1, 0, nullptr);
        LineTo(back, widths[col] - 1, 30);
      }
      SelectObject(back, normal);
      SetTextColor(back, row == 2 && col == 1 ? 0xFF0000 : 0x000000);
      RECT text{3, 3, widths[col] - 3, 27};
      DrawText(back, cells[row][col], -1, &text,
               (row == 0 ? DT_CENTER : (col == 0 ? DT_LEFT : DT_RIGHT)) | DT_VCENTER | DT_SINGLELINE);
      RestoreDC(back, -1);
      x += widths[col];
    }
  }
  BitBlt(dc, 1, 70, 238, 90, back, 0, 0, SRCCOPY);

  // Chart with candles, a band polygon and an inverted crosshair.
  HDC chart = CreateCompatibleDC(dc);
  HBITMAP chartBmp = CreateCompatibleBitmap(dc, 238, 100);
  HGDIOBJ oldChart = SelectObject(chart, chartBmp);
  RECT chartAll{0, 0, 238, 100};
  FillRect(chart, &chartAll, white);
  HBRUSH band = CreateSolidBrush(RGB(255, 130, 132));
  SelectObject(chart, GetStockObject(NULL_PEN));
  SelectObject(chart, band);
  POINT poly[] = {{10, 60}, {60, 30}, {110, 50}, {160, 20}, {210, 45}, {210, 60}};
  Polygon(chart, poly, 6);
  HPEN red = CreatePen(PS_SOLID, 1, 0x0000FF), blue = CreatePen(PS_SOLID, 1, 0xFF0000);
  HBRUSH blueBrush = CreateSolidBrush(0xFF0000);
  for (int i = 0; i < 12; ++i) {
    int x = 12 + i * 17, open = 40 + (i * 13) % 30, close = 40 + (i * 29) % 30;
    bool up = close < open;
    SelectObject(chart, up ? red : blue);
    SelectObject(chart, up ? GetStockObject(NULL_BRUSH) : blueBrush);
    MoveToEx(chart, x + 3, std::min(open, close) - 8, nullptr);
    LineTo(chart, x + 3, std::max(open, close) + 8);
    Rectangle(chart, x, std::min(open, close), x + 7, std::max(open, close) + 1);
  }
  HPEN navy = CreatePen(PS_SOLID, 1, RGB(0, 0, 127));
  SelectObject(chart, navy);
  POINT ma[] = {{15, 55}, {50, 48}, {90, 52}, {130, 40}, {170, 44}, {205, 38}};
  Polyline(chart, ma, 6);
  SelectObject(chart, small);
  SetBkMode(chart, TRANSPARENT);
  TextOut(chart, 2, 2, u"12/05  52000 52500 51800 52300", -1);
  SetROP2(chart, R2_NOT);
  SelectObject(chart, GetStockObject(BLACK_PEN));
  MoveToEx(chart, 120, 0, nullptr);
  LineTo(chart, 120, 100);
  MoveToEx(chart, 0, 47, nullptr);
  LineTo(chart, 238, 47);
  BitBlt(dc, 1, 165, 238, 100, chart, 0, 0, SRCCOPY);

  // A button face with a magenta background, drawn transparently.
  HDC face = CreateCompatibleDC(dc);
  HBITMAP faceBmp = CreateCompatibleBitmap(dc, 40, 20);
  HGDIOBJ oldFace = SelectObject(face, faceBmp);
  HBRUSH magenta = CreateSolidBrush(0xFF00FF), green = CreateSolidBrush(RGB(0, 130, 0));
  RECT faceAll{0, 0, 40, 20};
  FillRect(face, &faceAll, magenta);
  SelectObject(face, GetStockObject(BLACK_PEN));
  SelectObject(face, green);
  RoundRect(face, 1, 1, 39, 19, 8, 8);
  SetBkMode(face, TRANSPARENT);
  SetTextColor(face, 0xFFFFFF);
  SelectObject(face, normal);
  DrawText(face, u"매수", -1, &faceAll, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  TransparentImage(dc, 100, 275, 40, 20, face, 0, 0, 40, 20, 0xFF00FF);
  TransparentImage(dc, 150, 275, 80, 40, faceBmp, 0, 0, 40, 20, 0xFF00FF);
  RECT edge{10, 275, 90, 300};
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SetTextColor(dc, 0);
  TextOut(dc, 20, 280, u"확인", -1);

  SelectObject(face, oldFace);
  SelectObject(chart, oldChart);
  SelectObject(back, oldBack);
  DeleteDC(face);
  DeleteDC(chart);
  DeleteDC(back);
  for (HGDIOBJ o :
       {HGDIOBJ(bold), HGDIOBJ(normal), HGDIOBJ(small), HGDIOBJ(strip), HGDIOBJ(backBmp), HGDIOBJ(white), HGDIOBJ(line),
        HGDIOBJ(light), HGDIOBJ(dark), HGDIOBJ(chartBmp), HGDIOBJ(band), HGDIOBJ(red), HGDIOBJ(blue),
        HGDIOBJ(blueBrush), HGDIOBJ(navy), HGDIOBJ(faceBmp), HGDIOBJ(magenta), HGDIOBJ(green)})
    EXPECT_TRUE(DeleteObject(o));
  plat::gdi::ReleaseSurfaceDC(dc);
}

// The picture made with NanumGothic of Debian's fonts-nanum. A change of the font file or of
// the drawing code changes it: look at the PNG written on a mismatch before taking a new value.
constexpr const char* kExpectedSha1 = "624ee79d65902ec122f483c02c8b17a897a3466e";

TEST(Picture, ComposedScreenIsTheKnownPicture) {
  int objects = plat::gdi::LiveObjectCount(), dcs = plat::gdi::LiveDCCount();
  plat::Surface screen;
  ComposeTestScreen(screen);
  EXPECT_EQ(plat::gdi::LiveObjectCount(), objects) << "objects leaked";
  EXPECT_EQ(plat::gdi::LiveDCCount(), dcs) << "device contexts leaked";
  // Everything the screen shows is in its text record, the grid's texts at their window place.
  std::vector<std::u16string> shown;
  for (const auto& t : screen.texts) shown.push_back(t.text);
  for (const char16_t* s : {u"52,300", u"▲", u"삼성전자 거래량 1,234,567", u"체결가", u"09:05:09", u"3,400", u"매수",
                            u"확인", u"12/05  52000 52500 51800 52300"})
    EXPECT_NE(std::find(shown.begin(), shown.end(), s), shown.end())
        << "a text of the screen is missing from its record";
  for (const auto& t : screen.texts)
    if (t.text == u"3,400") {
      EXPECT_GE(t.rect.top, 70 + 60);
      EXPECT_LE(t.rect.bottom, 70 + 90);
    }
  // Two copies of the button face (one stretched) keep their label twice.
  EXPECT_EQ(std::count(shown.begin(), shown.end(), u"매수"), 2);

  std::string sha = Sha1Hex(screen);
  if (sha != kExpectedSha1) {
    std::string dir = TempDir();
    std::string path = dir + "/composed.png";
    ASSERT_TRUE(plat::gdi::WritePng(screen, path));
    ADD_FAILURE() << "picture SHA-1 " << sha << " differs from " << kExpectedSha1 << "; see " << path;
  }
}

TEST(Picture, PngRoundTripKeepsEveryPixel) {
  plat::Surface screen;
  ComposeTestScreen(screen);
  std::string dir = TempDir();
  ASSERT_FALSE(dir.empty());
  std::string path = dir + "/screen.png";
  ASSERT_TRUE(plat::gdi::WritePng(screen, path));
  plat::Surface back;
  ASSERT_TRUE(plat::gdi::ReadPng(path, back));
  EXPECT_EQ(back.width, PLAT_SCREEN_WIDTH);
  EXPECT_EQ(back.height, PLAT_SCREEN_HEIGHT);
  EXPECT_TRUE(back.pixels == screen.pixels);
  // Failures are reported, not crashed on.
  plat::Surface empty;
  EXPECT_FALSE(plat::gdi::WritePng(empty, dir + "/empty.png"));
  EXPECT_FALSE(plat::gdi::WritePng(screen, dir + "/no/such/folder.png"));
  EXPECT_FALSE(plat::gdi::ReadPng(dir + "/missing.png", back));
  FILE* f = std::fopen((dir + "/broken.png").c_str(), "wb");
  std::fwrite("\x89PNG\r\n\x1a\n0000", 1, 12, f);
  std::fclose(f);
  EXPECT_FALSE(plat::gdi::ReadPng(dir + "/broken.png", back));
  std::filesystem::remove_all(dir);
}

// ---- Bitmap resources -----------------------------------------------------------------------

// A 3 x 2 face: red, green, blue / magenta, white, black.
const uint32_t kFace[] = {3, 2, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF, 0xFFFFFF, 0x000000};
// Says 4 x 4 but holds only two pixels.
const uint32_t kTruncated[] = {4, 4, 0x0000FF, 0x00FF00};
PLAT_RESOURCE(plat::res::Bitmap, 7301, kFace, sizeof kFace);
PLAT_RESOURCE(plat::res::Bitmap, 7302, kTruncated, sizeof kTruncated);

TEST(Resources, LoadBitmapReadsTheModulesBitmap) {
  HBITMAP bmp = LoadBitmap(nullptr, MAKEINTRESOURCE(7301));
  ASSERT_NE(bmp, nullptr);
  BITMAP bm{};
  GetObject(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  // Copied unscaled onto a window the way a button face is.
  gdi_test::Canvas window(5, 3);
  HDC mem = CreateCompatibleDC(window.dc);
  HGDIOBJ old = SelectObject(mem, bmp);
  ASSERT_TRUE(BitBlt(window.dc, 1, 1, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY));
  EXPECT_EQ(window.Art(
                {{0xFFFFFF, '.'}, {0x000000, 'k'}, {0x0000FF, 'r'}, {0x00FF00, 'g'}, {0xFF0000, 'b'}, {0xFF00FF, 'm'}}),
            gdi_test::Rows({".....", ".rgb.", ".m.k."}));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST(Resources, MissingOrShortBitmapsAreRefused) {
  EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(7302)), nullptr);
  EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(7399)), nullptr);
  EXPECT_EQ(LoadBitmap(nullptr, u"FACE"), nullptr);
}

}  // namespace
