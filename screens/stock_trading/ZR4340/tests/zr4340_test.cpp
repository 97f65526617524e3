// The order and fill inquiry ZR4340 driven as a user drives it against the simulated trading
// server: the inquiry requests as they travel, the grid's pages and filters, the pick record and
// its files, the hand-over to the modify and cancel screens, and the round trip through those
// screens back to the inquiry.
#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

#include "change_fixture.h"
#include "pick_record.h"

namespace {

using namespace changetest;

constexpr int kAccount = 1010, kPassword = 1004, kSend = 9813, kAll = 1565, kFilled = 1566, kOpen = 1567;
constexpr int kNext = 9701, kFirst = 9822, kModify = 1568, kCancel = 1569, kGrid = 4340;
constexpr uint16_t kInquiry = 4340;

// The 21-byte request: account, password of 4 characters NUL-padded (the server's log masks it),
// filter, page, 6 rows a page.
Bytes InquiryBody(const std::string& account, char filter, int page) {
  Bytes b = B(account);
  Bytes pw = {'*', '*', '*', '*', 0, 0, 0, 0};
  b.insert(b.end(), pw.begin(), pw.end());
  b.push_back(static_cast<uint8_t>(filter));
  b.push_back(static_cast<uint8_t>(page));
  b.push_back(6);
  return b;
}

// A record as the inquiry writes it: each text NUL-padded to its field, state '1'.
Bytes Record(const std::string& code, const std::string& number, const std::string& price, const std::string& qty) {
  Bytes r(39, 0);
  std::memcpy(&r[0], code.data(), std::min<size_t>(code.size(), 6));
  std::memcpy(&r[6], number.data(), std::min<size_t>(number.size(), 6));
  std::memcpy(&r[12], price.data(), std::min<size_t>(price.size(), 13));
  std::memcpy(&r[25], qty.data(), std::min<size_t>(qty.size(), 13));
  r[38] = '1';
  return r;
}

class InquiryTest : public ChangeScreenTest {
 protected:
  // Opens the inquiry and asks for the first page of all orders with password "0000".
  void OpenAndQuery() {
    ASSERT_NO_FATAL_FAILURE(Open("ZR4340"));
    EXPECT_EQ(Focus(), kPassword);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Type(kPassword, "0000"));
    EXPECT_EQ(Focus(), kSend);  // the 4th character moves on
    ASSERT_TRUE(d->Tap(kSend));
    ASSERT_EQ(RequestSince(kInquiry, mark), InquiryBody("1234567801", '0', 0));
  }
  std::vector<std::string> Numbers() { return Column(kGrid, 2); }
};

// ---- Paging and filters ---------------------------------------------------------------------------

TEST_F(InquiryTest, PagesAndFiltersTravelAsAskedAndFillTheGrid) {
  for (int i = 0; i < 8; ++i) Place("1234567801", "005930", true, '1', 1 + i, 70000);  // 10001-10008 open
  for (int i = 0; i < 3; ++i) Place("1234567801", "000660", true, '2', 1, 0);          // 10009-10011 filled
  Place("1234567802", "005930", true, '1', 5, 70000);                                  // another account
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Numbers().size() == 6; }));
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"10001", "10002", "10003", "10004", "10005", "10006"}));

  struct Step {
    const char* what;
    int button;
    bool sends;
    char filter;
    int page;
    std::vector<std::string> numbers;
    bool nextEnabled;
    int checked;  // the filter button checked afterwards
  } steps[] = {
      {"next page", kNext, true, '0', 1, {"10007", "10008", "10009", "10010", "10011"}, true, kAll},
      {"no page after 'N'", kNext, false, 0, 0, {"10007", "10008", "10009", "10010", "10011"}, false, kAll},
      {"first page", kFirst, true, '0', 0, {"10001", "10002", "10003", "10004", "10005", "10006"}, true, kAll},
      {"open orders", kOpen, true, '2', 0, {"10001", "10002", "10003", "10004", "10005", "10006"}, true, kOpen},
      {"open orders, page 2", kNext, true, '2', 1, {"10007", "10008"}, true, kOpen},
      {"filled orders", kFilled, true, '1', 0, {"10009", "10010", "10011"}, true, kFilled},
      {"filled orders: no second page", kNext, false, 0, 0, {"10009", "10010", "10011"}, false, kFilled},
      {"all orders again", kAll, true, '0', 0, {"10001", "10002", "10003", "10004", "10005", "10006"}, true, kAll},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(s.button));
    if (s.sends) {
      EXPECT_EQ(RequestSince(kInquiry, mark), InquiryBody("1234567801", s.filter, s.page));
      ASSERT_TRUE(WaitFor([&] { return Numbers() == s.numbers; })) << ::testing::PrintToString(Numbers());
    } else {
      EXPECT_TRUE(NoneSince(kInquiry, mark));
      EXPECT_EQ(Numbers(), s.numbers);
    }
    EXPECT_EQ(Enabled(kNext), s.nextEnabled);
    for (int b : {kAll, kFilled, kOpen}) EXPECT_EQ(Checked(b), b == s.checked) << b;
  }
}

