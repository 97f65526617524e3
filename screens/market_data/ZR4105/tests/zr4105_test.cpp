// ZR4105 driven as the user drives it, against the simulated trading server: the requests and the
// ten-level snapshot, pushes merged into levels and totals (never the after-hours row) with their
// flash on the virtual clock, the strip, the taps, and the registrations across the switch from
// the home board, when both screens live for a moment and only the new one gets the pushes.
#include "plat/gdi_internal.h"
#include "quote_fixture.h"

namespace {

using quotetest::Reg;
using quotetest::Registrations;
using screentest::Bytes;

typedef void* (*MainDlgFn)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*, BOOL, CMenuConfigFile*);

const std::vector<int> kWidths = {60, 58, 58, 60};
constexpr int kBook = 4105;
const char* const kGrey = "C8C8C8";

std::string Grouped(int64_t v) {
  std::string s = std::to_string(v), out;
  for (size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    size_t left = s.size() - 1 - i;
    if (left && left % 3 == 0) out += ',';
  }
  return out;
}

class ZR4105Test : public quotetest::QuoteScreenTest {
 protected:
  ZR4105Test() : QuoteScreenTest(ZR4105_PLUGIN, u"ZR4105.dll") {}

  void OpenLive() {
    autoReceive = TRUE;
    size_t mark = server.logSize();
    Open();
    ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
    ASSERT_TRUE(WaitCell(kBook, 9, 1, "72,400"));
  }
  std::vector<std::string> Greys(int row) {
    std::vector<std::string> out;
    auto g = Grid(kBook);
    for (const auto& c : g[static_cast<size_t>(row)]) out.push_back(c.bg == kGrey ? "grey" : "-");
    return out;
  }
};

TEST_F(ZR4105Test, QueryShowsTenLevelsTotalsAndAfterHoursAndRegistersTheTenLevelBook) {
  autoReceive = TRUE;
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  ASSERT_TRUE(WaitCell(kBook, 9, 1, "72,400"));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{9000, 4101, 6100, 9000, 9000}));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{{'1', 9210, {"00001", "02001"}}, {'1', 9110, {"005930"}}, {'1', 9121, {"005930"}}}));
  EXPECT_EQ(RequestSince(6100, mark), (Bytes{'0', '0', '5', '9', '3', '0', '2'}));
  auto book = Grid(kBook);
  ASSERT_EQ(book.size(), 12u);
  int64_t bidTotal = 0;
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    int64_t bid = server.withMarket([&](simsrv::Market& m) { return m.BidVolume(*m.FindItem("005930"), i); });
    bidTotal += bid;
    EXPECT_EQ(book[i][1].text, Grouped(71500 + 100 * i));
    EXPECT_EQ(book[i][2].text, Grouped(71400 - 100 * i));
    EXPECT_EQ(book[i][3].text, Grouped(bid));
  }
  EXPECT_EQ(book[9][2].fg, "FF0000");  // 70,500 is below the close of 71,000: blue
  EXPECT_EQ(book[10][3].text, Grouped(bidTotal));
  EXPECT_EQ(book[10][1].text, "잔");
  EXPECT_EQ(book[11][3].text, Grouped(bidTotal / 10));
  EXPECT_EQ(book[11][2].text, "총잔량");
}

