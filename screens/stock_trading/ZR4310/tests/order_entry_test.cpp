// The stock buy screen ZR4310 and the cash-sell screen VX4300, driven as a user drives them: the
// real plug-in is loaded from the device's program folder and hosted as the main program hosts
// screens, on a receive thread connected to the simulated trading server, with a session that
// has exchanged keys and logged in. Checks what the screen shows, the boxes and the focus, and
// the order bodies the server deciphers.
#include <gtest/gtest.h>

#include <cstring>

#include "screen_host.h"
#include "vxskeleton/screen_skeleton.h"

namespace {

constexpr int kAccount = 1006, kPassword = 1014, kType = 1008, kQuantity = 1009, kPrice = 1010;
constexpr int kConfirm = 9705, kClear = 9801, kCode = 9909;
constexpr uint16_t kStockBase = 4101;

using namespace screentest;

// The two screens of the family and what tells them apart.
struct Screen {
  const char* name;
  const char16_t* file;
  uint16_t code;
  int nameStatic;
  const char* side;        // in the confirmation
  const char* resultSide;  // in the result
  bool buy;
  WPARAM balanceScreen;
  int titleButton;
  const char* titleText;
  const char* firstEntry;  // the account list's first entry
  bool packetLayerBase;    // 4101 header flags of the packet layer
};
const Screen kBuy = {"ZR4310", u"ZR4310.dll", 2310, 1002,         "매수",          "주식매수",
                     true,     94002,         9708, "▶ 주식매수", "55556666 - 01", false};
const Screen kSell = {"VX4300", u"VX4300.dll", 2300, 1015,         "매도",        "현금매도",
                      false,    94650,         9707, "▶ 주식매도", "55556666-01", true};

void PrintTo(const Screen& s, std::ostream* os) { *os << s.name; }

class OrderEntryTest : public ScreenTestWithParam<Screen> {
 protected:
  void SetUp() override {
    simsrv::Account a1;
    a1.number = "5555666601";
    a1.password = "1111";
    a1.cash = 100000000000LL;
    a1.holdings["005930"] = 5000000;
    simsrv::Account a2;
    a2.number = "5555666602";
    a2.password = "2222";
    server.addUser({"kim", "pw12", {"5555666601", "5555666602"}}, {a1, a2});
    login = {"kim", "pw12", {u"5555666601", u"5555666602"}};
    nameStatic = GetParam().nameStatic;
    ScreenTestWithParam::SetUp();
  }

  // Opens the screen as the main program's screen host does and waits for its item name.
  HWND Open(EE_Encrypt* packetLayer = nullptr) {
    ScreenHost::Open(GetParam().file, packetLayer);
    EXPECT_TRUE(WaitFor([&] { return Text(GetParam().nameStatic) == "삼성전자"; })) << Text(GetParam().nameStatic);
    current = dlg;
    return dlg;
  }
  void Set(int id, const char16_t* text) {
    d->Ui([&] { SetDlgItemText(current, id, text); });
  }
  using ScreenHost::Orders;
  size_t Orders(size_t mark) { return server.requests(GetParam().code, mark).size(); }

  // The deciphered body the server logs: the password's bytes show as '*'.
  static simsrv::Bytes Body(const std::string& account, size_t passwordLen, const std::string& code6,
                            const std::string& quantity, const std::string& price, char type) {
    simsrv::Bytes b(40, 0);
    std::memcpy(b.data(), account.data(), 10);
    std::memset(b.data() + 10, '*', passwordLen);
    std::memcpy(b.data() + 18, code6.data(), 6);
    std::memcpy(b.data() + 24, quantity.data(), quantity.size());
    std::memcpy(b.data() + 31, price.data(), price.size());
    b[39] = static_cast<unsigned char>(type);
    return b;
  }

