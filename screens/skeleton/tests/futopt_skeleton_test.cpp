// The futures/options skeleton, driven through a small screen in its four forms (futures and
// options quote screens, an order screen, an account screen) against the simulated trading
// server: the item read from the registry, the 5555 request's bytes and its order against the
// screen's own request, the strip, the accounts and their memo, the grids' band, the finder's
// re-query and the go-to button.
#include <algorithm>
#include <string>
#include <vector>

#include "plat/surface.h"
#include "screen_host.h"
#include "vxskeleton/futopt_screen.h"

namespace {

using screentest::B;
using screentest::Bytes;
using screentest::Utf16;
using screentest::Utf8;
using Pick = screentest::ScreenHost::FutOptPick;

constexpr uint16_t kOwnCode = 4997;
constexpr int kReplyShown = 1030, kOwnQuery = 1031, kField1002 = 1002;
constexpr COLORREF kRed = 0x0000FF, kBlue = 0xFF0000, kBlack = 0;

// The picks of the finder used below.
const Pick kOptionLast{u"2", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};
const Pick kFuturesLast{u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"};

Bytes Body5555(const std::string& code, uint8_t market) {
  Bytes b(9, 0);
  std::copy(code.begin(), code.end(), b.begin());
  b[8] = market;
  return b;
}

class FutOptSkeletonTest : public screentest::ScreenTest {
 protected:
  void SetUp() override {
    baseCode = 5555;
    ScreenTest::SetUp();
    // The screen's own request: its item code comes back.
    server.setHandler(kOwnCode,
                      [](simsrv::HandlerContext&, const simsrv::Request& req, simsrv::Reply& r) { r.body = req.body; });
  }
  void OpenScreen(const char* name) { ScreenHost::Open(Utf16(std::string(name) + ".dll")); }

  // The codes of the screen's requests after `mark`, in order of arrival (keep-alive probes left out).
  std::vector<uint16_t> CodesSince(size_t mark) {
    std::vector<uint16_t> codes;
    for (const auto& e : server.requests(0, mark))
      if (e.code != 1100) codes.push_back(e.code);
    return codes;
  }
  RECT RectOf(int id) {
    for (const auto& w : plat::win::EnumerateWindows())
      if (w.parent == dlg && w.id == id) return w.rect;
    ADD_FAILURE() << "no control " << id;
    return {};
  }
  std::vector<plat::TextRecord> TextsIn(const RECT& r) {
    plat::Surface s;
    d->Ui([&] { plat::win::ComposeScreen(s); });
    std::vector<plat::TextRecord> out;
    for (const auto& t : s.texts)
      if (t.rect.left >= r.left && t.rect.right <= r.right && t.rect.top >= r.top && t.rect.bottom <= r.bottom)
        out.push_back(t);
    return out;
  }
  COLORREF PixelAt(int x, int y) {
    plat::Surface s;
    d->Ui([&] { plat::win::ComposeScreen(s); });
    POINT p{x, y};
    d->Ui([&] { ClientToScreen(dlg, &p); });
    return s.Row(p.y)[p.x];
  }
};

// ---- The item in the registry and the request bytes ---------------------------------------------------

TEST_F(FutOptSkeletonTest, ItemIsReadInTheFormOfTheScreen) {
  using vxskel::FoForm;
  using vxskel::FoNameCut;
  using vxskel::FoRead;
  struct Case {
    const char* what;
    Pick pick;
    FoForm form;
    FoNameCut cut;
    FoRead read;
    const char16_t* code;
    const char16_t* name;
    int market;  // of the Picked form
  } cases[] = {
      {"options screen, options name whole", kFuturesLast, FoForm::Options, FoNameCut::KeepLast, FoRead::Item,
       u"201C3185", u"C 0703 185.0", 0},
      {"futures screen, name's last 10", kOptionLast, FoForm::Futures, FoNameCut::KeepLast, FoRead::Item, u"101C3",
       u"200 F 0703", 0},
      {"futures name's first 10", kOptionLast, FoForm::Futures, FoNameCut::KeepFirst, FoRead::Item, u"101C3",
       u"KP200 F 07", 0},
      {"picked futures", kFuturesLast, FoForm::Picked, FoNameCut::KeepLast, FoRead::Item, u"101C3", u"200 F 0703", 1},
      {"picked options", kOptionLast, FoForm::Picked, FoNameCut::KeepLast, FoRead::Item, u"201C3185", u"C 0703 185.0",
       2},
      {"nothing picked ever", Pick{}, FoForm::Picked, FoNameCut::KeepLast, FoRead::NoItem, u"", u"", 0},
      {"no futures item", Pick{u"2", nullptr, nullptr, u"201C3185", u"C"}, FoForm::Futures, FoNameCut::KeepLast,
       FoRead::NoItem, u"", u"", 0},
      {"no kind: item kept", Pick{nullptr, u"101C3", u"KP200 F 0703"}, FoForm::Picked, FoNameCut::KeepLast,
       FoRead::Unchanged, u"", u"", 0},
      {"unknown kind: item kept", Pick{u"3", u"101C3", u"KP200 F 0703"}, FoForm::Picked, FoNameCut::KeepLast,
       FoRead::Unchanged, u"", u"", 3},
      {"kind named, its code never written", Pick{u"2", u"101C3", u"KP200 F 0703"}, FoForm::Picked, FoNameCut::KeepLast,
       FoRead::Item, u"", u"", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StoreFutOptItem(c.pick);
    vxskel::FutOptItem item;
    EXPECT_EQ(vxskel::ReadFutOptItem(c.form, c.cut, item), c.read);
    EXPECT_EQ(Utf8(item.code.str()), Utf8(c.code));
    EXPECT_EQ(Utf8(item.name.str()), Utf8(c.name));
    EXPECT_EQ(vxskel::FoMarketFlag(item.setFlag), c.market);
  }
  EXPECT_EQ(vxskel::FoMarketFlag(CString(u"12x")), 12);
  EXPECT_EQ(vxskel::FoMarketFlag(CString(u"x1")), 0);
}

TEST_F(FutOptSkeletonTest, BaseRequestIsTwentyFourBytesWithTheMarketAsANumber) {
  unsigned char p[vxskel::kFutOptBaseSize + 4];
  std::fill(std::begin(p), std::end(p), 0xEE);
  ASSERT_EQ(vxskel::MakeFutOptBasePacket(p, CString(u"201C3185XYZ"), 2), 24);
  const Bytes want = {0, 0, 0, 24, 0x15, 0xB3, '4', 0, 0, 0, 0, 0, 0, 0, 0, '2', '0', '1', 'C', '3', '1', '8', '5', 2};
  EXPECT_EQ(Bytes(p, p + 24), want);
  EXPECT_EQ(p[24], 0xEE);  // nothing written past the request
  ASSERT_EQ(vxskel::MakeFutOptBasePacket(p, CString(), 0), 24);
  EXPECT_EQ(Bytes(p + 15, p + 24), Bytes(9, 0));
  // A header-only request and one with the item code.
  EXPECT_EQ(vxskel::MakeHeaderPacket(p, 5105, 0), 15);
  EXPECT_EQ(Bytes(p, p + 7), (Bytes{0, 0, 0, 15, 0x13, 0xF1, '4'}));
  EXPECT_EQ(vxskel::MakeFutOptCodeRequest(p, 5103, CString(u"101C3")), 23);
  EXPECT_EQ(Bytes(p + 15, p + 23), (Bytes{'1', '0', '1', 'C', '3', 0, 0, 0}));
}

// ---- Quote screens ------------------------------------------------------------------------------------

TEST_F(FutOptSkeletonTest, OptionsScreenAsksForItsOwnRequestThenTheStripAndShowsBoth) {
  StoreFutOptItem(kFuturesLast);  // the options screen reads its own kind, whatever was picked last
  size_t mark = server.logSize();
  OpenScreen("fo_test_options");
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "3.50" && !Text(kReplyShown).empty(); }));
  Settled();
  EXPECT_EQ(CodesSince(mark), (std::vector<uint16_t>{kOwnCode, 5555}));
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("201C3185", 2)));
  EXPECT_EQ(PacketSince(5555, mark).size(), 24u);
  EXPECT_EQ(PacketSince(kOwnCode, mark), screentest::PlainRequestPacket(kOwnCode, B("201C3185")));
  EXPECT_EQ(Text(9903), "C 0703 185.0");
  EXPECT_EQ(Text(9910), "201C3185");
  EXPECT_EQ(Text(kReplyShown), "4997 201C3185");
  for (int grid : {4001, 4002}) EXPECT_EQ(Grid(grid).at(0).at(1).text, "4997 201C3185") << grid;
  // The strip: item 3.50 up 0.30, KOSPI200 185.25 and the nearest futures 187.00.
  EXPECT_EQ(Text(3015), "0.30");
  EXPECT_EQ(Text(3014), "▲");

  // 조회: the strip first, then the screen's request.
  mark = server.logSize();
  d->Tap(vxskel::kBtnQuery);
  Settled();
  EXPECT_EQ(CodesSince(mark), (std::vector<uint16_t>{5555, kOwnCode}));
  EXPECT_TRUE(NoBox());
}

