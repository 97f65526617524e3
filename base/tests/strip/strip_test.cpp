// The base-quote strip filled from recorded 4101 and 5555 reply bodies, read back from what the
// screen shows: texts, their places, colours and fonts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vx_screen_fixture.h"

namespace {

using vxtest::Cp949;
using vxtest::ScreenTest;
using vxtest::UiAnswerer;

void PutGroups(char* dst, std::initializer_list<int> groups) {
  for (int g : groups) {
    auto v = static_cast<uint16_t>(static_cast<int16_t>(g));
    *dst++ = static_cast<char>(v >> 8);
    *dst++ = static_cast<char>(v & 0xFF);
  }
}

struct Stock {
  std::u16string name = u"삼성전자";
  std::vector<int> price{5, 4300}, volume{0, 1234, 5678}, change{0, -700};
  char sign = '5';
  std::vector<int> kospi{1234, 56}, kospiChange{12, 34};
  char kospiSign = '2';
  std::vector<int> kosdaq{456, 78}, kosdaqChange{-3, -21};
  char kosdaqSign = '5';
};

// The body of a 4101 reply as the server sends it.
std::vector<char> Body4101(const Stock& s) {
  std::vector<char> b(sizeof(BASE_DATA_4101), 0);
  auto* r = reinterpret_cast<BASE_DATA_4101*>(b.data());
  std::string name = Cp949(s.name);
  name.resize(12, ' ');  // a longer name is cut by the field, as the server cuts it
  std::memcpy(r->item_name, name.data(), 12);
  auto put = [](char* dst, const std::vector<int>& g) {
    for (size_t i = 0; i < g.size(); ++i) PutGroups(dst + 2 * i, {g[i]});
  };
  put(r->price, s.price);
  put(r->volume, s.volume);
  r->sign = s.sign;
  put(r->change, s.change);
  put(r->kospi, s.kospi);
  put(r->kospi_change, s.kospiChange);
  r->kospi_sign = s.kospiSign;
  put(r->kosdaq, s.kosdaq);
  put(r->kosdaq_change, s.kosdaqChange);
  r->kosdaq_sign = s.kosdaqSign;
  return b;
}

std::vector<char> Body5555() {
  std::vector<char> b(sizeof(BASE_DATA_5555), 0);
  auto* r = reinterpret_cast<BASE_DATA_5555*>(b.data());
  PutGroups(r->fut_price, {245, 50});
  PutGroups(r->fut_change, {-1, -20});
  r->fut_sign = '5';
  PutGroups(r->price, {3, 5});
  PutGroups(r->change, {0, 15});
  r->sign = '2';
  PutGroups(r->volume, {0, 0, 1234});
  PutGroups(r->k200, {240, 12});
  PutGroups(r->k200_change, {2, 3});
  r->k200_sign = '2';
  return b;
}

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kBlack = RGB(0, 0, 0);

struct Shown {
  std::u16string text;
  RECT cell;  // the control's rectangle the text must lie in
  COLORREF colour;
  int weight;
};

class StripTest : public ScreenTest {
 protected:
  // Every expected text is drawn once inside its control's rectangle, in its colour and weight.
  void ExpectShown(const std::vector<Shown>& expected) {
    plat::Surface s = Screen();
    for (const Shown& e : expected) {
      SCOPED_TRACE(plat::ToUtf8(e.text) + " at x " + std::to_string(e.cell.left));
      int found = 0;
      for (const plat::TextRecord& t : s.texts) {
        if (t.text != e.text || t.rect.left < e.cell.left || t.rect.right > e.cell.right || t.rect.top < e.cell.top ||
            t.rect.bottom > e.cell.bottom)
          continue;
        ++found;
        EXPECT_EQ(t.color, e.colour);
        EXPECT_EQ(t.weight, e.weight);
        EXPECT_EQ(t.face, u"돋움");
        EXPECT_EQ(t.height, 13);
      }
      EXPECT_EQ(found, 1);
    }
  }
  int ControlsWithId(int id) {
    int n = 0;
    for (auto& w : plat::win::EnumerateWindows()) n += (w.parent == screen_->m_hWnd && w.id == id) ? 1 : 0;
    return n;
  }
};

TEST_F(StripTest, StockReplyFillsTheUpperLineAndBothIndices) {
  OpenScreen();
  auto body = Body4101(Stock{});
  ASSERT_TRUE(screen_->PrintStockBase(body.data(), static_cast<int>(body.size())));
  EXPECT_EQ(Text(IDC_ITEM_NAME), u"삼성전자");
  EXPECT_TRUE(screen_->IsStripInUse());
  EXPECT_EQ(screen_->GetUpperStripRect().right, 208);
  ExpectShown({
      {u"54,300", {2, 47, 70, 60}, kBlack, 700},
      {u"▼", {72, 47, 90, 60}, kBlue, 400},
      {u"-700", {92, 47, 140, 60}, kBlue, 400},
      // Above the volume limit of the strip: thousands with "K".
      {u"12,345K", {142, 47, 207, 60}, kBlack, 400},
      {u"KSP", {2, 282, 24, 295}, kBlack, 400},
      {u"1,234.56", {26, 282, 68, 295}, kRed, 400},  // the longest index text, whole
      {u"▲", {70, 282, 86, 295}, kRed, 400},
      {u"12.34", {88, 282, 120, 295}, kRed, 400},
      {u"KSQ", {122, 282, 146, 295}, kBlack, 400},
      {u"456.78", {148, 282, 184, 295}, kBlue, 400},
      {u"▼", {186, 282, 202, 295}, kBlue, 400},
      {u"-3.21", {204, 282, 238, 295}, kBlue, 400},
  });
}

TEST_F(StripTest, LaterRepliesReuseTheControls) {
  OpenScreen();
  auto first = Body4101(Stock{});
  screen_->PrintStockBase(first.data(), static_cast<int>(first.size()));
  Stock next;
  next.name = u"SK하이닉스";
  next.price = {9, 8700};
  next.volume = {0, 12, 3456};
  next.change = {0, 0};
  next.sign = '3';
  auto second = Body4101(next);
  screen_->PrintStockBase(second.data(), static_cast<int>(second.size()));
  for (int id = IDC_STRIP_FIRST; id <= 3012; ++id) EXPECT_EQ(ControlsWithId(id), 1) << id;
  // 13 bytes of name in a 12-byte field: the cut character is left out.
  Stock cut;
  cut.name = u"A가나다라마바";
  auto third = Body4101(cut);
  screen_->PrintStockBase(third.data(), static_cast<int>(third.size()));
  EXPECT_EQ(Text(IDC_ITEM_NAME), u"A가나다라마");
  screen_->PrintStockBase(second.data(), static_cast<int>(second.size()));
  EXPECT_EQ(ControlsWithId(3013), 0);
  EXPECT_EQ(Text(IDC_ITEM_NAME), u"SK하이닉스");
  EXPECT_EQ(Text(3002), u" ");
  ExpectShown({
      {u"98,700", {2, 47, 70, 60}, kBlack, 700},
      {u"0", {92, 47, 140, 60}, kBlack, 400},
      {u"123,456", {142, 47, 207, 60}, kBlack, 400},
  });
  EXPECT_EQ(screen_->GetStripSign(0), '3');

  // Only the signs change: fields that keep their text are drawn again in the new sign's colour.
  Stock resigned = next;
  resigned.sign = '0';  // a mark of no kind: the mark stays a blank
  resigned.kospiSign = '5';
  auto fourth = Body4101(resigned);
  screen_->PrintStockBase(fourth.data(), static_cast<int>(fourth.size()));
  ExpectShown({
      {u"0", {92, 47, 140, 60}, kBlack, 400},
      {u"1,234.56", {26, 282, 68, 295}, kBlue, 400},
      {u"12.34", {88, 282, 120, 295}, kBlue, 400},
  });
}

TEST_F(StripTest, FuturesOptionsReplyColoursKospi200AndFuturesBySeparateSigns) {
  OpenScreen();
  auto body = Body5555();
  ASSERT_TRUE(screen_->PrintFutOptBase(body.data(), static_cast<int>(body.size())));
  EXPECT_EQ(screen_->GetUpperStripRect().right, 239);
  EXPECT_EQ(screen_->GetStripSign(3), '2');
  EXPECT_EQ(screen_->GetStripSign(4), '5');
  for (int id = 3017; id <= 3020; ++id) EXPECT_EQ(ControlsWithId(id), 2) << id;
  ExpectShown({
      {u"3.05", {2, 47, 70, 60}, kBlack, 400},
      {u"▲", {72, 47, 98, 60}, kRed, 400},
      {u"0.15", {100, 47, 160, 60}, kRed, 400},
      {u"1,234", {162, 47, 238, 60}, kBlack, 400},
      {u"K200", {2, 282, 30, 295}, kBlack, 400},
      {u"240.12", {32, 282, 68, 295}, kRed, 400},
      {u"▲", {70, 282, 86, 295}, kRed, 400},
      {u"2.03", {88, 282, 120, 295}, kRed, 400},
      {u"선물", {122, 282, 146, 295}, kBlack, 700},
      {u"245.50", {148, 282, 184, 295}, kBlue, 400},
      {u"▼", {186, 282, 202, 295}, kBlue, 400},
      {u"-1.20", {204, 282, 238, 295}, kBlue, 400},
  });
}

TEST_F(StripTest, ShortBodiesAndBadLinesChangeNothing) {
  OpenScreen();
  auto body = Body4101(Stock{});
  EXPECT_FALSE(screen_->PrintStockBase(body.data(), static_cast<int>(body.size()) - 1));
  auto fo = Body5555();
  EXPECT_FALSE(screen_->PrintFutOptBase(fo.data(), static_cast<int>(fo.size()) - 1));
  screen_->_print_k200_base(nullptr);
  screen_->PrintStockBase(static_cast<const BASE_DATA_4101*>(nullptr));
  EXPECT_EQ(screen_->SetBaseControl(VX_STRIP_STOCK, 4, u"1", '2', u"2", u"3"), -1);
  EXPECT_EQ(screen_->SetBaseControl(VX_STRIP_FUTOPT, 3, u"1", '2', u"2", u"3"), -1);
  EXPECT_FALSE(screen_->IsStripInUse());
  for (int id = IDC_STRIP_FIRST; id <= IDC_STRIP_LAST; ++id) EXPECT_EQ(ControlsWithId(id), 0) << id;

  UiAnswerer user;
  EXPECT_EQ(screen_->SetBaseControl(3, 1, u"1", '2', u"2", u"3"), 1);
  auto boxes = user.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"베이스 설정 이상");
  EXPECT_EQ(ControlsWithId(IDC_STRIP_FIRST), 0);
}

