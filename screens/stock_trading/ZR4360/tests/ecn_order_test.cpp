// The ECN sell and buy screens driven as a user drives them against the simulated trading server:
// orders as typed and confirmed with the bodies the server deciphers and its book after them, the
// price filled from each base quote, an item picked from the list ordered as shown, refused input.
#include "ecn_fixture.h"

namespace {

using namespace ecntest;

constexpr int kAccount = 1006, kPassword = 1014, kType = 1008, kQuantity = 1009, kPrice = 1010, kName = 1015;
constexpr int kConfirm = 9705, kClear = 9801, kCode = 9909, kCombo = 9901;

struct Side {
  const char* name;
  uint16_t code;
  bool buy;
  const char* confirmSide;
  const char* resultSide;
  const char* titleText;
  int titleButton;
};
const Side kSell = {"ZR4350", 4350, false, "ECN매도", " ECN매도", "ECN매도", 9823};
const Side kBuy = {"ZR4360", 4360, true, "ECN매수", " ECN매수", "ECN매수", 9824};
void PrintTo(const Side& s, std::ostream* os) { *os << s.name; }

// The 40-byte body as the server logs it (the password's bytes masked).
Bytes OrderBody(const std::string& code6, const std::string& qty, const std::string& price, char type) {
  return B("1234567801" + Pad("****", 8) + code6 + Pad(qty, 7) + Pad(price, 8) + type);
}

class EcnOrderTest : public EcnScreenTest, public ::testing::WithParamInterface<Side> {
 public:
  void OpenScreen() {
    ASSERT_NO_FATAL_FAILURE(Open(GetParam().name));
    ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; })) << Text(kName);
    ASSERT_TRUE(WaitFor([&] { return !Text(kPrice).empty(); }));
    Settled();  // the start's quote requests are all logged before a test marks the log
  }
};

TEST_P(EcnOrderTest, OrdersTravelAsConfirmedAndTheResultStartsTheNextOrder) {
  const Side& s = GetParam();
  struct Case {
    int type;
    const char* quantity;  // typed
    const char* price;     // typed over the current price; nullptr: the current price is kept
    const char* shownQuantity;
    const char* typeName;
    char code;
  } cases[] = {
      {0, "10", nullptr, "10", "00 보통", '1'},
      {1, "20", "70500", "20", "77 대량매매", '2'},
      {0, "1", "12345678", "1", "00 보통", '1'},      // the widest price
      {1, "1,5", "70000", "15", "77 대량매매", '2'},  // a stray comma is regrouped
  };
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  EXPECT_EQ(Text(s.titleButton), s.titleText);
  EXPECT_EQ(Text(kAccount), "12345678-01");
  EXPECT_EQ(Text(kType), "00 보통가");
  EXPECT_EQ(Focus(), kPassword);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typeName) + " " + c.quantity);
    ASSERT_TRUE(d->Type(kPassword, "0000"));
    EXPECT_EQ(Focus(), kQuantity);
    // Only the base quote fills the price: after a result it is asked for again by 조회.
    if (Text(kPrice).empty()) {
      ASSERT_TRUE(d->Tap(8110));
      ASSERT_TRUE(WaitFor([&] { return !Text(kPrice).empty(); }));
    }
    std::string price = ShownPrice("005930");
    EXPECT_EQ(Text(kPrice), price);
    ASSERT_TRUE(d->Pick(kType, c.type));
    EXPECT_EQ(Focus(), kQuantity);
    EXPECT_TRUE(Enabled(kPrice));
    EXPECT_EQ(Text(kPrice), price);  // choosing a type keeps the price
    ASSERT_TRUE(d->Type(kQuantity, c.quantity));
    if (c.price) {
      TypeInto(kPrice, c.price);
      price = Text(kPrice);
    }
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kConfirm));
    std::string caption;
    EXPECT_EQ(TakeBox(IDOK, &caption), std::string("계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n") +
                                           "주문구분: " + s.confirmSide + "\n매매유형: " + c.typeName +
                                           "\n주문단가: " + price + " 원\n주문수량: " + c.shownQuantity + " 주");
    EXPECT_EQ(caption, "주문 확인");
    EXPECT_EQ(RequestSince(s.code, mark), OrderBody("005930", Digits(c.shownQuantity), Digits(price), c.code));
    ASSERT_TRUE(WaitFor(
        [&] { return Orders().size() > 0 && Orders().back().quantity == std::stoll(Digits(c.shownQuantity)); }));
    simsrv::Order o = Orders().back();
    EXPECT_TRUE(o.ecn);
    EXPECT_EQ(o.buy, s.buy);
    EXPECT_EQ(o.type, c.code);
    EXPECT_EQ(o.price, std::stoll(Digits(price)));
    EXPECT_EQ(TakeBox(IDOK, &caption), std::string("계좌번호: 12345678-01\n종목코드: 05930\n종 목  명: 삼성전자\n") +
                                           "주문구분: " + s.resultSide + "\n매매유형: " + c.typeName + "\n주문단가: " +
                                           price + "원\n주문수량: " + c.shownQuantity + " 주\n주문번호: " + o.number);
    EXPECT_EQ(caption, "주문처리결과");
    EXPECT_EQ(Text(kQuantity), "");
    EXPECT_EQ(Text(kPassword), "");
    EXPECT_EQ(Text(kType), "00 보통가");
    EXPECT_EQ(Focus(), kPassword);
    EXPECT_EQ(server.requests(s.code, mark).size(), 1u);  // sent once
  }
  EXPECT_EQ(Orders().size(), std::size(cases));
}

