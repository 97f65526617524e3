// VX4110 driven as the user drives it, against the simulated trading server that keeps the user's
// interest groups: the requests of the first query, the registrations of the rows and of the
// current item around group changes, trade pushes into several rows with their flash, taps and
// double taps on rows (and on rows that have no item), replies that cannot be shown, and the end
// of the screen.
#include "quote_fixture.h"

namespace {

using quotetest::Reg;
using quotetest::Registrations;
using screentest::Bytes;
using screentest::PutNet;

constexpr int kGrid = 4110;
constexpr int kGroupCombo = 1000;
const std::vector<int> kWidths = {70, 50, 15, 50, 50, 63, 1};
const std::vector<std::string> kGroup1 = {"005930", "000660", "035720"};

// A 9110 body with one record per (code, price, sign, change, rate in hundredths, volume).
struct TickRec {
  std::string code;
  int64_t price;
  char sign;
  int64_t change, rate, volume;
};
Bytes Ticks(const std::vector<TickRec>& recs) {
  Bytes b(1 + 61 * recs.size(), 0);
  b[0] = static_cast<uint8_t>(recs.size());
  for (size_t k = 0; k < recs.size(); ++k) {
    uint8_t* r = &b[1 + 61 * k];
    std::memcpy(r, recs[k].code.data(), 6);
    PutNet(r + 6, 2, recs[k].price);
    PutNet(r + 10, 3, recs[k].volume);
    r[29] = static_cast<uint8_t>(recs[k].sign);
    PutNet(r + 30, 2, recs[k].change);
    PutNet(r + 34, 1, recs[k].rate / 100);
    PutNet(r + 36, 1, recs[k].rate % 100);
  }
  return b;
}

class VX4110Test : public quotetest::QuoteScreenTest {
 protected:
  VX4110Test() : QuoteScreenTest(VX4110_PLUGIN, u"VX4110.dll") {}

  // Opens the list with auto-receive on and waits until the rows of group 1 are registered.
  void OpenLive() {
    autoReceive = TRUE;
    size_t mark = server.logSize();
    Open();
    ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
    ASSERT_TRUE(WaitCell(kGrid, 2, 0, "카카오"));
  }
  std::vector<std::string> Backgrounds(int row) {
    std::vector<std::string> out;
    auto grid = Grid(kGrid);
    if (row < static_cast<int>(grid.size()))
      for (size_t c = 0; c < 6; ++c) out.push_back(grid[static_cast<size_t>(row)][c].bg);
    return out;
  }
  void PickGroup(int index) {
    ASSERT_TRUE(d->Pick(kGroupCombo, index));
    d->Settle();
  }
  int Rows() { return static_cast<int>(Grid(kGrid).size()); }
};

TEST_F(VX4110Test, QueryShowsGroupOneAndRegistersTheIndicesTheItemAndTheRows) {
  autoReceive = TRUE;
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{9000, 4101, 2110, 9000, 9000}));
  EXPECT_EQ(RequestSince(2110, mark), (Bytes{1, 1, '0', '0', '5', '9', '3', '0'}));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{{'1', 9210, {"00001", "02001"}}, {'1', 9110, {"005930"}}, {'1', 9110, kGroup1}}));
  EXPECT_EQ(server.registrations(9110, "005930"), 2);  // the item and its row
  EXPECT_EQ(server.registrations(9110, "035720"), 1);
  EXPECT_EQ(Text(kGroupCombo), "Group1");

  auto grid = Grid(kGrid);
  ASSERT_EQ(grid.size(), 3u);
  EXPECT_EQ(Column(kGrid, 0), (std::vector<std::string>{"삼성전자", "SK하이닉스", "카카오"}));
  // Up in red, down in blue: price, mark, change and rate; the volume in black.
  EXPECT_EQ(grid[0][1].text, "71,500");
  EXPECT_EQ(grid[0][2].text, "▲");
  EXPECT_EQ(grid[0][3].text, "500");
  EXPECT_EQ(grid[0][4].text, "0.70%");
  EXPECT_EQ(grid[0][5].text, "1,240,067");
  for (size_t c = 1; c <= 4; ++c) EXPECT_EQ(grid[0][c].fg, "0000FF") << c;
  EXPECT_EQ(grid[0][5].fg, "000000");
  EXPECT_EQ(grid[1][1].text, "128,500");
  EXPECT_EQ(grid[1][2].text, "▼");
  EXPECT_EQ(grid[1][3].text, "1,500");
  EXPECT_EQ(grid[1][4].text, "-1.15%");
  EXPECT_EQ(grid[1][1].fg, "FF0000");
  EXPECT_EQ(grid[1][6].text, "");
}