TEST_F(StripTest, StripColoursFollowTheControlNotItsId) {
  OpenScreen();
  auto body = Body5555();
  screen_->PrintFutOptBase(body.data(), static_cast<int>(body.size()));
  // Both controls with id 3020: each coloured by its own line's sign.
  std::vector<COLORREF> colours;
  for (auto& w : plat::win::EnumerateWindows()) {
    if (w.parent != screen_->m_hWnd || w.id != 3020) continue;
    COLORREF c = 0;
    ASSERT_TRUE(screen_->GetStripTextColor(w.hwnd, &c));
    colours.push_back(c);
  }
  EXPECT_EQ(colours, (std::vector<COLORREF>{kRed, kBlue}));
  EXPECT_FALSE(screen_->GetStripTextColor(Control(vxtest::kTestEditId), nullptr));
}

TEST_F(StripTest, ClosingTheScreenLeavesNoControlsOrGraphicObjects) {
  const size_t objects = plat::gdi::LiveObjectCount();
  OpenScreen();
  auto stock = Body4101(Stock{});
  auto fo = Body5555();
  screen_->PrintStockBase(stock.data(), static_cast<int>(stock.size()));
  screen_->PrintFutOptBase(fo.data(), static_cast<int>(fo.size()));
  Screen();
  CloseScreen();
  plat::win::PumpMessages();
  int left = 0;
  for (auto& w : plat::win::EnumerateWindows()) left += w.hwnd != owner_ ? 1 : 0;
  EXPECT_EQ(left, 0);
  EXPECT_EQ(plat::gdi::LiveObjectCount(), objects);
}

}  // namespace