TEST_F(ZR4105Test, PushMergesLevelsAndTotalsButNotTheAfterHoursRowAndFlashesFor300ms) {
  OpenLive();
  auto before = Grid(kBook);
  ASSERT_EQ(server.trade("005930", 71400, 10), 1);  // one tick down
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,400"));
  ASSERT_TRUE(WaitFor([&] { return Text(3001) == "71,400"; }));
  auto after = Grid(kBook);
  // Every level moved; the totals row flashes where it changed; the after-hours row stays.
  for (int r = 0; r < 10; ++r) EXPECT_EQ(Greys(r), (std::vector<std::string>(4, "grey"))) << r;
  EXPECT_EQ(after[11][0].text, before[11][0].text);
  EXPECT_EQ(Greys(11), (std::vector<std::string>(4, "-")));
  EXPECT_EQ(after[0][1].fg, "0000FF");  // 71,400 above the close of 71,000
  EXPECT_EQ(after[7][2].fg, "FF0000");  // 70,600 below it

  d->Advance(299);
  EXPECT_EQ(Greys(0), (std::vector<std::string>(4, "grey")));
  d->Advance(1);
  EXPECT_EQ(Greys(0), (std::vector<std::string>(4, "-")));
  EXPECT_EQ(Grid(kBook)[0][0].bg, "FFC8C8");
  EXPECT_EQ(Grid(kBook)[0][3].bg, "C8C8FF");
  EXPECT_EQ(Grid(kBook)[10][0].bg, "FFFFFF");
  EXPECT_EQ(Grid(kBook)[10][1].bg, "8CDFFF");

  // A push that changes nothing flashes nothing.
  ASSERT_EQ(server.push(9121, {"005930"}), 1);
  Settled();
  for (int r = 0; r < 12; ++r) EXPECT_EQ(Greys(r), (std::vector<std::string>(4, "-"))) << r;
}

TEST_F(ZR4105Test, DoubleTapOnALevelHandsItsPriceTheTotalsNothingAndTheHeaderGoesHome) {
  OpenLive();
  ClearOwnerLog();
  DoubleTapCell(kBook, 9, 3, kWidths, 16, 16);
  EXPECT_EQ(Registry(u"Price"), "70,500");
  DoubleTapCell(kBook, 0, 0, kWidths, 16, 16);
  EXPECT_EQ(Registry(u"Price"), "71,500");
  EXPECT_EQ(OpenRequests(), (std::vector<WPARAM>{93002, 93001}));
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change"));
    reg.DeleteValue(u"Price");
  }
  DoubleTapCell(kBook, 10, 0, kWidths, 16, 16);
  DoubleTapCell(kBook, 11, 2, kWidths, 16, 16);
  EXPECT_EQ(Registry(u"Price"), "<none>");
  EXPECT_EQ(OpenRequests().size(), 2u);
  TapHeader(kBook, 2, kWidths);
  ASSERT_TRUE(WaitFor([&] { return OpenRequests().size() == 3; }));
  EXPECT_EQ(OpenRequests().back(), WPARAM(VX_SCREEN_STOCK_HOME));

  // A bid level's volume hands the bid price to the sell screen, which shows it once opened.
  DoubleTapCell(kBook, 4, 3, kWidths, 16, 16);
  EXPECT_EQ(OpenRequests().back(), WPARAM(93002));
  EXPECT_EQ(Registry(u"Price"), "71,000");
  nameStatic = 1015;
  ScreenHost::Open(std::u16string(u"VX4300.dll"));
  EXPECT_EQ(Text(1010), "71,000");
}

