// VX4112 driven as the user drives it, against the simulated trading server that keeps the
// user's interest groups: the group's items, the stock list by market and initial consonant,
// registering and deleting (and what is refused without a picked item), replies of more rows
// than the screen keeps, and the round trip to the interest list, whose rows then follow the
// new item's trades.
#include "quote_fixture.h"

namespace {

using screentest::Bytes;

constexpr int kStocks = 1000, kRegister = 1001, kDelete = 1002, kGroupItems = 1003, kCodeEdit = 1004;
constexpr int kGroupCombo = 1005, kKospi = 1006, kKosdaq = 1007, kConfirm = 1008;
constexpr int kFirstConsonant = 9312;
const char* const kNoItem = "등록할 종목을 선택하여 주십시오";

Bytes Edit(uint8_t group, uint8_t operation, const std::string& code) {
  Bytes b{group, operation, 0, 0, 0, 0, 0, 0};
  std::memcpy(&b[2], code.data(), code.size());
  return b;
}

class VX4112Test : public quotetest::QuoteScreenTest {
 protected:
  VX4112Test() : QuoteScreenTest(VX4112_PLUGIN, u"VX4112.dll") {}

  void OpenEditor(size_t items = 3) {
    nameStatic = 0;
    baseCode = 2111;  // the editor asks for no base quote: its first request
    size_t mark = server.logSize();
    ScreenHost::Open(std::u16string(u"VX4112.dll"));
    ASSERT_EQ(RequestSince(2111, mark), Edit(1, 1, ""));
    ASSERT_TRUE(WaitFor([&] { return Items().size() == items; }));
  }
  // What a list box or list view shows, row by row (a list view row: its cells joined by '|').
  std::vector<std::string> Rows(int id) {
    std::vector<std::string> out;
    d->Ui([&] {
      HWND w = GetDlgItem(dlg, id);
      int n = static_cast<int>(SendMessage(w, id == kGroupItems ? LB_GETCOUNT : LVM_GETITEMCOUNT, 0, 0));
      for (int i = 0; i < n; ++i) {
        WCHAR buf[64] = {};
        if (id == kGroupItems) {
          SendMessage(w, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
          out.push_back(screentest::Utf8(buf));
        } else {
          std::string row;
          for (int c = 0; c < 2; ++c) {
            LVITEM item{};
            item.iSubItem = c;
            item.pszText = buf;
            item.cchTextMax = 64;
            SendMessage(w, LVM_GETITEMTEXT, i, reinterpret_cast<LPARAM>(&item));
            row += (c ? "|" : "") + screentest::Utf8(buf);
          }
          out.push_back(row);
        }
      }
    });
    return out;
  }
  std::vector<std::string> Items() { return Rows(kGroupItems); }
  void TapAndSettle(int id) {
    ASSERT_TRUE(d->Tap(id));
    d->Settle();
  }
  // Picks the stock of `code` ("68270") in the list view shown.
  void PickStock(const std::string& code) {
    auto rows = Rows(kStocks);
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].rfind(code + "|", 0) == 0) {
        ASSERT_TRUE(d->Pick(kStocks, static_cast<int>(i)));
        d->Settle();
        return;
      }
    FAIL() << code << " not listed";
  }
};

TEST_F(VX4112Test, StartListsGroupOneAndTheKospiStocksOfTheFirstConsonant) {
  OpenEditor();
  EXPECT_EQ(Items(), (std::vector<std::string>{"삼성전자", "SK하이닉스", "카카오"}));
  EXPECT_EQ(Text(kGroupCombo), "Group1");
  EXPECT_TRUE(Checked(kKospi));
  auto stocks = Rows(kStocks);
  ASSERT_EQ(stocks.size(), 16u);
  EXPECT_EQ(stocks[0], "60000|국민은행");
  EXPECT_EQ(stocks[1], "00270|기아차");
}

