// The stock order cancel screen ZR4330 driven as a user drives it against the simulated trading
// server: the check-box pair and the order type it sends, part and all-that-is-left cancels with
// the server's book after them, refused input, the pick record without a price, a failed send.
#include "change_fixture.h"
#include "pick_record.h"

namespace {

using namespace changetest;

constexpr int kAccount = 1006, kPassword = 1014, kTarget = 1015, kKind = 1008, kQuantity = 1009;
constexpr int kOddLot = 1565, kAfterHours = 1566, kConfirm = 9705, kClear = 9801, kCode = 9909;
constexpr uint16_t kCancel = 2330;

std::string Pad(const std::string& s, size_t width) {
  std::string out = s;
  out.resize(width, '\0');
  return out;
}

// The 46-byte body as the server logs it (password masked); the price is always "00000000".
Bytes CancelBody(const std::string& target, const std::string& qty, char kind, char type) {
  return B("1234567801" + Pad("****", 8) + Pad(target, 5) + "005930" + Pad(qty, 7) + "00000000" + kind + type);
}

class CancelTest : public ChangeScreenTest {
 public:
  void Fill(const std::string& target, const std::string& qty) {
    TypeInto(kPassword, "0000");
    TypeInto(kTarget, target);
    if (Enabled(kQuantity)) TypeInto(kQuantity, qty);
  }
};

TEST_F(CancelTest, TheCheckBoxPairSetsTheOrderTypeSent) {
  struct Case {
    const char* what;
    std::vector<int> taps;
    bool oddLot, afterHours;
    char type;
  } cases[] = {
      {"none", {}, false, false, '1'},
      {"odd lot", {kOddLot}, true, false, '5'},
      {"odd lot, then after-hours close", {kOddLot, kAfterHours}, false, true, '4'},
      {"after-hours close unchecked again", {kAfterHours, kAfterHours}, false, false, '1'},
      {"after-hours close, then odd lot", {kAfterHours, kOddLot}, true, false, '5'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string target = Place("1234567801", "005930", true, '1', 10, 70000);
    ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
    for (int box : c.taps) ASSERT_TRUE(d->Tap(box));
    EXPECT_EQ(Checked(kOddLot), c.oddLot);
    EXPECT_EQ(Checked(kAfterHours), c.afterHours);
    Fill(target, "3");
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kConfirm));
    std::string caption;
    EXPECT_EQ(TakeBox(IDOK, &caption),
              "계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 취소주문\n원주문번호: " + target +
                  "\n취소구분: 일 부\n취소수량: 3 주");
    EXPECT_EQ(caption, "주문내역확인");
    EXPECT_EQ(RequestSince(kCancel, mark), CancelBody(target, "3", '1', c.type));
    std::string result = TakeBox(IDOK, &caption);
    EXPECT_EQ(caption, "주문처리결과");
    EXPECT_EQ(result.rfind("계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 취소주문\n"
                           "취소구분: 일부\n주문수량: 3 주\n주문번호: ",
                           0),
              0u)
        << result;
    EXPECT_EQ(OrderNo(target).open, 7);
    // The result keeps the check boxes as they were and empties the order.
    EXPECT_EQ(Checked(kOddLot), c.oddLot);
    EXPECT_EQ(Checked(kAfterHours), c.afterHours);
    EXPECT_EQ(Text(kTarget) + Text(kQuantity) + Text(kPassword), "");
    EXPECT_EQ(Focus(), kPassword);
  }
}

TEST_F(CancelTest, AllThatIsLeftSendsZeroQuantityAndTheOrderLeavesTheBook) {
  std::string target = Place("1234567801", "005930", true, '1', 25, 70000);
  ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
  TypeInto(kQuantity, "5");
  ASSERT_TRUE(d->Pick(kKind, 1));
  EXPECT_FALSE(Enabled(kQuantity));
  EXPECT_EQ(Text(kQuantity), "0");
  Fill(target, "");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_EQ(TakeBox(IDOK),
            "계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 취소주문\n원주문번호: " + target +
                "\n취소구분: 잔 량\n취소수량: 0 주");
  EXPECT_EQ(RequestSince(kCancel, mark), CancelBody(target, "0", '2', '1'));
  EXPECT_NE(TakeBox(IDOK), "");
  EXPECT_TRUE(OrderNo(target).cancelled);
  // The result goes back to a part: the quantity opens again, empty.
  EXPECT_TRUE(Enabled(kQuantity));
  EXPECT_EQ(Text(kQuantity), "");
  EXPECT_EQ(Text(kKind), "1.일부");
}

