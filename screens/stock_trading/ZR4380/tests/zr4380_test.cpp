// The ECN order cancel screen driven as a user drives it against the simulated trading server:
// part and all-that-is-left cancels with the bodies the server deciphers and its book after them,
// the picked order taken once from its hand-over file, refused input, and the round trip from the
// order and fill inquiry.
#include <sys/stat.h>

#include "ecn_fixture.h"
#include "pick_record.h"

namespace {

using namespace ecntest;

constexpr int kPassword = 1014, kTarget = 1015, kName = 1016, kKind = 1008, kQuantity = 1009;
constexpr int kAccount = 1006, kConfirm = 9705, kClear = 9801, kCode = 9909;
constexpr uint16_t kEcnCancel = 4380;

// The 37-byte body as the server logs it (the password's bytes masked).
Bytes CancelBody(const std::string& target, const std::string& code6, const std::string& qty, char kind) {
  return B("1234567801" + Pad("****", 8) + Pad(target, 5) + code6 + Pad(qty, 7) + kind);
}

Bytes Record(const std::string& code, const std::string& number, const std::string& qty, char state = '1') {
  vxpick::Record r;
  vxpick::BuildRecord(r, code, number, "71,500", qty);
  r[vxpick::kStateAt] = static_cast<unsigned char>(state);
  return Bytes(r, r + sizeof r);
}

class EcnCancelTest : public EcnScreenTest {
 public:
  void OpenScreen() {
    ASSERT_NO_FATAL_FAILURE(Open("ZR4380"));
    ASSERT_TRUE(WaitFor([&] { return !Text(kName).empty(); }));
    Settled();  // the start's quote requests are all logged before a test marks the log
  }
  void WriteRecord(const Bytes& bytes) {
    std::string host = HostFile(vxpick::kEcnCancelFile);
    fs::create_directories(fs::path(host).parent_path());
    fs::permissions(fs::path(host).parent_path(), fs::perms::owner_all);
    std::ofstream(host, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
};

TEST_F(EcnCancelTest, CancelsTravelAsConfirmedAndTheServerBookFollows) {
  struct Case {
    const char* what;
    int kind;
    const char* quantity;  // typed (part only)
    const char* kindText;
    const char* shownQuantity;
    const char* bodyQuantity;
    char kindCode;
    int64_t openAfter;
  } cases[] = {
      {"part", 0, "4", "일부취소", "4", "4", '1', 6},
      {"part of all", 0, "10", "일부취소", "10", "10", '1', 0},
      {"all that is left", 1, nullptr, "잔량취소", "0", "0", '2', 0},
  };
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  EXPECT_EQ(Text(9825), "ECN취소");
  EXPECT_EQ(Text(kKind), "1.일부");
  EXPECT_EQ(Focus(), kPassword);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string target = Place("1234567801", "005930", true, '1', 10, 71500, true);
    ASSERT_TRUE(d->Type(kPassword, "0000"));
    EXPECT_EQ(Focus(), kTarget);
    ASSERT_TRUE(d->Type(kTarget, target));
    EXPECT_EQ(Focus(), kQuantity);  // the 5th digit moves on
    ASSERT_TRUE(d->Pick(kKind, c.kind));
    EXPECT_EQ(Enabled(kQuantity), c.kind == 0);
    EXPECT_EQ(Text(kQuantity), c.kind == 0 ? "" : "0");
    if (c.quantity) {
      ASSERT_TRUE(d->Type(kQuantity, c.quantity));
    }
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kConfirm));
    std::string caption;
    EXPECT_EQ(TakeBox(IDOK, &caption),
              "계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n"
              "주문구분: ECN취소\n원주문번호: " +
                  target + "\n취소구분: " + c.kindText + "\n취소수량: " + c.shownQuantity + " 주");
    EXPECT_EQ(caption, "주문내역확인");
    EXPECT_EQ(RequestSince(kEcnCancel, mark), CancelBody(target, "005930", c.bodyQuantity, c.kindCode));
    std::string result = TakeBox(IDOK, &caption);
    EXPECT_EQ(caption, "주문 처리 결과");
    EXPECT_EQ(
        result.rfind(std::string("계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: ECN취소\n") +
                         "취소구분: " + c.kindText + "\n주문수량: " + c.shownQuantity + " 주\n주문번호: ",
                     0),
        0u)
        << result;
    EXPECT_EQ(result.size(), result.rfind("주문번호: ") + std::string("주문번호: ").size() + 5);
    EXPECT_EQ(OrderNo(target).open, c.openAfter);
    EXPECT_EQ(OrderNo(target).cancelled, c.openAfter == 0);
    // The result empties the order and starts the next at "1.일부".
    EXPECT_EQ(Text(kTarget), "");
    EXPECT_EQ(Text(kQuantity), "");
    EXPECT_EQ(Text(kPassword), "");
    EXPECT_EQ(Text(kKind), "1.일부");
    EXPECT_TRUE(Enabled(kQuantity));
    EXPECT_EQ(Focus(), kPassword);
    EXPECT_EQ(server.requests(kEcnCancel, mark).size(), 1u);
  }
}

