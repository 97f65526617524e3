// The order screens' checks and bodies without a window: each screen's checks in their order with
// their texts and controls, the bodies byte for byte, and the number texts of the account replies.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "futopt_checks.h"

namespace {

using vxfo::OrderInput;
using vxfo::OrderKind;

OrderInput Good() {
  OrderInput in;
  in.account = "1234567803";
  in.password = "0000";
  in.code = "101C3000";
  in.type = 0;
  in.original = "100001";
  in.quantity = "3";
  in.price = "187.05";
  return in;
}

std::string Bytes(const unsigned char* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

TEST(FutOptOrderBody, EachScreenPadsItsFieldsAsItsServerReadsThem) {
  struct Case {
    const char* name;
    OrderKind kind;
    OrderInput in;
    std::string body;
  } cases[] = {
      {"sell: blanks after the zero byte", OrderKind::Sell, Good(),
       std::string("1234567803"
                   "0000\0   "
                   "101C3000"
                   "3\0       "
                   "187.05\0      "
                   "1",
                   49)},
      {"buy: zeros", OrderKind::Buy, Good(),
       std::string("1234567803"
                   "0000\0\0\0\0"
                   "101C3000"
                   "3\0\0\0\0\0\0\0\0"
                   "187.05\0\0\0\0\0\0\0"
                   "1",
                   49)},
      {"short code: blanks, no zero", OrderKind::Buy,
       [] {
         auto in = Good();
         in.code = "101C3";
         in.type = 2;
         return in;
       }(),
       std::string("1234567803"
                   "0000\0\0\0\0"
                   "101C3   "
                   "3\0\0\0\0\0\0\0\0"
                   "187.05\0\0\0\0\0\0\0"
                   "3",
                   49)},
      {"sell at the market: price 0", OrderKind::Sell,
       [] {
         auto in = Good();
         in.type = 1;
         in.price = "";
         return in;
       }(),
       std::string("1234567803"
                   "0000\0   "
                   "101C3000"
                   "3\0       "
                   "0\0           "
                   "2",
                   49)},
      {"modify", OrderKind::Modify,
       [] {
         auto in = Good();
         in.type = 3;
         in.price = "-0.35";
         return in;
       }(),
       std::string("1234567803"
                   "0000\0\0\0\0"
                   "100001"
                   "101C3000"
                   "3\0\0\0\0\0\0\0\0"
                   "-0.35\0\0\0\0\0\0\0\0"
                   "4",
                   55)},
      {"cancel: no price, no type", OrderKind::Cancel,
       [] {
         auto in = Good();
         in.original = "12";
         in.code = "";
         return in;
       }(),
       std::string("1234567803"
                   "0000\0\0\0\0"
                   "12\0\0\0\0"
                   "        "
                   "3\0\0\0\0\0\0\0\0",
                   41) +
           std::string(14, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unsigned char body[vxfo::kMaxBody];
    int n = vxfo::BuildOrderBody(c.kind, c.in, body);
    ASSERT_EQ(n, static_cast<int>(c.body.size()));
    EXPECT_EQ(Bytes(body, static_cast<size_t>(n)), c.body);
  }
}

TEST(FutOptOrderChecks, EachScreenStopsAtItsFirstFault) {
  struct Case {
    const char* name;
    OrderKind kind;
    void (*change)(OrderInput&);
    const char16_t* text;  // nullptr: passes
    int control;
  } cases[] = {
      {"no account", OrderKind::Sell,
       [](OrderInput& in) {
         in.account.clear();
         in.password.clear();
       },
       u"계좌번호를 선택하세요", 1006},
      {"no password", OrderKind::Cancel, [](OrderInput& in) { in.password.clear(); }, u"비밀번호를 입력하세요", 1014},
      {"sell without code", OrderKind::Sell, [](OrderInput& in) { in.code.clear(); }, u"종목코드를 입력하세요", 9912},
      {"buy without code goes on", OrderKind::Buy, [](OrderInput& in) { in.code.clear(); }, nullptr, 0},
      {"code too long", OrderKind::Buy, [](OrderInput& in) { in.code = "101C30001"; }, u"종목코드를 입력하세요", 9912},
      {"sell without type", OrderKind::Sell, [](OrderInput& in) { in.type = -1; }, u"매매유형을 선택하세요", 1008},
      {"modify without type", OrderKind::Modify, [](OrderInput& in) { in.type = -1; }, u"주문유형을 선택하세요", 1008},
      {"cancel without original", OrderKind::Cancel, [](OrderInput& in) { in.original.clear(); },
       u"원주문번호를 입력하세요", 1010},
      {"cancel with 7 digits", OrderKind::Cancel, [](OrderInput& in) { in.original = "1000012"; },
       u"원주문번호는 6자리 이하로 입력하셔야 합니다.", 1010},
      {"modify without original", OrderKind::Modify, [](OrderInput& in) { in.original.clear(); },
       u"원주문번호를 입력하세요", 1015},
      {"modify with 7 digits", OrderKind::Modify, [](OrderInput& in) { in.original = "1000012"; },
       u"원주문번호는 6자리 이하로 입력하셔야 합니다.", 1015},
      {"modify with a dot", OrderKind::Modify, [](OrderInput& in) { in.original = "1000.1"; },
       u"원주문번호는 숫자로 입력하셔야 합니다.", 1015},
      {"cancel with a minus", OrderKind::Cancel, [](OrderInput& in) { in.original = "-10001"; },
       u"원주문번호는 숫자로 입력하셔야 합니다.", 1010},
      {"sell without quantity", OrderKind::Sell, [](OrderInput& in) { in.quantity.clear(); }, u"주문수량을 입력하세요",
       1009},
      {"modify without quantity", OrderKind::Modify, [](OrderInput& in) { in.quantity.clear(); },
       u"정정수량을 입력하세요", 1009},
      {"cancel without quantity", OrderKind::Cancel, [](OrderInput& in) { in.quantity.clear(); },
       u"취소수량을 입력하세요", 1015},
      {"quantity of 10 digits", OrderKind::Buy, [](OrderInput& in) { in.quantity = "1234567890"; },
       u"주문수량을 확인해 주십시요.", 1009},
      {"quantity with a dot", OrderKind::Sell, [](OrderInput& in) { in.quantity = "1.5"; },
       u"주문수량을 확인해 주십시요.", 1009},
      {"cancel quantity with a minus", OrderKind::Cancel, [](OrderInput& in) { in.quantity = "-1"; },
       u"취소수량을 확인해 주십시요.", 1015},
      {"sell limit without price", OrderKind::Sell, [](OrderInput& in) { in.price.clear(); }, u"주문가격을 입력하세요",
       1010},
      {"sell at the market without price", OrderKind::Sell,
       [](OrderInput& in) {
         in.type = 1;
         in.price.clear();
       },
       nullptr, 0},
      {"sell best limit with junk price", OrderKind::Sell,
       [](OrderInput& in) {
         in.type = 3;
         in.price = "x";
       },
       nullptr, 0},
      {"buy at the market without price", OrderKind::Buy,
       [](OrderInput& in) {
         in.type = 1;
         in.price.clear();
       },
       u"주문가격을 입력하세요", 1010},
      {"modify without price", OrderKind::Modify,
       [](OrderInput& in) {
         in.type = 3;
         in.price.clear();
       },
       u"정정가격을 입력하세요", 1010},
      {"price of three decimals", OrderKind::Buy, [](OrderInput& in) { in.price = "187.055"; },
       u"주문금액을 확인해 주십시요.", 1010},
      {"price too long", OrderKind::Sell, [](OrderInput& in) { in.price = "12345678901.5"; }, nullptr, 0},
      {"price too long by one", OrderKind::Sell, [](OrderInput& in) { in.price = "123456789012.5"; },
       u"주문금액을 확인해 주십시요.", 1010},
      {"price of two dots", OrderKind::Modify, [](OrderInput& in) { in.price = "1.8.5"; },
       u"정정가격을 확인해 주십시요.", 1010},
      {"cancel ignores the price", OrderKind::Cancel,
       [](OrderInput& in) {
         in.price = "junk";
         in.type = -1;
       },
       nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OrderInput in = Good();
    c.change(in);
    auto refusal = vxfo::CheckOrder(c.kind, in);
    unsigned char body[vxfo::kMaxBody];
    int n = vxfo::BuildOrderBody(c.kind, in, body);
    if (!c.text) {
      EXPECT_FALSE(refusal.has_value());
      EXPECT_GT(n, 0);
      continue;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(std::u16string(refusal->text), std::u16string(c.text));
    EXPECT_EQ(refusal->control, c.control);
    // What cannot be confirmed cannot be built either.
    EXPECT_EQ(n, 0);
    EXPECT_EQ(Bytes(body, sizeof body), std::string(sizeof body, '\0'));
  }
}

TEST(FutOptReplyText, DecimalTextsOfTheAccountReplies) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"187.05", true, 187.05}, {"  -3 ", true, -3}, {"", true, 0},       {"   ", true, 0},  {"12.", true, 12},
      {".5", true, 0.5},        {"1,000", false, 0}, {"1.2.3", false, 0}, {"abc", false, 0}, {"-", false, 0},
      {"1e5", false, 0},        {"0x10", false, 0},  {"+7", true, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto v = vxfo::DecimalText(c.text);
    ASSERT_EQ(v.has_value(), c.ok);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(*v, c.value);
    }
  }
}

// A row of `size` zero bytes with texts put at their offsets.
std::string Row(size_t size, std::initializer_list<std::pair<size_t, std::string>> texts) {
  std::string r(size, '\0');
  for (const auto& [at, text] : texts) r.replace(at, text.size(), text);
  return r;
}

vxwire::Reader Read(const std::string& r) {
  return vxwire::Reader(reinterpret_cast<const unsigned char*>(r.data()), static_cast<int>(r.size()));
}

TEST(FutOptReplyText, OrderRowsAsTheGridShowsThem) {
  const std::string name = "KP200 F 0703 LONG NAME XX";  // 22 bytes in the field, 19 shown
  std::string row = Row(121, {{0, "100001"},
                              {6, "100000"},
                              {14, name.substr(0, 22)},
                              {36, "\xc1\xa4\xc1\xa4\xb8\xc5\xbc\xf6"},
                              {48, "\xc1\xf6\xc1\xa4\xb0\xa1"},
                              {60, "1234"},
                              {69, "187.5"},
                              {82, "3"},
                              {91, "  187.45 "},
                              {104, "1231"},
                              {113, "\xc1\xa2\xbc\xf6"}});
  auto cells = vxfo::OrderRowTexts(Read(row));
  ASSERT_TRUE(cells.has_value());
  const std::array<std::string, 10> expected = {"100001",
                                                "KP200 F 0703 LONG N",
                                                "\xc1\xa4\xc1\xa4\xb8\xc5\xbc\xf6",
                                                "\xc1\xf6\xc1\xa4\xb0\xa1",
                                                "187.50",
                                                "1,234",
                                                "3",
                                                "187.45",
                                                "1,231",
                                                "\xc1\xa2\xbc\xf6"};
  EXPECT_EQ(*cells, expected);

  struct Bad {
    const char* what;
    size_t at;
    std::string bytes;
  } bad[] = {
      {"price not a number", 69, "12a"},
      {"quantity with a comma", 60, "1,234"},
      {"average of 0xFF", 91, "\xff\xff"},
      {"state of control bytes", 113, "\x01\x02"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.what);
    std::string broken = row;
    broken.replace(b.at, b.bytes.size(), b.bytes);
    EXPECT_FALSE(vxfo::OrderRowTexts(Read(broken)).has_value());
  }
  EXPECT_FALSE(vxfo::OrderRowTexts(Read(row.substr(0, 120))).has_value());  // a cut row
}

TEST(FutOptReplyText, PositionRowsAsTheGridShowsThem) {
  std::string row = Row(
      97, {{0, "101C3000"}, {8, "KP200 F 0703"}, {48, "\xb8\xc5\xbc\xf6"}, {58, "1234.6"}, {71, "2"}, {84, "186.5"}});
  auto cells = vxfo::PositionRowTexts(Read(row));
  ASSERT_TRUE(cells.has_value());
  const std::array<std::string, 6> expected = {"101C3000", "KP200 F 0703", "\xb8\xc5\xbc\xf6", "1,235",
                                               "2",        "       186.50"};
  EXPECT_EQ(*cells, expected);
  row.replace(71, 2, "x1");
  EXPECT_FALSE(vxfo::PositionRowTexts(Read(row)).has_value());
}

}  // namespace