  HWND current = 0;
};

// ---- Orders as typed, confirmed, sent and reported ------------------------------------------------

TEST_P(OrderEntryTest, OrdersTravelAsConfirmedAndTheResultClearsTheInput) {
  const Screen& s = GetParam();
  struct Case {
    int type;
    const char* quantity;       // typed
    const char* price;          // typed; nullptr for the types without a price
    const char* shownQuantity;  // in the confirmation
    const char* shownPrice;
    const char* typeName;
    const char* bodyQuantity;
    const char* bodyPrice;
    char code;
  } cases[] = {
      {0, "10", "71500", "10", "71,500", "보 통", "10", "71500", '1'},
      {1, "1000", nullptr, "1,000", "0", "시장가", "1000", "0", '2'},
      {2, "25", "70000", "25", "70,000", "조건부지정가", "25", "70000", '3'},
      {3, "1234567", nullptr, "1,234,567", "0", "시간외종가", "1234567", "0", '4'},
      {4, "7", nullptr, "7", "0", "단 주", "7", "0", '5'},
      {0, "1", "12345678", "1", "12,345,678", "보 통", "1", "12345678", '1'},
  };
  Open();
  EXPECT_EQ(Focus(), kPassword);
  EXPECT_EQ(Text(kAccount), s.firstEntry);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typeName) + " " + c.quantity);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Type(kPassword, "1111"));
    EXPECT_EQ(Focus(), kQuantity);  // the 4th password character moves on
    ASSERT_TRUE(d->Pick(kType, c.type));
    EXPECT_EQ(Text(kType), c.typeName);
    EXPECT_EQ(Enabled(kPrice), c.price != nullptr);
    ASSERT_TRUE(d->Type(kQuantity, c.quantity));
    if (c.price) {
      ASSERT_TRUE(d->Type(kPrice, c.price));
    }
    EXPECT_EQ(Text(kQuantity), c.shownQuantity);
    EXPECT_EQ(Text(kPrice), c.shownPrice);

    ASSERT_TRUE(d->Tap(kConfirm));
    plat::win::MessageBoxInfo b;
    ASSERT_TRUE(Box(&b));
    EXPECT_EQ(Utf8(b.caption), "주문 확인");
    EXPECT_EQ(b.type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(Utf8(b.text), std::string("계좌번호: 55556666-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: ") +
                                s.side + "\n매매유형: " + c.typeName + "\n주문단가: " + c.shownPrice +
                                " 원\n주문수량: " + c.shownQuantity + " 주");
    EXPECT_EQ(Orders(mark), 0u);  // nothing leaves before the answer
    ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));

    simsrv::LogEntry e;
    ASSERT_TRUE(server.waitForRequest(s.code, 3000, &e, mark));
    EXPECT_EQ(e.encFlag, 1);
    ASSERT_TRUE(e.deciphered);
    EXPECT_EQ(e.plain, Body("5555666601", 4, "005930", c.bodyQuantity, c.bodyPrice, c.code));

    ASSERT_TRUE(Box(&b));
    std::string number = server.withMarket([](simsrv::Market& m) { return m.Orders().back().number; });
    EXPECT_EQ(Utf8(b.caption), "주문처리결과");
    EXPECT_EQ(b.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(Utf8(b.text), std::string("계좌번호: 55556666-01\n종목코드: 05930\n종 목  명: 삼성전자\n주문구분: ") +
                                s.resultSide + "\n매매유형: " + c.typeName + "\n주문단가: " + c.shownPrice +
                                "원\n주문수량: " + c.shownQuantity + " 주\n주문번호: " + number);
    ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
    // The result empties the order and starts the next one at "보 통".
    EXPECT_EQ(Text(kQuantity), "");
    EXPECT_EQ(Text(kPrice), "");
    EXPECT_EQ(Text(kPassword), "");
    EXPECT_EQ(Text(kType), "보 통");
    EXPECT_TRUE(Enabled(kPrice));
    EXPECT_EQ(Focus(), kPassword);
    EXPECT_EQ(Orders(mark), 1u);
  }
  auto orders = server.withMarket([](simsrv::Market& m) { return m.Orders(); });
  ASSERT_EQ(orders.size(), std::size(cases));
  for (const auto& o : orders) EXPECT_EQ(o.buy, s.buy);
}

// ---- Refused input ---------------------------------------------------------------------------------