// As on the ECN order screens, the query asks for the quote through the chain and once more.
TEST_F(EcnCancelTest, AQueryAsksForTheQuoteThroughTheChainAndOnceMore) {
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  auto quotes = QueryQuotes();
  ASSERT_EQ(quotes.size(), 2u);
  for (const auto& q : quotes) EXPECT_EQ(q.plain, B("005930"));
  EXPECT_EQ(Focus(), kPassword);
}

TEST_F(EcnCancelTest, EachFailedCheckShowsItsBoxFocusesTheFieldAndSendsNothing) {
  struct Case {
    const char* what;
    std::function<void(EcnCancelTest&)> spoil;
    const char* text;
    int focus;
  } cases[] = {
      {"no account",
       [](EcnCancelTest& t) {
         t.d->Ui([&] {
           SendDlgItemMessage(t.dlg, kAccount, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
           SetDlgItemText(t.dlg, kAccount, u"");
         });
       },
       "계좌번호를 선택하세요", kAccount},
      {"short password", [](EcnCancelTest& t) { t.SetText(kPassword, "000"); }, "비밀번호를 입력하세요", kPassword},
      {"short item code", [](EcnCancelTest& t) { t.SetText(kCode, "0593"); }, "종목코드를 입력하세요", kCode},
      {"no target", [](EcnCancelTest& t) { t.SetText(kTarget, ""); }, "원주문번호를 입력하세요", kTarget},
      {"target of 6 digits", [](EcnCancelTest& t) { t.SetText(kTarget, "123456"); },
       "원주문번호는 5자리 이하로 입력하셔야 합니다.", kTarget},
      {"part without a quantity", [](EcnCancelTest& t) { t.SetText(kQuantity, ""); }, "취소수량을 입력하세요",
       kQuantity},
      {"quantity of 8 digits", [](EcnCancelTest& t) { t.TypeInto(kQuantity, "12345678"); },
       "취소수량은 9,999,999주까지 숫자로 입력하세요", kQuantity},
  };
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  size_t mark = server.logSize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d->Ui([&] { SendDlgItemMessage(dlg, kAccount, CB_SETCURSEL, 0, 0); });
    SetText(kPassword, "0000");
    SetText(kCode, "05930");
    SetText(kTarget, "00001");
    SetText(kQuantity, "3");
    c.spoil(*this);
    ASSERT_TRUE(d->Tap(kConfirm));
    std::string caption = "?";
    EXPECT_EQ(TakeBox(IDOK, &caption), c.text);
    EXPECT_EQ(caption, "");
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_TRUE(NoBox());
  }
  // Cancel in the confirmation sends nothing either.
  d->Ui([&] { SendDlgItemMessage(dlg, kAccount, CB_SETCURSEL, 0, 0); });
  SetText(kPassword, "0000");
  SetText(kCode, "05930");
  SetText(kTarget, "00001");
  SetText(kQuantity, "3");
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDCANCEL), "");
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(NoneSince(kEcnCancel, mark));
  // "미체결" asks the owner for the order and fill inquiry.
  ASSERT_TRUE(d->Tap(9800));
  EXPECT_TRUE(WaitFor([&] { return !OpenRequests().empty(); }));
  EXPECT_EQ(OpenRequests(), std::vector<WPARAM>{93103});
  // "지움" empties the quantity, the target and the password.
  ASSERT_TRUE(d->Tap(kClear));
  EXPECT_EQ(Text(kQuantity), "");
  EXPECT_EQ(Text(kTarget), "");
  EXPECT_EQ(Text(kPassword), "");
}