TEST_F(VX4112Test, ConsonantAndMarketButtonsFilterTheStocks) {
  OpenEditor();
  struct Case {
    int button;  // 0: none pressed after the market
    int market;
    size_t count;
    const char* first;
  } cases[] = {
      {kFirstConsonant + 13, kKospi, 44, "00660|하이닉스"},  // 하 and every later syllable
      {kFirstConsonant + 9, kKospi, 1, "00650|천일고속"},    // 차
      {kFirstConsonant + 15, kKospi, 0, nullptr},            // 123: no KOSPI name starts with a digit
      {kFirstConsonant + 14, kKospi, 38, "05490|POSCO"},     // A: Latin letters
      {0, kKosdaq, 3, "78130|국일제지"},                     // a market starts again at 가
      {kFirstConsonant + 15, kKosdaq, 1, "90115|3S"},
      {kFirstConsonant + 6, kKosdaq, 10, "68270|셀트리온"},  // 사
      {kFirstConsonant + 11, kKosdaq, 3, "66700|테라젠이텍스"},
      {0, kKospi, 16, "60000|국민은행"},
  };
  int market = kKospi;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    if (c.market != market) {
      market = c.market;
      TapAndSettle(market);
    }
    if (c.button) {
      TapAndSettle(c.button);
    }
    auto rows = Rows(kStocks);
    ASSERT_EQ(rows.size(), c.count);
    if (c.first) {
      EXPECT_EQ(rows[0], c.first);
    }
  }
}

TEST_F(VX4112Test, RegisterAndDeleteGoToTheServerAndItsListIsShown) {
  OpenEditor();
  // Group 2, then 셀트리온 from the KOSDAQ stocks of 사.
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Pick(kGroupCombo, 1));
  ASSERT_EQ(RequestSince(2111, mark), Edit(2, 1, ""));
  ASSERT_TRUE(WaitFor([&] { return Items().empty(); }));
  TapAndSettle(kKosdaq);
  TapAndSettle(kFirstConsonant + 6);
  PickStock("68270");
  EXPECT_EQ(Text(kCodeEdit), "68270");
  EXPECT_EQ(TapAndCapture(kRegister, 2111), Edit(2, 2, "068270"));
  ASSERT_TRUE(WaitFor([&] { return Items() == std::vector<std::string>{"셀트리온"}; }));
  TapAndSettle(kFirstConsonant + 13);
  PickStock("33630");  // 하나로텔레콤 is no item of the server: its message is shown
  ASSERT_TRUE(d->Tap(kRegister));
  ExpectBox("종목코드를 확인하세요.");
  EXPECT_EQ(Items(), std::vector<std::string>{"셀트리온"});

  // A group item picked and deleted.
  ASSERT_TRUE(d->Pick(kGroupItems, 0));
  EXPECT_EQ(Text(kCodeEdit), "68270");
  EXPECT_EQ(TapAndCapture(kDelete, 2111), Edit(2, 3, "068270"));
  ASSERT_TRUE(WaitFor([&] { return Items().empty(); }));
  EXPECT_EQ(server.withMarket([](simsrv::Market& m) { return m.InterestGroup("demo", 2)->size(); }), 0u);
}

TEST_F(VX4112Test, WithoutAPickedItemNothingIsRegisteredOrDeleted) {
  OpenEditor();
  for (int button : {kRegister, kDelete}) {
    SCOPED_TRACE(button);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(button));
    ExpectBox(kNoItem);
    EXPECT_TRUE(NoneSince(2111, mark));
  }
  // A group change lets go of the item picked before.
  PickStock("60000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Pick(kGroupCombo, 4));
  ASSERT_EQ(RequestSince(2111, mark), Edit(5, 1, ""));
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kRegister));
  ExpectBox(kNoItem);
  EXPECT_TRUE(NoneSince(2111, mark));
}