// Picking another item from the list orders that item: the code is copied into the edit, its
// quote asked once, its name and price shown, and the body carries it.
TEST_P(EcnOrderTest, AnItemPickedFromTheListIsTheItemOrdered) {
  const Side& s = GetParam();
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Recent Code"));
    reg.SetValue(u"1", u"05930");
    reg.SetValue(u"2", u"35720");
  }
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Pick(kCombo, 1));
  EXPECT_EQ(Text(kCode), "35720");
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "카카오"; })) << Text(kName);
  ASSERT_TRUE(WaitFor([&] { return Text(kPrice) == ShownPrice("035720"); })) << Text(kPrice);
  auto quotes = server.requests(4101, mark);
  ASSERT_EQ(quotes.size(), 1u);
  EXPECT_EQ(quotes[0].plain, B("035720"));

  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Type(kQuantity, "5"));
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kConfirm));
  std::string box = TakeBox(IDOK);
  EXPECT_NE(box.find("종목코드: 35720\n종 목  명: 카카오\n"), std::string::npos) << box;
  EXPECT_EQ(RequestSince(s.code, mark), OrderBody("035720", "5", Digits(ShownPrice("035720")), '1'));
  EXPECT_NE(TakeBox(IDOK).find("종목코드: 35720"), std::string::npos);
  EXPECT_EQ(Orders().back().code, "035720");
}

// The query copies the combo's item into the edit, whose chain asks for the quote, and then asks
// for it once more itself; the focus goes to the password.
TEST_P(EcnOrderTest, AQueryAsksForTheQuoteThroughTheChainAndOnceMore) {
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  auto quotes = QueryQuotes();
  ASSERT_EQ(quotes.size(), 2u);
  for (const auto& q : quotes) EXPECT_EQ(q.plain, B("005930"));
  EXPECT_EQ(Focus(), kPassword);
}

TEST_P(EcnOrderTest, EachFailedCheckShowsItsBoxFocusesTheFieldAndSendsNothing) {
  const Side& s = GetParam();
  struct Case {
    const char* what;
    std::function<void(EcnOrderTest&)> spoil;
    const char* text;
    int focus;
  };
  auto noSelection = [](EcnOrderTest& t, int id) {
    t.d->Ui([&] {
      SendDlgItemMessage(t.dlg, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      SetDlgItemText(t.dlg, id, u"");
    });
  };
  const Case cases[] = {
      {"no account", [&](EcnOrderTest& t) { noSelection(t, kAccount); }, "계좌번호를 선택하세요", kAccount},
      {"short password", [](EcnOrderTest& t) { t.TypeInto(kPassword, "000"); }, "비밀번호를 입력하세요", kPassword},
      {"short item code", [](EcnOrderTest& t) { t.SetText(kCode, "0593"); }, "종목코드를 입력하세요", kCode},
      {"no order type", [&](EcnOrderTest& t) { noSelection(t, kType); }, "매매유형을 선택하세요", kType},
      {"no quantity", [](EcnOrderTest& t) { t.SetText(kQuantity, ""); }, "주문수량을 입력하세요", kQuantity},
      // An order without a price would travel as eight NUL bytes.
      {"no price", [](EcnOrderTest& t) { t.SetText(kPrice, ""); }, "주문가격을 입력하세요", kPrice},
      {"quantity of 8 digits", [](EcnOrderTest& t) { t.TypeInto(kQuantity, "12345678"); },
       "주문수량은 9,999,999주까지 숫자로 입력하세요", kQuantity},
      {"price that is no number", [](EcnOrderTest& t) { t.SetText(kPrice, "1a"); },
       "주문가격은 99,999,999원까지 숫자로 입력하세요", kPrice},
  };
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  size_t mark = server.logSize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d->Ui([&] { SendDlgItemMessage(dlg, kAccount, CB_SETCURSEL, 0, 0); });
    ASSERT_TRUE(d->Pick(kType, 0));
    SetText(kPassword, "0000");
    SetText(kCode, "05930");
    SetText(kQuantity, "10");
    // The code asks for its quote, whose price fills the price edit: let it land before the
    // field is spoiled, so that the quote does not undo the spoiling.
    ASSERT_NO_FATAL_FAILURE(Settled());
    SetText(kPrice, "71500");
    c.spoil(*this);
    ASSERT_TRUE(d->Tap(kConfirm));
    std::string caption = "?";
    EXPECT_EQ(TakeBox(IDOK, &caption), c.text);
    EXPECT_EQ(caption, "");
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_TRUE(NoBox());  // no confirmation follows
  }
  EXPECT_TRUE(NoneSince(s.code, mark));
}

