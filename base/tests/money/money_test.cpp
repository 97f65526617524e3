// The screens' number and text helpers: wire numbers, change signs, money texts, digit strings,
// fixed-width copies, CVXUnicode and the small file functions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "vx_device_test.h"
#include "vxbase/money.h"
#include "vxbase/vx_unicode.h"

namespace {

using vxtest::Cp949;

// Big-endian signed 16-bit groups as the wire carries them.
std::vector<char> Groups(std::initializer_list<int> groups) {
  std::vector<char> out;
  for (int g : groups) {
    auto v = static_cast<uint16_t>(static_cast<int16_t>(g));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
  }
  return out;
}

TEST(WireNumbers, DecodesSignedGroups) {
  struct Case {
    std::vector<int> groups;
    int64_t whole;  // convert_short2 (two groups) or convert_short3_to_int64 (three groups)
  };
  const Case cases[] = {
      {{-12, -3456}, -123456},    {{0, 7}, 7},    {{32767, 9999}, 327679999}, {{1, 0, 5}, 100000005},
      {{-1, -2, -3}, -100020003}, {{0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    std::vector<char> wire;
    for (int g : c.groups) {
      auto b = Groups({g});
      wire.insert(wire.end(), b.begin(), b.end());
    }
    if (c.groups.size() == 2) {
      EXPECT_EQ(convert_short2(wire.data()), c.whole);
      EXPECT_EQ(convert_short2_short(wire.data()), c.groups[0]);
    } else {
      EXPECT_EQ(convert_short3_to_int64(wire.data()), c.whole);
      EXPECT_DOUBLE_EQ(convert_short3(wire.data()), static_cast<double>(c.whole));
    }
  }
}

TEST(WireNumbers, MissingFieldIsZero) {
  EXPECT_EQ(convert_short2(nullptr), 0);
  EXPECT_EQ(convert_short3_to_int64(nullptr), 0);
  EXPECT_FLOAT_EQ(convert_short2_float(nullptr), 0.0f);
}

TEST(WireNumbers, FractionsOfTwoGroups) {
  struct Case {
    int g0, g1;
    float hundredths;
    double millionths;
  };
  const Case cases[] = {
      {3, 5, 3.05f, 0.030005},
      {0, -50, -0.5f, -0.00005},
      {1, 2345, 24.45f, 0.012345},
      {-7, -1, -7.01f, -0.070001},
  };
  for (const Case& c : cases) {
    auto wire = Groups({c.g0, c.g1});
    EXPECT_FLOAT_EQ(convert_short2_float(wire.data()), c.hundredths) << c.g0 << "," << c.g1;
    EXPECT_NEAR(convert_short2_6f_to_double(wire.data()), c.millionths, 1e-12) << c.g0 << "," << c.g1;
  }
}

TEST(ChangeSigns, MarksAndColoursOfEverySign) {
  struct Case {
    char sign;
    std::u16string wideMark;  // SetDaebiGb family (the wider set)
    COLORREF colour;
    std::u16string plainMark;  // G_GetUpdownChar (only 1, 2, 4, 5)
  };
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), black = 0;
  const Case cases[] = {
      {'1', u"↑", red, u"↑"},   {'2', u"▲", red, u"▲"},  {'3', u" ", black, u" "}, {'4', u"↓", blue, u"↓"},
      {'5', u"▼", blue, u"▼"},  {'6', u"↑", red, u" "},  {'7', u"▲", red, u" "},   {'+', u"▲", red, u" "},
      {'8', u"↓", blue, u" "},  {'9', u"▼", blue, u" "}, {'-', u"▼", blue, u" "},  {' ', u" ", black, u" "},
      {'x', u" ", black, u" "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.sign));
    char plain[6];
    std::memset(plain, 'Z', sizeof plain);
    G_GetUpdownChar(plain, c.sign);
    EXPECT_EQ(std::string(plain), Cp949(c.plainMark));
    EXPECT_EQ(plain[3], '\0');  // the 4 bytes are cleared
    EXPECT_EQ(plain[4], 'Z');   // and nothing beyond them is written

    char mb[4] = {'Z', 'Z', 'Z', 'Z'};
    EXPECT_EQ(SetDaebiGb(mb, &c.sign), 1);
    EXPECT_EQ(std::string(mb), Cp949(c.wideMark));
    EXPECT_EQ(mb[3], 'Z');

    WCHAR wide[3] = {u'Z', u'Z', u'Z'};
    EXPECT_EQ(SetDaebiGbColorUnicode(wide, &c.sign), c.colour);
    EXPECT_EQ(std::u16string(wide), c.wideMark);
    EXPECT_EQ(wide[2], u'Z');
  }
}

TEST(MoneyText, GroupsDigitsKeepsSignAndTwoDecimals) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"1234567.891", "1,234,567.89"},
      {"-1234", "-1,234"},
      {"1000", "1,000"},
      {"+0.5", "+0.5"},
      {"12.3456", "12.34"},
      {"999", "999"},
      {"", ""},
      {"-100000", "-100,000"},
      // 24 digits make 31 characters with their commas: the longest text that fits.
      {"123456789012345678901234", "123,456,789,012,345,678,901,234"},
      // One more digit would not fit: no cut number, no write past the buffer.
      {"1234567890123456789012345", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(Money(c.in), c.out) << c.in;
  EXPECT_EQ(Money(12L), nullptr);
}