TEST_F(EcnCancelTest, ThePickedOrderIsTakenOnceAndOnlyWhenSound) {
  struct Case {
    const char* what;
    Bytes file;  // empty: no file
    bool taken;
  } cases[] = {
      {"no file", {}, false},
      {"a record already taken", Record("35720", "00042", "1,200", '0'), false},
      {"a short file",
       [] {
         Bytes b = Record("35720", "00042", "1,200");
         b.pop_back();
         return b;
       }(),
       false},
      {"a longer file",
       [] {
         Bytes b = Record("35720", "00042", "1,200");
         b.push_back('1');
         return b;
       }(),
       false},
      {"an order number that is no number", Record("35720", "0a042", "1,200"), false},
      // Last: a record taken makes its item the current one of every screen.
      {"a sound record", Record("35720", "00042", "1,200"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(HostFile(vxpick::kEcnCancelFile));
    if (!c.file.empty()) WriteRecord(c.file);
    ASSERT_NO_FATAL_FAILURE(OpenScreen());
    EXPECT_EQ(Text(kTarget), c.taken ? "00042" : "");
    EXPECT_EQ(Text(kQuantity), c.taken ? "1,200" : "");
    EXPECT_EQ(Text(kCode), c.taken ? "35720" : "05930");
    if (c.taken) {
      EXPECT_EQ(Text(kName), "카카오");
      Bytes spent = c.file;
      spent[vxpick::kStateAt] = '0';
      EXPECT_EQ(ReadHost(HostFile(vxpick::kEcnCancelFile)), spent);
    } else if (!c.file.empty()) {
      EXPECT_EQ(ReadHost(HostFile(vxpick::kEcnCancelFile)), c.file);  // left as it was
    }
    Close();
  }
  // Opened again, the spent record fills nothing.
  fs::remove(HostFile(vxpick::kEcnCancelFile));
  WriteRecord(Record("35720", "00042", "1,200"));
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  Close();
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  EXPECT_EQ(Text(kTarget), "");
}

#ifdef ZR4340_PLUGIN
TEST_F(EcnCancelTest, AnOrderPickedInTheInquiryIsCancelledAndLeavesTheInquiry) {
  constexpr int kInquiryPassword = 1004, kSend = 9813, kCancelButton = 1569, kGrid = 4340;
  std::string stock = Place("1234567801", "005930", true, '1', 5, 70000);
  std::string ecn = Place("1234567801", "005930", true, '1', 7, 71500, true);
  auto inquire = [&] {
    ASSERT_NO_FATAL_FAILURE(Open("ZR4340"));
    ASSERT_TRUE(d->Type(kInquiryPassword, "0000"));
    ASSERT_TRUE(d->Tap(kSend));
  };
  ASSERT_NO_FATAL_FAILURE(inquire());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 2) == std::vector<std::string>{stock, ecn}; }));
  ASSERT_TRUE(d->TapCell(kGrid, 1, 1));
  ASSERT_TRUE(d->Tap(kCancelButton));
  ASSERT_EQ(OpenRequests(), std::vector<WPARAM>{93106});

  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  EXPECT_EQ(Text(kTarget), ecn);
  EXPECT_EQ(Text(kQuantity), "7");
  EXPECT_EQ(Text(kCode), "05930");
  EXPECT_EQ(ReadHost(HostFile(vxpick::kEcnCancelFile)).at(vxpick::kStateAt), '0');
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  EXPECT_EQ(RequestSince(kEcnCancel, mark), CancelBody(ecn, "005930", "7", '1'));
  std::string caption;
  EXPECT_NE(TakeBox(IDOK, &caption), "");
  EXPECT_EQ(caption, "주문 처리 결과");
  EXPECT_TRUE(OrderNo(ecn).cancelled);
  EXPECT_EQ(OrderNo(stock).open, 5);

  // The inquiry no longer lists the cancelled order.
  ASSERT_NO_FATAL_FAILURE(inquire());
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 2) == std::vector<std::string>{stock}; }));
}
#endif

}  // namespace
