// The stock order modify screen ZR4320 driven as a user drives it against the simulated trading
// server: which fields the kind and type open, the 2320 bodies as the server deciphers them, the
// result with the new order number, refused input, the pick record taken once, a failed send.
#include "change_fixture.h"
#include "pick_record.h"

namespace {

using namespace changetest;

constexpr int kAccount = 1006, kPassword = 1014, kTarget = 1015, kKind = 1008, kQuantity = 1009, kPrice = 1010;
constexpr int kType = 1016, kConfirm = 9705, kClear = 9801, kCode = 9909;
constexpr uint16_t kModify = 2320;

std::string Pad(const std::string& s, size_t width) {
  std::string out = s;
  out.resize(width, '\0');
  return out;
}

// The 46-byte body as the server logs it (password masked).
Bytes ModifyBody(const std::string& target, const std::string& qty, const std::string& price, char type, char kind) {
  return B("1234567801" + Pad("****", 8) + Pad(target, 5) + "005930" + Pad(qty, 7) + Pad(price, 8) + type + kind);
}

Bytes RecordBytes(const std::string& code, const std::string& number, const std::string& price, const std::string& qty,
                  char state) {
  vxpick::Record r;
  vxpick::BuildRecord(r, code, number, price, qty);
  r[vxpick::kStateAt] = static_cast<unsigned char>(state);
  return Bytes(r, r + sizeof r);
}

Bytes Cut(Bytes b, size_t n) {
  b.resize(n);
  return b;
}

class ModifyTest : public ChangeScreenTest {
 protected:
  void WriteHandOver(const Bytes& bytes) {
    std::string host = HostFile(vxpick::kModifyFile);
    fs::create_directories(fs::path(host).parent_path());
    fs::permissions(fs::path(host).parent_path(), fs::perms::owner_all);
    std::ofstream(host, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void Fill(const std::string& target, const std::string& qty, const std::string& price) {
    TypeInto(kPassword, "0000");
    TypeInto(kTarget, target);
    if (Enabled(kQuantity)) TypeInto(kQuantity, qty);
    if (Enabled(kPrice)) TypeInto(kPrice, price);
  }
};

// ---- Which fields are open ----------------------------------------------------------------------------

TEST_F(ModifyTest, KindAndTypeTogetherDecideTheOpenFields) {
  struct Case {
    int kind, type;
    bool qtyOpen;
    const char* qty;
    bool priceOpen;
    const char* price;
    int focus;  // 0: not checked
  } cases[] = {
      {0, 0, true, "5", true, "", kQuantity}, {0, 1, true, "5", false, "0", 0},  {0, 2, true, "5", true, "", kQuantity},
      {1, 0, false, "0", true, "", kPrice},   {1, 1, false, "0", false, "0", 0}, {1, 2, false, "0", true, "", kPrice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.type));
    ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
    TypeInto(kQuantity, "5");
    TypeInto(kPrice, "70000");
    ASSERT_TRUE(d->Pick(kKind, c.kind));
    ASSERT_TRUE(d->Pick(kType, c.type));
    EXPECT_EQ(Enabled(kQuantity), c.qtyOpen);
    EXPECT_EQ(Text(kQuantity), c.qty);
    EXPECT_EQ(Enabled(kPrice), c.priceOpen);
    EXPECT_EQ(Text(kPrice), c.price);
    if (c.focus) {
      EXPECT_EQ(Focus(), c.focus);
    }
  }
  // Back to a part: the quantity opens empty, not with the "0" it showed.
  ASSERT_TRUE(d->Pick(kKind, 0));
  EXPECT_TRUE(Enabled(kQuantity));
  EXPECT_EQ(Text(kQuantity), "");
  EXPECT_EQ(Text(kKind), "1.일부");
  EXPECT_EQ(Text(kType), "05 조건부지정가");
}

// ---- Modifications as they travel ----------------------------------------------------------------------

TEST_F(ModifyTest, ModificationsTravelAsConfirmedAndTheServerBookFollows) {
  struct Case {
    int kind, type;
    const char* qty;
    const char* price;
    const char* shownQty;
    const char* shownPrice;
    const char* kindName;
    std::string bodyQty, bodyPrice;
    char typeByte, kindByte;
    int64_t leftOnOriginal, newOpen, newPrice;
  } cases[] = {
      {0, 0, "10", "70500", "10", "70,500", "일부", "10", "70500", '1', '1', 90, 10, 70500},
      {0, 2, "1200", "69000", "1,200", "69,000", "일부", "1200", "69000", '3', '1', 0, 1200, 69000},
      {1, 0, nullptr, "68000", "0", "68,000", "잔량", "0", "68000", '1', '2', 0, 100, 68000},
  };
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  EXPECT_EQ(Focus(), kPassword);
  for (const Case& c : cases) {
    std::string target = Place("1234567801", "005930", true, '1', c.kind == 0 && c.type == 2 ? 1200 : 100, 70000);
    SCOPED_TRACE(target);
    ASSERT_TRUE(d->Pick(kKind, c.kind));
    ASSERT_TRUE(d->Pick(kType, c.type));
    Fill(target, c.qty ? c.qty : "", c.price);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kConfirm));
    std::string caption;
    EXPECT_EQ(
        TakeBox(IDOK, &caption),
        std::string("계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 정정주문\n정정구분: ") +
            c.kindName + "\n주문단가: " + c.shownPrice + " 원\n주문수량: " + c.shownQty + " 주");
    EXPECT_EQ(caption, "주문확인");
    EXPECT_EQ(RequestSince(kModify, mark), ModifyBody(target, c.bodyQty, c.bodyPrice, c.typeByte, c.kindByte));
    std::string result = TakeBox(IDOK, &caption);
    EXPECT_EQ(caption, "주문처리결과");
    std::string number = Orders().back().number;
    EXPECT_NE(number, target);
    EXPECT_EQ(
        result,
        std::string("계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: 정정주문\n정정구분: ") +
            c.kindName + "\n주문단가: " + c.shownPrice + "원\n주문수량: " + c.shownQty + " 주\n주문번호: " + number);
    EXPECT_EQ(OrderNo(target).open, c.leftOnOriginal);
    EXPECT_EQ(OrderNo(number).open, c.newOpen);
    EXPECT_EQ(OrderNo(number).price, c.newPrice);
    // The result empties the order and starts the next at "00 보통".
    EXPECT_EQ(Text(kTarget) + Text(kPassword), "");
    EXPECT_EQ(Text(kType), "00 보통");
    EXPECT_TRUE(Enabled(kPrice));
    EXPECT_EQ(Text(kPrice), "");
    EXPECT_EQ(Focus(), kPassword);
  }
}