TEST_F(VX4110Test, AnotherGroupReleasesTheRowsShownBeforeRegisteringItsOwn) {
  OpenLive();
  server.withMarket([](simsrv::Market& m) {
    m.AddInterest("demo", 3, "068270");
    return m.AddInterest("demo", 3, "005930");
  });
  // An empty group: the three rows released, then a registration without slots.
  size_t mark = server.logSize();
  PickGroup(1);
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 2; }));
  EXPECT_EQ(RequestSince(2110, mark), (Bytes{1, 2, '0', '0', '5', '9', '3', '0'}));
  EXPECT_EQ(Registrations(server, mark), (std::vector<Reg>{{'2', 9110, kGroup1}, {'1', 9110, {}}}));
  EXPECT_EQ(server.requests(9000, mark).back().header[3], 20);
  EXPECT_EQ(Rows(), 0);
  // The current item stays registered on its own.
  EXPECT_EQ(server.registrations(9110, "005930"), 1);
  EXPECT_EQ(server.registrations(9110, "000660"), 0);

  // Group 3 overlaps the current item: both registrations count.
  mark = server.logSize();
  PickGroup(2);
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 2; }));
  EXPECT_EQ(Registrations(server, mark), (std::vector<Reg>{{'2', 9110, {}}, {'1', 9110, {"068270", "005930"}}}));
  EXPECT_EQ(Column(kGrid, 0), (std::vector<std::string>{"셀트리온", "삼성전자"}));
  EXPECT_EQ(server.registrations(9110, "005930"), 2);
  EXPECT_EQ(server.registrations(9110, "068270"), 1);
  EXPECT_EQ(Text(9903), "삼성전자");  // the strip's item did not change
}

TEST_F(VX4110Test, TradePushesUpdateEveryMatchingRowAndFlashUntilTheTimer) {
  OpenLive();
  ASSERT_EQ(server.trade("000660", 129000, 40), 1);
  ASSERT_TRUE(WaitCell(kGrid, 1, 1, "129,000"));
  auto grid = Grid(kGrid);
  EXPECT_EQ(grid[1][3].text, "1,000");
  EXPECT_EQ(grid[1][2].text, "▼");
  EXPECT_EQ(Backgrounds(1), std::vector<std::string>(6, "C8C8C8"));
  EXPECT_EQ(Backgrounds(0), std::vector<std::string>(6, "FFFFFF"));
  EXPECT_EQ(Text(3001), "71,500");  // another item than the strip's
  d->Advance(300);
  EXPECT_EQ(Backgrounds(1), std::vector<std::string>(6, "FFFFFF"));

  // One push of two records: both rows; the current item's record also reaches the strip. A
  // record whose values did not change still flashes its row.
  Bytes two = Ticks({{"005930", 72000, '2', 1000, 141, 1300000}, {"035720", 51200, '5', 800, -153, 9}});
  ASSERT_EQ(server.pushRaw(9110, two), 1);
  ASSERT_TRUE(WaitCell(kGrid, 0, 1, "72,000"));
  grid = Grid(kGrid);
  EXPECT_EQ(grid[0][4].text, "1.41%");
  EXPECT_EQ(grid[0][5].text, "1,300,000");
  EXPECT_EQ(grid[2][1].text, "51,200");
  EXPECT_EQ(grid[2][5].text, "9");
  EXPECT_EQ(Backgrounds(0), std::vector<std::string>(6, "C8C8C8"));
  EXPECT_EQ(Backgrounds(2), std::vector<std::string>(6, "C8C8C8"));
  EXPECT_EQ(Backgrounds(1), std::vector<std::string>(6, "FFFFFF"));
  ASSERT_TRUE(WaitFor([&] { return Text(3001) == "72,000"; })) << Text(3001);
  d->Advance(300);

  // An item in no row changes nothing in the list.
  auto before = Grid(kGrid);
  ASSERT_EQ(server.pushRaw(9110, Ticks({{"068270", 176000, '2', 1000, 57, 5}})), 1);
  Settled();
  auto after = Grid(kGrid);
  for (size_t r = 0; r < after.size(); ++r)
    for (size_t c = 0; c < after[r].size(); ++c) {
      EXPECT_EQ(after[r][c].text, before[r][c].text);
      EXPECT_EQ(after[r][c].bg, before[r][c].bg);
    }
}

