// A dialog with every control kind and Korean text, rendered headless into a PNG file: what each
// control shows is on the screen (text records) and in the picture written (pixels read back).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>

#include "plat/gdi_internal.h"
#include "plat/windows.h"
#include "showcase.h"

namespace {

class ShowcaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/larkspin-showcase-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    plat::SetDeviceRoot(root_);
    setenv("LARKSPIN_ROOT", root_.c_str(), 1);
    plat::win::ResetForTests();
  }
  void TearDown() override {
    plat::win::ResetForTests();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string root_;
};

const plat::TextRecord* FindText(const plat::Surface& s, const std::u16string& text) {
  for (const auto& t : s.texts)
    if (t.text == text) return &t;
  return nullptr;
}

// Distinct colours inside a rectangle of the screen: a control that drew nothing has one.
int Colours(const plat::Surface& s, RECT r) {
  std::vector<COLORREF> seen;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      COLORREF c = s.Row(y)[x];
      if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    }
  return static_cast<int>(seen.size());
}

TEST_F(ShowcaseTest, EveryControlKindRendersWithKoreanTextIntoThePng) {
  plat::Surface screen;
  HWND dlg = showcase::Build(screen);
  ASSERT_NE(dlg, 0u);
  // LARKSPIN_KEEP_SHOWCASE=<file.png> keeps the picture for a person to look at.
  if (const char* keep = getenv("LARKSPIN_KEEP_SHOWCASE")) plat::gdi::WritePng(screen, keep);
  ASSERT_EQ(screen.width, PLAT_SCREEN_WIDTH);
  ASSERT_EQ(screen.height, PLAT_SCREEN_HEIGHT);

  // What each kind of control shows, as the screen records it.
  for (const char16_t* text :
       {u"삼성전자 현재가 ▲", u"매수", u"자동수신", u"주문", u"지정가", u"시장가", u"005930", u"****",
        u"12345678-01 종합", u"코스피", u"코스닥", u"종목", u"가격", u"삼성전자", u"52,300"})
    EXPECT_NE(FindText(screen, text), nullptr) << "text " << (&text - &text) << " missing";
  for (const auto& t : screen.texts) EXPECT_EQ(t.text.find(u"0000"), std::u16string::npos) << "password in clear";
  const plat::TextRecord* face = FindText(screen, u"주문");
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->color, RGB(255, 255, 255));

  // Each control drew something of its own where it stands.
  for (int id : {showcase::kTitle, showcase::kBuy, showcase::kAuto, showcase::kFace, showcase::kLimit, showcase::kCode,
                 showcase::kNote, showcase::kCombo, showcase::kList, showcase::kView, showcase::kProgress}) {
    RECT r;
    ASSERT_TRUE(GetWindowRect(GetDlgItem(dlg, id), &r)) << id;
    EXPECT_GE(Colours(screen, r), 2) << "control " << id << " drew nothing";
  }

  // The picture written is the screen, pixel for pixel.
  std::string png = root_ + "/showcase.png";
  ASSERT_TRUE(plat::win::SaveScreenshot(png));
  plat::Surface back;
  ASSERT_TRUE(plat::gdi::ReadPng(png, back));
  ASSERT_EQ(back.width, screen.width);
  ASSERT_EQ(back.height, screen.height);
  EXPECT_EQ(back.pixels, screen.pixels);
  DestroyWindow(dlg);
}

}  // namespace
