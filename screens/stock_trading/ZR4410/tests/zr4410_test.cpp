// ZR4410, the order-available balance, driven as a user drives it: password typed, "전송" tapped,
// the 4402 request checked on the wire and the eight label rows read off the grid.
#include "balance_fixture.h"

namespace {

using balancetest::Bytes;

constexpr int kGrid = 4410;
constexpr int kSend = 9813;

class ZR4410Test : public balancetest::BalanceScreenTest {
 protected:
  ZR4410Test() : BalanceScreenTest(ZR4410_PLUGIN, u"ZR4410.dll") {}
};

const char* const kLabels[] = {"예  수  금",     "증거금현금",         "증거금대용",         "현금미수금",
                               "재매수가능금액", "코스닥주문가능금액", "거래소주문가능금액", "주문가능현금"};

TEST_F(ZR4410Test, StartsWithTheEightLabelRowsAndSendsNothingUntilAsked) {
  size_t mark = server.logSize();
  Open();
  EXPECT_EQ(Text(1008), "12345678 - 01");
  EXPECT_EQ(Text(9904), "주문가능잔고");
  auto rows = Grid(kGrid);
  ASSERT_EQ(rows.size(), 8u);
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 2u);
    EXPECT_EQ(rows[i][0].text, kLabels[i]);
    EXPECT_EQ(rows[i][0].bg, "8CDFFF");  // RGB(255, 223, 140)
    EXPECT_EQ(rows[i][1].text, "");
  }
  EXPECT_TRUE(NoneSince(4402, mark));
}

TEST_F(ZR4410Test, SendShowsWhatTheAccountMayOrder) {
  Open();
  // An open limit buy holds back its cash: 10 x 70,000 of 100,000,000.
  ASSERT_TRUE(server.withMarket(
      [](simsrv::Market& m) { return m.PlaceOrder("1234567801", "005930", true, false, '1', 10, 70000).ok; }));
  TypePassword("0000");
  Bytes plain = TapAndCapture(kSend, 4402);
  ASSERT_EQ(plain.size(), 18u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567801");
  EXPECT_EQ(std::string(plain.begin() + 10, plain.end()), std::string("****\0\0\0\0", 8));
  std::vector<std::string> want = {"100,000,000", "700,000",    "0",          "0",
                                   "99,300,000",  "99,300,000", "99,300,000", "99,300,000"};
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1) == want; })) << Column(kGrid, 1)[1];
  EXPECT_EQ(Column(kGrid, 0)[0], kLabels[0]);

  // The second account, picked by the user, with its own password.
  PickAccount(1);
  EXPECT_EQ(Text(1007), "");
  EXPECT_EQ(Column(kGrid, 1)[0], "");  // the first account's amounts are gone
  TypePassword("0000");
  plain = TapAndCapture(kSend, 4402);
  ASSERT_EQ(plain.size(), 18u);
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 10), "1234567802");
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1)[1] == "0"; }));
}

TEST_F(ZR4410Test, RecordedReplyFillsEachRowFromItsField) {
  Open();
  server.setHandler(4402, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(76, 0);
    std::memcpy(r.body.data(), "1234567801", 10);
    const int offsets[] = {10, 28, 34, 22, 46, 52, 58, 70};
    const int64_t values[] = {12345678901LL, 2000, 30000, -400000, 5000000, 60000000, 700000000, 8};
    for (int i = 0; i < 8; ++i) balancetest::PutNet(&r.body[static_cast<size_t>(offsets[i])], 3, values[i]);
  });
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  std::vector<std::string> want = {"12,345,678,901", "2,000",      "30,000",      "-400,000",
                                   "5,000,000",      "60,000,000", "700,000,000", "8"};
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1) == want; }));
}

TEST_F(ZR4410Test, ShortPasswordIsRefusedBeforeAnythingIsSent) {
  Open();
  for (const char* pw : {"", "123"}) {
    SCOPED_TRACE(pw);
    TypePassword(pw);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kSend));
    ExpectBox("비밀번호를 확인하세요");
    EXPECT_TRUE(NoneSince(4402, mark));
  }
}

TEST_F(ZR4410Test, ShortReplyIsReportedAndTheGridKeepsItsValues) {
  Open();
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1)[7] == "100,000,000"; }));
  server.setHandler(4402, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(75, 0);  // one byte short of the last value
  });
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  ExpectBox("ERROR : 수신 데이터 길이 오류 (4402)");
  EXPECT_EQ(Column(kGrid, 1)[7], "100,000,000");
}

TEST_F(ZR4410Test, RefusalShowsTheServersMessageAndKeepsTheAmounts) {
  Open();
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1)[0] == "100,000,000"; }));
  TypePassword("9999");
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); }));
  EXPECT_NE(b.type & MB_ICONEXCLAMATION, 0u);
  EXPECT_FALSE(b.text.empty());
  plat::win::AnswerMessageBox(IDOK, b.hwnd);
  d->Settle();
  EXPECT_EQ(Column(kGrid, 1)[0], "100,000,000");
}

TEST_F(ZR4410Test, WaitCursorLastsUntilTheReplyOrItsTimeOut) {
  Open();
  auto cursor = [&] {
    auto r = d->Do("shell");
    for (const auto& line : r.lines)
      if (line.rfind("wait-cursor ", 0) == 0) return line.substr(12);
    return std::string("?");
  };
  TypePassword("0000");
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1)[0] == "100,000,000"; }));
  EXPECT_EQ(cursor(), "off");
  // No reply: the cursor goes after ten seconds.
  server.setFault({simsrv::FaultKind::NoReply, 4402, 0, 1});
  ASSERT_FALSE(TapAndCapture(kSend, 4402).empty());
  EXPECT_EQ(cursor(), "on");
  d->Advance(9990);
  EXPECT_EQ(cursor(), "on");
  d->Advance(20);
  EXPECT_EQ(cursor(), "off");
}

TEST_F(ZR4410Test, KeypadTypesThePasswordAfterItIsTapped) {
  Open();
  ASSERT_TRUE(d->Tap(1007));
  for (int key : {8310, 8310, 8310, 8310}) ASSERT_TRUE(d->Tap(key));  // "0" four times
  EXPECT_EQ(Text(1007), "0000");
  Bytes plain = TapAndCapture(kSend, 4402);
  ASSERT_EQ(plain.size(), 18u);
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 1)[0] == "100,000,000"; }));
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));  // the server took the password
}

TEST_F(ZR4410Test, EvaluationButtonAsksForTheBalanceScreen) {
  Open();
  ASSERT_TRUE(d->Tap(9827));
  auto opens = OwnerGot(WM_VX_OPEN_SCREEN);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].wParam, 94001u);
}

}  // namespace