TEST_F(CancelTest, EachFailedCheckShowsItsBoxFocusesTheFieldAndSendsNothing) {
  struct Case {
    const char* what;
    std::function<void(CancelTest&)> spoil;
    const char* text;
    int focus;
  } cases[] = {
      {"no account", [](CancelTest& t) { t.SetText(kAccount, ""); }, "계좌번호를 선택하세요", kAccount},
      {"short password", [](CancelTest& t) { t.TypeInto(kPassword, "00"); }, "비밀번호를 입력하세요", kPassword},
      {"no item code", [](CancelTest& t) { t.SetText(kCode, ""); }, "종목코드를 입력하세요", kCode},
      {"no target", [](CancelTest& t) { t.SetText(kTarget, ""); }, "원주문번호를 입력하세요", kTarget},
      {"target of 6", [](CancelTest& t) { t.SetText(kTarget, "123456"); },
       "원주문번호는 5자리 이하로 입력하셔야 합니다.", kTarget},
      {"part without a quantity", [](CancelTest& t) { t.SetText(kQuantity, ""); }, "취소수량을 입력하세요", kQuantity},
      {"quantity past 7 digits", [](CancelTest& t) { t.SetText(kQuantity, "12,345,678"); },
       "취소수량은 9,999,999주까지 숫자로 입력하세요", kQuantity},
  };
  ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
  size_t mark = server.logSize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetText(kAccount, "12345678 - 01");
    SetText(kCode, "05930");
    Fill("10001", "10");
    c.spoil(*this);
    ASSERT_TRUE(d->Tap(kConfirm));
    ExpectBox(c.text);
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_TRUE(NoBox());
  }
  EXPECT_TRUE(NoneSince(kCancel, mark));
}

TEST_F(CancelTest, APickRecordFillsOrderNumberQuantityAndCodeOnce) {
  vxpick::Record r;
  // The cancel screen takes no price: a record whose price is not a number still serves.
  vxpick::BuildRecord(r, "05930", "10001", "", "1,200");
  std::string host = HostFile(vxpick::kCancelFile);
  fs::create_directories(fs::path(host).parent_path());
  std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char*>(r), sizeof r);
  ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
  EXPECT_EQ(Text(kTarget), "10001");
  EXPECT_EQ(Text(kQuantity), "1,200");
  EXPECT_EQ(Text(kCode), "05930");
  EXPECT_EQ(ReadHost(host).at(vxpick::kStateAt), '0');
  ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
  EXPECT_EQ(Text(kTarget) + Text(kQuantity), "");
  // The quick-move list ends with the screen's own entries, the first selected.
  std::string tree = d->Tree();
  EXPECT_NE(tree.find("\"챠    트\""), std::string::npos);
}

TEST_F(CancelTest, AFailedSendIsReportedToTheOwnerAndClearEmptiesNumberAndQuantity) {
  ASSERT_NO_FATAL_FAILURE(Open("ZR4330"));
  SOCKET dead = socket(AF_INET, SOCK_STREAM, 0);  // never connected: every send fails
  d->Ui([&] { SendMessage(dlg, WM_VX_CODES_READY, 0, static_cast<LPARAM>(dead)); });
  Fill("10001", "10");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  EXPECT_EQ(OwnerGot(WM_VX_SEND_FAILED).size(), 1u);
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(NoneSince(kCancel, mark));
  closesocket(dead);

  ASSERT_TRUE(d->Tap(kClear));
  EXPECT_EQ(Text(kTarget) + Text(kQuantity), "");
  EXPECT_EQ(Text(kPassword), "0000");  // the cancel screen's clear keeps the password
}

}  // namespace