TEST_F(VX4110Test, TapAsksForTheRowsQuoteAndDoubleTapOpensTheHomeBoardOnIt) {
  OpenLive();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->TapCell(kGrid, 1, 0));
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; }));
  EXPECT_EQ(RequestSince(4101, mark), screentest::B("000660"));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "00660");
  // The item registration follows the strip's item: the new one first, then the old one.
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 2; }));
  EXPECT_EQ(Registrations(server, mark), (std::vector<Reg>{{'1', 9110, {"000660"}}, {'2', 9110, {"005930"}}}));
  EXPECT_EQ(server.registrations(9110, "005930"), 1);  // its row
  // A trade of the new item reaches the strip and its row.
  ASSERT_EQ(server.trade("000660", 129500, 10), 1);
  ASSERT_TRUE(WaitCell(kGrid, 1, 1, "129,500"));
  ASSERT_TRUE(WaitFor([&] { return Text(3001) == "129,500"; })) << Text(3001);

  // A double tap makes the row's item current and asks for the home board, which shows it.
  ClearOwnerLog();
  RECT r{};
  d->Ui([&] { GetWindowRect(GetDlgItem(dlg, kGrid), &r); });
  ASSERT_TRUE(d->DoubleTapAt(r.left + 30, r.top + 1 + 17 + 2 * 17 + 8));
  d->Settle();
  ASSERT_TRUE(WaitFor([&] { return !OpenRequests().empty(); }));
  EXPECT_EQ(OpenRequests().back(), 92001u);
  ScreenHost::Open(std::u16string(u"VX2001.dll"));
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "카카오"; })) << Text(9903);
}

TEST_F(VX4110Test, RowsWithoutAnItemTakeNoTap) {
  // The list has not come: only the empty rows the grid starts with.
  server.setFault({simsrv::FaultKind::NoReply, 2110});
  Open();
  ASSERT_TRUE(server.waitForRequest(2110, 3000));
  ASSERT_EQ(Rows(), 6);
  size_t mark = server.logSize();
  ClearOwnerLog();
  ASSERT_TRUE(d->TapCell(kGrid, 0, 0));
  ASSERT_TRUE(d->TapCell(kGrid, 3, 1));
  RECT r{};
  d->Ui([&] { GetWindowRect(GetDlgItem(dlg, kGrid), &r); });
  ASSERT_TRUE(d->DoubleTapAt(r.left + 30, r.top + 1 + 17 + 8));
  EXPECT_TRUE(NoneSince(4101, mark));
  EXPECT_TRUE(OpenRequests().empty());
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "05930");
}

TEST_F(VX4110Test, RepliesThatCannotBeShownLeaveTheRowsAsTheyWere) {
  OpenLive();
  struct Case {
    const char* what;
    Bytes body;
    const char* box;
  } cases[] = {
      {"short", Bytes{0, 0}, "길이 오류 (2110)"},
      {"code not digits",
       [] {
         Bytes b(3 + 55, 0);
         b[2] = 1;
         std::memcpy(&b[3], "0A5930", 6);
         std::memcpy(&b[9], "X", 1);
         return b;
       }(),
       "형식 오류 (2110)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.setHandler(2110,
                      [&](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = c.body; });
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
    std::string box = TakeBox();
    EXPECT_NE(box.find(c.box), std::string::npos) << box;
    EXPECT_EQ(Column(kGrid, 0), (std::vector<std::string>{"삼성전자", "SK하이닉스", "카카오"}));
    EXPECT_TRUE(Registrations(server, mark).empty());
  }
  // A count above the records sent: only the records that came.
  server.setHandler(2110, [](simsrv::HandlerContext& ctx, const simsrv::Request&, simsrv::Reply& r) {
    r.body = ctx.market.InterestList2110("demo", 1);
    r.body[2] = 200;
  });
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 2; }));
  EXPECT_EQ(Registrations(server, mark), (std::vector<Reg>{{'2', 9110, kGroup1}, {'1', 9110, kGroup1}}));
  EXPECT_EQ(Rows(), 3);
}

TEST_F(VX4110Test, TheEndReleasesTheRowsTheItemAndTheIndices) {
  OpenLive();
  size_t mark = server.logSize();
  Close();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  EXPECT_EQ(Registrations(server, mark),
            (std::vector<Reg>{{'2', 9110, kGroup1}, {'2', 9110, {"005930"}}, {'2', 9210, {"00001", "02001"}}}));
  for (const std::string& code : kGroup1) EXPECT_EQ(server.registrations(9110, code), 0) << code;
  EXPECT_EQ(server.registrations(9210, "00001"), 0);
}

