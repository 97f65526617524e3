// ZR4460, the sellable balance, driven as a user drives it: password typed, "전송", "다음" and
// "맨처음" tapped, the 4450 requests (continuation key, page, rows per page) checked on the wire
// and the holdings read off the grid, with the simulated server's account and recorded replies.
#include "balance_fixture.h"

namespace {

using balancetest::Bytes;
using balancetest::PutNet;
using balancetest::PutText;

constexpr int kGrid = 4460;
constexpr int kSend = 9813, kNext = 9701, kFirst = 9822;

class ZR4460Test : public balancetest::BalanceScreenTest {
 protected:
  ZR4460Test() : BalanceScreenTest(ZR4460_PLUGIN, u"ZR4460.dll") {}
};

std::string Key(const Bytes& plain) {
  if (plain.size() < 42) return "<short>";
  std::string k(plain.begin() + 18, plain.begin() + 40);
  return k.substr(0, k.find('\0'));
}

// A recorded conversation of `total` holdings named "종목0".."종목N", eight a page: the reply
// carries the page it was asked for and the key "P<page>" while more pages follow.
void PagedHandler(const simsrv::Request& q, simsrv::Reply& r, int total) {
  int page = q.body.size() >= 42 ? q.body[40] : 0;
  int start = std::min(total, page * 8);
  int n = std::min(8, total - start);
  bool more = start + n < total;
  r.body.assign(35 + 50 * static_cast<size_t>(n), 0);
  std::memcpy(r.body.data(), q.body.data(), 10);
  if (more) {
    std::string key = "P" + std::to_string(page);
    std::memcpy(&r.body[10], key.data(), key.size());
  }
  r.body[32] = static_cast<uint8_t>(page);
  r.body[33] = more ? 'Y' : 'N';
  r.body[34] = static_cast<uint8_t>(n);
  for (int i = 0; i < n; ++i) {
    uint8_t* row = &r.body[35 + 50 * static_cast<size_t>(i)];
    PutText(row, u"현금");
    std::memcpy(row + 8, "000100", 6);
    PutText(row + 14, u"종목" + std::u16string(1, static_cast<char16_t>(u'0' + (start + i) / 10)) +
                          std::u16string(1, static_cast<char16_t>(u'0' + (start + i) % 10)));
    PutNet(row + 44, 3, start + i);
  }
}

TEST_F(ZR4460Test, SellableQuantitiesLeaveOutOpenSells) {
  Open();
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kFirst));
  // An open sell of 30 above the market stays open: 70 of the 100 are left to sell.
  ASSERT_TRUE(server.withMarket(
      [](simsrv::Market& m) { return m.PlaceOrder("1234567801", "005930", false, false, '1', 30, 80000).ok; }));
  TypePassword("0000");
  Bytes plain = TapAndCapture(kSend, 4450);
  ASSERT_EQ(plain.size(), 42u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567801");
  EXPECT_EQ(std::string(plain.begin() + 10, plain.begin() + 18), std::string("****\0\0\0\0", 8));
  EXPECT_EQ(Key(plain), "");
  EXPECT_EQ(plain[40], 0);
  EXPECT_EQ(plain[41], 8);
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 3u; }));
  const std::vector<std::vector<std::string>> want = {
      {"00660", "SK하이닉스", "50", "현금"}, {"05930", "삼성전자", "70", "현금"}, {"35720", "카카오", "30", "현금"}};
  auto rows = Grid(kGrid);
  for (size_t r = 0; r < want.size(); ++r) {
    ASSERT_EQ(rows[r].size(), 4u);
    for (size_t c = 0; c < 4; ++c) EXPECT_EQ(rows[r][c].text, want[r][c]) << "row " << r << " column " << c;
  }
  EXPECT_FALSE(Enabled(kNext));  // the server said 'N'
}