TEST_F(FutOptSkeletonTest, FuturesScreenSendsThePlainCodeWithMarketOne) {
  StoreFutOptItem(kOptionLast);
  size_t mark = server.logSize();
  OpenScreen("fo_test_futures");
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "187.00"; })) << Text(3013);
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("101C3", 1)));
  EXPECT_EQ(Text(9903), "200 F 0703");
}

TEST_F(FutOptSkeletonTest, WithoutAnItemTheStripIsStillAskedForAndNothingElse) {
  StoreFutOptItem(Pick{});
  size_t mark = server.logSize();
  OpenScreen("fo_test_options");
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "종목을 선택하세요"; })) << Text(9903);
  Settled();
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("", 2)));
  EXPECT_TRUE(NoneSince(kOwnCode, mark));
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(Text(9910).empty());
}

TEST_F(FutOptSkeletonTest, FinderPickIsReadAgainAndAskedFor) {
  StoreFutOptItem(kOptionLast);
  OpenScreen("fo_test_options");
  // The finder leaves another option in the registry and the screen is queried again.
  StoreFutOptItem(Pick{u"2", nullptr, nullptr, u"301C3180", u"P 0703 180.0"});
  size_t mark = server.logSize();
  d->Tap(vxskel::kFoFinder);
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "P 0703 180.0" && Text(3013) == "0.95"; })) << Text(9903);
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("301C3180", 2)));
  EXPECT_EQ(PacketSince(kOwnCode, mark), screentest::PlainRequestPacket(kOwnCode, B("301C3180")));
}