TEST_F(InquiryTest, RowsShowTheOrderRecordsAndThePickIsColoured) {
  std::string limit = Place("1234567801", "005930", true, '1', 1200, 70000);
  std::string market = Place("1234567801", "000660", true, '2', 3, 0);
  std::string ecn = Place("1234567801", "005930", true, '1', 7, 71500, true);
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 3; }));
  auto texts = [&](size_t row) {
    std::vector<std::string> out;
    GridRows g = Grid(kGrid);
    for (const Cell& c : g.at(row)) out.push_back(c.text);
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(texts(0), (V{"05930", "삼성전자", limit, "현금매수", "1,200", "70,000", "0", "0", "1,200", ""}));
  EXPECT_EQ(texts(1), (V{"00660", "SK하이닉스", market, "현금매수", "3", "0", "3", "128,500", "0", ""}));
  EXPECT_EQ(texts(2), (V{"05930", "삼성전자", ecn, "ECN매수", "7", "71,500", "0", "0", "7", ""}));

  ASSERT_TRUE(d->TapCell(kGrid, 1, 3));
  GridRows rows = Grid(kGrid);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < 9; ++c) EXPECT_EQ(rows[r][c].bg, r == 1 ? "FFC4F3" : "FFFFFF") << r << "," << c;
  // Every pick is logged as its record.
  EXPECT_EQ(ReadHost(HostFile(vxpick::kPickLogFile)), Record("00660", market, "0", "0"));
  ASSERT_TRUE(d->TapCell(kGrid, 0, 0));
  EXPECT_EQ(ReadHost(HostFile(vxpick::kPickLogFile)), Record("05930", limit, "70,000", "1,200"));
  EXPECT_EQ(Grid(kGrid)[1][0].bg, "FFFFFF");
}

// ---- The hand-over ---------------------------------------------------------------------------------

