// ZR4400, the balance evaluation, driven as a user drives it: password typed, "전송", "다  음" and
// "처 음" tapped, the 4401 requests (page, rows per page, continuation key) checked on the wire and
// the holdings read off the grid, with the simulated server's account and with recorded replies.
#include "balance_fixture.h"

namespace {

using balancetest::Bytes;
using balancetest::PutNet;
using balancetest::PutText;
using balancetest::PutU16;

constexpr int kGrid = 4400;
constexpr int kSend = 9813, kNext = 9701, kFirst = 9822;

class ZR4400Test : public balancetest::BalanceScreenTest {
 protected:
  ZR4400Test() : BalanceScreenTest(ZR4400_PLUGIN, u"ZR4400.dll") { accountCombo_ = 1009; }
};

std::string Key(const Bytes& plain) {
  if (plain.size() < 151) return "<short>";
  std::string k(plain.begin() + 20, plain.begin() + 151);
  return k.substr(0, k.find('\0'));
}

// A recorded conversation of `total` holdings named "종목0".."종목N": the continuation key "K<n>"
// names the row the next page starts at; a request without a key starts at row 0.
void PagedHandler(simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r, int total) {
  int start = 0;
  if (q.body.size() >= 151 && q.body[20] == 'K') start = std::atoi(reinterpret_cast<const char*>(&q.body[21]));
  int n = std::min(7, total - start);
  bool more = start + n < total;
  r.body.assign(174 + 85 * static_cast<size_t>(n), 0);
  std::memcpy(r.body.data(), q.body.data(), 10);
  if (more) {
    std::string key = "K" + std::to_string(start + n);
    std::memcpy(&r.body[40], key.data(), key.size());
  }
  r.body[172] = more ? 'Y' : 'N';
  r.body[173] = static_cast<uint8_t>(n);
  for (int i = 0; i < n; ++i) {
    uint8_t* row = &r.body[174 + 85 * static_cast<size_t>(i)];
    PutText(row + 6, u"종목" + std::u16string(1, static_cast<char16_t>(u'0' + (start + i) / 10)) +
                         std::u16string(1, static_cast<char16_t>(u'0' + (start + i) % 10)));
    row[74] = '+';
  }
}

TEST_F(ZR4400Test, HoldingsOfTheAccountWithProfitsAndReturns) {
  Open();
  // A market buy fills at once: the new holding is evaluated with the others.
  ASSERT_TRUE(server.withMarket(
      [](simsrv::Market& m) { return m.PlaceOrder("1234567801", "005380", true, false, '2', 2, 0).ok; }));
  TypePassword("0000");
  Bytes plain = TapAndCapture(kSend, 4401);
  ASSERT_EQ(plain.size(), 151u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567801");
  EXPECT_EQ(std::string(plain.begin() + 10, plain.begin() + 18), std::string("****\0\0\0\0", 8));
  EXPECT_EQ(plain[18], 0);
  EXPECT_EQ(plain[19], 7);
  EXPECT_EQ(Key(plain), "");
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 4u && !Grid(kGrid)[0][0].text.empty(); }));
  auto rows = Grid(kGrid);
  const std::vector<std::vector<std::string>> want = {
      {"SK하이닉스", "50", "50", "-325,000", "-4.81%", "135,000", "128,500", "6,425,000", "현금"},
      {"현대차", "2", "2", "0", "0.00%", "183,000", "183,000", "366,000", "현금"},
      {"삼성전자", "100", "100", "650,000", "10.00%", "65,000", "71,500", "7,150,000", "현금"},
      {"카카오", "30", "30", "36,000", "2.40%", "50,000", "51,200", "1,536,000", "현금"},
  };
  for (size_t r = 0; r < want.size(); ++r) {
    ASSERT_EQ(rows[r].size(), 9u);
    for (size_t c = 0; c < 9; ++c) EXPECT_EQ(rows[r][c].text, want[r][c]) << "row " << r << " column " << c;
  }
  EXPECT_FALSE(Enabled(kNext));  // the server said 'N'
}

TEST_F(ZR4400Test, RecordedRowsShowSignsAndRatesAndOnlyTheRowsHeld) {
  Open();
  server.setHandler(4401, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    struct Row {
      const char16_t* name;
      char sign;
      int64_t profit;
      int whole, hundredths;
    } rows[] = {
        {u"삼성전자우선주식", '+', 650000, 10, 0},  // a name longer than the 10 bytes shown
        {u"SK하이닉스", '-', 325000, 4, 81},
        {u"NAVER", '4', 234567890123LL, 1, 5},
        {u"카카오", '+', -5, 0, -5},
    };
    r.body.assign(174 + 85 * 4, 0);
    std::memcpy(r.body.data(), q.body.data(), 10);
    r.body[172] = 'N';
    r.body[173] = 5;  // one more than the reply holds
    for (size_t i = 0; i < 4; ++i) {
      uint8_t* row = &r.body[174 + 85 * i];
      PutText(row + 6, rows[i].name);
      PutText(row + 36, u"신용");
      PutNet(row + 44, 3, 10);
      PutNet(row + 50, 3, 20);
      row[74] = static_cast<uint8_t>(rows[i].sign);
      PutNet(row + 75, 3, rows[i].profit);
      PutU16(row + 81, rows[i].whole & 0xFFFF);
      PutU16(row + 83, rows[i].hundredths & 0xFFFF);
    }
  });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4401).empty());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 3).size() == 4u && Column(kGrid, 3)[0] == "650,000"; }))
      << Column(kGrid, 3).size();
  EXPECT_EQ(Column(kGrid, 0), (std::vector<std::string>{"삼성전자우", "SK하이닉스", "NAVER", "카카오"}));
  EXPECT_EQ(Column(kGrid, 3), (std::vector<std::string>{"650,000", "-325,000", "-234,567,890,123", "-5"}));
  EXPECT_EQ(Column(kGrid, 4), (std::vector<std::string>{"10.00%", "-4.81%", "-1.05%", "-0.05%"}));
  EXPECT_EQ(Column(kGrid, 1)[0], "10");
  EXPECT_EQ(Column(kGrid, 2)[0], "20");
  EXPECT_EQ(Column(kGrid, 8)[0], "신용");
}