TEST_F(FutOptSkeletonTest, GridsShareTheBandBelowTheScreensControlsAboveTheStrip) {
  StoreFutOptItem(kOptionLast);
  OpenScreen("fo_test_options");
  RECT own = RectOf(kOwnQuery), a = RectOf(4001), b = RectOf(4002);
  POINT origin{0, 0};
  d->Ui([&] { ClientToScreen(dlg, &origin); });
  EXPECT_EQ(a.top, own.bottom + 2);
  EXPECT_EQ(a.bottom, b.top);
  EXPECT_LE(b.bottom, origin.y + 278);  // never over the lower strip
  EXPECT_NEAR(a.bottom - a.top, b.bottom - b.top, 1);
  EXPECT_EQ(a.left, origin.x + 1);
  // The next screen replaces this one: the grids go with their dialog (the next has its own).
  OpenScreen("fo_test_futures");
  for (int id : {4001, 4002}) {
    int n = 0;
    for (const auto& w : plat::win::EnumerateWindows()) n += w.id == id;
    EXPECT_EQ(n, 1) << id;
  }
}

TEST_F(FutOptSkeletonTest, EachIndexLineOfTheStripTakesItsOwnSignsColour) {
  // KOSPI200 down, the futures up: the two lines share their control ids.
  server.setHandler(5555, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(33, 0);
    auto put = [&](size_t at, int16_t a, int16_t b) {
      r.body[at] = static_cast<uint8_t>(a >> 8), r.body[at + 1] = static_cast<uint8_t>(a);
      r.body[at + 2] = static_cast<uint8_t>(b >> 8), r.body[at + 3] = static_cast<uint8_t>(b);
    };
    put(0, 187, 0), put(4, 0, 50), r.body[8] = '2';        // futures 187.00 ▲ 0.50
    put(9, 3, 50), put(13, 0, 30), r.body[17] = '2';       // item
    put(24, 185, 25), put(28, -1, -25), r.body[32] = '5';  // KOSPI200 185.25 ▼ -1.25
  });
  StoreFutOptItem(kOptionLast);
  OpenScreen("fo_test_options");
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "3.50"; }));
  POINT o{0, 0};
  d->Ui([&] { ClientToScreen(dlg, &o); });
  struct Want {
    const char* text;
    RECT at;  // client rectangle of its static
    COLORREF colour;
  } wants[] = {
      {"K200", {2, 282, 30, 295}, kBlack},   {"185.25", {32, 282, 68, 295}, kBlue},
      {"-1.25", {88, 282, 120, 295}, kBlue}, {"187.00", {148, 282, 184, 295}, kRed},
      {"0.50", {204, 282, 238, 295}, kRed},
  };
  for (const Want& w : wants) {
    SCOPED_TRACE(w.text);
    RECT r{o.x + w.at.left, o.y + w.at.top, o.x + w.at.right, o.y + w.at.bottom};
    auto texts = TextsIn(r);
    auto it = std::find_if(texts.begin(), texts.end(), [&](const auto& t) { return Utf8(t.text) == w.text; });
    ASSERT_NE(it, texts.end());
    EXPECT_EQ(it->color, w.colour);
  }
  // The separators of the futures/options strip, not the stock strip's.
  const COLORREF grey = RGB(0xC0, 0xC0, 0xC0);
  for (int x : {71, 99, 161}) EXPECT_EQ(PixelAt(x, 50), grey) << x;
  for (int x : {31, 69, 121, 203}) EXPECT_EQ(PixelAt(x, 290), grey) << x;
  EXPECT_NE(PixelAt(141, 50), grey);
  EXPECT_NE(PixelAt(25, 290), grey);
}