TEST(MoneyText, FieldKeepsItsWidth) {
  struct Case {
    const char* field;
    int width;
    const char* out;
  };
  const Case cases[] = {
      {"   1234567", 10, " 1,234,567"},
      {"  -1234", 7, " -1,234"},
      {"    -123", 8, "    -123"},
      {"1234567", 7, "1234567"},  // no blanks to give: unchanged rather than cut
      {"   ", 3, "   "},
  };
  for (const Case& c : cases) {
    std::vector<char> dst(static_cast<size_t>(c.width) + 2, 'Z');
    Money(dst.data(), c.field, c.width);
    EXPECT_STREQ(dst.data(), c.out) << c.field;
    EXPECT_EQ(dst[static_cast<size_t>(c.width) + 1], 'Z');
  }
}

TEST(MoneyText, CommaNumbersInWideText) {
  struct Case {
    int64_t value;
    int mode;
    bool wide64;
    std::u16string out;
  };
  const Case cases[] = {
      {1234567, 0, false, u"1,234,567"},
      {-1234567, -100, false, u"-12,345.67"},
      {5, -100, false, u"0.05"},
      {0, 0, false, u"0"},
      {0, -100, false, u"0.00"},
      {-5, -100, false, u"-0.05"},
      {INT32_MIN, 0, false, u"-2,147,483,648"},
      {INT64_MIN, 0, true, u"-9,223,372,036,854,775,808"},
      {123456789012LL, -100, true, u"1,234,567,890.12"},
  };
  for (const Case& c : cases) {
    const int size = c.wide64 ? kCommaNumber64Chars : kCommaNumber32Chars;
    std::vector<WCHAR> out(static_cast<size_t>(size) + 1, u'Z');
    if (c.wide64)
      w_Value2CommaNumber(out.data(), size, c.value, c.mode);
    else
      w_Value2CommaNumber(out.data(), size, static_cast<int32_t>(c.value), c.mode);
    EXPECT_EQ(std::u16string(out.data()), c.out);
    EXPECT_EQ(out[static_cast<size_t>(size)], u'Z');
  }
  // A destination too small for the text gets no cut number and nothing beyond its size.
  WCHAR small[6] = {u'Z', u'Z', u'Z', u'Z', u'Z', u'Z'};
  w_Value2CommaNumber(small, 5, int32_t{1234567}, 0);
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(small[5], u'Z');
}

TEST(DigitStrings, ChecksAndConversions) {
  EXPECT_EQ(AtoI("  -0042", 4), -42);
  EXPECT_EQ(AtoI("  -0042", 5), 0);  // the fifth character is the end
  EXPECT_EQ(AtoI("+12", 2), 12);
  EXPECT_EQ(AtoI("1a3", 3), 0);
  EXPECT_EQ(AtoI("   ", 1), 0);
  EXPECT_EQ(AtoI("123", 0), 0);
  EXPECT_EQ(AtoI("99999999999", 11), 0);  // outside the int range: 0, not a wrapped number
  EXPECT_EQ(AtoI("xx0123yy", 2, 4), 123);
  EXPECT_EQ(AtoI("xx01-3yy", 2, 4), 0);
  EXPECT_FLOAT_EQ(AtoF("12.50abc", 5), 12.5f);
  EXPECT_FLOAT_EQ(AtoF("1-2", 3), 0.0f);
  EXPECT_FLOAT_EQ(AtoF(std::string(30, '1').c_str(), 30), 0.0f);
  EXPECT_TRUE(isStrictNumberStr("0123x", 4));
  EXPECT_FALSE(isStrictNumberStr("01 3", 4));
  EXPECT_TRUE(isStrictNumberStr("", 0));
  EXPECT_TRUE(isNumberStr(" 1.5", 4));
  EXPECT_FALSE(isNumberStr("1,5", 3));
}