TEST_F(ModifyTest, AllThatIsLeftAtMarketSendsZeroQuantityAndPrice) {
  std::string target = Place("1234567801", "005930", true, '1', 30, 70000);
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  ASSERT_TRUE(d->Pick(kKind, 1));
  ASSERT_TRUE(d->Pick(kType, 1));
  Fill(target, "", "");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  EXPECT_EQ(RequestSince(kModify, mark), ModifyBody(target, "0", "0", '2', '2'));
  EXPECT_NE(TakeBox(IDOK), "");
  // A market modification trades at once.
  EXPECT_EQ(Orders().back().filled, 30);
}

// ---- Refused input -----------------------------------------------------------------------------------------

TEST_F(ModifyTest, EachFailedCheckShowsItsBoxFocusesTheFieldAndSendsNothing) {
  struct Case {
    const char* what;
    std::function<void(ModifyTest&)> spoil;
    const char* text;
    int focus;
  } cases[] = {
      {"no account", [](ModifyTest& t) { t.SetText(kAccount, ""); }, "계좌번호를 선택하세요", kAccount},
      {"short password", [](ModifyTest& t) { t.TypeInto(kPassword, "000"); }, "비밀번호를 입력하세요", kPassword},
      {"no item code", [](ModifyTest& t) { t.SetText(kCode, "0593"); }, "종목코드를 입력하세요", kCode},
      {"no target", [](ModifyTest& t) { t.SetText(kTarget, ""); }, "원주문번호를 입력하세요", kTarget},
      {"target of 6", [](ModifyTest& t) { t.SetText(kTarget, "123456"); },
       "원주문번호는 5자리 이하로 입력하셔야 합니다.", kTarget},
      {"no quantity", [](ModifyTest& t) { t.SetText(kQuantity, ""); }, "정정수량을 입력하세요", kQuantity},
      {"no price", [](ModifyTest& t) { t.SetText(kPrice, ""); }, "정정가격을 입력하세요", kPrice},
      {"quantity past 7 digits", [](ModifyTest& t) { t.SetText(kQuantity, "12,345,678"); },
       "정정수량은 9,999,999주까지 숫자로 입력하세요", kQuantity},
      {"price that is no number", [](ModifyTest& t) { t.SetText(kPrice, "1a"); },
       "정정가격은 99,999,999원까지 숫자로 입력하세요", kPrice},
  };
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  size_t mark = server.logSize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetText(kAccount, "12345678 - 01");
    SetText(kCode, "05930");
    Fill("10001", "10", "70000");
    c.spoil(*this);
    ASSERT_TRUE(d->Tap(kConfirm));
    ExpectBox(c.text);
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_TRUE(NoBox());  // no confirmation follows
  }
  EXPECT_TRUE(NoneSince(kModify, mark));
}