TEST_F(InquiryTest, ModifyAndCancelHandThePickedOrderToTheirScreen) {
  std::string stock = Place("1234567801", "005930", true, '1', 10, 70000);
  std::string filled = Place("1234567801", "000660", true, '2', 3, 0);
  std::string ecn = Place("1234567801", "005930", true, '1', 7, 71500, true);
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 3; }));

  struct Case {
    const char* what;
    int row;
    int button;
    const char* file;  // written with the record, nullptr: none
    WPARAM screen;     // asked of the owner, 0: none
    const char* box;   // shown instead, nullptr: none
  } cases[] = {
      {"modify a stock order", 0, kModify, vxpick::kModifyFile, 93101, nullptr},
      {"cancel a stock order", 0, kCancel, vxpick::kCancelFile, 93102, nullptr},
      {"cancel an ECN order", 2, kCancel, vxpick::kEcnCancelFile, 93106, nullptr},
      {"modify an ECN order", 2, kModify, nullptr, 0, "ECN 주문 미체결은 정정이나 취소를 할수 없습니다."},
      {"modify a filled order", 1, kModify, nullptr, 0, "정정/취소 가능수량이 없습니다."},
      {"cancel a filled order", 1, kCancel, nullptr, 0, "정정/취소 가능수량이 없습니다."},
  };
  const char* files[] = {vxpick::kModifyFile, vxpick::kCancelFile, vxpick::kEcnCancelFile};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* f : files) fs::remove(HostFile(f));
    ClearOwnerLog();
    ASSERT_TRUE(d->TapCell(kGrid, c.row, 1));
    ASSERT_TRUE(d->Tap(c.button));
    if (c.box) ExpectBox(c.box);
    EXPECT_TRUE(NoBox());
    EXPECT_EQ(OpenRequests(), c.screen ? std::vector<WPARAM>{c.screen} : std::vector<WPARAM>{});
    for (const char* f : files) {
      bool expected = c.file && std::string(f) == c.file;
      EXPECT_EQ(fs::exists(HostFile(f)), expected) << f;
    }
    if (c.file) {
      Bytes want = c.row == 0 ? Record("05930", stock, "70,000", "10") : Record("05930", ecn, "71,500", "7");
      EXPECT_EQ(ReadHost(HostFile(c.file)), want);
      struct stat st {};
      ASSERT_EQ(stat(HostFile(c.file).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0600u);
      ASSERT_EQ(stat(fs::path(HostFile(c.file)).parent_path().c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
  }
  (void)filled;
}

TEST_F(InquiryTest, NothingIsHandedOverThatTheGridNoLongerShows) {
  for (int i = 0; i < 7; ++i) Place("1234567801", "005930", true, '1', 1, 70000);
  Place("1234567802", "005930", true, '1', 1, 70000);
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Numbers().size() == 6; }));

  // Before any pick nothing is handed over.
  ASSERT_TRUE(d->Tap(kCancel));
  ExpectBox("정정/취소할 주문을 선택하세요");
  EXPECT_TRUE(OpenRequests().empty());

  // A refilled grid forgets its pick.
  ASSERT_TRUE(d->TapCell(kGrid, 0, 0));
  ASSERT_TRUE(d->Tap(kNext));
  ASSERT_TRUE(WaitFor([&] { return Numbers() == std::vector<std::string>{"10007"}; }));
  ASSERT_TRUE(d->Tap(kModify));
  ExpectBox("정정/취소할 주문을 선택하세요");
  EXPECT_TRUE(OpenRequests().empty());

  // Another account empties the grid and the pick: the buttons wait for its inquiry.
  ASSERT_TRUE(d->TapCell(kGrid, 0, 0));
  ASSERT_TRUE(d->Pick(kAccount, 1));
  EXPECT_TRUE(Grid(kGrid).empty());
  EXPECT_EQ(Text(kPassword), "");
  EXPECT_EQ(Focus(), kPassword);
  ASSERT_TRUE(d->Tap(kModify));
  ASSERT_TRUE(d->Tap(kCancel));
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(OpenRequests().empty());
  EXPECT_FALSE(fs::exists(HostFile(vxpick::kModifyFile)));
  EXPECT_FALSE(fs::exists(HostFile(vxpick::kCancelFile)));

  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  EXPECT_EQ(RequestSince(kInquiry, mark), InquiryBody("1234567802", '0', 0));
  ASSERT_TRUE(WaitFor([&] { return Numbers() == std::vector<std::string>{"10008"}; }));
}

TEST_F(InquiryTest, AHandOverFileThatIsALinkIsNeverWrittenThrough) {
  Place("1234567801", "005930", true, '1', 10, 70000);
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 1; }));
  std::string outside = root + "/outside.txt";
  { std::ofstream(outside) << "keep"; }
  fs::create_directories(fs::path(HostFile(vxpick::kModifyFile)).parent_path());
  fs::create_symlink(outside, HostFile(vxpick::kModifyFile));

  ASSERT_TRUE(d->TapCell(kGrid, 0, 0));
  ASSERT_TRUE(d->Tap(kModify));
  ExpectBox("선택한 주문을 넘겨주지 못했습니다.");
  EXPECT_TRUE(OpenRequests().empty());
  EXPECT_EQ(ReadHost(outside), B("keep"));
}

// ---- Refused input and failures --------------------------------------------------------------------

