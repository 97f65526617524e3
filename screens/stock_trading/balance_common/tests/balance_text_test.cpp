// The balance records and texts on their own: amounts, profits and returns with their signs,
// text fields cut on character boundaries, the account head of a request, and the reply readers'
// length and count limits.
#include <gtest/gtest.h>

#include <cstring>

#include "balance.h"
#include "wire_helpers.h"

namespace {

using screentest::PutNet;
using screentest::PutU16;

TEST(BalanceText, ProfitHasOneSignAndSixtyFourBits) {
  struct Case {
    unsigned char sign;
    int64_t value;
    const char* text;
  } cases[] = {
      {'+', 1234567, "1,234,567"},
      {'2', 0, "0"},
      {'-', 1500, "-1,500"},
      {'4', 999, "-999"},
      {'-', 0, "0"},                             // no "-0"
      {'+', -2500, "-2,500"},                    // a negative value under a '+' keeps one sign
      {'-', -2500, "-2,500"},                    // never "--2,500"
      {'+', 345678901234LL, "345,678,901,234"},  // beyond 32 bits
      {'-', 9999999999LL, "-9,999,999,999"},
  };
  for (const auto& c : cases) {
    uint8_t v[6];
    PutNet(v, 3, c.value);
    EXPECT_EQ(balance::ProfitText(c.sign, v), c.text) << c.sign << " " << c.value;
  }
}

TEST(BalanceText, ReturnPrintsNegativeHundredthsAsANegativeRate) {
  struct Case {
    unsigned char sign;
    int whole, hundredths;
    const char* text;
  } cases[] = {
      {'+', 12, 5, "12.05%"},         {'-', 1, 5, "-1.05%"},  {'+', -1, -5, "-1.05%"},  // never "-1.-5%"
      {'+', 0, -5, "-0.05%"},                                                           // never "0.-5%"
      {'4', 0, 0, "0.00%"},           {'+', 3, 150, "4.50%"},  // hundredths beyond 99 carry over
      {'+', -32768, 0, "-32768.00%"},
  };
  for (const auto& c : cases) {
    uint8_t r[4];
    PutU16(r, c.whole & 0xFFFF);
    PutU16(r + 2, c.hundredths & 0xFFFF);
    EXPECT_EQ(balance::RateText(c.sign, r), c.text) << c.whole << "." << c.hundredths;
  }
}

TEST(BalanceText, AmountsAndFields) {
  uint8_t v[6];
  PutNet(v, 3, 100000000);
  EXPECT_EQ(balance::AmountText(v), "100,000,000");
  PutNet(v, 3, -12345);
  EXPECT_EQ(balance::AmountText(v), "-12,345");

  // "SK하이닉스" in code page 949: 2 + 4 x 2 bytes; a cut at 5 bytes keeps whole characters.
  uint8_t name[30] = {};
  screentest::PutText(name, u"SK하이닉스");
  EXPECT_EQ(balance::FieldText(name, 30, 10), std::string(reinterpret_cast<char*>(name), 10));
  EXPECT_EQ(balance::FieldText(name, 30, 5), std::string(reinterpret_cast<char*>(name), 4));
  uint8_t blanks[8] = {'A', 'B', ' ', ' ', ' ', ' ', ' ', ' '};
  EXPECT_EQ(balance::FieldText(blanks, 8, 8), "AB");
}

TEST(BalanceText, AccountHeadOfARequest) {
  unsigned char auth[balance::kAuthSize];
  ASSERT_TRUE(balance::PutAccountAuth(auth, CString(u"12345678 - 01"), CString(u"0000")));
  const unsigned char want[18] = {'1', '2', '3', '4', '5', '6', '7', '8', '0', '1', '0', '0', '0', '0', 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(auth, want, 18), 0);
  ASSERT_TRUE(balance::PutAccountAuth(auth, CString(u"12345678 - 01"), CString(u"123456789012")));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(auth + 10), 8), "12345678");  // cut to its 8 bytes
  EXPECT_FALSE(balance::PutAccountAuth(auth, CString(u""), CString(u"0000")));
  EXPECT_FALSE(balance::PutAccountAuth(auth, CString(u"1234 - 01"), CString(u"0000")));
  for (unsigned char b : auth) EXPECT_EQ(b, 0);
}

TEST(BalanceReplies, CountsAreLimitedToTheRowsHeld) {
  // reader, fixed part, row size, count offset, count, body rows -> rows read
  struct Case {
    bool evaluation;
    int count;
    int rowsInBody;
    int shortBy;
    bool ok;
    int rows;
  } cases[] = {
      {true, 3, 3, 0, true, 3},  {true, 7, 2, 0, true, 2},     {true, -1, 2, 0, true, 0},
      {true, 2, 2, 1, true, 1},  {true, 0, 0, 1, false, 0},    {false, 8, 8, 0, true, 8},
      {false, 9, 1, 0, true, 1}, {false, -128, 3, 0, true, 0}, {false, 0, 0, 1, false, 0},
  };
  for (const auto& c : cases) {
    int fixed = c.evaluation ? balance::k4401RowsAt : balance::k4450RowsAt;
    int rowSize = c.evaluation ? balance::k4401RowSize : balance::k4450RowSize;
    std::vector<unsigned char> body(static_cast<size_t>(fixed + rowSize * c.rowsInBody - c.shortBy), 0);
    balance::Page page;
    bool ok;
    if (c.evaluation) {
      if (body.size() > 173) body[173] = static_cast<unsigned char>(c.count);
      ok = balance::Read4401(body.data(), static_cast<int>(body.size()), page);
    } else {
      if (body.size() > 34) body[34] = static_cast<unsigned char>(c.count);
      ok = balance::Read4450(body.data(), static_cast<int>(body.size()), page);
    }
    EXPECT_EQ(ok, c.ok) << c.evaluation << " " << c.count;
    EXPECT_EQ(page.rows, c.rows) << c.evaluation << " " << c.count;
  }
}

}  // namespace