TEST_P(OrderEntryTest, EachFailedCheckShowsItsBoxFocusesTheFieldAndSendsNothing) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    const char* text;
    int focus;
  };
  auto noSelection = [&](int id) {
    d->Ui([&] {
      SendDlgItemMessage(current, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      SetDlgItemText(current, id, u"");
    });
  };
  const Case cases[] = {
      {"no account", [&] { noSelection(kAccount); }, "계좌번호를 선택하세요", kAccount},
      {"not an account",
       [&] {
         noSelection(kAccount);
         d->Type(kAccount, "1234");
       },
       "계좌번호를 선택하세요", kAccount},
      {"short password", [&] { Set(kPassword, u"111"); }, "비밀번호를 입력하세요", kPassword},
      {"password longer than its field", [&] { Set(kPassword, u"123456789"); }, "비밀번호를 입력하세요", kPassword},
      {"short item code", [&] { Set(kCode, u"0593"); }, "종목코드를 입력하세요", kCode},
      {"no order type", [&] { noSelection(kType); }, "매매유형을 선택하세요", kType},
      {"no quantity", [&] { Set(kQuantity, u""); }, "주문수량을 입력하세요", kQuantity},
      {"no price for 보 통", [&] { Set(kPrice, u""); }, "주문가격을 입력하세요", kPrice},
      {"no price for 조건부지정가",
       [&] {
         d->Pick(kType, 2);
         Set(kQuantity, u"10");
       },
       "주문가격을 입력하세요", kPrice},
      // Eight quantity digits fit the edit ("12,345,678") but not the body's seven.
      {"quantity of 8 digits",
       [&] {
         Set(kQuantity, u"");
         d->Type(kQuantity, "12345678");
       },
       "주문수량은 9,999,999주까지 숫자로 입력하세요", kQuantity},
      {"quantity that is no number", [&] { Set(kQuantity, u"1a"); }, "주문수량은 9,999,999주까지 숫자로 입력하세요",
       kQuantity},
      {"price that is no number", [&] { Set(kPrice, u"1a"); }, "주문가격은 99,999,999원까지 숫자로 입력하세요", kPrice},
  };
  Open();
  size_t mark = server.logSize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A sound order, then one fault.
    d->Ui([&] { SendDlgItemMessage(current, kAccount, CB_SETCURSEL, 0, 0); });
    ASSERT_TRUE(d->Pick(kType, 0));
    Set(kPassword, u"1111");
    Set(kCode, u"05930");
    Set(kQuantity, u"10");
    Set(kPrice, u"71500");
    c.spoil();
    std::string quantity = Text(kQuantity), price = Text(kPrice);
    ASSERT_TRUE(d->Tap(kConfirm));
    plat::win::MessageBoxInfo b;
    ASSERT_TRUE(Box(&b));
    EXPECT_EQ(Utf8(b.caption), "");
    EXPECT_EQ(Utf8(b.text), c.text);
    ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));  // no confirmation follows
    EXPECT_EQ(Text(kQuantity), quantity);
    EXPECT_EQ(Text(kPrice), price);
  }
  Settled();
  EXPECT_EQ(Orders(mark), 0u);
}

TEST_P(OrderEntryTest, CancelInTheConfirmationSendsNothing) {
  Open();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  ASSERT_TRUE(d->Type(kQuantity, "10"));
  ASSERT_TRUE(d->Type(kPrice, "71500"));
  ASSERT_TRUE(d->Tap(kConfirm));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(Box(&b));
  EXPECT_EQ(Utf8(b.caption), "주문 확인");
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDCANCEL));
  Settled();
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
  EXPECT_EQ(Orders(mark), 0u);
  EXPECT_EQ(Text(kQuantity), "10");
  EXPECT_EQ(Text(kPrice), "71,500");
  EXPECT_EQ(Text(kPassword), "1111");
}

// ---- Replies ---------------------------------------------------------------------------------------