TEST_F(VX4112Test, RepliesKeepAtMostTenRowsAndNoneForAnEmptyOrNegativeCount) {
  auto reply = [](int count, int rows) {
    Bytes b(1 + 22 * static_cast<size_t>(rows), 0);
    b[0] = static_cast<uint8_t>(count);
    for (int i = 0; i < rows; ++i) {
      std::string code = "0" + std::to_string(10000 + i);
      std::memcpy(&b[1 + 22 * i], code.data(), 6);
      std::string name = "Item" + std::to_string(i);
      std::memcpy(&b[1 + 22 * i + 6], name.data(), name.size());
    }
    return b;
  };
  Bytes next;
  server.setHandler(2111, [&](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = next; });
  next = reply(12, 12);
  OpenEditor(10);
  auto items = Items();
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[9], "Item9");
  // The last row kept is the last that can be picked and deleted.
  ASSERT_TRUE(d->Pick(kGroupItems, 9));
  EXPECT_EQ(Text(kCodeEdit), "10009");
  EXPECT_EQ(TapAndCapture(kDelete, 2111), Edit(1, 3, "010009"));
  struct Case {
    int count, rows;
    size_t want;
  } cases[] = {{0, 0, 0}, {-3, 2, 0}, {5, 2, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    next = reply(c.count, c.rows);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Pick(kGroupCombo, 2));
    ASSERT_FALSE(RequestSince(2111, mark).empty());
    Settled();
    EXPECT_EQ(Items().size(), c.want);
  }
}

TEST_F(VX4112Test, AnItemRegisteredHereShowsInTheInterestListAndFollowsItsTrades) {
  OpenEditor();
  ASSERT_TRUE(d->Pick(kGroupCombo, 3));
  ASSERT_TRUE(WaitFor([&] { return Items().empty(); }));
  TapAndSettle(kKosdaq);
  TapAndSettle(kFirstConsonant + 6);
  PickStock("68270");
  ASSERT_TRUE(d->Tap(kRegister));
  ASSERT_TRUE(WaitFor([&] { return Items() == std::vector<std::string>{"셀트리온"}; }));
  ClearOwnerLog();
  ASSERT_TRUE(d->Tap(kConfirm));
  ASSERT_TRUE(WaitFor([&] { return !OpenRequests().empty(); }));
  EXPECT_EQ(OpenRequests().back(), 91001u);

  // The interest list, group 4: the new item, registered for pushes.
  nameStatic = 9903;
  baseCode = 4101;
  autoReceive = TRUE;
  ScreenHost::Open(std::u16string(u"VX4110.dll"));
  ASSERT_TRUE(WaitFor([&] { return Column(4110, 0).size() == 3; }));
  ASSERT_TRUE(d->Pick(1000, 3));
  ASSERT_TRUE(WaitFor([&] { return Column(4110, 0) == std::vector<std::string>{"셀트리온"}; }));
  Settled();
  EXPECT_EQ(server.registrations(9110, "068270"), 1);
  ASSERT_EQ(server.trade("068270", 176000, 25), 1);
  ASSERT_TRUE(WaitCell(4110, 0, 1, "176,000"));
  EXPECT_EQ(Grid(4110)[0][3].text, "1,000");
}

// The editor's requests whole: the plain header it writes (length 23, code 2111, '4' at byte 6,
// every other byte zero) and the group, the operation and the item-code field.
TEST_F(VX4112Test, RequestsGoAsWholePlainPackets) {
  size_t mark = server.logSize();
  OpenEditor();
  auto sent = server.requests(2111, mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(screentest::WholePacket(sent[0].header, sent[0].body), screentest::PlainRequestPacket(2111, Edit(1, 1, "")));
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kGroupCombo, 3));
  Settled();
  sent = server.requests(2111, mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(screentest::WholePacket(sent[0].header, sent[0].body), screentest::PlainRequestPacket(2111, Edit(4, 1, "")));
}

}  // namespace
