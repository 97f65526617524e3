// ZR4440, the transfer applications, driven as a user drives it against the simulated trading
// server: password typed, "전송", "다  음" and "처 음" tapped; the 4440 requests checked on the wire
// and the grid read through its inspection.
#include "transfer_fixture.h"

namespace {

using transfertest::Bytes;

constexpr int kGrid = 4440;
constexpr int kPassword = 1007;
constexpr int kBtnSend = 9813;
constexpr int kBtnFirst = 9822;
constexpr int kBtnNext = 9701;

class ZR4440Test : public transfertest::TransferScreenTest {
 protected:
  ZR4440Test() : TransferScreenTest(ZR4440_PLUGIN, u"ZR4440.dll") {}

  // `count` transfers of account 1234567801, the i-th (oldest first) of 1,000 x (i + 1) won.
  void MakeTransfers(int count) {
    server.withMarket([&](simsrv::Market& m) {
      simsrv::Account* a = m.FindAccount("1234567801");
      for (int i = 0; i < count; ++i) {
        simsrv::Transfer t;
        t.seconds = 9 * 3600 + static_cast<uint32_t>(i);
        t.amount = 1000 * (i + 1);
        t.fee = 500;
        t.to = a->receivers[0];
        a->transfers.push_back(t);
      }
      return 0;
    });
  }
  // Taps a button and returns the 4440 body it sent.
  Bytes Page(int button) { return TapAndCapture(button, 4440); }
  // Waits until the grid's first amount is `amount` and returns the amount column.
  std::vector<std::string> AmountsOnceFirstIs(const std::string& amount) {
    EXPECT_TRUE(WaitFor([&] {
      auto col = Column(kGrid, 2);
      return !col.empty() && col[0] == amount;
    })) << (Column(kGrid, 2).empty() ? "no rows" : Column(kGrid, 2)[0]);
    return Column(kGrid, 2);
  }
};

TEST_F(ZR4440Test, StartsWithSevenEmptyRowsAndPagingOff) {
  StoreFutOptAccounts({u"1234567803"});
  size_t mark = server.logSize();
  Open();
  EXPECT_EQ(Text(1009), "12345678 - 01");
  EXPECT_EQ(Focus(), kPassword);
  auto rows = Grid(kGrid);
  ASSERT_EQ(rows.size(), 7u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 7u);
    for (const auto& cell : row) EXPECT_EQ(cell.text, "");
  }
  EXPECT_FALSE(Enabled(kBtnNext));
  EXPECT_FALSE(Enabled(kBtnFirst));
  EXPECT_TRUE(NoneSince(4440, mark));
  ASSERT_TRUE(d->Pick(1009, 2));  // the futures/options account after the two stock accounts
  EXPECT_EQ(Text(1009), "12345678 - 03");
}

// Nine transfers: a page of seven, newest first, then the two left; "처 음" back to the first.
TEST_F(ZR4440Test, PagesThroughTheTransfersNewestFirst) {
  MakeTransfers(9);
  Open();
  TypeInto(kPassword, "0000");
  Bytes body = Page(kBtnSend);
  ASSERT_EQ(body.size(), 21u);
  EXPECT_EQ(std::string(body.begin(), body.begin() + 18), std::string("1234567801****\0\0\0\0", 18));
  EXPECT_EQ(body[18], 2);
  EXPECT_EQ(body[19], 0);
  EXPECT_EQ(body[20], 7);
  std::vector<std::string> first = {"9,000", "8,000", "7,000", "6,000", "5,000", "4,000", "3,000"};
  EXPECT_EQ(AmountsOnceFirstIs("9,000"), first);
  EXPECT_TRUE(Enabled(kBtnNext));
  EXPECT_FALSE(Enabled(kBtnFirst));

  body = Page(kBtnNext);
  ASSERT_EQ(body.size(), 21u);
  EXPECT_EQ(body[19], 1);
  EXPECT_EQ(AmountsOnceFirstIs("2,000"), (std::vector<std::string>{"2,000", "1,000"}));
  EXPECT_FALSE(Enabled(kBtnNext));
  EXPECT_TRUE(Enabled(kBtnFirst));

  body = Page(kBtnFirst);
  ASSERT_EQ(body.size(), 21u);
  EXPECT_EQ(body[19], 0);
  EXPECT_EQ(AmountsOnceFirstIs("9,000"), first);
  EXPECT_FALSE(Enabled(kBtnFirst));
  EXPECT_TRUE(Enabled(kBtnNext));
}