TEST_P(OrderEntryTest, ServerRefusalShowsItsMessageAndKeepsTheFields) {
  const Screen& s = GetParam();
  Open();
  size_t mark = server.logSize();
  // More than the account's cash or holding: the server refuses with its own words.
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  ASSERT_TRUE(d->Pick(kType, 1));
  ASSERT_TRUE(d->Type(kQuantity, "9999999"));
  ASSERT_TRUE(d->Tap(kConfirm));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(Box(&b));
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  ASSERT_TRUE(Box(&b));
  EXPECT_EQ(Utf8(b.caption), "주문오류      ");
  EXPECT_EQ(Utf8(b.text), s.buy ? "주문가능금액이 부족합니다." : "매도가능수량이 부족합니다.");
  EXPECT_NE(b.type & MB_ICONEXCLAMATION, 0u);
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  EXPECT_EQ(Orders(mark), 1u);
  EXPECT_EQ(Text(kQuantity), "9,999,999");
  EXPECT_EQ(Text(kPrice), "0");
  EXPECT_EQ(Text(kType), "시장가");
  EXPECT_EQ(Text(kPassword), "1111");
  // The refused order is answered: the next result describes the next order.
  Set(kQuantity, u"");
  ASSERT_TRUE(d->Type(kQuantity, "10"));
  ASSERT_TRUE(d->Tap(kConfirm));
  ASSERT_TRUE(Box(&b));
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  ASSERT_TRUE(Box(&b));
  EXPECT_EQ(Utf8(b.caption), "주문처리결과");
  EXPECT_NE(Utf8(b.text).find("주문수량: 10 주\n"), std::string::npos) << Utf8(b.text);
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
}

TEST_P(OrderEntryTest, ResultDescribesTheOrderSentNotTheFieldsEditedMeanwhile) {
  const Screen& s = GetParam();
  Open();
  server.setFault({simsrv::FaultKind::Delay, s.code, 300, 1});
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  ASSERT_TRUE(d->Type(kQuantity, "10"));
  ASSERT_TRUE(d->Type(kPrice, "71500"));
  ASSERT_TRUE(d->Tap(kConfirm));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(Box(&b));
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  ASSERT_TRUE(d->Type(kQuantity, "5"));  // the next order is being typed when the reply comes
  ASSERT_TRUE(Box(&b));
  EXPECT_NE(Utf8(b.text).find("주문단가: 71,500원\n주문수량: 10 주\n"), std::string::npos) << Utf8(b.text);
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
}

TEST_P(OrderEntryTest, TwoOrdersInFlightEachGetTheirOwnResult) {
  const Screen& s = GetParam();
  // The server holds both orders until the test lets it answer them, in their order.
  struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void Open() {
      std::lock_guard<std::mutex> l(m);
      open = true;
      cv.notify_all();
    }
  };
  auto gate = std::make_shared<Gate>();
  struct Opener {
    std::shared_ptr<Gate> g;
    ~Opener() { g->Open(); }
  } opener{gate};
  simsrv::Handler real = simsrv::DefaultHandlers().at(s.code);
  server.setHandler(s.code, [gate, real](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) {
    std::unique_lock<std::mutex> l(gate->m);
    gate->cv.wait(l, [&] { return gate->open; });
    l.unlock();
    real(c, q, r);
  });
  Open();
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  plat::win::MessageBoxInfo b;
  for (const char* quantity : {"10", "20"}) {
    Set(kQuantity, u"");
    Set(kPrice, u"");
    ASSERT_TRUE(d->Type(kQuantity, quantity));
    ASSERT_TRUE(d->Type(kPrice, "71500"));
    ASSERT_TRUE(d->Tap(kConfirm));
    ASSERT_TRUE(Box(&b));
    ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  }
  gate->Open();
  for (const char* quantity : {"10", "20"}) {
    ASSERT_TRUE(Box(&b));
    EXPECT_NE(Utf8(b.text).find(std::string("주문수량: ") + quantity + " 주\n"), std::string::npos) << Utf8(b.text);
    ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  }
  auto orders = server.withMarket([](simsrv::Market& m) { return m.Orders(); });
  ASSERT_EQ(orders.size(), 2u);
  EXPECT_EQ(orders[0].quantity, 10);
  EXPECT_EQ(orders[1].quantity, 20);
}

TEST_P(OrderEntryTest, ReplyTooShortForTheOrderNumberIsReportedNotRead) {
  const Screen& s = GetParam();
  server.setHandler(s.code,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(20, '1'); });
  Open();
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  ASSERT_TRUE(d->Type(kQuantity, "10"));
  ASSERT_TRUE(d->Type(kPrice, "71500"));
  ASSERT_TRUE(d->Tap(kConfirm));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(Box(&b));
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  ASSERT_TRUE(Box(&b));
  // The server may have booked the order: the user is told to look it up.
  EXPECT_EQ(Utf8(b.text),
            "ERROR : 수신 데이터 길이 오류 (" + std::to_string(s.code) +
                ")\n주문 처리결과를 수신하지 못했습니다.\n주문체결조회에서 주문 처리 여부를 확인하시기 바랍니다.");
  EXPECT_EQ(Utf8(b.caption), "주문처리결과");
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
  EXPECT_EQ(Text(kQuantity), "10");
}