TEST_F(ZR4400Test, PagesFollowTheContinuationKeyAndFirstPagesCarryNone) {
  Open();
  server.setHandler(
      4401, [](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) { PagedHandler(c, q, r, 16); });
  TypePassword("0000");
  struct Step {
    int button;
    int page;
    const char* key;
    size_t rows;
    const char* firstName;
    bool nextOn;
  } steps[] = {
      {kSend, 0, "", 7, "종목00", true},   {kNext, 1, "K7", 7, "종목07", true}, {kNext, 2, "K14", 2, "종목14", false},
      {kFirst, 0, "", 7, "종목00", true},  // the last page's key is not sent again
      {kNext, 1, "K7", 7, "종목07", true}, {kSend, 0, "", 7, "종목00", true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::to_string(s.button) + " page " + std::to_string(s.page));
    Bytes plain = TapAndCapture(s.button, 4401);
    ASSERT_EQ(plain.size(), 151u);
    EXPECT_EQ(plain[18], s.page);
    EXPECT_EQ(plain[19], 7);
    EXPECT_EQ(Key(plain), s.key);
    ASSERT_TRUE(WaitFor([&] {
      auto names = Column(kGrid, 0);
      return names.size() == s.rows && names[0] == s.firstName;
    })) << Column(kGrid, 0).size();
    EXPECT_EQ(Enabled(kNext), s.nextOn);
  }
}

// Bytes 0-9 of the reply are not used: digits of another account there do not keep the page of
// the request in flight from the grid.
TEST_F(ZR4400Test, AReplyNamingAnotherAccountFillsTheGrid) {
  Open();
  server.setHandler(4401, [](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) {
    PagedHandler(c, q, r, 3);
    std::memcpy(r.body.data(), "9999999902", 10);
  });
  TypePassword("0000");
  Bytes plain = TapAndCapture(kSend, 4401);
  ASSERT_GE(plain.size(), 10u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567801");
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 0).size() == 3u; })) << Column(kGrid, 0).size();
  EXPECT_EQ(Column(kGrid, 0), (std::vector<std::string>{"종목00", "종목01", "종목02"}));
}

TEST_F(ZR4400Test, NextWithoutAFurtherPageTellsTheUser) {
  Open();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));  // no reply yet: nothing to continue
  ExpectBox("다음 데이타가 없습니다.");
  EXPECT_TRUE(NoneSince(4401, mark));
}

TEST_F(ZR4400Test, AnotherAccountBetweenPagesStartsAgainWithoutTheKey) {
  Open();
  server.setHandler(
      4401, [](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) { PagedHandler(c, q, r, 16); });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4401).empty());
  // The continuation key comes with the first page's reply: wait until it has been shown.
  ASSERT_TRUE(WaitFor([&] {
    auto names = Column(kGrid, 0);
    return !names.empty() && names[0] == "종목00";
  }));
  Bytes plain = TapAndCapture(kNext, 4401);
  ASSERT_EQ(Key(plain), "K7");
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 0)[0] == "종목07"; }));

  PickAccount(1);
  EXPECT_EQ(Text(1007), "");
  // The first account's holdings are gone; its key is not continued under this account.
  auto names = Column(kGrid, 0);
  EXPECT_EQ(names, std::vector<std::string>(7, ""));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  ExpectBox("다음 데이타가 없습니다.");
  EXPECT_TRUE(NoneSince(4401, mark));
  TypePassword("0000");
  plain = TapAndCapture(kSend, 4401);
  ASSERT_EQ(plain.size(), 151u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567802");
  EXPECT_EQ(plain[18], 0);
  EXPECT_EQ(Key(plain), "");
}

TEST_F(ZR4400Test, ReplyForTheAccountLeftBehindIsNotShown) {
  Open();
  server.setHandler(
      4401, [](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) { PagedHandler(c, q, r, 3); });
  server.setFault({simsrv::FaultKind::Delay, 4401, 300, 1});
  TypePassword("0000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(server.waitForRequest(4401, 3000, nullptr, mark));
  PickAccount(1);  // while the first account's reply is on its way
  Settled();
  EXPECT_EQ(Column(kGrid, 0), std::vector<std::string>(7, ""));
}

TEST_F(ZR4400Test, ShortReplyIsReportedNotRead) {
  Open();
  server.setHandler(4401, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    r.body.assign(173, 0);  // ends before its row count
    std::memcpy(r.body.data(), q.body.data(), 10);
  });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4401).empty());
  ExpectBox("ERROR : 수신 데이터 길이 오류 (4401)");
  EXPECT_EQ(Column(kGrid, 0), std::vector<std::string>(7, ""));
}

TEST_F(ZR4400Test, OrderAvailableButtonAsksForItsScreen) {
  Open();
  ASSERT_TRUE(d->Tap(9819));
  auto opens = OwnerGot(WM_VX_OPEN_SCREEN);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].wParam, 94002u);
}

}  // namespace