TEST_F(ZR4440Test, SendAfterTwoNextPagesAsksForPageTwo) {
  MakeTransfers(16);
  Open();
  TypeInto(kPassword, "0000");
  ASSERT_EQ(Page(kBtnSend).size(), 21u);
  AmountsOnceFirstIs("16,000");
  EXPECT_EQ(Page(kBtnNext).at(19), 1);
  AmountsOnceFirstIs("9,000");
  EXPECT_EQ(Page(kBtnNext).at(19), 2);
  EXPECT_EQ(AmountsOnceFirstIs("2,000"), (std::vector<std::string>{"2,000", "1,000"}));
  EXPECT_EQ(Page(kBtnSend).at(19), 2);
}

// Each column from its field of the record.
TEST_F(ZR4440Test, RecordFieldsBecomeTheRowTexts) {
  server.setHandler(4440, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(13 + 2 * 128, 0);
    std::memcpy(r.body.data(), "1234567801", 10);
    r.body[11] = 'N';
    r.body[12] = 2;
    const struct {
      uint8_t date[6];
      int64_t amount, account, fee;
      const char16_t *bank, *holder;
    } recs[] = {
        {{4, 3, 15, 9, 5, 7}, 12345678, 12345678, 500, u"국민은행", u"홍길동"},
        {{12, 12, 31, 23, 59, 59}, 7, 1002, 0, u"농협", u"가나다라마바"},
    };
    for (size_t i = 0; i < 2; ++i) {
      uint8_t* rec = &r.body[13 + 128 * i];
      std::memcpy(rec, recs[i].date, 6);
      transfertest::PutNet(rec + 6, 2, recs[i].amount);
      transfertest::PutText(rec + 12, recs[i].bank);
      transfertest::PutNet(rec + 22, 2, recs[i].account);
      transfertest::PutText(rec + 42, recs[i].holder);
      transfertest::PutNet(rec + 74, 2, recs[i].fee);
    }
  });
  Open();
  TypeInto(kPassword, "0000");
  ASSERT_FALSE(Page(kBtnSend).empty());
  std::vector<std::vector<std::string>> want = {
      {"2004-03-15", "09:05:07", "12,345,678", "국민은행", "12345678", "홍길동", "500"},
      {"2012-12-31", "23:59:59", "7", "농협", "1002", "가나다라마바", "0"},
  };
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 2; }));
  auto rows = Grid(kGrid);
  for (size_t r = 0; r < want.size(); ++r)
    for (size_t c = 0; c < want[r].size(); ++c) EXPECT_EQ(rows[r][c].text, want[r][c]) << r << "," << c;
}

// The count byte never makes the screen read past the reply; a negative count is no count: the
// reply is reported and the grid keeps what it showed.
TEST_F(ZR4440Test, RecordCountIsLimitedToTheReply) {
  struct Case {
    int countByte, records;
    size_t rows;
  };
  // Each case's amount is its own, so the grid shows which reply it holds.
  static const Case cases[] = {{2, 2, 2}, {5, 2, 2}, {0, 0, 0}, {100, 7, 7}, {-3, 1, 7}};
  static std::atomic<const Case*> current{nullptr};  // read by the server's thread
  server.setHandler(4440, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    const Case* c = current.load();
    r.body.assign(13 + 128 * static_cast<size_t>(c->records), 0);
    r.body[11] = 'N';
    r.body[12] = static_cast<uint8_t>(c->countByte);
    for (int i = 0; i < c->records; ++i) {
      uint8_t* rec = &r.body[13 + 128 * static_cast<size_t>(i)];
      rec[0] = 7, rec[1] = 3, rec[2] = 15;
      transfertest::PutNet(rec + 6, 2, 100 + (c - cases));
    }
  });
  Open();
  TypeInto(kPassword, "0000");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.countByte << " of " << c.records);
    current = &c;
    std::string amount = std::to_string(100 + (&c - cases));
    ASSERT_FALSE(Page(kBtnSend).empty());
    if (c.countByte < 0) {
      ExpectBox("ERROR : 수신 데이터 형식 오류 (4440)");
      amount = "103";
    }
    ASSERT_TRUE(WaitFor([&] {
      auto amounts = Column(kGrid, 2);
      return c.rows == 0 ? amounts.empty() : !amounts.empty() && amounts[0] == amount;
    }));
    EXPECT_EQ(Grid(kGrid).size(), c.rows);
    for (const auto& date : Column(kGrid, 0)) EXPECT_EQ(date, "2007-03-15");
  }
}