TEST_F(InquiryTest, ShortPasswordsAndServerRefusalsShowTheirBoxes) {
  Place("1234567801", "005930", true, '1', 10, 70000);
  ASSERT_NO_FATAL_FAILURE(Open("ZR4340"));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kPassword, "000"));
  ASSERT_TRUE(d->Tap(kSend));
  ExpectBox("비밀번호를 입력하세요");
  EXPECT_EQ(Focus(), kPassword);
  EXPECT_TRUE(NoneSince(kInquiry, mark));

  ASSERT_TRUE(d->Type(kPassword, "00"));
  ExpectBox("비밀번호는 4자리이여야 합니다.");
  TypeInto(kPassword, "0000");
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 1; }));

  // A wrong password: the server's message, and the rows stay.
  TypeInto(kPassword, "1111");
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kSend));
  std::string caption;
  EXPECT_EQ(TakeBox(IDOK, &caption), "계좌 비밀번호가 틀립니다.");
  EXPECT_EQ(caption.rfind("주문오류", 0), 0u) << caption;
  EXPECT_EQ(Grid(kGrid).size(), 1u);
}

TEST_F(InquiryTest, AReplyHoldingFewerRowsThanItCountsShowsOnlyThoseItHolds) {
  server.setHandler(kInquiry, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(15 + 66 + 30, 0);  // one whole row and part of a second, counted as 40
    r.body[12] = 'Y';
    r.body[13] = 40;
    std::memcpy(&r.body[15], "05930", 5);
    r.body[15 + 15] = 'E';
    std::memcpy(&r.body[15 + 60], "12345", 5);
  });
  ASSERT_NO_FATAL_FAILURE(Open("ZR4340"));
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 1; }));
  EXPECT_EQ(Numbers(), std::vector<std::string>{"12345"});

  // A reply too short for its head is reported and the rows stay.
  server.setHandler(kInquiry,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(14, 0); });
  ASSERT_TRUE(d->Tap(kFirst));
  ExpectBox("ERROR : 수신 데이터 길이 오류 (4340)");
  EXPECT_EQ(Numbers(), std::vector<std::string>{"12345"});
}

// A reply is tied to the request in flight, never to its bytes 0-9, which the server need not
// fill: a reply naming another account answers the inquiry sent and fills the grid; a reply to
// an inquiry sent for the account chosen before is dropped, whatever it names.
TEST_F(InquiryTest, TheRememberedAccountIsAskedForAndRepliesAreTiedToTheirRequest) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
    reg.SetValue(u"AccountNo", u"1234567802");
  }
  Place("1234567802", "005930", true, '1', 5, 70000);
  ASSERT_NO_FATAL_FAILURE(Open("ZR4340"));
  EXPECT_EQ(Text(kAccount), "12345678 - 02");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  EXPECT_EQ(RequestSince(kInquiry, mark), InquiryBody("1234567802", '0', 0));
  ASSERT_TRUE(WaitFor([&] { return Grid(kGrid).size() == 1; }));

  // Bytes 0-9 hold the first account's digits while the second is chosen and was asked for.
  // A reply of one order `number`, with `head` in its bytes 0-9.
  auto oneOrder = [](const char* head, const char* number) {
    Bytes body(15 + 66, 0);
    std::memcpy(&body[0], head, std::strlen(head));
    body[12] = 'N';
    body[13] = 1;
    std::memcpy(&body[15], "05930", 5);
    std::memcpy(&body[15 + 15], "X", 1);
    std::memcpy(&body[15 + 60], number, 5);
    return body;
  };
  server.setHandler(kInquiry, [oneOrder](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body = oneOrder("1234567801", "99999");
  });
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kFirst));
  EXPECT_EQ(RequestSince(kInquiry, mark), InquiryBody("1234567802", '0', 0));
  ASSERT_TRUE(WaitFor([&] { return Numbers() == std::vector<std::string>{"99999"}; })) << Numbers().size();

  // The answer to an inquiry for the second account comes after the first was chosen.
  auto release = std::make_shared<std::atomic<bool>>(false);
  server.setHandler(kInquiry, [release, oneOrder](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    for (int i = 0; i < 1000 && !release->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    r.body = oneOrder("", "88888");
  });
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kFirst));  // the inquiry leaves for the second account
  ASSERT_TRUE(d->Pick(kAccount, 0));
  release->store(true);
  ASSERT_TRUE(server.waitForRequest(kInquiry, 3000, nullptr, mark));
  Settled();
  EXPECT_TRUE(Grid(kGrid).empty()) << "the second account's orders under the first";
  EXPECT_TRUE(NoBox());
}