TEST_F(ZR4460Test, PagesCarryTheLastKeyAndPageAndFirstPagesNeither) {
  Open();
  server.setHandler(
      4450, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) { PagedHandler(q, r, 20); });
  TypePassword("0000");
  struct Step {
    int button;
    int page;
    const char* key;
    size_t rows;
    const char* firstName;
    bool nextOn, firstOn;
  };
  const Step steps[] = {
      {kSend, 0, "", 8, "종목00", true, false},
      {kNext, 1, "P0", 8, "종목08", true, true},
      {kNext, 2, "P1", 4, "종목16", false, true},
      {kFirst, 0, "", 8, "종목00", true, false},  // neither the last page's number nor its key
      {kNext, 1, "P0", 8, "종목08", true, true},
      {kSend, 0, "", 8, "종목00", true, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::to_string(s.button) + " page " + std::to_string(s.page));
    Bytes plain = TapAndCapture(s.button, 4450);
    ASSERT_EQ(plain.size(), 42u);
    EXPECT_EQ(Key(plain), s.key);
    EXPECT_EQ(plain[40], s.page);
    EXPECT_EQ(plain[41], 8);
    ASSERT_TRUE(WaitFor([&] {
      auto names = Column(kGrid, 1);
      return names.size() == s.rows && names[0] == s.firstName;
    })) << Column(kGrid, 1).size();
    EXPECT_EQ(Enabled(kNext), s.nextOn);
    EXPECT_EQ(Enabled(kFirst), s.firstOn);
  }
}

TEST_F(ZR4460Test, EmptyLastPageEmptiesTheGridAndStopsPaging) {
  Open();
  server.setHandler(4450,
                    [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) { PagedHandler(q, r, 0); });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4450).empty());
  ASSERT_TRUE(WaitFor([&] { return !Enabled(kNext); }));
  EXPECT_TRUE(Grid(kGrid).empty());
}

TEST_F(ZR4460Test, RowCountBeyondTheReplyIsLimitedAndShortRepliesReported) {
  Open();
  server.setHandler(4450, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    PagedHandler(q, r, 2);
    r.body[34] = 60;  // more rows than the reply holds
  });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4450).empty());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1) == std::vector<std::string>{"종목00", "종목01"}; }));
  server.setHandler(4450, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(34, 0);  // ends before its row count
  });
  ASSERT_FALSE(TapAndCapture(kSend, 4450).empty());
  ExpectBox("ERROR : 수신 데이터 길이 오류 (4450)");
  EXPECT_EQ(Column(kGrid, 1), (std::vector<std::string>{"종목00", "종목01"}));
}

TEST_F(ZR4460Test, AnotherAccountBetweenPagesStartsAgainWithoutTheKey) {
  Open();
  server.setHandler(
      4450, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) { PagedHandler(q, r, 20); });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4450).empty());
  // The continuation key comes with the first page's reply: wait until it has been shown.
  ASSERT_TRUE(WaitFor([&] {
    auto names = Column(kGrid, 1);
    return !names.empty() && names[0] == "종목00";
  }));
  Bytes plain = TapAndCapture(kNext, 4450);
  ASSERT_EQ(Key(plain), "P0");
  ASSERT_TRUE(WaitFor([&] { return Enabled(kFirst) && Column(kGrid, 1)[0] == "종목08"; }));

  PickAccount(1);
  EXPECT_EQ(Text(1007), "");
  EXPECT_EQ(Column(kGrid, 1), std::vector<std::string>(8, ""));
  EXPECT_FALSE(Enabled(kFirst));
  TypePassword("0000");
  plain = TapAndCapture(kSend, 4450);
  ASSERT_EQ(plain.size(), 42u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567802");
  EXPECT_EQ(Key(plain), "");
  EXPECT_EQ(plain[40], 0);
}

TEST_F(ZR4460Test, ShortPasswordOnSendOnlyAndTheTitle) {
  Open();
  EXPECT_EQ(Text(9904), "매도잔고");
  TypePassword("12");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kSend));
  ExpectBox("비밀번호를 확인하세요");
  EXPECT_TRUE(NoneSince(4450, mark));
}

TEST_F(ZR4460Test, ItemCodeTypedOrQueriedAsksForItsBaseQuote) {
  Open();
  size_t mark = server.logSize();
  d->Ui([&] { SetDlgItemText(dlg, IDC_ITEM_COMBO, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_COMBO, "00660"));
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(4101, 3000, &e, mark));
  EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "000660");
  ASSERT_TRUE(WaitFor([&] { return Text(9903) == "SK하이닉스"; })) << Text(9903);
  size_t again = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_QUERY));
  ASSERT_TRUE(server.waitForRequest(4101, 3000, &e, again));
  EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "000660");
  EXPECT_EQ(server.requests(4101, mark).size(), 2u);
}

}  // namespace