TEST_P(OrderEntryTest, OrderThatCannotBeEncipheredIsNeverSent) {
  // A packet layer whose session has no keys: the order would otherwise leave in the clear.
  EE_Encrypt withoutKeys;
  Open(&withoutKeys);
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  ASSERT_TRUE(d->Type(kQuantity, "10"));
  ASSERT_TRUE(d->Type(kPrice, "71500"));
  ASSERT_TRUE(d->Tap(kConfirm));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(Box(&b));
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  ASSERT_TRUE(Box(&b));
  EXPECT_EQ(Utf8(b.text).rfind("ERROR:", 0), 0u) << Utf8(b.text);
  ASSERT_NO_FATAL_FAILURE(Answer(b, IDOK));
  Settled();
  EXPECT_EQ(Orders(mark), 0u);
  EXPECT_EQ(Text(kQuantity), "10");
}

// ---- Start, hand-over and the screen's own furniture -------------------------------------------------

TEST_P(OrderEntryTest, PriceHandOverIsShownOnceAndTheRememberedAccountIsShown) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
    reg.SetValue(u"Price", u"71500");
    reg.SetValue(VX_ACCOUNT_MEMO, u"5555666602");
  }
  Open();
  EXPECT_EQ(Text(kPrice), "71,500");
  EXPECT_EQ(Text(kAccount), "55556666 - 02");
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
    EXPECT_EQ(reg.GetLongValue(u"Price"), 0);
  }
  Close();
  Open();
  EXPECT_EQ(Text(kPrice), "");
}

TEST_P(OrderEntryTest, ScreenFurnitureOfEachScreen) {
  const Screen& s = GetParam();
  size_t mark = server.logSize();
  Open();
  EXPECT_EQ(Text(s.titleButton), s.titleText);
  EXPECT_EQ(Text(kAccount), s.firstEntry);
  // The base quote of the query: plain, its flags as each screen builds them.
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(kStockBase, 3000, &e, mark));
  EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "005930");
  const simsrv::Bytes flags =
      s.packetLayerBase ? simsrv::Bytes{'4', 1, 0, 1, 1, '0', '0', 0, 0} : simsrv::Bytes{'4', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(simsrv::Bytes(e.header.begin() + 6, e.header.end()), flags);
  // Another code through the item edit asks for its quote and names it.
  mark = server.logSize();
  Set(kCode, u"");
  ASSERT_TRUE(d->Type(kCode, "00660"));
  ASSERT_TRUE(server.waitForRequest(kStockBase, 3000, &e, mark));
  EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "000660");
  EXPECT_TRUE(WaitFor([&] { return Text(s.nameStatic) == "SK하이닉스"; })) << Text(s.nameStatic);
  EXPECT_EQ(Focus(), kQuantity);
  // 지움 empties quantity, price and password.
  ASSERT_TRUE(d->Type(kPassword, "1111"));
  ASSERT_TRUE(d->Type(kQuantity, "3"));
  ASSERT_TRUE(d->Type(kPrice, "130000"));
  ASSERT_TRUE(d->Tap(kClear));
  EXPECT_EQ(Text(kQuantity) + Text(kPrice) + Text(kPassword), "");
  // Go-to buttons.
  ASSERT_TRUE(d->Tap(9706));
  ASSERT_TRUE(d->Tap(9709));
  auto opens = OwnerGot(WM_VX_OPEN_SCREEN);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].wParam, s.balanceScreen);
  EXPECT_EQ(opens[1].wParam, 92001u);
}

INSTANTIATE_TEST_SUITE_P(Screens, OrderEntryTest, ::testing::Values(kBuy, kSell),
                         [](const ::testing::TestParamInfo<Screen>& i) { return std::string(i.param.name); });

}  // namespace