// ---- Order and account screens -------------------------------------------------------------------------

TEST_F(FutOptSkeletonTest, OrderScreenShowsThePickedItemAndTheFutOptAccounts) {
  StoreFutOptAccounts({u"1234567803", u"1234567805"});
  {
    CPropCE memo;
    ASSERT_TRUE(memo.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT_CHANGE));
    memo.SetValue(u"AccountNo", u"1234567805");
  }
  StoreFutOptItem(kFuturesLast);
  accountCombo_ = vxskel::kAccountCombo;
  size_t mark = server.logSize();
  OpenScreen("fo_test_order");
  ASSERT_TRUE(WaitFor([&] { return Text(3013) == "187.00"; })) << Text(3013);
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("101C3", 1)));
  for (int id : {9910, 9912}) EXPECT_EQ(Text(id), "101C3") << id;
  for (int id : {9903, kField1002}) EXPECT_EQ(Text(id), "200 F 0703") << id;
  EXPECT_EQ(Focus(), vxskel::kFoPassword);
  EXPECT_EQ(Text(vxskel::kAccountCombo), "12345678 - 05");

  // Another account: the password is emptied and the memo follows when the combo lets go.
  TypePassword("1234", vxskel::kFoPassword);
  PickAccount(0);
  EXPECT_TRUE(Text(vxskel::kFoPassword).empty());
  EXPECT_EQ(Focus(), vxskel::kFoPassword);
  CPropCE memo;
  ASSERT_TRUE(memo.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT_CHANGE));
  EXPECT_EQ(Utf8(CString(memo.GetValue(u"AccountNo")).str()), "1234567803");
  CPropCE stock;
  ASSERT_TRUE(stock.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
  EXPECT_NE(Utf8(CString(stock.GetValue(u"AccountNo")).str()), "1234567803");

  // 조회 asks for the strip again, with the item the registry holds now.
  StoreFutOptItem(kOptionLast);
  mark = server.logSize();
  d->Tap(vxskel::kBtnQuery);
  Settled();
  EXPECT_EQ(CodesSince(mark), (std::vector<uint16_t>{5555}));
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("201C3185", 2)));
  EXPECT_EQ(Text(kField1002), "C 0703 185.0");

  // 8207 "주식" waits until the host has switched screens.
  ClearOwnerLog();
  d->Tap(IDC_BTN_STOCK);
  EXPECT_EQ(OpenRequests(), (std::vector<WPARAM>{92001}));
}

TEST_F(FutOptSkeletonTest, AccountScreenKeepsItsOwnField1002AndSendsMarketZeroWithoutAKind) {
  // A futures code without the kind of the last pick: the code stays empty and the market is 0.
  StoreFutOptItem(Pick{nullptr, u"101C3", u"KP200 F 0703"});
  StoreFutOptAccounts({u"1234567803"});
  accountCombo_ = vxskel::kAccountCombo;
  nameStatic = 3018;  // the name stays empty: the strip's KOSPI200 tells that the reply came
  size_t mark = server.logSize();
  ScreenHost::Open(u"fo_test_account.dll");
  Settled();
  EXPECT_EQ(PacketSince(5555, mark), screentest::PlainRequestPacket(5555, Body5555("", 0)));
  TypeInto(kField1002, "12");
  StoreFutOptItem(kOptionLast);
  d->Tap(vxskel::kBtnQuery);
  Settled();
  // The item goes to the name field and the strip's code, never into the screen's edit 1002.
  EXPECT_EQ(Text(9903), "C 0703 185.0");
  EXPECT_EQ(Text(kField1002), "12");
  EXPECT_TRUE(NoBox());
}

}  // namespace