TEST_F(ModifyTest, CancelInTheConfirmationSendsNothingAndServerRefusalsShowTheirMessage) {
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  Fill("99999", "10", "70000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDCANCEL), "");
  EXPECT_TRUE(NoneSince(kModify, mark));
  EXPECT_EQ(Text(kTarget), "99999");

  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  EXPECT_EQ(TakeBox(IDOK), "원주문번호가 올바르지 않습니다.");
  EXPECT_EQ(Text(kTarget), "99999");  // the fields stay for a correction
}

TEST_F(ModifyTest, AReplyTooShortForTheNewOrderNumberIsReportedNotRead) {
  server.setHandler(kModify,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(19, '7'); });
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  Fill("10001", "10", "70000");
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  ExpectBox(
      "ERROR : 수신 데이터 길이 오류 (2320)\n주문 처리결과를 수신하지 못했습니다.\n"
      "주문체결조회에서 주문 처리 여부를 확인하시기 바랍니다.");
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Text(kTarget), "10001");
}

TEST_F(ModifyTest, AFailedSendIsReportedToTheOwner) {
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  SOCKET dead = socket(AF_INET, SOCK_STREAM, 0);  // never connected: every send fails
  d->Ui([&] { SendMessage(dlg, WM_VX_CODES_READY, 0, static_cast<LPARAM>(dead)); });
  Fill("10001", "10", "70000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  EXPECT_EQ(OwnerGot(WM_VX_SEND_FAILED).size(), 1u);
  EXPECT_TRUE(NoBox());  // no result for what never left
  EXPECT_TRUE(NoneSince(kModify, mark));
  closesocket(dead);
}

// ---- The picked order ------------------------------------------------------------------------------------------

TEST_F(ModifyTest, APickRecordIsTakenOnceAndOnlyWhenItsFieldsAreSound) {
  struct Case {
    const char* what;
    Bytes file;
    bool taken;
  } cases[] = {
      {"written by the inquiry", RecordBytes("05930", "10001", "70,000", "1,200", '1'), true},
      {"already taken", RecordBytes("05930", "10001", "70,000", "1,200", '0'), false},
      {"letters in the order number", RecordBytes("05930", "10a01", "70,000", "1,200", '1'), false},
      {"order number of 6", RecordBytes("05930", "100012", "70,000", "1,200", '1'), false},
      {"no quantity", RecordBytes("05930", "10001", "70,000", "", '1'), false},
      {"short item code", RecordBytes("0593", "10001", "70,000", "1", '1'), false},
      {"short file", Cut(RecordBytes("05930", "10001", "70,000", "1", '1'), 38), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteHandOver(c.file);
    CVXDlg::csLastItemCode.Empty();
    ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
    Bytes after = ReadHost(HostFile(vxpick::kModifyFile));
    if (c.taken) {
      EXPECT_EQ(Text(kTarget), vxpick::FieldText(*reinterpret_cast<const vxpick::Record*>(c.file.data()),
                                                 vxpick::kNumberAt, vxpick::kNumberWidth));
      EXPECT_EQ(Text(kCode), "05930");
      EXPECT_NE(Text(kQuantity), "");
      EXPECT_NE(Text(kPrice), "");
      Bytes spent = c.file;
      spent[38] = '0';
      EXPECT_EQ(after, spent);
      // Opened again, the screen finds the record spent.
      ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
      EXPECT_EQ(Text(kTarget) + Text(kQuantity) + Text(kPrice), "");
    } else {
      EXPECT_EQ(Text(kTarget) + Text(kQuantity) + Text(kPrice), "");
      EXPECT_EQ(after, c.file);  // not rewritten
    }
  }
  // A taken record shows its fields as written.
  WriteHandOver(RecordBytes("05930", "10001", "70,000", "1,200", '1'));
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  EXPECT_EQ(Text(kQuantity), "1,200");
  EXPECT_EQ(Text(kPrice), "70,000");
}

TEST_F(ModifyTest, AnOrderNumberHandedOverInTheRegistryIsOfferedOnce) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
    reg.SetValue(u"WonOrdNo", u"10005");
  }
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  EXPECT_EQ(Text(kTarget), "10005");
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  EXPECT_EQ(Text(kTarget), "");
}

TEST_F(ModifyTest, ClearEmptiesTheOrderFields) {
  ASSERT_NO_FATAL_FAILURE(Open("ZR4320"));
  Fill("10001", "10", "70000");
  ASSERT_TRUE(d->Tap(kClear));
  EXPECT_EQ(Text(kTarget) + Text(kQuantity) + Text(kPrice) + Text(kPassword), "");
}

}  // namespace