TEST(FieldCopies, StayInsideTheirBuffers) {
  // ReturnStr keeps at most 49 bytes of any request.
  std::string longText(200, 'a');
  const char* r = ReturnStr(longText.c_str(), 200);
  EXPECT_EQ(std::strlen(r), static_cast<size_t>(kReturnStrSize - 1));
  EXPECT_STREQ(ReturnStr("abcdef", 3), "abc");  // cleared before each copy

  char buf[8];
  EXPECT_STREQ(NString("12345678", 5, buf), "12345");
  EXPECT_STREQ(NSPString("ab  \0\0x", 6, buf), "ab");
  EXPECT_STREQ(NSPString("       ", 4, buf), " ");  // the first character stays
  EXPECT_EQ(NInt("  42xyz", 4), 42);
  EXPECT_EQ(NLong("-1234567", 8), -1234567L);
  EXPECT_DOUBLE_EQ(NDouble("3.25", 4), 3.25);

  char copy[5] = {'Z', 'Z', 'Z', 'Z', 'Z'};
  EXPECT_EQ(StrNCpy(copy, "abcdef", 3), nullptr);
  EXPECT_STREQ(copy, "abc");
  EXPECT_EQ(copy[4], 'Z');
}

TEST(VXUnicode, ConversionsHonourTheDestination) {
  // Ten Korean characters are 20 bytes; a 7-byte destination takes three whole characters.
  char small[8];
  std::memset(small, 'Z', sizeof small);
  CVXUnicode::UtoA(small, 7, u"가나다라마바사아자차");
  EXPECT_EQ(std::string(small), Cp949(u"가나다"));
  EXPECT_EQ(small[7], 'Z');

  char full[CVXUnicode::kMaxAnsiBytes + 1];
  full[CVXUnicode::kMaxAnsiBytes] = 'Z';
  CVXUnicode::UtoA(full, sizeof full, std::u16string(2000, u'가').c_str());
  EXPECT_LE(std::strlen(full), static_cast<size_t>(CVXUnicode::kMaxAnsiBytes - 1));
  EXPECT_EQ(full[CVXUnicode::kMaxAnsiBytes], 'Z');
  CVXUnicode::UtoA(full, u"삼성전자 005930");
  EXPECT_EQ(std::string(full), Cp949(u"삼성전자 005930"));
  CString s(u"현재가");
  CVXUnicode::CStringtoA(full, s);
  EXPECT_EQ(std::string(full), Cp949(u"현재가"));

  WCHAR wide[4] = {u'Z', u'Z', u'Z', u'Z'};
  CVXUnicode::AtoU(wide, 3, Cp949(u"가나다라").c_str());
  EXPECT_EQ(std::u16string(wide), u"가나");
  EXPECT_EQ(wide[3], u'Z');
}

class FileFunctions : public vxtest::DeviceTest {};

TEST_F(FileFunctions, WriteAndReadBackWithTheirErrors) {
  const char data[] = "0123456789";
  EXPECT_EQ(write_file(u"\\Temp\\order.tmp", data, 10), -2);  // no folder yet
  WriteHost("Temp/keep", "");
  EXPECT_EQ(write_file(u"\\Temp\\order.tmp", data, 10), 10);
  EXPECT_EQ(write_file(u"\\Temp\\order.tmp", data, 4), 4);  // truncated, not appended
  EXPECT_EQ(ReadHost("Temp/order.tmp"), "0123");
  EXPECT_EQ(write_file(u"\\Temp\\x", nullptr, 3), -1);
  EXPECT_EQ(write_file(u"\\Temp\\x", data, -1), -1);

  char back[16] = {};
  EXPECT_EQ(read_file(u"\\Temp\\order.tmp", back, 16), 4);
  EXPECT_STREQ(back, "0123");
  EXPECT_EQ(read_file(u"\\Temp\\order.tmp", back, 2), 2);
  EXPECT_EQ(read_file(u"\\Temp\\missing", back, 16), -2);
  EXPECT_EQ(read_file(nullptr, back, 16), -1);
  EXPECT_EQ(read_file(u"\\Temp\\order.tmp", back, 0), -1);
}

}  // namespace