TEST_F(ZR4105Test, SwitchFromTheHomeBoardRegistersTheNewScreenFirstAndOnlyItGetsPushes) {
  // The home board, live.
  autoReceive = TRUE;
  size_t mark = server.logSize();
  Open(u"VX2001.dll");
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  ASSERT_TRUE(WaitCell(1357, 0, 1, "71,500"));
  HWND board = dlg;
  HMODULE boardModule = module;
  void (*boardEnd)() = end;

  // The host shows the ten-level book, makes it the receiver and queries it; the board ends
  // half a second later.
  mark = server.logSize();
  d->Ui([&] {
    module = LoadLibrary(u"\\Program Files\\Quorvan\\Bin\\ZR4105.dll");
    ASSERT_NE(module, nullptr);
    auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(module, "MainDlg"));
    end = reinterpret_cast<void (*)()>(GetProcAddress(module, "EndDlg"));
    ASSERT_TRUE(mainDlg && end);
    uint32_t record[2] = {1, 1};
    mainDlg(record, owner, thread->GetSocket(), thread, &encrypt, &codes, TRUE, &menu);
    dlg = static_cast<HWND>(record[0]);
    thread->SetHwnd(dlg);
    SendMessage(dlg, WM_VX_QUERY, 0, 0);
  });
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  ASSERT_TRUE(WaitCell(kBook, 9, 1, "72,400"));
  // While both live, a trade reaches only the ten-level book.
  ASSERT_EQ(server.trade("005930", 71600, 10), 1);
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,600"));
  HWND book = dlg;
  dlg = board;
  EXPECT_EQ(Grid(1357)[0][1].text, "71,500");
  EXPECT_EQ(Grid(1358)[0][1].text, "");
  dlg = book;
  d->Ui([&] {
    boardEnd();
    FreeLibrary(boardModule);
  });
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 6; }));
  EXPECT_EQ(Registrations(server, mark), (std::vector<Reg>{{'1', 9210, {"00001", "02001"}},
                                                           {'1', 9110, {"005930"}},
                                                           {'1', 9121, {"005930"}},
                                                           {'2', 9110, {"005930"}},
                                                           {'2', 9120, {"005930"}},
                                                           {'2', 9210, {"00001", "02001"}}}));
  EXPECT_EQ(server.registrations(9210, "00001"), 1);
  EXPECT_EQ(server.registrations(9110, "005930"), 1);
  EXPECT_EQ(server.registrations(9120, "005930"), 0);
  EXPECT_EQ(server.registrations(9121, "005930"), 1);
  // The book goes on with its pushes after the board has gone.
  ASSERT_EQ(server.trade("005930", 71700, 10), 1);
  ASSERT_TRUE(WaitCell(kBook, 0, 1, "71,700"));
}

// The book's 16-pixel header holds its titles whole, and nothing else the screen draws loses ink
// to its cell or control either: the titles drawn with the 13-pixel label font read as written.
TEST_F(ZR4105Test, TheTitlesAndEveryOtherStringAreDrawnWhole) {
  plat::gdi::TakeClippedTexts();
  OpenLive();
  Settled();
  ASSERT_EQ(server.trade("005930", 71600, 10), 1);
  ASSERT_TRUE(WaitFor([&] { return Text(3001) == "71,600"; }));
  d->Advance(300);
  size_t total = 0;
  std::vector<std::string> clipped;
  for (const auto& c : plat::gdi::TakeClippedTexts(&total)) clipped.push_back(screentest::Utf8(c.text));
  EXPECT_EQ(clipped, std::vector<std::string>{});
  EXPECT_EQ(total, 0u);
}

// The book's requests whole: the plain headers it writes (length, code, '4' at byte 6, every other
// byte zero) in front of the base quote, the ten-level snapshot and the registrations.
TEST_F(ZR4105Test, RequestsAndRegistrationsGoAsWholePlainPackets) {
  autoReceive = TRUE;
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  Settled();
  auto whole = [&](uint16_t code, size_t k) {
    auto sent = server.requests(code, mark);
    return k < sent.size() ? screentest::WholePacket(sent[k].header, sent[k].body) : Bytes{};
  };
  auto slots = [](uint16_t type, const std::vector<std::string>& codes) {
    return quotetest::RegistrationBody({'1', type, codes});
  };
  using screentest::PlainRequestPacket;
  EXPECT_EQ(whole(4101, 0), PlainRequestPacket(4101, screentest::B("005930")));
  EXPECT_EQ(whole(6100, 0), PlainRequestPacket(6100, screentest::B("0059302")));
  EXPECT_EQ(whole(9000, 0), PlainRequestPacket(9000, slots(9210, {"00001", "02001"})));
  EXPECT_EQ(whole(9000, 1), PlainRequestPacket(9000, slots(9110, {"005930"})));
  EXPECT_EQ(whole(9000, 2), PlainRequestPacket(9000, slots(9121, {"005930"})));
}

}  // namespace