TEST_P(EcnOrderTest, CancelSendsNothingAndAServerRefusalKeepsTheOrder) {
  const Side& s = GetParam();
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Type(kQuantity, "10"));
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDCANCEL), "");
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(NoneSince(s.code, mark));

  // An item that does not trade on the ECN: the server's message, the fields kept.
  SetText(kCode, "00660");
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "SK하이닉스"; }));
  ASSERT_TRUE(WaitFor([&] { return Text(kPrice) == ShownPrice("000660"); }));
  SetText(kQuantity, "10");
  ASSERT_TRUE(d->Tap(kConfirm));
  EXPECT_NE(TakeBox(IDOK), "");
  std::string caption;
  EXPECT_EQ(TakeBox(IDOK, &caption), "ECN 거래 종목이 아닙니다.");
  EXPECT_EQ(caption.rfind("주문오류", 0), 0u) << caption;
  EXPECT_EQ(Text(kQuantity), "10");
  EXPECT_EQ(Text(kPassword), "0000");
  EXPECT_TRUE(Orders().empty());
  EXPECT_EQ(server.requests(s.code, mark).size(), 1u);

  // "지움" empties the password and the quantity; the quote's price stays for the next order.
  ASSERT_TRUE(d->Tap(kClear));
  EXPECT_EQ(Text(kQuantity), "");
  EXPECT_EQ(Text(kPassword), "");
  EXPECT_EQ(Text(kPrice), ShownPrice("000660"));
}

TEST_P(EcnOrderTest, GoToButtonsAskTheOwnerForTheirScreens) {
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  struct Case {
    int button;
    WPARAM screen;
  } cases[] = {{9826, 94641}, {IDC_BTN_FUTOPT, 96001}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    ClearOwnerLog();
    ASSERT_TRUE(d->Tap(c.button));
    EXPECT_TRUE(WaitFor([&] { return !OpenRequests().empty(); }));
    EXPECT_EQ(OpenRequests(), std::vector<WPARAM>{c.screen});
  }
}

// Both finder buttons open the ECN finder; its pick becomes the item ordered.
TEST_P(EcnOrderTest, TheEcnFinderPickIsTheItemOrdered) {
  ASSERT_NO_FATAL_FAILURE(OpenScreen());
  for (int button : {IDC_BTN_FINDER, 9704}) {
    SCOPED_TRACE(button);
    SetText(kCode, "05930");
    ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
    // The quote the new code asked for may still be on its way when the name already shows
    // (the first time round the name was there before): let it land before counting.
    ASSERT_NO_FATAL_FAILURE(Settled());
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(button));
    ASSERT_TRUE(d->Tap(9322));  // the "카" group
    int row = -1;
    auto tree = d->Do("tree 1000");
    ASSERT_TRUE(tree.ok) << tree.error;
    for (const std::string& line : tree.lines)
      if (line.find("\"카카오\"") != std::string::npos) std::sscanf(line.c_str(), " row %d", &row);
    ASSERT_GE(row, 0) << d->Tree();
    ASSERT_TRUE(d->Pick(1000, row));
    ASSERT_TRUE(d->Tap(1001));
    EXPECT_EQ(Text(kCode), "35720");
    ASSERT_TRUE(WaitFor([&] { return Text(kName) == "카카오"; })) << Text(kName);
    ASSERT_TRUE(WaitFor([&] { return Text(kPrice) == ShownPrice("035720"); })) << Text(kPrice);
    // The pick runs the host's query: the chain asks for the quote and the query once more.
    ASSERT_NO_FATAL_FAILURE(Settled());
    auto quotes = server.requests(4101, mark);
    ASSERT_EQ(quotes.size(), 2u);
    for (const auto& q : quotes) EXPECT_EQ(q.plain, B("035720"));
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, EcnOrderTest, ::testing::Values(kSell, kBuy),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
