// Futures/options orders (5300-5303), the order and fill inquiry (5304), positions (5401) and the
// deposit (5400) of the demo futures/options account 1234567803.
#include "fixture.h"

namespace tc {
namespace {

class FutOptAccountTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    client = LoggedIn();
  }
  static Bytes Auth(size_t size, const std::string& account = "1234567803") {
    Bytes b(size, 0);
    Put(b, 0, 10, account);
    Put(b, 10, 8, "0000");
    return b;
  }
  // Text, one NUL, then the fill byte, as the order screens pad their fields.
  static void Pad(Bytes& b, size_t at, size_t width, const std::string& text, uint8_t fill) {
    for (size_t i = 0; i < width; ++i)
      b[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : i == text.size() ? 0 : fill;
  }
  std::string NewOrder(bool buy, const std::string& code, const std::string& qty, const std::string& price, char type,
                       Bytes* reply = nullptr, const std::string& account = "1234567803") {
    Bytes b = Auth(49, account);
    Pad(b, 18, 8, code, ' ');
    for (size_t i = code.size(); i < 8; ++i) b[18 + i] = ' ';
    Pad(b, 26, 9, qty, 0);
    Pad(b, 35, 13, price, 0);
    b[48] = static_cast<uint8_t>(type);
    Bytes r;
    std::string status = Ask(*client, buy ? 5301 : 5300, b, true, &r);
    if (reply) *reply = r;
    return status;
  }
  std::string Change(bool cancel, const std::string& target, const std::string& code, const std::string& qty,
                     const std::string& price, char type, Bytes* reply = nullptr) {
    Bytes b = Auth(55);
    Pad(b, 18, 6, target, 0);
    Pad(b, 24, 8, code, ' ');
    for (size_t i = code.size(); i < 8; ++i) b[24 + i] = ' ';
    Pad(b, 32, 9, qty, 0);
    if (!cancel) {
      Pad(b, 41, 13, price, 0);
      b[54] = static_cast<uint8_t>(type);
    }
    Bytes r;
    std::string status = Ask(*client, cancel ? 5303 : 5302, b, true, &r);
    if (reply) *reply = r;
    return status;
  }
  Bytes Inquiry(char filter, uint8_t page = 0, const Bytes& key = {}, uint8_t rows = 7, uint8_t date = 0) {
    Bytes b = Auth(34);
    b[18] = static_cast<uint8_t>(filter);
    b[19] = date;
    b[20] = page;
    b[21] = rows;
    if (!key.empty()) std::copy(key.begin(), key.end(), b.begin() + 22);
    Bytes r;
    EXPECT_EQ(Ask(*client, 5304, b, true, &r), "00");
    return r;
  }
  struct Row {
    std::string number, original, name, kind, type, quantity, price, filled, average, open, state;
  };
  static Row InquiryRow(const Bytes& r, size_t i) {
    size_t at = 25 + 121 * i;
    return Row{Text(r, at, 6),
               Text(r, at + 6, 8),
               Utf8(Text(r, at + 14, 22)),
               Utf8(Text(r, at + 36, 12)),
               Utf8(Text(r, at + 48, 12)),
               Text(r, at + 60, 9),
               Text(r, at + 69, 13),
               Text(r, at + 82, 9),
               Text(r, at + 91, 13),
               Text(r, at + 104, 9),
               Utf8(Text(r, at + 113, 8))};
  }
  Bytes Positions(uint8_t page = 0, uint8_t rows = 15) {
    Bytes b = Auth(20);
    b[18] = page;
    b[19] = rows;
    Bytes r;
    EXPECT_EQ(Ask(*client, 5401, b, true, &r), "00");
    return r;
  }
  Bytes Deposit() {
    Bytes r;
    EXPECT_EQ(Ask(*client, 5400, Auth(18), true, &r), "00");
    return r;
  }
  std::unique_ptr<Client> client;
};

TEST_F(FutOptAccountTest, OrderInquiryFillPositionsAndDepositAgree) {
  // The demo account starts with two futures held long at 186.50 (price now 187.00).
  Bytes p = Positions();
  ASSERT_EQ(p[12], 1);
  ASSERT_EQ(p.size(), 13u + 97u);
  EXPECT_EQ(Text(p, 13, 8), "101C3000");
  EXPECT_EQ(Utf8(Text(p, 13 + 8, 40)), "KP200 F 0703");
  EXPECT_EQ(Utf8(Text(p, 13 + 48, 10)), "매수");
  EXPECT_EQ(Text(p, 13 + 58, 13), "2");
  EXPECT_EQ(Text(p, 13 + 71, 13), "2");
  EXPECT_EQ(Text(p, 13 + 84, 13), "186.50");

  Bytes r;
  ASSERT_EQ(NewOrder(true, "101C3000", "3", "186.00", '1', &r), "00");
  ASSERT_EQ(r.size(), 16u);
  EXPECT_EQ(Text(r, 0, 10), "1234567803");
  const std::string number = Text(r, 10, 6);
  EXPECT_EQ(number, "100001");

  Bytes q = Inquiry('0');
  ASSERT_EQ(q[12], 1);
  EXPECT_EQ(q[11], 'N');
  Row row = InquiryRow(q, 0);
  EXPECT_EQ(row.number, number);
  EXPECT_EQ(row.name, "KP200 F 0703");
  EXPECT_EQ(row.kind, "매수");
  EXPECT_EQ(row.type, "지정가");
  EXPECT_EQ(row.quantity, "3");
  EXPECT_EQ(row.price, "186.00");
  EXPECT_EQ(row.filled, "0");
  EXPECT_EQ(row.open, "3");
  EXPECT_EQ(row.state, "접수");
  EXPECT_EQ(Inquiry('1')[12], 0);  // nothing filled yet
  EXPECT_EQ(Inquiry('2')[12], 1);

  // The open buy holds back its margin: 3 x 186.00 x 500,000 won x 15 %.
  Bytes d = Deposit();
  const int64_t positionMargin = 2 * 18700 * 750, orderMargin = 3 * 18600 * 750;
  EXPECT_EQ(Net(d, 60, 3), positionMargin + orderMargin);

  // A trade at the price fills the order at its own price: five contracts held now.
  server->withMarket([](simsrv::Market& m) {
    m.TradeDerivative("101C3000", 18600, 10);
    return 0;
  });
  row = InquiryRow(Inquiry('1'), 0);
  EXPECT_EQ(row.filled, "3");
  EXPECT_EQ(row.average, "186.00");
  EXPECT_EQ(row.open, "0");
  EXPECT_EQ(row.state, "체결");
  EXPECT_EQ(Inquiry('2')[12], 0);
  p = Positions();
  EXPECT_EQ(Text(p, 13 + 58, 13), "5");
  EXPECT_EQ(Text(p, 13 + 84, 13), "186.20");  // (2 x 186.50 + 3 x 186.00) / 5
  EXPECT_EQ(Net(Deposit(), 60, 3), 5 * 18600 * 750);

  // Selling three at the market closes them at 186.00 and leaves two.
  ASSERT_EQ(NewOrder(false, "101C3000", "3", "0", '2'), "00");
  p = Positions();
  EXPECT_EQ(Text(p, 13 + 58, 13), "2");
  d = Deposit();
  EXPECT_EQ(Net(d, 30, 3), 100000000 - 3 * 20 * 5000);  // 0.20 a contract lost on the average
}

TEST_F(FutOptAccountTest, ModifyMovesContractsAndCancelTakesThemOff) {
  Bytes r;
  ASSERT_EQ(NewOrder(true, "201C3185", "10", "3.30", '1', &r), "00");
  const std::string original = Text(r, 10, 6);
  ASSERT_EQ(Change(false, original, "201C3185", "4", "3.25", '1', &r), "00");
  ASSERT_EQ(r.size(), 22u);
  EXPECT_EQ(Text(r, 10, 6), original);
  const std::string modified = Text(r, 16, 6);
  ASSERT_EQ(Change(true, original, "201C3185", "6", "", 0, &r), "00");
  const std::string cancel = Text(r, 16, 6);

  Bytes q = Inquiry('0');
  ASSERT_EQ(q[12], 3);
  Row first = InquiryRow(q, 0), second = InquiryRow(q, 1), third = InquiryRow(q, 2);
  EXPECT_EQ(first.number, original);
  EXPECT_EQ(first.open, "0");
  EXPECT_EQ(first.state, "취소");
  EXPECT_EQ(second.number, modified);
  EXPECT_EQ(second.original, original);
  EXPECT_EQ(second.kind, "정정매수");
  EXPECT_EQ(second.quantity, "4");
  EXPECT_EQ(second.price, "3.25");
  EXPECT_EQ(second.open, "4");
  EXPECT_EQ(third.number, cancel);
  EXPECT_EQ(third.kind, "취소매수");
  EXPECT_EQ(third.quantity, "6");
  EXPECT_EQ(third.state, "취소확인");

  // Nothing is left of the original; more than the modified order holds cannot go.
  struct Case {
    const char* name;
    bool cancel;
    std::string target, code, qty, price;
    const char* message;
  } cases[] = {
      {"original spent", true, original, "201C3185", "1", "", "정정/취소 가능수량이 없습니다."},
      {"too many", true, modified, "201C3185", "5", "", "취소수량이 올바르지 않습니다."},
      {"another item", false, modified, "201C3190", "1", "1.40", "원주문의 종목과 다릅니다."},
      {"cancel of a cancel", true, cancel, "201C3185", "1", "", "원주문번호가 올바르지 않습니다."},
      {"unknown number", false, "999999", "201C3185", "1", "3.25", "원주문번호가 올바르지 않습니다."},
      {"off tick", false, modified, "201C3185", "1", "3.27", "호가단위가 올바르지 않습니다."},
      {"not a price", false, modified, "201C3185", "1", "3.7.5", "정정가격이 올바르지 않습니다."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(Change(k.cancel, k.target, k.code, k.qty, k.price, '1', &r), "99");
    EXPECT_EQ(Message(r).second, k.message);
  }
  EXPECT_EQ(Inquiry('0')[12], 3);  // nothing added by the refusals
  EXPECT_EQ(InquiryRow(Inquiry('2'), 0).number, modified);
}

TEST_F(FutOptAccountTest, NewOrdersThatCannotStandAreRefused) {
  struct Case {
    const char* name;
    bool buy;
    std::string code, qty, price;
    char type;
    std::string account;
    const char* message;
  } cases[] = {
      {"stock account", true, "101C3000", "1", "187.00", '1', "1234567801", "선물옵션 계좌가 아닙니다."},
      {"unknown item", true, "999X9999", "1", "187.00", '1', "1234567803", "종목코드가 올바르지 않습니다."},
      {"off tick", true, "101C3000", "1", "187.03", '1', "1234567803", "호가단위가 올바르지 않습니다."},
      {"three decimals", false, "201C3190", "1", "1.405", '1', "1234567803", "주문가격이 올바르지 않습니다."},
      {"no quantity", true, "101C3000", "0", "187.00", '1', "1234567803", "주문수량이 올바르지 않습니다."},
      {"letters", true, "101C3000", "1a", "187.00", '1', "1234567803", "주문수량이 올바르지 않습니다."},
      {"limit without price", true, "101C3000", "1", "0", '3', "1234567803", "주문가격이 올바르지 않습니다."},
      {"unknown type", true, "101C3000", "1", "187.00", '5', "1234567803", "주문유형이 올바르지 않습니다."},
      {"beyond the deposit", true, "101C3000", "1000", "187.00", '1', "1234567803", "주문가능금액이 부족합니다."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Bytes r;
    EXPECT_EQ(NewOrder(k.buy, k.code, k.qty, k.price, k.type, &r, k.account), "99");
    EXPECT_EQ(Message(r).second, k.message);
  }
  EXPECT_EQ(Inquiry('0')[12], 0);
  // An option below 3.00 trades in hundredths; a bought option is paid for at once at the market.
  EXPECT_EQ(NewOrder(false, "201C3190", "1", "1.41", '1'), "00");
  ASSERT_EQ(NewOrder(true, "301C3185", "2", "0", '4'), "00");
  EXPECT_EQ(Net(Deposit(), 30, 3), 100000000 - 2 * 180 * 5000);
  // The futures code the item finder hands over (five characters) names the nearest contract.
  ASSERT_EQ(NewOrder(true, "101C3", "1", "0", '2'), "00");
  Bytes p = Positions();
  ASSERT_EQ(p[12], 2);  // 101C3000, then the bought put
  EXPECT_EQ(Text(p, 13, 8), "101C3000");
  EXPECT_EQ(Text(p, 13 + 58, 13), "3");
  // The password never reaches the log, and the blanks behind it show where it ended.
  for (const auto& e : server->log())
    if (e.code == 5300 || e.code == 5301) {
      EXPECT_EQ(Text(e.plain, 10, 8), "****");
    }
}

TEST_F(FutOptAccountTest, InquiryPagesWithItsKeyAndStartsOverAtPageZero) {
  for (int i = 0; i < 9; ++i) ASSERT_EQ(NewOrder(true, "201C3190", "1", "1.00", '1'), "00");
  Bytes first = Inquiry('0', 0, {}, 7);
  ASSERT_EQ(first[12], 7);
  EXPECT_EQ(first[11], 'Y');
  Bytes key(first.begin() + 13, first.begin() + 25);
  Bytes second = Inquiry('0', 1, key, 7);
  ASSERT_EQ(second[12], 2);
  EXPECT_EQ(second[11], 'N');
  EXPECT_EQ(InquiryRow(second, 0).number, "100008");
  // Page 0 with the last key starts at the first order again.
  EXPECT_EQ(InquiryRow(Inquiry('0', 0, key, 7), 0).number, "100001");
  // The days before hold no orders.
  EXPECT_EQ(Inquiry('0', 0, {}, 7, 1)[12], 0);
}

TEST_F(FutOptAccountTest, DepositRowsOfTheStartingAccount) {
  Bytes d = Deposit();
  ASSERT_EQ(d.size(), 126u);
  const int64_t margin = 2 * 18700 * 750;  // two futures at 187.00, 15 % of 500,000 won a point
  const int64_t marginSub = margin * 2 / 3, marginCash = margin - marginSub;
  struct Field {
    size_t at;
    int64_t value;
  } fields[] = {
      {30, 100000000},
      {36, 30000000},
      {42, 130000000},
      {48, marginCash},
      {54, marginSub},
      {60, margin},
      {66, 100000000 - marginCash},
      {72, 30000000 - marginSub},
      {78, 130000000 - margin},
      {84, 100000000 - marginCash},
      {90, 0},
      {96, 100000000 - marginCash},
      {102, marginCash * 2 / 3},
      {108, margin * 2 / 3},
      {114, 0},
      {120, 0},
  };
  for (const Field& f : fields) EXPECT_EQ(Net(d, f.at, 3), f.value) << f.at;
  Bytes r;
  EXPECT_EQ(Ask(*client, 5400, Auth(18, "1234567801"), true, &r), "99");
  Bytes wrong = Auth(18);
  Put(wrong, 10, 8, "9999");
  EXPECT_EQ(Ask(*client, 5400, wrong, true, &r), "99");
  EXPECT_EQ(Message(r).second, "계좌 비밀번호가 틀립니다.");
}

}  // namespace
}  // namespace tc