// ---- The round trip through the modify and cancel screens --------------------------------------------

TEST_F(InquiryTest, PickModifyCancelAndInquireAgain) {
  std::string first = Place("1234567801", "005930", true, '1', 10, 70000);
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Numbers() == std::vector<std::string>{first}; }));
  ASSERT_TRUE(d->TapCell(kGrid, 0, 0));
  ASSERT_TRUE(d->Tap(kModify));
  ASSERT_EQ(OpenRequests(), std::vector<WPARAM>{93101});

  // The modify screen takes the pick: the order's fields, and the record is spent.
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  EXPECT_EQ(Text(1015), first);
  EXPECT_EQ(Text(1009), "10");
  EXPECT_EQ(Text(1010), "70,000");
  EXPECT_EQ(Text(9909), "05930");
  EXPECT_EQ(ReadHost(HostFile(vxpick::kModifyFile)).at(38), '0');
  ASSERT_TRUE(d->Type(1014, "0000"));
  TypeInto(1009, "4");
  TypeInto(1010, "70500");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(9705));
  std::string caption;
  EXPECT_EQ(TakeBox(IDOK, &caption),
            "계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 정정주문\n정정구분: 일부\n"
            "주문단가: 70,500 원\n주문수량: 4 주");
  EXPECT_EQ(caption, "주문확인");
  Bytes body = RequestSince(2320, mark);
  EXPECT_EQ(body, B(std::string("1234567801") + std::string("****\0\0\0\0", 8) + first + "005930" +
                    std::string("4\0\0\0\0\0\0", 7) + std::string("70500\0\0\0", 8) + "11"));
  std::string modified = Orders().back().number;
  EXPECT_EQ(TakeBox(IDOK, &caption),
            "계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 정정주문\n정정구분: 일부\n"
            "주문단가: 70,500원\n주문수량: 4 주\n주문번호: " +
                modified);
  EXPECT_EQ(caption, "주문처리결과");
  EXPECT_EQ(OrderNo(first).open, 6);
  EXPECT_EQ(OrderNo(modified).open, 4);
  EXPECT_EQ(OrderNo(modified).price, 70500);

  // The inquiry shows both; the modified one goes to the cancel screen.
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Numbers() == std::vector<std::string>{first, modified}; }));
  EXPECT_EQ(Column(kGrid, 3), (std::vector<std::string>{"현금매수", "정정매수"}));
  EXPECT_EQ(Column(kGrid, 8), (std::vector<std::string>{"6", "4"}));
  ASSERT_TRUE(d->TapCell(kGrid, 1, 0));
  ASSERT_TRUE(d->Tap(kCancel));
  ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
  EXPECT_EQ(Text(1015), modified);
  EXPECT_EQ(Text(1009), "4");
  ASSERT_TRUE(d->Type(1014, "0000"));
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(9705));
  EXPECT_EQ(TakeBox(IDOK, &caption),
            "계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 취소주문\n원주문번호: " + modified +
                "\n취소구분: 일 부\n취소수량: 4 주");
  EXPECT_EQ(caption, "주문내역확인");
  EXPECT_EQ(RequestSince(2330, mark), B(std::string("1234567801") + std::string("****\0\0\0\0", 8) + modified +
                                        "005930" + std::string("4\0\0\0\0\0\0", 7) + "00000000" + "11"));
  EXPECT_NE(TakeBox(), "");
  EXPECT_TRUE(OrderNo(modified).cancelled);

  // Back in the inquiry only the first order's rest is left.
  ASSERT_NO_FATAL_FAILURE(OpenAndQuery());
  ASSERT_TRUE(WaitFor([&] { return Numbers() == std::vector<std::string>{first}; }));
}

}  // namespace