TEST_F(ZR4440Test, AnotherAccountStartsAgainFromTheFirstPage) {
  MakeTransfers(9);
  Open();
  TypeInto(kPassword, "0000");
  ASSERT_FALSE(Page(kBtnSend).empty());
  AmountsOnceFirstIs("9,000");
  ASSERT_FALSE(Page(kBtnNext).empty());
  AmountsOnceFirstIs("2,000");
  ASSERT_TRUE(d->Pick(1009, 1));
  EXPECT_EQ(Text(kPassword), "");
  EXPECT_TRUE(Grid(kGrid).empty());
  EXPECT_FALSE(Enabled(kBtnNext));
  EXPECT_FALSE(Enabled(kBtnFirst));
  TypeInto(kPassword, "0000");
  Bytes body = Page(kBtnSend);
  ASSERT_EQ(body.size(), 21u);
  EXPECT_EQ(std::string(body.begin(), body.begin() + 10), "1234567802");
  EXPECT_EQ(body[19], 0);
  ASSERT_TRUE(WaitFor([&] { return server.requests(4440, 0).size() == 3; }));
}

#ifdef ZR4430_PLUGIN
// A transfer sent from the transfer screen is the newest application here.
TEST_F(ZR4440Test, TransferFromTheTransferScreenIsListed) {
  AddPlugin(ZR4430_PLUGIN, u"ZR4430.dll");
  Open(u"ZR4430.dll");
  TypeInto(1003, "0000");
  ASSERT_TRUE(d->Tap(9815));
  ASSERT_TRUE(WaitFor([&] { return Text(1007) == "12345678901234"; }));
  ASSERT_TRUE(d->Pick(1006, 1));  // 우리은행 1002123456789
  TypeInto(1004, "250000");
  ASSERT_TRUE(d->Tap(9828));
  ASSERT_TRUE(WaitFor([&] { return Text(1008) == "김철수"; })) << Text(1008);
  ASSERT_TRUE(d->Tap(9814));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); }));
  plat::win::AnswerMessageBox(IDOK, b.hwnd);  // the confirmation
  ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b) && b.caption == u"이체처리결과"; }));
  plat::win::AnswerMessageBox(IDOK, b.hwnd);
  d->Settle();
  Close();

  Open();
  TypeInto(kPassword, "0000");
  ASSERT_FALSE(Page(kBtnSend).empty());
  AmountsOnceFirstIs("250,000");
  auto rows = Grid(kGrid);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].text, "2007-03-15");
  EXPECT_EQ(rows[0][3].text, "우리은행");
  EXPECT_EQ(rows[0][4].text, "23456789");  // the list shows the last eight digits
  EXPECT_EQ(rows[0][5].text, "김철수");
  EXPECT_EQ(rows[0][6].text, "500");
  EXPECT_FALSE(Enabled(kBtnNext));
}
#endif

TEST_F(ZR4440Test, WrongPasswordShowsTheServersMessage) {
  MakeTransfers(1);
  Open();
  TypeInto(kPassword, "9999");
  ASSERT_FALSE(Page(kBtnSend).empty());
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); }));
  EXPECT_NE(b.type & MB_ICONEXCLAMATION, 0u);
  EXPECT_FALSE(b.text.empty());
  plat::win::AnswerMessageBox(IDOK, b.hwnd);
  d->Settle();
  EXPECT_EQ(Column(kGrid, 2), std::vector<std::string>(7, ""));
}

}  // namespace