TEST_F(VX4110Test, WithoutAutoReceiveNothingIsRegisteredAndRegistrationOpensTheEditor) {
  Open();
  ASSERT_TRUE(WaitCell(kGrid, 2, 0, "카카오"));
  PickGroup(1);
  ASSERT_TRUE(WaitFor([&] { return Rows() == 0; }));
  ClearOwnerLog();
  ASSERT_TRUE(d->Tap(12347));
  ASSERT_TRUE(WaitFor([&] { return !OpenRequests().empty(); }));
  EXPECT_EQ(OpenRequests().back(), 91002u);
  Close();
  EXPECT_TRUE(NoneSince(9000, 0));
  EXPECT_EQ(server.trade("005930", 71600, 10), 0);
}

// With auto-receive on every push gives the item code the focus; with pushes flowing the user
// still opens the group combo or the quick-move combo and picks an entry: an open list keeps the
// focus, and once it closes the pushes give the item code the focus again.
TEST_F(VX4110Test, PushesLeaveAnOpenListOpenSoThatItsEntryCanBePicked) {
  OpenLive();
  int64_t price = 129000;
  auto trade = [&] {
    price += 500;
    ASSERT_EQ(server.trade("000660", price, 10), 1);
    ASSERT_TRUE(WaitCell(kGrid, 1, 1, screentest::Grouped(price)));
    Settled();
  };
  auto dropped = [&](int id) {
    bool open = false;
    d->Ui([&] { open = SendMessage(GetDlgItem(dlg, id), CB_GETDROPPEDSTATE, 0, 0) != 0; });
    return open;
  };
  trade();
  EXPECT_EQ(Focus(), IDC_ITEM_COMBO);
  for (int id : {kGroupCombo, IDC_QUICK_MOVE}) {
    SCOPED_TRACE(id);
    RECT r{};
    d->Ui([&] { GetWindowRect(GetDlgItem(dlg, id), &r); });
    ASSERT_TRUE(d->TapAt(r.right - 4, (r.top + r.bottom) / 2));  // its drop-down button
    ASSERT_TRUE(dropped(id));
    trade();
    trade();
    EXPECT_TRUE(dropped(id)) << "a push closed the list under the stylus";
    size_t mark = server.logSize();
    ClearOwnerLog();
    ASSERT_TRUE(d->Pick(id, id == kGroupCombo ? 2 : 0));
    EXPECT_FALSE(dropped(id));
    if (id == kGroupCombo) {
      EXPECT_EQ(RequestSince(2110, mark), (Bytes{1, 3, '0', '0', '5', '9', '3', '0'}));
      EXPECT_EQ(Text(kGroupCombo), "Group3");
      PickGroup(0);
      ASSERT_TRUE(WaitFor([&] { return server.registrations(9110, "000660") == 1; }));  // group 1's rows again
    } else {
      Settled();
      EXPECT_TRUE(OpenRequests().empty()) << "the head entry opens nothing";
    }
    trade();
    EXPECT_EQ(Focus(), IDC_ITEM_COMBO) << "the list closed: the pushes move the focus again";
  }
}

// The list's requests whole: the plain headers the screen writes (length, code, '4' at byte 6,
// every other byte zero) in front of the 2110 body and of the registrations of the indices, the
// item and the rows (8-byte code slots, zero-padded).
TEST_F(VX4110Test, RequestsAndRegistrationsGoAsWholePlainPackets) {
  autoReceive = TRUE;
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitFor([&] { return Registrations(server, mark).size() >= 3; }));
  Settled();
  auto whole = [&](uint16_t code, size_t k) {
    auto sent = server.requests(code, mark);
    return k < sent.size() ? screentest::WholePacket(sent[k].header, sent[k].body) : Bytes{};
  };
  auto slots = [](char kind, uint16_t type, const std::vector<std::string>& codes) {
    return quotetest::RegistrationBody({kind, type, codes});
  };
  using screentest::PlainRequestPacket;
  EXPECT_EQ(whole(4101, 0), PlainRequestPacket(4101, screentest::B("005930")));
  EXPECT_EQ(whole(2110, 0), PlainRequestPacket(2110, Bytes{1, 1, '0', '0', '5', '9', '3', '0'}));
  EXPECT_EQ(whole(9000, 0), PlainRequestPacket(9000, slots('1', 9210, {"00001", "02001"})));
  EXPECT_EQ(whole(9000, 1), PlainRequestPacket(9000, slots('1', 9110, {"005930"})));
  EXPECT_EQ(whole(9000, 2), PlainRequestPacket(9000, slots('1', 9110, kGroup1)));
}

}  // namespace
